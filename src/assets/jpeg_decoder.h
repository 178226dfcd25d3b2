// JPEG decoding from memory through libjpeg's 6b interface: greyscale and RGB images,
// delivered with alpha 0.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "assets/image_error.h"
#include "assets/image_source.h"
#include "assets/pixel_buffer.h"

namespace bw::assets {

// Decodes a whole JPEG image held in memory, or says why not. Every pixel gets alpha 0;
// four-component images are refused quietly; what the library refuses comes back in its
// own words, with the offset it had read to. Data the library only warns about is
// refused too, with its first warning. Sets width and height only on success. Sides
// above max_side are refused before decompression starts. bottom_first places the rows
// exactly as decoding top first and then reverse_rows would, at no extra cost.
ImageResult<PixelBuffer> decode_jpeg(std::span<const std::uint8_t> bytes, int& width,
                                     int& height, int max_side = kMaxImageSide,
                                     RowOrder order = RowOrder::top_first);

// Fetches the asset at `path` and decodes it as JPEG (Texture::load_jpg); a missing asset
// is refused quietly (the fetcher speaks for itself).
ImageResult<PixelBuffer> load_jpg(const std::string& path, const AssetFetcher& fetch,
                                  int& width, int& height);

}  // namespace bw::assets
