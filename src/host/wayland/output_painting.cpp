#include "host/wayland/output_painting.h"

#include <wayland-client.h>
#include <wayland-egl.h>

#include "host/engine_host.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace bw::host::wayland {
namespace {

// Events of no concern to a painting.
void ignore_geometry(void*, wl_output*, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                     std::int32_t, const char*, const char*, std::int32_t) {}
void ignore_mode(void*, wl_output*, std::uint32_t, std::int32_t, std::int32_t, std::int32_t) {}
void ignore_done(void*, wl_output*) {}
void ignore_position(void*, zxdg_output_v1*, std::int32_t, std::int32_t) {}
void ignore_size(void*, zxdg_output_v1*, std::int32_t, std::int32_t) {}
void ignore_xdg_done(void*, zxdg_output_v1*) {}
void ignore_description(void*, zxdg_output_v1*, const char*) {}

}  // namespace

OutputPainting::OutputPainting(std::uint32_t global_name, wl_output* output)
    : global_name_(global_name), output_(output) {
  // The output is bound at version 2 or 3, which has no name or description events.
  static const wl_output_listener listener = {ignore_geometry, ignore_mode, ignore_done,
                                              on_output_scale, nullptr, nullptr};
  wl_output_add_listener(output_, &listener, this);
}

OutputPainting::~OutputPainting() {
  release_engine();
  if (layer_surface_ != nullptr) zwlr_layer_surface_v1_destroy(layer_surface_);
  if (surface_ != nullptr) wl_surface_destroy(surface_);
  if (xdg_output_ != nullptr) zxdg_output_v1_destroy(xdg_output_);
  if (wl_output_get_version(output_) >= WL_OUTPUT_RELEASE_SINCE_VERSION)
    wl_output_release(output_);
  else
    wl_output_destroy(output_);
}

std::string OutputPainting::name() const {
  return name_.empty() ? "output " + std::to_string(global_name_) : name_;
}

void OutputPainting::describe(zxdg_output_manager_v1* manager) {
  if (manager == nullptr || xdg_output_ != nullptr) return;
  static const zxdg_output_v1_listener listener = {ignore_position, ignore_size,
                                                   ignore_xdg_done, on_xdg_name,
                                                   ignore_description};
  xdg_output_ = zxdg_output_manager_v1_get_xdg_output(manager, output_);
  zxdg_output_v1_add_listener(xdg_output_, &listener, this);
}

