// brushwright: the screen saver that paints.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/configure.h"
#include "host/engine_host.h"
#include "host/options.h"
#include "host/picture_choice.h"
#include "host/saver_app.h"
#include "host/saver_loop.h"
#include "host/settings_file.h"
#include "host/wayland/wayland_host.h"
#include "platform/diagnostics.h"

namespace {

// The saver's run as the command line asks; returns the exit status.
int run(int argc, char** argv) {
  using namespace bw::host;
  const std::vector<std::string> args(argv, argv + argc);
  std::string error;
  auto options = parse_saver_options(args, std::getenv("XSCREENSAVER_WINDOW"), error);
  if (!options) {
    bw::diag::message("brushwright: %s", error.c_str());
    return 2;
  }
  std::shared_ptr<bw::assets::Installation> listed;
  if (const auto status = settle_picture(*options, listed)) return *status;
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
    default:
      break;
  }
  const Settings settings = effective_settings(*options, storage);
  const auto installation = installation_for(settings, std::move(listed));
  // Without a mode of its own, a saver started under a Wayland compositor paints there.
  if (!options->mode_given && options->mode == SaverMode::window && wayland_compositor_named())
    options->mode = SaverMode::wayland;
  if (options->mode == SaverMode::render) return run_render(*options, settings, installation);
  if (options->mode == SaverMode::wayland)
    return run_on_wayland(*options, settings, installation);
  return run_on_window(*options, settings, installation);
}

}  // namespace

int main(int argc, char** argv) {
  // What --list-pictures, --configure, --help and --render print must arrive.
  const int status = bw::diag::finish_standard_output("brushwright", run(argc, argv));
  bw::host::end_by_stop_signal();
  return status;
}
