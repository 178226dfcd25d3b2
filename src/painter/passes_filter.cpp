// The two small image operations the other passes use: the two-step filter and the
// derivative. Both draw a full-target quad into the back buffer and copy it into the
// target texture, which thus receives the image scaled to its own size.
#include <cmath>

#include "painter/engine.h"
#include "painter/pass_util.h"

namespace bw::painter {

void filter_pass(PainterState& state, device::Texture* texture, float alpha, const Vec4& mask,
                 float delta) {
  device::Shader* filter = state.filter_effect;
  if (filter == nullptr) return;
  // A texture that holds nothing has nothing to filter and no width to step by.
  if (texture == nullptr || texture->width == 0) return;

  const float w = state.pass_constants[2][3];
  const float scale = state.base_scale / w;
  const float width = static_cast<float>(texture->width);
  float step = delta != 0.0f ? delta / width : 1.0f / width;
  const float k = std::pow(2.0f * w, 0.6f);
  step /= k;
  alpha /= k;

  filter->set_texture(0, texture);
  filter->set_texture(1, state.canvas_a);
  detail::set_float(*filter, "_pass", 0.0f);
  detail::set_float(*filter, "alpha", alpha);
  detail::set_float(*filter, "delta", step);
  detail::set_float(*filter, "scale", scale);
  detail::set_vec4(*filter, "mask", mask);
  state.device->set_shader(filter);
  detail::draw_full_quad(*state.device);
  texture->copy_from_target();

  // The second step reads the first one's result through slot 0.
  detail::set_float(*filter, "_pass", 1.0f);
  detail::draw_full_quad(*state.device);
  texture->copy_from_target();
}

void deriv_pass(PainterState& state, device::Texture* src, device::Texture* dst, float s,
                float m) {
  device::Shader* deriv = state.deriv_effect;
  if (deriv == nullptr) return;
  deriv->set_texture(0, src);
  deriv->set_texture(1, dst);
  detail::set_float(*deriv, "s", s);
  detail::set_float(*deriv, "m", m);
  state.device->set_shader(deriv);
  detail::draw_full_quad(*state.device);
  dst->copy_from_target();
}

}  // namespace bw::painter
