// Every effect of the default pictures, assembled from its source, loads on the backend of
// this build (translated and linked on GL, accepted by the runtime on Direct3D 9) and
// draws a quad.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "bytecode/effect_source.h"
#include "drawing_device.h"

namespace bw::device {
namespace {

namespace fs = std::filesystem;

TEST(DeviceDefaultEffects, EveryEffectLoadsAndDraws) {
  const fs::path root = fs::path(BW_SOURCE_DIR) / "data" / "effects";
  if (!fs::is_directory(root)) GTEST_SKIP() << "no effect sources in " << root;
  auto made = make_backend_under_test();
  Backend* backend = made.get();
  Device device(std::move(made));
  ASSERT_EQ(device.create(0, 64, 48, 60, false), CreateStatus::created);
  int effects = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.path().extension() != ".fx") continue;
    SCOPED_TRACE(entry.path().string());
    ++effects;
    std::string error;
    // As the build assembles them.
    const auto image = bytecode::assemble_effect(drawing::shipped_effect_text(entry.path()),
                                                 error, {.inline_subroutines = true});
    ASSERT_TRUE(image) << error;
    const auto bytes = bytecode::write_bsf(*image, error);
    ASSERT_TRUE(bytes) << error;
    Shader* shader = device.create_shader();
    ASSERT_TRUE(shader->load(bytes->data(), bytes->size())) << backend_error(*backend);
    EXPECT_NE(shader->program(), 0u);
    device.set_shader(shader);
    device.draw_quad(0, 0, 1, 1);
    shader->release();
  }
  EXPECT_GT(effects, 0);
}

}  // namespace
}  // namespace bw::device
