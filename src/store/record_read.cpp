// Reading records: the stored bytes of a field path, the field as text, and its number.
//
// Out-of-line block (Bank.0, at reference - 1), L = the flag nibble (0 -> 4; arrays 4):
//   native:      P (L bytes), Q (L bytes), then Q - L data bytes; arrays: Q - L used,
//                P reserved (P < Q is damage), elements of `size` bytes
//   other stores: non-arrays hold P data bytes from 4 bytes into the block; arrays hold
//                Q elements from 2L bytes into the block
//
// "_Storage" pages are read through store_pages.h.
#include <cmath>
#include <limits>

#include "store/record_store.h"
#include "store/store_pages.h"
#include "store/value_text.h"

namespace bw::store {
namespace {

constexpr int64_t kMaxValueLength = std::numeric_limits<int>::max() - 1;

bool is_link_like(FieldType type) {
  return type == FieldType::link || type == FieldType::position_link ||
         type == FieldType::expression;
}

void set_value(ReadResult& r, std::vector<uint8_t>&& bytes, int length) {
  r.bytes = std::move(bytes);
  r.bytes.resize(static_cast<size_t>(length) + 1);
  r.bytes[static_cast<size_t>(length)] = 0;
  r.length = length;
}

// The k-th newline-ended line of `text`, without its newline; false when there is none.
bool select_line(std::vector<uint8_t>& text, int length, int k) {
  int line = 1;
  int start = 0;
  for (int i = 0; i < length; ++i) {
    if (text[static_cast<size_t>(i)] != '\n') continue;
    if (line == k) {
      text.erase(text.begin() + i, text.end());
      text.erase(text.begin(), text.begin() + start);
      return true;
    }
    ++line;
    start = i + 1;
  }
  return false;
}

}  // namespace

int RecordStore::fetch_block(const FieldDescriptor& d, const FieldLocation& loc,
                             int64_t reference, int element, std::vector<uint8_t>& out) {
  if (reference == 0) return 0;
  if (reference < 0) return -1;
  const int slot = (schema_.legacy_family && d.has_own_bank()) ? loc.bank_slot
                                                                : static_cast<int>(StoreFile::heap);
  const int64_t block = reference - 1;
  const int64_t width = d.is_array() ? 4 : (d.count_nibble() == 0 ? 4 : d.count_nibble());
  if (width > 8) return -1;
  const uint8_t* words = read(slot, block, 2 * width);
  if (words == nullptr) return -1;
  const int64_t p = static_cast<int64_t>(load_unsigned(words, static_cast<size_t>(width)));
  const int64_t q = static_cast<int64_t>(load_unsigned(words + width, static_cast<size_t>(width)));
  const bool native = schema_.image_magic == kMagicNative;

  int64_t data_offset = 0;
  int64_t data_length = 0;
  if (!d.is_array()) {
    if (native) {
      if (q < width) return -1;
      data_offset = block + 2 * width;
      data_length = q - width;
    } else {
      data_offset = block + 4;
      data_length = p;
    }
  } else {
    if (d.size == 0) return -1;
    int64_t count = 0;
    if (native) {
      if (q < width) return -1;
      count = (q - width) / d.size;
    } else {
      count = q;
    }
    // The elements must lie inside the bank: a count read from a damaged block could
    // otherwise send callers through billions of elements that are not there.
    const int64_t bank_size = slots_[static_cast<size_t>(slot)]->size();
    if (count > (bank_size - block - 2 * width) / d.size) return -1;
    if (element < 0) return count > kMaxValueLength ? -1 : static_cast<int>(count);
    if (native && p < q) return -1;
    if (element == 0) {
      data_offset = block + 2 * width;
      data_length = native ? q - width : count * d.size;
    } else {
      if (element > count) return 0;
      data_offset = block + 2 * width + (element - 1) * int64_t{d.size};
      data_length = d.size;
    }
  }
  if (data_length > kMaxValueLength) return -1;
  const uint8_t* data = read(slot, data_offset, data_length);
  if (data == nullptr) return -1;
  out.reserve(static_cast<size_t>(data_length) + 1);  // room for the NUL added later
  out.assign(data, data + data_length);
  return static_cast<int>(data_length);
}

int RecordStore::fetch_paged(int record, int64_t page, std::vector<uint8_t>& out) {
  if (page == 0) return 0;
  if (page < 0) return -1;
  PageReader reader(*this, page);
  if (!reader.valid()) return -1;
  PageEntry entry;
  PageReader::Step step;
  while ((step = reader.next(entry)) == PageReader::Step::entry) {
    if (entry.record != record) continue;
    if (entry.length > kMaxValueLength || entry.length > slot(StoreFile::storage).size())
      return -1;
    return reader.read_value(entry, out) ? static_cast<int>(entry.length) : -1;
  }
  return step == PageReader::Step::damaged ? -1 : 0;
}

int RecordStore::fetch_value(int record, const FieldDescriptor& d, const FieldLocation& loc,
                             const uint8_t* inline_bytes, int element,
                             std::vector<uint8_t>& out) {
  if (d.is_paged() && !schema_.legacy_family)
    return fetch_paged(record, load_i32(inline_bytes), out);
  if (loc.out_of_line)
    return fetch_block(d, loc, load_signed(inline_bytes, loc.inline_width), element, out);
  out.reserve(loc.inline_width + 1);
  out.assign(inline_bytes, inline_bytes + loc.inline_width);
  return static_cast<int>(loc.inline_width);
}

ReadResult RecordStore::read_raw(int record, const FieldPath& path, bool stored_only) {
  ReadResult r;
  std::copy_n(schema_.image.begin(), kSchemaHeaderSize, r.header.begin());
  if (path.empty()) return r;
  // Fields beyond the schema are virtual and served by the store's plug-in, which this
  // build does not load: such reads fail.
  if (path[0].field > static_cast<int>(schema_.field_count)) return r;
  if (record < 1) return r;
  if (record > record_count_ && record > record_count()) return r;

  const bool legacy = schema_.legacy_family;
  size_t first = 0;
  size_t count = schema_.field_count;
  // Inline bytes of the current table: the record in "Main" at the top, then the value
  // of each group passed through.
  std::vector<uint8_t> table_bytes;
  bool in_main = true;
  const int64_t base = header_size_ + int64_t{record - 1} * record_size_;
  for (int level = 0; level < path.count; ++level) {
    const int f = path[level].field < 1 ? 1 : path[level].field;
    const int element = path[level].element;
    r.level = level;
    r.rest = path.below(level + 1);
    if (static_cast<size_t>(f) > count) {
      set_value(r, {}, 0);
      return r;
    }
    const size_t index = first + static_cast<size_t>(f) - 1;
    const FieldDescriptor& d = schema_.fields[index];
    const FieldLocation& loc = locations_[index];
    r.descriptor = d;

    // The inline slot of the field: in its own bank, or in the current table's bytes.
    const uint8_t* slot_bytes = nullptr;
    if (loc.record_offset < 0) {
      const int64_t at = int64_t{legacy ? record : record - 1} * d.size;
      slot_bytes = read(loc.bank_slot, at, loc.inline_width);
    } else if (in_main) {
      slot_bytes = read(StoreFile::main, base + loc.record_offset, loc.inline_width);
    } else if (loc.record_offset + loc.inline_width <= static_cast<int64_t>(table_bytes.size())) {
      slot_bytes = table_bytes.data() + loc.record_offset;
    }
    if (slot_bytes == nullptr) return r;

    std::vector<uint8_t> value;
    int length = -1;
    if (d.type == FieldType::complex) return r;  // needs the "_Complex" sub-store
    length = fetch_value(record, d, loc, slot_bytes, element, value);
    if (length < 0) return r;
    if (d.is_array() && element < 0) {
      set_value(r, {}, length);  // the element count
      return r;
    }
    const bool more = level + 1 < path.count;
    if (d.type == FieldType::group && more && length > 0) {
      table_bytes = std::move(value);
      in_main = false;
      first = d.sub_first;
      count = d.sub_count;
      continue;
    }
    // Links and expressions are followed into other stores when the path goes on below
    // them (always in the legacy family); that needs the linked stores, not loaded here.
    if (is_link_like(d.type) && (more || (legacy && !stored_only)) && length > 0) {
      // A link to record 0 (or below 1 for a position link) leads nowhere: no value.
      const size_t number_width =
          d.type == FieldType::position_link ? static_cast<size_t>(d.count_nibble()) : value.size();
      const int64_t target = load_signed(value.data(), std::min(number_width, value.size()));
      if ((d.type == FieldType::link && target == 0) ||
          (d.type == FieldType::position_link && target < 1)) {
        set_value(r, {}, 0);
        return r;
      }
      return r;
    }
    if (d.type == FieldType::text && !d.is_array() && length > 0) {
      const int k = element != 0 ? element : (more ? path[level + 1].field : 0);
      if (k > 0) {
        if (!select_line(value, length, k)) value.clear();
        length = static_cast<int>(value.size());
      }
    }
    set_value(r, std::move(value), length);
    return r;
  }
  return r;
}

int RecordStore::read_field(int record, int field, std::string& buffer) {
  return read_field(record, FieldPath::of(field), buffer);
}

int RecordStore::read_field(int record, const FieldPath& path, std::string& buffer) {
  buffer.clear();
  if (path.empty()) return -1;
  if (path[0].field > static_cast<int>(schema_.field_count)) return -1;  // plug-in field
  if (record < 1 || (record > record_count_ && record > record_count())) return -1;

  for (const PathLevel& level : path.view()) {
    if (level.field >= 0 && level.element >= 0) continue;
    std::string number = fixed_text(static_cast<double>(read_number(record, path)), 6);
    if (number.find('.') != std::string::npos)
      while (number.size() > 2 && number.back() == '0') number.pop_back();
    buffer = std::move(number);
    return static_cast<int>(buffer.size());
  }

  ReadResult r = read_raw(record, path);
  if (r.length < 1) return r.length;
  const FieldDescriptor& d = r.descriptor;
  const auto value = std::span<const uint8_t>(r.bytes.data(), static_cast<size_t>(r.length));
  if (d.type == FieldType::raw ||
      (d.type == FieldType::text && d.is_paged() && !schema_.legacy_family)) {
    buffer.assign(reinterpret_cast<const char*>(value.data()), value.size());
    return r.length;
  }
  const int level = r.level;
  const bool selects_below = level + 1 < path.count;
  if (d.is_array() && path[level].element == 0) {
    FieldPath element_path = path;
    element_path.count = level + 1;
    element_path.levels[static_cast<size_t>(level)].element = -1;
    const ReadResult counted = read_raw(record, element_path);
    std::string element_text;
    for (int k = 1; k <= counted.length; ++k) {
      element_path.levels[static_cast<size_t>(level)].element = k;
      if (read_field(record, element_path, element_text) <= 0) continue;
      buffer += '[';
      buffer += element_text;
      buffer += ']';
    }
    return static_cast<int>(buffer.size());
  }
  if (d.type == FieldType::group && !selects_below) {
    FieldPath sub_path = path;
    sub_path.count = level + 1;
    if (!sub_path.push(PathLevel{1, 0})) return -1;
    std::string sub_text;
    buffer = "{";
    for (uint32_t k = 1; k <= d.sub_count; ++k) {
      sub_path.levels[static_cast<size_t>(level) + 1].field = static_cast<int>(k);
      if (read_field(record, sub_path, sub_text) <= 0) continue;
      if (k > 1) buffer += ';';
      buffer += sub_text;
    }
    buffer += '}';
    return static_cast<int>(buffer.size());
  }

  ValueField field = ValueField::of(d);
  if (d.is_paged() && !schema_.legacy_family && selects_below) field.flags &= ~kFlagPaged;
  ValueContext context;
  context.image_magic = schema_.image_magic;
  const int length = format_value(field, value, context, buffer);
  if (length < 0) buffer.clear();
  return length;
}

long double RecordStore::read_number(int record, const FieldPath& path) {
  return number_of(record, path, 0);
}

long double RecordStore::number_of(int record, FieldPath path, int depth) {
  if (depth > 2 * kMaxPathLevels || path.empty()) return 0;
  // Every field of a table: the sum of their numbers.
  for (int i = 0; i < path.count; ++i) {
    if (path[i].field >= 0) continue;
    size_t count = schema_.field_count;
    if (i > 0) {
      const int group = descriptor_at(path, i - 1);
      if (group < 0 || schema_.fields[static_cast<size_t>(group)].type != FieldType::group)
        return 0;
      count = schema_.fields[static_cast<size_t>(group)].sub_count;
    }
    long double sum = 0;
    for (size_t f = 1; f <= count; ++f) {
      path.levels[static_cast<size_t>(i)].field = static_cast<int>(f);
      sum += number_of(record, path, depth + 1);
    }
    return sum;
  }
  // Every element of an array: the sum of the elements' numbers.
  for (int i = 0; i < path.count; ++i) {
    if (path[i].element >= 0) continue;
    const int index = descriptor_at(path, i);
    if (index < 0 || !schema_.fields[static_cast<size_t>(index)].is_array()) {
      path.levels[static_cast<size_t>(i)].element = 0;
      continue;
    }
    FieldPath counting = path;
    counting.count = i + 1;
    const int elements = read_raw(record, counting).length;
    long double sum = 0;
    for (int k = 1; k <= elements; ++k) {
      path.levels[static_cast<size_t>(i)].element = k;
      sum += number_of(record, path, depth + 1);
    }
    return sum;
  }

  const ReadResult r = read_raw(record, path);
  if (r.length <= 0) return 0;
  const FieldDescriptor& d = r.descriptor;
  if (d.type == FieldType::group && r.level + 1 == path.count) {
    FieldPath sub = path;
    if (!sub.push(PathLevel{-1, 0})) return 0;
    return number_of(record, sub, depth + 1);
  }
  const uint8_t* v = r.bytes.data();
  const size_t n = static_cast<size_t>(r.length);
  switch (d.type) {
    case FieldType::single_float: {
      if (n < 4) return 0;
      float f;
      std::memcpy(&f, v, 4);
      return f;
    }
    case FieldType::double_float: {
      if (n < 8) return 0;
      double f;
      std::memcpy(&f, v, 8);
      return f;
    }
    case FieldType::signed_integer:
    case FieldType::unsigned_integer: {
      const size_t width = std::min<size_t>(n, d.size);
      long double value = d.type == FieldType::unsigned_integer
                              ? static_cast<long double>(load_unsigned(v, width))
                              : static_cast<long double>(load_signed(v, width));
      if (schema_.image_magic == kMagicCompact) {
        if (value == 0) return 0;
        if (value > 0) value -= 1;
      }
      for (int k = 0; k < d.count_nibble(); ++k) value /= 10;
      return value;
    }
    default:
      return 0;
  }
}

}  // namespace bw::store
