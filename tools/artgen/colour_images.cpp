// Colour images: large, harmonious colour fields for the plans and the background.
//
// A palette of four or five colours is chosen by a classical harmony (analogous,
// complementary, split complementary, triadic, earth with a cool accent, one hue with an
// accent) in polar OKLab, with a real spread of lightness so that no image is flat. The
// palette is then laid out by one of four compositions, in turn:
//   0 masses      a value plan: light, middle and dark masses of a slow, warped noise,
//                 with a small accent of the palette's most distant hue
//   1 landscape   horizontal bands with wandering, soft horizons; sky with clouds
//   2 regions     soft, domain-warped regions around scattered centres
//   3 fields      two or three feathered rectangles stacked over a ground colour
// Blends keep the chroma of their colours, so that two hues meeting never pass through
// grey, except where that would paint a yellow-green between two colours that are none
// (orange and teal): there they meet in a greyed middle.
// The composition is computed at half size and enlarged: it holds no fine detail, since
// the plans read it through 8-bit colour coordinates, which would break fine detail into
// steps.
#include <algorithm>
#include <cmath>
#include <vector>

#include "colour.h"
#include "families.h"
#include "noise.h"
#include "random.h"

namespace bw::artgen {
namespace {

using Palette = std::vector<Lch>;

float wrap_hue(float h) {
  h = std::fmod(h, 360.0f);
  return h < 0.0f ? h + 360.0f : h;
}

// Puts the colour inside sRGB, trading lightness for chroma where the gamut is narrow
// (very light blues, very dark yellows) so that no colour of a palette ends up grey.
Lch place_colour(float l, float c, float h) {
  // Dark yellows read as olive and khaki, and weak oranges as dull browns: the colours
  // of mud. A dark yellow turns to a sienna or a green of the same value (so the
  // palette keeps its range of values), and the earth hues keep a strong chroma.
  if (h > 65.0f && h < 125.0f && l < 0.72f) h = h < 95.0f ? 50.0f : 140.0f;
  if (h > 30.0f && h < 95.0f) c = std::max(c, 0.13f);
  // Yellow-greens and greens are greyed as green earths are: at full chroma they are
  // lime and screen green, which no pigment gives.
  if (h >= 95.0f && h < 160.0f) c = std::min(c, 0.1f);
  Lch fitted = fit_gamut({l, c, h});
  float want = std::min(c, 0.075f);
  for (int step = 0; step < 12 && fitted.c < want; ++step) {
    l += l > 0.6f ? -0.03f : 0.03f;
    fitted = fit_gamut({l, c, h});
  }
  return fitted;
}

Palette make_palette(Rng& rng) {
  const float h0 = static_cast<float>(rng.range(0.0, 360.0));
  std::vector<float> hues;
  switch (rng.below(6)) {
    case 0: {  // analogous
      float step = static_cast<float>(rng.range(18.0, 38.0));
      hues = {h0 - step, h0, h0 + step, h0 + 2.0f * step};
      if (rng.chance(0.5)) hues.push_back(h0 + 0.5f * step);
      break;
    }
    case 1:  // complementary, the first hue dominant
      hues = {h0, h0 + 14.0f, h0 + 180.0f, h0 - 10.0f};
      break;
    case 2:  // split complementary
      hues = {h0, h0 + 150.0f, h0 + 210.0f, h0 + 18.0f};
      break;
    case 3:  // triadic
      hues = {h0, h0 + 120.0f, h0 + 240.0f, h0 + 12.0f};
      break;
    case 4: {  // earth pigments with a cool accent
      float earth = static_cast<float>(rng.range(25.0, 85.0));
      hues = {earth, earth + 18.0f, earth - 15.0f, static_cast<float>(rng.range(200.0, 260.0))};
      if (rng.chance(0.5)) hues.push_back(earth + 35.0f);
      break;
    }
    default:  // one hue in several values, with an accent
      hues = {h0, h0 + 6.0f, h0 - 8.0f, h0 + static_cast<float>(rng.range(150.0, 210.0))};
      break;
  }
  // Lightness: evenly spread between a dark and a light value, dealt out in random order.
  const std::size_t n = hues.size();
  const float l_low = static_cast<float>(rng.range(0.36, 0.52));
  const float l_high = static_cast<float>(rng.range(0.78, 0.92));
  std::vector<float> lightness(n);
  for (std::size_t i = 0; i < n; ++i) {
    lightness[i] = l_low + (l_high - l_low) * static_cast<float>(i) / static_cast<float>(n - 1);
  }
  for (std::size_t i = n - 1; i > 0; --i) std::swap(lightness[i], lightness[static_cast<std::size_t>(rng.below(static_cast<int>(i) + 1))]);
  Palette palette;
  for (std::size_t i = 0; i < n; ++i) {
    float chroma = static_cast<float>(rng.range(0.085, 0.18));
    palette.push_back(place_colour(lightness[i], chroma, wrap_hue(hues[i])));
  }
  // Gamut fitting may have pulled the values together: keep a real value contrast by
  // deepening the darkest colour.
  auto [darkest, lightest] = std::minmax_element(palette.begin(), palette.end(), [](const Lch& a, const Lch& b) { return a.l < b.l; });
  if (lightest->l - darkest->l < 0.32f) {
    Lch& dark = *darkest;
    dark = place_colour(std::max(0.25f, lightest->l - 0.32f), std::max(dark.c, 0.1f), dark.h);
  }
  return palette;
}

// Blends palette colours by weights in OKLab, with chroma kept as `keep_chroma` keeps it.
Lab blend(const Palette& palette, const float* weights) {
  Lab sum{0, 0, 0};
  float total = 0.0f;
  float chroma = 0.0f;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    Lab lab = to_lab(palette[i]);
    sum.l += weights[i] * lab.l;
    sum.a += weights[i] * lab.a;
    sum.b += weights[i] * lab.b;
    chroma += weights[i] * palette[i].c;
    total += weights[i];
  }
  bool yellow_green = false;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    if (weights[i] > 0.05f * total && near_yellow_green(palette[i].h)) yellow_green = true;
  }
  return keep_chroma({sum.l / total, sum.a / total, sum.b / total}, chroma / total, yellow_green);
}

