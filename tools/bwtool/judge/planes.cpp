#include "judge/planes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace bw::judge {
namespace {

// sRGB transfer curve undone: 0..255 to linear 0..1, by table.
const std::array<float, 256>& linear_table() {
  static const std::array<float, 256> table = [] {
    std::array<float, 256> t{};
    for (int i = 0; i < 256; ++i) {
      const double c = i / 255.0;
      t[i] = static_cast<float>(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return t;
  }();
  return table;
}

double lab_f(double t) {
  constexpr double kEpsilon = 216.0 / 24389.0;
  constexpr double kKappa = 24389.0 / 27.0;
  return t > kEpsilon ? std::cbrt(t) : (kKappa * t + 16.0) / 116.0;
}

std::vector<float> gaussian_kernel(float sigma) {
  const int radius = std::max(1, static_cast<int>(std::ceil(3.0f * sigma)));
  std::vector<float> kernel(2 * radius + 1);
  float sum = 0;
  for (int i = -radius; i <= radius; ++i) {
    kernel[i + radius] = std::exp(-0.5f * i * i / (sigma * sigma));
    sum += kernel[i + radius];
  }
  for (float& k : kernel) k /= sum;
  return kernel;
}

double lanczos3(double x) {
  if (x == 0) return 1;
  if (x <= -3 || x >= 3) return 0;
  const double px = std::numbers::pi * x;
  return 3 * std::sin(px) * std::sin(px / 3) / (px * px);
}

// Resamples the rows of `in` (in.width wide) to `width` samples each.
Plane resample_rows(const Plane& in, int width) {
  Plane out(width, in.height);
  const double scale = static_cast<double>(width) / in.width;
  const double stretch = std::min(1.0, scale);  // < 1 widens the filter when shrinking
  const double support = 3 / stretch;
  std::vector<double> weights;
  for (int x = 0; x < width; ++x) {
    const double centre = (x + 0.5) / scale;
    const int first = static_cast<int>(std::floor(centre - support));
    const int last = static_cast<int>(std::ceil(centre + support));
    weights.assign(static_cast<size_t>(last - first + 1), 0.0);
    double sum = 0;
    for (int i = first; i <= last; ++i) {
      const double w = lanczos3((i + 0.5 - centre) * stretch);
      weights[static_cast<size_t>(i - first)] = w;
      sum += w;
    }
    for (int y = 0; y < in.height; ++y) {
      double value = 0;
      for (int i = first; i <= last; ++i)
        value += weights[static_cast<size_t>(i - first)] * in.clamped(i, y);
      out.at(x, y) = static_cast<float>(value / sum);
    }
  }
  return out;
}

Plane transposed(const Plane& in) {
  Plane out(in.height, in.width);
  for (int y = 0; y < in.height; ++y)
    for (int x = 0; x < in.width; ++x) out.at(y, x) = in.at(x, y);
  return out;
}

}  // namespace

float Plane::clamped(int x, int y) const {
  return at(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1));
}

std::array<float, 3> srgb_to_lab(int red, int green, int blue) {
  const auto& linear = linear_table();
  const double r = linear[red], g = linear[green], b = linear[blue];
  // Linear sRGB to XYZ, divided by the D65 white point.
  const double x = (0.4124564 * r + 0.3575761 * g + 0.1804375 * b) / 0.95047;
  const double y = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
  const double z = (0.0193339 * r + 0.1191920 * g + 0.9503041 * b) / 1.08883;
  const double fx = lab_f(x), fy = lab_f(y), fz = lab_f(z);
  return {static_cast<float>(116.0 * fy - 16.0), static_cast<float>(500.0 * (fx - fy)),
          static_cast<float>(200.0 * (fy - fz))};
}

std::array<Plane, 3> lab_planes(const assets::PixelBuffer& image) {
  std::array<Plane, 3> lab{Plane(image.width, image.height), Plane(image.width, image.height),
                           Plane(image.width, image.height)};
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.pixel(x, y);
      const auto c = srgb_to_lab(p[0], p[1], p[2]);
      for (int i = 0; i < 3; ++i) lab[i].at(x, y) = c[i];
    }
  }
  return lab;
}

