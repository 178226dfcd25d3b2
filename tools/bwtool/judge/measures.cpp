#include "judge/measures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "judge/spectrum.h"

namespace bw::judge {
namespace {

// The Di Zenzo tensor of three channels' derivatives at index i.
struct Tensor {
  double xx = 0, yy = 0, xy = 0;
};

Tensor tensor_at(const std::array<Plane, 3>& dx, const std::array<Plane, 3>& dy, size_t i) {
  Tensor t;
  for (int c = 0; c < 3; ++c) {
    const double gx = dx[c].values[i], gy = dy[c].values[i];
    t.xx += gx * gx;
    t.yy += gy * gy;
    t.xy += gx * gy;
  }
  return t;
}

// Normalised correlation of `band` with itself shifted by (dx, dy), over their overlap.
double shifted_correlation(const Plane& band, int dx, int dy) {
  double both = 0, first = 0, second = 0;
  for (int y = 0; y + dy < band.height; ++y) {
    for (int x = 0; x + dx < band.width; ++x) {
      const double a = band.at(x, y), b = band.at(x + dx, y + dy);
      both += a * b;
      first += a * a;
      second += b * b;
    }
  }
  return first > 0 && second > 0 ? both / std::sqrt(first * second) : 0.0;
}

double autocorrelation_at_a_third(const Plane& band) {
  double best = 0;
  const int across = band.width / 3, tolerance_x = band.width / 48;
  for (int dx = std::max(1, across - tolerance_x); dx <= across + tolerance_x && dx < band.width;
       ++dx)
    best = std::max(best, shifted_correlation(band, dx, 0));
  const int down = band.height / 3, tolerance_y = band.height / 48;
  for (int dy = std::max(1, down - tolerance_y); dy <= down + tolerance_y && dy < band.height;
       ++dy)
    best = std::max(best, shifted_correlation(band, 0, dy));
  return best;
}

double periodic_power_share(const Plane& band) {
  // Windows of the largest power of two at most the shorter side.
  int side = 1;
  while (side * 2 <= std::min(band.width, band.height)) side *= 2;
  const PowerSpectrum s = averaged_power_spectrum(band, side);
  const int columns = s.columns, rows = s.rows;
  auto bin = [&](int u, int v) -> size_t {
    return static_cast<size_t>((v + rows) % rows) * columns + (u + columns) % columns;
  };
  // Bins within 2 of zero frequency hold what is left of the mean under the window.
  auto near_zero = [&](int u, int v) {
    const int du = std::min(u, columns - u), dv = std::min(v, rows - v);
    return du <= 2 && dv <= 2;
  };
  // The spectrum smoothed over each bin's 3 x 3 neighbours, once.
  std::vector<double> smoothed(s.power.size());
  for (int v = 0; v < rows; ++v) {
    for (int u = 0; u < columns; ++u) {
      double sum = 0;
      for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i) sum += s.power[bin(u + i, v + j)];
      smoothed[bin(u, v)] = sum / 9;
    }
  }
  // What a bin holds (the mean of its 3 x 3 neighbours) beyond the spectrum's own level
  // around it. A smooth picture's power falls off along each direction as a power of the
  // frequency, a long outline puts it on a line through zero frequency, and texture of
  // one scale (strokes of a width) puts it on a ring: the level follows all three as the
  // largest of the same means at 0.7 and 1.3 times the bin's frequency (along its
  // direction) and at its frequency turned 20 degrees either way (around the ring), each
  // at least four bins away, out of a peak's own spread. A repeated pattern is a point
  // that stands out of all four. Nearer zero frequency than kMinRadius bins (a period of
  // more than an eighth of the window) those places lie too close to tell a point from a
  // line, and nothing counts.
  constexpr double kMinRadius = 8;
  auto mean_at = [&](double fu, double fv) {  // frequency in cycles per pixel; -1 outside
    const int u = static_cast<int>(std::lround(fu * columns));
    const int v = static_cast<int>(std::lround(fv * rows));
    if (std::abs(u) > columns / 2 || std::abs(v) > rows / 2) return -1.0;
    return smoothed[bin(u, v)];
  };
  std::vector<double> excess(s.power.size(), 0.0);
  double total = 0;
  for (int v = 0; v < rows; ++v) {
    for (int u = 0; u < columns; ++u) {
      if (near_zero(u, v)) continue;
      const double p = s.power[bin(u, v)];
      total += p;
      const double fu = static_cast<double>(u <= columns / 2 ? u : u - columns) / columns;
      const double fv = static_cast<double>(v <= rows / 2 ? v : v - rows) / rows;
      const double radius = std::hypot(fu * columns, fv * rows);
      if (radius < kMinRadius) continue;
      const double step = std::max(0.3, 4 / radius);
      const double turn = std::max(20 * std::numbers::pi / 180, 4 / radius);
      const double cos_turn = std::cos(turn), sin_turn = std::sin(turn);
      const double level =
          std::max({mean_at((1 - step) * fu, (1 - step) * fv),
                    mean_at((1 + step) * fu, (1 + step) * fv),
                    mean_at(cos_turn * fu - sin_turn * fv, sin_turn * fu + cos_turn * fv),
                    mean_at(cos_turn * fu + sin_turn * fv, -sin_turn * fu + cos_turn * fv)});
      excess[bin(u, v)] = std::max(0.0, smoothed[bin(u, v)] - level);
    }
  }
  if (total <= 0) return 0;
  std::vector<size_t> peaks;
  for (int v = 0; v < rows; ++v) {
    for (int u = 0; u < columns; ++u) {
      const double e = excess[bin(u, v)];
      bool peak = e > 0;
      for (int j = -1; j <= 1 && peak; ++j)
        for (int i = -1; i <= 1 && peak; ++i)
          if ((i != 0 || j != 0) && excess[bin(u + i, v + j)] > e) peak = false;
      if (peak) peaks.push_back(bin(u, v));
    }
  }
  const size_t count = std::min<size_t>(kPeaks, peaks.size());
  std::partial_sort(peaks.begin(), peaks.begin() + count, peaks.end(),
                    [&](size_t a, size_t b) { return excess[a] > excess[b]; });
  std::vector<bool> counted(s.power.size(), false);
  double held = 0;
  for (size_t k = 0; k < count; ++k) {
    const int u = static_cast<int>(peaks[k] % columns), v = static_cast<int>(peaks[k] / columns);
    for (int j = -2; j <= 2; ++j) {
      for (int i = -2; i <= 2; ++i) {
        const size_t b = bin(u + i, v + j);
        if (counted[b]) continue;
        counted[b] = true;
        held += excess[b];
      }
    }
  }
  return held / total;
}

}  // namespace

