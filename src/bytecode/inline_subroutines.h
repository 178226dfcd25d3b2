// Subroutines written into their callers, for drivers that compile no program with
// subroutines, and the instruction slots a program takes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "bytecode/program.h"

namespace bw::bytecode {

// The instruction slots a shader model 3 program must hold at least (ps_3_0 and vs_3_0).
inline constexpr std::uint32_t kMinShaderModel3Slots = 512;

// The program with every `call lN` replaced by the body of subroutine lN (its own calls
// inlined too) and every `callnz lN, b` by `if b`, the body, `endif`; the subroutines
// themselves and main's closing `ret` are left out, and every declaration (dcl, def, defi,
// defb) comes first, in its order. A subroutine must end with its one `ret`: one that
// returns early, calls itself, or is not defined, or a program that would grow past 65536
// instructions, gives nothing and a one-line reason in `error`.
std::optional<Program> inline_subroutines(const Program& program, std::string& error);

// Whether `program`, with its subroutines written into their callers, stays within the
// bound inline_subroutines keeps (65536 instructions); computed without writing them out,
// so that a small program that would grow without end is refused cheaply wherever an
// effect is loaded (a driver that compiles it would write every call out itself). False
// with a one-line reason in `error` when it does not.
bool inlined_size_within_bound(const Program& program, std::string& error);

// The instruction slots `program` takes, counted as Direct3D 9 counts them for ps_3_0
// (declarations and labels none, sincos 8, lrp 2 ...; see OpcodeInfo::slots).
std::uint32_t instruction_slots(const Program& program);

}  // namespace bw::bytecode
