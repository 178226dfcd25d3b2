// Effects per second through the GLSL translator, and through the decoder alone as the
// reference: the ratio of the two is the translator's own cost per effect.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "bytecode/bsf.h"
#include "bytecode/decode.h"
#include "bytecode/effect_source.h"
#include "bytecode/glsl.h"

namespace {

const std::vector<bw::bytecode::BsfImage>& shipped_images() {
  static const std::vector<bw::bytecode::BsfImage> images = [] {
    std::vector<bw::bytecode::BsfImage> out;
    namespace fs = std::filesystem;
    for (const auto& entry : fs::directory_iterator(fs::path(BW_SOURCE_DIR) / "data" / "effects")) {
      if (entry.path().extension() != ".fx") continue;
      std::ifstream in(entry.path());
      const std::string text((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
      std::string error;
      if (auto image = bw::bytecode::assemble_effect(text, error)) out.push_back(std::move(*image));
    }
    return out;
  }();
  return images;
}

void BM_TranslateShippedEffects(benchmark::State& state) {
  const auto& images = shipped_images();
  if (images.empty()) {
    state.SkipWithError("no effects under data/effects");
    return;
  }
  std::string error;
  for (auto _ : state) {
    for (const auto& image : images) {
      auto program = bw::bytecode::translate_to_glsl(image.vs.code, image.ps.code, error);
      benchmark::DoNotOptimize(program);
    }
  }
  state.counters["effects"] = static_cast<double>(images.size());
  state.counters["effects/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * images.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_TranslateShippedEffects);

void BM_DecodeShippedEffectsReference(benchmark::State& state) {
  const auto& images = shipped_images();
  std::string error;
  for (auto _ : state) {
    for (const auto& image : images) {
      auto vs = bw::bytecode::decode(image.vs.code, error);
      auto ps = bw::bytecode::decode(image.ps.code, error);
      benchmark::DoNotOptimize(vs);
      benchmark::DoNotOptimize(ps);
    }
  }
  state.counters["effects/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * images.size()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeShippedEffectsReference);

}  // namespace

BENCHMARK_MAIN();
