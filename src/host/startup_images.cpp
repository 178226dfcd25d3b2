#include "host/startup_images.h"

#include "painter/engine.h"
#include "painter/image_search.h"

namespace bw::host {

StartupImages::~StartupImages() { wait(); }

void StartupImages::wait() {
  if (worker_.valid()) worker_.get();
}

void StartupImages::decode() {
  for (Named& named : named_) named.image = readers_.by_path(named.path, named.width, named.height);
  for (Numbered& numbered : numbered_)
    numbered.image = readers_.by_store(numbered.number, numbered.store_code, numbered.record_count);
}

void StartupImages::start(device::ImageSource& source) {
  if (worker_.valid()) return;
  readers_ = source;
  // The overlays the engine loads by name, and the number the facture search begins at.
  if (readers_.by_path) {
    for (const char* path : {painter::kCanvasImagePath, painter::kSignatureImagePath})
      named_.emplace_back().path = path;
  }
  if (readers_.by_store) {
    Numbered& first_facture = numbered_.emplace_back();
    first_facture.number = painter::kFirstFacture;
    first_facture.store_code = static_cast<int>(painter::ImageStore::facture);
  }
  worker_ = std::async(std::launch::async, [this] { decode(); });

  if (readers_.by_path) {
    source.by_path = [this](const std::string& path, int& width, int& height) {
      wait();
      for (Named& named : named_) {
        if (named.path != path || named.taken) continue;
        named.taken = true;
        width = named.width;
        height = named.height;
        return std::move(named.image);
      }
      return readers_.by_path(path, width, height);
    };
  }
  if (readers_.by_store) {
    source.by_store = [this](int number, int store_code,
                             int& record_count) -> std::optional<assets::PixelBuffer> {
      wait();
      for (const Numbered& numbered : numbered_) {
        if (numbered.number != number || numbered.store_code != store_code) continue;
        if (numbered.record_count != -1) record_count = numbered.record_count;
        return numbered.image;  // a copy: the loads of one start share one decoding
      }
      return readers_.by_store(number, store_code, record_count);
    };
  }
}

}  // namespace bw::host
