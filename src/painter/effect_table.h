// The effects of a picture, one row each: the file the engine loads, the member of
// PainterState it fills, how many texture slots the passes bind (texSampler0 up to
// slots - 1) and the parameters they set by name, with how many floats each carries.
// Loading fills the members from these rows and the passes bind and set through them
// (effect_draw.h), so a name is spelled once, in `param` below. A shipped effect may
// declare any of its row's names and nothing else (the effect table test holds the
// shipped sources to this).
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "device/shader.h"
#include "painter/painter_state.h"

namespace bw::painter {

// The names of effect parameters, each spelled here only.
namespace param {
inline constexpr std::string_view a = "a";
inline constexpr std::string_view alpha = "alpha";
inline constexpr std::string_view atr1 = "atr1";
inline constexpr std::string_view beta = "beta";
inline constexpr std::string_view bg_color = "bg_color";
inline constexpr std::string_view bump = "bump";
inline constexpr std::string_view bump1 = "bump1";
inline constexpr std::string_view bump2 = "bump2";
inline constexpr std::string_view delta = "delta";
inline constexpr std::string_view dev = "dev";
inline constexpr std::string_view f1 = "f1";
inline constexpr std::string_view f2 = "f2";
inline constexpr std::string_view f3 = "f3";
inline constexpr std::string_view f4 = "f4";
inline constexpr std::string_view facture = "facture";
inline constexpr std::string_view fg_color = "fg_color";
inline constexpr std::string_view fon = "fon";
inline constexpr std::string_view gamma = "gamma";
inline constexpr std::string_view layer = "layer";
inline constexpr std::string_view m = "m";
inline constexpr std::string_view mask = "mask";
inline constexpr std::string_view pass = "_pass";
inline constexpr std::string_view patr1 = "patr1";
inline constexpr std::string_view s = "s";
inline constexpr std::string_view scale = "scale";
inline constexpr std::string_view seed = "seed";
inline constexpr std::string_view shift = "shift";
inline constexpr std::string_view surface = "surface";
inline constexpr std::string_view tile = "tile";
inline constexpr std::string_view time = "time";
inline constexpr std::string_view wave = "param";
// The four groups of sixteen animation values, in order.
inline constexpr std::array<std::string_view, 4> groups = {f1, f2, f3, f4};
}  // namespace param

// The effects, in the order of the table and of loading.
enum class Effect : int {
  paint,
  formgen,
  formgen_out,
  background,
  filter,
  color,
  visual,
  reveal,
  reveal_plan,
  reveal_fill,
  color_out,
  surface_out,
  colorgen,
  silhouette,
  deriv,
};
inline constexpr std::size_t kEffectCount = 15;

struct EffectParam {
  std::string_view name;
  int floats;  // 1, 3 (a colour) or 4
};

struct EffectRow {
  Effect effect;
  std::string_view file;  // "formgen.bsf" stands for every formgen.N.bsf as well
  // The member loading fills; null for formgen, whose effects fill formgen_effects, one
  // per plan.
  device::Shader* PainterState::*member;
  int slots;
  std::span<const EffectParam> params;
};

// Every effect file the engine loads, in the order of `Effect`.
std::span<const EffectRow, kEffectCount> effect_table();

// The row of `effect`.
const EffectRow& effect_row(Effect effect);

// The row of `file` ("formgen.2.bsf" finds the formgen row); null when the engine does not
// load such a file.
const EffectRow* effect_row(std::string_view file);

// The row's parameter `name`, or null.
const EffectParam* effect_param(const EffectRow& row, std::string_view name);

}  // namespace bw::painter
