#include "painter/effect_table.h"

namespace bw::painter {

namespace {

namespace p = param;

constexpr EffectParam kPaint[] = {{p::alpha, 1}, {p::beta, 1},  {p::gamma, 1}, {p::wave, 4},
                                  {p::atr1, 4},  {p::patr1, 4}, {p::time, 1}};
constexpr EffectParam kFormgen[] = {{p::atr1, 4}, {p::f1, 4}, {p::f2, 4},
                                    {p::f3, 4},   {p::f4, 4}, {p::layer, 1}};
constexpr EffectParam kFormgenOut[] = {{p::atr1, 4},  {p::patr1, 4}, {p::alpha, 1},
                                       {p::layer, 1}, {p::time, 1},  {p::dev, 1}};
constexpr EffectParam kBackground[] = {{p::atr1, 4}, {p::f1, 4}, {p::f2, 4},
                                       {p::f3, 4},   {p::f4, 4}, {p::alpha, 1}};
constexpr EffectParam kFilter[] = {
    {p::pass, 1}, {p::alpha, 1}, {p::delta, 1}, {p::scale, 1}, {p::mask, 4}};
constexpr EffectParam kVisual[] = {{p::alpha, 1}, {p::beta, 1}};
constexpr EffectParam kReveal[] = {{p::alpha, 1}, {p::tile, 4}};
constexpr EffectParam kRevealPlan[] = {{p::seed, 4}};
constexpr EffectParam kColorOut[] = {{p::atr1, 4},     {p::alpha, 1},   {p::shift, 1},
                                     {p::bump, 1},     {p::surface, 1}, {p::fg_color, 3},
                                     {p::bg_color, 3}, {p::a, 1}};
constexpr EffectParam kSurfaceOut[] = {{p::atr1, 4}, {p::alpha, 1}, {p::bump1, 1}, {p::bump2, 1}};
// shift is four floats read from the description in place: BUMP0, BLOOR, FLTR1, FLTR2
constexpr EffectParam kColorgen[] = {{p::atr1, 4},  {p::alpha, 1},    {p::shift, 4},
                                     {p::fon, 1},   {p::facture, 1},  {p::surface, 1},
                                     {p::layer, 1}, {p::fg_color, 3}, {p::bg_color, 3}};
constexpr EffectParam kSilhouette[] = {{p::s, 1}, {p::layer, 1}, {p::atr1, 4}};
constexpr EffectParam kDeriv[] = {{p::s, 1}, {p::m, 1}};

using P = PainterState;
constexpr EffectRow kTable[] = {
    {Effect::paint, "paint.bsf", &P::paint_effect, 5, kPaint},
    {Effect::formgen, "formgen.bsf", nullptr, 3, kFormgen},
    {Effect::formgen_out, "formgen_out.bsf", &P::formgen_out_effect, 6, kFormgenOut},
    {Effect::background, "background.bsf", &P::background_effect, 3, kBackground},
    {Effect::filter, "filter.bsf", &P::filter_effect, 2, kFilter},
    {Effect::color, "color.bsf", &P::color_effect, 0, {}},
    {Effect::visual, "visual.bsf", &P::visual_effect, 2, kVisual},
    {Effect::reveal, "reveal.bsf", &P::reveal_effect, 2, kReveal},
    {Effect::reveal_plan, "reveal_plan.bsf", &P::reveal_plan_effect, 1, kRevealPlan},
    {Effect::reveal_fill, "reveal_fill.bsf", &P::reveal_fill_effect, 2, {}},
    {Effect::color_out, "color_out.bsf", &P::color_out_effect, 8, kColorOut},
    {Effect::surface_out, "surface_out.bsf", &P::surface_out_effect, 8, kSurfaceOut},
    {Effect::colorgen, "colorgen.bsf", &P::colorgen_effect, 7, kColorgen},
    {Effect::silhouette, "silhouette.bsf", &P::silhouette_effect, 1, kSilhouette},
    {Effect::deriv, "deriv.bsf", &P::deriv_effect, 2, kDeriv},
};
static_assert(std::size(kTable) == kEffectCount);

// Each row sits at the index of its effect, so a lookup by effect is an index.
constexpr bool rows_in_effect_order() {
  for (std::size_t i = 0; i < std::size(kTable); ++i) {
    if (kTable[i].effect != static_cast<Effect>(i)) return false;
  }
  return true;
}
static_assert(rows_in_effect_order());

}  // namespace

std::span<const EffectRow, kEffectCount> effect_table() { return kTable; }

const EffectRow& effect_row(Effect effect) { return kTable[static_cast<std::size_t>(effect)]; }

const EffectRow* effect_row(std::string_view file) {
  // formgen.N.bsf: the per-plan shapes take what formgen.bsf takes.
  if (file.starts_with("formgen.") && file != "formgen_out.bsf") file = "formgen.bsf";
  for (const EffectRow& row : kTable) {
    if (row.file == file) return &row;
  }
  return nullptr;
}

const EffectParam* effect_param(const EffectRow& row, std::string_view name) {
  for (const EffectParam& param : row.params) {
    if (param.name == name) return &param;
  }
  return nullptr;
}

}  // namespace bw::painter
