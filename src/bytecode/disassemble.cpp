// Encoder and disassembler of decoded programs.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bytecode/assemble.h"

namespace bw::bytecode {
namespace {

std::uint32_t param_bits(const Register& r) {
  return 0x80000000u | std::uint32_t(r.type & 7) << 28 | std::uint32_t(r.type & 0x18) << 8 |
         (r.index & 0x7FF) | (r.relative ? 1u << 13 : 0u);
}

void put_address(std::vector<std::uint32_t>& out, const Register& r) {
  if (!r.relative) return;
  Register a;
  a.type = r.relative_type;
  // a0 carries its component replicated (.xxxx for a0.x); aL carries the plain swizzle.
  const std::uint32_t swizzle =
      r.relative_type == kLoop ? 0xE4u : std::uint32_t(r.relative_component) * 0x55u;
  out.push_back(param_bits(a) | swizzle << 16);
}

void put_dest(std::vector<std::uint32_t>& out, const Dest& d) {
  out.push_back(param_bits(d.reg) | std::uint32_t(d.mask & 0xF) << 16 |
                std::uint32_t(d.modifiers & 0xF) << 20);
  put_address(out, d.reg);
}

void put_source(std::vector<std::uint32_t>& out, const Source& s) {
  out.push_back(param_bits(s.reg) | std::uint32_t(s.swizzle) << 16 |
                (std::uint32_t(s.modifier) & 0xF) << 24);
  put_address(out, s.reg);
}

const char* const kComparisons[] = {"", "_gt", "_eq", "_ge", "_lt", "_ne", "_le", ""};

std::string mask_text(std::uint8_t mask) {
  if (mask == 0xF) return "";
  std::string text = ".";
  for (int i = 0; i < 4; ++i) {
    if (mask & (1 << i)) text += "xyzw"[i];
  }
  return text;
}

std::string swizzle_text(std::uint8_t swizzle) {
  if (swizzle == 0xE4) return "";
  int length = 4;
  while (length > 1 && swizzle_at(swizzle, length - 1) == swizzle_at(swizzle, length - 2)) {
    --length;
  }
  std::string text = ".";
  for (int i = 0; i < length; ++i) text += "xyzw"[swizzle_at(swizzle, i)];
  return text;
}

std::string source_text(const Version& v, const Source& s) {
  const std::string reg = register_name(v, s.reg);
  const std::string sw = swizzle_text(s.swizzle);
  switch (s.modifier) {
    case SourceModifier::neg:
      return "-" + reg + sw;
    case SourceModifier::bias:
      return reg + "_bias" + sw;
    case SourceModifier::bias_neg:
      return "-" + reg + "_bias" + sw;
    case SourceModifier::sign:
      return reg + "_bx2" + sw;
    case SourceModifier::sign_neg:
      return "-" + reg + "_bx2" + sw;
    case SourceModifier::comp:
      return "1-" + reg + sw;
    case SourceModifier::x2:
      return reg + "_x2" + sw;
    case SourceModifier::x2_neg:
      return "-" + reg + "_x2" + sw;
    case SourceModifier::dz:
      return reg + "_dz" + sw;
    case SourceModifier::dw:
      return reg + "_dw" + sw;
    case SourceModifier::abs:
      return reg + "_abs" + sw;
    case SourceModifier::abs_neg:
      return "-" + reg + "_abs" + sw;
    case SourceModifier::not_:
      return "!" + reg + sw;
    default:
      return reg + sw;
  }
}

// A def value as a plain decimal without exponent (other Direct3D 9 assemblers reject
// "1e-06"): the shortest digits that read back to the same bits, with the point put in
// place and zeros filled in, so denormals and the largest floats give long texts.
// Infinities and NaNs have no decimal form: they print as their bit pattern, which our
// assembler reads back exactly, payload included.
std::string float_text(std::uint32_t bits) {
  float value = 0;
  std::memcpy(&value, &bits, 4);
  char buffer[32];
  if (!std::isfinite(value)) {
    std::snprintf(buffer, sizeof buffer, "0x%08x", bits);
    return buffer;
  }
  // "-d.ddde-XX": at most 9 digits, a sign, a point and a 4-character exponent.
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  const std::string text(buffer, ec == std::errc() ? end : buffer);
  const size_t e = text.find('e');
  if (e == std::string::npos) {
    std::snprintf(buffer, sizeof buffer, "0x%08x", bits);
    return buffer;
  }
  const bool negative = text[0] == '-';
  std::string digits = text.substr(negative ? 1 : 0, e - (negative ? 1 : 0));
  digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());
  // The value is 0.digits times 10 to the power `point`.
  const int point = std::atoi(text.c_str() + e + 1) + 1;
  std::string out = negative ? "-" : "";
  if (point <= 0) {
    out += "0." + std::string(static_cast<size_t>(-point), '0') + digits;
  } else if (static_cast<size_t>(point) >= digits.size()) {
    out += digits + std::string(static_cast<size_t>(point) - digits.size(), '0');
  } else {
    out += digits.substr(0, static_cast<size_t>(point)) + "." +
           digits.substr(static_cast<size_t>(point));
  }
  return out;
}

std::string modifier_text(std::uint8_t modifiers) {
  std::string text;
  if (modifiers & bit(DestModifier::saturate)) text += "_sat";
  if (modifiers & bit(DestModifier::partial_precision)) text += "_pp";
  if (modifiers & bit(DestModifier::centroid)) text += "_centroid";
  return text;
}

std::string version_text(const Version& v) {
  std::string text = v.is_pixel() ? "ps_" : "vs_";
  text += std::to_string(v.major);
  text += v.minor == 1 ? "_x" : "_" + std::to_string(v.minor);
  return text;
}

std::string declaration_text(const Version& v, const Instruction& ins) {
  std::string name = "dcl";
  const Register& r = ins.dest.reg;
  if (r.type == kSampler) {
    const SamplerType type = dcl_sampler(ins.declaration);
    name += type == SamplerType::cube ? "_cube" : type == SamplerType::volume ? "_volume" : "_2d";
  } else {
    const bool plain = r.type == kMiscType || (v.is_pixel() && !v.is_3());
    if (!plain) {
      name += "_";
      name += kUsageNames[dcl_usage(ins.declaration)];
      if (dcl_usage_index(ins.declaration) != 0) {
        name += std::to_string(dcl_usage_index(ins.declaration));
      }
    }
  }
  return name + modifier_text(ins.dest.modifiers) + " " + register_name(v, r) +
         mask_text(ins.dest.mask);
}

}  // namespace

