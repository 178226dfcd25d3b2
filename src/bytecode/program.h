// Decoded Direct3D 9 shader programs (shader models 2.0, 2.x and 3.0) and the one opcode
// table that the decoder, the assembler, the disassembler and the GLSL translator share.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace bw::bytecode {

// Which pipeline stage a program runs in.
enum class Stage : std::uint8_t { vertex, pixel };

// Program version; 2.x is stored as minor 1, as its version token does.
struct Version {
  Stage stage = Stage::vertex;
  std::uint8_t major = 0;
  std::uint8_t minor = 0;
  bool is_pixel() const { return stage == Stage::pixel; }
  bool is_3() const { return major == 3; }
  std::uint32_t token() const {
    return (is_pixel() ? 0xFFFF0000u : 0xFFFE0000u) | std::uint32_t(major) << 8 | minor;
  }
};

// One bit per supported version, for the opcode table.
enum class VersionBit : std::uint8_t {
  vs_2_0 = 1,
  vs_2_x = 2,
  vs_3_0 = 4,
  ps_2_0 = 8,
  ps_2_x = 16,
  ps_3_0 = 32,
};
// The bit of `version` in a set of versions.
inline constexpr std::uint8_t bit(VersionBit version) { return static_cast<std::uint8_t>(version); }
// The bit of a program's version; 0 for a version that is not supported.
std::uint8_t version_bit(const Version& version);

// Register file numbers as stored in parameter tokens.
enum RegisterType : std::uint8_t {
  kTemp = 0,
  kInput = 1,
  kConst = 2,
  kAddr = 3,
  kTexture = 3,
  kRastOut = 4,
  kAttrOut = 5,
  kOutput = 6,
  kConstInt = 7,
  kColorOut = 8,
  kDepthOut = 9,
  kSampler = 10,
  kConstBool = 14,
  kLoop = 15,
  kMiscType = 17,
  kLabel = 18,
  kPredicate = 19,
};

// Number of registers of `type` that a program of `version` may name (0: none).
std::uint32_t register_count(const Version& version, std::uint8_t type);

// Opcode values used by name in the code.
enum Opcode : std::uint16_t {
  kNop = 0,
  kMov = 1,
  kAdd = 2,
  kSub = 3,
  kMad = 4,
  kMul = 5,
  kRcp = 6,
  kRsq = 7,
  kDp3 = 8,
  kDp4 = 9,
  kMin = 10,
  kMax = 11,
  kSlt = 12,
  kSge = 13,
  kExp = 14,
  kLog = 15,
  kLit = 16,
  kDst = 17,
  kLrp = 18,
  kFrc = 19,
  kM4x4 = 20,
  kM4x3 = 21,
  kM3x4 = 22,
  kM3x3 = 23,
  kM3x2 = 24,
  kCall = 25,
  kCallnz = 26,
  kLoopOp = 27,
  kRet = 28,
  kEndloop = 29,
  kLabelOp = 30,
  kDcl = 31,
  kPow = 32,
  kCrs = 33,
  kSgn = 34,
  kAbs = 35,
  kNrm = 36,
  kSincos = 37,
  kRep = 38,
  kEndrep = 39,
  kIf = 40,
  kIfc = 41,
  kElse = 42,
  kEndif = 43,
  kBreak = 44,
  kBreakc = 45,
  kMova = 46,
  kDefb = 47,
  kDefi = 48,
  kTexkill = 65,
  kTexld = 66,
  kExpp = 78,
  kLogp = 79,
  kDef = 81,
  kCmp = 88,
  kDp2add = 90,
  kDsx = 91,
  kDsy = 92,
  kTexldd = 93,
  kSetp = 94,
  kTexldl = 95,
  kBreakp = 96,
  kComment = 0xFFFE,
  kEnd = 0xFFFF,
};

// Table row for one opcode.
struct OpcodeInfo {
  const char* name = nullptr;  // assembler mnemonic; nullptr: not an opcode of 2.0 to 3.0
  std::uint8_t dests = 0;      // destination parameters (0 or 1)
  std::uint8_t sources = 0;    // source parameters
  std::uint8_t versions = 0;   // VersionBit mask of programs that may use it
  std::uint8_t slots = 1;      // instruction slots it takes in a ps_3_0 program
};
inline constexpr std::size_t kOpcodeTableSize = 97;
// Row of `opcode`, or nullptr when it is out of the table or unused.
const OpcodeInfo* opcode_info(std::uint16_t opcode);
// Sources `opcode` takes in a program of `version` (sincos has 3 before 3.0, 1 from 3.0).
std::uint8_t source_count(std::uint16_t opcode, const Version& version);

