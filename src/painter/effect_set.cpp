// The picture description and the effect set: the picture folder first, the shared folder
// data/shaders/ for what it lacks; the per-plan shape effects come from the picture folder
// only.
#include <cstdio>

#include "painter/engine.h"
#include "platform/diagnostics.h"

namespace bw::painter {

namespace {

// A new Shader loaded from `path` through `fetch`; null (the Shader released again) when the
// file cannot be fetched or does not load.
device::Shader* load_shader_from(PainterState& state, const std::string& path,
                                 const AssetFetcher& fetch) {
  device::Shader* shader = state.device->create_shader();
  std::optional<std::vector<std::uint8_t>> bytes;
  if (fetch) bytes = fetch(path);
  if (bytes && shader->load(bytes->data(), bytes->size())) return shader;
  shader->release();
  return nullptr;
}

// The effect from the first of two places that has it. While one place has it a miss in
// the other is no news: a picture takes what it lacks from the shared folder. Only when
// both lack it is each miss reported (with no probe, every miss is).
device::Shader* load_from_either(PainterState& state, const std::string& first,
                                 const std::string& second) {
  if (state.probe) {
    if (device::Shader* shader = load_shader_from(state, first, state.probe)) return shader;
    if (device::Shader* shader = load_shader_from(state, second, state.probe)) {
      // The second place is the shared folder, or for the first shape effect the
      // picture's own unnumbered one.
      const bool shared = second.find('/', std::string("data/shaders/").size()) == std::string::npos;
      if (state.tell_shared_effects)
        diag::message("effect %s: the %s copy from \"%s\"",
                      first.substr(first.rfind('/') + 1).c_str(), shared ? "shared" : "picture's",
                      second.c_str());
      return shader;
    }
  }
  if (device::Shader* shader = load_shader_from(state, first, state.fetch)) return shader;
  return load_shader_from(state, second, state.fetch);
}

// A per-plan effect that may be absent: the plan then shares its neighbour's, so the miss
// is reported only when every miss is.
device::Shader* load_optional(PainterState& state, const std::string& path) {
  return load_shader_from(state, path, state.probe ? state.probe : state.fetch);
}

void release_effect(device::Shader*& effect) {
  if (effect != nullptr) effect->release();
  effect = nullptr;
}

}  // namespace

device::Shader* load_effect(PainterState& state, const std::string& file) {
  std::string shared = "data/shaders/" + file;
  if (!state.description) return load_shader_from(state, shared, state.fetch);
  return load_from_either(state, "data/shaders/" + state.description->name + "/" + file, shared);
}

void load_shader_set(PainterState& state) {
  // Neighbouring plans may share one Shader: release each only once.
  for (std::size_t i = 0; i < state.formgen_effects.size(); ++i) {
    device::Shader* shader = state.formgen_effects[i];
    if (shader == nullptr) continue;
    for (auto& slot : state.formgen_effects) {
      if (slot == shader) slot = nullptr;
    }
    shader->release();
  }
  release_effect(state.paint_effect);
  state.paint_effect = load_effect(state, "paint.bsf");

  const std::string& name = state.description ? state.description->name : state.picture_name;
  const std::string folder = "data/shaders/" + name + "/";
  for (int i = 0; i < state.plans(); ++i) {
    char file[32];
    std::snprintf(file, sizeof file, "formgen.%d.bsf", i);
    if (i == 0) {
      // The first plan falls back to the picture's own unnumbered shape effect only.
      state.formgen_effects[0] = load_from_either(state, folder + file, folder + "formgen.bsf");
    } else if (device::Shader* own = load_optional(state, folder + file)) {
      state.formgen_effects[i] = own;
    } else {
      if (state.tell_shared_effects)
        diag::message("effect %s: none of its own; plan %d shares the shape effect of plan %d",
                      file, i, i - 1);
      state.formgen_effects[i] = state.formgen_effects[i - 1];
    }
  }

  struct Member {
    device::Shader* PainterState::*effect;
    const char* file;
  };
  static constexpr Member kMembers[] = {
      {&PainterState::formgen_out_effect, "formgen_out.bsf"},
      {&PainterState::background_effect, "background.bsf"},
      {&PainterState::filter_effect, "filter.bsf"},
      {&PainterState::color_effect, "color.bsf"},
      {&PainterState::visual_effect, "visual.bsf"},
      {&PainterState::reveal_effect, "reveal.bsf"},
      {&PainterState::reveal_plan_effect, "reveal_plan.bsf"},
      {&PainterState::reveal_fill_effect, "reveal_fill.bsf"},
      {&PainterState::color_out_effect, "color_out.bsf"},
      {&PainterState::surface_out_effect, "surface_out.bsf"},
      {&PainterState::colorgen_effect, "colorgen.bsf"},
      {&PainterState::silhouette_effect, "silhouette.bsf"},
      {&PainterState::deriv_effect, "deriv.bsf"},
  };
  for (const Member& member : kMembers) {
    release_effect(state.*member.effect);
    state.*member.effect = load_effect(state, member.file);
  }
}

bool read_picture_description(PainterState& state, const std::string& picture_name) {
  std::optional<PictureDescription> description =
      fetch_picture_description(state.fetch, picture_name);
  if (!description) return false;
  state.description = std::move(*description);
  load_shader_set(state);
  return true;
}

}  // namespace bw::painter
