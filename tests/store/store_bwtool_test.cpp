// bwtool store info|count|read|find: exact outputs and exit statuses.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "fixture_stores.h"
#include "store/expression.h"
#include "store/store_links.h"

namespace bw::store {
namespace {

using fixture::field;

struct ToolRun {
  int status;
  std::string out;
};

ToolRun bwtool(const std::string& args) {
  const std::string command = std::string(BW_BWTOOL) + " " + args + " 2>/dev/null";
  ToolRun run{-1, {}};
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class StoreTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fixture::fresh_dir("tool_store");
    std::vector<uint8_t> blob = {'a', 0, 'b', '\n'};
    fixture::build(
        dir_,
        {field("Path", FieldType::fixed_text, 6), field("Data", FieldType::binary, 4),
         field("Pair", FieldType::group, 3, 0,
               {field("A", FieldType::signed_integer, 2, 1), field("B", FieldType::fixed_text, 1)}),
         field("Nums", FieldType::signed_integer, 2, 0x20),
         field("Side", FieldType::fixed_text, 2, kFlagOwnBank)},
        {{WriterValue::of_text("a/b.fx"), WriterValue::of_bytes(blob),
          WriterValue::of_members({WriterValue::of_integer(25, 2), WriterValue::of_text("z")}),
          WriterValue::of_elements({{4, 0}, {5, 0}}), WriterValue::of_text("s1")},
         {WriterValue::of_text("c.fx"), WriterValue{}, WriterValue{}, WriterValue::of_elements({}),
          WriterValue::of_text("s2")}});
  }
  std::string dir_;
};

TEST_F(StoreTool, Info) {
  const ToolRun run = bwtool("store info " + dir_);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "encoding native (magic 0xE15ACE75)\n"
            "fields 5\n"
            "field 1 \"Path\" type 1 flags 0x00 size 6 offset 8\n"
            "field 2 \"Data\" type 12 flags 0x00 size 4 offset 14\n"
            "field 3 \"Pair\" type 10 flags 0x00 size 3 offset 18\n"
            "field 3.1 \"A\" type 6 flags 0x01 size 2 offset 0\n"
            "field 3.2 \"B\" type 1 flags 0x00 size 1 offset 2\n"
            "field 4 \"Nums\" type 6 flags 0x20 size 2 offset 21\n"
            "field 5 \"Side\" type 1 flags 0x10 size 2 bank Bank.5\n"
            "record size 25\n"
            "records 2\n");
}

TEST_F(StoreTool, CountAndRead) {
  EXPECT_EQ(bwtool("store count " + dir_).out, "2\n");
  struct Case {
    const char* args;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"1 ^2", std::string("4\na\0b\n", 6)},  // bytes exactly, no newline added
      {"1 ^3", "7\n{2.5;z}"},
      {"1 ^3.2", "1\nz"},
      {"1 ^4[X]", "2\n9."},
      {"1 ^4[2]", "1\n5"},
      {"2 ^2", "0\n"},
      {"3 ^1", "-1\n"},
      {"1 ^Pair.A", "3\n2.5"},  // the name form
      {"2 ^5", "2\ns2"},
  };
  for (const auto& c : cases) {
    const ToolRun run = bwtool("store read " + dir_ + " " + c.args);
    EXPECT_EQ(run.status, 0) << c.args;
    EXPECT_EQ(run.out, c.out) << c.args;
  }
}

