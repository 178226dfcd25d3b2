#include "judge/painting_statistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <vector>

namespace bw::judge {
namespace {

constexpr double kPi = std::numbers::pi;

// Shannon entropy in bits of non-negative weights; none when they are all 0.
std::optional<double> entropy_bits(const double* weights, int count) {
  double sum = 0;
  for (int i = 0; i < count; ++i) sum += weights[i];
  if (sum <= 0) return std::nullopt;
  double h = 0;
  for (int i = 0; i < count; ++i)
    if (weights[i] > 0) h -= weights[i] / sum * std::log2(weights[i] / sum);
  return h;
}

uint8_t to_byte(float value) {
  return static_cast<uint8_t>(std::clamp(std::nearbyint(value), 0.0f, 255.0f));
}

// Whole grey levels of `plane` (8-bit, as a resized 8-bit image holds them).
Plane rounded(Plane plane) {
  for (float& v : plane.values) v = to_byte(v);
  return plane;
}

// The size that keeps the aspect with the longer side `long_side`.
std::pair<int, int> scaled_to_long_side(int width, int height, int long_side) {
  if (width >= height)
    return {long_side,
            std::max(1, static_cast<int>(std::lround(double(height) * long_side / width)))};
  return {std::max(1, static_cast<int>(std::lround(double(width) * long_side / height))),
          long_side};
}

// ---- Gabor filters -------------------------------------------------------------------

constexpr int kOrientations = 24;  // around the full circle: 12 lines, two polarities each
constexpr int kFilterSize = 31;
constexpr int kDirectionBins = 48;

double round4(double v) { return std::nearbyint(v * 1e4) / 1e4; }

// Filter `index` (theta = index x 15 degrees) as the published bank defines it: a
// Gaussian envelope rounded to four decimals times cos(slant + pi/2), rounded again.
// Only the orientations 0..11 are built: filter i + 12 is filter i negated.
struct GaborFilter {
  int radius = 0;            // taps beyond it are all zero after rounding
  std::vector<double> taps;  // (2 radius + 1)^2, row-major, y then x from -radius
};

GaborFilter gabor_filter(int index) {
  const double frequency = 1.0 / 8;  // 0.5 ^ octave 3
  const double bandwidth = 4;        // half-response spatial frequency bandwidth, octaves
  const double sigma = 1 / (kPi * frequency) * std::sqrt(std::log(2.0) / 2) *
                       (std::pow(2.0, bandwidth) + 1) / (std::pow(2.0, bandwidth) - 1);
  const double theta = 2 * kPi * index / kOrientations, omega = 2 * kPi * frequency;
  const int half = kFilterSize / 2;
  std::vector<double> full(kFilterSize * kFilterSize);
  int radius = 0;
  for (int y = -half; y <= half; ++y) {
    for (int x = -half; x <= half; ++x) {
      const double envelope = round4(std::exp(-(x * x + y * y) / (2 * sigma * sigma)));
      const double slant = x * omega * std::sin(theta) + y * omega * std::cos(theta);
      const double tap = round4(envelope * std::cos(slant + kPi / 2));
      full[(y + half) * kFilterSize + (x + half)] = tap;
      if (tap != 0) radius = std::max({radius, std::abs(x), std::abs(y)});
    }
  }
  GaborFilter filter;
  filter.radius = radius;
  const int side = 2 * radius + 1;
  filter.taps.resize(static_cast<size_t>(side) * side);
  for (int y = -radius; y <= radius; ++y)
    for (int x = -radius; x <= radius; ++x)
      filter.taps[(y + radius) * side + (x + radius)] = full[(y + half) * kFilterSize + (x + half)];
  return filter;
}

// Index into 0..n-1 reflected about the edges (d c b a | a b c d | d c b a).
int reflect(int i, int n) {
  if (n == 1) return 0;
  while (i < 0 || i >= n) i = i < 0 ? -i - 1 : 2 * n - i - 1;
  return i;
}

struct GaborResponse {
  Plane strength;                    // the strongest filter's response, >= 0
  std::vector<uint8_t> orientation;  // its index, 0..23
};

// Convolution (the filter turned half round) by every filter, keeping the strongest.
GaborResponse strongest_gabor_response(const Plane& grey) {
  std::array<GaborFilter, kOrientations / 2> filters;
  for (int i = 0; i < kOrientations / 2; ++i) filters[i] = gabor_filter(i);
  GaborResponse r{Plane(grey.width, grey.height), std::vector<uint8_t>(grey.values.size(), 0)};
  // The image with a reflected border as wide as the widest filter, so that the loops
  // below need no bounds.
  int margin = 0;
  for (const GaborFilter& f : filters) margin = std::max(margin, f.radius);
  const int padded_width = grey.width + 2 * margin;
  std::vector<float> padded(static_cast<size_t>(padded_width) * (grey.height + 2 * margin));
  for (int y = -margin; y < grey.height + margin; ++y)
    for (int x = -margin; x < grey.width + margin; ++x)
      padded[static_cast<size_t>(y + margin) * padded_width + (x + margin)] =
          grey.at(reflect(x, grey.width), reflect(y, grey.height));
  // Each filter is odd (its tap at -u, -v is minus that at u, v): pairs of pixels are
  // subtracted and multiplied once, and a flat image gives exactly nothing.
  struct Tap {
    ptrdiff_t offset;  // in the padded image, of the pixel at x - u, y - v
    double value;
  };
  std::array<std::vector<Tap>, kOrientations / 2> halves;
  for (int i = 0; i < kOrientations / 2; ++i) {
    const GaborFilter& f = filters[i];
    const int side = 2 * f.radius + 1;
    for (int v = 0; v <= f.radius; ++v)
      for (int u = v == 0 ? 1 : -f.radius; u <= f.radius; ++u)
        if (const double tap = f.taps[(v + f.radius) * side + (u + f.radius)]; tap != 0)
          halves[i].push_back({-static_cast<ptrdiff_t>(v) * padded_width - u, tap});
  }
  for (int y = 0; y < grey.height; ++y) {
    for (int x = 0; x < grey.width; ++x) {
      const float* centre = &padded[static_cast<size_t>(y + margin) * padded_width + (x + margin)];
      double best = 0;
      int best_index = 0;
      for (int i = 0; i < kOrientations / 2; ++i) {
        double sum = 0;
        for (const Tap& t : halves[i]) sum += t.value * (centre[t.offset] - centre[-t.offset]);
        if (std::abs(sum) > best) {
          best = std::abs(sum);
          best_index = sum > 0 ? i : i + kOrientations / 2;
        }
      }
      r.strength.at(x, y) = static_cast<float>(best);
      r.orientation[static_cast<size_t>(y) * grey.width + x] = static_cast<uint8_t>(best_index);
    }
  }
  return r;
}

struct Edge {
  int x, y, orientation;
  double strength;
};

// The kStrongestEdges strongest pixels with a response (of equal ones, the first in
// reading order), so that a pattern repeating one value does not bring in thousands more.
std::vector<Edge> strongest_edges(const GaborResponse& r) {
  const std::vector<float>& strength = r.strength.values;
  std::vector<uint32_t> order;
  for (size_t i = 0; i < strength.size(); ++i)
    if (strength[i] > 0) order.push_back(static_cast<uint32_t>(i));
  const size_t keep = std::min<size_t>(kStrongestEdges, order.size());
  const auto stronger = [&](uint32_t a, uint32_t b) {
    return strength[a] != strength[b] ? strength[a] > strength[b] : a < b;
  };
  if (keep < order.size())
    std::nth_element(order.begin(), order.begin() + keep, order.end(), stronger);
  order.resize(keep);
  std::vector<Edge> edges;
  const int width = r.strength.width;
  for (uint32_t i : order)
    edges.push_back(
        {static_cast<int>(i % width), static_cast<int>(i / width), r.orientation[i], strength[i]});
  return edges;
}

std::optional<double> second_order_entropy(const std::vector<Edge>& edges, int width, int height) {
  // Distance and direction of every offset between two pixels, looked up rather than
  // computed for each of the hundred million pairs. Distances outside the averaged range
  // are marked -1.
  const int span_x = 2 * width - 1, span_y = 2 * height - 1;
  std::vector<int16_t> distance(static_cast<size_t>(span_x) * span_y);
  std::vector<int8_t> direction(distance.size());
  for (int dy = -(height - 1); dy < height; ++dy) {
    for (int dx = -(width - 1); dx < width; ++dx) {
      const size_t at = static_cast<size_t>(dy + height - 1) * span_x + (dx + width - 1);
      const int d = static_cast<int>(std::nearbyint(std::sqrt(double(dx) * dx + double(dy) * dy)));
      distance[at] = static_cast<int16_t>(
          d >= kNearestPairDistance && d <= kFarthestPairDistance ? d - kNearestPairDistance : -1);
      const int bin =
          static_cast<int>(std::nearbyint(std::atan2(dy, dx) / (2 * kPi) * kDirectionBins));
      direction[at] = static_cast<int8_t>((bin % kDirectionBins + kDirectionBins) % kDirectionBins);
    }
  }
  constexpr int kDistances = kFarthestPairDistance - kNearestPairDistance + 1;
  std::vector<double> counts(static_cast<size_t>(kDistances) * kDirectionBins * kOrientations, 0.0);
  for (const Edge& first : edges) {
    // The direction counts from the first edge's own orientation (two bins per step).
    const int turn = 2 * first.orientation;
    for (const Edge& second : edges) {
      const size_t at = static_cast<size_t>(second.y - first.y + height - 1) * span_x +
                        (second.x - first.x + width - 1);
      const int d = distance[at];
      if (d < 0) continue;
      const int dir = (direction[at] + turn) % kDirectionBins;
      const int relative = (second.orientation - first.orientation + kOrientations) % kOrientations;
      counts[(static_cast<size_t>(d) * kDirectionBins + dir) * kOrientations + relative] +=
          first.strength * second.strength;
    }
  }
  double over_distances = 0;
  int distances_counted = 0;
  for (int d = 0; d < kDistances; ++d) {
    double over_directions = 0;
    int directions_counted = 0;
    for (int dir = 0; dir < kDirectionBins; ++dir) {
      const double* cell = &counts[(static_cast<size_t>(d) * kDirectionBins + dir) * kOrientations];
      double sum = 0;
      for (int o = 0; o < kOrientations; ++o) sum += cell[o];
      if (sum <= 1) continue;  // a direction without pairs
      over_directions += *entropy_bits(cell, kOrientations);
      ++directions_counted;
    }
    if (directions_counted == 0) continue;
    over_distances += over_directions / directions_counted;
    ++distances_counted;
  }
  if (distances_counted == 0) return std::nullopt;
  return over_distances / distances_counted;
}

// ---- PHOG ----------------------------------------------------------------------------

constexpr int kPhogBins = 16;
constexpr int kPhogLevels = 3;

// Central differences inside, one-sided at the borders.
float derivative(const Plane& p, int x, int y, bool along_x) {
  const int n = along_x ? p.width : p.height, i = along_x ? x : y;
  if (n == 1) return 0;
  auto at = [&](int j) { return along_x ? p.at(j, y) : p.at(x, j); };
  if (i == 0) return at(1) - at(0);
  if (i == n - 1) return at(n - 1) - at(n - 2);
  return (at(i + 1) - at(i - 1)) / 2;
}

// The derivative of the channel that changes most (by magnitude, its sign kept).
float strongest_channel_derivative(const std::array<Plane, 3>& lab, int x, int y, bool along_x) {
  float most = 0, least = 0;
  for (const Plane& c : lab) {
    const float d = derivative(c, x, y, along_x);
    most = std::max(most, d);
    least = std::min(least, d);
  }
  return -least > most ? least : most;
}

int phog_bin(double degrees) {
  const double width = 360.0 / kPhogBins;
  return static_cast<int>(std::floor((degrees + width / 2) / width)) % kPhogBins;
}

// ---- box counting --------------------------------------------------------------------

std::optional<double> fitted_slope(const std::vector<double>& x, const std::vector<double>& y) {
  const size_t n = x.size();
  if (n < 2) return std::nullopt;
  double mx = 0, my = 0;
  for (size_t i = 0; i < n; ++i) mx += x[i], my += y[i];
  mx /= n, my /= n;
  double sxy = 0, sxx = 0;
  for (size_t i = 0; i < n; ++i) sxy += (x[i] - mx) * (y[i] - my), sxx += (x[i] - mx) * (x[i] - mx);
  if (sxx <= 0) return std::nullopt;
  return sxy / sxx;
}

}  // namespace

assets::PixelBuffer resized(const assets::PixelBuffer& image, int width, int height) {
  std::array<Plane, 3> channels;
  for (int c = 0; c < 3; ++c) {
    Plane plane(image.width, image.height);
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) plane.at(x, y) = image.pixel(x, y)[c];
    channels[c] = resample(plane, width, height);
  }
  auto out = assets::PixelBuffer::allocate(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = out->pixel(x, y);
      for (int c = 0; c < 3; ++c) p[c] = to_byte(channels[c].at(x, y));
      p[3] = 255;
    }
  }
  return *out;
}

