// The additive generator against its known outputs, and descrambling as its inverse.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "assets/additive_random.h"

namespace bw::assets {
namespace {

TEST(AdditiveRandom, KnownOutputsAfterSeedingWithOne) {
  AdditiveRandom random;
  random.seed(1);
  EXPECT_EQ(random.next(), 1802886157u);
  EXPECT_EQ(random.next(), 845952949u);
  EXPECT_EQ(random.next(), 1680772215u);
}

TEST(AdditiveRandom, IndicesAfterWarmUpAndWrap) {
  AdditiveRandom random;
  random.seed(12345);
  EXPECT_EQ(random.front(), 3);
  EXPECT_EQ(random.rear(), 31);
  random.next();
  EXPECT_EQ(random.front(), 4);
  EXPECT_EQ(random.rear(), 1);  // rear wraps to 1, never back to 0
  for (int i = 0; i < 28; ++i) random.next();
  EXPECT_EQ(random.front(), 1);  // front wraps after index 31
  EXPECT_EQ(random.rear(), 29);
}

TEST(AdditiveRandom, OutputsStayWithin31BitsForAnySeed) {
  for (int32_t seed : {0, -1, INT32_MIN, INT32_MAX, 20594}) {
    AdditiveRandom random;
    random.seed(seed);
    for (int i = 0; i < 1000; ++i) ASSERT_LE(random.next(), 2147483647u) << seed;
  }
}

TEST(AdditiveRandom, ReseedingRestartsTheSequence) {
  AdditiveRandom a, b;
  a.seed(7);
  for (int i = 0; i < 100; ++i) a.next();
  a.seed(99);
  b.seed(99);
  for (int i = 0; i < 100; ++i) ASSERT_EQ(a.next(), b.next());
}

TEST(Descramble, SubtractsTheLowByteOfEachOutput) {
  AdditiveRandom random;
  random.seed(1);
  std::vector<uint8_t> expected;
  for (int i = 0; i < 3; ++i) expected.push_back(static_cast<uint8_t>(0x05 - (random.next() & 0xFF)));
  std::vector<uint8_t> bytes = {0x05, 0x05, 0x05};
  descramble(bytes, 1);
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(bytes[0], static_cast<uint8_t>(0x05 - 0x0D));
  EXPECT_EQ(bytes[2], 0x8E);  // 0x05 - 0x77, modulo 256
}

TEST(Descramble, ScrambleIsItsInverseAndEachByteUsesOneOutput) {
  std::vector<uint8_t> original(4096);
  std::iota(original.begin(), original.end(), uint8_t{0});
  std::vector<uint8_t> bytes = original;
  scramble(bytes, record_seed(17));
  EXPECT_NE(bytes, original);
  // The first 10 bytes scrambled alone match the head of the long run.
  std::vector<uint8_t> head(original.begin(), original.begin() + 10);
  scramble(head, record_seed(17));
  EXPECT_TRUE(std::equal(head.begin(), head.end(), bytes.begin()));
  descramble(bytes, record_seed(17));
  EXPECT_EQ(bytes, original);
  std::vector<uint8_t> empty;
  descramble(empty, 5);
  EXPECT_TRUE(empty.empty());
}

// Descrambling makes its keys in blocks; every length, around the generator's lag and the
// block size too, must use exactly the outputs of next() in order.
TEST(Descramble, EveryLengthUsesTheGeneratorsOutputsInOrder) {
  for (const std::size_t length : {1u, 30u, 31u, 32u, 4095u, 4096u, 4097u, 10000u}) {
    for (const int32_t seed : {1, -7, record_seed(2147483647)}) {
      std::vector<uint8_t> bytes(length);
      std::iota(bytes.begin(), bytes.end(), uint8_t{3});
      std::vector<uint8_t> expected = bytes;
      AdditiveRandom random;
      random.seed(seed);
      for (uint8_t& b : expected) b = static_cast<uint8_t>(b - (random.next() & 0xFF));
      descramble(bytes, seed);
      ASSERT_EQ(bytes, expected) << "length " << length << ", seed " << seed;
    }
  }
}

TEST(Descramble, RecordSeedAddsTheSaltWithWrapAround) {
  EXPECT_EQ(record_seed(1), 20594);
  EXPECT_EQ(record_seed(INT32_MAX), INT32_MIN + 20592);
}

}  // namespace
}  // namespace bw::assets
