// Start-up on the headless GL backend at 1280 x 800: from nothing to the first painted
// frame (the device, every target and texture, the picture and its effects translated
// and compiled, the layers, the first picture built, displayed and finished), against
// creating the GL context alone, both in the same run. The start-up run also reports the
// share of its time spent translating effects to GLSL and compiling and linking them.
// CPU times are the whole process's, the GL driver's threads included.
#include <benchmark/benchmark.h>

#include <chrono>

#include "bench_engine.h"
#include "bytecode/glsl.h"
#include "ratio_reporter.h"

namespace {

using Clock = std::chrono::steady_clock;
using bw::bench::Engine;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The GL backend with the time of its effect programs counted.
class TimedGlBackend final : public bw::device::GlBackend {
 public:
  TimedGlBackend() : GlBackend({}) {
    set_translator([this](auto vertex, auto pixel, std::string& error) {
      const auto start = Clock::now();
      auto glsl = bw::bytecode::translate_to_glsl(vertex, pixel, error);
      translate_seconds += seconds_since(start);
      return glsl;
    });
  }
  bw::device::ProgramHandle create_program(std::span<const std::uint32_t> vertex,
                                           std::span<const std::uint32_t> pixel) override {
    const auto start = Clock::now();
    const auto program = GlBackend::create_program(vertex, pixel);
    program_seconds += seconds_since(start);
    return program;
  }
  double translate_seconds = 0;  // translating token streams to GLSL
  double program_seconds = 0;    // translating, compiling and linking
};

void BM_ContextAlone(benchmark::State& bench) {
  for (auto _ : bench) {
    auto backend = bw::device::make_gl_backend();
    if (!backend->load_runtime()) {
      bench.SkipWithError("no GL context");
      return;
    }
    backend->finish();
  }
}
BENCHMARK(BM_ContextAlone)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_StartToFirstFrame(benchmark::State& bench) {
  double translate = 0, programs = 0, total = 0;
  for (auto _ : bench) {
    const auto start = Clock::now();
    Engine engine;
    auto backend = std::make_unique<TimedGlBackend>();
    TimedGlBackend* timed = backend.get();
    if (!engine.start(1280, 800, std::move(backend))) {
      bench.SkipWithError("the engine did not start on the GL backend");
      return;
    }
    engine.frame();
    total += seconds_since(start);
    translate += timed->translate_seconds;
    programs += timed->program_seconds;
    bench.SetLabel(engine.what);
  }
  if (total > 0) {
    bench.counters["translate_share"] = translate / total;
    bench.counters["compile_share"] = (programs - translate) / total;
  }
}
BENCHMARK(BM_StartToFirstFrame)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_time_ratio("BM_StartToFirstFrame", "BM_ContextAlone");
  reporter.print_counter("BM_StartToFirstFrame", "translate_share",
                         "share of start-up translating effects");
  reporter.print_counter("BM_StartToFirstFrame", "compile_share",
                         "share of start-up compiling and linking effects");
  benchmark::Shutdown();
  return 0;
}
