// The writer's indexes: the field-1 AVL tree in the record prefixes and Tree.n files,
// plain and scrambled, as a lookup will walk them.
#include <gtest/gtest.h>

#include <functional>

#include "fixture_stores.h"
#include "store/collation.h"

namespace bw::store {
namespace {

using fixture::field;

struct Entry {
  int32_t left, right;
};

// Decodes an entry: the links as record numbers and the balance from their signs.
void decode(Entry e, int& left, int& right, int& balance) {
  left = e.left < 0 ? -e.left : e.left;
  right = e.right < 0 ? -e.right : e.right;
  balance = (e.left < 0 && e.right >= 0) ? -1 : (e.right < 0 && e.left >= 0) ? 1 : 0;
}

// Walks a tree in order; checks every node's balance against its subtree heights.
int walk(const std::function<Entry(int)>& entry_of, int node, std::vector<int>& order, int depth) {
  if (node == 0) return 0;
  EXPECT_LT(depth, 64) << "loop in the tree";
  if (depth >= 64) return 0;
  int left, right, balance;
  decode(entry_of(node), left, right, balance);
  const int lh = walk(entry_of, left, order, depth + 1);
  order.push_back(node);
  const int rh = walk(entry_of, right, order, depth + 1);
  EXPECT_EQ(balance, rh - lh) << "node " << node;
  return std::max(lh, rh) + 1;
}

TEST(StoreWriter, IndexesAreSortedBalancedTrees) {
  const std::vector<std::string> keys = {"pear", "Apple", "fig", "banana", "cherry", "apple2",
                                         "date", "Elder", "grape"};
  std::vector<WriterRecord> records;
  for (size_t i = 0; i < keys.size(); ++i)
    records.push_back({WriterValue::of_text(keys[i]),
                       WriterValue::of_integer(static_cast<int64_t>(100 - 7 * i) * (i % 2 ? -1 : 1), 4)});
  for (bool scrambled : {false, true}) {
    SCOPED_TRACE(scrambled ? "scrambled" : "plain");
    WriterOptions options;
    options.tree_fields = {2};
    options.scramble_trees = scrambled;
    options.tree_key = 0x1234;
    const std::string dir = fixture::fresh_dir("indexes");
    auto store = fixture::build(
        dir,
        {field("Name", FieldType::fixed_text, 12), field("Score", FieldType::signed_integer, 4)},
        records, options);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->schema().trees_scrambled(), scrambled);

    // Field 1: entry 0 is the first 8 bytes of "Main", entry r the prefix of record r.
    const auto main = fixture::read_file(dir + "/Main");
    const auto main_entry = [&](int r) {
      const size_t at = r == 0 ? 0 : size_t(store->header_size() + (r - 1) * store->record_size());
      return Entry{load_i32(&main[at]), load_i32(&main[at + 4])};
    };
    std::vector<int> order;
    const int height = walk(main_entry, main_entry(0).right, order, 0);
    EXPECT_EQ(main_entry(0).left, height);
    ASSERT_EQ(order.size(), keys.size());
    for (size_t i = 1; i < order.size(); ++i) {
      const auto& a = keys[size_t(order[i - 1]) - 1];
      const auto& b = keys[size_t(order[i]) - 1];
      EXPECT_LE(collation_compare(reinterpret_cast<const uint8_t*>(a.data()), a.size(),
                        reinterpret_cast<const uint8_t*>(b.data()), b.size(), 0), 0)
          << a << " before " << b;
    }

    // Tree.2: the key is found by its rule (first equal pair V, V with V ^ W in (0, 1000)).
    const auto tree = fixture::read_file(dir + "/Tree.2");
    ASSERT_EQ(tree.size(), 8 * (keys.size() + 1));
    uint32_t key = 0;
    const uint32_t w = load_u32(&tree[0]);
    for (size_t at = 8; at + 8 <= tree.size() && key == 0; at += 8) {
      const uint32_t v = load_u32(&tree[at]);
      if (v == load_u32(&tree[at + 4]) && (v ^ w) > 0 && (v ^ w) < 1000) key = v;
    }
    EXPECT_EQ(key, scrambled ? 0x1234u : 0u);
    const auto tree_entry = [&](int r) {
      return Entry{static_cast<int32_t>(load_u32(&tree[8 * size_t(r)]) ^ key),
                   static_cast<int32_t>(load_u32(&tree[8 * size_t(r) + 4]) ^ key)};
    };
    order.clear();
    EXPECT_EQ(tree_entry(0).left, walk(tree_entry, tree_entry(0).right, order, 0));
    ASSERT_EQ(order.size(), keys.size());
    for (size_t i = 1; i < order.size(); ++i)
      EXPECT_LE(store->read_number(order[i - 1], FieldPath::of(2)),
                store->read_number(order[i], FieldPath::of(2)));
  }
}

// A paged field's pages form a tree of sorted runs; its root is in the header page.
TEST(StoreWriter, PagedIndexPages) {
  std::vector<WriterRecord> records;
  for (int i = 0; i < 40; ++i)
    records.push_back({WriterValue::of_integer(i, 4), WriterValue::of_text("value " + std::to_string(39 - i))});
  WriterOptions options;
  options.page_size = 128;
  const std::string dir = fixture::fresh_dir("paged_index");
  auto store = fixture::build(
      dir,
      {field("Id", FieldType::signed_integer, 4), field("Text", FieldType::text, 4, kFlagPaged)},
      records, options);
  ASSERT_NE(store, nullptr);
  const auto storage = fixture::read_file(dir + "/_Storage");
  ASSERT_EQ(storage.size() % 128, 0u);
  EXPECT_EQ(load_i32(&storage[0]), 128);
  const auto page_entry = [&](int p) {
    return Entry{load_i32(&storage[size_t(p) * 128]), load_i32(&storage[size_t(p) * 128 + 4])};
  };
  std::vector<int> pages;
  const int height = walk(page_entry, load_i32(&storage[8]), pages, 0);
  EXPECT_EQ(load_i32(&storage[4]), height);
  // In page order the entries run through the values in sorted order.
  std::vector<std::string> seen;
  for (int p : pages) {
    const uint8_t* page = &storage[size_t(p) * 128];
    EXPECT_EQ(load_u16(page + 16), 2);
    size_t pos = 32;
    for (int i = 0; i < static_cast<int16_t>(load_u16(page + 18)); ++i) {
      const uint32_t length = load_u32(page + pos + 4);
      seen.emplace_back(reinterpret_cast<const char*>(page + pos + 8), length - 4);
      pos += 4 + length;
    }
  }
  ASSERT_EQ(seen.size(), records.size());
  for (size_t i = 1; i < seen.size(); ++i)
    EXPECT_LE(collation_compare(reinterpret_cast<const uint8_t*>(seen[i - 1].data()), seen[i - 1].size(),
                      reinterpret_cast<const uint8_t*>(seen[i].data()), seen[i].size(), 0),
              0)
        << seen[i - 1] << " before " << seen[i];
  std::string text;
  EXPECT_EQ(store->read_field(1, 2, text), 8);
  EXPECT_EQ(text, "value 39");
}

TEST(StoreWriter, RefusesWhatAnEncodingCannotHold) {
  struct Case {
    const char* what;
    WriterEncoding encoding;
    std::vector<WriterField> fields;
  };
  const std::vector<Case> cases = {
      {"nested group in compact",
       WriterEncoding::compact,
       {field("G", FieldType::group, 2, 0,
              {field("H", FieldType::group, 2, 0, {field("x", FieldType::signed_integer, 2)})})}},
      {"type 16 in compact", WriterEncoding::compact, {field("C", FieldType::complex, 4)}},
      {"group in legacy",
       WriterEncoding::legacy,
       {field("G", FieldType::group, 2, 0, {field("x", FieldType::signed_integer, 2)})}},
      {"8-byte integer in legacy",
       WriterEncoding::legacy,
       {field("I", FieldType::signed_integer, 8)}},
  };
  for (const auto& c : cases) {
    WriterOptions options;
    options.encoding = c.encoding;
    std::string error;
    EXPECT_TRUE(schema_file(c.fields, options, &error).empty()) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
}

}  // namespace
}  // namespace bw::store
