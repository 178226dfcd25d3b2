// The file seam on POSIX systems: descriptors opened non-blocking and close-on-exec, and
// looked at with fstat before anything is read.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/environment.h"
#include "platform/file.h"

namespace bw::platform {
namespace {

int open_flags(FileAccess access) {
  switch (access) {
    case FileAccess::read_write: return O_RDWR;
    case FileAccess::write_only: return O_WRONLY;
    case FileAccess::read_only: break;
  }
  return O_RDONLY;
}

// A descriptor on the regular file at `path`, -1 otherwise. Non-blocking, so that a FIFO
// named like a file can neither hang the open nor a read.
int open_regular(const std::string& path, FileAccess access) {
  const int fd = ::open(path.c_str(), open_flags(access) | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

File File::open(const std::string& path, FileAccess access) {
  return File(open_regular(path, access));
}

void File::close() {
  if (handle_ != kNoHandle) ::close(static_cast<int>(handle_));
  handle_ = kNoHandle;
}

int64_t File::size() const {
  struct stat st {};
  if (!is_open() || ::fstat(static_cast<int>(handle_), &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

int64_t File::read_at(int64_t offset, void* buffer, size_t count) const {
  if (!is_open() || offset < 0) return -1;
  return ::pread(static_cast<int>(handle_), buffer, count, static_cast<off_t>(offset));
}

int64_t File::write_at(int64_t offset, const void* buffer, size_t count) {
  if (!is_open() || offset < 0) return -1;
  return ::pwrite(static_cast<int>(handle_), buffer, count, static_cast<off_t>(offset));
}

bool file_exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }
bool file_readable(const std::string& path) { return ::access(path.c_str(), R_OK) == 0; }
bool file_writable(const std::string& path) { return ::access(path.c_str(), W_OK) == 0; }

std::FILE* open_for_reading(const std::string& path) {
  const int fd = open_regular(path, FileAccess::read_only);
  if (fd < 0) return nullptr;
  // The stream reads as usual: blocking, which a regular file never does anyway.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* stream = ::fdopen(fd, "rb");
  if (stream == nullptr) ::close(fd);
  return stream;
}

std::FILE* create_for_writing(const std::string& path) { return std::fopen(path.c_str(), "wb"); }

void make_standard_output_binary() {}

bool make_directory(const std::string& path) {
  return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

bool remove_file(const std::string& path) { return ::unlink(path.c_str()) == 0; }

std::optional<std::string> environment_variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

}  // namespace bw::platform
