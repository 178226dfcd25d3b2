// The saver program rendering headless (EGL on llvmpipe) from the build tree's data.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "assets/png_reader.h"
#include "program_runner.h"

namespace bw::host {
namespace {
namespace fs = std::filesystem;
using testing::slurp;

class SaverRender : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::path(BW_TEST_TMPDIR) /
           ("render-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root);
  }
  // Runs the saver to completion; its exit status.
  int run(const std::vector<std::string>& args, double seconds = 240) {
    auto child = testing::start_saver(args, root.string());
    const int status = testing::wait_for(child, seconds);
    if (status < 0) testing::kill_child(child);
    out = slurp(child.out_file);
    err = slurp(child.err_file);
    return status;
  }
  std::optional<assets::PixelBuffer> picture(const fs::path& dir, int n) {
    char name[32];
    std::snprintf(name, sizeof name, "picture-%03d.png", n);
    int width = 0, height = 0;
    return assets::load_png((dir / name).string(), "", width, height);
  }
  fs::path root;
  std::string out, err;
};

TEST_F(SaverRender, WritesDifferentPicturesAndAContactSheet) {
  const fs::path dir = root / "out";
  ASSERT_EQ(run({"--render", dir.string(), "--pictures", "3", "--size", "320x200", "--seed",
                 "11"}),
            0)
      << err;
  std::vector<assets::PixelBuffer> pictures;
  for (int n = 1; n <= 3; ++n) {
    auto image = picture(dir, n);
    ASSERT_TRUE(image) << n;
    EXPECT_EQ(image->width, 320);
    EXPECT_EQ(image->height, 200);
    for (const auto& earlier : pictures) EXPECT_NE(earlier.rgba, image->rgba) << n;
    pictures.push_back(std::move(*image));
  }
  int width = 0, height = 0;
  EXPECT_TRUE(assets::load_png((dir / "contact-sheet.png").string(), "", width, height));
  // One line per picture with its building time, then where the sheet is.
  EXPECT_NE(out.find("picture-003.png: built in"), std::string::npos) << out;
  EXPECT_NE(out.find("contact-sheet.png"), std::string::npos) << out;
}

TEST_F(SaverRender, SameSeedPaintsTheSamePictures) {
  for (const char* dir : {"a", "b"}) {
    ASSERT_EQ(run({"--render", (root / dir).string(), "--pictures", "2", "--size", "160x100",
                   "--seed", "4242"}),
              0)
        << err;
  }
  for (int n = 1; n <= 2; ++n) {
    auto a = picture(root / "a", n);
    auto b = picture(root / "b", n);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->rgba, b->rgba) << "picture " << n;
  }
}

// Headless runs draw only the frames that build a picture; a run that draws every frame,
// held ones included, must paint the same pixels, and the streamed contact sheet with them.
TEST_F(SaverRender, DrawingOnlyPictureFramesPaintsWhatEveryFrameWouldPaint) {
  for (const char* debug : {"every-frame", ""}) {
    ::setenv("BRUSHWRIGHT_DEBUG", debug, 1);
    const int status = run({"--render", (root / (*debug ? debug : "pictures")).string(),
                            "--pictures", "3", "--size", "200x120", "--seed", "31"});
    ::unsetenv("BRUSHWRIGHT_DEBUG");
    ASSERT_EQ(status, 0) << err;
  }
  for (int n = 1; n <= 3; ++n) {
    auto every = picture(root / "every-frame", n);
    auto only = picture(root / "pictures", n);
    ASSERT_TRUE(every && only);
    EXPECT_EQ(every->rgba, only->rgba) << "picture " << n;
  }
  int width = 0, height = 0;
  auto sheet_every = assets::load_png((root / "every-frame" / "contact-sheet.png").string(), "",
                                      width, height);
  auto sheet_only = assets::load_png((root / "pictures" / "contact-sheet.png").string(), "",
                                     width, height);
  ASSERT_TRUE(sheet_every && sheet_only);
  EXPECT_EQ(sheet_every->rgba, sheet_only->rgba);
}

// BRUSHWRIGHT_DEBUG=phases marks each stage of a headless run on standard error, for the
// benchmark that says where the time goes: start-up's stages, then each picture built and
// read back on the painting thread, each written by the writer after it was read back, the
// engine let go before the last file is waited for, and the end.
TEST_F(SaverRender, PhasesMarkEveryStageInOrder) {
  ::setenv("BRUSHWRIGHT_DEBUG", "phases", 1);
  const int status = run({"--render", (root / "out").string(), "--pictures", "2", "--size",
                          "160x100", "--seed", "8"});
  ::unsetenv("BRUSHWRIGHT_DEBUG");
  ASSERT_EQ(status, 0) << err;
  std::vector<std::string> painting;  // the stages of the painting thread, in order
  int written = 0;
  double last_time = 0;
  std::istringstream lines(err);
  for (std::string line; std::getline(lines, line);) {
    const std::string prefix = "brushwright: phase ";
    const auto at = line.rfind(" at ");
    ASSERT_TRUE(line.rfind(prefix, 0) == 0 && at != std::string::npos) << line;
    const std::string phase = line.substr(prefix.size(), at - prefix.size());
    if (phase == "picture written") {
      ++written;
      EXPECT_GE(std::count(painting.begin(), painting.end(), "picture read back"), written)
          << "written before it was read back: " << err;
      continue;
    }
    // The writer's lines may pass the painting thread's by a hair; its own are in order.
    const double time = std::stod(line.substr(at + 4));
    EXPECT_GE(time, last_time) << line;
    last_time = time;
    painting.push_back(phase);
  }
  EXPECT_EQ(written, 2) << err;
  const std::vector<std::string> expected{
      "start", "graphics context", "targets and textures", "description and effects",
      "layers", "picture built", "picture read back", "picture built", "picture read back",
      "engine released", "files written", "contact sheet written", "ended"};
  EXPECT_EQ(painting, expected) << err;
  EXPECT_TRUE(picture(root / "out", 2));
}

