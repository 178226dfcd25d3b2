#include "host/configure.h"

namespace bw::host {

namespace {

// The value in force: the stored number when there is one the reader takes, else the
// saver's default.
uint32_t in_force(SettingsStorage& storage, bool key, std::string_view name, float fallback) {
  if (key)
    if (auto stored = storage.read_number(name)) return *stored;
  return static_cast<uint32_t>(fallback);
}

}  // namespace

int run_configure(const SaverOptions& options, SettingsStorage& storage, std::FILE* out,
                  std::FILE* err) {
  const Settings defaults;
  // A number is taken only as the saver reads it back, so that what is stored is what
  // runs: "-1" or "12abc" would be stored as something else.
  const std::pair<const char*, const std::optional<std::string>*> given[] = {
      {"speed", &options.speed}, {"delay", &options.delay}};
  for (const auto& [name, text] : given) {
    if (*text && !setting_number(**text)) {
      std::fprintf(err, "brushwright: \"%s\" for --%s is %s\n", (*text)->c_str(), name,
                   setting_number_rule().c_str());
      return 2;
    }
  }
  const bool key = storage.open_key();
  uint32_t speed = in_force(storage, key, "SPEED", defaults.speed);
  uint32_t delay = in_force(storage, key, "DELAY", defaults.delay);
  if (options.speed || options.delay) {
    // A value not given keeps the one in force, so that setting one never clears the other.
    if (options.speed) speed = *setting_number(*options.speed);
    if (options.delay) delay = *setting_number(*options.delay);
    if (!storage.store_speed_and_delay(speed, delay)) {
      const std::string why = storage.store_failure();
      std::fprintf(err, "brushwright: could not store the settings of \"%s\"%s%s\n",
                   options.picture.c_str(), why.empty() ? "" : " in ", why.c_str());
      return 1;
    }
    const bool stored = storage.open_key();
    speed = in_force(storage, stored, "SPEED", defaults.speed);
    delay = in_force(storage, stored, "DELAY", defaults.delay);
  }
  std::fprintf(out, "speed %u\ndelay %u\n", speed, delay);
  return 0;
}

}  // namespace bw::host
