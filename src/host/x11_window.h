// The saver's window on X11: a window of its own (normal or full-screen), the root
// window, or a window that another program owns (xscreensaver's window, a preview). It
// turns X events into the few things the saver acts on.
#pragma once

#include <memory>
#include <string>

#include "host/options.h"
#include "host/saver_window.h"

typedef struct _XDisplay Display;

namespace bw::host {

class X11Window final : public SaverWindow {
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
  int width() const override { return width_; }
  int height() const override { return height_; }
  // True when drawing into a window another program owns for a preview: input is not
  // ours and the saver ends when that window is destroyed.
  bool preview() const { return mode_ == SaverMode::window_id; }

  bool pending() override;
  WindowEvents take_events() override;
  void wait(double seconds) override;
  // The X connection's file descriptor.
  int connection() const;

 private:
  X11Window() = default;
  // Takes over the window of --root or --window-id (the root window when none is named).
  bool adopt_window(unsigned long target, std::string& error);
  // Creates a window of our own: normal, or covering the screen the pointer is on.
  bool create_own_window(const SaverOptions& options, std::string& error);
  // Takes the keyboard and the pointer, so that any key or click ends a full-screen saver.
  void grab_input();
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
