#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "fixture_stores.h"
#include "store/collation.h"
#include "store/store_cursor.h"

namespace bw::store {
namespace {

using fixture::field;

constexpr FindResult kNotFound = FindResult::none(FindStatus::not_found);

TEST(IndexEntry, SignsCarryTheBalance) {
  struct Case {
    int32_t left, right;
    int64_t want_left, want_right;
    int balance;
    EntryStatus status;
  } cases[] = {
      {-5, 7, 5, 7, -1, EntryStatus::read}, {5, -7, 5, 7, 1, EntryStatus::read},
      {5, 7, 5, 7, 0, EntryStatus::read},   {0, 0, 0, 0, 0, EntryStatus::read},
      {-1, -1, 0, 0, 0, EntryStatus::no_node},
  };
  for (const auto& c : cases) {
    const IndexEntry e = decode_index_entry(c.left, c.right);
    EXPECT_EQ(e.status, c.status) << c.left << "," << c.right;
    if (e.status != EntryStatus::read) continue;
    EXPECT_EQ(e.left, c.want_left);
    EXPECT_EQ(e.right, c.want_right);
    EXPECT_EQ(e.balance, c.balance);
  }
}

TEST(Collation, DefaultTableFoldsLetterCaseAndEndsSortFirst) {
  auto cmp = [](const char* a, const char* b, size_t n = 0) {
    const int c = collation_compare(reinterpret_cast<const uint8_t*>(a), std::strlen(a),
                                    reinterpret_cast<const uint8_t*>(b), std::strlen(b), n);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  };
  EXPECT_EQ(cmp("paint.BSF", "PAINT.bsf"), 0);
  EXPECT_EQ(cmp("ab", "abc"), -1);
  EXPECT_EQ(cmp("abc", "ab"), 1);
  EXPECT_EQ(cmp("abc", "abd", 2), 0);
  EXPECT_EQ(cmp("b", "B_"), -1);
  EXPECT_EQ(cmp("_", "a"), 1);  // "a" weighs as "A" (65), below "_" (95)
  EXPECT_EQ(collation_compare(nullptr, 0, reinterpret_cast<const uint8_t*>("a"), 1, 0), -1);
  EXPECT_EQ(collation_compare(reinterpret_cast<const uint8_t*>("a"), 1, nullptr, 0, 0), 1);
  EXPECT_EQ(collation_compare(nullptr, 0, nullptr, 0, 0), 0);
  // Bytes after a NUL do not count.
  EXPECT_EQ(collation_compare(reinterpret_cast<const uint8_t*>("a\0x"), 3,
                              reinterpret_cast<const uint8_t*>("a\0y"), 3, 0),
            0);
}

TEST(Collation, WeightFileReplacesTheTable) {
  const std::string dir = fixture::fresh_dir("weights");
  std::vector<uint8_t> reversed(256);
  for (int i = 0; i < 256; ++i) reversed[static_cast<size_t>(i)] = static_cast<uint8_t>(255 - i);
  reversed[0] = 0;
  ASSERT_TRUE(write_file(dir + "/weight", reversed));
  ASSERT_TRUE(load_collation(dir + "/weight"));
  const int c = collation_compare(reinterpret_cast<const uint8_t*>("a"), 1,
                                  reinterpret_cast<const uint8_t*>("b"), 1, 0);
  // A short file leaves the built-in table.
  ASSERT_TRUE(write_file(dir + "/short", {1, 2, 3}));
  EXPECT_FALSE(load_collation(dir + "/short"));
  EXPECT_GT(c, 0);
  EXPECT_EQ(collation(), default_collation());
}

// A store with field 1 "Name" (fixed text), field 2 "Number" (signed, Tree.2), field 3
// "Size" (unsigned, Tree.3), field 4 "Weight" (double, Tree.4).
struct NumberStore {
  std::string dir;
  std::unique_ptr<RecordStore> store;
  std::vector<int> numbers;  // numbers[r - 1]: field 2 of record r
};

NumberStore number_store(const std::string& name, int count, bool scrambled, unsigned seed) {
  NumberStore s;
  s.dir = fixture::fresh_dir(name);
  std::mt19937 random(seed);
  std::vector<WriterRecord> records;
  for (int r = 1; r <= count; ++r) {
    const int n = static_cast<int>(random() % 60) - 30;  // plenty of equal keys
    s.numbers.push_back(n);
    char text[16];
    std::snprintf(text, sizeof text, "K%05u", static_cast<unsigned>(random() % 100000));
    records.push_back({WriterValue::of_text(text), WriterValue::of_integer(n, 4),
                       WriterValue::of_integer(static_cast<uint32_t>(n) * 7u, 4),
                       WriterValue::of_double(n / 4.0)});
  }
  WriterOptions options;
  options.tree_fields = {2, 3, 4};
  options.scramble_trees = scrambled;
  options.tree_key = 0x2345;
  s.store = fixture::build(
      s.dir,
      {field("Name", FieldType::fixed_text, 8), field("Number", FieldType::signed_integer, 4),
       field("Size", FieldType::unsigned_integer, 4), field("Weight", FieldType::double_float, 8)},
      records, options);
  return s;
}

// What a lookup of `key` must give over `values` (values[r - 1] of record r) by brute
// force: mode 0 the first equal record in index order (equal keys sort by record number),
// mode 2 that or the nearest record on the step side.
FindResult expected_find(const std::vector<long double>& values, long double key, FindMode mode,
                         int step) {
  std::vector<int> order(values.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i) + 1;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return values[static_cast<size_t>(a) - 1] < values[static_cast<size_t>(b) - 1];
  });
  if (step < 0) std::reverse(order.begin(), order.end());
  for (int r : order) {
    const long double v = values[static_cast<size_t>(r) - 1];
    if (v == key) return FindResult::at(r);
  }
  if (mode != FindMode::nearest) return kNotFound;
  for (int r : order) {
    const long double v = values[static_cast<size_t>(r) - 1];
    if (step > 0 ? v > key : v < key) return FindResult::at(r);
  }
  return kNotFound;
}

