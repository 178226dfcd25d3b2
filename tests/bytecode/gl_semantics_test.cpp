// Runs translated programs on the GL driver (Mesa llvmpipe, no display) and checks the
// values against Direct3D 9's documented meaning: the places where a literal translation
// goes wrong (write masks, cmp, sincos, rcp/rsq/log/pow/nrm at 0 and below, lrp order,
// dp2add, texture variants, texkill, predication, loop counters, subroutines, def bits).
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "bytecode/assemble.h"
#include "bytecode/glsl.h"
#include "gl_harness.h"
#include "programs.h"

namespace bw::bytecode {
namespace {

using testing::GlHarness;
using testing::TestTexture;
using Rgba = std::array<float, 4>;

// Vertex program that hands the texture coordinate on; pixel program that shows the
// vertex program's texcoord7.
const char* const kShowTexcoord7 = "ps_3_0\ndcl_texcoord7 v0\nmov oC0, v0\n";

std::vector<std::uint32_t> tokens_of(const std::string& text) {
  std::string error;
  auto tokens = assemble(text, error);
  EXPECT_TRUE(tokens) << error << "\n" << text;
  return tokens ? *tokens : std::vector<std::uint32_t>{};
}

class GlSemantics : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    gl_ = GlHarness::get(why);
    if (!gl_) GTEST_SKIP() << why;
  }

  std::vector<float> draw(const std::string& vs, const std::string& ps, int width, int height,
                          const std::map<std::string, std::vector<float>>& uniforms = {},
                          const std::vector<TestTexture>& textures = {}, float clear = 0) {
    std::string error;
    auto program = translate_to_glsl(tokens_of(vs), tokens_of(ps), error);
    EXPECT_TRUE(program) << error;
    std::vector<float> pixels;
    if (program) {
      EXPECT_TRUE(gl_->draw(*program, width, height, uniforms, textures, clear, pixels, error))
          << error << "\n"
          << program->vertex << "\n"
          << program->fragment;
    }
    pixels.resize(static_cast<std::size_t>(width) * height * 4);
    return pixels;
  }

  Rgba pixel(const std::string& ps, const std::map<std::string, std::vector<float>>& u = {},
             const std::vector<TestTexture>& textures = {}, float clear = 0) {
    const auto p = draw(testing::kPlainVertex, ps, 1, 1, u, textures, clear);
    return {p[0], p[1], p[2], p[3]};
  }

  Rgba vertex(const std::string& vs) {
    const auto p = draw(vs, kShowTexcoord7, 1, 1);
    return {p[0], p[1], p[2], p[3]};
  }

  GlHarness* gl_ = nullptr;
};

void expect_near(const Rgba& got, const Rgba& want, const std::string& what) {
  for (int i = 0; i < 4; ++i) {
    const float tolerance = 1e-5f * std::max(1.0f, std::fabs(want[i]));
    EXPECT_NEAR(got[i], want[i], tolerance) << what << " component "
                                            << "xyzw"[i];
  }
}

struct Case {
  const char* name;
  const char* program;
  Rgba expected;
};

constexpr float kMax = FLT_MAX;

