// The effect source format: one text file per effect with its parameter and sampler
// declarations and its two programs (see README.md beside this file).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "bytecode/bsf.h"

namespace bw::bytecode {

// How an effect is assembled.
struct EffectOptions {
  // Every subroutine written into its callers (inline_subroutines), for drivers that
  // compile no program with subroutines. A shader model 3 program that then takes more
  // than kMinShaderModel3Slots instruction slots is refused.
  bool inline_subroutines = false;
};

// Assembles an effect source into an image. On a mistake returns nothing and
// "line N: message" in `error`.
std::optional<BsfImage> assemble_effect(std::string_view text, std::string& error,
                                        const EffectOptions& options = {});

// Effect source text of an image: its tables and both programs disassembled. It assembles
// back to the same image. Fails (message in `error`) when a token stream does not decode.
std::optional<std::string> disassemble_effect(const BsfImage& image, std::string& error);

}  // namespace bw::bytecode
