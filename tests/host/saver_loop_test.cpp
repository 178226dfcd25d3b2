// The main loop with a stand-in engine, under a real X server.
#include <gtest/gtest.h>

#include <cstdlib>

#include "host/saver_loop.h"
#include "host/x11_window.h"

namespace bw::host {
namespace {

class CountingFrames final : public FrameSource {
 public:
  int rendered = 0, skipped = 0, resizes = 0, paced = 0;
  int static_from = 1 << 30;  // paced frames at and after this index are static
  void render_frame() override { ++rendered; }
  bool frame_is_static() override { return paced++ >= static_from; }
  void skip_frame() override { ++skipped; }
  void resize(int, int) override { ++resizes; }
};

std::unique_ptr<X11Window> window_for_test() {
  SaverOptions options;
  options.mode = SaverMode::window;
  options.width = 64;
  options.height = 48;
  std::string error;
  auto window = X11Window::open(options, error);
  EXPECT_TRUE(window) << error;
  return window;
}

TEST(SaverLoop, HeldFramesKeepTimingWithoutDrawing) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
  auto window = window_for_test();
  ASSERT_TRUE(window);
  CountingFrames frames;
  frames.static_from = 5;
  LoopOptions options;
  options.max_fps = 1000;
  options.max_frames = 40;
  EXPECT_EQ(run_saver_loop(*window, frames, options), 40);
  EXPECT_EQ(frames.skipped, 40 - 5);
  EXPECT_GE(frames.rendered, 5);  // and any repaints the window asked for
}

TEST(SaverLoop, StopSignalEndsTheLoop) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
  auto window = window_for_test();
  ASSERT_TRUE(window);
  install_stop_signals();
  CountingFrames frames;
  LoopOptions options;
  options.max_fps = 1000;
  options.max_frames = 1000000;
  std::raise(SIGTERM);
  EXPECT_EQ(run_saver_loop(*window, frames, options), 0);
  g_stop_requested = 0;
}

}  // namespace
}  // namespace bw::host
