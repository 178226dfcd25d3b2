// The device on the drawing backend of this build (OpenGL on Linux, Direct3D 9 on
// Windows), headless, with effects assembled from source: one body of pixel tests runs
// on either backend.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bytecode/bsf.h"
#include "bytecode/effect_source.h"
#include "device/device.h"
#include "device/shader.h"
#include "device/texture.h"

namespace bw::device {

// Defined once per backend (backend_under_test.cpp beside each backend's tests).
// A headless backend of the kind this test program checks.
std::unique_ptr<Backend> make_backend_under_test();
// What went wrong last on that backend (its compile, link or call error), for messages.
std::string backend_error(Backend& backend);
// True when the backend under test is Wine's Direct3D 9 (wine_differences.h applies).
bool backend_is_wine();

namespace drawing {

// The vertex program of every test effect: position and texture coordinate through.
inline constexpr const char* kPassVertex =
    ".vertex\nvs_3_0\ndcl_position v0\ndcl_texcoord v1\ndcl_position o0\ndcl_texcoord o1\n"
    "mov o0, v0\nmov o1, v1\n";

// An effect of the pass-through vertex program and a ps_3_0 pixel program whose body
// reads the texture coordinate from v0.xy; `declarations` are .param/.sampler lines.
inline std::string effect(const std::string& declarations, const std::string& pixel_body) {
  return declarations + kPassVertex + ".pixel\nps_3_0\ndcl_texcoord v0.xy\ndcl_2d s0\n" +
         pixel_body + "\n";
}

// A headless device of the backend under test.
struct DrawingDevice {
  Backend* backend = nullptr;
  std::unique_ptr<Device> device;

  DrawingDevice() {
    auto made = make_backend_under_test();
    backend = made.get();
    device = std::make_unique<Device>(std::move(made));
  }

  bool create(int width, int height) {
    return device->create(0, width, height, 60, false) == CreateStatus::created;
  }

  // A loaded shader from effect source, or null with a test failure saying why.
  Shader* shader(const std::string& text) {
    std::string error;
    const auto image = bytecode::assemble_effect(text, error);
    const auto bytes = image ? bytecode::write_bsf(*image, error) : std::nullopt;
    if (!bytes) {
      ADD_FAILURE() << error << "\n" << text;
      return nullptr;
    }
    Shader* shader = device->create_shader();
    if (!shader->load(bytes->data(), bytes->size())) {
      ADD_FAILURE() << "does not load: " << backend_error(*backend) << "\n" << text;
      shader->release();
      return nullptr;
    }
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

// An RGBA image of distinct-looking pixels (a small hash of the position).
inline std::vector<std::uint8_t> pattern(int width, int height, std::uint32_t seed = 1) {
  std::vector<std::uint8_t> rgba(static_cast<std::size_t>(width) * height * 4);
  std::uint32_t state = seed;
  for (auto& byte : rgba) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return rgba;
}

// The text of a shipped effect source as the build assembles it: a plan shape (a file of
// the shapes folder) is followed by the subroutines of shapes/library.fxi.
inline std::string shipped_effect_text(const std::filesystem::path& file) {
  auto read = [](const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  std::string text = read(file);
  if (file.parent_path().filename() == "shapes") text += read(file.parent_path() / "library.fxi");
  return text;
}

}  // namespace drawing
}  // namespace bw::device
