// The composition of a picture: the background straight into the canvas, each plan laid
// over it in plan order, then a shading image derived from the finished canvas.
#include "painter/effect_draw.h"
#include "painter/layer.h"
#include "painter/pass_util.h"
#include "painter/passes.h"

namespace bw::painter {

namespace p = param;

void compose_picture(PainterState& state) {
  const PictureDescription& d = *state.description;
  for (int i = 0; i < d.plans; ++i) {
    if (i == 0) background_pass(state, state.canvas_a, state.progress(), *state.layers[0]);
    state.layers[static_cast<std::size_t>(i)]->plan_pass(state, state.canvas_a, state.canvas_b,
                                                          state.progress());
  }
  const Vec4 alpha_only{0.0f, 0.0f, 0.0f, 1.0f};
  if (d.bgcolor >= 2) {
    deriv_pass(state, state.canvas_a, state.canvas_b, 0.0016f, 7.0f);
    filter_pass(state, state.canvas_b, 300.0f, alpha_only, 5.0f);
    filter_pass(state, state.canvas_b, 100.0f, alpha_only, 1.0f);
    return;
  }
  device::Texture* shading = state.side_flag == 1 ? state.last_layer_a : state.last_layer_b;
  deriv_pass(state, state.canvas_a, shading, 0.0016f, 7.0f);
  filter_pass(state, shading, 50.0f, alpha_only, 1.0f);
}

void background_pass(PainterState& state, device::Texture* canvas, float progress,
                     Layer& first_layer) {
  device::Device& device = *state.device;
  const float a = state.side_progress();

  if (EffectDraw visual(state, Effect::visual); visual) {
    visual.textures({first_layer.form_tex_a, first_layer.form_tex_b});
    visual.set(p::alpha, progress).set(p::beta, 0.0f);
    visual.draw();
    state.work_1024->copy_from_target();
  }

  EffectDraw background(state, Effect::background);
  if (!background) return;
  const Layer& last_layer = *state.layers[static_cast<std::size_t>(state.plans() - 1)];
  background.textures({state.oil_texture, state.work_1024, last_layer.form_tex});
  background.set(p::atr1, state.pass_constants[2]);
  for (int k = 0; k < 4; ++k) {
    background.set(p::groups[static_cast<std::size_t>(k)],
                   detail::mix_group(state.random16_prev, state.random16, k, a));
  }
  background.set(p::alpha, progress);
  device.set_target(canvas);
  background.draw();
  device.set_back_buffer_target();
}

}  // namespace bw::painter
