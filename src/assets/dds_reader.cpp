// DDS header, as read here (the first 128 bytes, little-endian):
//
//   OFFSET SIZE DESCRIPTION
//        0    4 magic "DDS "
//       12    4 height
//       16    4 width
//       80    4 pixel format flags: 0x4 compressed (see FourCC), else exactly
//               0x40 (RGB) or 0x41 (RGB with alpha)
//       84    4 FourCC: "DXT1", "DXT3", "DXT5"
//       88    4 RGB bit count: 24 with flags 0x40, 32 with flags 0x41
//
// Pixel data follows at offset 128; only the top level is read, and mip levels and
// colour masks are ignored. Uncompressed pixels are taken in file order as red, green,
// blue[, alpha]. Compressed images are stored in 4x4 blocks, row of blocks by row of
// blocks from the top; an image whose sides are not multiples of 4 has its last blocks
// padded, and only the pixels inside the image are kept.
//
//   block   layout
//   DXT1    colour block (8)
//   DXT3    64-bit explicit alpha, 4 bits per pixel (8), colour block (8)
//   DXT5    alpha0 (1), alpha1 (1), 48-bit alpha codes, 3 bits per pixel (6), colour block (8)
//   colour  c0 (2), c1 (2), four index bytes, one per row from the top, leftmost pixel
//           in bits 1-0
//
// The 5-6-5 colours expand by a plain shift (no copy of the high bits into the low
// ones), so the brightest white is 248, 252, 248.
#include "assets/dds_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "assets/byte_reader.h"
#include "assets/image_source.h"
#include "platform/diagnostics.h"

namespace bw::assets {
namespace {

constexpr std::uint32_t fourcc(const char (&text)[5]) {
  return static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[0])) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[1])) << 8 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[2])) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(text[3])) << 24;
}

struct Rgb {
  int red, green, blue;
};

Rgb expand_565(unsigned c) {
  return {static_cast<int>(c >> 11) * 8, static_cast<int>((c >> 5) & 63) * 4,
          static_cast<int>(c & 31) * 8};
}

// Writes the colour of every pixel and, for DXT1, its alpha.
void decode_colour_block(const std::uint8_t* block, bool dxt1,
                         std::array<std::uint8_t, 64>& pixels) {
  const unsigned c0 = block[0] | block[1] << 8;
  const unsigned c1 = block[2] | block[3] << 8;
  Rgb palette[4];
  palette[0] = expand_565(c0);
  palette[1] = expand_565(c1);
  const Rgb& a = palette[0];
  const Rgb& b = palette[1];
  if (c0 > c1) {
    palette[2] = {(2 * a.red + b.red) / 3, (2 * a.green + b.green) / 3,
                  (2 * a.blue + b.blue) / 3};
    palette[3] = {(a.red + 2 * b.red) / 3, (a.green + 2 * b.green) / 3,
                  (a.blue + 2 * b.blue) / 3};
  } else {
    palette[2] = {(a.red + b.red) / 2, (a.green + b.green) / 2, (a.blue + b.blue) / 2};
    palette[3] = {0, 0, 0};
  }
  for (int y = 0; y < 4; ++y) {
    const unsigned indices = block[4 + y];
    for (int x = 0; x < 4; ++x) {
      const unsigned index = (indices >> (2 * x)) & 3;
      std::uint8_t* out = &pixels[(y * 4 + x) * 4];
      out[0] = static_cast<std::uint8_t>(palette[index].red);
      out[1] = static_cast<std::uint8_t>(palette[index].green);
      out[2] = static_cast<std::uint8_t>(palette[index].blue);
      if (dxt1) out[3] = (index == 3 && c0 <= c1) ? 0 : 255;
    }
  }
}

std::uint64_t little_endian(const std::uint8_t* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

int block_bytes(DdsFormat format) { return format == DdsFormat::kDxt1 ? 8 : 16; }

}  // namespace

