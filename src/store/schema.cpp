// Schema files in their three encodings, converted into the one native image.
//
// Native schema file (also the in-memory image):
//   Offset Width Meaning
//     0     4    magic 0xE15ACE75
//     4     4    number of top-level fields F (signed)
//     8     7    kept, not interpreted
//    15     1    0x27: entries of Tree.n files are scrambled
//    16    16*n  descriptors (store_format.h): top-level fields, then sub-fields of groups
//   after  -     NUL-terminated names, addressed by the descriptors' name offsets
//
// Compact schema file (magic 0x1EA5318B):
//     0     4    magic
//     4     2    F (signed)
//     6     8    become native header bytes 8..15 (byte 15 is then cleared)
//    16     -    per field a 12-byte entry and its NUL-terminated name; a group entry is
//                followed directly by the entries of its sub-fields (one level only)
//   entry byte 0: bits 0-3 type code, bit 5 -> flag 0x80, bit 6 -> 0x20, bit 7 -> 0x10
//   entry byte 1: flag bits 0-3, or for a group its number of sub-fields
//   entry bytes 4-7: low 14 bits are the size
//
// Legacy schema file (magic 0x00538134, 0x00538136 or 0xFFAC7ECC):
//     0     4    magic
//     4     2    F (unsigned)
//    16    2*F   one (A, B) pair per field
//   after  -     F NUL-terminated names
#include "store/schema.h"

#include <array>

#include "platform/file.h"
#include "platform/path.h"

