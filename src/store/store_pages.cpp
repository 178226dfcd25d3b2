#include "store/store_pages.h"

#include <algorithm>
#include <set>

namespace bw::store {

PageReader::PageReader(RecordStore& store, int64_t page) : store_(store), page_(page) {
  if (page < 1 || !store.storage_usable()) return;
  page_size_ = store.page_size();
  pages_in_file_ = store.slot(StoreFile::storage).size() / page_size_;
  if (page >= pages_in_file_) return;
  const uint8_t* bytes = store.read(StoreFile::storage, page * page_size_, kPageHeaderSize);
  if (bytes == nullptr) return;
  header_ = PageHeader::decode(bytes);
  valid_ = header_.prefix_width() <= 8;
}

PageReader::Step PageReader::next(PageEntry& entry) {
  if (!valid_ || ran_on_ || index_ >= header_.entry_count) return Step::end;
  const bool is_text = header_.holds_text();
  const int64_t prefix = header_.prefix_width();
  const int64_t head = 4 + (is_text ? prefix : 0);
  if (pos_ + head > page_size_) return Step::damaged;
  const int64_t base = page_ * page_size_;
  const uint8_t* bytes = store_.read(StoreFile::storage, base + pos_, head);
  if (bytes == nullptr) return Step::damaged;
  entry = PageEntry{};
  entry.record = load_i32(bytes);
  entry.length = header_.value_size;
  if (is_text) {
    const int64_t word =
        static_cast<int64_t>(load_unsigned(bytes + 4, static_cast<size_t>(prefix)));
    if (word < prefix) return Step::damaged;
    entry.length = word - prefix;
  }
  entry.value_at = base + pos_ + head;
  pos_ += head + entry.length;
  entry.runs_on = ran_on_ = pos_ > page_size_;
  ++index_;
  return Step::entry;
}

bool PageReader::read_value(const PageEntry& entry, std::vector<uint8_t>& out) {
  out.clear();
  out.reserve(static_cast<size_t>(entry.length) + 1);  // room for the NUL added later
  int64_t page_base = page_ * page_size_;
  int64_t offset = entry.value_at - page_base;
  int64_t remaining = entry.length;
  int64_t next = header_.next_page;
  // A chain that comes back to a page it has passed is a loop, not a value.
  std::set<int64_t> visited = {page_};
  while (remaining > 0) {
    const int64_t take = std::min(remaining, page_size_ - offset);
    const uint8_t* data = store_.read(StoreFile::storage, page_base + offset, take);
    if (data == nullptr) return false;
    out.insert(out.end(), data, data + take);
    remaining -= take;
    if (remaining == 0) break;
    if (next <= 0 || next >= pages_in_file_ || !visited.insert(next).second) return false;
    page_base = next * page_size_;
    const uint8_t* chain = store_.read(StoreFile::storage, page_base, kPageHeaderSize);
    if (chain == nullptr) return false;
    next = PageHeader::decode(chain).next_page;
    offset = kPageHeaderSize;
  }
  return true;
}

bool read_page(RecordStore& store, int64_t page, PageHeader& header,
               std::vector<PageEntry>& entries) {
  entries.clear();
  PageReader reader(store, page);
  if (!reader.valid() || reader.header().entry_count < 0) return false;
  header = reader.header();
  PageEntry entry;
  PageReader::Step step;
  while ((step = reader.next(entry)) == PageReader::Step::entry) entries.push_back(entry);
  if (step == PageReader::Step::damaged) return false;
  return static_cast<int>(entries.size()) == header.entry_count;
}

}  // namespace bw::store
