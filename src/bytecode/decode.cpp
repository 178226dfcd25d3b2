// Decoder of Direct3D 9 token streams.
//
// Token layout (shader models 2.0 and later):
//   version    0xFFFE0000 | major << 8 | minor (vertex), 0xFFFF.... (pixel); 2.x is minor 1
//   comment    0xFFFE | size << 16 (bits 16..30), followed by `size` tokens to skip
//   end        0x0000FFFF
//   instruction  bits 0..15 opcode, 16..23 control, 24..27 number of tokens that follow,
//                28 predicated, 29..31 zero; then [declaration token] [destination]
//                [predicate source] [sources] [literal tokens]
//   parameter    bit 31 set, bits 0..10 register number, bits 28..30 and 11..12 register
//                type, bit 13 relative (an address token follows); destination: 16..19
//                write mask, 20..23 modifiers, 24..27 shift (zero here); source: 16..23
//                swizzle, 24..27 modifier.
#include "bytecode/decode.h"

namespace bw::bytecode {
namespace {

class Decoder {
 public:
  Decoder(std::span<const std::uint32_t> tokens, std::string& error)
      : tokens_(tokens), error_(error) {}

  std::optional<Program> run() {
    if (tokens_.empty()) return fail(0, "the stream is empty");
    const std::uint32_t version = tokens_[0];
    const std::uint32_t kind = version >> 16;
    if (kind != 0xFFFE && kind != 0xFFFF) return fail(0, "not a version token");
    program_.version.stage = kind == 0xFFFF ? Stage::pixel : Stage::vertex;
    program_.version.major = static_cast<std::uint8_t>((version >> 8) & 0xFF);
    program_.version.minor = static_cast<std::uint8_t>(version & 0xFF);
    if (version_bit(program_.version) == 0) {
      return fail(0, "unsupported version " + std::to_string(program_.version.major) + "." +
                         std::to_string(program_.version.minor));
    }
    std::size_t pos = 1;
    while (pos < tokens_.size()) {
      const std::uint32_t token = tokens_[pos];
      const std::uint16_t opcode = token & 0xFFFF;
      if (opcode == kEnd) {
        if (token != 0x0000FFFF) return fail(pos, "damaged end token");
        return std::move(program_);
      }
      if (opcode == kComment) {
        if (token & 0x80000000u) return fail(pos, "damaged comment token");
        const std::size_t size = (token >> 16) & 0x7FFF;
        if (size > tokens_.size() - pos - 1) return fail(pos, "comment runs past the end");
        pos += 1 + size;
        continue;
      }
      if (!instruction(pos)) return std::nullopt;
    }
    return fail(tokens_.size(), "the stream has no end token");
  }

 private:
  std::nullopt_t fail(std::size_t at, const std::string& what) {
    error_ = "token " + std::to_string(at) + ": " + what;
    return std::nullopt;
  }

  // Reads the next token of the current instruction, within its stated length.
  bool next(std::uint32_t& token) {
    if (cursor_ >= limit_) {
      fail(start_, "instruction is longer than its length field says");
      return false;
    }
    token = tokens_[cursor_++];
    return true;
  }

  bool reg(std::uint32_t token, Register& r, const char* role) {
    if (!(token & 0x80000000u)) {
      fail(cursor_ - 1, std::string(role) + " token lacks bit 31");
      return false;
    }
    if (token & 0x0000C000u) {
      fail(cursor_ - 1, std::string(role) + " token has reserved bits set");
      return false;
    }
    r.type = static_cast<std::uint8_t>(((token >> 28) & 7) | ((token >> 8) & 0x18));
    r.index = token & 0x7FF;
    const std::uint32_t count = register_count(program_.version, r.type);
    if (r.index >= count) {
      fail(cursor_ - 1, std::string(role) + " register type " + std::to_string(r.type) + " index " +
                            std::to_string(r.index) + " is out of range");
      return false;
    }
    r.relative = (token >> 13) & 1;
    if (!r.relative) return true;
    const std::size_t where = cursor_ - 1;
    std::uint32_t address = 0;
    if (!next(address)) return false;
    const auto type = static_cast<std::uint8_t>(((address >> 28) & 7) | ((address >> 8) & 0x18));
    const bool vs = !program_.version.is_pixel();
    const bool via_a0 = type == kAddr && vs;
    const bool via_al = type == kLoop && register_count(program_.version, kLoop) > 0;
    if (!(address & 0x80000000u) || (address & 0x7FF) != 0 || !(via_a0 || via_al)) {
      fail(where, "bad relative address token");
      return false;
    }
    const bool allowed = r.type == kConst || (program_.version.is_3() && via_al &&
                                              (r.type == kInput || r.type == kOutput));
    if (!allowed) {
      fail(where, "register type " + std::to_string(r.type) + " cannot be addressed relatively");
      return false;
    }
    r.relative_type = type;
    r.relative_component = static_cast<std::uint8_t>((address >> 16) & 3);
    return true;
  }

  bool dest(Dest& d) {
    std::uint32_t token = 0;
    if (!next(token) || !reg(token, d.reg, "destination")) return false;
    d.mask = static_cast<std::uint8_t>((token >> 16) & 0xF);
    d.modifiers = static_cast<std::uint8_t>((token >> 20) & 0xF);
    if ((token >> 24) & 0xF) {
      fail(cursor_ - 1, "result shift is not allowed from shader model 2.0");
      return false;
    }
    if (d.modifiers & 8) {
      fail(cursor_ - 1, "unknown destination modifier");
      return false;
    }
    return true;
  }

