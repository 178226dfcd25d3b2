// The composition of a picture: the background straight into the canvas, each plan laid
// over it in plan order, then a shading image derived from the finished canvas.
#include "painter/engine.h"
#include "painter/layer.h"
#include "painter/pass_util.h"

namespace bw::painter {

using detail::draw_full_quad;
using detail::set_colour;
using detail::set_float;
using detail::set_vec4;

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

  if (device::Shader* visual = state.visual_effect) {
    visual->set_texture(0, first_layer.form_tex_a);
    visual->set_texture(1, first_layer.form_tex_b);
    set_float(*visual, "alpha", progress);
    set_float(*visual, "beta", 0.0f);
    device.set_shader(visual);
    draw_full_quad(device);
    state.work_1024->copy_from_target();
  }

  device::Shader* background = state.background_effect;
  if (background == nullptr) return;
  const Layer& last_layer = *state.layers[static_cast<std::size_t>(state.plans() - 1)];
  background->set_texture(0, state.oil_texture);
  background->set_texture(1, state.work_1024);
  background->set_texture(2, last_layer.form_tex);
  set_vec4(*background, "atr1", state.pass_constants[2]);
  static constexpr const char* kGroups[] = {"f1", "f2", "f3", "f4"};
  for (int k = 0; k < 4; ++k) {
    set_vec4(*background, kGroups[k],
             detail::mix_group(state.random16_prev, state.random16, k, a));
  }
  set_float(*background, "alpha", progress);
  device.set_target(canvas);
  device.set_shader(background);
  draw_full_quad(device);
  device.set_back_buffer_target();
}

void Layer::plan_pass(PainterState& state, device::Texture* canvas, device::Texture* canvas2,
                      float progress) {
  device::Device& device = *state.device;
  const PictureDescription& d = *state.description;

  if (state.scratch_target == nullptr) {
    state.scratch_target = device.create_texture();
    state.scratch_target->create(state.target_width, state.target_height,
                                 device::kFilterModePoint, device::kAddressModeClamp);
  }
  device::Texture* scratch = state.scratch_target;
  formgen = state.formgen_effects[static_cast<std::size_t>(index)];
  const float a = state.side_progress();

  // Form and facture cross-fades at their own fixed sizes.
  if (device::Shader* visual = state.visual_effect) {
    device.set_target(state.work_1024);
    visual->set_texture(0, form_tex_a);
    visual->set_texture(1, form_tex_b);
    set_float(*visual, "alpha", progress);
    set_float(*visual, "beta", 0.0f);
    device.set_shader(visual);
    draw_full_quad(device);
    device.set_target(state.work_256);
    visual->set_texture(0, facture_tex_a);
    visual->set_texture(1, facture_tex_b);
    draw_full_quad(device);
    device.set_back_buffer_target();
  }

  const float layer = static_cast<float>(index) /
                      static_cast<float>(d.plans < 2 ? 1 : d.plans - 1);
  static constexpr const char* kGroups[] = {"f1", "f2", "f3", "f4"};

  // The plan's shape.
  if (formgen != nullptr) {
    device.set_target(scratch);
    formgen->set_texture(0, state.work_1024);
    formgen->set_texture(1, state.oil_texture);
    formgen->set_texture(2, state.work_256);
    set_vec4(*formgen, "atr1", state.pass_constants[2]);
    for (int k = 0; k < 4; ++k) {
      set_vec4(*formgen, kGroups[k], detail::mix_group(anim_prev, anim, k, a));
    }
    set_float(*formgen, "layer", layer);
    device.set_shader(formgen);
    draw_full_quad(device);
    device.set_back_buffer_target();
  }

  if (d.silhouette != 0.0f) {
    if (device::Shader* silhouette = state.silhouette_effect) {
      silhouette->set_texture(0, scratch);
      set_float(*silhouette, "s",
                d.silhouette * (state.base_scale / state.pass_constants[2][3]));
      set_float(*silhouette, "layer", layer);
      set_vec4(*silhouette, "atr1", state.pass_constants[2]);
      device.set_shader(silhouette);
      draw_full_quad(device);
      scratch->copy_from_target();
    }
  }

  const float w = static_cast<float>(scratch->width);
  if (d.fltr1 != 0.0f) {
    filter_pass(state, scratch, 16.0f, Vec4{0.0f, 0.0f, 1.0f, 0.0f}, w * d.fltr1 / 2048.0f);
  }
  if (d.fltr2 != 0.0f) {
    filter_pass(state, scratch, 2.0f, Vec4{1.0f, 1.0f, 0.0f, 1.0f}, w * d.fltr2 / 2048.0f);
  }

  // Lay the shape onto the canvas.
  if (device::Shader* out = state.formgen_out_effect) {
    out->set_texture(0, canvas);
    out->set_texture(1, state.work_1024);
    out->set_texture(2, scratch);
    out->set_texture(3, state.oil_texture);
    out->set_texture(4, state.work_a);
    out->set_texture(5, state.work_256);
    set_vec4(*out, "atr1", state.pass_constants[2]);
    set_vec4(*out, "patr1", state.pass_constants[2]);
    set_float(*out, "alpha", 0.7f);
    set_float(*out, "layer", layer);
    set_float(*out, "time", static_cast<float>(state.elapsed_ms()));
    set_float(*out, "dev", 0.0f);
    device.set_shader(out);
    draw_full_quad(device);
    canvas->copy_from_target();
  }

  // The plan's colours, for pictures with coloured plans.
  if (d.bgcolor > 1) {
    if (device::Shader* colorgen = state.colorgen_effect) {
      colorgen->set_texture(0, colour_tex_b);
      colorgen->set_texture(1, colour_tex_a);
      colorgen->set_texture(2, canvas);
      colorgen->set_texture(3, canvas2);
      colorgen->set_texture(4, state.work_256);
      colorgen->set_texture(5, state.work_1024);
      colorgen->set_texture(6, state.oil_texture);
      set_vec4(*colorgen, "atr1", state.pass_constants[2]);
      set_float(*colorgen, "alpha", progress);
      // A four-component read of `shift` sees the description's following fields.
      set_vec4(*colorgen, "shift", Vec4{d.bump0, d.bloor, d.fltr1, d.fltr2});
      set_float(*colorgen, "fon", layer == 0.0f ? 1.0f : 0.0f);
      set_float(*colorgen, "facture", d.bump1);
      set_float(*colorgen, "surface", d.bump0);
      set_float(*colorgen, "layer", layer);
      set_colour(*colorgen, "fg_color", detail::mix(fg_colour_b, fg_colour_a, progress));
      set_colour(*colorgen, "bg_color", detail::mix(bg_colour_b, bg_colour_a, progress));
      device.set_shader(colorgen);
      draw_full_quad(device);
      canvas2->copy_from_target();
    }
  }
}

}  // namespace bw::painter
