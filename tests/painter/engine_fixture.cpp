#include "engine_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <span>
#include <sstream>

#include "bytecode/bsf.h"

namespace bw::painter::testing {

namespace {

// Every file of the effect table but the per-plan shapes.
std::vector<std::string> shared_effects() {
  std::vector<std::string> files;
  for (const EffectRow& row : effect_table()) {
    if (row.file != "formgen.bsf") files.emplace_back(row.file);
  }
  return files;
}

// An effect image declaring `params` in the pixel shader (one constant register each,
// `last` from the width) and texSampler0 .. slots - 1 on stages 0 .., with minimal code.
std::vector<std::uint8_t> effect_image(std::span<const EffectParam> params, int slots) {
  bytecode::BsfImage image;
  image.vs.code = {0xFFFE0300u, 0x0000FFFFu};
  image.ps.code = {0xFFFF0300u, 0x0000FFFFu};
  std::uint32_t reg = 0;
  for (const EffectParam& param : params) {
    image.ps.constants.push_back(
        {std::string(param.name), static_cast<std::uint32_t>(param.floats - 1), reg++});
  }
  for (int stage = 0; stage < slots; ++stage) {
    image.ps.samplers.push_back(
        {"texSampler" + std::to_string(stage), static_cast<std::uint32_t>(stage)});
  }
  std::string error;
  auto bytes = bytecode::write_bsf(image, error);
  EXPECT_TRUE(bytes) << error;
  return bytes ? *bytes : std::vector<std::uint8_t>{};
}

}  // namespace

const std::vector<std::string> kSharedEffects = shared_effects();

std::vector<std::uint8_t> test_effect_image() {
  // Every name of the table once, at the widest width any effect takes it with.
  std::vector<EffectParam> params;
  for (const EffectRow& row : effect_table()) {
    for (const EffectParam& param : row.params) {
      auto it = std::find_if(params.begin(), params.end(),
                             [&](const EffectParam& p) { return p.name == param.name; });
      if (it == params.end()) params.push_back(param);
      else it->floats = std::max(it->floats, param.floats);
    }
  }
  return effect_image(params, 8);
}

std::vector<std::uint8_t> test_effect_image(const std::string& file) {
  const EffectRow* row = effect_row(file);
  EXPECT_NE(row, nullptr) << file << " is not in the effect table";
  return row ? effect_image(row->params, row->slots) : std::vector<std::uint8_t>{};
}

std::string Event::brief() const {
  switch (kind) {
    case draw:
      return effect + "@" + target;
    case copy:
      return "copy " + target + ">" + destination;
    case load:
      return "load " + destination;
    case blend:
      return blend_on ? "blend on" : "blend off";
  }
  return "?";
}

std::vector<float> Event::param(const std::string& name) const {
  auto it = params.find(name);
  EXPECT_NE(it, params.end()) << "no parameter " << name << " in " << brief();
  return it == params.end() ? std::vector<float>{} : it->second;
}

EngineFixture::EngineFixture() {
  state.picture_name = "Test";
  state.clock = &clock;
  // The saver's pair: a fetch that reports what it cannot find, and a silent probe.
  auto fetch = [this](const std::string& path, bool report)
      -> std::optional<std::vector<std::uint8_t>> {
    fetched.push_back(path);
    auto it = files.find(path);
    if (it != files.end()) return it->second;
    if (report) reported.push_back(path);
    return std::nullopt;
  };
  state.fetch = [fetch](const std::string& path) { return fetch(path, true); };
  state.probe = [fetch](const std::string& path) { return fetch(path, false); };
  state.image_source.by_path = [this](const std::string& path, int& width, int& height)
      -> std::optional<assets::PixelBuffer> {
    if (named_images.count(path) == 0) return std::nullopt;
    width = 8;
    height = 4;
    return assets::PixelBuffer::allocate(8, 4);
  };
  state.image_source.by_store = [this](int number, int store_code, int& count)
      -> std::optional<assets::PixelBuffer> {
    const auto store = static_cast<ImageStore>(store_code);
    numbered_loads.emplace_back(store, number);
    if (store_missing) return std::nullopt;
    count = record_counts[store];
    if (broken.count({store, number}) != 0) return std::nullopt;
    return assets::PixelBuffer::allocate(4, 4);
  };
}

void EngineFixture::add_picture(const std::string& picture, const std::string& description,
                                int formgen_files) {
  const std::string folder = "data/shaders/" + picture + "/";
  files[folder + picture + ".hdr"] =
      std::vector<std::uint8_t>(description.begin(), description.end());
  const std::vector<std::uint8_t> effect = test_effect_image();
  for (int i = 0; i < formgen_files; ++i) {
    files[folder + "formgen." + std::to_string(i) + ".bsf"] = effect;
  }
  for (const std::string& file : kSharedEffects) files["data/shaders/" + file] = effect;
}

StartResult EngineFixture::start(int width, int height, std::uint32_t seed) {
  auto backend = std::make_unique<device::TraceBackend>();
  trace = backend.get();
  trace->capabilities.max_texture_width = max_texture;
  trace->capabilities.max_texture_height = max_texture;
  trace->video_memory = video_memory;
  trace->runtime_present = runtime_present;
  state.render_width = width;
  state.render_height = height;
  state.target_width = width;
  state.target_height = height;
  state.seed = seed;
  StartResult result = start_engine(state, std::move(backend), 0, false);
  refresh_names();
  return result;
}

std::vector<Event> EngineFixture::frame() {
  refresh_names();
  trace->clear_calls();
  draw_frame(state);
  return decode();
}

std::vector<std::string> EngineFixture::briefs(const std::vector<Event>& events) {
  std::vector<std::string> out;
  for (const Event& event : events) out.push_back(event.brief());
  return out;
}

std::string EngineFixture::texture_name(const device::Texture* texture) const {
  if (texture == nullptr) return "none";
  const std::pair<const device::Texture*, const char*> named[] = {
      {state.canvas_a, "canvas_a"},   {state.canvas_b, "canvas_b"},
      {state.final_a, "final_a"},     {state.final_b, "final_b"},
      {state.work_a, "work_a"},       {state.work_b, "work_b"},
      {state.work_1024, "work_1024"}, {state.work_256, "work_256"},
      {state.scratch_target, "scratch"}, {state.facture_1, "facture_1"},
      {state.facture_2, "facture_2"}, {state.facture_3, "facture_3"},
      {state.facture_4, "facture_4"}, {state.oil_texture, "oil"},
      {state.plain_1, "plain_1"},     {state.plain_2, "plain_2"},
      {state.sig3_texture, "sig3"},   {state.reveal_plan_target, "reveal_plan"}};
  for (const auto& [candidate, name] : named) {
    if (candidate == texture) return name;
  }
  for (std::size_t i = 0; i < state.layers.size(); ++i) {
    const Layer* layer = state.layers[i].get();
    if (layer == nullptr) continue;
    const std::pair<const device::Texture*, const char*> own[] = {
        {layer->form_tex_a, "form_a"},       {layer->form_tex_b, "form_b"},
        {layer->facture_tex_a, "facture_a"}, {layer->facture_tex_b, "facture_b"},
        {layer->colour_tex_a, "colour_a"},   {layer->colour_tex_b, "colour_b"}};
    for (const auto& [candidate, name] : own) {
      if (candidate == texture) return "L" + std::to_string(i) + "." + name;
    }
  }
  return "?";
}

void EngineFixture::refresh_names() {
  if (!state.device) return;
  for (const device::Texture* texture : state.device->textures()) {
    if (texture->handle() != 0) texture_handles_[texture->handle()] = texture_name(texture);
    if (texture->surface() != 0) surface_handles_[texture->surface()] = texture_name(texture);
  }
  if (trace != nullptr && trace->back_buffer != 0) surface_handles_[trace->back_buffer] = "back";
}

namespace {

std::string lookup(const std::map<std::uint32_t, std::string>& names, double handle) {
  auto it = names.find(static_cast<std::uint32_t>(handle));
  return it == names.end() ? "#" + std::to_string(static_cast<std::uint32_t>(handle))
                           : it->second;
}

}  // namespace

std::vector<Event> EngineFixture::decode() {
  refresh_names();
  // Programs by handle, with the name of the effect member that holds them.
  std::map<std::uint32_t, std::pair<std::string, const device::Shader*>> programs;
  auto add = [&](const device::Shader* shader, const std::string& name) {
    if (shader != nullptr && programs.count(shader->program()) == 0) {
      programs[shader->program()] = {name, shader};
    }
  };
  for (std::size_t i = 0; i < state.formgen_effects.size(); ++i) {
    add(state.formgen_effects[i], "formgen." + std::to_string(i));
  }
  add(state.paint_effect, "paint");
  add(state.formgen_out_effect, "formgen_out");
  add(state.background_effect, "background");
  add(state.filter_effect, "filter");
  add(state.color_effect, "color");
  add(state.visual_effect, "visual");
  add(state.reveal_effect, "reveal");
  add(state.reveal_plan_effect, "reveal_plan");
  add(state.reveal_fill_effect, "reveal_fill");
  add(state.color_out_effect, "color_out");
  add(state.surface_out_effect, "surface_out");
  add(state.colorgen_effect, "colorgen");
  add(state.silhouette_effect, "silhouette");
  add(state.deriv_effect, "deriv");

  std::vector<Event> events;
  std::string target = "back";
  std::uint32_t program = 0;
  std::map<std::uint32_t, std::vector<float>> constants;
  std::map<int, std::uint32_t> stages;
  for (const device::TraceCall& call : trace->calls) {
    const std::vector<double>& a = call.args;
    if (call.name == "set_render_target") {
      target = lookup(surface_handles_, a[0]);
    } else if (call.name == "set_program") {
      program = static_cast<std::uint32_t>(a[0]);
      constants.clear();
      stages.clear();
    } else if (call.name == "set_pixel_constant") {
      constants[static_cast<std::uint32_t>(a[0])] = {float(a[1]), float(a[2]), float(a[3]),
                                                     float(a[4])};
    } else if (call.name == "set_texture") {
      stages[static_cast<int>(a[0])] = static_cast<std::uint32_t>(a[1]);
    } else if (call.name == "draw_quad") {
      Event event;
      event.kind = Event::draw;
      event.target = target;
      auto found = programs.find(program);
      event.effect = found == programs.end() ? "#" + std::to_string(program) : found->second.first;
      for (const auto& [stage, handle] : stages) {
        if (handle != 0) event.slots[stage] = lookup(texture_handles_, handle);
      }
      if (found != programs.end()) {
        for (const device::ShaderConstant& c : found->second.second->pixel_constants()) {
          const std::vector<float>& v = constants[c.reg];
          if (v.size() != 4) continue;
          event.params[c.name] = std::vector<float>(v.begin(), v.begin() + c.last + 1);
        }
      }
      for (double value : a) event.vertices.push_back(static_cast<float>(value));
      events.push_back(std::move(event));
      stages.clear();
    } else if (call.name == "stretch_rect") {
      Event event;
      event.kind = Event::copy;
      event.target = lookup(surface_handles_, a[0]);
      event.destination = lookup(surface_handles_, a[1]);
      events.push_back(std::move(event));
    } else if (call.name == "update_texture") {
      Event event;
      event.kind = Event::load;
      event.destination = lookup(texture_handles_, a[0]);
      events.push_back(std::move(event));
    } else if (call.name == "set_render_state" &&
               static_cast<std::uint32_t>(a[0]) ==
                   static_cast<std::uint32_t>(device::RenderState::alpha_blend_enable)) {
      Event event;
      event.kind = Event::blend;
      event.blend_on = a[1] != 0.0;
      events.push_back(std::move(event));
    }
  }
  return events;
}

std::vector<Event> draws_of(const std::vector<Event>& events, const std::string& effect) {
  std::vector<Event> out;
  for (const Event& event : events) {
    if (event.kind == Event::draw && event.effect == effect) out.push_back(event);
  }
  return out;
}

}  // namespace bw::painter::testing
