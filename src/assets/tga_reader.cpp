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

#include "assets/byte_reader.h"
#include "platform/diagnostics.h"

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

std::optional<PixelBuffer> decode_tga(std::span<const std::uint8_t> bytes,
                                      const std::string& path, int& width, int& height,
                                      int max_side) {
  if (bytes.size() < kHeaderSize) {
    diag::message(
                  "TGA image \"%s\" is truncated: the header needs 18 bytes, "
                  "the file has %zu",
                  path.c_str(), bytes.size());
    return std::nullopt;
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
    diag::message("TGA image \"%s\": only 24- and 32-bit images are supported", path.c_str());
    return std::nullopt;
  }
  if (image_type != 2 && image_type != 10) return std::nullopt;
  if (!image_size_acceptable(width, height, max_side)) {
    diag::say(image_size_refusal("TGA image \"" + path + "\"", width, height, max_side));
    return std::nullopt;
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
    diag::message(
                  "TGA image \"%s\" is truncated: pixel data needs %s%zu bytes "
                  "at offset %zu, the file has %zu",
                  path.c_str(), image_type == 2 ? "" : "at least ", needed, data_offset,
                  bytes.size());
    return std::nullopt;
  }
  std::optional<PixelBuffer> image = PixelBuffer::allocate(width, height);
  if (!image) {
    diag::message("no memory for %dx%d pixels of TGA image \"%s\"",
                  width, height, path.c_str());
    return std::nullopt;
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
        diag::message(
                      "TGA image \"%s\" is truncated: run-length data ends "
                      "after %zu of %zu pixels",
                      path.c_str(), done, pixel_count);
        return std::nullopt;
      }
      for (std::size_t i = 0; i < count; ++i) {
        put_pixel(out + (done + i) * 4, packet >= 128 ? in : in + i * bytes_per_pixel,
                  bytes_per_pixel);
      }
      done += count;
    }
  }

  if ((descriptor & 0x20) == 0) reverse_rows(*image);
  return image;
}

std::optional<PixelBuffer> load_tga(const std::string& path, const AssetFetcher& fetch,
                                    int& width, int& height) {
  if (!fetch) return std::nullopt;
  const std::optional<std::vector<std::uint8_t>> bytes = fetch(path);
  if (!bytes) return std::nullopt;
  return decode_tga(*bytes, path, width, height);
}

}  // namespace bw::assets
