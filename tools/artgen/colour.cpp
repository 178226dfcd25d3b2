#include "colour.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace bw::artgen {
namespace {

constexpr float kDegrees = 57.2957795130823208768f;

float decode_srgb(float v) {
  return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

float encode_srgb(float v) {
  if (v <= 0.0f) return 0.0f;
  return v <= 0.0031308f ? v * 12.92f : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
}

}  // namespace

Lab to_lab(Rgb rgb) {
  float r = decode_srgb(rgb.r);
  float g = decode_srgb(rgb.g);
  float b = decode_srgb(rgb.b);
  float l = std::cbrt(0.4122214708f * r + 0.5363325363f * g + 0.0514459929f * b);
  float m = std::cbrt(0.2119034982f * r + 0.6806995451f * g + 0.1073969566f * b);
  float s = std::cbrt(0.0883024619f * r + 0.2817188376f * g + 0.6299787005f * b);
  return {0.2104542553f * l + 0.7936177850f * m - 0.0040720468f * s,
          1.9779984951f * l - 2.4285922050f * m + 0.4505937099f * s,
          0.0259040371f * l + 0.7827717662f * m - 0.8086757660f * s};
}

static Rgb to_linear_rgb(Lab lab) {
  float l = lab.l + 0.3963377774f * lab.a + 0.2158037573f * lab.b;
  float m = lab.l - 0.1055613458f * lab.a - 0.0638541728f * lab.b;
  float s = lab.l - 0.0894841775f * lab.a - 1.2914855480f * lab.b;
  l = l * l * l;
  m = m * m * m;
  s = s * s * s;
  return {4.0767416621f * l - 3.3077115913f * m + 0.2309699292f * s,
          -1.2684380046f * l + 2.6097574011f * m - 0.3413193965f * s,
          -0.0041960863f * l - 0.7034186147f * m + 1.7076147010f * s};
}

Rgb to_rgb(Lab lab) {
  Rgb lin = to_linear_rgb(lab);
  return {encode_srgb(lin.r), encode_srgb(lin.g), encode_srgb(lin.b)};
}

Lab to_lab(Lch lch) {
  float h = lch.h / kDegrees;
  return {lch.l, lch.c * std::cos(h), lch.c * std::sin(h)};
}

Lch to_lch(Lab lab) {
  float h = std::atan2(lab.b, lab.a) * kDegrees;
  if (h < 0.0f) h += 360.0f;
  return {lab.l, std::sqrt(lab.a * lab.a + lab.b * lab.b), h};
}

Rgb to_rgb_fast(Lab lab) {
  // sRGB encoding of linear values in [0, 1], sampled finely enough that linear
  // interpolation stays within a small fraction of one 8-bit step.
  static const std::array<float, 4097> table = [] {
    std::array<float, 4097> t{};
    for (std::size_t i = 0; i < t.size(); ++i) t[i] = encode_srgb(static_cast<float>(i) / 4096.0f);
    return t;
  }();
  auto encode = [](float v) {
    v = std::clamp(v, 0.0f, 1.0f) * 4096.0f;
    auto i = static_cast<std::size_t>(v);
    if (i >= 4096) return table[4096];
    return table[i] + (table[i + 1] - table[i]) * (v - static_cast<float>(i));
  };
  Rgb lin = to_linear_rgb(lab);
  return {encode(lin.r), encode(lin.g), encode(lin.b)};
}

bool in_gamut(Lab lab) {
  Rgb lin = to_linear_rgb(lab);
  constexpr float lo = -0.0005f;
  constexpr float hi = 1.0005f;
  return lin.r >= lo && lin.r <= hi && lin.g >= lo && lin.g <= hi && lin.b >= lo && lin.b <= hi;
}

Lch fit_gamut(Lch lch) {
  if (in_gamut(to_lab(lch))) return lch;
  float lo = 0.0f;
  float hi = lch.c;
  for (int i = 0; i < 24; ++i) {
    float mid = 0.5f * (lo + hi);
    if (in_gamut(to_lab(Lch{lch.l, mid, lch.h}))) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return {lch.l, lo, lch.h};
}

float mix_hue(float h0, float h1, float t) {
  float d = h1 - h0;
  if (d > 180.0f) d -= 360.0f;
  if (d < -180.0f) d += 360.0f;
  float h = h0 + d * t;
  if (h < 0.0f) h += 360.0f;
  if (h >= 360.0f) h -= 360.0f;
  return h;
}

bool near_yellow_green(float hue) { return hue >= 90.0f && hue <= 145.0f; }

Lab keep_chroma(Lab mixed, float chroma, bool yellow_green_allowed) {
  // The mean of two colours keeps the cosine of half the angle between their hues of
  // their chroma: it falls under a half only beyond 120 degrees apart, where the chroma
  // is given back. The hue given back is the mean's own; in the yellow-greens (OKLab
  // hue 100 to 135, faded over 10 degrees either side) it is not given back unless one
  // of the colours lies near them.
  constexpr float keep = 0.5f;
  float c = std::sqrt(mixed.a * mixed.a + mixed.b * mixed.b);
  if (chroma <= 1e-4f || c <= 1e-4f || c >= keep * chroma) return mixed;
  float w = 1.0f;
  if (!yellow_green_allowed) {
    float hue = to_lch(mixed).h;
    float outside = std::max(100.0f - hue, hue - 135.0f);
    w = std::clamp(outside / 10.0f, 0.0f, 1.0f);
    w = w * w * (3.0f - 2.0f * w);
  }
  float target = c + (keep * chroma - c) * w;
  mixed.a *= target / c;
  mixed.b *= target / c;
  return mixed;
}

Lab mix_colours(Lch x, Lch y, float t) {
  Lab p = to_lab(x);
  Lab q = to_lab(y);
  Lab sum{p.l + (q.l - p.l) * t, p.a + (q.a - p.a) * t, p.b + (q.b - p.b) * t};
  return keep_chroma(sum, x.c + (y.c - x.c) * t, near_yellow_green(x.h) || near_yellow_green(y.h));
}

}  // namespace bw::artgen
