// The engine on the GL backend (headless llvmpipe) with a small effect set of its own:
// three pictures painted one after the other must differ and must not be blank.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "device/gl/gl_backend.h"
#include "painter/engine.h"
#include "test_effect_set.h"

namespace bw::painter {
namespace {

TEST(GlPaint, ThreePicturesDifferAndAreNotBlank) {
  const auto files = testing::effect_set_files("GlTest", "PLANS=2 BGCOLOR=1");
  for (const auto& [path, bytes] : files) ASSERT_FALSE(bytes.empty()) << path;

  PainterState state;
  SimulatedClock clock(30.0);
  state.clock = &clock;
  state.seed = 777;
  state.delay = 0.0f;
  state.picture_name = "GlTest";
  state.render_width = state.target_width = 320;
  state.render_height = state.target_height = 200;
  state.fetch = [&](const std::string& path) -> std::optional<std::vector<std::uint8_t>> {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
  };
  state.image_source.by_path = [](const std::string&, int& width, int& height) {
    width = 16;
    height = 16;
    return std::optional(testing::pattern(16, 16, 5));
  };
  state.image_source.by_store = [](int number, int store, int& count) {
    count = 50;
    const auto seed = static_cast<std::uint32_t>(number * 7 + store);
    return std::optional(testing::pattern(32, 32, seed));
  };
  auto backend = device::make_gl_backend();
  ASSERT_EQ(start_engine(state, std::move(backend), 0, false), StartResult::started);
  ASSERT_NE(state.paint_effect, nullptr);
  ASSERT_NE(state.formgen_effects[1], nullptr);

  std::vector<std::vector<std::uint8_t>> pictures;
  for (int frame = 0; frame < 2000 && pictures.size() < 3; ++frame) {
    const int built = state.pictures_built;
    state.device->begin_frame();
    state.device->clear(0, 0, 0);
    draw_frame(state);
    state.device->end_frame();
    state.device->present();
    if (state.pictures_built == built) continue;
    std::vector<std::uint8_t> rgba;
    int width = 0, height = 0;
    ASSERT_TRUE(state.device->read_texture(*state.last_capture, rgba, width, height));
    ASSERT_EQ(width, 320);
    ASSERT_EQ(height, 200);
    pictures.push_back(std::move(rgba));
  }
  ASSERT_EQ(pictures.size(), 3u);
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    std::set<std::uint32_t> colours;
    for (std::size_t p = 0; p + 3 < pictures[i].size(); p += 4) {
      colours.insert(pictures[i][p] | pictures[i][p + 1] << 8 | pictures[i][p + 2] << 16);
    }
    EXPECT_GT(colours.size(), 100u) << "picture " << i << " is (nearly) uniform";
    for (std::size_t j = 0; j < i; ++j) {
      EXPECT_NE(pictures[i], pictures[j]) << "pictures " << j << " and " << i;
    }
  }
}

}  // namespace
}  // namespace bw::painter
