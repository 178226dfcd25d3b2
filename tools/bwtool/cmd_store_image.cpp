// bwtool store image: which record a number selects in an image store, and that record's
// image as the texture upload receives it (rows reversed).
#include <charconv>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "assets/installation.h"
#include "assets/png_writer.h"
#include "assets/store_image.h"
#include "command.h"

namespace {

constexpr const char* kUsage =
    "usage: bwtool store image INSTALL_DIR STORE_CODE NUMBER [-o OUT.png]\n";

bool parse_int(std::string_view text, int& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

int run_store_image(std::span<char* const> args) {
  std::vector<std::string_view> positional;
  std::string out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "-o") {
      if (i + 1 >= args.size()) {
        std::fprintf(stderr, "bwtool store image: -o needs a file name\n%s", kUsage);
        return bwtool::kUsageError;
      }
      out = args[++i];
    } else {
      positional.push_back(arg);
    }
  }
  int store_code = 0, number = 0;
  if (positional.size() != 3) {
    std::fputs(kUsage, stderr);
    return bwtool::kUsageError;
  }
  if (!parse_int(positional[1], store_code) ||
      bw::assets::image_store_dir(".", store_code).empty()) {
    std::fprintf(stderr,
                 "bwtool store image: store code \"%s\" is not one of 0, 1, 2 and 4\n%s",
                 std::string(positional[1]).c_str(), kUsage);
    return bwtool::kUsageError;
  }
  if (!parse_int(positional[2], number) || number < 0) {
    std::fprintf(stderr, "bwtool store image: number \"%s\" is not a number of 0 or more\n%s",
                 std::string(positional[2]).c_str(), kUsage);
    return bwtool::kUsageError;
  }
  const std::string install(positional[0]);
  bw::assets::Installation installation(install);

  int width = 0, height = 0, count = -1;
  const auto image = installation.fetch_store_image(number, store_code, width, height, count,
                                                    bw::assets::RowOrder::bottom_first);
  if (count < 0) {
    std::fprintf(stderr, "bwtool store image: cannot open the image store \"%s\"\n",
                 bw::assets::image_store_dir(install, store_code).c_str());
    return 1;
  }
  std::printf("%d %d\n", bw::assets::select_image_record(number, count), count);
  if (out.empty()) return 0;
  if (!image) {
    std::fprintf(stderr, "bwtool store image: record %d of \"%s\" holds no decodable image\n",
                 bw::assets::select_image_record(number, count),
                 bw::assets::image_store_dir(install, store_code).c_str());
    return 1;
  }
  std::string error;
  if (!bw::assets::save_png(*image, out, &error)) {
    std::fprintf(stderr, "bwtool store image: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

const bwtool::CommandRegistration registration(
    "store image",
    "  store image INSTALL_DIR STORE_CODE NUMBER [-o OUT.png]\n"
    "                          record a number selects in an image store, and its count;\n"
    "                          -o writes that image with its rows reversed\n",
    &run_store_image);

}  // namespace
