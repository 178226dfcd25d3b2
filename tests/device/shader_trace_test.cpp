// Shader loading, parameters by name, samplers by name and the states of Shader::begin,
// checked on the trace backend.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bytecode/bsf.h"
#include "device/device.h"
#include "device/shader.h"
#include "device/texture.h"
#include "device/trace/trace_backend.h"

namespace bw::device {

// Smallest token streams a program is made from: version token, end token.
const std::vector<std::uint32_t> kVertexCode = {0xFFFE0300u, 0x0000FFFFu};
const std::vector<std::uint32_t> kPixelCode = {0xFFFF0300u, 0x0000FFFFu};

std::vector<std::uint8_t> bsf_bytes(bytecode::BsfImage image) {
  if (image.vs.code.empty()) image.vs.code = kVertexCode;
  if (image.ps.code.empty()) image.ps.code = kPixelCode;
  std::string error;
  auto bytes = bytecode::write_bsf(image, error);
  EXPECT_TRUE(bytes) << error;
  return bytes ? *bytes : std::vector<std::uint8_t>{};
}

Shader* empty_shader(Device& device) {
  Shader* shader = device.create_shader();
  const std::vector<std::uint8_t> bytes = bsf_bytes({});
  EXPECT_TRUE(shader->load(bytes.data(), bytes.size()));
  return shader;
}

namespace {

struct ShaderFixture : ::testing::Test {
  TraceBackend* trace = nullptr;
  std::unique_ptr<Device> device;

  void SetUp() override {
    auto backend = std::make_unique<TraceBackend>();
    trace = backend.get();
    device = std::make_unique<Device>(std::move(backend));
    ASSERT_EQ(device->create(0, 1024, 768, 60, false), CreateStatus::created);
  }
  Shader* load(const bytecode::BsfImage& image) {
    Shader* shader = device->create_shader();
    const std::vector<std::uint8_t> bytes = bsf_bytes(image);
    EXPECT_TRUE(shader->load(bytes.data(), bytes.size()));
    trace->clear_calls();
    return shader;
  }
  // Calls of one Shader::begin, named `name`.
  std::vector<std::string> begin_calls(Shader* shader, const std::string& name) {
    trace->clear_calls();
    shader->begin();
    return trace->texts_of(name);
  }
};

TEST_F(ShaderFixture, LoadRejectsBadImagesAndStopsAtTheEnd) {
  Shader* shader = device->create_shader();
  EXPECT_FALSE(shader->load(nullptr, 100));
  bytecode::BsfImage image;
  image.ps.constants = {{"alpha", 0, 0}};
  image.ps.samplers = {{"texSampler0", 0}};
  std::vector<std::uint8_t> bytes = bsf_bytes(image);

  std::vector<std::uint8_t> wrong_magic = bytes;
  wrong_magic[3] = '2';
  EXPECT_FALSE(shader->load(wrong_magic.data(), wrong_magic.size()));
  // Every cut short of the whole image fails without reading past it.
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + size);
    EXPECT_FALSE(shader->load(cut.data(), cut.size())) << "size " << size;
  }
  EXPECT_TRUE(shader->load(bytes.data(), bytes.size()));
  EXPECT_NE(shader->program(), 0u);
}

TEST_F(ShaderFixture, ProgramRefusedByTheBackendFailsTheLoad) {
  trace->fail_create_program = true;
  Shader* shader = device->create_shader();
  const std::vector<std::uint8_t> bytes = bsf_bytes({});
  EXPECT_FALSE(shader->load(bytes.data(), bytes.size()));
  EXPECT_EQ(shader->program(), 0u);
}

TEST_F(ShaderFixture, EmptyTablesBeginSetsOnlyTheProgram) {
  Shader* shader = load({});
  shader->begin();
  EXPECT_EQ(trace->texts(),
            std::vector<std::string>{"set_program(" + std::to_string(shader->program()) + ")"});
}

TEST_F(ShaderFixture, SetParamCopiesLastPlusOneFloatsIntoTheFirstMatch) {
  bytecode::BsfImage image;
  image.vs.constants = {{"alpha", 3, 4}, {"scale", 1, 5}};
  image.ps.constants = {{"alpha", 0, 2}, {"alpha", 3, 3}, {"colour", 2, 6}};
  Shader* shader = load(image);
  const float values[4] = {0.5f, 0.25f, 0.125f, 2.0f};
  EXPECT_TRUE(shader->set_param("alpha", values));
  EXPECT_TRUE(shader->set_param("colour", values));
  EXPECT_FALSE(shader->set_param("nothing", values));  // declared by neither: ignored
  EXPECT_FALSE(shader->set_param("Alpha", values));    // names match case-sensitively
  EXPECT_FALSE(shader->set_param("nothing", values));
  // ... but not silently: each unknown name is kept once, for a test or a tool to report
  EXPECT_EQ(shader->unknown_params(), (std::vector<std::string>{"nothing", "Alpha"}));
  EXPECT_EQ(begin_calls(shader, "set_vertex_constant"),
            (std::vector<std::string>{"set_vertex_constant(4, 0.5, 0.25, 0.125, 2)",
                                      "set_vertex_constant(5, 0, 0, 0, 0)"}));
  EXPECT_EQ(begin_calls(shader, "set_pixel_constant"),
            (std::vector<std::string>{"set_pixel_constant(2, 0.5, 0, 0, 0)",
                                      "set_pixel_constant(3, 0, 0, 0, 0)",
                                      "set_pixel_constant(6, 0.5, 0.25, 0.125, 0)"}));
  // A set reads exactly last + 1 floats: one float for the pixel "alpha" is enough.
  const float one[1] = {7.0f};
  bytecode::BsfImage pixel_only;
  pixel_only.ps.constants = {{"alpha", 0, 1}};
  Shader* narrow = load(pixel_only);
  narrow->set_param("alpha", one);
  EXPECT_EQ(begin_calls(narrow, "set_pixel_constant"),
            std::vector<std::string>{"set_pixel_constant(1, 7, 0, 0, 0)"});
}

