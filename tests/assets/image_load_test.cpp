#include <gtest/gtest.h>

#include <algorithm>

#include "assets/image_load.h"
#include "assets/pixel_buffer.h"
#include "image_corpus.h"

namespace bw::assets {
namespace {

using test::Bytes;

TEST(ImageFormat, FirstExtensionOfTheSearchOrderDecides) {
  struct Case {
    const char* path;
    ImageFormat format;
  };
  const Case cases[] = {
      {"data/shaders/sig3.tga", ImageFormat::kTga},
      {"data/shaders/oil3.jpg", ImageFormat::kJpg},
      {"a.png.tga", ImageFormat::kTga},        // ".tga" is searched before ".png"
      {"a.jpg.dds", ImageFormat::kJpg},        // ".jpg" before ".dds"
      {"b.dds.png", ImageFormat::kPng},
      {"dir.tga/picture.dds", ImageFormat::kTga},  // anywhere in the path
      {"c.tgax", ImageFormat::kTga},
      {"A.TGA", ImageFormat::kUnknown},        // case-sensitive
      {"photo.jpeg", ImageFormat::kUnknown},
      {"tga", ImageFormat::kUnknown},
      {"", ImageFormat::kUnknown},
  };
  for (const Case& c : cases) EXPECT_EQ(image_format_of(c.path), c.format) << c.path;
}

TEST(ImageLoad, EachReaderGetsItsBytesFromItsOwnRoad) {
  const std::string dir = test::corpus_path("load_install");
  ASSERT_TRUE(test::run("mkdir -p '" + dir + "'"));
  // A 1x1 top-first TGA served by the fetcher under any name; a PNG on disk.
  const Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20, 30, 20, 10};
  ASSERT_TRUE(test::run("/usr/bin/convert -size 1x1 xc:'rgb(1,2,3)' PNG32:'" + dir +
                        "/a.png'"));
  std::vector<std::string> fetched;
  ImageSources sources{[&](const std::string& path) -> std::optional<Bytes> {
                         fetched.push_back(path);
                         return tga;
                       },
                       dir};
  int width = 0, height = 0;
  const auto from_fetch = load_image("x.png.tga", sources, width, height);
  ASSERT_TRUE(from_fetch);
  EXPECT_EQ(from_fetch->rgba, (Bytes{10, 20, 30, 255}));
  EXPECT_EQ(fetched, (std::vector<std::string>{"x.png.tga"}));

  // The PNG is found under the install directory, not through the fetcher.
  const auto from_file = load_image("a.png", sources, width, height);
  ASSERT_TRUE(from_file);
  EXPECT_EQ(from_file->rgba, (Bytes{1, 2, 3, 255}));
  EXPECT_EQ(fetched.size(), 1u);

  // ".jpg" comes before ".dds": the fetcher is asked, and the TGA bytes fail as JPEG.
  testing::internal::CaptureStderr();
  EXPECT_FALSE(load_image("a.jpg.dds", sources, width, height));
  EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
  EXPECT_EQ(fetched.back(), "a.jpg.dds");
}

TEST(ImageLoad, UnknownExtensionIsReported) {
  ImageSources sources{[](const std::string&) -> std::optional<Bytes> { return Bytes{}; }, ""};
  int width = 7, height = 8;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(load_image("A.TGA", sources, width, height));
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "image \"A.TGA\": unknown format\n");
  EXPECT_EQ(width, 7);
  EXPECT_EQ(height, 8);
}

TEST(PixelBuffer, RowReversalKeepsTheMiddleRow) {
  struct Case {
    int height;
    Bytes expected_first_bytes;
  };
  const Case cases[] = {{1, {0}}, {2, {1, 0}}, {3, {2, 1, 0}}, {4, {3, 2, 1, 0}}};
  for (const Case& c : cases) {
    auto image = PixelBuffer::allocate(2, c.height);
    ASSERT_TRUE(image);
    for (int y = 0; y < c.height; ++y) {
      std::fill(image->row(y), image->row(y) + image->stride(), static_cast<std::uint8_t>(y));
    }
    reverse_rows(*image);
    for (int y = 0; y < c.height; ++y) {
      EXPECT_EQ(image->row(y)[0], c.expected_first_bytes[y]) << c.height << " row " << y;
      EXPECT_EQ(image->row(y)[7], c.expected_first_bytes[y]) << c.height << " row " << y;
    }
  }
}

TEST(PixelBuffer, SizesOutsideTheCapAreRefused) {
  EXPECT_FALSE(PixelBuffer::allocate(-1, 4));
  EXPECT_FALSE(PixelBuffer::allocate(4, kMaxImageSide + 1));
  EXPECT_FALSE(PixelBuffer::allocate(std::int64_t{1} << 40, 1));
  const auto empty = PixelBuffer::allocate(0, kMaxImageSide);
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->byte_size(), 0u);
  const auto small = PixelBuffer::allocate(3, 2);
  ASSERT_TRUE(small);
  EXPECT_EQ(small->byte_size(), 24u);
  EXPECT_EQ(small->pixel(2, 1) - small->rgba.data(), 20);
}

}  // namespace
}  // namespace bw::assets
