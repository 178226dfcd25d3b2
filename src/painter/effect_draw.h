// EffectDraw: one use of an effect of the table by a pass. Textures and parameters go
// through the effect's row: a slot beyond the row's slots, a name the row does not have or
// a value of another width than the row gives the name is reported as a fault of the pass
// and not handed to the effect. Every parameter is handed over as four floats, padded with
// zeros, so that a parameter declared wider than the value the pass sets never reads past
// that value.
#pragma once

#include <initializer_list>
#include <string_view>

#include "device/device.h"
#include "device/shader.h"
#include "device/texture.h"
#include "painter/effect_table.h"
#include "painter/painter_state.h"

namespace bw::painter {

class EffectDraw {
 public:
  // The effect that loading put in the row's member.
  EffectDraw(PainterState& state, Effect effect);
  // `shader` as an effect of the row of `effect` (a plan's own shape effect).
  EffectDraw(PainterState& state, Effect effect, device::Shader* shader);

  // False when the effect did not load: the pass then leaves its drawing out.
  explicit operator bool() const { return shader_ != nullptr; }

  // Binds `texture` to the sampler of slot `slot`.
  EffectDraw& texture(int slot, device::Texture* texture);
  // Binds `in_slot_order` to slots 0, 1, ... in turn.
  EffectDraw& textures(std::initializer_list<device::Texture*> in_slot_order);
  // Sets parameter `name` to one float, a colour or four floats.
  EffectDraw& set(std::string_view name, float value);
  EffectDraw& set(std::string_view name, const Colour& value);
  EffectDraw& set(std::string_view name, const Vec4& value);

  // Makes the effect current on the device and draws the full-target quad.
  void draw();
  // Draws the full-target quad again, the effect still current.
  void draw_again();
  // Makes the effect current on the device, for a pass that draws its own quad.
  void use();

 private:
  void set_floats(std::string_view name, int floats, const Vec4& values);

  device::Device& device_;
  const EffectRow& row_;
  device::Shader* shader_;
};

}  // namespace bw::painter
