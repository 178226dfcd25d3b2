#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>

#include "assets/dds_reader.h"
#include "image_corpus.h"

namespace bw::assets {
namespace {

using test::Bytes;

void put32(Bytes& file, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) file[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A 128-byte DDS header followed by `data`.
Bytes make_dds(std::uint32_t flags, const char* four_cc, std::uint32_t bit_count,
               std::uint32_t width, std::uint32_t height, const Bytes& data) {
  Bytes file(128, 0);
  std::memcpy(file.data(), "DDS ", 4);
  put32(file, 4, 124);
  put32(file, 12, height);
  put32(file, 16, width);
  put32(file, 80, flags);
  if (four_cc != nullptr) std::memcpy(&file[84], four_cc, 4);
  put32(file, 88, bit_count);
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
  ImageResult<PixelBuffer> image = decode_dds(file, width, height, max_side);
  return {std::move(image), width, height};
}

// What a refusal says about the file named t.dds; empty for pixels.
std::string message_of(const ImageResult<PixelBuffer>& image) {
  return image ? "" : image.error().message("DDS image \"t.dds\"");
}

std::array<std::uint8_t, 64> block_pixels(DdsFormat format, const Bytes& block) {
  std::array<std::uint8_t, 64> pixels{};
  decode_dxt_block(format, block.data(), pixels);
  return pixels;
}

// A colour block: c0, c1 and one index byte per row.
Bytes colour_block(std::uint16_t c0, std::uint16_t c1, std::array<std::uint8_t, 4> rows) {
  return {static_cast<std::uint8_t>(c0), static_cast<std::uint8_t>(c0 >> 8),
          static_cast<std::uint8_t>(c1), static_cast<std::uint8_t>(c1 >> 8),
          rows[0], rows[1], rows[2], rows[3]};
}

TEST(DxtBlock, FourColourAndThreeColourPalettesExpandWithoutReplication) {
  // c0 > c1: index 3 is one third of the way from white (248, 252, 248) to black.
  auto pixels = block_pixels(DdsFormat::dxt1, colour_block(0xFFFF, 0x0000, {255, 255, 255, 255}));
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ((std::array<int, 4>{pixels[i * 4], pixels[i * 4 + 1], pixels[i * 4 + 2],
                                  pixels[i * 4 + 3]}),
              (std::array<int, 4>{82, 84, 82, 255}));
  }
  // c0 <= c1: index 3 is transparent black.
  pixels = block_pixels(DdsFormat::dxt1, colour_block(0x0000, 0xFFFF, {255, 255, 255, 255}));
  for (int i = 0; i < 64; ++i) EXPECT_EQ(pixels[i], 0) << i;

  // Index order: bits 1-0 are the leftmost pixel of the row; rows from the top.
  // Row 0 = indices 0,1,2,3 (0xE4); row 1 = 3,2,1,0 (0x1B).
  pixels = block_pixels(DdsFormat::dxt1, colour_block(0xF800, 0x001F, {0xE4, 0x1B, 0, 0}));
  const int palette_red[4] = {248, 0, 165, 82};
  const int palette_blue[4] = {0, 248, 82, 165};
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(pixels[x * 4], palette_red[x]) << x;
    EXPECT_EQ(pixels[x * 4 + 2], palette_blue[x]) << x;
    EXPECT_EQ(pixels[(4 + x) * 4], palette_red[3 - x]) << x;
    EXPECT_EQ(pixels[(4 + x) * 4 + 3], 255) << x;
  }
  // Equal endpoints take the three-colour palette: index 2 is their mean, index 3
  // transparent black. Row 0 holds indices 2, 3, 3, 3.
  pixels = block_pixels(DdsFormat::dxt1, colour_block(0x8410, 0x8410, {0xFE, 0, 0, 0}));
  EXPECT_EQ((std::array<int, 8>{pixels[0], pixels[1], pixels[2], pixels[3], pixels[4],
                                pixels[5], pixels[6], pixels[7]}),
            (std::array<int, 8>{128, 128, 128, 255, 0, 0, 0, 0}));
}

TEST(DxtBlock, ExplicitAndInterpolatedAlpha) {
  // DXT3: four bits per pixel from the low end, times 16.
  Bytes block = {0x10, 0xF2, 0, 0, 0, 0, 0, 0xF0};
  const Bytes colours = colour_block(0xFFFF, 0, {0, 0, 0, 0});
  block.insert(block.end(), colours.begin(), colours.end());
  auto pixels = block_pixels(DdsFormat::dxt3, block);
  const int expected[16] = {0, 16, 32, 240, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 240};
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pixels[i * 4 + 3], expected[i]) << i;
  EXPECT_EQ(pixels[0], 248);

