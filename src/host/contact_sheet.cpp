#include "host/contact_sheet.h"

#include <algorithm>
#include <cmath>

namespace bw::host {

namespace {

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

assets::PixelBuffer contact_sheet(const std::vector<assets::PixelBuffer>& pictures,
                                  int thumb_width) {
  constexpr int kGap = 8;
  if (pictures.empty() || thumb_width < 1) return {};
  const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(pictures.size()))));
  const int rows = static_cast<int>((pictures.size() + columns - 1) / columns);
  int thumb_height = 1;
  for (const auto& picture : pictures) {
    if (picture.width > 0)
      thumb_height = std::max(thumb_height, static_cast<int>(static_cast<long>(picture.height) *
                                                             thumb_width / picture.width));
  }
  auto sheet = assets::PixelBuffer::allocate(columns * (thumb_width + kGap) + kGap,
                                             rows * (thumb_height + kGap) + kGap);
  if (!sheet) return {};
  for (std::size_t i = 0; i + 3 < sheet->rgba.size(); i += 4) {
    sheet->rgba[i] = sheet->rgba[i + 1] = sheet->rgba[i + 2] = 24;
    sheet->rgba[i + 3] = 255;
  }
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    const auto& picture = pictures[i];
    if (picture.width < 1 || picture.height < 1) continue;
    const int height = std::max(1, static_cast<int>(static_cast<long>(picture.height) *
                                                    thumb_width / picture.width));
    const int column = static_cast<int>(i) % columns;
    const int row = static_cast<int>(i) / columns;
    shrink_into(picture, *sheet, kGap + column * (thumb_width + kGap),
                kGap + row * (thumb_height + kGap), thumb_width, std::min(height, thumb_height));
  }
  return std::move(*sheet);
}

}  // namespace bw::host
