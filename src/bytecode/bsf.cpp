// Reader and writer of the .bsf effect image.
//
// Layout, all integers unsigned 32-bit little-endian, fields back to back:
//
//   OFFSET  SIZE                      DESCRIPTION
//   0       4                         magic "VLS1" (0x31534C56)
//   4       4                         vs_constant_count
//   8       72 * vs_constant_count    constant records
//   .       4                         vs_sampler_count
//   .       68 * vs_sampler_count     sampler records
//   .       4                         vs_code_size (bytes)
//   .       vs_code_size              vertex shader token stream
//   .       4, 72*n, 4, 68*n, 4, size the same four fields and code for the pixel shader
//
//   Constant record (72 bytes): name[64] NUL-terminated, last (u32, 0..3), register (u32).
//   Sampler record (68 bytes):  name[64] NUL-terminated, register (u32).
#include "bytecode/bsf.h"

#include <cstring>

namespace bw::bytecode {
namespace {

// Bounded little-endian reader over untrusted bytes; the first failure sticks.
class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::size_t offset() const { return pos_; }
  std::size_t remaining() const { return bytes_.size() - pos_; }

  bool u32(std::uint32_t& value) {
    if (remaining() < 4) return false;
    const std::uint8_t* p = bytes_.data() + pos_;
    value = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
            std::uint32_t(p[3]) << 24;
    pos_ += 4;
    return true;
  }

  bool bytes(std::size_t count, std::span<const std::uint8_t>& out) {
    if (remaining() < count) return false;
    out = bytes_.subspan(pos_, count);
    pos_ += count;
    return true;
  }

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t pos_ = 0;
};

std::string at(std::size_t offset) { return " at byte " + std::to_string(offset); }

// Reads a 64-byte name field; fails when it has no terminating NUL.
bool read_name(ByteReader& in, std::string& name) {
  std::span<const std::uint8_t> field;
  if (!in.bytes(kNameBytes, field)) return false;
  const void* nul = std::memchr(field.data(), 0, field.size());
  if (!nul) return false;
  name.assign(reinterpret_cast<const char*>(field.data()),
              static_cast<const std::uint8_t*>(nul) - field.data());
  return true;
}

bool read_stage(ByteReader& in, const char* stage, bool is_pixel, BsfStage& out,
                std::string& error) {
  const std::string prefix = std::string(stage) + " ";
  std::uint32_t count = 0;
  std::size_t where = in.offset();
  if (!in.u32(count)) {
    error = prefix + "constant count runs past the end" + at(where);
    return false;
  }
  if (count > in.remaining() / kConstantRecordBytes) {
    error = prefix + "constant count " + std::to_string(count) + " runs past the end" + at(where);
    return false;
  }
  out.constants.resize(count);
  for (auto& constant : out.constants) {
    where = in.offset();
    if (!read_name(in, constant.name)) {
      error = prefix + "constant name has no terminating NUL" + at(where);
      return false;
    }
    in.u32(constant.last);
    in.u32(constant.reg);
    if (constant.last > 3) {
      error = prefix + "constant \"" + constant.name + "\" has last " +
              std::to_string(constant.last) + ", expected 0 to 3" + at(where);
      return false;
    }
    if (constant.reg >= kMaxConstantRegisters) {
      error = prefix + "constant \"" + constant.name + "\" has register " +
              std::to_string(constant.reg) + ", expected below 256" + at(where);
      return false;
    }
  }

  where = in.offset();
  if (!in.u32(count)) {
    error = prefix + "sampler count runs past the end" + at(where);
    return false;
  }
  if (count > in.remaining() / kSamplerRecordBytes) {
    error = prefix + "sampler count " + std::to_string(count) + " runs past the end" + at(where);
    return false;
  }
  out.samplers.resize(count);
  for (auto& sampler : out.samplers) {
    where = in.offset();
    if (!read_name(in, sampler.name)) {
      error = prefix + "sampler name has no terminating NUL" + at(where);
      return false;
    }
    in.u32(sampler.reg);
    if (is_pixel && sampler.reg >= kMaxSamplerStages) {
      error = prefix + "sampler \"" + sampler.name + "\" has register " +
              std::to_string(sampler.reg) + ", expected below 16" + at(where);
      return false;
    }
  }

  where = in.offset();
  std::uint32_t size = 0;
  if (!in.u32(size)) {
    error = prefix + "code size runs past the end" + at(where);
    return false;
  }
  if (size % 4 != 0) {
    error = prefix + "code size " + std::to_string(size) + " is not a multiple of 4" + at(where);
    return false;
  }
  std::span<const std::uint8_t> code;
  if (!in.bytes(size, code)) {
    error = prefix + "code size " + std::to_string(size) + " runs past the end" + at(where);
    return false;
  }
  out.code.resize(size / 4);
  for (std::size_t i = 0; i < out.code.size(); ++i) {
    const std::uint8_t* p = code.data() + 4 * i;
    out.code[i] = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                  std::uint32_t(p[3]) << 24;
  }
  return true;
}

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

bool put_name(std::vector<std::uint8_t>& out, const std::string& name, const char* stage,
              std::string& error) {
  if (name.size() >= kNameBytes || name.find('\0') != std::string::npos) {
    error = std::string(stage) + " name \"" + name.c_str() +
            "\" does not fit a 64-byte NUL-terminated field";
    return false;
  }
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), kNameBytes - name.size(), 0);
  return true;
}

