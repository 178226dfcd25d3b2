// libjpeg reports errors through error_exit, which here prints the library's message and
// jumps back to run_decoder. That frame owns nothing with a destructor while the library
// runs (the pixel buffer it fills lives in the caller's frame), and the library frames
// that the jump skips are C frames.
//
// The memory source hands libjpeg the whole image at once. There is never more data:
// when the library asks for more, the image is cut short, and the decode fails with the
// library's "premature end" error rather than waiting for data that cannot come.
#include "assets/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

namespace bw::assets {
namespace {

struct ErrorManager {
  jpeg_error_mgr library;  // first, so that cinfo->err points at the whole manager
  std::jmp_buf jump;
};

void exit_by_jump(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
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

// Expands one decoded row of 1 or 3 samples per pixel to red, green, blue, alpha 0.
void expand_row(const JSAMPLE* in, int components, int width, std::uint8_t* out) {
  if (components == 1) {
    for (int x = 0; x < width; ++x, out += 4) {
      out[0] = out[1] = out[2] = in[x];
      out[3] = 0;
    }
    return;
  }
  for (int x = 0; x < width; ++x, in += 3, out += 4) {
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
    out[3] = 0;
  }
}

// Runs the library over the bytes into *image. False on any failure.
bool run_decoder(std::span<const std::uint8_t> bytes, const char* operation,
                 const char* source, int max_side, std::optional<PixelBuffer>* image) {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  cinfo.err = jpeg_std_error(&errors.library);
  errors.library.error_exit = exit_by_jump;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&cinfo);
    image->reset();
    return false;
  }
  jpeg_create_decompress(&cinfo);
  use_memory_source(&cinfo, bytes.data(), bytes.size());
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.image_width > static_cast<JDIMENSION>(max_side) ||
      cinfo.image_height > static_cast<JDIMENSION>(max_side)) {
    std::fprintf(stderr, "%s: image size %ux%u of %s is above the limit of %dx%d\n", operation,
                 cinfo.image_width, cinfo.image_height, source, max_side, max_side);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_start_decompress(&cinfo);
  const int components = cinfo.output_components;
  if (components != 1 && components != 3) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  *image = PixelBuffer::allocate(cinfo.output_width, cinfo.output_height);
  if (!*image) {
    std::fprintf(stderr, "%s: no memory for %ux%u pixels of %s\n", operation,
                 cinfo.output_width, cinfo.output_height, source);
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo),
                                              JPOOL_IMAGE, cinfo.output_width * components, 1);
  PixelBuffer& pixels = **image;
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    if (jpeg_read_scanlines(&cinfo, row, 1) != 1) {
      jpeg_destroy_decompress(&cinfo);
      image->reset();
      return false;
    }
    expand_row(row[0], components, pixels.width, pixels.row(y));
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return true;
}

}  // namespace

std::optional<PixelBuffer> decode_jpeg(std::span<const std::uint8_t> bytes, int& width,
                                       int& height, const char* operation,
                                       const std::string& source, int max_side) {
  std::optional<PixelBuffer> image;
  if (!run_decoder(bytes, operation, source.c_str(), max_side, &image)) return std::nullopt;
  width = image->width;
  height = image->height;
  return image;
}

std::optional<PixelBuffer> load_jpg(const std::string& path, const AssetFetcher& fetch,
                                    int& width, int& height) {
  if (!fetch) return std::nullopt;
  const std::optional<std::vector<std::uint8_t>> bytes = fetch(path);
  if (!bytes) return std::nullopt;
  return decode_jpeg(*bytes, width, height, "Texture::load_jpg()", "\"" + path + "\" file");
}

}  // namespace bw::assets
