// Published image statistics that set paintings apart from other images, each computed as
// its authors defined it, preprocessing included, so that a painting's figures stand
// beside those of real oil paintings (the bands below: 10th percentile, median and 90th
// percentile over the 1,629 oil paintings of the JenAesthetics set, whose images are
// 1024 pixels on their longer side).
//
//  - Edge density, first- and second-order edge-orientation entropy (Redies, Brachmann and
//    Wagemans 2017, "High entropy of edge orientations characterizes visual artworks from
//    diverse cultural backgrounds"; computed as in the aesthetics toolbox of Redies et al.):
//    8-bit grey, resized to 120,000 pixels keeping the aspect, filtered by 24 odd Gabor
//    filters (orientations 15 degrees apart around the circle, 1/8 cycle per pixel, a
//    half-response bandwidth of 4 octaves, sigma 1.70 pixels). Each pixel's response is
//    its strongest filter's; edge density is their mean (grey levels, not a share).
//    The 10,000 strongest pixels are the edges. First-order entropy: Shannon entropy in
//    bits of their orientation histogram, each edge weighted by its response (at most
//    log2 24 = 4.585). Second-order entropy: every pair of edges, weighted by the product
//    of their responses, is counted by distance (whole pixels), the direction from the
//    first to the second relative to the first's orientation (48 bins) and their
//    relative orientation (24 bins); the entropy of the relative orientations in each
//    distance and direction, averaged over directions, then over distances 20 to 239.
//  - PHOG complexity and anisotropy (Braun, Amirshahi, Denzler and Redies 2013, "Statistical
//    image properties of print advertisements, visual artworks and images of food";
//    Redies, Amirshahi, Koch and Denzler 2012): the image at 1024 pixels on its longer side
//    in L*a*b* scaled to 0..255 (L* x 2.55, a* and b* + 128, rounded); per pixel the
//    central-difference gradient of the channel that changes most, in x and y. Complexity
//    is the mean gradient strength. Anisotropy: histograms of gradient strength over 16
//    directions (360 degrees, the first centred on 0) in the whole image and in the cells
//    of a 2 x 2, 4 x 4 and 8 x 8 pyramid, each histogram normalised to 1 and then all
//    together to 1; the standard deviation of the 8 x 8 level's values.
//  - 2-D box-counting fractal dimension of the luminance edges (Spehar, Clifford, Newell
//    and Taylor 2003; Spehar and Taylor 2013): 8-bit grey at 1024 pixels on the longer
//    side, squeezed to a square of its shorter side, thresholded at its mean (pixels
//    below it are set); at each level, boxes of 2 x 2 cells of the level before are set
//    when some but not all of their cells are, down to a side of 6; the slope of log2 of
//    the count of set boxes against log2 of the side, over every level but the first.
#pragma once

#include <optional>

#include "assets/pixel_buffer.h"
#include "judge/planes.h"

namespace bw::judge {

// The real paintings' band of one statistic.
struct Band {
  double p10 = 0, median = 0, p90 = 0;
  bool holds(double value) const { return value >= p10 && value <= p90; }
};
inline constexpr Band kEdgeDensityBand{41, 73, 110};
inline constexpr Band kFractalDimensionBand{1.29, 1.45, 1.63};
inline constexpr Band kComplexityBand{4.4, 6.8, 11.1};
inline constexpr Band kSecondOrderEntropyBand{4.30, 4.46, 4.53};
inline constexpr Band kAnisotropyBand{2.0e-4, 2.7e-4, 3.6e-4};

// Pixels the edge statistics work on, strongest edges kept, distances averaged.
inline constexpr int kEdgeImagePixels = 120000;
inline constexpr int kStrongestEdges = 10000;
inline constexpr int kNearestPairDistance = 20;
inline constexpr int kFarthestPairDistance = 239;
// Longer side of the images the PHOG and box-counting statistics work on.
inline constexpr int kStatisticsLongSide = 1024;

struct EdgeStatistics {
  double edge_density = 0;                    // mean strongest Gabor response, grey levels
  std::optional<double> first_order_entropy;  // bits; none without edges
  std::optional<double> second_order_entropy;
};
EdgeStatistics edge_statistics(const assets::PixelBuffer& image);

struct PhogStatistics {
  double complexity = 0;  // mean gradient strength, L*a*b* scaled to 0..255 per pixel
  double anisotropy = 0;
};
PhogStatistics phog_statistics(const assets::PixelBuffer& image);

// The box-counting dimension, 1 for a straight outline to 2 for one that fills the
// plane; none when the image has no outline (a flat image) or is too small to count.
std::optional<double> box_count_dimension(const assets::PixelBuffer& image);

// An image resized to `width` x `height`, each channel resampled and rounded to 8 bits.
assets::PixelBuffer resized(const assets::PixelBuffer& image, int width, int height);

}  // namespace bw::judge
