#include "assets/asset_fetch.h"
#include "assets/image_source.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "assets/additive_random.h"
#include "store/record_store.h"
#include "store/store_cursor.h"

namespace bw::assets {
namespace {

constexpr int kPathField = 1;
constexpr int kDataField = 2;

// The process's one asset store, opened on the first fetch.
struct AssetStore {
  std::string install = ".";
  bool tried = false;
  std::unique_ptr<store::RecordStore> store;

  void close() {
    store.reset();
    tried = false;
  }
  store::RecordStore* get() {
    if (!tried) {
      tried = true;
      int failure = 0;
      store = store::RecordStore::open(install + "/data/Base3", failure);
    }
    return store.get();
  }
};

AssetStore& asset_store() {
  static AssetStore instance;
  return instance;
}

// The whole plain file, or none when it is not a readable regular file.
std::optional<std::vector<uint8_t>> read_plain(const std::string& file) {
  return read_whole_file(file, kMaxPlainAssetBytes);
}

void report_missing(const std::string& path) {
  std::fprintf(stderr, "Shader::Shader(): can't open \"%s\" file\n", path.c_str());
}

}  // namespace

void set_install_dir(const std::string& dir) {
  AssetStore& a = asset_store();
  a.close();
  a.install = dir.empty() ? std::string(".") : dir;
}

const std::string& install_dir() { return asset_store().install; }

void reset_asset_store() { asset_store().close(); }

namespace {

std::optional<std::vector<uint8_t>> fetch(const std::string& path, int64_t& length,
                                          bool report) {
  length = 0;
  AssetStore& a = asset_store();
  const std::string plain = a.install + "/" + path;
  store::RecordStore* s = a.get();
  if (s == nullptr) {
    auto bytes = read_plain(plain);
    if (!bytes) {
      if (report) report_missing(path);
      return std::nullopt;
    }
    length = static_cast<int64_t>(bytes->size());
    return bytes;
  }

  int record = 0;
  {
    store::StoreCursor cursor(s, 1);
    record = cursor.find(kPathField, path, store::kModeExact);
  }
  if (record <= 0) {
    if (report) report_missing(path);
    return std::nullopt;
  }
  // The stored bytes as they are: field 2 is binary and needs no formatting.
  store::ReadResult data = s->read_raw(record, store::FieldPath::of(kDataField));
  const int stored = data.length;
  if (stored <= 0) {
    // A record without data stands for the plain file of the same path.
    auto bytes = read_plain(plain);
    if (bytes) length = static_cast<int64_t>(bytes->size());
    return bytes;
  }
  const size_t count = std::min(data.bytes.size(), static_cast<size_t>(stored));
  std::vector<uint8_t> bytes = std::move(data.bytes);
  bytes.resize(count);
  descramble(bytes, record_seed(record));
  length = static_cast<int64_t>(count);
  return bytes;
}

}  // namespace

std::optional<std::vector<uint8_t>> fetch_asset(const std::string& path, int64_t& length) {
  return fetch(path, length, true);
}

std::optional<std::vector<uint8_t>> fetch_asset(const std::string& path) {
  int64_t length = 0;
  return fetch(path, length, true);
}

std::optional<std::vector<uint8_t>> probe_asset(const std::string& path) {
  int64_t length = 0;
  return fetch(path, length, false);
}

AssetFetcher asset_fetcher() {
  return [](const std::string& path) { return fetch_asset(path); };
}

}  // namespace bw::assets
