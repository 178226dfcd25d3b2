// The asset fetch: every asset the painting engine names by a relative path comes from
// the asset store "<install>/data/Base3" (field 1 the path, field 2 the scrambled bytes),
// or, for a record with empty data, from the plain file "<install>/<path>".
//
// When there is no asset store directory at all, the fetch reads the plain file
// "<install>/<path>" instead, so that an installation made of plain files still works;
// the store is then not tried again until the install directory is set or the store reset.
// A store directory that exists but cannot be used is damaged, and reported as such.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "assets/image_source.h"

namespace bw::assets {

// Largest plain file the fetch reads.
inline constexpr uint64_t kMaxPlainAssetBytes = uint64_t{1} << 30;

// Sets the install directory ("" means "."); the asset store is opened again from there
// on the next fetch.
void set_install_dir(const std::string& dir);
// The install directory in use ("." until set).
const std::string& install_dir();
// Closes the asset store and forgets a failed opening; the next fetch opens it again.
void reset_asset_store();

// The bytes of the asset at `path`, descrambled, or none. A path that is not in the
// store writes "Shader::Shader(): can't open "<path>" file" to standard error. Asset
// paths stay inside the installation folder: an absolute path, or one with a ".." part,
// is refused with a line saying so, whether or not there is a store.
std::optional<std::vector<uint8_t>> fetch_asset(const std::string& path);
// The same, with the length also set (0 when there is none).
std::optional<std::vector<uint8_t>> fetch_asset(const std::string& path, int64_t& length);

// The paths of every asset whose path begins with `prefix`, sorted: the paths of the asset
// store's records, or, when there is no usable asset store, the plain files below
// "<install>/<prefix>" (a prefix that ends in "/"), named relative to the install
// directory as the fetch names them.
std::vector<std::string> asset_paths(const std::string& prefix);

// Opens the asset store when it is not open yet; true when it, or a record of it, has
// been found damaged. Each damage is said once, in one line naming the store (and the
// record); a store damaged as a whole then serves no asset, not even from plain files.
bool asset_store_damaged();

// The same as fetch_asset, silent about a path that is missing: for a caller that has
// another place to look and reports the miss itself when that fails too.
std::optional<std::vector<uint8_t>> probe_asset(const std::string& path);

// An AssetFetcher (image_source.h) over fetch_asset.
AssetFetcher asset_fetcher();

}  // namespace bw::assets
