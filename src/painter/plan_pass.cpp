// The plan pass: one plan of a picture painted onto the canvas, in named steps. The
// plan's form and facture are cross-faded at their own sizes, its shape is drawn into the
// scratch target (outlined and filtered as the description asks) and laid onto the
// canvas; a picture with coloured plans also paints the plan's colours into the second
// canvas.
#include "device/device.h"
#include "painter/effect_draw.h"
#include "painter/layer.h"
#include "painter/pass_util.h"
#include "painter/passes.h"

namespace bw::painter {

namespace {

namespace p = param;

// What every step of one plan pass works with.
struct PlanStep {
  PainterState& state;
  Layer& plan;
  device::Texture* scratch;  // the plan's shape
  float position;            // the plan's place: 0 for the first plan .. 1 for the last
  float progress;
};

device::Texture* scratch_target(PainterState& state) {
  if (state.scratch_target == nullptr) {
    state.scratch_target = state.device->create_texture();
    state.scratch_target->create(state.target_width, state.target_height, device::kFilterModePoint,
                                 device::kAddressModeClamp);
  }
  return state.scratch_target;
}

// The form into work_1024 and the facture into work_256, each cross-faded.
void cross_fade_images(const PlanStep& step) {
  device::Device& device = *step.state.device;
  EffectDraw visual(step.state, Effect::visual);
  if (!visual) return;
  device.set_target(step.state.work_1024);
  visual.textures({step.plan.form_tex_a, step.plan.form_tex_b});
  visual.set(p::alpha, step.progress).set(p::beta, 0.0f);
  visual.draw();
  device.set_target(step.state.work_256);
  visual.textures({step.plan.facture_tex_a, step.plan.facture_tex_b});
  visual.draw_again();
  device.set_back_buffer_target();
}

void draw_shape(const PlanStep& step) {
  device::Device& device = *step.state.device;
  EffectDraw formgen(step.state, Effect::formgen, step.plan.formgen);
  if (!formgen) return;
  const float a = step.state.side_progress();
  device.set_target(step.scratch);
  formgen.textures({step.state.work_1024, step.state.oil_texture, step.state.work_256});
  formgen.set(p::atr1, step.state.pass_constants[2]);
  for (int k = 0; k < 4; ++k) {
    formgen.set(p::groups[static_cast<std::size_t>(k)],
                detail::mix_group(step.plan.anim_prev, step.plan.anim, k, a));
  }
  formgen.set(p::layer, step.position);
  formgen.draw();
  device.set_back_buffer_target();
}

void outline_shape(const PlanStep& step) {
  const PainterState& state = step.state;
  const PictureDescription& d = *state.description;
  if (d.silhouette == 0.0f) return;
  EffectDraw silhouette(step.state, Effect::silhouette);
  if (!silhouette) return;
  silhouette.textures({step.scratch});
  silhouette.set(p::s, d.silhouette * (state.base_scale / state.pass_constants[2][3]))
      .set(p::layer, step.position)
      .set(p::atr1, state.pass_constants[2]);
  silhouette.draw();
  step.scratch->copy_from_target();
}

void filter_shape(const PlanStep& step) {
  const PictureDescription& d = *step.state.description;
  const float w = static_cast<float>(step.scratch->width);
  if (d.fltr1 != 0.0f) {
    filter_pass(step.state, step.scratch, 16.0f, Vec4{0.0f, 0.0f, 1.0f, 0.0f},
                w * d.fltr1 / 2048.0f);
  }
  if (d.fltr2 != 0.0f) {
    filter_pass(step.state, step.scratch, 2.0f, Vec4{1.0f, 1.0f, 0.0f, 1.0f},
                w * d.fltr2 / 2048.0f);
  }
}

void lay_shape(const PlanStep& step, device::Texture* canvas) {
  PainterState& state = step.state;
  EffectDraw out(state, Effect::formgen_out);
  if (!out) return;
  out.textures(
      {canvas, state.work_1024, step.scratch, state.oil_texture, state.work_a, state.work_256});
  out.set(p::atr1, state.pass_constants[2])
      .set(p::patr1, state.pass_constants[2])
      .set(p::alpha, 0.7f)
      .set(p::layer, step.position)
      .set(p::time, static_cast<float>(state.elapsed_ms()))
      .set(p::dev, 0.0f);
  out.draw();
  canvas->copy_from_target();
}

// For pictures with coloured plans: the plan's colours into the second canvas.
void paint_colours(const PlanStep& step, device::Texture* canvas, device::Texture* canvas2) {
  const PainterState& state = step.state;
  const PictureDescription& d = *state.description;
  if (d.bgcolor <= 1) return;
  EffectDraw colorgen(step.state, Effect::colorgen);
  if (!colorgen) return;
  const Layer& plan = step.plan;
  colorgen.textures({plan.colour_tex_b, plan.colour_tex_a, canvas, canvas2, state.work_256,
                     state.work_1024, state.oil_texture});
  colorgen.set(p::atr1, state.pass_constants[2]).set(p::alpha, step.progress);
  // A four-component read of `shift` sees the description's following fields.
  colorgen.set(p::shift, Vec4{d.bump0, d.bloor, d.fltr1, d.fltr2})
      .set(p::fon, step.position == 0.0f ? 1.0f : 0.0f)
      .set(p::facture, d.bump1)
      .set(p::surface, d.bump0)
      .set(p::layer, step.position)
      .set(p::fg_color, detail::mix(plan.fg_colour_b, plan.fg_colour_a, step.progress))
      .set(p::bg_color, detail::mix(plan.bg_colour_b, plan.bg_colour_a, step.progress));
  colorgen.draw();
  canvas2->copy_from_target();
}

}  // namespace

void Layer::plan_pass(PainterState& state, device::Texture* canvas, device::Texture* canvas2,
                      float progress) {
  device::Texture* scratch = scratch_target(state);
  formgen = state.formgen_effects[static_cast<std::size_t>(index)];
  const int plans = state.description->plans;
  const float position = static_cast<float>(index) / static_cast<float>(plans < 2 ? 1 : plans - 1);
  const PlanStep step{state, *this, scratch, position, progress};
  cross_fade_images(step);
  draw_shape(step);
  outline_shape(step);
  filter_shape(step);
  lay_shape(step, canvas);
  paint_colours(step, canvas, canvas2);
}

}  // namespace bw::painter
