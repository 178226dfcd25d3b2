// libpng reports write errors by a long jump; write_rows, the frame that sets the jump
// point, owns nothing with a destructor, and the frames skipped are libpng's C frames.
#include "assets/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <memory>
#include <vector>

namespace bw::assets {
namespace {

bool write_rows(std::FILE* file, const PixelBuffer& image, png_bytep* rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool save_png(const PixelBuffer& image, const std::string& path, std::string* error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgba.size() != image.stride() * static_cast<std::size_t>(image.height)) {
    *error = "the image is empty or inconsistent";
    return false;
  }
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                       &std::fclose);
  if (!file) {
    *error = "cannot create \"" + path + "\"";
    return false;
  }
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height));
  for (int y = 0; y < image.height; ++y) rows[y] = const_cast<png_bytep>(image.row(y));
  if (!write_rows(file.get(), image, rows.data())) {
    *error = "cannot write \"" + path + "\"";
    return false;
  }
  if (std::fclose(file.release()) != 0) {
    *error = "cannot finish \"" + path + "\"";
    return false;
  }
  return true;
}

}  // namespace bw::assets
