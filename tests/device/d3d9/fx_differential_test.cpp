// The two drawing backends against each other: every shipped effect and every instruction
// case rendered by `bwtool fx render` natively (OpenGL) and by the Windows bwtool under
// Wine (Direct3D 9), compared pixel by pixel. Where Wine's Direct3D 9 departs from what
// Direct3D 9 documents, the case is listed once below with both values; everything else
// must agree within 2 of 255.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assets/png_reader.h"
#include "assets/png_writer.h"
#include "bytecode/bsf.h"
#include "bytecode/effect_source.h"
#include "drawing_device.h"
#include "instruction_cases.h"
#include "wine_differences.h"

namespace {

namespace fs = std::filesystem;
namespace cases = bw::device::instruction_cases;

const fs::path kDir = fs::path(BW_TEST_TMPDIR) / "fx_differential";
constexpr int kTolerance = 2;

struct Run {
  int status = -1;
  std::string errors;
};

Run run(const std::string& command) {
  const fs::path errors = kDir / "stderr.txt";
  const int raw = std::system((command + " 2>" + errors.string() + " >/dev/null").c_str());
  Run result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream in(errors);
  result.errors.assign(std::istreambuf_iterator<char>(in), {});
  return result;
}

bool write_bytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// An image of distinct-looking pixels.
bw::assets::PixelBuffer pattern(int width, int height, std::uint32_t seed) {
  auto image = *bw::assets::PixelBuffer::allocate(width, height);
  std::uint32_t state = seed;
  for (auto& byte : image.rgba) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<std::uint8_t>(state >> 24);
  }
  return image;
}

// The bwtool fx render arguments that give every declared parameter a value and every
// pixel sampler an image of two thirds of the target's size, so that linear filtering is
// compared too (full-size images, point sampled, are the device tests' sharp cases).
std::string inputs_for(const bw::bytecode::BsfImage& image, int width, int height) {
  std::string args;
  int index = 0;
  for (const auto* table : {&image.vs.constants, &image.ps.constants})
    for (const auto& constant : *table) {
      std::ostringstream values;
      for (std::uint32_t i = 0; i <= constant.last; ++i, ++index)
        values << (i ? "," : "") << 0.15 + 0.1 * (index % 8);
      args += " --param " + std::string(constant.name) + "=" + values.str();
    }
  for (const auto& sampler : image.ps.samplers) {
    const std::string name = sampler.name;
    if (name.rfind("texSampler", 0) != 0) continue;
    const int k = std::stoi(name.substr(10));
    const fs::path path = kDir / ("input" + std::to_string(k) + ".png");
    if (!fs::exists(path)) {
      const auto input = pattern(std::max(1, width * 2 / 3), std::max(1, height * 2 / 3), 17u + k);
      std::string error;
      EXPECT_TRUE(bw::assets::save_png(input, path.string(), &error)) << error;
    }
    args += " --tex " + std::to_string(k) + "=" + path.string();
  }
  return args;
}

struct Picture {
  bool ok = false;
  std::vector<std::uint8_t> rgba;
};

Picture render(const std::string& tool, const fs::path& effect, const std::string& inputs,
               int width, int height, const fs::path& out) {
  fs::remove(out);
  const Run result = run(tool + " fx render " + effect.string() + inputs + " --size " +
                         std::to_string(width) + "x" + std::to_string(height) + " -o " +
                         out.string());
  EXPECT_EQ(result.status, 0) << tool << ": " << result.errors;
  Picture picture;
  int w = 0, h = 0;
  const auto png = bw::assets::load_png(out.string(), "", w, h);
  if (!png || w != width || h != height) return picture;
  picture.ok = true;
  picture.rgba = png->rgba;
  return picture;
}

