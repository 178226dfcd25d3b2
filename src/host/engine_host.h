// What every saver host does with the engine, whatever its window system (X11, Wayland,
// Windows, headless): points the engine at an installation's data, starts it and reports
// a failed start in one place, and renders one shown frame.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "assets/installation.h"
#include "device/backend.h"
#include "host/options.h"
#include "host/settings.h"
#include "painter/engine.h"
#include "painter/painter_state.h"

namespace bw::host {

// True when `install_dir`/data holds a picture store or plain effect files.
bool has_picture_data(const std::string& install_dir);

// The data folder of an installation, written with the separators `install_dir` uses:
// "C:\Program Files\Brushwright" gives "C:\Program Files\Brushwright\data".
std::string data_folder(const std::string& install_dir);

// The installation the settings name: `opened` when it is already that folder's (choosing
// the picture opened it, and what it said of a damaged store stands), else a new one.
std::shared_ptr<assets::Installation> installation_for(
    const Settings& settings, std::shared_ptr<assets::Installation> opened = nullptr);

// Points the engine's asset and image roads at `installation`, which the state keeps.
void use_installation(painter::PainterState& state,
                      std::shared_ptr<assets::Installation> installation);

// Sets the engine's picture, speed, delay and seed from the options and the settings, and
// points it at `installation` (none: one made from the settings). --verbose names every effect a picture takes from the
// shared folder.
void configure_state(painter::PainterState& state, const SaverOptions& options,
                     const Settings& settings,
                     std::shared_ptr<assets::Installation> installation);

// Says through the diagnostics sink why the engine did not start, for the settings'
// installation.
void report_start_failure(painter::StartResult result, const SaverOptions& options,
                          const Settings& settings);

// The exit status of a Linux saver whose engine did not start: 255 (as exit(-1)) without
// the picture's description, else 1.
int start_failure_status(painter::StartResult result);

// Says through the diagnostics sink that `settings` name no installation with picture
// data; false then.
bool check_picture_data(const Settings& settings);

// Where a painting goes: the window the backend draws into (0 headless) and the size it
// paints at.
struct PaintingTarget {
  std::uintptr_t window = 0;
  int width = 0;
  int height = 0;
};

// Starts one painting, the same way on every host: configures `state` from the options,
// the settings and the installation the host made from them (every painting of a run
// shares one), sizes it to the target and starts the engine on `backend`. Returns how the
// start ended, having said why when it failed (report_start_failure).
painter::StartResult start_painting(painter::PainterState& state, const SaverOptions& options,
                                    const Settings& settings,
                                    std::shared_ptr<assets::Installation> installation,
                                    std::unique_ptr<device::Backend> backend,
                                    const PaintingTarget& target);

// Renders one frame and shows it: begin, clear to black, the engine's frame, end, present.
void render_frame(painter::PainterState& state);

}  // namespace bw::host
