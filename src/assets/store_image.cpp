#include "assets/store_image.h"

#include <optional>
#include <utility>

#include "assets/additive_random.h"
#include "assets/jpeg_decoder.h"
#include "platform/diagnostics.h"
#include "platform/path.h"

namespace bw::assets {
namespace {

// Slot of each store code; none for codes that name no store.
std::optional<std::size_t> slot_of(int store_code) {
  switch (store_code) {
    case 0:
    case 4:
      return 0;
    case 1:
      return 1;
    case 2:
      return 2;
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string image_store_dir(const std::string& install_dir, int store_code) {
  const char* name = nullptr;
  switch (store_code) {
    case 0: name = "data/Base1"; break;
    case 1: name = "data/Base2"; break;
    case 2: name = "data/Base4"; break;
    case 4: name = "data/Base"; break;
    default: return "";
  }
  return platform::join_relative_path(install_dir.empty() ? "." : install_dir, name);
}

int select_image_record(int number, int count) {
  if (number < 0 || count < 0) return 0;
  // number % (count + 1) in 64 bits, so that a count of INT_MAX cannot overflow.
  const auto record = static_cast<int>(static_cast<std::int64_t>(number) %
                                       (static_cast<std::int64_t>(count) + 1));
  return record == 0 ? 1 : record;
}

ImageStores::ImageStores(std::string install_dir, ImageStoreOpener open)
    : install_dir_(install_dir.empty() ? std::string(".") : std::move(install_dir)),
      open_(std::move(open)) {}

ImageStores::~ImageStores() {
  for (const Slot& slot : slots_) {
    if (slot.unreadable > 1)
      diag::message("fetch_store_image(): %d more records of the image store \"%s\" cannot "
                    "be read", slot.unreadable - 1, slot.dir.c_str());
    if (slot.undecodable > 1)
      diag::message("fetch_store_image(): %d more records of the image store \"%s\" cannot "
                    "be decoded", slot.undecodable - 1, slot.dir.c_str());
  }
}

std::optional<PixelBuffer> ImageStores::fetch(int number, int store_code, int& width,
                                              int& height, int& count, RowOrder order) {
  const std::optional<std::size_t> slot = slot_of(store_code);
  if (!slot) return std::nullopt;
  Slot& opened = slots_[*slot];
  if (!opened.records) {
    if (!open_) return std::nullopt;
    opened.dir = image_store_dir(install_dir_, store_code);
    opened.records = open_(opened.dir);
    if (!opened.records) return std::nullopt;
  }
  ImageRecords* records = opened.records.get();
  const int n = records->record_count();
  count = n;
  if (n <= 0) {
    if (!opened.empty_reported)
      diag::message("fetch_store_image(): the image store \"%s\" is damaged: \"Main\" "
                    "holds no records", opened.dir.c_str());
    opened.empty_reported = true;
    return std::nullopt;
  }
  const int record = select_image_record(number, n);
  if (record < 1 || opened.bad_records.count(record) != 0) return std::nullopt;

  const std::string source = "record " + std::to_string(record) + " of the image store \"" +
                             opened.dir + "\"";
  // Descrambled where it was read, and decoded from there.
  const std::optional<std::span<std::uint8_t>> bytes = records->image_field(record);
  if (!bytes) {
    opened.bad_records.insert(record);
    if (opened.unreadable++ == 0)
      diag::message("fetch_store_image(): %s cannot be read", source.c_str());
    return std::nullopt;
  }
  if (bytes->empty()) return std::nullopt;
  descramble(*bytes, record_seed(record));
  // The first record of a store that the decoder refuses is named with the reason; the
  // others are only counted.
  ImageResult<PixelBuffer> image = decode_jpeg(*bytes, width, height, kMaxImageSide, order);
  if (!image) {
    if (opened.undecodable == 0) report(image.error(), source, "fetch_store_image(): ");
    opened.bad_records.insert(record);
    ++opened.undecodable;
  }
  return image;
}

}  // namespace bw::assets
