// What the passes give each effect of a picture: its file, how many texture slots it is
// bound (texSampler0 up to slots - 1) and the parameters set on it by name, with how many
// floats each carries. The passes set exactly these names; a shipped effect may declare
// any of them and nothing else (the effect table test holds both sides to this table).
#pragma once

#include <string_view>
#include <vector>

namespace bw::painter {

struct EffectParam {
  std::string_view name;
  int floats;  // 1, 3 (a colour) or 4
};

struct EffectRow {
  std::string_view file;  // "formgen.bsf" stands for every formgen.N.bsf as well
  int slots;
  std::vector<EffectParam> params;
};

// Every effect file the engine loads, in the order of the effect set.
const std::vector<EffectRow>& effect_table();

// The row of `file` ("formgen.2.bsf" finds the formgen row); null when the engine does not
// load such a file.
const EffectRow* effect_row(std::string_view file);

// The row's parameter `name`, or null.
const EffectParam* effect_param(const EffectRow& row, std::string_view name);

}  // namespace bw::painter
