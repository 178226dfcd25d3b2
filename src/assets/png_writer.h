// Writes pixel buffers as 8-bit RGBA PNG files (libpng), whole or row by row.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "assets/pixel_buffer.h"
#include "platform/file_replacement.h"

namespace bw::assets {

// Writes `image` to `path` as an 8-bit RGBA, non-interlaced PNG, through a temporary that
// is renamed into place when complete (platform/file_replacement.h). Returns false with a
// one-line reason in `error`, the system's own where it gave one, when the file cannot be
// written; `path` is then left as it was.
bool save_png(const PixelBuffer& image, const std::string& path, std::string* error);

// Writes an 8-bit RGBA, non-interlaced PNG one row at a time, top row first, for images
// that are never held whole in memory. The file appears under its name only when
// finish() succeeds; a writer dropped before removes what it wrote.
class PngRowWriter {
 public:
  PngRowWriter() = default;
  PngRowWriter(const PngRowWriter&) = delete;
  PngRowWriter& operator=(const PngRowWriter&) = delete;
  ~PngRowWriter();

  // Creates `path` for an image of width x height and writes its header; false with a
  // one-line reason in `error` when the size is unusable or the file cannot be written.
  bool open(const std::string& path, int width, int height, std::string* error);
  // Writes the next row: width * 4 bytes. False when the writer is not open, every row
  // has been written, or the write failed.
  bool write_row(const std::uint8_t* rgba);
  // Writes the end of the file after the last row and closes it; false with a reason in
  // `error` when rows are missing or anything failed on the way.
  bool finish(std::string* error);

 private:
  void close();
  // Removes what was written and returns false with the reason in `error`.
  bool give_up(std::string* error);

  platform::FileReplacement file_;
  void* png_ = nullptr;   // png_structp
  void* info_ = nullptr;  // png_infop
  std::string path_;
  int height_ = 0;
  int rows_written_ = 0;
  bool failed_ = false;
};

}  // namespace bw::assets
