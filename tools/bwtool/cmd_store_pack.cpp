// bwtool store pack-assets | pack-images: building the stores the saver reads its assets
// and numbered images from.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/asset_pack.h"
#include "assets/image_source.h"
#include "command.h"

namespace bwtool {
namespace {

using bw::assets::PackedAsset;

bool read_input(const char* file, std::vector<uint8_t>& bytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    std::fprintf(stderr, "bwtool store: \"%s\" is not a readable file\n", file);
    return false;
  }
  auto data = bw::assets::read_whole_file(file);
  if (!data) {
    std::fprintf(stderr, "bwtool store: cannot read \"%s\"\n", file);
    return false;
  }
  bytes = std::move(*data);
  return true;
}

int run_pack_assets(std::span<char* const> args) {
  if (args.size() < 3) {
    std::fputs("usage: bwtool store pack-assets OUT_DIR ROOT FILE...\n", stderr);
    return kUsageError;
  }
  std::vector<PackedAsset> assets;
  for (size_t i = 2; i < args.size(); ++i) {
    PackedAsset asset;
    if (!bw::assets::relative_key(args[1], args[i], asset.key)) {
      std::fprintf(stderr, "bwtool store: \"%s\" does not lie under \"%s\"\n", args[i], args[1]);
      return 1;
    }
    if (!read_input(args[i], asset.bytes)) return 1;
    if (asset.bytes.empty())
      std::fprintf(stderr,
                   "bwtool store: \"%s\" is empty: its record stands for the plain file "
                   "\"%s\" under the install directory\n",
                   args[i], asset.key.c_str());
    assets.push_back(std::move(asset));
  }
  std::string error;
  if (!bw::assets::write_asset_store(args[0], assets, &error)) {
    std::fprintf(stderr, "bwtool store: cannot pack \"%s\": %s\n", args[0], error.c_str());
    return 1;
  }
  return 0;
}

int run_pack_images(std::span<char* const> args) {
  if (args.size() < 2) {
    std::fputs("usage: bwtool store pack-images OUT_DIR FILE...\n", stderr);
    return kUsageError;
  }
  std::vector<PackedAsset> images;
  for (size_t i = 1; i < args.size(); ++i) {
    PackedAsset image;
    image.key = std::filesystem::path(args[i]).filename().string();
    if (!read_input(args[i], image.bytes)) return 1;
    images.push_back(std::move(image));
  }
  std::string error;
  if (!bw::assets::write_image_store(args[0], images, &error)) {
    std::fprintf(stderr, "bwtool store: cannot pack \"%s\": %s\n", args[0], error.c_str());
    return 1;
  }
  return 0;
}

const CommandRegistration pack_assets(
    "store pack-assets",
    "  store pack-assets OUT_DIR ROOT FILE...\n"
    "                          asset store: each FILE keyed by its path under ROOT\n",
    &run_pack_assets);
const CommandRegistration pack_images(
    "store pack-images",
    "  store pack-images OUT_DIR FILE...\n"
    "                          numbered image store: record k holds the k-th FILE\n",
    &run_pack_images);

}  // namespace
}  // namespace bwtool
