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
#include "store/store_writer.h"

namespace bw::store::fixture {

// A fresh, empty directory under the test's temporary folder.
inline std::string fresh_dir(const std::string& name) {
  const std::string dir = std::string(BW_TEST_TMPDIR) + "/" + name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

inline WriterField field(std::string name, uint8_t type, uint16_t size, uint8_t flags = 0,
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
  int failure = 0;
  auto store = RecordStore::open(dir, failure);
  EXPECT_NE(store, nullptr) << "open failed with " << failure;
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

}  // namespace bw::store::fixture
