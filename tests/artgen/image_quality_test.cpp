// What the images look like, measured on the decoded files: colour images colourful,
// with real contrast and no mud; factures and the oil canvas with real, tileable relief;
// neighbours in a family clearly different.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "support.h"

namespace bw::artgen::test {
namespace {

// Colourfulness after Hasler and Suesstrunk (2003): the spread and mean of the two
// opponent axes rg = R - G and yb = (R + G) / 2 - B. Their survey maps about 15 to
// "slightly colourful", 33 to "moderately", 45 to "averagely" and 59 to "quite colourful".
double colourfulness(const Pixels& p) {
  double sum_rg = 0, sum_yb = 0, sq_rg = 0, sq_yb = 0;
  const double n = static_cast<double>(p.width) * p.height;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      double r = p.at(x, y, 0), g = p.at(x, y, 1), b = p.at(x, y, 2);
      double rg = r - g;
      double yb = 0.5 * (r + g) - b;
      sum_rg += rg;
      sum_yb += yb;
      sq_rg += rg * rg;
      sq_yb += yb * yb;
    }
  }
  double mean_rg = sum_rg / n, mean_yb = sum_yb / n;
  double var_rg = sq_rg / n - mean_rg * mean_rg, var_yb = sq_yb / n - mean_yb * mean_yb;
  return std::sqrt(std::max(0.0, var_rg) + std::max(0.0, var_yb)) + 0.3 * std::sqrt(mean_rg * mean_rg + mean_yb * mean_yb);
}

double luma(const Pixels& p, int x, int y) {
  if (p.channels == 1) return p.at(x, y, 0);
  return 0.299 * p.at(x, y, 0) + 0.587 * p.at(x, y, 1) + 0.114 * p.at(x, y, 2);
}

// Distance between the 5th and 95th percentiles of luma: the image's value range.
double luma_range(const Pixels& p) {
  std::vector<double> values;
  values.reserve(static_cast<std::size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) values.push_back(luma(p, x, y));
  }
  std::sort(values.begin(), values.end());
  return values[values.size() * 95 / 100] - values[values.size() * 5 / 100];
}

// Share of mud: mid-tone pixels with almost no chroma (greys, grey browns, khaki).
double mud_share(const Pixels& p) {
  std::size_t mud = 0;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      int r = p.at(x, y, 0), g = p.at(x, y, 1), b = p.at(x, y, 2);
      int chroma = std::max({r, g, b}) - std::min({r, g, b});
      double l = luma(p, x, y);
      if (chroma < 30 && l > 35 && l < 180) ++mud;
    }
  }
  return static_cast<double>(mud) / (static_cast<double>(p.width) * p.height);
}

// Mean absolute difference of two images of one family, on 16 x 16 block averages: how
// different they look at a glance, independent of fine texture.
double glance_difference(const Pixels& a, const Pixels& b) {
  constexpr int kBlocks = 16;
  double total = 0;
  for (int c = 0; c < std::min(a.channels, b.channels); ++c) {
    for (int by = 0; by < kBlocks; ++by) {
      for (int bx = 0; bx < kBlocks; ++bx) {
        double mean[2] = {0, 0};
        const Pixels* images[2] = {&a, &b};
        for (int i = 0; i < 2; ++i) {
          const Pixels& p = *images[i];
          int x0 = bx * p.width / kBlocks, x1 = (bx + 1) * p.width / kBlocks;
          int y0 = by * p.height / kBlocks, y1 = (by + 1) * p.height / kBlocks;
          for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) mean[i] += p.at(x, y, c);
          }
          mean[i] /= static_cast<double>((x1 - x0) * (y1 - y0));
        }
        total += std::fabs(mean[0] - mean[1]);
      }
    }
  }
  return total / (kBlocks * kBlocks * std::min(a.channels, b.channels));
}

struct Relief {
  double spread;     // standard deviation of the samples
  double detail;     // mean absolute step between neighbouring samples
  double seam;       // mean absolute step across the wrap-around edges, the larger of the two
  double roughest;   // the largest mean step between two neighbouring rows or columns inside
};

