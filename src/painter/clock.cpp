#include "painter/clock.h"

#include <chrono>
#include <cmath>

#ifdef _WIN32
#include <windows.h>
#include <mmsystem.h>
#endif

namespace bw::painter {

#ifdef _WIN32

std::uint32_t RealClock::now_ms() { return timeGetTime(); }

std::uint32_t RealClock::tick_count() { return GetTickCount(); }

FineTimerPeriod::FineTimerPeriod() : held_(timeBeginPeriod(1) == TIMERR_NOERROR) {}

FineTimerPeriod::~FineTimerPeriod() {
  if (held_) timeEndPeriod(1);
}

#else

namespace {

std::uint32_t steady_ms() {
  using namespace std::chrono;
  auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ms));
}

}  // namespace

std::uint32_t RealClock::now_ms() { return steady_ms(); }

std::uint32_t RealClock::tick_count() { return steady_ms(); }

FineTimerPeriod::FineTimerPeriod() = default;

FineTimerPeriod::~FineTimerPeriod() = default;

#endif

SimulatedClock::SimulatedClock(double frames_per_second, std::uint32_t start_ms,
                               std::uint32_t tick)
    : frames_per_second_(frames_per_second > 0.0 ? frames_per_second : 60.0),
      start_ms_(start_ms),
      tick_(tick) {}

std::uint32_t SimulatedClock::now_ms() {
  // Whole milliseconds from the exact time of the current frame.
  double ms = std::floor(static_cast<double>(frames_) * 1000.0 / frames_per_second_);
  auto whole = static_cast<std::uint64_t>(ms);
  return start_ms_ + static_cast<std::uint32_t>(whole);
}

std::uint32_t ElapsedTimer::elapsed_ms() {
  if (clock_ == nullptr) return 0;
  std::uint32_t now = clock_->now_ms();
  if (!started_) {
    base_ = now;
    started_ = true;
  }
  return now - base_;
}

}  // namespace bw::painter
