// bwtool fx render end to end: an effect assembled here, images written as PNG, the
// picture read back from the PNG the command writes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets/png_reader.h"
#include "assets/png_writer.h"
#include "bytecode/bsf.h"
#include "bytecode/effect_source.h"

namespace {

namespace fs = std::filesystem;

const fs::path kDir = fs::path(BW_TEST_TMPDIR) / "fx_render";

// The engine's two-texture cross-fade with a second parameter that tints red.
const char* kFade =
    ".param ps alpha c0 1\n.param ps tint c1 3\n"
    ".sampler ps texSampler0 s0\n.sampler ps texSampler1 s1\n"
    ".vertex\nvs_3_0\ndcl_position v0\ndcl_texcoord v1\ndcl_position o0\ndcl_texcoord o1\n"
    "mov o0, v0\nmov o1, v1\n"
    ".pixel\nps_3_0\ndcl_texcoord v0.xy\ndcl_2d s0\ndcl_2d s1\n"
    "texld r0, v0, s0\ntexld r1, v0, s1\nlrp r2, c0.x, r1, r0\nadd oC0, r2, c1\n";

void write_effect(const fs::path& path, const char* source) {
  std::string error;
  const auto image = bw::bytecode::assemble_effect(source, error);
  ASSERT_TRUE(image) << error;
  const auto bytes = bw::bytecode::write_bsf(*image, error);
  ASSERT_TRUE(bytes) << error;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes->data()), static_cast<std::streamsize>(bytes->size()));
}

// A width x height image of one colour, except a white top-left pixel.
void write_image(const fs::path& path, int width, int height, std::uint8_t r, std::uint8_t g,
                 std::uint8_t b) {
  auto image = *bw::assets::PixelBuffer::allocate(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = image.pixel(x, y);
      const bool corner = x == 0 && y == 0;
      p[0] = corner ? 255 : r;
      p[1] = corner ? 255 : g;
      p[2] = corner ? 255 : b;
      p[3] = 255;
    }
  std::string error;
  ASSERT_TRUE(bw::assets::save_png(image, path.string(), &error)) << error;
}

struct ToolRun {
  int status = -1;
  std::string errors;
};

ToolRun bwtool(const std::string& args) {
  const fs::path errors = kDir / "stderr.txt";
  const std::string command =
      std::string(BWTOOL) + " " + args + " 2>" + errors.string() + " >/dev/null";
  const int raw = std::system(command.c_str());
  ToolRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(errors);
  run.errors.assign(std::istreambuf_iterator<char>(in), {});
  return run;
}

class FxRender : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(kDir);
    write_effect(kDir / "fade.bsf", kFade);
    write_image(kDir / "red.png", 8, 4, 200, 0, 0);
    write_image(kDir / "blue.png", 8, 4, 0, 0, 100);
  }
};

TEST_F(FxRender, DrawsTheEffectWithImagesAndParameters) {
  const fs::path out = kDir / "out.png";
  fs::remove(out);
  const ToolRun run = bwtool("fx render " + (kDir / "fade.bsf").string() + " --tex 0=" +
                         (kDir / "red.png").string() + " --tex 1=" +
                         (kDir / "blue.png").string() +
                         " --param alpha=0.5 --param tint=0.2,0,0 --size 8x4 -o " +
                         out.string());
  ASSERT_EQ(run.status, 0) << run.errors;
  int width = 0, height = 0;
  const auto picture = bw::assets::load_png(out.string(), "", width, height);
  ASSERT_TRUE(picture);
  ASSERT_EQ(width, 8);
  ASSERT_EQ(height, 4);
  // Top-left: both white corners; elsewhere half red, half blue, plus the tint.
  EXPECT_EQ(picture->pixel(0, 0)[0], 255);
  EXPECT_EQ(picture->pixel(0, 0)[1], 255);
  const std::uint8_t* p = picture->pixel(5, 2);
  EXPECT_NEAR(p[0], 100 + 51, 1);
  EXPECT_NEAR(p[1], 0, 1);
  EXPECT_NEAR(p[2], 50, 1);
  EXPECT_NEAR(p[3], 255, 1);
}

TEST_F(FxRender, BadInputGivesAOneLineMessageAndAStatus) {
  struct Case {
    std::string args;
    int status;
    const char* message;
  };
  const std::string effect = (kDir / "fade.bsf").string();
  const std::string out = (kDir / "bad.png").string();
  const fs::path damaged = kDir / "damaged.bsf";
  std::ofstream(damaged, std::ios::binary) << "VLS1\x05";
  const Case cases[] = {
      {"", 2, "no effect given"},
      {effect + " -o " + out, 2, "no --size given"},
      {effect + " --size 8x4", 2, "no -o OUT.png given"},
      {effect + " --size 0x4 -o " + out, 2, "is not WxH"},
      {effect + " --size 8x -o " + out, 2, "is not WxH"},
      {effect + " --size 8x4 --tex 16=a.png -o " + out, 2, "K from 0 to 15"},
      {effect + " --size 8x4 --param alpha=1,2,3,4,5 -o " + out, 2, "1 to 4 numbers"},
      {effect + " --size 8x4 --param alpha=x -o " + out, 2, "1 to 4 numbers"},
      {effect + " --size 8x4 --bogus -o " + out, 2, "unknown option"},
      {(kDir / "missing.bsf").string() + " --size 8x4 -o " + out, 1, "cannot read"},
      {damaged.string() + " --size 8x4 -o " + out, 1, "does not load"},
      {effect + " --size 8x4 --tex 0=" + (kDir / "missing.png").string() + " -o " + out, 1,
       "cannot load the image"},
      {effect + " --size 8x4 -o " + (kDir / "no/such/dir/out.png").string(), 1, ""},
  };
  for (const Case& c : cases) {
    const ToolRun run = bwtool("fx render " + c.args);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.errors;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << c.args << "\n" << run.errors;
    EXPECT_EQ(run.errors.rfind("bwtool fx render: ", 0), 0u) << run.errors;
  }
}

}  // namespace
