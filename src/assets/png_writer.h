// Writes a pixel buffer as an 8-bit RGBA PNG file (libpng).
#pragma once

#include <string>

#include "assets/pixel_buffer.h"

namespace bw::assets {

// Writes `image` to `path` as an 8-bit RGBA, non-interlaced PNG. Returns false with a
// one-line reason in `error` when the file cannot be written.
bool save_png(const PixelBuffer& image, const std::string& path, std::string* error);

}  // namespace bw::assets
