#include "assets/pixel_buffer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace bw::assets {

namespace {

std::int64_t pixel_limit(int max_side) {
  return std::min(kMaxImagePixels, std::int64_t{max_side} * max_side);
}

}  // namespace

std::string image_size_refusal(std::string_view source, std::int64_t width, std::int64_t height,
                               int max_side) {
  return "image size " + std::to_string(width) + "x" + std::to_string(height) + " of " +
         std::string(source) + " is above the limit of " + std::to_string(max_side) +
         " pixels a side and " + std::to_string(pixel_limit(max_side)) + " in all";
}

std::optional<PixelBuffer> PixelBuffer::allocate(std::int64_t width, std::int64_t height) {
  if (!image_size_acceptable(width, height)) return std::nullopt;
  PixelBuffer image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  try {
    image.rgba.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  return image;
}

void reverse_rows(std::uint8_t* rows, std::size_t row_bytes, int height) {
  if (rows == nullptr || height < 2 || row_bytes == 0) return;
  // Whole-row copies through one spare row: several times faster than a byte-wise swap.
  std::vector<std::uint8_t> spare(row_bytes);
  for (int i = 0; i < height / 2; ++i) {
    std::uint8_t* top = rows + row_bytes * static_cast<std::size_t>(i);
    std::uint8_t* bottom = rows + row_bytes * static_cast<std::size_t>(height - 1 - i);
    std::memcpy(spare.data(), top, row_bytes);
    std::memcpy(top, bottom, row_bytes);
    std::memcpy(bottom, spare.data(), row_bytes);
  }
}

void reverse_rows(PixelBuffer& image) {
  if (image.rgba.empty()) return;
  reverse_rows(image.rgba.data(), image.stride(), image.height);
}

}  // namespace bw::assets
