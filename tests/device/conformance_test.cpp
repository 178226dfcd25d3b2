// Instruction conformance of effects: for each instruction and modifier the effects use,
// a tiny effect whose one output pixel must equal what Direct3D 9 defines for it.
// Rendered headless on the backend of this build through the whole device path (effect
// source -> token streams -> .bsf -> Shader::load -> program -> quad).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "bytecode/effect_source.h"
#include "drawing_device.h"
#include "instruction_cases.h"
#include "wine_differences.h"

namespace bw::device {
namespace {

using instruction_cases::Case;
using instruction_cases::kCases;
using instruction_cases::kDefinitions;
using instruction_cases::effect_source;
using instruction_cases::expected_byte;

// A headless device of the backend under test.
struct TranslatingDevice {
  drawing::DrawingDevice d;
  std::unique_ptr<Device>& device = d.device;

  // Assembles and draws an effect over the whole cleared back buffer; false (with a
  // failure recorded) when it does not assemble or load.
  bool render(const std::string& text, std::uint8_t (&pixel)[4],
              const bytecode::EffectOptions& options = {}) {
    std::string error;
    const auto image = bytecode::assemble_effect(text, error, options);
    const auto bytes = image ? bytecode::write_bsf(*image, error) : std::nullopt;
    if (!bytes) {
      ADD_FAILURE() << error;
      return false;
    }
    Shader* shader = device->create_shader();
    if (!shader->load(bytes->data(), bytes->size())) {
      ADD_FAILURE() << backend_error(*d.backend);
      return false;
    }
    device->clear(0, 0, 0);
    device->set_shader(shader);
    device->draw_quad(0, 0, 1, 1);
    std::vector<std::uint8_t> rgba;
    int width = 0, height = 0;
    const bool read = device->read_back_buffer(rgba, width, height);
    EXPECT_TRUE(read);
    if (read) std::copy(rgba.begin(), rgba.begin() + 4, pixel);
    shader->release();
    return read;
  }
};

TEST(DeviceConformance, EachInstructionGivesItsDirect3DResult) {
  TranslatingDevice d;
  ASSERT_EQ(d.device->create(0, 2, 2, 60, false), CreateStatus::created);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    // Under Wine a listed case gives Wine's value, or nothing to hold it to.
    const WineDifference* wine = backend_is_wine() ? wine_difference(c.name) : nullptr;
    const float* r0 = wine != nullptr ? wine->wine_r0 : c.r0;
    std::uint8_t pixel[4] = {};
    if (!d.render(effect_source(c), pixel) || (wine != nullptr && !wine->wine_fixed)) continue;
    for (int channel = 0; channel < 4; ++channel)
      EXPECT_NEAR(pixel[channel], expected_byte(r0[channel]), 1) << "component " << channel;
  }
}

// Subroutines written into their callers compute what the calls did, on every backend
// (Wine's included, which compiles no program with a subroutine): nested calls inside a
// loop, a subroutine called from two places, callnz taken and not taken.
TEST(DeviceConformance, InlinedSubroutinesGiveTheCallsResult) {
  TranslatingDevice d;
  ASSERT_EQ(d.device->create(0, 2, 2, 60, false), CreateStatus::created);
  const Case cases[] = {
      {"inlined call", false, "mov r0, c7.z\ncall l0\nmov r0.x, c4.x", {1.0f, -0.25f, 0.75f, 1.0f},
       "label l0\nmov r0, c0\nret"},
      {"inlined nested calls in a loop", false, "mov r0, c7.z\nrep i0\ncall l1\nendrep",
       {0.75f, 1.5f, 0, 0},
       "label l1\ncall l2\nadd r0.y, r0.y, c7.y\nret\nlabel l2\nadd r0.x, r0.x, c7.x\nret"},
      {"inlined callnz", false,
       "defb b0, true\ndefb b1, false\nmov r0, c7.z\ncallnz l0, b0\ncallnz l1, b1\ncall l0",
       {2.0f, 0, 0, 0}, "label l0\nadd r0.x, r0.x, c4.x\nret\nlabel l1\nmov r0, c0\nret"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::uint8_t pixel[4] = {};
    if (!d.render(effect_source(c), pixel, {.inline_subroutines = true})) continue;
    for (int channel = 0; channel < 4; ++channel)
      EXPECT_NEAR(pixel[channel], expected_byte(c.r0[channel]), 1) << "component " << channel;
  }
}

// vPos is the pixel's integer position (Direct3D 9 pixel centres, row 0 at the top) and
// the screen derivatives of the texture coordinate are one pixel's step: u grows to the
// right, v downward.
TEST(DeviceConformance, PixelPositionAndDerivativesFollowDirect3D) {
  TranslatingDevice d;
  ASSERT_EQ(d.device->create(0, 4, 2, 60, false), CreateStatus::created);
  const char* text =
      ".vertex\nvs_3_0\ndcl_position v0\ndcl_texcoord v1\ndcl_position o0\n"
      "dcl_texcoord o1\nmov o0, v0\nmov o1, v1\n"
      ".pixel\nps_3_0\ndef c7, 0.125, 0, 0, 0\ndcl vPos.xy\ndcl_texcoord v0.xy\n"
      "mul r0.xy, vPos, c7.x\ndsx r1, v0\ndsy r2, v0\nmov r0.z, r1.x\nmov r0.w, r2.y\n"
      "mov oC0, r0\n";
  std::uint8_t first[4] = {};
  ASSERT_TRUE(d.render(text, first));
  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  ASSERT_TRUE(d.device->read_back_buffer(rgba, width, height));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      const std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * 4 + x) * 4];
      EXPECT_NEAR(p[0], x * 32, 1) << x << "," << y;
      EXPECT_NEAR(p[1], y * 32, 1) << x << "," << y;
      EXPECT_NEAR(p[2], 64, 1) << "du/dx is 1/4";
      EXPECT_NEAR(p[3], 128, 1) << "dv/dy is 1/2";
    }
}

// texkill discards the pixel when any of x, y and z is below zero (w takes no part): the
// target keeps its clear colour; otherwise the pixel is written.
TEST(DeviceConformance, TexkillDiscardsOnANegativeComponent) {
  TranslatingDevice d;
  ASSERT_EQ(d.device->create(0, 2, 2, 60, false), CreateStatus::created);
  for (const auto& [source, killed] :
       {std::pair{"mov r1, c1\ntexkill r1", true}, std::pair{"mov r1, c0.xxxw\ntexkill r1", false},
        std::pair{"mov r1, c2.wwzw\ntexkill r1", true},
        std::pair{"mov r1, c2.wwwz\ntexkill r1", false}}) {
    SCOPED_TRACE(source);
    const std::string text = std::string(".vertex\nvs_3_0\ndcl_position v0\ndcl_position o0\n"
                                         "mov o0, v0\n.pixel\nps_3_0\n") +
                             kDefinitions + source + "\nmov oC0, c4\n";
    std::uint8_t pixel[4] = {};
    if (!d.render(text, pixel)) continue;
    // Wine discards on a negative w as well (listed in wine_differences.h).
    const bool w_alone = std::string(source).find("c2.wwwz") != std::string::npos;
    const bool wine_kills =
        w_alone && backend_is_wine() && wine_difference("texkill on w alone") != nullptr;
    EXPECT_EQ(pixel[0], killed || wine_kills ? 0 : 255);
  }
}

}  // namespace
}  // namespace bw::device
