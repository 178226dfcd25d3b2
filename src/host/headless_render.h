// Whole pictures painted headless, whatever the platform: the engine on the simulated
// clock, so that a seed and a size give the same pictures every time, each finished
// picture saved as a PNG file and shrunk onto a contact sheet.
#pragma once

#include <functional>
#include <memory>

#include "assets/installation.h"
#include "device/backend.h"
#include "host/options.h"
#include "host/settings.h"

namespace bw::host {

// What a platform adds to a headless run.
struct RenderHooks {
  std::function<bool()> stop_requested;          // true ends the run (status 1)
  std::function<bool(int saved)> after_picture;  // after each saved picture; false ends
                                                 // the run (status 1)
  bool every_frame = false;  // draw every frame, held ones too, as a window would
  // Null, or told as the run passes each stage: start-up's, each picture built, read back
  // and written (from the writer's thread), the files and the sheet complete, the end.
  std::function<void(const char* phase)> mark_phase;
};

// Runs --render on `backend` (headless): options.pictures pictures of options.width x
// options.height into options.render_dir as picture-001.png ..., then contact-sheet.png;
// with options.frames also frame-NNNNN.png, every displayed frame from the first on, until
// the last picture has been revealed. Without a seed the time seeds the engine. Returns the exit status, having said
// what went wrong on standard error.
int render_pictures(const SaverOptions& options, const Settings& settings,
                    std::shared_ptr<assets::Installation> installation,
                    std::unique_ptr<device::Backend> backend, const RenderHooks& hooks = {});

}  // namespace bw::host
