// The saver's window on X11: a window of its own (normal or full-screen), the root
// window, or a window that another program owns (xscreensaver's window, a preview). It
// turns X events into the few things the saver acts on.
#pragma once

#include <memory>
#include <string>

#include "host/options.h"

typedef struct _XDisplay Display;

namespace bw::host {

// What the event queue asked of the saver.
struct WindowEvents {
  bool quit = false;     // a key or click that ends the saver, the window closed or gone
  bool resized = false;  // the window has a new size (width() and height())
  bool exposed = false;  // part of the window must be drawn again
};

class X11Window {
 public:
  // Opens the display and creates or adopts the window the options name; null with a
  // one-line message in `error` when that cannot be done.
  static std::unique_ptr<X11Window> open(const SaverOptions& options, std::string& error);
  ~X11Window();
  X11Window(const X11Window&) = delete;
  X11Window& operator=(const X11Window&) = delete;

  Display* display() const { return display_; }
  // The X window id the device draws into.
  unsigned long window() const { return window_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // True when drawing into a window another program owns for a preview: input is not
  // ours and the saver ends when that window is destroyed.
  bool preview() const { return mode_ == SaverMode::window_id; }

  // True when events are waiting.
  bool pending() const;
  // Takes every waiting event.
  WindowEvents take_events();
  // Waits up to `seconds` for an event (or a signal).
  void wait(double seconds) const;
  // The X connection's file descriptor.
  int connection() const;

 private:
  X11Window() = default;
  void hide_cursor();

  Display* display_ = nullptr;
  unsigned long window_ = 0;
  bool own_window_ = false;  // created here, destroyed here
  SaverMode mode_ = SaverMode::window;
  int width_ = 0;
  int height_ = 0;
  unsigned long delete_atom_ = 0;
  unsigned long invisible_cursor_ = 0;
  bool grabbed_ = false;
};

}  // namespace bw::host
