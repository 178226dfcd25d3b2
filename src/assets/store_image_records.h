// The image stores of the installation, read through the record store: the process-wide
// fetch_store_image that texture loading calls.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "assets/pixel_buffer.h"
#include "assets/store_image.h"

namespace bw::assets {

// Opens the record store at `dir` as an image store; nullptr when it cannot be opened
// (the store's own failure code is then dropped: the caller only retries later).
std::unique_ptr<ImageRecords> open_image_store(const std::string& dir);

// fetch_store_image over the process's image stores under the install directory of the
// asset fetch (asset_fetch.h). The stores are opened on first use and kept; a change of
// install directory starts again with empty slots.
std::optional<PixelBuffer> fetch_store_image(int number, int store_code, int& width,
                                             int& height, int& count,
                                             RowOrder order = RowOrder::top_first);

// Closes the process's image stores; the next fetch opens them again.
void reset_image_stores();

}  // namespace bw::assets
