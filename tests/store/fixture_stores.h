// Small store directories built in code for the record-store tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "store/record_store.h"
#include "store/store_cursor.h"
#include "store/store_writer.h"

namespace bw::store {

// Field types in failure messages by their number.
inline void PrintTo(FieldType type, std::ostream* out) { *out << int{type_byte(type)}; }

// Lookup results in failure messages: "record 7", "not_found".
inline void PrintTo(const FindResult& result, std::ostream* out) {
  static const char* const kStatus[] = {"found", "no_index", "not_found", "damaged"};
  if (result.found()) *out << "record " << result.record;
  else *out << kStatus[static_cast<int>(result.status)] << " (record " << result.record << ")";
}

}  // namespace bw::store

namespace bw::store::fixture {

// A fresh, empty directory under the test's temporary folder.
inline std::string fresh_dir(const std::string& name) {
  const std::string dir = std::string(BW_TEST_TMPDIR) + "/" + name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline WriterField field(std::string name, FieldType type, uint16_t size, uint8_t flags = 0,
                         std::vector<WriterField> members = {}) {
  return WriterField{std::move(name), type, flags, size, std::move(members)};
}

inline std::vector<uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }

inline std::vector<uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Overwrites bytes of a file at `offset` (the file grows when needed).
inline void patch(const std::string& path, size_t offset, const std::vector<uint8_t>& b) {
  auto data = read_file(path);
  if (data.size() < offset + b.size()) data.resize(offset + b.size(), 0);
  std::copy(b.begin(), b.end(), data.begin() + static_cast<long>(offset));
  ASSERT_TRUE(write_file(path, data));
}

inline std::vector<uint8_t> le32(uint32_t v) {
  std::vector<uint8_t> b(4);
  store_u32(b.data(), v);
  return b;
}

// Writes a store and opens it; fails the test when either step fails.
inline std::unique_ptr<RecordStore> build(const std::string& dir,
                                          const std::vector<WriterField>& fields,
                                          const std::vector<WriterRecord>& records,
                                          const WriterOptions& options = {}) {
  std::string error;
  EXPECT_TRUE(write_store(dir, fields, records, options, &error)) << error;
  OpenFailure failure{};
  auto store = RecordStore::open(dir, failure);
  EXPECT_NE(store, nullptr) << "open failed with " << static_cast<int>(failure);
  return store;
}

// The schema file path of a store directory.
inline std::string schema_of(const std::string& dir) { return schema_path(dir); }

// Reads a field as text; returns the result and leaves the text in `text`.
inline int text_of(RecordStore& store, int record, const std::string& path_text,
                   std::string& text) {
  FieldPath path;
  EXPECT_TRUE(parse_field_path(path_text, path)) << path_text;
  return store.read_field(record, path, text);
}

// Parent directory holding:
//   B: field 1 "Name" (fixed text 8), 2 "Count" (signed 4); records "b1"/10, "b2"/20, "C"/30
//   C: field 1 "Name", 2 "Count"; records "c1"/100, "c2"/200
//   A: 1 "Name", 2 "B" (link to B), 3 "B" (position link, 2 + 2 bytes), 4 "Formula"
//      (expression), 5 "Count"; A/_Expression: field 1 "Text" (text)
// `a_options` are the writer options of A (its Tree.n indexes, for one).
struct Linked {
  std::string parent;
  std::unique_ptr<RecordStore> a;
};

inline Linked linked_stores(const std::string& name, const WriterOptions& a_options = {}) {
  Linked l;
  l.parent = fixture::fresh_dir(name);
  auto named = [](const char* n, int v) {
    return WriterRecord{WriterValue::of_text(n), WriterValue::of_integer(v, 4)};
  };
  const std::vector<WriterField> pair = {field("Name", FieldType::fixed_text, 8),
                                         field("Count", FieldType::signed_integer, 4)};
  fixture::build(l.parent + "/B", pair, {named("b1", 10), named("b2", 20), named("C", 30)});
  fixture::build(l.parent + "/C", pair, {named("c1", 100), named("c2", 200)});
  auto position = [](int record, int second) {
    std::vector<uint8_t> b(4);
    store_u16(b.data(), static_cast<uint16_t>(record));
    store_u16(b.data() + 2, static_cast<uint16_t>(second));
    return WriterValue::of_bytes(b);
  };
  l.a = fixture::build(
      l.parent + "/A",
      {field("Name", FieldType::fixed_text, 8), field("B", FieldType::link, 4),
       field("B", FieldType::position_link, 4, 2), field("Formula", FieldType::expression, 4),
       field("Count", FieldType::signed_integer, 4)},
      {{WriterValue::of_text("a1"), WriterValue::of_integer(2, 4), position(3, 2),
        WriterValue::of_integer(1, 4), WriterValue::of_integer(7, 4)},
       {WriterValue::of_text("a2"), WriterValue::of_integer(0, 4), position(1, 1),
        WriterValue::of_integer(2, 4), WriterValue::of_integer(8, 4)},
       {WriterValue::of_text("a3"), WriterValue::of_integer(9, 4), position(0, 0),
        WriterValue::of_integer(9, 4), WriterValue::of_integer(9, 4)}},
      a_options);
  fixture::build(l.parent + "/A/_Expression", {field("Text", FieldType::text, 4)},
                 {{WriterValue::of_text("^Count*2+^2.2")}, {WriterValue::of_text("(1+")}});
  return l;
}

}  // namespace bw::store::fixture
