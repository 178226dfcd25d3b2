// bwtool judge, run as a program on a folder like the one a render writes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "assets/png_writer.h"

namespace {
namespace fs = std::filesystem;

struct JudgeRun {
  int status = -1;
  std::string out, err;
};

JudgeRun judge(const fs::path& dir) {
  const fs::path out = fs::path(BW_TEST_TMPDIR) / "judge.out";
  const fs::path err = fs::path(BW_TEST_TMPDIR) / "judge.err";
  const int status = std::system((std::string(BWTOOL_PATH) + " judge '" + dir.string() + "' >'" +
                                  out.string() + "' 2>'" + err.string() + "'")
                                     .c_str());
  auto slurp = [](const fs::path& file) {
    std::stringstream text;
    text << std::ifstream(file).rdbuf();
    return text.str();
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
}

void write_painting(const fs::path& file, int shade) {
  auto image = bw::assets::PixelBuffer::allocate(80, 50);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 80; ++x) {
      uint8_t* p = image->pixel(x, y);
      p[0] = static_cast<uint8_t>(x * 3), p[1] = static_cast<uint8_t>(shade + y),
      p[2] = static_cast<uint8_t>(x < 40 ? 30 : 220), p[3] = 255;
    }
  std::string error;
  ASSERT_TRUE(bw::assets::save_png(*image, file.string(), &error)) << error;
}

fs::path fresh_folder(const std::string& name) {
  const fs::path dir = fs::path(BW_TEST_TMPDIR) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(JudgeTool, MeasuresThePaintingsInOrderAndNothingElse) {
  const fs::path dir = fresh_folder("render");
  write_painting(dir / "picture-002.png", 40);
  write_painting(dir / "picture-010.png", 90);
  write_painting(dir / "picture-001.png", 10);
  // The contact sheet and a film's frames are not paintings: were they read, these
  // would fail the run.
  for (const char* other : {"contact-sheet.png", "frame-00001.png", "picture-x.png"})
    std::ofstream(dir / other) << "not an image";
  const JudgeRun run = judge(dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto first = run.out.find("picture-001.png"), second = run.out.find("picture-002.png"),
             tenth = run.out.find("picture-010.png"), median = run.out.find("median");
  ASSERT_NE(median, std::string::npos) << run.out;
  EXPECT_TRUE(first < second && second < tenth && tenth < median) << run.out;
  // The heading, three paintings, their medians, the three rows of the real paintings'
  // bands and the pattern fixed to the screen across the three.
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 9) << run.out;
  const auto band = run.out.find("paintings p90"), fixed = run.out.find("fixed pattern:");
  EXPECT_TRUE(median < band && band < fixed && fixed != std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(3 paintings)"), std::string::npos) << run.out;
}

TEST(JudgeTool, FailsWithOneLineWithoutPaintingsOrOnAnUnreadableOne) {
  const fs::path empty = fresh_folder("empty");
  JudgeRun run = judge(empty);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_NE(run.err.find(empty.string()), std::string::npos) << run.err;

  EXPECT_EQ(judge(empty / "missing").status, 1);

  const fs::path damaged = fresh_folder("damaged");
  write_painting(damaged / "picture-001.png", 10);
  std::ofstream(damaged / "picture-002.png") << "\x89PNG\r\n\x1a\n truncated";
  run = judge(damaged);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("picture-002.png\" is not a readable PNG image\n"), std::string::npos)
      << run.err;

  // Whatever size the saver writes the judge takes: a wide strip.
  const fs::path wide = fresh_folder("wide");
  auto image = bw::assets::PixelBuffer::allocate(5000, 120);
  ASSERT_TRUE(image);
  std::string error;
  ASSERT_TRUE(bw::assets::save_png(*image, (wide / "picture-001.png").string(), &error)) << error;
  run = judge(wide);
  EXPECT_EQ(run.status, 0) << run.err;

  // Beyond the one image limit it is refused right after the header, in the words every
  // reader uses: the header of a 16384 x 16384 image and an empty data chunk.
  const fs::path huge = fresh_folder("huge");
  const unsigned char header[] = {0x89, 'P',  'N',  'G',  '\r', '\n', 0x1a, '\n', 0,    0,
                                  0,    13,   'I',  'H',  'D',  'R',  0,    0,    0x40, 0,
                                  0,    0,    0x40, 0,    8,    6,    0,    0,    0,    0xa9,
                                  0xc8, 0x10, 0x84, 0,    0,    0,    0,    'I',
                                  'D',  'A',  'T',  0x35, 0xaf, 0x06, 0x1e};
  std::ofstream(huge / "picture-001.png", std::ios::binary)
      .write(reinterpret_cast<const char*>(header), sizeof header);
  run = judge(huge);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("image size 16384x16384 of PNG image \"" +
                         (huge / "picture-001.png").string() +
                         "\" is above the limit of 16384 pixels a side and 16777216 in all\n"),
            std::string::npos)
      << run.err;
}

}  // namespace
