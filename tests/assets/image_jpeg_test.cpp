#include <gtest/gtest.h>

#include <algorithm>

#include "assets/jpeg_decoder.h"
#include "image_corpus.h"

namespace bw::assets {
namespace {

using test::Bytes;

struct Decoded {
  ImageResult<PixelBuffer> image;
  int width = -1;
  int height = -1;
};

Decoded decode(const Bytes& bytes, int max_side = kMaxImageSide) {
  int width = -1, height = -1;
  ImageResult<PixelBuffer> image = decode_jpeg(bytes, width, height, max_side);
  return {std::move(image), width, height};
}

// What a refusal says about record 3; empty for pixels.
std::string message_of(const Decoded& d) { return d.image ? "" : d.image.error().message("record 3"); }

// Encodes the test pattern with cjpeg; `grey` writes a one-component image.
Bytes encode(const std::string& name, int width, int height, const std::string& options,
             bool grey = false) {
  const std::string source = test::corpus_path(name + (grey ? ".pgm" : ".ppm"));
  const std::string path = test::corpus_path(name + ".jpg");
  const Bytes pattern = test::pattern_rgba(width, height);
  if (grey) {
    test::write_pgm(source, width, height, pattern);
  } else {
    test::write_ppm(source, width, height, pattern);
  }
  if (!test::run("cjpeg " + options + " -outfile '" + path + "' '" + source + "'")) return {};
  return test::read_file(path);
}

// Our decoding must equal djpeg's sample for sample (same library, default settings),
// with every alpha 0.
TEST(JpegDecoder, MatchesDjpegWithAlphaZero) {
  struct Variant {
    const char* name;
    const char* options;
    bool grey;
  };
  const Variant variants[] = {
      {"jpeg_rgb", "-quality 90", false},
      {"jpeg_rgb_444", "-quality 75 -sample 1x1", false},
      {"jpeg_progressive", "-progressive -restart 1", false},
      {"jpeg_grey", "-quality 80", true},
  };
  for (const Variant& v : variants) {
    const Bytes jpeg = encode(v.name, 35, 19, v.options, v.grey);
    ASSERT_FALSE(jpeg.empty()) << v.name;
    const Decoded d = decode(jpeg);
    ASSERT_TRUE(d.image) << v.name << ": " << message_of(d);
    EXPECT_EQ(d.width, 35);
    EXPECT_EQ(d.height, 19);
    int components = 0;
    const Bytes reference = test::djpeg_samples(test::corpus_path(std::string(v.name) + ".jpg"),
                                                components);
    ASSERT_EQ(components, v.grey ? 1 : 3) << v.name;
    ASSERT_EQ(reference.size(), 35u * 19 * components);
    Bytes expected;
    for (std::size_t i = 0; i < reference.size(); i += components) {
      const std::uint8_t* sample = &reference[i];
      expected.insert(expected.end(), {sample[0], sample[components == 3 ? 1 : 0],
                                       sample[components == 3 ? 2 : 0], 0});
    }
    EXPECT_EQ(d.image->rgba, expected) << v.name;

    int width = 0, height = 0;
    auto bottom_first = decode_jpeg(jpeg, width, height, kMaxImageSide, RowOrder::bottom_first);
    ASSERT_TRUE(bottom_first);
    reverse_rows(*bottom_first);
    EXPECT_EQ(bottom_first->rgba, expected) << v.name << " bottom first";
  }
}

TEST(JpegDecoder, FourComponentImagesAreRefusedSilently) {
  const std::string path = test::corpus_path("jpeg_cmyk.jpg");
  ASSERT_TRUE(test::run("/usr/bin/convert -size 8x8 gradient:red-blue -colorspace CMYK '" +
                        path + "'"));
  const Decoded d = decode(test::read_file(path));
  ASSERT_FALSE(d.image);
  EXPECT_EQ(d.image.error().fault, ImageFault::unhandled_kind);
  EXPECT_EQ(message_of(d), "");
  EXPECT_EQ(d.width, -1);
}

TEST(JpegDecoder, CorruptDataFailsWithTheLibraryMessage) {
  const Bytes good = encode("jpeg_damage", 16, 16, "-quality 50");
  ASSERT_GT(good.size(), 100u);
  Bytes bad_marker = good;
  bad_marker[3] = 0xDA;  // the marker after start-of-image becomes start-of-scan, before any frame
  Bytes no_image = {0xFF, 0xD8, 0xFF, 0xD9};
  // An APP5 segment whose length reaches past the end: the skip runs off the data.
  Bytes long_skip = {0xFF, 0xD8, 0xFF, 0xE5, 0xFF, 0xFF, 1, 2, 3};
  struct Case {
    const char* name;
    Bytes bytes;
    std::size_t offset;  // how far the library had taken the bytes when it stopped
    const char* reason;  // the library's words
  };
  const Case cases[] = {
      {"bad marker", bad_marker, 4, "Invalid JPEG file structure: SOS before SOF"},
      {"no image", no_image, 4, "JPEG datastream contains no image"},
      {"skip past the end", long_skip, 9, "Premature end of input file"},
      {"empty", {}, 0, "Premature end of input file"},
      {"not a JPEG", {'h', 'e', 'l', 'l', 'o'}, 0, "Not a JPEG file: starts with 0x68 0x65"}};
  for (const Case& c : cases) {
    const Decoded d = decode(c.bytes);
    ASSERT_FALSE(d.image) << c.name;
    EXPECT_EQ(d.image.error().fault, ImageFault::library_refused) << c.name;
    EXPECT_EQ(d.image.error().offset, c.offset) << c.name;
    EXPECT_EQ(d.image.error().detail, c.reason) << c.name;
    // One line of ours, naming the data, with the library's reason.
    EXPECT_EQ(message_of(d), std::string("cannot decode record 3: ") + c.reason) << c.name;
    EXPECT_EQ(d.width, -1) << c.name;
  }
}

// Damage in the scan data that the library steps over (it warns and fills in) still
// refuses the image: what it would give is not the picture that was stored.
TEST(JpegDecoder, DataTheLibraryWarnsAboutIsRefused) {
  const Bytes good = encode("jpeg_scan_damage", 64, 64, "-quality 90");
  ASSERT_GT(good.size(), 400u);
  ASSERT_TRUE(decode(good).image);
  Bytes bad = good;
  // A restart marker in the middle of the scan of an image without restart intervals.
  const size_t at = bad.size() / 2;
  bad[at] = 0xFF;
  bad[at + 1] = 0xD3;
  const Decoded d = decode(bad);
  ASSERT_FALSE(d.image);
  EXPECT_EQ(d.image.error().fault, ImageFault::library_refused);
  EXPECT_EQ(message_of(d).rfind("cannot decode record 3: Corrupt JPEG data: ", 0), 0u)
      << message_of(d);
}

// Every proper prefix of a valid image must end in a clean failure: the memory source
// never waits for more data and never reads past the bytes it was given.
TEST(JpegDecoder, EveryTruncationFailsWithoutHanging) {
  for (const char* options : {"-quality 60", "-progressive"}) {
    const Bytes good = encode("jpeg_prefix", 12, 9, options);
    ASSERT_FALSE(good.empty());
    for (std::size_t length = 0; length < good.size(); ++length) {
      const Decoded d = decode(Bytes(good.begin(), good.begin() + length));
      ASSERT_FALSE(d.image) << options << " length " << length;
    }
    EXPECT_TRUE(decode(good).image) << options;
  }
}

TEST(JpegDecoder, SidesAboveTheLimitAreRefusedBeforeDecompressing) {
  const Bytes small = encode("jpeg_small", 40, 8, "");
  const Decoded limited = decode(small, 32);
  ASSERT_FALSE(limited.image);
  EXPECT_EQ(limited.image.error().fault, ImageFault::too_large);
  EXPECT_EQ(message_of(limited),
            "image size 40x8 of record 3 is above the limit of 32 pixels a side and 1024 in all");

  const Bytes wide = encode("jpeg_wide", 16385, 2, "-grayscale", true);
  ASSERT_FALSE(wide.empty());
  EXPECT_FALSE(decode(wide).image);
  EXPECT_TRUE(decode(encode("jpeg_edge", 16384, 2, "", true)).image);
}

TEST(JpegDecoder, LoadJpgDecodesTheFetchedAsset) {
  const Bytes jpeg = encode("jpeg_asset", 4, 4, "");
  std::string asked;
  const AssetFetcher fetch = [&](const std::string& path) -> std::optional<Bytes> {
    asked = path;
    if (path == "data/shaders/oil3.jpg") return jpeg;
    return std::nullopt;
  };
  int width = 0, height = 0;
  EXPECT_TRUE(load_jpg("data/shaders/oil3.jpg", fetch, width, height));
  EXPECT_EQ(width, 4);
  EXPECT_EQ(asked, "data/shaders/oil3.jpg");
  const auto none = load_jpg("data/shaders/none.jpg", fetch, width, height);
  ASSERT_FALSE(none);
  EXPECT_EQ(none.error().fault, ImageFault::not_found);
}

}  // namespace
}  // namespace bw::assets