void OutputPainting::make_surface(wl_compositor* compositor, zwlr_layer_shell_v1* shell,
                                  WaylandLayer layer) {
  surface_ = wl_compositor_create_surface(compositor);
  const bool overlay = layer == WaylandLayer::overlay;
  layer_surface_ = zwlr_layer_shell_v1_get_layer_surface(
      shell, surface_, output_,
      overlay ? ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY : ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND,
      "brushwright");
  static const zwlr_layer_surface_v1_listener listener = {on_configure, on_closed};
  zwlr_layer_surface_v1_add_listener(layer_surface_, &listener, this);
  // The whole output, over panels and bars (which keep their zones only from windows).
  zwlr_layer_surface_v1_set_anchor(
      layer_surface_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                          ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
  zwlr_layer_surface_v1_set_size(layer_surface_, 0, 0);
  zwlr_layer_surface_v1_set_exclusive_zone(layer_surface_, -1);
  if (overlay) {
    zwlr_layer_surface_v1_set_keyboard_interactivity(
        layer_surface_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
  } else {
    // A wallpaper lets every click through: its input region is empty.
    wl_region* nothing = wl_compositor_create_region(compositor);
    wl_surface_set_input_region(surface_, nothing);
    wl_region_destroy(nothing);
  }
  wl_surface_commit(surface_);  // no buffer yet: asks for the first configure
}

std::optional<int> OutputPainting::start(wl_display* display, const SaverOptions& options,
                                         const Settings& settings,
                                         std::shared_ptr<assets::Installation> installation,
                                         std::uint32_t seed) {
  egl_window_ = wl_egl_window_create(surface_, pixel_width(), pixel_height());
  wl_surface_set_buffer_scale(surface_, buffer_scale());
  applied_scale_ = scale_;
  size_changed_ = false;
  device::GlBackendOptions backend_options;
  backend_options.use_window = true;
  backend_options.wl_display = display;
  auto backend = device::make_gl_backend(backend_options);
  gl_ = backend.get();
  SaverOptions seeded = options;
  seeded.seed = seed;
  const PaintingTarget target{reinterpret_cast<std::uintptr_t>(egl_window_), pixel_width(),
                              pixel_height()};
  const auto started = start_painting(*state_, seeded, settings, std::move(installation),
                                      std::move(backend), target);
  if (started != painter::StartResult::started) {
    release_engine();
    return start_failure_status(started);
  }
  started_ = true;
  owes_present_ = true;
  return std::nullopt;
}

void OutputPainting::apply_size() {
  if (!started_ || (!size_changed_ && scale_ == applied_scale_)) return;
  // A painting is composed at its output's size: a new size starts a new painting.
  release_engine();
}

void OutputPainting::draw_and_show() {
  gl_->make_current();
  frame_callback_ = wl_surface_frame(surface_);
  static const wl_callback_listener listener = {on_frame_done};
  wl_callback_add_listener(frame_callback_, &listener, this);
  frame_pending_ = true;
  render_frame(*state_);  // its present commits the surface, and the callback with it
  owes_present_ = false;
}

void OutputPainting::draw_unshown() {
  gl_->make_current();
  device::Device& device = *state_->device;
  device.begin_frame();
  device.clear(0, 0, 0);
  painter::draw_frame(*state_);
  device.end_frame();
  owes_present_ = true;
}

void OutputPainting::release_engine() {
  if (frame_callback_ != nullptr) wl_callback_destroy(frame_callback_);
  frame_callback_ = nullptr;
  frame_pending_ = false;
  if (gl_ != nullptr) gl_->make_current();
  // The device goes, with every texture and effect; a new start begins from a new state.
  state_ = std::make_unique<painter::PainterState>();
  gl_ = nullptr;
  if (egl_window_ != nullptr) wl_egl_window_destroy(egl_window_);
  egl_window_ = nullptr;
  started_ = false;
}

void OutputPainting::on_output_scale(void* data, wl_output*, std::int32_t factor) {
  auto* self = static_cast<OutputPainting*>(data);
  if (factor >= 1 && factor <= 16) self->scale_ = factor;
}

void OutputPainting::on_xdg_name(void* data, zxdg_output_v1*, const char* name) {
  static_cast<OutputPainting*>(data)->name_ = name != nullptr ? name : "";
}

void OutputPainting::on_configure(void* data, zwlr_layer_surface_v1* surface,
                                  std::uint32_t serial, std::uint32_t width,
                                  std::uint32_t height) {
  auto* self = static_cast<OutputPainting*>(data);
  zwlr_layer_surface_v1_ack_configure(surface, serial);
  // Anchored to every edge, the surface is as large as the output; zero would leave the
  // size to us, and a compositor that does that gets a small painting rather than none.
  const int w = width > 0 && width <= 16384 ? static_cast<int>(width) : 640;
  const int h = height > 0 && height <= 16384 ? static_cast<int>(height) : 480;
  if (self->configured_ && (w != self->width_ || h != self->height_)) self->size_changed_ = true;
  self->width_ = w;
  self->height_ = h;
  self->configured_ = true;
}

void OutputPainting::on_closed(void* data, zwlr_layer_surface_v1*) {
  static_cast<OutputPainting*>(data)->gone_ = true;
}

void OutputPainting::on_frame_done(void* data, wl_callback* callback, std::uint32_t) {
  auto* self = static_cast<OutputPainting*>(data);
  wl_callback_destroy(callback);
  if (self->frame_callback_ == callback) self->frame_callback_ = nullptr;
  self->frame_pending_ = false;
}

}  // namespace bw::host::wayland
