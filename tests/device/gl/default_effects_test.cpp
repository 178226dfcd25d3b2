// Every effect of the default pictures, assembled from its source, translates and links
// on the GL backend and draws a quad.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/bytecode/effect_source.h"
#include "test_support.h"

namespace bw::device {
namespace {

namespace fs = std::filesystem;

TEST(GlDefaultEffects, EveryEffectLoadsAndDraws) {
  const fs::path root = fs::path(BW_SOURCE_DIR) / "data" / "effects";
  if (!fs::is_directory(root)) GTEST_SKIP() << "no effect sources in " << root;
  auto backend = make_gl_backend();
  GlBackend* gl = backend.get();
  Device device(std::move(backend));
  ASSERT_EQ(device.create(0, 64, 48, 60, false), kCreated);
  int effects = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.path().extension() != ".fx") continue;
    SCOPED_TRACE(entry.path().string());
    ++effects;
    std::ifstream file(entry.path());
    std::stringstream text;
    text << file.rdbuf();
    std::string error;
    const auto image = bytecode::assemble_effect(text.str(), error);
    ASSERT_TRUE(image) << error;
    const auto bytes = bytecode::write_bsf(*image, error);
    ASSERT_TRUE(bytes) << error;
    Shader* shader = device.create_shader();
    ASSERT_TRUE(shader->load(bytes->data(), bytes->size())) << gl->last_error();
    EXPECT_NE(shader->program(), 0u);
    device.set_shader(shader);
    device.draw_quad(0, 0, 1, 1);
    shader->release();
  }
  EXPECT_GT(effects, 0);
}

}  // namespace
}  // namespace bw::device
