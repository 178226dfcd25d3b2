// The generated image set: what files it holds, that independent readers accept them
// with the right geometry, the signature's transparency, determinism and the command line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "support.h"

namespace bw::artgen::test {
namespace {

std::vector<std::uint8_t> read_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string number_name(std::size_t n) {
  std::string digits = std::to_string(n);
  return std::string(digits.size() < 3 ? 3 - digits.size() : 0, '0') + digits + ".jpg";
}

// The stores number their records in file order, so each family must run 001, 002, ...
// without a gap, and hold at least as many images as the engine needs for variety.
TEST(ArtgenSet, HoldsEveryFamilyNumberedWithoutGaps) {
  const std::map<std::string, std::size_t> minimum = {{"colour", 64}, {"facture", 24}, {"form", 3}};
  for (const auto& [family, least] : minimum) {
    std::vector<std::filesystem::path> files = family_files(family);
    EXPECT_GE(files.size(), least) << family;
    for (std::size_t i = 0; i < files.size(); ++i) {
      EXPECT_EQ(files[i].filename().string(), number_name(i + 1)) << family;
    }
  }
  EXPECT_TRUE(std::filesystem::is_regular_file(default_set() / "data/shaders/oil3.jpg"));
  EXPECT_TRUE(std::filesystem::is_regular_file(default_set() / "data/shaders/sig3.tga"));
}

// ImageMagick reads every file with the size and channels the engine expects: RGB colour
// images, grey reliefs, and a signature with an alpha channel.
TEST(ArtgenSet, IndependentReaderSeesTheExpectedGeometry) {
  const std::filesystem::path& set = default_set();
  CommandResult result = run("cd " + quoted(set) +
                             " && /usr/bin/identify -format '%d/%f %w %h %[channels] %m\\n'"
                             " colour/*.jpg facture/*.jpg form/*.jpg data/shaders/oil3.jpg data/shaders/sig3.tga");
  ASSERT_EQ(result.status, 0) << result.output;
  std::istringstream lines(result.output);
  std::string name, channels, format;
  int width = 0, height = 0;
  std::map<std::string, int> seen;
  while (lines >> name >> width >> height >> channels >> format) {
    const std::string family = name.substr(0, name.find('/'));
    ++seen[family];
    if (family == "colour") {
      EXPECT_EQ(width, 512) << name;
      EXPECT_EQ(height, 512) << name;
      EXPECT_EQ(channels, "srgb") << name;
    } else if (family == "facture") {
      EXPECT_TRUE(width == 256 || width == 512) << name << " is " << width << " wide";
      EXPECT_EQ(width, height) << name;
      EXPECT_EQ(channels, "gray") << name;
    } else if (family == "form") {
      EXPECT_EQ(width, 512) << name;
      EXPECT_EQ(height, 512) << name;
      EXPECT_EQ(channels, "gray") << name;
    } else if (name == "data/shaders/oil3.jpg") {
      EXPECT_EQ(width, 1024);
      EXPECT_EQ(height, 1024);
      EXPECT_EQ(channels, "gray");
      EXPECT_EQ(format, "JPEG");
    } else if (name == "data/shaders/sig3.tga") {
      EXPECT_EQ(width, 512);
      EXPECT_EQ(height, 192);
      EXPECT_EQ(channels, "srgba");
      EXPECT_EQ(format, "TGA");
    } else {
      ADD_FAILURE() << "unexpected file " << name;
    }
  }
  EXPECT_EQ(seen["colour"], static_cast<int>(family_files("colour").size()));
  EXPECT_EQ(seen["facture"], static_cast<int>(family_files("facture").size()));
  EXPECT_EQ(seen["form"], static_cast<int>(family_files("form").size()));
  EXPECT_EQ(seen["data"], 2);
}

// The signature is read by a TGA reader that knows only types 2 and 10 at 24 or 32 bits:
// it must be type 2, 32 bits, top row first, and its alpha must leave a clear margin,
// show real strokes and keep one light colour under every transparent texel (no dark
// fringes when the texture is filtered).
TEST(ArtgenSet, SignatureIsA32BitTgaWithCleanAlpha) {
  const std::vector<std::uint8_t> tga = read_bytes(default_set() / "data/shaders/sig3.tga");
  ASSERT_GE(tga.size(), 18u);
  const int width = tga[12] | (tga[13] << 8);
  const int height = tga[14] | (tga[15] << 8);
  EXPECT_EQ(tga[0], 0);     // no image ID
  EXPECT_EQ(tga[1], 0);     // no colour map
  EXPECT_EQ(tga[2], 2);     // uncompressed true colour
  EXPECT_EQ(tga[16], 32);   // bits per pixel
  EXPECT_EQ(tga[17], 0x28);  // 8 alpha bits, first row at the top
  ASSERT_EQ(tga.size(), 18u + static_cast<std::size_t>(width) * height * 4);
  std::size_t solid = 0;
  bool edge_clear = true;
  bool one_clear_colour = true;
  const std::uint8_t* clear = nullptr;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = &tga[18 + (static_cast<std::size_t>(y) * width + x) * 4];
      if (p[3] >= 200) ++solid;
      if ((x == 0 || y == 0 || x == width - 1 || y == height - 1) && p[3] != 0) edge_clear = false;
      if (p[3] != 0) continue;
      if (clear == nullptr) clear = p;
      if (p[0] != clear[0] || p[1] != clear[1] || p[2] != clear[2]) one_clear_colour = false;
    }
  }
  const double coverage = static_cast<double>(solid) / (static_cast<double>(width) * height);
  EXPECT_TRUE(edge_clear);
  EXPECT_TRUE(one_clear_colour);
  ASSERT_NE(clear, nullptr);
  EXPECT_GT(clear[0] + clear[1] + clear[2], 3 * 128) << "a dark colour under clear texels fringes the strokes";
  EXPECT_GT(coverage, 0.02) << "the strokes are too thin to read";
  EXPECT_LT(coverage, 0.3) << "the signature would cover the painting";
}

