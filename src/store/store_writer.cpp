// The store writer. The schema file is written first and opened with RecordStore, so that
// the data files follow exactly the layout the reader computes for that schema.
//
// Index entry (8 bytes): left, right (signed 32-bit record or page numbers, 0 = none);
// a negative left alone means balance -1, a negative right alone +1. Entry 0 of an index
// holds the height bound (left) and the root (right).
#include "store/store_writer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <memory>
#include <numeric>

#include "platform/file.h"
#include "platform/path.h"
#include "store/collation.h"
#include "store/record_store.h"
#include "store/schema.h"

namespace bw::store {
namespace {

void set_error(std::string* error, std::string text) {
  if (error != nullptr) *error = std::move(text);
}

// ---- schema files -----------------------------------------------------------------

struct FlatField {
  const WriterField* field;
  uint32_t sub_first = 0;
};

// Top-level fields first, then the sub-fields of each group, each group's contiguous.
std::vector<FlatField> flatten(const std::vector<WriterField>& fields) {
  std::vector<FlatField> flat;
  for (const auto& f : fields) flat.push_back({&f});
  for (size_t i = 0; i < flat.size(); ++i) {
    if (flat[i].field->type != FieldType::group) continue;
    flat[i].sub_first = static_cast<uint32_t>(flat.size());
    for (const auto& m : flat[i].field->members) flat.push_back({&m});
  }
  return flat;
}

std::vector<uint8_t> native_schema(const std::vector<WriterField>& fields, bool scrambled) {
  const auto flat = flatten(fields);
  std::vector<uint8_t> image(kSchemaHeaderSize + kDescriptorSize * flat.size());
  store_u32(&image[0], kMagicNative);
  store_u32(&image[4], static_cast<uint32_t>(fields.size()));
  if (scrambled) image[15] = kTreeScrambled;
  for (size_t i = 0; i < flat.size(); ++i) {
    const WriterField& f = *flat[i].field;
    uint8_t* d = &image[kSchemaHeaderSize + kDescriptorSize * i];
    d[0] = type_byte(f.type);
    d[1] = f.flags;
    store_u16(d + 2, f.size);
    if (f.type == FieldType::group) {
      store_u32(d + 4, static_cast<uint32_t>(f.members.size()));
      store_u32(d + 8, flat[i].sub_first);
    }
    store_u32(d + 12, static_cast<uint32_t>(image.size()));
    image.insert(image.end(), f.name.begin(), f.name.end());
    image.push_back(0);
  }
  return image;
}

bool compact_entry(const WriterField& f, bool nested, std::vector<uint8_t>& out,
                   std::string* error) {
  if (type_byte(f.type) >= kNativeToCompact.size() ||
      kNativeToCompact[type_byte(f.type)] == kNoCompactCode) {
    set_error(error, "field \"" + f.name + "\": type has no compact form");
    return false;
  }
  if ((f.flags & 0x40) && !(f.flags & 0x20)) {
    set_error(error, "field \"" + f.name + "\": array bit 0x40 has no compact form");
    return false;
  }
  uint8_t entry[12] = {};
  entry[0] = kNativeToCompact[type_byte(f.type)];
  if (f.flags & kFlagPaged) entry[0] |= 0x20;
  if (f.flags & kFlagArray) entry[0] |= 0x40;
  if (f.flags & kFlagOwnBank) entry[0] |= 0x80;
  entry[1] = f.flags & kFlagCount;
  if (f.type == FieldType::group) {
    if (nested || f.members.size() > 255) {
      set_error(error, "field \"" + f.name + "\": compact groups are one level, 255 wide");
      return false;
    }
    if (f.flags & kFlagCount) {
      set_error(error, "field \"" + f.name + "\": a compact group has no count");
      return false;
    }
    entry[1] = static_cast<uint8_t>(f.members.size());
  }
  store_u32(entry + 4, f.size);
  out.insert(out.end(), entry, entry + 12);
  out.insert(out.end(), f.name.begin(), f.name.end());
  out.push_back(0);
  if (f.type == FieldType::group)
    for (const auto& m : f.members)
      if (!compact_entry(m, true, out, error)) return false;
  return true;
}

// The legacy (A, B) pair of a field, or false when it has none.
bool legacy_pair(const WriterField& f, uint32_t magic, uint8_t& a, uint8_t& b) {
  const int n = f.flags & kFlagCount;
  int t = -1;
  b = 0;
  switch (f.type) {
    case FieldType::fixed_text: t = 0; b = static_cast<uint8_t>(f.size); break;
    case FieldType::text: if (f.size == 4) t = 1; break;
    case FieldType::link: t = 2; b = static_cast<uint8_t>(f.size); break;
    case FieldType::date: if (f.size == (magic == kMagicLegacyDated ? 4 : 3)) t = 3; break;
    case FieldType::signed_integer:
      if (n == 0) t = f.size == 1 ? 4 : f.size == 2 ? 5 : f.size == 4 ? 7 : -1;
      break;
    case FieldType::single_float: if (f.size == 4) { t = 6; b = static_cast<uint8_t>(n); } break;
    case FieldType::double_float: if (f.size == 8) { t = 8; b = static_cast<uint8_t>(n); } break;
    case FieldType::binary: t = 10; b = static_cast<uint8_t>(f.size); break;
    case FieldType::variable: t = 11; b = static_cast<uint8_t>(f.size); break;
    case FieldType::position_link: t = 12; b = static_cast<uint8_t>(f.size); break;
    case FieldType::unsigned_integer: t = 13; b = static_cast<uint8_t>(f.size); break;
    case FieldType::expression: t = 14; b = static_cast<uint8_t>(f.size); break;
    case FieldType::raw: t = 15; b = static_cast<uint8_t>(f.size); break;
    default: break;
  }
  if (t < 0 || f.size > 255) return false;
  if (n != 0 && f.type != FieldType::single_float && f.type != FieldType::double_float)
    return false;
  if ((f.flags & 0x40) && !(f.flags & 0x20)) return false;
  if (t == 1 && (f.flags & kFlagArray)) return false;  // bit 6 on a text means paged there
  a = static_cast<uint8_t>(t);
  if (f.flags & kFlagPaged) a |= 0x20;
  if (f.flags & kFlagArray) a |= 0x40;
  if (f.flags & kFlagOwnBank) a |= 0x80;
  return true;
}

// ---- values and blocks --------------------------------------------------------------

std::vector<uint8_t> fitted(const std::vector<uint8_t>& bytes, size_t size) {
  std::vector<uint8_t> out(size, 0);
  std::copy_n(bytes.begin(), std::min(size, bytes.size()), out.begin());
  return out;
}

std::vector<uint8_t> scalar_bytes(const FieldDescriptor& d, const WriterValue& v) {
  if (d.is_array()) {
    std::vector<uint8_t> all;
    for (const auto& e : v.elements) {
      const auto one = fitted(e, d.size);
      all.insert(all.end(), one.begin(), one.end());
    }
    return all;
  }
  return v.bytes;
}

// The out-of-line block of a value in a store of the given family.
bool make_block(const FieldDescriptor& d, const WriterValue& v, bool native,
                std::vector<uint8_t>& block) {
  const size_t width = d.is_array() ? 4 : (d.count_nibble() == 0 ? 4 : d.count_nibble());
  if (width > 8) return false;
  const std::vector<uint8_t> data = scalar_bytes(d, v);
  block.clear();
  if (native) {
    block.resize(2 * width + data.size());
    const uint64_t q = width + data.size();
    store_unsigned(&block[0], width, q);  // reserved = used
    store_unsigned(&block[width], width, q);
    std::copy(data.begin(), data.end(), block.begin() + static_cast<long>(2 * width));
    return true;
  }
  if (d.is_array()) {
    block.resize(2 * width + data.size());
    store_unsigned(&block[0], width, v.elements.size());
    store_unsigned(&block[width], width, v.elements.size());
    std::copy(data.begin(), data.end(), block.begin() + static_cast<long>(2 * width));
    return true;
  }
  if (width > 4) return false;  // the data starts 4 bytes in
  block.resize(std::max(4 + data.size(), 2 * width));
  store_unsigned(&block[0], width, data.size());
  std::copy(data.begin(), data.end(), block.begin() + 4);
  return true;
}

// ---- ordering for indexes -----------------------------------------------------------

// The bytes a record's value is compared by: texts as text, others as stored.
std::vector<uint8_t> key_bytes(const FieldDescriptor& d, const WriterValue& v) {
  if (!v.present) return std::vector<uint8_t>(4, 0);
  if (d.type == FieldType::text) return v.bytes;
  return fitted(v.bytes, std::max<size_t>(d.size, 1));
}

int compare_values(const FieldDescriptor& d, const std::vector<uint8_t>& a,
                   const std::vector<uint8_t>& b) {
  return compare_keys(d, a.data(), a.size(), b.data(), b.size(), 0);
}

// Index entries of a balanced tree over `order` (records or pages in key order):
// entries[k] for node k; returns the root, sets the height.
struct TreeEntry {
  int32_t left = 0;
  int32_t right = 0;
};
int build_tree(const std::vector<int>& order, size_t lo, size_t hi,
               std::map<int, TreeEntry>& entries, int& height) {
  if (lo >= hi) {
    height = 0;
    return 0;
  }
  const size_t mid = lo + (hi - lo) / 2;
  int left_height = 0;
  int right_height = 0;
  const int left = build_tree(order, lo, mid, entries, left_height);
  const int right = build_tree(order, mid + 1, hi, entries, right_height);
  const int node = order[mid];
  const int balance = right_height - left_height;
  entries[node] = {balance < 0 ? -left : left, balance > 0 ? -right : right};
  height = std::max(left_height, right_height) + 1;
  return node;
}

// ---- the writer ---------------------------------------------------------------------

class Writer {
 public:
  Writer(RecordStore& store, const WriterOptions& options, std::string* error)
      : store_(store), schema_(store.schema()), options_(options), error_(error) {}

