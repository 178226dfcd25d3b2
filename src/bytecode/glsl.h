// Translation of a Direct3D 9 vertex and pixel shader pair into GLSL 3.30 core sources,
// keeping Direct3D 9's meaning of every instruction.
//
// The interface that the GL backend relies on (stable; changes are announced to the
// device layer):
//
// Constants. Float constant register r of the vertex shader is element r of
//     uniform vec4 vs_c[N];
// and of the pixel shader element r of
//     uniform vec4 ps_c[M];
//   Set register r with glUniform4fv(glGetUniformLocation(program, "vs_c[r]"), 1, v).
//   N and M cover the registers the program reads (the whole register file when it
//   addresses constants relatively); a location of -1 means the program never reads that
//   register and the set can be skipped. Registers given a value by `def` in the program
//   are compiled in and ignore the uniform, as on Direct3D 9.
//   Integer and boolean registers are `uniform ivec4 vs_i[16]`, `uniform int vs_b[16]`
//   (and ps_i, ps_b); effects set them only by defi/defb, so the device may leave them at
//   GL's initial zero.
// Samplers. Sampler register s of the pixel shader is `uniform sampler2D ps_s<s>`
//   (samplerCube / sampler3D when declared so), of the vertex shader `vs_s<s>`. The backend
//   binds the texture of stage s to texture unit s and sets the uniform to s once after
//   linking: glUniform1i(glGetUniformLocation(program, "ps_s3"), 3). GlslProgram lists
//   the samplers each stage declares.
// Vertex inputs. Inputs are `layout(location = L) in vec4`, L from attribute_location():
//   POSITION 0 -> location 0, TEXCOORD k -> location 1 + k (k < 8), COLOR k -> 9 + k
//   (k < 2), NORMAL 0 -> 11, TANGENT 0 -> 12, BINORMAL 0 -> 13, BLENDWEIGHT 0 -> 14,
//   BLENDINDICES 0 -> 15. The quad is thus position at location 0 and texture coordinate
//   at location 1, both 2 floats; GL fills the missing components with (0, 0, 0, 1) as
//   Direct3D 9 does. An input of any other usage reads (0, 0, 0, 1).
// Position hooks. The vertex program ends with
//     gl_Position = vec4(p.x * bw_position.x + bw_position.z * p.w,
//                        p.y * bw_position.y + bw_position.w * p.w,
//                        2.0 * p.z - p.w, p.w);
//   where p is the Direct3D 9 clip position and `uniform vec4 bw_position` is the device's
//   hook: (1, 1, 0, 0) leaves it as is (GL's initial zero would collapse every vertex, so
//   the backend must always set it). To render with Direct3D 9's pixel centres into a
//   target whose memory row 0 is the top row (y flipped), use (1, -1, 1 / width,
//   1 / height): the z/w of a clip-unit shift move Direct3D 9's pixel centre (integer
//   screen coordinates) onto GL's (half-integer).
// Fragment hooks. vPos is gl_FragCoord.xy * bw_frag_position.xy + bw_frag_position.zw
//   (with the y-flipped setting above: (1, 1, -0.5, -0.5)); vFace is
//   gl_FrontFacing ? bw_face : -bw_face (with a y flip the winding turns over: use -1;
//   otherwise 1). bw_frag_position appears only in programs that read vPos or use dsy
//   (dsy is dFdy scaled by bw_frag_position.y, so it keeps Direct3D 9's downward sign),
//   bw_face only in programs that read vFace.
// Varyings. Vertex outputs reach pixel inputs by usage and index: both sides name the
//   varying bw_<usage><index> (bw_texcoord0, bw_color1, ...). The vertex program declares
//   every varying the pixel program reads, writing zero to those it does not produce.
// Outputs. Colour output k is `layout(location = k) out vec4 bw_out<k>`; oDepth writes
//   gl_FragDepth.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bw::bytecode {

// Texture kind of a sampler declaration.
enum class SamplerKind { two_d, cube, volume };

// One sampler uniform of a translated program.
struct GlslSampler {
  std::string uniform;    // "ps_s0", "vs_s1", ...
  std::uint32_t reg = 0;  // sampler register = texture unit
  SamplerKind kind = SamplerKind::two_d;
};

// The two sources of one effect and what they declare.
struct GlslProgram {
  std::string vertex;                    // "#version 330 core" vertex shader
  std::string fragment;                  // "#version 330 core" fragment shader
  std::uint32_t vs_constant_count = 0;   // size of vs_c (0: not declared)
  std::uint32_t ps_constant_count = 0;   // size of ps_c (0: not declared)
  std::vector<GlslSampler> vs_samplers;  // vertex texture samplers
  std::vector<GlslSampler> ps_samplers;  // pixel samplers, by register
};

// Location of the vertex input of this Direct3D 9 usage (D3DDECLUSAGE value) and index,
// or -1 when no attribute feeds it.
int attribute_location(std::uint32_t usage, std::uint32_t usage_index);

// Translates a vertex and a pixel shader token stream (each version token first, end
// token last). On failure returns nothing and a one-line message in `error` that names
// the stage and token offset ("pixel shader: token 12: ...").
std::optional<GlslProgram> translate_to_glsl(std::span<const std::uint32_t> vs_tokens,
                                             std::span<const std::uint32_t> ps_tokens,
                                             std::string& error);

}  // namespace bw::bytecode
