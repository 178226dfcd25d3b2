#include "host/win32/saver_picture.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "host/engine_host.h"
#include "host/picture_choice.h"
#include "platform/diagnostics.h"

namespace bw::host {
namespace {

void report(const std::string& message) { diag::say("brushwright: " + message); }

// A path as Windows writes it, with backslashes only.
std::string windows_separators(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

}  // namespace

RegistrySettings picture_choice_storage() {
  return RegistrySettings(HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, "Software\\Velmora\\");
}

bool is_random_choice(std::string_view choice) {
  return std::equal(choice.begin(), choice.end(), kRandomPicture.begin(), kRandomPicture.end(),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) == b;
                    });
}

std::string stored_picture_choice() {
  auto storage = picture_choice_storage();
  const auto stored = storage.read_text(kPictureValue);
  if (!stored) return std::string(kDefaultPicture);
  return is_random_choice(*stored) ? std::string(kRandomPicture) : *stored;
}

std::string settings_key_of(std::string_view choice) {
  return std::string(is_random_choice(choice) ? kRandomSettingsKey : choice);
}

PictureChoice settle_picture_choice(const std::string& choice,
                                    const std::vector<std::string>& installed, uint32_t seed) {
  PictureChoice settled;
  const bool random = is_random_choice(choice);
  if (installed.empty()) {
    settled.picture = random ? std::string(kDefaultPicture) : choice;
    return settled;
  }
  std::string error;
  const auto chosen =
      choose_picture(random ? std::string(kRandomPicture) : choice, installed, seed, error);
  if (chosen) {
    settled.picture = *chosen;
    if (random) settled.choices = installed;
    return settled;
  }
  settled.picture = std::string(kDefaultPicture);
  settled.note = "the picture chosen in the settings is not installed: " + error + "; " +
                 settled.picture + " is painted";
  return settled;
}

std::string module_dir() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string dir(path, length < MAX_PATH ? length : 0);
  const auto slash = dir.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : dir.substr(0, slash);
}

std::string current_dir() {
  char path[MAX_PATH] = {};
  const DWORD length = GetCurrentDirectoryA(MAX_PATH, path);
  return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string(".");
}

Installation find_installation(const Settings& own) {
  Installation installation;
  std::string path = own.install_path;
  if (path == ".") {
    auto storage = RegistrySettings::for_picture(kDefaultPicture);
    Settings installer;
    read_settings(storage, installer);
    path = installer.install_path;
  }
  // The saver is started in the system folder, where "." holds no data: without a stored
  // PATH it looks in "." and then beside the program.
  installation.searched = path != "." ? std::vector<std::string>{path}
                                      : std::vector<std::string>{current_dir(), module_dir()};
  for (const auto& folder : installation.searched) {
    if (!has_picture_data(folder)) continue;
    installation.found = folder;
    break;
  }
  return installation;
}

SaverSettings read_saver_settings(const std::string& requested, uint32_t seed) {
  SaverSettings run;
  auto storage = RegistrySettings::for_picture(settings_key_of(requested));
  read_settings(storage, run.settings);
  const Installation installation = find_installation(run.settings);
  std::string searched;
  for (const auto& folder : installation.searched)
    searched += (searched.empty() ? "" : ", ") + windows_separators(folder);
  report("data folders searched, in order: " + searched + "; data found in " +
         (installation.found.empty() ? std::string("none")
                                     : windows_separators(installation.found)));
  const std::string install =
      installation.found.empty() ? installation.searched.front() : installation.found;
  // The pictures are listed from the installation the run then paints from.
  run.installation = std::make_shared<assets::Installation>(install);
  std::vector<std::string> installed;
  if (installation.found.empty())
    run.looked_in = installation.searched;
  else
    installed = installed_pictures(*run.installation);
  run.picture = settle_picture_choice(requested, installed, seed);
  if (!run.picture.note.empty()) {
    // The picture painted instead has settings of its own.
    report(run.picture.note);
    auto fallback = RegistrySettings::for_picture(run.picture.picture);
    run.settings = Settings();
    read_settings(fallback, run.settings);
  }
  run.settings.install_path = install;
  return run;
}

}  // namespace bw::host
