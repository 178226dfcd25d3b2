#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "fixture_stores.h"
#include "store/expression.h"
#include "store/store_links.h"

namespace bw::store {
namespace {

using fixture::field;
namespace fs = std::filesystem;

using fixture::Linked;
using fixture::linked_stores;

TEST(LinkedRead, LinksExpressionsAndMisses) {
  Linked l = linked_stores("linked");
  ASSERT_NE(l.a, nullptr);
  StoreLinks links;
  struct Case {
    int record;
    const char* path;
    int result;
    const char* text;
  } cases[] = {
      {1, "^2.1", 8, "b2"},          // type 4: record 2 of B ("b2" padded to 8)
      {1, "^2.2", 2, "20"},
      {1, "^2", 2, "#2"},            // the link itself, not followed
      {2, "^2.1", 0, ""},            // link value 0
      {3, "^2.1", -1, ""},           // past the end of B
      {1, "^3.1", 8, "C"},           // type 5, field 1: record 3 of B
      {1, "^3.2", 3, "200"},         // type 5 otherwise: B record 3 names store C, record 2
      {2, "^3.2", -1, ""},           // ... B record 1 names "b1", which is no store
      {1, "^4", 9, "34.000000"},     // expression record 1: 7 * 2 + 20
      {2, "^4", 8, "0.000000"},      // "(1+": unbalanced
      {3, "^4", -1, ""},             // no expression record 9
  };
  for (const auto& c : cases) {
    FieldPath path;
    ASSERT_TRUE(parse_field_path(c.path, path)) << c.path;
    std::string text;
    const int got = read_field_linked(*l.a, links, c.record, path, text);
    EXPECT_EQ(got, c.result) << c.path << " @" << c.record;
    EXPECT_EQ(std::string(text.c_str()), c.text) << c.path << " @" << c.record;
  }
  // Evaluation reads through links too.
  EXPECT_EQ(evaluate(*l.a, 1, "^2.2+^3.2", &links), 220);
  // A's list holds B and _Expression, most recently used first; C is in B's own list.
  EXPECT_EQ(links.paths(), (std::vector<std::string>{l.parent + "/B", l.parent + "/A/_Expression"}));
}

TEST(LinkedRead, ComplexValuesThroughTheSubStore) {
  const std::string dir = fixture::fresh_dir("complex") + "/X";
  std::vector<WriterRecord> records(4, WriterRecord{WriterValue::of_text("r")});
  auto store = fixture::build(dir, {field("Name", kTypeFixedText, 4),
                                    field("Value", kTypeComplex, 6, 2)}, records);
  ASSERT_NE(store, nullptr);
  StoreLinks links;
  std::string text;
  EXPECT_EQ(read_field_linked(*store, links, 1, FieldPath::of(2), text), -1);  // no _Complex

  fixture::build(dir + "/_Complex", {field("Small", kTypeSigned, 4), field("Label", kTypeFixedText, 12)},
                 {});
  // Inline slots: (selector 2 bytes, then a 4-byte value or a Bank.0 reference).
  const int64_t heap_size = static_cast<int64_t>(fixture::read_file(dir + "/Bank.0").size());
  std::vector<uint8_t> block = {16, 0, 0, 0, 16, 0, 0, 0};  // P, Q: 12 data bytes
  for (char c : std::string("hello world!")) block.push_back(static_cast<uint8_t>(c));
  fixture::patch(dir + "/Bank.0", static_cast<size_t>(heap_size), block);
  auto slot = [&](int record, std::vector<uint8_t> bytes) {
    const int64_t at = store->header_size() + int64_t{record - 1} * store->record_size() +
                       store->location(1).record_offset;
    fixture::patch(dir + "/Main", static_cast<size_t>(at), bytes);
  };
  slot(1, {1, 0, 0xD2, 0x04, 0, 0});  // field 1 of _Complex: 1234
  const auto ref = fixture::le32(static_cast<uint32_t>(heap_size + 1));
  slot(2, {2, 0, ref[0], ref[1], ref[2], ref[3]});
  slot(3, {0, 0, 0, 0, 0, 0});
  slot(4, {9, 0, 0, 0, 0, 0});  // no field 9 in _Complex
  int failure = 0;
  auto reopened = RecordStore::open(dir, failure);
  ASSERT_NE(reopened, nullptr);
  StoreLinks fresh;
  EXPECT_EQ(read_field_linked(*reopened, fresh, 1, FieldPath::of(2), text), 4);
  EXPECT_EQ(text, "1234");
  EXPECT_EQ(read_field_linked(*reopened, fresh, 2, FieldPath::of(2), text), 12);
  EXPECT_EQ(text, "hello world!");
  EXPECT_EQ(read_field_linked(*reopened, fresh, 3, FieldPath::of(2), text), 0);
  EXPECT_EQ(read_field_linked(*reopened, fresh, 4, FieldPath::of(2), text), -1);
  EXPECT_EQ(read_field_linked(*reopened, fresh, 5, FieldPath::of(2), text), -1);
}

// Copies the test plug-in into `dir` with safe permissions.
void install_plugin(const std::string& dir) {
  const std::string target = dir + "/" + kPluginFile;
  fs::copy_file(BW_TEST_PLUGIN, target, fs::copy_options::overwrite_existing);
  ::chmod(target.c_str(), 0644);
  ::chmod(dir.c_str(), 0755);
}

TEST(Plugin, VirtualFieldsComeFromTheLibrary) {
  const std::string dir = fixture::fresh_dir("plugin_ok");
  auto store = fixture::build(dir, {field("Name", kTypeFixedText, 4)}, {{WriterValue::of_text("x")}});
  ASSERT_NE(store, nullptr);
  install_plugin(dir);
  StoreLinks links;
  std::string text;
  EXPECT_EQ(read_field_linked(*store, links, 1, FieldPath::of(5), text), 18);
  EXPECT_EQ(text, "virtual 1 5 code 4");
  EXPECT_TRUE(links.plugin().usable());
  // A value that fills the whole text area ends inside it.
  EXPECT_EQ(read_field_linked(*store, links, 1, FieldPath::of(99), text), 255);
  EXPECT_EQ(evaluate(*store, 1, "^7", &links), 0);  // "virtual ..." is no number
}

TEST(Plugin, RefusedOrUntrustedLibrariesServeNothing) {
  struct Case {
    const char* name;
    mode_t dir_mode, file_mode;
    bool library;
  } cases[] = {
      {"plugin_refuse", 0755, 0644, true},       // Create answers 0
      {"plugin_open_dir", 0777, 0644, true},     // others may write the directory
      {"plugin_open_file", 0755, 0666, true},    // others may write the library
      {"plugin_group_file", 0755, 0664, true},
      {"plugin_missing", 0755, 0644, false},
  };
  for (const auto& c : cases) {
    const std::string dir = fixture::fresh_dir(c.name);
    auto store = fixture::build(dir, {field("Name", kTypeFixedText, 4)}, {{WriterValue::of_text("x")}});
    ASSERT_NE(store, nullptr);
    if (c.library) install_plugin(dir);
    ::chmod(dir.c_str(), c.dir_mode);
    if (c.library) ::chmod((dir + "/" + kPluginFile).c_str(), c.file_mode);
    StoreLinks links;
    std::string text = "old";
    EXPECT_EQ(read_field_linked(*store, links, 1, FieldPath::of(2), text), -1) << c.name;
    EXPECT_EQ(text, "") << c.name;
    EXPECT_TRUE(links.plugin().tried());
    EXPECT_FALSE(links.plugin().usable()) << c.name;
    ::chmod(dir.c_str(), 0755);
  }
  std::string why;
  EXPECT_FALSE(plugin_is_trusted("/nonexistent", "/nonexistent/Methods.so", &why));
}

}  // namespace
}  // namespace bw::store
