// The EGL side of the GL backend: display, OpenGL 3.3 core context and, when drawing to a
// window, its window surface.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "device/backend.h"
#include "device/gl/gl_backend.h"

namespace bw::device {

class GlContext {
 public:
  // Opens the display and makes a new OpenGL 3.3 core context current (with no surface,
  // or a 1 x 1 pbuffer where that is needed); null with a message in `error`.
  static std::unique_ptr<GlContext> open(const GlBackendOptions& options, std::string& error);
  ~GlContext();
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;

  // Creates a surface on the window (an X11 window, or a wl_egl_window* on Wayland) and
  // makes it current; false on failure.
  bool attach_window(std::uintptr_t window);
  // True once a window surface exists.
  bool has_window() const;
  // Size of the window surface in pixels (0 x 0 without one).
  void window_size(int& width, int& height) const;
  // Shows the window surface's back buffer.
  void swap();
  // Makes the context, and the window surface when there is one, current.
  void make_current();
  // The adapter's PCI identifiers where the driver reports a DRM device.
  AdapterIdentity adapter_identity() const;

 private:
  GlContext() = default;
  // Chooses the configuration of the window's visual (and a context for it) when the
  // first choice has another visual.
  bool match_window_visual(std::uintptr_t window);
  struct Egl;
  std::unique_ptr<Egl> egl_;
};

}  // namespace bw::device
