#include "host/wayland/wayland_host.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/gl/gl_backend.h"
#include "host/engine_host.h"
#include "host/saver_app.h"
#include "host/saver_loop.h"
#include "host/wayland/output_painting.h"
#include "host/wayland/wayland_seat.h"
#include "painter/held_frame.h"
#include "platform/diagnostics.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace bw::host {
namespace {

using wayland::OutputPainting;
using wayland::WaylandSeat;

// The socket libwayland connects to.
std::string socket_name() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  return name != nullptr && name[0] != '\0' ? name : "wayland-0";
}

// Names the compositor for messages: the program at the other end of the socket, when the
// system tells, and the socket.
std::string compositor_name(wl_display* display) {
  std::string program;
  ucred peer{};
  socklen_t length = sizeof peer;
  if (getsockopt(wl_display_get_fd(display), SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 &&
      peer.pid > 0) {
    std::ifstream comm("/proc/" + std::to_string(peer.pid) + "/comm");
    std::getline(comm, program);
  }
  const std::string socket = "\"" + socket_name() + "\"";
  return program.empty() ? socket : program + " (" + socket + ")";
}

// The saver on one connection: the window of the main loop (the connection's events) and
// its frame source (every output's painting).
class WaylandHost final : public SaverWindow, public FrameSource {
 public:
  WaylandHost(const SaverOptions& options, const Settings& settings,
              std::shared_ptr<assets::Installation> installation)
      : options_(options),
        settings_(settings),
        installation_(std::move(installation)),
        debug_(debug_checks()) {
    seed_base_ = options.seed ? *options.seed
                              : static_cast<std::uint32_t>(
                                    std::chrono::system_clock::now().time_since_epoch().count() ^
                                    getpid());
  }
  ~WaylandHost() override;

  int run();

  // SaverWindow
  bool pending() override;
  WindowEvents take_events() override;
  void wait(double seconds) override;
  int width() const override { return 0; }   // every output has its own size
  int height() const override { return 0; }

  // FrameSource
  void render_frame() override { render_changed_frame(); }
  bool render_changed_frame() override;
  bool frame_is_static() override;
  void skip_frame() override;
  void resize(int, int) override {}

 private:
  static void on_global(void* data, wl_registry* registry, std::uint32_t name,
                        const char* interface, std::uint32_t version);
  static void on_global_remove(void* data, wl_registry* registry, std::uint32_t name);

  int fail(const std::string& what);
  void add_output(std::uint32_t name, wl_output* output);
  void surface_output(OutputPainting& output);
  // Reads what the socket holds, waiting up to `timeout_ms`; false when nothing came.
  bool read_socket(int timeout_ms);
  void note_lost();
  void after_draw(OutputPainting& output, int built_before);

  const SaverOptions& options_;
  const Settings& settings_;
  const std::shared_ptr<assets::Installation> installation_;  // every output's paintings
  const DebugChecks debug_;
  std::uint32_t seed_base_ = 0;
  std::uint32_t paintings_started_ = 0;
  int pictures_ = 0;  // pictures finished on every output together (gl-check)

  wl_display* display_ = nullptr;
  std::string name_;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  zwlr_layer_shell_v1* shell_ = nullptr;
  zxdg_output_manager_v1* xdg_outputs_ = nullptr;
  std::unique_ptr<WaylandSeat> seat_;
  std::vector<std::unique_ptr<OutputPainting>> outputs_;
  bool surfacing_ = false;  // set up: outputs that come get a surface at once
  bool egl_open_ = false;
  bool lost_ = false;
  int lost_errno_ = 0;
  std::optional<int> status_;  // set when the run must end with it
};

WaylandHost::~WaylandHost() {
  outputs_.clear();  // every engine and surface, before the EGL display and the connection
  seat_.reset();
  if (shell_ != nullptr) {
    if (zwlr_layer_shell_v1_get_version(shell_) >= ZWLR_LAYER_SHELL_V1_DESTROY_SINCE_VERSION)
      zwlr_layer_shell_v1_destroy(shell_);
    else
      wl_proxy_destroy(reinterpret_cast<wl_proxy*>(shell_));
  }
  if (xdg_outputs_ != nullptr) zxdg_output_manager_v1_destroy(xdg_outputs_);
  if (compositor_ != nullptr) wl_compositor_destroy(compositor_);
  if (registry_ != nullptr) wl_registry_destroy(registry_);
  if (egl_open_) device::close_wayland_egl(display_);
  if (display_ != nullptr) wl_display_disconnect(display_);
}

int WaylandHost::fail(const std::string& what) {
  diag::message("brushwright: the Wayland compositor %s %s", name_.c_str(), what.c_str());
  return 1;
}

int WaylandHost::run() {
  display_ = wl_display_connect(nullptr);
  if (display_ == nullptr) {
    diag::message("brushwright: no Wayland compositor answers at \"%s\" (%s)",
                  socket_name().c_str(), std::strerror(errno));
    return 1;
  }
  name_ = compositor_name(display_);
  registry_ = wl_display_get_registry(display_);
  static const wl_registry_listener listener = {on_global, on_global_remove};
  wl_registry_add_listener(registry_, &listener, this);
  // The first round trip brings the globals, the second what the outputs say of themselves.
  if (wl_display_roundtrip(display_) < 0 || wl_display_roundtrip(display_) < 0)
    return fail("ended the connection at once");
  if (compositor_ == nullptr) return fail("offers no wl_compositor");
  if (shell_ == nullptr)
    return fail("offers no layer shell (zwlr_layer_shell_v1) to paint a saver or a wallpaper "
                "with: sway, Hyprland, river, labwc and KDE have one, GNOME has none");
  std::string egl_error;
  if (!device::open_wayland_egl(display_, egl_error))
    return fail("gives no EGL to draw with: " + egl_error);
  egl_open_ = true;

  install_stop_signals();
  surfacing_ = true;
  for (auto& output : outputs_) surface_output(*output);
  LoopOptions loop;
  loop.max_fps = options_.max_fps;
  loop.show_fps = options_.show_fps;
  run_saver_loop(*this, *this, loop);
  if (lost_) {
    const std::string why = lost_errno_ != 0 ? std::strerror(lost_errno_) : "protocol error";
    return fail("lost the connection (" + why + "); the painting ends");
  }
  return status_.value_or(0);
}

void WaylandHost::on_global(void* data, wl_registry* registry, std::uint32_t name,
                            const char* interface, std::uint32_t version) {
  auto* self = static_cast<WaylandHost*>(data);
  const std::string which = interface;
  auto bind = [&](const wl_interface* type, std::uint32_t highest) {
    return wl_registry_bind(registry, name, type, std::min(version, highest));
  };
  if (which == wl_compositor_interface.name && self->compositor_ == nullptr) {
    self->compositor_ = static_cast<wl_compositor*>(bind(&wl_compositor_interface, 4));
  } else if (which == zwlr_layer_shell_v1_interface.name && self->shell_ == nullptr) {
    self->shell_ = static_cast<zwlr_layer_shell_v1*>(bind(&zwlr_layer_shell_v1_interface, 4));
  } else if (which == zxdg_output_manager_v1_interface.name && self->xdg_outputs_ == nullptr) {
    self->xdg_outputs_ =
        static_cast<zxdg_output_manager_v1*>(bind(&zxdg_output_manager_v1_interface, 3));
    for (auto& output : self->outputs_) output->describe(self->xdg_outputs_);
  } else if (which == wl_seat_interface.name && self->seat_ == nullptr &&
             self->options_.layer == WaylandLayer::overlay) {
    // A wallpaper takes no input; a saver listens to the first seat.
    self->seat_ = std::make_unique<WaylandSeat>(static_cast<wl_seat*>(bind(&wl_seat_interface, 5)));
  } else if (which == wl_output_interface.name && version >= 2) {
    self->add_output(name, static_cast<wl_output*>(bind(&wl_output_interface, 3)));
  }
}

void WaylandHost::on_global_remove(void* data, wl_registry*, std::uint32_t name) {
  // Dropped after this dispatch, not inside it.
  for (auto& output : static_cast<WaylandHost*>(data)->outputs_)
    if (output->global_name() == name) output->mark_gone();
}

void WaylandHost::add_output(std::uint32_t name, wl_output* output) {
  outputs_.push_back(std::make_unique<OutputPainting>(name, output));
  outputs_.back()->describe(xdg_outputs_);
  if (surfacing_) surface_output(*outputs_.back());
}

void WaylandHost::surface_output(OutputPainting& output) {
  if (!output.has_surface()) output.make_surface(compositor_, shell_, options_.layer);
}

void WaylandHost::note_lost() {
  if (lost_) return;
  lost_ = true;
  lost_errno_ = wl_display_get_error(display_);
  if (lost_errno_ == 0) lost_errno_ = errno;
}

bool WaylandHost::read_socket(int timeout_ms) {
  if (lost_) return true;
  if (wl_display_prepare_read(display_) != 0) return true;  // events are queued already
  if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display_);
    note_lost();
    return true;
  }
  pollfd fd{wl_display_get_fd(display_), POLLIN, 0};
  const int ready = poll(&fd, 1, timeout_ms);
  if (ready > 0 && (fd.revents & POLLIN) != 0) {
    if (wl_display_read_events(display_) < 0) note_lost();
    return true;
  }
  wl_display_cancel_read(display_);
  if (ready > 0 && (fd.revents & (POLLHUP | POLLERR)) != 0) {
    errno = EPIPE;
    note_lost();
    return true;
  }
  return false;
}