struct Field {
  int size;
  std::vector<Lab> lab;
  Lab& at(int x, int y) { return lab[static_cast<std::size_t>(y) * size + x]; }
};

void compose_masses(Field& field, Palette palette, Rng& rng) {
  std::sort(palette.begin(), palette.end(), [](const Lch& a, const Lch& b) { return a.l < b.l; });
  const Lch dark = palette.front();
  const Lch light = palette.back();
  const Lch middle = palette[palette.size() / 2];
  // The accent: of the other colours, the hue farthest from the middle's, more chromatic.
  Lch accent = palette[1];
  float farthest = -1.0f;
  for (std::size_t i = 1; i + 1 < palette.size(); ++i) {
    if (i == palette.size() / 2) continue;
    float turn = std::fabs(wrap_hue(palette[i].h - middle.h + 180.0f) - 180.0f);
    if (turn > farthest) farthest = turn, accent = palette[i];
  }
  accent.c = std::min(accent.c * 1.3f, 0.2f);
  const float warp = static_cast<float>(rng.range(0.15, 0.35));
  const float dark_share = static_cast<float>(rng.range(0.25, 0.45));
  const float light_share = static_cast<float>(rng.range(0.25, 0.45));
  const std::uint32_t s1 = static_cast<std::uint32_t>(rng.next());
  const std::uint32_t s2 = static_cast<std::uint32_t>(rng.next());
  const std::uint32_t s3 = static_cast<std::uint32_t>(rng.next());
  const std::uint32_t s4 = static_cast<std::uint32_t>(rng.next());
  for (int y = 0; y < field.size; ++y) {
    for (int x = 0; x < field.size; ++x) {
      float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(field.size);
      float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(field.size);
      float wu = u + warp * fbm(u, v, 2, 3, 0.5f, s1);
      float wv = v + warp * fbm(u, v, 2, 3, 0.5f, s2);
      // fbm lies about in -0.6 .. 0.6: its low end is the dark mass, its high end the light
      float t = 0.5f + 0.85f * fbm(wu, wv, 2, 3, 0.45f, s3);
      float to_middle = smoothstep(dark_share - 0.12f, dark_share + 0.12f, t);
      float to_light = smoothstep(1.0f - light_share - 0.12f, 1.0f - light_share + 0.12f, t);
      Lab colour = mix_colours(dark, middle, to_middle);
      colour = mix_colours(to_lch(colour), light, to_light);
      float spot = smoothstep(0.42f, 0.55f, fbm(u, v, 4, 3, 0.5f, s4));
      if (spot > 0.0f) colour = mix_colours(to_lch(colour), accent, spot);
      field.at(x, y) = colour;
    }
  }
}

