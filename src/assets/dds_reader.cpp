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
#include <utility>
#include <vector>

#include "assets/byte_reader.h"
#include "assets/image_source.h"

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

int block_bytes(DdsFormat format) { return format == DdsFormat::dxt1 ? 8 : 16; }

// The layout that the pixel format fields name; none for every combination not read.
std::optional<DdsFormat> format_of(std::uint32_t flags, std::uint32_t code,
                                   std::uint32_t bit_count) {
  if (flags & 0x4) {
    if (code == fourcc("DXT1")) return DdsFormat::dxt1;
    if (code == fourcc("DXT3")) return DdsFormat::dxt3;
    if (code == fourcc("DXT5")) return DdsFormat::dxt5;
    return std::nullopt;
  }
  if (flags == 0x40 && bit_count == 24) return DdsFormat::rgb24;
  if (flags == 0x41 && bit_count == 32) return DdsFormat::rgba32;
  return std::nullopt;
}

}  // namespace

void decode_dxt_block(DdsFormat format, const std::uint8_t* block,
                      std::array<std::uint8_t, 64>& pixels) {
  switch (format) {
    case DdsFormat::dxt1:
      decode_colour_block(block, true, pixels);
      return;
    case DdsFormat::dxt3: {
      decode_colour_block(block + 8, false, pixels);
      std::uint64_t alpha = little_endian(block, 8);
      for (int i = 0; i < 16; ++i, alpha >>= 4) {
        pixels[i * 4 + 3] = static_cast<std::uint8_t>((alpha & 15) * 16);
      }
      return;
    }
    case DdsFormat::dxt5: {
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
    case DdsFormat::rgb24:
    case DdsFormat::rgba32:
      return;
  }
}

ImageResult<DdsLayout> parse_dds_header(std::span<const std::uint8_t> header, int& width,
                                        int& height, int max_side) {
  if (header.size() < 4 || std::memcmp(header.data(), "DDS ", 4) != 0) {
    return image_error(ImageFault::wrong_signature, "magic", 0);
  }
  if (header.size() < kDdsHeaderSize) {
    return image_error(ImageFault::truncated, "header", 0,
                       "the header needs 128 bytes, the file has " +
                           std::to_string(header.size()));
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

  const std::optional<DdsFormat> format = format_of(flags, code, bit_count);
  if (!format) {
    const bool dxt2_or_dxt4 = (flags & 0x4) && (code == fourcc("DXT2") || code == fourcc("DXT4"));
    return image_error(ImageFault::unsupported, (flags & 0x4) ? "FourCC" : "pixel format",
                       (flags & 0x4) ? 84 : 80,
                       dxt2_or_dxt4 ? "DXT2 or DXT4 is not supported" : "unknown format");
  }
  if (!image_size_acceptable(file_width, file_height, max_side)) {
    return size_refusal(file_width, file_height, max_side, 12);
  }
  const std::size_t w = file_width;
  const std::size_t h = file_height;
  std::size_t data_bytes = 0;
  switch (*format) {
    case DdsFormat::rgb24:
      data_bytes = w * h * 3;
      break;
    case DdsFormat::rgba32:
      data_bytes = w * h * 4;
      break;
    default:
      data_bytes = ((w + 3) / 4) * ((h + 3) / 4) * block_bytes(*format);
      break;
  }
  return DdsLayout{*format, width, height, data_bytes};
}

ImageResult<PixelBuffer> decode_dds_pixels(const DdsLayout& layout,
                                           std::span<const std::uint8_t> data) {
  if (data.size() < layout.data_bytes) {
    return image_error(ImageFault::truncated, "pixel data", kDdsHeaderSize,
                       "the pixels need " + std::to_string(layout.data_bytes) +
                           " bytes after the header, the file has " +
                           std::to_string(data.size()));
  }
  std::optional<PixelBuffer> image = PixelBuffer::allocate(layout.width, layout.height);
  if (!image) {
    return image_error(ImageFault::no_memory, "pixel data", kDdsHeaderSize,
                       std::to_string(layout.width) + "x" + std::to_string(layout.height) +
                           " pixels");
  }
  const std::size_t pixel_count = static_cast<std::size_t>(layout.width) * layout.height;
  if (pixel_count == 0) return std::move(*image);  // an empty image: nothing to read or write
  std::uint8_t* out = image->rgba.data();
  const std::uint8_t* in = data.data();
  switch (layout.format) {
    case DdsFormat::rgb24:
      for (std::size_t i = 0; i < pixel_count; ++i) {
        out[i * 4 + 0] = in[i * 3 + 0];
        out[i * 4 + 1] = in[i * 3 + 1];
        out[i * 4 + 2] = in[i * 3 + 2];
        out[i * 4 + 3] = 255;
      }
      return std::move(*image);
    case DdsFormat::rgba32:
      std::memcpy(out, in, pixel_count * 4);
      return std::move(*image);
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
  return std::move(*image);
}

ImageResult<PixelBuffer> decode_dds(std::span<const std::uint8_t> bytes, int& width,
                                    int& height, int max_side) {
  const ImageResult<DdsLayout> layout = parse_dds_header(
      bytes.first(std::min(bytes.size(), kDdsHeaderSize)), width, height, max_side);
  if (!layout) return layout.error();
  return decode_dds_pixels(*layout, bytes.subspan(kDdsHeaderSize));
}

ImageResult<PixelBuffer> load_dds(const std::string& path, const std::string& install_dir,
                                  int& width, int& height) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_image_file(path, install_dir),
                                                       &std::fclose);
  if (!file) return image_error(ImageFault::not_found, "file", 0);
  std::uint8_t header[kDdsHeaderSize];
  const std::size_t header_bytes = std::fread(header, 1, sizeof header, file.get());
  const ImageResult<DdsLayout> layout =
      parse_dds_header(std::span(header, header_bytes), width, height);
  if (!layout) return layout.error();
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
    return image_error(ImageFault::no_memory, "pixel data", kDdsHeaderSize, "the pixels");
  }
  data.resize(std::fread(data.data(), 1, data.size(), file.get()));
  return decode_dds_pixels(*layout, data);
}

}  // namespace bw::assets
