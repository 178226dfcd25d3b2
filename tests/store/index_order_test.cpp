// The order of index keys is one rule for the writer that sorts an index and the cursor that
// searches it: a store written with an index on every key type and width is stepped through
// in value order, and every record is found again by the text of its own value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <numeric>

#include "fixture_stores.h"
#include "store/store_cursor.h"

namespace bw::store {
namespace {

using fixture::field;

// Records get the sorted values of each field in this order, so that no index is written
// in record order.
constexpr size_t kRecords = 7;
constexpr std::array<size_t, kRecords> kRankOfRecord = {4, 1, 6, 0, 3, 5, 2};

std::vector<uint8_t> le(uint64_t v, size_t width) {
  std::vector<uint8_t> out(width);
  store_unsigned(out.data(), width, v);
  return out;
}

std::vector<uint8_t> concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

template <typename Float>
std::vector<uint8_t> float_bytes(Float f) {
  std::vector<uint8_t> out(sizeof f);
  std::memcpy(out.data(), &f, sizeof f);
  return out;
}

// One indexed field and its kRecords stored values in ascending key order.
struct KeyCase {
  const char* what;
  WriterField field;
  std::vector<std::vector<uint8_t>> ascending;
};

std::vector<std::vector<uint8_t>> integers(std::vector<int64_t> values, size_t width) {
  std::vector<std::vector<uint8_t>> out;
  for (int64_t v : values) out.push_back(le(static_cast<uint64_t>(v), width));
  return out;
}

std::vector<KeyCase> key_cases() {
  const auto texts = [](std::vector<std::string> t) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& s : t) out.push_back(fixture::bytes(s));
    return out;
  };
  // Record and position parts of a position link: (record, position) pairs in order.
  const auto positions = [](size_t record_width, size_t width,
                            std::vector<std::pair<int64_t, uint64_t>> pairs) {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& [record, position] : pairs)
      out.push_back(concat(le(static_cast<uint64_t>(record), record_width),
                           le(position, width - record_width)));
    return out;
  };
  std::vector<KeyCase> cases = {
      {"fixed text", field("Fixed", FieldType::fixed_text, 6),
       texts({"Amber", "bone", "Cobalt", "ochre", "Ochre2", "sepia", "Umber"})},
      {"variable text", field("Text", FieldType::text, 4),
       texts({"a", "Ab", "abc", "B", "b b", "zinc", "zinc white"})},
      {"date", field("Date", FieldType::date, 3),
       integers({382, 700000, 730000, 733000, 733001, 740000, 800000}, 3)},
      {"time", field("Time", FieldType::time, 3),
       integers({2, 3, 61, 3600, 43200, 80000, 86400}, 3)},
      {"date-time", field("Moment", FieldType::time, 8),
       integers({1000, 86500, 1000000000, 2000000000, 5000000000, 60000000000, 60000000500}, 8)},
      {"link, 2 bytes", field("Linked2", FieldType::link, 2),
       integers({-30000, -2, -1, 1, 2, 255, 30000}, 2)},
      {"link, 4 bytes", field("Linked4", FieldType::link, 4),
       integers({-70000, -1, 1, 256, 65536, 70000, 2000000000}, 4)},
      {"position link, 2 + 2 bytes", field("Pos4", FieldType::position_link, 4, 2),
       positions(2, 4, {{1, 0}, {1, 7}, {1, 300}, {2, 0}, {255, 1}, {256, 0}, {3000, 2}})},
      {"position link, 4 + 8 bytes", field("Pos12", FieldType::position_link, 12, 4),
       positions(4, 12,
                 {{1, 5},
                  {1, uint64_t{1} << 32},
                  {1, uint64_t{2} << 32},
                  {1, uint64_t{1} << 40},
                  {2, 0},
                  {2, uint64_t{1} << 33},
                  {70000, 1}})},
      {"float",
       field("Single", FieldType::single_float, 4, 2),
       {float_bytes(-1000.5f), float_bytes(-2.25f), float_bytes(-0.5f), float_bytes(0.0f),
        float_bytes(0.25f), float_bytes(3.75f), float_bytes(65536.0f)}},
      {"double",
       field("Double", FieldType::double_float, 8, 3),
       {float_bytes(-1e12), float_bytes(-3.125), float_bytes(-0.001), float_bytes(0.0),
        float_bytes(0.5), float_bytes(2.0), float_bytes(1e15)}},
  };
  for (size_t width : {1, 2, 4, 8}) {
    const uint16_t w = static_cast<uint16_t>(width);
    const std::string name = std::to_string(width) + " bytes";
    const int64_t big = width == 1 ? 100 : width == 2 ? 30000 : width == 4 ? 2000000000
                                                                          : int64_t{1} << 50;
    cases.push_back({"signed", field("S" + name, FieldType::signed_integer, w),
                     integers({-big, -big / 2, -1, 0, 1, big / 2 + 1, big}, width)});
    // Unsigned keys above the signed range sort after the small ones.
    const int64_t top = width == 8 ? int64_t{1} << 52 : int64_t((uint64_t{1} << (8 * width)) - 1);
    cases.push_back({"unsigned", field("U" + name, FieldType::unsigned_integer, w),
                     integers({0, 1, 2, top / 2, top / 2 + 1, top - 1, top}, width)});
  }
  return cases;
}

