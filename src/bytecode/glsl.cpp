// GLSL 3.30 sources for a vertex and pixel program pair: the interface around the two
// translated bodies (uniforms, attributes, varyings linked by usage, outputs, hooks).
#include "bytecode/glsl.h"

#include "bytecode/inline_subroutines.h"

#include <set>

#include "bytecode/decode.h"
#include "bytecode/glsl_stage.h"

namespace bw::bytecode {
namespace {

using glsl_detail::Io;
using glsl_detail::StageCode;
using glsl_detail::varying_name;

// GLSL variable that holds a register (outputs and inputs).
std::string register_variable(const Version& v, std::uint8_t type, std::uint32_t index) {
  const std::string n = std::to_string(index);
  switch (type) {
    case kInput:
      return "v" + n;
    case kTexture:
      return v.is_pixel() ? "t" + n : "a0";
    case kRastOut:
      return index == 0 ? "oPos" : index == 1 ? "oFog" : "oPts";
    case kAttrOut:
      return "oD" + n;
    case kOutput:
      return v.is_3() ? "o" + n : "oT" + n;
    default:
      return "";
  }
}

std::string sampler_type_name(SamplerType type) {
  return type == SamplerType::cube     ? "samplerCube"
         : type == SamplerType::volume ? "sampler3D"
                                       : "sampler2D";
}

SamplerKind sampler_kind(SamplerType type) {
  return type == SamplerType::cube     ? SamplerKind::cube
         : type == SamplerType::volume ? SamplerKind::volume
                                       : SamplerKind::two_d;
}

// Uniform declarations shared by both stages' layouts.
std::string uniforms(const StageCode& code, std::vector<GlslSampler>& samplers) {
  std::string text;
  const std::string& pre = code.prefix;
  if (code.constant_count > 0) {
    text += "uniform vec4 " + pre + "_c[" + std::to_string(code.constant_count) + "];\n";
  }
  if (code.int_uniforms) text += "uniform ivec4 " + pre + "_i[16];\n";
  if (code.bool_uniforms) text += "uniform int " + pre + "_b[16];\n";
  for (const auto& [reg, type] : code.samplers) {
    const std::string name = pre + "_s" + std::to_string(reg);
    text += "uniform " + sampler_type_name(type) + " " + name + ";\n";
    samplers.push_back({name, reg, sampler_kind(type)});
  }
  return text;
}

struct Varying {
  std::string name;
  std::uint32_t usage = 0, usage_index = 0;
  bool centroid = false;
};

}  // namespace

int attribute_location(std::uint32_t usage, std::uint32_t usage_index) {
  // D3DDECLUSAGE values: POSITION 0, BLENDWEIGHT 1, BLENDINDICES 2, NORMAL 3, PSIZE 4,
  // TEXCOORD 5, TANGENT 6, BINORMAL 7, TESSFACTOR 8, POSITIONT 9, COLOR 10, FOG 11,
  // DEPTH 12, SAMPLE 13.
  switch (usage) {
    case 0:
      return usage_index == 0 ? 0 : -1;
    case 5:
      return usage_index < 8 ? 1 + static_cast<int>(usage_index) : -1;
    case 10:
      return usage_index < 2 ? 9 + static_cast<int>(usage_index) : -1;
    case 3:
      return usage_index == 0 ? 11 : -1;
    case 6:
      return usage_index == 0 ? 12 : -1;
    case 7:
      return usage_index == 0 ? 13 : -1;
    case 1:
      return usage_index == 0 ? 14 : -1;
    case 2:
      return usage_index == 0 ? 15 : -1;
    default:
      return -1;
  }
}

std::optional<GlslProgram> translate_to_glsl(std::span<const std::uint32_t> vs_tokens,
                                             std::span<const std::uint32_t> ps_tokens,
                                             std::string& error) {
  std::string detail;
  auto vs = decode(vs_tokens, detail);
  if (!vs) return error = "vertex shader: " + detail, std::nullopt;
  if (vs->version.is_pixel())
    return error = "vertex shader: token 0: holds a pixel program", std::nullopt;
  auto ps = decode(ps_tokens, detail);
  if (!ps) return error = "pixel shader: " + detail, std::nullopt;
  if (!ps->version.is_pixel())
    return error = "pixel shader: token 0: holds a vertex program", std::nullopt;
  if (!inlined_size_within_bound(*vs, detail))
    return error = "vertex shader: " + detail, std::nullopt;
  if (!inlined_size_within_bound(*ps, detail))
    return error = "pixel shader: " + detail, std::nullopt;
  StageCode vcode, pcode;
  if (!glsl_detail::translate_stage(*vs, vcode, detail))
    return error = "vertex shader: " + detail, std::nullopt;
  if (!glsl_detail::translate_stage(*ps, pcode, detail))
    return error = "pixel shader: " + detail, std::nullopt;
  const Version& vv = vs->version;
  const Version& pv = ps->version;

  // The varyings are what the pixel program reads, named by usage and index.
  std::vector<Varying> varyings;
  std::set<std::string> names;
  for (const Io& in : pcode.inputs) {
    Varying varying{varying_name(in.usage, in.usage_index), in.usage, in.usage_index, in.centroid};
    if (names.insert(varying.name).second) {
      varyings.push_back(varying);
    } else if (in.centroid) {
      for (Varying& known : varyings) {
        if (known.name == varying.name) known.centroid = true;
      }
    }
  }

  GlslProgram result;
  result.vs_constant_count = vcode.constant_count;
  result.ps_constant_count = pcode.constant_count;

  // Vertex program.
  std::string& vsrc = result.vertex;
  vsrc = "#version 330 core\n// Translated from a Direct3D 9 vertex program.\n";
  vsrc += uniforms(vcode, result.vs_samplers);
  vsrc += "uniform vec4 bw_position;\n";
  std::set<int> locations;
  for (const Io& in : vcode.inputs) {
    const int location = attribute_location(in.usage, in.usage_index);
    if (location >= 0 && locations.insert(location).second) {
      vsrc += "layout(location = " + std::to_string(location) + ") in vec4 bw_attr" +
              std::to_string(location) + ";\n";
    }
  }
  for (const Varying& varying : varyings) {
    vsrc += std::string(varying.centroid ? "centroid " : "") + "out vec4 " + varying.name + ";\n";
  }
  vsrc += vcode.globals + vcode.helpers + vcode.functions;
  vsrc += "void main() {\n" + vcode.init;
  for (const Io& in : vcode.inputs) {
    const int location = attribute_location(in.usage, in.usage_index);
    vsrc += "  v" + std::to_string(in.index) + " = " +
            (location >= 0 ? "bw_attr" + std::to_string(location) : "vec4(0.0, 0.0, 0.0, 1.0)") +
            ";\n";
  }
  vsrc += "  bw_main();\n";
  std::string position = "vec4(0.0)";
  for (const Io& out : vcode.outputs) {
    if (out.usage == 0 && out.usage_index == 0)
      position = register_variable(vv, out.type, out.index);
  }
  vsrc += "  vec4 p = " + position + ";\n";
  vsrc +=
      "  gl_Position = vec4(p.x * bw_position.x + bw_position.z * p.w,\n"
      "                     p.y * bw_position.y + bw_position.w * p.w,\n"
      "                     2.0 * p.z - p.w, p.w);\n";
  for (const Varying& varying : varyings) {
    std::string value = "vec4(0.0)";
    for (const Io& out : vcode.outputs) {
      if (out.usage == varying.usage && out.usage_index == varying.usage_index) {
        value = register_variable(vv, out.type, out.index);
      }
    }
    vsrc += "  " + varying.name + " = " + value + ";\n";
  }
  vsrc += "}\n";

  // Fragment program.
  std::string& fsrc = result.fragment;
  fsrc = "#version 330 core\n// Translated from a Direct3D 9 pixel program.\n";
  fsrc += uniforms(pcode, result.ps_samplers);
  if (pcode.reads_vpos || pcode.uses_frag_y) fsrc += "uniform vec4 bw_frag_position;\n";
  if (pcode.reads_vface) fsrc += "uniform float bw_face;\n";
  for (const Varying& varying : varyings) {
    fsrc += std::string(varying.centroid ? "centroid " : "") + "in vec4 " + varying.name + ";\n";
  }
  std::set<std::uint32_t> colors = pcode.color_outputs;
  const bool wrote_color = !colors.empty();
  if (!wrote_color) colors.insert(0);
  for (std::uint32_t k : colors) {
    fsrc +=
        "layout(location = " + std::to_string(k) + ") out vec4 bw_out" + std::to_string(k) + ";\n";
  }
  fsrc += pcode.globals + pcode.helpers + pcode.functions;
  fsrc += "void main() {\n" + pcode.init;
  for (const Io& in : pcode.inputs) {
    std::string value = varying_name(in.usage, in.usage_index);
    // Shader model 2 colour inputs arrive clamped to 0..1.
    if (!pv.is_3() && in.usage == 10) value = "clamp(" + value + ", 0.0, 1.0)";
    fsrc += "  " + register_variable(pv, in.type, in.index) + " = " + value + ";\n";
  }
  if (pcode.reads_vpos) {
    fsrc +=
        "  vPos = vec4(gl_FragCoord.xy * bw_frag_position.xy + bw_frag_position.zw, 0.0, 0.0);\n";
  }
  if (pcode.reads_vface) fsrc += "  vFace = vec4(gl_FrontFacing ? bw_face : -bw_face);\n";
  fsrc += "  bw_main();\n";
  for (std::uint32_t k : colors) {
    fsrc += "  bw_out" + std::to_string(k) + " = " +
            (wrote_color ? "oC" + std::to_string(k) : std::string("vec4(0.0)")) + ";\n";
  }
  if (pcode.depth_output) fsrc += "  gl_FragDepth = oDepth.x;\n";
  fsrc += "}\n";
  return result;
}

}  // namespace bw::bytecode
