// The opcode table and the register limits of each program version.
#include "bytecode/program.h"

namespace bw::bytecode {
namespace {

constexpr std::uint8_t kVs =
    bit(VersionBit::vs_2_0) | bit(VersionBit::vs_2_x) | bit(VersionBit::vs_3_0);
constexpr std::uint8_t kPs =
    bit(VersionBit::ps_2_0) | bit(VersionBit::ps_2_x) | bit(VersionBit::ps_3_0);
constexpr std::uint8_t kAll = kVs | kPs;
// call, rep, if ...
constexpr std::uint8_t kFlow = kVs | bit(VersionBit::ps_2_x) | bit(VersionBit::ps_3_0);
// ifc, break, setp ...
constexpr std::uint8_t kDynamic = bit(VersionBit::vs_2_x) | bit(VersionBit::vs_3_0) |
                                  bit(VersionBit::ps_2_x) | bit(VersionBit::ps_3_0);

constexpr std::array<OpcodeInfo, kOpcodeTableSize> make_table() {
  std::array<OpcodeInfo, kOpcodeTableSize> t{};
  auto set = [&](Opcode op, const char* name, std::uint8_t d, std::uint8_t s, std::uint8_t v) {
    t[op] = OpcodeInfo{name, d, s, v, 1};
  };
  set(kNop, "nop", 0, 0, kAll);
  set(kMov, "mov", 1, 1, kAll);
  set(kAdd, "add", 1, 2, kAll);
  set(kSub, "sub", 1, 2, kAll);
  set(kMad, "mad", 1, 3, kAll);
  set(kMul, "mul", 1, 2, kAll);
  set(kRcp, "rcp", 1, 1, kAll);
  set(kRsq, "rsq", 1, 1, kAll);
  set(kDp3, "dp3", 1, 2, kAll);
  set(kDp4, "dp4", 1, 2, kAll);
  set(kMin, "min", 1, 2, kAll);
  set(kMax, "max", 1, 2, kAll);
  set(kSlt, "slt", 1, 2, kVs);
  set(kSge, "sge", 1, 2, kVs);
  set(kExp, "exp", 1, 1, kAll);
  set(kLog, "log", 1, 1, kAll);
  set(kLit, "lit", 1, 1, kVs);
  set(kDst, "dst", 1, 2, kVs);
  set(kLrp, "lrp", 1, 3, kAll);
  set(kFrc, "frc", 1, 1, kAll);
  set(kM4x4, "m4x4", 1, 2, kAll);
  set(kM4x3, "m4x3", 1, 2, kAll);
  set(kM3x4, "m3x4", 1, 2, kAll);
  set(kM3x3, "m3x3", 1, 2, kAll);
  set(kM3x2, "m3x2", 1, 2, kAll);
  set(kCall, "call", 0, 1, kFlow);
  set(kCallnz, "callnz", 0, 2, kFlow);
  set(kLoopOp, "loop", 0, 2, kVs | bit(VersionBit::ps_3_0));
  set(kRet, "ret", 0, 0, kFlow);
  set(kEndloop, "endloop", 0, 0, kVs | bit(VersionBit::ps_3_0));
  set(kLabelOp, "label", 0, 1, kFlow);
  set(kDcl, "dcl", 1, 0, kAll);
  set(kPow, "pow", 1, 2, kAll);
  set(kCrs, "crs", 1, 2, kAll);
  set(kSgn, "sgn", 1, 3, kVs);
  set(kAbs, "abs", 1, 1, kAll);
  set(kNrm, "nrm", 1, 1, kAll);
  set(kSincos, "sincos", 1, 3, kAll);
  set(kRep, "rep", 0, 1, kFlow);
  set(kEndrep, "endrep", 0, 0, kFlow);
  set(kIf, "if", 0, 1, kFlow);
  set(kIfc, "ifc", 0, 2, kDynamic);
  set(kElse, "else", 0, 0, kFlow);
  set(kEndif, "endif", 0, 0, kFlow);
  set(kBreak, "break", 0, 0, kDynamic);
  set(kBreakc, "breakc", 0, 2, kDynamic);
  set(kMova, "mova", 1, 1, kVs);
  set(kDefb, "defb", 1, 0, kFlow);
  set(kDefi, "defi", 1, 0, kFlow);
  set(kTexkill, "texkill", 1, 0, kPs);
  set(kTexld, "texld", 1, 2, kPs);
  set(kExpp, "expp", 1, 1, kAll);
  set(kLogp, "logp", 1, 1, kAll);
  set(kDef, "def", 1, 0, kAll);
  set(kCmp, "cmp", 1, 3, kPs);
  set(kDp2add, "dp2add", 1, 3, kPs);
  set(kDsx, "dsx", 1, 1, bit(VersionBit::ps_2_x) | bit(VersionBit::ps_3_0));
  set(kDsy, "dsy", 1, 1, bit(VersionBit::ps_2_x) | bit(VersionBit::ps_3_0));
  set(kTexldd, "texldd", 1, 4, bit(VersionBit::ps_2_x) | bit(VersionBit::ps_3_0));
  set(kSetp, "setp", 1, 2, kDynamic);
  set(kTexldl, "texldl", 1, 2, bit(VersionBit::vs_3_0) | bit(VersionBit::ps_3_0));
  set(kBreakp, "breakp", 0, 1, kDynamic);
  // Instruction slots where an instruction takes other than one (ps_3_0's counts; the
  // vertex-only instructions as vs_3_0 counts them).
  for (const Opcode op : {kDcl, kDef, kDefi, kDefb, kLabelOp}) t[op].slots = 0;
  for (const Opcode op : {kLrp, kM3x2, kCrs, kCall, kDsx, kDsy, kDp2add, kEndloop, kEndrep,
                          kTexkill, kTexldl})
    t[op].slots = 2;
  for (const Opcode op : {kM3x3, kM4x3, kPow, kNrm, kCallnz, kLoopOp, kRep, kIf, kIfc, kBreakc,
                          kBreakp, kTexldd, kLit, kSgn})
    t[op].slots = 3;
  for (const Opcode op : {kM3x4, kM4x4}) t[op].slots = 4;
  t[kSincos].slots = 8;
  return t;
}

constexpr std::array<OpcodeInfo, kOpcodeTableSize> kTable = make_table();
static_assert(kTable.size() == kBreakp + 1, "the table covers every opcode up to breakp");

}  // namespace

std::uint8_t version_bit(const Version& v) {
  const bool pixel = v.is_pixel();
  if (v.major == 2 && v.minor == 0) return bit(pixel ? VersionBit::ps_2_0 : VersionBit::vs_2_0);
  if (v.major == 2 && v.minor == 1) return bit(pixel ? VersionBit::ps_2_x : VersionBit::vs_2_x);
  if (v.major == 3 && v.minor == 0) return bit(pixel ? VersionBit::ps_3_0 : VersionBit::vs_3_0);
  return 0;
}

const OpcodeInfo* opcode_info(std::uint16_t opcode) {
  if (opcode >= kTable.size() || kTable[opcode].name == nullptr) return nullptr;
  return &kTable[opcode];
}

std::uint8_t source_count(std::uint16_t opcode, const Version& version) {
  if (opcode == kSincos && version.is_3()) return 1;
  const OpcodeInfo* info = opcode_info(opcode);
  return info ? info->sources : 0;
}

std::uint32_t register_count(const Version& v, std::uint8_t type) {
  const bool ps = v.is_pixel();
  const bool three = v.is_3();
  switch (type) {
    case kTemp:
      return 32;
    case kInput:
      return ps ? (three ? 10 : 2) : 16;
    case kConst:
      return ps ? (three ? 224 : 32) : 256;
    case kAddr:
      return ps ? (three ? 0 : 8) : 1;  // a0 in vertex programs, t# in pixel 2.x
    case kRastOut:
      return !ps && !three ? 3 : 0;
    case kAttrOut:
      return !ps && !three ? 2 : 0;
    case kOutput:
      return ps ? 0 : (three ? 12 : 8);
    case kConstInt:
      return 16;
    case kColorOut:
      return ps ? 4 : 0;
    case kDepthOut:
      return ps ? 1 : 0;
    case kSampler:
      return ps ? 16 : (three ? 4 : 0);
    case kConstBool:
      return 16;
    case kLoop:
      return ps && !three ? 0 : 1;
    case kMiscType:
      return ps && three ? 2 : 0;
    case kLabel:
      return 2048;
    case kPredicate:
      return v.minor == 1 || three ? 1 : 0;
    default:
      return 0;
  }
}

}  // namespace bw::bytecode
