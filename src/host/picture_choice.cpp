#include "host/picture_choice.h"

#include <cstdio>
#include <random>

#include "host/engine_host.h"
#include "host/saver_app.h"
#include "host/settings_file.h"
#include "platform/diagnostics.h"

namespace bw::host {

std::optional<int> settle_picture(SaverOptions& options,
                                  std::shared_ptr<assets::Installation>& installation) {
  if (options.mode == SaverMode::help || options.mode == SaverMode::version ||
      options.mode == SaverMode::configure)
    return std::nullopt;
  // The data location is a setting of each picture; "random" reads the default picture's.
  const bool random = options.picture == kRandomPicture;
  SettingsFile storage = SettingsFile::for_picture(random ? kDefaultPicture : options.picture);
  const Settings settings = effective_settings(options, storage);
  installation = installation_for(settings);
  const std::vector<std::string> installed = installed_pictures(*installation);
  if (options.mode == SaverMode::list_pictures) {
    if (installed.empty()) {
      diag::message("brushwright: no pictures in \"%s\"",
                    data_folder(settings.install_path).c_str());
      return 1;
    }
    for (const std::string& name : installed) std::printf("%s\n", name.c_str());
    return 0;
  }
  // Without any picture data the run itself says what is missing.
  if (installed.empty()) return std::nullopt;
  const uint32_t seed = options.seed ? *options.seed : std::random_device{}();
  std::string error;
  const auto chosen = choose_picture(options.picture, installed, seed, error);
  if (!chosen) {
    // Say where the pictures were looked for: with several installations, the wrong one is
    // the likeliest reason.
    const std::string where = "\" under \"" + data_folder(settings.install_path) + "\"; ";
    if (const auto at = error.find("\"; "); at != std::string::npos) error.replace(at, 3, where);
    diag::message("brushwright: %s", error.c_str());
    return 1;
  }
  options.picture = *chosen;
  if (random) options.picture_choices = installed;
  return std::nullopt;
}

}  // namespace bw::host
