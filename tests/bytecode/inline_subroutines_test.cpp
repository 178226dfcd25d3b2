// Subroutines written into their callers: the program that comes out, the programs that
// cannot be inlined, and the instruction-slot limit of shader model 3.
#include "bytecode/inline_subroutines.h"

#include <gtest/gtest.h>

#include "bytecode/assemble.h"
#include "bytecode/decode.h"
#include "bytecode/effect_source.h"
#include "bytecode/glsl.h"

namespace bw::bytecode {
namespace {

Program program_of(const std::string& text) {
  std::string error;
  const auto tokens = assemble(text, error);
  EXPECT_TRUE(tokens) << error;
  const auto program = tokens ? decode(*tokens, error) : std::nullopt;
  EXPECT_TRUE(program) << error;
  return program.value_or(Program{});
}

std::string inlined_text(const std::string& text, std::string& error) {
  const auto inlined = inline_subroutines(program_of(text), error);
  return inlined ? disassemble(*inlined) : std::string();
}

// Nested calls expand in place, each call site gets its own copy, callnz becomes an if
// block, and the declarations met anywhere (a def among the subroutines too) come first.
TEST(InlineSubroutines, CallsExpandInPlaceAndDeclarationsComeFirst) {
  const std::string text =
      "ps_3_0\n"
      "def c0, 1, 2, 3, 4\n"
      "defb b0, true\n"
      "mov r0, c0\n"
      "rep i0\n"
      "call l1\n"
      "endrep\n"
      "callnz l2, b0\n"
      "mov oC0, r0\n"
      "ret\n"
      "label l1\n"
      "call l2\n"
      "add r0, r0, c1\n"
      "ret\n"
      "label l2\n"
      "mul r0, r0, c1\n"
      "ret\n"
      "def c1, 0.5, 0.5, 0.5, 0.5\n";
  std::string error;
  const std::string inlined = inlined_text(text, error);
  ASSERT_TRUE(error.empty()) << error;
  const std::string expected =
      "ps_3_0\n"
      "def c0, 1, 2, 3, 4\n"
      "defb b0, true\n"
      "def c1, 0.5, 0.5, 0.5, 0.5\n"
      "mov r0, c0\n"
      "rep i0\n"
      "mul r0, r0, c1\n"
      "add r0, r0, c1\n"
      "endrep\n"
      "if b0\n"
      "mul r0, r0, c1\n"
      "endif\n"
      "mov oC0, r0\n";
  EXPECT_EQ(inlined, expected);
}

TEST(InlineSubroutines, ProgramsThatCannotBeInlinedAreRefusedWithTheReason) {
  struct Case {
    const char* body;
    const char* reason;
  };
  const Case cases[] = {
      {"call l0\nret\nlabel l0\nif b0\nret\nendif\nmov r0, c0\nret",
       "subroutine l0 returns before its end"},
      {"call l0\nret\nlabel l0\ncall l1\nret\nlabel l1\ncall l0\nret",
       "subroutine l0 calls itself"},
      {"call l3\nret\nlabel l0\nmov r0, c0\nret", "call of subroutine l3, which is not defined"},
      {"if b0\nret\nendif\nmov oC0, c0", "the main program returns before its end"},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::string text = std::string("ps_3_0\ndefb b0, true\n") + c.body + "\n";
    EXPECT_FALSE(inline_subroutines(program_of(text), error)) << c.body;
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
  }
}

// Thirty subroutines, each calling the next twice, would write 2^30 copies of the last:
// inlining stops at its bound with a reason instead of exhausting memory.
TEST(InlineSubroutines, ADoublingChainOfCallsStopsAtTheBound) {
  std::string text = "ps_3_0\ncall l0\nmov oC0, r0\nret\n";
  for (int i = 0; i < 30; ++i)
    text += "label l" + std::to_string(i) + "\ncall l" + std::to_string(i + 1) + "\ncall l" +
            std::to_string(i + 1) + "\nret\n";
  text += "label l30\nadd r0, r0, c0\nret\n";
  std::string error;
  EXPECT_FALSE(inline_subroutines(program_of(text), error));
  EXPECT_NE(error.find("grows past 65536 instructions"), std::string::npos) << error;
}

// An effect whose subroutines each call the next twice assembles as it is, but loading it
// would have the driver write 2^depth copies of the last: wherever an effect is loaded the
// same bound as the inlining's refuses it, at once and without writing them out. A chain
// that stays under the bound loads.
TEST(InlineSubroutines, LoadingADoublingChainIsRefusedAtTheBound) {
  auto effect = [](int depth) {
    std::string text = ".vertex\nvs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n";
    text += ".pixel\nps_3_0\nmov r0, c0\ncall l0\nmov oC0, r0\nret\n";
    for (int i = 0; i < depth; ++i)
      text += "label l" + std::to_string(i) + "\ncall l" + std::to_string(i + 1) + "\ncall l" +
              std::to_string(i + 1) + "\nret\n";
    return text + "label l" + std::to_string(depth) + "\nadd r0, r0, c1\nret\n";
  };
  struct Case {
    int depth;
    bool loads;
  } cases[] = {{10, true}, {15, true}, {17, false}, {20, false}, {60, false}};
  for (const Case& c : cases) {
    std::string error;
    const auto image = assemble_effect(effect(c.depth), error);
    ASSERT_TRUE(image) << c.depth << ": " << error;
    const auto glsl = translate_to_glsl(image->vs.code, image->ps.code, error);
    EXPECT_EQ(glsl.has_value(), c.loads) << c.depth << ": " << error;
    if (!c.loads) {
      EXPECT_EQ(error, "pixel shader: the program grows past 65536 instructions when its "
                       "subroutines are written into their callers");
    }
  }
}

// The effect whose pixel program calls a subroutine of `moves` one-slot instructions twice
// and adds two instructions of its own.
std::string effect_calling_twice(int moves) {
  std::string text = ".vertex\nvs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n";
  text += ".pixel\nps_3_0\nmov r0, c0\ncall l0\ncall l0\nmov oC0, r0\nret\nlabel l0\n";
  for (int i = 0; i < moves; ++i) text += "add r0, r0, c1\n";
  return text + "ret\n";
}

TEST(InlineSubroutines, EffectsPastTheSlotLimitOfShaderModel3AreRefused) {
  std::string error;
  const auto fits = assemble_effect(effect_calling_twice(255), error, {.inline_subroutines = true});
  ASSERT_TRUE(fits) << error;
  const auto program = decode(fits->ps.code, error);
  ASSERT_TRUE(program) << error;
  EXPECT_EQ(instruction_slots(*program), 512u);
  for (const Instruction& instruction : program->instructions)
    EXPECT_NE(instruction.opcode, kCall);

  EXPECT_FALSE(assemble_effect(effect_calling_twice(256), error, {.inline_subroutines = true}));
  EXPECT_EQ(error,
            "line 7: the pixel program takes 514 instruction slots with its subroutines "
            "inlined, more than the 512 of shader model 3");
  // Without inlining the same source keeps its calls and fits.
  EXPECT_TRUE(assemble_effect(effect_calling_twice(256), error)) << error;
}

TEST(InlineSubroutines, SlotsFollowTheDocumentedCounts) {
  EXPECT_EQ(instruction_slots(program_of("ps_3_0\ndef c0, 1, 1, 1, 1\ndcl_texcoord v0\n"
                                         "sincos r0.xy, c0.x\nlrp r1, c0, c0, c0\n"
                                         "mov oC0, r1\n")),
            8u + 2u + 1u);
}

}  // namespace
}  // namespace bw::bytecode