bool WaylandHost::pending() {
  if (lost_ || status_ || (seat_ && seat_->ended())) return true;
  return read_socket(0);
}

void WaylandHost::wait(double seconds) {
  if (lost_ || status_) return;
  read_socket(static_cast<int>(seconds * 1000.0 + 0.999));
}

WindowEvents WaylandHost::take_events() {
  WindowEvents events;
  if (!lost_ && wl_display_dispatch_pending(display_) < 0) note_lost();
  if (!lost_ && wl_display_get_error(display_) != 0) note_lost();
  if (lost_ || status_) {
    events.quit = true;
    return events;
  }
  if (seat_ && seat_->ended()) {
    status_ = 0;
    events.quit = true;
    return events;
  }
  std::erase_if(outputs_, [](const auto& output) { return output->gone(); });
  for (auto& output : outputs_) {
    output->apply_size();
    if (!output->ready_to_start()) continue;
    if (const auto failed = output->start(display_, options_, settings_, installation_,
                                          seed_base_ + paintings_started_++)) {
      status_ = *failed;
      events.quit = true;
      return events;
    }
    if (options_.verbose)
      diag::message("brushwright: painting %s at %d x %d", output->name().c_str(),
                    output->state().render_width, output->state().render_height);
  }
  wl_display_flush(display_);
  return events;
}

