#include "painter/held_frame.h"

namespace bw::painter {

bool frame_is_held(const PainterState& state) {
  return state.pictures_built > 0 && state.timing.hold_frames > 0;
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