  bool write(const std::string& dir, const std::vector<WriterRecord>& records);

 private:
  bool put_value(int record, size_t index, const WriterValue& v, uint8_t* table,
                 size_t table_size, bool top_level);
  bool put_paged();
  bool put_index(const std::string& dir, const std::vector<WriterRecord>& records);
  std::vector<uint8_t>& bank(int slot) { return banks_[slot]; }

  RecordStore& store_;
  const Schema& schema_;
  const WriterOptions& options_;
  std::string* error_;
  std::vector<uint8_t> main_;
  std::map<int, std::vector<uint8_t>> banks_;  // by file slot: 1 Bank.0, 3.. own banks
  struct PagedEntry {
    int record;
    std::vector<uint8_t> value;
    size_t slot_at;  // offset of the inline slot in main_
  };
  std::map<size_t, std::vector<PagedEntry>> paged_;  // by descriptor index
};

bool Writer::put_value(int record, size_t index, const WriterValue& v, uint8_t* table,
                       size_t table_size, bool top_level) {
  const FieldDescriptor& d = schema_.fields[index];
  const FieldLocation& loc = store_.location(index);
  const bool legacy = schema_.legacy_family;
  const std::string name(schema_.name(index));
  if (d.is_paged() && !legacy) {
    if (!top_level) {
      set_error(error_, "field \"" + name + "\": only top-level fields can be paged");
      return false;
    }
    if (v.present)
      paged_[index].push_back(
          {record, v.bytes, static_cast<size_t>(table - main_.data() + loc.record_offset)});
    return true;
  }
  uint8_t* slot = nullptr;
  if (loc.record_offset < 0) {
    // An own bank holds the field's inline slot (a reference when it is out of line).
    auto& b = bank(loc.bank_slot);
    const size_t at = static_cast<size_t>(legacy ? record : record - 1) * d.size;
    if (b.size() < at + d.size) b.resize(at + d.size, 0);
    if (loc.inline_width > d.size) {
      set_error(error_, "field \"" + name + "\": own bank slot narrower than its reference");
      return false;
    }
    slot = b.data() + at;
  } else {
    if (static_cast<size_t>(loc.record_offset) + loc.inline_width > table_size) {
      set_error(error_, "field \"" + name + "\": group size smaller than its sub-fields");
      return false;
    }
    slot = table + loc.record_offset;
  }
  if (loc.out_of_line) {
    if (!v.present) return true;
    std::vector<uint8_t> block;
    if (!make_block(d, v, schema_.image_magic == kMagicNative, block)) {
      set_error(error_, "field \"" + name + "\": length words too wide");
      return false;
    }
    const int heap_slot = static_cast<int>(StoreFile::heap);
    auto& heap = bank(legacy && d.has_own_bank() ? loc.bank_slot : heap_slot);
    const uint64_t reference = heap.size() + 1;
    // The slot may live in the bank that grows here: write the reference first.
    store_unsigned(slot, loc.inline_width, reference);
    heap.insert(heap.end(), block.begin(), block.end());
    return true;
  }
  if (d.type == FieldType::group) {
    if (!v.present) return true;
    for (size_t m = 0; m < d.sub_count && m < v.members.size(); ++m)
      if (!put_value(record, d.sub_first + m, v.members[m], slot, loc.inline_width, false))
        return false;
    return true;
  }
  const auto value = fitted(v.bytes, loc.inline_width);
  std::copy(value.begin(), value.end(), slot);
  return true;
}

// "_Storage": page 0 holds the page size and the index roots of the paged fields; each
// paged field's entries fill pages in key order, and those pages form a balanced tree.
bool Writer::put_paged() {
  if (paged_.empty() && store_.paged_fields().empty()) return true;
  const size_t page_size = static_cast<size_t>(options_.page_size);
  if (page_size < 64) {
    set_error(error_, "page size below 64");
    return false;
  }
  std::vector<std::vector<uint8_t>> pages(1, std::vector<uint8_t>(page_size, 0));
  store_u32(&pages[0][0], static_cast<uint32_t>(page_size));
  // Headers of the pages, written into the pages once every page is filled.
  std::vector<PageHeader> headers(1);
  auto new_page = [&](const FieldDescriptor& d, size_t field_number) {
    pages.emplace_back(page_size, 0);
    PageHeader h;
    h.field = static_cast<uint16_t>(field_number);
    h.value_size = d.size;
    h.type = d.type;
    h.prefix_nibble = static_cast<uint8_t>(d.count_nibble());
    h.page_size = static_cast<uint32_t>(page_size);
    h.free_bytes = static_cast<uint32_t>(page_size - kPageHeaderSize);
    headers.push_back(h);
    return pages.size() - 1;
  };
  const auto& paged_fields = store_.paged_fields();
  for (size_t k = 0; k < paged_fields.size(); ++k) {
    const size_t index = static_cast<size_t>(paged_fields[k]) - 1;
    const FieldDescriptor& d = schema_.fields[index];
    auto entries = paged_[index];
    std::stable_sort(entries.begin(), entries.end(), [&](const auto& x, const auto& y) {
      const int c = compare_values(d, key_bytes(d, {true, x.value, {}, {}}),
                                   key_bytes(d, {true, y.value, {}, {}}));
      return c != 0 ? c < 0 : x.record < y.record;
    });
    const bool is_text = d.type == FieldType::text;
    const size_t prefix = d.count_nibble() == 0 ? 4 : static_cast<size_t>(d.count_nibble());
    if (prefix > 8) {
      set_error(error_, "paged field: length prefix too wide");
      return false;
    }
    std::vector<int> tree_pages;
    size_t page = 0;
    size_t pos = page_size;  // no open page yet
    for (const auto& e : entries) {
      std::vector<uint8_t> bytes(4);
      store_u32(bytes.data(), static_cast<uint32_t>(e.record));
      if (is_text) {
        std::vector<uint8_t> length(prefix);
        store_unsigned(length.data(), prefix, prefix + e.value.size());
        bytes.insert(bytes.end(), length.begin(), length.end());
        bytes.insert(bytes.end(), e.value.begin(), e.value.end());
      } else {
        const auto value = fitted(e.value, d.size);
        bytes.insert(bytes.end(), value.begin(), value.end());
      }
      if (pos + bytes.size() > page_size) {
        page = new_page(d, index + 1);
        tree_pages.push_back(static_cast<int>(page));
        pos = kPageHeaderSize;
      }
      ++headers[page].entry_count;
      store_u32(main_.data() + e.slot_at, static_cast<uint32_t>(page));
      const size_t here = std::min(bytes.size(), page_size - pos);
      std::copy_n(bytes.begin(), here, pages[page].begin() + static_cast<long>(pos));
      pos += here;
      headers[page].free_bytes = static_cast<uint32_t>(page_size - pos);
      // What does not fit goes on over an overflow chain; the page is then full.
      size_t done = here;
      size_t chain_from = page;
      while (done < bytes.size()) {
        const size_t next = new_page(d, index + 1);
        headers[chain_from].next_page = static_cast<int32_t>(next);
        const size_t take = std::min(bytes.size() - done, page_size - kPageHeaderSize);
        std::copy_n(bytes.begin() + static_cast<long>(done), take,
                    pages[next].begin() + kPageHeaderSize);
        headers[next].free_bytes = static_cast<uint32_t>(page_size - kPageHeaderSize - take);
        done += take;
        chain_from = next;
      }
      if (done > here) pos = page_size;
    }
    std::map<int, TreeEntry> nodes;
    int height = 0;
    const int root = build_tree(tree_pages, 0, tree_pages.size(), nodes, height);
    for (const auto& [p, entry] : nodes) {
      headers[static_cast<size_t>(p)].left = entry.left;
      headers[static_cast<size_t>(p)].right = entry.right;
    }
    store_u32(&pages[0][4 + 8 * k], static_cast<uint32_t>(height));
    store_u32(&pages[0][8 + 8 * k], static_cast<uint32_t>(root));
  }
  if (4 + 8 * paged_fields.size() + 4 > page_size) {
    set_error(error_, "too many paged fields for one header page");
    return false;
  }
  for (size_t p = 1; p < pages.size(); ++p) headers[p].encode(pages[p].data());
  auto& storage = bank(static_cast<int>(StoreFile::storage));
  for (const auto& p : pages) storage.insert(storage.end(), p.begin(), p.end());
  return true;
}

bool Writer::put_index(const std::string& dir, const std::vector<WriterRecord>& records) {
  const bool legacy = schema_.legacy_family;
  auto tree_of = [&](size_t field, std::map<int, TreeEntry>& nodes, int& height) {
    const FieldDescriptor& d = schema_.fields[field];
    std::vector<std::vector<uint8_t>> keys(records.size());
    for (size_t r = 0; r < records.size(); ++r)
      keys[r] = key_bytes(d, field < records[r].size() ? records[r][field] : WriterValue{});
    std::vector<int> order(records.size());
    std::iota(order.begin(), order.end(), 1);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
      const int c = compare_values(d, keys[static_cast<size_t>(x) - 1],
                                   keys[static_cast<size_t>(y) - 1]);
      return c != 0 ? c < 0 : x < y;
    });
    return build_tree(order, 0, order.size(), nodes, height);
  };
  const bool field1_indexable = schema_.field_count > 0 && !schema_.fields[0].is_array() &&
                                !(schema_.fields[0].is_paged() && !legacy);
  if (options_.index_field1 && field1_indexable) {
    std::map<int, TreeEntry> nodes;
    int height = 0;
    const int root = tree_of(0, nodes, height);
    store_u32(&main_[0], static_cast<uint32_t>(height));
    store_u32(&main_[4], static_cast<uint32_t>(root));
    for (const auto& [r, entry] : nodes) {
      uint8_t* prefix = &main_[static_cast<size_t>(store_.header_size()) +
                               static_cast<size_t>(r - 1) * static_cast<size_t>(store_.record_size())];
      store_u32(prefix, static_cast<uint32_t>(entry.left));
      store_u32(prefix + 4, static_cast<uint32_t>(entry.right));
    }
  }
  const uint32_t key = options_.scramble_trees ? options_.tree_key : 0;
  for (int field : options_.tree_fields) {
    if (field < 2 || static_cast<uint32_t>(field) > schema_.field_count ||
        schema_.fields[static_cast<size_t>(field) - 1].is_array()) {
      set_error(error_, "Tree." + std::to_string(field) + ": not an indexable field");
      return false;
    }
    std::map<int, TreeEntry> nodes;
    int height = 0;
    const int root = tree_of(static_cast<size_t>(field) - 1, nodes, height);
    std::vector<uint8_t> tree(8 * (records.size() + 1), 0);
    store_u32(&tree[0], static_cast<uint32_t>(height) ^ key);
    store_u32(&tree[4], static_cast<uint32_t>(root) ^ key);
    for (size_t r = 1; r <= records.size(); ++r) {
      const TreeEntry e = nodes[static_cast<int>(r)];
      store_u32(&tree[8 * r], static_cast<uint32_t>(e.left) ^ key);
      store_u32(&tree[8 * r + 4], static_cast<uint32_t>(e.right) ^ key);
    }
    if (!write_file(platform::join_path(dir, "Tree." + std::to_string(field)), tree)) {
      set_error(error_, "cannot write Tree." + std::to_string(field));
      return false;
    }
  }
  return true;
}

