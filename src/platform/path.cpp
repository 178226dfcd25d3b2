#include "platform/path.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace bw::platform {
namespace {

#if defined(_WIN32)
constexpr bool kWindowsPaths = true;
#else
constexpr bool kWindowsPaths = false;
#endif

// The length of `path` without its trailing separators, never cutting into its root.
size_t trimmed_length(std::string_view path) {
  const size_t root = path_root_length(path);
  size_t end = path.size();
  while (end > root && is_path_separator(path[end - 1])) --end;
  return end;
}

// The position just after the last separator before `end` that lies past the root; the
// root's length when there is none.
size_t last_name_start(std::string_view path, size_t end) {
  const size_t root = path_root_length(path);
  size_t start = end;
  while (start > root && !is_path_separator(path[start - 1])) --start;
  return start;
}

std::filesystem::path to_fs_path(std::string_view text) {
  // UTF-8 text, which a plain string would be taken for in the ANSI code page on Windows.
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace

bool is_path_separator(char c) { return c == '/' || (kWindowsPaths && c == '\\'); }

size_t path_root_length(std::string_view path) {
  if (path.empty()) return 0;
  if constexpr (kWindowsPaths) {
    // "\\server\share\": both names belong to the root.
    if (path.size() > 2 && is_path_separator(path[0]) && is_path_separator(path[1]) &&
        !is_path_separator(path[2])) {
      size_t end = 2;
      for (int names = 0; names < 2 && end < path.size(); ++names) {
        while (end < path.size() && !is_path_separator(path[end])) ++end;
        if (end < path.size()) ++end;
      }
      return end;
    }
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) &&
        path[1] == ':')
      return path.size() > 2 && is_path_separator(path[2]) ? 3 : 2;
  }
  return is_path_separator(path[0]) ? 1 : 0;
}

bool is_absolute_path(std::string_view path) {
  const size_t root = path_root_length(path);
  if (root == 0) return false;
  if constexpr (kWindowsPaths) {
    // "\x" is on the current drive and "C:x" in that drive's current folder.
    if (root == 1) return false;
    if (root == 2 && path[1] == ':') return false;
  }
  return true;
}

std::string join_path(std::string_view dir, std::string_view name) {
  if (dir.empty() || path_root_length(name) > 0) return std::string(name);
  if (name.empty()) return std::string(dir);
  std::string path(dir);
  if (!is_path_separator(path.back()) && !(path.size() == 2 && path_root_length(path) == 2)) {
    char separator = '/';
    for (const char c : dir)
      if (is_path_separator(c)) separator = c;
    path += separator;
  }
  path += name;
  return path;
}

std::string join_relative_path(std::string_view dir, std::string_view relative) {
  if (path_root_length(relative) > 0) return join_path(dir, relative);
  std::string path(dir);
  size_t start = 0;
  while (start < relative.size()) {
    size_t end = relative.find('/', start);
    if (end == std::string_view::npos) end = relative.size();
    if (end > start) path = join_path(path, relative.substr(start, end - start));
    start = end + 1;
  }
  return path;
}

std::string_view last_path_component(std::string_view path) {
  const size_t end = trimmed_length(path);
  const size_t start = last_name_start(path, end);
  return path.substr(start, end - start);
}

std::string parent_path(std::string_view path) {
  const size_t root = path_root_length(path);
  const size_t start = last_name_start(path, trimmed_length(path));
  if (start <= root) return root > 0 ? std::string(path.substr(0, root)) : std::string(".");
  size_t end = start;
  while (end > root && is_path_separator(path[end - 1])) --end;
  return std::string(path.substr(0, end));
}

std::string real_folder_name(std::string_view dir) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::canonical(to_fs_path(dir), error);
  if (!error && resolved.has_filename()) {
    const std::u8string name = resolved.filename().u8string();
    return std::string(name.begin(), name.end());
  }
  return std::string(last_path_component(dir));
}

}  // namespace bw::platform
