// Faults of colour and of drawing that the eye finds in a painting: screen primaries,
// rainbow bands between two colours, and a pattern fixed to the screen.
#pragma once

#include <array>
#include <vector>

#include "assets/pixel_buffer.h"
#include "judge/planes.h"

namespace bw::judge {

// Screen primaries: the share of pixels with one channel at least 250 and another at most
// 30, a colour no paint gives (pure green, magenta, ...).
inline constexpr int kPrimaryHigh = 250;
inline constexpr int kPrimaryLow = 30;
double primary_share(const assets::PixelBuffer& image);

// Rainbow band: where one colour turns into another, a third hue that neither has shows
// between them, as yellow-green does when orange is mixed to teal channel by channel.
// A pixel is in such a band (L*a*b* after a blur of a pixel per 1280 of width) when:
//  - it is yellow-green or olive (hue 95 to 140 degrees, chroma at least 15), and so are
//    the pixels kRainbowBandWidth / 2 either way across the colour gradient at it (Di
//    Zenzo's direction): a band, not the blended pixel of a hard edge;
//  - at one of kRainbowReaches either way across the gradient, the two sides differ by at
//    least kRainbowStep (CIE76): it lies in a transition between two colours;
//  - neither side is yellow-green (hue outside 85 to 150 degrees, or chroma below 15) and
//    its hue lies at least 30 degrees from each chromatic side's: it belongs to neither;
//  - its L* lies between the sides' (10 either way): between them, not a mark on them.
// Distances are pixels per 1280 of width. The result is the share of such pixels (every
// second pixel each way is looked at).
inline constexpr double kRainbowBandWidth = 4;
inline constexpr double kRainbowReaches[] = {8, 16, 32, 64, 128};
inline constexpr double kRainbowStep = 25;
double rainbow_share(const std::array<Plane, 3>& lab);

// A pattern fixed to the screen: the same marks at the same place in every painting, as
// a coarse target stretched over the screen leaves them. The screen is cut into
// kGridBlocks x kGridBlocks fixed blocks. Each painting's luma (0..255) loses its slow
// course along each row (a Gaussian of 6 pixels); in each block, the median down each
// column gives a profile across the block: a bar through the whole block sets it, a
// stroke in a few rows does not. Likewise across each row for bars that lie. At each
// place the median over the paintings is kept: what a painting draws differs from
// painting to painting and falls away, a pattern fixed to the screen stays. Its strength is the
// largest amplitude (grey levels, 0..255) of a sinusoid with a period of kGridShortestPeriod to
// kGridLongestPeriod pixels in that profile, Hann-windowed. Blocks that reach into the signature's
// corner are left out: its handwriting is meant to be at the same place every time.
inline constexpr int kGridBlocks = 10;
inline constexpr int kGridShortestPeriod = 4;
inline constexpr int kGridLongestPeriod = 24;

struct FixedPattern {
  double amplitude = 0;      // grey levels
  double period = 0;         // pixels
  bool upright_bars = true;  // bars that stand (a pattern along x) or lie (along y)
  int left = 0, top = 0, right = 0, bottom = 0;  // the block holding it
};

class FixedPatternDetector {
 public:
  FixedPatternDetector(int width, int height);
  // Adds one painting; false (and nothing added) when its size differs.
  bool add(const assets::PixelBuffer& painting);
  int paintings() const { return paintings_; }
  // The strongest pattern over every block, both ways.
  FixedPattern strongest() const;

 private:
  int width_, height_, paintings_ = 0;
  // Per block, painting after painting: its profile across the block (block width
  // values) and down it (block height values).
  std::vector<std::vector<float>> column_profiles_, row_profiles_;
};

}  // namespace bw::judge
