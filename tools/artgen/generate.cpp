#include "generate.h"

#include <cctype>
#include <cstdio>
#include <system_error>
#include <vector>

#include "families.h"
#include "writers.h"

namespace bw::artgen {
namespace {

constexpr int kColourQuality = 90;
constexpr int kGreyQuality = 92;

std::string numbered(int n) {
  char name[16];
  std::snprintf(name, sizeof name, "%03d.jpg", n);
  return name;
}

std::string make_folder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return "cannot create folder \"" + folder.string() + "\": " + error.message();
  return {};
}

// Removes numbered images left by an earlier run with larger counts, so that a family
// folder holds exactly this run's images (the stores take every file of the folder).
std::string remove_old_images(const std::filesystem::path& folder) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    const bool numbered = name.size() == 7 && name.compare(3, 4, ".jpg") == 0 &&
                          std::isdigit(static_cast<unsigned char>(name[0])) && std::isdigit(static_cast<unsigned char>(name[1])) &&
                          std::isdigit(static_cast<unsigned char>(name[2]));
    if (numbered && !std::filesystem::remove(entry.path(), error)) break;
  }
  if (error) return "cannot clear folder \"" + folder.string() + "\": " + error.message();
  return {};
}

std::string write_jpeg(const std::filesystem::path& path, const Image& image, int quality) {
  std::vector<std::uint8_t> bytes;
  if (std::string error = encode_jpeg(image, quality, bytes); !error.empty()) return "\"" + path.string() + "\": " + error;
  return write_file(path, bytes);
}

}  // namespace

std::string generate(const Options& options) {
  const std::filesystem::path colour_dir = options.out / "colour";
  const std::filesystem::path form_dir = options.out / "form";
  const std::filesystem::path facture_dir = options.out / "facture";
  const std::filesystem::path shader_dir = options.out / "data" / "shaders";
  for (const auto& folder : {colour_dir, form_dir, facture_dir, shader_dir}) {
    if (std::string error = make_folder(folder); !error.empty()) return error;
  }
  for (const auto& folder : {colour_dir, form_dir, facture_dir}) {
    if (std::string error = remove_old_images(folder); !error.empty()) return error;
  }
  for (int n = 1; n <= options.colours; ++n) {
    Image image = make_colour_image(options.seed, n, kColourSize);
    if (std::string error = write_jpeg(colour_dir / numbered(n), image, kColourQuality); !error.empty()) return error;
  }
  for (int n = 1; n <= options.factures; ++n) {
    Image image = make_facture(options.seed, n, facture_size(n));
    if (std::string error = write_jpeg(facture_dir / numbered(n), image, kGreyQuality); !error.empty()) return error;
  }
  for (int n = 1; n <= options.forms; ++n) {
    Image image = make_form(options.seed, n, kFormSize);
    if (std::string error = write_jpeg(form_dir / numbered(n), image, kGreyQuality); !error.empty()) return error;
  }
  if (std::string error = write_jpeg(shader_dir / "oil3.jpg", make_oil_canvas(options.seed, kOilSize), kGreyQuality);
      !error.empty()) {
    return error;
  }
  return write_file(shader_dir / "sig3.tga", encode_tga(make_signature(options.seed, kSignatureWidth, kSignatureHeight)));
}

}  // namespace bw::artgen
