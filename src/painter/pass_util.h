// Small helpers shared by the painting passes: the cross-fades of colours and animation
// values, and the full-target quad. Effects are bound and set through EffectDraw
// (effect_draw.h).
#pragma once

#include "device/device.h"
#include "device/shader.h"
#include "painter/painter_state.h"

namespace bw::painter::detail {

// Component-wise (1 - a) * from + a * to.
inline Colour mix(const Colour& from, const Colour& to, float a) {
  return {(1.0f - a) * from[0] + a * to[0], (1.0f - a) * from[1] + a * to[1],
          (1.0f - a) * from[2] + a * to[2]};
}

// Group k (0..3) of sixteen values, cross-faded: (1 - a) * before + a * after.
template <typename Sixteen>
Vec4 mix_group(const Sixteen& before, const Sixteen& after, int k, float a) {
  Vec4 out{};
  for (int c = 0; c < 4; ++c) {
    out[c] = (1.0f - a) * before[4 * k + c] + a * after[4 * k + c];
  }
  return out;
}

// The full-target quad, (-1, -1)-(1, 1) in clip coordinates.
inline void draw_full_quad(device::Device& device) {
  device.draw_quad_clip(-1.0f, -1.0f, 1.0f, 1.0f);
}

}  // namespace bw::painter::detail
