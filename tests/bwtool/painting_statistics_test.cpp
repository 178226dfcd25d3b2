// The published painting statistics on images whose answer is known from geometry or
// from the filters' own arithmetic, not from running the code.
#include "judge/painting_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>

namespace bw::judge {
namespace {

constexpr double kPi = std::numbers::pi;

assets::PixelBuffer grey_image(int width, int height,
                               const std::function<double(int, int)>& value) {
  auto image = assets::PixelBuffer::allocate(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto v = static_cast<uint8_t>(std::clamp(std::lround(value(x, y)), 0L, 255L));
      uint8_t* p = image->pixel(x, y);
      p[0] = p[1] = p[2] = v, p[3] = 255;
    }
  }
  return *image;
}

// Grey noise blurred over about two pixels: every orientation, every place alike.
assets::PixelBuffer isotropic_noise(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<float> normal(0, 1);
  Plane plane(width, height);
  for (float& v : plane.values) v = normal(random);
  plane = blur(plane, 2.0f);
  double spread = 0;
  for (float v : plane.values) spread += v * v;
  spread = std::sqrt(spread / plane.values.size());
  return grey_image(width, height,
                    [&](int x, int y) { return 128 + 40 * plane.at(x, y) / spread; });
}

// Points of Koch's snowflake (a closed polygon) of the given depth, centred in a square.
std::vector<std::pair<double, double>> koch_snowflake(int depth, double centre, double radius) {
  std::vector<std::pair<double, double>> points;
  for (int k = 0; k < 3; ++k) {
    const double angle = kPi / 2 + k * 2 * kPi / 3;
    points.emplace_back(centre + radius * std::cos(angle), centre - radius * std::sin(angle));
  }
  for (int level = 0; level < depth; ++level) {
    std::vector<std::pair<double, double>> finer;
    for (size_t i = 0; i < points.size(); ++i) {
      const auto [ax, ay] = points[i];
      const auto [bx, by] = points[(i + 1) % points.size()];
      const double dx = (bx - ax) / 3, dy = (by - ay) / 3;
      // The bump points outwards: the polygon runs anticlockwise on screen.
      const double px = ax + 1.5 * dx + dy * std::sqrt(3.0) / 2;
      const double py = ay + 1.5 * dy - dx * std::sqrt(3.0) / 2;
      finer.insert(finer.end(),
                   {{ax, ay}, {ax + dx, ay + dy}, {px, py}, {ax + 2 * dx, ay + 2 * dy}});
    }
    points = std::move(finer);
  }
  return points;
}

// Which pixel centres of a side x side square lie inside `polygon` (even-odd rule), row by row.
std::vector<bool> filled(const std::vector<std::pair<double, double>>& polygon, int side) {
  std::vector<bool> inside(static_cast<size_t>(side) * side, false);
  std::vector<double> crossings;
  for (int y = 0; y < side; ++y) {
    const double cy = y + 0.5;
    crossings.clear();
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
      const auto [xi, yi] = polygon[i];
      const auto [xj, yj] = polygon[j];
      if ((yi > cy) != (yj > cy)) crossings.push_back(xi + (xj - xi) * (cy - yi) / (yj - yi));
    }
    std::sort(crossings.begin(), crossings.end());
    for (size_t k = 0; k + 1 < crossings.size(); k += 2)
      for (int x = 0; x < side; ++x)
        if (x + 0.5 > crossings[k] && x + 0.5 < crossings[k + 1])
          inside[static_cast<size_t>(y) * side + x] = true;
  }
  return inside;
}

TEST(BoxCountDimension, IsOneForStraightOutlinesAndMoreForRougherOnes) {
  // A straight outline is a line: dimension 1. (A square of the statistics' own side is
  // counted as drawn. Boxes count where their cells are partly set, so an outline on a
  // box boundary, an even column, would go uncounted: this one runs inside boxes.)
  const auto upright =
      box_count_dimension(grey_image(1024, 1024, [](int x, int) { return x < 401 ? 40 : 210; }));
  ASSERT_TRUE(upright);
  EXPECT_NEAR(*upright, 1.0, 0.01);

  // Koch's snowflake: its outline has dimension log 4 / log 3 = 1.262.
  const std::vector<bool> flake = filled(koch_snowflake(6, 512, 480), 1024);
  const auto snowflake = box_count_dimension(grey_image(1024, 1024, [&](int x, int y) {
    return flake[static_cast<size_t>(y) * 1024 + x] ? 40 : 210;
  }));
  ASSERT_TRUE(snowflake);
  EXPECT_NEAR(*snowflake, std::log(4.0) / std::log(3.0), 0.07);

  // Fine noise: outlines everywhere, nearly filling the plane.
  const auto noise = box_count_dimension(isotropic_noise(1024, 1024, 3));
  ASSERT_TRUE(noise);
  EXPECT_GT(*noise, 1.75);

  EXPECT_FALSE(box_count_dimension(grey_image(300, 200, [](int, int) { return 120; })));
}

