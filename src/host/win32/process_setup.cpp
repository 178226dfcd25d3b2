#include "host/win32/process_setup.h"

namespace bw::host {

void use_per_monitor_dpi() {
  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 is the handle value -4.
  using SetContext = BOOL(WINAPI*)(HANDLE);
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return;
  const auto set_context = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(GetProcAddress(user32, "SetProcessDpiAwarenessContext")));
  if (set_context != nullptr) set_context(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-4)));
}

FullScreenClaim::FullScreenClaim() {
  mutex_ = CreateMutexA(nullptr, TRUE, kFullScreenMutex);
  held_ = mutex_ != nullptr && GetLastError() != ERROR_ALREADY_EXISTS;
}

FullScreenClaim::~FullScreenClaim() {
  if (mutex_ == nullptr) return;
  if (held_) ReleaseMutex(mutex_);
  CloseHandle(mutex_);
}

}  // namespace bw::host
