// Cost of the two kinds of frame the saver draws, at 1920 x 1080 on the headless GL
// backend: a new-picture frame (every painting pass, two facture loads, the capture) and
// a display frame (the display pass alone); and a display frame with the painted reveal
// against one with the uniform cross-fade the display pass drew before it. Both are timed in the same run, each ending at
// a read-back of a small target so that the rasteriser has finished; the new-picture frame
// is reported in milliseconds and as a ratio to the display frame. The default picture
// and its stores are used when the build has packed them (target "pictures"), else a
// small effect set of the tests; the benchmark's label says which.
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>

#include "bench_engine.h"
#include "ratio_reporter.h"

namespace {

using bw::bench::Engine;

double seconds_of(const std::function<void()>& work) {
  auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_NewPictureAgainstDisplayFrame(benchmark::State& bench) {
  Engine engine;
  if (!engine.start(1920, 1080)) {
    bench.SkipWithError("the engine did not start on the GL backend");
    return;
  }
  bench.SetLabel(engine.what);
  engine.frame();  // the first picture, and warm-up
  double picture_total = 0, display_total = 0;
  for (auto _ : bench) {
    engine.force_new_picture();
    const int built = engine.state.pictures_built;
    const double picture = seconds_of([&] { engine.frame(); });
    const double display = seconds_of([&] { engine.frame(); });
    if (engine.state.pictures_built != built + 1) {
      bench.SkipWithError("a forced frame did not build a picture");
      return;
    }
    picture_total += picture;
    display_total += display;
    bench.SetIterationTime(picture);
  }
  const double n = static_cast<double>(bench.iterations());
  bench.counters["new_picture_ms"] = picture_total / n * 1e3;
  bench.counters["display_ms"] = display_total / n * 1e3;
  bench.counters["ratio_to_display"] = picture_total / display_total;
}
BENCHMARK(BM_NewPictureAgainstDisplayFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(8);

// A display frame as drawn now (the painted reveal) against one drawn with the uniform
// cross-fade that the display pass drew before, alternately in one loop at 1920 x 1080.
void BM_RevealFrameAgainstCrossFadeFrame(benchmark::State& bench) {
  Engine engine;
  if (!engine.start(1920, 1080)) {
    bench.SkipWithError("the engine did not start on the GL backend");
    return;
  }
  bench.SetLabel(engine.what);
  engine.frame();  // the first picture
  engine.force_new_picture();
  engine.frame();  // the second: both finals hold paintings
  bw::device::Shader* reveal = engine.state.reveal_effect;
  if (reveal == nullptr) {
    bench.SkipWithError("the picture has no reveal effect");
    return;
  }
  double reveal_total = 0, cross_fade_total = 0;
  for (auto _ : bench) {
    engine.state.reveal_effect = reveal;
    const double painted = seconds_of([&] { engine.frame(); });
    engine.state.reveal_effect = nullptr;  // the display pass falls back to the cross-fade
    const double faded = seconds_of([&] { engine.frame(); });
    reveal_total += painted;
    cross_fade_total += faded;
    bench.SetIterationTime(painted);
  }
  engine.state.reveal_effect = reveal;
  const double n = static_cast<double>(bench.iterations());
  bench.counters["reveal_ms"] = reveal_total / n * 1e3;
  bench.counters["cross_fade_ms"] = cross_fade_total / n * 1e3;
  bench.counters["ratio_to_cross_fade"] = reveal_total / cross_fade_total;
}
BENCHMARK(BM_RevealFrameAgainstCrossFadeFrame)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_counter("BM_NewPictureAgainstDisplayFrame", "ratio_to_display",
                         "new-picture frame / display frame");
  reporter.print_counter("BM_RevealFrameAgainstCrossFadeFrame", "ratio_to_cross_fade",
                         "display frame, reveal / uniform cross-fade");
  benchmark::Shutdown();
  return 0;
}
