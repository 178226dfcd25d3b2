// DirectDraw Surface images: the top level of RGB24, RGBA32, DXT1, DXT3 and DXT5 files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "assets/image_error.h"
#include "assets/pixel_buffer.h"

namespace bw::assets {

// The pixel layouts this reader decodes.
enum class DdsFormat { rgb24, rgba32, dxt1, dxt3, dxt5 };

// What the 128-byte header says about the top level.
struct DdsLayout {
  DdsFormat format;
  int width;
  int height;
  std::size_t data_bytes;  // bytes of pixel data the top level needs after the header
};

// Bytes before the pixel data.
inline constexpr std::size_t kDdsHeaderSize = 128;

// Reads the 128-byte header (fewer bytes when the file is shorter). Sets width and height
// once the magic is accepted; gives the layout, or the reason the header is refused.
ImageResult<DdsLayout> parse_dds_header(std::span<const std::uint8_t> header, int& width,
                                        int& height, int max_side = kMaxImageSide);

// Decodes the top level from the bytes that follow the header; refused as truncated
// when fewer than layout.data_bytes are given.
ImageResult<PixelBuffer> decode_dds_pixels(const DdsLayout& layout,
                                           std::span<const std::uint8_t> data);

// A whole DDS file in memory: header, then pixels.
ImageResult<PixelBuffer> decode_dds(std::span<const std::uint8_t> bytes, int& width,
                                    int& height, int max_side = kMaxImageSide);

// Opens `path`, else `install_dir`/`path`, and decodes it (Texture::load_dds). A file
// found in neither place is refused quietly.
ImageResult<PixelBuffer> load_dds(const std::string& path, const std::string& install_dir,
                                  int& width, int& height);

// Decodes one 4x4 block into 16 red, green, blue, alpha pixels, row by row from the top.
// `block` holds 8 bytes for DXT1, 16 for DXT3 and DXT5.
void decode_dxt_block(DdsFormat format, const std::uint8_t* block,
                      std::array<std::uint8_t, 64>& pixels);

}  // namespace bw::assets
