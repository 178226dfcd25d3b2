// The picture descriptions under data/shaders: read exactly as the engine reads them
// (first "KEY=" anywhere in the text, then a number), and checked for the slips that
// reading would hide: a misspelt or repeated key, or a key without a number, silently
// gives a default or 0.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace {

const char* const kIntegerKeys[] = {"PLANS", "BGCOLOR"};
const char* const kFloatKeys[] = {"TEX",  "DIST",  "SILHOUETTE", "BUMP0",    "BUMP1",    "BUMP2", "FLTR1",
                                  "FLTR2", "FLTRFORM", "FLTRSURF", "FLTRCOL", "BLOOR"};

struct Description {
  std::map<std::string, double> values;  // every key, with its default when absent
  std::string text;
};

Description read_description(const std::string& picture) {
  Description d;
  std::ifstream in(std::string(BW_SOURCE_DIR) + "/data/shaders/" + picture + "/" + picture + ".hdr");
  std::stringstream buffer;
  buffer << in.rdbuf();
  d.text = buffer.str();
  const std::map<std::string, double> defaults = {{"DIST", 0.2}, {"BUMP0", 0.1}, {"BGCOLOR", 1}};
  auto read = [&](const char* key, bool integer) {
    const std::string pattern = std::string(key) + "=";
    const char* at = std::strstr(d.text.c_str(), pattern.c_str());
    if (at == nullptr) {
      d.values[key] = defaults.count(key) != 0 ? defaults.at(key) : 0.0;
      return;
    }
    int i = 0;
    float f = 0;
    if (integer) {
      d.values[key] = std::sscanf(at + pattern.size(), "%d", &i) == 1 ? i : 0;
    } else {
      d.values[key] = std::sscanf(at + pattern.size(), "%f", &f) == 1 ? f : 0.0;
    }
  };
  for (const char* key : kIntegerKeys) read(key, true);
  for (const char* key : kFloatKeys) read(key, false);
  return d;
}

TEST(PictureDescriptions, EveryKeyIsKnownWrittenOnceAndHasANumber) {
  std::map<std::string, bool> known;
  for (const char* key : kIntegerKeys) known[key] = true;
  for (const char* key : kFloatKeys) known[key] = false;
  const std::regex setting("([A-Za-z0-9_]+)\\s*=\\s*(\\S*)");
  const std::regex integer("[+-]?[0-9]+");
  const std::regex number("[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)");
  for (const char* picture : {"Tamsin", "Estuary", "Orchard"}) {
    const Description d = read_description(picture);
    ASSERT_FALSE(d.text.empty()) << picture << " has no description";
    std::map<std::string, int> count;
    for (auto it = std::sregex_iterator(d.text.begin(), d.text.end(), setting); it != std::sregex_iterator(); ++it) {
      const std::string key = (*it)[1];
      const std::string value = (*it)[2];
      ++count[key];
      ASSERT_TRUE(known.count(key) != 0) << picture << ": unknown key \"" << key << "\"";
      EXPECT_EQ(it->str(), key + "=" + value) << picture << ": no spaces before or after the sign in \"" << it->str() << "\"";
      EXPECT_TRUE(std::regex_match(value, known.at(key) ? integer : number))
          << picture << ": \"" << key << "\" needs a plain number, not \"" << value << "\"";
    }
    for (const auto& [key, n] : count) EXPECT_EQ(n, 1) << picture << ": " << key << " is written " << n << " times";
  }
}

// The three pictures between them take every road of the engine: colour images or the
// palette for the plans, one plan (with a background colour) or several, and every
// filter and relief strength.
TEST(PictureDescriptions, ThePicturesCoverEveryRoadOfTheEngine) {
  struct Expect {
    const char* picture;
    int plans;
    int bgcolor;
    std::vector<const char*> nonzero;
  };
  const Expect cases[] = {
      {"Tamsin", 3, 1, {"SILHOUETTE", "FLTR1", "BUMP0", "TEX"}},
      {"Estuary", 1, 2, {"BUMP0", "TEX"}},
      {"Orchard", 5, 3, {"FLTR2", "FLTRFORM", "FLTRSURF", "BUMP1", "BUMP2", "BLOOR", "BUMP0"}},
  };
  for (const Expect& e : cases) {
    const Description d = read_description(e.picture);
    EXPECT_EQ(d.values.at("PLANS"), e.plans) << e.picture;
    EXPECT_EQ(d.values.at("BGCOLOR"), e.bgcolor) << e.picture;
    for (const char* key : e.nonzero) EXPECT_NE(d.values.at(key), 0.0) << e.picture << ": " << key;
  }
}

}  // namespace
