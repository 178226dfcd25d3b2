// brushwright: the screen saver that paints.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/configure.h"
#include "host/options.h"
#include "host/settings_file.h"

int main(int argc, char** argv) {
  using namespace bw::host;
  const std::vector<std::string> args(argv, argv + argc);
  std::string error;
  const auto options = parse_saver_options(args, std::getenv("XSCREENSAVER_WINDOW"), error);
  if (!options) {
    std::fprintf(stderr, "brushwright: %s\n", error.c_str());
    return 2;
  }
  switch (options->mode) {
    case SaverMode::help:
      std::fputs(saver_usage(), stdout);
      return 0;
    case SaverMode::version:
      std::printf("brushwright %s\n", BW_VERSION);
      return 0;
    case SaverMode::configure: {
      SettingsFile storage = SettingsFile::for_picture(options->picture);
      return run_configure(*options, storage, stdout, stderr);
    }
    default:
      break;
  }
  std::fputs("brushwright: this build cannot paint yet; see --help\n", stderr);
  return 1;
}