bool Writer::write(const std::string& dir, const std::vector<WriterRecord>& records) {
  const size_t r_size = static_cast<size_t>(store_.record_size());
  const size_t h_size = static_cast<size_t>(store_.header_size());
  main_.assign(h_size + records.size() * r_size, 0);
  banks_[1];
  for (size_t slot = 3; slot < store_.slot_count(); ++slot) banks_[static_cast<int>(slot)];
  for (size_t r = 0; r < records.size(); ++r) {
    // Field offsets count from the start of the record, prefix included.
    uint8_t* base = main_.data() + h_size + r * r_size;
    const size_t room = r_size;
    for (size_t f = 0; f < schema_.field_count && f < records[r].size(); ++f)
      if (!put_value(static_cast<int>(r + 1), f, records[r][f], base, room, true)) return false;
  }
  if (!put_paged() || !put_index(dir, records)) return false;
  if (!write_file(platform::join_path(dir, "Main"), main_)) {
    set_error(error_, "cannot write " + platform::join_path(dir, "Main"));
    return false;
  }
  for (const auto& [slot, bytes] : banks_) {
    const std::string name = bank_file_name(store_.slot(static_cast<size_t>(slot)).bank_id());
    if (!write_file(platform::join_path(dir, name), bytes)) {
      set_error(error_, "cannot write " + platform::join_path(dir, name));
      return false;
    }
  }
  return true;
}

}  // namespace

