// The store writer: builds a store directory from a schema description and records, so
// that tools and tests can make stores in code. The saver itself never writes.
//
// The data files follow the layout the reader computes for the chosen schema encoding;
// the field-1 index lives in the record prefixes and the "Main" header, other indexes in
// Tree.n files (optionally scrambled with a tree key), paged fields in "_Storage".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/store_format.h"

namespace bw::store {

// One field of a schema to write.
struct WriterField {
  std::string name;
  FieldType type = FieldType::fixed_text;
  uint8_t flags = 0;      // small count N and kFlag* bits
  uint16_t size = 0;      // bytes of one inline value (of one element for arrays)
  std::vector<WriterField> members;  // sub-fields of a group (type 10)
};

// The value of one field in one record.
struct WriterValue {
  bool present = false;
  std::vector<uint8_t> bytes;                  // stored bytes of a scalar value
  std::vector<std::vector<uint8_t>> elements;  // elements of an array
  std::vector<WriterValue> members;            // values of a group's sub-fields

  static WriterValue of_bytes(std::vector<uint8_t> b);
  static WriterValue of_text(std::string_view text);
  // A little-endian integer of `width` bytes.
  static WriterValue of_integer(int64_t v, int width);
  static WriterValue of_double(double v);
  static WriterValue of_float(float v);
  static WriterValue of_elements(std::vector<std::vector<uint8_t>> e);
  static WriterValue of_members(std::vector<WriterValue> m);
};

using WriterRecord = std::vector<WriterValue>;  // one value per top-level field

enum class WriterEncoding { native, compact, legacy };

struct WriterOptions {
  WriterEncoding encoding = WriterEncoding::native;
  uint32_t legacy_magic = kMagicLegacy;  // which legacy magic to write
  bool index_field1 = true;              // the AVL index in the record prefixes
  std::vector<int> tree_fields;          // top-level fields (2 or more) that get a Tree.n
  bool scramble_trees = false;           // header byte 15 = 0x27, entries XORed with the key
  uint32_t tree_key = 0x1234;            // key of scrambled trees (not 0 or 1)
  int page_size = 4096;                  // "_Storage" page size
};

// The schema file of `fields` in an encoding; empty with `error` set when the fields
// cannot be expressed in it (deeper groups in compact, groups and some types in legacy).
std::vector<uint8_t> schema_file(const std::vector<WriterField>& fields,
                                 const WriterOptions& options, std::string* error);

// Writes the store directory `dir` (created when missing; its files are replaced).
// Indexes are sorted by the process's collation (collation.h), as lookups compare.
// Returns false with `error` set on failure.
bool write_store(const std::string& dir, const std::vector<WriterField>& fields,
                 const std::vector<WriterRecord>& records, const WriterOptions& options,
                 std::string* error);

// Writes one file whole; false on failure.
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace bw::store