// Renders one effect on both backends and compares; the largest difference is returned.
// An instruction case listed as a Wine difference is checked against its two values
// instead: GL against `documented` (the case's r0), Direct3D 9 against Wine's.
int compare(const std::string& name, const std::string& source, int width, int height,
            const cases::Case* instruction = nullptr,
            const bw::bytecode::EffectOptions& options = {}) {
  std::string error;
  const auto image = bw::bytecode::assemble_effect(source, error, options);
  EXPECT_TRUE(image) << error;
  if (!image) return -1;
  const auto bytes = bw::bytecode::write_bsf(*image, error);
  const fs::path effect = kDir / (name + ".bsf");
  EXPECT_TRUE(bytes && write_bytes(effect, *bytes)) << error;
  const std::string inputs = inputs_for(*image, width, height);
  const Picture gl = render(BWTOOL, effect, inputs, width, height, kDir / (name + ".gl.png"));
  const Picture d3d9 = render(std::string(WINE_RUN) + " " + BWTOOL_WINDOWS, effect, inputs,
                              width, height, kDir / (name + ".d3d9.png"));
  if (!gl.ok || !d3d9.ok) {
    ADD_FAILURE() << "no picture from " << (gl.ok ? "Direct3D 9" : "GL");
    return -1;
  }
  const bw::device::WineDifference* wine =
      instruction != nullptr ? bw::device::wine_difference(instruction->name) : nullptr;
  if (wine != nullptr) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(gl.rgba[c], cases::expected_byte(instruction->r0[c]), kTolerance)
          << "GL, channel " << c;
      if (!wine->wine_fixed) continue;
      EXPECT_NEAR(d3d9.rgba[c], cases::expected_byte(wine->wine_r0[c]), kTolerance)
          << "Wine no longer gives " << wine->wine << " (channel " << c << ")";
    }
    int listed = 0;
    for (int c = 0; c < 4; ++c) listed = std::max(listed, std::abs(int(gl.rgba[c]) - int(d3d9.rgba[c])));
    std::printf("%s: listed Wine difference, %d between the backends\n", name.c_str(), listed);
    return 0;
  }
  int worst = 0;
  std::size_t worst_at = 0;
  for (std::size_t i = 0; i < gl.rgba.size(); ++i) {
    const int difference = std::abs(int(gl.rgba[i]) - int(d3d9.rgba[i]));
    if (difference > worst) {
      worst = difference;
      worst_at = i;
    }
  }
  EXPECT_LE(worst, kTolerance) << "pixel " << worst_at / 4 % width << "," << worst_at / 4 / width
                               << " channel " << worst_at % 4 << ": GL " << int(gl.rgba[worst_at])
                               << ", Direct3D 9 " << int(d3d9.rgba[worst_at]);
  return worst;
}

class FxDifferential : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(BWTOOL_WINDOWS)) GTEST_SKIP() << "no Windows bwtool at " << BWTOOL_WINDOWS;
    fs::create_directories(kDir);
  }
};

TEST_F(FxDifferential, ShippedEffectsDrawTheSameOnBothBackends) {
  const fs::path root = fs::path(BW_SOURCE_DIR) / "data" / "effects";
  int effects = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.path().extension() != ".fx") continue;
    SCOPED_TRACE(entry.path().string());
    const std::string name = entry.path().stem().string();
    const std::string text = bw::device::drawing::shipped_effect_text(entry.path());
    // As the build assembles them: Wine compiles no pixel program with a subroutine (the
    // listed "call" difference).
    const int worst = compare(name, text, 64, 48, nullptr, {.inline_subroutines = true});
    std::printf("effect %-16s largest difference %d\n", name.c_str(), worst);
    ++effects;
  }
  EXPECT_GT(effects, 0);
}

TEST_F(FxDifferential, InstructionCasesDrawTheSameOnBothBackends) {
  int index = 0;
  for (const cases::Case& c : cases::kCases) {
    SCOPED_TRACE(c.name);
    const int worst =
        compare("case" + std::to_string(index), cases::effect_source(c), 2, 2, &c);
    std::printf("case%-3d %-40s largest difference %d\n", index++, c.name, worst);
  }
}

}  // namespace
