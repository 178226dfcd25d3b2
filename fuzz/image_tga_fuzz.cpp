// TGA reader over fuzzed bytes. Sides are held to 1024 so that one input stays cheap.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "assets/tga_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int width = 0, height = 0;
  const auto image = bw::assets::decode_tga(std::span(data, size), width, height, 1024);
  if (image && image->byte_size() != static_cast<std::size_t>(width) * height * 4) __builtin_trap();
  // A refusal is said in one line.
  if (!image && image.error().message("input").find('\n') != std::string::npos) __builtin_trap();
  return 0;
}
