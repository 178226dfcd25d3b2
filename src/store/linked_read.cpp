// Reads that leave the store: links into other stores, expression fields evaluated through
// the "_Expression" sub-store, and virtual fields served by the plug-in.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "store/expression.h"
#include "store/store_links.h"
#include "store/store_state.h"

namespace bw::store {
namespace {

int64_t number_of_bytes(const std::vector<uint8_t>& bytes, int length, size_t width) {
  if (length <= 0) return 0;
  return load_signed(bytes.data(), std::min<size_t>({width, static_cast<size_t>(length), 8}));
}

// Reads `path` of `record` in the store at `store_path` (through `links`).
int read_in(StoreLinks& links, const std::string& store_path, int64_t record,
            const FieldPath& path, std::string& buffer) {
  if (record < 1 || record > INT32_MAX) return 0;
  RecordStore* target = links.get(store_path);
  if (target == nullptr) return -1;
  StoreLinks* target_links = links.links_of(target);
  if (path.empty()) return 0;
  return read_field_linked(*target, *target_links, static_cast<int>(record), path, buffer);
}


// A complex value (type 16) of a top-level field: the first N bytes of its inline slot
// select a field of the "_Complex" sub-store; a value of at most 4 bytes follows inline,
// a larger one lies in Bank.0 behind the reference that follows.
int read_complex(RecordStore& store, StoreLinks& links, int record, int index,
                 std::string& buffer) {
  const FieldDescriptor& d = store.schema().fields[static_cast<size_t>(index)];
  const FieldLocation& loc = store.location(static_cast<size_t>(index));
  if (loc.record_offset < 0 || record < 1 || record > store.record_count()) return -1;
  RecordStore* sub = links.get(store.path() + "/_Complex");
  if (sub == nullptr) return -1;
  const int64_t at = store.header_size() + int64_t{record - 1} * store.record_size() +
                     loc.record_offset;
  const uint8_t* slot = store.read(StoreFile::main, at, d.size);
  if (slot == nullptr) return -1;
  const std::vector<uint8_t> inline_bytes(slot, slot + d.size);
  const size_t n = static_cast<size_t>(d.count_nibble());
  if (n > inline_bytes.size() || n > 4) return -1;
  const uint64_t selector = load_unsigned(inline_bytes.data(), n);
  if (selector == 0) return 0;
  if (selector > sub->schema().fields.size()) return -1;
  const FieldDescriptor& sd = sub->schema().fields[selector - 1];
  const size_t rest = inline_bytes.size() - n;
  std::vector<uint8_t> value;
  if (sd.size <= 4) {
    if (sd.size > rest) return -1;
    value.assign(inline_bytes.begin() + static_cast<std::ptrdiff_t>(n),
                 inline_bytes.begin() + static_cast<std::ptrdiff_t>(n + sd.size));
  } else {
    const int64_t reference = load_signed(inline_bytes.data() + n, std::min<size_t>(rest, 8));
    if (reference == 0) return 0;
    if (reference < 0) return -1;
    const int64_t width = sd.count_nibble() == 0 ? 4 : sd.count_nibble();
    if (width > 8) return -1;
    const uint8_t* words = store.read(StoreFile::heap, reference - 1, 2 * width);
    if (words == nullptr) return -1;
    int64_t offset = reference - 1 + 2 * width;
    int64_t length = static_cast<int64_t>(load_unsigned(words + width, static_cast<size_t>(width))) - width;
    if (store.schema().image_magic != kMagicNative) {
      offset = reference - 1 + 4;
      length = static_cast<int64_t>(load_unsigned(words, static_cast<size_t>(width)));
    }
    if (length < 0 || length > (int64_t{1} << 30)) return -1;
    const uint8_t* data = length == 0 ? words : store.read(StoreFile::heap, offset, length);
    if (data == nullptr) return -1;
    value.assign(data, data + length);
  }
  if (value.empty()) return 0;
  ValueContext context = expression_context(store, record, &links);
  context.image_magic = sub->schema().image_magic;
  const int length = format_value(ValueField::of(sd), value, context, buffer);
  if (length < 0) buffer.clear();
  return length;
}

}  // namespace

int read_field_linked(RecordStore& store, StoreLinks& links, int record, const FieldPath& path,
                      std::string& buffer) {
  buffer.clear();
  if (path.empty()) return -1;
  if (path[0].field > static_cast<int>(store.field_count())) {
    std::string text;
    if (links.plugin().read_virtual(store, record, path, text) < 0) return -1;
    buffer = std::move(text);
    return static_cast<int>(buffer.size());
  }
  for (int level = 0; level < path.count; ++level) {
    if (path[level].field < 0 || path[level].element < 0) break;  // numeric aggregation
    const int index = store.descriptor_at(path, level);
    if (index < 0) break;
    const FieldDescriptor& d = store.schema().fields[static_cast<size_t>(index)];
    const bool more = level + 1 < path.count;
    if (d.type == FieldType::complex) {
      if (level != 0 || more) return -1;  // complex values are top-level fields
      return read_complex(store, links, record, index, buffer);
    }
    const bool is_link = d.type == FieldType::link || d.type == FieldType::position_link;
    if (!(is_link && more) && d.type != FieldType::expression) {
      if (d.type == FieldType::group && more) continue;
      break;
    }
    FieldPath head = path;
    head.count = level + 1;
    const ReadResult raw = store.read_raw(record, head, true);
    if (raw.length < 0) return -1;
    if (raw.length == 0) return 0;
    const FieldPath rest = path.below(level + 1);
    if (d.type == FieldType::expression) {
      const int64_t formula = number_of_bytes(raw.bytes, raw.length, d.size);
      std::string text;
      FieldPath first = FieldPath::of(1);
      if (read_in(links, store.path() + "/_Expression", formula, first, text) <= 0) return -1;
      buffer = fixed_text(evaluate(store, record, text, &links), 6);
      return static_cast<int>(buffer.size());
    }
    const std::string target = linked_store_path(store.path(), store.schema().name(index));
    if (d.type == FieldType::link)
      return read_in(links, target, number_of_bytes(raw.bytes, raw.length, d.size), rest, buffer);
    // Position link: a record of the target store, then either the rest of the path there
    // (when it names field 1) or a second record in the store that record names.
    const size_t n = static_cast<size_t>(d.count_nibble());
    const int64_t first_record = number_of_bytes(raw.bytes, raw.length, n);
    if (first_record < 1) return 0;
    if (rest[0].field == 1) return read_in(links, target, first_record, rest, buffer);
    std::vector<uint8_t> tail;
    if (static_cast<size_t>(raw.length) > n)
      tail.assign(raw.bytes.begin() + static_cast<std::ptrdiff_t>(n),
                  raw.bytes.begin() + raw.length);
    const int64_t second_record =
        number_of_bytes(tail, static_cast<int>(tail.size()), d.size > n ? d.size - n : 0);
    std::string name;
    if (read_in(links, target, first_record, FieldPath::of(1), name) <= 0) return 0;
    name.resize(std::strlen(name.c_str()));  // a fixed text's padding is no part of the name
    if (name.find(':') != std::string::npos) return 0;
    RecordStore* holder = links.get(target);
    if (holder == nullptr) return -1;
    return read_in(*links.links_of(holder), linked_store_path(holder->path(), name),
                   second_record, rest, buffer);
  }
  return store.read_field(record, path, buffer);
}

int read_field_linked(RecordStore& store, int record, const FieldPath& path, std::string& buffer) {
  return read_field_linked(store, store.state().links, record, path, buffer);
}

}  // namespace bw::store
