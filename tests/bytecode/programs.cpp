#include "programs.h"

#include "bytecode/assemble.h"
#include "bytecode/decode.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace bw::bytecode::testing {

const char* const kPlainVertex = R"(vs_3_0
dcl_position v0
dcl_texcoord v1
dcl_position o0
dcl_texcoord o1
mov o0, v0
mov o1, v1
)";

const char* const kPlainPixel = R"(ps_3_0
dcl_texcoord v0.xy
dcl_2d s0
texld oC0, v0, s0
)";

const std::vector<NamedProgram>& vertex_programs() {
  static const std::vector<NamedProgram> programs = {
      {"vs_2_0 arithmetic, matrices, subroutines, loops", R"(vs_2_0
dcl_position v0
dcl_texcoord v1
dcl_normal v2
def c90, 1, 0.5, 0.25, -2
def c91, -1.55009923e-006, -2.17013894e-005, 0.00260416674, 0.00026041668
def c92, -0.020833334, -0.125, 1, 0.5
defi i0, 4, 2, 3, 0
defb b0, true
m4x4 oPos, v0, c0
m4x3 r1.xyz, v0, c4
m3x4 r2, v2, c8
m3x3 r3.xyz, v2, c12
m3x2 r4.xy, v2, c16
mov r0, v1
add r0, r0, c90
sub r0.xy, r0, -c90.yx
mad r5, r0, c90.x, c90.y
mul r5.zw, r5, r0
rcp r6.x, r5.w
rsq r6.y, r5.z
dp3 r6.z, r5, r0
dp4 r6.w, r5, r0
min r7, r6, r5
max r7, r7, -r6
slt r8, r7, r6
sge r8.xz, r7, r6
exp r9.x, r8.y
log r9.y, r8.z
expp r9.z, r8.x
logp r9.w, r8.w
lit r10, r9
dst r11, r10, r9
lrp r12, r11.x, r10, r9
frc r12.y, r12
pow r13, r12.x, r12.y
crs r14.xyz, r13, r12
sgn r15, r14, r16, r17
abs r15, r15
nrm r16, r15
sincos r17.xy, r16.x, c91, c92
mova a0.x, r17.x
mov r18, c20[a0.x]
add r18, r18, c[a0.x + 21]
call l0
callnz l1, b0
if b0
mov r19, c90
else
mov r19, c91
endif
loop aL, i0
add r20, r20, c30[aL]
endloop
rep i0
add r21, r21, c90
endrep
mov oT0, r0
mov oT1.xy, r18
mov oD0, r7
mov oFog, r9.x
mov oPts, r9.y
ret
label l0
mov r22, c90
ret
label l1
mul r22, r22, c90
ret
)"},
      {"vs_2_x predication and dynamic flow control", R"(vs_2_x
dcl_position v0
defi i0, 5, 0, 1, 0
def c10, 0, 1, 2, 3
mov r0, v0
setp_gt p0, r0, c10.x
(p0) mov r1, c10.y
(!p0.y) add r1.xy, r1, c10.z
if_ge r0.x, c10.y
mov r2, c10
endif
rep i0
break_eq r2.x, c10.w
add r2, r2, c10.y
breakp p0.x
break
endrep
mov oPos, r1
mov oD1, r2
)"},
      {"vs_3_0 texture fetch, relative inputs and outputs", R"(vs_3_0
dcl_position v0
dcl_texcoord v1
dcl_texcoord1 v2
dcl_position o0
dcl_texcoord o1
dcl_texcoord1 o2.xy
dcl_color o3
dcl_2d s0
defi i0, 2, 0, 1, 0
def c0, 1, 0, 0, 0
mov o0, v0
texldl r0, v1, s0
mov o1, r0
sincos r1.xy, v1.x
mov o2.xy, r1
loop aL, i0
mov r2, v0[aL]
mov o1[aL], r2
mov r3, c4[aL]
endloop
mov_sat o3, -c0_abs
)"},
  };
  return programs;
}

const std::vector<NamedProgram>& pixel_programs() {
  static const std::vector<NamedProgram> programs = {
      {"ps_2_0 sampling, cmp, dp2add and arithmetic", R"(ps_2_0
dcl t0.xy
dcl t1
dcl v0
dcl_2d s0
dcl_cube s1
dcl_volume s2
def c5, 0.5, -0.5, 1, 0
texld r0, t0, s0
texldp r1, t1, s0
texldb r2, t1, s0
texld r3, t1, s1
texld r4, t1, s2
texkill t1
cmp r5, r0, r1, r2
dp2add r6, r0, r1, c5.x
lrp r7, c5.x, r0, r1
add r7, r7, v0
mul_sat r7.xyz, r7, c0
mov_pp r8, c5.zwxy
abs r9, r7
nrm r10, r9
pow r11, r9.x, c5.z
rcp r11.y, r9.w
rsq r11.z, r9.z
exp r11.w, r9.y
log r12, r9.x
frc r13, r12
sincos r14.xy, r9.x, c1, c2
dp3 r15, r0, r1
dp4 r15.w, r0, r1
min r15, r15, r14
max r15, r15, r13
crs r15.xyz, r15, r13
m4x4 r16, r0, c6
m3x3 r17.xyz, r0, c10
sub r18, r16, -r17_abs
mad r18, r18, c5.y, r8
mul r18, r18, r6
mov oC0, r15
mov oC1, r18
mov oDepth, r11.x
)"},
      {"ps_2_x derivatives, predication, subroutines", R"(ps_2_x
dcl t0.xy
dcl_2d s0
defi i0, 3, 0, 0, 0
defb b1, false
def c1, 0, 1, 0.5, 2
texld r0, t0, s0
dsx r1, r0
dsy r2, r0
texldd r3, t0, s0, r1, r2
setp_lt p0, r0, c1.z
(p0) mov r4, c1.y
if p0.x
add r4, r4, c1.z
endif
if !b1
mul r4, r4, c1.w
endif
rep i0
break_gt r4.x, c1.w
add r4, r4, r3
breakp !p0.y
endrep
call l2
callnz l2, !p0.x
mov oC0, r4
ret
label l2
mul r4, r4, c1.z
ret
)"},
      {"ps_3_0 vPos, vFace, loops and relative inputs", R"(ps_3_0
dcl_texcoord v0.xy
dcl_texcoord1_centroid v1
dcl vPos.xy
dcl vFace
dcl_2d s0
defi i0, 2, 0, 1, 0
def c0, 0.5, 1, 0, 0
texld r0, v0, s0
texldl r1, v1, s0
mov r2, vPos
cmp r3, vFace, c0.y, -c0.y
loop aL, i0
add r4, r4, c10[aL]
add r4, r4, v0[aL]
endloop
mul oC0, r0, r1
add oC1, r3, r2
)"},
  };
  return programs;
}

std::vector<std::string> shipped_effects() {
  std::vector<std::string> paths;
  const std::filesystem::path dir = std::filesystem::path(BW_SOURCE_DIR) / "data" / "effects";
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
    if (entry.path().extension() == ".fx") paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::string listing_of(const std::string& text, std::string& error) {
  auto tokens = assemble(text, error);
  if (!tokens) return "";
  auto program = decode(*tokens, error);
  if (!program) return "";
  return disassemble(*program);
}

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace bw::bytecode::testing
