#include "platform/posix_io.h"

#include <direct.h>
#include <io.h>
#include <windows.h>

#include <string>

namespace {

// Positional transfer through the file's Win32 handle, so the C runtime's file position
// stays where it was.
OVERLAPPED at_offset(int64_t offset) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset) & 0xffffffffu);
  where.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
  return where;
}

DWORD clamp_count(size_t count) { return count > 0x40000000u ? 0x40000000u : static_cast<DWORD>(count); }

}  // namespace

ssize_t pread(int fd, void* buffer, size_t count, int64_t offset) {
  const auto file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (file == INVALID_HANDLE_VALUE || offset < 0) return -1;
  OVERLAPPED where = at_offset(offset);
  DWORD got = 0;
  if (!::ReadFile(file, buffer, clamp_count(count), &got, &where))
    return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
  return static_cast<ssize_t>(got);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, int64_t offset) {
  const auto file = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (file == INVALID_HANDLE_VALUE || offset < 0) return -1;
  OVERLAPPED where = at_offset(offset);
  DWORD put = 0;
  if (!::WriteFile(file, buffer, clamp_count(count), &put, &where)) return -1;
  return static_cast<ssize_t>(put);
}

int lstat(const char* path, struct stat* st) { return ::stat(path, st); }

int mkdir(const char* path, unsigned /*mode*/) { return ::_mkdir(path); }

void* dlopen(const char* path, int /*flags*/) {
  // LoadLibrary wants backslashes in a path.
  std::string native(path);
  for (char& c : native)
    if (c == '/') c = '\\';
  return reinterpret_cast<void*>(::LoadLibraryA(native.c_str()));
}

void* dlsym(void* handle, const char* name) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(handle), name));
}

int dlclose(void* handle) { return ::FreeLibrary(static_cast<HMODULE>(handle)) ? 0 : -1; }
