#include "host/headless_render.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "assets/png_writer.h"
#include "host/contact_sheet.h"
#include "host/engine_host.h"
#include "host/picture_writer.h"
#include "painter/engine.h"
#include "painter/held_frame.h"
#include "platform/diagnostics.h"
#include "platform/file_replacement.h"

namespace bw::host {
namespace fs = std::filesystem;

namespace {

bool save(const assets::PixelBuffer& image, const fs::path& path) {
  std::string error;
  if (assets::save_png(image, path.string(), &error)) return true;
  diag::message("brushwright: %s", error.c_str());
  return false;
}

int sheet_failed(const std::string& error) {
  diag::message("brushwright: contact sheet: %s", error.c_str());
  return 1;
}

int writing_failed(const std::string& error) {
  diag::message("brushwright: %s", error.c_str());
  return 1;
}

}  // namespace

int render_pictures(const SaverOptions& options, const Settings& settings,
                    std::unique_ptr<device::Backend> backend, const RenderHooks& hooks) {
  const fs::path dir = options.render_dir;
  std::error_code fs_error;
  fs::create_directories(dir, fs_error);
  if (fs_error) {
    diag::message("brushwright: cannot create \"%s\": %s", options.render_dir.c_str(),
                 fs_error.message().c_str());
    return 1;
  }
  // What an earlier run into this folder left half written when it was killed.
  platform::remove_stale_temporaries(dir.string(), ".png");

  painter::PainterState state;
  SaverOptions seeded = options;
  if (!seeded.seed) seeded.seed = static_cast<uint32_t>(std::time(nullptr));
  painter::SimulatedClock clock(60.0, 0, *seeded.seed);
  state.clock = &clock;
  const auto started = start_painting(state, seeded, settings, std::move(backend),
                                      {0, options.width, options.height});
  if (started != painter::StartResult::started) return start_failure_status(started);

  const fs::path sheet_path = dir / "contact-sheet.png";
  ContactSheet sheet;
  std::string sheet_error;
  // The captures have the size of the working targets.
  if (!sheet.open(sheet_path.string(), options.pictures, state.target_width,
                  state.target_height, &sheet_error))
    return sheet_failed(sheet_error);
  // Pictures are written while the next one is painted; the writer goes before the sheet.
  PictureWriter writer(&sheet);

  int saved = 0;
  const bool film = options.frames;  // writing every displayed frame
  long film_frames = 0;
  // A film shows the last picture's reveal too, so it runs up to the capture after it.
  const int captures_wanted = film ? options.pictures + 1 : options.pictures;
  // Enough frames for the wanted cycles at any speed and delay the options allow, and a
  // bound against a picture that never comes.
  for (long frame = 0; frame < 5'000'000 && state.pictures_built < captures_wanted; ++frame) {
    if (hooks.stop_requested && hooks.stop_requested()) return 1;
    if (const auto failure = writer.failure()) return writing_failed(*failure);
    // Unless the frames are filmed nobody sees the display: only the frames that build a
    // picture are drawn, the others only run their timing. The pictures come out the same.
    if (!film && !hooks.every_frame && !painter::frame_builds_picture(state)) {
      painter::skip_undrawn_frame(state);
      continue;
    }
    const int built = state.pictures_built;
    const auto began = std::chrono::steady_clock::now();
    render_frame(state);
    if (film && state.pictures_built <= options.pictures) {
      assets::PixelBuffer shown;
      if (state.device->read_back_buffer(shown.rgba, shown.width, shown.height)) {
        char name[64];
        std::snprintf(name, sizeof name, "frame-%05ld.png", ++film_frames);
        if (!save(shown, dir / name)) return 1;
      }
    }
    if (state.pictures_built == built || saved >= options.pictures) continue;
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began)
            .count();
    assets::PixelBuffer picture;
    if (!state.device->read_texture(*state.last_capture, picture.rgba, picture.width,
                                    picture.height)) {
      diag::say("brushwright: cannot read the finished picture back");
      return 1;
    }
    // A captured painting keeps its reveal's plan in alpha; the picture is opaque.
    for (std::size_t i = 3; i < picture.rgba.size(); i += 4) picture.rgba[i] = 255;
    char name[64];
    std::snprintf(name, sizeof name, "picture-%03d.png", saved + 1);
    const std::string path = (dir / name).string();
    auto written = [path, ms] {
      std::printf("%s: built in %.0f ms\n", path.c_str(), ms);
      std::fflush(stdout);
    };
    if (!writer.save(std::move(picture), path, written))
      return writing_failed(writer.failure().value_or("cannot write \"" + path + "\""));
    ++saved;
    if (hooks.after_picture && !hooks.after_picture(saved)) return 1;
  }
  if (saved < options.pictures) {
    diag::say("brushwright: the engine finished no picture");
    return 1;
  }
  std::string write_error;
  if (!writer.finish(&write_error)) return writing_failed(write_error);
  if (!sheet.finish(&sheet_error)) return sheet_failed(sheet_error);
  std::printf("contact sheet: %s\n", sheet_path.string().c_str());
  return 0;
}

}  // namespace bw::host
