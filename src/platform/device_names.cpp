#include <array>
#include <cctype>
#include <string_view>

#include "platform/file.h"

namespace bw::platform {
namespace {

constexpr std::array<std::string_view, 6> kPlainDevices = {"CON", "PRN", "AUX", "NUL",
                                                           "CONIN$", "CONOUT$"};
// These take one digit 1 to 9.
constexpr std::array<std::string_view, 2> kNumberedDevices = {"COM", "LPT"};

bool same_letters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) !=
        std::toupper(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// One folder or file name: the device names hold before any extension or stream name
// (":"), and with blanks after them.
bool is_device_name(std::string_view name) {
  name = name.substr(0, name.find_first_of(".:"));
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  for (std::string_view device : kPlainDevices)
    if (same_letters(name, device)) return true;
  if (name.size() != 4 || name[3] < '1' || name[3] > '9') return false;
  for (std::string_view device : kNumberedDevices)
    if (same_letters(name.substr(0, 3), device)) return true;
  return false;
}

bool is_separator(char c) { return c == '/' || c == '\\'; }

// "\\.\" and "\\?\" (either slash): the device namespace, and the prefix that passes a
// path on unparsed, where only drive ("\\?\C:\") and network ("\\?\UNC\") paths are files.
bool names_device_namespace(std::string_view path) {
  if (path.size() < 4 || !is_separator(path[0]) || !is_separator(path[1]) ||
      !is_separator(path[3]))
    return false;
  if (path[2] == '.') return true;
  if (path[2] != '?') return false;
  const std::string_view rest = path.substr(4);
  const bool drive = rest.size() >= 2 && std::isalpha(static_cast<unsigned char>(rest[0])) &&
                     rest[1] == ':';
  const bool network = rest.size() >= 4 && same_letters(rest.substr(0, 3), "UNC") &&
                       is_separator(rest[3]);
  return !drive && !network;
}

}  // namespace

bool names_windows_device(const std::string& path) {
  const std::string_view all(path);
  if (names_device_namespace(all)) return true;
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = start;
    while (end < all.size() && !is_separator(all[end])) ++end;
    // A drive prefix "C:" is not a name.
    std::string_view name = all.substr(start, end - start);
    if (start == 0 && name.size() >= 2 && name[1] == ':') name.remove_prefix(2);
    if (is_device_name(name)) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace bw::platform
