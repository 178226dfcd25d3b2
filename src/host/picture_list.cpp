// The pictures an installation holds and the choice among them: shared by every host
// (the Linux saver's --picture, the Windows saver's picture setting).
#include "host/picture_choice.h"

#include <algorithm>
#include <random>

#include "painter/description.h"

namespace bw::host {

std::vector<std::string> installed_pictures(assets::Installation& installation) {
  std::vector<std::string> names =
      painter::picture_names(installation.asset_paths(painter::kDescriptionFolder));
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::string> choose_picture(const std::string& requested,
                                          const std::vector<std::string>& installed,
                                          uint32_t seed, std::string& error) {
  if (requested == kRandomPicture && !installed.empty()) {
    std::mt19937 random(seed);
    return installed[random() % installed.size()];
  }
  if (std::find(installed.begin(), installed.end(), requested) != installed.end())
    return requested;
  error = "there is no picture \"" + requested + "\"; the pictures are";
  for (size_t i = 0; i < installed.size(); ++i) error += (i ? ", " : " ") + installed[i];
  error += installed.empty() ? " none" : std::string(" (or ") + std::string(kRandomPicture) + ")";
  return std::nullopt;
}

}  // namespace bw::host
