// File writers of the generator. Each returns an empty string on success, otherwise a
// one-line message that names the file and says what went wrong.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image.h"

namespace bw::artgen {

// Baseline JPEG of a grey (1 channel) or RGB (3 channels) image, integer DCT so that the
// same image gives the same bytes everywhere. `quality` 1..100.
std::string encode_jpeg(const Image& image, int quality, std::vector<std::uint8_t>& out);

// Uncompressed true-colour TGA (type 2), 32 bits per pixel with 8 alpha bits, rows stored
// top first. `image` must have 4 channels.
std::vector<std::uint8_t> encode_tga(const Image& image);

// Writes the bytes to `path`, replacing the file.
std::string write_file(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

}  // namespace bw::artgen