Area signature_area(int width, int height) {
  const int margin = static_cast<int>(std::ceil(3 * kCoarseSigma));
  return {width - width / 5 - margin, height - height / 10 - margin, width, height};
}

std::optional<double> jaggedness(const std::array<Plane, 3>& lab, const Area& left_out) {
  std::array<Plane, 3> fine_x, fine_y, coarse_x, coarse_y;
  for (int c = 0; c < 3; ++c) {
    sobel(lab[c], fine_x[c], fine_y[c]);
    sobel(blur(lab[c], kCoarseSigma), coarse_x[c], coarse_y[c]);
  }
  double weighted = 0, weights = 0;
  const int width = lab[0].width;
  for (size_t i = 0; i < lab[0].values.size(); ++i) {
    if (left_out.holds(static_cast<int>(i % width), static_cast<int>(i / width))) continue;
    const Tensor coarse = tensor_at(coarse_x, coarse_y, i);
    const double coarse_strength = coarse.xx + coarse.yy;
    if (coarse_strength < kEdgeStrength * kEdgeStrength) continue;
    // The orientation as a doubled angle: (xx - yy, 2 xy) has length lambda1 - lambda2.
    const double coarse_length = std::hypot(coarse.xx - coarse.yy, 2 * coarse.xy);
    if (coarse_length < 0.5 * coarse_strength) continue;
    const Tensor fine = tensor_at(fine_x, fine_y, i);
    const double fine_strength = fine.xx + fine.yy;
    if (fine_strength <= 0) continue;
    // cos of the doubled angle between them, an isotropic fine tensor counting as 0.
    const double agreement =
        ((fine.xx - fine.yy) * (coarse.xx - coarse.yy) + 4 * fine.xy * coarse.xy) /
        (coarse_length * fine_strength);
    const double weight = std::sqrt(fine_strength);
    weighted += weight * (0.5 - 0.5 * agreement);
    weights += weight;
  }
  if (weights <= 0) return std::nullopt;
  return weighted / weights;
}

