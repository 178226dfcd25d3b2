// The picture the Windows saver paints and the settings it paints with. The choice is
// made in the Setting dialog and kept as the string value PICTURE under the vendor's key
// "Software\Velmora\" (the user's key first, then the machine's): one of the pictures the
// installation holds, or "random" for a picture drawn afresh for every painting. Each
// picture keeps its own Speed and Delay (and may keep its own PATH) under its own key;
// "random" keeps them under "Random". Without a PATH of its own a picture's data is looked
// for where the default picture's PATH (the installer's) says, then in the current folder
// and beside the program.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "assets/installation.h"
#include "host/settings.h"
#include "host/win32/registry_settings.h"

namespace bw::host {

// The name of the value that holds the choice, and the key whose Speed and Delay a
// random choice paints with.
inline constexpr const char* kPictureValue = "PICTURE";
inline constexpr std::string_view kRandomSettingsKey = "Random";

// The storage of the choice: the vendor's key under both roots.
RegistrySettings picture_choice_storage();

// The choice the settings hold: the stored name, "random" for any spelling of it, or the
// default picture when none is stored.
std::string stored_picture_choice();

// True for "random" in any case.
bool is_random_choice(std::string_view choice);

// The name of the key that holds the Speed and Delay of `choice`.
std::string settings_key_of(std::string_view choice);

// What a run paints: the first picture, the pictures later paintings are drawn from
// (random only), and a line for the log when the stored choice could not be used.
struct PictureChoice {
  std::string picture;
  std::vector<std::string> choices;
  std::string note;
};

// Settles `choice` among the `installed` pictures: a random one drawn by `seed`, the
// choice itself when it is installed, else the default picture with a note. With no
// pictures listed the choice stands (random: the default), for the start to say what is
// missing.
PictureChoice settle_picture_choice(const std::string& choice,
                                    const std::vector<std::string>& installed, uint32_t seed);

// The folder of the running program, and the current folder, by their names.
std::string module_dir();
std::string current_dir();

// The folders searched for picture data, in order, for a picture whose own settings are
// `own`: its PATH, else the default picture's, else the current folder and the program's,
// by their names; and the first that holds data (empty when none does).
struct Installation {
  std::vector<std::string> searched;
  std::string found;
};
Installation find_installation(const Settings& own);

// A run's picture and settings, read once: the choice `requested` (the stored one, or a
// command line's) settled among the pictures installed, with that picture's (or Random's)
// Speed and Delay and the folder that holds the data. The folders searched, a choice that
// could not be used and the picture painted are said in the log ("brushwright: ...").
struct SaverSettings {
  PictureChoice picture;
  Settings settings;
  std::shared_ptr<assets::Installation> installation;  // opened at settings.install_path
  std::vector<std::string> looked_in;  // every folder searched, when none held data
};
SaverSettings read_saver_settings(const std::string& requested, uint32_t seed);

}  // namespace bw::host