TEST_F(GlSemantics, PixelInstructionsKeepTheirDirect3DMeaning) {
  const Case cases[] = {
      {"write mask picks the matching swizzle slots",
       "def c0, 1, 2, 3, 4\nmov r0.yw, c0.wzyx\nmov oC0, r0",
       {0, 3, 0, 1}},
      {"cmp selects per component on >= 0, even next to infinities",
       "def c0, -1, 0, 2, -0\ndef c1, 10, 10, 10, 10\ndef c2, 5, 0x7f800000, 0x7f800000, "
       "0x7f800000\n"
       "cmp oC0, c0, c1, c2",
       {5, 10, 10, 10}},
      {"sincos (3.0) writes cos to x and sin to y only",
       "def c0, 0.5, 7, 7, 7\nmov r0, c0.y\nsincos r0.xy, c0.x\nmov oC0, r0",
       {std::cos(0.5f), std::sin(0.5f), 7, 7}},
      {"sincos with mask .y leaves x",
       "def c0, 0.5, 7, 7, 7\nmov r0, c0.y\nsincos r0.y, c0.x\nmov oC0, r0",
       {7, std::sin(0.5f), 7, 7}},
      {"rcp, rsq and log of zero give the largest float; rcp of 1 is 1",
       "def c0, 0, -4, -8, 1\nrcp r0.x, c0.x\nrsq r0.y, c0.x\nlog r0.z, c0.x\nrcp r0.w, c0.w\nmov "
       "oC0, r0",
       {kMax, kMax, -kMax, 1}},
      {"rsq and log take the absolute value, pow the absolute base",
       "def c0, -4, -8, -2, 3\nrsq r0.x, c0.x\nlog r0.y, c0.y\npow r0.z, c0.z, c0.w\nexp r0.w, "
       "c0.w\n"
       "mov oC0, r0",
       {0.5f, 3, 8, 8}},
      {"pow of zero: negative exponent gives the largest float, zero exponent one",
       "def c0, 0, -1, 2, 0\npow r0.x, c0.x, c0.y\npow r0.y, c0.x, c0.z\npow r0.z, c0.x, c0.w\n"
       "pow r0.w, c0.z, c0.z\nmov oC0, r0",
       {kMax, 0, 1, 4}},
      {"nrm divides all four components by the length of xyz",
       "def c0, -3, 0, 4, 2\nnrm r0, c0\nmov oC0, r0",
       {-0.6f, 0, 0.8f, 0.4f}},
      {"nrm of a zero vector is zero", "def c0, 0, 0, 0, 0\nnrm r0, c0\nmov oC0, r0", {0, 0, 0, 0}},
      {"lrp blends src1 by src0 towards src2",
       "def c0, 0.25, 0, 0, 0\ndef c1, 8, 8, 8, 8\ndef c2, 4, 4, 4, 4\nlrp oC0, c0.x, c1, c2",
       {5, 5, 5, 5}},
      {"dp2add adds the scalar third source",
       "def c0, 1, 2, 9, 9\ndef c1, 3, 4, 9, 9\ndef c2, 5, 0, 0, 0\ndp2add oC0, c0, c1, c2.x",
       {16, 16, 16, 16}},
      {"predicated writes follow p0 per component",
       "def c0, 1, -1, 1, -1\ndef c1, 0, 0, 0, 0\ndef c2, 5, 6, 7, 8\nsetp_gt p0, c0, c1\n(p0) mov "
       "r0, c2\n"
       "(!p0.x) mov r0.x, c1.x\nmov oC0, r0",
       {5, 0, 7, 0}},
      {"loop runs i.x times with aL from i.y stepping by i.z",
       "defi i0, 3, 2, 5, 0\ndef c1, 0, 0, 0, 0\ndef c2, 1, 1, 1, 1\ndef c7, 10, 10, 10, 10\n"
       "def c12, 100, 100, 100, 100\ndef c17, 1000, 1000, 1000, 1000\nmov r0, c1\nloop aL, i0\n"
       "add r0, r0, c0[aL]\nendloop\nmov oC0, r0",
       {111, 111, 111, 111}},
      {"rep counts clamp to 255 and negative counts run nothing",
       "defi i0, 100000, 0, 0, 0\ndefi i1, -5, 0, 0, 0\ndef c0, 1, 0, 0, 0\nrep i0\n"
       "add r0.x, r0.x, c0.x\nendrep\nrep i1\nadd r0.y, r0.y, c0.x\nendrep\nmov oC0, r0",
       {255, 0, 0, 0}},
      {"breakc leaves the loop",
       "defi i0, 10, 0, 0, 0\ndef c0, 1, 3, 0, 0\nrep i0\nbreakc_ge r0.x, c0.y\nadd r0.x, r0.x, "
       "c0.x\n"
       "endrep\nmov oC0, r0",
       {3, 0, 0, 0}},
      {"call and callnz run subroutines on their condition",
       "defb b0, false\ndefb b1, true\ndef c0, 1, 10, 0, 0\ncall l0\ncallnz l1, b0\ncallnz l0, b1\n"
       "mov oC0, r0\nret\nlabel l0\nadd r0.x, r0.x, c0.x\nret\nlabel l1\nadd r0.y, r0.y, c0.y\nret",
       {2, 0, 0, 0}},
      {"crs and sincos leave the components they do not produce",
       "def c0, 1, 0, 0, 0.5\ndef c1, 0, 1, 0, 0\ndef c2, 9, 9, 9, 9\nmov r0, c2\ncrs r0, c0, c1\n"
       "mov r1, c2\nsincos r1, c0.w\nadd oC0, r0, r1.zwzw",
       {9, 9, 10, 18}},
      {"constants set by the device reach their register", "mad oC0, c3, c4.x, c3", {3, 6, 9, 12}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Rgba got = pixel(std::string("ps_3_0\n") + c.program + "\n",
                           {{"ps_c[3]", {1, 2, 3, 4}}, {"ps_c[4]", {2, 0, 0, 0}}});
    expect_near(got, c.expected, c.name);
  }
}

TEST_F(GlSemantics, SincosOfShaderModel2TakesThreeSources) {
  const Rgba got = pixel(
      "ps_2_x\ndef c0, 0.5, 7, 0, 0\n"
      "def c1, -1.55009923e-006, -2.17013894e-005, 0.00260416674, 0.00026041668\n"
      "def c2, -0.020833334, -0.125, 1, 0.5\nmov r0, c0.y\nsincos r0.xy, c0.x, c1, c2\nmov oC0, "
      "r0\n");
  expect_near(got, {std::cos(0.5f), std::sin(0.5f), 7, 7}, "sincos 2.x");
}

TEST_F(GlSemantics, DefValuesArriveBitExact) {
  const Rgba got =
      pixel("ps_3_0\ndef c0, 0.1, 16777216, 1.17549435e-38, -3.40282347e+38\nmov oC0, c0\n");
  const std::uint32_t want[] = {0x3DCCCCCD, 0x4B800000, 0x00800000, 0xFF7FFFFF};
  for (int i = 0; i < 4; ++i) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &got[i], 4);
    EXPECT_EQ(bits, want[i]) << i;
  }
}