WriterValue WriterValue::of_bytes(std::vector<uint8_t> b) {
  WriterValue v;
  v.present = true;
  v.bytes = std::move(b);
  return v;
}
WriterValue WriterValue::of_text(std::string_view text) {
  return of_bytes(std::vector<uint8_t>(text.begin(), text.end()));
}
WriterValue WriterValue::of_integer(int64_t value, int width) {
  std::vector<uint8_t> b(static_cast<size_t>(width));
  store_unsigned(b.data(), b.size(), static_cast<uint64_t>(value));
  return of_bytes(std::move(b));
}
WriterValue WriterValue::of_double(double value) {
  std::vector<uint8_t> b(8);
  std::memcpy(b.data(), &value, 8);
  return of_bytes(std::move(b));
}
WriterValue WriterValue::of_float(float value) {
  std::vector<uint8_t> b(4);
  std::memcpy(b.data(), &value, 4);
  return of_bytes(std::move(b));
}
WriterValue WriterValue::of_elements(std::vector<std::vector<uint8_t>> e) {
  WriterValue v;
  v.present = true;
  v.elements = std::move(e);
  return v;
}
WriterValue WriterValue::of_members(std::vector<WriterValue> m) {
  WriterValue v;
  v.present = true;
  v.members = std::move(m);
  return v;
}

