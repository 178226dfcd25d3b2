// Assembler of Direct3D 9 shader assembly text (shader models 2.0, 2.x and 3.0).
//
// A line holds one instruction; "//" and ";" start a comment. The program is encoded and
// then run through the decoder, so every rule the decoder checks (register ranges, opcodes
// allowed per version, relative addressing) is enforced once, with the line it came from.
#include "bytecode/assemble.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "bytecode/decode.h"

namespace bw::bytecode {
namespace {

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
    text.remove_prefix(1);
  }
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
    text.remove_suffix(1);
  }
  return text;
}

bool parse_uint(std::string_view text, std::uint32_t& value) {
  if (text.empty()) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

int component_of(char c) {
  switch (std::tolower(static_cast<unsigned char>(c))) {
    case 'x':
    case 'r':
      return 0;
    case 'y':
    case 'g':
      return 1;
    case 'z':
    case 'b':
      return 2;
    case 'w':
    case 'a':
      return 3;
    default:
      return -1;
  }
}

class LineParser {
 public:
  LineParser(const Version& version, std::string& error) : v_(version), error_(error) {}

  bool fail(const std::string& what) {
    error_ = what;
    return false;
  }

  // Parses "r0", "oPos", "c5[a0.x]", "c[a0.x + 5]", "v[aL]".
  bool reg(std::string_view text, Register& r) {
    std::string_view base = text;
    std::string_view address;
    const std::size_t open = text.find('[');
    if (open != std::string_view::npos) {
      if (text.back() != ']') return fail("missing ] in \"" + std::string(text) + "\"");
      base = text.substr(0, open);
      address = text.substr(open + 1, text.size() - open - 2);
    }
    if (!register_named(lower(trim(base)), !address.empty(), r))
      return fail("unknown register \"" + std::string(text) + "\"");
    if (address.empty()) return true;
    return relative_address(address, r);
  }

  // The register a name stands for: a fixed name ("oPos", "aL") or a register file's prefix
  // and a number; `addressed` allows "c" alone before "[a0.x + 5]".
  bool register_named(const std::string& name, bool addressed, Register& r) const {
    struct Fixed {
      const char* name;
      std::uint8_t type;
      std::uint32_t index;
    };
    static const Fixed kFixed[] = {{"opos", kRastOut, 0},  {"ofog", kRastOut, 1},
                                   {"opts", kRastOut, 2},  {"odepth", kDepthOut, 0},
                                   {"al", kLoop, 0},       {"vpos", kMiscType, 0},
                                   {"vface", kMiscType, 1}};
    for (const Fixed& f : kFixed) {
      if (name == f.name) {
        r.type = f.type;
        r.index = f.index;
        return true;
      }
    }
    // Register files named by a prefix and a number; which prefixes exist depends on
    // the stage and version (a0 / t#, oT# / o#).
    struct Prefix {
      const char* prefix;
      std::uint8_t type;
      std::uint8_t stages;  // 1 vertex 2.x, 2 vertex 3.0, 4 pixel
    };
    static const Prefix kPrefixes[] = {
        {"od", kAttrOut, 1}, {"ot", kOutput, 1},  {"oc", kColorOut, 4}, {"o", kOutput, 2},
        {"r", kTemp, 7},     {"v", kInput, 7},    {"c", kConst, 7},     {"a", kAddr, 3},
        {"t", kTexture, 4},  {"i", kConstInt, 7}, {"s", kSampler, 7},   {"b", kConstBool, 7},
        {"l", kLabel, 7},    {"p", kPredicate, 7}};
    const std::uint8_t stage = v_.is_pixel() ? 4 : v_.is_3() ? 2 : 1;
    for (const Prefix& p : kPrefixes) {
      const std::size_t n = std::strlen(p.prefix);
      if (!(p.stages & stage) || name.compare(0, n, p.prefix) != 0) continue;
      const std::string_view digits = std::string_view(name).substr(n);
      const bool numeric = std::all_of(digits.begin(), digits.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
      });
      // "c[a0.x + 5]" may leave the number to the brackets.
      if (!numeric || (digits.empty() && !addressed)) continue;
      r.type = p.type;
      r.index = 0;
      return digits.empty() || parse_uint(digits, r.index);
    }
    return false;
  }

  // "a0.x + 5", "aL": the register that addresses and the offset added to the index.
  bool relative_address(std::string_view address, Register& r) {
    r.relative = true;
    std::string_view rest = address;
    bool have_register = false;
    while (!rest.empty()) {
      const std::size_t plus = rest.find('+');
      const std::string part = lower(trim(rest.substr(0, plus)));
      rest = plus == std::string_view::npos ? std::string_view() : rest.substr(plus + 1);
      if (part == "al") {
        r.relative_type = kLoop;
        have_register = true;
      } else if (part.rfind("a0", 0) == 0) {
        r.relative_type = kAddr;
        r.relative_component = 0;
        if (part.size() == 4 && part[2] == '.' && component_of(part[3]) >= 0) {
          r.relative_component = static_cast<std::uint8_t>(component_of(part[3]));
        } else if (part.size() != 2) {
          return fail("bad address register \"" + part + "\"");
        }
        have_register = true;
      } else {
        std::uint32_t offset = 0;
        if (!parse_uint(part, offset)) return fail("bad relative offset \"" + part + "\"");
        r.index += offset;
      }
    }
    if (!have_register) return fail("relative address without a0 or aL");
    return true;
  }

  bool dest(std::string_view text, Dest& d) {
    text = trim(text);
    const std::size_t dot = text.rfind('.');
    const std::size_t close = text.rfind(']');
    std::string_view mask;
    if (dot != std::string_view::npos && (close == std::string_view::npos || dot > close)) {
      mask = text.substr(dot + 1);
      text = text.substr(0, dot);
    }
    if (!reg(text, d.reg)) return false;
    if (mask.empty()) {
      d.mask = 0xF;
      return true;
    }
    d.mask = 0;
    int last = -1;
    for (char c : mask) {
      const int comp = component_of(c);
      if (comp <= last) return fail("bad write mask \"." + std::string(mask) + "\"");
      d.mask = static_cast<std::uint8_t>(d.mask | 1 << comp);
      last = comp;
    }
    return true;
  }

  bool source(std::string_view text, Source& s) {
    text = trim(text);
    bool negate = false;
    bool complement = false;
    bool invert = false;
    if (!text.empty() && text.front() == '-') {
      negate = true;
      text = trim(text.substr(1));
    } else if (!text.empty() && text.front() == '!') {
      invert = true;
      text = trim(text.substr(1));
    } else if (text.size() > 2 && text[0] == '1' && trim(text.substr(1)).front() == '-') {
      complement = true;
      text = trim(trim(text.substr(1)).substr(1));
    }
    // Split off a swizzle and a suffix modifier, in either order.
    std::string suffix;
    std::string swizzle;
    for (int round = 0; round < 2; ++round) {
      const std::size_t close = text.rfind(']');
      const std::size_t from = close == std::string_view::npos ? 0 : close;
      const std::size_t under = text.find('_', from);
      const std::size_t dot = text.find('.', from);
      if (under != std::string_view::npos && (dot == std::string_view::npos || under > dot)) {
        suffix = lower(text.substr(under + 1));
        text = text.substr(0, under);
      } else if (dot != std::string_view::npos &&
                 (under == std::string_view::npos || dot > under)) {
        swizzle = std::string(text.substr(dot + 1));
        text = text.substr(0, dot);
      }
    }
    if (!reg(text, s.reg)) return false;
    s.swizzle = 0xE4;
    if (!swizzle.empty()) {
      if (swizzle.size() > 4) return fail("bad swizzle \"." + swizzle + "\"");
      int comps[4];
      for (std::size_t i = 0; i < 4; ++i) {
        const char c = i < swizzle.size() ? swizzle[i] : swizzle.back();
        comps[i] = component_of(c);
        if (comps[i] < 0) return fail("bad swizzle \"." + swizzle + "\"");
      }
      s.swizzle =
          static_cast<std::uint8_t>(comps[0] | comps[1] << 2 | comps[2] << 4 | comps[3] << 6);
    }
    SourceModifier modifier = SourceModifier::none;
    if (suffix.empty()) {
      modifier = negate ? SourceModifier::neg : SourceModifier::none;
    } else if (suffix == "abs") {
      modifier = negate ? SourceModifier::abs_neg : SourceModifier::abs;
    } else if (suffix == "bias") {
      modifier = negate ? SourceModifier::bias_neg : SourceModifier::bias;
    } else if (suffix == "bx2") {
      modifier = negate ? SourceModifier::sign_neg : SourceModifier::sign;
    } else if (suffix == "x2") {
      modifier = negate ? SourceModifier::x2_neg : SourceModifier::x2;
    } else if (suffix == "dz" && !negate) {
      modifier = SourceModifier::dz;
    } else if (suffix == "dw" && !negate) {
      modifier = SourceModifier::dw;
    } else {
      return fail("bad source modifier \"_" + suffix + "\"");
    }
    if (complement) {
      if (modifier != SourceModifier::none)
        return fail("1- cannot be combined with another modifier");
      modifier = SourceModifier::comp;
    }
    if (invert) {
      if (modifier != SourceModifier::none)
        return fail("! cannot be combined with another modifier");
      modifier = SourceModifier::not_;
    }
    s.modifier = modifier;
    return true;
  }

 private:
  const Version& v_;
  std::string& error_;
};

