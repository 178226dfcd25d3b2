// The input a Wayland screen saver ends on: a key or a button pressed, or the pointer moved
// beyond a small distance, on any of its surfaces. It also hides the pointer over them.
#pragma once

#include <cstdint>

struct wl_keyboard;
struct wl_pointer;
struct wl_seat;
struct wl_surface;

namespace bw::host::wayland {

// How far (in surface units) the pointer may move before the saver ends: a desk that
// shakes must not end it, a hand on the mouse must.
inline constexpr double kPointerMoveLimit = 12.0;

// True when a move from where the pointer entered to (x, y) ends the saver.
bool moved_beyond_limit(double entered_x, double entered_y, double x, double y);

class WaylandSeat {
 public:
  // Takes the bound seat and listens to its keyboard and pointer as they come and go.
  explicit WaylandSeat(wl_seat* seat);
  ~WaylandSeat();
  WaylandSeat(const WaylandSeat&) = delete;
  WaylandSeat& operator=(const WaylandSeat&) = delete;

  // True once input asked the saver to end.
  bool ended() const { return ended_; }

 private:
  // Gives the keyboard or pointer back: released where the seat knows the request (version
  // 3 on), else destroyed on our side only.
  void drop_keyboard();
  void drop_pointer();
  static void on_capabilities(void* data, wl_seat* seat, std::uint32_t capabilities);
  static void on_key(void* data, wl_keyboard* keyboard, std::uint32_t serial,
                     std::uint32_t time, std::uint32_t key, std::uint32_t state);
  static void on_keymap(void* data, wl_keyboard* keyboard, std::uint32_t format,
                        std::int32_t fd, std::uint32_t size);
  static void on_pointer_enter(void* data, wl_pointer* pointer, std::uint32_t serial,
                               wl_surface* surface, std::int32_t x, std::int32_t y);
  static void on_motion(void* data, wl_pointer* pointer, std::uint32_t time, std::int32_t x,
                        std::int32_t y);
  static void on_button(void* data, wl_pointer* pointer, std::uint32_t serial,
                        std::uint32_t time, std::uint32_t button, std::uint32_t state);

  wl_seat* seat_;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  bool entered_ = false;
  double entered_x_ = 0;
  double entered_y_ = 0;
  bool ended_ = false;
};

}  // namespace bw::host::wayland