  struct Case {
    std::uint8_t alpha0, alpha1;
    int code;
    int alpha;
  };
  const Case cases[] = {
      {0, 255, 7, 255},    {255, 0, 7, 36},     {255, 0, 0, 255},   {255, 0, 1, 0},
      {200, 100, 2, 185},  {200, 100, 4, 157},  {100, 200, 2, 120}, {100, 200, 5, 180},
      {100, 200, 6, 0},    {100, 200, 7, 255},  {90, 90, 3, 90},
  };
  for (const Case& c : cases) {
    // Every one of the sixteen 3-bit codes set to c.code.
    std::uint64_t codes = 0;
    for (int i = 0; i < 16; ++i) codes |= static_cast<std::uint64_t>(c.code) << (3 * i);
    Bytes dxt5 = {c.alpha0, c.alpha1};
    for (int i = 0; i < 6; ++i) dxt5.push_back(static_cast<std::uint8_t>(codes >> (8 * i)));
    dxt5.insert(dxt5.end(), colours.begin(), colours.end());
    pixels = block_pixels(DdsFormat::dxt5, dxt5);
    for (int i = 0; i < 16; ++i) {
      ASSERT_EQ(pixels[i * 4 + 3], c.alpha) << int(c.alpha0) << " " << int(c.alpha1) << " "
                                            << c.code << " pixel " << i;
    }
  }
  // Code order: pixel 0 in the low three bits, pixel 1 in the next three.
  Bytes ordered = {10, 20, 0x08, 0, 0, 0, 0, 0};  // pixel 0 code 0, pixel 1 code 1
  ordered.insert(ordered.end(), colours.begin(), colours.end());
  pixels = block_pixels(DdsFormat::dxt5, ordered);
  EXPECT_EQ(pixels[3], 10);
  EXPECT_EQ(pixels[7], 20);
  EXPECT_EQ(pixels[11], 10);
}

