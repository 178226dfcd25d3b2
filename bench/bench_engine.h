// The painting engine as the benchmarks start it: the default picture from the stores of
// the build tree when the build has packed them (target "pictures"), else a small effect
// set of the tests; `what` says which.
#pragma once

#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "assets/installation.h"
#include "device/gl/gl_backend.h"
#include "device/texture.h"
#include "painter/engine.h"
#include "test_effect_set.h"

namespace bw::bench {

using bw::painter::PainterState;

struct Engine {
  PainterState state;
  bw::painter::SimulatedClock clock{60.0};
  std::map<std::string, std::vector<std::uint8_t>> files =
      bw::painter::testing::effect_set_files("Bench", "PLANS=3 BGCOLOR=2 FLTRFORM=1");

  std::string what;  // which picture is painted

  // The default picture from the stores of the build tree, when they exist.
  bool use_default_picture() {
    const std::string install = BW_BUILD_DIR;
    if (!std::filesystem::exists(install + "/data/Base3/Main")) return false;
    state.installation = std::make_shared<bw::assets::Installation>(install);
    bw::assets::Installation* data = state.installation.get();
    state.picture_name = "Tamsin";
    state.fetch = [data](const std::string& path) { return data->fetch_asset(path); };
    state.image_source.by_path =
        bw::device::image_readers_by_path({data->asset_fetcher(), install});
    state.image_source.by_store = [data](int number, int store_code, int& count) {
      int w = 0, h = 0;
      return data->fetch_store_image(number, store_code, w, h, count);
    };
    what = "default picture Tamsin";
    return true;
  }

  void use_test_effect_set() {
    what = "test effect set";
    state.picture_name = "Bench";
    state.fetch = [this](const std::string& path) -> std::optional<std::vector<std::uint8_t>> {
      auto it = files.find(path);
      if (it == files.end()) return std::nullopt;
      return it->second;
    };
    state.image_source.by_path = [](const std::string&, int& w, int& h) {
      w = h = 256;
      return std::optional(bw::painter::testing::pattern(256, 256, 3));
    };
    state.image_source.by_store = [](int number, int, int& count) {
      count = 100;
      return std::optional(
          bw::painter::testing::pattern(256, 256, static_cast<std::uint32_t>(number)));
    };
  }

  // Starts on `backend`, the headless GL backend when none is given.
  bool start(int width, int height, std::unique_ptr<bw::device::Backend> backend = nullptr) {
    state.clock = &clock;
    state.seed = 1;
    state.delay = 1e6f;  // held unless a new picture is forced
    state.render_width = state.target_width = width;
    state.render_height = state.target_height = height;
    if (!use_default_picture()) use_test_effect_set();
    if (!backend) backend = bw::device::make_gl_backend();
    return bw::painter::start_engine(state, std::move(backend), 0, false) ==
           bw::painter::StartResult::started;
  }

  // One frame as the main loop draws it, finished by a small read-back.
  void frame() {
    bw::device::Device& device = *state.device;
    device.begin_frame();
    device.clear(0, 0, 0);
    bw::painter::draw_frame(state);
    device.end_frame();
    device.present();
    std::vector<std::uint8_t> rgba;
    int w = 0, h = 0;
    device.read_texture(*state.work_256, rgba, w, h);
  }

  // Moves the phase to just before a reversal so that the next frame builds a picture.
  void force_new_picture() {
    auto& timing = state.timing;
    timing.hold_frames = 0;
    timing.last_direction = timing.direction;
    const double half_step = timing.phase_step / 2;
    timing.phase = (timing.direction > 0 ? std::numbers::pi / 2 : 3 * std::numbers::pi / 2) -
                   half_step;
  }
};

}  // namespace bw::bench
