// The description reader: defaults, the key search, malformed and hostile numbers.
#include <gtest/gtest.h>

#include <string>

#include "painter/description.h"

namespace bw::painter {
namespace {

TEST(Description, OnlyPlansGivesEveryOtherDefault) {
  PictureDescription d = parse_picture_description("PLANS=2\n", "P");
  EXPECT_EQ(d.name, "P");
  EXPECT_EQ(d.plans, 2);
  EXPECT_EQ(d.bgcolor, 1);
  EXPECT_FLOAT_EQ(d.dist, 0.2f);
  EXPECT_FLOAT_EQ(d.bump0, 0.1f);
  for (float value : {d.tex, d.bloor, d.fltr1, d.fltr2, d.fltrform, d.fltrsurf, d.fltrcol,
                      d.silhouette, d.bump1, d.bump2}) {
    EXPECT_EQ(value, 0.0f);
  }
}

TEST(Description, EveryKeyIsRead) {
  PictureDescription d = parse_picture_description(
      "PLANS=3 TEX=0.5 DIST=0.25 SILHOUETTE=1.5 BUMP0=0.3 BUMP1=0.4 BUMP2=0.6\n"
      "FLTR1=1 FLTR2=2 FLTRFORM=3 FLTRSURF=4 FLTRCOL=5 BLOOR=6 BGCOLOR=2",
      "P");
  EXPECT_EQ(d.plans, 3);
  EXPECT_EQ(d.bgcolor, 2);
  const float got[] = {d.tex,   d.dist,  d.silhouette, d.bump0,    d.bump1,    d.bump2, d.fltr1,
                       d.fltr2, d.fltrform, d.fltrsurf, d.fltrcol, d.bloor};
  const float want[] = {0.5f, 0.25f, 1.5f, 0.3f, 0.4f, 0.6f, 1, 2, 3, 4, 5, 6};
  for (int i = 0; i < 12; ++i) EXPECT_FLOAT_EQ(got[i], want[i]) << "key " << i;
}

TEST(Description, EdgeCases) {
  struct Case {
    const char* what;
    std::string text;
    int plans;
    int bgcolor;
    float bump0;
    float tex;
  };
  using namespace std::string_literals;
  const Case cases[] = {
      {"more than five plans", "PLANS=7", 5, 1, 0.1f, 0},
      {"a key without its number keeps 0", "BUMP0= x PLANS=1", 1, 1, 0.0f, 0},
      {"a key at the very end keeps 0", "PLANS=1 BUMP0=", 1, 1, 0.0f, 0},
      {"lower case is not a key", "plans=3 bump0=0.5 bgcolor=2", 1, 1, 0.1f, 0},
      {"no plans at all: one plan", "TEX=1", 1, 1, 0.1f, 1},
      {"zero plans: one plan", "PLANS=0", 1, 1, 0.1f, 0},
      {"negative plans: one plan", "PLANS=-4", 1, 1, 0.1f, 0},
      {"a huge count saturates", "PLANS=999999999999999999999", 5, 1, 0.1f, 0},
      {"white space after the sign", "PLANS=\n\t 2 BGCOLOR=  +4", 2, 4, 0.1f, 0},
      {"first occurrence wins", "TEX=1 TEX=2 PLANS=1", 1, 1, 0.1f, 1},
      {"a space before '=' hides the key", "BGCOLOR =2", 1, 1, 0.1f, 0},
      {"the text ends at a NUL", "PLANS=2\0BGCOLOR=2"s, 2, 1, 0.1f, 0},
      {"not-a-number is no number", "TEX=nan BUMP0=inf", 1, 1, 0.0f, 0},
      {"an overflowing float is no number", "TEX=1e999", 1, 1, 0.1f, 0},
      {"negative and exponent forms", "TEX=-2.5e-1 PLANS=1", 1, 1, 0.1f, -0.25f},
      {"keys inside other words are found", "XPLANS=3", 3, 1, 0.1f, 0},
  };
  for (const Case& c : cases) {
    PictureDescription d = parse_picture_description(c.text, "P");
    EXPECT_EQ(d.plans, c.plans) << c.what;
    EXPECT_EQ(d.bgcolor, c.bgcolor) << c.what;
    EXPECT_FLOAT_EQ(d.bump0, c.bump0) << c.what;
    EXPECT_FLOAT_EQ(d.tex, c.tex) << c.what;
  }
}

TEST(Description, FetchedByPathAndMissingReported) {
  std::string asked;
  AssetFetcher fetch = [&](const std::string& path) -> std::optional<std::vector<std::uint8_t>> {
    asked = path;
    if (path != "data/shaders/Rose/Rose.hdr") return std::nullopt;
    std::string text = "PLANS=4";
    return std::vector<std::uint8_t>(text.begin(), text.end());
  };
  auto rose = fetch_picture_description(fetch, "Rose");
  ASSERT_TRUE(rose);
  EXPECT_EQ(rose->plans, 4);
  EXPECT_EQ(rose->name, "Rose");

  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(fetch_picture_description(fetch, "Lily"));
  std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(asked, "data/shaders/Lily/Lily.hdr");
  EXPECT_EQ(message, "cannot read the picture description \"data/shaders/Lily/Lily.hdr\"\n");
}

}  // namespace
}  // namespace bw::painter
