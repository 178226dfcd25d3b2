// GLSL translator: the first word says how many of the following tokens form the vertex
// program; the rest is the pixel program. Any input translates or gives a message.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bytecode/glsl.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bw::bytecode;
  std::vector<std::uint32_t> tokens(size / 4);
  if (tokens.empty()) return 0;
  std::memcpy(tokens.data(), data, tokens.size() * 4);
  const std::size_t split = 1 + tokens[0] % tokens.size();
  const std::span<const std::uint32_t> all(tokens);
  std::string error;
  auto program = translate_to_glsl(all.subspan(1, split - 1), all.subspan(split), error);
  if (!program && error.empty()) std::abort();
  return 0;
}
