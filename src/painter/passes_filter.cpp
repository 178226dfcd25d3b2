// The two small image operations the other passes use: the two-step filter and the
// derivative. Both draw a full-target quad into the back buffer and copy it into the
// target texture, which thus receives the image scaled to its own size.
#include <cmath>

#include "painter/effect_draw.h"
#include "painter/passes.h"

namespace bw::painter {

namespace p = param;

void filter_pass(PainterState& state, device::Texture* texture, float alpha, const Vec4& mask,
                 float delta) {
  EffectDraw filter(state, Effect::filter);
  if (!filter) return;
  // A texture that holds nothing has nothing to filter and no width to step by.
  if (texture == nullptr || texture->width == 0) return;

  const float w = state.pass_constants[2][3];
  const float scale = state.base_scale / w;
  const float width = static_cast<float>(texture->width);
  float step = delta != 0.0f ? delta / width : 1.0f / width;
  const float k = std::pow(2.0f * w, 0.6f);
  step /= k;
  alpha /= k;

  filter.textures({texture, state.canvas_a});
  filter.set(p::pass, 0.0f)
      .set(p::alpha, alpha)
      .set(p::delta, step)
      .set(p::scale, scale)
      .set(p::mask, mask);
  filter.draw();
  texture->copy_from_target();

  // The second step reads the first one's result through slot 0.
  filter.set(p::pass, 1.0f);
  filter.draw_again();
  texture->copy_from_target();
}

void deriv_pass(PainterState& state, device::Texture* src, device::Texture* dst, float s,
                float m) {
  EffectDraw deriv(state, Effect::deriv);
  if (!deriv) return;
  deriv.textures({src, dst});
  deriv.set(p::s, s).set(p::m, m);
  deriv.draw();
  dst->copy_from_target();
}

}  // namespace bw::painter
