#include "host/win32/registry_settings.h"

#include <windows.h>

#include <cstdio>
#include <utility>

namespace bw::host {

namespace {

// An open key, closed when it goes.
class OpenKey {
 public:
  OpenKey(HKEY root, const std::string& subkey) {
    if (RegOpenKeyExA(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &key_) != ERROR_SUCCESS)
      key_ = nullptr;
  }
  ~OpenKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  explicit operator bool() const { return key_ != nullptr; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

std::optional<std::string> query_text(HKEY root, const std::string& subkey,
                                      const std::string& name) {
  OpenKey key(root, subkey);
  if (!key) return std::nullopt;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  std::string text(size, '\0');
  if (size > 0 && RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(text.data()), &size) !=
                      ERROR_SUCCESS)
    return std::nullopt;
  // A stored string need not end in a zero; the text ends at the first one.
  text.resize(size);
  if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

// Four bytes whatever the value's type; a shorter value fills the low bytes, a longer
// one fails to read.
std::optional<uint32_t> query_number(HKEY root, const std::string& subkey,
                                     const std::string& name) {
  OpenKey key(root, subkey);
  if (!key) return std::nullopt;
  DWORD number = 0;
  DWORD size = sizeof number;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr,
                       reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS)
    return std::nullopt;
  return number;
}

}  // namespace

std::string system_error_text(unsigned long code) {
  char text[512] = {};
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     0, text, sizeof text, nullptr);
  std::string result(text, length);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' '))
    result.pop_back();
  if (result.empty()) {
    char number[32];
    std::snprintf(number, sizeof number, "error %lu", code);
    result = number;
  }
  return result;
}

RegistrySettings::RegistrySettings(Root machine, Root user, std::string subkey)
    : machine_(machine), user_(user), subkey_(std::move(subkey)) {}

RegistrySettings RegistrySettings::for_picture(std::string_view picture) {
  return RegistrySettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
                          "Software\\Velmora\\" + std::string(picture) + "\\");
}

bool RegistrySettings::open_key() {
  return static_cast<bool>(OpenKey(machine_, subkey_)) || static_cast<bool>(OpenKey(user_, subkey_));
}

std::optional<std::string> RegistrySettings::read_text(std::string_view name) {
  const std::string value(name);
  if (auto text = query_text(user_, subkey_, value)) return text;
  return query_text(machine_, subkey_, value);
}

std::optional<uint32_t> RegistrySettings::read_number(std::string_view name) {
  const std::string value(name);
  if (auto number = query_number(user_, subkey_, value)) return number;
  return query_number(machine_, subkey_, value);
}

bool RegistrySettings::store_speed_and_delay(uint32_t speed, uint32_t delay) {
  store_error_.clear();
  HKEY key = nullptr;
  LONG status = RegCreateKeyExA(user_, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &key, nullptr);
  if (status != ERROR_SUCCESS) {
    store_error_ = system_error_text(static_cast<unsigned long>(status));
    return false;
  }
  const std::pair<const char*, DWORD> values[] = {{"SPEED", speed}, {"DELAY", delay}};
  for (const auto& [name, number] : values) {
    status = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                            sizeof number);
    if (status != ERROR_SUCCESS) {
      store_error_ = system_error_text(static_cast<unsigned long>(status));
      break;
    }
  }
  RegCloseKey(key);
  return store_error_.empty();
}

}  // namespace bw::host