std::string register_name(const Version& v, const Register& r) {
  std::string base;
  const std::string n = std::to_string(r.index);
  switch (r.type) {
    case kTemp:
      base = "r" + n;
      break;
    case kInput:
      base = "v" + n;
      break;
    case kConst:
      base = "c" + n;
      break;
    case kAddr:
      base = v.is_pixel() ? "t" + n : "a" + n;
      break;
    case kRastOut:
      base = r.index == 0 ? "oPos" : r.index == 1 ? "oFog" : "oPts";
      break;
    case kAttrOut:
      base = "oD" + n;
      break;
    case kOutput:
      base = v.is_3() ? "o" + n : "oT" + n;
      break;
    case kConstInt:
      base = "i" + n;
      break;
    case kColorOut:
      base = "oC" + n;
      break;
    case kDepthOut:
      base = "oDepth";
      break;
    case kSampler:
      base = "s" + n;
      break;
    case kConstBool:
      base = "b" + n;
      break;
    case kLoop:
      base = "aL";
      break;
    case kMiscType:
      base = r.index == 0 ? "vPos" : "vFace";
      break;
    case kLabel:
      base = "l" + n;
      break;
    case kPredicate:
      base = "p" + n;
      break;
    default:
      base = "?" + n;
      break;
  }
  if (!r.relative) return base;
  const std::string address =
      r.relative_type == kLoop ? "aL" : std::string("a0.") + "xyzw"[r.relative_component & 3];
  return base + "[" + address + "]";
}

std::vector<std::uint32_t> encode(const Program& program) {
  std::vector<std::uint32_t> out;
  out.push_back(program.version.token());
  for (const Instruction& ins : program.instructions) {
    const std::size_t at = out.size();
    out.push_back(0);
    if (ins.opcode == kDcl) {
      out.push_back(ins.declaration | 0x80000000u);
      put_dest(out, ins.dest);
    } else if (ins.opcode == kDef || ins.opcode == kDefi || ins.opcode == kDefb) {
      put_dest(out, ins.dest);
      const int count = ins.opcode == kDefb ? 1 : 4;
      for (int i = 0; i < count; ++i) out.push_back(ins.literal[i]);
    } else {
      if (ins.has_dest) put_dest(out, ins.dest);
      if (ins.predicated) put_source(out, ins.predicate);
      for (int i = 0; i < ins.source_count; ++i) put_source(out, ins.sources[i]);
    }
    const std::uint32_t length = static_cast<std::uint32_t>(out.size() - at - 1);
    out[at] = ins.opcode | std::uint32_t(ins.control) << 16 | (length & 0xF) << 24 |
              (ins.predicated ? 1u << 28 : 0u);
  }
  out.push_back(0x0000FFFF);
  return out;
}

std::string disassemble(const Program& program) {
  const Version& v = program.version;
  std::string text = version_text(v) + "\n";
  for (const Instruction& ins : program.instructions) {
    std::string line;
    if (ins.predicated) line += "(" + source_text(v, ins.predicate) + ") ";
    if (ins.opcode == kDcl) {
      text += declaration_text(v, ins) + "\n";
      continue;
    }
    const OpcodeInfo* info = opcode_info(ins.opcode);
    // ifc and breakc are written the usual way, as if_gt, break_le ...
    line += ins.opcode == kIfc ? "if" : ins.opcode == kBreakc ? "break" : info ? info->name : "nop";
    if (ins.opcode == kIfc || ins.opcode == kBreakc || ins.opcode == kSetp) {
      line += kComparisons[ins.control & 7];
    } else if (ins.opcode == kTexld && ins.texld_control() == TexldControl::project) {
      line += "p";
    } else if (ins.opcode == kTexld && ins.texld_control() == TexldControl::bias) {
      line += "b";
    }
    if (ins.has_dest) line += modifier_text(ins.dest.modifiers);
    std::vector<std::string> operands;
    if (ins.has_dest) operands.push_back(register_name(v, ins.dest.reg) + mask_text(ins.dest.mask));
    if (ins.opcode == kDef) {
      for (int i = 0; i < 4; ++i) operands.push_back(float_text(ins.literal[i]));
    } else if (ins.opcode == kDefi) {
      for (int i = 0; i < 4; ++i) {
        operands.push_back(std::to_string(static_cast<std::int32_t>(ins.literal[i])));
      }
    } else if (ins.opcode == kDefb) {
      operands.push_back(ins.literal[0] ? "true" : "false");
    }
    for (int i = 0; i < ins.source_count; ++i) operands.push_back(source_text(v, ins.sources[i]));
    for (std::size_t i = 0; i < operands.size(); ++i) {
      line += (i == 0 ? " " : ", ") + operands[i];
    }
    text += line + "\n";
  }
  return text;
}

}  // namespace bw::bytecode
