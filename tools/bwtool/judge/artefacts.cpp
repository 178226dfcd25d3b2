#include "judge/artefacts.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

#include "judge/measures.h"

namespace bw::judge {
namespace {

constexpr double kPi = std::numbers::pi;

struct Colour {
  double lightness, chroma, hue;  // hue in degrees, 0..360
};

Colour colour_at(const std::array<Plane, 3>& lab, int x, int y) {
  const double a = lab[1].clamped(x, y), b = lab[2].clamped(x, y);
  double hue = std::atan2(b, a) * 180 / kPi;
  if (hue < 0) hue += 360;
  return {lab[0].clamped(x, y), std::hypot(a, b), hue};
}

double hue_difference(double first, double second) {
  const double d = std::fmod(std::abs(first - second), 360.0);
  return std::min(d, 360 - d);
}

constexpr double kBandChroma = 15;
bool yellow_green(const Colour& c) {
  return c.chroma >= kBandChroma && c.hue >= 95 && c.hue <= 140;
}
bool near_yellow_green(const Colour& c) {
  return c.chroma >= kBandChroma && c.hue >= 85 && c.hue <= 150;
}

// Each row of `plane` (or each column) less its own Gaussian-smoothed course (sigma 6
// pixels, ends held): the fine detail along it.
Plane detail_along(const Plane& plane, bool along_x) {
  constexpr double kSigma = 6;
  constexpr int kRadius = 18;
  double kernel[2 * kRadius + 1], sum = 0;
  for (int j = -kRadius; j <= kRadius; ++j)
    sum += kernel[j + kRadius] = std::exp(-0.5 * j * j / (kSigma * kSigma));
  for (double& k : kernel) k /= sum;
  Plane out(plane.width, plane.height);
  for (int y = 0; y < plane.height; ++y) {
    for (int x = 0; x < plane.width; ++x) {
      double smooth = 0;
      for (int j = -kRadius; j <= kRadius; ++j)
        smooth +=
            kernel[j + kRadius] * (along_x ? plane.clamped(x + j, y) : plane.clamped(x, y + j));
      out.at(x, y) = static_cast<float>(plane.at(x, y) - smooth);
    }
  }
  return out;
}

double median_of(std::vector<float>& values) {
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + middle, values.end());
  return values[middle];
}

// The largest amplitude of a sinusoid whose period lies in the grid's range, and its period.
std::pair<double, double> strongest_period(const std::vector<double>& profile) {
  const int n = static_cast<int>(profile.size());
  if (n < 2 * kGridShortestPeriod) return {0, 0};
  double window_sum = 0;
  std::vector<double> windowed(profile.size());
  for (int i = 0; i < n; ++i) {
    const double w = 0.5 - 0.5 * std::cos(2 * kPi * i / (n - 1));
    windowed[i] = w * profile[i];
    window_sum += w;
  }
  const int first = std::max(1, static_cast<int>(std::ceil(double(n) / kGridLongestPeriod)));
  std::vector<double> amplitudes;
  for (int k = first; k <= n / kGridShortestPeriod; ++k) {
    std::complex<double> sum = 0;
    for (int i = 0; i < n; ++i) sum += windowed[i] * std::polar(1.0, -2 * kPi * k * i / n);
    amplitudes.push_back(2 * std::abs(sum) / window_sum);
  }
  if (amplitudes.empty()) return {0, 0};
  const double best = *std::max_element(amplitudes.begin(), amplitudes.end());
  // Narrow bars are as strong at the harmonics of their spacing as at the spacing: the
  // period is the longest one nearly as strong as the strongest.
  for (size_t j = 0; j < amplitudes.size(); ++j)
    if (amplitudes[j] >= 0.7 * best) return {best, double(n) / (first + static_cast<int>(j))};
  return {best, 0};
}

int block_edge(int index, int size) { return index * size / kGridBlocks; }

}  // namespace

double primary_share(const assets::PixelBuffer& image) {
  const size_t pixels = static_cast<size_t>(image.width) * image.height;
  if (pixels == 0) return 0;
  size_t count = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.pixel(x, y);
      const int high = std::max({p[0], p[1], p[2]}), low = std::min({p[0], p[1], p[2]});
      count += high >= kPrimaryHigh && low <= kPrimaryLow;
    }
  }
  return static_cast<double>(count) / pixels;
}