Plane luma_plane(const assets::PixelBuffer& image) {
  Plane luma(image.width, image.height);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.pixel(x, y);
      luma.at(x, y) = (0.299f * p[0] + 0.587f * p[1] + 0.114f * p[2]) / 255.0f;
    }
  }
  return luma;
}

Plane grey_levels(const assets::PixelBuffer& image) {
  Plane grey(image.width, image.height);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.pixel(x, y);
      const unsigned weighted = 19595u * p[0] + 38470u * p[1] + 7471u * p[2] + 32768u;
      grey.at(x, y) = static_cast<float>(weighted >> 16);
    }
  }
  return grey;
}

Plane resample(const Plane& plane, int width, int height) {
  if (plane.values.empty() || (width == plane.width && height == plane.height)) return plane;
  return transposed(resample_rows(transposed(resample_rows(plane, width)), height));
}

Plane blur(const Plane& plane, float sigma) {
  if (sigma <= 0 || plane.values.empty()) return plane;
  const std::vector<float> kernel = gaussian_kernel(sigma);
  const int radius = static_cast<int>(kernel.size() / 2);
  Plane across(plane.width, plane.height), out(plane.width, plane.height);
  for (int y = 0; y < plane.height; ++y) {
    for (int x = 0; x < plane.width; ++x) {
      float sum = 0;
      for (int i = -radius; i <= radius; ++i) sum += kernel[i + radius] * plane.clamped(x + i, y);
      across.at(x, y) = sum;
    }
  }
  for (int y = 0; y < plane.height; ++y) {
    for (int x = 0; x < plane.width; ++x) {
      float sum = 0;
      for (int i = -radius; i <= radius; ++i) sum += kernel[i + radius] * across.clamped(x, y + i);
      out.at(x, y) = sum;
    }
  }
  return out;
}

void sobel(const Plane& p, Plane& dx, Plane& dy) {
  dx = Plane(p.width, p.height);
  dy = Plane(p.width, p.height);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const float right = p.clamped(x + 1, y - 1) + 2 * p.clamped(x + 1, y) + p.clamped(x + 1, y + 1);
      const float left = p.clamped(x - 1, y - 1) + 2 * p.clamped(x - 1, y) + p.clamped(x - 1, y + 1);
      const float below = p.clamped(x - 1, y + 1) + 2 * p.clamped(x, y + 1) + p.clamped(x + 1, y + 1);
      const float above = p.clamped(x - 1, y - 1) + 2 * p.clamped(x, y - 1) + p.clamped(x + 1, y - 1);
      dx.at(x, y) = (right - left) / 8.0f;
      dy.at(x, y) = (below - above) / 8.0f;
    }
  }
}

Plane box_average(const Plane& plane, int columns, int rows) {
  Plane sums(columns, rows);
  std::vector<int> counts(static_cast<size_t>(columns) * rows, 0);
  for (int y = 0; y < plane.height; ++y) {
    const int row = static_cast<int>(static_cast<int64_t>(y) * rows / plane.height);
    for (int x = 0; x < plane.width; ++x) {
      const int column = static_cast<int>(static_cast<int64_t>(x) * columns / plane.width);
      sums.at(column, row) += plane.at(x, y);
      ++counts[static_cast<size_t>(row) * columns + column];
    }
  }
  // A grid finer than the plane leaves cells without pixels: they take their neighbour's.
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const int source_x = std::min(plane.width - 1, column * plane.width / columns);
      const int source_y = std::min(plane.height - 1, row * plane.height / rows);
      const int n = counts[static_cast<size_t>(row) * columns + column];
      sums.at(column, row) = n > 0 ? sums.at(column, row) / n : plane.at(source_x, source_y);
    }
  }
  return sums;
}

}  // namespace bw::judge
