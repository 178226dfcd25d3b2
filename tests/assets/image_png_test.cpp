#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>

#include "assets/png_reader.h"
#include "image_corpus.h"

namespace bw::assets {
namespace {

using test::Bytes;

struct Decoded {
  ImageResult<PixelBuffer> image;
  int width = -1;
  int height = -1;
};

Decoded load(const std::string& path, const std::string& install_dir = "") {
  int width = -1, height = -1;
  ImageResult<PixelBuffer> image = load_png(path, install_dir, width, height);
  return {std::move(image), width, height};
}

// What a refusal says about the file named p.png; empty for pixels.
std::string message_of(const ImageResult<PixelBuffer>& image) {
  return image ? "" : image.error().message("PNG image \"p.png\"");
}

// Writes a PNG with libpng's writer: the given packed rows, an optional tRNS grey value
// and an optional gAMA chunk.
bool write_png(const std::string& path, int width, int height, int bit_depth, int colour_type,
               const Bytes& packed_rows, int transparent_grey = -1, double gamma = 0) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, bit_depth, colour_type, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (transparent_grey >= 0) {
    png_color_16 grey{};
    grey.gray = static_cast<png_uint_16>(transparent_grey);
    png_set_tRNS(png, info, nullptr, 0, &grey);
  }
  if (gamma > 0) png_set_gAMA(png, info, gamma);
  png_write_info(png, info);
  const std::size_t row_bytes = packed_rows.size() / height;
  for (int y = 0; y < height; ++y) {
    png_write_row(png, const_cast<png_bytep>(packed_rows.data() + row_bytes * y));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return true;
}

// Files written by ImageMagick in every colour type the engine might meet, compared
// pixel for pixel with ImageMagick's decoding of the same files.
TEST(PngReader, MatchesReferenceDecoderOnEncodedCorpus) {
  const int width = 29, height = 17;
  const std::string source = test::corpus_path("png_source.pam");
  test::write_pam(source, width, height, test::pattern_rgba(width, height));
  struct Variant {
    const char* name;
    const char* options;
    const char* format;  // ImageMagick's output format prefix
  };
  const Variant variants[] = {
      {"png_rgb8.png", "", "PNG24:"},
      {"png_rgba8.png", "", "PNG32:"},
      {"png_rgba16.png", "", "PNG64:"},
      {"png_rgb16.png", "-alpha off", "PNG48:"},
      {"png_palette.png", "-alpha off -colors 50", "PNG8:"},
      {"png_palette_alpha.png", "-colors 50", "PNG8:"},
      {"png_grey8.png", "-colorspace Gray -alpha off", ""},
      {"png_grey_alpha.png", "-colorspace Gray -define png:color-type=4", ""},
      {"png_grey2.png", "-colorspace Gray -alpha off -depth 2", ""},
      {"png_interlaced.png", "-interlace PNG", "PNG32:"},
  };
  for (const Variant& v : variants) {
    const std::string path = test::corpus_path(v.name);
    const std::string command = "/usr/bin/convert '" + source + "' " + v.options + " '" +
                                v.format + path + "'";
    ASSERT_TRUE(test::run(command)) << command;
    const Decoded d = load(path);
    ASSERT_TRUE(d.image) << v.name << ": " << message_of(d.image);
    EXPECT_EQ(d.width, width);
    EXPECT_EQ(d.height, height);
    EXPECT_EQ(d.image->rgba, test::reference_rgba(path)) << v.name;
  }
}

TEST(PngReader, LowDepthGreyWithTransparencyAndGamma) {
  // 2-bit grey 0, 1, 2, 3 with grey 1 transparent.
  const std::string grey = test::corpus_path("png_grey2_trns.png");
  ASSERT_TRUE(write_png(grey, 4, 1, 2, PNG_COLOR_TYPE_GRAY, {0x1B}, 1));
  Decoded d = load(grey);
  ASSERT_TRUE(d.image) << message_of(d.image);
  EXPECT_EQ(d.image->rgba,
            (Bytes{0, 0, 0, 255, 85, 85, 85, 0, 170, 170, 170, 255, 255, 255, 255, 255}));

  // A palette without tRNS: alpha 255 everywhere (covered by the corpus); a file gamma
  // of 1.0 against a screen gamma of 2.2 lifts mid grey: 255 * (128 / 255)^(1 / 2.2).
  const std::string linear = test::corpus_path("png_gamma1.png");
  ASSERT_TRUE(write_png(linear, 2, 1, 8, PNG_COLOR_TYPE_GRAY, {128, 0}, -1, 1.0));
  d = load(linear);
  ASSERT_TRUE(d.image) << message_of(d.image);
  EXPECT_NEAR(d.image->rgba[0], 186, 1);
  EXPECT_EQ(d.image->rgba[4], 0);
  EXPECT_EQ(d.image->rgba[3], 255);
}

// Each damaged file against the reason and the line a user reads. libpng says its own
// words on standard error as well; ours is the one line.
TEST(PngReader, RefusalsSayWhatWasWrong) {
  const std::string good = test::corpus_path("png_good.png");
  ASSERT_TRUE(write_png(good, 8, 8, 8, PNG_COLOR_TYPE_RGB, Bytes(8 * 8 * 3, 77)));
  const Bytes file = test::read_file(good);
  ASSERT_GT(file.size(), 40u);

  Bytes bad_header = file;
  bad_header[17] ^= 0x40;  // width inside IHDR: the chunk's CRC no longer matches
  Bytes bad_data = file;
  bad_data[file.size() - 20] ^= 0xFF;  // inside the compressed image data
  const std::string damaged = "PNG image \"p.png\" is damaged";
  const std::string wrong = "PNG image \"p.png\": wrong signature";
  struct Case {
    const char* name;
    Bytes bytes;
    ImageFault fault;
    std::string message;
  };
  const Case cases[] = {
      {"damaged IHDR", bad_header, ImageFault::damaged, damaged},
      {"damaged IDAT", bad_data, ImageFault::damaged, damaged},
      {"signature only", Bytes(file.begin(), file.begin() + 8), ImageFault::damaged, damaged},
      {"cut in the data", Bytes(file.begin(), file.begin() + file.size() / 2),
       ImageFault::damaged, damaged},
      {"not a PNG", Bytes{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, ImageFault::wrong_signature,
       wrong},
      {"shorter than a signature", Bytes{0x89, 'P', 'N'}, ImageFault::wrong_signature, wrong},
  };
  const std::string path = test::corpus_path("png_damaged.png");
  for (const Case& c : cases) {
    test::write_file(path, c.bytes);
    int width = -1, height = -1;
    std::FILE* stream = std::fopen(path.c_str(), "rb");
    ASSERT_NE(stream, nullptr);
    const auto image = decode_png_stream(stream, width, height);
    std::fclose(stream);
    ASSERT_FALSE(image) << c.name;
    EXPECT_EQ(image.error().fault, c.fault) << c.name;
    EXPECT_EQ(message_of(image), c.message) << c.name;
    EXPECT_LE(image.error().offset, c.bytes.size()) << c.name;
    EXPECT_EQ(width, -1) << c.name;
  }
}

TEST(PngReader, SidesAboveTheCapAreRefused) {
  const std::string wide = test::corpus_path("png_wide.png");
  ASSERT_TRUE(write_png(wide, 16385, 1, 8, PNG_COLOR_TYPE_GRAY, Bytes(16385, 9)));
  const Decoded d = load(wide);
  ASSERT_FALSE(d.image);
  // In the words of every reader, not as damage.
  EXPECT_EQ(d.image.error().fault, ImageFault::too_large);
  EXPECT_EQ(d.image.error().offset, 16u);
  EXPECT_EQ(message_of(d.image), "image size 16385x1 of PNG image \"p.png\" is above the limit of "
                                 "16384 pixels a side and 16777216 in all");

  const std::string edge = test::corpus_path("png_edge.png");
  ASSERT_TRUE(write_png(edge, 16384, 1, 8, PNG_COLOR_TYPE_GRAY, Bytes(16384, 9)));
  const Decoded at_cap = load(edge);
  ASSERT_TRUE(at_cap.image) << message_of(at_cap.image);
  EXPECT_EQ(at_cap.width, 16384);
}

TEST(PngReader, LoadsFromThePathThenFromTheInstallDirectory) {
  const std::string dir = test::corpus_path("png_install");
  ASSERT_TRUE(test::run("mkdir -p '" + dir + "/data'"));
  ASSERT_TRUE(write_png(dir + "/data/x.png", 1, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, {1, 2, 3, 4}));
  const Decoded found = load("data/x.png", dir);
  ASSERT_TRUE(found.image);
  EXPECT_EQ(found.image->rgba, (Bytes{1, 2, 3, 4}));
  const Decoded missing = load("data/missing.png", dir);
  ASSERT_FALSE(missing.image);
  EXPECT_EQ(missing.image.error().fault, ImageFault::not_found);
  EXPECT_EQ(message_of(missing.image), "");
}

}  // namespace
}  // namespace bw::assets
