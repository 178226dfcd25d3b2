// The saver window under a real X server (Xvfb in the test run): which input ends the
// saver, and what an adopted window reports.
#include <gtest/gtest.h>
// Xlib's macros (None, Bool, Status) clash with names in GoogleTest's headers: it comes last.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "host/x11_window.h"

namespace bw::host {
namespace {

// Collects events for up to `seconds`, stopping early on quit.
WindowEvents collect(X11Window& window, double seconds) {
  WindowEvents all;
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end && !all.quit) {
    window.wait(0.05);
    const WindowEvents events = window.take_events();
    all.quit |= events.quit;
    all.resized |= events.resized;
    all.exposed |= events.exposed;
  }
  return all;
}

// The X server here sometimes resets a new connection: xdotool gets a few tries.
void xdotool(const std::string& arguments) {
  int status = -1;
  for (int attempt = 0; attempt < 10 && status != 0; ++attempt)
    status = std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str());
  ASSERT_EQ(status, 0) << arguments;
}

class X11WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
  }
  std::unique_ptr<X11Window> open(SaverMode mode, unsigned long id = 0) {
    SaverOptions options;
    options.mode = mode;
    options.window_id = id;
    std::string error;
    auto window = X11Window::open(options, error);
    EXPECT_TRUE(window) << error;
    return window;
  }
};

TEST_F(X11WindowTest, FullScreenEndsOnKeysAndOuterButtonsNotOnMotion) {
  struct Case {
    const char* input;
    bool quits;
  } cases[] = {
      {"mousemove 10 10 mousemove 200 300", false},
      {"click 2", false},  // the middle button
      {"click 4", false},  // the wheel
      {"key a", true},
      {"key alt", true},
      {"click 1", true},
      {"click 3", true},
  };
  for (const auto& c : cases) {
    auto window = open(SaverMode::fullscreen);
    ASSERT_TRUE(window);
    Display* display = window->display();
    EXPECT_EQ(window->width(), DisplayWidth(display, DefaultScreen(display)));
    collect(*window, 0.2);  // mapping, exposure
    xdotool(c.input);
    EXPECT_EQ(collect(*window, 1.0).quit, c.quits) << c.input;
  }
}

TEST_F(X11WindowTest, AdoptedWindowIgnoresInputAndEndsWhenDestroyed) {
  Display* owner = nullptr;
  for (int attempt = 0; attempt < 20 && owner == nullptr; ++attempt) owner = XOpenDisplay(nullptr);
  ASSERT_NE(owner, nullptr);
  const Window parent = XCreateSimpleWindow(owner, DefaultRootWindow(owner), 0, 0, 320, 240,
                                            0, 0, 0);
  XSelectInput(owner, parent, KeyPressMask);
  XMapWindow(owner, parent);
  XSync(owner, False);

  auto window = open(SaverMode::window_id, parent);
  ASSERT_TRUE(window);
  EXPECT_TRUE(window->preview());
  EXPECT_EQ(window->width(), 320);
  EXPECT_EQ(window->height(), 240);

  XResizeWindow(owner, parent, 400, 300);
  XSync(owner, False);
  const WindowEvents resized = collect(*window, 0.5);
  EXPECT_TRUE(resized.resized);
  EXPECT_FALSE(resized.quit);
  EXPECT_EQ(window->width(), 400);

  XDestroyWindow(owner, parent);
  XSync(owner, False);
  EXPECT_TRUE(collect(*window, 2.0).quit);
  window.reset();  // no X error for the window that is gone
  XCloseDisplay(owner);
}

// The 32-bit _NET_WM_PID of `window`, or -1 when it has none.
long window_pid(Display* display, Window window) {
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom pid_atom = XInternAtom(display, "_NET_WM_PID", False);
  long pid = -1;
  if (XGetWindowProperty(display, window, pid_atom, 0, 1, False, XA_CARDINAL, &type, &format,
                         &count, &after, &data) == Success &&
      type == XA_CARDINAL && format == 32 && count == 1)
    pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
  if (data != nullptr) XFree(data);
  return pid;
}

// What tools find a window by: its class, host and process; set on the windows the saver
// makes, never on a window it was given.
TEST_F(X11WindowTest, OwnWindowsNameTheirClassHostAndProcess) {
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  for (const SaverMode mode : {SaverMode::window, SaverMode::fullscreen}) {
    auto window = open(mode);
    ASSERT_TRUE(window);
    Display* display = window->display();
    EXPECT_EQ(window_pid(display, window->window()), static_cast<long>(getpid()));
    XClassHint class_hint{};
    ASSERT_TRUE(XGetClassHint(display, window->window(), &class_hint));
    EXPECT_STREQ(class_hint.res_name, "brushwright");
    EXPECT_STREQ(class_hint.res_class, "Brushwright");
    XFree(class_hint.res_name);
    XFree(class_hint.res_class);
    XTextProperty machine{};
    ASSERT_TRUE(XGetWMClientMachine(display, window->window(), &machine));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(machine.value), machine.nitems), host);
    XFree(machine.value);
  }

  Display* owner = XOpenDisplay(nullptr);
  ASSERT_NE(owner, nullptr);
  const Window given = XCreateSimpleWindow(owner, DefaultRootWindow(owner), 0, 0, 64, 64, 0,
                                           0, 0);
  XSync(owner, False);
  for (const unsigned long id : {static_cast<unsigned long>(given), 0ul}) {
    auto window = open(id == 0 ? SaverMode::root : SaverMode::window_id, id);
    ASSERT_TRUE(window);
    EXPECT_EQ(window_pid(owner, window->window()), -1) << "window " << window->window();
  }
  XDestroyWindow(owner, given);
  XCloseDisplay(owner);
}

TEST_F(X11WindowTest, MissingWindowIsACleanError) {
  SaverOptions options;
  options.mode = SaverMode::window_id;
  options.window_id = 0x7ffffff0;
  std::string error;
  EXPECT_FALSE(X11Window::open(options, error));
  EXPECT_NE(error.find("there is no window"), std::string::npos) << error;
}

}  // namespace
}  // namespace bw::host