  bool source(Source& s) {
    std::uint32_t token = 0;
    if (!next(token)) return false;
    const std::size_t where = cursor_ - 1;
    if (!reg(token, s.reg, "source")) return false;
    s.swizzle = static_cast<std::uint8_t>((token >> 16) & 0xFF);
    const auto modifier = static_cast<std::uint8_t>((token >> 24) & 0xF);
    if (modifier > static_cast<std::uint8_t>(SourceModifier::not_)) {
      fail(where, "unknown source modifier " + std::to_string(modifier));
      return false;
    }
    s.modifier = static_cast<SourceModifier>(modifier);
    return true;
  }

  bool instruction(std::size_t& pos) {
    const std::uint32_t token = tokens_[pos];
    Instruction ins;
    ins.opcode = token & 0xFFFF;
    ins.offset = static_cast<std::uint32_t>(pos);
    const OpcodeInfo* info = opcode_info(ins.opcode);
    if (!info) return fail(pos, "unknown opcode " + std::to_string(ins.opcode)), false;
    if (!(info->versions & version_bit(program_.version))) {
      return fail(pos, std::string(info->name) + " is not allowed in this version"), false;
    }
    if (token & 0xE0000000u) return fail(pos, "reserved instruction bits set"), false;
    const std::size_t length = (token >> 24) & 0xF;
    if (length > tokens_.size() - pos - 1) {
      return fail(pos, "instruction runs past the end"), false;
    }
    start_ = pos;
    cursor_ = pos + 1;
    limit_ = pos + 1 + length;
    ins.control = static_cast<std::uint8_t>((token >> 16) & 0xFF);
    ins.predicated = (token >> 28) & 1;
    if (!controls_ok(ins)) return false;
    if (ins.predicated && register_count(program_.version, kPredicate) == 0) {
      return fail(pos, "predication is not allowed in this version"), false;
    }

    if (ins.opcode == kDcl) {
      if (!next(ins.declaration)) return false;
      if (!(ins.declaration & 0x80000000u)) {
        return fail(cursor_ - 1, "declaration token lacks bit 31"), false;
      }
      ins.has_dest = true;
      if (!dest(ins.dest)) return false;
      if (ins.dest.reg.type == kSampler) {
        const std::uint32_t type = dcl_sampler_type(ins.declaration);
        if (type < static_cast<std::uint32_t>(SamplerType::two_d) ||
            type > static_cast<std::uint32_t>(SamplerType::volume)) {
          return fail(pos, "unknown sampler type " + std::to_string(type)), false;
        }
      } else if (dcl_usage(ins.declaration) >= kUsageNames.size()) {
        return fail(pos, "unknown usage " + std::to_string(dcl_usage(ins.declaration))), false;
      }
    } else if (ins.opcode == kDef || ins.opcode == kDefi || ins.opcode == kDefb) {
      ins.has_dest = true;
      if (!dest(ins.dest)) return false;
      const std::uint8_t want = ins.opcode == kDef    ? kConst
                                : ins.opcode == kDefi ? kConstInt
                                                      : kConstBool;
      if (ins.dest.reg.type != want || ins.dest.reg.relative) {
        return fail(pos, std::string(info->name) + " names the wrong register file"), false;
      }
      const int count = ins.opcode == kDefb ? 1 : 4;
      for (int i = 0; i < count; ++i) {
        if (!next(ins.literal[i])) return false;
      }
    } else {
      ins.has_dest = info->dests > 0;
      if (ins.has_dest && !dest(ins.dest)) return false;
      if (ins.predicated) {
        if (!source(ins.predicate)) return false;
        if (ins.predicate.reg.type != kPredicate) {
          return fail(pos, "predicate is not p0"), false;
        }
      }
      ins.source_count = source_count(ins.opcode, program_.version);
      for (int i = 0; i < ins.source_count; ++i) {
        if (!source(ins.sources[i])) return false;
      }
    }
    if (cursor_ != limit_) {
      return fail(pos, "length field says " + std::to_string(length) +
                           " tokens, the operands take " + std::to_string(cursor_ - pos - 1)),
             false;
    }
    program_.instructions.push_back(ins);
    pos = limit_;
    return true;
  }

  bool controls_ok(const Instruction& ins) {
    switch (ins.opcode) {
      case kIfc:
      case kBreakc:
      case kSetp:
        if (ins.comparison() >= Comparison::gt && ins.comparison() <= Comparison::le) return true;
        return fail(ins.offset, "bad comparison " + std::to_string(ins.control)), false;
      case kTexld:
        if (ins.texld_control() <= TexldControl::bias) return true;
        return fail(ins.offset, "bad texld variant " + std::to_string(ins.control)), false;
      default:
        if (ins.control == 0) return true;
        return fail(ins.offset, "unexpected control bits"), false;
    }
  }

  std::span<const std::uint32_t> tokens_;
  std::string& error_;
  Program program_;
  std::size_t start_ = 0, cursor_ = 0, limit_ = 0;
};

}  // namespace

std::optional<Program> decode(std::span<const std::uint32_t> tokens, std::string& error) {
  return Decoder(tokens, error).run();
}

}  // namespace bw::bytecode
