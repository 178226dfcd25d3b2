#include "host/settings.h"

#include <charconv>
#include <cstdio>

#include "host/command_line.h"

namespace bw::host {

std::optional<uint32_t> setting_number(std::string_view text) {
  uint32_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

void read_settings(SettingsStorage& storage, Settings& settings) {
  if (!storage.open_key()) {
    settings.install_path = ".";
    return;
  }
  // A path that does not fit the storage's room fails to read, like any other failed read.
  auto path = storage.read_text("PATH");
  settings.install_path =
      path && path->size() < storage.install_path_room() ? *path : std::string(".");
  if (auto speed = storage.read_number("SPEED")) settings.speed = static_cast<float>(*speed);
  if (auto delay = storage.read_number("DELAY")) settings.delay = static_cast<float>(*delay);
}

namespace {

std::string show_number(std::optional<uint32_t> stored, float current) {
  // The current value is one of ours (20 and 7 unless changed); anything outside the
  // 32-bit range is shown as its low 32 bits rather than trusted to a cast.
  int32_t shown = 0;
  if (stored) {
    shown = static_cast<int32_t>(*stored);
  } else if (current > -1e18f && current < 1e18f) {
    shown = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(current)));
  }
  char text[16];
  std::snprintf(text, sizeof text, "%d", shown);
  return text;
}

}  // namespace

DialogTexts settings_dialog_show(SettingsStorage& storage, const Settings& current) {
  if (!storage.open_key()) return {};
  return {show_number(storage.read_number("SPEED"), current.speed),
          show_number(storage.read_number("DELAY"), current.delay)};
}

uint32_t dialog_text_to_number(std::string_view text) {
  return static_cast<uint32_t>(atoi32(text.substr(0, kDialogTextLimit)));
}

bool settings_dialog_save(SettingsStorage& storage, const DialogTexts& texts) {
  return storage.store_speed_and_delay(dialog_text_to_number(texts.speed),
                                       dialog_text_to_number(texts.delay));
}

}  // namespace bw::host
