// Writes the whole image set of the default pictures into one folder.
//
// Layout under the output folder (numbers from 001, three digits, so that a sorted list
// of a folder is the order of the store's records):
//   colour/NNN.jpg            colour images, RGB 512 x 512           -> colour store
//   form/NNN.jpg              form images, grey 512 x 512            -> form store
//   facture/NNN.jpg           factures, grey 256 or 512 square       -> facture store
//   data/shaders/oil3.jpg     the oil canvas, grey 1024 x 1024       -> asset store
//   data/shaders/sig3.tga     the signature, 32-bit TGA 512 x 192    -> asset store
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace bw::artgen {

struct Options {
  std::uint32_t seed = 1;
  int colours = 96;
  int factures = 32;
  int forms = 8;
  std::filesystem::path out;
};

// Image sizes of the set.
constexpr int kColourSize = 512;
constexpr int kFormSize = 512;
constexpr int kOilSize = 1024;
constexpr int kSignatureWidth = 512;
constexpr int kSignatureHeight = 192;

// Generates and writes every file. Returns an empty string on success, otherwise a
// one-line message saying which file failed and why.
std::string generate(const Options& options);

}  // namespace bw::artgen
