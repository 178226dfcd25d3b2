#include "assets/store_image_records.h"

#include <algorithm>
#include <set>

#include "assets/asset_fetch.h"
#include "platform/diagnostics.h"
#include "platform/file.h"
#include "store/record_store.h"

namespace bw::assets {
namespace {

// Field 2 of every image-store record holds the scrambled JPEG file.
constexpr int kImageField = 2;

class RecordStoreImages : public ImageRecords {
 public:
  explicit RecordStoreImages(std::unique_ptr<store::RecordStore> store)
      : store_(std::move(store)) {}

  int record_count() override { return store_->record_count(); }

  std::optional<std::span<std::uint8_t>> image_field(int record) override {
    const int length = store_->read_field(record, kImageField, buffer_);
    if (length < 0) return std::nullopt;
    auto* bytes = reinterpret_cast<std::uint8_t*>(buffer_.data());
    return std::span<std::uint8_t>(
        bytes, std::min<std::size_t>(static_cast<std::size_t>(length), buffer_.size()));
  }

 private:
  std::unique_ptr<store::RecordStore> store_;
  std::string buffer_;  // reused between reads
};

struct ProcessImageStores {
  std::string install;
  std::unique_ptr<ImageStores> stores;
};

ProcessImageStores& process_image_stores() {
  static ProcessImageStores instance;
  return instance;
}

}  // namespace

std::unique_ptr<ImageRecords> open_image_store(const std::string& dir) {
  store::OpenFailure failure{};
  std::unique_ptr<store::RecordStore> store = store::RecordStore::open(dir, failure);
  // A store that cannot serve images is not kept: each later fetch tries again, and the
  // reason is said for the first attempt only.
  static std::set<std::string> reported;
  if (!store) {
    if (reported.insert(dir).second) {
      diag::message("fetch_store_image(): the image store \"%s\" cannot be opened: %s",
                    dir.c_str(),
                    platform::file_exists(dir) ? store::open_failure_text(failure) : "it is missing");
    }
    return nullptr;
  }
  // Every image lies in Bank.0: without it each record would be said on its own.
  if (store->record_count() > 0 && store->read(store::StoreFile::heap, 0, 1) == nullptr) {
    if (reported.insert(dir).second)
      diag::message("fetch_store_image(): the image store \"%s\" is damaged: \"Bank.0\" "
                    "is empty or not a file", dir.c_str());
    return nullptr;
  }
  return std::make_unique<RecordStoreImages>(std::move(store));
}

std::optional<PixelBuffer> fetch_store_image(int number, int store_code, int& width,
                                             int& height, int& count, RowOrder order) {
  ProcessImageStores& process = process_image_stores();
  if (!process.stores || process.install != install_dir()) {
    process.install = install_dir();
    process.stores = std::make_unique<ImageStores>(process.install, &open_image_store);
  }
  return process.stores->fetch(number, store_code, width, height, count, order);
}

void reset_image_stores() { process_image_stores().stores.reset(); }

}  // namespace bw::assets
