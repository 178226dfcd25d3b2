// brushwright: the screen saver that paints.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/configure.h"
#include "host/options.h"
#include "host/picture_choice.h"
#include "host/saver_app.h"
#include "host/settings_file.h"

int main(int argc, char** argv) {
  using namespace bw::host;
  const std::vector<std::string> args(argv, argv + argc);
  std::string error;
  auto options = parse_saver_options(args, std::getenv("XSCREENSAVER_WINDOW"), error);
  if (!options) {
    std::fprintf(stderr, "brushwright: %s\n", error.c_str());
    return 2;
  }
  if (const auto status = settle_picture(*options)) return *status;
  SettingsFile storage = SettingsFile::for_picture(options->picture);
  switch (options->mode) {
    case SaverMode::help:
      std::fputs(saver_usage(), stdout);
      return 0;
    case SaverMode::version:
      std::printf("brushwright %s\n", BW_VERSION);
      return 0;
    case SaverMode::configure:
      return run_configure(*options, storage, stdout, stderr);
    case SaverMode::render:
      return run_render(*options, effective_settings(*options, storage));
    default:
      return run_on_window(*options, effective_settings(*options, storage));
  }
}
