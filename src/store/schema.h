// The schema of a store: loading the schema file and converting the compact and legacy
// encodings into the native image that the rest of the engine reads.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/store_format.h"

namespace bw::store {

// Which encoding a schema file uses, by its first 4 bytes (the probe's answer; the numbers
// are the probe's documented ones).
enum class SchemaEncoding : int { none = 0, legacy = 3, compact = 4, native = 5 };

// Encoding named by a 4-byte magic; none for any other value.
SchemaEncoding encoding_of_magic(uint32_t magic);

// Joins a store directory and a file name: a name equal to the directory becomes the name
// of its schema file (schema_path), a newline ends either part, and a name with a root of
// its own ("/x", on Windows also "C:\x") stands alone.
std::string join_store_path(std::string_view dir, std::string_view name);

// Path of the schema file of the store directory `dir`: dir/(last component of dir). When
// that component says nothing of the folder's name ("data/Base3/", ".", a symbolic link
// of another name) and no such file is there, the folder's real name is used.
std::string schema_path(std::string_view dir);

// Reads the first 4 bytes of the schema file of `name` (inside `parent` when it is given
// and not ".") and answers its encoding, none when it is missing or of another magic.
SchemaEncoding probe_store(std::string_view parent, std::string_view name);

// A schema converted to the native encoding and checked against its own bytes.
struct Schema {
  std::vector<uint8_t> image;             // native image: header, descriptors, names
  uint32_t file_magic = 0;                // magic of the file as read
  uint32_t image_magic = 0;               // magic of the image after conversion
  bool legacy_family = false;             // converted from the legacy encoding
  uint32_t field_count = 0;               // top-level fields
  std::vector<FieldDescriptor> fields;    // every descriptor of the image, by index

  // Header byte 15 says tree entries are scrambled.
  bool trees_scrambled() const { return image.size() > 15 && image[15] == kTreeScrambled; }
  // The NUL-terminated name of descriptor `index` (checked on load).
  std::string_view name(size_t index) const;
};

// Converts a whole schema file into the native image. False when the magic is unknown or
// the bytes cannot describe a schema (counts, offsets or names that lie outside the file,
// sub-field tables that overlap or nest too deep).
bool load_schema(std::vector<uint8_t> file, Schema& out);

// Compact type code (the low nibble of a compact entry's first byte) -> native type.
// Codes 14 and 15 both give raw bytes.
inline constexpr std::array<FieldType, 16> kCompactToNative = {
    FieldType::fixed_text, FieldType::text,          FieldType::link,
    FieldType::date,       FieldType::time,          FieldType::signed_integer,
    FieldType::single_float, FieldType::double_float, FieldType::expression,
    FieldType::group,      FieldType::binary,        FieldType::variable,
    FieldType::position_link, FieldType::unsigned_integer, FieldType::raw,
    FieldType::raw};
static_assert(kCompactToNative.size() == 16);

// Value of kNativeToCompact for a native type that has no compact code.
inline constexpr uint8_t kNoCompactCode = 0xFF;

// Native type -> compact code, derived from kCompactToNative: the first code that gives
// the type (14 for raw bytes), kNoCompactCode for types no code gives.
inline constexpr std::array<uint8_t, type_byte(FieldType::complex) + 1> kNativeToCompact = [] {
  std::array<uint8_t, type_byte(FieldType::complex) + 1> inverse{};
  inverse.fill(kNoCompactCode);
  for (size_t code = kCompactToNative.size(); code-- > 0;)
    inverse[type_byte(kCompactToNative[code])] = static_cast<uint8_t>(code);
  return inverse;
}();

// Deepest nesting of groups that a schema may use (a field path has at most 16 levels).
inline constexpr int kMaxGroupDepth = 16;

}  // namespace bw::store
