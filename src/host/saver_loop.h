// The saver's main loop, one for every window system: takes the window's events while any
// are waiting, and otherwise renders one frame, paced to a frame-rate cap. While nothing on
// screen changes (a finished picture is held) it keeps the engine's timing going without
// drawing.
#pragma once

#include <csignal>
#include <cstdio>
#include <optional>

#include "host/saver_window.h"

namespace bw::host {

// The engine as the main loop sees it.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // Renders one frame and shows it: begin, clear to black, the engine's frame, end, present.
  virtual void render_frame() = 0;
  // Renders the next paced frame, showing it only when it differs from what the screen
  // shows; returns whether it was shown.
  virtual bool render_changed_frame() {
    render_frame();
    return true;
  }
  // True when the coming frame would show exactly what the last one showed.
  virtual bool frame_is_static() = 0;
  // Runs the coming frame's timing without drawing (only when frame_is_static()).
  virtual void skip_frame() = 0;
  // The window has a new size.
  virtual void resize(int width, int height) = 0;
};

struct LoopOptions {
  double max_fps = 60.0;            // frames per second at most
  bool show_fps = false;            // print the frame rate once a second
  std::FILE* fps_out = stderr;      // where it goes
  std::optional<long> max_frames;   // stop after this many frames (tests); none: never
};

// The number of the SIGTERM, SIGINT, SIGHUP or SIGQUIT that arrived, 0 before; the loop
// ends cleanly when it is set.
extern volatile std::sig_atomic_t g_stop_requested;

// Makes SIGTERM, SIGINT, SIGHUP and SIGQUIT set g_stop_requested.
void install_stop_signals();

// Once everything is cleaned up: when a stop signal ended the run, ends the process by that
// signal's default action, so that the parent (xscreensaver) sees the ordinary end of a
// terminated program rather than an exit status. Returns when no signal arrived.
void end_by_stop_signal();

// Runs until the window asks to quit, a stop signal arrives or max_frames have run.
// Returns the number of frames run (drawn or skipped).
long run_saver_loop(SaverWindow& window, FrameSource& frames, const LoopOptions& options);

}  // namespace bw::host
