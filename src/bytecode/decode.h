// Decoder of Direct3D 9 token streams into a Program.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "bytecode/program.h"

namespace bw::bytecode {

// Decodes a whole token stream: version token, instructions (comment blocks skipped), end
// token. Checks every length, opcode, version rule and register index; on damage returns
// nothing and a one-line message naming the token offset ("token 12: ...") in `error`.
std::optional<Program> decode(std::span<const std::uint32_t> tokens, std::string& error);

}  // namespace bw::bytecode
