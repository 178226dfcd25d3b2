// The seeded additive lagged generator that scrambles and descrambles store records, and
// the byte-wise descrambling built on it.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace bw::assets {

// Added to a record number to seed the descrambling of that record's bytes.
inline constexpr int32_t kRecordSeedSalt = 20593;

// Additive lagged generator over a ring of 31 words (indices 1 to 31 after seeding).
class AdditiveRandom {
 public:
  static constexpr int kDegree = 31;      // words filled at seeding
  static constexpr int kSeparation = 3;   // distance of front from rear after seeding
  static constexpr int kEnd = 32;         // index at which front and rear wrap around

  // Fills the table from `seed` and runs the 310 warm-up steps.
  void seed(int32_t seed);
  // The next output, 0 to 2147483647.
  uint32_t next();

  // The last kDegree words in the order they were made, oldest first: the next output is
  // (history[0] + history[kDegree - kSeparation]) >> 1. Only after seeding's warm-up.
  std::array<uint32_t, kDegree> history() const;

  int front() const { return front_; }  // index of the word updated next
  int rear() const { return rear_; }    // index of the word added next

 private:
  // One step: s[front] += s[rear], both indices advance; returns the new word.
  uint32_t step();

  std::array<uint32_t, kEnd> s_{};
  int front_ = 4;
  int rear_ = 1;
};

// Subtracts the low byte of one generator output, seeded with `seed`, from each byte.
void descramble(std::span<uint8_t> bytes, int32_t seed);
// The inverse of descramble: adds the same outputs.
void scramble(std::span<uint8_t> bytes, int32_t seed);
// The seed of record `record` of an asset or image store (record + kRecordSeedSalt).
int32_t record_seed(int32_t record);

}  // namespace bw::assets
