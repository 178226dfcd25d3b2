// Reader and writer of the effect source format.
#include "bytecode/effect_source.h"

#include <cctype>
#include <charconv>
#include <vector>

#include "bytecode/assemble.h"
#include "bytecode/decode.h"
#include "bytecode/inline_subroutines.h"

namespace bw::bytecode {
namespace {

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const std::size_t start = i;
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

bool register_number(std::string_view word, char prefix, std::uint32_t& value) {
  if (word.size() < 2 || std::tolower(static_cast<unsigned char>(word[0])) != prefix) {
    return false;
  }
  auto [end, ec] = std::from_chars(word.data() + 1, word.data() + word.size(), value);
  return ec == std::errc() && end == word.data() + word.size();
}

std::string_view strip_comment(std::string_view line) {
  for (const char* marker : {"//", ";"}) {
    const std::size_t at = line.find(marker);
    if (at != std::string_view::npos) line = line.substr(0, at);
  }
  return line;
}

// `tokens` with their subroutines inlined; false with "line N: message" in `error`, N
// being the line where the program's section begins.
bool inline_program(std::vector<std::uint32_t>& tokens, const char* section_name, int line,
                    std::string& error) {
  auto fail = [&](const std::string& what) {
    error = "line " + std::to_string(line) + ": " + what;
    return false;
  };
  std::string reason;
  auto program = decode(tokens, reason);
  if (program) program = inline_subroutines(*program, reason);
  if (!program) return fail(std::string("the ") + section_name + " program: " + reason);
  const std::uint32_t slots = instruction_slots(*program);
  if (program->version.is_3() && slots > kMinShaderModel3Slots) {
    return fail(std::string("the ") + section_name + " program takes " + std::to_string(slots) +
                " instruction slots with its subroutines inlined, more than the " +
                std::to_string(kMinShaderModel3Slots) + " of shader model 3");
  }
  tokens = encode(*program);
  return true;
}

}  // namespace

std::optional<BsfImage> assemble_effect(std::string_view text, std::string& error,
                                        const EffectOptions& options) {
  BsfImage image;
  enum class Section { tables, vertex, pixel } section = Section::tables;
  std::string programs[2];
  int program_line[2] = {0, 0};
  bool seen[2] = {false, false};
  int number = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    const std::vector<std::string_view> w = words(strip_comment(line));
    auto fail = [&](const std::string& what) {
      error = "line " + std::to_string(number) + ": " + what;
      return std::nullopt;
    };
    if (!w.empty() && (w[0] == ".vertex" || w[0] == ".pixel")) {
      const int which = w[0] == ".vertex" ? 0 : 1;
      if (w.size() != 1) return fail(std::string(w[0]) + " takes nothing after it");
      if (seen[which]) return fail(std::string(w[0]) + " appears twice");
      seen[which] = true;
      section = which == 0 ? Section::vertex : Section::pixel;
      program_line[which] = number + 1;
      continue;
    }
    if (section != Section::tables) {
      programs[section == Section::vertex ? 0 : 1] += std::string(line) + "\n";
      continue;
    }
    if (w.empty()) continue;
    if (w[0] != ".param" && w[0] != ".sampler") {
      return fail("expected .param, .sampler, .vertex or .pixel, found \"" + std::string(w[0]) +
                  "\"");
    }
    const bool param = w[0] == ".param";
    if (w.size() != (param ? 5u : 4u)) {
      return fail(param ? ".param takes: vs|ps NAME cN COMPONENTS"
                        : ".sampler takes: vs|ps NAME sN");
    }
    if (w[1] != "vs" && w[1] != "ps")
      return fail("expected vs or ps, found \"" + std::string(w[1]) + "\"");
    BsfStage& stage = w[1] == "vs" ? image.vs : image.ps;
    const std::string name(w[2]);
    if (name.size() >= kNameBytes) return fail("name \"" + name + "\" is longer than 63 bytes");
    std::uint32_t reg = 0;
    if (param) {
      std::uint32_t components = 0;
      if (!register_number(w[3], 'c', reg) || reg >= kMaxConstantRegisters) {
        return fail("bad constant register \"" + std::string(w[3]) + "\"");
      }
      auto [p, ec] = std::from_chars(w[4].data(), w[4].data() + w[4].size(), components);
      if (ec != std::errc() || p != w[4].data() + w[4].size() || components < 1 || components > 4) {
        return fail("component count must be 1 to 4, found \"" + std::string(w[4]) + "\"");
      }
      stage.constants.push_back({name, components - 1, reg});
    } else {
      const std::uint32_t limit = &stage == &image.ps ? kMaxSamplerStages : 4;
      if (!register_number(w[3], 's', reg) || reg >= limit) {
        return fail("bad sampler register \"" + std::string(w[3]) + "\"");
      }
      stage.samplers.push_back({name, reg});
    }
  }
  for (int which = 0; which < 2; ++which) {
    const char* section_name = which == 0 ? ".vertex" : ".pixel";
    if (!seen[which]) {
      error = "line " + std::to_string(number) + ": the effect has no " + section_name + " section";
      return std::nullopt;
    }
    auto tokens = assemble(programs[which], error, program_line[which]);
    if (!tokens) return std::nullopt;
    if (options.inline_subroutines &&
        !inline_program(*tokens, which == 0 ? "vertex" : "pixel", program_line[which], error))
      return std::nullopt;
    const Stage want = which == 0 ? Stage::vertex : Stage::pixel;
    if (((*tokens)[0] >> 16 == 0xFFFF) != (want == Stage::pixel)) {
      error = "line " + std::to_string(program_line[which]) + ": the " + section_name +
              " section holds a " + (want == Stage::pixel ? "vertex" : "pixel") + " program";
      return std::nullopt;
    }
    (which == 0 ? image.vs : image.ps).code = std::move(*tokens);
  }
  return image;
}

std::optional<std::string> disassemble_effect(const BsfImage& image, std::string& error) {
  std::string text;
  const BsfStage* stages[2] = {&image.vs, &image.ps};
  const char* names[2] = {"vs", "ps"};
  for (int i = 0; i < 2; ++i) {
    for (const ShaderConstant& c : stages[i]->constants) {
      text += ".param " + std::string(names[i]) + " " + c.name + " c" + std::to_string(c.reg) +
              " " + std::to_string(c.last + 1) + "\n";
    }
  }
  for (int i = 0; i < 2; ++i) {
    for (const ShaderSampler& s : stages[i]->samplers) {
      text +=
          ".sampler " + std::string(names[i]) + " " + s.name + " s" + std::to_string(s.reg) + "\n";
    }
  }
  for (int i = 0; i < 2; ++i) {
    auto program = decode(stages[i]->code, error);
    if (!program) {
      error = std::string(i == 0 ? "vertex" : "pixel") + " shader: " + error;
      return std::nullopt;
    }
    text += i == 0 ? ".vertex\n" : ".pixel\n";
    text += disassemble(*program);
  }
  return text;
}

}  // namespace bw::bytecode
