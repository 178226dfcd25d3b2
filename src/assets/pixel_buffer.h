// The pixel buffer: the one image format that every reader produces and that texture
// uploads consume.
//
// Invariants:
//   1. rgba.size() == width * height * 4, always (an empty buffer has width 0 or height 0).
//   2. Rows run top to bottom; each pixel is 4 bytes red, green, blue, alpha; rows are
//      packed with no padding (stride = width * 4).
//   3. 0 <= width, height <= kMaxImageSide and width * height <= kMaxImagePixels, so every
//      byte offset fits in std::size_t and width * height * 4 is at most 64 MiB.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace bw::assets {

// The order in which a decoder places the rows: as the image shows them (top row
// first), or turned upside down as the row reversal would leave them.
enum class RowOrder { top_first, bottom_first };

// The one size limit of every image that is read or written: each side at most
// kMaxImageSide and at most kMaxImagePixels in all (a 4096 x 4096 square, or a strip of the
// longest side 1024 rows high). Readers check it before allocating anything, the saver's
// headless render refuses sizes beyond it, so whatever the saver writes every reader (the
// picture judge among them) takes.
inline constexpr int kMaxImageSide = 16384;
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{4096} * 4096;

// An image in memory: width x height pixels of 4 bytes (red, green, blue, alpha).
struct PixelBuffer {
  int width = 0;                    // pixels per row
  int height = 0;                   // number of rows
  std::vector<std::uint8_t> rgba;   // width * height * 4 bytes, first row on top

  // Bytes in one row (width * 4).
  std::size_t stride() const { return static_cast<std::size_t>(width) * 4; }
  // Total bytes (width * height * 4).
  std::size_t byte_size() const { return rgba.size(); }
  // First byte of row y (0 is the top row); y must be in 0..height-1.
  std::uint8_t* row(int y) { return rgba.data() + stride() * static_cast<std::size_t>(y); }
  // First byte of row y (0 is the top row); y must be in 0..height-1.
  const std::uint8_t* row(int y) const {
    return rgba.data() + stride() * static_cast<std::size_t>(y);
  }
  // First byte of pixel (x, y).
  std::uint8_t* pixel(int x, int y) { return row(y) + static_cast<std::size_t>(x) * 4; }
  // First byte of pixel (x, y).
  const std::uint8_t* pixel(int x, int y) const {
    return row(y) + static_cast<std::size_t>(x) * 4;
  }

  // A zero-filled buffer of the given size, or none when a side is negative or above
  // kMaxImageSide, or the memory cannot be had. A side of 0 gives an empty buffer.
  static std::optional<PixelBuffer> allocate(std::int64_t width, std::int64_t height);
};

// True when both sides lie in 0..max_side and width * height is within the pixel limit
// (kMaxImagePixels, or max_side * max_side when that is less).
constexpr bool image_size_acceptable(std::int64_t width, std::int64_t height,
                                     int max_side = kMaxImageSide) {
  // Both sides are checked first, so the product cannot overflow.
  return width >= 0 && height >= 0 && width <= max_side && height <= max_side &&
         width * height <= std::min(kMaxImagePixels, std::int64_t{max_side} * max_side);
}

// What every reader says of an image above the limit, one line: "image size WxH of
// <source> is above the limit of 16384 pixels a side and 16777216 in all".
std::string image_size_refusal(std::string_view source, std::int64_t width,
                               std::int64_t height, int max_side = kMaxImageSide);

// Reverses the row order in place: row i swaps with row height - 1 - i for every
// i < height / 2, so the middle row of an odd height stays where it is.
void reverse_rows(PixelBuffer& image);

// The same reversal over raw memory: `height` rows of `row_bytes` bytes each.
void reverse_rows(std::uint8_t* rows, std::size_t row_bytes, int height);

}  // namespace bw::assets
