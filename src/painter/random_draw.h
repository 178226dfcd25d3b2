// The painting engine's one random generator. Every random choice of the engine (layer
// colours, animation values, image numbers) is taken from this one sequence, in a fixed
// order, so the order of draws is part of what a picture looks like.
#pragma once

#include <cstdint>

namespace bw::painter {

// Linear congruential generator with a 32-bit state and 15-bit results.
class RandomDraw {
 public:
  // Sets the state; the next draw continues from it.
  void seed(std::uint32_t state) { state_ = state; }
  // Advances the state (state * 214013 + 2531011, modulo 2^32) and returns its bits 16..30.
  int next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int>((state_ >> 16) & 32767u);
  }
  // The current state, for tests and for resuming a sequence.
  std::uint32_t state() const { return state_; }

 private:
  std::uint32_t state_ = 0;
};

// Largest value next() returns; divisions by it give values in [0, 1].
inline constexpr int kRandomMax = 32767;

}  // namespace bw::painter
