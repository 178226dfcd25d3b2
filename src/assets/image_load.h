// Reading an image named by path: the reader is chosen from the extension found in the
// path, and its bytes come from the asset fetch (TGA, JPEG) or from a file (PNG, DDS).
// This is the reading half of Texture::load; the upload is the device's.
#pragma once

#include <optional>
#include <string>

#include "assets/image_source.h"
#include "assets/pixel_buffer.h"

namespace bw::assets {

// The four readers, and none.
enum class ImageFormat { unknown, tga, png, jpg, dds };

// Searches the path, case-sensitively and anywhere in it, for ".tga", then ".png", then
// ".jpg", then ".dds"; the first of these found decides. unknown when none occurs.
ImageFormat image_format_of(const std::string& path);

// Reads the image at `path` with the reader its extension selects. Gives pixels only when
// the reader gave pixels with both sides non-zero; width and height hold whatever the
// reader set. A reader's refusal is reported here, once, in a line naming the image (a
// missing file or asset is not: its road speaks for itself). An unknown extension writes
// "image \"<path>\": unknown format" and gives none.
std::optional<PixelBuffer> load_image(const std::string& path, const ImageSources& sources,
                                      int& width, int& height);

}  // namespace bw::assets
