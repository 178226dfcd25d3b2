#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "assets/image_load.h"
#include "assets/pixel_buffer.h"
#include "image_corpus.h"
#include "platform/diagnostics.h"

namespace bw::assets {
namespace {

using test::Bytes;

// Collects the lines said through the diagnostics sink while it lives.
class SaidLines {
 public:
  SaidLines() : previous_(diag::install_sink([this](const std::string& line) { lines.push_back(line); })) {}
  ~SaidLines() { diag::install_sink(std::move(previous_)); }
  std::vector<std::string> lines;

 private:
  diag::Sink previous_;
};

TEST(ImageFormat, FirstExtensionOfTheSearchOrderDecides) {
  struct Case {
    const char* path;
    ImageFormat format;
  };
  const Case cases[] = {
      {"data/shaders/sig3.tga", ImageFormat::tga},
      {"data/shaders/oil3.jpg", ImageFormat::jpg},
      {"a.png.tga", ImageFormat::tga},        // ".tga" is searched before ".png"
      {"a.jpg.dds", ImageFormat::jpg},        // ".jpg" before ".dds"
      {"b.dds.png", ImageFormat::png},
      {"dir.tga/picture.dds", ImageFormat::tga},  // anywhere in the path
      {"c.tgax", ImageFormat::tga},
      {"A.TGA", ImageFormat::unknown},        // case-sensitive
      {"photo.jpeg", ImageFormat::unknown},
      {"tga", ImageFormat::unknown},
      {"", ImageFormat::unknown},
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
  SaidLines said;
  EXPECT_FALSE(load_image("a.jpg.dds", sources, width, height));
  EXPECT_EQ(said.lines, (std::vector<std::string>{
                            "JPEG image: cannot decode \"a.jpg.dds\": Not a JPEG file: starts "
                            "with 0x00 0x00"}));
  EXPECT_EQ(fetched.back(), "a.jpg.dds");
}

// A reader's refusal is said once, naming the image in the reader's words; the quiet
// refusals and a missing file say nothing here.
TEST(ImageLoad, RefusalsAreReportedOnceNamingTheImage) {
  const std::string dir = test::corpus_path("load_refusals");
  ASSERT_TRUE(test::run("mkdir -p '" + dir + "'"));
  test::write_file(dir + "/bad.png", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0});
  test::write_file(dir + "/bad.dds", {'D', 'D', 'S', ' ', 1, 2});
  const Bytes sixteen_bit_tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 16, 0, 0, 0};
  const Bytes colour_mapped_tga = {0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3};
  struct Case {
    const char* path;
    std::optional<Bytes> asset;  // what the fetcher serves
    std::vector<std::string> said;
  };
  const Case cases[] = {
      {"a.tga", sixteen_bit_tga,
       {"TGA image \"a.tga\": only 24- and 32-bit images are supported"}},
      {"b.tga", colour_mapped_tga, {}},
      {"c.tga", std::nullopt, {}},
      {"d.jpg", Bytes{}, {"JPEG image: cannot decode \"d.jpg\": Premature end of input file"}},
      {"bad.png", std::nullopt, {"PNG image \"bad.png\": wrong signature"}},
      {"missing.png", std::nullopt, {}},
      {"bad.dds", std::nullopt,
       {"DDS image \"bad.dds\" is truncated: the header needs 128 bytes, the file has 6"}},
  };
  for (const Case& c : cases) {
    ImageSources sources{[&](const std::string&) { return c.asset; }, dir};
    int width = 0, height = 0;
    SaidLines said;
    EXPECT_FALSE(load_image(c.path, sources, width, height)) << c.path;
    EXPECT_EQ(said.lines, c.said) << c.path;
  }
}

TEST(ImageLoad, UnknownExtensionIsReported) {
  ImageSources sources{[](const std::string&) -> std::optional<Bytes> { return Bytes{}; }, ""};
  int width = 7, height = 8;
  SaidLines said;
  EXPECT_FALSE(load_image("A.TGA", sources, width, height));
  EXPECT_EQ(said.lines, (std::vector<std::string>{"image \"A.TGA\": unknown format"}));
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