TEST(StoreCursor, TreeIndexesAgreeWithBruteForce) {
  for (const bool scrambled : {false, true}) {
    NumberStore s = number_store(scrambled ? "tree_scrambled" : "tree_plain", 150, scrambled, 7);
    ASSERT_NE(s.store, nullptr);
    std::vector<long double> signed_values, unsigned_values, doubles;
    for (int n : s.numbers) {
      signed_values.push_back(n);
      unsigned_values.push_back(static_cast<uint32_t>(n) * 7u);
      doubles.push_back(n / 4.0L);
    }
    StoreIndexes indexes(*s.store);
    for (int step : {1, -1, 3}) {
      for (FindMode mode : {FindMode::exact, FindMode::nearest}) {
        for (int key = -35; key <= 35; ++key) {
          StoreCursor cursor(s.store.get(), step, &indexes);
          const std::string text = std::to_string(key);
          EXPECT_EQ(cursor.find(2, text, mode), expected_find(signed_values, key, mode, step))
              << "signed " << key << " mode " << static_cast<int>(mode) << " step " << step << " scrambled "
              << scrambled;
          const uint32_t u = static_cast<uint32_t>(key) * 7u;
          EXPECT_EQ(cursor.find(3, std::to_string(u), mode),
                    expected_find(unsigned_values, u, mode, step))
              << "unsigned " << u;
          char d[32];
          std::snprintf(d, sizeof d, "%.2f", key / 4.0);
          EXPECT_EQ(cursor.find(4, d, mode), expected_find(doubles, key / 4.0L, mode, step))
              << "double " << d;
        }
      }
    }
    if (scrambled) {
      EXPECT_EQ(indexes.tree_key(), 0x2345u);
    }
  }
}

TEST(StoreCursor, SteppingWalksTheIndexInOrder) {
  NumberStore s = number_store("stepping", 60, false, 4);
  ASSERT_NE(s.store, nullptr);
  std::vector<int> order(s.numbers.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i) + 1;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return s.numbers[static_cast<size_t>(a) - 1] < s.numbers[static_cast<size_t>(b) - 1];
  });
  for (int step : {1, -1}) {
    std::vector<int> want = order;
    if (step < 0) std::reverse(want.begin(), want.end());
    StoreCursor cursor(s.store.get(), step);
    std::vector<int> walked;
    for (FindResult r = cursor.find(2, step > 0 ? "-100" : "100", FindMode::nearest); r.found();
         r = cursor.next())
      walked.push_back(r.record);
    EXPECT_EQ(walked, want) << "step " << step;
    EXPECT_EQ(cursor.next(), kNotFound);
  }
  // From a record in the middle: the records after it.
  StoreCursor cursor(s.store.get(), 1);
  const FindResult first =
      cursor.find(2, std::to_string(s.numbers[order[30] - 1]), FindMode::exact);
  ASSERT_TRUE(first.found());
  const auto at = std::find(order.begin(), order.end(), first.record);
  ASSERT_NE(at, order.end());
  EXPECT_EQ(cursor.next(), FindResult::at(*(at + 1)));
}

