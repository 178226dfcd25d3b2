// Helpers for image tests: a scratch folder, files, external encoders and the reference
// decoder (ImageMagick's convert, libjpeg-turbo's djpeg).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bw::test {

using Bytes = std::vector<std::uint8_t>;

// A scratch folder for this test program's generated images (created on first use).
std::string corpus_dir();
// corpus_dir() + "/" + name.
std::string corpus_path(const std::string& name);
// Runs a shell command; true when it exits with status 0.
bool run(const std::string& command);
// The whole file (empty when it cannot be read).
Bytes read_file(const std::string& path);
// Writes the bytes, replacing the file.
void write_file(const std::string& path, const Bytes& bytes);

// A w x h RGBA test pattern: gradients in every channel, alpha never 0.
Bytes pattern_rgba(int width, int height);
// Writes RGBA pixels as a PAM file (P7, RGB_ALPHA), which every encoder here reads.
void write_pam(const std::string& path, int width, int height, const Bytes& rgba);
// Writes the RGB channels of RGBA pixels as a binary PPM (P6).
void write_ppm(const std::string& path, int width, int height, const Bytes& rgba);
// Writes the red channel of RGBA pixels as a binary PGM (P5).
void write_pgm(const std::string& path, int width, int height, const Bytes& rgba);
// RGBA bytes of any image file as decoded by ImageMagick, turned to its stated
// orientation (ImageMagick itself keeps the stored row order); empty on failure.
Bytes reference_rgba(const std::string& path);
// RGB or grey bytes of a JPEG file as decoded by djpeg, and its component count.
Bytes djpeg_samples(const std::string& path, int& components);

}  // namespace bw::test