TEST_F(StoreTool, Failures) {
  struct Case {
    std::string args;
    int status;
  };
  const std::vector<Case> cases = {
      {"store count " + dir_ + "/missing", 1},
      {"store info", 2},
      {"store read " + dir_ + " 0 ^1", 2},
      {"store read " + dir_ + " x ^1", 2},
      {"store read " + dir_ + " 1 2", 2},
      {"store read " + dir_ + " 1 ^Nope", 2},
  };
  for (const auto& c : cases) {
    const ToolRun run = bwtool(c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_EQ(run.out, "") << c.args;
  }
}

// Paths through links (to a second store, and the double hop of a position link) and
// expression fields print what the engine's linked read gives, not the link's bytes.
TEST(StoreToolLinks, ReadAndFindFollowLinks) {
  WriterOptions options;
  options.tree_fields = {2, 3};
  fixture::Linked l = fixture::linked_stores("tool_links", options);
  ASSERT_NE(l.a, nullptr);
  const std::string a = l.parent + "/A";
  StoreLinks links;
  struct Case {
    int record;
    const char* path;
    const char* text;  // what the value starts with
  } cases[] = {
      {1, "^2.1", "b2"},  {1, "^2.2", "20"}, {1, "^2", "#2"},         {3, "^2.1", ""},
      {1, "^3.1", "C"},   {1, "^3.2", "200"}, {2, "^3.2", ""},          {1, "^4", "34.000000"},
      {1, "^B", "#2"},
  };
  for (const auto& c : cases) {
    FieldPath path;
    ASSERT_TRUE(parse_field_path(c.path, path, l.a.get())) << c.path;
    std::string want;
    const int length = read_field_linked(*l.a, links, c.record, path, want);
    const ToolRun run = bwtool("store read " + a + " " + std::to_string(c.record) + " " + c.path);
    EXPECT_EQ(run.status, 0) << c.path;
    EXPECT_EQ(run.out, std::to_string(length) + "\n" + want) << c.path << " @" << c.record;
    EXPECT_EQ(std::string(run.out.substr(run.out.find('\n') + 1).c_str()), c.text) << c.path;
  }
  // A lookup through a link searches the link field's own index by record number.
  EXPECT_EQ(bwtool("store find " + a + " ^2.1 '#2'").out, "1\n");
  EXPECT_EQ(bwtool("store find " + a + " ^3.2 1").out, "2\n");
  EXPECT_EQ(bwtool("store find " + a + " ^2.1 '#7'").out, "-1\n");
}

// store find prints the lookup's outcome as one number: the record, 0 for a field without
// an index, -1 for no match, -2 for a damaged index.
TEST(StoreToolFind, PrintsEachOutcomeAsItsNumber) {
  const std::string dir = fixture::fresh_dir("tool_find_outcomes");
  WriterOptions options;
  options.tree_fields = {2};
  auto store = fixture::build(
      dir,
      {field("Name", FieldType::fixed_text, 4), field("Indexed", FieldType::signed_integer, 4),
       field("Plain", FieldType::signed_integer, 4)},
      {{WriterValue::of_text("a"), WriterValue::of_integer(10, 4), WriterValue::of_integer(1, 4)},
       {WriterValue::of_text("b"), WriterValue::of_integer(20, 4), WriterValue::of_integer(2, 4)}},
      options);
  ASSERT_NE(store, nullptr);
  store.reset();
  struct Case {
    const char* args;
    const char* out;
  } cases[] = {
      {" ^2 20", "2\n"}, {" ^2 15", "-1\n"}, {" ^2 15 --mode 2", "2\n"}, {" ^3 2", "0\n"},
  };
  for (const auto& c : cases) {
    const ToolRun run = bwtool("store find " + dir + c.args);
    EXPECT_EQ(run.status, 0) << c.args;
    EXPECT_EQ(run.out, c.out) << c.args;
  }
  // The index's root entry names a node far past the file.
  fixture::patch(dir + "/Tree.2", 0, fixture::le32(5));
  fixture::patch(dir + "/Tree.2", 4, fixture::le32(4000));
  EXPECT_EQ(bwtool("store find " + dir + " ^2 20").out, "-2\n");
}

// In the legacy family an expression field is evaluated even with nothing below it in the
// path, as the engine reads it: the tool prints that value, never -1.
TEST(StoreToolLinks, LegacyExpressionFieldsPrintTheirValue) {
  WriterOptions legacy;
  legacy.encoding = WriterEncoding::legacy;
  const std::string a = fixture::fresh_dir("tool_legacy_expression") + "/A";
  auto store = fixture::build(
      a, {field("Name", FieldType::fixed_text, 8), field("Count", FieldType::signed_integer, 4),
          field("Formula", FieldType::expression, 4)},
      {{WriterValue::of_text("a1"), WriterValue::of_integer(7, 4), WriterValue::of_integer(1, 4)},
       {WriterValue::of_text("a2"), WriterValue::of_integer(8, 4), WriterValue::of_integer(2, 4)},
       {WriterValue::of_text("a3"), WriterValue::of_integer(9, 4), WriterValue::of_integer(9, 4)}},
      legacy);
  ASSERT_NE(store, nullptr);
  ASSERT_TRUE(store->legacy_family());
  fixture::build(a + "/_Expression", {field("Text", FieldType::text, 4)},
                 {{WriterValue::of_text("^Count*2+1")}, {WriterValue::of_text("(1+")}});
  StoreLinks links;
  struct Case {
    int record;
    const char* out;
  } cases[] = {
      {1, "9\n15.000000"},  // "^Count*2+1": 7 * 2 + 1
      {2, "8\n0.000000"},   // "(1+": unbalanced
      {3, "-1\n"},          // no expression record 9
  };
  for (const auto& c : cases) {
    std::string want;
    const int length = read_field_linked(*store, links, c.record, FieldPath::of(3), want);
    EXPECT_EQ(std::to_string(length) + "\n" + want, c.out) << c.record;
    EXPECT_EQ(bwtool("store read " + a + " " + std::to_string(c.record) + " ^3").out, c.out)
        << c.record;
  }
  EXPECT_EQ(evaluate(*store, 1, "^Count*2+1", &links), 15);
}

}  // namespace
}  // namespace bw::store
