// The saver's three settings per picture (install directory, speed, delay): what the
// saver reads at window creation, what the Setting dialog shows and what its "Save"
// stores. The storage itself sits behind SettingsStorage: the registry on Windows, a key
// file on Linux.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace bw::host {

// The picture whose settings are used when nothing names another.
inline constexpr std::string_view kDefaultPicture = "Tamsin";

// Size of the buffer the install path is read into, terminating zero included.
inline constexpr size_t kInstallPathBuffer = 256;

// At most this many characters of an edit box are converted when "Save" is pressed.
inline constexpr size_t kDialogTextLimit = 19;

// One picture's key: PATH (text), SPEED and DELAY (32-bit numbers).
class SettingsStorage {
 public:
  virtual ~SettingsStorage() = default;
  // True when the picture's key exists and can be read.
  virtual bool open_key() = 0;
  // The text stored under `name`, if any.
  virtual std::optional<std::string> read_text(std::string_view name) = 0;
  // The 32-bit number stored under `name`, if any.
  virtual std::optional<uint32_t> read_number(std::string_view name) = 0;
  // Creates the key when needed and stores SPEED and DELAY; false when it cannot.
  virtual bool store_speed_and_delay(uint32_t speed, uint32_t delay) = 0;
  // Why the last store failed, naming the place: "\"<where>\": <reason>"; empty when
  // unknown.
  virtual std::string store_failure() const { return {}; }
  // The room for PATH, terminating zero included: a longer PATH reads as absent.
  virtual size_t install_path_room() const { return kInstallPathBuffer; }
};

// The values the saver runs with.
struct Settings {
  std::string install_path = ".";
  float speed = 20.0f;  // 0 paints at the pace of 20
  float delay = 7.0f;   // seconds a finished picture is held
};

// A SPEED or DELAY as a settings file holds it: decimal digits only, 0 to 4294967295;
// nothing for any other text.
std::optional<uint32_t> setting_number(std::string_view text);

// Reads the settings as the saver does when its window is created. Without a key the
// install path is "." and speed and delay keep the values `settings` already holds.
void read_settings(SettingsStorage& storage, Settings& settings);

// The texts of the Setting dialog's two edit boxes.
struct DialogTexts {
  std::string speed;
  std::string delay;
};

// What the dialog shows when it opens: each stored number read as signed, or the current
// value truncated when the number is absent; both boxes empty when the key is absent.
DialogTexts settings_dialog_show(SettingsStorage& storage, const Settings& current);

// The number "Save" stores for an edit box text: atoi of its first 19 characters, kept
// as its 32-bit two's complement; no range check.
uint32_t dialog_text_to_number(std::string_view text);

// "Save": stores both boxes. A key that cannot be created saves nothing, silently; the
// dialog closes either way. Returns whether the values were stored.
bool settings_dialog_save(SettingsStorage& storage, const DialogTexts& texts);

}  // namespace bw::host
