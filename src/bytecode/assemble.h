// Assembler of Direct3D 9 shader assembly text and encoder of decoded programs, and the
// disassembler that turns a program back into text that assembles to the same tokens.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytecode/program.h"

namespace bw::bytecode {

// Encodes a program as a token stream (version token first, end token last).
std::vector<std::uint32_t> encode(const Program& program);

// Assembles one program in the usual syntax (vs_2_0 ... ps_3_0, dcl_*, def/defi/defb,
// swizzles, write masks, modifiers, relative addressing, predication, flow control). On a
// mistake returns nothing and "line N: message" in `error`; `first_line` is the line
// number of the text's first line in its file.
std::optional<std::vector<std::uint32_t>> assemble(std::string_view text, std::string& error,
                                                   int first_line = 1);

// Assembly text of a program, one instruction per line, that assemble() turns back into
// the same tokens (non-finite def values are written as 0x-prefixed bit patterns, which only
// this assembler reads).
std::string disassemble(const Program& program);

// Text of one register as written in assembly ("r3", "oPos", "c[a0.x + 2]" ...).
std::string register_name(const Version& version, const Register& reg);

}  // namespace bw::bytecode
