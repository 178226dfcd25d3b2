// Assembler: each case's tokens are worked out by hand from the documented token layout
// (register type split over bits 28..30 and 11..12, swizzle at 16, modifiers at 24 ...).
#include "bytecode/assemble.h"

#include <gtest/gtest.h>

namespace bw::bytecode {
namespace {

struct Encoded {
  const char* text;  // program without its version line
  const char* version;
  std::vector<std::uint32_t> tokens;  // between the version and the end token
};

TEST(Assemble, InstructionsEncodeAsDocumented) {
  const Encoded cases[] = {
      {"mov r0, c1", "vs_2_0", {0x02000001, 0x800F0000, 0xA0E40001}},
      {"add_sat r1.xy, -r2.yzxw, r3_abs",
       "ps_2_0",
       {0x03000002, 0x80130001, 0x81C90002, 0x8BE40003}},
      {"mul_pp r0.w, r1.x, c2.zw", "ps_2_0", {0x03000005, 0x80280000, 0x80000001, 0xA0FE0002}},
      {"dcl_texcoord1 v2", "vs_3_0", {0x0200001F, 0x80010005, 0x900F0002}},
      {"dcl_position o0", "vs_3_0", {0x0200001F, 0x80000000, 0xE00F0000}},
      {"dcl_texcoord2_centroid v1.xy", "ps_3_0", {0x0200001F, 0x80020005, 0x90430001}},
      {"dcl_2d s0", "ps_2_0", {0x0200001F, 0x90000000, 0xA00F0800}},
      {"dcl_cube s3", "ps_2_0", {0x0200001F, 0x98000000, 0xA00F0803}},
      {"dcl t0.xy", "ps_2_0", {0x0200001F, 0x80000000, 0xB0030000}},
      {"dcl vPos.xy", "ps_3_0", {0x0200001F, 0x80000000, 0x90031000}},
      {"def c2, 1, 0.5, 0, -1",
       "ps_2_0",
       {0x05000051, 0xA00F0002, 0x3F800000, 0x3F000000, 0, 0xBF800000}},
      {"defi i0, 3, 0, 1, -2", "vs_2_0", {0x05000030, 0xF00F0000, 3, 0, 1, 0xFFFFFFFE}},
      {"defb b1, true", "vs_2_0", {0x0200002F, 0xE00F0801, 1}},
      {"texldp r0, t0, s1", "ps_2_0", {0x03010042, 0x800F0000, 0xB0E40000, 0xA0E40801}},
      {"texldb r0, t0, s1", "ps_2_0", {0x03020042, 0x800F0000, 0xB0E40000, 0xA0E40801}},
      {"texkill r1", "ps_2_0", {0x01000041, 0x800F0001}},
      {"(p0.x) mov r0, r1", "ps_2_x", {0x13000001, 0x800F0000, 0xB0001000, 0x80E40001}},
      {"(!p0) add r0, r1, r2",
       "ps_2_x",
       {0x14000002, 0x800F0000, 0xBDE41000, 0x80E40001, 0x80E40002}},
      {"mov r0, c[a0.x + 5]", "vs_2_0", {0x03000001, 0x800F0000, 0xA0E42005, 0xB0000000}},
      {"mov r0, c5[a0.y]", "vs_2_0", {0x03000001, 0x800F0000, 0xA0E42005, 0xB0550000}},
      {"mov r0, c2[aL]", "ps_3_0", {0x03000001, 0x800F0000, 0xA0E42002, 0xF0E40800}},
      {"ifc_lt r0.x, c0.y", "ps_2_x", {0x02040029, 0x80000000, 0xA0550000}},
      {"setp_ne p0.xy, r0, c0", "ps_2_x", {0x0305005E, 0xB0031000, 0x80E40000, 0xA0E40000}},
      {"loop aL, i0", "vs_2_0", {0x0200001B, 0xF0E40800, 0xF0E40000}},
      {"if !b2", "vs_2_0", {0x01000028, 0xEDE40802}},
      {"callnz l3, b0", "vs_2_0", {0x0200001A, 0xA0E41003, 0xE0E40800}},
      {"sincos r0.xy, r1.x", "ps_3_0", {0x02000025, 0x80030000, 0x80000001}},
      {"sincos r0.xy, r1.x, c0, c1",
       "vs_2_0",
       {0x04000025, 0x80030000, 0x80000001, 0xA0E40000, 0xA0E40001}},
      {"mov oC0, r0", "ps_2_0", {0x02000001, 0x800F0800, 0x80E40000}},
      {"mov oDepth, r0.x", "ps_2_0", {0x02000001, 0x900F0800, 0x80000000}},
      {"mov oPos, r0", "vs_2_0", {0x02000001, 0xC00F0000, 0x80E40000}},
      {"mov oT3.xy, r0", "vs_2_0", {0x02000001, 0xE0030003, 0x80E40000}},
      {"mov oD1, r0", "vs_2_0", {0x02000001, 0xD00F0001, 0x80E40000}},
      {"mova a0.x, r0.x", "vs_2_0", {0x0200002E, 0xB0010000, 0x80000000}},
      {"nop", "ps_2_0", {0x00000000}},
  };
  for (const Encoded& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    auto tokens = assemble(std::string(c.version) + "\n" + c.text + "\n", error);
    ASSERT_TRUE(tokens) << error;
    std::vector<std::uint32_t> expected = {Version{}.token()};
    expected[0] = (c.version[0] == 'p' ? 0xFFFF0000u : 0xFFFE0000u) |
                  std::uint32_t(c.version[3] - '0') << 8 | (c.version[5] == 'x' ? 1u : 0u);
    expected.insert(expected.end(), c.tokens.begin(), c.tokens.end());
    expected.push_back(0x0000FFFF);
    EXPECT_EQ(*tokens, expected);
  }
}

TEST(Assemble, SyntaxVariantsGiveTheSameTokens) {
  const std::pair<const char*, const char*> same[] = {
      {"vs_2_0\nmov r0, c[a0.x + 5]", "VS_2_0\n  MOV R0, C5[A0.X]  // comment"},
      {"ps_2_0\nmov r0.xyzw, r1.xyzw", "ps_2_0\nmov r0, r1 ; comment"},
      {"ps_2_0\nmov r0, r1.rgba", "ps_2_0\nmov r0, r1"},
      {"ps_2_0\nadd r0, -r1_abs.x, r2", "ps_2_0\nadd r0, -r1.x_abs, r2"},
      {"vs_2_0\ndcl_texcoord v1", "vs_2_0\ndcl_texcoord0 v1"},
      {"ps_2_x\nifc_lt r0.x, c0.y\nendif", "ps_2_x\nif_lt r0.x, c0.y\nendif"},
      {"ps_2_x\nrep i0\nbreakc_ge r0.x, c0.y\nendrep",
       "ps_2_x\nrep i0\nbreak_ge r0.x, c0.y\nendrep"},
  };
  for (const auto& [a, b] : same) {
    std::string error;
    auto ta = assemble(a, error);
    ASSERT_TRUE(ta) << a << ": " << error;
    auto tb = assemble(b, error);
    ASSERT_TRUE(tb) << b << ": " << error;
    EXPECT_EQ(*ta, *tb) << b;
  }
}

TEST(Assemble, MistakesNameTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "line 1: the program has no version line"},
      {"ps_4_0\n", "line 1: expected a version"},
      {"ps_2_0\n\nfoo r0, r1\n", "line 3: unknown instruction \"foo\""},
      {"ps_2_0\nmov r0\n", "line 2: mov takes 2 operands, found 1"},
      {"ps_2_0\nmov r0, q1\n", "line 2: unknown register \"q1\""},
      {"ps_2_0\nmov r0.yx, r1\n", "line 2: bad write mask"},
      {"ps_2_0\nmov r0, r1.xyzwx\n", "line 2: bad swizzle"},
      {"ps_2_0\nmov r0, r1_foo\n", "line 2: bad source modifier"},
      {"ps_2_0\nmov_foo r0, r1\n", "line 2: unknown modifier"},
      {"ps_2_0\ndef c0, 1, x, 0, 0\n", "line 2: bad value \"x\""},
      {"ps_2_0\nmov r0, r1\nmov r32, r1\n",
       "line 3: destination register type 0 index 32 is out of range"},
      {"vs_2_0\nmov r0, v0\ncmp r0, r1, r2, r3\n", "line 3: cmp is not allowed in this version"},
      {"ps_2_x\nsetp p0, r0, r1\n", "line 2: setp needs a comparison"},
      {"ps_2_0\ndcl_2d v0\n", "line 2: dcl_2d, dcl_cube and dcl_volume declare samplers only"},
      {"ps_2_0\ndcl s0\n", "line 2: a sampler needs dcl_2d"},
      {"vs_2_0\nmov r0, c[r0.x]\n", "line 2: bad relative offset \"r0.x\""},
  };
  for (const auto& [text, message] : cases) {
    std::string error;
    EXPECT_FALSE(assemble(text, error)) << text;
    EXPECT_NE(error.find(message), std::string::npos) << text << " -> " << error;
  }
  std::string error;
  EXPECT_FALSE(assemble("ps_2_0\nfoo\n", error, 40));
  EXPECT_NE(error.find("line 41:"), std::string::npos) << error;
}

}  // namespace
}  // namespace bw::bytecode