Relief relief(const Pixels& p) {
  double sum = 0, sq = 0, steps = 0;
  const double n = static_cast<double>(p.width) * p.height;
  std::vector<double> column_step(static_cast<std::size_t>(p.width), 0.0);  // column x against x + 1, wrapping
  std::vector<double> row_step(static_cast<std::size_t>(p.height), 0.0);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      double v = p.at(x, y, 0);
      sum += v;
      sq += v * v;
      double right = std::abs(p.at(x, y, 0) - p.at((x + 1) % p.width, y, 0));
      double down = std::abs(p.at(x, y, 0) - p.at(x, (y + 1) % p.height, 0));
      column_step[static_cast<std::size_t>(x)] += right / p.height;
      row_step[static_cast<std::size_t>(y)] += down / p.width;
      steps += right + down;
    }
  }
  double mean = sum / n;
  double seam = std::max(column_step.back(), row_step.back());
  double roughest = std::max(*std::max_element(column_step.begin(), column_step.end() - 1),
                             *std::max_element(row_step.begin(), row_step.end() - 1));
  return {std::sqrt(sq / n - mean * mean), steps / (2.0 * n), seam, roughest};
}

// Floors, set from the generated set with a margin: every colour image should be at
// least "moderately colourful" on Hasler and Suesstrunk's scale (33) and the set as a
// whole "averagely colourful" (45). A value range of 45 of 255 between the 5th and 95th
// percentiles separates a composition from a flat wash: the images that looked flat
// measured 13 and 41, the flattest good one (colour contrast over close values) 52.
// Mud may take at most a tenth of an image: a seam between two fields, never a region.
constexpr double kColourfulnessFloor = 33.0;
constexpr double kMeanColourfulnessFloor = 45.0;
constexpr double kLumaRangeFloor = 45.0;
constexpr double kMudCeiling = 0.10;
constexpr double kGlanceDifferenceFloor = 15.0;

TEST(ArtgenQuality, ColourImagesAreColourfulNeverFlatNeverMuddy) {
  const std::vector<std::filesystem::path> files = family_files("colour");
  ASSERT_FALSE(files.empty());
  double total = 0, lowest = 1e9, narrowest = 1e9, muddiest = 0, closest = 1e9;
  std::string narrowest_name, muddiest_name;
  Pixels previous;
  for (const std::filesystem::path& file : files) {
    Pixels p = decode_jpeg(file);
    ASSERT_EQ(p.channels, 3) << file;
    double m = colourfulness(p);
    double range = luma_range(p);
    double mud = mud_share(p);
    EXPECT_GE(m, kColourfulnessFloor) << file;
    EXPECT_GE(range, kLumaRangeFloor) << file;
    EXPECT_LE(mud, kMudCeiling) << file;
    if (!previous.samples.empty()) {
      double d = glance_difference(previous, p);
      EXPECT_GE(d, kGlanceDifferenceFloor) << file << " looks like the image before it";
      closest = std::min(closest, d);
    }
    total += m;
    lowest = std::min(lowest, m);
    if (range < narrowest) {
      narrowest = range;
      narrowest_name = file.filename().string();
    }
    if (mud > muddiest) {
      muddiest = mud;
      muddiest_name = file.filename().string();
    }
    previous = std::move(p);
  }
  const double mean = total / static_cast<double>(files.size());
  EXPECT_GE(mean, kMeanColourfulnessFloor);
  std::cout << "colour images: mean colourfulness " << mean << ", lowest " << lowest << ", narrowest value range "
            << narrowest << " (" << narrowest_name << "), most mud " << muddiest << " (" << muddiest_name << "), closest neighbours " << closest << "\n";
}

// Factures and the oil canvas are reliefs: a real spread of heights, detail at the pixel
// scale (a smooth gradient has almost none), and edges that meet when tiled: the step
// across the wrap-around seam is no larger than the roughest step between two lines
// inside (for a texture that does not tile it is the step between unrelated lines).
TEST(ArtgenQuality, FacturesAndCanvasHaveRealTileableTexture) {
  std::vector<std::filesystem::path> files = family_files("facture");
  ASSERT_FALSE(files.empty());
  files.push_back(default_set() / "data/shaders/oil3.jpg");
  double least_detail = 1e9;
  for (const std::filesystem::path& file : files) {
    Pixels p = decode_jpeg(file);
    ASSERT_EQ(p.channels, 1) << file;
    Relief r = relief(p);
    EXPECT_GE(r.spread, 20.0) << file;
    EXPECT_GE(r.detail, 3.0) << file;
    EXPECT_LE(r.seam, r.roughest + 1.0) << file;
    least_detail = std::min(least_detail, r.detail);
  }
  std::cout << "reliefs: least detail " << least_detail << "\n";
}

}  // namespace
}  // namespace bw::artgen::test
