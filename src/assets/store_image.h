// Numbered images: JPEG records of the three image stores, chosen by a store code and a
// number, descrambled and decoded into pixel buffers. The upload (after the row
// reversal of pixel_buffer.h) is the device's.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "assets/pixel_buffer.h"

namespace bw::assets {

// The records of one open image store, as this reader needs them.
class ImageRecords {
 public:
  virtual ~ImageRecords() = default;
  // The highest record number; records are numbered from 1.
  virtual int record_count() = 0;
  // The stored (scrambled) bytes of field 2 of `record`, in a buffer of these records'
  // own that the caller may change in place and that stays valid until the next call;
  // none when it cannot be read.
  virtual std::optional<std::span<std::uint8_t>> image_field(int record) = 0;
};

// Opens the store directory `dir`; nullptr when it cannot be opened.
using ImageStoreOpener = std::function<std::unique_ptr<ImageRecords>(const std::string& dir)>;

// The directory of a store code under the install directory ("." when empty), or "" for
// an unknown code: 0 data/Base1, 1 data/Base2, 2 data/Base4, 4 data/Base.
std::string image_store_dir(const std::string& install_dir, int store_code);

// The record that `number` selects among `count` records: number modulo (count + 1) as a
// signed remainder, 0 becoming 1. Gives 0 for a negative number, which selects nothing.
int select_image_record(int number, int count);

// The image-store slots of one installation: filled on first use and kept, so that each store
// is opened once. Codes 0 and 4 share a slot: whichever is used first decides which
// directory it holds. A failed open leaves the slot empty, and the next fetch tries again.
class ImageStores {
 public:
  ImageStores(std::string install_dir, ImageStoreOpener open);
  // Says how many more records of each store could not be read, or decoded, than the
  // first of each kind that was named.
  ~ImageStores();
  ImageStores(const ImageStores&) = delete;
  ImageStores& operator=(const ImageStores&) = delete;

  // fetch_store_image: selects a record of the store by number, descrambles it and decodes
  // it as JPEG. A store without records is reported once in a line naming the store; the
  // first record that cannot be read, and the first that cannot be decoded, once each in
  // a line naming the store and the record; further records of the same kind are only
  // counted, and the counts said when the stores close. A record reported or counted is
  // not read again. Sets `count` to the store's record count once the store is open; sets width
  // and height when the image decodes. An unknown store code leaves every output untouched.
  // With bottom_first the rows come out as reverse_rows would leave them, which is what a
  // texture upload of a store image wants, without a second pass over the pixels.
  std::optional<PixelBuffer> fetch(int number, int store_code, int& width, int& height,
                                   int& count, RowOrder order = RowOrder::top_first);

 private:
  std::string install_dir_;
  ImageStoreOpener open_;
  struct Slot {
    std::unique_ptr<ImageRecords> records;  // empty until opened
    std::string dir;                        // the directory it was opened from
    bool empty_reported = false;            // the store holds no records, and that was said
    std::set<int> bad_records;              // records said to be unreadable or damaged
    int unreadable = 0;                     // records that could not be read
    int undecodable = 0;                    // records that could not be decoded
  };
  std::array<Slot, 3> slots_;
};

}  // namespace bw::assets
