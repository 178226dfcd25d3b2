// The streamed contact sheet: layout, thumbnails in their cells, rows of missing pictures
// left dark, and no file under the sheet's name until it is finished.
#include <gtest/gtest.h>

#include <filesystem>

#include "assets/png_reader.h"
#include "host/contact_sheet.h"

namespace bw::host {
namespace {
namespace fs = std::filesystem;

assets::PixelBuffer solid(int width, int height, std::uint8_t shade) {
  auto image = *assets::PixelBuffer::allocate(width, height);
  for (std::size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = (i % 4 == 3) ? 255 : shade;
  return image;
}

struct Layout {
  int count;          // pictures the sheet is opened for
  int added;          // pictures added before finishing
  int picture_width;  // each picture's size
  int picture_height;
  int columns, thumb_width, thumb_height;  // expected
};

TEST(ContactSheet, ThumbnailsLandInTheirCellsAndMissingOnesStayDark) {
  const Layout layouts[] = {
      {5, 5, 640, 400, 3, 320, 200},     // a partial last row
      {6, 4, 200, 100, 3, 320, 160},     // enlarged thumbnails; pictures that never came
      {1000, 3, 320, 200, 32, 119, 74},  // narrower thumbnails keep the sheet within 4096
  };
  for (const Layout& l : layouts) {
    const fs::path path = fs::path(BW_TEST_TMPDIR) / ("sheet-" + std::to_string(l.count) + ".png");
    ContactSheet sheet;
    std::string error;
    ASSERT_TRUE(sheet.open(path.string(), l.count, l.picture_width, l.picture_height, &error))
        << error;
    EXPECT_EQ(sheet.columns(), l.columns);
    EXPECT_EQ(sheet.thumb_width(), l.thumb_width);
    EXPECT_EQ(sheet.thumb_height(), l.thumb_height);
    for (int i = 0; i < l.added; ++i)
      ASSERT_TRUE(sheet.add(solid(l.picture_width, l.picture_height,
                                  static_cast<std::uint8_t>(100 + i)), &error)) << error;
    EXPECT_FALSE(fs::exists(path)) << "only a finished sheet has its name";
    ASSERT_TRUE(sheet.finish(&error)) << error;

    int width = 0, height = 0;
    auto image = assets::load_png(path.string(), "", width, height);
    ASSERT_TRUE(image) << l.count;
    const int rows = (l.count + l.columns - 1) / l.columns;
    EXPECT_EQ(width, l.columns * (l.thumb_width + 8) + 8);
    EXPECT_EQ(height, rows * (l.thumb_height + 8) + 8);
    EXPECT_EQ(image->pixel(0, 0)[0], 24);
    for (int i = 0; i < l.count; ++i) {
      const int x = 8 + (i % l.columns) * (l.thumb_width + 8) + l.thumb_width / 2;
      const int y = 8 + (i / l.columns) * (l.thumb_height + 8) + l.thumb_height / 2;
      EXPECT_EQ(image->pixel(x, y)[1], i < l.added ? 100 + i : 24) << l.count << " cell " << i;
      EXPECT_EQ(image->pixel(x - l.thumb_width / 2 - 1, y)[1], 24) << "gap left of " << i;
    }
  }
}

TEST(ContactSheet, AnUnfinishedSheetLeavesNoFile) {
  const fs::path dir = fs::path(BW_TEST_TMPDIR) / "unfinished";
  fs::create_directories(dir);
  {
    ContactSheet sheet;
    std::string error;
    ASSERT_TRUE(sheet.open((dir / "sheet.png").string(), 4, 64, 64, &error)) << error;
    ASSERT_TRUE(sheet.add(solid(64, 64, 9), &error));
  }
  EXPECT_TRUE(fs::is_empty(dir));
  ContactSheet full;
  std::string error;
  ASSERT_TRUE(full.open((dir / "full.png").string(), 1, 8, 8, &error));
  ASSERT_TRUE(full.add(solid(8, 8, 1), &error));
  EXPECT_FALSE(full.add(solid(8, 8, 2), &error));
  EXPECT_FALSE(ContactSheet().open((dir / "none.png").string(), 0, 8, 8, &error));
}

}  // namespace
}  // namespace bw::host
