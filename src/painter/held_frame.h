// Frames that only hold a finished picture. While a picture is held every frame draws
// the same cross-fade, so a host that wants to save power can keep the cycle's timing
// going without drawing those frames at all.
#pragma once

#include "painter/painter_state.h"

namespace bw::painter {

// True when the coming draw_frame would draw exactly what the last frame showed: a
// picture has been built and is still held.
bool frame_is_held(const PainterState& state);

// Runs the coming frame's timing (clock, rate measurement, hold count, wave) as
// draw_frame would, without drawing. Only for a frame that frame_is_held.
void skip_held_frame(PainterState& state);

}  // namespace bw::painter
