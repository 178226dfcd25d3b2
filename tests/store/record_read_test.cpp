// Reading records: raw bytes, text, numbers; damaged files give -1, never a crash.
#include <gtest/gtest.h>

#include <functional>

#include "fixture_stores.h"

namespace bw::store {
namespace {

using fixture::field;
using fixture::text_of;

std::vector<uint8_t> i32(int32_t v) {
  std::vector<uint8_t> b(4);
  store_u32(b.data(), static_cast<uint32_t>(v));
  return b;
}

std::vector<uint8_t> binary_with_nuls() {
  std::vector<uint8_t> b(1000);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i % 5 == 0 ? 0 : i);
  return b;
}

// Field numbers of the fixture.
enum { kKey = 1, kBlob, kLetters, kNumbers, kPair, kLines, kPrice, kNote, kRatio, kRef };

const std::vector<WriterField>& rich_fields() {
  static const std::vector<WriterField> fields = {
      field("Key", FieldType::fixed_text, 8),
      field("Blob", FieldType::binary, 4),
      field("Letters", FieldType::fixed_text, 1, 0x20),
      field("Numbers", FieldType::signed_integer, 4, 0x40),
      field("Pair", FieldType::group, 6, 0,
            {field("A", FieldType::text, 4), field("B", FieldType::fixed_text, 1),
             field("C", FieldType::fixed_text, 1)}),
      field("Lines", FieldType::text, 4),
      field("Price", FieldType::signed_integer, 4, 2),
      field("Note", FieldType::text, 4, kFlagPaged),
      field("Ratio", FieldType::double_float, 8),
      field("Ref", FieldType::link, 4),  // a link into the store "Ref", which does not exist
  };
  return fields;
}

std::vector<WriterRecord> rich_records() {
  const auto ints = [](std::vector<int32_t> v) {
    std::vector<std::vector<uint8_t>> e;
    for (int32_t x : v) e.push_back(i32(x));
    return WriterValue::of_elements(e);
  };
  return {
      {WriterValue::of_text("alpha"), WriterValue{},
       WriterValue::of_elements({{'a'}, {'b'}, {'c'}}), ints({1, 2, 3}),
       WriterValue::of_members({WriterValue{}, WriterValue::of_text("b"), WriterValue::of_text("c")}),
       WriterValue::of_text("first\nsecond\nthird\n"), WriterValue::of_integer(123, 4),
       WriterValue::of_text("hello"), WriterValue::of_double(2.5), WriterValue::of_integer(5, 4)},
      {WriterValue::of_text("beta"), WriterValue::of_bytes(binary_with_nuls()),
       WriterValue::of_elements({}), ints({10, -4}),
       WriterValue::of_members({WriterValue::of_text("x"), WriterValue::of_text("y"),
                                WriterValue::of_text("z")}),
       WriterValue{}, WriterValue::of_integer(-5, 4), WriterValue::of_text(std::string(300, 'x')),
       WriterValue::of_double(-0.25), WriterValue::of_integer(0, 4)},
  };
}

// The fixture store with 128-byte pages, so that record 2's note runs over a chain.
std::unique_ptr<RecordStore> rich_store(const std::string& dir) {
  WriterOptions options;
  options.page_size = 128;
  return fixture::build(dir, rich_fields(), rich_records(), options);
}

TEST(StoreRead, FieldsAsText) {
  auto store = rich_store(fixture::fresh_dir("rich"));
  ASSERT_NE(store, nullptr);
  ASSERT_EQ(store->record_count(), 2);
  struct Case {
    int record;
    const char* path;
    int result;
    std::string text;
  };
  const std::vector<Case> cases = {
      {1, "^2", 0, ""},                       // reference word 0: empty
      {1, "^3", 9, "[a][b][c]"},              // array elements one after another
      {1, "^3[2]", 1, "b"},
      {1, "^3[4]", 0, ""},                    // beyond the last element
      {2, "^3", 0, ""},                       // no elements
      {1, "^5", 6, "{;b;c}"},                 // empty first sub-field
      {2, "^5", 7, "{x;y;z}"},
      {2, "^5.1", 1, "x"},
      {1, "^4[X]", 2, "6."},                  // summed elements, trailing zeros trimmed
      {2, "^4[X]", 2, "6."},
      {1, "^6[2]", 6, "second"},              // one line of a text
      {1, "^6.3", 5, "third"},                // the line named by the next level
      {1, "^6[4]", 0, ""},
      {2, "^6", 0, ""},
      {1, "^7", 4, "1.23"},                   // two implied decimals
      {2, "^7", 4, "-.05"},
      {1, "^8", 5, "hello"},                  // paged text
      {2, "^8", 300, std::string(300, 'x')},  // over an overflow chain
      {1, "^9[X]", 3, "2.5"},
      {1, "^10", 2, "#5"},                    // a link that ends the path prints its number
      {2, "^10.1", 0, ""},                    // a link to record 0 leads nowhere
      {1, "^10.1", -1, ""},                   // the target store cannot be opened
      {3, "^1", -1, ""},                      // beyond the last record
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " of record " + std::to_string(c.record));
    std::string text = "stale";
    EXPECT_EQ(text_of(*store, c.record, c.path, text), c.result);
    EXPECT_EQ(text, c.text);
  }
}

