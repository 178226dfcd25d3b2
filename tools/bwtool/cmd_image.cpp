// bwtool image decode: reads an image by the same roads as the saver's texture loading
// and writes its pixel buffer as an RGBA PNG.
//
// TGA and JPEG images given by a relative path are assets: they come through the asset
// fetch under the install directory (the current directory unless --install says
// otherwise), from its asset store or as plain files; given by an absolute path they are
// read from it. PNG and DDS images are read from the path as given, then from under the
// install directory.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "assets/image_load.h"
#include "assets/image_source.h"
#include "assets/installation.h"
#include "assets/png_writer.h"
#include "command.h"
#include "platform/path.h"

namespace {

constexpr const char* kUsage = "usage: bwtool image decode [--install DIR] PATH OUT.png\n";

int run_image_decode(std::span<char* const> args) {
  std::string install_dir = ".";
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--install") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "bwtool image decode: --install needs a directory\n%s", kUsage);
        return bwtool::kUsageError;
      }
      install_dir = args[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "bwtool image decode: unknown option \"%s\"\n%s", args[i], kUsage);
      return bwtool::kUsageError;
    } else {
      positional.emplace_back(arg);
    }
  }
  if (positional.size() != 2) {
    std::fputs(kUsage, stderr);
    return bwtool::kUsageError;
  }
  const std::string& path = positional[0];
  const std::string& out = positional[1];

  bw::assets::Installation installation(install_dir);
  bw::assets::ImageSources sources;
  sources.install_dir = install_dir;
  // Silent about a missing asset: the message below says what this command could not do.
  bool fetched = true;
  sources.fetch = [&fetched, &installation](const std::string& asset) {
    auto bytes = bw::platform::path_root_length(asset) > 0 ? bw::assets::read_whole_file(asset)
                                                           : installation.probe_asset(asset);
    fetched = bytes.has_value();
    return bytes;
  };
  int width = 0, height = 0;
  const auto image = bw::assets::load_image(path, sources, width, height);
  if (!image && !fetched) {
    if (bw::platform::path_root_length(path) > 0) {
      std::fprintf(stderr, "bwtool image decode: cannot decode \"%s\": no such file\n",
                   path.c_str());
    } else {
      std::fprintf(stderr,
                   "bwtool image decode: cannot decode \"%s\": no such asset under \"%s\"\n",
                   path.c_str(), install_dir.c_str());
    }
    return 1;
  }
  if (!image) {
    std::fprintf(stderr, "bwtool image decode: cannot decode \"%s\" (size %dx%d)\n",
                 path.c_str(), width, height);
    return 1;
  }
  std::string error;
  if (!bw::assets::save_png(*image, out, &error)) {
    std::fprintf(stderr, "bwtool image decode: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

const bwtool::CommandRegistration registration(
    "image decode",
    "  image decode [--install DIR] PATH OUT.png\n"
    "                          decode a TGA, PNG, JPEG or DDS image into an RGBA PNG\n",
    &run_image_decode);

}  // namespace
