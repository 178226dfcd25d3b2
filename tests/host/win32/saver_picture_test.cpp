// The picture a Windows saver run paints, settled from the stored choice among the
// pictures installed, and the key that holds its Speed and Delay.
#include "host/win32/saver_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace bw::host {
namespace {

const std::vector<std::string> kInstalled = {"Estuary", "Orchard", "Tamsin"};

TEST(SaverPicture, ChoiceSettledAmongTheInstalledPictures) {
  struct Case {
    const char* choice;
    std::vector<std::string> installed;
    const char* picture;  // null: any of the installed
    bool random;
    bool noted;
  };
  const Case cases[] = {
      {"Orchard", kInstalled, "Orchard", false, false},
      {"Tamsin", kInstalled, "Tamsin", false, false},
      {"random", kInstalled, nullptr, true, false},
      {"RANDOM", kInstalled, nullptr, true, false},
      {"orchard", kInstalled, "Tamsin", false, true},  // names are exact
      {"Nonesuch", kInstalled, "Tamsin", false, true},
      {"", kInstalled, "Tamsin", false, true},
      // Without a list the start says what is missing: the choice stands.
      {"Orchard", {}, "Orchard", false, false},
      {"random", {}, "Tamsin", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.choice);
    const PictureChoice settled = settle_picture_choice(c.choice, c.installed, 7);
    if (c.picture != nullptr) {
      EXPECT_EQ(settled.picture, c.picture);
    } else {
      EXPECT_NE(std::find(kInstalled.begin(), kInstalled.end(), settled.picture),
                kInstalled.end());
    }
    EXPECT_EQ(settled.choices, c.random ? c.installed : std::vector<std::string>{});
    EXPECT_EQ(settled.note.empty(), !c.noted) << settled.note;
  }
  // The note names the choice and what there is.
  EXPECT_EQ(settle_picture_choice("Nonesuch", kInstalled, 7).note,
            "the picture chosen in the settings is not installed: there is no picture "
            "\"Nonesuch\"; the pictures are Estuary, Orchard, Tamsin (or random); Tamsin is "
            "painted");
}

// A random choice's first picture follows its seed: over a few seeds every picture comes.
TEST(SaverPicture, RandomFirstPictureFollowsTheSeed) {
  std::set<std::string> seen;
  for (uint32_t seed = 0; seed < 40; ++seed) {
    const PictureChoice settled = settle_picture_choice("random", kInstalled, seed);
    EXPECT_EQ(settled.picture, settle_picture_choice("random", kInstalled, seed).picture);
    seen.insert(settled.picture);
  }
  EXPECT_EQ(seen.size(), kInstalled.size());
}

TEST(SaverPicture, SpeedAndDelayKeys) {
  EXPECT_EQ(settings_key_of("Orchard"), "Orchard");
  EXPECT_EQ(settings_key_of("random"), "Random");
  EXPECT_EQ(settings_key_of("Random"), "Random");
  EXPECT_TRUE(is_random_choice("rAnDoM"));
  EXPECT_FALSE(is_random_choice("randomly"));
  EXPECT_FALSE(is_random_choice(""));
}

}  // namespace
}  // namespace bw::host
