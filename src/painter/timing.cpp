#include "painter/timing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace bw::painter {

namespace {

constexpr int kFramesBeforeRate = 20;

}  // namespace

int hold_frames_for(float delay, float frame_rate) {
  float frames = delay * frame_rate;
  if (!(frames > 0.0f)) return 0;  // also NaN
  if (frames >= static_cast<float>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(frames);
}

double phase_step_for(float speed, float frame_rate) {
  if (speed != 0.0f) return static_cast<double>(speed) * 0.02 / frame_rate;
  return 0.4 / frame_rate;
}

float progress_for_phase(double phase) {
  double s = std::sin(phase);
  double sign = s > 0.0 ? 1.0 : -1.0;
  double a = std::fabs(s);
  double e = (1.0 - std::pow(a, 0.4)) * 0.9 + 0.1;
  return static_cast<float>((sign * std::pow(a, e) + 1.0) * 0.5);
}

float reveal_time_for(float reveal) {
  if (!(reveal > 0.0f)) return 0.0f;  // also NaN
  if (reveal >= 1.0f) return 1.0f;
  constexpr double kPi = 3.14159265358979323846;
  double low = 0.0, high = 1.0;
  for (int i = 0; i < 40; ++i) {
    const double middle = 0.5 * (low + high);
    if (progress_for_phase(kPi * (middle - 0.5)) < reveal) {
      low = middle;
    } else {
      high = middle;
    }
  }
  return static_cast<float>(0.5 * (low + high));
}

std::array<float, 2> wave_at(double t) {
  double x = (std::sin(std::cos((t + 0.33) * 1.8798) + std::sin((t + 0.18) * 1.8263) +
                       std::sin(t * 1.2561 + 0.17)) +
              1.2) *
                 0.4 +
             0.02;
  double y = (std::sin(std::sin((t + 0.76) * 1.5431) + std::sin((t + 0.49) * 1.4321) +
                       std::sin(t * 1.5431 + 0.12)) +
              1.2) *
                 0.4 +
             0.02;
  return {static_cast<float>(x), static_cast<float>(y)};
}

void FrameTiming::measure_rate(ElapsedTimer& elapsed) {
  int before = frame_counter++;
  if (before != 10) return;
  if (last_taken) {
    previous_ms = last_ms;
    last_ms = elapsed.elapsed_ms();
    std::uint32_t gap = last_ms - previous_ms;
    if (gap != 0) frame_rate = static_cast<float>(11.0 * 1000.0 / gap);
    rate_measured = true;
  } else {
    last_ms = elapsed.elapsed_ms();
    last_taken = true;
  }
  frame_counter = 0;
}

bool FrameTiming::advance(float delay, float speed) {
  if (hold_frames > 0) {
    if (hold_rate > 0.0f && std::fabs(frame_rate - hold_rate) > 0.1f * hold_rate) {
      const double left = std::round(hold_frames * static_cast<double>(frame_rate) / hold_rate);
      hold_frames = static_cast<int>(
          std::min(left, static_cast<double>(std::numeric_limits<int>::max())));
      hold_rate = frame_rate;
      if (hold_frames <= 0) hold_frames = 1;  // this frame is still held
    }
    --hold_frames;
    return false;
  }
  if (step_rate != frame_rate) {
    phase_step = phase_step_for(speed, frame_rate);
    step_rate = frame_rate;
  }
  phase += phase_step;
  progress = progress_for_phase(phase);
  direction = std::cos(phase) > 0.0 ? 1 : -1;
  bool reversal = (last_direction < 0.0 && direction > 0) ||
                  (last_direction > 0.0 && direction < 0);
  last_direction = direction;
  if (!reversal) return false;
  hold_frames = hold_frames_for(delay, frame_rate);
  // Until the rate is measured (on the 22nd frame) it is a guess: a picture is held at
  // least that long, so that its reveal runs at the real rate.
  if (!rate_measured) hold_frames = std::max(hold_frames, kFramesBeforeRate);
  hold_rate = rate_measured ? frame_rate : 0.0f;
  phase_step = phase_step_for(speed, frame_rate);
  step_rate = frame_rate;
  return true;
}

std::array<float, 2> FrameTiming::advance_wave() {
  wave_time += 0.005;
  return wave_at(wave_time);
}

}  // namespace bw::painter