bool parse_version(std::string_view text, Version& v) {
  const std::string name = lower(trim(text));
  if (name.size() != 6 || name[2] != '_' || name[4] != '_') return false;
  if (name.compare(0, 2, "vs") == 0) {
    v.stage = Stage::vertex;
  } else if (name.compare(0, 2, "ps") == 0) {
    v.stage = Stage::pixel;
  } else {
    return false;
  }
  if (name[3] == '2' && name[5] == '0')
    v.major = 2, v.minor = 0;
  else if (name[3] == '2' && name[5] == 'x')
    v.major = 2, v.minor = 1;
  else if (name[3] == '3' && name[5] == '0')
    v.major = 3, v.minor = 0;
  else
    return false;
  return true;
}

std::vector<std::string> split_operands(std::string_view text) {
  std::vector<std::string> out;
  text = trim(text);
  if (text.empty()) return out;
  std::size_t start = 0;
  int depth = 0;
  for (std::size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] == '[') ++depth;
    if (i < text.size() && text[i] == ']') --depth;
    if (i == text.size() || (text[i] == ',' && depth == 0)) {
      out.emplace_back(trim(text.substr(start, i - start)));
      start = i + 1;
    }
  }
  return out;
}

bool parse_float_bits(const std::string& text, std::uint32_t& bits) {
  // "0x" and eight hex digits or fewer give the bits themselves (also when every digit is
  // a decimal one: 0x80000000 is a negative zero, not eighty million).
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    const auto [end, ec] = std::from_chars(text.data() + 2, text.data() + text.size(), bits, 16);
    return ec == std::errc() && end == text.data() + text.size();
  }
  char* end = nullptr;
  errno = 0;
  const float value = std::strtof(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size()) return false;
  std::memcpy(&bits, &value, 4);
  return true;
}