// texkill looks at x, y and z only: a negative w alone discards nothing.
TEST_F(GlSemantics, TexkillDiscardsWhenXYOrZIsNegative) {
  const char* program = "ps_3_0\ndef c1, 2, 2, 2, 2\nmov r0, c0\ntexkill r0\nmov oC0, c1\n";
  expect_near(pixel(program, {{"ps_c[0]", {-1, 1, 1, 1}}}, {}, 7), {7, 7, 7, 7}, "x below 0");
  expect_near(pixel(program, {{"ps_c[0]", {1, -1, 1, 1}}}, {}, 7), {7, 7, 7, 7}, "y below 0");
  expect_near(pixel(program, {{"ps_c[0]", {1, 1, -0.5f, 1}}}, {}, 7), {7, 7, 7, 7}, "z below 0");
  expect_near(pixel(program, {{"ps_c[0]", {1, 1, 1, -1}}}, {}, 7), {2, 2, 2, 2}, "w below 0");
  expect_near(pixel(program, {{"ps_c[0]", {0, 0, 0, 0}}}, {}, 7), {2, 2, 2, 2}, "all zero");
}

TEST_F(GlSemantics, TextureVariantsUseWTheDirect3DWay) {
  // 2 x 2 level with four colours, 1 x 1 level of 9s.
  TestTexture texture;
  texture.width = texture.height = 2;
  texture.levels = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, {9, 9, 9, 9}};
  const std::vector<TestTexture> textures = {texture};
  // texldp divides by w: (1.5, 0.5) / 2 is texel (1, 0).
  expect_near(
      pixel("ps_3_0\ndcl_2d s0\ndef c0, 1.5, 0.5, 0, 2\ntexldp oC0, c0, s0\n", {}, textures),
      {0, 1, 0, 0}, "texldp");
  // texldl takes the level from w.
  expect_near(
      pixel("ps_3_0\ndcl_2d s0\ndef c0, 0.25, 0.25, 0, 1\ntexldl oC0, c0, s0\n", {}, textures),
      {9, 9, 9, 9}, "texldl");
  // The sampler's swizzle reorders the fetched colour.
  expect_near(
      pixel("ps_3_0\ndcl_2d s0\ndef c0, 0.75, 0.25, 0, 0\ntexld oC0, c0, s0.wzyx\n", {}, textures),
      {0, 0, 1, 0}, "sampler swizzle");
  // On a 2 x 2 target the quad maps texels to pixels (level 0); texldb's bias of w = 1
  // moves every pixel to level 1.
  const std::string vs = testing::kPlainVertex;
  const auto plain =
      draw(vs, "ps_3_0\ndcl_texcoord v0\ndcl_2d s0\ntexld oC0, v0, s0\n", 2, 2, {}, textures);
  const auto biased =
      draw(vs, "ps_3_0\ndcl_texcoord v0\ndcl_2d s0\ntexldb oC0, v0, s0\n", 2, 2, {}, textures);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NE(plain[4 * i + 0] + plain[4 * i + 1] + plain[4 * i + 2] + plain[4 * i + 3], 36.0f)
        << i;
    EXPECT_EQ(biased[4 * i], 9.0f) << i;
  }
}

