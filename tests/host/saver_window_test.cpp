// The saver program on a real X server (Xvfb in the test run): how it ends, and that it
// paints into the window it is given.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
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

// xscreensaver ends a hack with SIGTERM and calls any other end "abnormal": after cleaning
// up, the saver ends by the signal itself.
TEST_F(SaverWindow, TerminationEndsItCleanlyByTheSignal) {
  for (const int signal : {SIGTERM, SIGINT}) {
    child = testing::start_saver({"--window", "--geometry", "320x200"}, root.string());
    pause(3.0);
    ASSERT_EQ(testing::wait_for(child, 0), -1) << testing::slurp(child.err_file);
    kill(child.pid, signal);
    EXPECT_EQ(testing::wait_for(child, 60.0), 128 + signal) << testing::slurp(child.err_file);
    EXPECT_EQ(child.end_signal, signal);
    EXPECT_EQ(testing::slurp(child.err_file), "");
  }
}

// A storm of resizes while the saver paints: afterwards the window is painted whole, at its
// last size.
TEST_F(SaverWindow, HundredResizesWhilePaintingLeaveTheWholeWindowPainted) {
  start_preview(320, 200, "21");
  ASSERT_GT(wait_for_painting(0, 0, 320, 200), 50u);
  for (int i = 0; i < 100; ++i) {
    XResizeWindow(display, window, 200 + (i * 37) % 500, 120 + (i * 53) % 380);
    XFlush(display);
    pause(0.01);
  }
  XResizeWindow(display, window, 600, 400);
  XSync(display, False);
  // Each quarter of the final window.
  for (const auto& [x, y] : {std::pair{0, 0}, {300, 0}, {0, 200}, {300, 200}})
    EXPECT_GT(wait_for_painting(x, y, 300, 200), 50u) << "quarter at " << x << "," << y;
  close_preview();
}

// The frame rates the saver printed (--fps), one a second, in order.
std::vector<double> printed_rates(const std::string& text) {
  std::vector<double> rates;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    double rate = 0;
    if (std::sscanf(line.c_str(), "brushwright: %lf frames/s drawn", &rate) == 1)
      rates.push_back(rate);
  }
  return rates;
}

// Stopped (SIGSTOP) and continued, the saver paints on at its normal pace: no burst of
// frames to make up for the time it stood still.
TEST_F(SaverWindow, ContinuedAfterAStopItPaintsWithoutACatchUpBurst) {
  constexpr double kCap = 5;  // well below what the renderer manages here
  const double stopped = std::getenv("BW_STOP_SECONDS") ? std::atof(std::getenv("BW_STOP_SECONDS"))
                                                         : 3.0;
  child = testing::start_saver({"--window", "--geometry", "160x100", "--fps", "--max-fps", "5",
                                "--delay", "0", "--seed", "4"},
                               root.string());
  pause(5.0);
  ASSERT_EQ(testing::wait_for(child, 0), -1) << testing::slurp(child.err_file);
  const std::vector<double> before = printed_rates(testing::slurp(child.err_file));
  ASSERT_GE(before.size(), 2u) << testing::slurp(child.err_file);
  kill(child.pid, SIGSTOP);
  pause(stopped);
  const size_t printed = printed_rates(testing::slurp(child.err_file)).size();
  kill(child.pid, SIGCONT);
  pause(3.5);
  kill(child.pid, SIGTERM);
  testing::wait_for(child, 30.0);
  const std::vector<double> rates = printed_rates(testing::slurp(child.err_file));
  // The first rate after the stop spans it; the next is the first whole second after.
  ASSERT_GE(rates.size(), printed + 2) << testing::slurp(child.err_file);
  const double after = rates[printed + 1];
  EXPECT_LE(after, kCap * 1.5) << "frames drawn in the second after SIGCONT";
  EXPECT_GT(after, 0.0) << "painting did not resume";
  std::printf("rate before the stop %.1f, in the second after it %.1f (stopped %.0f s)\n",
              before.back(), after, stopped);
}

// The window a preview draws into goes away with its parent while frames are being drawn:
// the saver ends cleanly, however far into a frame it was.
TEST_F(SaverWindow, PreviewEndsCleanlyWhenItsParentIsDestroyedMidFrame) {
  display = open_display();
  ASSERT_NE(display, nullptr);
  for (const double painting : {2.0, 3.3}) {
    const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 400,
                                              300, 0, 0, 0);
    window = XCreateSimpleWindow(display, parent, 0, 0, 400, 300, 0, 0, 0);
    XMapWindow(display, window);
    XMapWindow(display, parent);
    XSync(display, False);
    child = testing::start_saver({"--window-id", std::to_string(window), "--seed", "6"},
                                 root.string());
    // The engine starts a second after the window is found; frames follow one another.
    pause(painting);
    ASSERT_EQ(testing::wait_for(child, 0), -1) << testing::slurp(child.err_file);
    XDestroyWindow(display, parent);
    XSync(display, False);
    EXPECT_EQ(testing::wait_for(child, 20.0), 0) << testing::slurp(child.err_file);
    EXPECT_EQ(testing::slurp(child.err_file), "") << "after " << painting << " s";
  }
}

}  // namespace
}  // namespace bw::host
