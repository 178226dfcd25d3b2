#include <gtest/gtest.h>

#include "assets/image_load.h"
#include "assets/tga_reader.h"
#include "image_corpus.h"

namespace bw::assets {
namespace {

using test::Bytes;

// The smallest TGA file: an 18-byte header, an optional ID, then `data`.
Bytes make_tga(int type, int depth, int descriptor, int width, int height, const Bytes& data,
               int id_length = 0) {
  Bytes file(18, 0);
  file[0] = static_cast<std::uint8_t>(id_length);
  file[2] = static_cast<std::uint8_t>(type);
  file[12] = static_cast<std::uint8_t>(width);
  file[13] = static_cast<std::uint8_t>(width >> 8);
  file[14] = static_cast<std::uint8_t>(height);
  file[15] = static_cast<std::uint8_t>(height >> 8);
  file[16] = static_cast<std::uint8_t>(depth);
  file[17] = static_cast<std::uint8_t>(descriptor);
  file.insert(file.end(), static_cast<std::size_t>(id_length), 0xAA);
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

struct Decoded {
  ImageResult<PixelBuffer> image;
  int width = -1;
  int height = -1;
};

Decoded decode(const Bytes& file, int max_side = kMaxImageSide) {
  int width = -1, height = -1;
  ImageResult<PixelBuffer> image = decode_tga(file, width, height, max_side);
  return {std::move(image), width, height};
}

// What a refusal says about the file named sig.tga.
std::string message_of(const Decoded& d) { return d.image.error().message("TGA image \"sig.tga\""); }

TEST(TgaReader, BottomFirstRowsAreTurnedAndPixelsBecomeRgba) {
  const Decoded d = decode(make_tga(2, 24, 0x00, 1, 2, {1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(d.image);
  EXPECT_EQ(d.image->rgba, (Bytes{6, 5, 4, 255, 3, 2, 1, 255}));
}

TEST(TgaReader, TopFirstThirtyTwoBitKeepsRowOrderAndAlpha) {
  const Decoded d = decode(make_tga(2, 32, 0x28, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}, 3));
  ASSERT_TRUE(d.image);
  EXPECT_EQ(d.width, 2);
  EXPECT_EQ(d.height, 1);
  EXPECT_EQ(d.image->rgba, (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
}

TEST(TgaReader, RunLengthPacketsRepeatAndCopyAcrossRows) {
  // 0x83: one pixel four times; 0x03: four literal pixels. A 4x2 top-first image, so
  // both packets cross nothing but fill whole rows; a third 3x3 case crosses rows.
  const Decoded d = decode(make_tga(10, 24, 0x20, 4, 2,
                                    {0x83, 10, 20, 30, 0x03, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
  ASSERT_TRUE(d.image);
  EXPECT_EQ(d.image->rgba,
            (Bytes{30, 20, 10, 255, 30, 20, 10, 255, 30, 20, 10, 255, 30, 20, 10, 255,  //
                   1, 1, 1, 255, 2, 2, 2, 255, 3, 3, 3, 255, 4, 4, 4, 255}));

  const Decoded crossing = decode(make_tga(10, 32, 0x20, 3, 2, {0x85, 1, 2, 3, 4}));
  ASSERT_TRUE(crossing.image);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(crossing.image->rgba[i * 4], 3) << i;
    EXPECT_EQ(crossing.image->rgba[i * 4 + 3], 4) << i;
  }
}

TEST(TgaReader, RunLengthPacketsPastTheLastPixelAreCut) {
  // A 2x1 image: a run of 128 and a literal packet of 4 must both stop at pixel 2.
  const Decoded run = decode(make_tga(10, 24, 0x20, 2, 1, {0xFF, 7, 8, 9}));
  ASSERT_TRUE(run.image);
  EXPECT_EQ(run.image->rgba, (Bytes{9, 8, 7, 255, 9, 8, 7, 255}));
  const Decoded literal = decode(make_tga(10, 24, 0x20, 2, 1, {0x03, 1, 1, 1, 2, 2, 2}));
  ASSERT_TRUE(literal.image);
  EXPECT_EQ(literal.image->rgba, (Bytes{1, 1, 1, 255, 2, 2, 2, 255}));
}

// Each bad header or cut file against the reason: the fault, the field and its offset,
// and the line a user reads.
TEST(TgaReader, RefusalsSayWhatWasWrongAndWhere) {
  const Bytes whole = make_tga(2, 24, 0, 2, 2, Bytes(12, 5));
  const Bytes rle = make_tga(10, 24, 0, 2, 2, {0x81, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9});
  Bytes id_past_end = make_tga(2, 24, 0, 1, 1, {1, 2, 3});
  id_past_end[0] = 200;  // the pixels would start at offset 218, past the end
  Bytes rle_id_past_end = make_tga(10, 24, 0, 1, 1, {0x80, 1, 2, 3});
  rle_id_past_end[0] = 200;
  const std::string limit = " of TGA image \"sig.tga\" is above the limit of 16384 pixels a side "
                            "and 16777216 in all";
  struct Case {
    const char* name;
    Bytes file;
    ImageFault fault;
    const char* field;
    std::size_t offset;
    std::string message;
  };
  const Case cases[] = {
      {"empty", {}, ImageFault::truncated, "header", 0,
       "TGA image \"sig.tga\" is truncated: the header needs 18 bytes, the file has 0"},
      {"short header", Bytes(whole.begin(), whole.begin() + 17), ImageFault::truncated, "header", 0,
       "TGA image \"sig.tga\" is truncated: the header needs 18 bytes, the file has 17"},
      {"16-bit", make_tga(2, 16, 0, 1, 1, {0, 0}), ImageFault::unsupported, "pixel depth", 16,
       "TGA image \"sig.tga\": only 24- and 32-bit images are supported"},
      {"short pixels", Bytes(whole.begin(), whole.end() - 1), ImageFault::truncated, "pixel data",
       18,
       "TGA image \"sig.tga\" is truncated: pixel data needs 12 bytes at offset 18, the file has "
       "29"},
      {"ID past the end", id_past_end, ImageFault::truncated, "pixel data", 218,
       "TGA image \"sig.tga\" is truncated: pixel data needs 3 bytes at offset 218, the file has "
       "21"},
      {"run-length ID past the end", rle_id_past_end, ImageFault::truncated, "pixel data", 218,
       "TGA image \"sig.tga\" is truncated: pixel data needs at least 4 bytes at offset 218, the "
       "file has 22"},
      {"run-length pixel cut", Bytes(rle.begin(), rle.end() - 1), ImageFault::truncated,
       "run-length data", 23,
       "TGA image \"sig.tga\" is truncated: run-length data ends after 2 of 4 pixels"},
      {"run-length packet missing", Bytes(rle.begin(), rle.begin() + 22), ImageFault::truncated,
       "run-length data", 22,
       "TGA image \"sig.tga\" is truncated: run-length data ends after 2 of 4 pixels"},
      // Headers promising far more pixels than the bytes that follow could describe.
      {"huge plain", make_tga(2, 32, 0, 4096, 4096, {1, 2, 3, 4}), ImageFault::truncated,
       "pixel data", 18,
       "TGA image \"sig.tga\" is truncated: pixel data needs 67108864 bytes at offset 18, the "
       "file has 22"},
      {"huge run-length", make_tga(10, 32, 0, 4096, 4096, {0xFF, 1, 2, 3, 4}),
       ImageFault::truncated, "pixel data", 18,
       "TGA image \"sig.tga\" is truncated: pixel data needs at least 655360 bytes at offset 18, "
       "the file has 23"},
      {"side above the cap", make_tga(10, 32, 0, 16385, 1, {0xFF, 0, 0, 0, 0}),
       ImageFault::too_large, "image size", 12,
       "image size 16385x1" + limit},
      {"pixels above the cap", make_tga(10, 32, 0, 4097, 4096, {0xFF, 0, 0, 0, 0}),
       ImageFault::too_large, "image size", 12,
       "image size 4097x4096" + limit},
  };
  for (const Case& c : cases) {
    const Decoded d = decode(c.file);
    ASSERT_FALSE(d.image) << c.name;
    EXPECT_EQ(d.image.error().fault, c.fault) << c.name;
    EXPECT_EQ(d.image.error().field, c.field) << c.name;
    EXPECT_EQ(d.image.error().offset, c.offset) << c.name;
    EXPECT_EQ(message_of(d), c.message) << c.name;
  }
  // Colour-mapped, black-and-white and their run-length forms: refused without a word.
  for (int type : {0, 1, 3, 9, 11}) {
    const Decoded d = decode(make_tga(type, 24, 0, 1, 1, {1, 2, 3}));
    ASSERT_FALSE(d.image) << type;
    EXPECT_EQ(d.image.error().fault, ImageFault::unhandled_kind) << type;
    EXPECT_EQ(d.image.error().offset, 2u) << type;
    EXPECT_EQ(message_of(d), "") << type;
  }
  // The size is known before the rejection.
  const Decoded sixteen = decode(make_tga(2, 16, 0, 3, 1, {0, 0}));
  EXPECT_EQ(sixteen.width, 3);
  EXPECT_EQ(sixteen.height, 1);
  // The cap is the caller's.
  const Decoded capped = decode(make_tga(10, 24, 0, 65, 64, {0xFF, 1, 2, 3}), 64);
  ASSERT_FALSE(capped.image);
  EXPECT_EQ(capped.image.error().fault, ImageFault::too_large);
  EXPECT_EQ(capped.width, 65);
  EXPECT_NE(message_of(capped).find("65x64 of TGA image \"sig.tga\" is above the limit of 64"),
            std::string::npos);
}

TEST(TgaReader, ZeroSizedImageGivesEmptyPixelsThatLoadingRefuses) {
  const Bytes file = make_tga(2, 24, 0, 0, 5, {});
  const Decoded d = decode(file);
  ASSERT_TRUE(d.image);
  EXPECT_EQ(d.image->byte_size(), 0u);

  ImageSources sources{[&](const std::string&) { return std::optional<Bytes>(file); }, ""};
  int width = -1, height = -1;
  EXPECT_FALSE(load_image("sig.tga", sources, width, height));
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 5);
}

// Files written by ImageMagick, uncompressed and run-length, 24 and 32 bits, compared
// pixel for pixel with ImageMagick's own decoding of the same files.
TEST(TgaReader, MatchesReferenceDecoderOnEncodedCorpus) {
  const int width = 37, height = 23;
  const std::string source = test::corpus_path("tga_source.pam");
  test::write_pam(source, width, height, test::pattern_rgba(width, height));
  struct Variant {
    const char* name;
    const char* options;
  };
  const Variant variants[] = {{"tga_rgb24.tga", "-alpha off -compress none"},
                              {"tga_rgba32.tga", "-compress none"},
                              {"tga_rle24.tga", "-alpha off -compress RLE"},
                              {"tga_rle32.tga", "-compress RLE"},
                              {"tga_topfirst.tga", "-compress RLE -orient TopLeft"}};
  for (const Variant& v : variants) {
    const std::string path = test::corpus_path(v.name);
    ASSERT_TRUE(test::run("/usr/bin/convert '" + source + "' " + v.options + " '" + path + "'"))
        << v.name;
    const Bytes file = test::read_file(path);
    ASSERT_GT(file.size(), 18u);
    const Decoded d = decode(file);
    ASSERT_TRUE(d.image) << v.name << ": " << message_of(d);
    EXPECT_EQ(d.width, width);
    EXPECT_EQ(d.height, height);
    EXPECT_EQ(d.image->rgba, test::reference_rgba(path)) << v.name;
  }
}

}  // namespace
}  // namespace bw::assets
