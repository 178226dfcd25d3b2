#include "assets/additive_random.h"

namespace bw::assets {

void AdditiveRandom::seed(int32_t seed) {
  s_.fill(0);
  s_[0] = static_cast<uint32_t>(seed);
  // Park-Miller minimal standard steps by Schrage's method, on signed 32-bit words.
  for (int i = 0; i < kDegree - 1; ++i) {
    int32_t word = static_cast<int32_t>(s_[static_cast<size_t>(i)]);
    int64_t q = word / 127773;
    int64_t m = word % 127773;
    int64_t t = 16807 * m - 2836 * q;
    if (t <= 0) t += 2147483647;
    s_[static_cast<size_t>(i + 1)] = static_cast<uint32_t>(t);
  }
  front_ = kSeparation;
  rear_ = 0;
  for (int i = 0; i < kDegree * 10; ++i) step();
}

uint32_t AdditiveRandom::step() {
  uint32_t sum = s_[static_cast<size_t>(front_)] + s_[static_cast<size_t>(rear_)];
  s_[static_cast<size_t>(front_)] = sum;
  ++front_;
  ++rear_;
  if (front_ >= kEnd) {
    front_ = 1;
  } else if (rear_ >= kEnd) {
    rear_ = 1;
  }
  return sum;
}

uint32_t AdditiveRandom::next() { return step() >> 1; }

void descramble(std::span<uint8_t> bytes, int32_t seed) {
  AdditiveRandom random;
  random.seed(seed);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(b - (random.next() & 0xFF));
}

void scramble(std::span<uint8_t> bytes, int32_t seed) {
  AdditiveRandom random;
  random.seed(seed);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(b + (random.next() & 0xFF));
}

int32_t record_seed(int32_t record) {
  // Wraps like the 32-bit addition it stands for.
  return static_cast<int32_t>(static_cast<uint32_t>(record) +
                              static_cast<uint32_t>(kRecordSeedSalt));
}

}  // namespace bw::assets
