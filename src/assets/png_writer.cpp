// libpng reports write errors by a long jump; each member that calls libpng sets the jump
// point in its own frame, which owns nothing with a destructor, and the frames skipped
// are libpng's C frames.
#include "assets/png_writer.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>

namespace bw::assets {
namespace {

// libpng's output: the temporary's stream, with the system's reason of a failed write
// kept for the message.
void write_bytes(png_structp png, png_bytep data, png_size_t length) {
  auto* file = static_cast<platform::FileReplacement*>(png_get_io_ptr(png));
  if (!file->write(data, length)) png_error(png, "write failed");
}

// libpng's own report would be a second line beside ours, which has the system's reason.
[[noreturn]] void quiet_error(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void quiet_warning(png_structp, png_const_charp) {}

void flush_bytes(png_structp png) {
  auto* file = static_cast<platform::FileReplacement*>(png_get_io_ptr(png));
  errno = 0;
  if (std::fflush(file->stream()) != 0) file->note_failure(errno);
}

}  // namespace

PngRowWriter::~PngRowWriter() { close(); }

void PngRowWriter::close() {
  if (png_ != nullptr) {
    auto png = static_cast<png_structp>(png_);
    auto info = static_cast<png_infop>(info_);
    png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  }
  png_ = info_ = nullptr;
  file_.abandon();
}

bool PngRowWriter::open(const std::string& path, int width, int height, std::string* error) {
  close();
  path_ = path;
  height_ = height;
  rows_written_ = 0;
  failed_ = true;
  if (width <= 0 || height <= 0) {
    *error = "cannot write \"" + path + "\": the image is empty";
    return false;
  }
  if (!image_size_acceptable(width, height)) {
    *error = "cannot write " + image_size_refusal("\"" + path + "\"", width, height);
    return false;
  }
  std::string reason;
  if (!file_.open(path, &reason)) {
    *error = "cannot create \"" + path + "\": " + reason;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &quiet_error,
                                            &quiet_warning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  png_ = png;
  info_ = info;
  if (info == nullptr) return give_up(error);
  if (setjmp(png_jmpbuf(png))) return give_up(error);
  png_set_write_fn(png, &file_, &write_bytes, &flush_bytes);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  // zlib's fastest level compresses a painting in under half the time of level 3 (a
  // seventh of the default's) into a file 6 to 8 % larger than level 3 makes: the files
  // of a headless render are written while the next picture is painted, and the last one
  // is waited for.
  png_set_compression_level(png, 1);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB | PNG_FILTER_UP);
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

bool PngRowWriter::give_up(std::string* error) {
  file_.note_failure(EIO);  // kept only when the stream gave no reason of its own
  std::string reason;
  file_.commit(&reason);    // fails with that reason and removes the temporary
  close();
  *error = "cannot write \"" + path_ + "\": " + reason;
  return false;
}

bool PngRowWriter::finish(std::string* error) {
  if (png_ == nullptr) {
    *error = "cannot write \"" + path_ + "\": it was never begun";
    return false;
  }
  if (failed_) return give_up(error);
  if (rows_written_ != height_) {
    close();
    *error = "cannot write \"" + path_ + "\": the image was not complete";
    return false;
  }
  auto png = static_cast<png_structp>(png_);
  if (setjmp(png_jmpbuf(png))) return give_up(error);
  png_write_end(png, nullptr);
  auto info = static_cast<png_infop>(info_);
  png_destroy_write_struct(&png, &info);
  png_ = info_ = nullptr;
  std::string reason;
  if (file_.commit(&reason)) return true;
  *error = "cannot write \"" + path_ + "\": " + reason;
  return false;
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
