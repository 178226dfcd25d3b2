// The output passes of a new picture (surface relief, colour, paint, signature) and the
// display pass that every frame ends with.
#include "painter/engine.h"
#include "painter/layer.h"
#include "painter/pass_util.h"

#include <algorithm>

namespace bw::painter {

using detail::draw_full_quad;
using detail::set_colour;
using detail::set_float;
using detail::set_vec4;

void surface_out_pass(PainterState& state) {
  device::Shader* surface = state.surface_out_effect;
  if (surface == nullptr) return;
  const PictureDescription& d = *state.description;
  surface->set_texture(0, state.canvas_a);
  surface->set_texture(1, state.canvas_a);
  surface->set_texture(2, state.work_b);
  surface->set_texture(3, state.oil_texture);
  surface->set_texture(4, state.facture_cur);
  surface->set_texture(5, state.facture_other);
  surface->set_texture(6, state.facture2_cur);
  surface->set_texture(7, state.facture2_other);
  set_vec4(*surface, "atr1", state.pass_constants[2]);
  set_float(*surface, "alpha", state.side_progress());
  set_float(*surface, "bump1", d.bump1);
  set_float(*surface, "bump2", d.bump2);
  state.device->set_shader(surface);
  draw_full_quad(*state.device);
  state.work_b->copy_from_target();
}

void colour_out_pass(PainterState& state) {
  device::Shader* colour = state.color_out_effect;
  if (colour == nullptr) return;
  const PictureDescription& d = *state.description;
  const float p = state.progress();
  float a = p;
  colour->set_texture(0, state.work_b);
  if (d.bgcolor > 1) {
    colour->set_texture(1, state.canvas_b);
    colour->set_texture(2, state.canvas_b);
    a = state.side_progress();
  } else {
    colour->set_texture(1, state.first_layer_a);
    colour->set_texture(2, state.first_layer_b);
  }
  colour->set_texture(3, state.last_layer_a);
  colour->set_texture(4, state.last_layer_b);
  colour->set_texture(5, state.work_a);
  colour->set_texture(6, state.canvas_a);
  colour->set_texture(7, state.canvas_a);

  // The mirror of the plan pass's weighting: here progress weights the "b" colours.
  const Layer& first = *state.layers[0];
  set_vec4(*colour, "atr1", state.pass_constants[2]);
  set_float(*colour, "alpha", p);
  set_float(*colour, "shift", d.dist);
  set_float(*colour, "bump", d.bump0);
  set_float(*colour, "surface", 0.0f);
  set_colour(*colour, "fg_color", detail::mix(first.fg_colour_a, first.fg_colour_b, p));
  set_colour(*colour, "bg_color", detail::mix(first.bg_colour_a, first.bg_colour_b, p));
  set_float(*colour, "a", a);
  state.device->set_shader(colour);
  draw_full_quad(*state.device);
  state.work_a->copy_from_target();
}

void paint_pass(PainterState& state) {
  const PictureDescription& d = *state.description;
  const float a = state.side_progress();
  state.wave[2] = state.pass_constants[1][2];
  state.wave[3] = static_cast<float>(0.7 - 0.3 * static_cast<double>(d.tex));

  device::Shader* paint = state.paint_effect;
  if (paint == nullptr) return;
  paint->set_texture(0, state.work_a);
  paint->set_texture(1, state.work_b);
  paint->set_texture(2, state.canvas_a);
  paint->set_texture(3, state.canvas_a);
  paint->set_texture(4, state.oil_texture);
  set_float(*paint, "alpha", state.progress());
  set_float(*paint, "beta", 0.3f);
  set_float(*paint, "gamma", d.tex);
  set_vec4(*paint, "param", state.wave);
  set_vec4(*paint, "atr1", state.pass_constants[2]);
  set_vec4(*paint, "patr1", state.pass_constants[2]);
  set_float(*paint, "time", a);
  state.device->set_shader(paint);
  // Mirrored vertically: the texture's first row lands at the bottom of the target.
  state.device->draw_quad_clip(-1.0f, 1.0f, 1.0f, -1.0f);
}

void signature_pass(PainterState& state) {
  device::Shader* visual = state.visual_effect;
  if (visual == nullptr) return;
  visual->set_texture(0, state.sig3_texture);
  visual->set_texture(1, state.sig3_texture);
  set_float(*visual, "alpha", 0.0f);
  set_float(*visual, "beta", 0.0f);
  state.device->set_shader(visual);
  state.device->set_blend(device::kBlendAlpha);
  // The rightmost fifth of the width, the bottom tenth of the height.
  state.device->draw_quad(0.8f, 0.0f, 0.2f, 0.1f);
  state.device->set_blend(device::kBlendNone);
}

void reveal_plan_pass(PainterState& state, device::Texture* painting) {
  device::Shader* plan = state.reveal_plan_effect;
  device::Shader* fill = state.reveal_fill_effect;
  if (plan == nullptr || fill == nullptr) return;
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
  plan->set_texture(0, painting);
  // The cycle's random values: the reveal changes with every painting, and repeats with
  // the seed.
  set_vec4(*plan, "seed", {state.random16[0], state.random16[5], state.random16[10],
                           state.random16[15]});
  device.set_target(target);
  device.set_shader(plan);
  draw_full_quad(device);
  device.set_back_buffer_target();

  fill->set_texture(0, painting);
  fill->set_texture(1, target);
  device.set_shader(fill);
  draw_full_quad(device);
  painting->copy_from_target();
}

void display_pass(PainterState& state, device::Texture* first, device::Texture* second,
                  float weight) {
  device::Shader* reveal = state.reveal_effect;
  if (reveal != nullptr && (state.last_capture == first || state.last_capture == second)) {
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
    reveal->set_texture(0, old_painting);
    reveal->set_texture(1, state.last_capture);
    set_float(*reveal, "alpha", reveal_time_for(first_is_new ? 1.0f - weight : weight));
    set_vec4(*reveal, "tile", tile);
    state.device->set_shader(reveal);
    draw_full_quad(*state.device);
    return;
  }
  device::Shader* visual = state.visual_effect;
  if (visual == nullptr) return;
  visual->set_texture(0, first);
  visual->set_texture(1, second);
  set_float(*visual, "alpha", weight);
  set_float(*visual, "beta", 0.0f);
  state.device->set_shader(visual);
  draw_full_quad(*state.device);
}

}  // namespace bw::painter
