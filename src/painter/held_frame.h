// Frames that draw nothing anyone needs. While a picture is held every frame draws the
// same cross-fade, so a host that wants to save power can keep the cycle's timing going
// without drawing those frames at all; a host that shows no frames (headless rendering of
// pictures) can do the same for every frame that builds no picture.
#pragma once

#include "painter/painter_state.h"

namespace bw::painter {

// True when the coming draw_frame would draw exactly what the last frame showed: a
// picture has been built and is still held.
bool frame_is_held(const PainterState& state);

// True when the coming draw_frame would build a new picture (the reveal reverses on it).
// False before a successful start.
bool frame_builds_picture(const PainterState& state);

// Runs the coming frame's timing (clock, rate measurement, hold count, reveal phase,
// wave) as draw_frame would, without drawing. Only for a frame that builds no picture.
void skip_undrawn_frame(PainterState& state);

}  // namespace bw::painter
