#include "host/saver_app.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "device/gl/gl_backend.h"
#include "device/texture.h"
#include "host/engine_host.h"
#include "host/headless_render.h"
#include "host/saver_loop.h"
#include "host/x11_window.h"
#include "painter/engine.h"
#include "painter/held_frame.h"
#include "platform/diagnostics.h"

namespace bw::host {
namespace fs = std::filesystem;

namespace {

std::string program_dir() {
  std::error_code error;
  const fs::path exe = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string(".") : exe.parent_path().string();
}

// The engine as the main loop sees it.
class EngineFrames final : public FrameSource {
 public:
  explicit EngineFrames(painter::PainterState& state) : state_(state) {}
  void render_frame() override { host::render_frame(state_); }
  bool render_changed_frame() override {
    device::Device& device = *state_.device;
    device.begin_frame();
    // No clear: the display pass covers the whole back buffer with blending off, and a
    // frame that shows nothing new needs no clear at all.
    const bool changed = painter::draw_frame_if_changed(state_);
    device.end_frame();
    if (changed) device.present();
    return changed;
  }
  bool frame_is_static() override { return painter::frame_is_held(state_); }
  void skip_frame() override { painter::skip_undrawn_frame(state_); }
  void resize(int width, int height) override { state_.device->resize(width, height); }

 private:
  painter::PainterState& state_;
};

}  // namespace

DebugChecks debug_checks() {
  DebugChecks checks;
  const char* words = std::getenv("BRUSHWRIGHT_DEBUG");
  if (words == nullptr) return checks;
  std::string list = std::string(",") + words + ",";
  checks.every_frame = list.find(",every-frame,") != std::string::npos;
  checks.gl_check = list.find(",gl-check,") != std::string::npos;
  checks.phases = list.find(",phases,") != std::string::npos;
  return checks;
}

std::optional<long> resident_kb() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return std::nullopt;
  char line[256];
  std::optional<long> resident;
  for (long kb = 0; std::fgets(line, sizeof line, status) != nullptr;) {
    if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) {
      resident = kb;
      break;
    }
  }
  std::fclose(status);
  return resident;
}

bool report_checks(device::GlBackend& gl, int picture) {
  const std::string errors = gl.take_errors();
  if (!errors.empty()) {
    diag::message("brushwright: GL errors by picture %d: %s", picture, errors.c_str());
    return false;
  }
  if (const auto kb = resident_kb()) {
    diag::message("brushwright: picture %d: no GL error, resident %ld kB", picture, *kb);
  } else {
    diag::message("brushwright: picture %d: no GL error, resident memory unknown", picture);
  }
  return true;
}

std::string default_install_dir() {
  const fs::path here = program_dir();
  const std::string candidates[] = {
      (here / ".." / "share" / "brushwright").lexically_normal().string(),
      (here / ".." / ".." / "share" / "brushwright").lexically_normal().string(),
      BW_BUILD_TREE,
  };
  for (const auto& candidate : candidates)
    if (has_picture_data(candidate)) return candidate;
  return candidates[0];
}

Settings effective_settings(const SaverOptions& options, SettingsStorage& storage) {
  Settings settings;
  read_settings(storage, settings);
  const bool path_set = storage.open_key() && storage.read_text("PATH").has_value();
  if (!path_set) settings.install_path = default_install_dir();
  if (options.speed) settings.speed = *parse_seconds_or_speed(*options.speed);
  if (options.delay) settings.delay = *parse_seconds_or_speed(*options.delay);
  return settings;
}

int run_on_window(const SaverOptions& options, const Settings& settings,
                  std::shared_ptr<assets::Installation> installation) {
  if (!check_picture_data(settings)) return 1;
  std::string error;
  auto window = X11Window::open(options, error);
  if (!window) {
    diag::message("brushwright: %s", error.c_str());
    return 1;
  }
  install_stop_signals();

  // A preview paints at 1024 x 1024 whatever its window's size, and starts about a second
  // after the window appeared.
  PaintingTarget target{window->window(), window->width(), window->height()};
  if (window->preview()) {
    target.width = target.height = 1024;
    const auto start = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!g_stop_requested && std::chrono::steady_clock::now() < start) {
      window->wait(0.05);
      if (window->take_events().quit) return 0;
    }
  }

  device::GlBackendOptions backend_options;
  backend_options.x_display = window->display();
  backend_options.use_window = true;
  painter::PainterState state;
  const auto started =
      start_painting(state, options, settings, std::move(installation),
                     device::make_gl_backend(backend_options), target);
  if (started != painter::StartResult::started) {
    // A screen-saver manager (xscreensaver) that hands us its window starts a saver that
    // ended again at once, over and over: damaged or missing data stays so, so the window
    // is left blank until the manager ends the saver, which it then does at unblanking.
    const bool data_failure = started == painter::StartResult::no_assets ||
                              started == painter::StartResult::no_description;
    const bool managed = options.mode == SaverMode::root || options.mode == SaverMode::window_id;
    while (data_failure && managed && !g_stop_requested) {
      window->wait(0.25);
      if (window->take_events().quit) break;
    }
    return start_failure_status(started);
  }

  EngineFrames frames(state);
  LoopOptions loop;
  loop.max_fps = options.max_fps;
  loop.show_fps = options.show_fps;
  run_saver_loop(*window, frames, loop);
  state.device.reset();  // releases every texture and effect while the window still exists
  return 0;
}

int run_render(const SaverOptions& options, const Settings& settings,
               std::shared_ptr<assets::Installation> installation) {
  if (!check_picture_data(settings)) return 1;
  install_stop_signals();
  const DebugChecks debug = debug_checks();
  auto backend = device::make_gl_backend();
  device::GlBackend* gl = backend.get();  // owned by the device from here on
  RenderHooks hooks;
  hooks.stop_requested = [] { return g_stop_requested != 0; };
  hooks.after_picture = [&](int saved) { return !debug.gl_check || report_checks(*gl, saved); };
  hooks.every_frame = debug.every_frame;
  if (debug.phases) {
    hooks.mark_phase = [](const char* phase) {
      const auto now = std::chrono::system_clock::now().time_since_epoch();
      diag::message("brushwright: phase %s at %.6f", phase,
                    std::chrono::duration<double>(now).count());
    };
    hooks.mark_phase("start");
  }
  const int status =
      render_pictures(options, settings, std::move(installation), std::move(backend), hooks);
  if (hooks.mark_phase) hooks.mark_phase("ended");
  return status;
}

}  // namespace bw::host
