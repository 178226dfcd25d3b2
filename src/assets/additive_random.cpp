#include "assets/additive_random.h"

#include <algorithm>

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

std::array<uint32_t, AdditiveRandom::kDegree> AdditiveRandom::history() const {
  // After the warm-up the words live in slots 1 to 31; the one at front_ is the oldest.
  std::array<uint32_t, kDegree> words{};
  for (int i = 0; i < kDegree; ++i)
    words[static_cast<size_t>(i)] = s_[static_cast<size_t>(1 + (front_ - 1 + i) % kDegree)];
  return words;
}

namespace {

// Adds (or subtracts) the low byte of each output of the generator seeded with `seed`.
// Each new word is the sum of the words made kDegree and kSeparation steps before it, so
// the words are made in blocks over a flat window of the last kDegree, without the ring's
// index wrapping on every step.
template <bool kAdd>
void apply_key(std::span<uint8_t> bytes, int32_t seed) {
  constexpr size_t kLag = AdditiveRandom::kDegree;
  constexpr size_t kShortLag = AdditiveRandom::kSeparation;
  constexpr size_t kBlock = 4096;
  AdditiveRandom random;
  random.seed(seed);
  std::array<uint32_t, kLag + kBlock> words;
  const auto history = random.history();
  std::copy(history.begin(), history.end(), words.begin());
  for (size_t done = 0; done < bytes.size();) {
    const size_t count = std::min(kBlock, bytes.size() - done);
    for (size_t i = kLag; i < kLag + count; ++i) words[i] = words[i - kLag] + words[i - kShortLag];
    uint8_t* out = bytes.data() + done;
    for (size_t i = 0; i < count; ++i) {
      const auto key = static_cast<uint8_t>(words[kLag + i] >> 1);
      out[i] = static_cast<uint8_t>(kAdd ? out[i] + key : out[i] - key);
    }
    std::copy(words.begin() + static_cast<std::ptrdiff_t>(count),
              words.begin() + static_cast<std::ptrdiff_t>(count + kLag), words.begin());
    done += count;
  }
}

}  // namespace

void descramble(std::span<uint8_t> bytes, int32_t seed) { apply_key<false>(bytes, seed); }

void scramble(std::span<uint8_t> bytes, int32_t seed) { apply_key<true>(bytes, seed); }

int32_t record_seed(int32_t record) {
  // Wraps like the 32-bit addition it stands for.
  return static_cast<int32_t>(static_cast<uint32_t>(record) +
                              static_cast<uint32_t>(kRecordSeedSalt));
}

}  // namespace bw::assets
