// Time for the engine. The frame driver and the plan pass read one clock object: the real
// clock for the saver, or a simulated clock that moves by a fixed step per frame, so that a
// seed, a size and a frame rate give the same pictures on every run.
#pragma once

#include <cstdint>

namespace bw::painter {

// A source of milliseconds (multimedia-timer style) and of the tick count used as seed.
class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds on a free-running counter (wraps at 2^32).
  virtual std::uint32_t now_ms() = 0;
  // Milliseconds since system start, used to seed the random generator.
  virtual std::uint32_t tick_count() = 0;
  // Called once at the start of every frame; a simulated clock advances here.
  virtual void frame_started() {}
};

// The machine's clock: on Windows the multimedia timer (timeGetTime) and the tick count
// (GetTickCount), elsewhere the monotonic clock for both.
class RealClock final : public Clock {
 public:
  std::uint32_t now_ms() override;
  std::uint32_t tick_count() override;
};

// Asks for a 1 ms timer period while it lives, so that the multimedia timer and frame
// pacing do not move in steps of the system's default tick (15.6 ms on Windows). Hold one
// while the saver runs; where the clock is fine already it does nothing.
class FineTimerPeriod {
 public:
  FineTimerPeriod();
  ~FineTimerPeriod();
  FineTimerPeriod(const FineTimerPeriod&) = delete;
  FineTimerPeriod& operator=(const FineTimerPeriod&) = delete;

 private:
  [[maybe_unused]] bool held_ = false;  // read only where there is a period to give back
};

// A clock that stands still within a frame and moves by 1000 / frames_per_second
// milliseconds at each frame start. Readings are whole milliseconds, rounded down from the
// exact time, so the long-run rate is exact.
class SimulatedClock final : public Clock {
 public:
  // frames_per_second must be positive; start_ms is the reading before the first frame,
  // tick is what tick_count() reports.
  explicit SimulatedClock(double frames_per_second, std::uint32_t start_ms = 0,
                          std::uint32_t tick = 0);
  std::uint32_t now_ms() override;
  std::uint32_t tick_count() override { return tick_; }
  void frame_started() override { ++frames_; }
  // Frames started so far.
  std::uint64_t frames() const { return frames_; }

 private:
  double frames_per_second_;
  std::uint32_t start_ms_;
  std::uint32_t tick_;
  std::uint64_t frames_ = 0;
};

// elapsed_ms(): milliseconds since its own first call, in unsigned 32-bit arithmetic.
class ElapsedTimer {
 public:
  ElapsedTimer() = default;
  explicit ElapsedTimer(Clock& clock) : clock_(&clock) {}
  // Reads `clock` from now on (the base, once fixed, is kept).
  void attach(Clock& clock) { clock_ = &clock; }
  // The first call fixes the base and returns 0; later calls return the time since.
  // Without a clock it returns 0.
  std::uint32_t elapsed_ms();

 private:
  Clock* clock_ = nullptr;
  std::uint32_t base_ = 0;
  bool started_ = false;
};

}  // namespace bw::painter