void WaylandHost::after_draw(OutputPainting& output, int built_before) {
  if (!debug_.gl_check || output.state().pictures_built == built_before) return;
  if (!report_checks(*output.gl(), ++pictures_)) status_ = 1;
}

bool WaylandHost::render_changed_frame() {
  bool shown = false;
  for (auto& output : outputs_) {
    if (!output->started() || status_) continue;
    painter::PainterState& state = output->state();
    const bool held = painter::frame_is_held(state);
    // Frames of a reveal that would move it too little are left out like held ones.
    const bool changes = painter::frame_changes_display(state);
    const int built = state.pictures_built;
    if (output->wants_frame() && (changes || output->owes_present())) {
      output->draw_and_show();
      shown = true;
    } else if (!held && painter::frame_builds_picture(state)) {
      // A hidden output still builds its next picture when the cycle says so.
      output->draw_unshown();
    } else {
      painter::skip_undrawn_frame(state);
      if (changes) output->set_owes_present();
    }
    after_draw(*output, built);
  }
  if (shown) wl_display_flush(display_);
  return shown;
}

bool WaylandHost::frame_is_static() {
  return std::all_of(outputs_.begin(), outputs_.end(), [](const auto& output) {
    return !output->started() ||
           (painter::frame_is_held(output->state()) && !output->owes_present());
  });
}

void WaylandHost::skip_frame() {
  for (auto& output : outputs_)
    if (output->started()) painter::skip_undrawn_frame(output->state());
}

}  // namespace

bool wayland_compositor_named() {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  if (name == nullptr || name[0] == '\0') return false;
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return false;
  wl_display_disconnect(display);
  return true;
}

int run_on_wayland(const SaverOptions& options, const Settings& settings,
                   std::shared_ptr<assets::Installation> installation) {
  if (!check_picture_data(settings)) return 1;
  WaylandHost host(options, settings, std::move(installation));
  return host.run();
}

}  // namespace bw::host
