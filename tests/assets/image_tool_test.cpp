// bwtool image decode, run as a program.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "assets/asset_pack.h"
#include "assets/jpeg_decoder.h"
#include "assets/png_reader.h"
#include "image_corpus.h"

namespace {

using bw::test::Bytes;

// Runs bwtool with the arguments; returns its exit status, stderr in `messages`.
int bwtool(const std::string& arguments, std::string* messages = nullptr) {
  const std::string errors =
      bw::test::corpus_path("tool_stderr_" + std::to_string(::getpid()) + ".txt");
  const int status =
      std::system((std::string(BWTOOL_PATH) + " " + arguments + " 2>'" + errors + "'").c_str());
  if (messages != nullptr) {
    const Bytes text = bw::test::read_file(errors);
    messages->assign(text.begin(), text.end());
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<bw::assets::PixelBuffer> read_png(const std::string& path) {
  int width = 0, height = 0;
  return bw::assets::load_png(path, "", width, height);
}

TEST(ImageDecodeTool, DecodesEachRoadIntoAnRgbaPng) {
  const std::string install = bw::test::corpus_path("tool_install");
  ASSERT_TRUE(bw::test::run("mkdir -p '" + install + "/data/shaders'"));
  // A 2x1 top-first 32-bit TGA asset under the install directory.
  bw::test::write_file(install + "/data/shaders/sig3.tga",
                       {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, 0x28,  //
                        1, 2, 3, 4, 5, 6, 7, 8});
  const std::string out = bw::test::corpus_path("tool_out_" + std::to_string(::getpid()) + ".png");
  ASSERT_EQ(bwtool("image decode --install '" + install + "' data/shaders/sig3.tga '" + out + "'"),
            0);
  auto image = read_png(out);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->rgba, (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));

  // The same TGA packed (scrambled) into the asset store under another key: the store wins.
  std::string error;
  ASSERT_TRUE(bw::assets::write_asset_store(
      install + "/data/Base3",
      {{"data/shaders/packed.tga", bw::test::read_file(install + "/data/shaders/sig3.tga")}},
      &error))
      << error;
  ASSERT_EQ(bwtool("image decode --install '" + install + "' data/shaders/packed.tga '" + out +
                   "'"),
            0);
  image = read_png(out);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->rgba, (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
  ASSERT_TRUE(bw::test::run("rm -rf '" + install + "/data/Base3'"));

  // A JPEG asset: alpha 0 survives into the PNG.
  const std::string source = install + "/data/shaders/oil3.ppm";
  bw::test::write_ppm(source, 8, 8, bw::test::pattern_rgba(8, 8));
  ASSERT_TRUE(bw::test::run("cjpeg -outfile '" + install + "/data/shaders/oil3.jpg' '" + source +
                            "'"));
  ASSERT_EQ(bwtool("image decode --install '" + install + "' data/shaders/oil3.jpg '" + out + "'"),
            0);
  image = read_png(out);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 8);
  EXPECT_EQ(image->rgba[3], 0);

  // TGA and JPEG given by their full paths are read from there, whatever the install folder.
  for (const char* name : {"sig3.tga", "oil3.jpg"}) {
    const std::string full = install + "/data/shaders/" + name;
    ASSERT_EQ(full[0], '/');
    std::string messages;
    ASSERT_EQ(bwtool("image decode --install /nonexistent '" + full + "' '" + out + "'",
                     &messages),
              0)
        << messages;
    EXPECT_EQ(messages, "") << name;
    ASSERT_TRUE(read_png(out)) << name;
  }

  // A PNG given by its full path.
  const std::string png = bw::test::corpus_path("tool_in.png");
  ASSERT_TRUE(bw::test::run("/usr/bin/convert -size 3x2 xc:'rgba(10,20,30,0.5)' PNG32:'" + png +
                            "'"));
  ASSERT_EQ(bwtool("image decode '" + png + "' '" + out + "'"), 0);
  image = read_png(out);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 3);
  EXPECT_EQ(image->rgba, bw::test::reference_rgba(png));
}

TEST(ImageDecodeTool, FailuresExitNonZeroWithAMessage) {
  const std::string out = bw::test::corpus_path("tool_fail.png");
  struct Case {
    const char* arguments;
    int status;
    const char* message_part;
  };
  const Case cases[] = {
      {"image decode A.TGA x.png", 1, "image \"A.TGA\": unknown format"},
      {"image decode --install /nonexistent x.tga x.png", 1, "cannot decode \"x.tga\""},
      // The message names this command, never the saver's effect loading.
      {"image decode /nonexistent/x.jpg x.png", 1,
       "bwtool image decode: cannot decode \"/nonexistent/x.jpg\": no such file\n"},
      {"image decode --install /nonexistent x.jpg x.png", 1,
       "bwtool image decode: cannot decode \"x.jpg\": no such asset under \"/nonexistent\"\n"},
      {"image decode /nonexistent/x.png x.png", 1, "cannot decode \"/nonexistent/x.png\""},
      {"image decode only-one.png", 2, "usage: bwtool image decode"},
      {"image decode --install", 2, "--install needs a directory"},
      {"image decode --bogus a.png b.png", 2, "unknown option \"--bogus\""},
  };
  for (const Case& c : cases) {
    std::string messages;
    EXPECT_EQ(bwtool(c.arguments, &messages), c.status) << c.arguments;
    EXPECT_NE(messages.find(c.message_part), std::string::npos) << c.arguments << ": " << messages;
    EXPECT_EQ(messages.find("Shader::"), std::string::npos) << c.arguments << ": " << messages;
  }
}

// Packs an image store of three JPEG records 1, 2 and 3 pixels high under
// install/data/Base4 (store code 2).
void pack_three_images(const std::string& install) {
  std::vector<bw::assets::PackedAsset> images;
  for (int k = 1; k <= 3; ++k) {
    const std::string stem = install + "/image" + std::to_string(k);
    bw::test::write_ppm(stem + ".ppm", 4, k, bw::test::pattern_rgba(4, k));
    ASSERT_TRUE(bw::test::run("cjpeg -outfile '" + stem + ".jpg' '" + stem + ".ppm'"));
    images.push_back({"image" + std::to_string(k) + ".jpg", bw::test::read_file(stem + ".jpg")});
  }
  std::string error;
  ASSERT_TRUE(bw::assets::write_image_store(install + "/data/Base4", images, &error)) << error;
}

// Runs bwtool with stdout captured; returns the exit status.
int bwtool_output(const std::string& arguments, std::string& output) {
  const std::string file =
      bw::test::corpus_path("tool_stdout_" + std::to_string(::getpid()) + ".txt");
  const int status = bwtool(arguments + " >'" + file + "'");
  const Bytes text = bw::test::read_file(file);
  output.assign(text.begin(), text.end());
  return status;
}

TEST(StoreImageTool, PrintsTheSelectedRecordAndCountAndWritesTheTurnedImage) {
  const std::string install = bw::test::corpus_path("tool_store_install");
  ASSERT_TRUE(bw::test::run("rm -rf '" + install + "' && mkdir -p '" + install + "/data'"));
  pack_three_images(install);
  std::string output;
  ASSERT_EQ(bwtool_output("store image '" + install + "' 2 7", output), 0);
  EXPECT_EQ(output, "3 3\n");  // 7 mod 4 = 3
  ASSERT_EQ(bwtool_output("store image '" + install + "' 2 4", output), 0);
  EXPECT_EQ(output, "1 3\n");  // 4 mod 4 = 0, which becomes 1

  const std::string out =
      bw::test::corpus_path("tool_store_" + std::to_string(::getpid()) + ".png");
  ASSERT_EQ(bwtool_output("store image '" + install + "' 2 3 -o '" + out + "'", output), 0);
  auto written = read_png(out);
  ASSERT_TRUE(written);
  int width = 0, height = 0;
  auto decoded = bw::assets::decode_jpeg(bw::test::read_file(install + "/image3.jpg"), width,
                                         height);
  ASSERT_TRUE(decoded);
  bw::assets::reverse_rows(*decoded);
  EXPECT_EQ(written->rgba, decoded->rgba);
}

TEST(StoreImageTool, BadArgumentsAndMissingStoresFail) {
  const std::string install = bw::test::corpus_path("tool_store_empty");
  ASSERT_TRUE(bw::test::run("mkdir -p '" + install + "'"));
  struct Case {
    std::string arguments;
    int status;
    const char* message_part;
  };
  const Case cases[] = {
      {"store image '" + install + "' 2 1", 1, "cannot open the image store"},
      {"store image '" + install + "' 3 1", 2, "store code \"3\" is not one of 0, 1, 2 and 4"},
      {"store image '" + install + "' 2 -4", 2, "number \"-4\""},
      {"store image '" + install + "' 2 x1", 2, "number \"x1\""},
      {"store image '" + install + "' 2", 2, "usage: bwtool store image"},
      {"store image '" + install + "' 2 1 -o", 2, "-o needs a file name"},
  };
  for (const Case& c : cases) {
    std::string messages;
    EXPECT_EQ(bwtool(c.arguments, &messages), c.status) << c.arguments;
    EXPECT_NE(messages.find(c.message_part), std::string::npos) << c.arguments << ": " << messages;
    EXPECT_EQ(messages.find("Shader::"), std::string::npos) << c.arguments << ": " << messages;
  }
}

}  // namespace
