// TGA header, as read here (little-endian):
//
//   OFFSET SIZE DESCRIPTION
//        0    1 ID length: pixel data starts at 18 + ID length
//        2    1 image type: 2 uncompressed true-colour, 10 run-length true-colour
//       12    2 width
//       14    2 height
//       16    1 pixel depth: 24 (blue, green, red) or 32 (blue, green, red, alpha)
//       17    1 image descriptor: bit 5 set when the first stored row is the top row
//
// The colour-map fields are not read and no colour map is skipped: true-colour files
// carry none. A run-length packet byte c >= 128 repeats the one pixel that follows
// c - 127 times; c < 128 is followed by c + 1 literal pixels. Packets may cross rows.
// A packet that runs past the last pixel is cut at the end of the image.
#include "assets/tga_reader.h"

#include <algorithm>
#include <utility>

#include "assets/byte_reader.h"

namespace bw::assets {
namespace {

constexpr std::size_t kHeaderSize = 18;

// Stores one file pixel (blue, green, red[, alpha]) as red, green, blue, alpha.
inline void put_pixel(std::uint8_t* out, const std::uint8_t* in, int bytes_per_pixel) {
  out[0] = in[2];
  out[1] = in[1];
  out[2] = in[0];
  out[3] = bytes_per_pixel == 4 ? in[3] : 255;
}

}  // namespace

ImageResult<PixelBuffer> decode_tga(std::span<const std::uint8_t> bytes, int& width,
                                    int& height, int max_side) {
  if (bytes.size() < kHeaderSize) {
    return image_error(ImageFault::truncated, "header", 0,
                       "the header needs 18 bytes, the file has " +
                           std::to_string(bytes.size()));
  }
  ByteReader header(bytes);
  const std::uint8_t id_length = header.u8();
  header.seek(2);
  const std::uint8_t image_type = header.u8();
  header.seek(12);
  width = header.u16();
  height = header.u16();
  const std::uint8_t depth = header.u8();
  const std::uint8_t descriptor = header.u8();

  if (depth != 24 && depth != 32) {
    return image_error(ImageFault::unsupported, "pixel depth", 16,
                       "only 24- and 32-bit images are supported");
  }
  if (image_type != 2 && image_type != 10) {
    return image_error(ImageFault::unhandled_kind, "image type", 2);
  }
  if (!image_size_acceptable(width, height, max_side)) {
    return size_refusal(width, height, max_side, 12);
  }
  const int bytes_per_pixel = depth / 8;
  const std::size_t pixel_count = static_cast<std::size_t>(width) * height;
  const std::size_t data_offset = kHeaderSize + id_length;
  const std::size_t available = bytes.size() - std::min(data_offset, bytes.size());
  // The fewest bytes that can describe the pixels: all of them stored, or one run packet
  // of at most 128 pixels per (1 + pixel size) bytes. Checked before allocating, so that
  // a short file cannot make the reader allocate for a large image.
  const std::size_t needed =
      image_type == 2 ? pixel_count * bytes_per_pixel
                      : (pixel_count + 127) / 128 * (1 + static_cast<std::size_t>(bytes_per_pixel));
  if (available < needed || data_offset > bytes.size()) {
    return image_error(ImageFault::truncated, "pixel data", data_offset,
                       "pixel data needs " + std::string(image_type == 2 ? "" : "at least ") +
                           std::to_string(needed) + " bytes at offset " +
                           std::to_string(data_offset) + ", the file has " +
                           std::to_string(bytes.size()));
  }
  std::optional<PixelBuffer> image = PixelBuffer::allocate(width, height);
  if (!image) {
    return image_error(ImageFault::no_memory, "pixel data", data_offset,
                       std::to_string(width) + "x" + std::to_string(height) + " pixels");
  }
  ByteReader data(bytes);
  data.seek(data_offset);
  std::uint8_t* out = image->rgba.data();

  if (image_type == 2) {
    const std::uint8_t* in = data.take(needed);
    for (std::size_t i = 0; i < pixel_count; ++i) {
      put_pixel(out + i * 4, in + i * bytes_per_pixel, bytes_per_pixel);
    }
  } else {
    std::size_t done = 0;
    while (done < pixel_count) {
      const std::uint8_t packet = data.u8();
      const std::size_t count =
          std::min<std::size_t>((packet & 0x7F) + 1, pixel_count - done);
      const std::uint8_t* in =
          data.take((packet >= 128 ? 1 : count) * static_cast<std::size_t>(bytes_per_pixel));
      if (in == nullptr) {
        return image_error(ImageFault::truncated, "run-length data", data.position(),
                           "run-length data ends after " + std::to_string(done) + " of " +
                               std::to_string(pixel_count) + " pixels");
      }
      for (std::size_t i = 0; i < count; ++i) {
        put_pixel(out + (done + i) * 4, packet >= 128 ? in : in + i * bytes_per_pixel,
                  bytes_per_pixel);
      }
      done += count;
    }
  }

  if ((descriptor & 0x20) == 0) reverse_rows(*image);
  return std::move(*image);
}

ImageResult<PixelBuffer> load_tga(const std::string& path, const AssetFetcher& fetch,
                                  int& width, int& height) {
  const std::optional<std::vector<std::uint8_t>> bytes = fetch_image_asset(path, fetch);
  if (!bytes) return image_error(ImageFault::not_found, "file", 0);
  return decode_tga(*bytes, width, height);
}

}  // namespace bw::assets
