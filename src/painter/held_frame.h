// Frames that draw nothing anyone needs. While a picture is held every frame draws the
// same display, and during a reveal most frames move it too little to be worth drawing, so
// a host that wants to save power can keep the cycle's timing going without drawing those
// frames at all; a host that shows no frames (headless rendering of
// pictures) can do the same for every frame that builds no picture.
#pragma once

#include "painter/painter_state.h"

namespace bw::painter {

// True when the coming draw_frame would draw exactly what the last frame showed: a
// picture has been built and is still held.
bool frame_is_held(const PainterState& state);

// Reveal time (0 to 1, linear in real time) a painted reveal moves on between two frames
// worth drawing: each stroke's soft leading edge, a fiftieth of the reveal wide, moves
// by under a third of its width from one drawn frame to the next, which at the default
// speed is about 20 frames a second, however high the frame rate.
inline constexpr float kRevealStep = 1.0f / 160.0f;

// True when a display at `weight` (1 - progress) would show something worth a frame over
// the display last drawn: always when none has been drawn; for the uniform cross-fade, a
// change of a colour level; for the painted reveal, a move of its reveal time by
// kRevealStep, or its arrival at either end.
bool display_differs(const PainterState& state, float weight);

// True when the coming draw_frame would show something the screen does not show yet: it
// builds a new picture, or its display differs from the last one (display_differs).
bool frame_changes_display(const PainterState& state);

// True when the coming draw_frame would build a new picture (the reveal reverses on it).
// False before a successful start.
bool frame_builds_picture(const PainterState& state);

// Runs the coming frame's timing (clock, rate measurement, hold count, reveal phase,
// wave) as draw_frame would, without drawing. Only for a frame that builds no picture.
void skip_undrawn_frame(PainterState& state);

}  // namespace bw::painter
