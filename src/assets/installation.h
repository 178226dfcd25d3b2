// An installation: the folder under which data/ lies, and the stores opened from it. Every
// asset the painting engine names by a relative path comes from the asset store
// "<install>/data/Base3" (field 1 the path, field 2 the scrambled bytes), or, for a record
// with empty data, from the plain file "<install>/<path>"; numbered images come from the
// image stores "<install>/data/Base1", "Base2", "Base4" and "Base".
//
// When there is no asset store directory at all, the fetch reads the plain file
// "<install>/<path>" instead, so that an installation made of plain files still works;
// the store is then not tried again for the life of the installation. A store directory
// that exists but cannot be used is damaged, and reported as such.
//
// The host makes one installation from its settings and hands it to every painting it
// starts, so that what is said about a damaged store is said once per run; installations
// made from different folders, or at different times, answer independently.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "assets/image_source.h"
#include "assets/pixel_buffer.h"

namespace bw::assets {

// Largest plain file the fetch reads.
inline constexpr uint64_t kMaxPlainAssetBytes = uint64_t{1} << 30;

struct AssetStore;
class ImageStores;

class Installation {
 public:
  // The installation in `dir` ("" means "."); nothing is opened until first asked for.
  explicit Installation(std::string dir);
  ~Installation();
  Installation(const Installation&) = delete;
  Installation& operator=(const Installation&) = delete;

  // The folder under which data/ lies.
  const std::string& dir() const { return dir_; }

  // The bytes of the asset at `path`, descrambled, or none. A path that is in neither the
  // store nor a plain file is said in one line through the diagnostics sink. Asset
  // paths stay inside the installation folder: an absolute path, or one with a ".." part,
  // is refused with a line saying so, whether or not there is a store.
  std::optional<std::vector<uint8_t>> fetch_asset(const std::string& path);
  // The same, with the length also set (0 when there is none).
  std::optional<std::vector<uint8_t>> fetch_asset(const std::string& path, int64_t& length);

  // The same as fetch_asset, silent about a path that is missing: for a caller that has
  // another place to look and reports the miss itself when that fails too.
  std::optional<std::vector<uint8_t>> probe_asset(const std::string& path);

  // The paths of every asset whose path begins with `prefix`, sorted: the paths of the
  // asset store's records, or, when there is no usable asset store, the plain files below
  // "<install>/<prefix>" (a prefix that ends in "/"), named relative to the install
  // directory as the fetch names them.
  std::vector<std::string> asset_paths(const std::string& prefix);

  // Opens the asset store when it is not open yet; true when it, or a record of it, has
  // been found damaged. Each damage is said once, in one line naming the store (and the
  // record); a store damaged as a whole then serves no asset, not even from plain files.
  bool asset_store_damaged();

  // An AssetFetcher (image_source.h) over fetch_asset; valid while the installation is.
  AssetFetcher asset_fetcher();

  // A numbered image of the image stores (ImageStores::fetch in store_image.h). The
  // stores are opened on first use and kept; a store that cannot be opened is tried again
  // on each fetch, and why it failed is said the first time only.
  std::optional<PixelBuffer> fetch_store_image(int number, int store_code, int& width,
                                               int& height, int& count,
                                               RowOrder order = RowOrder::top_first);

 private:
  std::string dir_;
  std::unique_ptr<AssetStore> assets_;
  std::unique_ptr<ImageStores> images_;     // made on the first numbered image
  std::set<std::string> unopened_reported_;  // image stores whose failed opening was said
};

}  // namespace bw::assets
