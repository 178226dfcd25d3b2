// Which monitors a full-screen saver paints. The saver window paints the primary monitor;
// every other monitor gets a window of the saver's class with a painting of its own.
#pragma once

#include <windows.h>

#include <vector>

namespace bw::host {

// One monitor: its rectangle on the virtual screen, whether it is the primary one, and
// the system's handle (null in tests).
struct Monitor {
  RECT area;
  bool primary;
  HMONITOR handle = nullptr;
};

// The monitors besides the primary one that get a painting of their own, in the system's
// order, leaving out any that overlaps the primary or one taken before it (a display that
// mirrors another would show two paintings over each other).
std::vector<Monitor> other_monitors_to_paint(const std::vector<Monitor>& monitors);

// The monitors attached to the desktop, as the system lists them.
std::vector<Monitor> list_monitors();

}  // namespace bw::host