namespace bw::store {
namespace {

constexpr uint8_t kCompactGroup = kNativeToCompact[type_byte(FieldType::group)];
constexpr size_t kCompactEntrySize = 12;

// One field in the compact encoding; the legacy encoding is first turned into these.
struct CompactEntry {
  uint8_t code_and_flags = 0;  // entry byte 0
  uint8_t count = 0;           // entry byte 1
  uint32_t size = 0;           // entry bytes 4..7
  std::string name;
  std::vector<CompactEntry> subs;
};

// Reads a NUL-terminated name at `pos`; false when no NUL ends it inside the file.
bool take_name(const std::vector<uint8_t>& file, size_t& pos, std::string& name) {
  size_t end = pos;
  while (end < file.size() && file[end] != 0) ++end;
  if (end >= file.size()) return false;
  name.assign(reinterpret_cast<const char*>(file.data() + pos), end - pos);
  pos = end + 1;
  return true;
}

bool take_compact_entry(const std::vector<uint8_t>& file, size_t& pos, CompactEntry& e) {
  if (file.size() < kCompactEntrySize || pos > file.size() - kCompactEntrySize) return false;
  e.code_and_flags = file[pos];
  e.count = file[pos + 1];
  e.size = load_u32(&file[pos + 4]);
  pos += kCompactEntrySize;
  return take_name(file, pos, e.name);
}

bool parse_compact(const std::vector<uint8_t>& file, std::vector<CompactEntry>& fields) {
  if (file.size() < kSchemaHeaderSize) return false;
  const int16_t count = static_cast<int16_t>(load_u16(&file[4]));
  if (count < 0) return false;
  size_t pos = kSchemaHeaderSize;
  fields.resize(static_cast<size_t>(count));
  for (auto& field : fields) {
    if (!take_compact_entry(file, pos, field)) return false;
    if ((field.code_and_flags & 0x0F) != kCompactGroup) continue;
    field.subs.resize(field.count);
    for (auto& sub : field.subs)
      if (!take_compact_entry(file, pos, sub)) return false;
  }
  return true;
}

bool parse_legacy(const std::vector<uint8_t>& file, uint32_t magic,
                  std::vector<CompactEntry>& fields) {
  if (file.size() < kSchemaHeaderSize) return false;
  const size_t count = load_u16(&file[4]);
  if (file.size() - kSchemaHeaderSize < 2 * count) return false;
  fields.resize(count);
  size_t name_pos = kSchemaHeaderSize + 2 * count;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t a = file[kSchemaHeaderSize + 2 * i];
    const uint8_t b = file[kSchemaHeaderSize + 2 * i + 1];
    const uint8_t t = a & 0x0F;
    uint8_t flag_bits = a & 0xE0;
    if (t == 1 && (a & 0x40)) flag_bits = static_cast<uint8_t>((flag_bits & ~0x40) | 0x20);
    uint8_t code = t;
    uint32_t size = b;
    uint8_t count_byte = 0;
    switch (t) {
      case 1: size = 4; break;
      case 3: size = magic == kMagicLegacyDated ? 4 : 3; break;
      case 4: code = 5; size = 1; break;
      case 5: size = 2; break;
      case 6: size = 4; count_byte = b; break;
      case 7: code = 5; size = 4; break;
      case 8: code = 7; size = 8; count_byte = b; break;
      case 9: code = 7; break;
      case 14: code = 8; break;
      default: break;
    }
    CompactEntry& e = fields[i];
    e.code_and_flags = static_cast<uint8_t>(code | flag_bits);
    e.count = count_byte;
    e.size = size;
    if (!take_name(file, name_pos, e.name)) return false;
  }
  return true;
}

FieldDescriptor native_descriptor(const CompactEntry& e, bool is_group) {
  FieldDescriptor d;
  const uint8_t b0 = e.code_and_flags;
  d.type = kCompactToNative[b0 & 0x0F];
  if (b0 & 0x20) d.flags |= kFlagPaged;
  if (b0 & 0x40) d.flags |= 0x20;
  if (b0 & 0x80) d.flags |= kFlagOwnBank;
  if (!is_group) d.flags |= e.count & kFlagCount;
  d.size = static_cast<uint16_t>(e.size & 0x3FFF);
  return d;
}

void put_descriptor(uint8_t* p, const FieldDescriptor& d) {
  p[0] = type_byte(d.type);
  p[1] = d.flags;
  store_u16(p + 2, d.size);
  store_u32(p + 4, d.sub_count);
  store_u32(p + 8, d.sub_first);
  store_u32(p + 12, d.name_offset);
}

// Builds the native image from compact entries; `header` gives native bytes 8..15.
std::vector<uint8_t> compact_to_native(const std::vector<CompactEntry>& fields,
                                       uint32_t image_magic, const uint8_t* header_8_15) {
  std::vector<FieldDescriptor> descriptors;
  std::vector<const std::string*> names;
  const size_t top = fields.size();
  size_t total = top;
  for (const auto& f : fields) total += f.subs.size();
  descriptors.resize(total);
  names.resize(total);
  size_t next_sub = top;
  for (size_t i = 0; i < top; ++i) {
    const CompactEntry& f = fields[i];
    const bool group = (f.code_and_flags & 0x0F) == kCompactGroup;
    descriptors[i] = native_descriptor(f, group);
    names[i] = &f.name;
    if (!group) continue;
    descriptors[i].sub_count = static_cast<uint32_t>(f.subs.size());
    descriptors[i].sub_first = static_cast<uint32_t>(next_sub);
    for (const auto& s : f.subs) {
      // Sub-fields are one level deep: a group among them has no sub-fields of its own.
      descriptors[next_sub] = native_descriptor(s, (s.code_and_flags & 0x0F) == kCompactGroup);
      names[next_sub] = &s.name;
      ++next_sub;
    }
  }
  std::vector<uint8_t> image(kSchemaHeaderSize + kDescriptorSize * total);
  store_u32(&image[0], image_magic);
  store_u32(&image[4], static_cast<uint32_t>(top));
  for (int i = 0; i < 8; ++i) image[8 + i] = header_8_15[i];
  image[15] = 0;
  for (size_t i = 0; i < total; ++i) {
    descriptors[i].name_offset = static_cast<uint32_t>(image.size());
    image.insert(image.end(), names[i]->begin(), names[i]->end());
    image.push_back(0);
  }
  for (size_t i = 0; i < total; ++i)
    put_descriptor(&image[kSchemaHeaderSize + kDescriptorSize * i], descriptors[i]);
  return image;
}

bool name_fits(const std::vector<uint8_t>& image, uint32_t offset) {
  if (offset >= image.size()) return false;
  for (size_t p = offset; p < image.size(); ++p)
    if (image[p] == 0) return true;
  return false;
}

// Walks the descriptor tree from the top-level fields, decoding each descriptor once.
// A descriptor reached twice, a sub-field table outside the image or nesting deeper than
// kMaxGroupDepth makes the schema damaged.
bool decode_table(Schema& s, size_t first, size_t count, size_t available,
                  std::vector<uint8_t>& seen, int depth) {
  if (depth > kMaxGroupDepth) return false;
  if (first > available || count > available - first) return false;
  for (size_t i = first; i < first + count; ++i) {
    if (seen[i]) return false;
    seen[i] = 1;
    const uint8_t* p = &s.image[kSchemaHeaderSize + kDescriptorSize * i];
    FieldDescriptor& d = s.fields[i];
    d.type = type_of_byte(p[0]);
    d.flags = p[1];
    d.size = load_u16(p + 2);
    d.sub_count = load_u32(p + 4);
    d.sub_first = load_u32(p + 8);
    d.name_offset = load_u32(p + 12);
    if (!name_fits(s.image, d.name_offset)) return false;
    if (d.type != FieldType::group) continue;
    if (!decode_table(s, d.sub_first, d.sub_count, available, seen, depth + 1)) return false;
  }
  return true;
}

}  // namespace

