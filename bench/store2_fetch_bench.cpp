// 10 000 random asset fetches on a 10 000-asset store (lookup on field 1, read of field 2,
// descrambling), and the lookups alone, against the same 10 000 lookups in SQLite: a table
// with an indexed text key (case-insensitive, like the store's collation) and a blob, built
// here. Also descrambling throughput against memcpy of the same bytes. The ratios of the
// rates are printed at the end.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"
#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "assets/additive_random.h"
#include "assets/asset_pack.h"
#include "assets/installation.h"
#include "store/record_store.h"
#include "store/store_cursor.h"

namespace {

constexpr int kAssets = 10000;
constexpr int kLookups = 10000;
constexpr size_t kAssetSize = 512;

struct Fixture {
  std::string install;
  std::unique_ptr<bw::assets::Installation> installation;
  std::vector<std::string> keys;       // in record order
  std::vector<std::string> lookups;    // kLookups random keys
  sqlite3* db = nullptr;
  sqlite3_stmt* select_data = nullptr;
  sqlite3_stmt* select_id = nullptr;
  std::unique_ptr<bw::store::RecordStore> store;
  std::unique_ptr<bw::store::StoreIndexes> indexes;

  Fixture() {
    install = std::filesystem::temp_directory_path().string() + "/bw_store2_bench";
    std::filesystem::remove_all(install);
    std::filesystem::create_directories(install + "/data");
    std::mt19937 random(2024);
    std::vector<bw::assets::PackedAsset> assets;
    for (int i = 0; i < kAssets; ++i) {
      char key[64];
      std::snprintf(key, sizeof key, "data/shaders/p%04d/effect%05u.bsf", i % 97,
                    static_cast<unsigned>(random() % 100000) * 10 + static_cast<unsigned>(i % 10));
      std::vector<uint8_t> bytes(kAssetSize);
      for (auto& b : bytes) b = static_cast<uint8_t>(random());
      keys.emplace_back(key);
      assets.push_back({key + std::to_string(i), std::move(bytes)});
      keys.back() = assets.back().key;
    }
    std::string error;
    if (!bw::assets::write_asset_store(install + "/data/Base3", assets, &error)) {
      std::fprintf(stderr, "store2_fetch_bench: %s\n", error.c_str());
      std::exit(1);
    }
    for (int i = 0; i < kLookups; ++i) lookups.push_back(keys[random() % keys.size()]);

    const std::string db_path = install + "/assets.sqlite";
    sqlite3_open(db_path.c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                 "CREATE TABLE assets(id INTEGER PRIMARY KEY, path TEXT COLLATE NOCASE, data BLOB);"
                 "CREATE INDEX by_path ON assets(path); BEGIN;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO assets(path, data) VALUES(?, ?)", -1, &insert, nullptr);
    for (const auto& a : assets) {
      sqlite3_bind_text(insert, 1, a.key.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_blob(insert, 2, a.bytes.data(), static_cast<int>(a.bytes.size()), SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db, "SELECT data FROM assets WHERE path = ?", -1, &select_data, nullptr);
    sqlite3_prepare_v2(db, "SELECT id FROM assets WHERE path = ?", -1, &select_id, nullptr);

    installation = std::make_unique<bw::assets::Installation>(install);
    bw::store::OpenFailure failure{};
    store = bw::store::RecordStore::open(install + "/data/Base3", failure);
    indexes = std::make_unique<bw::store::StoreIndexes>(*store);
  }
  ~Fixture() {
    sqlite3_finalize(select_data);
    sqlite3_finalize(select_id);
    sqlite3_close(db);
    std::filesystem::remove_all(install);
  }
};

Fixture& fixture() {
  static Fixture f;
  return f;
}

void set_rate(benchmark::State& state, int per_iteration) {
  state.SetItemsProcessed(state.iterations() * per_iteration);
  state.counters["lookups/s"] =
      benchmark::Counter(double(state.iterations()) * per_iteration, benchmark::Counter::kIsRate);
}

void BM_FetchAsset(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    for (const auto& key : f.lookups) {
      auto bytes = f.installation->fetch_asset(key);
      if (!bytes || bytes->size() != kAssetSize) state.SkipWithError("fetch failed");
      benchmark::DoNotOptimize(bytes);
    }
  }
  set_rate(state, kLookups);
}

void BM_SqliteSelectBlob(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    for (const auto& key : f.lookups) {
      sqlite3_bind_text(f.select_data, 1, key.c_str(), static_cast<int>(key.size()), SQLITE_STATIC);
      if (sqlite3_step(f.select_data) != SQLITE_ROW) state.SkipWithError("select failed");
      const auto* blob = static_cast<const uint8_t*>(sqlite3_column_blob(f.select_data, 0));
      std::vector<uint8_t> bytes(blob, blob + sqlite3_column_bytes(f.select_data, 0));
      benchmark::DoNotOptimize(bytes);
      sqlite3_reset(f.select_data);
    }
  }
  set_rate(state, kLookups);
}

void BM_StoreLookup(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    for (const auto& key : f.lookups) {
      bw::store::StoreCursor cursor(f.store.get(), 1, f.indexes.get());
      const bw::store::FindResult result = cursor.find(1, key, bw::store::FindMode::exact);
      if (!result.found()) state.SkipWithError("lookup failed");
      benchmark::DoNotOptimize(result.record);
    }
  }
  set_rate(state, kLookups);
}

void BM_SqliteLookup(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    for (const auto& key : f.lookups) {
      sqlite3_bind_text(f.select_id, 1, key.c_str(), static_cast<int>(key.size()), SQLITE_STATIC);
      if (sqlite3_step(f.select_id) != SQLITE_ROW) state.SkipWithError("select failed");
      benchmark::DoNotOptimize(sqlite3_column_int(f.select_id, 0));
      sqlite3_reset(f.select_id);
    }
  }
  set_rate(state, kLookups);
}

constexpr size_t kScrambledBytes = size_t{4} << 20;

void BM_Descramble(benchmark::State& state) {
  std::vector<uint8_t> bytes(kScrambledBytes, 0x5A);
  for (auto _ : state) {
    bw::assets::descramble(bytes, bw::assets::record_seed(7));
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kScrambledBytes));
  state.counters["MB/s"] = benchmark::Counter(double(state.iterations()) * kScrambledBytes / 1e6,
                                              benchmark::Counter::kIsRate);
}

void BM_Memcpy(benchmark::State& state) {
  std::vector<uint8_t> from(kScrambledBytes, 0x5A);
  std::vector<uint8_t> to(kScrambledBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kScrambledBytes);
    benchmark::DoNotOptimize(to.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kScrambledBytes));
  state.counters["MB/s"] = benchmark::Counter(double(state.iterations()) * kScrambledBytes / 1e6,
                                              benchmark::Counter::kIsRate);
}

BENCHMARK(BM_FetchAsset)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteSelectBlob)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreLookup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteLookup)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Descramble)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

// Keeps each run's rate so that the ratios can be printed at the end.
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  bw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.print_rate_ratio("BM_FetchAsset", "BM_SqliteSelectBlob", "lookups/s");
  reporter.print_rate_ratio("BM_StoreLookup", "BM_SqliteLookup", "lookups/s");
  reporter.print_rate_ratio("BM_Descramble", "BM_Memcpy", "MB/s");
  benchmark::Shutdown();
  return 0;
}
