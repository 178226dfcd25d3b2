// Decoder: damaged token streams are errors naming the token offset, never a crash or a
// read past the end.
#include "bytecode/decode.h"

#include <gtest/gtest.h>

#include <random>

#include "bytecode/assemble.h"
#include "programs.h"

namespace bw::bytecode {
namespace {

struct Damaged {
  const char* what;
  std::vector<std::uint32_t> tokens;
  const char* message;
};

TEST(Decode, DamagedStreamsAreErrorsWithTheTokenOffset) {
  const Damaged cases[] = {
      {"empty", {}, "token 0: the stream is empty"},
      {"not a version", {0x12345678, 0xFFFF}, "token 0: not a version token"},
      {"shader model 1", {0xFFFF0104, 0xFFFF}, "token 0: unsupported version 1.4"},
      {"no end", {0xFFFF0200, 0x00000000}, "token 2: the stream has no end token"},
      {"comment past the end",
       {0xFFFF0200, 0x0005FFFE, 1, 2},
       "token 1: comment runs past the end"},
      {"unknown opcode", {0xFFFF0200, 0x00000031, 0xFFFF}, "token 1: unknown opcode 49"},
      {"shader model 1 opcode",
       {0xFFFF0200, 0x01000043, 0x800F0000, 0xFFFF},
       "token 1: unknown opcode 67"},
      {"opcode of the other stage",
       {0xFFFE0200, 0x03000058, 0x800F0000, 0x80E40000, 0x80E40000, 0x80E40000, 0xFFFF},
       "token 1: cmp is not allowed"},
      {"instruction past the end",
       {0xFFFF0200, 0x02000001, 0x800F0000},
       "token 1: instruction runs past the end"},
      {"length too short",
       {0xFFFF0200, 0x01000001, 0x800F0000, 0x80E40001, 0xFFFF},
       "token 1: instruction is longer"},
      {"length too long",
       {0xFFFF0200, 0x03000001, 0x800F0000, 0x80E40001, 0x80E40001, 0xFFFF},
       "token 1: length field says 3 tokens, the operands take 2"},
      {"temp out of range",
       {0xFFFF0200, 0x02000001, 0x800F0020, 0x80E40001, 0xFFFF},
       "token 2: destination register type 0 index 32"},
      {"pixel constant out of range",
       {0xFFFF0200, 0x02000001, 0x800F0000, 0xA0E40020, 0xFFFF},
       "token 3: source register type 2 index 32"},
      {"parameter without bit 31",
       {0xFFFF0200, 0x02000001, 0x000F0000, 0x80E40001, 0xFFFF},
       "token 2: destination token lacks bit 31"},
      {"bad relative token",
       {0xFFFE0200, 0x03000001, 0x800F0000, 0xA0E42000, 0x80000000, 0xFFFF},
       "token 3: bad relative address token"},
      {"relative temp",
       {0xFFFE0200, 0x03000001, 0x800F0000, 0x80E42000, 0xB0000000, 0xFFFF},
       "cannot be addressed relatively"},
      {"bad comparison",
       {0xFFFF0201, 0x02070029, 0x80000000, 0x80000000, 0xFFFF},
       "token 1: bad comparison 7"},
      {"sampler type",
       {0xFFFF0200, 0x0200001F, 0x88000000, 0xA00F0800, 0xFFFF},
       "unknown sampler type 1"},
      {"result shift", {0xFFFF0200, 0x02000001, 0x810F0000, 0x80E40001, 0xFFFF}, "result shift"},
      {"predicate in 2.0",
       {0xFFFF0200, 0x13000001, 0x800F0000, 0xB0001000, 0x80E40001, 0xFFFF},
       "predication is not allowed"},
      {"damaged end", {0xFFFF0200, 0x8000FFFF}, "token 1: damaged end token"},
  };
  for (const Damaged& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_FALSE(decode(c.tokens, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(Decode, CommentsAreSkipped) {
  const std::vector<std::uint32_t> tokens = {0xFFFF0200, 0x0002FFFE, 0x42415443, 0x00000001,
                                             0x02000001, 0x800F0800, 0xA0E40000, 0x0000FFFF};
  std::string error;
  auto program = decode(tokens, error);
  ASSERT_TRUE(program) << error;
  ASSERT_EQ(program->instructions.size(), 1u);
  EXPECT_EQ(program->instructions[0].opcode, kMov);
  EXPECT_EQ(program->instructions[0].offset, 4u);
  EXPECT_EQ(program->instructions[0].dest.reg.type, kColorOut);
}

// Every prefix and a few thousand single-token corruptions of real programs decode or
// fail with a message; under the sanitizer build this also shows no read out of bounds.
TEST(Decode, TruncatedAndCorruptedProgramsNeverCrash) {
  std::mt19937 random(1234);
  for (const auto* list : {&testing::vertex_programs(), &testing::pixel_programs()}) {
    for (const auto& p : *list) {
      std::string error;
      auto tokens = assemble(p.text, error);
      ASSERT_TRUE(tokens) << error;
      for (std::size_t size = 0; size + 1 < tokens->size(); ++size) {
        EXPECT_FALSE(decode(std::span(tokens->data(), size), error)) << p.name << " " << size;
      }
      for (int round = 0; round < 2000; ++round) {
        auto damaged = *tokens;
        damaged[random() % damaged.size()] ^= 1u << (random() % 32);
        if (!decode(damaged, error)) {
          EXPECT_EQ(error.rfind("token ", 0), 0u) << error;
        }
      }
    }
  }
}

}  // namespace
}  // namespace bw::bytecode
