#include "painter/held_frame.h"

#include <cmath>

#include "painter/timing.h"

namespace bw::painter {

bool frame_is_held(const PainterState& state) {
  return state.pictures_built > 0 && state.timing.hold_frames > 0;
}

bool display_differs(const PainterState& state, float weight) {
  if (state.shown_weight < 0.0f) return true;
  if (state.reveal_effect == nullptr) {
    // A cross-fade moves each pixel by the weight's change.
    return std::fabs(weight - state.shown_weight) >= 1.0f / 255.0f;
  }
  if (weight == state.shown_weight) return false;
  // The painted reveal moves a stroke's edge by many levels at a change of the weight far
  // below one; what it shows follows its reveal time, which runs at a steady pace.
  if (weight == 0.0f || weight == 1.0f) return true;
  const float moved = std::fabs(reveal_time_for(weight) - reveal_time_for(state.shown_weight));
  return moved >= kRevealStep;
}

bool frame_changes_display(const PainterState& state) {
  if (!state.device || !state.description || !state.layers[0]) return false;
  FrameTiming timing = state.timing;
  if (timing.advance(state.delay, state.speed)) return true;
  return display_differs(state, 1.0f - timing.progress);
}

bool frame_builds_picture(const PainterState& state) {
  if (!state.device || !state.description || !state.layers[0]) return false;
  // Whether the phase reverses does not depend on the rate measured on the same frame.
  FrameTiming timing = state.timing;
  return timing.advance(state.delay, state.speed);
}

void skip_undrawn_frame(PainterState& state) {
  state.active_clock().frame_started();
  state.timing.measure_rate(state.elapsed);
  state.timing.advance(state.delay, state.speed);
  const auto wave = state.timing.advance_wave();
  state.wave[0] = wave[0];
  state.wave[1] = wave[1];
}

}  // namespace bw::painter
