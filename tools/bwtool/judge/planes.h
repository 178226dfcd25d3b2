// Float images for the picture judge: one plane per quantity (L*, a*, b*, luma), with
// the filters the measures share. Borders repeat the outermost pixel.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "assets/pixel_buffer.h"

namespace bw::judge {

// width x height floats, rows top to bottom.
struct Plane {
  int width = 0;
  int height = 0;
  std::vector<float> values;  // width * height

  Plane() = default;
  Plane(int w, int h) : width(w), height(h), values(static_cast<size_t>(w) * h, 0.0f) {}
  float& at(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
  float at(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
  // The value at (x, y) with x and y clamped into the plane.
  float clamped(int x, int y) const;
};

// CIE L*a*b* (D65 white) of each pixel of an sRGB image: L* 0..100; alpha is ignored.
std::array<Plane, 3> lab_planes(const assets::PixelBuffer& image);

// L*, a*, b* of one sRGB colour (0..255 each).
std::array<float, 3> srgb_to_lab(int red, int green, int blue);

// Luma Y' = 0.299 R' + 0.587 G' + 0.114 B' of the gamma-encoded values, 0..1.
Plane luma_plane(const assets::PixelBuffer& image);

// Grey levels 0..255 (whole numbers) of an sRGB image: (19595 R + 38470 G + 7471 B + 32768)
// >> 16, the rounded ITU-R 601 luma that 8-bit grey conversions of image libraries give.
Plane grey_levels(const assets::PixelBuffer& image);

// `plane` resampled to width x height (each at least 1) with a three-lobe Lanczos filter,
// widened by the reduction factor when shrinking so that detail finer than the new pixels
// is averaged away rather than aliased.
Plane resample(const Plane& plane, int width, int height);

// Gaussian blur with standard deviation `sigma` pixels (a copy for sigma <= 0).
Plane blur(const Plane& plane, float sigma);

// Sobel derivatives, scaled to units per pixel (a unit ramp gives 1).
void sobel(const Plane& plane, Plane& dx, Plane& dy);

// Box average of `plane` onto a columns x rows grid (each cell the mean of the pixels
// whose position falls into it).
Plane box_average(const Plane& plane, int columns, int rows);

}  // namespace bw::judge
