// The judge's colour and drawing faults on images made to show each fault and its absence.
#include "judge/artefacts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

namespace bw::judge {
namespace {

using Colour = std::array<double, 3>;

assets::PixelBuffer paint(int width, int height, const std::function<Colour(int, int)>& colour_at) {
  auto image = assets::PixelBuffer::allocate(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Colour c = colour_at(x, y);
      uint8_t* p = image->pixel(x, y);
      for (int i = 0; i < 3; ++i)
        p[i] = static_cast<uint8_t>(std::clamp(std::lround(c[i]), 0L, 255L));
      p[3] = 255;
    }
  }
  return *image;
}

Colour mix(const Colour& a, const Colour& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
}

TEST(PrimaryShare, CountsPixelsWithOneChannelFullAndAnotherEmpty) {
  const struct {
    Colour colour;
    bool primary;
  } cases[] = {
      {{7, 255, 7}, true},  {{250, 30, 120}, true},  {{30, 120, 250}, true},
      {{249, 0, 0}, false}, {{250, 31, 31}, false},  {{255, 255, 255}, false},
      {{0, 0, 0}, false},   {{240, 120, 20}, false},
  };
  for (const auto& c : cases) {
    // A tenth of the image in the colour, the rest a mid grey.
    const auto image = paint(100, 50, [&](int x, int) {
      return x < 10 ? c.colour : Colour{128, 128, 128};
    });
    EXPECT_NEAR(primary_share(image), c.primary ? 0.1 : 0.0, 1e-9)
        << c.colour[0] << "," << c.colour[1] << "," << c.colour[2];
  }
}

TEST(RainbowShare, FindsYellowGreenBetweenOrangeAndTealOnlyWhenItIsAThirdHue) {
  const Colour orange = {240, 130, 20}, teal = {0, 128, 128}, grey = {128, 126, 120};
  const Colour red = {200, 40, 60}, violet = {100, 50, 160}, yellow = {240, 220, 40};
  // A band 240 pixels wide across the middle of the screen, held flat either side.
  const auto across = [](const std::function<Colour(double)>& colour_of) {
    return paint(640, 400, [&](int x, int) { return colour_of((x - 200) / 240.0); });
  };
  const struct {
    const char* name;
    std::function<Colour(double)> colour_of;
    bool rainbow;
  } cases[] = {
      {"orange to teal, channel by channel", [&](double t) { return mix(orange, teal, t); }, true},
      {"orange to teal through a neutral",
       [&](double t) { return t < 0.5 ? mix(orange, grey, 2 * t) : mix(grey, teal, 2 * t - 1); },
       false},
      {"orange to teal the other way round, through red and violet",
       [&](double t) {
         return t < 0.33   ? mix(orange, red, t / 0.33)
                : t < 0.66 ? mix(red, violet, (t - 0.33) / 0.33)
                           : mix(violet, teal, (t - 0.66) / 0.34);
       },
       false},
      {"orange to yellow", [&](double t) { return mix(orange, yellow, t); }, false},
      {"orange against teal, a hard edge", [&](double t) { return t < 0.5 ? orange : teal; },
       false},
  };
  for (const auto& c : cases) {
    const double share = rainbow_share(lab_planes(across(c.colour_of)));
    if (c.rainbow)
      EXPECT_GT(share, 0.04) << c.name;
    else
      EXPECT_LT(share, 0.002) << c.name;
  }
  // A yellow-green field on its own is a colour, not a band between two.
  const double field = rainbow_share(lab_planes(paint(640, 400, [](int, int) {
    return Colour{150, 170, 60};
  })));
  EXPECT_EQ(field, 0);
}

// Paintings that differ each time: soft grain and a few discs at random places.
assets::PixelBuffer random_painting(unsigned seed, bool with_bars) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  Plane noise(640, 400);
  for (float& v : noise.values) v = static_cast<float>(unit(random));
  noise = blur(noise, 1.5f);
  struct Disc {
    double x, y, r, shade;
  };
  std::vector<Disc> discs;
  for (int i = 0; i < 8; ++i)
    discs.push_back(
        {unit(random) * 640, unit(random) * 400, 20 + 80 * unit(random), 60 + 150 * unit(random)});
  return paint(640, 400, [&](int x, int y) {
    double v = 150 + 80 * (noise.at(x, y) - 0.5);
    for (const Disc& d : discs)
      if (std::hypot(x - d.x, y - d.y) < d.r) v = d.shade + 80 * (noise.at(x, y) - 0.5);
    // Dark upright bars a pixel wide, 10 pixels apart, always at the same place.
    if (with_bars && x >= 400 && x < 560 && y >= 240 && y < 320 && x % 10 == 3) v -= 12;
    return Colour{v, v, v};
  });
}

TEST(FixedPattern, FindsBarsThatStayAtOneScreenPlaceAcrossPaintings) {
  FixedPatternDetector clean(640, 400), barred(640, 400);
  for (unsigned seed = 1; seed <= 12; ++seed) {
    ASSERT_TRUE(clean.add(random_painting(seed, false)));
    ASSERT_TRUE(barred.add(random_painting(seed, true)));
  }
  EXPECT_EQ(barred.paintings(), 12);
  const FixedPattern none = clean.strongest(), found = barred.strongest();
  EXPECT_LT(none.amplitude, 1.0);
  EXPECT_GT(found.amplitude, 1.5);
  EXPECT_TRUE(found.upright_bars);
  EXPECT_NEAR(found.period, 10, 0.7);
  EXPECT_TRUE(found.left >= 384 && found.right <= 576 && found.top >= 240 && found.bottom <= 320)
      << found.left << "," << found.top << " to " << found.right << "," << found.bottom;
  // A painting of another size has no screen place in common.
  EXPECT_FALSE(barred.add(paint(320, 200, [](int, int) { return Colour{90, 90, 90}; })));
  EXPECT_EQ(barred.paintings(), 12);
}

}  // namespace
}  // namespace bw::judge
