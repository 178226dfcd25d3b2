#include "host/saver_app.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "assets/png_writer.h"
#include "device/gl/gl_backend.h"
#include "device/texture.h"
#include "host/contact_sheet.h"
#include "host/engine_host.h"
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

void configure_state(painter::PainterState& state, const SaverOptions& options,
                     const Settings& settings) {
  state.picture_name = options.picture;
  state.speed = settings.speed;
  state.delay = settings.delay;
  state.seed = options.seed;
  use_installation(state, settings.install_path);
  // --verbose: every effect a picture takes from the shared folder is named.
  if (options.verbose) state.probe = nullptr;
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

int report_start_failure(painter::StartResult result, const SaverOptions& options,
                         const Settings& settings) {
  if (result == painter::StartResult::no_description) {
    diag::message("brushwright: no description of the picture \"%s\" under \"%s/data\"",
                  options.picture.c_str(), settings.install_path.c_str());
    return 255;  // the saver ends as with exit(-1)
  }
  if (result == painter::StartResult::no_assets) return 1;  // the asset layer said where
  // The device layer has said why (no usable graphics runtime, or unsupported hardware).
  diag::say("brushwright: no graphics device, nothing painted");
  return 1;
}

// Checks for development and soak runs, from the words of BRUSHWRIGHT_DEBUG (separated by
// commas): "every-frame" draws every frame of a headless run, held ones included, as a
// window would; "gl-check" reports after each picture the GL errors raised so far (one ends
// the run) and the resident memory.
struct DebugChecks {
  bool every_frame = false;
  bool gl_check = false;
};

DebugChecks debug_checks() {
  DebugChecks checks;
  const char* words = std::getenv("BRUSHWRIGHT_DEBUG");
  if (words == nullptr) return checks;
  std::string list = std::string(",") + words + ",";
  checks.every_frame = list.find(",every-frame,") != std::string::npos;
  checks.gl_check = list.find(",gl-check,") != std::string::npos;
  return checks;
}

// Resident memory of this process in kB (VmRSS), or -1 when it cannot be read.
long resident_kb() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, status) != nullptr)
    if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
  std::fclose(status);
  return kb;
}

// The gl-check report after picture `picture`; false when GL raised an error.
bool report_checks(device::GlBackend& gl, int picture) {
  const std::string errors = gl.take_errors();
  if (!errors.empty()) {
    diag::message("brushwright: GL errors by picture %d: %s", picture, errors.c_str());
    return false;
  }
  diag::message("brushwright: picture %d: no GL error, resident %ld kB", picture,
                resident_kb());
  return true;
}

bool check_data(const Settings& settings) {
  if (has_picture_data(settings.install_path)) return true;
  diag::message("brushwright: no picture data in \"%s/data\" (set PATH= in the "
                "settings file, or install the data)", settings.install_path.c_str());
  return false;
}

}  // namespace

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

int run_on_window(const SaverOptions& options, const Settings& settings) {
  if (!check_data(settings)) return 1;
  std::string error;
  auto window = X11Window::open(options, error);
  if (!window) {
    diag::message("brushwright: %s", error.c_str());
    return 1;
  }
  install_stop_signals();

  painter::PainterState state;
  configure_state(state, options, settings);
  // A preview paints at 1024 x 1024 whatever its window's size, and starts about a second
  // after the window appeared.
  if (window->preview()) {
    state.render_width = state.render_height = 1024;
    const auto start = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!g_stop_requested && std::chrono::steady_clock::now() < start) {
      window->wait(0.05);
      if (window->take_events().quit) return 0;
    }
  } else {
    state.render_width = window->width();
    state.render_height = window->height();
  }
  state.target_width = state.render_width;
  state.target_height = state.render_height;

  device::GlBackendOptions backend_options;
  backend_options.x_display = window->display();
  backend_options.use_window = true;
  const auto result = painter::start_engine(state, device::make_gl_backend(backend_options),
                                            window->window(), false);
  if (result != painter::StartResult::started)
    return report_start_failure(result, options, settings);

  EngineFrames frames(state);
  LoopOptions loop;
  loop.max_fps = options.max_fps;
  loop.show_fps = options.show_fps;
  run_saver_loop(*window, frames, loop);
  state.device.reset();  // releases every texture and effect while the window still exists
  return 0;
}

