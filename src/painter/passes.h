// The painting passes of a new picture and the display pass that ends every frame. Each
// draws with one effect of the table and leaves its drawing out when that effect did not
// load. A plan's own pass is Layer::plan_pass (layer.h).
#pragma once

#include "device/texture.h"
#include "painter/painter_state.h"

namespace bw::painter {

class Layer;

// The painting passes, in the order a new picture runs them.
void filter_pass(PainterState& state, device::Texture* texture, float alpha, const Vec4& mask,
                 float delta);
void deriv_pass(PainterState& state, device::Texture* src, device::Texture* dst, float s,
                float m);
void compose_picture(PainterState& state);
void background_pass(PainterState& state, device::Texture* canvas, float progress,
                     Layer& first_layer);
void surface_out_pass(PainterState& state);
void colour_out_pass(PainterState& state);
void paint_pass(PainterState& state);
void signature_pass(PainterState& state);
// Writes into the alpha of `painting` (a captured painting) the moment of its reveal at
// which each pixel is painted, drawn at half size into state.reveal_plan_target first;
// uses the back buffer, which it leaves holding the result.
void reveal_plan_pass(PainterState& state, device::Texture* painting);
// Draws the screen from the two captured paintings: with the reveal effect, the newest
// one painted stroke by stroke over the other (or over the canvas before there is an
// other) as far as its reveal has come (`weight` is second's share, so first's reveal is
// 1 - weight); otherwise, or when neither is the newest, the two cross-faded.
void display_pass(PainterState& state, device::Texture* first, device::Texture* second,
                  float weight);

}  // namespace bw::painter
