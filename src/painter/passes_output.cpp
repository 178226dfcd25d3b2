// The output passes of a new picture (surface relief, colour, paint, signature) and the
// display pass that every frame ends with.
#include <algorithm>

#include "painter/effect_draw.h"
#include "painter/layer.h"
#include "painter/pass_util.h"
#include "painter/passes.h"

namespace bw::painter {

namespace p = param;
using detail::draw_full_quad;

void surface_out_pass(PainterState& state) {
  EffectDraw surface(state, Effect::surface_out);
  if (!surface) return;
  const PictureDescription& d = *state.description;
  surface.textures({state.canvas_a, state.canvas_a, state.work_b, state.oil_texture,
                    state.facture_cur, state.facture_other, state.facture2_cur,
                    state.facture2_other});
  surface.set(p::atr1, state.pass_constants[2])
      .set(p::alpha, state.side_progress())
      .set(p::bump1, d.bump1)
      .set(p::bump2, d.bump2);
  surface.draw();
  state.work_b->copy_from_target();
}

void colour_out_pass(PainterState& state) {
  EffectDraw colour(state, Effect::color_out);
  if (!colour) return;
  const PictureDescription& d = *state.description;
  const float progress = state.progress();
  const bool coloured_plans = d.bgcolor > 1;
  const float a = coloured_plans ? state.side_progress() : progress;
  colour.textures({state.work_b, coloured_plans ? state.canvas_b : state.first_layer_a,
                   coloured_plans ? state.canvas_b : state.first_layer_b, state.last_layer_a,
                   state.last_layer_b, state.work_a, state.canvas_a, state.canvas_a});

  // The mirror of the plan pass's weighting: here progress weights the "b" colours.
  const Layer& first = *state.layers[0];
  colour.set(p::atr1, state.pass_constants[2])
      .set(p::alpha, progress)
      .set(p::shift, d.dist)
      .set(p::bump, d.bump0)
      .set(p::surface, 0.0f)
      .set(p::fg_color, detail::mix(first.fg_colour_a, first.fg_colour_b, progress))
      .set(p::bg_color, detail::mix(first.bg_colour_a, first.bg_colour_b, progress))
      .set(p::a, a);
  colour.draw();
  state.work_a->copy_from_target();
}

void paint_pass(PainterState& state) {
  const PictureDescription& d = *state.description;
  const float a = state.side_progress();
  state.wave[2] = state.pass_constants[1][2];
  state.wave[3] = static_cast<float>(0.7 - 0.3 * static_cast<double>(d.tex));

  EffectDraw paint(state, Effect::paint);
  if (!paint) return;
  paint.textures({state.work_a, state.work_b, state.canvas_a, state.canvas_a, state.oil_texture});
  paint.set(p::alpha, state.progress())
      .set(p::beta, 0.3f)
      .set(p::gamma, d.tex)
      .set(p::wave, state.wave)
      .set(p::atr1, state.pass_constants[2])
      .set(p::patr1, state.pass_constants[2])
      .set(p::time, a);
  paint.use();
  // Mirrored vertically: the texture's first row lands at the bottom of the target.
  state.device->draw_quad_clip(-1.0f, 1.0f, 1.0f, -1.0f);
}

void signature_pass(PainterState& state) {
  EffectDraw visual(state, Effect::visual);
  if (!visual) return;
  visual.textures({state.sig3_texture, state.sig3_texture});
  visual.set(p::alpha, 0.0f).set(p::beta, 0.0f);
  visual.use();
  state.device->set_blend(device::kBlendAlpha);
  // The rightmost fifth of the width, the bottom tenth of the height.
  state.device->draw_quad(0.8f, 0.0f, 0.2f, 0.1f);
  state.device->set_blend(device::kBlendNone);
}

void reveal_plan_pass(PainterState& state, device::Texture* painting) {
  EffectDraw plan(state, Effect::reveal_plan);
  EffectDraw fill(state, Effect::reveal_fill);
  if (!plan || !fill) return;
  device::Device& device = *state.device;
  // The moment a pixel arrives changes smoothly inside a stroke, so the plan is drawn at
  // half the width and height, a quarter of the work, then filled into the painting's
  // alpha at full size with filtering: the display pass that runs every frame keeps two
  // point reads.
  const int width = std::max(1, state.target_width / 2);
  const int height = std::max(1, state.target_height / 2);
  device::Texture*& target = state.reveal_plan_target;
  if (target == nullptr) target = device.create_texture();
  // A reset re-creates every texture with point sampling: made again here when it was.
  if (target->width != width || target->height != height ||
      target->filter() != device::kFilterModeSmooth) {
    target->create(width, height, device::kFilterModeSmooth, device::kAddressModeClamp);
  }
  // The cycle's random values: the reveal changes with every painting, and repeats with
  // the seed.
  plan.texture(0, painting)
      .set(p::seed, Vec4{state.random16[0], state.random16[5], state.random16[10],
                         state.random16[15]});
  device.set_target(target);
  plan.draw();
  device.set_back_buffer_target();

  fill.textures({painting, target});
  fill.draw();
  painting->copy_from_target();
}

void display_pass(PainterState& state, device::Texture* first, device::Texture* second,
                  float weight) {
  EffectDraw reveal(state, Effect::reveal);
  if (reveal && (state.last_capture == first || state.last_capture == second)) {
    // The newest painting is painted over the other, or over the bare canvas while there
    // is no other yet.
    const bool first_is_new = state.last_capture == first;
    device::Texture* old_painting = first_is_new ? second : first;
    Vec4 tile{1.0f, 1.0f, 0.0f, 0.0f};
    if (state.pictures_built < 2) {
      old_painting = state.oil_texture;
      // The canvas's weave one texel a pixel, as it lies under the paint.
      tile = {static_cast<float>(state.target_width) /
                  static_cast<float>(std::max(1, old_painting->width)),
              static_cast<float>(state.target_height) /
                  static_cast<float>(std::max(1, old_painting->height)),
              0.0f, 0.0f};
    }
    reveal.textures({old_painting, state.last_capture});
    reveal.set(p::alpha, reveal_time_for(first_is_new ? 1.0f - weight : weight))
        .set(p::tile, tile);
    reveal.draw();
    return;
  }
  EffectDraw visual(state, Effect::visual);
  if (!visual) return;
  visual.textures({first, second});
  visual.set(p::alpha, weight).set(p::beta, 0.0f);
  visual.draw();
}

}  // namespace bw::painter
