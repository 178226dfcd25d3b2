// The plug-in library on POSIX systems: owners and mode bits decide trust; dlopen loads.
//
// Checking a path and then loading it by name leaves a gap in which a folder or the file
// can be swapped by whoever may write one of the folders on the way. So the folders are
// opened one by one from the root down, each opened relative to the one above it without
// following a link, and checked as opened; the library is opened once inside the last of
// them, checked through that open descriptor, and loaded through it (/proc/self/fd/N):
// what was checked is what runs. A symbolic link on the way is followed by walking its
// target the same way, from the root when it is absolute.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <deque>
#include <map>
#include <vector>

#include "store/plugin.h"
#include "store/plugin_library.h"

namespace bw::store {
namespace {

// Links followed on one walk before the path counts as a loop.
constexpr int kMaxLinks = 40;

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { reset(); }
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = other.release();
    }
    return *this;
  }
  int get() const { return fd_; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

bool owned_by_root_or_us(const struct stat& st) {
  return st.st_uid == 0 || st.st_uid == ::geteuid();
}

bool written_by_others(const struct stat& st) { return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

std::vector<std::string> split(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('/', start), path.size());
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string text_of(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += "/" + part;
  return text.empty() ? "/" : text;
}

// The store folder `dir`, opened by the walk above; -1 and a reason in `why` when a folder
// on the way is missing, belongs to another user or may be changed by other users. Folders
// above the store's may be writable by others when sticky (only an entry's owner may then
// rename or remove it); the store's own folder may not.
Descriptor open_store_folder(const std::string& dir, std::string& why) {
  std::string absolute = dir;
  if (absolute.empty() || absolute[0] != '/') {
    std::vector<char> cwd(4096);
    if (::getcwd(cwd.data(), cwd.size()) == nullptr) {
      why = "the store directory \"" + dir + "\" cannot be found (no current folder)";
      return Descriptor();
    }
    absolute = std::string(cwd.data()) + "/" + dir;
  }
  std::deque<std::string> rest;
  for (auto& part : split(absolute)) rest.push_back(std::move(part));

  std::vector<Descriptor> open;  // the folders walked so far, the root first
  std::vector<std::string> names;
  auto check = [&](const struct stat& st, bool store_folder) {
    const std::string where = text_of(names);
    const std::string what = store_folder ? "the store directory \"" + dir + "\""
                                          : "the folder \"" + where +
                                                "\" above the store directory \"" + dir + "\"";
    if (!owned_by_root_or_us(st)) {
      why = what + " belongs to another user";
      return false;
    }
    if (written_by_others(st) && (store_folder || (st.st_mode & S_ISVTX) == 0)) {
      why = what + " can be written by other users";
      return false;
    }
    return true;
  };
  auto missing = [&]() {
    why = "the store directory \"" + dir + "\" is missing";
    return Descriptor();
  };

  Descriptor root(::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  struct stat st {};
  if (root.get() < 0 || ::fstat(root.get(), &st) != 0) return missing();
  if (!check(st, rest.empty())) return Descriptor();
  open.push_back(std::move(root));
  int links = 0;
  while (!rest.empty()) {
    const std::string part = rest.front();
    rest.pop_front();
    if (part == ".") continue;
    if (part == "..") {
      if (open.size() > 1) {
        open.pop_back();
        names.pop_back();
      }
      continue;
    }
    Descriptor next(::openat(open.back().get(), part.c_str(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (next.get() < 0) {
      // A link: its target is walked in its place, from the root when absolute.
      char target[4096];
      const ssize_t n = ::readlinkat(open.back().get(), part.c_str(), target, sizeof target);
      if (n <= 0 || static_cast<size_t>(n) >= sizeof target || ++links > kMaxLinks)
        return missing();
      const std::string link(target, static_cast<size_t>(n));
      std::vector<std::string> parts = split(link);
      for (auto it = parts.rbegin(); it != parts.rend(); ++it) rest.push_front(*it);
      if (link[0] == '/') {
        open.resize(1);
        names.clear();
      }
      continue;
    }
    names.push_back(part);
    if (::fstat(next.get(), &st) != 0) return missing();
    if (!check(st, rest.empty())) return Descriptor();
    open.push_back(std::move(next));
  }
  return std::move(open.back());
}

// The library `file` in the store folder `dir`, opened once and checked
// through the open descriptor; -1 and a reason in `why` when it is refused.
Descriptor open_library(const std::string& dir, const std::string& file, std::string& why) {
  Descriptor folder = open_store_folder(dir, why);
  if (folder.get() < 0) return folder;
  const size_t slash = file.rfind('/');
  const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  // Not following a link, and never waiting on a FIFO.
  Descriptor library(::openat(folder.get(), name.c_str(),
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (library.get() < 0 || ::fstat(library.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    why = "the plug-in library \"" + file + "\" is missing or not a regular file";
    return Descriptor();
  }
  if (!owned_by_root_or_us(st)) {
    why = "the plug-in library \"" + file + "\" belongs to another user";
    return Descriptor();
  }
  if (written_by_others(st)) {
    why = "the plug-in library \"" + file + "\" can be written by other users";
    return Descriptor();
  }
  return library;
}

// The descriptor each loaded library came through. It stays open while the library is
// loaded: the loader knows a library by the name it was opened with, and a later library
// reached through the same descriptor number would otherwise be taken for this one.
std::map<void*, int>& loaded_descriptors() {
  static std::map<void*, int> descriptors;
  return descriptors;
}

}  // namespace

bool plugin_is_trusted(const std::string& dir, const std::string& file, std::string* why) {
  std::string reason;
  const bool trusted = open_library(dir, file, reason).get() >= 0;
  if (why != nullptr) *why = reason;
  return trusted;
}

namespace plugin_library {

bool readable(const std::string& file) { return ::access(file.c_str(), R_OK) == 0; }

void* open_trusted(const std::string& dir, const std::string& file, std::string* why) {
  std::string reason;
  Descriptor library = open_library(dir, file, reason);
  if (library.get() < 0) {
    if (why != nullptr) *why = reason;
    return nullptr;
  }
  const std::string through = "/proc/self/fd/" + std::to_string(library.get());
  void* loaded = ::dlopen(through.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (loaded == nullptr) {
    if (why != nullptr) *why = "the plug-in library \"" + file + "\" cannot be loaded";
    return nullptr;
  }
  auto [it, added] = loaded_descriptors().emplace(loaded, library.get());
  if (added) library.release();  // the same file loaded twice keeps its first descriptor
  return loaded;
}

Function symbol(void* library, const char* name) {
  return reinterpret_cast<Function>(::dlsym(library, name));
}

void close(void* library) {
  ::dlclose(library);
  // The descriptor goes only when the loader has let go of the library too.
  auto& descriptors = loaded_descriptors();
  const auto it = descriptors.find(library);
  if (it == descriptors.end()) return;
  void* still = ::dlopen(("/proc/self/fd/" + std::to_string(it->second)).c_str(),
                         RTLD_NOW | RTLD_NOLOAD);
  if (still != nullptr) {
    ::dlclose(still);
    return;
  }
  ::close(it->second);
  descriptors.erase(it);
}

}  // namespace plugin_library
}  // namespace bw::store
