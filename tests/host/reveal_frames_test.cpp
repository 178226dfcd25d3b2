// What the screen shows while a painting arrives, read from the frames a seeded headless
// run writes with --frames: the first painting is painted over the bare canvas, the second
// over the first, stroke by stroke (not one blend over the whole screen), dark masses
// before highlights, and the last frame of a reveal is the new painting itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "assets/png_reader.h"
#include "program_runner.h"

namespace bw::host {
namespace {
namespace fs = std::filesystem;

constexpr int kWidth = 320;
constexpr int kHeight = 200;
constexpr int kBlock = 20;

struct SaverRun {
  int status = -1;
  std::string err;
};

SaverRun render(const fs::path& dir, int pictures, const char* seed) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto child = testing::start_saver(
      {"--render", dir.string(), "--pictures", std::to_string(pictures), "--frames", "--size",
       std::to_string(kWidth) + "x" + std::to_string(kHeight), "--seed", seed, "--delay", "0",
       "--speed", "40"},
      dir.string());
  SaverRun run;
  run.status = testing::wait_for(child, 400);
  if (run.status < 0) testing::kill_child(child);
  run.err = testing::slurp(child.err_file);
  return run;
}

std::optional<assets::PixelBuffer> load(const fs::path& path) {
  int width = 0, height = 0;
  return assets::load_png(path.string(), "", width, height);
}

std::vector<assets::PixelBuffer> frames_in(const fs::path& dir) {
  std::vector<assets::PixelBuffer> frames;
  for (int n = 1;; ++n) {
    char name[32];
    std::snprintf(name, sizeof name, "frame-%05d.png", n);
    if (!fs::exists(dir / name)) break;
    auto frame = load(dir / name);
    if (!frame) break;
    frames.push_back(std::move(*frame));
  }
  return frames;
}

int largest_difference(const assets::PixelBuffer& a, const assets::PixelBuffer& b) {
  int worst = 0;
  for (std::size_t i = 0; i < a.rgba.size(); ++i) {
    if (i % 4 == 3) continue;
    worst = std::max(worst, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
  }
  return worst;
}

double luma(const assets::PixelBuffer& image, std::size_t pixel) {
  const std::uint8_t* p = &image.rgba[pixel * 4];
  return (0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]) / 255.0;
}

// The share of `to` in `frame` over the pixels [begin, end) of `pixels`, fitted as
// frame = from + w (to - from) by least squares; none where the two paintings barely differ.
std::optional<double> fitted_weight(const assets::PixelBuffer& frame,
                                    const assets::PixelBuffer& from,
                                    const assets::PixelBuffer& to,
                                    const std::vector<std::size_t>& pixels) {
  double along = 0, norm = 0;
  for (std::size_t pixel : pixels)
    for (int c = 0; c < 3; ++c) {
      const std::size_t i = pixel * 4 + static_cast<std::size_t>(c);
      const double d = double(to.rgba[i]) - double(from.rgba[i]);
      along += (double(frame.rgba[i]) - double(from.rgba[i])) * d;
      norm += d * d;
    }
  if (norm < 3.0 * 12.0 * 12.0 * static_cast<double>(pixels.size())) return std::nullopt;
  return along / norm;
}

class RevealFrames : public ::testing::Test {
 protected:
  // One seeded run of two pictures, shared by the tests.
  static void SetUpTestSuite() {
    dir_ = new fs::path(fs::path(BW_TEST_TMPDIR) / "reveal");
    run_ = new SaverRun(render(*dir_, 2, "7"));
    frames_ = new std::vector<assets::PixelBuffer>(frames_in(*dir_));
  }
  static void TearDownTestSuite() {
    delete dir_;
    delete run_;
    delete frames_;
  }
  void SetUp() override {
    ASSERT_EQ(run_->status, 0) << run_->err;
    first_ = load(*dir_ / "picture-001.png");
    second_ = load(*dir_ / "picture-002.png");
    ASSERT_TRUE(first_ && second_);
    ASSERT_GE(frames_->size(), 300u) << "two reveals at speed 40 take about 470 frames";
    // The second reveal begins after the last frame that shows the first painting whole.
    for (std::size_t i = 0; i < frames_->size(); ++i)
      if (largest_difference((*frames_)[i], *first_) <= 2) second_begins_ = i + 1;
    ASSERT_GT(second_begins_, 0u) << "no frame shows the first painting whole";
    ASSERT_LT(second_begins_ + 100, frames_->size()) << "no reveal of the second painting";
  }
  const std::vector<assets::PixelBuffer>& frames() const { return *frames_; }

