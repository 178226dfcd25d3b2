#include "host/configure.h"

namespace bw::host {

int run_configure(const SaverOptions& options, SettingsStorage& storage, std::FILE* out,
                  std::FILE* err) {
  const Settings defaults;
  DialogTexts texts = settings_dialog_show(storage, defaults);
  if (options.speed || options.delay) {
    if (options.speed) texts.speed = *options.speed;
    if (options.delay) texts.delay = *options.delay;
    if (texts.speed.empty()) texts.speed = "20";
    if (texts.delay.empty()) texts.delay = "7";
    if (!settings_dialog_save(storage, texts)) {
      const std::string why = storage.store_failure();
      std::fprintf(err, "brushwright: could not store the settings of \"%s\"%s%s\n",
                   options.picture.c_str(), why.empty() ? "" : " in ", why.c_str());
      return 1;
    }
    texts = settings_dialog_show(storage, defaults);
  }
  std::fprintf(out, "speed %s\ndelay %s\n", texts.speed.c_str(), texts.delay.c_str());
  return 0;
}

}  // namespace bw::host
