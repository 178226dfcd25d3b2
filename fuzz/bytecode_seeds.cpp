// Seeds for the bytecode fuzz targets: the project's effects as images (bsf), as token
// streams (decode) or as vertex and pixel pairs (glsl).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bytecode/bsf.h"
#include "bytecode/effect_source.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  namespace fs = std::filesystem;
  const std::string kind = BW_SEED_KIND;
  fs::create_directories(argv[1]);
  int n = 0;
  for (const auto& entry : fs::directory_iterator(fs::path(BW_SOURCE_DIR) / "data" / "effects")) {
    if (entry.path().extension() != ".fx") continue;
    std::ifstream in(entry.path());
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string error;
    auto image = bw::bytecode::assemble_effect(text, error);
    if (!image) {
      std::fprintf(stderr, "%s: %s\n", entry.path().c_str(), error.c_str());
      return 1;
    }
    std::vector<std::uint8_t> bytes;
    auto put = [&](const std::vector<std::uint32_t>& words) {
      const auto* p = reinterpret_cast<const std::uint8_t*>(words.data());
      bytes.insert(bytes.end(), p, p + words.size() * 4);
    };
    if (kind == "bsf") {
      bytes = *bw::bytecode::write_bsf(*image, error);
    } else if (kind == "decode") {
      put(image->ps.code);
    } else {
      put({static_cast<std::uint32_t>(image->vs.code.size())});
      put(image->vs.code);
      put(image->ps.code);
    }
    std::ofstream out(fs::path(argv[1]) / ("seed" + std::to_string(n++)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
  }
  return 0;
}
