// Mixing two palette colours: two colours that are not yellow-green never meet in a
// yellow-green band (orange and teal, magenta and green), while colours whose mix is no
// yellow-green keep at least half their chroma, so they do not pass through grey.
#include <gtest/gtest.h>

#include <cmath>

#include "colour.h"

namespace bw::artgen {
namespace {

struct Pair {
  const char* name;
  Lch x, y;
};

bool yellow_green(Lch c) { return c.h >= 100.0f && c.h <= 135.0f; }

// OKLab chroma under which a colour reads as a grey whatever its hue.
constexpr float kGreyed = 0.04f;

TEST(ColourMix, NoYellowGreenBetweenColoursThatAreNone) {
  const Pair pairs[] = {
      {"orange and teal", {0.72f, 0.13f, 55.0f}, {0.58f, 0.09f, 195.0f}},
      {"magenta and green", {0.60f, 0.15f, 340.0f}, {0.66f, 0.09f, 150.0f}},
      {"red and blue-green", {0.55f, 0.14f, 28.0f}, {0.62f, 0.10f, 175.0f}},
      {"orange and blue", {0.70f, 0.12f, 60.0f}, {0.50f, 0.12f, 255.0f}},
  };
  for (const Pair& p : pairs) {
    ASSERT_FALSE(yellow_green(p.x) || yellow_green(p.y)) << p.name;
    for (int i = 1; i < 20; ++i) {
      const float t = static_cast<float>(i) / 20.0f;
      const Lch m = to_lch(mix_colours(p.x, p.y, t));
      EXPECT_FALSE(yellow_green(m) && m.c > kGreyed)
          << p.name << " at " << t << ": hue " << m.h << ", chroma " << m.c;
    }
  }
}

TEST(ColourMix, HuesThatBlendKeepHalfTheirChroma) {
  const Pair pairs[] = {
      {"neighbours", {0.6f, 0.12f, 30.0f}, {0.7f, 0.12f, 70.0f}},
      {"a right angle", {0.6f, 0.12f, 250.0f}, {0.6f, 0.12f, 340.0f}},
      {"a third of the circle, unequal", {0.6f, 0.15f, 20.0f}, {0.6f, 0.06f, 138.0f}},
      {"facing, meeting in violet", {0.6f, 0.12f, 20.0f}, {0.6f, 0.12f, 215.0f}},
  };
  for (const Pair& p : pairs) {
    for (int i = 0; i <= 20; ++i) {
      const float t = static_cast<float>(i) / 20.0f;
      const Lch m = to_lch(mix_colours(p.x, p.y, t));
      EXPECT_GE(m.c, 0.5f * (p.x.c + (p.y.c - p.x.c) * t) - 1e-4f) << p.name << " at " << t;
      EXPECT_NEAR(m.l, p.x.l + (p.y.l - p.x.l) * t, 1e-4f) << p.name << " at " << t;
    }
  }
}

}  // namespace
}  // namespace bw::artgen
