// bwtool judge: measures the paintings a "brushwright --render DIR" wrote, so that a
// picture's author can see what the eye would complain about.
#include <algorithm>
#include <array>
#include <optional>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/png_reader.h"
#include "command.h"
#include "judge/measures.h"

namespace {
namespace fs = std::filesystem;

constexpr const char* kUsage = "usage: bwtool judge DIR\n";

// What each column means and what a good painting gives.
constexpr const char* kHelp =
    "  judge DIR               measure the paintings (picture-NNN.png) a \"brushwright\n"
    "                          --render DIR\" wrote; one row each, their medians, the band\n"
    "                          of real oil paintings where one is published, and a pattern\n"
    "                          fixed to the screen across them. Aims at 1280 x 800:\n"
    "      jagged    outline jaggedness, 0..1: along colour edges, sin^2 of the angle\n"
    "                between the fine (pixel) and coarse (3-pixel blur) edge orientation;\n"
    "                stair steps and texture across outlines score high, random 0.5;\n"
    "                the signature's corner is left out.\n"
    "                Aim: a third of the old pictures' median 0.22, so <= 0.07\n"
    "      autocorr  correlation of the band-passed luma with itself shifted by a third\n"
    "                of the width or height: visible tiling. Aim: <= 0.10\n"
    "      periodic  share of the band-passed luma's power in the 16 strongest points\n"
    "                that stand out of its spectrum: weave, stripes. Aim: <= 0.15\n"
    "      L*range   L* between the 5th and 95th percentiles. Aim: >= 35 in each\n"
    "      mud       share of grey mid-values (chroma < 15, 30 <= L* <= 70) and olive\n"
    "                pixels (hue 85..125, 20 <= L* < 60). Aim: <= 0.10 in each\n"
    "      same      correlation of the coarse edge map (128 x 80 cells) with the\n"
    "                painting before: a repeated layout. Aim: <= 0.25 in each\n"
    "      primary%  pixels with one channel >= 250 and another <= 30. Aim: <= 1\n"
    "      rainbow%  pixels of a yellow-green or olive band between two colours that are\n"
    "                neither, across a colour gradient. Aim: <= 0.2\n"
    "    Published statistics of paintings, each as its authors define it; the band is\n"
    "    the 10th percentile, median and 90th percentile over 1,629 oil paintings of the\n"
    "    JenAesthetics set (images 1024 pixels on the longer side). Aim: the median of\n"
    "    every picture within the band.\n"
    "      edges     edge density (Redies, Brachmann and Wagemans 2017): grey, resized to\n"
    "                120,000 pixels, 24 Gabor filters (1/8 cycle per pixel, sigma 1.7);\n"
    "                the mean of each pixel's strongest response, in grey levels\n"
    "      EOE1      first-order edge-orientation entropy (same paper): bits of the\n"
    "                orientation histogram of the 10,000 strongest edges (at most 4.585;\n"
    "                no band is published for oil paintings alone)\n"
    "      EOE2      second-order edge-orientation entropy: entropy of the relative\n"
    "                orientation of pairs of those edges, by distance and direction,\n"
    "                averaged over distances 20..239\n"
    "      fractal   2-D box-counting dimension of the luminance edges (Spehar et al.\n"
    "                2003): grey at 1024 pixels, squeezed square, thresholded at its\n"
    "                mean; boxes partly set, halving down to 6\n"
    "      complex   PHOG complexity (Braun et al. 2013): mean gradient strength of\n"
    "                L*a*b* scaled to 0..255, at 1024 pixels on the longer side\n"
    "      aniso     PHOG anisotropy, x 10^-4: standard deviation of the 8 x 8 cells'\n"
    "                normalised 16-direction gradient histograms\n"
    "    fixed pattern: in 10 x 10 fixed blocks of the screen, the median over the\n"
    "    paintings of each block's column (and row) profile of fine luma detail, and its\n"
    "    strongest sinusoid of period 4..24 pixels, in grey levels: the same marks at the\n"
    "    same screen place in every painting (the signature's corner left out).\n"
    "    Aim: <= 1.0\n"
    "    \"-\" where a figure does not apply (no outlines or edges; the first painting)\n";

// The columns, in order: heading, decimals, the factor the figure is shown at, and the
// band of real paintings, if any.
struct Column {
  const char* heading;
  int precision;
  double factor;
  const bw::judge::Band* band;
};
constexpr Column kColumns[] = {
    {"jagged", 3, 1, nullptr},
    {"autocorr", 3, 1, nullptr},
    {"periodic", 3, 1, nullptr},
    {"L*range", 1, 1, nullptr},
    {"mud", 3, 1, nullptr},
    {"same", 3, 1, nullptr},
    {"primary%", 2, 100, nullptr},
    {"rainbow%", 2, 100, nullptr},
    {"edges", 1, 1, &bw::judge::kEdgeDensityBand},
    {"EOE1", 3, 1, nullptr},
    {"EOE2", 3, 1, &bw::judge::kSecondOrderEntropyBand},
    {"fractal", 3, 1, &bw::judge::kFractalDimensionBand},
    {"complex", 2, 1, &bw::judge::kComplexityBand},
    {"aniso", 2, 1e4, &bw::judge::kAnisotropyBand},
};
constexpr size_t kColumnCount = std::size(kColumns);
using Row = std::array<double, kColumnCount>;

// The paintings of a render folder: picture-N.png, in the order of N (not the contact
// sheet, not the frames of a film).
std::vector<fs::path> paintings_in(const fs::path& dir) {
  std::vector<std::pair<long, fs::path>> found;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    constexpr std::string_view prefix = "picture-", suffix = ".png";
    if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
        !name.ends_with(suffix))
      continue;
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(), [](char c) {
          return c >= '0' && c <= '9';
        }))
      continue;
    found.emplace_back(std::stol(digits), it->path());
  }
  std::sort(found.begin(), found.end());
  std::vector<fs::path> paths;
  for (auto& [number, path] : found) paths.push_back(std::move(path));
  return paths;
}