TEST_F(GlSemantics, VposAndVfaceFollowTheDeviceHooks) {
  const auto pixels = draw(testing::kPlainVertex, "ps_3_0\ndcl vPos.xy\nmov oC0, vPos\n", 4, 2,
                           {{"bw_frag_position", {1, 1, -0.5f, -0.5f}}});
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 4; ++x) {
      const float* p = &pixels[static_cast<std::size_t>(4 * (y * 4 + x))];
      EXPECT_EQ(p[0], static_cast<float>(x));
      EXPECT_EQ(p[1], static_cast<float>(y));
    }
  }
  const char* face = "ps_3_0\ndcl vFace\ndef c0, 1, 1, 1, 1\ncmp oC0, vFace, c0, -c0\n";
  expect_near(pixel(face, {{"bw_face", {1}}}), {1, 1, 1, 1}, "front face");
  expect_near(pixel(face, {{"bw_face", {-1}}}), {-1, -1, -1, -1}, "front face, flipped winding");
}

TEST_F(GlSemantics, MissingVertexInputComponentsReadZeroZeroZeroOne) {
  // The quad gives two floats of texture coordinate; z and w must read 0 and 1.
  const Rgba got = vertex(
      "vs_3_0\ndcl_position v0\ndcl_texcoord v1\ndcl_position o0\ndcl_texcoord7 o1\n"
      "mov o0, v0\nmov o1, v1\n");
  EXPECT_EQ(got[2], 0.0f);
  EXPECT_EQ(got[3], 1.0f);
}

TEST_F(GlSemantics, VertexInstructionsKeepTheirDirect3DMeaning) {
  const Case cases[] = {
      {"mova rounds half away from zero; out-of-range relative reads are zero",
       "def c0, -1.5, 2.5, 0.49, 0\ndef c6, 60, 60, 60, 60\ndef c7, 70, 70, 70, 70\n"
       "def c8, 80, 80, 80, 80\ndef c10, 10, 10, 10, 10\ndef c11, 11, 11, 11, 11\nmova a0.xyz, c0\n"
       "mov r0.x, c12[a0.x].x\nmov r0.y, c4[a0.y].y\nmov r0.z, c8[a0.z].z\nmov r0.w, c0[a0.x].w\n"
       "mov o1, r0",
       {10, 70, 80, 0}},
      {"lit", "def c0, 0.5, 0.25, 0, 2\nlit o1, c0", {1, 0.5f, 0.0625f, 1}},
      {"lit with x <= 0", "def c0, -0.5, 0.25, 0, 2\nlit o1, c0", {1, 0, 0, 1}},
      {"dst", "def c0, 9, 2, 3, 9\ndef c1, 9, 5, 9, 7\ndst o1, c0, c1", {1, 10, 3, 7}},
      {"sgn", "def c0, -3, 0, 2, -0\nsgn o1, c0, r1, r2", {-1, 0, 1, 0}},
      {"slt", "def c0, 1, 2, 3, 4\ndef c1, 2, 2, 2, 2\nslt o1, c0, c1", {1, 0, 0, 0}},
      {"sge", "def c0, 1, 2, 3, 4\ndef c1, 2, 2, 2, 2\nsge o1, c0, c1", {0, 1, 1, 1}},
      {"m4x4 takes rows from consecutive registers",
       "def c0, 1, 2, 3, 4\ndef c20, 2, 0, 0, 0\ndef c21, 0, 2, 0, 0\ndef c22, 0, 0, 2, 0\n"
       "def c23, 1, 1, 1, 1\nm4x4 o1, c0, c20",
       {2, 4, 6, 10}},
      {"m3x2 writes two dot3 results",
       "def c0, 1, 2, 3, 100\ndef c20, 1, 1, 1, 1\ndef c21, 0, 0, 1, 1\nmov r0, c20\nm3x2 r0.xy, "
       "c0, c20\n"
       "mov o1, r0",
       {6, 3, 1, 1}},
      {"frc, abs and min",
       "def c0, -1.25, 2.75, -3, 3\nfrc r0.xy, c0\nabs r0.z, c0.z\nmin r0.w, c0.z, c0.w\n"
       "mov o1, r0",
       {0.75f, 0.75f, 3, -3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string vs =
        std::string("vs_3_0\ndcl_position v0\ndcl_position o0\ndcl_texcoord7 o1\n") + c.program +
        "\nmov o0, v0\n";
    expect_near(vertex(vs), c.expected, c.name);
  }
}

}  // namespace
}  // namespace bw::bytecode
