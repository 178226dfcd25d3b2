// Which monitors a full-screen saver blacks out. The saver window paints the primary
// monitor; every other monitor gets a black window of the saver's class.
#pragma once

#include <windows.h>

#include <vector>

namespace bw::host {

// One monitor: its rectangle on the virtual screen and whether it is the primary one.
struct Monitor {
  RECT area;
  bool primary;
};

// The monitors to cover with black windows: all but the primary one, leaving out any that
// overlaps it (a display that mirrors the primary one would hide the painting).
std::vector<RECT> areas_to_blacken(const std::vector<Monitor>& monitors);

// The monitors attached to the desktop, as the system lists them.
std::vector<Monitor> list_monitors();

}  // namespace bw::host
