#include "assets/image_load.h"

#include <string_view>
#include <utility>

#include "assets/dds_reader.h"
#include "assets/image_error.h"
#include "assets/jpeg_decoder.h"
#include "assets/png_reader.h"
#include "assets/tga_reader.h"
#include "platform/diagnostics.h"

namespace bw::assets {
namespace {

// The reader's pixels when both sides are non-zero; otherwise none, and the reader's
// reason said once about the image named by `subject`.
std::optional<PixelBuffer> accept(ImageResult<PixelBuffer> result, const std::string& subject,
                                  std::string_view prefix = {}) {
  if (!result) {
    report(result.error(), subject, prefix);
    return std::nullopt;
  }
  if (result->width == 0 || result->height == 0) return std::nullopt;
  return std::move(*result);
}

}  // namespace

ImageFormat image_format_of(const std::string& path) {
  struct Extension {
    const char* text;
    ImageFormat format;
  };
  // The order of this table decides between paths holding several extensions.
  static constexpr Extension kExtensions[] = {{".tga", ImageFormat::tga},
                                              {".png", ImageFormat::png},
                                              {".jpg", ImageFormat::jpg},
                                              {".dds", ImageFormat::dds}};
  for (const Extension& extension : kExtensions) {
    if (path.find(extension.text) != std::string::npos) return extension.format;
  }
  return ImageFormat::unknown;
}

std::optional<PixelBuffer> load_image(const std::string& path, const ImageSources& sources,
                                      int& width, int& height) {
  const std::string quoted = "\"" + path + "\"";
  switch (image_format_of(path)) {
    case ImageFormat::tga:
      return accept(load_tga(path, sources.fetch, width, height), "TGA image " + quoted);
    case ImageFormat::png:
      return accept(load_png(path, sources.install_dir, width, height), "PNG image " + quoted);
    case ImageFormat::jpg:
      // The JPEG messages name the reader first, then the file.
      return accept(load_jpg(path, sources.fetch, width, height), quoted, "JPEG image: ");
    case ImageFormat::dds:
      return accept(load_dds(path, sources.install_dir, width, height), "DDS image " + quoted);
    case ImageFormat::unknown:
      break;
  }
  diag::message("image \"%s\": unknown format", path.c_str());
  return std::nullopt;
}

}  // namespace bw::assets
