// Translation of one decoded program into the body of a GLSL 3.30 shader; used by the
// pair translator in glsl.cpp, which adds the interface (uniforms, inputs, varyings).
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bytecode/program.h"

namespace bw::bytecode::glsl_detail {

// An input or output register declaration.
struct Io {
  std::uint8_t type = 0;
  std::uint32_t index = 0;
  std::uint32_t usage = 0;
  std::uint32_t usage_index = 0;
  bool centroid = false;
};

// What a translated program declares and needs.
struct StageCode {
  std::string prefix;                                // "vs" or "ps"
  std::string globals;                               // register globals and constants
  std::string helpers;                               // helper functions it calls
  std::string functions;                             // bw_main and the subroutines
  std::string init;                                  // statements main() runs first
  std::uint32_t constant_count = 0;                  // size of the float constant array
  bool int_uniforms = false, bool_uniforms = false;  // reads i# / b# not set by defi/defb
  std::map<std::uint32_t, SamplerType> samplers;     // register -> D3DSTT type
  std::vector<Io> inputs;                            // declared inputs (v#, t#)
  std::vector<Io> outputs;                           // written outputs, with their usage
  std::set<std::uint32_t> color_outputs;             // oC# written
  bool depth_output = false, reads_vpos = false, reads_vface = false, uses_frag_y = false;
};

// Translates `program`. On failure returns false with a one-line message in `error` that
// names the token offset.
bool translate_stage(const Program& program, StageCode& out, std::string& error);

// Name of the varying that carries this usage and index between the two programs.
std::string varying_name(std::uint32_t usage, std::uint32_t usage_index);

}  // namespace bw::bytecode::glsl_detail
