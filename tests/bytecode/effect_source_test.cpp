// The effect source format: tables in file order, the two sections, and mistakes reported
// with the line of the whole file.
#include "bytecode/effect_source.h"

#include <gtest/gtest.h>

namespace bw::bytecode {
namespace {

const char* const kVertex = ".vertex\nvs_3_0\ndcl_position v0\ndcl_position o0\nmov o0, v0\n";
const char* const kPixel = ".pixel\nps_3_0\nmov oC0, c0\n";

TEST(EffectSource, TablesKeepFileOrderAndComponentCounts) {
  const std::string text = std::string(
                               "// comment line\n"
                               ".param ps alpha c0 1   ; trailing comment\n"
                               ".param vs scale c4 3\n"
                               ".param ps alpha c9 4\n"
                               ".sampler ps texSampler1 s3\n"
                               ".sampler ps texSampler0 s0\n") +
                           kVertex + kPixel;
  std::string error;
  auto image = assemble_effect(text, error);
  ASSERT_TRUE(image) << error;
  ASSERT_EQ(image->ps.constants.size(), 2u);
  EXPECT_EQ(image->ps.constants[0].name, "alpha");
  EXPECT_EQ(image->ps.constants[0].last, 0u);
  EXPECT_EQ(image->ps.constants[1].reg, 9u);
  EXPECT_EQ(image->ps.constants[1].last, 3u);
  ASSERT_EQ(image->vs.constants.size(), 1u);
  EXPECT_EQ(image->vs.constants[0].last, 2u);
  ASSERT_EQ(image->ps.samplers.size(), 2u);
  EXPECT_EQ(image->ps.samplers[0].name, "texSampler1");
  EXPECT_EQ(image->ps.samplers[0].reg, 3u);
  EXPECT_EQ(image->vs.code.front(), 0xFFFE0300u);
  EXPECT_EQ(image->ps.code.front(), 0xFFFF0300u);
  EXPECT_EQ(image->ps.code.back(), 0x0000FFFFu);
}

TEST(EffectSource, MistakesNameTheLineOfTheFile) {
  const std::pair<std::string, const char*> cases[] = {
      {".param ps alpha c0 5\n", "line 1: component count must be 1 to 4"},
      {".param ps alpha r0 1\n", "line 1: bad constant register \"r0\""},
      {".param ps alpha c256 1\n", "line 1: bad constant register"},
      {".param xs alpha c0 1\n", "line 1: expected vs or ps"},
      {"\n.sampler ps texSampler0 s16\n", "line 2: bad sampler register"},
      {".param ps " + std::string(64, 'n') + " c0 1\n", "line 1: name"},
      {"mov r0, r1\n", "line 1: expected .param, .sampler, .vertex or .pixel"},
      {std::string(kVertex), "the effect has no .pixel section"},
      {std::string(kVertex) + kVertex + kPixel, "line 6: .vertex appears twice"},
      {std::string(kVertex) + ".pixel\nps_3_0\n\nmov oC0, q0\n", "line 9: unknown register"},
      {".vertex\nps_3_0\n" + std::string(kPixel),
       "line 2: the .vertex section holds a pixel program"},
  };
  for (const auto& [text, message] : cases) {
    std::string error;
    EXPECT_FALSE(assemble_effect(text, error)) << text;
    EXPECT_NE(error.find(message), std::string::npos) << text << " -> " << error;
  }
}

TEST(EffectSource, ListingOfADamagedImageNamesTheProgram) {
  BsfImage image;
  image.vs.code = {0xFFFE0300, 0x0000FFFF};
  image.ps.code = {0xFFFF0300, 0x02000001};
  std::string error;
  EXPECT_FALSE(disassemble_effect(image, error));
  EXPECT_EQ(error, "pixel shader: token 1: instruction runs past the end");
}

}  // namespace
}  // namespace bw::bytecode
