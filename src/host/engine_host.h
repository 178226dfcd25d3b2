// What every saver host does with the engine, whatever its window system: points the
// engine at an installation's data and renders one shown frame.
#pragma once

#include <string>

#include "host/options.h"
#include "host/settings.h"
#include "painter/engine.h"
#include "painter/painter_state.h"

namespace bw::host {

// True when `install_dir`/data holds a picture store or plain effect files.
bool has_picture_data(const std::string& install_dir);

// Points the engine's asset and image roads at an installation.
void use_installation(painter::PainterState& state, const std::string& install_dir);

// Sets the engine's picture, speed, delay and seed from the options and the settings, and
// points it at the settings' installation. --verbose names every effect a picture takes
// from the shared folder.
void configure_state(painter::PainterState& state, const SaverOptions& options,
                     const Settings& settings);

// Says on standard error why the engine did not start, and returns the exit status: 255
// (as exit(-1)) without the picture's description, else 1.
int report_start_failure(painter::StartResult result, const SaverOptions& options,
                         const Settings& settings);

// Renders one frame and shows it: begin, clear to black, the engine's frame, end, present.
void render_frame(painter::PainterState& state);

}  // namespace bw::host