TEST(StoreCursor, FieldOneTextIndexWithModes) {
  const std::string dir = fixture::fresh_dir("field1_text");
  const std::vector<std::string> names = {"Umber", "ochre", "Sienna", "ochre", "Black",
                                          "madder", "Ochre2x", "Zinc"};
  std::vector<WriterRecord> records;
  for (const auto& n : names) records.push_back({WriterValue::of_text(n)});
  auto store = fixture::build(dir, {field("Name", FieldType::text, 4)}, records);
  ASSERT_NE(store, nullptr);
  StoreCursor up(store.get(), 1);
  StoreCursor down(store.get(), -1);
  // Equal keys: the first in index order.
  EXPECT_EQ(up.find(1, "OCHRE", FindMode::exact), FindResult::at(2));
  EXPECT_EQ(down.find(1, "ochre", FindMode::exact), FindResult::at(4));
  EXPECT_EQ(up.find(1, "ochr", FindMode::exact), kNotFound);
  EXPECT_EQ(up.find(1, "ochr", FindMode::prefix), FindResult::at(2));
  EXPECT_EQ(up.find(1, "ochre2", FindMode::prefix), FindResult::at(7));
  EXPECT_EQ(up.find(1, "Peach", FindMode::nearest), FindResult::at(3));   // next up: Sienna
  EXPECT_EQ(down.find(1, "Peach", FindMode::nearest), FindResult::at(7));  // next down: Ochre2x
  EXPECT_EQ(up.find(1, "Zz", FindMode::nearest), kNotFound);
  EXPECT_EQ(up.find(1, "", FindMode::nearest), FindResult::at(5));          // Black
  EXPECT_EQ(up.find(1, "ochre", FindMode::root), kNotFound);
  EXPECT_NE(up.current(), 0);
  // No field 2.
  EXPECT_EQ(up.find(2, "x", FindMode::exact), FindResult::none(FindStatus::no_index));
}

TEST(StoreCursor, PagedIndexesAgreeWithBruteForce) {
  const std::string dir = fixture::fresh_dir("paged");
  std::mt19937 random(11);
  std::vector<long double> values;
  std::vector<std::string> texts;
  std::vector<WriterRecord> records;
  for (int r = 1; r <= 90; ++r) {
    const int n = static_cast<int>(random() % 50);
    values.push_back(n);
    texts.push_back("t" + std::to_string(100 + random() % 60));
    records.push_back({WriterValue::of_text("x"), WriterValue::of_integer(n, 4),
                       WriterValue::of_text(texts.back())});
  }
  WriterOptions options;
  options.page_size = 96;  // 8 fixed entries or a few texts per page: a tree of pages
  auto store = fixture::build(dir,
                              {field("Name", FieldType::fixed_text, 4),
                               field("Number", FieldType::signed_integer, 4, kFlagPaged),
                               field("Text", FieldType::text, 4, kFlagPaged)},
                              records, options);
  ASSERT_NE(store, nullptr);
  StoreCursor cursor(store.get(), 1);
  for (int key = -2; key <= 52; ++key) {
    // Equal entries: the smallest record number among them.
    FindResult smallest = kNotFound;
    for (size_t i = 0; i < values.size(); ++i)
      if (values[i] == key && !smallest.found()) smallest = FindResult::at(static_cast<int>(i) + 1);
    EXPECT_EQ(cursor.find(2, std::to_string(key), FindMode::exact), smallest) << key;
    const FindResult nearest = cursor.find(2, std::to_string(key), FindMode::nearest);
    if (smallest.found()) {
      EXPECT_EQ(nearest, smallest) << key;
    } else {
      long double best = 1e9;
      for (long double v : values)
        if (v > key) best = std::min(best, v);
      if (best == 1e9L) {
        EXPECT_EQ(nearest, kNotFound) << key;
      } else {
        ASSERT_TRUE(nearest.found()) << key;
        EXPECT_EQ(values[static_cast<size_t>(nearest.record) - 1], best) << key;
      }
    }
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    const FindResult got = cursor.find(3, texts[i], FindMode::exact);
    ASSERT_TRUE(got.found()) << texts[i];
    EXPECT_EQ(texts[static_cast<size_t>(got.record) - 1], texts[i]);
    EXPECT_LE(got.record, static_cast<int>(i) + 1);
  }
  EXPECT_EQ(cursor.find(3, "t1", FindMode::exact), kNotFound);
  // Mode -1 stands on the last page (step +1) or the first (step -1).
  const long double top = *std::max_element(values.begin(), values.end());
  const FindResult last = cursor.find(2, "", FindMode::root);
  ASSERT_TRUE(last.found());
  EXPECT_EQ(values[static_cast<size_t>(last.record) - 1], top);
  StoreCursor down(store.get(), -1);
  const FindResult first = down.find(2, "", FindMode::root);
  ASSERT_TRUE(first.found());
  EXPECT_EQ(values[static_cast<size_t>(first.record) - 1],
            0 + *std::min_element(values.begin(), values.end()));
}