TEST(StoreRead, RawBytesAndBinaryValues) {
  auto store = rich_store(fixture::fresh_dir("rich_raw"));
  ASSERT_NE(store, nullptr);
  std::string text;
  ASSERT_EQ(store->read_field(2, kBlob, text), 1000);
  const auto expected = binary_with_nuls();
  EXPECT_EQ(std::vector<uint8_t>(text.begin(), text.end()), expected);

  FieldPath path;
  ASSERT_TRUE(parse_field_path("^3[X]", path));
  EXPECT_EQ(store->read_raw(1, path).length, 3);  // the element count
  ASSERT_TRUE(parse_field_path("^4", path));
  const ReadResult all = store->read_raw(1, path);
  ASSERT_EQ(all.length, 12);
  EXPECT_EQ(load_i32(&all.bytes[8]), 3);
  EXPECT_EQ(all.bytes[12], 0);  // NUL after the value
  EXPECT_EQ(all.descriptor.type, FieldType::signed_integer);
  EXPECT_EQ(load_u32(all.header.data()), kMagicNative);

  EXPECT_DOUBLE_EQ(static_cast<double>(store->read_number(2, FieldPath::of(kRatio))), -0.25);
  EXPECT_DOUBLE_EQ(static_cast<double>(store->read_number(2, FieldPath::of(kPrice))), -0.05);
  // Field X sums a whole table (an array without an element index counts its first).
  ASSERT_TRUE(parse_field_path("^X", path));
  EXPECT_NEAR(static_cast<double>(store->read_number(1, path)), 1 + 1.23 + 2.5, 1e-9);
}

// Stores of the other families keep blocks and banks differently; the reader must
// follow the family's rules.
TEST(StoreRead, CompactAndLegacyFamilies) {
  const std::vector<WriterField> fields = {field("Key", FieldType::fixed_text, 8),
                                           field("Body", FieldType::text, 4),
                                           field("Nums", FieldType::signed_integer, 4, 0x20),
                                           field("Side", FieldType::text, 4, kFlagOwnBank),
                                           field("Count", FieldType::signed_integer, 4)};
  const std::vector<WriterRecord> records = {
      {WriterValue::of_text("k1"), WriterValue::of_text("legacy text"),
       WriterValue::of_elements({i32(7), i32(8)}), WriterValue::of_text("side value"),
       WriterValue::of_integer(0, 4)},
      {WriterValue::of_text("k2"), WriterValue{}, WriterValue::of_elements({}), WriterValue{},
       WriterValue::of_integer(6, 4)},
  };
  for (auto encoding : {WriterEncoding::compact, WriterEncoding::legacy}) {
    SCOPED_TRACE(encoding == WriterEncoding::compact ? "compact" : "legacy");
    WriterOptions options;
    options.encoding = encoding;
    auto store = fixture::build(fixture::fresh_dir("family"), fields, records, options);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->record_count(), 2);
    std::string text;
    EXPECT_EQ(text_of(*store, 1, "^2", text), 11);
    EXPECT_EQ(text, "legacy text");
    EXPECT_EQ(text_of(*store, 1, "^4", text), 10);
    EXPECT_EQ(text, "side value");
    const bool compact = encoding == WriterEncoding::compact;
    EXPECT_EQ(text_of(*store, 1, "^3[X]", text), 3);
    EXPECT_EQ(text, compact ? "13." : "15.");  // compact keeps 7 and 8 as 6 and 7 plus one
    EXPECT_EQ(text_of(*store, 2, "^2", text), 0);
    // Compact stores keep integers plus one, with 0 for no value.
    EXPECT_EQ(static_cast<double>(store->read_number(2, FieldPath::of(5))), compact ? 5 : 6);
    EXPECT_EQ(static_cast<double>(store->read_number(1, FieldPath::of(5))), 0);
    if (compact) {
      EXPECT_EQ(store->read_field(1, 5, text), 0);
      EXPECT_EQ(store->read_field(2, 5, text), 1);
      EXPECT_EQ(text, "5");
    }
  }
}

