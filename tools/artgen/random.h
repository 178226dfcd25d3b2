// Deterministic randomness for the generator: every image draws from its own stream,
// derived from the run's seed, the image family and the image number, so that adding
// images to one family never changes another family's bytes.
#pragma once

#include <cstdint>

namespace bw::artgen {

// Mixes a 32-bit value into a well-spread 32-bit hash (a bijection).
constexpr std::uint32_t mix32(std::uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

// Hash of a lattice point and a seed; the basis of every noise function.
constexpr std::uint32_t hash_point(std::int32_t x, std::int32_t y, std::uint32_t seed) {
  return mix32(static_cast<std::uint32_t>(x) * 0x8da6b343U + static_cast<std::uint32_t>(y) * 0xd8163841U + seed * 0xcb1ab31fU);
}

// Small sequential generator (SplitMix64): fast, and the same on every platform.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed) {}

  // Next 64 random bits.
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }
  // Uniform in [lo, hi).
  double range(double lo, double hi) { return lo + (hi - lo) * uniform(); }
  // Uniform integer in [0, n); n > 0.
  int below(int n) { return static_cast<int>(next() % static_cast<std::uint64_t>(n)); }
  // True with probability p.
  bool chance(double p) { return uniform() < p; }

 private:
  std::uint64_t state_;
};

// Seed of one image's stream: the run seed, a family tag and the image number.
constexpr std::uint64_t stream_seed(std::uint32_t run_seed, std::uint32_t family, std::uint32_t number) {
  return (static_cast<std::uint64_t>(mix32(run_seed ^ mix32(family))) << 32) |
         mix32(number * 0x9e3779b9U + family);
}

}  // namespace bw::artgen
