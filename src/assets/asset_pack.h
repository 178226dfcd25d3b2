// Packing assets into record stores that fetch_asset and the numbered-image loader read:
// the bytes of record k are scrambled with the seed k + 20593, the inverse of the
// descrambling on the reading side.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bw::assets {

// One asset to pack: its key (a relative path with forward slashes) and its bytes.
struct PackedAsset {
  std::string key;
  std::vector<uint8_t> bytes;
};

// Field numbers of the packed stores.
inline constexpr int kAssetKeyField = 1;   // text (type 11), indexed
inline constexpr int kAssetDataField = 2;  // binary (type 12), scrambled

// Writes an asset store into `dir` (created when missing): record k holds assets[k-1].
// Keys must be unique under the store's collation (which ignores letter case); false with
// `error` set otherwise or when the store cannot be written.
bool write_asset_store(const std::string& dir, const std::vector<PackedAsset>& assets,
                       std::string* error);

// Writes a numbered image store: record k holds images[k-1] (field 1 its name).
bool write_image_store(const std::string& dir, const std::vector<PackedAsset>& images,
                       std::string* error);

// The key of `file` relative to `root` with forward slashes; false when the file does not
// lie under the root.
bool relative_key(const std::string& root, const std::string& file, std::string& key);

}  // namespace bw::assets
