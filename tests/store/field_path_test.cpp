// Field-path texts: the numeric and name forms, their limits, and printing back.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "store/field_path.h"

namespace bw::store {
namespace {

FieldPath path_of(std::initializer_list<PathLevel> levels) {
  FieldPath path;
  for (const PathLevel& level : levels) path.push(level);
  return path;
}

TEST(FieldPathText, NumericFormParsesAndPrintsBack) {
  struct Case { const char* text; FieldPath path; const char* printed; };
  const Case cases[] = {
      {"^2", path_of({{2, 0}}), "^2"},
      {"^3.1", path_of({{3, 0}, {1, 0}}), "^3.1"},
      {"^2[3]", path_of({{2, 3}}), "^2[3]"},
      {"^2[X]", path_of({{2, -1}}), "^2[X]"},
      {"^x[x].4", path_of({{-1, -1}, {4, 0}}), "^X[X].4"},
      {"^10.20[0].30", path_of({{10, 0}, {20, 0}, {30, 0}}), "^10.20.30"},
      {"^007", path_of({{7, 0}}), "^7"},
      {"^2,5[1]", path_of({{2, 1}}), "^2[1]"},  // a "," and number after a level are skipped
  };
  for (const Case& c : cases) {
    FieldPath path;
    ASSERT_TRUE(parse_field_path(c.text, path)) << c.text;
    EXPECT_EQ(path, c.path) << c.text;
    EXPECT_EQ(format_field_path(path), c.printed) << c.text;
  }
}

TEST(FieldPathText, InvalidTextsAreRefused) {
  const char* texts[] = {"",      "2",      "^",         "^.2",    "^2.",  "^2[",
                         "^2[3",  "^2[]",   "^2[-1]",    "^2..3",  "^2]",  "^2x",
                         "^2 ",   "^99999999999",        "^2[99999999999]",
                         "^Name", "^X.Name"};
  for (const char* text : texts) {
    FieldPath path = FieldPath::of(9);
    EXPECT_FALSE(parse_field_path(text, path)) << '"' << text << '"';
    EXPECT_TRUE(path.empty()) << text;
  }
}

TEST(FieldPathText, NumericFormHoldsFifteenLevels) {
  std::string text = "^1";
  for (int i = 2; i <= 15; ++i) text += "." + std::to_string(i);
  FieldPath path;
  ASSERT_TRUE(parse_field_path(text, path));
  EXPECT_EQ(path.count, 15);
  EXPECT_EQ(path[14].field, 15);
  EXPECT_EQ(format_field_path(path), text);
  EXPECT_FALSE(parse_field_path(text + ".16", path));
}

TEST(FieldPathText, PrefixStopsWhereAnExpressionGoesOn) {
  struct Case { const char* text; int used; };
  const Case cases[] = {{"^2*3", 2}, {"^2[X]+1", 5}, {"^3.1)", 4}, {"^2/^3", 2}, {"^2]", 2}};
  for (const Case& c : cases) {
    FieldPath path;
    EXPECT_EQ(parse_field_path_prefix(c.text, path), c.used) << c.text;
    EXPECT_FALSE(path.empty()) << c.text;
  }
  FieldPath path;
  EXPECT_EQ(parse_field_path_prefix("3*^2", path), -1);
}

// Top level: 1 "Name", 2 "Pair" (a group of "Left" and "Right"), 3 "X"; table handles
// are 0 for the top level and 1 for the group.
class TwoTables : public FieldNameTable {
 public:
  int top_table() const override { return 0; }
  int find_field(int table, std::string_view name, int& sub_table) const override {
    sub_table = -1;
    const std::vector<std::string>& names = table == 0 ? top_ : pair_;
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] != name) continue;
      if (table == 0 && i == 1) sub_table = 1;
      return static_cast<int>(i) + 1;
    }
    return 0;
  }

 private:
  std::vector<std::string> top_ = {"Name", "Pair", "Xpos"};
  std::vector<std::string> pair_ = {"Left", "Right"};
};

TEST(FieldPathText, NameFormLooksUpEachLevel) {
  TwoTables names;
  struct Case { const char* text; FieldPath path; };
  const Case cases[] = {
      {"^Name", path_of({{1, 0}})},
      {"^Pair.Right", path_of({{2, 0}, {2, 0}})},
      {"^Pair[2].Left", path_of({{2, 2}, {1, 0}})},
      {"^Xpos", path_of({{3, 0}})},
      {"^2.1", path_of({{2, 0}, {1, 0}})},  // numbers stay numbers with a table at hand
  };
  for (const Case& c : cases) {
    FieldPath path;
    ASSERT_TRUE(parse_field_path(c.text, path, &names)) << c.text;
    EXPECT_EQ(path, c.path) << c.text;
  }
  for (const char* text : {"^name", "^Name.Left", "^Pair.Name", "^Pair.", "^Pair..Left"}) {
    FieldPath path;
    EXPECT_FALSE(parse_field_path(text, path, &names)) << text;
  }
}

// One group "G" that contains itself, to nest names as deep as wanted.
class SelfNested : public FieldNameTable {
 public:
  int top_table() const override { return 0; }
  int find_field(int table, std::string_view name, int& sub_table) const override {
    sub_table = table;
    return name == "G" ? 1 : 0;
  }
};

TEST(FieldPathText, NameFormHoldsSixteenLevels) {
  SelfNested names;
  std::string text = "^G";
  for (int i = 2; i <= 16; ++i) text += ".G";
  FieldPath path;
  ASSERT_TRUE(parse_field_path(text, path, &names));
  EXPECT_EQ(path.count, 16);
  EXPECT_FALSE(parse_field_path(text + ".G", path, &names));
}

TEST(FieldPath, BelowDropsLeadingLevels) {
  FieldPath path = path_of({{1, 0}, {2, 3}, {4, 0}});
  EXPECT_EQ(path.below(1), path_of({{2, 3}, {4, 0}}));
  EXPECT_TRUE(path.below(3).empty());
  EXPECT_TRUE(path.below(7).empty());
  FieldPath full;
  for (int i = 0; i < kMaxPathLevels; ++i) EXPECT_TRUE(full.push({i, 0}));
  EXPECT_FALSE(full.push({99, 0}));
}

}  // namespace
}  // namespace bw::store