EdgeStatistics edge_statistics(const assets::PixelBuffer& image) {
  EdgeStatistics s;
  if (image.width < 1 || image.height < 1) return s;
  const double scale = std::sqrt(double(kEdgeImagePixels) / (double(image.width) * image.height));
  const int width = std::max(1, static_cast<int>(image.width * scale));
  const int height = std::max(1, static_cast<int>(image.height * scale));
  const Plane grey = rounded(resample(grey_levels(image), width, height));
  const GaborResponse response = strongest_gabor_response(grey);
  double sum = 0;
  for (float v : response.strength.values) sum += v;
  s.edge_density = sum / response.strength.values.size();

  const std::vector<Edge> edges = strongest_edges(response);
  double histogram[kOrientations] = {};
  for (const Edge& e : edges) histogram[e.orientation] += e.strength;
  s.first_order_entropy = entropy_bits(histogram, kOrientations);
  s.second_order_entropy = second_order_entropy(edges, width, height);
  return s;
}

PhogStatistics phog_statistics(const assets::PixelBuffer& image) {
  PhogStatistics s;
  if (image.width < 1 || image.height < 1) return s;
  const auto [width, height] = scaled_to_long_side(image.width, image.height, kStatisticsLongSide);
  std::array<Plane, 3> lab = lab_planes(resized(image, width, height));
  // L*a*b* scaled to 0..255 and rounded, the range the published figures were measured in.
  for (float& v : lab[0].values) v = std::nearbyint(v / 100 * 255);
  for (int c = 1; c < 3; ++c)
    for (float& v : lab[c].values) v = std::nearbyint(v + 128);

  Plane strength(width, height);
  std::vector<uint8_t> bin(strength.values.size());
  double total = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      float gx = strongest_channel_derivative(lab, x, y, true);
      const float gy = strongest_channel_derivative(lab, x, y, false);
      const float g = std::hypot(gx, gy);
      strength.at(x, y) = g;
      total += g;
      if (gx == 0) gx = 1e-5f;  // a flat pixel falls in the bin of 180 degrees
      bin[static_cast<size_t>(y) * width + x] =
          static_cast<uint8_t>(phog_bin((std::atan2(gy, gx) + kPi) * 180 / kPi));
    }
  }
  s.complexity = total / strength.values.size();

  // Each cell's histogram normalised to 1; the cells of every level from the whole image
  // down to 8 x 8, then all of them together normalised to 1.
  std::vector<std::array<double, kPhogBins>> cells;
  for (int level = 0; level <= kPhogLevels; ++level) {
    const int n = 1 << level;
    const double cell_width = double(width) / n, cell_height = double(height) / n;
    for (int j = 0; j < n; ++j) {
      const int left = static_cast<int>(std::nearbyint(j * cell_width));
      const int right = static_cast<int>(std::nearbyint((j + 1) * cell_width));
      for (int i = 0; i < n; ++i) {
        const int top = static_cast<int>(std::nearbyint(i * cell_height));
        const int bottom = static_cast<int>(std::nearbyint((i + 1) * cell_height));
        std::array<double, kPhogBins> histogram{};
        for (int y = top; y < bottom; ++y)
          for (int x = left; x < right; ++x)
            histogram[bin[static_cast<size_t>(y) * width + x]] += strength.at(x, y);
        double sum = 0;
        for (double h : histogram) sum += h;
        if (sum != 0)
          for (double& h : histogram) h /= sum;
        cells.push_back(histogram);
      }
    }
  }
  double all = 0;
  for (const auto& cell : cells)
    for (double h : cell) all += h;
  const size_t finest = cells.size() - (size_t{1} << (2 * kPhogLevels));
  double mean = 0, square = 0;
  const double count = double(cells.size() - finest) * kPhogBins;
  for (size_t c = finest; c < cells.size(); ++c) {
    for (double h : cells[c]) {
      const double v = all != 0 ? h / all : h;
      mean += v;
      square += v * v;
    }
  }
  mean /= count;
  s.anisotropy = std::sqrt(std::max(0.0, square / count - mean * mean));
  return s;
}

