// Record lookup over the AVL indexes of a store: the field-1 index in "Main", Tree.n files
// and the paged indexes of "_Storage".
// The pages of "_Storage" are laid out in store_format.h (PageHeader).
#include "store/store_cursor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/file.h"
#include "store/collation.h"
#include "store/expression.h"
#include "store/store_state.h"
#include "store/value_text.h"

namespace bw::store {
namespace {

constexpr int64_t kTreeKeyBlock = 512;

int sign_of(long double x, long double y) { return x < y ? -1 : (x > y ? 1 : 0); }

// A value widened with zero bytes so that fixed-width reads stay inside it.
std::vector<uint8_t> padded(const uint8_t* data, size_t length, size_t width) {
  std::vector<uint8_t> out(std::max(length, width) + 8, 0);
  if (length > 0) std::memcpy(out.data(), data, length);
  return out;
}

// Writes 8 bytes (two words XORed with `key` when it is not 1) at the start of an existing,
// writable file. Callers write only into files their store opened read-write; nothing is
// written into a file that is missing or read-only.
void write_header_words(const std::string& file, uint32_t key) {
  if (!platform::file_writable(file)) return;
  platform::File out = platform::File::open(file, platform::FileAccess::write_only);
  if (!out.is_open()) return;
  uint8_t words[8] = {};
  if (key > 1) {
    store_u32(words, key);
    store_u32(words + 4, key);
  }
  const int64_t written = out.write_at(0, words, sizeof words);
  (void)written;
}

struct PageEntry {
  int32_t record = 0;
  int64_t value_at = 0;  // file offset of the value (type 11: of the text)
  int64_t length = 0;
  bool runs_on = false;  // the value continues on the overflow chain
};

// Reads the header and the entries of page `page`; false when the page cannot be a page.
bool read_page(RecordStore& store, int64_t page, IndexEntry& entry,
               std::vector<PageEntry>& entries) {
  entries.clear();
  const int64_t page_size = store.page_size();
  const int64_t file_size = store.slot(kSlotStorage).size();
  if (page < 1 || page_size < 64 || page >= file_size / page_size) return false;
  const int64_t base = page * page_size;
  const uint8_t* h = store.read(kSlotStorage, base, kPageHeaderSize);
  if (h == nullptr) return false;
  const PageHeader header = PageHeader::decode(h);
  entry = decode_index_entry(header.left, header.right);
  const int count = header.entry_count;
  const int64_t fixed_size = header.value_size;
  const bool is_text = header.holds_text();
  const int64_t prefix = header.prefix_width();
  if (count < 0 || prefix > 8) return false;
  int64_t pos = kPageHeaderSize;
  for (int i = 0; i < count; ++i) {
    const int64_t head = 4 + (is_text ? prefix : 0);
    if (pos + head > page_size) return false;
    const uint8_t* e = store.read(kSlotStorage, base + pos, head);
    if (e == nullptr) return false;
    PageEntry pe;
    pe.record = load_i32(e);
    pe.length = fixed_size;
    if (is_text) {
      const int64_t word = static_cast<int64_t>(load_unsigned(e + 4, static_cast<size_t>(prefix)));
      if (word < prefix) return false;
      pe.length = word - prefix;
    }
    pe.value_at = base + pos + head;
    pos += head + pe.length;
    if (pos > page_size) {
      if (i + 1 != count) return false;  // only the last entry may run on
      pe.runs_on = true;
    }
    entries.push_back(pe);
  }
  return true;
}

}  // namespace

IndexEntry decode_index_entry(int32_t left, int32_t right) {
  IndexEntry e;
  if (left < 0 && right < 0) {
    e.status = kEntryNoNode;
    return e;
  }
  e.status = kEntryRead;
  e.left = left < 0 ? -static_cast<int64_t>(left) : left;
  e.right = right < 0 ? -static_cast<int64_t>(right) : right;
  e.balance = left < 0 ? -1 : (right < 0 ? 1 : 0);
  return e;
}

uint32_t find_tree_key(BankFile& file) {
  const uint8_t* first = file.read(0, 4);
  if (first == nullptr) return 1;
  const uint32_t w = load_u32(first);
  const int64_t size = file.size();
  for (int64_t block = 8; block < size; block += kTreeKeyBlock) {
    const int64_t length = std::min(kTreeKeyBlock, size - block) & ~int64_t{7};
    if (length < 8) break;
    const uint8_t* p = file.read(block, length);
    if (p == nullptr) break;
    for (int64_t at = 0; at + 8 <= length; at += 8) {
      const uint32_t v = load_u32(p + at);
      if (v != load_u32(p + at + 4)) continue;
      const uint32_t x = v ^ w;
      if (x > 0 && x < 1000) return v;
    }
  }
  return 1;
}

// ---- StoreIndexes -------------------------------------------------------------------

bool StoreIndexes::record_exists(int64_t record) {
  if (record < 1) return false;
  // The count is taken again only when a record lies beyond it: a recount forgets every
  // loaded window.
  if (record > known_records_) known_records_ = store_.record_count();
  return record <= known_records_;
}

bool StoreIndexes::is_field1(const FieldPath& path) const {
  return path.count == 1 && path[0].field == 1;
}

bool StoreIndexes::is_paged(const FieldPath& path) const {
  if (store_.legacy_family() || path.count != 1) return false;
  const int index = store_.descriptor_at(path, 0);
  return index >= 0 && store_.schema().fields[static_cast<size_t>(index)].is_paged();
}

void StoreIndexes::write_empty_header(const std::string& file, uint32_t key) {
  write_header_words(file, key);
}

int StoreIndexes::open_index(const FieldPath& path) {
  if (path.empty() || path[0].field < 1 ||
      static_cast<uint32_t>(path[0].field) > store_.field_count())
    return kIndexNone;
  const int index = store_.descriptor_at(path, path.count - 1);
  if (index < 0) return kIndexNone;
  if (store_.schema().fields[static_cast<size_t>(index)].is_array()) return kIndexNone;
  if (is_paged(path)) return kIndexReady;

  if (is_field1(path)) {
    if (field1_state_ == 1) return kIndexReady;
    if (field1_state_ < 0) return kIndexFailedBefore;
    const IndexEntry header = read_main_entry(0);
    if (header.status != kEntryRead || header.balance != 0) {
      field1_state_ = -1;
      return kIndexBadHeader;
    }
    field1_state_ = 1;
    return kIndexReady;
  }

  TreeFile& tree = trees_[path[0].field];
  if (tree.state == 1) return kIndexReady;
  if (tree.state < 0) return kIndexFailedBefore;
  const std::string file = store_.path() + "/Tree." + std::to_string(path[0].field);
  if (!platform::file_exists(file)) {
    tree.state = -1;
    return kIndexMissing;
  }
  tree.file = std::make_unique<BankFile>(file, path[0].field, 1024, store_.access());
  if (!tree.file->open_now()) {
    tree.state = -1;
    tree.file.reset();
    return kIndexUnopenable;
  }
  tree.state = 1;
  return kIndexReady;
}

IndexEntry StoreIndexes::read_main_entry(int64_t node) {
  if (node == 0) {
    const uint8_t* p = store_.read(kSlotMain, 0, 8);
    if (p == nullptr) {
      // An index without a header entry is empty; the header is written where it may be.
      if (store_.main_access_mode() == 0 && !store_.slot(kSlotMain).failed()) {
        write_empty_header(store_.path() + "/Main", 1);
        store_.slot(kSlotMain).invalidate();
      }
      return decode_index_entry(0, 0);
    }
    return decode_index_entry(load_i32(p), load_i32(p + 4));
  }
  if (node < 1 || store_.record_prefix() < 8) return {};
  if (!record_exists(node)) return {};
  const int64_t at = store_.header_size() + (node - 1) * int64_t{store_.record_size()};
  const uint8_t* p = store_.read(kSlotMain, at, 8);
  if (p == nullptr) return {};
  return decode_index_entry(load_i32(p), load_i32(p + 4));
}

IndexEntry StoreIndexes::read_tree_entry(TreeFile& tree, int64_t node, int field) {
  BankFile& file = *tree.file;
  uint32_t key = 1;
  if (store_.schema().trees_scrambled()) {
    if (tree_key_ == 0) tree_key_ = find_tree_key(file);
    key = tree_key_;
  }
  if (node != 0 && !record_exists(node)) return {};  // only records have nodes
  const uint8_t* p = file.read(8 * node, 8);
  if (p == nullptr) {
    if (node != 0) return {};
    if (file.access_mode() == 0) {
      write_empty_header(store_.path() + "/Tree." + std::to_string(field), key);
      file.invalidate();
    }
    return decode_index_entry(0, 0);
  }
  uint32_t left = load_u32(p);
  uint32_t right = load_u32(p + 4);
  if (key != 1) {
    left ^= key;
    right ^= key;
  }
  return decode_index_entry(static_cast<int32_t>(left), static_cast<int32_t>(right));
}

IndexEntry StoreIndexes::read_paged_entry(const FieldPath& path, int64_t node) {
  if (store_.read(kSlotStorage, 0, 4) == nullptr) {
    return node == 0 ? decode_index_entry(0, 0) : IndexEntry{};
  }
  if (node == 0) {
    const auto& paged = store_.paged_fields();
    const auto it = std::find(paged.begin(), paged.end(), path[0].field);
    if (it == paged.end()) return {};
    const int64_t k = it - paged.begin();
    const int64_t at = 4 + 8 * k;
    if (at + 8 > store_.page_size() - 4) return {};  // the page's last word heads the free list
    const uint8_t* p = store_.read(kSlotStorage, at, 8);
    if (p == nullptr) return decode_index_entry(0, 0);
    return decode_index_entry(load_i32(p), load_i32(p + 4));
  }
  IndexEntry entry;
  std::vector<PageEntry> entries;
  if (!read_page(store_, node, entry, entries)) return {};
  return entry;
}

IndexEntry StoreIndexes::read_entry(const FieldPath& path, int64_t node) {
  if (is_paged(path)) return read_paged_entry(path, node);
  const bool field1 = is_field1(path);
  // Node entries are kept once read; the header is read every time (it may be written).
  const int index = field1 ? 0 : path[0].field;
  if (node != 0) {
    const auto cached = entries_.find(index);
    if (cached != entries_.end()) {
      const auto it = cached->second.find(node);
      if (it != cached->second.end()) return it->second;
    }
  }
  IndexEntry entry;
  if (field1) {
    entry = read_main_entry(node);
  } else {
    auto it = trees_.find(path[0].field);
    if (it == trees_.end() || it->second.state != 1) return {};
    entry = read_tree_entry(it->second, node, path[0].field);
  }
  if (node != 0 && entry.status == kEntryRead) {
    cached_bytes_ += 32;
    if (cached_bytes_ > kMaxCachedBytes) drop_caches();
    entries_[index][node] = entry;
  }
  return entry;
}

// Drops every cached entry and value; the per-index maps stay, so that references to
// them remain valid.
void StoreIndexes::drop_caches() {
  for (auto& [name, cache] : values_) cache.clear();
  entries_.clear();
  cached_bytes_ = 0;
}

void StoreIndexes::remember_value(ValueCache& cache, int64_t node, CachedValue value) {
  cached_bytes_ += value.bytes.size() + 48;
  if (cached_bytes_ > kMaxCachedBytes) {
    drop_caches();
    cached_bytes_ = value.bytes.size() + 48;
  }
  cache[node] = std::move(value);
}

// ---- StoreCursor --------------------------------------------------------------------

StoreCursor::StoreCursor(RecordStore* store, int step, StoreIndexes* indexes)
    : store_(store), indexes_(indexes), step_(step == 0 ? 1 : step) {
  if (indexes_ == nullptr && store_ != nullptr) indexes_ = &state_of(*store_).indexes;
}

int StoreCursor::find(int field, std::string_view key, int mode) {
  return find(FieldPath::of(field), key, mode);
}

bool StoreCursor::convert_key(const FieldDescriptor& d, std::string_view key, Key& out) const {
  out = Key{};
  if (d.type == kTypeText) {
    out.bytes.assign(key.begin(), key.end());
    out.is_text = true;
    return true;
  }
  if (d.type == kTypeGroup) {
    out.bytes.assign(d.size, 0);
    std::copy_n(key.begin(), std::min<size_t>(key.size(), d.size), out.bytes.begin());
    return true;
  }
  // Number keys that are not plain numbers are expressions; no record is current.
  const ValueContext context = expression_context(*store_, 0);
  return parse_value(key, ValueField::of(d), context, out.bytes) >= 0;
}

int StoreCursor::compare_value(const FieldDescriptor& d, const Key& key, const uint8_t* value,
                               size_t value_len, size_t n) const {
  const size_t size = d.size;
  if (d.type == kTypeText)
    return collation_compare(key.bytes.data(), key.bytes.size(), value, value_len, n);
  const auto k = padded(key.bytes.data(), key.bytes.size(), std::max<size_t>(size, 8));
  const auto v = padded(value, value_len, std::max<size_t>(size, 8));
  const size_t width = std::min<size_t>(size, 8);
  switch (d.type) {
    case kTypeDate:
      return sign_of(k[0] + 256.0L * load_u16(&k[1]), v[0] + 256.0L * load_u16(&v[1]));
    case kTypePositionLink: {
      const size_t nn = std::min<size_t>(static_cast<size_t>(d.count_nibble()), width);
      const int c = sign_of(load_signed(k.data(), nn), load_signed(v.data(), nn));
      if (c != 0 || n != 0) return c;
      return sign_of(load_signed(k.data() + nn, width - nn), load_signed(v.data() + nn, width - nn));
    }
    case kTypeUnsigned:
      return sign_of(load_unsigned(k.data(), width), load_unsigned(v.data(), width));
    case kTypeFloat: {
      float x = 0;
      float y = 0;
      std::memcpy(&x, k.data(), 4);
      std::memcpy(&y, v.data(), 4);
      return sign_of(x, y);
    }
    case kTypeDouble: {
      double x = 0;
      double y = 0;
      std::memcpy(&x, k.data(), 8);
      std::memcpy(&y, v.data(), 8);
      return sign_of(x, y);
    }
    case kTypeTime:
    case kTypeLink:
    case kTypeSigned:
      return sign_of(load_signed(k.data(), width), load_signed(v.data(), width));
    default: {
      const size_t bound = n != 0 ? n : std::max<size_t>(size, 1);
      return collation_compare(k.data(), key.bytes.size(), v.data(), value_len, bound);
    }
  }
}

int StoreCursor::compare_record(const FieldDescriptor& d, const Key& key, int64_t record,
                                size_t n) {
  static const uint8_t kMissing[4] = {0, 0, 0, 0};
  const auto found = values_->find(record);
  const StoreIndexes::CachedValue* value = found == values_->end() ? nullptr : &found->second;
  if (value == nullptr) {
    // Texts are compared as read (formatted), other values as stored.
    StoreIndexes::CachedValue read;
    if (d.type == kTypeFixedText || d.type == kTypeText) {
      std::string text;
      const int length = store_->read_field(static_cast<int>(record), path_, text);
      read.missing = length <= 0;
      if (!read.missing) read.bytes.assign(text.begin(), text.end());
    } else {
      ReadResult r = store_->read_raw(static_cast<int>(record), path_);
      read.missing = r.length <= 0;
      if (!read.missing) {
        r.bytes.resize(static_cast<size_t>(r.length));
        read.bytes = std::move(r.bytes);
      }
    }
    indexes_->remember_value(*values_, record, std::move(read));
    value = &values_->at(record);
  }
  const int c = value->missing
                    ? compare_value(d, key, kMissing, sizeof kMissing, n)
                    : compare_value(d, key, value->bytes.data(), value->bytes.size(), n);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int StoreCursor::find(const FieldPath& path, std::string_view key, int mode) {
  result_ = kFindNotFound;
  trail_.clear();
  ancestors_.clear();
  current_ = 0;
  current_entry_ = -1;
  if (store_ == nullptr || store_->path().empty()) return result_;

  // The path ends after the first link level: what lies beyond is another store's.
  path_ = FieldPath{};
  for (int level = 0; level < path.count && level < kMaxPathLevels; ++level) {
    path_.push(path[level]);
    const int index = store_->descriptor_at(path, level);
    if (index < 0) break;
    const uint8_t type = store_->schema().fields[static_cast<size_t>(index)].type;
    if (type == kTypeLink || type == kTypePositionLink) break;
  }
  if (indexes_->open_index(path_) < 1) return result_ = kFindNoIndex;
  values_ = &indexes_->value_cache(format_field_path(path_));
  const FieldDescriptor d =
      store_->schema().fields[static_cast<size_t>(store_->descriptor_at(path_, path_.count - 1))];

  key_ = std::string(key);
  mode_ = mode;
  paged_ = indexes_->is_paged(path_);
  const IndexEntry header = indexes_->read_entry(path_, 0);
  if (header.status != kEntryRead || header.right == 0) return result_ = kFindNotFound;
  if (mode == kModeRoot) {
    current_ = header.right;
    if (paged_) return result_ = position_pages(d, header);
    return result_ = kFindNotFound;
  }

  size_t n = 0;
  if (mode == kModePrefix) {
    n = key_.size();
  } else if (d.type == kTypePositionLink && key_.find(':') == std::string::npos) {
    n = static_cast<size_t>(d.count_nibble());
  }
  Key converted;
  if (!convert_key(d, key_, converted)) return result_ = kFindNotFound;
  if (mode == kModePrefix && !converted.is_text && d.type != kTypeFixedText &&
      d.type != kTypeGroup && d.type != kTypeRaw && d.type < kTypeBinary)
    n = 0;  // numbers compare as whole values
  if (paged_) return result_ = search_pages(d, converted, header, n);
  return result_ = search_tree(d, converted, header, n);
}

// Walks down from the root. Equal records keep the search going toward the lower side, so
// the first equal record in index order is the one kept. In mode 2 the last node where the
// walk turned toward the lower side is the nearest record on the step side.
int StoreCursor::search_tree(const FieldDescriptor& d, const Key& key, const IndexEntry& header,
                             size_t n) {
  const int64_t bound = std::min<int64_t>(header.left, kMaxTrail) + 1;
  const int direction = step_ > 0 ? 1 : -1;
  int64_t node = header.right;
  int found = kFindNotFound;
  int64_t nearest = kFindNotFound;
  while (node != 0) {
    const IndexEntry entry = indexes_->read_entry(path_, node);
    if (entry.status != kEntryRead) return kFindDamaged;
    if (static_cast<int64_t>(trail_.size()) >= bound) return kFindDamaged;
    trail_.push_back(node);
    current_ = node;
    const int c = compare_record(d, key, node, n) * direction;
    const int64_t lower = direction > 0 ? entry.left : entry.right;
    const int64_t higher = direction > 0 ? entry.right : entry.left;
    if (c == 0) found = static_cast<int>(node);
    if (c < 0) nearest = node;
    node = c <= 0 ? lower : higher;
  }
  int result = found > 0 ? found : kFindNotFound;
  if (result < 0 && mode_ == kModeNearest && nearest > 0) result = static_cast<int>(nearest);
  // The record found lies on the trail; the nodes above it are its ancestors.
  if (result > 0) {
    const auto at = std::find(trail_.begin(), trail_.end(), int64_t{result});
    ancestors_.assign(trail_.begin(), at + 1);
  }
  return result;
}

int StoreCursor::next() {
  if (paged_ || ancestors_.empty() || indexes_ == nullptr) return kFindNotFound;
  const int direction = step_ > 0 ? 1 : -1;
  auto lower_of = [&](const IndexEntry& e) { return direction > 0 ? e.left : e.right; };
  auto higher_of = [&](const IndexEntry& e) { return direction > 0 ? e.right : e.left; };
  IndexEntry entry = indexes_->read_entry(path_, ancestors_.back());
  if (entry.status != kEntryRead) return result_ = kFindDamaged;
  int64_t node = higher_of(entry);
  if (node != 0) {
    // The first record of the higher subtree: its lowest descendant.
    while (true) {
      if (static_cast<int>(ancestors_.size()) > kMaxTrail) return result_ = kFindDamaged;
      ancestors_.push_back(node);
      entry = indexes_->read_entry(path_, node);
      if (entry.status != kEntryRead) return result_ = kFindDamaged;
      if (lower_of(entry) == 0) break;
      node = lower_of(entry);
    }
    current_ = ancestors_.back();
    return result_ = static_cast<int>(current_);
  }
  // Up to the first ancestor whose lower subtree holds the current record.
  while (ancestors_.size() > 1) {
    const int64_t child = ancestors_.back();
    ancestors_.pop_back();
    entry = indexes_->read_entry(path_, ancestors_.back());
    if (entry.status != kEntryRead) return result_ = kFindDamaged;
    if (lower_of(entry) == child) {
      current_ = ancestors_.back();
      return result_ = static_cast<int>(current_);
    }
  }
  ancestors_.clear();
  return result_ = kFindNotFound;
}

int StoreCursor::search_pages(const FieldDescriptor& d, const Key& key, const IndexEntry& header,
                              size_t n) {
  const int64_t bound = std::min<int64_t>(header.left, kMaxTrail) + 1;
  const int direction = step_ > 0 ? 1 : -1;
  std::vector<PageEntry> entries;
  std::vector<uint8_t> value;
  auto compare_entry = [&](const PageEntry& e) {
    if (e.runs_on) return compare_record(d, key, e.record, n);
    if (e.length > (int64_t{1} << 30)) return 1;
    const uint8_t* p = e.length == 0 ? nullptr : store_->read(kSlotStorage, e.value_at, e.length);
    if (p == nullptr && e.length != 0) return compare_record(d, key, e.record, n);
    value.assign(p, p + e.length);
    const int c = compare_value(d, key, value.data(), value.size(), n);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  };
  int64_t page = header.right;
  int64_t nearest = kFindNotFound;
  int found = kFindNotFound;
  while (page != 0) {
    if (static_cast<int64_t>(trail_.size()) >= bound) return kFindDamaged;
    IndexEntry entry;
    if (!read_page(*store_, page, entry, entries) || entry.status != kEntryRead)
      return kFindDamaged;
    trail_.push_back(page);
    current_ = page;
    if (entries.empty()) break;
    const size_t count = entries.size();
    // Entries in the step's order: i-th in that order.
    auto at = [&](size_t i) -> const PageEntry& {
      return direction > 0 ? entries[i] : entries[count - 1 - i];
    };
    const int64_t lower = direction > 0 ? entry.left : entry.right;
    const int64_t higher = direction > 0 ? entry.right : entry.left;
    const int first = compare_entry(at(0)) * direction;
    if (first < 0) {
      nearest = at(0).record;
      page = lower;
      continue;
    }
    if (compare_entry(at(count - 1)) * direction > 0) {
      page = higher;
      continue;
    }
    for (size_t i = 0; i < count; ++i) {
      if (!indexes_->record_exists(at(i).record)) return kFindDamaged;
      const int c = compare_entry(at(i)) * direction;
      if (c == 0 && at(i).record > 0 && (found < 0 || at(i).record < found)) {
        found = at(i).record;
        current_entry_ = static_cast<int>(direction > 0 ? i : count - 1 - i);
      }
      if (c < 0) {
        nearest = at(i).record;  // the first entry past the key
        break;
      }
    }
    // A run of equal keys that starts this page may begin on pages of the lower side.
    if (first == 0) {
      page = lower;
      continue;
    }
    break;
  }
  if (found > 0) return found;
  if (mode_ != kModeNearest || nearest == kFindNotFound) return kFindNotFound;
  return indexes_->record_exists(nearest) ? static_cast<int>(nearest) : kFindDamaged;
}

int StoreCursor::position_pages(const FieldDescriptor& d, const IndexEntry& header) {
  (void)d;
  const int64_t bound = std::min<int64_t>(header.left, kMaxTrail) + 1;
  std::vector<PageEntry> entries;
  int64_t page = header.right;
  while (true) {
    if (static_cast<int64_t>(trail_.size()) >= bound) return kFindDamaged;
    IndexEntry entry;
    if (!read_page(*store_, page, entry, entries) || entry.status != kEntryRead)
      return kFindDamaged;
    trail_.push_back(page);
    current_ = page;
    const int64_t next = step_ > 0 ? entry.right : entry.left;
    if (next == 0) break;
    page = next;
  }
  if (entries.empty()) return kFindNotFound;
  current_entry_ = step_ > 0 ? static_cast<int>(entries.size()) - 1 : 0;
  const int record = entries[static_cast<size_t>(current_entry_)].record;
  return indexes_->record_exists(record) ? record : kFindDamaged;
}

}  // namespace bw::store
