#include "assets/image_load.h"


#include "assets/dds_reader.h"
#include "assets/jpeg_decoder.h"
#include "assets/png_reader.h"
#include "assets/tga_reader.h"
#include "platform/diagnostics.h"

namespace bw::assets {

ImageFormat image_format_of(const std::string& path) {
  struct Extension {
    const char* text;
    ImageFormat format;
  };
  // The order of this table decides between paths holding several extensions.
  static constexpr Extension kExtensions[] = {{".tga", ImageFormat::kTga},
                                              {".png", ImageFormat::kPng},
                                              {".jpg", ImageFormat::kJpg},
                                              {".dds", ImageFormat::kDds}};
  for (const Extension& extension : kExtensions) {
    if (path.find(extension.text) != std::string::npos) return extension.format;
  }
  return ImageFormat::kUnknown;
}

std::optional<PixelBuffer> load_image(const std::string& path, const ImageSources& sources,
                                      int& width, int& height) {
  std::optional<PixelBuffer> image;
  switch (image_format_of(path)) {
    case ImageFormat::kTga:
      image = load_tga(path, sources.fetch, width, height);
      break;
    case ImageFormat::kPng:
      image = load_png(path, sources.install_dir, width, height);
      break;
    case ImageFormat::kJpg:
      image = load_jpg(path, sources.fetch, width, height);
      break;
    case ImageFormat::kDds:
      image = load_dds(path, sources.install_dir, width, height);
      break;
    case ImageFormat::kUnknown:
      diag::message("image \"%s\": unknown format", path.c_str());
      return std::nullopt;
  }
  if (!image || width == 0 || height == 0) return std::nullopt;
  return image;
}

}  // namespace bw::assets