// Damage in the data files: each case overwrites bytes at an offset computed from the
// sound store and expects a clean failure.
size_t field_at(RecordStore& s, int record, int field_number) {
  return static_cast<size_t>(s.header_size() + (record - 1) * s.record_size() +
                             s.location(static_cast<size_t>(field_number) - 1).record_offset);
}
// Offset in Bank.0 of the block that a field of a record refers to.
size_t block_of(RecordStore& s, int record, int field_number) {
  const uint8_t* p = s.read(0, static_cast<int64_t>(field_at(s, record, field_number)), 4);
  return p == nullptr ? 0 : static_cast<size_t>(load_i32(p) - 1);
}

TEST(StoreRead, DamagedFilesGiveMinusOne) {
  struct Case {
    const char* what;
    const char* file;
    std::function<size_t(RecordStore&)> offset;
    std::vector<uint8_t> bytes;
    int record;
    const char* path;
  };
  const std::vector<Case> cases = {
      {"reference beyond Bank.0", "Main",
       [](RecordStore& s) { return field_at(s, 2, kBlob); }, i32(1 << 30), 2, "^2"},
      {"negative reference", "Main",
       [](RecordStore& s) { return field_at(s, 2, kBlob); }, i32(-8), 2, "^2"},
      {"used length below its own word", "Bank.0",
       [](RecordStore& s) { return block_of(s, 2, kBlob) + 4; }, i32(2), 2, "^2"},
      {"used length past the end of Bank.0", "Bank.0",
       [](RecordStore& s) { return block_of(s, 2, kBlob) + 4; }, i32(1 << 29), 2, "^2"},
      {"array reserving less than it uses", "Bank.0",
       [](RecordStore& s) { return block_of(s, 1, kNumbers); }, i32(4), 1, "^4"},
      {"array element of a damaged block", "Bank.0",
       [](RecordStore& s) { return block_of(s, 1, kNumbers); }, i32(4), 1, "^4[2]"},
      {"array counting past the end of its bank (found by fuzzing: a hang)", "Bank.0",
       [](RecordStore& s) { return block_of(s, 1, kNumbers); },
       [] { auto b = i32(1 << 30); b.insert(b.end(), b.begin(), b.end()); return b; }(), 1, "^4"},
      {"page beyond _Storage", "Main",
       [](RecordStore& s) { return field_at(s, 2, kNote); }, i32(999), 2, "^8"},
      {"negative page", "Main",
       [](RecordStore& s) { return field_at(s, 2, kNote); }, i32(-3), 2, "^8"},
      {"overflow chain looping back", "_Storage",
       [](RecordStore&) { return size_t(2 * 128 + 28); }, i32(2), 2, "^8"},
      {"overflow chain ending early", "_Storage",
       [](RecordStore&) { return size_t(3 * 128 + 28); }, i32(0), 2, "^8"},
      {"text length below its own prefix", "_Storage",
       [](RecordStore&) { return size_t(1 * 128 + 32 + 4); }, i32(1), 1, "^8"},
      {"page size too small", "_Storage", [](RecordStore&) { return size_t(0); }, i32(0), 1, "^8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = fixture::fresh_dir("damaged_data");
    size_t offset = 0;
    {
      auto sound = rich_store(dir);
      ASSERT_NE(sound, nullptr);
      offset = c.offset(*sound);
    }
    fixture::patch(dir + "/" + c.file, offset, c.bytes);
    OpenFailure failure{};
    auto store = RecordStore::open(dir, failure);
    ASSERT_NE(store, nullptr);
    std::string text = "stale";
    EXPECT_EQ(text_of(*store, c.record, c.path, text), -1);
    EXPECT_EQ(text, "");
  }
}

}  // namespace
}  // namespace bw::store
