#include "host/contact_sheet.h"

#include <algorithm>
#include <cmath>

namespace bw::host {

namespace {

constexpr int kGap = 8;             // dark pixels around every thumbnail
constexpr int kMaxThumbWidth = 320;  // pixels
constexpr int kMaxSheetWidth = 4096;
constexpr std::uint8_t kBackground = 24;

void fill_background(assets::PixelBuffer& image) {
  for (std::size_t i = 0; i + 3 < image.rgba.size(); i += 4) {
    image.rgba[i] = image.rgba[i + 1] = image.rgba[i + 2] = kBackground;
    image.rgba[i + 3] = 255;
  }
}

// Averages the source pixels that fall into each thumbnail pixel.
void shrink_into(const assets::PixelBuffer& source, assets::PixelBuffer& sheet, int left,
                 int top, int width, int height) {
  for (int y = 0; y < height; ++y) {
    const int y0 = static_cast<int>(static_cast<long>(y) * source.height / height);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<long>(y + 1) * source.height / height));
    for (int x = 0; x < width; ++x) {
      const int x0 = static_cast<int>(static_cast<long>(x) * source.width / width);
      const int x1 = std::max(x0 + 1, static_cast<int>(static_cast<long>(x + 1) * source.width / width));
      unsigned sum[3] = {0, 0, 0};
      for (int sy = y0; sy < y1; ++sy)
        for (int sx = x0; sx < x1; ++sx)
          for (int c = 0; c < 3; ++c) sum[c] += source.pixel(sx, sy)[c];
      const unsigned count = static_cast<unsigned>((y1 - y0) * (x1 - x0));
      std::uint8_t* out = sheet.pixel(left + x, top + y);
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(sum[c] / count);
      out[3] = 255;
    }
  }
}

}  // namespace

bool ContactSheet::open(const std::string& path, int count, int picture_width,
                        int picture_height, std::string* error) {
  if (count < 1 || picture_width < 1 || picture_height < 1) {
    *error = "a contact sheet needs at least one picture";
    return false;
  }
  count_ = count;
  columns_ = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
  rows_ = (count + columns_ - 1) / columns_;
  thumb_width_ = std::clamp((kMaxSheetWidth - kGap) / columns_ - kGap, 1, kMaxThumbWidth);
  thumb_height_ = std::max(1, static_cast<int>(static_cast<long>(picture_height) *
                                               thumb_width_ / picture_width));
  const int width = columns_ * (thumb_width_ + kGap) + kGap;
  const long height = static_cast<long>(rows_) * (thumb_height_ + kGap) + kGap;
  auto band = assets::PixelBuffer::allocate(width, thumb_height_ + kGap);
  if (!band || !assets::image_size_acceptable(width, height)) {
    *error = "the contact sheet would be too large";
    return false;
  }
  band_ = std::move(*band);
  fill_background(band_);
  if (!writer_.open(path, width, static_cast<int>(height), error)) return false;
  // The gap above the first row of thumbnails.
  for (int y = 0; y < kGap; ++y) writer_.write_row(band_.row(thumb_height_ + y));
  return true;
}

bool ContactSheet::write_band(std::string* error) {
  bool written = true;
  for (int y = 0; y < band_.height; ++y) written = writer_.write_row(band_.row(y)) && written;
  fill_background(band_);
  ++rows_written_;
  // The writer says why, and removes what it wrote.
  return written || writer_.finish(error);
}

bool ContactSheet::add(const assets::PixelBuffer& picture, std::string* error) {
  if (added_ >= count_ || band_.width == 0) {
    *error = "the contact sheet is full";
    return false;
  }
  const int column = added_ % columns_;
  ++added_;
  if (picture.width >= 1 && picture.height >= 1) {
    const int height = std::max(1, static_cast<int>(static_cast<long>(picture.height) *
                                                    thumb_width_ / picture.width));
    shrink_into(picture, band_, kGap + column * (thumb_width_ + kGap), 0, thumb_width_,
                std::min(height, thumb_height_));
  }
  if (column == columns_ - 1 || added_ == count_) return write_band(error);
  return true;
}

bool ContactSheet::finish(std::string* error) {
  if (band_.width == 0) {
    *error = "the contact sheet was not started";
    return false;
  }
  // A row begun but not full, then the rows of pictures that never came.
  if (added_ % columns_ != 0 && added_ < count_ && !write_band(error)) return false;
  while (rows_written_ < rows_)
    if (!write_band(error)) return false;
  return writer_.finish(error);
}

}  // namespace bw::host