std::optional<double> box_count_dimension(const assets::PixelBuffer& image) {
  if (image.width < 1 || image.height < 1) return std::nullopt;
  const auto [width, height] = scaled_to_long_side(image.width, image.height, kStatisticsLongSide);
  const int side = std::min(width, height);
  const Plane grey = rounded(resample(grey_levels(image), side, side));
  double mean = 0;
  for (float v : grey.values) mean += v;
  mean /= grey.values.size();
  std::vector<uint8_t> set(grey.values.size());
  for (size_t i = 0; i < set.size(); ++i) set[i] = grey.values[i] < mean;

  std::vector<double> log_side, log_count;
  int n = side;
  bool first = true;
  while (n > 6) {
    size_t count = 0;
    for (uint8_t s : set) count += s;
    if (!first && count > 0) {
      log_side.push_back(std::log2(double(n)));
      log_count.push_back(std::log2(double(count)));
    }
    first = false;
    const int half = n / 2;
    std::vector<uint8_t> boxes(static_cast<size_t>(half) * half);
    for (int y = 0; y < half; ++y) {
      for (int x = 0; x < half; ++x) {
        const int cells = set[(2 * y) * n + 2 * x] + set[(2 * y) * n + 2 * x + 1] +
                          set[(2 * y + 1) * n + 2 * x] + set[(2 * y + 1) * n + 2 * x + 1];
        boxes[static_cast<size_t>(y) * half + x] = cells > 0 && cells < 4;
      }
    }
    set = std::move(boxes);
    n = half;
  }
  return fitted_slope(log_side, log_count);
}

}  // namespace bw::judge
