// The arithmetic of the picture cycle: frame-rate measurement, the phase whose reshaped
// sine is the reveal `progress`, the reversal that starts a new picture, the hold that
// follows it, and the slow wave the paint pass reads. No device, no randomness: the frame
// driver feeds it the clock and acts on what it returns.
#pragma once

#include <array>
#include <cstdint>

#include "painter/clock.h"

namespace bw::painter {

// Frames to hold a finished picture: delay seconds at frame_rate, truncated toward zero
// (0 for non-positive or non-finite products, capped at the int range).
int hold_frames_for(float delay, float frame_rate);

// Radians per frame of the reveal: speed × 0.02 / frame_rate, or 0.4 / frame_rate when
// speed is 0 (so SPEED 0 behaves like 20).
double phase_step_for(float speed, float frame_rate);

// The reveal value for a phase: the sine reshaped so that it lingers at 0 and 1.
float progress_for_phase(double phase);

// How much of a reveal's time has passed (0 to 1) when its reveal value is `reveal`: the
// inverse of the progress curve over half a period. The curve lingers at its ends and
// hurries through the middle; strokes laid by this time come at a painter's steady pace.
float reveal_time_for(float reveal);

// The first two wave values at wave time t, each within [0.1, 0.9].
std::array<float, 2> wave_at(double t);

// The timing state of the frame driver, with its initial values.
struct FrameTiming {
  float frame_rate = 6.0f;       // frames per second, re-measured every 11 frames
  int frame_counter = 0;         // frames since the last measurement
  std::uint32_t previous_ms = 0;  // measurement time before the last one
  std::uint32_t last_ms = 0;      // time of the last measurement
  bool last_taken = false;        // whether last_ms holds a measurement
  // Just before the sine's low: the first frame starts the first picture at progress 0,
  // so that it is revealed over the bare canvas like every later one over the last.
  double phase = -1.6207963;      // radians
  double phase_step = 0.1;        // radians per frame
  float step_rate = 6.0f;         // the frame rate phase_step was derived from
  bool rate_measured = false;     // whether frame_rate has been measured yet
  int direction = 1;              // +1 while cos(phase) > 0, else -1
  double last_direction = -1.0;   // direction of the previous moving frame
  int hold_frames = 0;            // frames still to hold
  float hold_rate = 0.0f;         // the rate hold_frames counts at; 0: a guess, kept
  float progress = 0.0f;          // reveal of the current picture, 0..1
  double wave_time = 0.0;         // advances by 0.005 every frame

  // Counts one frame; on every 11th call takes a time from `elapsed` and, from the second
  // such time on, sets frame_rate = 11000 / (last - previous) (unchanged for a zero gap).
  void measure_rate(ElapsedTimer& elapsed);

  // Holds or moves the phase for one frame. Returns true when the direction reversed: a
  // new picture starts on this frame, the hold is set from `delay` and the new phase step
  // from `speed`, both at the measured rate. A rate measured while the phase moves
  // re-derives the step, so that the first reveal, begun before any measurement, lasts
  // as long as every other; one measured during the hold that differs from the rate the
  // hold was counted at by more than a tenth recounts the frames left, so that a hold
  // after a reveal drawn slower than the held frames run still lasts `delay` seconds.
  bool advance(float delay, float speed);

  // Advances the wave time and returns the wave's first two values for this frame.
  std::array<float, 2> advance_wave();
};

}  // namespace bw::painter
