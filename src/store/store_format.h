// Constants and small helpers shared by the record store's reader and writer.
//
// All multi-byte numbers in store files are little-endian. The schema image is always
// held in the native encoding; the compact and legacy schema files are converted to it
// on open (schema.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace bw::store {

// Schema file magics, as unsigned 32-bit words.
inline constexpr uint32_t kMagicNative = 0xE15ACE75u;
inline constexpr uint32_t kMagicCompact = 0x1EA5318Bu;
inline constexpr uint32_t kMagicLegacy = 0x00538134u;
inline constexpr uint32_t kMagicLegacyDated = 0x00538136u;  // also scrambles tree files
inline constexpr uint32_t kMagicLegacyOld = 0xFFAC7ECCu;

// Header byte 15: tree files of this store hold scrambled entries.
inline constexpr uint8_t kTreeScrambled = 0x27;

inline constexpr size_t kSchemaHeaderSize = 16;
inline constexpr size_t kDescriptorSize = 16;

// Descriptor flag bits.
inline constexpr uint8_t kFlagCount = 0x0F;     // small count N, meaning depends on the type
inline constexpr uint8_t kFlagOwnBank = 0x10;   // values live in Bank.n, one slot per record
inline constexpr uint8_t kFlagArray = 0x60;     // either bit makes the field an array
inline constexpr uint8_t kFlagPaged = 0x80;     // values and index live in "_Storage"

// Field types. The numbers are the type bytes of descriptors and "_Storage" pages.
enum class FieldType : uint8_t {
  raw = 0,
  fixed_text = 1,
  date = 2,
  time = 3,
  link = 4,
  position_link = 5,
  signed_integer = 6,
  unsigned_integer = 7,
  single_float = 8,
  double_float = 9,
  group = 10,
  text = 11,
  binary = 12,
  variable = 13,
  expression = 14,
  binary2 = 15,
  complex = 16,
};
// The type byte a file holds for `type`, and the type a file's byte names (any byte: a
// damaged file may name no type above).
inline constexpr uint8_t type_byte(FieldType type) { return static_cast<uint8_t>(type); }
inline constexpr FieldType type_of_byte(uint8_t byte) { return static_cast<FieldType>(byte); }

// One 16-byte field descriptor, decoded from the native schema image.
//
// Offset Width Meaning
//   0     1    type
//   1     1    flags (see kFlag*)
//   2     2    size in bytes of one inline value
//   4     4    group: number of sub-fields
//   8     4    group: 0-based descriptor index of the first sub-field
//  12     4    offset of the NUL-terminated name from the image start
struct FieldDescriptor {
  FieldType type = FieldType::raw;
  uint8_t flags = 0;
  uint16_t size = 0;
  uint32_t sub_count = 0;
  uint32_t sub_first = 0;
  uint32_t name_offset = 0;

  bool is_array() const { return (flags & kFlagArray) != 0; }
  bool is_paged() const { return (flags & kFlagPaged) != 0; }
  bool has_own_bank() const { return (flags & kFlagOwnBank) != 0; }
  int count_nibble() const { return flags & kFlagCount; }
};

// The files every store has, by their file slot, in this order; the own banks of fields
// (Bank.n) follow them, one slot each. bank_file.h gives each its bank id and file name.
enum class StoreFile : int {
  main = 0,     // "Main"
  heap = 1,     // Bank.0
  storage = 2,  // "_Storage"
};
inline constexpr size_t slot_index(StoreFile file) { return static_cast<size_t>(file); }

inline uint16_t load_u16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t load_u32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t load_i32(const uint8_t* p) { return static_cast<int32_t>(load_u32(p)); }
inline void store_u16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void store_u32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Unsigned little-endian integer of 0..8 bytes, zero-extended.
inline uint64_t load_unsigned(const uint8_t* p, size_t width) {
  uint64_t v = 0;
  for (size_t i = 0; i < width && i < 8; ++i) v |= static_cast<uint64_t>(p[i]) << (8 * i);
  return v;
}
// Signed little-endian integer of 0..8 bytes, sign-extended from its top byte.
inline int64_t load_signed(const uint8_t* p, size_t width) {
  if (width == 0) return 0;
  if (width > 8) width = 8;
  uint64_t v = load_unsigned(p, width);
  if (width < 8 && (v >> (8 * width - 1)) & 1u) v |= ~uint64_t{0} << (8 * width);
  return static_cast<int64_t>(v);
}
inline void store_unsigned(uint8_t* p, size_t width, uint64_t v) {
  for (size_t i = 0; i < width; ++i) p[i] = i < 8 ? static_cast<uint8_t>(v >> (8 * i)) : 0;
}

// The 32-byte header of page p of "_Storage" (at p x page size; page 0 is the file
// header: the page size, then the index roots of the paged fields).
//
// Offset Width Meaning
//   0     4    index entry: left page (signed; balance in the signs, as Tree.n entries)
//   4     4    index entry: right page
//   8     4    not interpreted
//  12     4    free bytes (page size - 40 on a new page)
//  16     2    number of the field the page belongs to
//  18     2    entry count (signed)
//  20     2    fixed value size (the field's size)
//  22     1    field type
//  23     1    length-prefix width of type-11 values (the field's nibble N; 0 means 4)
//  24     4    page size
//  28     4    next page of the overflow chain (0 = none)
//  32     -    entries: record (4), then the value (fixed size; type 11: a length word
//              of the prefix width that counts itself, then the text); the last entry
//              may run on into the overflow chain
inline constexpr int64_t kPageHeaderSize = 32;

struct PageHeader {
  int32_t left = 0;
  int32_t right = 0;
  uint32_t free_bytes = 0;
  uint16_t field = 0;
  int16_t entry_count = 0;
  uint16_t value_size = 0;
  FieldType type = FieldType::raw;
  uint8_t prefix_nibble = 0;
  uint32_t page_size = 0;
  int32_t next_page = 0;

  // Width of the length word of a type-11 value.
  int64_t prefix_width() const { return prefix_nibble == 0 ? 4 : prefix_nibble; }
  bool holds_text() const { return type == FieldType::text; }

  static PageHeader decode(const uint8_t* p) {
    PageHeader h;
    h.left = static_cast<int32_t>(load_u32(p));
    h.right = static_cast<int32_t>(load_u32(p + 4));
    h.free_bytes = load_u32(p + 12);
    h.field = load_u16(p + 16);
    h.entry_count = static_cast<int16_t>(load_u16(p + 18));
    h.value_size = load_u16(p + 20);
    h.type = type_of_byte(p[22]);
    h.prefix_nibble = p[23];
    h.page_size = load_u32(p + 24);
    h.next_page = static_cast<int32_t>(load_u32(p + 28));
    return h;
  }
  // Writes every field; bytes 8 to 11 are left as they are.
  void encode(uint8_t* p) const {
    store_u32(p, static_cast<uint32_t>(left));
    store_u32(p + 4, static_cast<uint32_t>(right));
    store_u32(p + 12, free_bytes);
    store_u16(p + 16, field);
    store_u16(p + 18, static_cast<uint16_t>(entry_count));
    store_u16(p + 20, value_size);
    p[22] = type_byte(type);
    p[23] = prefix_nibble;
    store_u32(p + 24, page_size);
    store_u32(p + 28, static_cast<uint32_t>(next_page));
  }
};

}  // namespace bw::store