bool parse_int(const std::string& text, std::uint32_t& bits) {
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return false;
  bits = static_cast<std::uint32_t>(value);
  return true;
}

// The comparison suffixes of ifc, breakc and setp, in the order of their control values
// (1 to 6).
constexpr const char* kComparisonNames[] = {"gt", "eq", "ge", "lt", "ne", "le"};

// Drops a "//" or ";" comment and the white space around what is left.
std::string_view strip_comment(std::string_view text) {
  for (const char* marker : {"//", ";"}) {
    const std::size_t at = text.find(marker);
    if (at != std::string_view::npos) text = text.substr(0, at);
  }
  return trim(text);
}

// "texld_pp" -> {"texld", "pp"}: the instruction's name and its suffixes.
std::vector<std::string> mnemonic_parts(const std::string& mnemonic) {
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const std::size_t under = mnemonic.find('_', start);
    parts.push_back(mnemonic.substr(start, under - start));
    if (under == std::string::npos) return parts;
    start = under + 1;
  }
}

// How a dcl names what it declares: a sampler type, or a usage and its index.
struct Declared {
  std::optional<SamplerType> sampler;
  std::uint32_t usage = 0;
  std::uint32_t usage_index = 0;
};

struct Assembler {
  Program program;
  std::vector<int> lines;  // source line of each instruction
  std::string& error;
  bool have_version = false;
  int number = 0;               // the line being read
  std::string register_error;   // what the register parser found wrong on it

  explicit Assembler(std::string& e) : error(e) {}

  bool fail(const std::string& what) {
    error = "line " + std::to_string(number) + ": " + what;
    return false;
  }

  bool line(std::string_view text, int line_number) {
    number = line_number;
    text = strip_comment(text);
    if (text.empty()) return true;
    if (!have_version) return version(text);
    return instruction(text);
  }

  // The first line that is not empty: the shader version.
  bool version(std::string_view text) {
    if (!parse_version(text, program.version)) {
      return fail(
          "expected a version (vs_2_0, vs_2_x, vs_3_0, ps_2_0, ps_2_x, ps_3_0), found \"" +
          std::string(text) + "\"");
    }
    have_version = true;
    return true;
  }

