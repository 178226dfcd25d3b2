// Token decoder: any tokens give a program or a message; a program's listing assembles.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bytecode/assemble.h"
#include "bytecode/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bw::bytecode;
  std::vector<std::uint32_t> tokens(size / 4);
  if (!tokens.empty()) std::memcpy(tokens.data(), data, tokens.size() * 4);
  std::string error;
  auto program = decode(tokens, error);
  if (!program) {
    if (error.rfind("token ", 0) != 0) std::abort();
    return 0;
  }
  // Re-encoding a decoded program must decode again.
  if (!decode(encode(*program), error)) std::abort();
  (void)assemble(disassemble(*program), error);
  return 0;
}
