// The cross-fade that the display pass draws every frame, at 1920 x 1080 on the GL
// backend: the effect translated from its token streams against a hand-written GLSL
// cross-fade, both drawn through Device::draw_quad with the same textures in the same
// process. The "translated/handwritten" counter is the ratio of their times (the goal is
// at most 1.05).
//
// Run: build-*/bench/device_crossfade_bench --benchmark_min_time=2
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "device/bytecode/bsf.h"
#include "device/bytecode/effect_source.h"
#include "device/bytecode/glsl.h"
#include "device/device.h"
#include "device/gl/gl_backend.h"
#include "device/shader.h"
#include "device/texture.h"

namespace {

using namespace bw::device;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

const char* kHandVertex = R"(#version 330 core
layout(location = 0) in vec4 in_position;
layout(location = 1) in vec4 in_texcoord;
uniform vec4 bw_position;
out vec4 bw_texcoord0;
void main() {
  bw_texcoord0 = in_texcoord;
  gl_Position = vec4(in_position.x * bw_position.x + bw_position.z,
                     in_position.y * bw_position.y + bw_position.w, -1.0, 1.0);
}
)";

const char* kHandFragment = R"(#version 330 core
uniform vec4 ps_c[1];
uniform sampler2D ps_s0;
uniform sampler2D ps_s1;
in vec4 bw_texcoord0;
layout(location = 0) out vec4 bw_out0;
void main() {
  bw_out0 = mix(texture(ps_s0, bw_texcoord0.xy), texture(ps_s1, bw_texcoord0.xy), ps_c[0].x);
}
)";

// The display pass's scene: two full-size final pictures and both effects.
struct Scene {
  GlBackend* gl = nullptr;
  std::unique_ptr<Device> device;
  Shader* translated = nullptr;
  Shader* handwritten = nullptr;
  bool ready = false;

  Scene() {
    auto backend = make_gl_backend();
    gl = backend.get();
    device = std::make_unique<Device>(std::move(backend));
    if (device->create(0, kWidth, kHeight, 60, false) != kCreated) return;

    std::ifstream file(std::string(BW_SOURCE_DIR) + "/data/effects/visual.fx");
    std::stringstream text;
    text << file.rdbuf();
    std::string error;
    const auto image = bw::bytecode::assemble_effect(text.str(), error);
    const auto bytes = image ? bw::bytecode::write_bsf(*image, error) : std::nullopt;
    if (!bytes) {
      std::fprintf(stderr, "visual.fx: %s\n", error.c_str());
      return;
    }
    translated = device->create_shader();
    if (!translated->load(bytes->data(), bytes->size())) return;

    // The hand-written program takes the place of the translation for a second shader
    // with the same tables.
    bw::bytecode::GlslProgram hand;
    hand.vertex = kHandVertex;
    hand.fragment = kHandFragment;
    hand.ps_samplers = {{"ps_s0", 0, bw::bytecode::SamplerKind::k2D},
                        {"ps_s1", 1, bw::bytecode::SamplerKind::k2D}};
    gl->set_translator([&hand](auto, auto, std::string&) { return std::optional(hand); });
    handwritten = device->create_shader();
    const bool hand_loaded = handwritten->load(bytes->data(), bytes->size());
    gl->set_translator(nullptr);
    if (!hand_loaded) return;

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
    for (int pass = 0; pass < 2; ++pass) {
      for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i * (pass ? 7 : 13) >> 3);
      Texture* final_picture = device->create_texture();
      if (!final_picture->upload(pixels.data(), kWidth, kHeight, 0, 1)) return;
      translated->set_texture(pass, final_picture);
      handwritten->set_texture(pass, final_picture);
    }
    ready = true;
  }

  // One display pass with `shader`, waited for.
  double draw_seconds(Shader* shader, float weight) {
    const float alpha[4] = {weight, 0, 0, 0};
    shader->set_param("alpha", alpha);
    const auto start = std::chrono::steady_clock::now();
    device->set_shader(shader);
    device->draw_quad(0, 0, 1, 1);
    gl->finish();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

Scene& scene() {
  static Scene the_scene;
  return the_scene;
}

void BM_DisplayCrossFade(benchmark::State& state, bool translated) {
  Scene& s = scene();
  if (!s.ready) {
    state.SkipWithError("no GL device or the effect does not load");
    return;
  }
  Shader* shader = translated ? s.translated : s.handwritten;
  float weight = 0.0f;
  for (auto _ : state) {
    state.SetIterationTime(s.draw_seconds(shader, weight));
    weight = weight >= 1.0f ? 0.0f : weight + 0.01f;
  }
}

// Both programs alternately in one loop, so that both see the same machine load.
void BM_TranslatedOverHandwritten(benchmark::State& state) {
  Scene& s = scene();
  if (!s.ready) {
    state.SkipWithError("no GL device or the effect does not load");
    return;
  }
  double translated = 0;
  double handwritten = 0;
  float weight = 0.0f;
  for (auto _ : state) {
    translated += s.draw_seconds(s.translated, weight);
    handwritten += s.draw_seconds(s.handwritten, weight);
    weight = weight >= 1.0f ? 0.0f : weight + 0.01f;
  }
  if (handwritten > 0) state.counters["translated/handwritten"] = translated / handwritten;
}

BENCHMARK_CAPTURE(BM_DisplayCrossFade, translated, true)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DisplayCrossFade, handwritten, false)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TranslatedOverHandwritten)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_counter("BM_TranslatedOverHandwritten", "translated/handwritten",
                         "translated / hand-written cross-fade");
  benchmark::Shutdown();
  return 0;
}
