// Tileable noise over the unit square. Every function here is periodic: a field sampled
// at (x, y) and at (x + 1, y) or (x, y + 1) is the same, so images made from these fields
// tile without seams whatever the addressing mode the shaders use.
#pragma once

#include <cstdint>

namespace bw::artgen {

// Gradient noise on an integer lattice, periodic with period_x cells across and period_y
// down; (x, y) in lattice units. Result roughly in [-1, 1], 0 on lattice points.
float gradient_noise(float x, float y, int period_x, int period_y, std::uint32_t seed);

// Value noise: random values at lattice points, smoothly interpolated; result in [0, 1].
float value_noise(float x, float y, int period_x, int period_y, std::uint32_t seed);

// Fractal sum of gradient noise over the unit square: `octaves` layers, the first with
// `frequency` cells per unit (and `frequency * aspect` down), each next one twice as fine
// and `gain` times as strong. Result roughly in [-1, 1].
float fbm(float x, float y, int frequency, int octaves, float gain, std::uint32_t seed, int aspect = 1);

// Cellular noise over the unit square with `cells` x `cells` jittered feature points:
// f1 and f2 are the distances to the nearest and second nearest point (in cell units),
// id a hash of the nearest point's cell.
struct Cellular {
  float f1;
  float f2;
  std::uint32_t id;
};
Cellular cellular(float x, float y, int cells, std::uint32_t seed);

// Wraps a coordinate into [0, 1).
float wrap01(float v);

}  // namespace bw::artgen