std::vector<uint8_t> schema_file(const std::vector<WriterField>& fields,
                                 const WriterOptions& options, std::string* error) {
  if (options.encoding == WriterEncoding::native)
    return native_schema(fields, options.scramble_trees);
  if (options.scramble_trees &&
      !(options.encoding == WriterEncoding::legacy && options.legacy_magic == kMagicLegacyDated)) {
    set_error(error, "only native and 0x00538136 legacy schemas mark scrambled trees");
    return {};
  }
  std::vector<uint8_t> out(kSchemaHeaderSize, 0);
  if (options.encoding == WriterEncoding::compact) {
    if (fields.size() > 32767) {
      set_error(error, "too many fields for a compact schema");
      return {};
    }
    store_u32(&out[0], kMagicCompact);
    store_u16(&out[4], static_cast<uint16_t>(fields.size()));
    for (const auto& f : fields)
      if (!compact_entry(f, false, out, error)) return {};
    return out;
  }
  if (encoding_of_magic(options.legacy_magic) != SchemaEncoding::legacy || fields.size() > 65535) {
    set_error(error, "not a legacy magic, or too many fields");
    return {};
  }
  store_u32(&out[0], options.legacy_magic);
  store_u16(&out[4], static_cast<uint16_t>(fields.size()));
  for (const auto& f : fields) {
    uint8_t a = 0;
    uint8_t b = 0;
    if (!legacy_pair(f, options.legacy_magic, a, b)) {
      set_error(error, "field \"" + f.name + "\": no legacy form");
      return {};
    }
    out.push_back(a);
    out.push_back(b);
  }
  for (const auto& f : fields) {
    out.insert(out.end(), f.name.begin(), f.name.end());
    out.push_back(0);
  }
  return out;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  return platform::write_file(path, bytes);
}

bool write_store(const std::string& dir, const std::vector<WriterField>& fields,
                 const std::vector<WriterRecord>& records, const WriterOptions& options,
                 std::string* error) {
  const std::vector<uint8_t> schema = schema_file(fields, options, error);
  if (schema.empty()) return false;
  if (!platform::make_directory(dir)) {
    set_error(error, "cannot create " + dir);
    return false;
  }
  // Old data files would be read as part of the new store.
  for (const char* name : {"Main", "Bank.0", "_Storage"}) platform::remove_file(platform::join_path(dir, name));
  if (!write_file(schema_path(dir), schema)) {
    set_error(error, "cannot write " + schema_path(dir));
    return false;
  }
  OpenFailure failure{};
  auto store = RecordStore::open(dir, failure);
  if (!store) {
    set_error(error, "the written schema does not open (code " + std::to_string(static_cast<int>(failure)) + ")");
    return false;
  }
  Writer writer(*store, options, error);
  return writer.write(dir, records);
}

}  // namespace bw::store