TEST(DdsReader, UncompressedPixelsAreTakenInFileOrder) {
  Decoded d = decode(make_dds(0x40, nullptr, 24, 2, 1, {1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(d.image) << message_of(d.image);
  EXPECT_EQ(d.image->rgba, (Bytes{1, 2, 3, 255, 4, 5, 6, 255}));
  d = decode(make_dds(0x41, nullptr, 32, 1, 2, {1, 2, 3, 4, 5, 6, 7, 8}));
  ASSERT_TRUE(d.image) << message_of(d.image);
  EXPECT_EQ(d.image->rgba, (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
}

// Each bad header or cut file against the reason: the fault, the field and its offset,
// and the line a user reads. None may read outside the bytes given.
TEST(DdsReader, RefusalsSayWhatWasWrongAndWhere) {
  Bytes bad_magic = make_dds(0x40, nullptr, 24, 1, 1, {1, 2, 3});
  bad_magic[3] = 'X';
  const Bytes full = make_dds(4, "DXT5", 0, 8, 4, Bytes(32, 0));
  const std::string unknown = "DDS image \"t.dds\": unknown format";
  const std::string limit = " of DDS image \"t.dds\" is above the limit of 16384 pixels a side "
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
      {"magic", bad_magic, ImageFault::wrong_signature, "magic", 0,
       "DDS image \"t.dds\": wrong magic"},
      {"too short for magic", {'D', 'D'}, ImageFault::wrong_signature, "magic", 0,
       "DDS image \"t.dds\": wrong magic"},
      {"header cut", Bytes(full.begin(), full.begin() + 100), ImageFault::truncated, "header", 0,
       "DDS image \"t.dds\" is truncated: the header needs 128 bytes, the file has 100"},
      {"DXT2", make_dds(4, "DXT2", 0, 4, 4, Bytes(16)), ImageFault::unsupported, "FourCC", 84,
       "DDS image \"t.dds\": DXT2 or DXT4 is not supported"},
      {"DXT4", make_dds(4, "DXT4", 0, 4, 4, Bytes(16)), ImageFault::unsupported, "FourCC", 84,
       "DDS image \"t.dds\": DXT2 or DXT4 is not supported"},
      {"other FourCC", make_dds(4, "ATI2", 0, 4, 4, Bytes(16)), ImageFault::unsupported, "FourCC",
       84, unknown},
      {"0x41 with 24 bits", make_dds(0x41, nullptr, 24, 1, 1, Bytes(4)), ImageFault::unsupported,
       "pixel format", 80, unknown},
      {"0x40 with 32 bits", make_dds(0x40, nullptr, 32, 1, 1, Bytes(4)), ImageFault::unsupported,
       "pixel format", 80, unknown},
      {"RGB with more flags", make_dds(0x240, nullptr, 24, 1, 1, Bytes(4)),
       ImageFault::unsupported, "pixel format", 80, unknown},
      {"blocks cut", Bytes(full.begin(), full.end() - 1), ImageFault::truncated, "pixel data", 128,
       "DDS image \"t.dds\" is truncated: the pixels need 32 bytes after the header, the file "
       "has 31"},
      // width x height bytes would be too few for DXT5 blocks of a 1x1 image.
      {"one pixel, one byte", make_dds(4, "DXT5", 0, 1, 1, {0}), ImageFault::truncated,
       "pixel data", 128,
       "DDS image \"t.dds\" is truncated: the pixels need 16 bytes after the header, the file "
       "has 1"},
      {"RGB cut", make_dds(0x40, nullptr, 24, 3, 3, Bytes(26)), ImageFault::truncated,
       "pixel data", 128,
       "DDS image \"t.dds\" is truncated: the pixels need 27 bytes after the header, the file "
       "has 26"},
      {"huge width", make_dds(0x41, nullptr, 32, 0xFFFFFFFF, 1, Bytes(4)), ImageFault::too_large,
       "image size", 12, "image size 4294967295x1" + limit},
      {"width just above cap", make_dds(4, "DXT1", 0, 16385, 4, Bytes(8)), ImageFault::too_large,
       "image size", 12, "image size 16385x4" + limit},
      {"overflowing product", make_dds(0x41, nullptr, 32, 0x40000000, 0x40000000, {}),
       ImageFault::too_large, "image size", 12, "image size 1073741824x1073741824" + limit},
  };
  for (const Case& c : cases) {
    const Decoded d = decode(c.file);
    ASSERT_FALSE(d.image) << c.name;
    EXPECT_EQ(d.image.error().fault, c.fault) << c.name;
    EXPECT_EQ(d.image.error().field, c.field) << c.name;
    EXPECT_EQ(d.image.error().offset, c.offset) << c.name;
    EXPECT_EQ(message_of(d.image), c.message) << c.name;
  }
  // The size is known once the magic is accepted, also for a rejected format.
  const Decoded d = decode(make_dds(4, "DXT2", 0, 8, 12, Bytes(128)));
  EXPECT_EQ(d.width, 8);
  EXPECT_EQ(d.height, 12);
}

TEST(DdsReader, SidesNotMultiplesOfFourKeepOnlyThePixelsInside) {
  // A 5x2 DXT1 image: two blocks across (the second padded), one down. Block 0 is all
  // c0 (red), block 1 all c1 (blue).
  Bytes data = colour_block(0xF800, 0x001F, {0, 0, 0, 0});
  const Bytes second = colour_block(0xF800, 0x001F, {0x55, 0x55, 0x55, 0x55});
  data.insert(data.end(), second.begin(), second.end());
  const Decoded d = decode(make_dds(4, "DXT1", 0, 5, 2, data));
  ASSERT_TRUE(d.image) << message_of(d.image);
  ASSERT_EQ(d.image->byte_size(), 5u * 2 * 4);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 5; ++x) {
      const std::uint8_t* p = d.image->pixel(x, y);
      EXPECT_EQ(p[0], x < 4 ? 248 : 0) << x << "," << y;
      EXPECT_EQ(p[2], x < 4 ? 0 : 248) << x << "," << y;
    }
  }
}

// Found by fuzzing: a 2x0 image copied zero bytes from and to null pointers.
TEST(DdsReader, ZeroSizedImagesGiveEmptyPixels) {
  const Bytes files[] = {make_dds(0x41, nullptr, 32, 2, 0, {}),
                         make_dds(0x40, nullptr, 24, 0, 7, {}),
                         make_dds(4, "DXT5", 0, 0, 0, {})};
  for (const Bytes& file : files) {
    const Decoded d = decode(file);
    ASSERT_TRUE(d.image) << message_of(d.image);
    EXPECT_EQ(d.image->byte_size(), 0u);
  }
}

TEST(DdsReader, LoadsFromThePathThenFromTheInstallDirectory) {
  const std::string dir = test::corpus_path("dds_install");
  ASSERT_TRUE(test::run("mkdir -p '" + dir + "/data'"));
  test::write_file(dir + "/data/x.dds", make_dds(0x41, nullptr, 32, 1, 1, {9, 8, 7, 6}));
  int width = 0, height = 0;
  const auto image = load_dds("data/x.dds", dir, width, height);
  const auto missing = load_dds("data/missing.dds", dir, width, height);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->rgba, (Bytes{9, 8, 7, 6}));
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.error().fault, ImageFault::not_found);
  EXPECT_EQ(message_of(missing), "");  // quiet: nothing to say about a file not there

  // A file whose header promises the largest image but holds 3 bytes of pixels.
  test::write_file(dir + "/data/short.dds", make_dds(0x41, nullptr, 32, 4096, 4096, {1, 2, 3}));
  const auto short_file = load_dds("data/short.dds", dir, width, height);
  ASSERT_FALSE(short_file);
  EXPECT_EQ(short_file.error().fault, ImageFault::truncated);
  EXPECT_NE(message_of(short_file).find("need 67108864 bytes after the header, the file has 3"),
            std::string::npos);
}

