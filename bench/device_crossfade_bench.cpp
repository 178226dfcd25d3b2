// The display effects that every frame draws, at 1920 x 1080 on the GL backend: the
// uniform cross-fade (visual.fx) and the painted reveal (reveal.fx), each translated from
// its token streams against a hand-written GLSL version, all drawn through
// Device::draw_quad with the same textures in the same process. The
// "translated/handwritten" counters are the ratios of their times (the goal is at most
// 1.05); "reveal/cross-fade" compares the two translated effects.
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

#include "bytecode/bsf.h"
#include "bytecode/effect_source.h"
#include "bytecode/glsl.h"
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

const char* kHandCrossFade = R"(#version 330 core
uniform vec4 ps_c[1];
uniform sampler2D ps_s0;
uniform sampler2D ps_s1;
in vec4 bw_texcoord0;
layout(location = 0) out vec4 bw_out0;
void main() {
  bw_out0 = mix(texture(ps_s0, bw_texcoord0.xy), texture(ps_s1, bw_texcoord0.xy), ps_c[0].x);
}
)";

// The reveal: the new picture (slot 1, its moment of arrival in alpha) over the old one.
const char* kHandReveal = R"(#version 330 core
uniform vec4 ps_c[2];
uniform sampler2D ps_s0;
uniform sampler2D ps_s1;
in vec4 bw_texcoord0;
layout(location = 0) out vec4 bw_out0;
void main() {
  vec4 painted = texture(ps_s1, bw_texcoord0.xy);
  vec4 under = texture(ps_s0, fract(bw_texcoord0.xy * ps_c[1].xy));
  float cover = clamp((ps_c[0].x - painted.a) * 50.0, 0.0, 1.0);
  bw_out0 = vec4(mix(under.rgb, painted.rgb, cover), 1.0);
}
)";

// One display effect, translated and hand-written, with the same tables.
struct EffectPair {
  Shader* translated = nullptr;
  Shader* handwritten = nullptr;
};

// The display pass's scene: two full-size final pictures and both effects of each kind.
struct Scene {
  GlBackend* gl = nullptr;
  std::unique_ptr<Device> device;
  EffectPair cross_fade;
  EffectPair reveal;
  bool ready = false;

  bool load(EffectPair& pair, const char* file, const char* hand_fragment) {
    std::ifstream source(std::string(BW_SOURCE_DIR) + "/data/effects/" + file);
    std::stringstream text;
    text << source.rdbuf();
    std::string error;
    const auto image = bw::bytecode::assemble_effect(text.str(), error);
    const auto bytes = image ? bw::bytecode::write_bsf(*image, error) : std::nullopt;
    if (!bytes) {
      std::fprintf(stderr, "%s: %s\n", file, error.c_str());
      return false;
    }
    pair.translated = device->create_shader();
    if (!pair.translated->load(bytes->data(), bytes->size())) return false;

    // The hand-written program takes the place of the translation for a second shader
    // with the same tables.
    bw::bytecode::GlslProgram hand;
    hand.vertex = kHandVertex;
    hand.fragment = hand_fragment;
    hand.ps_samplers = {{"ps_s0", 0, bw::bytecode::SamplerKind::two_d},
                        {"ps_s1", 1, bw::bytecode::SamplerKind::two_d}};
    gl->set_translator([&hand](auto, auto, std::string&) { return std::optional(hand); });
    pair.handwritten = device->create_shader();
    const bool hand_loaded = pair.handwritten->load(bytes->data(), bytes->size());
    gl->set_translator(nullptr);
    return hand_loaded;
  }

  Scene() {
    auto backend = make_gl_backend();
    gl = backend.get();
    device = std::make_unique<Device>(std::move(backend));
    if (device->create(0, kWidth, kHeight, 60, false) != CreateStatus::created) return;
    if (!load(cross_fade, "visual.fx", kHandCrossFade) ||
        !load(reveal, "reveal.fx", kHandReveal))
      return;

    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight * 4);
    const float tile[4] = {1, 1, 0, 0};
    for (int pass = 0; pass < 2; ++pass) {
      // Alpha runs over every value, as a reveal's plan does.
      for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i * (pass ? 7 : 13) >> 3);
      Texture* final_picture = device->create_texture();
      if (!final_picture->upload(pixels.data(), kWidth, kHeight, 0, 1)) return;
      for (EffectPair* pair : {&cross_fade, &reveal})
        for (Shader* shader : {pair->translated, pair->handwritten}) {
          shader->set_texture(pass, final_picture);
          shader->set_param("tile", tile);
        }
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

EffectPair& pair_of(Scene& s, bool reveal) { return reveal ? s.reveal : s.cross_fade; }

void BM_DisplayEffect(benchmark::State& state, bool reveal, bool translated) {
  Scene& s = scene();
  if (!s.ready) {
    state.SkipWithError("no GL device or an effect does not load");
    return;
  }
  Shader* shader = translated ? pair_of(s, reveal).translated : pair_of(s, reveal).handwritten;
  float weight = 0.0f;
  for (auto _ : state) {
    state.SetIterationTime(s.draw_seconds(shader, weight));
    weight = weight >= 1.0f ? 0.0f : weight + 0.01f;
  }
}

// Two programs alternately in one loop, so that both see the same machine load; the
// counter `name` is the first's time over the second's.
void alternate(benchmark::State& state, Shader* first, Shader* second, const char* name) {
  if (!scene().ready) {
    state.SkipWithError("no GL device or an effect does not load");
    return;
  }
  double first_total = 0;
  double second_total = 0;
  float weight = 0.0f;
  for (auto _ : state) {
    first_total += scene().draw_seconds(first, weight);
    second_total += scene().draw_seconds(second, weight);
    weight = weight >= 1.0f ? 0.0f : weight + 0.01f;
  }
  if (second_total > 0) state.counters[name] = first_total / second_total;
}

void BM_TranslatedOverHandwritten(benchmark::State& state, bool reveal) {
  EffectPair& pair = pair_of(scene(), reveal);
  alternate(state, pair.translated, pair.handwritten, "translated/handwritten");
}

void BM_RevealOverCrossFade(benchmark::State& state) {
  alternate(state, scene().reveal.translated, scene().cross_fade.translated,
            "reveal/cross-fade");
}

BENCHMARK_CAPTURE(BM_DisplayEffect, cross_fade_translated, false, true)
    ->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DisplayEffect, cross_fade_handwritten, false, false)
    ->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DisplayEffect, reveal_translated, true, true)
    ->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DisplayEffect, reveal_handwritten, true, false)
    ->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TranslatedOverHandwritten, cross_fade, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_TranslatedOverHandwritten, reveal, true)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RevealOverCrossFade)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_counter("BM_TranslatedOverHandwritten/cross_fade", "translated/handwritten",
                         "translated / hand-written cross-fade");
  reporter.print_counter("BM_TranslatedOverHandwritten/reveal", "translated/handwritten",
                         "translated / hand-written reveal");
  reporter.print_counter("BM_RevealOverCrossFade", "reveal/cross-fade",
                         "reveal / cross-fade, effect alone");
  benchmark::Shutdown();
  return 0;
}
