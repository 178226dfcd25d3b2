#include "host/wayland/wayland_seat.h"

#include <unistd.h>
#include <wayland-client.h>

#include <cmath>

namespace bw::host::wayland {
namespace {

// Events of no concern to a saver.
void ignore_seat_name(void*, wl_seat*, const char*) {}
void ignore_keyboard_enter(void*, wl_keyboard*, std::uint32_t, wl_surface*, wl_array*) {}
void ignore_keyboard_leave(void*, wl_keyboard*, std::uint32_t, wl_surface*) {}
void ignore_modifiers(void*, wl_keyboard*, std::uint32_t, std::uint32_t, std::uint32_t,
                      std::uint32_t, std::uint32_t) {}
void ignore_repeat(void*, wl_keyboard*, std::int32_t, std::int32_t) {}
void ignore_pointer_leave(void*, wl_pointer*, std::uint32_t, wl_surface*) {}
void ignore_axis(void*, wl_pointer*, std::uint32_t, std::uint32_t, wl_fixed_t) {}
void ignore_frame(void*, wl_pointer*) {}
void ignore_axis_source(void*, wl_pointer*, std::uint32_t) {}
void ignore_axis_stop(void*, wl_pointer*, std::uint32_t, std::uint32_t) {}
void ignore_axis_discrete(void*, wl_pointer*, std::uint32_t, std::int32_t) {}
void ignore_axis_value120(void*, wl_pointer*, std::uint32_t, std::int32_t) {}

}  // namespace

bool moved_beyond_limit(double entered_x, double entered_y, double x, double y) {
  return std::hypot(x - entered_x, y - entered_y) > kPointerMoveLimit;
}

WaylandSeat::WaylandSeat(wl_seat* seat) : seat_(seat) {
  static const wl_seat_listener listener = {on_capabilities, ignore_seat_name};
  wl_seat_add_listener(seat_, &listener, this);
}

WaylandSeat::~WaylandSeat() {
  drop_keyboard();
  drop_pointer();
  if (wl_seat_get_version(seat_) >= WL_SEAT_RELEASE_SINCE_VERSION)
    wl_seat_release(seat_);
  else
    wl_seat_destroy(seat_);
}

void WaylandSeat::drop_keyboard() {
  if (keyboard_ == nullptr) return;
  if (wl_seat_get_version(seat_) >= WL_KEYBOARD_RELEASE_SINCE_VERSION)
    wl_keyboard_release(keyboard_);
  else
    wl_keyboard_destroy(keyboard_);
  keyboard_ = nullptr;
}

void WaylandSeat::drop_pointer() {
  if (pointer_ == nullptr) return;
  if (wl_seat_get_version(seat_) >= WL_POINTER_RELEASE_SINCE_VERSION)
    wl_pointer_release(pointer_);
  else
    wl_pointer_destroy(pointer_);
  pointer_ = nullptr;
  entered_ = false;
}

void WaylandSeat::on_capabilities(void* data, wl_seat* seat, std::uint32_t capabilities) {
  auto* self = static_cast<WaylandSeat*>(data);
  const bool keyboard = (capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0;
  const bool pointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  if (keyboard && self->keyboard_ == nullptr) {
    static const wl_keyboard_listener listener = {on_keymap, ignore_keyboard_enter,
                                                  ignore_keyboard_leave, on_key,
                                                  ignore_modifiers, ignore_repeat};
    self->keyboard_ = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(self->keyboard_, &listener, self);
  } else if (!keyboard) {
    self->drop_keyboard();
  }
  if (pointer && self->pointer_ == nullptr) {
    static const wl_pointer_listener listener = {
        on_pointer_enter,   ignore_pointer_leave, on_motion,        on_button,
        ignore_axis,        ignore_frame,         ignore_axis_source, ignore_axis_stop,
        ignore_axis_discrete, ignore_axis_value120};
    self->pointer_ = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(self->pointer_, &listener, self);
  } else if (!pointer) {
    self->drop_pointer();
  }
}

void WaylandSeat::on_keymap(void*, wl_keyboard*, std::uint32_t, std::int32_t fd,
                            std::uint32_t) {
  close(fd);  // any key ends the saver: which one it was does not matter
}

void WaylandSeat::on_key(void* data, wl_keyboard*, std::uint32_t, std::uint32_t,
                         std::uint32_t, std::uint32_t state) {
  // Only a press: the release of the key that started the saver must not end it.
  if (state == WL_KEYBOARD_KEY_STATE_PRESSED) static_cast<WaylandSeat*>(data)->ended_ = true;
}

void WaylandSeat::on_pointer_enter(void* data, wl_pointer* pointer, std::uint32_t serial,
                                   wl_surface*, std::int32_t x, std::int32_t y) {
  auto* self = static_cast<WaylandSeat*>(data);
  wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the painting
  // Each surface has its own coordinates: the distance counts from where the pointer
  // came onto the last one.
  self->entered_ = true;
  self->entered_x_ = wl_fixed_to_double(x);
  self->entered_y_ = wl_fixed_to_double(y);
}

void WaylandSeat::on_motion(void* data, wl_pointer*, std::uint32_t, std::int32_t x,
                            std::int32_t y) {
  auto* self = static_cast<WaylandSeat*>(data);
  if (!self->entered_) return;
  if (moved_beyond_limit(self->entered_x_, self->entered_y_, wl_fixed_to_double(x),
                         wl_fixed_to_double(y)))
    self->ended_ = true;
}

void WaylandSeat::on_button(void* data, wl_pointer*, std::uint32_t, std::uint32_t,
                            std::uint32_t, std::uint32_t state) {
  if (state == WL_POINTER_BUTTON_STATE_PRESSED) static_cast<WaylandSeat*>(data)->ended_ = true;
}

}  // namespace bw::host::wayland
