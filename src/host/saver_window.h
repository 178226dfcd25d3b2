// What the saver's main loop needs of a window system, whatever it is: whether events
// wait, taking them, and waiting for them.
#pragma once

namespace bw::host {

// What the event queue asked of the saver.
struct WindowEvents {
  bool quit = false;     // a key or click that ends the saver, the window closed or gone
  bool resized = false;  // the window has a new size (width() and height())
  bool exposed = false;  // part of the window must be drawn again
};

class SaverWindow {
 public:
  virtual ~SaverWindow() = default;
  // True when events are waiting.
  virtual bool pending() = 0;
  // Takes every waiting event.
  virtual WindowEvents take_events() = 0;
  // Waits up to `seconds` for an event (or a signal).
  virtual void wait(double seconds) = 0;
  // The size the saver draws at, in pixels.
  virtual int width() const = 0;
  virtual int height() const = 0;
};

}  // namespace bw::host
