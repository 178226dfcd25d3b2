// What every saver host does with the engine, whatever its window system: points the
// engine at an installation's data and renders one shown frame.
#pragma once

#include <string>

#include "painter/painter_state.h"

namespace bw::host {

// True when `install_dir`/data holds a picture store or plain effect files.
bool has_picture_data(const std::string& install_dir);

// Points the engine's asset and image roads at an installation.
void use_installation(painter::PainterState& state, const std::string& install_dir);

// Renders one frame and shows it: begin, clear to black, the engine's frame, end, present.
void render_frame(painter::PainterState& state);

}  // namespace bw::host