SchemaEncoding encoding_of_magic(uint32_t magic) {
  switch (magic) {
    case kMagicNative: return SchemaEncoding::native;
    case kMagicCompact: return SchemaEncoding::compact;
    case kMagicLegacy:
    case kMagicLegacyDated:
    case kMagicLegacyOld: return SchemaEncoding::legacy;
    default: return SchemaEncoding::none;
  }
}

std::string join_store_path(std::string_view dir, std::string_view name) {
  dir = dir.substr(0, dir.find('\n'));
  name = name.substr(0, name.find('\n'));
  if (name == dir) return schema_path(dir);
  return platform::join_path(dir, name);
}

std::string schema_path(std::string_view dir) {
  dir = dir.substr(0, dir.find('\n'));
  const std::string_view written = platform::last_path_component(dir);
  std::string path = platform::join_path(dir, written);
  if (written != "." && written != ".." && !written.empty() && platform::file_exists(path))
    return path;
  const std::string real = platform::real_folder_name(dir);
  return real.empty() || real == written ? path : platform::join_path(dir, real);
}

SchemaEncoding probe_store(std::string_view parent, std::string_view name) {
  std::string dir;
  if (parent.empty() || parent == ".") {
    dir = std::string(name);
  } else {
    dir = join_store_path(parent, name);
  }
  const std::string path = schema_path(dir);
  const platform::File file = platform::File::open(path, platform::FileAccess::read_only);
  uint8_t magic[4];
  if (file.read_fully_at(0, magic, sizeof magic) != sizeof magic) return SchemaEncoding::none;
  return encoding_of_magic(load_u32(magic));
}

std::string_view Schema::name(size_t index) const {
  if (index >= fields.size()) return {};
  const uint32_t offset = fields[index].name_offset;
  if (offset >= image.size()) return {};
  const char* start = reinterpret_cast<const char*>(image.data() + offset);
  size_t len = 0;
  while (offset + len < image.size() && start[len] != 0) ++len;
  return {start, len};
}

bool load_schema(std::vector<uint8_t> file, Schema& out) {
  out = Schema{};
  if (file.size() < 4) return false;
  out.file_magic = load_u32(file.data());
  const SchemaEncoding encoding = encoding_of_magic(out.file_magic);
  if (encoding == SchemaEncoding::none) return false;
  if (encoding == SchemaEncoding::native) {
    out.image = std::move(file);
  } else {
    std::vector<CompactEntry> fields;
    uint8_t header_8_15[8] = {};
    if (encoding == SchemaEncoding::legacy) {
      if (!parse_legacy(file, out.file_magic, fields)) return false;
      for (int i = 0; i < 8; ++i) header_8_15[i] = file[6 + i];
      out.image = compact_to_native(fields, kMagicLegacy, header_8_15);
      out.legacy_family = true;
      if (out.file_magic == kMagicLegacyDated) out.image[15] = kTreeScrambled;
    } else {
      if (!parse_compact(file, fields)) return false;
      for (int i = 0; i < 8; ++i) header_8_15[i] = file[6 + i];
      out.image = compact_to_native(fields, kMagicCompact, header_8_15);
    }
  }
  if (out.image.size() < kSchemaHeaderSize) return false;
  out.image_magic = load_u32(out.image.data());
  const int32_t count = load_i32(&out.image[4]);
  const size_t available = (out.image.size() - kSchemaHeaderSize) / kDescriptorSize;
  if (count < 0 || static_cast<size_t>(count) > available) return false;
  out.field_count = static_cast<uint32_t>(count);
  out.fields.assign(available, FieldDescriptor{});
  std::vector<uint8_t> seen(available, 0);
  if (!decode_table(out, 0, out.field_count, available, seen, 0)) return false;
  return true;
}

}  // namespace bw::store
