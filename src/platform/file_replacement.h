// Files that appear whole or not at all. Each is written under a temporary name beside its
// destination, "<name>.tmp<process id>", and renamed over the destination only when every
// byte has reached the system; a failed or interrupted write removes the temporary and
// leaves whatever the destination held before. A temporary that a killed process left
// behind names that process, so the next writer into the folder recognises it as stale
// (no running process has that id) and removes it.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

namespace bw::platform {

// The temporary under which this process writes `path`.
std::string temporary_path(const std::string& path);

// Removes the temporaries in folder `dir` whose destination ends with `extension`
// (".png", ".conf") and whose process is no longer running: "<name><extension>.tmp<id>".
// Anything else, our own temporaries included, stays. Returns how many were removed.
int remove_stale_temporaries(const std::string& dir, const std::string& extension);

// The system's reason for the last failed call (errno's text), for messages.
std::string system_reason(int error_number);

// One file being written: open() creates the temporary, commit() puts it in place.
class FileReplacement {
 public:
  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;
  // Removes the temporary unless it was committed.
  ~FileReplacement();

  // Creates the temporary of `path` for writing (binary); false with the system's reason
  // in `reason`.
  bool open(const std::string& path, std::string* reason);
  // The stream on the temporary; null when not open.
  std::FILE* stream() const { return stream_; }
  // The temporary's path while it is open.
  const std::string& temporary() const { return temporary_; }
  // Writes `size` bytes to the temporary; false after any failure, whose reason commit()
  // reports.
  bool write(const void* bytes, size_t size);
  // Records the system's reason of a failure that the caller met (errno), so that commit()
  // reports it.
  void note_failure(int error_number);
  // Flushes and closes the temporary and renames it over the destination; on any failure
  // removes it and returns false with the system's reason in `reason`.
  bool commit(std::string* reason);
  // Closes and removes the temporary; the destination is left as it was.
  void abandon();

 private:
  std::string path_;
  std::string temporary_;
  std::FILE* stream_ = nullptr;
  int failure_ = 0;  // the first failure's errno, 0 while all goes well
};

}  // namespace bw::platform
