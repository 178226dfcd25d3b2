// Truevision TGA images: uncompressed (type 2) and run-length (type 10) true-colour
// images of 24 or 32 bits per pixel.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "assets/image_source.h"
#include "assets/pixel_buffer.h"

namespace bw::assets {

// Decodes TGA bytes into a pixel buffer. Sets width and height as soon as the header is
// read, also when the image is then rejected. `path` only names the file in messages.
// Sides above max_side are refused before anything is allocated.
std::optional<PixelBuffer> decode_tga(std::span<const std::uint8_t> bytes,
                                      const std::string& path, int& width, int& height,
                                      int max_side = kMaxImageSide);

// Fetches the asset at `path` and decodes it as TGA (Texture::load_tga).
std::optional<PixelBuffer> load_tga(const std::string& path, const AssetFetcher& fetch,
                                    int& width, int& height);

}  // namespace bw::assets
