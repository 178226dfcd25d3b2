// The lookup state of a store: opening its indexes and reading their entries.
// The pages of "_Storage" are read through store_pages.h.
#include "store/store_indexes.h"

#include <algorithm>

#include "platform/file.h"
#include "store/store_pages.h"

namespace bw::store {
namespace {

constexpr int64_t kTreeKeyBlock = 512;

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

}  // namespace

IndexEntry decode_index_entry(int32_t left, int32_t right) {
  IndexEntry e;
  if (left < 0 && right < 0) {
    e.status = EntryStatus::no_node;
    return e;
  }
  e.status = EntryStatus::read;
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

IndexStatus StoreIndexes::open_index(const FieldPath& path) {
  if (path.empty() || path[0].field < 1 ||
      static_cast<uint32_t>(path[0].field) > store_.field_count())
    return IndexStatus::none;
  const int index = store_.descriptor_at(path, path.count - 1);
  if (index < 0) return IndexStatus::none;
  if (store_.schema().fields[static_cast<size_t>(index)].is_array()) return IndexStatus::none;
  if (is_paged(path)) return IndexStatus::ready;

  if (is_field1(path)) {
    if (field1_state_ == Readiness::ready) return IndexStatus::ready;
    if (field1_state_ == Readiness::failed) return IndexStatus::failed_before;
    const IndexEntry header = read_main_entry(0);
    if (header.status != EntryStatus::read || header.balance != 0) {
      field1_state_ = Readiness::failed;
      return IndexStatus::bad_header;
    }
    field1_state_ = Readiness::ready;
    return IndexStatus::ready;
  }

  TreeFile& tree = trees_[path[0].field];
  if (tree.state == Readiness::ready) return IndexStatus::ready;
  if (tree.state == Readiness::failed) return IndexStatus::failed_before;
  const std::string file = store_.path() + "/Tree." + std::to_string(path[0].field);
  if (!platform::file_exists(file)) {
    tree.state = Readiness::failed;
    return IndexStatus::missing;
  }
  tree.file = std::make_unique<BankFile>(file, path[0].field, 1024, store_.access());
  if (!tree.file->open_now()) {
    tree.state = Readiness::failed;
    tree.file.reset();
    return IndexStatus::unopenable;
  }
  tree.state = Readiness::ready;
  return IndexStatus::ready;
}

IndexEntry StoreIndexes::read_main_entry(int64_t node) {
  if (node == 0) {
    const uint8_t* p = store_.read(StoreFile::main, 0, 8);
    if (p == nullptr) {
      // An index without a header entry is empty; the header is written where it may be.
      if (store_.main_access_mode() == 0 && !store_.slot(StoreFile::main).failed()) {
        write_empty_header(store_.path() + "/Main", 1);
        store_.slot(StoreFile::main).invalidate();
      }
      return decode_index_entry(0, 0);
    }
    return decode_index_entry(load_i32(p), load_i32(p + 4));
  }
  if (node < 1 || store_.record_prefix() < 8) return {};
  if (!record_exists(node)) return {};
  const int64_t at = store_.header_size() + (node - 1) * int64_t{store_.record_size()};
  const uint8_t* p = store_.read(StoreFile::main, at, 8);
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
  if (store_.read(StoreFile::storage, 0, 4) == nullptr) {
    return node == 0 ? decode_index_entry(0, 0) : IndexEntry{};
  }
  if (node == 0) {
    const auto& paged = store_.paged_fields();
    const auto it = std::find(paged.begin(), paged.end(), path[0].field);
    if (it == paged.end()) return {};
    const int64_t k = it - paged.begin();
    const int64_t at = 4 + 8 * k;
    if (at + 8 > store_.page_size() - 4) return {};  // the page's last word heads the free list
    const uint8_t* p = store_.read(StoreFile::storage, at, 8);
    if (p == nullptr) return decode_index_entry(0, 0);
    return decode_index_entry(load_i32(p), load_i32(p + 4));
  }
  PageHeader page;
  std::vector<PageEntry> entries;
  if (!read_page(store_, node, page, entries)) return {};
  return decode_index_entry(page.left, page.right);
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
    if (it == trees_.end() || it->second.state != Readiness::ready) return {};
    entry = read_tree_entry(it->second, node, path[0].field);
  }
  if (node != 0 && entry.status == EntryStatus::read) {
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

}  // namespace bw::store
