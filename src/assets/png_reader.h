// PNG images through libpng: every colour type and bit depth, delivered as 8-bit red,
// green, blue, alpha.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "assets/image_error.h"
#include "assets/pixel_buffer.h"

namespace bw::assets {

// Decodes the PNG file open in `file` from its current position (its signature first),
// or says why not. Sets width and height only on success. Sides above max_side are
// refused before the pixels are allocated. The file stays open. libpng itself writes its
// own words about damage to standard error.
ImageResult<PixelBuffer> decode_png_stream(std::FILE* file, int& width, int& height,
                                           int max_side = kMaxImageSide);

// Opens `path`, else `install_dir`/`path`, and decodes it (Texture::load_png). A file
// found in neither place is refused quietly.
ImageResult<PixelBuffer> load_png(const std::string& path, const std::string& install_dir,
                                  int& width, int& height);

}  // namespace bw::assets
