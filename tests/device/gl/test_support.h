// Helpers of the GL pixel tests: a headless device on llvmpipe and hand-written programs
// that follow the translator's interface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/bytecode/bsf.h"
#include "device/bytecode/glsl.h"
#include "device/device.h"
#include "device/gl/gl_backend.h"
#include "device/shader.h"
#include "device/texture.h"

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
  program.ps_samplers = {{"ps_s0", 0, bytecode::SamplerKind::k2D},
                         {"ps_s1", 1, bytecode::SamplerKind::k2D}};
  return program;
}

// A headless device whose programs come from `next_program` instead of the translator.
struct GlDevice {
  GlBackend* gl = nullptr;
  std::unique_ptr<Device> device;
  bytecode::GlslProgram next_program;

  bool create(int width, int height) {
    auto backend = make_gl_backend();
    gl = backend.get();
    gl->set_translator([this](std::span<const std::uint32_t>, std::span<const std::uint32_t>,
                              std::string&) { return std::optional(next_program); });
    device = std::make_unique<Device>(std::move(backend));
    return device->create(0, width, height, 60, false) == kCreated;
  }

  // A shader whose tables are `tables` and whose pixel program runs `body`.
  Shader* shader(const std::string& body, bytecode::BsfImage tables) {
    next_program = hand_program(fragment(body));
    tables.vs.code = {0xFFFE0300u, 0x0000FFFFu};
    tables.ps.code = {0xFFFF0300u, 0x0000FFFFu};
    std::string error;
    const auto bytes = bytecode::write_bsf(tables, error);
    Shader* shader = device->create_shader();
    if (!bytes || !shader->load(bytes->data(), bytes->size())) return nullptr;
    return shader;
  }

  std::vector<std::uint8_t> read(const Texture& texture) {
    std::vector<std::uint8_t> rgba;
    int width = 0, height = 0;
    device->read_texture(texture, rgba, width, height);
    return rgba;
  }
  std::vector<std::uint8_t> read_back_buffer() {
    std::vector<std::uint8_t> rgba;
    int width = 0, height = 0;
    device->read_back_buffer(rgba, width, height);
    return rgba;
  }
};

}  // namespace bw::device::gltest
