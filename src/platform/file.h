// Files for the record store, the asset and image readers and the store writer: one seam
// over the system's calls, the same rules on every system.
//   1. Only regular files open. A directory, a device, a FIFO or a pipe is refused, and
//      refused without blocking: on POSIX the file is opened non-blocking and looked at
//      before any read; on Windows a device name ("CON", "NUL.txt", "data/COM1") or a
//      device or pipe path ("\\.\...", "\\?\pipe\...") is refused before the system sees
//      it, with a one-line message naming the path, and whatever else opens must be a disk
//      file.
//   2. Paths are UTF-8 text. On Windows they are converted to UTF-16 once, here, and given
//      to the wide system calls; a path beginning with "/" names the root of the current
//      drive there.
//   3. Files are binary: no line-end translation, no end of file at a Ctrl-Z byte.
//   4. A file held open here may be removed or renamed meanwhile, as POSIX allows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace bw::platform {

enum class FileAccess { read_only, read_write, write_only };

// An open regular file, closed when it goes.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing regular file; an unopened File when the path is missing, refused or
  // not a regular file.
  static File open(const std::string& path, FileAccess access);

  bool is_open() const { return handle_ != kNoHandle; }
  // Size in bytes now, -1 when it cannot be learned.
  int64_t size() const;
  // Up to `count` bytes at `offset` (no file position is used or moved): the count read,
  // 0 at the end of the file, -1 on failure.
  int64_t read_at(int64_t offset, void* buffer, size_t count) const;
  // Reads at `offset` until `count` bytes or the end of the file: the count read.
  size_t read_fully_at(int64_t offset, void* buffer, size_t count) const;
  // Writes up to `count` bytes at `offset`: the count written, -1 on failure.
  int64_t write_at(int64_t offset, const void* buffer, size_t count);
  void close();

 private:
  static constexpr intptr_t kNoHandle = -1;  // also Windows' INVALID_HANDLE_VALUE
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = kNoHandle;  // a file descriptor, or a Windows HANDLE
};

// Whether anything is at `path`; whether it could be opened for reading; for writing.
bool file_exists(const std::string& path);
bool file_readable(const std::string& path);
bool file_writable(const std::string& path);

// The whole of a regular file of at most `max_bytes` bytes; none when it is missing,
// refused, not a regular file or larger.
std::optional<std::vector<uint8_t>> read_file(const std::string& path, size_t max_bytes);

// Creates or empties `path` and writes `bytes`; false when any step fails.
bool write_file(const std::string& path, const std::vector<uint8_t>& bytes);

// A C stream on an existing regular file, for readers that take one (libpng); binary.
std::FILE* open_for_reading(const std::string& path);
// A C stream on `path`, created or emptied, binary.
std::FILE* create_for_writing(const std::string& path);

// Makes standard output binary, so that bytes written there arrive as written; the
// Windows C runtime would otherwise turn each "\n" into "\r\n" (POSIX has nothing to do).
void make_standard_output_binary();

// Creates the directory `path`; true also when something of that name is there already.
bool make_directory(const std::string& path);
bool remove_file(const std::string& path);

// Windows reserves device names in every folder, with or without an extension ("NUL",
// "nul.txt", "COM1", "LPT9.log", "CONIN$"), and reaches devices and pipes through the
// "\\.\" and "\\?\" prefixes (drive and UNC paths after "\\?\" are files). True when
// `path` is one of those; every system can ask, only Windows refuses them.
bool names_windows_device(const std::string& path);

}  // namespace bw::platform
