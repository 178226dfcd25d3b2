// Hand-written programs that, together, use every opcode the translator supports in every
// version it reads, and a helper to find the project's effect sources.
#pragma once

#include <string>
#include <vector>

namespace bw::bytecode::testing {

struct NamedProgram {
  const char* name;
  const char* text;  // assembly of one program
};

// Vertex programs (vs_2_0, vs_2_x, vs_3_0) and pixel programs (ps_2_0, ps_2_x, ps_3_0).
const std::vector<NamedProgram>& vertex_programs();
const std::vector<NamedProgram>& pixel_programs();

// Smallest partners used to translate one program of the other stage.
extern const char* const kPlainVertex;
extern const char* const kPlainPixel;

// Paths of every effect source the project ships (data/effects/*.fx).
std::vector<std::string> shipped_effects();

// Whole contents of a file.
std::string read_text(const std::string& path);

// Our listing of a program: the text assembled, decoded and disassembled; "" with `error`
// set when a step fails.
std::string listing_of(const std::string& text, std::string& error);

}  // namespace bw::bytecode::testing
