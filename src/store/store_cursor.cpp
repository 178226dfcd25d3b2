// Record lookup: the search over the AVL indexes of a store (the field-1 index in "Main",
// Tree.n files and the paged indexes of "_Storage") and stepping in index order.
#include "store/store_cursor.h"

#include <algorithm>

#include "store/collation.h"
#include "store/expression.h"
#include "store/store_pages.h"
#include "store/store_state.h"
#include "store/value_text.h"

namespace bw::store {

StoreCursor::StoreCursor(RecordStore* store, int step, StoreIndexes* indexes)
    : store_(store), indexes_(indexes), step_(step == 0 ? 1 : step) {
  if (indexes_ == nullptr && store_ != nullptr) indexes_ = &store_->state().indexes;
}

FindResult StoreCursor::find(int field, std::string_view key, FindMode mode) {
  return find(FieldPath::of(field), key, mode);
}

bool StoreCursor::convert_key(const FieldDescriptor& d, std::string_view key, Key& out) const {
  out = Key{};
  if (d.type == FieldType::text) {
    out.bytes.assign(key.begin(), key.end());
    out.is_text = true;
    return true;
  }
  if (d.type == FieldType::group) {
    out.bytes.assign(d.size, 0);
    std::copy_n(key.begin(), std::min<size_t>(key.size(), d.size), out.bytes.begin());
    return true;
  }
  // Number keys that are not plain numbers are expressions; no record is current.
  const ValueContext context = expression_context(*store_, 0);
  return parse_value(key, ValueField::of(d), context, out.bytes).ok();
}

int StoreCursor::compare_value(const FieldDescriptor& d, const Key& key, const uint8_t* value,
                               size_t value_len, size_t n) const {
  return compare_keys(d, key.bytes.data(), key.bytes.size(), value, value_len, n);
}

int StoreCursor::compare_record(const FieldDescriptor& d, const Key& key, int64_t record,
                                size_t n) {
  static const uint8_t kMissing[4] = {0, 0, 0, 0};
  const auto found = values_->find(record);
  const StoreIndexes::CachedValue* value = found == values_->end() ? nullptr : &found->second;
  if (value == nullptr) {
    // Texts are compared as read (formatted), other values as stored.
    StoreIndexes::CachedValue read;
    if (d.type == FieldType::fixed_text || d.type == FieldType::text) {
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

FindResult StoreCursor::find(const FieldPath& path, std::string_view key, FindMode mode) {
  result_ = FindResult::none(FindStatus::not_found);
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
    const FieldType type = store_->schema().fields[static_cast<size_t>(index)].type;
    if (type == FieldType::link || type == FieldType::position_link) break;
  }
  if (indexes_->open_index(path_) != IndexStatus::ready)
    return result_ = FindResult::none(FindStatus::no_index);
  values_ = &indexes_->value_cache(format_field_path(path_));
  const FieldDescriptor d =
      store_->schema().fields[static_cast<size_t>(store_->descriptor_at(path_, path_.count - 1))];

  key_ = std::string(key);
  mode_ = mode;
  paged_ = indexes_->is_paged(path_);
  const IndexEntry header = indexes_->read_entry(path_, 0);
  if (header.status != EntryStatus::read || header.right == 0)
    return result_ = FindResult::none(FindStatus::not_found);
  if (mode == FindMode::root) {
    current_ = header.right;
    if (paged_) return result_ = position_pages(d, header);
    return result_ = FindResult::none(FindStatus::not_found);
  }

  size_t n = 0;
  if (mode == FindMode::prefix) {
    n = key_.size();
  } else if (d.type == FieldType::position_link && key_.find(':') == std::string::npos) {
    n = static_cast<size_t>(d.count_nibble());
  }
  Key converted;
  if (!convert_key(d, key_, converted)) return result_ = FindResult::none(FindStatus::not_found);
  if (mode == FindMode::prefix && !converted.is_text && d.type != FieldType::fixed_text &&
      d.type != FieldType::group && d.type != FieldType::raw && d.type < FieldType::binary)
    n = 0;  // numbers compare as whole values
  if (paged_) return result_ = search_pages(d, converted, header, n);
  return result_ = search_tree(d, converted, header, n);
}

// Walks down from the root. Equal records keep the search going toward the lower side, so
// the first equal record in index order is the one kept. In mode 2 the last node where the
// walk turned toward the lower side is the nearest record on the step side.
FindResult StoreCursor::search_tree(const FieldDescriptor& d, const Key& key,
                                    const IndexEntry& header, size_t n) {
  const int64_t bound = std::min<int64_t>(header.left, kMaxTrail) + 1;
  const int direction = step_ > 0 ? 1 : -1;
  int64_t node = header.right;
  int found = 0;
  int64_t nearest = 0;
  while (node != 0) {
    const IndexEntry entry = indexes_->read_entry(path_, node);
    if (entry.status != EntryStatus::read) return FindResult::none(FindStatus::damaged);
    if (static_cast<int64_t>(trail_.size()) >= bound) return FindResult::none(FindStatus::damaged);
    trail_.push_back(node);
    current_ = node;
    const int c = compare_record(d, key, node, n) * direction;
    const int64_t lower = direction > 0 ? entry.left : entry.right;
    const int64_t higher = direction > 0 ? entry.right : entry.left;
    if (c == 0) found = static_cast<int>(node);
    if (c < 0) nearest = node;
    node = c <= 0 ? lower : higher;
  }
  int result = found;
  if (result <= 0 && mode_ == FindMode::nearest && nearest > 0) result = static_cast<int>(nearest);
  if (result <= 0) return FindResult::none(FindStatus::not_found);
  // The record found lies on the trail; the nodes above it are its ancestors.
  const auto at = std::find(trail_.begin(), trail_.end(), int64_t{result});
  ancestors_.assign(trail_.begin(), at + 1);
  return FindResult::at(result);
}

FindResult StoreCursor::next() {
  if (paged_ || ancestors_.empty() || indexes_ == nullptr)
    return FindResult::none(FindStatus::not_found);
  const int direction = step_ > 0 ? 1 : -1;
  auto lower_of = [&](const IndexEntry& e) { return direction > 0 ? e.left : e.right; };
  auto higher_of = [&](const IndexEntry& e) { return direction > 0 ? e.right : e.left; };
  IndexEntry entry = indexes_->read_entry(path_, ancestors_.back());
  if (entry.status != EntryStatus::read) return result_ = FindResult::none(FindStatus::damaged);
  int64_t node = higher_of(entry);
  if (node != 0) {
    // The first record of the higher subtree: its lowest descendant.
    while (true) {
      if (static_cast<int>(ancestors_.size()) > kMaxTrail)
        return result_ = FindResult::none(FindStatus::damaged);
      ancestors_.push_back(node);
      entry = indexes_->read_entry(path_, node);
      if (entry.status != EntryStatus::read) return result_ = FindResult::none(FindStatus::damaged);
      if (lower_of(entry) == 0) break;
      node = lower_of(entry);
    }
    current_ = ancestors_.back();
    return result_ = FindResult::at(static_cast<int>(current_));
  }
  // Up to the first ancestor whose lower subtree holds the current record.
  while (ancestors_.size() > 1) {
    const int64_t child = ancestors_.back();
    ancestors_.pop_back();
    entry = indexes_->read_entry(path_, ancestors_.back());
    if (entry.status != EntryStatus::read) return result_ = FindResult::none(FindStatus::damaged);
    if (lower_of(entry) == child) {
      current_ = ancestors_.back();
      return result_ = FindResult::at(static_cast<int>(current_));
    }
  }
  ancestors_.clear();
  return result_ = FindResult::none(FindStatus::not_found);
}

bool StoreCursor::visit_page(int64_t page, int64_t bound, IndexEntry& entry,
                             std::vector<PageEntry>& entries) {
  if (static_cast<int64_t>(trail_.size()) >= bound) return false;
  PageHeader header;
  if (!read_page(*store_, page, header, entries)) return false;
  entry = decode_index_entry(header.left, header.right);
  if (entry.status != EntryStatus::read) return false;
  trail_.push_back(page);
  current_ = page;
  return true;
}

FindResult StoreCursor::search_pages(const FieldDescriptor& d, const Key& key,
                                     const IndexEntry& header, size_t n) {
  const int64_t bound = std::min<int64_t>(header.left, kMaxTrail) + 1;
  const int direction = step_ > 0 ? 1 : -1;
  std::vector<PageEntry> entries;
  std::vector<uint8_t> value;
  auto compare_entry = [&](const PageEntry& e) {
    if (e.runs_on) return compare_record(d, key, e.record, n);
    if (e.length > (int64_t{1} << 30)) return 1;
    const uint8_t* p =
        e.length == 0 ? nullptr : store_->read(StoreFile::storage, e.value_at, e.length);
    if (p == nullptr && e.length != 0) return compare_record(d, key, e.record, n);
    value.assign(p, p + e.length);
    const int c = compare_value(d, key, value.data(), value.size(), n);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  };
  int64_t page = header.right;
  int64_t nearest = -1;  // none yet
  int found = -1;        // none yet
  while (page != 0) {
    IndexEntry entry;
    if (!visit_page(page, bound, entry, entries)) return FindResult::none(FindStatus::damaged);
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
      if (!indexes_->record_exists(at(i).record)) return FindResult::none(FindStatus::damaged);
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
  if (found > 0) return FindResult::at(found);
  if (mode_ != FindMode::nearest || nearest == -1) return FindResult::none(FindStatus::not_found);
  if (!indexes_->record_exists(nearest)) return FindResult::none(FindStatus::damaged);
  return FindResult::at(static_cast<int>(nearest));
}

FindResult StoreCursor::position_pages(const FieldDescriptor& d, const IndexEntry& header) {
  (void)d;
  const int64_t bound = std::min<int64_t>(header.left, kMaxTrail) + 1;
  std::vector<PageEntry> entries;
  int64_t page = header.right;
  while (true) {
    IndexEntry entry;
    if (!visit_page(page, bound, entry, entries)) return FindResult::none(FindStatus::damaged);
    const int64_t next = step_ > 0 ? entry.right : entry.left;
    if (next == 0) break;
    page = next;
  }
  if (entries.empty()) return FindResult::none(FindStatus::not_found);
  current_entry_ = step_ > 0 ? static_cast<int>(entries.size()) - 1 : 0;
  const int record = entries[static_cast<size_t>(current_entry_)].record;
  if (!indexes_->record_exists(record)) return FindResult::none(FindStatus::damaged);
  return FindResult::at(record);
}

}  // namespace bw::store