TEST_F(ShaderFixture, TexturesBindBySamplerNameNotRegister) {
  bytecode::BsfImage image;
  image.ps.samplers = {{"texSampler3", 7}, {"texSampler0", 3}, {"texSampler3", 9}};
  image.vs.samplers = {{"texSampler1", 1}};
  Shader* shader = load(image);
  Texture* texture = device->create_texture();
  ASSERT_TRUE(texture->create(16, 16, 0, 0));
  shader->set_texture(3, texture);
  shader->set_texture(1, texture);  // only a vertex sampler has that name: nothing
  const std::string handle = std::to_string(texture->handle());
  EXPECT_EQ(begin_calls(shader, "set_texture"),
            (std::vector<std::string>{"set_texture(7, " + handle + ")", "set_texture(3, 0)",
                                      "set_texture(9, 0)"}));
  // Stage 7 gets point filtering and wrapping, in the fixed order.
  EXPECT_EQ(trace->texts_of("set_sampler_state"),
            (std::vector<std::string>{
                "set_sampler_state(7, 5, 1)", "set_sampler_state(7, 6, 1)",
                "set_sampler_state(7, 7, 1)", "set_sampler_state(7, 1, 1)",
                "set_sampler_state(7, 2, 1)", "set_sampler_state(7, 3, 1)"}));
  shader->set_texture(3, nullptr);
  EXPECT_EQ(begin_calls(shader, "set_texture")[0], "set_texture(7, 0)");
}

TEST_F(ShaderFixture, FilterAndAddressModesGiveTheSamplerStates) {
  struct Case {
    int width, height, filter, address;
    std::uint32_t mag, min, mip, addressing;  // 0: not set
  };
  // The full target size is 1024 x 768 (the back buffer's) until set otherwise.
  const Case cases[] = {
      {1024, 768, 1, 1, 1, 2, 1, 3},   // smooth at full size: point magnification
      {1024, 1024, 1, 1, 2, 2, 1, 3},  // smooth at another size: linear
      {512, 768, 1, 0, 2, 2, 1, 1},
      {1024, 768, 0, 2, 1, 1, 1, 2},   // point everywhere, mirror
      {64, 64, 5, 9, 0, 0, 0, 0},      // unknown modes leave the states alone
  };
  bytecode::BsfImage image;
  image.ps.samplers = {{"texSampler0", 2}};
  Shader* shader = load(image);
  for (const Case& c : cases) {
    Texture* texture = device->create_texture();
    ASSERT_TRUE(texture->create(c.width, c.height, c.filter, c.address));
    shader->set_texture(0, texture);
    std::vector<std::string> expected;
    if (c.mag != 0) {
      expected.push_back("set_sampler_state(2, 5, " + std::to_string(c.mag) + ")");
      expected.push_back("set_sampler_state(2, 6, " + std::to_string(c.min) + ")");
      expected.push_back("set_sampler_state(2, 7, " + std::to_string(c.mip) + ")");
    }
    if (c.addressing != 0)
      for (int state = 1; state <= 3; ++state)
        expected.push_back("set_sampler_state(2, " + std::to_string(state) + ", " +
                           std::to_string(c.addressing) + ")");
    EXPECT_EQ(begin_calls(shader, "set_sampler_state"), expected)
        << c.width << "x" << c.height << " filter " << c.filter;
  }
  // Once the engine lowers its target size, that size gets point magnification.
  device->set_full_target_size(1024, 1024);
  Texture* texture = device->create_texture();
  ASSERT_TRUE(texture->create(1024, 1024, 1, 1));
  shader->set_texture(0, texture);
  EXPECT_EQ(begin_calls(shader, "set_sampler_state")[0], "set_sampler_state(2, 5, 1)");
}

TEST_F(ShaderFixture, QuadIsDrawnBetweenBeginAndEnd) {
  bytecode::BsfImage image;
  image.ps.constants = {{"alpha", 0, 0}};
  Shader* shader = load(image);
  device->set_shader(shader);
  device->draw_quad(0, 0, 1, 1);
  std::vector<std::string> names;
  for (const TraceCall& call : trace->calls) names.push_back(call.name);
  std::vector<std::string> expected = {"set_program", "set_pixel_constant", "draw_quad"};
  expected.insert(expected.end(), 16, "set_texture");
  EXPECT_EQ(names, expected);
}

TEST_F(ShaderFixture, ReleasedTextureIsNoLongerBound) {
  bytecode::BsfImage image;
  image.ps.samplers = {{"texSampler0", 0}};
  Shader* shader = load(image);
  Texture* texture = device->create_texture();
  ASSERT_TRUE(texture->create(8, 8, 0, 1));
  shader->set_texture(0, texture);
  texture->release();
  EXPECT_EQ(begin_calls(shader, "set_texture"), std::vector<std::string>{"set_texture(0, 0)"});
}

}  // namespace
}  // namespace bw::device