void decode_dxt_block(DdsFormat format, const std::uint8_t* block,
                      std::array<std::uint8_t, 64>& pixels) {
  switch (format) {
    case DdsFormat::kDxt1:
      decode_colour_block(block, true, pixels);
      return;
    case DdsFormat::kDxt3: {
      decode_colour_block(block + 8, false, pixels);
      std::uint64_t alpha = little_endian(block, 8);
      for (int i = 0; i < 16; ++i, alpha >>= 4) {
        pixels[i * 4 + 3] = static_cast<std::uint8_t>((alpha & 15) * 16);
      }
      return;
    }
    case DdsFormat::kDxt5: {
      decode_colour_block(block + 8, false, pixels);
      const int alpha0 = block[0];
      const int alpha1 = block[1];
      std::uint64_t codes = little_endian(block + 2, 6);
      for (int i = 0; i < 16; ++i, codes >>= 3) {
        const int code = static_cast<int>(codes & 7);
        int alpha;
        if (code == 0) {
          alpha = alpha0;
        } else if (code == 1) {
          alpha = alpha1;
        } else if (alpha0 > alpha1) {
          alpha = ((8 - code) * alpha0 + (code - 1) * alpha1) / 7;
        } else if (code <= 5) {
          alpha = ((6 - code) * alpha0 + (code - 1) * alpha1) / 5;
        } else {
          alpha = code == 6 ? 0 : 255;
        }
        pixels[i * 4 + 3] = static_cast<std::uint8_t>(alpha);
      }
      return;
    }
    case DdsFormat::kRgb24:
    case DdsFormat::kRgba32:
      return;
  }
}

std::optional<DdsLayout> parse_dds_header(std::span<const std::uint8_t> header,
                                          const std::string& path, int& width, int& height,
                                          int max_side) {
  if (header.size() < 4 || std::memcmp(header.data(), "DDS ", 4) != 0) {
    diag::message("DDS image \"%s\": wrong magic", path.c_str());
    return std::nullopt;
  }
  if (header.size() < kDdsHeaderSize) {
    diag::message(
                  "DDS image \"%s\" is truncated: the header needs 128 bytes, "
                  "the file has %zu",
                  path.c_str(), header.size());
    return std::nullopt;
  }
  ByteReader reader(header);
  reader.seek(12);
  const std::uint32_t file_height = reader.u32();
  const std::uint32_t file_width = reader.u32();
  reader.seek(80);
  const std::uint32_t flags = reader.u32();
  const std::uint32_t code = reader.u32();
  const std::uint32_t bit_count = reader.u32();
  width = static_cast<int>(file_width);
  height = static_cast<int>(file_height);

  DdsFormat format;
  if (flags & 0x4) {
    if (code == fourcc("DXT1")) {
      format = DdsFormat::kDxt1;
    } else if (code == fourcc("DXT3")) {
      format = DdsFormat::kDxt3;
    } else if (code == fourcc("DXT5")) {
      format = DdsFormat::kDxt5;
    } else if (code == fourcc("DXT2") || code == fourcc("DXT4")) {
      diag::message("DDS image \"%s\": DXT2 or DXT4 is not supported",
                    path.c_str());
      return std::nullopt;
    } else {
      diag::message("DDS image \"%s\": unknown format", path.c_str());
      return std::nullopt;
    }
  } else if (flags == 0x40 && bit_count == 24) {
    format = DdsFormat::kRgb24;
  } else if (flags == 0x41 && bit_count == 32) {
    format = DdsFormat::kRgba32;
  } else {
    diag::message("DDS image \"%s\": unknown format", path.c_str());
    return std::nullopt;
  }

  if (!image_size_acceptable(file_width, file_height, max_side)) {
    diag::say(image_size_refusal("DDS image \"" + path + "\"", file_width, file_height, max_side));
    return std::nullopt;
  }
  const std::size_t w = file_width;
  const std::size_t h = file_height;
  std::size_t data_bytes = 0;
  switch (format) {
    case DdsFormat::kRgb24:
      data_bytes = w * h * 3;
      break;
    case DdsFormat::kRgba32:
      data_bytes = w * h * 4;
      break;
    default:
      data_bytes = ((w + 3) / 4) * ((h + 3) / 4) * block_bytes(format);
      break;
  }
  return DdsLayout{format, width, height, data_bytes};
}

