// One output of a Wayland compositor and the painting on it: the wl_output, a layer
// surface covering it, the EGL window on that surface and an engine of its own, composed
// at the output's size in pixels (its logical size times its scale).
//
// The states of a painting, in order:
//   1. bound: the wl_output is known; its scale and name arrive with its events.
//   2. surfaced: the layer surface exists and waits for the compositor's first configure.
//   3. painting: the engine has started at the configured size; a frame is drawn only
//      when the surface's last frame callback has come back.
//   4. gone: the compositor closed the surface or removed the output; the host drops it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "assets/pixel_buffer.h"
#include "device/gl/gl_backend.h"
#include "host/options.h"
#include "host/settings.h"
#include "painter/painter_state.h"

struct wl_callback;
struct wl_compositor;
struct wl_display;
struct wl_egl_window;
struct wl_output;
struct wl_surface;
struct zwlr_layer_shell_v1;
struct zwlr_layer_surface_v1;
struct zxdg_output_manager_v1;
struct zxdg_output_v1;

namespace bw::host::wayland {

class OutputPainting {
 public:
  // Takes the bound `output` (the registry's global `global_name`) and listens to it.
  OutputPainting(std::uint32_t global_name, wl_output* output);
  // Releases the engine (its context made current first), the surfaces and the output.
  ~OutputPainting();
  OutputPainting(const OutputPainting&) = delete;
  OutputPainting& operator=(const OutputPainting&) = delete;

  std::uint32_t global_name() const { return global_name_; }
  // The output's name ("HEADLESS-1", "DP-2") once the compositor said it, else "output N".
  std::string name() const;

  // Asks for the output's name through xdg-output.
  void describe(zxdg_output_manager_v1* manager);
  // Makes the layer surface in `layer` (state 2).
  void make_surface(wl_compositor* compositor, zwlr_layer_shell_v1* shell, WaylandLayer layer);
  bool has_surface() const { return layer_surface_ != nullptr; }
  // True once the compositor gave the surface a size and the engine may start.
  bool ready_to_start() const { return configured_ && !started_ && !gone_; }
  bool started() const { return started_; }
  // True when the compositor closed the surface or removed the output: the host drops
  // the painting.
  bool gone() const { return gone_; }
  void mark_gone() { gone_ = true; }
  // The engine's GL backend while it runs.
  device::GlBackend* gl() const { return gl_; }

  // Starts the engine at the configured size, on the run's installation; the exit status
  // when it did not start.
  std::optional<int> start(wl_display* display, const SaverOptions& options,
                           const Settings& settings,
                           std::shared_ptr<assets::Installation> installation,
                           std::uint32_t seed);
  // Follows a new size or scale from the compositor before the next frame.
  void apply_size();

  // The engine's state, for the host's frame decisions.
  painter::PainterState& state() { return *state_; }
  // True when the compositor wants a frame: the last frame callback came back.
  bool wants_frame() const { return started_ && !frame_pending_; }
  // Draws one frame and shows it, asking for the next frame callback.
  void draw_and_show();
  // Draws one frame that builds a picture without showing it (the surface is hidden).
  void draw_unshown();
  // True when the surface shows an older frame than the engine's last.
  bool owes_present() const { return owes_present_; }
  void set_owes_present() { owes_present_ = true; }

 private:
  static void on_output_scale(void* data, wl_output* output, std::int32_t factor);
  static void on_xdg_name(void* data, zxdg_output_v1* xdg_output, const char* name);
  static void on_configure(void* data, zwlr_layer_surface_v1* surface, std::uint32_t serial,
                           std::uint32_t width, std::uint32_t height);
  static void on_closed(void* data, zwlr_layer_surface_v1* surface);
  static void on_frame_done(void* data, wl_callback* callback, std::uint32_t time);

  // The size the engine paints at, in pixels.
  // The output's scale, lowered where the compositor's size times it would ask for a
  // painting wider or taller than the engine's targets can be.
  int buffer_scale() const {
    const int side = std::max(width_, height_);
    return std::max(1, std::min(scale_, assets::kMaxImageSide / std::max(side, 1)));
  }
  int pixel_width() const { return width_ * buffer_scale(); }
  int pixel_height() const { return height_ * buffer_scale(); }
  void release_engine();

  std::uint32_t global_name_;
  wl_output* output_;
  zxdg_output_v1* xdg_output_ = nullptr;
  std::string name_;
  int scale_ = 1;
  int applied_scale_ = 1;
  wl_surface* surface_ = nullptr;
  zwlr_layer_surface_v1* layer_surface_ = nullptr;
  wl_egl_window* egl_window_ = nullptr;
  wl_callback* frame_callback_ = nullptr;
  int width_ = 0;  // logical size from the last configure
  int height_ = 0;
  bool configured_ = false;
  bool size_changed_ = false;
  bool started_ = false;
  bool gone_ = false;
  bool frame_pending_ = false;
  bool owes_present_ = true;
  std::unique_ptr<painter::PainterState> state_ = std::make_unique<painter::PainterState>();
  device::GlBackend* gl_ = nullptr;  // owned by the engine's device
};

}  // namespace bw::host::wayland