void print_row(const std::string& name, const Row& values) {
  std::printf("%-18s", name.c_str());
  for (size_t i = 0; i < kColumnCount; ++i) {
    if (std::isnan(values[i]))
      std::printf(" %9s", "-");
    else
      std::printf(" %9.*f", kColumns[i].precision, values[i] * kColumns[i].factor);
  }
  std::printf("\n");
}

double or_none(const std::optional<double>& value) { return value.value_or(std::nan("")); }

Row row_of(const bw::judge::PaintingMeasures& m, double same) {
  return {or_none(m.jaggedness), m.repetition.autocorrelation, m.repetition.periodic_power,
          m.value_range, m.mud, same, m.primary_share, m.rainbow_share, m.edges.edge_density,
          or_none(m.edges.first_order_entropy), or_none(m.edges.second_order_entropy),
          or_none(m.fractal_dimension), m.phog.complexity, m.phog.anisotropy};
}

// The real paintings' bands, one row per percentile.
void print_bands() {
  const struct {
    const char* name;
    double bw::judge::Band::*field;
  } rows[] = {{"paintings p10", &bw::judge::Band::p10},
              {"paintings median", &bw::judge::Band::median},
              {"paintings p90", &bw::judge::Band::p90}};
  for (const auto& r : rows) {
    Row values;
    for (size_t i = 0; i < kColumnCount; ++i)
      values[i] = kColumns[i].band ? kColumns[i].band->*r.field : std::nan("");
    print_row(r.name, values);
  }
}

int run_judge(std::span<char* const> args) {
  if (args.size() == 1 && (std::strcmp(args[0], "--help") == 0 || std::strcmp(args[0], "-h") == 0)) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (args.size() != 1 || (args[0][0] == '-' && args[0][1] != '\0')) {
    std::fputs(kUsage, stderr);
    return bwtool::kUsageError;
  }
  const fs::path dir = args[0];
  const std::vector<fs::path> paths = paintings_in(dir);
  if (paths.empty()) {
    std::fprintf(stderr, "bwtool judge: no paintings (picture-NNN.png) in \"%s\"\n",
                 dir.string().c_str());
    return 1;
  }

  std::printf("%-18s", "painting");
  for (const Column& c : kColumns) std::printf(" %9s", c.heading);
  std::printf("\n");
  std::vector<double> columns[kColumnCount];
  bw::judge::Plane previous_edges;
  std::optional<bw::judge::FixedPatternDetector> fixed;
  int other_size = 0;
  for (const fs::path& path : paths) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) {
      std::fprintf(stderr, "bwtool judge: cannot open \"%s\": %s\n", path.string().c_str(),
                   std::strerror(errno));
      return 1;
    }
    int width = 0, height = 0;
    // The measures hold some twenty floats per pixel (and the spectrum more); the image
    // limit that every reader keeps (and the saver's render too) bounds them to the
    // pixels of a 4096 x 4096 square.
    const auto image = bw::assets::decode_png_stream(file, width, height);
    std::fclose(file);
    if (!image) bw::assets::report(image.error(), "PNG image \"" + path.string() + "\"");
    if (!image || image->width < 1 || image->height < 1) {
      // The reason, if any, is said above.
      std::fprintf(stderr, "bwtool judge: \"%s\" is not a readable PNG image\n",
                   path.string().c_str());
      return 1;
    }
    bw::judge::PaintingMeasures m = bw::judge::measure_painting(*image);
    const double same = previous_edges.values.empty()
                            ? std::nan("")
                            : bw::judge::edge_map_correlation(previous_edges, m.edge_map);
    const Row row = row_of(m, same);
    for (size_t i = 0; i < kColumnCount; ++i)
      if (!std::isnan(row[i])) columns[i].push_back(row[i]);
    print_row(path.filename().string(), row);
    std::fflush(stdout);
    previous_edges = std::move(m.edge_map);
    if (!fixed) fixed.emplace(image->width, image->height);
    if (!fixed->add(*image)) ++other_size;
  }
  Row medians;
  for (size_t i = 0; i < kColumnCount; ++i) medians[i] = bw::judge::median(columns[i]);
  print_row("median", medians);
  print_bands();
  const bw::judge::FixedPattern pattern = fixed->strongest();
  std::printf("fixed pattern: %.2f grey levels, period %.1f pixels, %s bars, at x %d..%d, "
              "y %d..%d (%d paintings",
              pattern.amplitude, pattern.period, pattern.upright_bars ? "upright" : "lying",
              pattern.left, pattern.right - 1, pattern.top, pattern.bottom - 1, fixed->paintings());
  if (other_size > 0) std::printf("; %d of another size left out", other_size);
  std::printf(")\n");
  return 0;
}

const bwtool::CommandRegistration registration("judge", kHelp, &run_judge);

}  // namespace