TEST(StoreCursor, KeysThatDoNotConvertFindNothing) {
  NumberStore s = number_store("convert", 5, false, 3);
  StoreCursor cursor(s.store.get(), 1);
  EXPECT_EQ(cursor.find(2, "not a number", FindMode::exact), kNotFound);
  EXPECT_EQ(cursor.find(2, "99999999999999", FindMode::exact), kNotFound);
}

TEST(StoreIndexes, OpenIndexCodes) {
  NumberStore s = number_store("open_index", 4, false, 5);
  StoreIndexes indexes(*s.store);
  EXPECT_EQ(indexes.open_index(FieldPath::of(1)), IndexStatus::ready);
  EXPECT_EQ(indexes.open_index(FieldPath::of(2)), IndexStatus::ready);
  EXPECT_EQ(indexes.open_index(FieldPath::of(9)), IndexStatus::none);
  EXPECT_EQ(indexes.open_index(FieldPath::of(0)), IndexStatus::none);
  std::filesystem::remove(s.dir + "/Tree.3");
  EXPECT_EQ(indexes.open_index(FieldPath::of(3)), IndexStatus::missing);
  EXPECT_EQ(indexes.open_index(FieldPath::of(3)), IndexStatus::failed_before);
  StoreCursor cursor(s.store.get(), 1, &indexes);
  EXPECT_EQ(cursor.find(3, "7", FindMode::exact), FindResult::none(FindStatus::no_index));

  // Field 1's header entry with a balance is not a header.
  fixture::patch(s.dir + "/Main", 0, fixture::le32(static_cast<uint32_t>(-3)));
  OpenFailure failure{};
  auto reopened = RecordStore::open(s.dir, failure);
  StoreIndexes fresh(*reopened);
  EXPECT_EQ(fresh.open_index(FieldPath::of(1)), IndexStatus::bad_header);
  EXPECT_EQ(fresh.open_index(FieldPath::of(1)), IndexStatus::failed_before);

  // Arrays have no index.
  const std::string dir = fixture::fresh_dir("array_index");
  auto arrays = fixture::build(dir, {field("Name", FieldType::fixed_text, 4),
                                     field("List", FieldType::signed_integer, 4, 0x20)},
                               {{WriterValue::of_text("a"), WriterValue::of_elements({{1}})}});
  StoreIndexes array_indexes(*arrays);
  EXPECT_EQ(array_indexes.open_index(FieldPath::of(2)), IndexStatus::none);
}

