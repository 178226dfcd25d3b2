// PNG reader over fuzzed bytes, given to it as an in-memory file. Sides are held to 1024
// so that one input stays cheap.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "assets/png_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
  if (file == nullptr) return 0;
  int width = 0, height = 0;
  const auto image = bw::assets::decode_png_stream(file, width, height, 1024);
  std::fclose(file);
  if (image && image->byte_size() != static_cast<std::size_t>(width) * height * 4) __builtin_trap();
  // A refusal is said in one line.
  if (!image && image.error().message("input").find('\n') != std::string::npos) __builtin_trap();
  return 0;
}
