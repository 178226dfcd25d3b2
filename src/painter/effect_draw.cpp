#include "painter/effect_draw.h"

#include <string>

#include "painter/pass_util.h"
#include "platform/diagnostics.h"

namespace bw::painter {

EffectDraw::EffectDraw(PainterState& state, Effect effect)
    : EffectDraw(
          state, effect,
          effect_row(effect).member != nullptr ? state.*effect_row(effect).member : nullptr) {}

EffectDraw::EffectDraw(PainterState& state, Effect effect, device::Shader* shader)
    : device_(*state.device), row_(effect_row(effect)), shader_(shader) {}

EffectDraw& EffectDraw::texture(int slot, device::Texture* texture) {
  if (shader_ == nullptr) return *this;
  if (slot < 0 || slot >= row_.slots) {
    diag::message("effect %.*s: a pass binds texture slot %d, but the effect has %d",
                  static_cast<int>(row_.file.size()), row_.file.data(), slot, row_.slots);
    return *this;
  }
  shader_->set_texture(slot, texture);
  return *this;
}

EffectDraw& EffectDraw::textures(std::initializer_list<device::Texture*> in_slot_order) {
  int slot = 0;
  for (device::Texture* each : in_slot_order) texture(slot++, each);
  return *this;
}

EffectDraw& EffectDraw::set(std::string_view name, float value) {
  set_floats(name, 1, {value, 0.0f, 0.0f, 0.0f});
  return *this;
}

EffectDraw& EffectDraw::set(std::string_view name, const Colour& value) {
  set_floats(name, 3, {value[0], value[1], value[2], 0.0f});
  return *this;
}

EffectDraw& EffectDraw::set(std::string_view name, const Vec4& value) {
  set_floats(name, 4, value);
  return *this;
}

void EffectDraw::set_floats(std::string_view name, int floats, const Vec4& values) {
  if (shader_ == nullptr) return;
  const EffectParam* param = effect_param(row_, name);
  if (param == nullptr) {
    diag::message("effect %.*s: a pass sets \"%.*s\", which the effect does not have",
                  static_cast<int>(row_.file.size()), row_.file.data(),
                  static_cast<int>(name.size()), name.data());
    return;
  }
  if (param->floats != floats) {
    diag::message("effect %.*s: a pass sets \"%.*s\" to %d floats, but it takes %d",
                  static_cast<int>(row_.file.size()), row_.file.data(),
                  static_cast<int>(name.size()), name.data(), floats, param->floats);
    return;
  }
  // The table's own spelling, which ends in a zero like every literal.
  shader_->set_param(param->name.data(), values.data());
}

void EffectDraw::use() { device_.set_shader(shader_); }

void EffectDraw::draw() {
  use();
  draw_again();
}

void EffectDraw::draw_again() { detail::draw_full_quad(device_); }

}  // namespace bw::painter
