// The parts of the file seam that every system shares.
#include "platform/file.h"

namespace bw::platform {

File::~File() { close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = kNoHandle; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = other.handle_;
    other.handle_ = kNoHandle;
  }
  return *this;
}

size_t File::read_fully_at(int64_t offset, void* buffer, size_t count) const {
  auto* bytes = static_cast<uint8_t*>(buffer);
  size_t got = 0;
  while (got < count) {
    const int64_t n = read_at(offset + static_cast<int64_t>(got), bytes + got, count - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  return got;
}

std::optional<std::vector<uint8_t>> read_file(const std::string& path, size_t max_bytes) {
  const File file = File::open(path, FileAccess::read_only);
  const int64_t size = file.size();
  if (size < 0 || static_cast<uint64_t>(size) > max_bytes) return std::nullopt;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  bytes.resize(file.read_fully_at(0, bytes.data(), bytes.size()));  // the bytes actually read
  return bytes;
}

bool write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::FILE* f = create_for_writing(path);
  if (f == nullptr) return false;
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace bw::platform
