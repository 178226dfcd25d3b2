#include "host/engine_host.h"

#include <cstdio>
#include <filesystem>

#include "device/texture.h"
#include "painter/engine.h"
#include "platform/diagnostics.h"
#include "platform/path.h"

namespace bw::host {
namespace fs = std::filesystem;

bool has_picture_data(const std::string& install_dir) {
  std::error_code error;
  const std::string data = data_folder(install_dir);
  return fs::exists(platform::join_relative_path(data, "Base3/Main"), error) ||
         fs::is_directory(platform::join_relative_path(data, "shaders"), error);
}

std::string data_folder(const std::string& install_dir) {
  return platform::join_relative_path(install_dir, "data");
}

std::shared_ptr<assets::Installation> installation_for(
    const Settings& settings, std::shared_ptr<assets::Installation> opened) {
  // Choosing the picture may have opened this installation's stores already: they stay
  // open, so that what was said of a damaged store is not said a second time.
  const std::string dir = settings.install_path.empty() ? "." : settings.install_path;
  if (opened && opened->dir() == dir) return opened;
  return std::make_shared<assets::Installation>(dir);
}

void use_installation(painter::PainterState& state,
                      std::shared_ptr<assets::Installation> installation) {
  assets::Installation* data = installation.get();
  state.installation = std::move(installation);
  state.fetch = [data](const std::string& path) { return data->fetch_asset(path); };
  // Quietly: a picture takes from the shared folder what it lacks, and only an effect
  // missing from both places is worth a word.
  state.probe = [data](const std::string& path) { return data->probe_asset(path); };
  state.image_source.by_path = device::image_readers_by_path({data->asset_fetcher(), data->dir()});
  state.image_source.by_store = [data](int number, int store_code, int& record_count) {
    int width = 0, height = 0;
    return data->fetch_store_image(number, store_code, width, height, record_count);
  };
}

void configure_state(painter::PainterState& state, const SaverOptions& options,
                     const Settings& settings,
                     std::shared_ptr<assets::Installation> installation) {
  state.picture_name = options.picture;
  state.picture_choices = options.picture_choices;
  state.speed = settings.speed;
  state.delay = settings.delay;
  state.seed = options.seed;
  use_installation(state, installation ? std::move(installation) : installation_for(settings));
  state.tell_shared_effects = options.verbose;
}

void report_start_failure(painter::StartResult result, const SaverOptions& options,
                          const Settings& settings) {
  if (result == painter::StartResult::no_description) {
    const std::string data = data_folder(settings.install_path);
    diag::message("brushwright: no description of the picture \"%s\" under \"%s\"",
                  options.picture.c_str(), data.c_str());
    return;
  }
  if (result == painter::StartResult::no_assets) return;  // the asset layer said where
  // The device layer has said why (no usable graphics runtime, or unsupported hardware).
  diag::say("brushwright: no graphics device, nothing painted");
}

int start_failure_status(painter::StartResult result) {
  return result == painter::StartResult::no_description ? 255 : 1;
}

bool check_picture_data(const Settings& settings) {
  if (has_picture_data(settings.install_path)) return true;
  const std::string data = data_folder(settings.install_path);
  diag::message("brushwright: no picture data in \"%s\" (set PATH= in the settings, or "
                "install the data)", data.c_str());
  return false;
}

painter::StartResult start_painting(painter::PainterState& state, const SaverOptions& options,
                                    const Settings& settings,
                                    std::shared_ptr<assets::Installation> installation,
                                    std::unique_ptr<device::Backend> backend,
                                    const PaintingTarget& target) {
  configure_state(state, options, settings, std::move(installation));
  state.render_width = state.target_width = target.width;
  state.render_height = state.target_height = target.height;
  const auto result = painter::start_engine(state, std::move(backend), target.window, false);
  if (result != painter::StartResult::started) report_start_failure(result, options, settings);
  return result;
}

void render_frame(painter::PainterState& state) {
  device::Device& device = *state.device;
  device.begin_frame();
  device.clear(0, 0, 0);
  painter::draw_frame(state);
  device.end_frame();
  device.present();
}

}  // namespace bw::host
