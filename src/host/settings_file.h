// Settings storage on Linux: one small key file per picture with the registry's three
// values, PATH=, SPEED= and DELAY=. Machine-wide values come from the system folder and
// the user's file wins over them; "Save" writes the user's file only.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "host/settings.h"

namespace bw::host {

// The largest settings file read; anything larger is not one of ours.
inline constexpr uint64_t kMaxSettingsFileBytes = 64 * 1024;

// Room for PATH in a settings file, terminating zero included: the longest path the
// system takes. A longer PATH is reported and read as absent.
inline constexpr size_t kSettingsFilePathRoom = 4096;

// A settings file is read only when it is a regular file of at most kMaxSettingsFileBytes
// (a FIFO or a link to a device is reported and ignored). "Save" writes through a symbolic
// link to the file it names, and refuses a read-only file.
class SettingsFile final : public SettingsStorage {
 public:
  // Files of `picture` under `user_dir` and `system_dir` (each holding "<picture>.conf").
  SettingsFile(std::string_view picture, std::filesystem::path user_dir,
               std::filesystem::path system_dir);

  // The standard places: $XDG_CONFIG_HOME/velmora (default ~/.config/velmora) and
  // /etc/xdg/velmora.
  static SettingsFile for_picture(std::string_view picture);

  bool open_key() override;
  std::optional<std::string> read_text(std::string_view name) override;
  std::optional<uint32_t> read_number(std::string_view name) override;
  bool store_speed_and_delay(uint32_t speed, uint32_t delay) override;
  std::string store_failure() const override;
  size_t install_path_room() const override { return kSettingsFilePathRoom; }

  // The user's file, which "Save" writes.
  const std::filesystem::path& user_file() const { return user_file_; }

 private:
  void load();

  std::filesystem::path user_file_;
  std::filesystem::path system_file_;
  std::map<std::string, std::string, std::less<>> values_;
  bool exists_ = false;
  std::string store_failure_;
};

}  // namespace bw::host