// The signature is blended by its alpha over whatever the painting has there. Laid over
// dark, middle and light grounds (a dark red like its own ink among them), its strokes
// must stand apart from what lies right beside them: the mean luma of the stroke cores
// and of the texels two to four texels out differ clearly on every ground.
TEST(ArtgenSet, SignatureReadsOnEveryGround) {
  const std::vector<std::uint8_t> tga = read_bytes(default_set() / "data/shaders/sig3.tga");
  ASSERT_GE(tga.size(), 18u);
  const int width = tga[12] | (tga[13] << 8);
  const int height = tga[14] | (tga[15] << 8);
  ASSERT_EQ(tga.size(), 18u + static_cast<std::size_t>(width) * height * 4);
  auto texel = [&](int x, int y) { return &tga[18 + (static_cast<std::size_t>(y) * width + x) * 4]; };
  // The stroke cores, and the texels beside them: no core within one texel, one within
  // four. The cores are where the alpha is highest.
  int top = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) top = std::max(top, static_cast<int>(texel(x, y)[3]));
  }
  std::vector<char> core(static_cast<std::size_t>(width) * height, 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) core[static_cast<std::size_t>(y) * width + x] = texel(x, y)[3] >= top - 8;
  }
  auto near_core = [&](int x, int y, int reach) {
    for (int j = -reach; j <= reach; ++j) {
      for (int i = -reach; i <= reach; ++i) {
        const int u = x + i, v = y + j;
        if (u >= 0 && v >= 0 && u < width && v < height && core[static_cast<std::size_t>(v) * width + u]) return true;
      }
    }
    return false;
  };
  std::vector<char> beside(core.size(), 0);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) beside[static_cast<std::size_t>(y) * width + x] = !near_core(x, y, 1) && near_core(x, y, 4);
  }
  struct Ground {
    const char* name;
    double r, g, b;
  };
  const Ground grounds[] = {{"dark red", 0.40, 0.10, 0.08}, {"black", 0.02, 0.02, 0.03},
                            {"deep blue", 0.08, 0.12, 0.35}, {"mid grey", 0.5, 0.5, 0.5},
                            {"ochre", 0.78, 0.58, 0.25},     {"cream", 0.95, 0.92, 0.85}};
  for (const Ground& ground : grounds) {
    double core_sum = 0.0, beside_sum = 0.0;
    std::size_t core_n = 0, beside_n = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* p = texel(x, y);
        const double a = p[3] / 255.0;
        const double r = a * p[2] / 255.0 + (1.0 - a) * ground.r;
        const double g = a * p[1] / 255.0 + (1.0 - a) * ground.g;
        const double b = a * p[0] / 255.0 + (1.0 - a) * ground.b;
        const double luma = 0.3 * r + 0.59 * g + 0.11 * b;
        const std::size_t k = static_cast<std::size_t>(y) * width + x;
        if (core[k]) {
          core_sum += luma;
          ++core_n;
        }
        if (beside[k]) {
          beside_sum += luma;
          ++beside_n;
        }
      }
    }
    ASSERT_GT(core_n, 0u);
    ASSERT_GT(beside_n, 0u);
    EXPECT_GT(std::abs(core_sum / core_n - beside_sum / beside_n), 0.15) << ground.name;
  }
}

