// Cost of the two kinds of frame the saver draws, at 1920 x 1080 on the headless GL
// backend: a new-picture frame (every painting pass, two facture loads, the capture) and
// a display frame (the cross-fade alone). Both are timed in the same run, each ending at
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

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  bw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_counter("BM_NewPictureAgainstDisplayFrame", "ratio_to_display",
                         "new-picture frame / display frame");
  benchmark::Shutdown();
  return 0;
}
