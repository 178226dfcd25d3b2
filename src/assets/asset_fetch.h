// The asset fetch: every asset the painting engine names by a relative path comes from
// the asset store "<install>/data/Base3" (field 1 the path, field 2 the scrambled bytes),
// or, for a record with empty data, from the plain file "<install>/<path>".
//
// When there is no usable asset store at all, the fetch reads the plain file
// "<install>/<path>" instead, so that an installation made of plain files still works;
// the store is then not tried again until the install directory is set or the store reset.
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
// store writes "Shader::Shader(): can't open "<path>" file" to standard error.
std::optional<std::vector<uint8_t>> fetch_asset(const std::string& path);
// The same, with the length also set (0 when there is none).
std::optional<std::vector<uint8_t>> fetch_asset(const std::string& path, int64_t& length);

// The same as fetch_asset, silent about a path that is missing: for a caller that has
// another place to look and reports the miss itself when that fails too.
std::optional<std::vector<uint8_t>> probe_asset(const std::string& path);

// An AssetFetcher (image_source.h) over fetch_asset.
AssetFetcher asset_fetcher();

}  // namespace bw::assets
