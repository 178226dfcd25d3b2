// The writer of a headless run: pictures and film frames written in the order they were
// handed over, only the pictures on the contact sheet, and a failed write stopping it.
#include <gtest/gtest.h>

#include <filesystem>

#include "assets/png_reader.h"
#include "host/contact_sheet.h"
#include "host/picture_writer.h"

namespace bw::host {
namespace {
namespace fs = std::filesystem;

assets::PixelBuffer solid(int side, std::uint8_t shade) {
  auto image = *assets::PixelBuffer::allocate(side, side);
  for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = (i % 4 == 3) ? 255 : shade;
  return image;
}

int shade_of(const fs::path& path) {
  int width = 0, height = 0;
  auto image = assets::load_png(path.string(), "", width, height);
  return image ? image->pixel(width / 2, height / 2)[1] : -1;
}

TEST(PictureWriter, FramesGoToTheirFilesAndOnlyPicturesOntoTheSheet) {
  const fs::path dir = fs::path(BW_TEST_TMPDIR) / "writer-film";
  fs::remove_all(dir);
  fs::create_directories(dir);
  ContactSheet sheet;
  std::string error;
  // A sheet for one picture: a frame added to it as well would overfill it.
  ASSERT_TRUE(sheet.open((dir / "sheet.png").string(), 1, 16, 16, &error)) << error;
  int written = 0;
  {
    PictureWriter writer(&sheet);
    ASSERT_TRUE(writer.save_frame(solid(16, 10), (dir / "frame-1.png").string()));
    ASSERT_TRUE(writer.save_frame(solid(16, 20), (dir / "frame-2.png").string()));
    ASSERT_TRUE(writer.save(solid(16, 200), (dir / "picture.png").string(), [&] { ++written; }));
    ASSERT_TRUE(writer.save_frame(solid(16, 30), (dir / "frame-3.png").string()));
    ASSERT_TRUE(writer.finish(&error)) << error;
  }
  EXPECT_EQ(written, 1);
  ASSERT_TRUE(sheet.finish(&error)) << error;
  EXPECT_EQ(shade_of(dir / "frame-1.png"), 10);
  EXPECT_EQ(shade_of(dir / "frame-2.png"), 20);
  EXPECT_EQ(shade_of(dir / "frame-3.png"), 30);
  EXPECT_EQ(shade_of(dir / "picture.png"), 200);
  EXPECT_EQ(shade_of(dir / "sheet.png"), 200);
}

TEST(PictureWriter, AFailedFrameStopsTheRunWithItsReason) {
  const fs::path dir = fs::path(BW_TEST_TMPDIR) / "writer-failure";
  fs::remove_all(dir);
  fs::create_directories(dir);
  PictureWriter writer(nullptr);
  const std::string missing = (dir / "no-such-folder" / "frame-1.png").string();
  ASSERT_TRUE(writer.save_frame(solid(8, 1), missing));
  std::string error;
  EXPECT_FALSE(writer.finish(&error));
  EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;
  EXPECT_EQ(writer.failure(), error);
  EXPECT_FALSE(writer.save_frame(solid(8, 2), (dir / "frame-2.png").string()));
  EXPECT_FALSE(fs::exists(dir / "frame-2.png"));
}

}  // namespace
}  // namespace bw::host
