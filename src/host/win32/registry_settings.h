// Settings storage on Windows: the picture's key "Software\Velmora\<picture>\" in the
// registry. The machine-wide key (HKEY_LOCAL_MACHINE, written by the installer) is read
// first and the user's key (HKEY_CURRENT_USER) wins over it, value by value; "Save"
// writes the user's key only, which every user may write.
#pragma once

#include <string>

#include "host/settings.h"

struct HKEY__;

namespace bw::host {

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

  // Why the last store_speed_and_delay failed, as the system words it.
  const std::string& store_error() const { return store_error_; }

 private:
  Root machine_;
  Root user_;
  std::string subkey_;
  std::string store_error_;
};

// The system's text for a Win32 error code, without its line break ("Access denied.").
std::string system_error_text(unsigned long code);

}  // namespace bw::host
