// One case per instruction: each computes a whole vec4 from its swizzled sources and hands
// it to write(), which applies the write mask, saturation and predication.
#include <algorithm>

#include "bytecode/glsl_translator.h"

namespace bw::bytecode::glsl_detail {

void StageTranslator::need(const char* helper) {
  helpers_.insert(helper);
  if (std::string(helper) == "bw_lit") helpers_.insert("bw_pow");
}

bool StageTranslator::emit_function(const Function& f) {
  body_.clear();
  indent_ = 1;
  std::vector<std::uint16_t> blocks;  // kIf, kElse, kLoopOp, kRep
  int loops = 0;
  for (std::size_t i = f.begin; i < f.end; ++i) {
    const Instruction& ins = p_.instructions[i];
    if (!emit(ins, blocks, loops)) return false;
  }
  if (!blocks.empty()) return fail(f.offset, "a flow-control block is not closed");
  const std::string name = f.label < 0 ? "bw_main" : "bw_l" + std::to_string(f.label);
  out_.functions += "void " + name + "() {\n" + body_ + "}\n";
  prototypes_ += "void " + name + "();\n";
  return true;
}

bool StageTranslator::emit(const Instruction& ins, std::vector<std::uint16_t>& blocks, int& loops) {
  std::string a, b, c, d;
  auto src = [&](int which, std::string& e) { return source(ins, which, e); };
  auto scl = [&](int which, std::string& e) { return scalar(ins, which, e); };
  switch (ins.opcode) {
    case kNop:
    case kDcl:
    case kDef:
    case kDefi:
    case kDefb:
      return true;
    case kMov:
      if (!src(0, a)) return false;
      if (ins.dest.reg.type == kAddr && !v_.is_pixel())
        return write(ins, "ivec4(floor(" + a + "))");
      return write(ins, a);
    case kAdd:
      return src(0, a) && src(1, b) && write(ins, a + " + " + b);
    case kSub:
      return src(0, a) && src(1, b) && write(ins, a + " - " + b);
    case kMul:
      return src(0, a) && src(1, b) && write(ins, a + " * " + b);
    case kMad:
      return src(0, a) && src(1, b) && src(2, c) && write(ins, a + " * " + b + " + " + c);
    case kRcp:
      need("bw_rcp");
      return scl(0, a) && write(ins, "vec4(bw_rcp(" + a + "))");
    case kRsq:
      need("bw_rsq");
      return scl(0, a) && write(ins, "vec4(bw_rsq(" + a + "))");
    case kLog:
    case kLogp:
      need("bw_log");
      return scl(0, a) && write(ins, "vec4(bw_log(" + a + "))");
    case kExp:
    case kExpp:
      return scl(0, a) && write(ins, "vec4(exp2(" + a + "))");
    case kPow:
      need("bw_pow");
      return scl(0, a) && scl(1, b) && write(ins, "vec4(bw_pow(" + a + ", " + b + "))");
    case kDp3:
      return src(0, a) && src(1, b) && write(ins, "vec4(dot((" + a + ").xyz, (" + b + ").xyz))");
    case kDp4:
      return src(0, a) && src(1, b) && write(ins, "vec4(dot(" + a + ", " + b + "))");
    case kMin:
      return src(0, a) && src(1, b) && write(ins, "min(" + a + ", " + b + ")");
    case kMax:
      return src(0, a) && src(1, b) && write(ins, "max(" + a + ", " + b + ")");
    case kSlt:
      return src(0, a) && src(1, b) && write(ins, "vec4(lessThan(" + a + ", " + b + "))");
    case kSge:
      return src(0, a) && src(1, b) && write(ins, "vec4(greaterThanEqual(" + a + ", " + b + "))");
    case kLit:
      need("bw_lit");
      return src(0, a) && write(ins, "bw_lit(" + a + ")");
    case kDst:
      return src(0, a) && src(1, b) &&
             write(ins, "vec4(1.0, (" + a + ").y * (" + b + ").y, (" + a + ").z, (" + b + ").w)");
    case kLrp:
      return src(0, a) && src(1, b) && src(2, c) &&
             write(ins, a + " * (" + b + " - " + c + ") + " + c);
    case kFrc:
      return src(0, a) && write(ins, "fract(" + a + ")");
    case kM4x4:
    case kM4x3:
    case kM3x4:
    case kM3x3:
    case kM3x2:
      return matrix(ins);
    case kCrs:
      return src(0, a) && src(1, b) &&
             write(ins, "vec4(cross((" + a + ").xyz, (" + b + ").xyz), 0.0)", 0x7);
    case kSgn:
      return src(0, a) && write(ins, "sign(" + a + ")");
    case kAbs:
      return src(0, a) && write(ins, "abs(" + a + ")");
    case kNrm:
      need("bw_nrm");
      return src(0, a) && write(ins, "bw_nrm(" + a + ")");
    case kSincos:
      return scl(0, a) && write(ins, "vec4(cos(" + a + "), sin(" + a + "), 0.0, 0.0)", 0x3);
    case kMova:
      need("bw_mova");
      return src(0, a) && write(ins, "bw_mova(" + a + ")");
    case kCmp:
      return src(0, a) && src(1, b) && src(2, c) &&
             write(ins, "mix(" + c + ", " + b + ", greaterThanEqual(" + a + ", vec4(0.0)))");
    case kDp2add:
      return src(0, a) && src(1, b) && scl(2, c) &&
             write(ins, "vec4(dot((" + a + ").xy, (" + b + ").xy) + " + c + ")");
    case kDsx:
      return src(0, a) && write(ins, "dFdx(" + a + ")");
    case kDsy:
      out_.uses_frag_y = true;
      return src(0, a) && write(ins, "dFdy(" + a + ") * bw_frag_position.y");
    case kSetp: {
      if (ins.dest.reg.type != kPredicate) return fail(ins.offset, "setp writes p0 only");
      static const char* const kFns[] = {
          "", "greaterThan", "equal", "greaterThanEqual", "lessThan", "notEqual", "lessThanEqual"};
      return src(0, a) && src(1, b) &&
             write(ins, std::string(kFns[ins.control]) + "(" + a + ", " + b + ")");
    }
    case kTexkill: {
      std::string x;
      if (!read(ins.dest.reg, 0, ins.offset, x)) return false;
      // Only x, y and z decide; a negative w alone keeps the pixel.
      line("if (any(lessThan((" + x + ").xyz, vec3(0.0)))) discard;");
      return true;
    }
    case kTexld:
    case kTexldl:
    case kTexldd:
      return texture(ins);
    case kIf: {
      if (!condition(ins, ins.sources[0], a)) return false;
      line("if (" + a + ") {");
      ++indent_;
      blocks.push_back(kIf);
      return true;
    }
    case kIfc:
      if (!compare(ins, a)) return false;
      line("if (" + a + ") {");
      ++indent_;
      blocks.push_back(kIf);
      return true;
    case kElse:
      if (blocks.empty() || blocks.back() != kIf) return fail(ins.offset, "else without if");
      blocks.back() = kElse;
      --indent_;
      line("} else {");
      ++indent_;
      return true;
    case kEndif:
      if (blocks.empty() || (blocks.back() != kIf && blocks.back() != kElse)) {
        return fail(ins.offset, "endif without if");
      }
      blocks.pop_back();
      --indent_;
      line("}");
      return true;
    case kLoopOp: {
      if (ins.sources[0].reg.type != kLoop || ins.sources[1].reg.type != kConstInt) {
        return fail(ins.offset, "loop takes aL and an i# register");
      }
      if (!loop_depth_ok(ins, blocks)) return false;
      use(kLoop, 0);
      const std::string n = std::to_string(++loops);
      line("{");
      ++indent_;
      line("ivec4 bw_loop" + n + " = " + int_const(ins.sources[1].reg.index) + ";");
      line("int bw_saved" + n + " = aL;");
      line("aL = bw_loop" + n + ".y;");
      line("for (int bw_k" + n + " = 0; bw_k" + n + " < clamp(bw_loop" + n + ".x, 0, 255); ++bw_k" +
           n + ") {");
      ++indent_;
      blocks.push_back(kLoopOp);
      loop_ids_.push_back(n);
      return true;
    }
    case kEndloop: {
      if (blocks.empty() || blocks.back() != kLoopOp)
        return fail(ins.offset, "endloop without loop");
      blocks.pop_back();
      const std::string n = loop_ids_.back();
      loop_ids_.pop_back();
      line("aL += bw_loop" + n + ".z;");
      --indent_;
      line("}");
      line("aL = bw_saved" + n + ";");
      --indent_;
      line("}");
      return true;
    }
    case kRep: {
      if (ins.sources[0].reg.type != kConstInt) return fail(ins.offset, "rep takes an i# register");
      if (!loop_depth_ok(ins, blocks)) return false;
      const std::string n = std::to_string(++loops);
      line("for (int bw_k" + n + " = 0; bw_k" + n + " < clamp(" +
           int_const(ins.sources[0].reg.index) + ".x, 0, 255); ++bw_k" + n + ") {");
      ++indent_;
      blocks.push_back(kRep);
      return true;
    }
    case kEndrep:
      if (blocks.empty() || blocks.back() != kRep) return fail(ins.offset, "endrep without rep");
      blocks.pop_back();
      --indent_;
      line("}");
      return true;
    case kBreak:
    case kBreakc:
    case kBreakp: {
      const bool in_loop = std::any_of(blocks.begin(), blocks.end(),
                                       [](std::uint16_t k) { return k == kLoopOp || k == kRep; });
      if (!in_loop) return fail(ins.offset, "break outside a loop");
      // A loop's own restore of aL lives after its closing brace, so break is safe.
      if (ins.opcode == kBreak) {
        line("break;");
      } else if (ins.opcode == kBreakc) {
        if (!compare(ins, a)) return false;
        line("if (" + a + ") break;");
      } else {
        if (!condition(ins, ins.sources[0], a)) return false;
        line("if (" + a + ") break;");
      }
      return true;
    }
    case kCall:
      line("bw_l" + std::to_string(ins.sources[0].reg.index) + "();");
      return true;
    case kCallnz:
      if (!condition(ins, ins.sources[1], a)) return false;
      line("if (" + a + ") bw_l" + std::to_string(ins.sources[0].reg.index) + "();");
      return true;
    case kRet:
      if (!blocks.empty()) line("return;");
      return true;
    default:
      return fail(ins.offset, "opcode " + std::to_string(ins.opcode) + " is not supported");
  }
}

bool StageTranslator::loop_depth_ok(const Instruction& ins,
                                    const std::vector<std::uint16_t>& blocks) {
  // Direct3D 9 nests loop and rep at most four deep; with each count clamped to 255 this
  // also bounds the work of one invocation.
  const auto depth = std::count_if(blocks.begin(), blocks.end(),
                                   [](std::uint16_t k) { return k == kLoopOp || k == kRep; });
  if (depth < kMaxLoopNesting) return true;
  return fail(ins.offset, "loop and rep nest deeper than 4");
}

bool StageTranslator::compare(const Instruction& ins, std::string& expr) {
  static const char* const kOps[] = {"", " > ", " == ", " >= ", " < ", " != ", " <= "};
  std::string a, b;
  if (!scalar(ins, 0, a) || !scalar(ins, 1, b)) return false;
  expr = a + kOps[ins.control] + b;
  return true;
}

bool StageTranslator::matrix(const Instruction& ins) {
  int rows = 0;
  bool four = false;
  switch (ins.opcode) {
    case kM4x4:
      rows = 4;
      four = true;
      break;
    case kM4x3:
      rows = 3;
      four = true;
      break;
    case kM3x4:
      rows = 4;
      break;
    case kM3x3:
      rows = 3;
      break;
    default:
      rows = 2;
      break;
  }
  std::string a;
  if (!source(ins, 0, a)) return false;
  std::string value = "vec4(";
  for (int row = 0; row < 4; ++row) {
    if (row >= rows) {
      value += "0.0";
    } else {
      std::string m;
      if (!source(ins, 1, m, row)) return false;
      value += four ? "dot(" + a + ", " + m + ")" : "dot((" + a + ").xyz, (" + m + ").xyz)";
    }
    value += row < 3 ? ", " : ")";
  }
  return write(ins, value, static_cast<std::uint8_t>((1u << rows) - 1));
}

bool StageTranslator::texture(const Instruction& ins) {
  const Source& sampler = ins.sources[1];
  if (sampler.reg.type != kSampler || sampler.reg.relative) {
    return fail(ins.offset, "texture instructions take an s# register as their second source");
  }
  const auto declared = out_.samplers.find(sampler.reg.index);
  const SamplerType type =
      declared == out_.samplers.end() ? SamplerType::two_d : declared->second;
  out_.samplers[sampler.reg.index] = type;
  const std::string s = out_.prefix + "_s" + std::to_string(sampler.reg.index);
  const std::string swz = type == SamplerType::two_d ? ".xy" : ".xyz";
  std::string coord, sample;
  if (!source(ins, 0, coord)) return false;
  if (ins.opcode == kTexldl) {
    sample = "textureLod(" + s + ", (" + coord + ")" + swz + ", (" + coord + ").w)";
  } else if (ins.opcode == kTexldd) {
    std::string dx, dy;
    if (!source(ins, 2, dx) || !source(ins, 3, dy)) return false;
    sample = "textureGrad(" + s + ", (" + coord + ")" + swz + ", (" + dx + ")" + swz + ", (" + dy +
             ")" + swz + ")";
  } else if (ins.texld_control() == TexldControl::project) {
    sample = type == SamplerType::cube
                 ? "texture(" + s + ", (" + coord + ").xyz / (" + coord + ").w)"
                 : "textureProj(" + s + ", " + coord + ")";
  } else if (ins.texld_control() == TexldControl::bias) {
    sample = "texture(" + s + ", (" + coord + ")" + swz + ", (" + coord + ").w)";
  } else {
    sample = "texture(" + s + ", (" + coord + ")" + swz + ")";
  }
  if (!v_.is_pixel() && ins.opcode != kTexldl) {
    return fail(ins.offset, "vertex programs sample with texldl only");
  }
  if (sampler.swizzle != 0xE4) {
    sample = "(" + sample + ").";
    for (int i = 0; i < 4; ++i) sample += kComponents[swizzle_at(sampler.swizzle, i)];
  }
  return write(ins, sample);
}

}  // namespace bw::bytecode::glsl_detail
