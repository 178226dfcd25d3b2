#include "writers.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace bw::artgen {
namespace {

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void on_jpeg_error(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegError*>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

// Kept free of objects with destructors: a library error jumps back into it.
bool compress(const std::uint8_t* samples, int width, int height, int channels, int quality,
              unsigned char** buffer, unsigned long* size, JpegError* error) {
  jpeg_compress_struct info;
  info.err = jpeg_std_error(&error->manager);
  error->manager.error_exit = on_jpeg_error;
  if (setjmp(error->jump) != 0) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, buffer, size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = channels;
  info.in_color_space = channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.dct_method = JDCT_ISLOW;
  info.optimize_coding = TRUE;
  jpeg_start_compress(&info, TRUE);
  const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(samples + info.next_scanline * stride);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

void put16(std::vector<std::uint8_t>& out, std::size_t at, int value) {
  out[at] = static_cast<std::uint8_t>(value & 0xff);
  out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xff);
}

}  // namespace

std::string encode_jpeg(const Image& image, int quality, std::vector<std::uint8_t>& out) {
  if (image.channels != 1 && image.channels != 3) return "JPEG needs 1 or 3 channels";
  if (image.width <= 0 || image.height <= 0 || image.width > 65500 || image.height > 65500) {
    return "JPEG image size out of range";
  }
  std::vector<std::uint8_t> samples = to_bytes(image);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  JpegError error{};
  bool ok = compress(samples.data(), image.width, image.height, image.channels, quality, &buffer, &size, &error);
  if (ok) out.assign(buffer, buffer + size);
  std::free(buffer);
  if (!ok) return std::string("JPEG encoder: ") + error.message;
  return {};
}

// TGA header as written here (little-endian):
//   offset 0  size 1  ID length            0
//   offset 1  size 1  colour-map type      0
//   offset 2  size 1  image type           2 (uncompressed true colour)
//   offset 3  size 5  colour-map spec      0
//   offset 8  size 4  x and y origin       0
//   offset 12 size 2  width
//   offset 14 size 2  height
//   offset 16 size 1  pixel depth          32
//   offset 17 size 1  descriptor           0x28: 8 alpha bits, first row is the top row
// then width x height pixels of blue, green, red, alpha.
std::vector<std::uint8_t> encode_tga(const Image& image) {
  const std::size_t pixels = static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  std::vector<std::uint8_t> out(18 + pixels * 4, 0);
  out[2] = 2;
  put16(out, 12, image.width);
  put16(out, 14, image.height);
  out[16] = 32;
  out[17] = 0x28;
  for (std::size_t i = 0; i < pixels; ++i) {
    const float* p = &image.samples[i * 4];
    out[18 + i * 4 + 0] = to_byte(p[2]);
    out[18 + i * 4 + 1] = to_byte(p[1]);
    out[18 + i * 4 + 2] = to_byte(p[0]);
    out[18 + i * 4 + 3] = to_byte(p[3]);
  }
  return out;
}

std::string write_file(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return "cannot create \"" + path.string() + "\"";
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = (std::fclose(file) == 0) && ok;
  if (!ok) return "cannot write \"" + path.string() + "\"";
  return {};
}

}  // namespace bw::artgen
