// JPEG decoding from memory through libjpeg's 6b interface: greyscale and RGB images,
// delivered with alpha 0.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "assets/image_source.h"
#include "assets/pixel_buffer.h"

namespace bw::assets {

// Decodes a whole JPEG image held in memory. Every pixel gets alpha 0; four-component
// images give none without a message; library errors are printed by the library and
// give none. Sets width and height only on success. `operation` and `source` name the
// caller and the data in our own messages. Sides above max_side are refused before
// decompression starts. kBottomFirst places the rows exactly as decoding top first and
// then reverse_rows would, at no extra cost.
std::optional<PixelBuffer> decode_jpeg(std::span<const std::uint8_t> bytes, int& width,
                                       int& height, const char* operation = "decode_jpeg()",
                                       const std::string& source = "memory",
                                       int max_side = kMaxImageSide,
                                       RowOrder order = RowOrder::kTopFirst);

// Fetches the asset at `path` and decodes it as JPEG (Texture::load_jpg).
std::optional<PixelBuffer> load_jpg(const std::string& path, const AssetFetcher& fetch,
                                    int& width, int& height);

}  // namespace bw::assets
