#include "platform/file_replacement.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>
#endif

namespace bw::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTemporaryMark = ".tmp";

unsigned long process_id() {
#ifdef _WIN32
  return static_cast<unsigned long>(_getpid());
#else
  return static_cast<unsigned long>(::getpid());
#endif
}

// Whether a process with id `id` runs now; one that exists but is not ours counts too.
bool process_running(unsigned long id) {
#ifdef _WIN32
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return running;
#else
  if (id == 0 || id > 0x7fffffffUL) return false;
  return ::kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
#endif
}

// A stream on a file created at `path` that was not there before, so that a link planted
// under the temporary's name is never followed.
std::FILE* create_new(const std::string& path) {
#ifdef _WIN32
  SetLastError(ERROR_SUCCESS);
  std::FILE* stream = create_for_writing(path);
  if (stream == nullptr) {
    // The reason comes from the system's error code; the C library's errno never saw it.
    switch (GetLastError()) {
      case ERROR_FILE_NOT_FOUND:
      case ERROR_PATH_NOT_FOUND:
      case ERROR_INVALID_NAME:
        errno = ENOENT;
        break;
      case ERROR_ACCESS_DENIED:
      case ERROR_SHARING_VIOLATION:
        errno = EACCES;
        break;
      case ERROR_DISK_FULL:
      case ERROR_HANDLE_DISK_FULL:
        errno = ENOSPC;
        break;
      default:
        errno = EIO;
        break;
    }
  }
  return stream;
#else
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      std::FILE* stream = ::fdopen(fd, "wb");
      if (stream == nullptr) {
        const int reason = errno;
        ::close(fd);
        errno = reason;
      }
      return stream;
    }
    // One left by an earlier process that had this process's id.
    if (errno != EEXIST || attempt > 0 || ::unlink(path.c_str()) != 0) return nullptr;
  }
  return nullptr;
#endif
}

// Paths are UTF-8 text on every system.
fs::path native(const std::string& path) {
  return fs::path(std::u8string(path.begin(), path.end()));
}

}  // namespace

std::string temporary_path(const std::string& path) {
  return path + std::string(kTemporaryMark) + std::to_string(process_id());
}

std::string system_reason(int error_number) {
  return error_number != 0 ? std::strerror(error_number) : "an unknown failure";
}

int remove_stale_temporaries(const std::string& dir, const std::string& extension) {
  int removed = 0;
  std::error_code error;
  for (fs::directory_iterator it(native(dir), error), end; !error && it != end;
       it.increment(error)) {
    const std::u8string wide = it->path().filename().u8string();
    const std::string name(wide.begin(), wide.end());
    const size_t mark = name.rfind(kTemporaryMark);
    if (mark == std::string::npos || mark < extension.size() ||
        name.compare(mark - extension.size(), extension.size(), extension) != 0)
      continue;
    const std::string digits = name.substr(mark + kTemporaryMark.size());
    if (digits.empty() || digits.size() > 10 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const unsigned long id = std::stoul(digits);
    std::error_code status_error;
    if (id == process_id() || process_running(id) ||
        !fs::is_regular_file(it->symlink_status(status_error)))
      continue;
    std::error_code remove_error;
    if (fs::remove(it->path(), remove_error)) ++removed;
  }
  return removed;
}

FileReplacement::~FileReplacement() { abandon(); }

bool FileReplacement::open(const std::string& path, std::string* reason) {
  abandon();
  path_ = path;
  temporary_ = temporary_path(path);
  failure_ = 0;
  errno = 0;
  stream_ = create_new(temporary_);
  if (stream_ == nullptr) {
    *reason = system_reason(errno);
    temporary_.clear();
    return false;
  }
  return true;
}

bool FileReplacement::write(const void* bytes, size_t size) {
  if (stream_ == nullptr || failure_ != 0) return false;
  errno = 0;
  if (std::fwrite(bytes, 1, size, stream_) == size) return true;
  note_failure(errno);
  return false;
}

void FileReplacement::note_failure(int error_number) {
  if (failure_ == 0) failure_ = error_number != 0 ? error_number : EIO;
}

bool FileReplacement::commit(std::string* reason) {
  if (stream_ == nullptr) {
    *reason = "it was never created";
    return false;
  }
  errno = 0;
  if (std::fflush(stream_) != 0 || std::ferror(stream_) != 0) note_failure(errno);
  errno = 0;
  if (std::fclose(stream_) != 0) note_failure(errno);
  stream_ = nullptr;
  if (failure_ == 0) {
    // Replaces an earlier file of that name, which rename() of the C library does not do
    // on Windows.
    std::error_code rename_error;
    fs::rename(native(temporary_), native(path_), rename_error);
    if (!rename_error) {
      temporary_.clear();
      return true;
    }
    *reason = rename_error.message();
  } else {
    *reason = system_reason(failure_);
  }
  abandon();
  return false;
}

void FileReplacement::abandon() {
  if (stream_ != nullptr) std::fclose(stream_);
  stream_ = nullptr;
  if (!temporary_.empty()) {
    std::error_code ignored;
    fs::remove(native(temporary_), ignored);
  }
  temporary_.clear();
}

}  // namespace bw::platform
