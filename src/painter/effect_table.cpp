#include "painter/effect_table.h"

namespace bw::painter {

const std::vector<EffectRow>& effect_table() {
  static const std::vector<EffectRow> kTable = {
      {"paint.bsf", 5,
       {{"alpha", 1}, {"beta", 1}, {"gamma", 1}, {"param", 4}, {"atr1", 4}, {"patr1", 4},
        {"time", 1}}},
      {"formgen.bsf", 3,
       {{"atr1", 4}, {"f1", 4}, {"f2", 4}, {"f3", 4}, {"f4", 4}, {"layer", 1}}},
      {"formgen_out.bsf", 6,
       {{"atr1", 4}, {"patr1", 4}, {"alpha", 1}, {"layer", 1}, {"time", 1}, {"dev", 1}}},
      {"background.bsf", 3,
       {{"atr1", 4}, {"f1", 4}, {"f2", 4}, {"f3", 4}, {"f4", 4}, {"alpha", 1}}},
      {"filter.bsf", 2,
       {{"_pass", 1}, {"alpha", 1}, {"delta", 1}, {"scale", 1}, {"mask", 4}}},
      {"color.bsf", 0, {}},
      {"visual.bsf", 2, {{"alpha", 1}, {"beta", 1}}},
      {"reveal.bsf", 2, {{"alpha", 1}, {"tile", 4}}},
      {"reveal_plan.bsf", 1, {{"seed", 4}}},
      {"reveal_fill.bsf", 2, {}},
      {"color_out.bsf", 8,
       {{"atr1", 4}, {"alpha", 1}, {"shift", 1}, {"bump", 1}, {"surface", 1},
        {"fg_color", 3}, {"bg_color", 3}, {"a", 1}}},
      {"surface_out.bsf", 8, {{"atr1", 4}, {"alpha", 1}, {"bump1", 1}, {"bump2", 1}}},
      // shift is four floats read from the description in place: BUMP0, BLOOR, FLTR1, FLTR2
      {"colorgen.bsf", 7,
       {{"atr1", 4}, {"alpha", 1}, {"shift", 4}, {"fon", 1}, {"facture", 1}, {"surface", 1},
        {"layer", 1}, {"fg_color", 3}, {"bg_color", 3}}},
      {"silhouette.bsf", 1, {{"s", 1}, {"layer", 1}, {"atr1", 4}}},
      {"deriv.bsf", 2, {{"s", 1}, {"m", 1}}},
  };
  return kTable;
}

const EffectRow* effect_row(std::string_view file) {
  // formgen.N.bsf: the per-plan shapes take what formgen.bsf takes.
  if (file.starts_with("formgen.") && file != "formgen_out.bsf") file = "formgen.bsf";
  for (const EffectRow& row : effect_table()) {
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
