// Numbered images: fetching and decoding 100 images of 512 x 512 from an image store on
// disk (selection, reading the record, descrambling, JPEG decoding to RGBA and the row
// reversal), against decoding the same JPEG bytes with libjpeg directly into RGB rows.
// Printed at the end as the ratio of CPU times; it should stay under 1.15.
#include <benchmark/benchmark.h>

#include "ratio_reporter.h"

#include <stdlib.h>

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <memory>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "assets/asset_pack.h"
#include "assets/installation.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kImages = 100;
constexpr int kSide = 512;

// A 512 x 512 photo-like picture (smooth fields plus fine noise), encoded at quality 85.
Bytes encode_image(int seed) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kSide) * kSide * 3);
  std::uint32_t noise = static_cast<std::uint32_t>(seed) * 2654435761u + 1;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      noise = noise * 1664525u + 1013904223u;
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * kSide + x) * 3];
      p[0] = static_cast<std::uint8_t>((x + seed * 7) / 2 + (noise >> 29));
      p[1] = static_cast<std::uint8_t>((y * 3 + x) / 4 + (noise >> 28));
      p[2] = static_cast<std::uint8_t>(((x ^ y) + seed) & 255);
    }
  }
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long out_size = 0;
  jpeg_mem_dest(&cinfo, &out, &out_size);
  cinfo.image_width = kSide;
  cinfo.image_height = kSide;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 85, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = &rgb[static_cast<std::size_t>(cinfo.next_scanline) * kSide * 3];
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes bytes(out, out + out_size);
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return bytes;
}

const std::vector<Bytes>& plain_images() {
  static const std::vector<Bytes> images = [] {
    std::vector<Bytes> all;
    for (int i = 1; i <= kImages; ++i) all.push_back(encode_image(i));
    return all;
  }();
  return images;
}

// An install directory whose colour-image store (data/Base1) holds the 100 images,
// packed (scrambled) as the stores of an installation are. Removed at exit.
class InstallDir {
 public:
  InstallDir() {
    char pattern[] = "/tmp/bw_image_bench_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return;
    dir_ = pattern;
    std::vector<bw::assets::PackedAsset> images;
    for (int i = 0; i < kImages; ++i) {
      images.push_back({"image" + std::to_string(i + 1) + ".jpg",
                        plain_images()[static_cast<std::size_t>(i)]});
    }
    std::string error;
    if (!bw::assets::write_image_store(dir_ + "/data/Base1", images, &error)) {
      std::fprintf(stderr, "image_store_bench: cannot pack the store: %s\n", error.c_str());
      dir_.clear();
    }
  }
  ~InstallDir() {
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  const std::string& path() const { return dir_; }

 private:
  std::string dir_;
};

const InstallDir& install_dir() {
  static const InstallDir dir;
  return dir;
}

void BM_DirectJpegDecode(benchmark::State& state) {
  const auto& images = plain_images();
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kSide) * kSide * 3);
  for (auto _ : state) {
    for (const Bytes& jpeg : images) {
      jpeg_decompress_struct cinfo;
      jpeg_error_mgr errors;
      cinfo.err = jpeg_std_error(&errors);
      jpeg_create_decompress(&cinfo);
      jpeg_mem_src(&cinfo, jpeg.data(), jpeg.size());
      jpeg_read_header(&cinfo, TRUE);
      jpeg_start_decompress(&cinfo);
      while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &rgb[static_cast<std::size_t>(cinfo.output_scanline) *
                            cinfo.output_width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
      }
      jpeg_finish_decompress(&cinfo);
      jpeg_destroy_decompress(&cinfo);
      benchmark::DoNotOptimize(rgb.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kImages);
  std::size_t total = 0;
  for (const Bytes& jpeg : images) total += jpeg.size();
  state.counters["jpeg_bytes"] = static_cast<double>(total) / kImages;
}
BENCHMARK(BM_DirectJpegDecode)->Unit(benchmark::kMillisecond);

void BM_FetchStoreImage(benchmark::State& state) {
  if (install_dir().path().empty()) {
    state.SkipWithError("no image store");
    return;
  }
  bw::assets::Installation installation(install_dir().path());
  int width = 0, height = 0, count = 0;
  for (auto _ : state) {
    for (int number = 1; number <= kImages; ++number) {
      auto image = installation.fetch_store_image(number, 0, width, height, count);
      if (!image) {
        state.SkipWithError("an image failed to decode");
        return;
      }
      bw::assets::reverse_rows(*image);
      benchmark::DoNotOptimize(image->rgba.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kImages);
}
BENCHMARK(BM_FetchStoreImage)->Unit(benchmark::kMillisecond);

// The same, with the rows placed bottom first by the decoder instead of a second pass.
void BM_FetchStoreImageBottomFirst(benchmark::State& state) {
  if (install_dir().path().empty()) {
    state.SkipWithError("no image store");
    return;
  }
  bw::assets::Installation installation(install_dir().path());
  int width = 0, height = 0, count = 0;
  for (auto _ : state) {
    for (int number = 1; number <= kImages; ++number) {
      auto image = installation.fetch_store_image(number, 0, width, height, count,
                                                  bw::assets::RowOrder::bottom_first);
      if (!image) {
        state.SkipWithError("an image failed to decode");
        return;
      }
      benchmark::DoNotOptimize(image->rgba.data());
    }
  }
  state.SetItemsProcessed(state.iterations() * kImages);
}
BENCHMARK(BM_FetchStoreImageBottomFirst)->Unit(benchmark::kMillisecond);

// Keeps each run's time per iteration so that the ratio can be printed at the end.
}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  install_dir();  // encode and pack outside the timed runs
  bw::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const char* name : {"BM_FetchStoreImage", "BM_FetchStoreImageBottomFirst"})
    reporter.print_time_ratio(name, "BM_DirectJpegDecode", " (limit 1.15)");
  benchmark::Shutdown();
  return 0;
}
