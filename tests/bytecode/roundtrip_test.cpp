// Text -> tokens -> disassembly -> tokens gives the same tokens, for every hand-written
// program and every effect the project ships (whole images, tables included).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "bytecode/assemble.h"
#include "bytecode/decode.h"
#include "bytecode/effect_source.h"
#include "programs.h"

namespace bw::bytecode {
namespace {

void expect_round_trip(const char* name, const char* text) {
  SCOPED_TRACE(name);
  std::string error;
  auto tokens = assemble(text, error);
  ASSERT_TRUE(tokens) << error;
  auto program = decode(*tokens, error);
  ASSERT_TRUE(program) << error;
  const std::string listing = disassemble(*program);
  auto again = assemble(listing, error);
  ASSERT_TRUE(again) << error << "\n" << listing;
  EXPECT_EQ(*tokens, *again) << listing;
}

TEST(RoundTrip, HandWrittenProgramsReassembleToTheSameTokens) {
  for (const auto& p : testing::vertex_programs()) expect_round_trip(p.name, p.text);
  for (const auto& p : testing::pixel_programs()) expect_round_trip(p.name, p.text);
}

TEST(RoundTrip, ShippedEffectsReassembleToTheSameImage) {
  const auto effects = testing::shipped_effects();
  ASSERT_FALSE(effects.empty()) << "no effect sources under data/effects";
  for (const std::string& path : effects) {
    SCOPED_TRACE(path);
    std::string error;
    auto image = assemble_effect(testing::read_text(path), error);
    ASSERT_TRUE(image) << error;
    auto bytes = write_bsf(*image, error);
    ASSERT_TRUE(bytes) << error;
    auto source = disassemble_effect(*image, error);
    ASSERT_TRUE(source) << error;
    auto again = assemble_effect(*source, error);
    ASSERT_TRUE(again) << error << "\n" << *source;
    auto again_bytes = write_bsf(*again, error);
    ASSERT_TRUE(again_bytes) << error;
    EXPECT_EQ(*bytes, *again_bytes) << *source;
  }
}

TEST(RoundTrip, DefValuesKeepTheirBits) {
  // Values whose shortest decimal forms are easy to get wrong, a negative zero and an
  // infinity (written as its bit pattern).
  const char* text =
      "ps_3_0\n"
      "def c0, 0.1, -0, 3.40282347e+38, 1.17549435e-38\n"
      "def c1, 0x7f800000, 16777217, 0.333333343, -1e-45\n";
  std::string error;
  auto tokens = assemble(text, error);
  ASSERT_TRUE(tokens) << error;
  const std::vector<std::uint32_t> expected_bits = {0x3DCCCCCD, 0x80000000, 0x7F7FFFFF, 0x00800000,
                                                    0x7F800000, 0x4B800000, 0x3EAAAAAB, 0x80000001};
  std::vector<std::uint32_t> bits;
  for (int def = 0; def < 2; ++def) {
    for (int i = 0; i < 4; ++i) bits.push_back((*tokens)[3 + def * 6 + i]);
  }
  EXPECT_EQ(bits, expected_bits);
  auto program = decode(*tokens, error);
  ASSERT_TRUE(program) << error;
  auto again = assemble(disassemble(*program), error);
  ASSERT_TRUE(again) << error;
  EXPECT_EQ(*tokens, *again);
}

// def values print as plain decimals, never in exponent notation (which other assemblers
// reject), and read back to the same bits; infinities and NaNs print as bit patterns.
TEST(RoundTrip, DefValuesPrintAsPlainDecimals) {
  const std::uint32_t cases[] = {
      0x00000001, 0x80000001,  // smallest denormals
      0x007FFFFF,              // largest denormal
      0x00800000,              // smallest normal
      0xB5D00D01,              // -1.55009923e-06
      0x3DCCCCCD,              // 0.1
      0x7F7FFFFF, 0xFF7FFFFF,  // largest finite
      0x80000000, 0x00000000,  // negative and positive zero
      0x4B800001,              // 16777218, past the integers a float holds exactly
      0x7F800000, 0xFF800000, 0x7FC00000, 0x7FA00001,  // infinities and NaNs, payload too
  };
  for (const std::uint32_t bits : cases) {
    char text[64];
    std::snprintf(text, sizeof text, "ps_3_0\ndef c0, 0x%08x, 1, 2, 3\n", bits);
    SCOPED_TRACE(text);
    std::string error;
    const std::string listing = testing::listing_of(text, error);
    const size_t at = listing.find("def c0, ");
    ASSERT_NE(at, std::string::npos) << error << listing;
    const std::string value = listing.substr(at + 8, listing.find(',', at + 8) - at - 8);
    float f = 0;
    std::memcpy(&f, &bits, 4);
    if (std::isfinite(f)) {
      EXPECT_EQ(value.find_first_not_of("-0123456789."), std::string::npos) << value;
    } else {
      EXPECT_EQ(value.rfind("0x", 0), 0u) << value;
    }
    auto again = assemble(listing, error);
    ASSERT_TRUE(again) << error << "\n" << listing;
    EXPECT_EQ((*again)[3], bits) << value;
  }
}

}  // namespace
}  // namespace bw::bytecode
