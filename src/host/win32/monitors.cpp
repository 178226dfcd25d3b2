#include "host/win32/monitors.h"

namespace bw::host {
namespace {

bool overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

}  // namespace

std::vector<Monitor> other_monitors_to_paint(const std::vector<Monitor>& monitors) {
  std::vector<RECT> taken;
  for (const Monitor& monitor : monitors)
    if (monitor.primary) taken.push_back(monitor.area);
  std::vector<Monitor> others;
  for (const Monitor& monitor : monitors) {
    if (monitor.primary) continue;
    bool covered = false;
    for (const RECT& area : taken) covered = covered || overlap(monitor.area, area);
    if (covered) continue;
    taken.push_back(monitor.area);
    others.push_back(monitor);
  }
  return others;
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
              {info.rcMonitor, (info.dwFlags & MONITORINFOF_PRIMARY) != 0, handle});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

}  // namespace bw::host
