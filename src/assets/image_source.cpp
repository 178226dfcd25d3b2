#include "assets/image_source.h"

#include "platform/file.h"
#include "platform/path.h"

namespace bw::assets {

std::optional<std::vector<std::uint8_t>> read_whole_file(const std::string& path,
                                                         std::size_t max_bytes) {
  return platform::read_file(path, max_bytes);
}

std::optional<std::vector<std::uint8_t>> fetch_image_asset(const std::string& path,
                                                           const AssetFetcher& fetch) {
  if (!fetch) return std::nullopt;
  return fetch(path);
}

std::FILE* open_image_file(const std::string& path, const std::string& install_dir) {
  std::FILE* file = platform::open_for_reading(path);
  if (file == nullptr && !install_dir.empty())
    file = platform::open_for_reading(join_install_path(install_dir, path));
  return file;
}

std::string join_install_path(const std::string& install_dir, const std::string& path) {
  return platform::join_relative_path(install_dir.empty() ? "." : install_dir, path);
}

}  // namespace bw::assets