int run_render(const SaverOptions& options, const Settings& settings) {
  if (!check_data(settings)) return 1;
  std::error_code fs_error;
  fs::create_directories(options.render_dir, fs_error);
  if (fs_error) {
    diag::message("brushwright: cannot create \"%s\": %s", options.render_dir.c_str(),
                  fs_error.message().c_str());
    return 1;
  }
  install_stop_signals();
  const DebugChecks debug = debug_checks();

  painter::PainterState state;
  SaverOptions seeded = options;
  if (!seeded.seed) seeded.seed = static_cast<uint32_t>(std::time(nullptr));
  configure_state(state, seeded, settings);
  painter::SimulatedClock clock(60.0, 0, *seeded.seed);
  state.clock = &clock;
  state.render_width = state.target_width = options.width;
  state.render_height = state.target_height = options.height;
  auto backend = device::make_gl_backend();
  device::GlBackend* gl = backend.get();  // owned by the device from here on
  const auto result = painter::start_engine(state, std::move(backend), 0, false);
  if (result != painter::StartResult::started)
    return report_start_failure(result, options, settings);

  auto save = [&](const assets::PixelBuffer& image, const std::string& path) {
    std::string error;
    if (assets::save_png(image, path, &error)) return true;
    diag::message("brushwright: cannot write \"%s\": %s", path.c_str(), error.c_str());
    return false;
  };
  auto sheet_failed = [](const std::string& error) {
    diag::message("brushwright: contact sheet: %s", error.c_str());
    return 1;
  };
  const std::string sheet_path = (fs::path(options.render_dir) / "contact-sheet.png").string();
  ContactSheet sheet;
  std::string sheet_error;
  // The captures have the size of the working targets.
  if (!sheet.open(sheet_path, options.pictures, state.target_width, state.target_height,
                  &sheet_error))
    return sheet_failed(sheet_error);

  int saved = 0;
  bool film = false;  // writing the displayed frames of the first whole cycle
  long film_frames = 0;
  // A film needs the whole cycle after the first picture, so it runs to the second capture.
  const int captures_wanted = options.frames ? std::max(options.pictures, 2) : options.pictures;
  EngineFrames frames(state);
  // Enough frames for the wanted cycles at any speed and delay the options allow, and a
  // bound against a picture that never comes.
  for (long frame = 0; frame < 5'000'000 && state.pictures_built < captures_wanted; ++frame) {
    if (g_stop_requested) return 1;
    // Unless the frames are filmed nobody sees the display: only the frames that build a
    // picture are drawn, the others only run their timing. The pictures come out the same.
    if (!film && !debug.every_frame && !painter::frame_builds_picture(state)) {
      painter::skip_undrawn_frame(state);
      continue;
    }
    const int built = state.pictures_built;
    const auto began = std::chrono::steady_clock::now();
    frames.render_frame();
    if (film && state.pictures_built == built) {
      assets::PixelBuffer shown;
      if (state.device->read_back_buffer(shown.rgba, shown.width, shown.height)) {
        char name[64];
        std::snprintf(name, sizeof name, "frame-%05ld.png", ++film_frames);
        if (!save(shown, (fs::path(options.render_dir) / name).string())) return 1;
      }
    }
    if (state.pictures_built == built) continue;
    // The film runs from the first capture to the second.
    film = options.frames && state.pictures_built == 1;
    if (saved >= options.pictures) continue;
    const double ms = std::chrono::duration<double, std::milli>(
                          std::chrono::steady_clock::now() - began).count();
    assets::PixelBuffer picture;
    if (!state.device->read_texture(*state.last_capture, picture.rgba, picture.width,
                                    picture.height)) {
      diag::say("brushwright: cannot read the finished picture back");
      return 1;
    }
    char name[64];
    std::snprintf(name, sizeof name, "picture-%03d.png", saved + 1);
    const std::string path = (fs::path(options.render_dir) / name).string();
    if (!save(picture, path)) return 1;
    if (!sheet.add(picture, &sheet_error)) return sheet_failed(sheet_error);
    ++saved;
    std::printf("%s: built in %.0f ms\n", path.c_str(), ms);
    std::fflush(stdout);
    if (debug.gl_check && !report_checks(*gl, saved)) return 1;
  }
  if (saved < options.pictures) {
    diag::say("brushwright: the engine finished no picture");
    return 1;
  }
  if (!sheet.finish(&sheet_error)) return sheet_failed(sheet_error);
  std::printf("contact sheet: %s\n", sheet_path.c_str());
  return 0;
}

}  // namespace bw::host