// Same seed, same bytes, also when the family counts differ (each image has its own
// random stream); another seed gives other images.
TEST(ArtgenSet, SameSeedSameBytesWhateverTheCounts) {
  const std::filesystem::path small = fresh_folder("artgen-small");
  CommandResult result = run(std::string(BW_ARTGEN) + " --seed 1 --colours 5 --factures 9 --forms 2 " + quoted(small));
  ASSERT_EQ(result.status, 0) << result.output;
  std::size_t compared = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(small)) {
    if (!entry.is_regular_file()) continue;
    const std::filesystem::path relative = std::filesystem::relative(entry.path(), small);
    EXPECT_EQ(read_bytes(entry.path()), read_bytes(default_set() / relative)) << relative;
    ++compared;
  }
  EXPECT_EQ(compared, 5u + 9u + 2u + 2u);

  // Another seed over the same folder: other images, and no image of the earlier,
  // larger run left behind for the store packer to pick up.
  const std::filesystem::path other = small;
  const std::vector<std::uint8_t> first = read_bytes(small / "colour/001.jpg");
  result = run(std::string(BW_ARTGEN) + " --seed 2 --colours 1 --factures 1 --forms 1 " + quoted(other));
  ASSERT_EQ(result.status, 0) << result.output;
  EXPECT_NE(read_bytes(other / "colour/001.jpg"), first);
  EXPECT_NE(read_bytes(other / "facture/001.jpg"), read_bytes(default_set() / "facture/001.jpg"));
  EXPECT_NE(read_bytes(other / "data/shaders/sig3.tga"), read_bytes(default_set() / "data/shaders/sig3.tga"));
  for (const char* family : {"colour", "facture", "form"}) {
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(other / family), std::filesystem::directory_iterator()), 1)
        << family;
  }
  std::filesystem::remove_all(small);
}

// Bad command lines end with status 2 and a message naming the fault; an output folder
// that cannot be made ends with status 1 and names it.
TEST(ArtgenCommandLine, RejectsBadArgumentsWithOneLine) {
  struct Case {
    const char* arguments;
    const char* message;
  };
  const Case cases[] = {
      {"", "artgen: no output folder given"},
      {"--colours", "artgen: --colours needs a value"},
      {"--colours 0 out", "artgen: bad value \"0\" for --colours"},
      {"--factures 1000 out", "artgen: bad value \"1000\" for --factures"},
      {"--forms -3 out", "artgen: bad value \"-3\" for --forms"},
      {"--seed 4294967296 out", "artgen: bad value \"4294967296\" for --seed"},
      {"--seed 12x out", "artgen: bad value \"12x\" for --seed"},
      {"--size 3 out", "artgen: unknown option \"--size\""},
      {"one two", "artgen: more than one output folder (\"two\")"},
  };
  for (const Case& c : cases) {
    CommandResult result = run(std::string(BW_ARTGEN) + " " + c.arguments);
    EXPECT_EQ(result.status, 2) << c.arguments;
    EXPECT_EQ(result.output.substr(0, result.output.find('\n')), c.message) << c.arguments;
  }

  const std::filesystem::path folder = fresh_folder("artgen-blocked");
  std::ofstream(folder / "plain-file") << "x";
  CommandResult result = run(std::string(BW_ARTGEN) + " --colours 1 " + quoted(folder / "plain-file" / "out"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output.rfind("artgen: cannot create folder \"" + (folder / "plain-file").string(), 0), 0u) << result.output;
  EXPECT_EQ(std::count(result.output.begin(), result.output.end(), '\n'), 1);

  // A file that cannot be written is a failure too, never a silent success.
  std::filesystem::create_directories(folder / "out/data/shaders/oil3.jpg");
  result = run(std::string(BW_ARTGEN) + " --colours 1 --factures 1 --forms 1 " + quoted(folder / "out"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.output, "artgen: cannot create \"" + (folder / "out/data/shaders/oil3.jpg").string() + "\"\n");
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace bw::artgen::test