bool write_stage(std::vector<std::uint8_t>& out, const BsfStage& stage, const char* what,
                 bool is_pixel, std::string& error) {
  put_u32(out, static_cast<std::uint32_t>(stage.constants.size()));
  for (const auto& constant : stage.constants) {
    if (!put_name(out, constant.name, what, error)) return false;
    if (constant.last > 3 || constant.reg >= kMaxConstantRegisters) {
      error = std::string(what) + " constant \"" + constant.name +
              "\" has last or register out of range";
      return false;
    }
    put_u32(out, constant.last);
    put_u32(out, constant.reg);
  }
  put_u32(out, static_cast<std::uint32_t>(stage.samplers.size()));
  for (const auto& sampler : stage.samplers) {
    if (!put_name(out, sampler.name, what, error)) return false;
    if (is_pixel && sampler.reg >= kMaxSamplerStages) {
      error = std::string(what) + " sampler \"" + sampler.name + "\" has register out of range";
      return false;
    }
    put_u32(out, sampler.reg);
  }
  if (stage.code.size() > 0x3FFFFFFFu) {
    error = std::string(what) + " code is too long";
    return false;
  }
  put_u32(out, static_cast<std::uint32_t>(stage.code.size() * 4));
  for (std::uint32_t token : stage.code) put_u32(out, token);
  return true;
}

}  // namespace

std::optional<BsfImage> read_bsf(std::span<const std::uint8_t> bytes, std::string& error) {
  ByteReader in(bytes);
  std::uint32_t magic = 0;
  if (!in.u32(magic) || magic != kBsfMagic) {
    error = "not an effect image: the magic \"VLS1\" is missing at byte 0";
    return std::nullopt;
  }
  BsfImage image;
  if (!read_stage(in, "vertex shader", false, image.vs, error)) return std::nullopt;
  if (!read_stage(in, "pixel shader", true, image.ps, error)) return std::nullopt;
  return image;
}

std::optional<std::vector<std::uint8_t>> write_bsf(const BsfImage& image, std::string& error) {
  std::vector<std::uint8_t> out;
  put_u32(out, kBsfMagic);
  if (!write_stage(out, image.vs, "vertex shader", false, error)) return std::nullopt;
  if (!write_stage(out, image.ps, "pixel shader", true, error)) return std::nullopt;
  return out;
}

}  // namespace bw::bytecode
