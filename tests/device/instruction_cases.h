// The instruction cases of the effect conformance tests: for each instruction and
// modifier the effects use, a tiny effect whose one output pixel must equal what
// Direct3D 9 defines for it. Shared by the pixel tests of each backend and the comparison
// of the two backends.
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

namespace bw::device::instruction_cases {

// Constants every case starts from.
inline const char* const kDefinitions =
    "def c0, 0.5, -0.25, 0.75, 1.0\n"
    "def c1, 0.2, 0.4, -0.6, 0.8\n"
    "def c2, 2.0, 0.5, -1.0, 0.25\n"
    "def c3, 0.0, 1.0, 0.0, 0.5\n"
    "def c4, 1.0, 0.0, 0.0, 0.0\n"
    "def c5, 0.5, 0.25, 0.0, 2.0\n"
    "def c6, 0.6, -0.4, 0.0, 3.0\n"
    "def c7, 0.25, 0.5, 0.0, 0.0\n"
    "defi i0, 3, 1, 1, 0\n";

// Each case computes r0 (every component in -2..2); the output pixel is r0 / 4 + 0.5.
struct Case {
  const char* name;
  bool vertex;        // the instructions run in the vertex program
  const char* body;   // instructions that leave the result in r0
  float r0[4];        // what Direct3D 9 defines for r0
  const char* subroutines = nullptr;  // labelled functions after the main one
};

inline const Case kCases[] = {
    // arithmetic
    {"mov", false, "mov r0, c0", {0.5f, -0.25f, 0.75f, 1.0f}},
    {"add", false, "add r0, c0, c1", {0.7f, 0.15f, 0.15f, 1.8f}},
    {"sub", false, "sub r0, c0, c1", {0.3f, -0.65f, 1.35f, 0.2f}},
    {"mul", false, "mul r0, c0, c2", {1.0f, -0.125f, -0.75f, 0.25f}},
    {"mad", false, "mad r0, c0, c2, c1", {1.2f, 0.275f, -1.35f, 1.05f}},
    {"dp3", false, "dp3 r0, c0, c1", {-0.45f, -0.45f, -0.45f, -0.45f}},
    {"dp4", false, "dp4 r0, c0, c1", {0.35f, 0.35f, 0.35f, 0.35f}},
    {"dp2add", false, "dp2add r0, c0, c1, c2.w", {0.25f, 0.25f, 0.25f, 0.25f}},
    {"min", false, "min r0, c0, c1", {0.2f, -0.25f, -0.6f, 0.8f}},
    {"max", false, "max r0, c0, c1", {0.5f, 0.4f, 0.75f, 1.0f}},
    {"lrp", false, "lrp r0, c0.x, c1, c2", {1.1f, 0.45f, -0.8f, 0.525f}},
    {"frc", false, "frc r0, c1", {0.2f, 0.4f, 0.4f, 0.8f}},
    {"abs", false, "abs r0, c1", {0.2f, 0.4f, 0.6f, 0.8f}},
    {"cmp", false, "cmp r0, c0, c1, c2", {0.2f, 0.5f, -0.6f, 0.8f}},
    {"crs", false, "mov r0, c7.z\ncrs r0.xyz, c0, c1", {-0.15f, 0.45f, 0.25f, 0.0f}},
    {"nrm", false, "nrm r0, c1", {0.267261f, 0.534522f, -0.801784f, 1.069045f}},
    // scalar functions read one component and replicate their result
    {"rcp", false, "rcp r0, c2.x", {0.5f, 0.5f, 0.5f, 0.5f}},
    {"rcp of zero is infinite", false, "rcp r0, c3.x", {1e30f, 1e30f, 1e30f, 1e30f}},
    {"rsq of zero is infinite", false, "rsq r0, c3.x", {1e30f, 1e30f, 1e30f, 1e30f}},
    {"log of zero is minus infinite", false, "log r0, c3.x", {-1e30f, -1e30f, -1e30f, -1e30f}},
    {"rsq", false, "rsq r0, c2.y", {1.414214f, 1.414214f, 1.414214f, 1.414214f}},
    {"rsq of a negative uses its size", false, "rsq r0, c2.z", {1, 1, 1, 1}},
    {"exp", false, "exp r0, c2.z", {0.5f, 0.5f, 0.5f, 0.5f}},
    {"log", false, "log r0, c2.x", {1, 1, 1, 1}},
    {"log of a negative uses its size", false, "log r0, c5.y", {-2, -2, -2, -2}},
    {"pow", false, "pow r0, c0.x, c2.x", {0.25f, 0.25f, 0.25f, 0.25f}},
    {"pow of a negative base uses its size", false, "pow r0, c0.y, c2.x",
     {0.0625f, 0.0625f, 0.0625f, 0.0625f}},
    {"sincos", false, "mov r0, c7.z\nsincos r0.xy, c0.x", {0.877583f, 0.479426f, 0, 0}},
    {"dsx of a constant", false, "dsx r0, c0", {0, 0, 0, 0}},
    // matrices: dst.i = dot(src0, src1 + i)
    {"m4x4", false, "m4x4 r0, c0, c1", {0.35f, 0.375f, 0.25f, 0.5f}},
    {"m4x3", false, "mov r0, c7.z\nm4x3 r0.xyz, c0, c1", {0.35f, 0.375f, 0.25f, 0}},
    {"m3x4", false, "m3x4 r0, c0, c1", {-0.45f, 0.125f, -0.25f, 0.5f}},
    {"m3x3", false, "mov r0, c7.z\nm3x3 r0.xyz, c0, c1", {-0.45f, 0.125f, -0.25f, 0}},
    {"m3x2", false, "mov r0, c7.z\nm3x2 r0.xy, c0, c1", {-0.45f, 0.125f, 0, 0}},
    // swizzles, masks, source and destination modifiers
    {"swizzle", false, "mov r0, c0.wzyx", {1.0f, 0.75f, -0.25f, 0.5f}},
    {"replicate", false, "mov r0, c0.y", {-0.25f, -0.25f, -0.25f, -0.25f}},
    {"write mask", false, "mov r0, c7.z\nmov r0.yw, c0", {0, -0.25f, 0, 1.0f}},
    {"negate", false, "mov r0, -c0", {-0.5f, 0.25f, -0.75f, -1.0f}},
    {"absolute", false, "mov r0, c0_abs", {0.5f, 0.25f, 0.75f, 1.0f}},
    {"negated absolute", false, "mov r0, -c0_abs", {-0.5f, -0.25f, -0.75f, -1.0f}},
    {"saturate", false, "mov_sat r0, c2", {1.0f, 0.5f, 0.0f, 0.25f}},
    {"partial precision", false, "mul_pp r0, c0, c2", {1.0f, -0.125f, -0.75f, 0.25f}},
    // flow control
    {"if taken", false, "ifc_gt c0.x, c1.x\nmov r0, c0\nelse\nmov r0, c1\nendif",
     {0.5f, -0.25f, 0.75f, 1.0f}},
    {"else taken", false, "ifc_lt c0.x, c1.x\nmov r0, c0\nelse\nmov r0, c1\nendif",
     {0.2f, 0.4f, -0.6f, 0.8f}},
    {"rep", false, "mov r0, c7.z\nrep i0\nadd r0, r0, c7.x\nendrep",
     {0.75f, 0.75f, 0.75f, 0.75f}},
    {"loop", false, "mov r0, c7.z\nloop aL, i0\nadd r0, r0, c7.x\nendloop",
     {0.75f, 0.75f, 0.75f, 0.75f}},
    {"break", false, "mov r0, c7.z\nrep i0\nadd r0, r0, c7.x\nbreakc_ge r0.x, c7.y\nendrep",
     {0.5f, 0.5f, 0.5f, 0.5f}},
    {"predicated write", false, "mov r0, c1\nsetp_gt p0, c0, c1\n(p0) mov r0, c2",
     {2.0f, 0.4f, -1.0f, 0.25f}},
    {"call", false, "mov r0, c7.z\ncall l0\nmov r0.x, c4.x", {1.0f, -0.25f, 0.75f, 1.0f},
     "label l0\nmov r0, c0\nret"},
    // vertex-only instructions, read back through a texture coordinate
    {"vs mov", true, "mov r0, c0", {0.5f, -0.25f, 0.75f, 1.0f}},
    {"vs slt", true, "slt r0, c0, c1", {0, 1, 0, 0}},
    {"vs sge", true, "sge r0, c0, c1", {1, 0, 1, 1}},
    {"vs sgn", true, "sgn r0, c6, r1, r2", {1, -1, 0, 1}},
    {"vs lit", true, "lit r0, c5", {1, 0.5f, 0.0625f, 1}},
    {"vs lit facing away", true, "lit r0, c0.y", {1, 0, 0, 1}},
    {"vs dst", true, "dst r0, c0, c1", {1, -0.1f, 0.75f, 0.8f}},
    {"vs expp", true, "expp r0, c2.z", {0.5f, 0.5f, 0.5f, 0.5f}},
    {"vs relative constant", true, "mova a0.x, c6.x\nmov r0, c3[a0.x]", {1, 0, 0, 0}},
};

inline std::string effect_source(const Case& c) {
  std::string text;
  if (c.vertex) {
    text = ".vertex\nvs_3_0\ndcl_position v0\ndcl_position o0\ndcl_texcoord o1\n";
    text += kDefinitions;
    text += "mov o0, v0\n";
    text += std::string(c.body) + "\nmad o1, r0, c7.x, c7.y\n";
    text += ".pixel\nps_3_0\ndcl_texcoord v0\nmov oC0, v0\n";
    return text;
  }
  text = ".vertex\nvs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n";
  text += ".pixel\nps_3_0\n";
  text += kDefinitions;
  text += std::string(c.body) + "\nmad oC0, r0, c7.x, c7.y\n";
  if (c.subroutines != nullptr) text += std::string("ret\n") + c.subroutines + "\n";
  return text;
}

// The byte Direct3D 9 writes for r0 component `value` through the final mad.
inline int expected_byte(float value) {
  const double out = std::clamp(value / 4.0 + 0.5, 0.0, 1.0);
  return static_cast<int>(std::lround(out * 255.0));
}

}  // namespace bw::device::instruction_cases
