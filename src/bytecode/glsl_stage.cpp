// One program to GLSL, instruction by instruction, with Direct3D 9's meaning.
//
// Every register is a global initialised to zero; an instruction computes a whole vec4
// from its swizzled sources and the destination write mask picks the slots it keeps, so
// "mov r0.yw, r1" writes r1.y and r1.w. Predicated writes select per component with
// mix(old, new, bvec4), never arithmetically. Constants given by def are compiled in from
// their bit patterns.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "bytecode/glsl_translator.h"

namespace bw::bytecode::glsl_detail {
namespace {

std::string mask_letters(std::uint8_t mask) {
  std::string s;
  for (int i = 0; i < 4; ++i) {
    if (mask & (1 << i)) s += kComponents[i];
  }
  return s;
}

bool finite_bits(std::uint32_t bits) { return (bits & 0x7F800000u) != 0x7F800000u; }

// A float literal that GLSL reads back to the same bits (9 significant digits identify a
// float); infinities and NaNs go through their bit patterns.
std::string float_literal(std::uint32_t bits) {
  char buffer[40];
  if (!finite_bits(bits)) {
    std::snprintf(buffer, sizeof buffer, "uintBitsToFloat(0x%08xu)", bits);
    return buffer;
  }
  float value = 0;
  std::memcpy(&value, &bits, 4);
  std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
  std::string text = buffer;
  if (text.find_first_of(".e") == std::string::npos) text += ".0";
  return text;
}

// Helper functions, emitted once each when used.
struct HelperText {
  const char* name;
  const char* text;
};
const HelperText kHelpers[] = {
    {"bw_rcp",
     "float bw_rcp(float f) { return f == 0.0 ? BW_FLT_MAX : (f == 1.0 ? 1.0 : 1.0 / f); }\n"},
    {"bw_rsq",
     "float bw_rsq(float f) {\n"
     "  f = abs(f);\n"
     "  return f == 0.0 ? BW_FLT_MAX : (f == 1.0 ? 1.0 : inversesqrt(f));\n"
     "}\n"},
    {"bw_log", "float bw_log(float f) { f = abs(f); return f != 0.0 ? log2(f) : -BW_FLT_MAX; }\n"},
    {"bw_pow",
     "float bw_pow(float a, float b) {\n"
     "  a = abs(a);\n"
     "  if (a == 0.0) return b > 0.0 ? 0.0 : (b == 0.0 ? 1.0 : BW_FLT_MAX);\n"
     "  return min(exp2(b * log2(a)), BW_FLT_MAX);\n"
     "}\n"},
    {"bw_nrm",
     "vec4 bw_nrm(vec4 s) {\n"
     "  float f = dot(s.xyz, s.xyz);\n"
     "  f = f != 0.0 ? inversesqrt(f) : BW_FLT_MAX;\n"
     "  return s * f;\n"
     "}\n"},
    {"bw_lit",
     "vec4 bw_lit(vec4 s) {\n"
     "  vec4 d = vec4(1.0, 0.0, 0.0, 1.0);\n"
     "  float p = clamp(s.w, -127.9961, 127.9961);\n"
     "  if (s.x > 0.0) {\n"
     "    d.y = s.x;\n"
     "    if (s.y > 0.0) d.z = bw_pow(s.y, p);\n"
     "  }\n"
     "  return d;\n"
     "}\n"},
    {"bw_mova", "ivec4 bw_mova(vec4 s) { return ivec4(sign(s) * floor(abs(s) + 0.5)); }\n"},
};

}  // namespace

bool StageTranslator::run() {
  out_.prefix = v_.is_pixel() ? "ps" : "vs";
  if (!scan_declarations()) return false;
  if (!split_functions()) return false;
  for (const Function& f : functions_) {
    if (!emit_function(f)) return false;
  }
  emit_globals();
  emit_helpers();
  return true;
}

bool StageTranslator::fail(std::uint32_t offset, const std::string& what) {
  error_ = "token " + std::to_string(offset) + ": " + what;
  return false;
}

bool StageTranslator::scan_declarations() {
  for (const Instruction& ins : p_.instructions) {
    const Register& r = ins.dest.reg;
    if (ins.opcode == kDef) {
      float_defs_[r.index] = ins.literal;
    } else if (ins.opcode == kDefi) {
      int_defs_[r.index] = ins.literal;
    } else if (ins.opcode == kDefb) {
      bool_defs_[r.index] = ins.literal[0] != 0;
    } else if (ins.opcode == kDcl) {
      if (r.type == kSampler) {
        out_.samplers[r.index] = dcl_sampler(ins.declaration);
        continue;
      }
      if (r.type == kMiscType) continue;
      Io io;
      io.type = r.type;
      io.index = r.index;
      io.centroid = (ins.dest.modifiers & bit(DestModifier::centroid)) != 0;
      io.usage = dcl_usage(ins.declaration);
      io.usage_index = dcl_usage_index(ins.declaration);
      if (v_.is_pixel() && !v_.is_3()) {
        io.usage = r.type == kTexture ? 5 : 10;  // t# texcoord, v# color
        io.usage_index = r.index;
      }
      if (r.type == kOutput && !v_.is_pixel()) {
        out_.outputs.push_back(io);
        use(r.type, r.index);
      } else if (r.type == kInput || (r.type == kTexture && v_.is_pixel())) {
        out_.inputs.push_back(io);
        use(r.type, r.index);
      } else {
        return fail(ins.offset, "dcl of a register that is neither input nor output");
      }
    }
  }
  return true;
}

bool StageTranslator::split_functions() {
  Function current;
  bool closed = false;  // the current function has seen its final ret
  std::set<std::int64_t> labels;
  for (std::size_t i = 0; i < p_.instructions.size(); ++i) {
    const Instruction& ins = p_.instructions[i];
    if (ins.opcode == kLabelOp) {
      current.end = i;
      functions_.push_back(current);
      current = Function{};
      current.label = ins.sources[0].reg.index;
      current.begin = i + 1;
      current.offset = ins.offset;
      closed = false;
      if (ins.sources[0].reg.type != kLabel) return fail(ins.offset, "label needs an l# register");
      if (!labels.insert(current.label).second) {
        return fail(ins.offset, "label l" + std::to_string(current.label) + " is defined twice");
      }
      continue;
    }
    if (closed && ins.opcode != kDcl && ins.opcode != kDef && ins.opcode != kDefi &&
        ins.opcode != kDefb && ins.opcode != kNop) {
      return fail(ins.offset, "instruction after the final ret of its function");
    }
    if (ins.opcode == kRet && depth_at(current.begin, i) == 0) closed = true;
  }
  current.end = p_.instructions.size();
  functions_.push_back(current);
  // Every call names a defined label, and no subroutine reaches itself.
  std::map<std::int64_t, std::set<std::int64_t>> calls;
  for (const Function& f : functions_) {
    for (std::size_t i = f.begin; i < f.end; ++i) {
      const Instruction& ins = p_.instructions[i];
      if (ins.opcode != kCall && ins.opcode != kCallnz) continue;
      if (ins.sources[0].reg.type != kLabel) return fail(ins.offset, "call needs an l# register");
      const std::int64_t target = ins.sources[0].reg.index;
      if (!labels.count(target)) {
        return fail(ins.offset, "call of undefined label l" + std::to_string(target));
      }
      calls[f.label].insert(target);
    }
  }
  for (std::int64_t start : labels) {
    std::vector<std::int64_t> stack(calls[start].begin(), calls[start].end());
    std::set<std::int64_t> seen;
    while (!stack.empty()) {
      const std::int64_t at = stack.back();
      stack.pop_back();
      if (at == start) {
        std::uint32_t offset = 0;
        for (const Function& f : functions_) {
          if (f.label == start) offset = f.offset;
        }
        return fail(offset, "subroutine l" + std::to_string(start) + " calls itself");
      }
      if (seen.insert(at).second) stack.insert(stack.end(), calls[at].begin(), calls[at].end());
    }
  }
  return true;
}

// Nesting depth of flow control at instruction `at` counted from `begin`.
int StageTranslator::depth_at(std::size_t begin, std::size_t at) const {
  int depth = 0;
  for (std::size_t i = begin; i < at; ++i) {
    const std::uint16_t op = p_.instructions[i].opcode;
    if (op == kIf || op == kIfc || op == kLoopOp || op == kRep) ++depth;
    if (op == kEndif || op == kEndloop || op == kEndrep) --depth;
  }
  return depth;
}

void StageTranslator::use(std::uint8_t type, std::uint32_t index) { used_.insert({type, index}); }

std::string StageTranslator::index_expr(const Register& r, std::int64_t extra) {
  std::string base =
      r.relative_type == kLoop ? "aL" : std::string("a0.") + kComponents[r.relative_component & 3];
  if (r.relative_type == kLoop)
    use(kLoop, 0);
  else
    use(kAddr, 0);
  return "(" + base + " + " + std::to_string(r.index + extra) + ")";
}

// Name of a register as a GLSL variable (no relative addressing).
std::string StageTranslator::name(std::uint8_t type, std::uint32_t index) {
  const std::string n = std::to_string(index);
  switch (type) {
    case kTemp:
      return "r" + n;
    case kInput:
      return "v" + n;
    case kAddr:
      return v_.is_pixel() ? "t" + n : "a0";
    case kRastOut:
      return index == 0 ? "oPos" : index == 1 ? "oFog" : "oPts";
    case kAttrOut:
      return "oD" + n;
    case kOutput:
      return v_.is_3() ? "o" + n : "oT" + n;
    case kColorOut:
      return "oC" + n;
    case kDepthOut:
      return "oDepth";
    case kLoop:
      return "aL";
    case kMiscType:
      return index == 0 ? "vPos" : "vFace";
    case kPredicate:
      return "p0";
    default:
      return "";
  }
}

bool StageTranslator::read(const Register& r, std::int64_t extra, std::uint32_t offset,
                           std::string& expr) {
  if (r.index + extra >= register_count(v_, r.type)) {
    return fail(offset, "register range runs past the register file");
  }
  const std::string n = std::to_string(r.index + extra);
  const std::string& pre = out_.prefix;
  switch (r.type) {
    case kConst:
      if (r.relative) {
        const_relative_ = true;
        expr = "bw_c_at" + index_expr(r, extra);
      } else if (float_defs_.count(r.index + extra)) {
        expr = pre + "_d" + n;
      } else {
        out_.constant_count = std::max<std::uint32_t>(out_.constant_count, r.index + extra + 1);
        expr = pre + "_c[" + n + "]";
      }
      return true;
    case kConstInt:
      expr = "vec4(" + int_const(r.index) + ")";
      return true;
    case kConstBool:
      expr = "vec4(float(" + bool_const(r.index) + "))";
      return true;
    case kLoop:
      use(kLoop, 0);
      expr = "vec4(float(aL))";
      return true;
    case kPredicate:
      use(kPredicate, 0);
      expr = "vec4(p0)";
      return true;
    case kAddr:
      if (!v_.is_pixel()) {
        use(kAddr, 0);
        expr = "vec4(a0)";
        return true;
      }
      break;
    case kMiscType:
      if (r.index == 0)
        out_.reads_vpos = true;
      else
        out_.reads_vface = true;
      break;
    case kInput:
      if (r.relative) {
        input_relative_ = true;
        expr = "bw_v_at" + index_expr(r, extra);
        return true;
      }
      break;
    case kSampler:
    case kLabel:
      return fail(offset, "a sampler or label is not a value");
    default:
      break;
  }
  if (r.relative) return fail(offset, "relative addressing of this register is not supported");
  use(r.type, r.index + static_cast<std::uint32_t>(extra));
  expr = name(r.type, r.index + static_cast<std::uint32_t>(extra));
  return !expr.empty() ||
         fail(offset, "register type " + std::to_string(r.type) + " cannot be read");
}

std::string StageTranslator::int_const(std::uint32_t index) {
  const auto def = int_defs_.find(index);
  if (def == int_defs_.end()) {
    out_.int_uniforms = true;
    return out_.prefix + "_i[" + std::to_string(index) + "]";
  }
  std::string text = "ivec4(";
  for (int i = 0; i < 4; ++i) {
    text += std::to_string(static_cast<std::int32_t>(def->second[i])) + (i < 3 ? ", " : ")");
  }
  return text;
}

std::string StageTranslator::bool_const(std::uint32_t index) {
  const auto def = bool_defs_.find(index);
  if (def != bool_defs_.end()) return def->second ? "true" : "false";
  out_.bool_uniforms = true;
  return "(" + out_.prefix + "_b[" + std::to_string(index) + "] != 0)";
}

// vec4 value of a source: register, swizzle, modifier. `extra` offsets the register
// (matrix rows).
bool StageTranslator::source(const Instruction& ins, int which, std::string& expr,
                             std::int64_t extra) {
  const Source& s = ins.sources[which];
  std::string reg;
  if (!read(s.reg, extra, ins.offset, reg)) return false;
  std::string x = reg;
  if (s.swizzle != 0xE4) {
    x += ".";
    for (int i = 0; i < 4; ++i) x += kComponents[swizzle_at(s.swizzle, i)];
  }
  switch (s.modifier) {
    case SourceModifier::neg:
      expr = "(-" + x + ")";
      break;
    case SourceModifier::bias:
      expr = "(" + x + " - 0.5)";
      break;
    case SourceModifier::bias_neg:
      expr = "(0.5 - " + x + ")";
      break;
    case SourceModifier::sign:
      expr = "(2.0 * " + x + " - 1.0)";
      break;
    case SourceModifier::sign_neg:
      expr = "(1.0 - 2.0 * " + x + ")";
      break;
    case SourceModifier::comp:
      expr = "(1.0 - " + x + ")";
      break;
    case SourceModifier::x2:
      expr = "(2.0 * " + x + ")";
      break;
    case SourceModifier::x2_neg:
      expr = "(-2.0 * " + x + ")";
      break;
    case SourceModifier::dz:
      expr = "(" + x + " / " + x + ".z)";
      break;
    case SourceModifier::dw:
      expr = "(" + x + " / " + x + ".w)";
      break;
    case SourceModifier::abs:
      expr = "abs(" + x + ")";
      break;
    case SourceModifier::abs_neg:
      expr = "(-abs(" + x + "))";
      break;
    default:
      expr = x;
      break;
  }
  return true;
}

bool StageTranslator::scalar(const Instruction& ins, int which, std::string& expr) {
  if (!source(ins, which, expr)) return false;
  expr = "(" + expr + ").x";
  return true;
}

// Boolean condition of a b# or p0 source (if, callnz, breakp).
bool StageTranslator::condition(const Instruction& ins, const Source& s, std::string& expr) {
  if (s.reg.type == kConstBool) {
    expr = bool_const(s.reg.index);
  } else if (s.reg.type == kPredicate) {
    use(kPredicate, 0);
    expr = std::string("p0.") + kComponents[swizzle_at(s.swizzle, 0)];
  } else {
    return fail(ins.offset, "condition must be a b# or p0 register");
  }
  if (s.modifier == SourceModifier::not_) expr = "!" + expr;
  return true;
}

void StageTranslator::line(const std::string& text) {
  body_.append(2 * static_cast<std::size_t>(indent_), ' ');
  body_ += text;
  body_ += '\n';
}

std::string StageTranslator::predicate_vector(const Instruction& ins) {
  use(kPredicate, 0);
  std::string p = "p0";
  if (ins.predicate.swizzle != 0xE4) {
    p += ".";
    for (int i = 0; i < 4; ++i) p += kComponents[swizzle_at(ins.predicate.swizzle, i)];
  }
  return ins.predicate.modifier == SourceModifier::not_ ? "not(" + p + ")" : p;
}

// Writes the vec4 `value` (or ivec4 / bvec4 for a0 / p0) to the destination.
bool StageTranslator::write(const Instruction& ins, std::string value, std::uint8_t produced) {
  Dest d = ins.dest;
  d.mask &= produced;
  if (d.mask == 0) return true;
  const std::string m = mask_letters(d.mask);
  const bool float_target = d.reg.type != kAddr || v_.is_pixel();
  const bool vector_target = float_target && d.reg.type != kPredicate;
  if ((d.modifiers & bit(DestModifier::saturate)) && vector_target)
    value = "clamp(" + value + ", 0.0, 1.0)";
  if (d.reg.type == kAddr && !v_.is_pixel()) use(kAddr, 0);
  std::vector<std::string> targets;
  if (d.reg.relative) {
    if (d.reg.type != kOutput) return fail(ins.offset, "relative destination is not supported");
    for (std::uint32_t i = 0; i < register_count(v_, kOutput); ++i)
      targets.push_back(name(kOutput, i));
  } else {
    if (d.reg.index >= register_count(v_, d.reg.type)) {
      return fail(ins.offset, "destination register is out of range");
    }
    const std::string n = name(d.reg.type, d.reg.index);
    if (n.empty() || d.reg.type == kInput || d.reg.type == kMiscType) {
      return fail(ins.offset, "register type " + std::to_string(d.reg.type) + " cannot be written");
    }
    if (d.reg.type == kTexture && v_.is_pixel())
      return fail(ins.offset, "t# registers are read-only");
    targets.push_back(n);
    note_write(d.reg.type, d.reg.index);
  }
  std::vector<std::string> statements;
  for (const std::string& target : targets) {
    std::string s;
    if (!ins.predicated) {
      s = target + (d.mask == 0xF ? "" : "." + m) + " = (" + value + ")" +
          (d.mask == 0xF ? "" : "." + m) + ";";
      if (d.mask == 0xF) s = target + " = " + value + ";";
    } else if (vector_target) {
      s = target + "." + m + " = mix(" + target + "." + m + ", (" + value + ")." + m + ", (" +
          predicate_vector(ins) + ")." + m + ");";
    } else {
      const std::string p = predicate_vector(ins);
      for (char c : m) {
        s += std::string("if ((") + p + ")." + c + ") " + target + "." + c + " = (" + value + ")." +
             c + "; ";
      }
    }
    statements.push_back(s);
  }
  if (!d.reg.relative) {
    line(statements[0]);
    return true;
  }
  use(kLoop, 0);
  line("{");
  ++indent_;
  line("int bw_i = aL + " + std::to_string(d.reg.index) + ";");
  for (std::size_t i = 0; i < statements.size(); ++i) {
    note_write(kOutput, static_cast<std::uint32_t>(i));
    line((i ? "else if (bw_i == " : "if (bw_i == ") + std::to_string(i) + ") " + statements[i]);
  }
  --indent_;
  line("}");
  return true;
}

void StageTranslator::note_write(std::uint8_t type, std::uint32_t index) {
  use(type, index);
  if (type == kColorOut) out_.color_outputs.insert(index);
  if (type == kDepthOut) out_.depth_output = true;
  if (v_.is_pixel() || v_.is_3()) return;
  // Shader model 2 vertex outputs carry a fixed usage.
  Io io;
  io.type = type;
  io.index = index;
  if (type == kRastOut) {
    io.usage = index == 0 ? 0 : index == 1 ? 11 : 4;  // position, fog, psize
  } else if (type == kAttrOut) {
    io.usage = 10;
    io.usage_index = index;
  } else if (type == kOutput) {
    io.usage = 5;
    io.usage_index = index;
  } else {
    return;
  }
  for (const Io& known : out_.outputs) {
    if (known.type == type && known.index == index) return;
  }
  out_.outputs.push_back(io);
}

void StageTranslator::emit_globals() {
  std::string& g = out_.globals;
  const std::string& pre = out_.prefix;
  for (const auto& [index, bits] : float_defs_) {
    const std::string value = "vec4(" + float_literal(bits[0]) + ", " + float_literal(bits[1]) +
                              ", " + float_literal(bits[2]) + ", " + float_literal(bits[3]) + ")";
    const std::string n = pre + "_d" + std::to_string(index);
    if (std::all_of(bits.begin(), bits.end(), finite_bits)) {
      g += "const vec4 " + n + " = " + value + ";\n";
    } else {
      // Bit patterns are not constant expressions in GLSL 3.30: set them first thing.
      g += "vec4 " + n + ";\n";
      out_.init += "  " + n + " = " + value + ";\n";
    }
  }
  if (const_relative_) out_.constant_count = register_count(v_, kConst);
  for (const auto& [type, index] : used_) {
    const std::string n = name(type, index);
    if (type == kAddr && !v_.is_pixel()) {
      g += "ivec4 a0 = ivec4(0);\n";
    } else if (type == kLoop) {
      g += "int aL = 0;\n";
    } else if (type == kPredicate) {
      g += "bvec4 p0 = bvec4(false);\n";
    } else if (!n.empty()) {
      g += "vec4 " + n + " = vec4(0.0);\n";
    }
  }
}

void StageTranslator::emit_helpers() {
  std::string& h = out_.helpers;
  h += "const float BW_FLT_MAX = 3.40282347e+38;\n";
  for (const HelperText& helper : kHelpers) {
    if (helpers_.count(helper.name)) h += helper.text;
  }
  const std::string& pre = out_.prefix;
  if (const_relative_) {
    // Direct3D 9 reads (0, 0, 0, 0) outside the register file; def values win.
    h += "vec4 bw_c_at(int i) {\n  if (i < 0 || i >= " + std::to_string(out_.constant_count) +
         ") return vec4(0.0);\n";
    for (const auto& [index, bits] : float_defs_) {
      h += "  if (i == " + std::to_string(index) + ") return " + pre + "_d" +
           std::to_string(index) + ";\n";
    }
    h += "  return " + pre + "_c[i];\n}\n";
  }
  if (input_relative_) {
    h += "vec4 bw_v_at(int i) {\n";
    for (const auto& [type, index] : used_) {
      if (type == kInput) {
        h += "  if (i == " + std::to_string(index) + ") return v" + std::to_string(index) + ";\n";
      }
    }
    h += "  return vec4(0.0);\n}\n";
  }
  h += prototypes_;
}

bool translate_stage(const Program& program, StageCode& out, std::string& error) {
  return StageTranslator(program, out, error).run();
}

std::string varying_name(std::uint32_t usage, std::uint32_t usage_index) {
  return "bw_" + std::string(kUsageNames[usage < kUsageNames.size() ? usage : 0]) +
         std::to_string(usage_index);
}

}  // namespace bw::bytecode::glsl_detail
