// Reading field 2 (a 4 KiB binary value in Bank.0) of 10 000 records, in record order and
// in random order, against a reference: the same bytes fetched with plain pread() calls
// at the same offsets. Reported as records/s, MB/s and the ratio to the reference.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

#include "store/record_store.h"
#include "store/store_writer.h"

namespace {

using namespace bw::store;

constexpr int kRecords = 10000;
constexpr size_t kValueSize = 4096;

struct Fixture {
  std::string dir;
  std::unique_ptr<RecordStore> store;
  std::vector<int64_t> offsets;  // Bank.0 offset of each record's value data
  std::vector<int> in_order;
  std::vector<int> shuffled;
};

Fixture& fixture() {
  static Fixture f = [] {
    Fixture made;
    made.dir = (std::filesystem::temp_directory_path() / "bw_store_read_bench").string();
    std::filesystem::remove_all(made.dir);
    std::vector<WriterField> fields = {{"Key", FieldType::fixed_text, 0, 16, {}},
                                       {"Data", FieldType::binary, 0, 4, {}}};
    std::vector<WriterRecord> records;
    std::mt19937 random(17);
    for (int r = 1; r <= kRecords; ++r) {
      std::vector<uint8_t> value(kValueSize);
      for (auto& b : value) b = static_cast<uint8_t>(random());
      records.push_back({WriterValue::of_text("asset/" + std::to_string(r)),
                         WriterValue::of_bytes(std::move(value))});
    }
    std::string error;
    if (!write_store(made.dir, fields, records, {}, &error)) {
      std::fprintf(stderr, "store_read_bench: %s\n", error.c_str());
      std::exit(1);
    }
    OpenFailure failure{};
    made.store = RecordStore::open(made.dir, failure);
    if (!made.store) std::exit(1);
    for (int r = 1; r <= kRecords; ++r) {
      // Each block is two 4-byte length words and the data, written in record order.
      made.offsets.push_back(int64_t(r - 1) * int64_t(8 + kValueSize) + 8);
      made.in_order.push_back(r);
    }
    made.shuffled = made.in_order;
    std::shuffle(made.shuffled.begin(), made.shuffled.end(), std::mt19937(5));
    return made;
  }();
  return f;
}

void report(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * kRecords);
  state.SetBytesProcessed(state.iterations() * kRecords * int64_t(kValueSize));
  state.counters["records/s"] = benchmark::Counter(double(state.iterations()) * kRecords,
                                                   benchmark::Counter::kIsRate);
}

void read_store(benchmark::State& state, const std::vector<int>& order) {
  Fixture& f = fixture();
  std::string value;
  for (auto _ : state) {
    size_t total = 0;
    for (int r : order) total += static_cast<size_t>(f.store->read_field(r, 2, value));
    if (total != order.size() * kValueSize) state.SkipWithError("short read");
    benchmark::DoNotOptimize(value.data());
  }
  report(state);
}

void read_reference(benchmark::State& state, const std::vector<int>& order) {
  Fixture& f = fixture();
  const int fd = ::open((f.dir + "/Bank.0").c_str(), O_RDONLY);
  std::vector<uint8_t> value(kValueSize);
  for (auto _ : state) {
    for (int r : order) {
      if (::pread(fd, value.data(), kValueSize, f.offsets[size_t(r) - 1]) != ssize_t(kValueSize))
        state.SkipWithError("short pread");
      benchmark::DoNotOptimize(value.data());
    }
  }
  ::close(fd);
  report(state);
}

void BM_StoreField2InOrder(benchmark::State& s) { read_store(s, fixture().in_order); }
void BM_StoreField2Random(benchmark::State& s) { read_store(s, fixture().shuffled); }
void BM_PreadInOrder(benchmark::State& s) { read_reference(s, fixture().in_order); }
void BM_PreadRandom(benchmark::State& s) { read_reference(s, fixture().shuffled); }
BENCHMARK(BM_StoreField2InOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreadInOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreField2Random)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PreadRandom)->Unit(benchmark::kMillisecond);

// Keeps each run's records/s so that the ratios can be printed at the end.
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_rate_ratio("BM_StoreField2InOrder", "BM_PreadInOrder", "records/s");
  reporter.print_rate_ratio("BM_StoreField2Random", "BM_PreadRandom", "records/s");
  benchmark::Shutdown();
  return 0;
}