TEST(IndexOrder, EveryKeyTypeAndWidthIsWrittenAndSearchedInOneOrder) {
  const std::vector<KeyCase> cases = key_cases();
  std::vector<WriterField> fields = {field("Id", FieldType::fixed_text, 4)};
  WriterOptions options;
  for (const KeyCase& c : cases) {
    fields.push_back(c.field);
    options.tree_fields.push_back(static_cast<int>(fields.size()));
  }
  std::vector<WriterRecord> records(kRecords);
  for (size_t r = 0; r < kRecords; ++r) {
    records[r].push_back(WriterValue::of_text("r" + std::to_string(r + 1)));
    for (const KeyCase& c : cases) {
      const auto& value = c.ascending[kRankOfRecord[r]];
      records[r].push_back(c.field.type == FieldType::text ? WriterValue::of_text(std::string(
                                                           value.begin(), value.end()))
                                                     : WriterValue::of_bytes(value));
    }
  }
  // Records in ascending key order, whatever the field.
  std::vector<int> in_order(kRecords);
  std::iota(in_order.begin(), in_order.end(), 1);
  std::sort(in_order.begin(), in_order.end(), [](int a, int b) {
    return kRankOfRecord[static_cast<size_t>(a) - 1] < kRankOfRecord[static_cast<size_t>(b) - 1];
  });

  for (bool scrambled : {false, true}) {
    options.scramble_trees = scrambled;
    auto store = fixture::build(fixture::fresh_dir("index_order"), fields, records, options);
    ASSERT_NE(store, nullptr);
    for (size_t i = 0; i < cases.size(); ++i) {
      const int f = static_cast<int>(i) + 2;
      SCOPED_TRACE(std::string(cases[i].what) + (scrambled ? ", scrambled" : ""));
      std::vector<std::string> key_of(kRecords + 1);
      for (int r = 1; r <= static_cast<int>(kRecords); ++r) {
        ASSERT_GE(store->read_field(r, f, key_of[static_cast<size_t>(r)]), 0) << "record " << r;
        StoreCursor cursor(store.get(), 1);
        EXPECT_EQ(cursor.find(f, key_of[static_cast<size_t>(r)], FindMode::exact),
                  FindResult::at(r))
            << "key \"" << key_of[static_cast<size_t>(r)] << "\"";
      }
      for (int step : {1, -1}) {
        std::vector<int> expected = in_order;
        if (step < 0) std::reverse(expected.begin(), expected.end());
        StoreCursor cursor(store.get(), step);
        std::vector<int> walked;
        for (FindResult r =
                 cursor.find(f, key_of[static_cast<size_t>(expected[0])], FindMode::exact);
             r.found() && walked.size() <= kRecords; r = cursor.next())
          walked.push_back(r.record);
        EXPECT_EQ(walked, expected) << "step " << step;
      }
    }
  }
}

}  // namespace
}  // namespace bw::store
