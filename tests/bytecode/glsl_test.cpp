// Every generated GLSL program passes glslangValidator as GLSL 3.30 core, and each vertex
// and fragment pair links. Also checks the interface the device relies on.
#include "bytecode/glsl.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bytecode/assemble.h"
#include "bytecode/effect_source.h"
#include "programs.h"

namespace bw::bytecode {
namespace {

std::vector<std::uint32_t> tokens_of(const char* text) {
  std::string error;
  auto tokens = assemble(text, error);
  EXPECT_TRUE(tokens) << error;
  return tokens ? *tokens : std::vector<std::uint32_t>{};
}

// Writes both sources and runs the validator with linking; returns its output on failure.
::testing::AssertionResult validates(const GlslProgram& program, const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(BW_TEST_TMPDIR) / "glsl";
  std::filesystem::create_directories(dir);
  const std::filesystem::path vert = dir / (name + ".vert");
  const std::filesystem::path frag = dir / (name + ".frag");
  const std::filesystem::path log = dir / (name + ".log");
  std::ofstream(vert) << program.vertex;
  std::ofstream(frag) << program.fragment;
  const std::string command = std::string(BW_GLSLANG) + " -l " + vert.string() + " " +
                              frag.string() + " > " + log.string() + " 2>&1";
  if (std::system(command.c_str()) == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << testing::read_text(log.string()) << "\n"
                                       << program.vertex << "\n"
                                       << program.fragment;
}

TEST(Glsl, EveryHandWrittenProgramValidatesAndLinks) {
  int n = 0;
  const auto plain_vs = tokens_of(testing::kPlainVertex);
  const auto plain_ps = tokens_of(testing::kPlainPixel);
  for (const auto& p : testing::vertex_programs()) {
    SCOPED_TRACE(p.name);
    std::string error;
    auto program = translate_to_glsl(tokens_of(p.text), plain_ps, error);
    ASSERT_TRUE(program) << error;
    EXPECT_TRUE(validates(*program, "vs" + std::to_string(n++)));
  }
  for (const auto& p : testing::pixel_programs()) {
    SCOPED_TRACE(p.name);
    std::string error;
    auto program = translate_to_glsl(plain_vs, tokens_of(p.text), error);
    ASSERT_TRUE(program) << error;
    EXPECT_TRUE(validates(*program, "ps" + std::to_string(n++)));
  }
}

TEST(Glsl, EveryShippedEffectValidatesAndLinks) {
  const auto effects = testing::shipped_effects();
  ASSERT_FALSE(effects.empty());
  for (const std::string& path : effects) {
    SCOPED_TRACE(path);
    std::string error;
    auto image = assemble_effect(testing::read_text(path), error);
    ASSERT_TRUE(image) << error;
    auto program = translate_to_glsl(image->vs.code, image->ps.code, error);
    ASSERT_TRUE(program) << error;
    EXPECT_TRUE(validates(*program, std::filesystem::path(path).stem().string()));
  }
}

TEST(Glsl, VaryingsLinkByUsageAcrossShaderModels) {
  // A shader model 2 vertex program feeds a 3.0 pixel program through oT1 / texcoord1 and
  // oD0 / color0; the pixel program also reads texcoord5, which nothing writes.
  const char* vs = "vs_2_0\ndcl_position v0\nmov oPos, v0\nmov oT1, v0.yxzw\nmov oD0, v0\n";
  const char* ps =
      "ps_3_0\ndcl_texcoord1 v3\ndcl_color v0\ndcl_texcoord5 v1\nadd r0, v3, v0\n"
      "add oC0, r0, v1\n";
  std::string error;
  auto program = translate_to_glsl(tokens_of(vs), tokens_of(ps), error);
  ASSERT_TRUE(program) << error;
  EXPECT_NE(program->vertex.find("bw_texcoord1 = oT1;"), std::string::npos) << program->vertex;
  EXPECT_NE(program->vertex.find("bw_color0 = oD0;"), std::string::npos) << program->vertex;
  EXPECT_NE(program->vertex.find("bw_texcoord5 = vec4(0.0);"), std::string::npos);
  EXPECT_TRUE(validates(*program, "link_by_usage"));
}

TEST(Glsl, InterfaceNamesTheDeviceUses) {
  std::string error;
  const char* ps =
      "ps_3_0\ndcl_texcoord v0.xy\ndcl_2d s3\ndcl_cube s5\ntexld r0, v0, s3\n"
      "texld r1, v0, s5\nmad oC0, r0, c7, r1\n";
  auto program = translate_to_glsl(tokens_of(testing::kPlainVertex), tokens_of(ps), error);
  ASSERT_TRUE(program) << error;
  EXPECT_EQ(program->ps_constant_count, 8u);
  EXPECT_EQ(program->vs_constant_count, 0u);
  ASSERT_EQ(program->ps_samplers.size(), 2u);
  EXPECT_EQ(program->ps_samplers[0].uniform, "ps_s3");
  EXPECT_EQ(program->ps_samplers[0].reg, 3u);
  EXPECT_EQ(program->ps_samplers[1].kind, SamplerKind::cube);
  EXPECT_NE(program->fragment.find("uniform vec4 ps_c[8];"), std::string::npos);
  EXPECT_NE(program->vertex.find("layout(location = 0) in vec4"), std::string::npos);
  EXPECT_NE(program->vertex.find("layout(location = 1) in vec4"), std::string::npos);
  EXPECT_NE(program->vertex.find("uniform vec4 bw_position;"), std::string::npos);
  EXPECT_EQ(attribute_location(0, 0), 0);
  EXPECT_EQ(attribute_location(5, 0), 1);
  EXPECT_EQ(attribute_location(5, 7), 8);
  EXPECT_EQ(attribute_location(10, 1), 10);
  EXPECT_EQ(attribute_location(12, 0), -1);
}

TEST(Glsl, StructuralMistakesAreErrorsWithTheTokenOffset) {
  struct Case {
    const char* ps;
    const char* message;
  };
  const Case cases[] = {
      {"ps_3_0\nif b0\nmov oC0, c0\n", "not closed"},
      {"ps_3_0\nelse\n", "else without if"},
      {"ps_3_0\ndefi i0, 1, 0, 1, 0\nrep i0\nendloop\n", "endloop without loop"},
      {"ps_3_0\nbreak\n", "break outside a loop"},
      {"ps_3_0\ncall l4\n", "undefined label l4"},
      {"ps_3_0\ncall l1\nret\nlabel l1\ncall l2\nret\nlabel l2\ncall l1\nret\n", "calls itself"},
      {"ps_3_0\nret\nmov oC0, c0\n", "after the final ret"},
      {"ps_3_0\ndefi i0, 1, 0, 1, 0\nrep i0\nrep i0\nloop aL, i0\nrep i0\nrep i0\n",
       "deeper than 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ps);
    std::string error;
    auto program = translate_to_glsl(tokens_of(testing::kPlainVertex), tokens_of(c.ps), error);
    EXPECT_FALSE(program);
    EXPECT_EQ(error.rfind("pixel shader: token ", 0), 0u) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

TEST(Glsl, StagesMustBeInTheirPlaces) {
  std::string error;
  const auto vs = tokens_of(testing::kPlainVertex);
  const auto ps = tokens_of(testing::kPlainPixel);
  EXPECT_FALSE(translate_to_glsl(ps, ps, error));
  EXPECT_NE(error.find("vertex shader: token 0"), std::string::npos) << error;
  EXPECT_FALSE(translate_to_glsl(vs, vs, error));
  EXPECT_NE(error.find("pixel shader: token 0"), std::string::npos) << error;
}

}  // namespace
}  // namespace bw::bytecode
