// What the picture judge measures in one painting, and between two. Each measure is
// defined beside its function; data/README.md and "bwtool --help" say the same in words.
#pragma once

#include <optional>
#include <vector>

#include "assets/pixel_buffer.h"
#include "judge/artefacts.h"
#include "judge/painting_statistics.h"
#include "judge/planes.h"

namespace bw::judge {

// Outline jaggedness, 0 (smooth) to 1: along colour edges, how far the fine edge
// orientation (Sobel of L*a*b* at the pixel, Di Zenzo's tensor of the three channels)
// departs from the coarse one (the same after a Gaussian blur of kCoarseSigma pixels):
// the mean of sin^2 of the angle between them, weighted by the fine edge strength.
// Edge pixels are those where the coarse colour gradient is at least kEdgeStrength L*a*b*
// units per pixel and the coarse orientation is clear (anisotropy at least 0.5). A
// staircase of flat steps scores high (its risers and treads point across the edge's
// true direction), a smooth anti-aliased edge near 0, random orientations 0.5. None when
// the image has no colour edge.
// Pixels inside `left_out` (left and top inclusive, right and bottom exclusive) are not
// counted.
inline constexpr float kCoarseSigma = 3.0f;
inline constexpr float kEdgeStrength = 1.5f;
struct Area {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool holds(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};
std::optional<double> jaggedness(const std::array<Plane, 3>& lab, const Area& left_out = {});

// Where the saver signs a painting of width x height: the rightmost fifth of the width and
// the bottom tenth of the height, with a margin the coarse blur reaches across. Its
// handwriting is the same in every painting and no outline of the picture, so the
// painting's measures of outlines leave it out.
Area signature_area(int width, int height);

// Repetition of texture: luma band-passed by a difference of Gaussians (sigma 0.75 and
// 16 pixels per 1280 pixels of width), then
//  - autocorrelation: the largest normalised correlation of the band-passed luma with
//    itself shifted by a third of the width (dx within +-1/48 of the width of W/3, dy 0)
//    or a third of the height (likewise); 1 for a texture tiled three times across, near
//    0 for noise or shapes;
//  - periodic power: the share of the band-passed power that stands out as points of its
//    power spectrum (averaged over windows of the shorter side, half a window apart):
//    the kPeaks largest peaks of what each bin holds beyond the level of the spectrum at
//    its frequency in the same and nearby directions, each with the bins within 2 of it.
//    0 for noise, shapes and long outlines (their power lies on rings and lines through
//    zero frequency), near 1 for a weave or stripes.
inline constexpr int kPeaks = 16;
struct Repetition {
  double autocorrelation = 0;
  double periodic_power = 0;
};
Repetition repetition(const assets::PixelBuffer& image);

// Value range: the spread of L* between its 5th and 95th percentiles, in L* units.
double value_range(const Plane& lightness);

// Mud: the share of pixels that are low-chroma mid-values (C*ab < 15 at 30 <= L* <= 70)
// or olive (hue 85 to 125 degrees, 20 <= L* < 60, C*ab >= 15).
double mud(const std::array<Plane, 3>& lab);
// Whether one L*a*b* colour counts as mud.
bool is_mud(float lightness, float a, float b);

// The coarse edge map of a painting: the L*a*b* image averaged onto a kEdgeColumns x
// kEdgeRows grid, its colour gradient magnitude (Sobel), blurred by one cell. Any painting
// size gives the same grid, so any two can be compared.
inline constexpr int kEdgeColumns = 128;
inline constexpr int kEdgeRows = 80;
Plane coarse_edge_map(const std::array<Plane, 3>& lab);

// Sameness: the Pearson correlation of two coarse edge maps, -1 to 1; 0 when either is
// flat (a painting without outlines shares no layout).
double edge_map_correlation(const Plane& first, const Plane& second);

// The median of `values` (the mean of the middle two for an even count); NaN for none.
double median(std::vector<double> values);

// The aims for the colour and layout of every painting at 1280 x 800 (the quality test
// and "bwtool judge --help" hold the same).
inline constexpr double kMaxPrimaryShare = 0.01;  // screen primaries
inline constexpr double kMaxRainbowShare = 0.002;
inline constexpr double kMinValueRange = 35;      // L*
inline constexpr double kMaxMud = 0.10;
inline constexpr double kMaxSameness = 0.25;      // consecutive layouts
inline constexpr double kMaxFixedPattern = 1.0;   // grey levels

// Every measure of one painting (jaggedness without the signature's area).
struct PaintingMeasures {
  std::optional<double> jaggedness;
  Repetition repetition;
  double value_range = 0;
  double mud = 0;
  Plane edge_map;
  // The published statistics of paintings.
  EdgeStatistics edges;
  std::optional<double> fractal_dimension;
  PhogStatistics phog;
  // Colour faults.
  double primary_share = 0;
  double rainbow_share = 0;
};
PaintingMeasures measure_painting(const assets::PixelBuffer& image);

}  // namespace bw::judge
