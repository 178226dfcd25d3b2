// The plug-in library on POSIX systems: owner and mode bits decide trust; dlopen loads.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/plugin.h"
#include "store/plugin_library.h"

namespace bw::store {
namespace {

bool safe_owner_and_mode(const struct stat& st) {
  const bool owner_ok = st.st_uid == 0 || st.st_uid == ::geteuid();
  return owner_ok && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

bool plugin_is_trusted(const std::string& dir, const std::string& file, std::string* why) {
  auto refuse = [why](const std::string& what, const std::string& path, const char* reason) {
    if (why != nullptr) *why = what + " \"" + path + "\" " + reason;
    return false;
  };
  struct stat d {};
  struct stat f {};
  if (::stat(dir.c_str(), &d) != 0 || !S_ISDIR(d.st_mode))
    return refuse("the store directory", dir, "is missing");
  if (!safe_owner_and_mode(d))
    return refuse("the store directory", dir, "can be written by other users");
  if (::lstat(file.c_str(), &f) != 0 || !S_ISREG(f.st_mode))
    return refuse("the plug-in library", file, "is missing or not a regular file");
  if (!safe_owner_and_mode(f))
    return refuse("the plug-in library", file, "can be written by other users");
  return true;
}

namespace plugin_library {

bool readable(const std::string& file) { return ::access(file.c_str(), R_OK) == 0; }

void* open(const std::string& file) {
  // A path with a "/" is never looked up in the library search path.
  const std::string path = file.find('/') == std::string::npos ? "./" + file : file;
  return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

Function symbol(void* library, const char* name) {
  return reinterpret_cast<Function>(::dlsym(library, name));
}

void close(void* library) { ::dlclose(library); }

}  // namespace plugin_library
}  // namespace bw::store
