// A headless OpenGL 3.3 core context (EGL, Mesa's surfaceless platform) that draws one
// translated effect over a small float target and reads the pixels back, so that tests
// can check what the translated programs compute.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "bytecode/glsl.h"

namespace bw::bytecode::testing {

// One RGBA float texture with any number of mip levels (level 0 first), bound to a unit.
struct TestTexture {
  int unit = 0;
  int width = 1, height = 1;
  std::vector<std::vector<float>> levels;  // RGBA floats per level
};

class GlHarness {
 public:
  // The shared context, or nullptr (with the reason in `why`) when no driver is found.
  static GlHarness* get(std::string& why);

  // Draws the full-target quad with `program` into a width x height RGBA32F target first
  // cleared to `clear`; constants are set per register ("ps_c[3]" ...). Returns the pixels
  // bottom row first, or false with the compile or link log in `error`.
  bool draw(const GlslProgram& program, int width, int height,
            const std::map<std::string, std::vector<float>>& uniforms,
            const std::vector<TestTexture>& textures, float clear, std::vector<float>& pixels,
            std::string& error);

 private:
  GlHarness() = default;
  bool init(std::string& why);
  unsigned vao_ = 0, vbo_ = 0;
};

}  // namespace bw::bytecode::testing