double rainbow_share(const std::array<Plane, 3>& lab) {
  const int width = lab[0].width, height = lab[0].height;
  if (width < 3 || height < 3) return 0;
  const double scale = width / 1280.0;
  std::array<Plane, 3> soft, dx, dy;
  for (int c = 0; c < 3; ++c) {
    soft[c] = blur(lab[c], static_cast<float>(std::max(0.5, scale)));
    sobel(soft[c], dx[c], dy[c]);
  }
  const double near = std::max(1.0, std::round(kRainbowBandWidth / 2 * scale));
  size_t looked = 0, banded = 0;
  for (int y = 0; y < height; y += 2) {
    for (int x = 0; x < width; x += 2) {
      ++looked;
      const Colour here = colour_at(soft, x, y);
      if (!yellow_green(here)) continue;
      // The direction across the colour gradient: Di Zenzo's tensor of the three channels.
      double xx = 0, yy = 0, xy = 0;
      for (int c = 0; c < 3; ++c) {
        const double gx = dx[c].at(x, y), gy = dy[c].at(x, y);
        xx += gx * gx, yy += gy * gy, xy += gx * gy;
      }
      if (xx + yy <= 0) continue;
      const double angle = 0.5 * std::atan2(2 * xy, xx - yy);
      const double ux = std::cos(angle), uy = std::sin(angle);
      auto offset = [&](double distance) {
        return std::pair<int, int>{static_cast<int>(std::lround(distance * ux)),
                                   static_cast<int>(std::lround(distance * uy))};
      };
      // A band has some width: the pixels just either side are yellow-green too.
      const auto [nx, ny] = offset(near);
      if (!yellow_green(colour_at(soft, x - nx, y - ny)) ||
          !yellow_green(colour_at(soft, x + nx, y + ny)))
        continue;
      for (double reach : kRainbowReaches) {
        const auto [ox, oy] = offset(reach * scale);
        const Colour before = colour_at(soft, x - ox, y - oy),
                     after = colour_at(soft, x + ox, y + oy);
        double step = 0;
        for (int c = 0; c < 3; ++c)
          step += std::pow(soft[c].clamped(x + ox, y + oy) - soft[c].clamped(x - ox, y - oy), 2);
        if (std::sqrt(step) < kRainbowStep) continue;
        if (near_yellow_green(before) || near_yellow_green(after)) continue;
        bool apart = true;
        for (const Colour& side : {before, after})
          if (side.chroma >= kBandChroma && hue_difference(side.hue, here.hue) < 30) apart = false;
        if (!apart) continue;
        const double low = std::min(before.lightness, after.lightness) - 10;
        const double high = std::max(before.lightness, after.lightness) + 10;
        if (here.lightness < low || here.lightness > high) continue;
        ++banded;
        break;
      }
    }
  }
  return static_cast<double>(banded) / looked;
}

FixedPatternDetector::FixedPatternDetector(int width, int height)
    : width_(width),
      height_(height),
      column_profiles_(kGridBlocks * kGridBlocks),
      row_profiles_(kGridBlocks * kGridBlocks) {}

bool FixedPatternDetector::add(const assets::PixelBuffer& painting) {
  if (painting.width != width_ || painting.height != height_) return false;
  const Plane luma = luma_plane(painting);
  const Plane across = detail_along(luma, true), down = detail_along(luma, false);
  std::vector<float> values;
  for (int j = 0; j < kGridBlocks; ++j) {
    const int top = block_edge(j, height_), bottom = block_edge(j + 1, height_);
    for (int i = 0; i < kGridBlocks; ++i) {
      const int left = block_edge(i, width_), right = block_edge(i + 1, width_);
      const size_t block = static_cast<size_t>(j) * kGridBlocks + i;
      // The median down each column (across each row) of the block: a mark drawn in a few
      // rows leaves it, a bar that runs through the whole block sets it.
      for (int x = left; x < right; ++x) {
        values.clear();
        for (int y = top; y < bottom; ++y) values.push_back(across.at(x, y));
        column_profiles_[block].push_back(values.empty() ? 0.0f : 255 * median_of(values));
      }
      for (int y = top; y < bottom; ++y) {
        values.clear();
        for (int x = left; x < right; ++x) values.push_back(down.at(x, y));
        row_profiles_[block].push_back(values.empty() ? 0.0f : 255 * median_of(values));
      }
    }
  }
  ++paintings_;
  return true;
}

FixedPattern FixedPatternDetector::strongest() const {
  FixedPattern best;
  if (paintings_ == 0) return best;
  // The signature is the same handwriting at the same place in every painting, by design.
  const Area signature = signature_area(width_, height_);
  for (int j = 0; j < kGridBlocks; ++j) {
    for (int i = 0; i < kGridBlocks; ++i) {
      if (block_edge(i + 1, width_) > signature.left && block_edge(j + 1, height_) > signature.top)
        continue;
      const size_t block = static_cast<size_t>(j) * kGridBlocks + i;
      for (bool upright : {true, false}) {
        // Each place's median over the paintings: a pattern in all of them stays, what
        // one painting draws there does not.
        const std::vector<float>& all = upright ? column_profiles_[block] : row_profiles_[block];
        const size_t length = all.size() / paintings_;
        std::vector<double> profile(length);
        std::vector<float> values(paintings_);
        for (size_t k = 0; k < length; ++k) {
          for (int p = 0; p < paintings_; ++p) values[p] = all[p * length + k];
          profile[k] = median_of(values);
        }
        const auto [amplitude, period] = strongest_period(profile);
        if (amplitude <= best.amplitude) continue;
        best = {amplitude,
                period,
                upright,
                block_edge(i, width_),
                block_edge(j, height_),
                block_edge(i + 1, width_),
                block_edge(j + 1, height_)};
      }
    }
  }
  return best;
}

}  // namespace bw::judge
