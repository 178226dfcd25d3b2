// Hand-written GL programs for the window tests, following the translator's interface
// (its uniform and attribute names and the position hook).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bytecode/bsf.h"
#include "bytecode/glsl.h"
#include "device/gl/gl_backend.h"

namespace bw::device::gltest {

// The vertex program every hand-written effect uses: position and texture coordinate
// through, with the device's position hook.
inline const char* kPassVertex = R"(#version 330 core
layout(location = 0) in vec4 in_position;
layout(location = 1) in vec4 in_texcoord;
uniform vec4 bw_position;
out vec4 bw_texcoord0;
void main() {
  vec4 p = in_position;
  bw_texcoord0 = in_texcoord;
  gl_Position = vec4(p.x * bw_position.x + bw_position.z * p.w,
                     p.y * bw_position.y + bw_position.w * p.w, 2.0 * p.z - p.w, p.w);
}
)";

// A fragment program with the given body; ps_c[8] and samplers ps_s0, ps_s1 declared.
inline std::string fragment(const std::string& body) {
  return "#version 330 core\n"
         "uniform vec4 ps_c[8];\n"
         "uniform sampler2D ps_s0;\n"
         "uniform sampler2D ps_s1;\n"
         "in vec4 bw_texcoord0;\n"
         "layout(location = 0) out vec4 bw_out0;\n"
         "void main() {\n" + body + "\n}\n";
}

inline bytecode::GlslProgram hand_program(const std::string& fragment_source) {
  bytecode::GlslProgram program;
  program.vertex = kPassVertex;
  program.fragment = fragment_source;
  program.ps_constant_count = 8;
  program.ps_samplers = {{"ps_s0", 0, bytecode::SamplerKind::two_d},
                         {"ps_s1", 1, bytecode::SamplerKind::two_d}};
  return program;
}

}  // namespace bw::device::gltest
