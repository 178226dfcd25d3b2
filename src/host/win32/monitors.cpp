#include "host/win32/monitors.h"

namespace bw::host {
namespace {

bool overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

std::vector<RECT> areas_to_blacken(const std::vector<Monitor>& monitors) {
  std::vector<RECT> areas;
  for (const Monitor& monitor : monitors) {
    if (monitor.primary) continue;
    bool mirrors = false;
    for (const Monitor& other : monitors)
      mirrors = mirrors || (other.primary && overlap(monitor.area, other.area));
    if (!mirrors) areas.push_back(monitor.area);
  }
  return areas;
}

std::vector<Monitor> list_monitors() {
  std::vector<Monitor> monitors;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR handle, HDC, LPRECT, LPARAM found) -> BOOL {
        MONITORINFO info = {};
        info.cbSize = sizeof info;
        if (GetMonitorInfoA(handle, &info))
          reinterpret_cast<std::vector<Monitor>*>(found)->push_back(
              {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

}  // namespace bw::host