// Reads a DDS file written by ImageMagick; gives the pixels and ImageMagick's decoding.
struct Pair {
  std::optional<PixelBuffer> ours;
  Bytes reference;
};

Pair encode_and_decode(const std::string& name, const std::string& options, int width,
                       int height) {
  const std::string source = test::corpus_path(name + ".pam");
  const std::string path = test::corpus_path(name + ".dds");
  test::write_pam(source, width, height, test::pattern_rgba(width, height));
  Pair pair;
  if (!test::run("/usr/bin/convert '" + source + "' " + options + " '" + path + "'")) return pair;
  int w = 0, h = 0;
  pair.ours = load_dds(path, "", w, h);
  pair.reference = test::reference_rgba(path);
  return pair;
}

// Block-compressed corpus: ours expands 5-6-5 colours by a plain shift where ImageMagick
// copies the high bits down, so every colour channel may lie up to 8 below the
// reference; alpha agrees within rounding. Block order, index order and clipping of the
// padded blocks must agree exactly, which the bound catches.
TEST(DdsReader, CompressedCorpusAgreesWithReferenceWithinTheExpansionRule) {
  struct Variant {
    const char* name;
    const char* options;
  };
  const Variant variants[] = {{"dds_dxt1", "-alpha off -define dds:compression=dxt1"},
                              {"dds_dxt5", "-define dds:compression=dxt5"}};
  for (const Variant& v : variants) {
    const Pair pair = encode_and_decode(v.name, v.options, 21, 10);
    ASSERT_TRUE(pair.ours) << v.name;
    ASSERT_EQ(pair.ours->rgba.size(), pair.reference.size()) << v.name;
    int worst_colour = 0, worst_alpha = 0;
    for (std::size_t i = 0; i < pair.reference.size(); ++i) {
      const int difference = int(pair.reference[i]) - int(pair.ours->rgba[i]);
      if (i % 4 == 3) {
        worst_alpha = std::max(worst_alpha, std::abs(difference));
      } else {
        EXPECT_GE(difference, -1) << v.name << " byte " << i;
        worst_colour = std::max(worst_colour, difference);
      }
    }
    EXPECT_LE(worst_colour, 8) << v.name;
    EXPECT_LE(worst_alpha, 17) << v.name;
  }
}

// Uncompressed corpus: ImageMagick stores blue, green, red, alpha; the file-order rule
// reads those bytes as red, green, blue, alpha, so ours is the reference with red and
// blue exchanged, and otherwise identical.
TEST(DdsReader, UncompressedCorpusIsReferenceWithFileOrderChannels) {
  const Pair pair = encode_and_decode("dds_rgba32", "-define dds:compression=none", 13, 7);
  ASSERT_TRUE(pair.ours);
  Bytes expected = pair.reference;
  ASSERT_EQ(expected.size(), 13u * 7 * 4);
  for (std::size_t i = 0; i < expected.size(); i += 4) std::swap(expected[i], expected[i + 2]);
  EXPECT_EQ(pair.ours->rgba, expected);
}

}  // namespace
}  // namespace bw::assets
