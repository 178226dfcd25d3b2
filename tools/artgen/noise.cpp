#include "noise.h"

#include <array>
#include <cmath>

#include "random.h"

namespace bw::artgen {
namespace {

constexpr float kTwoPi = 6.28318530717958647692f;

// 256 unit gradients evenly spread around the circle.
struct GradientTable {
  std::array<float, 256> gx{};
  std::array<float, 256> gy{};
  GradientTable() {
    for (int i = 0; i < 256; ++i) {
      gx[i] = std::cos(kTwoPi * static_cast<float>(i) / 256.0f);
      gy[i] = std::sin(kTwoPi * static_cast<float>(i) / 256.0f);
    }
  }
};
const GradientTable kGradients;

inline int wrap_index(int i, int period) {
  if ((period & (period - 1)) == 0) return i & (period - 1);
  int r = i % period;
  return r < 0 ? r + period : r;
}

inline int next_index(int i, int period) { return i + 1 == period ? 0 : i + 1; }

inline float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

inline float corner(int ix, int iy, float dx, float dy, std::uint32_t seed) {
  std::uint32_t h = hash_point(ix, iy, seed) & 255U;
  return kGradients.gx[h] * dx + kGradients.gy[h] * dy;
}

inline float lattice_value(int ix, int iy, std::uint32_t seed) {
  return static_cast<float>(hash_point(ix, iy, seed) >> 8) * (1.0f / 16777216.0f);
}

}  // namespace

float wrap01(float v) {
  float r = v - std::floor(v);
  return r >= 1.0f ? 0.0f : r;
}

float gradient_noise(float x, float y, int period_x, int period_y, std::uint32_t seed) {
  float fx0 = std::floor(x);
  float fy0 = std::floor(y);
  float dx = x - fx0;
  float dy = y - fy0;
  int x0 = wrap_index(static_cast<int>(fx0), period_x);
  int y0 = wrap_index(static_cast<int>(fy0), period_y);
  int x1 = next_index(x0, period_x);
  int y1 = next_index(y0, period_y);
  float n00 = corner(x0, y0, dx, dy, seed);
  float n10 = corner(x1, y0, dx - 1.0f, dy, seed);
  float n01 = corner(x0, y1, dx, dy - 1.0f, seed);
  float n11 = corner(x1, y1, dx - 1.0f, dy - 1.0f, seed);
  float u = fade(dx);
  float v = fade(dy);
  float a = n00 + (n10 - n00) * u;
  float b = n01 + (n11 - n01) * u;
  return 1.41421356f * (a + (b - a) * v);
}

float value_noise(float x, float y, int period_x, int period_y, std::uint32_t seed) {
  float fx0 = std::floor(x);
  float fy0 = std::floor(y);
  float u = fade(x - fx0);
  float v = fade(y - fy0);
  int x0 = wrap_index(static_cast<int>(fx0), period_x);
  int y0 = wrap_index(static_cast<int>(fy0), period_y);
  int x1 = next_index(x0, period_x);
  int y1 = next_index(y0, period_y);
  float a = lattice_value(x0, y0, seed) + (lattice_value(x1, y0, seed) - lattice_value(x0, y0, seed)) * u;
  float b = lattice_value(x0, y1, seed) + (lattice_value(x1, y1, seed) - lattice_value(x0, y1, seed)) * u;
  return a + (b - a) * v;
}

float fbm(float x, float y, int frequency, int octaves, float gain, std::uint32_t seed, int aspect) {
  float sum = 0.0f;
  float amplitude = 1.0f;
  float total = 0.0f;
  int fx = frequency;
  int fy = frequency * aspect;
  for (int o = 0; o < octaves; ++o) {
    sum += amplitude * gradient_noise(x * static_cast<float>(fx), y * static_cast<float>(fy), fx, fy,
                                      seed + static_cast<std::uint32_t>(o) * 0x9e3779b9U);
    total += amplitude;
    amplitude *= gain;
    fx *= 2;
    fy *= 2;
  }
  return sum / total;
}

Cellular cellular(float x, float y, int cells, std::uint32_t seed) {
  float px = x * static_cast<float>(cells);
  float py = y * static_cast<float>(cells);
  int cx = static_cast<int>(std::floor(px));
  int cy = static_cast<int>(std::floor(py));
  Cellular result{1e9f, 1e9f, 0};
  for (int j = -1; j <= 1; ++j) {
    for (int i = -1; i <= 1; ++i) {
      int gx = cx + i;
      int gy = cy + j;
      std::uint32_t h = hash_point(wrap_index(gx, cells), wrap_index(gy, cells), seed);
      float fx = static_cast<float>(gx) + static_cast<float>(h & 0xffffU) * (1.0f / 65536.0f);
      float fy = static_cast<float>(gy) + static_cast<float>(h >> 16) * (1.0f / 65536.0f);
      float d = std::sqrt((fx - px) * (fx - px) + (fy - py) * (fy - py));
      if (d < result.f1) {
        result.f2 = result.f1;
        result.f1 = d;
        result.id = h;
      } else if (d < result.f2) {
        result.f2 = d;
      }
    }
  }
  return result;
}

}  // namespace bw::artgen
