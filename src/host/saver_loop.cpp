#include "host/saver_loop.h"

#include <chrono>

namespace bw::host {

volatile std::sig_atomic_t g_stop_requested = 0;

namespace {
void request_stop(int signal) { g_stop_requested = signal; }
}  // namespace

void install_stop_signals() {
  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  // A hang-up or a quit from the terminal ends the run as cleanly as a termination: files
  // half written are removed before the process goes.
  for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaction(signal, &action, nullptr);
}

void end_by_stop_signal() {
  const int signal = g_stop_requested;
  if (signal == 0) return;
  std::fflush(nullptr);
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t pending;
  sigemptyset(&pending);
  sigaddset(&pending, signal);
  sigprocmask(SIG_UNBLOCK, &pending, nullptr);
  raise(signal);
}

long run_saver_loop(SaverWindow& window, FrameSource& frames, const LoopOptions& options) {
  using Clock = std::chrono::steady_clock;
  const auto interval = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(1.0 / options.max_fps));
  auto next_frame = Clock::now();
  auto fps_since = Clock::now();
  long frames_run = 0;
  long drawn_since = 0;

  while (!g_stop_requested && (!options.max_frames || frames_run < *options.max_frames)) {
    if (window.pending()) {
      const WindowEvents events = window.take_events();
      if (events.quit) break;
      if (events.resized) frames.resize(window.width(), window.height());
      if (events.exposed || events.resized) frames.render_frame();  // repaint at once
      continue;
    }
    const auto now = Clock::now();
    if (now < next_frame) {
      window.wait(std::chrono::duration<double>(next_frame - now).count());
      continue;
    }
    // Keep a steady pace; after a long stall start counting again from now.
    next_frame = std::max(next_frame + interval, now);
    if (frames.frame_is_static()) {
      frames.skip_frame();
    } else if (frames.render_changed_frame()) {
      ++drawn_since;
    }
    ++frames_run;
    if (options.show_fps) {
      const double seconds = std::chrono::duration<double>(Clock::now() - fps_since).count();
      if (seconds >= 1.0) {
        std::fprintf(options.fps_out, "brushwright: %.1f frames/s drawn\n",
                     static_cast<double>(drawn_since) / seconds);
        std::fflush(options.fps_out);
        drawn_since = 0;
        fps_since = Clock::now();
      }
    }
  }
  return frames_run;
}

}  // namespace bw::host
