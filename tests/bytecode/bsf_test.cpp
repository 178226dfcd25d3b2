// The .bsf image: exact layout, round trip, and clean failures on damaged images.
#include "bytecode/bsf.h"

#include <gtest/gtest.h>

#include <cstring>

namespace bw::bytecode {
namespace {

std::vector<std::uint8_t> bytes_of(const BsfImage& image) {
  std::string error;
  auto bytes = write_bsf(image, error);
  EXPECT_TRUE(bytes) << error;
  return bytes ? *bytes : std::vector<std::uint8_t>{};
}

BsfImage sample_image() {
  BsfImage image;
  image.vs.constants = {{"world", 3, 4}};
  image.vs.samplers = {{"heights", 1}};
  image.vs.code = {0xFFFE0300, 0x0000FFFF};
  image.ps.constants = {{"alpha", 0, 0}, {"bg_color", 2, 7}};
  image.ps.samplers = {{"texSampler0", 0}, {"texSampler3", 9}};
  image.ps.code = {0xFFFF0300, 0x0000FFFF};
  return image;
}

std::uint32_t word_at(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data() + offset, 4);  // the build host is little-endian
  return value;
}

TEST(Bsf, LayoutIsFieldsBackToBack) {
  const auto bytes = bytes_of(sample_image());
  // magic, vs: 4 + 72 + 4 + 68 + 4 + 8, ps: 4 + 144 + 4 + 136 + 4 + 8
  ASSERT_EQ(bytes.size(), 4u + 160 + 300);
  EXPECT_EQ(std::memcmp(bytes.data(), "VLS1", 4), 0);
  EXPECT_EQ(word_at(bytes, 4), 1u);  // vs constant count
  EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[8]), "world");
  EXPECT_EQ(word_at(bytes, 8 + 64), 3u);   // last
  EXPECT_EQ(word_at(bytes, 8 + 68), 4u);   // register
  EXPECT_EQ(word_at(bytes, 80), 1u);       // vs sampler count
  EXPECT_EQ(word_at(bytes, 84 + 64), 1u);  // sampler register
  EXPECT_EQ(word_at(bytes, 152), 8u);      // vs code size in bytes
  EXPECT_EQ(word_at(bytes, 156), 0xFFFE0300u);
  EXPECT_EQ(word_at(bytes, 164), 2u);  // ps constant count
  EXPECT_EQ(word_at(bytes, bytes.size() - 8), 0xFFFF0300u);
}

TEST(Bsf, ReadsBackWhatItWrote) {
  const BsfImage image = sample_image();
  std::string error;
  auto read = read_bsf(bytes_of(image), error);
  ASSERT_TRUE(read) << error;
  ASSERT_EQ(read->ps.constants.size(), 2u);
  EXPECT_EQ(read->ps.constants[1].name, "bg_color");
  EXPECT_EQ(read->ps.constants[1].last, 2u);
  EXPECT_EQ(read->ps.constants[1].reg, 7u);
  EXPECT_EQ(read->ps.samplers[1].name, "texSampler3");
  EXPECT_EQ(read->ps.samplers[1].reg, 9u);
  EXPECT_EQ(read->vs.constants[0].name, "world");
  EXPECT_EQ(read->vs.code, image.vs.code);
  EXPECT_EQ(read->ps.code, image.ps.code);
}

TEST(Bsf, EmptyTablesAndTrailingBytesAreAccepted) {
  BsfImage image;
  image.vs.code = {0xFFFE0300, 0x0000FFFF};
  image.ps.code = {0xFFFF0300, 0x0000FFFF};
  auto bytes = bytes_of(image);
  ASSERT_EQ(bytes.size(), 4u + 3 * 4 + 8 + 3 * 4 + 8);
  bytes.push_back(0xAB);
  std::string error;
  EXPECT_TRUE(read_bsf(bytes, error)) << error;
}

TEST(Bsf, EveryTruncationFailsCleanly) {
  const auto bytes = bytes_of(sample_image());
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    std::string error;
    EXPECT_FALSE(read_bsf(std::span(bytes.data(), size), error)) << size;
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

struct Damage {
  const char* what;
  std::size_t offset;  // where to write
  std::vector<std::uint8_t> bytes;
  const char* message;  // expected part of the error
};

TEST(Bsf, DamagedImagesNameWhatAndWhere) {
  const Damage cases[] = {
      {"magic", 0, {'V', 'L', 'S', '2'}, "magic \"VLS1\" is missing at byte 0"},
      {"huge constant count",
       4,
       {0xFF, 0xFF, 0xFF, 0xFF},
       "constant count 4294967295 runs past the end at byte 4"},
      {"count one too many", 4, {2, 0, 0, 0}, "runs past the end"},
      {"last above 3", 8 + 64, {4, 0, 0, 0}, "has last 4, expected 0 to 3 at byte 8"},
      {"constant register", 8 + 68, {0, 1, 0, 0}, "has register 256"},
      {"name without NUL", 8, std::vector<std::uint8_t>(64, 'a'), "no terminating NUL at byte 8"},
      {"huge sampler count", 80, {0, 0, 0, 0x80}, "sampler count 2147483648 runs past the end"},
      {"code size odd", 152, {7, 0, 0, 0}, "code size 7 is not a multiple of 4 at byte 152"},
      {"code size past end", 152, {0, 0, 1, 0}, "code size 65536 runs past the end at byte 152"},
      {"pixel sampler stage",
       164 + 4 + 144 + 4 + 64,
       {16, 0, 0, 0},
       "pixel shader sampler \"texSampler0\" has register 16"},
  };
  const auto good = bytes_of(sample_image());
  for (const Damage& d : cases) {
    SCOPED_TRACE(d.what);
    auto bytes = good;
    std::copy(d.bytes.begin(), d.bytes.end(),
              bytes.begin() + static_cast<std::ptrdiff_t>(d.offset));
    std::string error;
    EXPECT_FALSE(read_bsf(bytes, error));
    EXPECT_NE(error.find(d.message), std::string::npos) << error;
  }
}

TEST(Bsf, WriterRefusesWhatTheFormatCannotHold) {
  const std::pair<const char*, BsfImage> cases[] = {
      {"64-byte name",
       [] {
         BsfImage i;
         i.ps.constants = {{std::string(64, 'n'), 0, 0}};
         return i;
       }()},
      {"NUL in a name",
       [] {
         BsfImage i;
         i.vs.samplers = {{std::string("a\0b", 3), 0}};
         return i;
       }()},
      {"last 4",
       [] {
         BsfImage i;
         i.ps.constants = {{"x", 4, 0}};
         return i;
       }()},
      {"sampler 16",
       [] {
         BsfImage i;
         i.ps.samplers = {{"s", 16}};
         return i;
       }()},
  };
  for (const auto& [what, image] : cases) {
    std::string error;
    EXPECT_FALSE(write_bsf(image, error)) << what;
    EXPECT_FALSE(error.empty()) << what;
  }
  BsfImage longest;
  longest.ps.constants = {{std::string(63, 'n'), 3, 255}};
  std::string error;
  auto bytes = write_bsf(longest, error);
  ASSERT_TRUE(bytes) << error;
  EXPECT_EQ(read_bsf(*bytes, error)->ps.constants[0].name, std::string(63, 'n'));
}

}  // namespace
}  // namespace bw::bytecode
