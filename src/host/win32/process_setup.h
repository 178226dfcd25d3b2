// What the saver process settles before it makes a window: its DPI awareness, and that a
// full-screen saver runs once at a time.
#pragma once

#include <windows.h>

namespace bw::host {

// Asks for per-monitor DPI awareness (v2) where the system has it
// (SetProcessDpiAwarenessContext, Windows 10 1703 and later), so that every monitor is
// painted at its own pixel size; the manifest asks the same of systems that read it.
void use_per_monitor_dpi();

// The name of the mutex a full-screen saver holds while it runs.
inline constexpr const char* kFullScreenMutex = "Local\\BrushwrightFullScreenSaver";

// Held by the one full-screen saver of a session: a second "/s" finds it taken and ends.
class FullScreenClaim {
 public:
  FullScreenClaim();
  ~FullScreenClaim();
  FullScreenClaim(const FullScreenClaim&) = delete;
  FullScreenClaim& operator=(const FullScreenClaim&) = delete;
  // False when another full-screen saver of this session runs.
  bool held() const { return held_; }

 private:
  HANDLE mutex_ = nullptr;
  bool held_ = false;
};

}  // namespace bw::host
