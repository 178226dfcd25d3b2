// libpng reports fatal errors by a long jump back to the point set with setjmp; the frame
// that sets it (read_png_rows) therefore owns nothing with a destructor, keeps what it
// allocates after the setjmp in volatile pointers, and frees it on both roads. The
// libpng frames that the jump skips are C frames.
#include "assets/png_reader.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "assets/image_source.h"

namespace bw::assets {
namespace {

// What libpng produced: height rows of row_bytes bytes, 3 or 4 channels of 8 bits.
struct PngRows {
  unsigned char* data = nullptr;  // std::malloc'd; the caller frees it
  std::size_t row_bytes = 0;
  int channels = 0;
  png_uint_32 width = 0;
  png_uint_32 height = 0;
};

// Where the decoding of a stream stopped: its offset from where the signature began.
std::size_t offset_in(std::FILE* file, long start) {
  const long here = std::ftell(file);
  return here >= start && start >= 0 ? static_cast<std::size_t>(here - start) : 0;
}

// Fills *out, or *error with the reason there are no rows.
bool read_png_rows(std::FILE* file, int max_side, PngRows* out, ImageError* error) {
  const long start = std::ftell(file);
  unsigned char signature[8];
  if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    *error = image_error(ImageFault::wrong_signature, "signature", 0);
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png == nullptr ? nullptr : png_create_info_struct(png);
  if (info == nullptr) {
    if (png != nullptr) png_destroy_read_struct(&png, nullptr, nullptr);
    *error = image_error(ImageFault::no_memory, "decoder", 0, "the decoder");
    return false;
  }
  unsigned char* volatile image = nullptr;
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    std::free(image);
    std::free(rows);
    png_destroy_read_struct(&png, &info, nullptr);
    *error = image_error(ImageFault::damaged, "chunks", offset_in(file, start));
    return false;
  }
  // The size is judged by the rule every reader keeps, right after the header and before
  // anything the size implies is allocated; libpng's own limit would call it damage.
  png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_init_io(png, file);
  png_set_sig_bytes(png, sizeof signature);
  png_read_info(png, info);

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bit_depth = 0;
  int colour_type = 0;
  png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, nullptr, nullptr,
               nullptr);
  if (!image_size_acceptable(width, height, max_side)) {
    png_destroy_read_struct(&png, &info, nullptr);
    *error = size_refusal(width, height, max_side, 16);  // the sides open the IHDR data
    return false;
  }
  if (bit_depth == 16) png_set_strip_16(png);
  if (colour_type == PNG_COLOR_TYPE_PALETTE) png_set_expand(png);
  if (bit_depth < 8) png_set_expand(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_expand(png);
  if (colour_type == PNG_COLOR_TYPE_GRAY || colour_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  double file_gamma = 0;
  if (png_get_gAMA(png, info, &file_gamma)) png_set_gamma(png, 2.2, file_gamma);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, nullptr, nullptr,
               nullptr);
  const std::size_t row_bytes = png_get_rowbytes(png, info);
  const int channels = png_get_channels(png, info);
  if ((channels != 3 && channels != 4) || bit_depth != 8 ||
      row_bytes < static_cast<std::size_t>(width) * channels) {
    png_error(png, "unexpected layout after the transformations");
  }

  image = static_cast<unsigned char*>(std::malloc(row_bytes * height));
  rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
  if (image == nullptr || rows == nullptr) png_error(png, "out of memory for the rows");
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = image + row_bytes * y;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  std::free(rows);

  out->data = image;
  out->row_bytes = row_bytes;
  out->channels = channels;
  out->width = width;
  out->height = height;
  return true;
}

}  // namespace

ImageResult<PixelBuffer> decode_png_stream(std::FILE* file, int& width, int& height,
                                           int max_side) {
  PngRows rows;
  ImageError error;
  if (!read_png_rows(file, max_side, &rows, &error)) return error;
  std::unique_ptr<unsigned char, void (*)(void*)> owned(rows.data, &std::free);
  std::optional<PixelBuffer> image = PixelBuffer::allocate(rows.width, rows.height);
  if (!image) {
    return image_error(ImageFault::no_memory, "pixel data", 0,
                       std::to_string(rows.width) + "x" + std::to_string(rows.height) +
                           " pixels");
  }
  for (int y = 0; y < image->height; ++y) {
    const unsigned char* in = rows.data + rows.row_bytes * static_cast<std::size_t>(y);
    std::uint8_t* out = image->row(y);
    for (int x = 0; x < image->width; ++x, in += rows.channels, out += 4) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
      out[3] = rows.channels == 4 ? in[3] : 255;
    }
  }
  width = image->width;
  height = image->height;
  return std::move(*image);
}

ImageResult<PixelBuffer> load_png(const std::string& path, const std::string& install_dir,
                                  int& width, int& height) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(open_image_file(path, install_dir),
                                                       &std::fclose);
  if (!file) return image_error(ImageFault::not_found, "file", 0);
  return decode_png_stream(file.get(), width, height);
}

}  // namespace bw::assets
