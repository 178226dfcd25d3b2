// The picture descriptions under data/shaders: read exactly as the engine reads them
// (first "KEY=" anywhere in the text, then a number), and checked for the slips that
// reading would hide: a misspelt or repeated key, or a key without a number, silently
// gives a default or 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

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

struct Setting {
  std::string key;      // the word before an equals sign
  std::string spacing;  // what stands between the word and the sign, and after the sign
  std::string value;    // the word after the sign
};

// Every "word = value" of the text, however it is spaced.
std::vector<Setting> settings_of(const std::string& text) {
  auto is_word = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_'; };
  auto is_space = [](char c) { return c == ' ' || c == '\t'; };
  std::vector<Setting> found;
  for (std::size_t at = text.find('='); at != std::string::npos; at = text.find('=', at + 1)) {
    Setting s;
    std::size_t k = at;
    while (k > 0 && is_space(text[k - 1])) s.spacing += text[--k];
    std::size_t key_end = k;
    while (k > 0 && is_word(text[k - 1])) --k;
    s.key = text.substr(k, key_end - k);
    std::size_t v = at + 1;
    while (v < text.size() && is_space(text[v])) s.spacing += text[v++];
    std::size_t value_end = v;
    while (value_end < text.size() && !std::isspace(static_cast<unsigned char>(text[value_end]))) ++value_end;
    s.value = text.substr(v, value_end - v);
    found.push_back(s);
  }
  return found;
}

bool plain_number(const std::string& text, bool integer) {
  if (text.empty()) return false;
  char* end = nullptr;
  if (integer) {
    (void)std::strtol(text.c_str(), &end, 10);
  } else {
    if (text.find_first_of("xXeEnN") != std::string::npos) return false;  // no hex, exponents, inf or nan
    (void)std::strtod(text.c_str(), &end);
  }
  return end == text.c_str() + text.size();
}

// The shipped pictures: BW_PICTURES of data/CMakeLists.txt, the one list of them.
std::vector<std::string> shipped_pictures() {
  std::ifstream in(std::string(BW_SOURCE_DIR) + "/data/CMakeLists.txt");
  std::string line;
  std::vector<std::string> names;
  while (std::getline(in, line)) {
    if (line.rfind("set(BW_PICTURES ", 0) != 0) continue;
    std::istringstream words(line.substr(16, line.find(')') - 16));
    for (std::string name; words >> name;) names.push_back(name);
  }
  return names;
}

// Every folder of data/shaders is a shipped picture, and every shipped picture has its
// folder and description, so no picture is left out of the build or the tests.
TEST(PictureDescriptions, TheFoldersAreTheShippedPictures) {
  std::vector<std::string> folders;
  for (const auto& entry : std::filesystem::directory_iterator(std::string(BW_SOURCE_DIR) + "/data/shaders")) {
    if (entry.is_directory()) folders.push_back(entry.path().filename().string());
  }
  std::vector<std::string> shipped = shipped_pictures();
  std::sort(folders.begin(), folders.end());
  std::sort(shipped.begin(), shipped.end());
  EXPECT_GE(shipped.size(), 5u);
  EXPECT_EQ(folders, shipped);
}

TEST(PictureDescriptions, EveryKeyIsKnownWrittenOnceAndHasANumber) {
  std::map<std::string, bool> known;
  for (const char* key : kIntegerKeys) known[key] = true;
  for (const char* key : kFloatKeys) known[key] = false;
  for (const std::string& name : shipped_pictures()) {
    const char* picture = name.c_str();
    const Description d = read_description(picture);
    ASSERT_FALSE(d.text.empty()) << picture << " has no description";
    std::map<std::string, int> count;
    for (const Setting& s : settings_of(d.text)) {
      ++count[s.key];
      ASSERT_TRUE(known.count(s.key) != 0) << picture << ": unknown key \"" << s.key << "\"";
      EXPECT_TRUE(s.spacing.empty()) << picture << ": no spaces around the sign of " << s.key;
      EXPECT_TRUE(plain_number(s.value, known.at(s.key)))
          << picture << ": \"" << s.key << "\" needs a plain number, not \"" << s.value << "\"";
    }
    for (const auto& [key, n] : count) EXPECT_EQ(n, 1) << picture << ": " << key << " is written " << n << " times";
  }
}

// The first three pictures between them take every road of the engine: colour images or the
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
