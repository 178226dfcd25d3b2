// The .bsf effect image: the parameter and sampler tables of a vertex and a pixel shader
// and their two Direct3D 9 token streams.
//
// Invariants of a BsfImage produced by read_bsf():
//   1. every constant has last <= 3 and reg < kMaxConstantRegisters;
//   2. every pixel sampler has reg < kMaxSamplerStages (vertex samplers are kept as read);
//   3. every name is shorter than kNameBytes and holds no NUL (the field is terminated);
//   4. each code vector holds the whole token stream as stored (its size in bytes was a
//      multiple of 4); the tokens are not checked here: decode them with decode.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace bw::bytecode {

// First word of every image: the bytes "VLS1".
inline constexpr std::uint32_t kBsfMagic = 0x31534C56;
// Size of the name field of both record kinds.
inline constexpr std::size_t kNameBytes = 64;
// Size of one constant record and of one sampler record in the file.
inline constexpr std::size_t kConstantRecordBytes = 72;
inline constexpr std::size_t kSamplerRecordBytes = 68;
// Float4 constant registers any shader model addresses (vs_3_0 has the most).
inline constexpr std::uint32_t kMaxConstantRegisters = 256;
// Texture stages a pixel sampler may name.
inline constexpr std::uint32_t kMaxSamplerStages = 16;

// One named parameter: a set writes last + 1 floats into float4 register `reg`.
struct ShaderConstant {
  std::string name;        // the parameter's name, compared byte for byte
  std::uint32_t last = 0;  // components written by a set, minus one (0 to 3)
  std::uint32_t reg = 0;   // float4 constant register
};

// One named sampler: the texture stage that the name binds.
struct ShaderSampler {
  std::string name;       // e.g. "texSampler0"
  std::uint32_t reg = 0;  // sampler register (texture stage)
};

// The tables and the token stream of one shader of the effect.
struct BsfStage {
  std::vector<ShaderConstant> constants;  // in file order (lookups take the first match)
  std::vector<ShaderSampler> samplers;    // in file order
  std::vector<std::uint32_t> code;        // token stream: version token ... end token
};

// A whole effect image.
struct BsfImage {
  BsfStage vs;  // vertex shader
  BsfStage ps;  // pixel shader
};

// Parses an image. Reads nothing outside `bytes`: a count or size that runs past the end,
// a code size that is not a multiple of 4, a `last` above 3 or a register out of range
// makes it fail with a one-line message naming the byte offset, stored in `error`.
// A name field without its terminating NUL is damage too. Bytes after the pixel code are
// ignored.
std::optional<BsfImage> read_bsf(std::span<const std::uint8_t> bytes, std::string& error);

// Serialises an image (names NUL-padded to 64 bytes). Fails, with a message in `error`,
// for a name of 64 bytes or more or holding a NUL, or a field out of the ranges above.
std::optional<std::vector<std::uint8_t>> write_bsf(const BsfImage& image, std::string& error);

}  // namespace bw::bytecode
