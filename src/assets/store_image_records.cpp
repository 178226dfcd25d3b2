// The image stores of an installation, read through the record store: the numbered images
// that texture loading asks for.
#include <algorithm>
#include <set>

#include "assets/installation.h"
#include "assets/store_image.h"
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

// Opens the record store at `dir` as an image store; nullptr when it cannot be opened. A
// store that cannot serve images is not kept: each later fetch tries again, and the reason
// is said for the first attempt only (`reported` holds the stores already said).
std::unique_ptr<ImageRecords> open_image_store(const std::string& dir,
                                               std::set<std::string>& reported) {
  store::OpenFailure failure{};
  std::unique_ptr<store::RecordStore> store = store::RecordStore::open(dir, failure);
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

}  // namespace

std::optional<PixelBuffer> Installation::fetch_store_image(int number, int store_code,
                                                           int& width, int& height, int& count,
                                                           RowOrder order) {
  if (!images_) {
    images_ = std::make_unique<ImageStores>(dir_, [this](const std::string& store_dir) {
      return open_image_store(store_dir, unopened_reported_);
    });
  }
  return images_->fetch(number, store_code, width, height, count, order);
}

}  // namespace bw::assets
