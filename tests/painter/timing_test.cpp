// The arithmetic of the picture cycle, without a device: the random sequence, hold and
// phase step, the progress curve, the wave and the frame-rate measurement.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "painter/clock.h"
#include "painter/random_draw.h"
#include "painter/timing.h"

namespace bw::painter {
namespace {

TEST(RandomDraw, FollowsTheLinearCongruentialSequence) {
  RandomDraw random;
  random.seed(1);
  const std::vector<int> expected = {41, 18467, 6334, 26500, 19169};
  for (int value : expected) EXPECT_EQ(random.next(), value);
  random.seed(0xFFFFFFFFu);  // the state wraps modulo 2^32
  EXPECT_EQ(random.state(), 0xFFFFFFFFu);
  random.next();
  EXPECT_EQ(random.state(), 0xFFFFFFFFu * 214013u + 2531011u);
}

TEST(Timing, HoldFramesTruncateDelayTimesRate) {
  struct Case {
    float delay, rate;
    int frames;
  };
  const Case cases[] = {
      {7.0f, 60.0f, 420},  // the defaults at 60 frames/s
      {7.0f, 6.0f, 42},    // the first picture, before any measurement
      {0.0f, 60.0f, 0},    // DELAY 0: no hold
      {7.0f, 59.9f, 419},  // truncated, not rounded
      {-3.0f, 60.0f, 0},
      {1e30f, 60.0f, 2147483647},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hold_frames_for(c.delay, c.rate), c.frames) << c.delay << " s at " << c.rate;
  }
}

TEST(Timing, PhaseStepFromSpeedAndSpeedZeroLikeTwenty) {
  EXPECT_DOUBLE_EQ(phase_step_for(20.0f, 60.0f), 20.0 * 0.02 / 60.0);
  EXPECT_DOUBLE_EQ(phase_step_for(0.0f, 60.0f), phase_step_for(20.0f, 60.0f));
  EXPECT_DOUBLE_EQ(phase_step_for(0.0f, 6.0f), 0.4 / 6.0);
  // Half a period of the sine at the defaults and 60 frames/s: about 471 frames.
  EXPECT_NEAR(std::numbers::pi / phase_step_for(20.0f, 60.0f), 471.24, 0.01);
}

TEST(Timing, ProgressCurveReachesBothEndsAndStaysInside) {
  EXPECT_EQ(progress_for_phase(std::numbers::pi / 2), 1.0f);
  EXPECT_EQ(progress_for_phase(3 * std::numbers::pi / 2), 0.0f);
  EXPECT_FLOAT_EQ(progress_for_phase(0.0), 0.5f);
  float previous = -1.0f;
  for (int i = 0; i <= 1000; ++i) {
    double phase = -std::numbers::pi / 2 + std::numbers::pi * i / 1000.0;
    float p = progress_for_phase(phase);
    ASSERT_GE(p, 0.0f);
    ASSERT_LE(p, 1.0f);
    ASSERT_GE(p, previous) << "the reveal runs one way between two reversals";
    previous = p;
  }
  // Flattened near the ends: the last tenth of the phase covers little of the reveal.
  EXPECT_GT(progress_for_phase(std::numbers::pi / 2 - 0.157), 0.93f);
}

TEST(Timing, WaveStaysWithinItsBand) {
  for (int i = 0; i < 20000; ++i) {
    auto wave = wave_at(i * 0.005);
    ASSERT_GE(wave[0], 0.1f);
    ASSERT_LE(wave[0], 0.9f);
    ASSERT_GE(wave[1], 0.1f);
    ASSERT_LE(wave[1], 0.9f);
  }
}

TEST(Timing, FrameRateMeasuredEveryEleventhFrameFromTheSecondTime) {
  SimulatedClock clock(50.0);
  ElapsedTimer elapsed(clock);
  FrameTiming timing;
  for (int frame = 1; frame <= 21; ++frame) {
    clock.frame_started();
    timing.measure_rate(elapsed);
    ASSERT_EQ(timing.frame_rate, 6.0f) << "frame " << frame;
  }
  clock.frame_started();
  timing.measure_rate(elapsed);  // the 22nd frame: 11 frames in 220 ms
  EXPECT_FLOAT_EQ(timing.frame_rate, 50.0f);

  FrameTiming stalled;  // a clock that does not move keeps the rate
  SimulatedClock still(50.0);
  ElapsedTimer never(still);
  for (int frame = 0; frame < 44; ++frame) stalled.measure_rate(never);
  EXPECT_EQ(stalled.frame_rate, 6.0f);
}

TEST(Timing, RevealTimeInvertsTheProgressCurve) {
  EXPECT_EQ(reveal_time_for(0.0f), 0.0f);
  EXPECT_EQ(reveal_time_for(1.0f), 1.0f);
  EXPECT_EQ(reveal_time_for(-0.5f), 0.0f);
  EXPECT_EQ(reveal_time_for(std::nanf("")), 0.0f);
  EXPECT_NEAR(reveal_time_for(0.5f), 0.5f, 1e-6f);
  // Short of the ends, where a float's progress no longer moves.
  for (int i = 5; i <= 95; ++i) {
    const double time = i / 100.0;
    const float progress = progress_for_phase(std::numbers::pi * (time - 0.5));
    EXPECT_NEAR(reveal_time_for(progress), time, 1e-3) << "time " << time;
  }
}

// Frames at which a new picture starts, over `frames` frames at a steady rate.
std::vector<int> reversal_frames(double fps, float delay, float speed, int frames,
                                 std::vector<float>* progress = nullptr) {
  SimulatedClock clock(fps);
  ElapsedTimer elapsed(clock);
  FrameTiming timing;
  std::vector<int> reversals;
  for (int frame = 1; frame <= frames; ++frame) {
    clock.frame_started();
    timing.measure_rate(elapsed);
    if (timing.advance(delay, speed)) reversals.push_back(frame);
    if (progress) progress->push_back(timing.progress);
  }
  return reversals;
}

TEST(Timing, FirstFrameStartsAPictureHeldFortyTwoFrames) {
  std::vector<float> progress;
  auto reversals = reversal_frames(60.0, 7.0f, 20.0f, 60, &progress);
  ASSERT_FALSE(reversals.empty());
  EXPECT_EQ(reversals[0], 1);
  // Frames 2..43 hold the first picture; frame 44 moves again.
  for (int frame = 2; frame <= 43; ++frame) EXPECT_EQ(progress[frame - 1], progress[0]);
  EXPECT_NE(progress[43], progress[0]);
}

TEST(Timing, SteadyCycleHoldsDelaySecondsAndRevealsOverHalfASine) {
  struct Case {
    double fps;
    float delay, speed;
    int hold_low, hold_high;      // frames held after a reversal
    int reveal_low, reveal_high;  // moving frames until the next reversal
  };
  const Case cases[] = {
      {50.0, 7.0f, 20.0f, 350, 350, 392, 393},
      // 11 frames take 183 or 184 whole milliseconds at 60 frames/s.
      {60.0, 7.0f, 20.0f, 418, 420, 469, 472},
      {50.0, 7.0f, 0.0f, 350, 350, 392, 393},  // SPEED 0 like 20
      {50.0, 0.0f, 20.0f, 0, 0, 392, 393},     // DELAY 0: moving right after
  };
  for (const Case& c : cases) {
    auto reversals = reversal_frames(c.fps, c.delay, c.speed, 6000);
    ASSERT_GE(reversals.size(), 6u);
    // From the fourth picture on, every cycle starts from a reversal at the measured rate.
    for (std::size_t i = 3; i + 1 < reversals.size(); ++i) {
      int gap = reversals[i + 1] - reversals[i];
      EXPECT_GE(gap, c.hold_low + c.reveal_low) << c.fps << " fps, cycle " << i;
      EXPECT_LE(gap, c.hold_high + c.reveal_high) << c.fps << " fps, cycle " << i;
    }
  }
}

TEST(Timing, HoldFreezesProgressForExactlyTheHeldFrames) {
  std::vector<float> progress;
  auto reversals = reversal_frames(50.0, 7.0f, 20.0f, 2500, &progress);
  ASSERT_GE(reversals.size(), 3u);
  int r = reversals[2];
  for (int frame = r + 1; frame <= r + 350; ++frame) {
    ASSERT_EQ(progress[frame - 1], progress[r - 1]) << "frame " << frame;
  }
  EXPECT_NE(progress[r + 350], progress[r - 1]);
  // A reversal happens at an extreme of the reveal.
  EXPECT_TRUE(progress[r - 1] > 0.999f || progress[r - 1] < 0.001f) << progress[r - 1];
}

// A clock the test sets by hand.
class HandClock final : public Clock {
 public:
  std::uint32_t ms = 0;
  std::uint32_t now_ms() override { return ms; }
  std::uint32_t tick_count() override { return 0; }
  void frame_started() override {}
};

// A host may run held frames at another rate than the reveal's (it skips drawing them, or
// they are slowed): the hold still lasts `delay` seconds, and the reveal its own length,
// within a tenth, since the rate in force lags a change by up to two measurements.
TEST(Timing, HoldAndRevealKeepTheirSecondsWhenHeldFramesRunAtAnotherRate) {
  struct Case {
    double reveal_fps, hold_fps;
  };
  for (const Case c : {Case{60, 60}, {15, 60}, {60, 15}, {24, 60}, {60, 200}}) {
    HandClock clock;
    ElapsedTimer elapsed(clock);
    FrameTiming timing;
    double ms = 0.0;
    int reversals = 0;
    double reversal_ms = -1.0, moved_ms = -1.0, next_reversal_ms = -1.0;
    for (int frame = 0; frame < 100000 && next_reversal_ms < 0.0; ++frame) {
      ms += 1000.0 / (timing.hold_frames > 0 ? c.hold_fps : c.reveal_fps);
      clock.ms = static_cast<std::uint32_t>(ms);
      timing.measure_rate(elapsed);
      const double phase = timing.phase;
      if (timing.advance(7.0f, 20.0f)) {
        if (++reversals == 3) reversal_ms = ms;
        if (reversals == 4) next_reversal_ms = ms;
      } else if (reversal_ms >= 0.0 && moved_ms < 0.0 && timing.phase != phase) {
        moved_ms = ms;
      }
    }
    ASSERT_GE(next_reversal_ms, 0.0) << c.reveal_fps << " / " << c.hold_fps;
    EXPECT_NEAR((moved_ms - reversal_ms) / 1000.0, 7.0, 0.7)
        << "hold, reveal at " << c.reveal_fps << " fps, held frames at " << c.hold_fps;
    EXPECT_NEAR((next_reversal_ms - moved_ms) / 1000.0, std::numbers::pi / 0.4, 0.78)
        << "reveal at " << c.reveal_fps << " fps, held frames at " << c.hold_fps;
  }
}

}  // namespace
}  // namespace bw::painter
