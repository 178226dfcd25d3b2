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

// Whether a hue lies in or near the yellow-greens (OKLab hue 90 to 145 degrees).
bool near_yellow_green(float hue);

// A mix of colours in OKLab, with chroma given back where straight OKLab would grey it:
// `mixed` is the weighted mean in OKLab and `chroma` the weighted mean of the colours'
// own chromas. The mean keeps at least half of that chroma, so two hues meeting do not
// pass through grey; but where the mean's hue is a yellow-green and no colour of the
// mix lies near one (`yellow_green_allowed` false) it is left greyed, since that chroma
// would paint a band of a hue neither colour has (orange and teal meeting in lime).
Lab keep_chroma(Lab mixed, float chroma, bool yellow_green_allowed);

// Two colours mixed by t in OKLab, as `keep_chroma` keeps them.
Lab mix_colours(Lch x, Lch y, float t);

}  // namespace bw::artgen
