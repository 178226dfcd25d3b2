#include "assets/image_error.h"

#include <utility>

#include "assets/pixel_buffer.h"
#include "platform/diagnostics.h"

namespace bw::assets {

std::string ImageError::message(std::string_view subject) const {
  const std::string name(subject);
  switch (fault) {
    case ImageFault::truncated:
      return name + " is truncated: " + detail;
    case ImageFault::wrong_signature:
      return name + ": wrong " + field;
    case ImageFault::unsupported:
      return name + ": " + detail;
    case ImageFault::too_large:
      return image_size_refusal(name, width, height, max_side);
    case ImageFault::no_memory:
      return "no memory for " + detail + " of " + name;
    case ImageFault::damaged:
      return name + " is damaged";
    case ImageFault::library_refused:
      return "cannot decode " + name + ": " + detail;
    case ImageFault::unhandled_kind:
    case ImageFault::not_found:
      return "";
  }
  return "";
}

ImageError image_error(ImageFault fault, std::string field, std::size_t offset,
                       std::string detail) {
  ImageError error;
  error.fault = fault;
  error.field = std::move(field);
  error.offset = offset;
  error.detail = std::move(detail);
  return error;
}

ImageError size_refusal(std::int64_t width, std::int64_t height, int max_side,
                        std::size_t offset) {
  ImageError error = image_error(ImageFault::too_large, "image size", offset);
  error.width = width;
  error.height = height;
  error.max_side = max_side;
  return error;
}

void report(const ImageError& error, std::string_view subject, std::string_view prefix) {
  const std::string text = error.message(subject);
  if (text.empty()) return;
  diag::say(std::string(prefix) + text);
}

}  // namespace bw::assets
