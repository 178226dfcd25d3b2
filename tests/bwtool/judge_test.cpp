// The picture judge's measures on images made to show each fault and its absence.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <random>

#include "judge/measures.h"

namespace bw::judge {
namespace {

using Colour = std::array<uint8_t, 3>;
using Painter = std::function<Colour(int x, int y)>;

assets::PixelBuffer paint(int width, int height, const Painter& colour_at) {
  auto image = assets::PixelBuffer::allocate(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Colour c = colour_at(x, y);
      uint8_t* p = image->pixel(x, y);
      p[0] = c[0], p[1] = c[1], p[2] = c[2], p[3] = 255;
    }
  }
  return *image;
}

Colour grey(double value) {
  const auto v = static_cast<uint8_t>(std::clamp(value, 0.0, 255.0) + 0.5);
  return {v, v, v};
}

Colour mix(const Colour& a, const Colour& b, double t) {
  Colour c;
  for (int i = 0; i < 3; ++i) c[i] = static_cast<uint8_t>(a[i] + (b[i] - a[i]) * t + 0.5);
  return c;
}

// Grey noise: random values blurred over a pixel and a half, values about 128 +- 40.
Plane noise_plane(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> uniform(0, 255);
  Plane plane(width, height);
  for (float& v : plane.values) v = uniform(random);
  plane = blur(plane, 1.5f);
  return plane;
}

// A region (true inside) drawn two ways: anti-aliased from 4 x 4 samples per pixel, or
// point-sampled on a coarse grid of 5 x 3 pixel texels, as a small target stretched over
// the screen would draw it.
using Region = std::function<bool(double x, double y)>;
assets::PixelBuffer draw_region(const Region& inside, bool stairs) {
  const Colour dark = {40, 60, 140}, light = {230, 180, 90};
  return paint(320, 200, [&](int x, int y) {
    if (stairs) {
      const double cx = (x / 5) * 5 + 2.5, cy = (y / 3) * 3 + 1.5;
      return inside(cx, cy) ? light : dark;
    }
    int covered = 0;
    for (int j = 0; j < 4; ++j)
      for (int i = 0; i < 4; ++i) covered += inside(x + (i + 0.5) / 4, y + (j + 0.5) / 4);
    return mix(dark, light, covered / 16.0);
  });
}

TEST(Jaggedness, StairStepsScoreFarAboveSmoothOutlines) {
  const struct {
    const char* name;
    Region inside;
  } cases[] = {
      {"slanted line", [](double x, double y) { return 3 * (x - 160) - 5 * (y - 100) > 0; }},
      {"shallow line", [](double x, double y) { return (x - 160) - 6 * (y - 100) > 0; }},
      {"disc", [](double x, double y) { return std::hypot(x - 160, y - 100) < 70; }},
  };
  for (const auto& c : cases) {
    const auto smooth = jaggedness(lab_planes(draw_region(c.inside, false)));
    const auto stairs = jaggedness(lab_planes(draw_region(c.inside, true)));
    ASSERT_TRUE(smooth && stairs) << c.name;
    EXPECT_LT(*smooth, 0.03) << c.name;
    EXPECT_GT(*stairs, 0.08) << c.name;
    EXPECT_GT(*stairs, 4 * *smooth) << c.name;
  }
}

TEST(Jaggedness, LeavesOutTheSignature) {
  const Region disc = [](double x, double y) { return std::hypot(x - 140, y - 90) < 60; };
  const assets::PixelBuffer plain = draw_region(disc, false);
  assets::PixelBuffer signed_painting = plain;
  // Thin wavy handwriting in the bottom right corner, where the saver signs.
  for (int x = 262; x < 316; ++x) {
    const int y = 190 + static_cast<int>(std::lround(5 * std::sin(x * 0.9)));
    for (int dy = 0; dy < 2; ++dy) {
      uint8_t* p = signed_painting.pixel(x, y + dy);
      p[0] = 120, p[1] = 20, p[2] = 10;
    }
  }
  const auto with_signature = jaggedness(lab_planes(signed_painting));
  const auto without = jaggedness(lab_planes(plain));
  ASSERT_TRUE(with_signature && without);
  EXPECT_GT(*with_signature, 2 * *without);
  const auto judged = measure_painting(signed_painting).jaggedness;
  ASSERT_TRUE(judged);
  EXPECT_NEAR(*judged, *without, 0.002);
}

TEST(Jaggedness, IsNoneWithoutColourEdges) {
  EXPECT_FALSE(jaggedness(lab_planes(paint(64, 40, [](int, int) { return grey(120); }))));
  // A gradient too gentle to be an outline.
  EXPECT_FALSE(jaggedness(lab_planes(paint(64, 40, [](int x, int) { return grey(100 + x / 4.0); }))));
}

TEST(Repetition, FindsTilingAtAThirdAndPeriodicPatterns) {
  const int width = 330, height = 210;
  const Plane noise = noise_plane(width, height, 1);
  const Plane tile = noise_plane(width / 3, height / 3, 2);
  // Random swells some twenty pixels across, values about 128 +- 60: shapes, no pattern.
  Plane swells = blur(noise_plane(width, height, 3), 6);
  for (float& v : swells.values) v = 128 + 12 * (v - 128);
  const auto weave = [](int x, int y) {
    return 30 * std::sin(x * 2 * M_PI / 7) * std::sin(y * 2 * M_PI / 7);
  };
  const struct {
    const char* name;
    Painter colour_at;
    std::optional<bool> tiled;  // none: the swells under the pattern do not repeat
    bool periodic;
  } cases[] = {
      {"noise", [&](int x, int y) { return grey(noise.at(x, y)); }, false, false},
      {"noise tiled three times across and down",
       [&](int x, int y) { return grey(tile.at(x % tile.width, y % tile.height)); }, true, false},
      // A fine periodic pattern repeats at a third of the width too.
      {"diagonal stripes",
       [](int x, int y) { return grey(128 + 60 * std::sin((x + y) * 2 * M_PI / 9)); }, true,
       true},
      {"weave",
       [](int x, int y) {
         return grey(128 + 60 * std::sin(x * 2 * M_PI / 12) * std::sin(y * 2 * M_PI / 12));
       },
       true, true},
      // A long outline and broad shapes put their power in a few low frequencies, which
      // is no pattern that repeats.
      {"one soft slanted outline",
       [](int x, int y) {
         return grey(70 + 120 * std::clamp(0.5 + (0.3 * (x - 165) - (y - 105)) / 2.0, 0.0, 1.0));
       },
       false, false},
      {"random swells", [&](int x, int y) { return grey(swells.at(x, y)); }, false, false},
      {"a weave over random swells",
       [&](int x, int y) { return grey(swells.at(x, y) + weave(x, y)); }, std::nullopt, true},
  };
  for (const auto& c : cases) {
    const Repetition r = repetition(paint(width, height, c.colour_at));
    if (c.tiled == true) {
      EXPECT_GT(r.autocorrelation, 0.8) << c.name;
    } else if (c.tiled == false) {
      EXPECT_LT(r.autocorrelation, 0.1) << c.name;
    }
    if (c.periodic)
      EXPECT_GT(r.periodic_power, 0.5) << c.name;
    else
      EXPECT_LT(r.periodic_power, 0.15) << c.name;
  }
}

TEST(ValueRange, IsTheLightnessSpreadBetweenThe5thAnd95thPercentiles) {
  const struct {
    const char* name;
    Painter colour_at;
    double low, high;
  } cases[] = {
      {"flat grey", [](int, int) { return grey(128); }, 0, 0.01},
      {"black to white", [](int x, int) { return grey(x * 255.0 / 199); }, 80, 95},
      {"half black, half white", [](int x, int) { return grey(x < 100 ? 0 : 255); }, 99.9, 100.1},
      // 4% white specks lie beyond the 95th percentile and do not widen the range.
      {"grey with a few white specks",
       [](int x, int y) { return grey((x + 7 * y) % 25 == 0 ? 255 : 128); }, 0, 0.01},
  };
  for (const auto& c : cases) {
    const double range = value_range(lab_planes(paint(200, 100, c.colour_at))[0]);
    EXPECT_GE(range, c.low) << c.name;
    EXPECT_LE(range, c.high) << c.name;
  }
}

TEST(Mud, CountsGreyMidValuesAndOlive) {
  const struct {
    Colour colour;
    bool mud;
  } cases[] = {
      {{128, 128, 128}, true},   // mid grey
      {{120, 105, 90}, true},    // greyish brown
      {{128, 128, 0}, true},     // olive
      {{100, 110, 40}, true},    // dark yellow-green
      {{40, 40, 40}, false},     // dark grey: a dark value, not a mid one
      {{215, 215, 215}, false},  // light grey
      {{255, 225, 0}, false},    // bright yellow
      {{200, 30, 40}, false},    // red
      {{30, 60, 190}, false},    // blue
      {{40, 160, 90}, false},    // green
  };
  for (const auto& c : cases) {
    const auto lab = srgb_to_lab(c.colour[0], c.colour[1], c.colour[2]);
    EXPECT_EQ(is_mud(lab[0], lab[1], lab[2]), c.mud)
        << int{c.colour[0]} << "," << int{c.colour[1]} << "," << int{c.colour[2]};
  }
  // The share over an image: a quarter olive, three quarters saturated colours.
  const auto image = paint(100, 100, [](int x, int y) -> Colour {
    if (x < 50 && y < 50) return {128, 128, 0};
    return (x + y) % 2 ? Colour{200, 30, 40} : Colour{30, 60, 190};
  });
  EXPECT_NEAR(mud(lab_planes(image)), 0.25, 1e-9);
}

// A layout: discs of several colours at places drawn from `seed`, on a light ground.
assets::PixelBuffer layout(int seed, int width, int height) {
  std::mt19937 random(static_cast<unsigned>(seed));
  std::uniform_real_distribution<double> unit(0, 1);
  struct Disc {
    double x, y, r;
    Colour colour;
  };
  std::vector<Disc> discs;
  for (int i = 0; i < 6; ++i) {
    const Colour colour = {static_cast<uint8_t>(unit(random) * 200),
                           static_cast<uint8_t>(unit(random) * 200), 60};
    discs.push_back({unit(random), unit(random), 0.05 + 0.1 * unit(random), colour});
  }
  return paint(width, height, [&](int x, int y) {
    Colour c = {235, 230, 220};
    for (const Disc& d : discs)
      if (std::hypot(x / double(width) - d.x, (y / double(width) - d.y * height / width)) < d.r)
        c = d.colour;
    return c;
  });
}

TEST(Sameness, CorrelatesTheOutlineLayoutOfTwoPaintings) {
  const Plane first = coarse_edge_map(lab_planes(layout(1, 320, 200)));
  EXPECT_GT(edge_map_correlation(first, coarse_edge_map(lab_planes(layout(1, 320, 200)))), 0.99);
  // The same layout at another size is still the same layout.
  EXPECT_GT(edge_map_correlation(first, coarse_edge_map(lab_planes(layout(1, 640, 400)))), 0.8);
  for (int seed = 2; seed <= 4; ++seed)
    EXPECT_LT(edge_map_correlation(first, coarse_edge_map(lab_planes(layout(seed, 320, 200)))),
              0.3)
        << seed;
  // A painting without outlines shares no layout, even with another such.
  const Plane flat = coarse_edge_map(lab_planes(paint(320, 200, [](int, int) { return grey(90); })));
  EXPECT_EQ(edge_map_correlation(flat, flat), 0);
}

}  // namespace
}  // namespace bw::judge