Repetition repetition(const assets::PixelBuffer& image) {
  Repetition result;
  if (image.width < 3 || image.height < 3) return result;
  const Plane luma = luma_plane(image);
  const float scale = image.width / 1280.0f;
  const float fine_sigma = 0.75f * scale;
  const Plane fine = fine_sigma >= 0.5f ? blur(luma, fine_sigma) : luma;
  const Plane coarse = blur(luma, 16.0f * scale);
  Plane band(luma.width, luma.height);
  for (size_t i = 0; i < band.values.size(); ++i)
    band.values[i] = fine.values[i] - coarse.values[i];
  result.autocorrelation = autocorrelation_at_a_third(band);
  result.periodic_power = periodic_power_share(band);
  return result;
}

double value_range(const Plane& lightness) {
  if (lightness.values.empty()) return 0;
  std::vector<float> values = lightness.values;
  const size_t last = values.size() - 1;
  const size_t low = static_cast<size_t>(0.05 * last), high = static_cast<size_t>(0.95 * last);
  std::nth_element(values.begin(), values.begin() + low, values.end());
  const float at_low = values[low];
  std::nth_element(values.begin(), values.begin() + high, values.end());
  return values[high] - at_low;
}

bool is_mud(float lightness, float a, float b) {
  const double chroma = std::hypot(a, b);
  if (chroma < 15) return lightness >= 30 && lightness <= 70;
  double hue = std::atan2(b, a) * 180.0 / std::numbers::pi;
  if (hue < 0) hue += 360;
  return hue >= 85 && hue <= 125 && lightness >= 20 && lightness < 60;
}

double mud(const std::array<Plane, 3>& lab) {
  const size_t n = lab[0].values.size();
  if (n == 0) return 0;
  size_t count = 0;
  for (size_t i = 0; i < n; ++i)
    count += is_mud(lab[0].values[i], lab[1].values[i], lab[2].values[i]);
  return static_cast<double>(count) / n;
}

Plane coarse_edge_map(const std::array<Plane, 3>& lab) {
  Plane magnitude(kEdgeColumns, kEdgeRows);
  if (lab[0].values.empty()) return magnitude;
  for (int c = 0; c < 3; ++c) {
    Plane dx, dy;
    sobel(box_average(lab[c], kEdgeColumns, kEdgeRows), dx, dy);
    for (size_t i = 0; i < magnitude.values.size(); ++i)
      magnitude.values[i] += dx.values[i] * dx.values[i] + dy.values[i] * dy.values[i];
  }
  for (float& v : magnitude.values) v = std::sqrt(v);
  return blur(magnitude, 1.0f);
}

double edge_map_correlation(const Plane& first, const Plane& second) {
  if (first.values.size() != second.values.size() || first.values.empty()) return 0;
  const double n = static_cast<double>(first.values.size());
  double mean_a = 0, mean_b = 0;
  for (size_t i = 0; i < first.values.size(); ++i) {
    mean_a += first.values[i];
    mean_b += second.values[i];
  }
  mean_a /= n;
  mean_b /= n;
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < first.values.size(); ++i) {
    const double a = first.values[i] - mean_a, b = second.values[i] - mean_b;
    ab += a * b;
    aa += a * a;
    bb += b * b;
  }
  // Below this variance a map is flat: rounding, not outlines.
  constexpr double kFlat = 1e-9;
  if (aa / n < kFlat || bb / n < kFlat) return 0;
  return ab / std::sqrt(aa * bb);
}

double median(std::vector<double> values) {
  if (values.empty()) return std::nan("");
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

PaintingMeasures measure_painting(const assets::PixelBuffer& image) {
  PaintingMeasures m;
  const std::array<Plane, 3> lab = lab_planes(image);
  m.jaggedness = jaggedness(lab, signature_area(image.width, image.height));
  m.repetition = repetition(image);
  m.value_range = value_range(lab[0]);
  m.mud = mud(lab);
  m.edge_map = coarse_edge_map(lab);
  m.edges = edge_statistics(image);
  m.fractal_dimension = box_count_dimension(image);
  m.phog = phog_statistics(image);
  m.primary_share = primary_share(image);
  m.rainbow_share = rainbow_share(lab);
  return m;
}

}  // namespace bw::judge