  // "[(PREDICATE)] MNEMONIC[_SUFFIX...] OPERAND, ...".
  bool instruction(std::string_view text) {
    LineParser parser(program.version, register_error);
    Instruction ins;
    if (text.front() == '(') {
      const std::size_t close = text.find(')');
      if (close == std::string_view::npos) return fail("missing ) after the predicate");
      if (!parser.source(text.substr(1, close - 1), ins.predicate)) return fail(register_error);
      ins.predicated = true;
      text = trim(text.substr(close + 1));
    }
    std::size_t space = 0;
    while (space < text.size() && !std::isspace(static_cast<unsigned char>(text[space]))) ++space;
    const std::string mnemonic = lower(text.substr(0, space));
    const std::vector<std::string> parts = mnemonic_parts(mnemonic);
    std::string base = parts[0];
    std::size_t next = 1;  // the first suffix not read yet
    Declared declared;
    std::uint8_t modifiers = 0;
    if (!opcode(base, mnemonic, ins) || !comparison(parts, base, next, ins) ||
        !declaration_kind(parts, next, ins, declared) ||
        !modifier_suffixes(parts, next, modifiers) ||
        !operands(split_operands(text.substr(space)), base, modifiers, declared, parser, ins))
      return false;
    program.instructions.push_back(ins);
    lines.push_back(number);
    return true;
  }

  // The opcode of the name before the first suffix; texldp and texldb are texld with a
  // control value, and `base` becomes "texld".
  bool opcode(std::string& base, const std::string& mnemonic, Instruction& ins) {
    if (base == "texldp")
      base = "texld", ins.control = static_cast<std::uint8_t>(TexldControl::project);
    else if (base == "texldb")
      base = "texld", ins.control = static_cast<std::uint8_t>(TexldControl::bias);
    for (std::uint16_t op = 0; op < kOpcodeTableSize; ++op) {
      const OpcodeInfo* info = opcode_info(op);
      if (info && base == info->name) {
        ins.opcode = op;
        return true;
      }
    }
    return fail("unknown instruction \"" + mnemonic + "\"");
  }

  // Comparisons: if_gt and break_gt are the usual spellings of ifc and breakc.
  bool comparison(const std::vector<std::string>& parts, const std::string& base,
                  std::size_t& next, Instruction& ins) {
    const bool compared =
        next < parts.size() && std::find(std::begin(kComparisonNames), std::end(kComparisonNames),
                                         parts[next]) != std::end(kComparisonNames);
    if (compared && ins.opcode == kIf) ins.opcode = kIfc;
    if (compared && ins.opcode == kBreak) ins.opcode = kBreakc;
    if (ins.opcode != kIfc && ins.opcode != kBreakc && ins.opcode != kSetp) return true;
    for (int i = 0; next < parts.size() && i < 6; ++i) {
      if (parts[next] == kComparisonNames[i]) ins.control = static_cast<std::uint8_t>(i + 1);
    }
    if (ins.control == 0) return fail(base + " needs a comparison (_gt, _eq, _ge, _lt, _ne, _le)");
    ++next;
    return true;
  }

  // dcl_2d, dcl_cube, dcl_volume for samplers; dcl_texcoord3 and the like for the rest.
  bool declaration_kind(const std::vector<std::string>& parts, std::size_t& next,
                        const Instruction& ins, Declared& declared) {
    if (ins.opcode != kDcl || next >= parts.size() || parts[next] == "pp" ||
        parts[next] == "centroid" || parts[next] == "sat")
      return true;
    const std::string& what = parts[next++];
    if (what == "2d") {
      declared.sampler = SamplerType::two_d;
    } else if (what == "cube") {
      declared.sampler = SamplerType::cube;
    } else if (what == "volume") {
      declared.sampler = SamplerType::volume;
    } else {
      std::size_t digits = what.size();
      while (digits > 0 && std::isdigit(static_cast<unsigned char>(what[digits - 1]))) --digits;
      const auto name = std::find(kUsageNames.begin(), kUsageNames.end(), what.substr(0, digits));
      if (name == kUsageNames.end()) return fail("unknown usage \"" + what + "\"");
      declared.usage = static_cast<std::uint32_t>(name - kUsageNames.begin());
      if (digits < what.size() &&
          (!parse_uint(std::string_view(what).substr(digits), declared.usage_index) ||
           declared.usage_index > 15)) {
        return fail("bad usage index in \"" + what + "\"");
      }
    }
    return true;
  }