std::optional<PixelBuffer> decode_dds_pixels(const DdsLayout& layout,
                                             std::span<const std::uint8_t> data,
                                             const std::string& path) {
  if (data.size() < layout.data_bytes) {
    diag::message(
                  "DDS image \"%s\" is truncated: the pixels need %zu bytes "
                  "after the header, the file has %zu",
                  path.c_str(), layout.data_bytes, data.size());
    return std::nullopt;
  }
  std::optional<PixelBuffer> image = PixelBuffer::allocate(layout.width, layout.height);
  if (!image) {
    diag::message("no memory for %dx%d pixels of DDS image \"%s\"",
                  layout.width, layout.height, path.c_str());
    return std::nullopt;
  }
  const std::size_t pixel_count = static_cast<std::size_t>(layout.width) * layout.height;
  if (pixel_count == 0) return image;  // an empty image: nothing to read or write
  std::uint8_t* out = image->rgba.data();
  const std::uint8_t* in = data.data();
  switch (layout.format) {
    case DdsFormat::kRgb24:
      for (std::size_t i = 0; i < pixel_count; ++i) {
        out[i * 4 + 0] = in[i * 3 + 0];
        out[i * 4 + 1] = in[i * 3 + 1];
        out[i * 4 + 2] = in[i * 3 + 2];
        out[i * 4 + 3] = 255;
      }
      return image;
    case DdsFormat::kRgba32:
      std::memcpy(out, in, pixel_count * 4);
      return image;
    default:
      break;
  }
  const int blocks_across = (layout.width + 3) / 4;
  const int blocks_down = (layout.height + 3) / 4;
  const std::size_t step = static_cast<std::size_t>(block_bytes(layout.format));
  std::array<std::uint8_t, 64> block{};
  for (int by = 0; by < blocks_down; ++by) {
    for (int bx = 0; bx < blocks_across; ++bx) {
      decode_dxt_block(layout.format, in, block);
      in += step;
      const int columns = std::min(4, layout.width - bx * 4);
      const int rows = std::min(4, layout.height - by * 4);
      for (int y = 0; y < rows; ++y) {
        std::memcpy(image->pixel(bx * 4, by * 4 + y), &block[y * 16],
                    static_cast<std::size_t>(columns) * 4);
      }
    }
  }
  return image;
}

std::optional<PixelBuffer> decode_dds(std::span<const std::uint8_t> bytes,
                                      const std::string& path, int& width, int& height,
                                      int max_side) {
  const std::optional<DdsLayout> layout =
      parse_dds_header(bytes.first(std::min(bytes.size(), kDdsHeaderSize)), path, width,
                       height, max_side);
  if (!layout) return std::nullopt;
  return decode_dds_pixels(*layout, bytes.subspan(kDdsHeaderSize), path);
}

std::optional<PixelBuffer> load_dds(const std::string& path, const std::string& install_dir,
                                    int& width, int& height) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_image_file(path, install_dir),
                                                       &std::fclose);
  if (!file) return std::nullopt;
  std::uint8_t header[kDdsHeaderSize];
  const std::size_t header_bytes = std::fread(header, 1, sizeof header, file.get());
  const std::optional<DdsLayout> layout =
      parse_dds_header(std::span(header, header_bytes), path, width, height);
  if (!layout) return std::nullopt;
  // Only as many bytes as the file still holds are read: a header that promises more
  // than the file has is refused by the size check without a large allocation.
  const long here = std::ftell(file.get());
  std::size_t left = 0;
  if (here >= 0 && std::fseek(file.get(), 0, SEEK_END) == 0) {
    const long end = std::ftell(file.get());
    if (end > here) left = static_cast<std::size_t>(end - here);
    std::fseek(file.get(), here, SEEK_SET);
  }
  std::vector<std::uint8_t> data;
  try {
    data.resize(std::min(layout->data_bytes, left));
  } catch (const std::bad_alloc&) {
    diag::message("no memory for the pixels of DDS image \"%s\"",
                  path.c_str());
    return std::nullopt;
  }
  data.resize(std::fread(data.data(), 1, data.size(), file.get()));
  return decode_dds_pixels(*layout, data, path);
}

}  // namespace bw::assets