// Comparison codes of ifc, breakc and setp (the instruction's control field).
enum class Comparison : std::uint8_t { gt = 1, eq = 2, ge = 3, lt = 4, ne = 5, le = 6 };
// Texld variants (control field): plain, projected, biased.
enum class TexldControl : std::uint8_t { plain = 0, project = 1, bias = 2 };

// Source modifiers (token bits 24..27). `not` is a C++ keyword: its enumerator takes a
// trailing underscore.
enum class SourceModifier : std::uint8_t {
  none = 0,
  neg = 1,
  bias = 2,
  bias_neg = 3,
  sign = 4,
  sign_neg = 5,
  comp = 6,
  x2 = 7,
  x2_neg = 8,
  dz = 9,
  dw = 10,
  abs = 11,
  abs_neg = 12,
  not_ = 13,
};
// Destination modifier bits (token bits 20..23); Dest::modifiers holds a set of them.
enum class DestModifier : std::uint8_t { saturate = 1, partial_precision = 2, centroid = 4 };
// The bit of `modifier` in a set of destination modifiers.
inline constexpr std::uint8_t bit(DestModifier modifier) {
  return static_cast<std::uint8_t>(modifier);
}

// A register reference, with its relative address when it has one.
struct Register {
  std::uint8_t type = kTemp;
  std::uint32_t index = 0;
  bool relative = false;
  std::uint8_t relative_type = kAddr;   // a0 (kAddr) or aL (kLoop)
  std::uint8_t relative_component = 0;  // component of a0 used as the offset
};

// Destination parameter.
struct Dest {
  Register reg;
  std::uint8_t mask = 0xF;     // bit 0 = x ... bit 3 = w
  std::uint8_t modifiers = 0;  // DestModifier bits
};

// Source parameter.
struct Source {
  Register reg;
  std::uint8_t swizzle = 0xE4;  // 2 bits per slot, slot 0 lowest: 0xE4 is .xyzw
  SourceModifier modifier = SourceModifier::none;
};

// Swizzle component of slot `slot` (0..3).
inline std::uint8_t swizzle_at(std::uint8_t swizzle, int slot) {
  return (swizzle >> (2 * slot)) & 3;
}

// One decoded instruction (declarations and literal definitions included).
struct Instruction {
  std::uint16_t opcode = kNop;
  std::uint8_t control = 0;  // comparison or texld variant, as the token holds it
  bool predicated = false;
  Source predicate;  // p0 with swizzle and optional SourceModifier::not_
  bool has_dest = false;
  Dest dest;
  std::uint8_t source_count = 0;
  std::array<Source, 4> sources{};
  std::uint32_t declaration = 0;           // dcl: usage/index or sampler type token (bit 31 set)
  std::array<std::uint32_t, 4> literal{};  // def (float bits), defi (ints), defb (bool in [0])
  std::uint32_t offset = 0;                // token offset of the instruction token

  // The control field of a texld, or of an ifc, breakc or setp.
  TexldControl texld_control() const { return static_cast<TexldControl>(control); }
  Comparison comparison() const { return static_cast<Comparison>(control); }
};

// A whole program.
struct Program {
  Version version;
  std::vector<Instruction> instructions;
};

// Declaration token fields.
inline std::uint32_t dcl_usage(std::uint32_t token) { return token & 0x1F; }
inline std::uint32_t dcl_usage_index(std::uint32_t token) { return (token >> 16) & 0xF; }
inline std::uint32_t dcl_sampler_type(std::uint32_t token) { return (token >> 27) & 0xF; }
// D3DSTT values.
enum class SamplerType : std::uint8_t { two_d = 2, cube = 3, volume = 4 };
// The sampler type of a sampler's declaration token that the decoder has accepted.
inline SamplerType dcl_sampler(std::uint32_t token) {
  return static_cast<SamplerType>(dcl_sampler_type(token));
}
// D3DDECLUSAGE names, index = usage value.
inline constexpr std::array<std::string_view, 14> kUsageNames = {
    "position", "blendweight", "blendindices", "normal", "psize", "texcoord", "tangent",
    "binormal", "tessfactor",  "positiont",    "color",  "fog",   "depth",    "sample"};

}  // namespace bw::bytecode
