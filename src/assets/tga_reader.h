// Truevision TGA images: uncompressed (type 2) and run-length (type 10) true-colour
// images of 24 or 32 bits per pixel.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "assets/image_error.h"
#include "assets/image_source.h"
#include "assets/pixel_buffer.h"

namespace bw::assets {

// Decodes TGA bytes into a pixel buffer, or says why not. Sets width and height as soon
// as the header is read, also when the image is then rejected. Sides above max_side are
// refused before anything is allocated. Types other than 2 and 10 are refused quietly.
ImageResult<PixelBuffer> decode_tga(std::span<const std::uint8_t> bytes, int& width,
                                    int& height, int max_side = kMaxImageSide);

// Fetches the asset at `path` and decodes it as TGA (Texture::load_tga); a missing asset
// is refused quietly (the fetcher speaks for itself).
ImageResult<PixelBuffer> load_tga(const std::string& path, const AssetFetcher& fetch,
                                  int& width, int& height);

}  // namespace bw::assets