TEST(EdgeStatistics, AGratingAtTheFiltersFrequencyHasItsEdgeDensityAndTwoOrientations) {
  // 400 x 300 is the statistics' own 120,000 pixels, so the grating is not resampled.
  // Vertical bars 8 pixels apart, the filters' own period, of amplitude 50: the matching
  // filter's response is 50 x pi sigma^2 (1 - exp(-2 omega^2 sigma^2)) times the cosine of
  // the phase, whose mean size is 2 / pi.
  const double amplitude = 50;
  const auto grating = edge_statistics(grey_image(
      400, 300, [&](int x, int) { return 128 + amplitude * std::sin(2 * kPi * x / 8); }));
  const double sigma = 8 / kPi * std::sqrt(std::log(2.0) / 2) * 17 / 15, omega = 2 * kPi / 8;
  const double gain = kPi * sigma * sigma * (1 - std::exp(-2 * omega * omega * sigma * sigma));
  EXPECT_NEAR(grating.edge_density, 2 / kPi * amplitude * gain, 0.05 * amplitude * gain);
  // One orientation in its two polarities, equally strong: one bit, in first and second
  // order alike.
  ASSERT_TRUE(grating.first_order_entropy && grating.second_order_entropy);
  EXPECT_NEAR(*grating.first_order_entropy, 1.0, 0.05);
  EXPECT_LT(*grating.second_order_entropy, 1.05);

  const auto flat = edge_statistics(grey_image(400, 300, [](int, int) { return 90; }));
  EXPECT_EQ(flat.edge_density, 0);
  EXPECT_FALSE(flat.first_order_entropy);
  EXPECT_FALSE(flat.second_order_entropy);
}

TEST(EdgeStatistics, OrientationEntropyIsHighForNoiseAndSecondOrderLowForCircles) {
  // Noise has every orientation everywhere: both entropies near their most, log2 24.
  const auto noise = edge_statistics(isotropic_noise(400, 300, 1));
  ASSERT_TRUE(noise.first_order_entropy && noise.second_order_entropy);
  EXPECT_GT(*noise.first_order_entropy, 4.5);
  EXPECT_GT(*noise.second_order_entropy, 4.45);
  // Concentric rings hold every orientation too, but each edge's neighbours along and
  // across the ring share its orientation: the second order falls well below the noise.
  const auto rings = edge_statistics(grey_image(400, 300, [](int x, int y) {
    return 128 + 60 * std::sin(std::hypot(x - 200, y - 150) * 2 * kPi / 16);
  }));
  ASSERT_TRUE(rings.first_order_entropy && rings.second_order_entropy);
  EXPECT_GT(*rings.first_order_entropy, 4.4);
  EXPECT_LT(*rings.second_order_entropy, *noise.second_order_entropy - 0.3);
}

TEST(PhogStatistics, ComplexityIsTheMeanCentralDifference) {
  // One upright step between two greys in a 1024-pixel-wide image: in every row the two
  // pixels beside it change by half the step in L* (scaled to 0..255, rounded), the rest
  // by nothing.
  const int dark = 50, light = 200;
  const auto phog =
      phog_statistics(grey_image(1024, 640, [&](int x, int) { return x < 500 ? dark : light; }));
  const double step = std::nearbyint(srgb_to_lab(light, light, light)[0] * 2.55) -
                      std::nearbyint(srgb_to_lab(dark, dark, dark)[0] * 2.55);
  EXPECT_NEAR(phog.complexity, step / 1024, 1e-6);
}

TEST(PhogStatistics, AnisotropyIsZeroForEvenOrientationsAndKnownForStripes) {
  // Upright stripes whose period divides the finest cells: every cell's gradients point
  // half left (0 degrees), half right (180), so each cell holds 1/2 in two of its 16 bins,
  // all 85 cells together sum to 85, and the finest level's standard deviation follows.
  const auto stripes = phog_statistics(grey_image(
      1024, 640, [](int x, int) { return 128 + 60 * std::sin(2 * kPi * (x + 0.5) / 16); }));
  const double cell = 0.5 / 85, mean = 1.0 / (16 * 85);
  const double expected = std::sqrt(2.0 / 16 * cell * cell - mean * mean);
  EXPECT_NEAR(stripes.anisotropy, expected, 0.02 * expected);

  const auto noise = phog_statistics(isotropic_noise(1024, 640, 2));
  EXPECT_LT(noise.anisotropy, 0.1 * expected);
  EXPECT_LT(noise.anisotropy, kAnisotropyBand.p10);
}

TEST(PhogStatistics, MeasuresAtTheBandsScaleWhateverTheSize) {
  // The same painting at two sizes is measured at 1024 pixels wide both times.
  const auto painting = [](int width) {
    return grey_image(width, width * 5 / 8, [&](int x, int y) {
      const double u = double(x) / width, v = double(y) / width;
      return 128 + 60 * std::sin(9 * u + 4 * std::sin(7 * v)) + 40 * std::cos(13 * v * u);
    });
  };
  const auto large = phog_statistics(painting(2048)), native = phog_statistics(painting(1024));
  EXPECT_NEAR(large.complexity, native.complexity, 0.05 * native.complexity);
  EXPECT_NEAR(large.anisotropy, native.anisotropy, 0.05 * native.anisotropy);
}

}  // namespace
}  // namespace bw::judge