// Damage to a built index, as (file, offset, bytes): every case must end the search as
// damaged or not found.
TEST(StoreCursor, DamagedIndexesEndTheSearch) {
  struct Case {
    const char* name;
    std::function<void(const NumberStore&)> damage;
    FindStatus want;
  };
  auto tree_entry = [](const NumberStore& s, int node, int32_t left, int32_t right) {
    std::vector<uint8_t> b = fixture::le32(static_cast<uint32_t>(left));
    const auto r = fixture::le32(static_cast<uint32_t>(right));
    b.insert(b.end(), r.begin(), r.end());
    fixture::patch(s.dir + "/Tree.2", static_cast<size_t>(8 * node), b);
  };
  auto root_of = [](const NumberStore& s) {
    return static_cast<int32_t>(load_u32(fixture::read_file(s.dir + "/Tree.2").data() + 4));
  };
  const Case cases[] = {
      {"empty root", [&](const NumberStore& s) { tree_entry(s, 0, 5, 0); },
       FindStatus::not_found},
      {"bound too low", [&](const NumberStore& s) { tree_entry(s, 0, 1, root_of(s)); },
       FindStatus::damaged},
      {"cycle to the root",
       [&](const NumberStore& s) {
         tree_entry(s, 0, 1000, root_of(s));
         for (int r = 1; r <= 31; ++r) tree_entry(s, r, root_of(s), root_of(s));
       },
       FindStatus::damaged},
      {"node past the file",
       [&](const NumberStore& s) { tree_entry(s, 0, 5, 4000); }, FindStatus::damaged},
      {"node past the records, inside the file",  // found by fuzzing: it was a result
       [&](const NumberStore& s) {
         tree_entry(s, 40, 0, 0);
         tree_entry(s, 0, 5, 40);
       },
       FindStatus::damaged},
      {"no-node entry on the path",
       [&](const NumberStore& s) { tree_entry(s, root_of(s), -1, -1); }, FindStatus::damaged},
  };
  for (const auto& c : cases) {
    NumberStore s = number_store(std::string("damage_") + c.name, 31, false, 9);
    c.damage(s);
    OpenFailure failure{};
    auto store = RecordStore::open(s.dir, failure);
    ASSERT_NE(store, nullptr);
    StoreCursor cursor(store.get(), 1);
    // A key that is absent walks to a leaf; present keys may stop sooner.
    EXPECT_EQ(cursor.find(2, "1000", FindMode::exact), FindResult::none(c.want)) << c.name;
    EXPECT_LE(cursor.trail().size(), static_cast<size_t>(kMaxTrail + 1)) << c.name;
  }
}

TEST(StoreCursor, MissingHeaderIsWrittenEmptyIntoWritableFiles) {
  NumberStore s = number_store("empty_header", 3, false, 1);
  ASSERT_TRUE(write_file(s.dir + "/Tree.2", {}));
  OpenFailure failure{};
  auto writer = RecordStore::open(s.dir, failure, StoreAccess::read_write);
  ASSERT_NE(writer, nullptr);
  {
    StoreCursor cursor(writer.get(), 1);
    EXPECT_EQ(cursor.find(2, "1", FindMode::exact), kNotFound);
  }
  EXPECT_EQ(fixture::read_file(s.dir + "/Tree.2"), std::vector<uint8_t>(8, 0));
}

// A store opened for reading writes nothing, not even the empty header a too-short index
// file lacks: the lookups still see an empty index.
TEST(StoreCursor, ReadersWriteNothing) {
  NumberStore s = number_store("reader_writes_nothing", 3, false, 1);
  ASSERT_TRUE(write_file(s.dir + "/Tree.2", {}));
  ASSERT_TRUE(write_file(s.dir + "/Main", {1, 2, 3}));
  auto snapshot = [&] {
    std::vector<std::pair<std::vector<uint8_t>, int64_t>> files;
    for (const auto& entry : std::filesystem::directory_iterator(s.dir)) {
      const auto written = std::filesystem::last_write_time(entry.path());
      files.push_back({fixture::read_file(entry.path().string()),
                       static_cast<int64_t>(written.time_since_epoch().count())});
    }
    return files;
  };
  const auto before = snapshot();
  OpenFailure failure{};
  auto reader = RecordStore::open(s.dir, failure);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->main_access_mode(), 2);
  StoreCursor cursor(reader.get(), 1);
  EXPECT_EQ(cursor.find(2, "1", FindMode::exact), kNotFound);
  EXPECT_EQ(cursor.find(1, "K00001", FindMode::exact), kNotFound);
  EXPECT_EQ(snapshot(), before);
}

TEST(StoreCursor, MissingHeaderIsNotWrittenIntoReadOnlyFiles) {
#ifndef _WIN32  // Windows keeps read-only files read-only for everyone
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only files";
#endif
  NumberStore s = number_store("read_only_header", 3, false, 1);
  ASSERT_TRUE(write_file(s.dir + "/Tree.3", {}));
  ::chmod((s.dir + "/Tree.3").c_str(), 0444);
  StoreCursor cursor(s.store.get(), 1);
  EXPECT_EQ(cursor.find(3, "1", FindMode::exact), kNotFound);
  EXPECT_TRUE(fixture::read_file(s.dir + "/Tree.3").empty());
  // Writable again, so that a later run given the same scratch folder can clear it
  // (Windows refuses to delete a read-only file).
  ::chmod((s.dir + "/Tree.3").c_str(), 0644);
}

}  // namespace
}  // namespace bw::store
