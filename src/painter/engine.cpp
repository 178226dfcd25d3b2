// Engine start-up: the device, the size of the working targets, every target and texture
// the engine uses for its whole life, the seed, the picture and its layers.
#include <cstdint>

#include "painter/effect_set.h"
#include "painter/engine.h"
#include "painter/image_search.h"
#include "painter/layer.h"

namespace bw::painter {

TargetSize size_targets(int width, int height, std::uint32_t max_texture_size,
                        unsigned video_memory_mb) {
  const float largest = static_cast<float>(max_texture_size);
  if (static_cast<float>(width) > largest) width = static_cast<int>(largest);
  if (static_cast<float>(height) > largest) height = static_cast<int>(largest);
  // 24 bytes per pixel for the full-size targets plus 16 MB for the rest, in whole MB.
  const std::int64_t need =
      (static_cast<std::int64_t>(width) * height * 24 + 16777216) / 1048576;
  if (video_memory_mb != 0 && static_cast<std::int64_t>(video_memory_mb) < need) {
    if (width > 1024) width = 1024;
    if (height > 1024) height = 1024;
  }
  return {width, height};
}

namespace {

// True when the installation's asset store has been found damaged (and has said so).
bool asset_store_damaged(PainterState& state) {
  return state.installation && state.installation->asset_store_damaged();
}

device::Texture* make_target(device::Device& device, int width, int height) {
  device::Texture* texture = device.create_texture();
  texture->create(width, height, device::kFilterModePoint, device::kAddressModeClamp);
  return texture;
}

}  // namespace

StartResult start_engine(PainterState& state, std::unique_ptr<device::Backend> backend,
                         std::uintptr_t window, bool fullscreen) {
  // A damaged asset store has said so in one line; the start-up then ends quietly instead
  // of reporting every asset it lacks.
  if (asset_store_damaged(state)) return StartResult::no_assets;
  if (state.before_device) state.before_device(state);
  state.device = std::make_unique<device::Device>(std::move(backend));
  device::Device& device = *state.device;
  if (device.create(window, state.render_width, state.render_height, 60, fullscreen) !=
      device::CreateStatus::created) {
    return StartResult::no_device;
  }
  if (state.mark_phase) state.mark_phase("graphics context");
  if (state.image_source.by_path || state.image_source.by_store) {
    device.set_image_source(state.image_source);
  }
  state.elapsed.attach(state.active_clock());

  if (state.target_width <= 0) state.target_width = state.render_width;
  if (state.target_height <= 0) state.target_height = state.render_height;
  const unsigned memory =
      state.video_memory_mb ? state.video_memory_mb() : device.video_memory_mb();
  TargetSize size =
      size_targets(state.target_width, state.target_height, device.max_texture_size(), memory);
  state.target_width = size.width;
  state.target_height = size.height;
  device.set_full_target_size(size.width, size.height);

  state.timing.progress = 0.0f;
  state.pass_constants[0] = {0.5f, 0.5f, 0.5f, 0.5f};
  state.pass_constants[1] = {0.5f, 0.5f, 0.0f, 0.5f};
  state.pass_constants[2] = {0.5f, 0.5f, 0.5f, state.base_scale};

  state.layer_seed = state.seed ? *state.seed : state.active_clock().tick_count();
  state.random.seed(state.layer_seed);

  const int w = state.target_width;
  const int h = state.target_height;
  state.canvas_a = make_target(device, w, h);
  state.canvas_b = make_target(device, w, h);
  state.final_a = make_target(device, w, h);
  state.final_b = make_target(device, w, h);
  state.work_a = make_target(device, w, h);
  state.work_b = make_target(device, w, h);
  state.work_1024 = make_target(device, 1024, 1024);
  state.work_256 = make_target(device, 256, 256);

  for (device::Texture** facture :
       {&state.facture_1, &state.facture_2, &state.facture_3, &state.facture_4}) {
    *facture = device.create_texture();
    load_any_facture(state, *facture, kFirstFacture);
  }
  state.oil_texture = device.create_texture();
  detail::load_named(*state.oil_texture, kCanvasImagePath);
  state.plain_1 = device.create_texture();
  state.plain_2 = device.create_texture();
  state.sig3_texture = device.create_texture();
  detail::load_named(*state.sig3_texture, kSignatureImagePath);
  if (state.mark_phase) state.mark_phase("targets and textures");

  if (!read_picture_description(state, state.picture_name)) {
    return asset_store_damaged(state) ? StartResult::no_assets : StartResult::no_description;
  }

  if (state.mark_phase) state.mark_phase("description and effects");
  const int plans = state.plans();
  for (int i = 0; i < plans; ++i) {
    state.layers[static_cast<std::size_t>(i)] = std::make_unique<Layer>(state, i);
  }

  state.first_layer_a = state.layers[0]->colour_tex_a;
  state.first_layer_b = state.layers[0]->colour_tex_b;
  if (plans > 1) {
    state.last_layer_a = state.layers[static_cast<std::size_t>(plans - 1)]->colour_tex_a;
    state.last_layer_b = state.layers[static_cast<std::size_t>(plans - 1)]->colour_tex_b;
  } else {
    state.last_layer_a = state.plain_1;
    state.last_layer_b = state.plain_2;
  }
  state.facture_cur = state.facture_1;
  state.facture_other = state.facture_2;
  state.facture2_cur = state.facture_3;
  state.facture2_other = state.facture_4;
  if (state.mark_phase) state.mark_phase("layers");
  return StartResult::started;
}

}  // namespace bw::painter