TEST_F(SaverRender, MissingDataIsAOneLineErrorNamingTheFolder) {
  fs::create_directories(root / "velmora");
  std::ofstream(root / "velmora" / "Tamsin.conf") << "PATH=" << (root / "nowhere").string() << "\n";
  EXPECT_EQ(run({"--render", (root / "out").string(), "--pictures", "1"}), 1);
  EXPECT_NE(err.find((root / "nowhere").string() + "/data"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

// The pictures come from the data, whose descriptions the source tree's data/shaders
// folders hold.
std::vector<std::string> pictures_in_the_sources() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(fs::path(BW_SOURCE_DIR) / "data" / "shaders"))
    if (fs::exists(entry.path() / (entry.path().filename().string() + ".hdr")))
      names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(SaverRender, ListsThePicturesAndRefusesAnUnknownOne) {
  ASSERT_EQ(run({"--list-pictures"}), 0) << err;
  std::string expected;
  for (const auto& name : pictures_in_the_sources()) expected += name + "\n";
  EXPECT_EQ(out, expected);

  EXPECT_EQ(run({"--render", (root / "out").string(), "--pictures", "1", "--picture", "Dune"}),
            1);
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("\"Dune\""), std::string::npos) << err;
  for (const auto& name : pictures_in_the_sources())
    EXPECT_NE(err.find(name), std::string::npos) << err;
  EXPECT_FALSE(fs::exists(root / "out" / "picture-001.png"));
}

TEST_F(SaverRender, RandomPicturePaintsOneOfThePictures) {
  // With a seed the draw repeats: the same picture as asked for by its name.
  ASSERT_EQ(run({"--render", (root / "random").string(), "--pictures", "1", "--size", "96x60",
                 "--seed", "5", "--picture", "random"}),
            0)
      << err;
  auto drawn = picture(root / "random", 1);
  ASSERT_TRUE(drawn);
  int matches = 0;
  for (const auto& name : pictures_in_the_sources()) {
    ASSERT_EQ(run({"--render", (root / name).string(), "--pictures", "1", "--size", "96x60",
                   "--seed", "5", "--picture", name}),
              0)
        << err;
    auto named = picture(root / name, 1);
    ASSERT_TRUE(named) << name;
    matches += named->rgba == drawn->rgba;
  }
  EXPECT_EQ(matches, 1);
}

// The picture takes most of its effects from the shared folder: a normal start says nothing
// of the ones it does not have of its own; --verbose lists them.
TEST_F(SaverRender, SharedEffectsAreNoNewsUnlessVerbose) {
  const std::vector<std::string> args{"--render", (root / "out").string(), "--pictures", "1",
                                      "--size", "160x100", "--seed", "5"};
  ASSERT_EQ(run(args), 0) << err;
  EXPECT_EQ(err, "");
  std::vector<std::string> verbose = args;
  verbose.push_back("--verbose");
  ASSERT_EQ(run(verbose), 0) << err;
  // In the user's words, once each, and nothing of what the saver looked for on the way.
  EXPECT_NE(err.find("effect paint.bsf: the shared copy from \"data/shaders/paint.bsf\"\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find("can't open"), std::string::npos) << err;
  EXPECT_EQ(err.find("::"), std::string::npos) << err;
}

// Without a graphics driver the Linux saver says what failed in its own terms, on one line,
// and nothing of Direct3D or where to download it.
TEST_F(SaverRender, NoGraphicsSaysWhatFailedInThisPlatformsTerms) {
  // The GL dispatch library then finds no EGL driver at all.
  setenv("__EGL_VENDOR_LIBRARY_FILENAMES", (root / "no-such-vendor.json").c_str(), 1);
  const int status = run({"--render", (root / "out").string(), "--pictures", "1"});
  unsetenv("__EGL_VENDOR_LIBRARY_FILENAMES");
  EXPECT_EQ(status, 1) << err;
  EXPECT_NE(err.find("EGL"), std::string::npos) << err;
  EXPECT_EQ(err.find("DirectX"), std::string::npos) << err;
  EXPECT_EQ(err.find("http"), std::string::npos) << err;
  EXPECT_LE(std::count(err.begin(), err.end(), '\n'), 2) << err;
}

TEST_F(SaverRender, BadOptionsExitWithStatusTwo) {
  EXPECT_EQ(run({"--render", (root / "out").string()}), 2);  // no --pictures
  EXPECT_NE(err.find("needs --pictures"), std::string::npos) << err;
  EXPECT_EQ(run({"--speed", "fast"}), 2);
}

}  // namespace
}  // namespace bw::host
