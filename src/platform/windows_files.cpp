// The file seam on Windows: wide Win32 calls on paths converted from UTF-8 once, here.
// Files are opened sharing read, write and delete, so that others may read, rewrite,
// remove or rename a file held open here, as on POSIX.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <climits>

#include "platform/diagnostics.h"
#include "platform/environment.h"
#include "platform/file.h"

namespace bw::platform {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// ReadFile and WriteFile move at most this many bytes a call.
constexpr size_t kMaxTransfer = size_t{1} << 30;

void refuse(const std::string& path, const char* why) {
  diag::message("\"%s\" %s", path.c_str(), why);
}

// The UTF-16 form of `path` for the system; none, with a message, for a device or pipe
// path and for text that is not UTF-8.
std::optional<std::wstring> system_path(const std::string& path) {
  if (names_windows_device(path)) {
    refuse(path, "names a device or a pipe, not a file");
    return std::nullopt;
  }
  if (path.empty()) return std::wstring();
  if (path.size() > INT_MAX) return std::nullopt;
  const int length = static_cast<int>(path.size());
  const int wide_length =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), length, nullptr, 0);
  std::wstring wide(static_cast<size_t>(wide_length > 0 ? wide_length : 0), L'\0');
  if (wide_length <= 0 ||
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), length, wide.data(),
                          wide_length) != wide_length ||
      wide.find(L'\0') != std::wstring::npos) {
    refuse(path, "is not a UTF-8 path");
    return std::nullopt;
  }
  return wide;
}

// A handle on the disk file at `path`, INVALID_HANDLE_VALUE otherwise (missing, refused,
// or a console, pipe or other device that the name checks did not catch).
HANDLE open_disk_file(const std::string& path, DWORD desired, DWORD disposition) {
  const std::optional<std::wstring> wide = system_path(path);
  if (!wide) return INVALID_HANDLE_VALUE;
  // A directory does not open without FILE_FLAG_BACKUP_SEMANTICS, which is not asked for.
  HANDLE file = CreateFileW(wide->c_str(), desired, kShareAll, nullptr, disposition,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return file;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    refuse(path, "is a device or a pipe, not a file");
    return INVALID_HANDLE_VALUE;
  }
  return file;
}

DWORD desired_access(FileAccess access) {
  switch (access) {
    case FileAccess::read_write: return GENERIC_READ | GENERIC_WRITE;
    case FileAccess::write_only: return GENERIC_WRITE;
    case FileAccess::read_only: break;
  }
  return GENERIC_READ;
}

HANDLE as_handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// Positional transfer: the offset travels in the OVERLAPPED block.
OVERLAPPED at_offset(int64_t offset) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xffffffffu);
  where.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
  return where;
}

DWORD transfer_count(size_t count) { return static_cast<DWORD>(count < kMaxTransfer ? count : kMaxTransfer); }

// A binary C stream over `file`, which it then owns; nullptr (and the handle closed) when
// the C runtime will not take it.
std::FILE* stream_over(HANDLE file, int flags, const char* mode) {
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), flags);
  if (fd < 0) {
    CloseHandle(file);
    return nullptr;
  }
  _setmode(fd, _O_BINARY);
  std::FILE* stream = _fdopen(fd, mode);
  if (stream == nullptr) _close(fd);
  return stream;
}

DWORD attributes_of(const std::string& path) {
  const std::optional<std::wstring> wide = system_path(path);
  if (!wide || wide->empty()) return INVALID_FILE_ATTRIBUTES;
  return GetFileAttributesW(wide->c_str());
}

}  // namespace

File File::open(const std::string& path, FileAccess access) {
  HANDLE file = open_disk_file(path, desired_access(access), OPEN_EXISTING);
  return File(reinterpret_cast<intptr_t>(file));
}

void File::close() {
  if (handle_ != kNoHandle) CloseHandle(as_handle(handle_));
  handle_ = kNoHandle;
}

int64_t File::size() const {
  LARGE_INTEGER size{};
  if (!is_open() || !GetFileSizeEx(as_handle(handle_), &size)) return -1;
  return static_cast<int64_t>(size.QuadPart);
}

int64_t File::read_at(int64_t offset, void* buffer, size_t count) const {
  if (!is_open() || offset < 0) return -1;
  OVERLAPPED where = at_offset(offset);
  DWORD got = 0;
  if (!ReadFile(as_handle(handle_), buffer, transfer_count(count), &got, &where))
    return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  return static_cast<int64_t>(got);
}

int64_t File::write_at(int64_t offset, const void* buffer, size_t count) {
  if (!is_open() || offset < 0) return -1;
  OVERLAPPED where = at_offset(offset);
  DWORD put = 0;
  if (!WriteFile(as_handle(handle_), buffer, transfer_count(count), &put, &where)) return -1;
  return static_cast<int64_t>(put);
}

// Windows keeps no read permission in a file's attributes: whatever exists may be tried,
// and an access list that refuses it makes the open fail.
bool file_exists(const std::string& path) { return attributes_of(path) != INVALID_FILE_ATTRIBUTES; }
bool file_readable(const std::string& path) { return file_exists(path); }
bool file_writable(const std::string& path) {
  const DWORD attributes = attributes_of(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

std::FILE* open_for_reading(const std::string& path) {
  return stream_over(open_disk_file(path, GENERIC_READ, OPEN_EXISTING), _O_RDONLY, "rb");
}

std::FILE* create_for_writing(const std::string& path) {
  return stream_over(open_disk_file(path, GENERIC_WRITE, CREATE_ALWAYS), 0, "wb");
}

void make_standard_output_binary() { _setmode(_fileno(stdout), _O_BINARY); }

bool make_directory(const std::string& path) {
  const std::optional<std::wstring> wide = system_path(path);
  if (!wide) return false;
  return CreateDirectoryW(wide->c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool remove_file(const std::string& path) {
  const std::optional<std::wstring> wide = system_path(path);
  return wide && DeleteFileW(wide->c_str());
}

std::optional<std::string> environment_variable(const char* name) {
  std::string value(64, '\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetEnvironmentVariableA(name, value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) {
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    // Too small a buffer gives the size needed, its terminator included.
    if (length < value.size()) {
      value.resize(length);
      return value;
    }
    value.assign(length, '\0');
  }
}

}  // namespace bw::platform