void compose_landscape(Field& field, Palette palette, Rng& rng) {
  // The lightest colour is the sky more often than not.
  if (rng.chance(0.7)) {
    auto lightest = std::max_element(palette.begin(), palette.end(), [](const Lch& a, const Lch& b) { return a.l < b.l; });
    std::iter_swap(palette.begin(), lightest);
  }
  const std::size_t bands = palette.size();
  std::vector<float> base(bands);
  std::vector<float> amplitude(bands);
  std::vector<std::uint32_t> seeds(bands);
  float y = static_cast<float>(rng.range(0.2, 0.45));
  for (std::size_t k = 1; k < bands; ++k) {
    base[k] = y;
    amplitude[k] = static_cast<float>(rng.range(0.03, 0.14));
    seeds[k] = static_cast<std::uint32_t>(rng.next());
    y += static_cast<float>(rng.range(0.08, 0.2));
  }
  const std::uint32_t clouds = static_cast<std::uint32_t>(rng.next());
  const float softness = static_cast<float>(rng.range(0.04, 0.1));
  std::vector<float> horizon(bands);
  for (int px = 0; px < field.size; ++px) {
    float u = (static_cast<float>(px) + 0.5f) / static_cast<float>(field.size);
    for (std::size_t k = 1; k < bands; ++k) {
      horizon[k] = base[k] + amplitude[k] * fbm(u, 0.37f * static_cast<float>(k), 2, 3, 0.45f, seeds[k]);
    }
    for (int py = 0; py < field.size; ++py) {
      float v = (static_cast<float>(py) + 0.5f) / static_cast<float>(field.size);
      Lch sky = palette[0];
      sky.l = std::clamp(sky.l + 0.07f * fbm(u, v, 3, 4, 0.5f, clouds, 1) - 0.06f * v, 0.05f, 0.97f);
      Lab colour = to_lab(sky);
      for (std::size_t k = 1; k < bands; ++k) {
        float cover = smoothstep(horizon[k] - softness, horizon[k] + softness, v);
        if (cover <= 0.0f) continue;
        Lch ground = palette[k];
        ground.l = std::clamp(ground.l - 0.08f * (v - horizon[k]), 0.05f, 0.97f);
        Lch current = to_lch(colour);
        colour = mix_colours(current, ground, cover);
      }
      field.at(px, py) = colour;
    }
  }
}

void compose_regions(Field& field, const Palette& palette, Rng& rng) {
  const std::size_t n = palette.size();
  const int centres = std::min(static_cast<int>(n) + rng.below(3), 8);
  std::vector<float> cx(static_cast<std::size_t>(centres));
  std::vector<float> cy(cx.size());
  std::vector<std::size_t> colour_of(cx.size());
  for (std::size_t i = 0; i < cx.size(); ++i) {
    cx[i] = static_cast<float>(rng.uniform());
    cy[i] = static_cast<float>(rng.uniform());
    colour_of[i] = i % n;
  }
  const float warp = static_cast<float>(rng.range(0.1, 0.25));
  const float softness = static_cast<float>(rng.range(0.006, 0.03));
  const std::uint32_t s1 = static_cast<std::uint32_t>(rng.next());
  const std::uint32_t s2 = static_cast<std::uint32_t>(rng.next());
  std::vector<float> weights(n);
  for (int y = 0; y < field.size; ++y) {
    for (int x = 0; x < field.size; ++x) {
      float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(field.size);
      float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(field.size);
      float wu = u + warp * fbm(u, v, 2, 4, 0.5f, s1);
      float wv = v + warp * fbm(u, v, 2, 4, 0.5f, s2);
      float d2[8];
      float nearest = 1e9f;
      for (std::size_t i = 0; i < cx.size(); ++i) {
        float ddx = wu - cx[i];
        float ddy = wv - cy[i];
        d2[i] = ddx * ddx + ddy * ddy;
        nearest = std::min(nearest, d2[i]);
      }
      std::fill(weights.begin(), weights.end(), 0.0f);
      for (std::size_t i = 0; i < cx.size(); ++i) weights[colour_of[i]] += std::exp(-(d2[i] - nearest) / softness);
      field.at(x, y) = blend(palette, weights.data());
    }
  }
}

