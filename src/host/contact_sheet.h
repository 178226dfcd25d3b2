// A contact sheet: pictures shrunk to one width and laid out in a grid, written while the
// pictures come, so that memory holds one row of thumbnails however many pictures there
// are.
#pragma once

#include <string>
#include <vector>

#include "assets/pixel_buffer.h"
#include "assets/png_writer.h"

namespace bw::host {

// The sheet of `count` pictures: thumbnails (box-filtered, aspect kept) in rows of
// ceil(sqrt(count)), 8 dark pixels apart, at most 320 pixels wide and narrower where the
// sheet would pass 4096 pixels. Each row of thumbnails goes to the file as soon as its
// last picture is added; the file appears under its name only when finished.
class ContactSheet {
 public:
  ContactSheet() = default;
  ContactSheet(const ContactSheet&) = delete;
  ContactSheet& operator=(const ContactSheet&) = delete;

  // Starts the sheet at `path` for `count` pictures of picture_width x picture_height;
  // false with a one-line reason in `error` when it cannot be written.
  bool open(const std::string& path, int count, int picture_width, int picture_height,
            std::string* error);
  // Adds the next picture; false with a reason when the sheet cannot be written or is full.
  bool add(const assets::PixelBuffer& picture, std::string* error);
  // Writes what is left (pictures never added stay dark) and puts the file in place.
  bool finish(std::string* error);

  int thumb_width() const { return thumb_width_; }    // pixels
  int thumb_height() const { return thumb_height_; }  // pixels
  int columns() const { return columns_; }            // thumbnails per row

 private:
  bool write_band(std::string* error);

  assets::PngRowWriter writer_;  // removes an unfinished sheet when dropped
  int count_ = 0;
  int added_ = 0;
  int columns_ = 0;
  int rows_ = 0;
  int rows_written_ = 0;  // rows of thumbnails written so far
  int thumb_width_ = 0;
  int thumb_height_ = 0;
  assets::PixelBuffer band_;  // one row of thumbnails with the gap below it
};

}  // namespace bw::host
