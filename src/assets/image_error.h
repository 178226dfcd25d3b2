// Why an image reader gave no pixels: what was wrong and where, returned to the caller,
// which names the image and reports it once (the readers themselves write nothing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace bw::assets {

// The kinds of refusal. Two of them are quiet: the message for them is empty.
enum class ImageFault {
  truncated,        // the bytes end before a field, or before the pixels it announces
  wrong_signature,  // the file does not begin with the format's magic bytes
  unsupported,      // a well-formed file of a variant this reader does not decode
  unhandled_kind,   // a variant refused without a word (colour-mapped TGA, CMYK JPEG)
  too_large,        // the header's sides are above the image size limit
  no_memory,        // the pixels or the decoder's state could not be allocated
  damaged,          // the decoding library found the data inconsistent
  library_refused,  // the decoding library stopped, and said why in its own words
  not_found,        // no bytes to read: the file or asset is missing (quiet)
};

// One refusal. `field` and `offset` say where it was found; `detail` holds the words for
// what was wrong, which message() sets beside the image's name as the fault asks.
struct ImageError {
  ImageFault fault = ImageFault::damaged;
  std::string field;       // the part of the file that was wrong: "header", "pixel depth", ...
                           // (empty where a library stopped without saying which)
  std::size_t offset = 0;  // byte offset of that part from the start of the file; for a
                           // library's refusal, how far it had taken the bytes
  std::string detail;      // what was wrong with it, in words
  std::int64_t width = 0;  // for too_large: the refused sides and the limit they broke
  std::int64_t height = 0;
  int max_side = 0;

  // The one-line message about the image named by `subject` (for example
  // "TGA image \"sig.tga\""); empty for the quiet faults.
  std::string message(std::string_view subject) const;
};

// A refusal of the kind `fault`, found in `field` at `offset`.
ImageError image_error(ImageFault fault, std::string field, std::size_t offset,
                       std::string detail = {});

// A refusal of the sides width x height against max_side, read from the header at `offset`.
ImageError size_refusal(std::int64_t width, std::int64_t height, int max_side,
                        std::size_t offset);

// Hands `prefix` followed by error.message(subject) to the diagnostics sink, unless the
// fault is a quiet one.
void report(const ImageError& error, std::string_view subject, std::string_view prefix = {});

// A decoded value (the pixels, a header's layout) or the reason there is none.
template <class T>
class ImageResult {
 public:
  ImageResult(T value) : state_(std::move(value)) {}            // NOLINT: implicit by design
  ImageResult(ImageError error) : state_(std::move(error)) {}  // NOLINT: implicit by design

  // True when there is a value.
  bool has_value() const { return state_.index() == 0; }
  explicit operator bool() const { return has_value(); }

  // The value; only when there is one.
  T& operator*() { return std::get<0>(state_); }
  const T& operator*() const { return std::get<0>(state_); }
  T* operator->() { return &std::get<0>(state_); }
  const T* operator->() const { return &std::get<0>(state_); }

  // The reason; only when there is no value.
  const ImageError& error() const { return std::get<1>(state_); }

  // The value alone, dropping any reason: for callers that only want to know whether
  // they have pixels.
  operator std::optional<T>() && {  // NOLINT: implicit by design
    if (!has_value()) return std::nullopt;
    return std::move(std::get<0>(state_));
  }

 private:
  std::variant<T, ImageError> state_;
};

}  // namespace bw::assets
