#include "assets/image_source.h"

#include <cstdio>
#include <memory>

#include "platform/posix_io.h"

namespace bw::assets {

std::optional<std::vector<std::uint8_t>> read_whole_file(const std::string& path,
                                                         std::size_t max_bytes) {
  // Non-blocking and regular files only, so a FIFO or a device named like a file can
  // neither hang the read nor stream without end.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<std::uint64_t>(st.st_size) > max_bytes) {
    ::close(fd);
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);  // the bytes actually read
  return bytes;
}

std::FILE* open_image_file(const std::string& path, const std::string& install_dir) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr && !install_dir.empty())
    file = std::fopen(join_install_path(install_dir, path).c_str(), "rb");
  return file;
}

std::string join_install_path(const std::string& install_dir, const std::string& path) {
  return (install_dir.empty() ? std::string(".") : install_dir) + "/" + path;
}

}  // namespace bw::assets