  static fs::path* dir_;
  static SaverRun* run_;
  static std::vector<assets::PixelBuffer>* frames_;
  std::optional<assets::PixelBuffer> first_, second_;
  std::size_t second_begins_ = 0;
};
fs::path* RevealFrames::dir_ = nullptr;
SaverRun* RevealFrames::run_ = nullptr;
std::vector<assets::PixelBuffer>* RevealFrames::frames_ = nullptr;

TEST_F(RevealFrames, TheFirstPaintingIsPaintedOverTheCanvasAndEachRevealEndsAtItsPainting) {
  const assets::PixelBuffer& opening = frames().front();
  ASSERT_EQ(opening.width, kWidth);
  ASSERT_EQ(opening.height, kHeight);
  double mean = 0;
  for (std::size_t p = 0; p < opening.rgba.size() / 4; ++p) mean += luma(opening, p);
  mean /= static_cast<double>(opening.rgba.size() / 4);
  EXPECT_GT(mean, 0.3) << "the reveal starts from black, not from the canvas";
  EXPECT_GT(largest_difference(opening, *first_), 40) << "the first painting is there at once";
  EXPECT_LE(largest_difference(frames()[second_begins_ - 1], *first_), 2);
  EXPECT_LE(largest_difference(frames().back(), *second_), 2)
      << "some pixels never reach the new painting";
}

TEST_F(RevealFrames, MidRevealTheBlendWeightVariesOverTheScreen) {
  std::vector<std::vector<std::size_t>> blocks;
  for (int by = 0; by + kBlock <= kHeight; by += kBlock)
    for (int bx = 0; bx + kBlock <= kWidth; bx += kBlock) {
      std::vector<std::size_t> block;
      for (int y = by; y < by + kBlock; ++y)
        for (int x = bx; x < bx + kBlock; ++x) block.push_back(std::size_t(y) * kWidth + x);
      blocks.push_back(std::move(block));
    }
  // The frame of the second reveal whose blocks lie nearest half way, on average.
  std::vector<double> middle;
  double best = 1e9;
  for (std::size_t i = second_begins_; i < frames().size(); ++i) {
    std::vector<double> weights;
    for (const auto& block : blocks)
      if (auto w = fitted_weight(frames()[i], *first_, *second_, block)) weights.push_back(*w);
    if (weights.size() < blocks.size() / 2) continue;
    const double mean = std::accumulate(weights.begin(), weights.end(), 0.0) / weights.size();
    if (std::fabs(mean - 0.5) < best) {
      best = std::fabs(mean - 0.5);
      middle = weights;
    }
  }
  ASSERT_LT(best, 0.1);
  double spread = 0;
  for (double w : middle) spread += (w - 0.5) * (w - 0.5);
  spread = std::sqrt(spread / middle.size());
  const auto [low, high] = std::minmax_element(middle.begin(), middle.end());
  std::printf("mid-reveal block weights: spread %.3f, from %.3f to %.3f\n", spread, *low, *high);
  // A uniform cross-fade gives every block the same weight.
  EXPECT_GT(spread, 0.15);
  EXPECT_GT(*high - *low, 0.6);
}

TEST_F(RevealFrames, DarkMassesArriveBeforeHighlights) {
  // Each pixel's arrival: the first frame of the reveal from which it is mostly new.
  struct Arrival {
    double value;
    std::size_t frame;
  };
  std::vector<Arrival> arrivals;
  for (std::size_t p = 0; p < std::size_t(kWidth) * kHeight; ++p) {
    const std::vector<std::size_t> pixel{p};
    if (!fitted_weight(*second_, *first_, *second_, pixel)) continue;
    for (std::size_t i = second_begins_; i < frames().size(); ++i) {
      const auto w = fitted_weight(frames()[i], *first_, *second_, pixel);
      if (w && *w >= 0.5) {
        arrivals.push_back({luma(*second_, p), i - second_begins_});
        break;
      }
    }
  }
  ASSERT_GT(arrivals.size(), std::size_t(kWidth) * kHeight / 4);
  std::sort(arrivals.begin(), arrivals.end(),
            [](const Arrival& a, const Arrival& b) { return a.value < b.value; });
  const std::size_t quarter = arrivals.size() / 4;
  double dark = 0, light = 0;
  for (std::size_t i = 0; i < quarter; ++i) {
    dark += double(arrivals[i].frame);
    light += double(arrivals[arrivals.size() - 1 - i].frame);
  }
  dark /= double(quarter);
  light /= double(quarter);
  const double reveal = double(frames().size() - second_begins_);
  std::printf("mean arrival: darkest quarter %.1f, lightest %.1f of %.0f frames\n", dark, light,
              reveal);
  EXPECT_LT(dark + 0.1 * reveal, light) << "darkest quarter at frame " << dark
                                        << ", lightest at " << light << " of " << reveal;
}

TEST_F(RevealFrames, ASeededRunRevealsTheSameWayAgain) {
  const fs::path again = fs::path(BW_TEST_TMPDIR) / "reveal-again";
  const SaverRun run = render(again, 1, "7");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto repeated = frames_in(again);
  ASSERT_GT(repeated.size(), 100u);
  ASSERT_LE(repeated.size(), frames().size());
  for (std::size_t i : {repeated.size() / 3, repeated.size() / 2, repeated.size() - 1})
    EXPECT_EQ(repeated[i].rgba, frames()[i].rgba) << "frame " << i + 1;
}

}  // namespace
}  // namespace bw::host
