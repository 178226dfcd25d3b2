#include "host/headless_render.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "host/contact_sheet.h"
#include "host/engine_host.h"
#include "host/picture_writer.h"
#include "host/startup_images.h"
#include "painter/engine.h"
#include "painter/held_frame.h"
#include "platform/diagnostics.h"
#include "platform/file_replacement.h"

namespace bw::host {
namespace fs = std::filesystem;

namespace {

int sheet_failed(const std::string& error) {
  diag::message("brushwright: contact sheet: %s", error.c_str());
  return 1;
}

int writing_failed(const std::string& error) {
  diag::message("brushwright: %s", error.c_str());
  return 1;
}

// Makes the run's folder and clears it of what an earlier run left half written when it
// was killed.
bool prepare_folder(const fs::path& dir) {
  std::error_code fs_error;
  fs::create_directories(dir, fs_error);
  if (fs_error) {
    diag::message("brushwright: cannot create \"%s\": %s", dir.string().c_str(),
                  fs_error.message().c_str());
    return false;
  }
  platform::remove_stale_temporaries(dir.string(), ".png");
  return true;
}

// What the frame loop of one run works on.
struct HeadlessRun {
  const SaverOptions& options;
  const fs::path& dir;
  painter::PainterState& state;
  PictureWriter& writer;
  int saved = 0;          // pictures handed to the writer
  long film_frames = 0;   // displayed frames handed to the writer (--frames)
};

// Hands the frame just displayed to the writer as the film's next frame-NNNNN.png.
bool film_frame(HeadlessRun& run) {
  assets::PixelBuffer shown;
  if (!run.state.device->read_back_buffer(shown.rgba, shown.width, shown.height)) return true;
  char name[64];
  std::snprintf(name, sizeof name, "frame-%05ld.png", ++run.film_frames);
  const std::string path = (run.dir / name).string();
  if (run.writer.save_frame(std::move(shown), path)) return true;
  writing_failed(run.writer.failure().value_or("cannot write \"" + path + "\""));
  return false;
}

// Hands the picture the last frame finished to the writer as picture-NNN.png; `ms` is the
// time its frame took, reported once the file is written.
bool save_picture(HeadlessRun& run, double ms, const RenderHooks& hooks) {
  assets::PixelBuffer picture;
  if (!run.state.device->read_texture(*run.state.last_capture, picture.rgba, picture.width,
                                      picture.height)) {
    diag::say("brushwright: cannot read the finished picture back");
    return false;
  }
  if (hooks.mark_phase) hooks.mark_phase("picture read back");
  // A captured painting keeps its reveal's plan in alpha; the picture is opaque.
  for (std::size_t i = 3; i < picture.rgba.size(); i += 4) picture.rgba[i] = 255;
  char name[64];
  std::snprintf(name, sizeof name, "picture-%03d.png", run.saved + 1);
  const std::string path = (run.dir / name).string();
  auto written = [path, ms, mark = hooks.mark_phase] {
    if (mark) mark("picture written");
    std::printf("%s: built in %.0f ms\n", path.c_str(), ms);
    std::fflush(stdout);
  };
  if (!run.writer.save(std::move(picture), path, written)) {
    writing_failed(run.writer.failure().value_or("cannot write \"" + path + "\""));
    return false;
  }
  ++run.saved;
  return true;
}

// Runs the engine's frames until every wanted picture has been handed to the writer.
// Returns the exit status: 0, or 1 having said why.
int paint_pictures(HeadlessRun& run, const RenderHooks& hooks) {
  painter::PainterState& state = run.state;
  const int pictures = run.options.pictures;
  const bool film = run.options.frames;  // writing every displayed frame
  // A film shows the last picture's reveal too, so it runs up to the capture after it.
  const int captures_wanted = film ? pictures + 1 : pictures;
  // Enough frames for the wanted cycles at any speed and delay the options allow, and a
  // bound against a picture that never comes.
  for (long frame = 0; frame < 5'000'000 && state.pictures_built < captures_wanted; ++frame) {
    if (hooks.stop_requested && hooks.stop_requested()) return 1;
    if (const auto failure = run.writer.failure()) return writing_failed(*failure);
    // Unless the frames are filmed nobody sees the display: only the frames that build a
    // picture are drawn, the others only run their timing. The pictures come out the same.
    if (!film && !hooks.every_frame && !painter::frame_builds_picture(state)) {
      painter::skip_undrawn_frame(state);
      continue;
    }
    const int built = state.pictures_built;
    const auto began = std::chrono::steady_clock::now();
    render_frame(state);
    if (film && state.pictures_built <= pictures && !film_frame(run)) return 1;
    if (state.pictures_built == built || run.saved >= pictures) continue;
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began)
            .count();
    if (hooks.mark_phase) hooks.mark_phase("picture built");
    if (!save_picture(run, ms, hooks)) return 1;
    if (hooks.after_picture && !hooks.after_picture(run.saved)) return 1;
  }
  if (run.saved < pictures) {
    diag::say("brushwright: the engine finished no picture");
    return 1;
  }
  return 0;
}

}  // namespace

int render_pictures(const SaverOptions& options, const Settings& settings,
                    std::shared_ptr<assets::Installation> installation,
                    std::unique_ptr<device::Backend> backend, const RenderHooks& hooks) {
  const fs::path dir = options.render_dir;
  if (!prepare_folder(dir)) return 1;

  // Decoded while the graphics context comes up; outlives the engine, which reads them.
  StartupImages startup_images;
  // Held apart so that the engine and its graphics context can go while the last file is
  // still being written.
  auto engine = std::make_unique<painter::PainterState>();
  painter::PainterState& state = *engine;
  SaverOptions seeded = options;
  if (!seeded.seed) seeded.seed = static_cast<uint32_t>(std::time(nullptr));
  painter::SimulatedClock clock(60.0, 0, *seeded.seed);
  state.clock = &clock;
  state.mark_phase = hooks.mark_phase;
  state.before_device = [&startup_images](painter::PainterState& configured) {
    startup_images.start(configured.image_source);
  };
  const auto started = start_painting(state, seeded, settings, std::move(installation),
                                      std::move(backend), {0, options.width, options.height});
  if (started != painter::StartResult::started) return start_failure_status(started);

  const fs::path sheet_path = dir / "contact-sheet.png";
  ContactSheet sheet;
  std::string sheet_error;
  // The captures have the size of the working targets.
  if (!sheet.open(sheet_path.string(), options.pictures, state.target_width,
                  state.target_height, &sheet_error))
    return sheet_failed(sheet_error);
  // Files are written while the next frames are painted; the writer goes before the sheet.
  PictureWriter writer(&sheet);
  HeadlessRun run{options, dir, state, writer};
  if (const int status = paint_pictures(run, hooks); status != 0) return status;
  engine.reset();
  if (hooks.mark_phase) hooks.mark_phase("engine released");
  std::string write_error;
  if (!writer.finish(&write_error)) return writing_failed(write_error);
  if (hooks.mark_phase) hooks.mark_phase("files written");
  if (!sheet.finish(&sheet_error)) return sheet_failed(sheet_error);
  if (hooks.mark_phase) hooks.mark_phase("contact sheet written");
  std::printf("contact sheet: %s\n", sheet_path.string().c_str());
  return 0;
}

}  // namespace bw::host
