#include "painter/held_frame.h"

namespace bw::painter {

bool frame_is_held(const PainterState& state) {
  return state.pictures_built > 0 && state.timing.hold_frames > 0;
}

void skip_held_frame(PainterState& state) {
  state.active_clock().frame_started();
  state.timing.measure_rate(state.elapsed);
  state.timing.advance(state.delay, state.speed);  // only counts the hold down
  const auto wave = state.timing.advance_wave();
  state.wave[0] = wave[0];
  state.wave[1] = wave[1];
}

}  // namespace bw::painter
