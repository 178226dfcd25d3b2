// The saver program on a real X server (Xvfb in the test run): how it ends, and that it
// paints into the window it is given.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "program_runner.h"
// Xlib's macros clash with names in GoogleTest's headers: it comes last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace bw::host {
namespace {
namespace fs = std::filesystem;

void pause(double seconds) {
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

// The X server here sometimes resets a new connection: xdotool gets a few tries.
bool xdotool(const std::string& arguments) {
  for (int attempt = 0; attempt < 10; ++attempt)
    if (std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()) == 0) return true;
  return false;
}

Display* open_display() {
  Display* display = nullptr;
  for (int attempt = 0; attempt < 20 && display == nullptr; ++attempt) {
    display = XOpenDisplay(nullptr);
    if (display == nullptr) pause(0.05);
  }
  return display;
}

// Counts the distinct colours of a sample grid of part of the window.
size_t colours_in(Display* display, Window window, int x, int y, int width, int height) {
  XImage* image = XGetImage(display, window, x, y, width, height, AllPlanes, ZPixmap);
  if (image == nullptr) return 0;
  std::set<unsigned long> colours;
  for (int row = 0; row < height; row += 3)
    for (int column = 0; column < width; column += 3) colours.insert(XGetPixel(image, column, row));
  XDestroyImage(image);
  return colours.size();
}

class SaverWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
    root = fs::path(BW_TEST_TMPDIR) /
           ("window-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root);
  }
  void TearDown() override {
    testing::kill_child(child);
    if (display != nullptr) XCloseDisplay(display);
  }

  // Makes a window of the test's own and starts the saver as its preview.
  void start_preview(int width, int height, const std::string& seed) {
    display = open_display();
    ASSERT_NE(display, nullptr);
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0, 0,
                                 0);
    XMapWindow(display, window);
    XSync(display, False);
    child = testing::start_saver({"--window-id", std::to_string(window), "--seed", seed},
                                 root.string());
  }

  // Waits up to a minute for a painting in the given part of the window (more than 50
  // colours), the saver running all along; the colours seen last.
  size_t wait_for_painting(int x, int y, int width, int height) {
    size_t colours = 0;
    for (int attempt = 0; attempt < 60 && colours <= 50; ++attempt) {
      pause(1.0);
      if (testing::wait_for(child, 0) != -1) {
        ADD_FAILURE() << "the saver ended: " << testing::slurp(child.err_file);
        return 0;
      }
      colours = colours_in(display, window, x, y, width, height);
    }
    return colours;
  }

  // Destroys the preview window; the saver must then end with status 0.
  void close_preview() {
    XDestroyWindow(display, window);
    XSync(display, False);
    EXPECT_EQ(testing::wait_for(child, 20.0), 0) << testing::slurp(child.err_file);
  }

  fs::path root;
  testing::Child child;
  Display* display = nullptr;
  Window window = 0;
};

TEST_F(SaverWindow, FullScreenEndsOnAKeyButNotOnPointerMotion) {
  child = testing::start_saver({"--fullscreen", "--seed", "3"}, root.string());
  pause(3.0);
  ASSERT_TRUE(xdotool("mousemove 100 100 mousemove 400 300"));
  EXPECT_EQ(testing::wait_for(child, 2.0), -1) << testing::slurp(child.err_file);
  ASSERT_TRUE(xdotool("key a"));
  EXPECT_EQ(testing::wait_for(child, 60.0), 0) << testing::slurp(child.err_file);
}

TEST_F(SaverWindow, PaintsIntoAGivenWindowAndEndsWithIt) {
  start_preview(400, 300, "8");
  // The preview starts its engine about a second after it found its window; the first
  // picture then fades in over the black.
  EXPECT_GT(wait_for_painting(0, 0, 400, 300), 50u) << "the window stayed (nearly) uniform";
  close_preview();
}

TEST_F(SaverWindow, KeepsPaintingAfterItsWindowIsResized) {
  start_preview(320, 200, "12");
  ASSERT_GT(wait_for_painting(0, 0, 320, 200), 50u);
  // A larger window: the device is reset to the new size and the whole of it is painted.
  XResizeWindow(display, window, 640, 400);
  XSync(display, False);
  EXPECT_GT(wait_for_painting(320, 200, 320, 200), 50u)
      << "the new part of the window stayed (nearly) uniform";
  close_preview();
}

TEST_F(SaverWindow, TerminationEndsItCleanly) {
  child = testing::start_saver({"--window", "--geometry", "320x200"}, root.string());
  pause(3.0);
  ASSERT_EQ(testing::wait_for(child, 0), -1) << testing::slurp(child.err_file);
  kill(child.pid, SIGTERM);
  EXPECT_EQ(testing::wait_for(child, 60.0), 0) << testing::slurp(child.err_file);
}

}  // namespace
}  // namespace bw::host
