// The console reporter our benchmarks share: it prints Google Benchmark's usual table and
// keeps each benchmark's counters and CPU time, so that a benchmark can close with ratios
// against a reference measured in the same run.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bw::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      // By the function's name, without the "/iterations:N" and "/manual_time" parts.
      const std::string& name = run.run_name.function_name;
      times_[name] = run.GetAdjustedCPUTime();
      for (const auto& [counter_name, counter] : run.counters)
        rates_[name + "|" + counter_name] = counter.value;
    }
    ConsoleReporter::ReportRuns(runs);
  }

  // "ours / reference: R of the reference's COUNTER" for a counter both reported; nothing
  // when either is missing.
  void print_rate_ratio(const std::string& ours, const std::string& reference,
                        const std::string& counter) const {
    const auto a = rates_.find(ours + "|" + counter);
    const auto b = rates_.find(reference + "|" + counter);
    if (a == rates_.end() || b == rates_.end() || b->second == 0) return;
    std::printf("%s / %s: %.3f of the reference's %s\n", ours.c_str(), reference.c_str(),
                a->second / b->second, counter.c_str());
  }

  // "ours / reference: R of the reference's CPU time" per iteration, with a note.
  void print_time_ratio(const std::string& ours, const std::string& reference,
                        const char* note = "") const {
    const auto a = times_.find(ours);
    const auto b = times_.find(reference);
    if (a == times_.end() || b == times_.end() || b->second <= 0) return;
    std::printf("%s / %s: %.3f of the reference's CPU time%s\n", ours.c_str(),
                reference.c_str(), a->second / b->second, note);
  }

  // "text: VALUE" for one counter of one benchmark; nothing when it is missing.
  void print_counter(const std::string& benchmark, const std::string& counter,
                     const std::string& text) const {
    const auto it = rates_.find(benchmark + "|" + counter);
    if (it == rates_.end()) return;
    std::printf("%s: %.3f\n", text.c_str(), it->second);
  }

 private:
  std::map<std::string, double> times_;
  std::map<std::string, double> rates_;
};

}  // namespace bw::bench
