// Colour arithmetic for the colour images. Palettes are chosen and blended in a
// perceptual space (OKLab and its polar form), where equal steps look equal and a blend
// of two hues keeps its lightness, then converted to sRGB for the file.
#pragma once

namespace bw::artgen {

struct Rgb {
  float r, g, b;  // sRGB, gamma-encoded, nominally [0, 1]
};

struct Lab {
  float l, a, b;  // OKLab: l lightness in [0, 1], a and b opponent axes
};

struct Lch {
  float l, c, h;  // polar OKLab: c chroma, h hue in degrees [0, 360)
};

Lab to_lab(Rgb rgb);
Rgb to_rgb(Lab lab);  // may lie outside [0, 1] for colours outside sRGB
Rgb to_rgb_fast(Lab lab);  // clamped to [0, 1], gamma from a table: for 8-bit output
Lab to_lab(Lch lch);
Lch to_lch(Lab lab);

// True when the colour is inside the sRGB gamut (with a small tolerance).
bool in_gamut(Lab lab);

// The colour with the same lightness and hue and the largest chroma not above its own
// that sRGB can show.
Lch fit_gamut(Lch lch);

// Hue interpolation along the shorter arc, in degrees.
float mix_hue(float h0, float h1, float t);

}  // namespace bw::artgen
