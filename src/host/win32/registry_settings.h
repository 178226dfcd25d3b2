// Settings storage on Windows: the picture's key "Software\Velmora\<picture>\" in the
// registry. The machine-wide key (HKEY_LOCAL_MACHINE, written by the installer) is read
// first and the user's key (HKEY_CURRENT_USER) wins over it, value by value; "Save"
// writes the user's key only, which every user may write.
//
// A value the saver cannot use reads as absent, so that the machine's value or the
// default applies, and is named in one line of the log: SPEED or DELAY not a REG_DWORD or
// outside its limits (a "-5" saved by hand would otherwise hold a picture for 136 years),
// PATH not a string, or empty.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "host/settings.h"

struct HKEY__;

namespace bw::host {

// A number setting: its value name, the label the dialog gives it, and the whole numbers
// the saver takes.
struct NumberSetting {
  const char* name;
  const char* label;
  uint32_t low;
  uint32_t high;
};
inline constexpr NumberSetting kSpeedSetting = {"SPEED", "Speed", 0, 1000};
inline constexpr NumberSetting kDelaySetting = {"DELAY", "Delay", 0, 3600};

// The limits of the number setting `name`, or null for another name.
const NumberSetting* number_setting(std::string_view name);

// A number typed into the Setting dialog: decimal digits, blanks around them allowed,
// within the setting's limits; none for anything else ("fast", "-5", "12abc", "").
std::optional<uint32_t> parse_setting_entry(std::string_view text, const NumberSetting& setting);

// Why a number typed for `setting` was refused, in one sentence for a message box.
std::string setting_entry_rule(const NumberSetting& setting);

class RegistrySettings final : public SettingsStorage {
 public:
  using Root = HKEY__*;

  // The key `subkey` under each of the two roots (tests pass roots of their own).
  RegistrySettings(Root machine, Root user, std::string subkey);

  // The standard places: the picture's key under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
  static RegistrySettings for_picture(std::string_view picture);

  bool open_key() override;
  std::optional<std::string> read_text(std::string_view name) override;
  std::optional<uint32_t> read_number(std::string_view name) override;
  bool store_speed_and_delay(uint32_t speed, uint32_t delay) override;
  // Creates the user's key when needed and stores `text` as the string value `name`.
  bool store_text(std::string_view name, const std::string& text);

  // Why the last store failed, as the system words it.
  const std::string& store_error() const { return store_error_; }

 private:
  // The value `name` under `root`, for messages.
  std::string where(Root root, std::string_view name) const;
  // Stores each (name, type, bytes) under the user's key, made when needed; false with
  // `store_error_` set on the first that fails.
  struct Value {
    const char* name;
    unsigned long type;
    const void* bytes;
    unsigned long size;
  };
  bool store(std::initializer_list<Value> values);
  // Says once per storage why the value at `where` is ignored.
  void say_ignored(const std::string& where, const std::string& why);

  Root machine_;
  Root user_;
  std::string subkey_;
  std::string store_error_;
  std::set<std::string> said_;  // values already named as ignored
};

// The system's text for a Win32 error code, without its line break ("Access denied.").
std::string system_error_text(unsigned long code);

}  // namespace bw::host
