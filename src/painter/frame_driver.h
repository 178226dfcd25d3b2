// The frame driver: measures the frame rate, moves the reveal, builds a new picture on the
// frame where the reveal reverses, holds it for the delay, and ends every frame with the
// display pass.
#pragma once

#include "painter/painter_state.h"

namespace bw::painter {

// Renders one frame of the picture cycle; needs a started engine.
void draw_frame(PainterState& state);
// draw_frame for a host that saves power: the display pass is left out when what it would
// show differs too little from what was last displayed (display_differs). Returns whether
// the frame drew anything to show.
bool draw_frame_if_changed(PainterState& state);

}  // namespace bw::painter
