// Writes seed images for the image reader fuzzers into the folder named by the first
// argument; the folder's name says which reader's seeds to write.
#include <png.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void save(const std::string& dir, const std::string& name, const Bytes& bytes) {
  std::FILE* file = std::fopen((dir + "/" + name).c_str(), "wb");
  if (file == nullptr) std::exit(1);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

Bytes pattern(int width, int height, int channels) {
  Bytes pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < channels; ++c)
        pixels.push_back(static_cast<std::uint8_t>(x * 40 + y * 25 + c * 60));
  return pixels;
}

Bytes tga(int type, int depth, int descriptor, int width, int height, const Bytes& data) {
  Bytes file(18, 0);
  file[2] = static_cast<std::uint8_t>(type);
  file[12] = static_cast<std::uint8_t>(width);
  file[14] = static_cast<std::uint8_t>(height);
  file[16] = static_cast<std::uint8_t>(depth);
  file[17] = static_cast<std::uint8_t>(descriptor);
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

Bytes dds(std::uint32_t flags, const char* code, std::uint32_t bits, int width, int height,
          const Bytes& data) {
  Bytes file(128, 0);
  std::memcpy(file.data(), "DDS ", 4);
  file[12] = static_cast<std::uint8_t>(height);
  file[16] = static_cast<std::uint8_t>(width);
  file[80] = static_cast<std::uint8_t>(flags);
  if (code != nullptr) std::memcpy(&file[84], code, 4);
  file[88] = static_cast<std::uint8_t>(bits);
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

void write_png(const std::string& path, int width, int height, int colour_type, int channels,
               bool interlaced) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::exit(1);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) std::exit(1);
  png_init_io(png, file);
  png_set_IHDR(png, info, width, height, 8, colour_type,
               interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_gAMA(png, info, 0.5);
  png_write_info(png, info);
  const Bytes pixels = pattern(width, height, channels);
  std::vector<png_bytep> rows;
  for (int y = 0; y < height; ++y)
    rows.push_back(const_cast<png_bytep>(pixels.data() + y * width * channels));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

void write_jpeg(const std::string& path, int width, int height, int components,
                bool progressive) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) std::exit(1);
  jpeg_compress_struct cinfo;
  jpeg_error_mgr errors;
  cinfo.err = jpeg_std_error(&errors);
  jpeg_create_compress(&cinfo);
  jpeg_stdio_dest(&cinfo, file);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 70, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  cinfo.restart_in_rows = 1;
  jpeg_start_compress(&cinfo, TRUE);
  const Bytes pixels = pattern(width, height, components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * width * components);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::fclose(file);
}

bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string dir = argv[1];
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (ends_with(dir, "image_tga_fuzz")) {
    save(dir, "rgb24", tga(2, 24, 0, 3, 2, pattern(3, 2, 3)));
    save(dir, "rgba32_top", tga(2, 32, 0x28, 2, 2, pattern(2, 2, 4)));
    save(dir, "rle24",
         tga(10, 24, 0, 4, 2, {0x83, 1, 2, 3, 0x03, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
    save(dir, "rle32", tga(10, 32, 0x20, 3, 3, {0x84, 1, 2, 3, 4, 0x03, 5, 6, 7, 8, 9, 9, 9, 9,
                                                10, 10, 10, 10, 11, 11, 11, 11}));
  } else if (ends_with(dir, "image_dds_fuzz")) {
    save(dir, "rgb24", dds(0x40, nullptr, 24, 2, 2, pattern(2, 2, 3)));
    save(dir, "rgba32", dds(0x41, nullptr, 32, 2, 2, pattern(2, 2, 4)));
    save(dir, "dxt1", dds(4, "DXT1", 0, 8, 4, pattern(16, 1, 1)));
    save(dir, "dxt3", dds(4, "DXT3", 0, 5, 3, pattern(32, 1, 1)));
    save(dir, "dxt5", dds(4, "DXT5", 0, 4, 8, pattern(32, 1, 1)));
  } else if (ends_with(dir, "image_png_fuzz")) {
    write_png(dir + "/rgb", 5, 4, PNG_COLOR_TYPE_RGB, 3, false);
    write_png(dir + "/rgba_interlaced", 9, 9, PNG_COLOR_TYPE_RGB_ALPHA, 4, true);
    write_png(dir + "/grey_alpha", 3, 3, PNG_COLOR_TYPE_GRAY_ALPHA, 2, false);
  } else if (ends_with(dir, "image_jpeg_fuzz")) {
    write_jpeg(dir + "/rgb", 16, 8, 3, false);
    write_jpeg(dir + "/rgb_progressive", 17, 9, 3, true);
    write_jpeg(dir + "/grey", 8, 8, 1, false);
  } else {
    std::fprintf(stderr, "image_seeds: no seeds for \"%s\"\n", dir.c_str());
    return 1;
  }
  return 0;
}
