// Text -> tokens -> disassembly -> tokens gives the same tokens, for every hand-written
// program and every effect the project ships (whole images, tables included).
#include <gtest/gtest.h>

#include "device/bytecode/assemble.h"
#include "device/bytecode/decode.h"
#include "device/bytecode/effect_source.h"
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

}  // namespace
}  // namespace bw::bytecode
