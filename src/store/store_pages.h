// The one reader of "_Storage" pages: the page header (PageHeader, store_format.h), the
// entries that follow it, and a value that runs on into the pages of the overflow chain.
//
// A page's entries start at offset 32: a signed 32-bit record number, then the value (the
// page's fixed value size, or for type 11 a length word of the prefix width that counts
// itself, then the text). Only the last entry may run past the end of the page; its bytes
// go on at offset 32 of the next page of the chain.
#pragma once

#include <cstdint>
#include <vector>

#include "store/record_store.h"

namespace bw::store {

// One entry of a page, located but not read.
struct PageEntry {
  int32_t record = 0;
  int64_t value_at = 0;  // file offset of the value (type 11: of the text)
  int64_t length = 0;    // bytes of the value
  bool runs_on = false;  // the value continues on the overflow chain
};

// Walks the entries of one page in stored order.
class PageReader {
 public:
  // Page `page` of the store's "_Storage"; valid() is false when the file cannot be read,
  // the page does not lie in it, or its header cannot be a page header.
  PageReader(RecordStore& store, int64_t page);

  bool valid() const { return valid_; }
  const PageHeader& header() const { return header_; }

  enum class Step { entry, end, damaged };
  // The next entry; `end` after the header's count of entries (none for a negative
  // count) or after an entry that runs on; `damaged` when an entry does not fit the page
  // or its length word is shorter than itself.
  Step next(PageEntry& entry);

  // The whole value of an entry of this page, following the overflow chain when it runs
  // on; false when a byte cannot be read or the chain ends, leaves the file or loops.
  bool read_value(const PageEntry& entry, std::vector<uint8_t>& out);

 private:
  RecordStore& store_;
  int64_t page_ = 0;
  int64_t page_size_ = 0;
  int64_t pages_in_file_ = 0;
  PageHeader header_;
  bool valid_ = false;
  int index_ = 0;
  int64_t pos_ = kPageHeaderSize;
  bool ran_on_ = false;
};

// The header and every entry of a page; false when the page is not valid, its count is
// negative, an entry is damaged or an entry other than the last runs on.
bool read_page(RecordStore& store, int64_t page, PageHeader& header,
               std::vector<PageEntry>& entries);

}  // namespace bw::store