  // The remaining suffixes: _sat, _pp, _centroid.
  bool modifier_suffixes(const std::vector<std::string>& parts, std::size_t next,
                         std::uint8_t& modifiers) {
    for (; next < parts.size(); ++next) {
      if (parts[next] == "sat")
        modifiers |= bit(DestModifier::saturate);
      else if (parts[next] == "pp")
        modifiers |= bit(DestModifier::partial_precision);
      else if (parts[next] == "centroid")
        modifiers |= bit(DestModifier::centroid);
      else
        return fail("unknown modifier \"_" + parts[next] + "\"");
    }
    return true;
  }

  // The destination, the declaration token of a dcl, the literals of def, defi and defb,
  // then the sources.
  bool operands(const std::vector<std::string>& texts, const std::string& base,
                std::uint8_t modifiers, const Declared& declared, LineParser& parser,
                Instruction& ins) {
    const OpcodeInfo* info = opcode_info(ins.opcode);
    ins.has_dest = info->dests > 0;
    const bool literal = ins.opcode == kDef || ins.opcode == kDefi || ins.opcode == kDefb;
    const std::size_t literals = ins.opcode == kDefb ? 1 : literal ? 4 : 0;
    ins.source_count =
        literal || ins.opcode == kDcl ? 0 : source_count(ins.opcode, program.version);
    const std::size_t want = (ins.has_dest ? 1 : 0) + ins.source_count + literals;
    if (texts.size() != want) {
      return fail(base + " takes " + std::to_string(want) + " operands, found " +
                  std::to_string(texts.size()));
    }
    if (modifiers && !ins.has_dest) return fail(base + " takes no modifiers");
    std::size_t at = 0;
    if (ins.has_dest) {
      if (!parser.dest(texts[at++], ins.dest)) return fail(register_error);
      ins.dest.modifiers = modifiers;
    }
    if (ins.opcode == kDcl && !declaration(declared, ins)) return false;
    for (std::size_t i = 0; i < literals; ++i) {
      const std::string value = lower(texts[at++]);
      bool ok = false;
      if (ins.opcode == kDef)
        ok = parse_float_bits(value, ins.literal[i]);
      else if (ins.opcode == kDefi)
        ok = parse_int(value, ins.literal[i]);
      else if (value == "true" || value == "false")
        ok = true, ins.literal[i] = value == "true";
      if (!ok) return fail("bad value \"" + value + "\" for " + base);
    }
    for (int i = 0; i < ins.source_count; ++i) {
      if (!parser.source(texts[at++], ins.sources[i])) return fail(register_error);
    }
    return true;
  }

  // The declaration token of a dcl, once its register is known.
  bool declaration(const Declared& declared, Instruction& ins) {
    ins.declaration = 0x80000000u;
    if (ins.dest.reg.type == kSampler) {
      if (!declared.sampler) return fail("a sampler needs dcl_2d, dcl_cube or dcl_volume");
      ins.declaration |= std::uint32_t(*declared.sampler) << 27;
      return true;
    }
    if (declared.sampler)
      return fail("dcl_2d, dcl_cube and dcl_volume declare samplers only");
    ins.declaration |= declared.usage | declared.usage_index << 16;
    return true;
  }
};

}  // namespace

std::optional<std::vector<std::uint32_t>> assemble(std::string_view text, std::string& error,
                                                   int first_line) {
  Assembler assembler(error);
  int number = first_line;
  int last_line = first_line;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (!assembler.line(text.substr(start, end - start), number)) return std::nullopt;
    last_line = number;
    ++number;
    start = end + 1;
  }
  if (!assembler.have_version) {
    error = "line " + std::to_string(last_line) + ": the program has no version line";
    return std::nullopt;
  }
  std::vector<std::uint32_t> tokens = encode(assembler.program);
  // Check the result with the decoder; a complaint names a token, which maps to a line.
  std::string complaint;
  if (!decode(tokens, complaint)) {
    std::size_t at = 0;
    std::from_chars(complaint.data() + 6, complaint.data() + complaint.size(), at);
    int line = assembler.lines.empty() ? last_line : assembler.lines.front();
    std::size_t offset = 1;
    for (std::size_t i = 0; i < assembler.program.instructions.size(); ++i) {
      if (offset > at) break;
      line = assembler.lines[i];
      const std::uint32_t head = tokens[offset];
      offset += 1 + ((head >> 24) & 0xF);
    }
    const std::size_t colon = complaint.find(": ");
    error = "line " + std::to_string(line) + ": " +
            (colon == std::string::npos ? complaint : complaint.substr(colon + 2));
    return std::nullopt;
  }
  return tokens;
}

}  // namespace bw::bytecode
