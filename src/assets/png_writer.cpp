// libpng reports write errors by a long jump; each member that calls libpng sets the jump
// point in its own frame, which owns nothing with a destructor, and the frames skipped
// are libpng's C frames.
#include "assets/png_writer.h"

#include <png.h>

#include <csetjmp>

#include "platform/file.h"

namespace bw::assets {

PngRowWriter::~PngRowWriter() { close(); }

void PngRowWriter::close() {
  if (png_ != nullptr) {
    auto png = static_cast<png_structp>(png_);
    auto info = static_cast<png_infop>(info_);
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  }
  png_ = info_ = nullptr;
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool PngRowWriter::open(const std::string& path, int width, int height, std::string* error) {
  close();
  path_ = path;
  height_ = height;
  rows_written_ = 0;
  failed_ = true;
  if (width <= 0 || height <= 0 || !image_size_acceptable(width, height)) {
    *error = "the image is empty or too large";
    return false;
  }
  file_ = platform::create_for_writing(path);
  if (file_ == nullptr) {
    *error = "cannot create \"" + path + "\"";
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  png_ = png;
  info_ = info;
  if (info == nullptr) {
    *error = "cannot write \"" + path + "\"";
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    *error = "cannot write \"" + path + "\"";
    return false;
  }
  png_init_io(png, file_);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  failed_ = false;
  return true;
}

bool PngRowWriter::write_row(const std::uint8_t* rgba) {
  if (failed_ || png_ == nullptr || rows_written_ >= height_) return false;
  auto png = static_cast<png_structp>(png_);
  if (setjmp(png_jmpbuf(png))) {
    failed_ = true;
    return false;
  }
  png_write_row(png, const_cast<png_bytep>(rgba));
  ++rows_written_;
  return true;
}

bool PngRowWriter::finish(std::string* error) {
  if (failed_ || png_ == nullptr || rows_written_ != height_) {
    close();
    *error = "cannot write \"" + path_ + "\"";
    return false;
  }
  auto png = static_cast<png_structp>(png_);
  if (setjmp(png_jmpbuf(png))) {
    close();
    *error = "cannot write \"" + path_ + "\"";
    return false;
  }
  png_write_end(png, nullptr);
  auto info = static_cast<png_infop>(info_);
  png_destroy_write_struct(&png, &info);
  png_ = info_ = nullptr;
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) {
    *error = "cannot finish \"" + path_ + "\"";
    return false;
  }
  return true;
}

bool save_png(const PixelBuffer& image, const std::string& path, std::string* error) {
  if (image.width <= 0 || image.height <= 0 ||
      image.rgba.size() != image.stride() * static_cast<std::size_t>(image.height)) {
    *error = "the image is empty or inconsistent";
    return false;
  }
  PngRowWriter writer;
  if (!writer.open(path, image.width, image.height, error)) return false;
  for (int y = 0; y < image.height; ++y) writer.write_row(image.row(y));
  return writer.finish(error);
}

}  // namespace bw::assets
