#include "host/win32/registry_settings.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/diagnostics.h"

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

// One value as stored: its type and bytes; none when the key or the value is missing.
struct StoredValue {
  DWORD type = REG_NONE;
  std::string bytes;
};

std::optional<StoredValue> query_value(HKEY root, const std::string& subkey,
                                       const std::string& name) {
  OpenKey key(root, subkey);
  if (!key) return std::nullopt;
  StoredValue value;
  DWORD size = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  value.bytes.assign(size, '\0');
  if (size > 0 && RegQueryValueExA(key.get(), name.c_str(), nullptr, &value.type,
                                   reinterpret_cast<BYTE*>(value.bytes.data()), &size) !=
                      ERROR_SUCCESS)
    return std::nullopt;
  value.bytes.resize(size);
  return value;
}

std::string type_name(DWORD type) {
  constexpr const char* kNames[] = {"REG_NONE",      "REG_SZ",
                                    "REG_EXPAND_SZ", "REG_BINARY",
                                    "REG_DWORD",     "REG_DWORD_BIG_ENDIAN",
                                    "REG_LINK",      "REG_MULTI_SZ",
                                    "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR",
                                    "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD"};
  static_assert(std::size(kNames) == REG_QWORD + 1);
  return type < std::size(kNames) ? kNames[type] : "type " + std::to_string(type);
}

// The text of a string value: up to its first zero, environment references expanded in
// a REG_EXPAND_SZ.
std::string string_of(const StoredValue& value) {
  std::string text = value.bytes.substr(0, value.bytes.find('\0'));
  if (value.type != REG_EXPAND_SZ) return text;
  char expanded[1024] = {};
  const DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded);
  return length > 0 && length <= sizeof expanded ? std::string(expanded) : text;
}

}  // namespace

const NumberSetting* number_setting(std::string_view name) {
  for (const NumberSetting* setting : {&kSpeedSetting, &kDelaySetting})
    if (name == setting->name) return setting;
  return nullptr;
}

std::optional<uint32_t> parse_setting_entry(std::string_view text, const NumberSetting& setting) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty() || text.size() > 10) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value < setting.low || value > setting.high) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::string setting_entry_rule(const NumberSetting& setting) {
  return std::string(setting.label) + " must be a whole number from " +
         std::to_string(setting.low) + " to " + std::to_string(setting.high) + ".";
}

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

std::string RegistrySettings::where(Root root, std::string_view name) const {
  const char* root_name = root == user_ ? "the user's key" : "the machine's key";
  if (root == HKEY_CURRENT_USER) root_name = "HKEY_CURRENT_USER";
  if (root == HKEY_LOCAL_MACHINE) root_name = "HKEY_LOCAL_MACHINE";
  return std::string(name) + " in " + root_name + "\\" + subkey_;
}

void RegistrySettings::say_ignored(const std::string& where, const std::string& why) {
  if (said_.insert(where).second) diag::say("settings: " + where + " is ignored: " + why);
}

std::optional<std::string> RegistrySettings::read_text(std::string_view name) {
  const std::string value_name(name);
  for (Root root : {user_, machine_}) {
    const auto value = query_value(root, subkey_, value_name);
    if (!value) continue;
    if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) {
      say_ignored(where(root, name), "a " + type_name(value->type) + " value, not a string");
      continue;
    }
    std::string text = string_of(*value);
    if (text.empty()) {
      say_ignored(where(root, name), "it is empty");
      continue;
    }
    return text;
  }
  return std::nullopt;
}

std::optional<uint32_t> RegistrySettings::read_number(std::string_view name) {
  const std::string value_name(name);
  const NumberSetting* limits = number_setting(name);
  for (Root root : {user_, machine_}) {
    const auto value = query_value(root, subkey_, value_name);
    if (!value) continue;
    if (value->type != REG_DWORD || value->bytes.size() != sizeof(DWORD)) {
      say_ignored(where(root, name),
                  "a " + type_name(value->type) + " value, not a REG_DWORD number");
      continue;
    }
    DWORD number = 0;
    std::memcpy(&number, value->bytes.data(), sizeof number);
    if (limits != nullptr && (number < limits->low || number > limits->high)) {
      say_ignored(where(root, name), std::to_string(number) + " is not from " +
                                         std::to_string(limits->low) + " to " +
                                         std::to_string(limits->high));
      continue;
    }
    return number;
  }
  return std::nullopt;
}

bool RegistrySettings::store(std::initializer_list<Value> values) {
  store_error_.clear();
  HKEY key = nullptr;
  LONG status = RegCreateKeyExA(user_, subkey_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                &key, nullptr);
  if (status != ERROR_SUCCESS) {
    store_error_ = system_error_text(static_cast<unsigned long>(status));
    return false;
  }
  for (const Value& value : values) {
    status = RegSetValueExA(key, value.name, 0, value.type,
                            static_cast<const BYTE*>(value.bytes), value.size);
    if (status != ERROR_SUCCESS) {
      store_error_ = system_error_text(static_cast<unsigned long>(status));
      break;
    }
  }
  RegCloseKey(key);
  return store_error_.empty();
}

bool RegistrySettings::store_speed_and_delay(uint32_t speed, uint32_t delay) {
  const DWORD speed_value = speed, delay_value = delay;
  return store({{"SPEED", REG_DWORD, &speed_value, sizeof speed_value},
                {"DELAY", REG_DWORD, &delay_value, sizeof delay_value}});
}

bool RegistrySettings::store_text(std::string_view name, const std::string& text) {
  const std::string value_name(name);
  return store({{value_name.c_str(), REG_SZ, text.c_str(),
                 static_cast<unsigned long>(text.size() + 1)}});
}

}  // namespace bw::host
