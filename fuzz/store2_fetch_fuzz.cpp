// fetch_asset over a fuzzed asset store: "Main" and Bank.0 of the packed schema come from
// the input, the asset path from its tail.
#include <cstdint>
#include <string>

#include "assets/asset_pack.h"
#include "assets/installation.h"
#include "store2_files.h"

namespace {

const std::vector<std::string> kFiles = {"Main", "Bank.0"};

const std::string& install() {
  static const std::string dir = [] {
    const std::string d = store2_fuzz::temp_dir("fetch_fuzz");
    std::string error;
    if (!bw::assets::write_asset_store(d + "/data/Base3", {{"a", {1}}}, &error)) std::abort();
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = install();
  const std::vector<uint8_t> tail = store2_fuzz::unpack(data, size, dir + "/data/Base3", kFiles);
  std::string path(tail.begin(), tail.end());
  if (path.find('/') != std::string::npos) path.clear();  // keep plain files inside the store
  bw::assets::Installation installation(dir);  // opens the store afresh on its first fetch
  int64_t length = 0;
  const auto bytes = installation.fetch_asset(path.empty() ? "a" : path, length);
  if (bytes && static_cast<int64_t>(bytes->size()) != length) std::abort();
  return 0;
}