void compose_fields(Field& field, Palette palette, Rng& rng) {
  // Ground: the darkest or the lightest colour; the fields are the others.
  std::sort(palette.begin(), palette.end(), [](const Lch& a, const Lch& b) { return a.l < b.l; });
  if (rng.chance(0.4)) std::reverse(palette.begin(), palette.end());
  const int count = 2 + rng.below(2);
  struct Rect {
    float x0, x1, y0, y1;
    Lch colour;
  };
  std::vector<Rect> rects;
  const float margin = static_cast<float>(rng.range(0.06, 0.14));
  const float gap = static_cast<float>(rng.range(0.03, 0.07));
  float top = margin;
  const float usable = 1.0f - 2.0f * margin - gap * static_cast<float>(count - 1);
  std::vector<float> share(static_cast<std::size_t>(count));
  float share_total = 0.0f;
  for (float& s : share) share_total += (s = static_cast<float>(rng.range(0.6, 1.6)));
  for (int i = 0; i < count; ++i) {
    float h = usable * share[static_cast<std::size_t>(i)] / share_total;
    float inset = margin + static_cast<float>(rng.range(-0.03, 0.03));
    rects.push_back({inset, 1.0f - inset, top, top + h, palette[static_cast<std::size_t>(1 + i) % palette.size()]});
    top += h + gap;
  }
  const std::uint32_t edge = static_cast<std::uint32_t>(rng.next());
  const std::uint32_t cloud = static_cast<std::uint32_t>(rng.next());
  const float feather = static_cast<float>(rng.range(0.05, 0.1));
  for (int y = 0; y < field.size; ++y) {
    for (int x = 0; x < field.size; ++x) {
      float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(field.size);
      float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(field.size);
      Lch ground = palette[0];
      ground.l = std::clamp(ground.l + 0.05f * fbm(u, v, 2, 3, 0.5f, cloud), 0.05f, 0.97f);
      Lch colour = ground;
      float ragged = 0.015f * fbm(u, v, 5, 3, 0.45f, edge);
      for (const Rect& r : rects) {
        float sdx = std::max(r.x0 - u, u - r.x1);
        float sdy = std::max(r.y0 - v, v - r.y1);
        float sd = std::max(sdx, sdy) + ragged;
        float cover = smoothstep(feather, -feather, sd);
        if (cover <= 0.0f) continue;
        Lch inner = r.colour;
        inner.l = std::clamp(inner.l + 0.06f * fbm(u, v, 3, 4, 0.5f, cloud + 7), 0.05f, 0.97f);
        colour = to_lch(mix_colours(colour, inner, cover));
      }
      field.at(x, y) = to_lab(colour);
    }
  }
}

}  // namespace

Image make_colour_image(std::uint32_t seed, int number, int size) {
  Rng rng(stream_seed(seed, static_cast<std::uint32_t>(Family::colour), static_cast<std::uint32_t>(number)));
  const Palette palette = make_palette(rng);
  Field field{size / 2, std::vector<Lab>(static_cast<std::size_t>(size / 2) * (size / 2))};
  switch (number % 4) {
    case 0: compose_masses(field, palette, rng); break;
    case 1: compose_landscape(field, palette, rng); break;
    case 2: compose_regions(field, palette, rng); break;
    default: compose_fields(field, palette, rng); break;
  }
  // A little hue play, slow enough to live in the half-size field.
  const std::uint32_t hue_seed = static_cast<std::uint32_t>(rng.next());
  for (int y = 0; y < field.size; ++y) {
    for (int x = 0; x < field.size; ++x) {
      float u = static_cast<float>(x) / static_cast<float>(field.size);
      float v = static_cast<float>(y) / static_cast<float>(field.size);
      float turn = 0.12f * gradient_noise(u * 5.0f, v * 5.0f, 5, 5, hue_seed);
      float cs = std::cos(turn);
      float sn = std::sin(turn);
      Lab& lab = field.at(x, y);
      lab = {lab.l, lab.a * cs - lab.b * sn, lab.a * sn + lab.b * cs};
    }
  }
  Image image(size, size, 3);
  const int half = field.size;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      // Bilinear enlargement of the half-size field.
      float fx = std::clamp((static_cast<float>(x) + 0.5f) * 0.5f - 0.5f, 0.0f, static_cast<float>(half - 1));
      float fy = std::clamp((static_cast<float>(y) + 0.5f) * 0.5f - 0.5f, 0.0f, static_cast<float>(half - 1));
      int x0 = static_cast<int>(fx);
      int y0 = static_cast<int>(fy);
      int x1 = std::min(x0 + 1, half - 1);
      int y1 = std::min(y0 + 1, half - 1);
      float tx = fx - static_cast<float>(x0);
      float ty = fy - static_cast<float>(y0);
      const Lab& a = field.at(x0, y0);
      const Lab& b = field.at(x1, y0);
      const Lab& c = field.at(x0, y1);
      const Lab& d = field.at(x1, y1);
      Lab lab{lerp(lerp(a.l, b.l, tx), lerp(c.l, d.l, tx), ty), lerp(lerp(a.a, b.a, tx), lerp(c.a, d.a, tx), ty),
              lerp(lerp(a.b, b.b, tx), lerp(c.b, d.b, tx), ty)};
      Rgb rgb = to_rgb_fast(lab);
      float* p = image.pixel(x, y);
      p[0] = rgb.r;
      p[1] = rgb.g;
      p[2] = rgb.b;
    }
  }
  return image;
}

}  // namespace bw::artgen
