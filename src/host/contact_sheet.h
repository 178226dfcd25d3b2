// A contact sheet: pictures shrunk to one width and laid out in a grid.
#pragma once

#include <vector>

#include "assets/pixel_buffer.h"

namespace bw::host {

// The pictures as thumbnails `thumb_width` wide (box-filtered, aspect kept), in rows of
// ceil(sqrt(n)), 8 dark pixels apart. An empty list gives an empty sheet.
assets::PixelBuffer contact_sheet(const std::vector<assets::PixelBuffer>& pictures,
                                  int thumb_width);

}  // namespace bw::host
