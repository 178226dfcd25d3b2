#include "painter/painter_state.h"

#include "painter/layer.h"

namespace bw::painter {

PainterState::PainterState() = default;

PainterState::~PainterState() = default;

float PainterState::side_progress() const {
  return side_flag == 1 ? timing.progress : 1.0f - timing.progress;
}

Clock& PainterState::active_clock() { return clock != nullptr ? *clock : real_clock_; }

}  // namespace bw::painter
