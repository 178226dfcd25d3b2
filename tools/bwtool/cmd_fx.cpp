// bwtool fx asm | dis | glsl: assemble an effect source into a .bsf image, show an image as
// effect source or as one program's assembly, show the GLSL the device would compile.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "command.h"
#include "bytecode/assemble.h"
#include "bytecode/bsf.h"
#include "bytecode/decode.h"
#include "bytecode/effect_source.h"
#include "bytecode/glsl.h"

namespace bwtool {
namespace {

namespace bc = bw::bytecode;

bool read_file(const std::string& path, std::string& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

int report(const char* command, const std::string& path, const std::string& message) {
  std::fprintf(stderr, "bwtool %s: \"%s\": %s\n", command, path.c_str(), message.c_str());
  return 1;
}

int usage(const char* command, const char* text) {
  std::fprintf(stderr, "bwtool %s: usage: %s\n", command, text);
  return kUsageError;
}

// Reads and parses a .bsf image; prints the failure and returns false.
bool load_image(const char* command, const std::string& path, bc::BsfImage& image) {
  std::string bytes;
  if (!read_file(path, bytes)) return report(command, path, "cannot read the file"), false;
  std::string error;
  auto parsed = bc::read_bsf(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), error);
  if (!parsed) return report(command, path, error), false;
  image = std::move(*parsed);
  return true;
}

constexpr const char* kAsmUsage = "bwtool fx asm SRC [--inline-subroutines] -o OUT.bsf";

int run_asm(std::span<char* const> args) {
  std::string source, output;
  bc::EffectOptions options;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string arg = args[i];
    if (arg == "-o" && i + 1 < args.size()) {
      output = args[++i];
    } else if (arg == "--inline-subroutines") {
      options.inline_subroutines = true;
    } else if (source.empty() && !arg.empty() && arg[0] != '-') {
      source = arg;
    } else {
      return usage("fx asm", kAsmUsage);
    }
  }
  if (source.empty() || output.empty()) return usage("fx asm", kAsmUsage);
  std::string text;
  if (!read_file(source, text)) return report("fx asm", source, "cannot read the file");
  std::string error;
  auto image = bc::assemble_effect(text, error, options);
  if (!image) return report("fx asm", source, error);
  auto bytes = bc::write_bsf(*image, error);
  if (!bytes) return report("fx asm", source, error);
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes->data()),
            static_cast<std::streamsize>(bytes->size()));
  out.close();
  if (!out) return report("fx asm", output, "cannot write the file");
  return 0;
}

// Which shaders of an effect "fx dis" lists.
enum class ShaderChoice { both, vertex, pixel };

int run_dis(std::span<char* const> args) {
  std::string path;
  ShaderChoice shaders = ShaderChoice::both;
  for (const char* raw : args) {
    const std::string arg = raw;
    if (arg == "--vs" && shaders == ShaderChoice::both)
      shaders = ShaderChoice::vertex;
    else if (arg == "--ps" && shaders == ShaderChoice::both)
      shaders = ShaderChoice::pixel;
    else if (path.empty() && !arg.empty() && arg[0] != '-')
      path = arg;
    else
      return usage("fx dis", "bwtool fx dis FILE.bsf [--vs | --ps]");
  }
  if (path.empty()) return usage("fx dis", "bwtool fx dis FILE.bsf [--vs | --ps]");
  bc::BsfImage image;
  if (!load_image("fx dis", path, image)) return 1;
  std::string error;
  if (shaders == ShaderChoice::both) {
    auto text = bc::disassemble_effect(image, error);
    if (!text) return report("fx dis", path, error);
    std::fputs(text->c_str(), stdout);
    return 0;
  }
  const bool vertex = shaders == ShaderChoice::vertex;
  auto program = bc::decode(vertex ? image.vs.code : image.ps.code, error);
  if (!program) {
    return report("fx dis", path,
                  std::string(vertex ? "vertex" : "pixel") + " shader: " + error);
  }
  std::fputs(bc::disassemble(*program).c_str(), stdout);
  return 0;
}

int run_glsl(std::span<char* const> args) {
  if (args.size() != 1 || args[0][0] == '-') return usage("fx glsl", "bwtool fx glsl FILE.bsf");
  const std::string path = args[0];
  bc::BsfImage image;
  if (!load_image("fx glsl", path, image)) return 1;
  std::string error;
  auto program = bc::translate_to_glsl(image.vs.code, image.ps.code, error);
  if (!program) return report("fx glsl", path, error);
  std::printf("// vertex shader\n%s// fragment shader\n%s", program->vertex.c_str(),
              program->fragment.c_str());
  return 0;
}

const CommandRegistration asm_command(
    "fx asm",
    "  fx asm SRC [--inline-subroutines] -o OUT.bsf\n"
    "                          assemble an effect source into a .bsf image (with every\n"
    "                          subroutine written into its callers)\n",
    &run_asm);
const CommandRegistration dis_command(
    "fx dis",
    "  fx dis FILE.bsf [--vs | --ps]\n"
    "                          show an effect as source, or one program as assembly\n",
    &run_dis);
const CommandRegistration glsl_command(
    "fx glsl", "  fx glsl FILE.bsf        show the GLSL sources the device compiles\n", &run_glsl);

}  // namespace
}  // namespace bwtool
