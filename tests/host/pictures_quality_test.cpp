// Every shipped picture, painted three times at 640 x 400 and measured by the picture
// judge against the aims for paintings: smooth outlines, no visible repetition, a full
// value range, little mud, and no layout shared by consecutive paintings. At this size
// the judge's figures are within a few hundredths of those at 1280 x 800.
//
// A picture that misses an aim today is listed in kShortfalls with the figure it had;
// its check is skipped (the test reports which) until the picture is reworked, and the
// entry goes when it passes. Every other picture, a new one included, is checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <sstream>

#include "assets/png_reader.h"
#include "judge/measures.h"
#include "program_runner.h"

namespace bw::host {
namespace {
namespace fs = std::filesystem;

constexpr int kPaintings = 3;
constexpr const char* kSize = "640x400";
constexpr const char* kSeed = "7";

// The aims. Jaggedness: a third of the old pictures' median at this size (0.25).
constexpr double kMaxJaggedness = 0.085;
constexpr double kMaxAutocorrelation = 0.10;
constexpr double kMaxPeriodicPower = 0.15;
constexpr double kMinValueRange = 30;
constexpr double kMaxMud = 0.15;
constexpr double kMaxSameness = 0.30;

// Pictures that miss an aim today (seed 7, 640 x 400): measure, picture, the figure.
struct Shortfall {
  const char* measure;
  const char* picture;
  double today;
};
// None today: every shipped picture meets every aim. An entry reads
// {"jaggedness", "Name", 0.092}.
constexpr std::array<Shortfall, 0> kShortfalls{};

struct Judged {
  std::vector<judge::PaintingMeasures> paintings;
  std::vector<double> sameness;  // painting k against painting k - 1, k >= 1
};

// The pictures the saver lists, each rendered and judged once for every test here.
const std::map<std::string, Judged>& judged_pictures() {
  static const std::map<std::string, Judged> pictures = [] {
    std::map<std::string, Judged> result;
    const fs::path root = fs::path(BW_TEST_TMPDIR) / "quality";
    fs::remove_all(root);
    fs::create_directories(root);
    auto run = [&](const std::vector<std::string>& args, std::string& out) {
      auto child = testing::start_saver(args, root.string());
      const int status = testing::wait_for(child, 600);
      if (status < 0) testing::kill_child(child);
      out = testing::slurp(child.out_file);
      if (status != 0) ADD_FAILURE() << "brushwright failed: " << testing::slurp(child.err_file);
      return status == 0;
    };
    std::string listing;
    if (!run({"--list-pictures"}, listing)) return result;
    std::istringstream names(listing);
    for (std::string picture; std::getline(names, picture);) {
      const fs::path dir = root / picture;
      std::string out;
      if (!run({"--render", dir.string(), "--pictures", std::to_string(kPaintings), "--size",
                kSize, "--seed", kSeed, "--picture", picture},
               out))
        continue;
      Judged& judged = result[picture];
      for (int n = 1; n <= kPaintings; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "picture-%03d.png", n);
        int width = 0, height = 0;
        const auto image = assets::load_png((dir / name).string(), "", width, height);
        if (!image) {
          ADD_FAILURE() << picture << ": cannot read " << name;
          break;
        }
        judged.paintings.push_back(judge::measure_painting(*image));
        if (n > 1)
          judged.sameness.push_back(judge::edge_map_correlation(
              judged.paintings[n - 2].edge_map, judged.paintings[n - 1].edge_map));
      }
    }
    return result;
  }();
  return pictures;
}

// Checks `measure` of every picture with `check` (which adds its own failures), except
// the known shortfalls, which it names in a skip at the end.
void check_every_picture(const char* measure,
                         const std::function<void(const std::string&, const Judged&)>& check) {
  const auto& pictures = judged_pictures();
  ASSERT_FALSE(pictures.empty());
  std::string checked, skipped;
  for (const auto& [picture, judged] : pictures) {
    ASSERT_EQ(judged.paintings.size(), static_cast<size_t>(kPaintings)) << picture;
    const auto known = std::find_if(std::begin(kShortfalls), std::end(kShortfalls),
                                    [&](const Shortfall& s) {
                                      return measure == std::string(s.measure) &&
                                             picture == s.picture;
                                    });
    if (known != std::end(kShortfalls)) {
      char today[32];
      std::snprintf(today, sizeof today, "%g", known->today);
      skipped += " " + picture + " (" + today + ")";
      continue;
    }
    check(picture, judged);
    checked += " " + picture;
  }
  if (!skipped.empty())
    GTEST_SKIP() << measure << " checked in:" << (checked.empty() ? " none" : checked)
                 << "; not yet up to its aim in:" << skipped;
}

double median_of(const Judged& judged, double (*value)(const judge::PaintingMeasures&)) {
  std::vector<double> values;
  for (const auto& m : judged.paintings) values.push_back(value(m));
  return judge::median(values);
}

TEST(PictureQuality, OutlinesAreSmooth) {
  check_every_picture("jaggedness", [](const std::string& picture, const Judged& judged) {
    for (const auto& m : judged.paintings) ASSERT_TRUE(m.jaggedness) << picture << " has no outlines";
    EXPECT_LE(median_of(judged, [](const auto& m) { return *m.jaggedness; }), kMaxJaggedness)
        << picture;
  });
}

TEST(PictureQuality, NoVisibleRepetition) {
  check_every_picture("autocorrelation", [](const std::string& picture, const Judged& judged) {
    EXPECT_LE(median_of(judged, [](const auto& m) { return m.repetition.autocorrelation; }),
              kMaxAutocorrelation)
        << picture;
  });
}

TEST(PictureQuality, NoPeriodicTexture) {
  check_every_picture("periodic power", [](const std::string& picture, const Judged& judged) {
    EXPECT_LE(median_of(judged, [](const auto& m) { return m.repetition.periodic_power; }),
              kMaxPeriodicPower)
        << picture;
  });
}

TEST(PictureQuality, EveryPaintingHasAFullValueRange) {
  check_every_picture("value range", [](const std::string& picture, const Judged& judged) {
    for (size_t k = 0; k < judged.paintings.size(); ++k)
      EXPECT_GE(judged.paintings[k].value_range, kMinValueRange) << picture << " painting " << k + 1;
  });
}

TEST(PictureQuality, LittleMud) {
  check_every_picture("mud", [](const std::string& picture, const Judged& judged) {
    EXPECT_LE(median_of(judged, [](const auto& m) { return m.mud; }), kMaxMud) << picture;
  });
}

TEST(PictureQuality, ConsecutivePaintingsShareNoLayout) {
  check_every_picture("sameness", [](const std::string& picture, const Judged& judged) {
    for (size_t k = 0; k < judged.sameness.size(); ++k)
      EXPECT_LE(judged.sameness[k], kMaxSameness) << picture << " paintings " << k + 1 << ", " << k + 2;
  });
}

}  // namespace
}  // namespace bw::host
