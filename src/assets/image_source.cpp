#include "assets/image_source.h"

#include <cstdio>
#include <memory>

namespace bw::assets {

std::optional<std::vector<std::uint8_t>> read_whole_file(const std::string& path,
                                                         std::size_t max_bytes) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return std::nullopt;
  if (std::fseek(file.get(), 0, SEEK_END) != 0) return std::nullopt;
  const long size = std::ftell(file.get());
  if (size < 0 || static_cast<unsigned long>(size) > max_bytes) return std::nullopt;
  if (std::fseek(file.get(), 0, SEEK_SET) != 0) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file.get());
  bytes.resize(got);
  return bytes;
}

std::string join_install_path(const std::string& install_dir, const std::string& path) {
  return (install_dir.empty() ? std::string(".") : install_dir) + "/" + path;
}

}  // namespace bw::assets
