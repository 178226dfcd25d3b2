// libjpeg reports errors through error_exit, which here keeps the library's message and
// jumps back to run_decoder, which returns it as the reason. That frame owns nothing with a destructor while the library
// runs (the pixel buffer it fills lives in the caller's frame), and the library frames
// that the jump skips are C frames.
//
// The memory source hands libjpeg the whole image at once. There is never more data:
// when the library asks for more, the image is cut short, and the decode fails with the
// library's "premature end" error rather than waiting for data that cannot come.
//
// The library converts greyscale and colour images itself into red, green, blue, x
// pixels, a few rows at a time into a small scratch batch; each row is then copied into
// its place in the pixel buffer (in either row order) with the x byte cleared, the alpha
// 0 of every JPEG pixel. The batch starts 4 bytes past an aligned address on purpose:
// libjpeg-turbo's SIMD colour conversion writes aligned output with streaming stores
// that bypass the cache, and reading such rows back right away costs more than the
// decoding of them; unaligned output is written through the cache.
#include "assets/jpeg_decoder.h"

#include <algorithm>
#include <bit>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>


namespace bw::assets {
namespace {

// Keeps red, green and blue of a pixel loaded as a little-endian 32-bit word.
constexpr std::uint32_t kColourMask = 0x00FFFFFF;
static_assert(std::endian::native == std::endian::little, "pixel words are little-endian");

struct ErrorManager {
  jpeg_error_mgr library;  // first, so that cinfo->err points at the whole manager
  std::jmp_buf jump;
  char failure[JMSG_LENGTH_MAX] = {};  // the library's words for the error that stopped it
  bool warned = false;  // the library met damaged data and went on
  char warning[JMSG_LENGTH_MAX] = {};
};

ErrorManager& manager_of(j_common_ptr cinfo) { return *reinterpret_cast<ErrorManager*>(cinfo->err); }

// Keeps the library's message, which becomes the reason the decoding gives.
void keep_message(j_common_ptr cinfo) {
  (*cinfo->err->format_message)(cinfo, manager_of(cinfo).failure);
}

// Warnings (corrupt data the library steps over) are kept: an image decoded from damaged
// bytes is refused, with the first warning as the reason. Trace messages are dropped.
void keep_warning(j_common_ptr cinfo, int level) {
  ErrorManager& errors = manager_of(cinfo);
  if (level >= 0 || errors.warned) return;
  errors.warned = true;
  (*cinfo->err->format_message)(cinfo, errors.warning);
}

void exit_by_jump(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  std::longjmp(manager_of(cinfo).jump, 1);
}

void init_source(j_decompress_ptr) {}

boolean fill_input_buffer(j_decompress_ptr cinfo) {
  ERREXIT(cinfo, JERR_INPUT_EOF);
  return FALSE;
}

void skip_input_data(j_decompress_ptr cinfo, long count) {
  if (count <= 0) return;
  jpeg_source_mgr* source = cinfo->src;
  if (static_cast<unsigned long>(count) > source->bytes_in_buffer) {
    source->next_input_byte = nullptr;
    source->bytes_in_buffer = 0;
    return;
  }
  source->next_input_byte += count;
  source->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void term_source(j_decompress_ptr) {}

// Points the decompressor at the bytes, with a source allocated from its permanent pool.
void use_memory_source(j_decompress_ptr cinfo, const std::uint8_t* bytes, std::size_t length) {
  auto* source = static_cast<jpeg_source_mgr*>((*cinfo->mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(jpeg_source_mgr)));
  source->init_source = init_source;
  source->fill_input_buffer = fill_input_buffer;
  source->skip_input_data = skip_input_data;
  source->resync_to_restart = jpeg_resync_to_restart;
  source->term_source = term_source;
  source->next_input_byte = bytes;
  source->bytes_in_buffer = length;
  cinfo->src = source;
}

// Copies `count` red, green, blue, x pixels with alpha 0, four pixels at a time.
void copy_clearing_alpha(const std::uint8_t* in, std::size_t count, std::uint8_t* out) {
  using Words = std::uint32_t __attribute__((vector_size(16)));
  const Words mask = {kColourMask, kColourMask, kColourMask, kColourMask};
  std::size_t i = 0;
  for (; i + 4 <= count; i += 4, in += 16, out += 16) {
    Words words;
    std::memcpy(&words, in, 16);
    words &= mask;
    std::memcpy(out, &words, 16);
  }
  for (; i < count; ++i, in += 4, out += 4) {
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
    out[3] = 0;
  }
}

// True for greyscale, YCbCr and RGB images: exactly the ones whose default output has 1
// or 3 components (the library guesses one of these three for every 1- or 3-component
// image). The library then writes red, green, blue, x pixels itself.
bool library_expands(const jpeg_decompress_struct& cinfo) {
  return cinfo.jpeg_color_space == JCS_GRAYSCALE || cinfo.jpeg_color_space == JCS_YCbCr ||
         cinfo.jpeg_color_space == JCS_RGB;
}

// The offset of the first byte the library has not taken yet.
std::size_t offset_read(const jpeg_decompress_struct& cinfo, std::size_t length) {
  if (cinfo.src == nullptr) return 0;
  return length - std::min(length, cinfo.src->bytes_in_buffer);
}

// Runs the library over the bytes into *image. False on any failure, with *error saying
// why.
bool run_decoder(std::span<const std::uint8_t> bytes, int max_side, RowOrder order,
                 std::optional<PixelBuffer>* image, ImageError* error) {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  cinfo.err = jpeg_std_error(&errors.library);
  errors.library.error_exit = exit_by_jump;
  errors.library.output_message = keep_message;
  errors.library.emit_message = keep_warning;
  cinfo.mem = nullptr;
  cinfo.src = nullptr;
  if (setjmp(errors.jump)) {
    *error = image_error(ImageFault::library_refused, "", offset_read(cinfo, bytes.size()),
                         errors.failure);
    jpeg_destroy_decompress(&cinfo);
    image->reset();
    return false;
  }
  jpeg_create_decompress(&cinfo);
  use_memory_source(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  if (!image_size_acceptable(cinfo.image_width, cinfo.image_height, max_side)) {
    *error = size_refusal(cinfo.image_width, cinfo.image_height, max_side,
                          offset_read(cinfo, bytes.size()));
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  // Greyscale and colour images are converted by the library straight into the pixel
  // rows; four-component (and other) images are refused without a message.
  if (!library_expands(cinfo)) {
    *error = image_error(ImageFault::unhandled_kind, "colour space",
                         offset_read(cinfo, bytes.size()));
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  cinfo.out_color_space = JCS_EXT_RGBX;
  jpeg_start_decompress(&cinfo);
  *image = PixelBuffer::allocate(cinfo.output_width, cinfo.output_height);
  if (!*image) {
    *error = image_error(ImageFault::no_memory, "pixel data", offset_read(cinfo, bytes.size()),
                         std::to_string(cinfo.output_width) + "x" +
                             std::to_string(cinfo.output_height) + " pixels");
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  PixelBuffer& pixels = **image;
  const bool bottom_first = order == RowOrder::bottom_first;
  // Where decoded row y goes in the pixel buffer.
  const auto place = [&](int y) { return pixels.row(bottom_first ? pixels.height - 1 - y : y); };
  constexpr int kBatch = 4;
  constexpr int kMisalignment = 4;
  JSAMPARRAY scratch = (*cinfo.mem->alloc_sarray)(
      reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
      cinfo.output_width * 4 + kMisalignment, kBatch);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    JSAMPROW rows[kBatch];
    const int wanted = std::min(kBatch, pixels.height - y);
    for (int i = 0; i < wanted; ++i) rows[i] = scratch[i] + kMisalignment;
    const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(wanted));
    if (got == 0) {  // the source never suspends; this would otherwise loop
      *error = image_error(ImageFault::library_refused, "scan data",
                           offset_read(cinfo, bytes.size()), "no rows came out");
      jpeg_destroy_decompress(&cinfo);
      image->reset();
      return false;
    }
    for (JDIMENSION i = 0; i < got; ++i) {
      copy_clearing_alpha(rows[i], static_cast<std::size_t>(pixels.width),
                          place(y + static_cast<int>(i)));
    }
  }
  jpeg_finish_decompress(&cinfo);
  const std::size_t end = offset_read(cinfo, bytes.size());
  jpeg_destroy_decompress(&cinfo);
  if (errors.warned) {
    *error = image_error(ImageFault::library_refused, "scan data", end, errors.warning);
    image->reset();
    return false;
  }
  return true;
}

}  // namespace

ImageResult<PixelBuffer> decode_jpeg(std::span<const std::uint8_t> bytes, int& width,
                                     int& height, int max_side, RowOrder order) {
  std::optional<PixelBuffer> image;
  ImageError error;
  if (!run_decoder(bytes, max_side, order, &image, &error)) return error;
  width = image->width;
  height = image->height;
  return std::move(*image);
}

ImageResult<PixelBuffer> load_jpg(const std::string& path, const AssetFetcher& fetch,
                                  int& width, int& height) {
  const std::optional<std::vector<std::uint8_t>> bytes = fetch_image_asset(path, fetch);
  if (!bytes) return image_error(ImageFault::not_found, "file", 0);
  return decode_jpeg(*bytes, width, height);
}

}  // namespace bw::assets
