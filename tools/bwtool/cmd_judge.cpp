// bwtool judge: measures the paintings a "brushwright --render DIR" wrote, so that a
// picture's author can see what the eye would complain about.
#include <algorithm>
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
    "                          --render DIR\" wrote; one row each and their medians:\n"
    "      jagged    outline jaggedness, 0..1: along colour edges, sin^2 of the angle\n"
    "                between the fine (pixel) and coarse (3-pixel blur) edge orientation;\n"
    "                stair steps and texture across outlines score high, random 0.5;\n"
    "                the signature's corner is left out.\n"
    "                Aim: a third of the old pictures' median 0.22, so <= 0.07\n"
    "      autocorr  correlation of the band-passed luma with itself shifted by a third\n"
    "                of the width or height: visible tiling. Aim: <= 0.10\n"
    "      periodic  share of the band-passed luma's power in the 16 strongest points\n"
    "                that stand out of its spectrum: weave, stripes. Aim: <= 0.15\n"
    "      L*range   L* between the 5th and 95th percentiles. Aim: >= 30\n"
    "      mud       share of grey mid-values (chroma < 15, 30 <= L* <= 70) and olive\n"
    "                pixels (hue 85..125, 20 <= L* < 60). Aim: <= 0.15\n"
    "      same      correlation of the coarse edge map (128 x 80 cells) with the\n"
    "                painting before: a repeated layout. Aim: <= 0.30\n"
    "                \"-\" where a figure does not apply (no outlines; the first painting)\n";

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

void print_number(double value, int precision) {
  if (std::isnan(value)) {
    std::printf(" %9s", "-");
    return;
  }
  std::printf(" %9.*f", precision, value);
}

void print_row(const std::string& name, const double (&values)[6]) {
  std::printf("%-18s", name.c_str());
  constexpr int kPrecision[6] = {3, 3, 3, 1, 3, 3};
  for (int i = 0; i < 6; ++i) print_number(values[i], kPrecision[i]);
  std::printf("\n");
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

  std::printf("%-18s %9s %9s %9s %9s %9s %9s\n", "painting", "jagged", "autocorr", "periodic",
              "L*range", "mud", "same");
  std::vector<double> columns[6];
  bw::judge::Plane previous_edges;
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
    const auto image = bw::assets::decode_png_stream(file, path.string(), width, height);
    std::fclose(file);
    if (!image || image->width < 1 || image->height < 1) {
      // The reader has said why.
      std::fprintf(stderr, "bwtool judge: \"%s\" is not a readable PNG image\n",
                   path.string().c_str());
      return 1;
    }
    bw::judge::PaintingMeasures m = bw::judge::measure_painting(*image);
    const double same = previous_edges.values.empty()
                            ? std::nan("")
                            : bw::judge::edge_map_correlation(previous_edges, m.edge_map);
    const double row[6] = {m.jaggedness.value_or(std::nan("")), m.repetition.autocorrelation,
                           m.repetition.periodic_power, m.value_range, m.mud, same};
    for (int i = 0; i < 6; ++i)
      if (!std::isnan(row[i])) columns[i].push_back(row[i]);
    print_row(path.filename().string(), row);
    std::fflush(stdout);
    previous_edges = std::move(m.edge_map);
  }
  double medians[6];
  for (int i = 0; i < 6; ++i) medians[i] = bw::judge::median(columns[i]);
  print_row("median", medians);
  return 0;
}

const bwtool::CommandRegistration registration("judge", kHelp, &run_judge);

}  // namespace
