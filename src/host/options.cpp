#include "host/options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "assets/pixel_buffer.h"

namespace bw::host {
namespace {

// "--name" and "-name" are the same option.
std::string option_name(const std::string& arg) {
  if (arg.rfind("--", 0) == 0) return arg.substr(2);
  if (arg.rfind("-", 0) == 0) return arg.substr(1);
  return {};
}

bool parse_size(const std::string& text, int& width, int& height) {
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  int w = 0, h = 0;
  auto a = std::from_chars(text.data(), text.data() + x, w);
  auto b = std::from_chars(text.data() + x + 1, text.data() + text.size(), h);
  if (a.ec != std::errc() || a.ptr != text.data() + x) return false;
  if (b.ec != std::errc() || b.ptr != text.data() + text.size()) return false;
  if (w < 1 || h < 1 || w > 16384 || h > 16384) return false;
  width = w;
  height = h;
  return true;
}

template <typename T>
bool parse_whole(const std::string& text, T& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

std::optional<unsigned long> parse_window_id(const std::string& text) {
  const bool hex = text.rfind("0x", 0) == 0 || text.rfind("0X", 0) == 0;
  const std::string digits = hex ? text.substr(2) : text;
  unsigned long id = 0;
  auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), id, hex ? 16 : 10);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
    return std::nullopt;
  if (id == 0) return std::nullopt;
  return id;
}

std::string setting_number_rule() {
  return "not a number from 0 to " + std::to_string(kMaxSettingNumber);
}

std::optional<float> parse_seconds_or_speed(const std::string& text) {
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value) ||
      value < 0 || value > kMaxSettingNumber)
    return std::nullopt;
  return static_cast<float>(value);
}

std::optional<SaverOptions> parse_saver_options(const std::vector<std::string>& args,
                                                const char* xscreensaver_window,
                                                std::string& error) {
  SaverOptions options;
  std::optional<SaverMode> mode;
  bool layer_given = false;
  auto set_mode = [&](SaverMode m, const std::string& arg) {
    if (mode && *mode != m) {
      error = "only one mode may be given, and \"" + arg + "\" is a second";
      return false;
    }
    mode = m;
    return true;
  };

  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const std::string name = option_name(arg);
    // Fetches the value of an option that takes one.
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) {
        error = "option \"" + arg + "\" needs a value";
        return false;
      }
      out = args[++i];
      return true;
    };
    std::string text;
    if (name == "help" || name == "h") {
      if (!set_mode(SaverMode::help, arg)) return std::nullopt;
    } else if (name == "list-pictures") {
      if (!set_mode(SaverMode::list_pictures, arg)) return std::nullopt;
    } else if (name == "version") {
      if (!set_mode(SaverMode::version, arg)) return std::nullopt;
    } else if (name == "root") {
      if (!set_mode(SaverMode::root, arg)) return std::nullopt;
    } else if (name == "window") {
      if (!set_mode(SaverMode::window, arg)) return std::nullopt;
    } else if (name == "fullscreen") {
      if (!set_mode(SaverMode::fullscreen, arg)) return std::nullopt;
    } else if (name == "wayland") {
      if (!set_mode(SaverMode::wayland, arg)) return std::nullopt;
    } else if (name == "layer") {
      if (!value(text)) return std::nullopt;
      if (text != "overlay" && text != "background") {
        error = "\"" + text + "\" is not a layer (overlay or background)";
        return std::nullopt;
      }
      options.layer = text == "overlay" ? WaylandLayer::overlay : WaylandLayer::background;
      layer_given = true;
    } else if (name == "configure") {
      if (!set_mode(SaverMode::configure, arg)) return std::nullopt;
    } else if (name == "window-id") {
      if (!set_mode(SaverMode::window_id, arg) || !value(text)) return std::nullopt;
      auto id = parse_window_id(text);
      if (!id) {
        error = "\"" + text + "\" is not a window id (decimal or 0x hexadecimal)";
        return std::nullopt;
      }
      options.window_id = *id;
    } else if (name == "render") {
      if (!set_mode(SaverMode::render, arg) || !value(options.render_dir)) return std::nullopt;
      if (options.render_dir.empty()) {
        error = "option \"" + arg + "\" needs a folder";
        return std::nullopt;
      }
    } else if (name == "geometry" || name == "size") {
      if (!value(text)) return std::nullopt;
      if (!parse_size(text, options.width, options.height)) {
        error = "\"" + text + "\" is not a size WxH (1 to 16384 each)";
        return std::nullopt;
      }
      options.size_given = true;
    } else if (name == "speed" || name == "delay") {
      if (!value(text)) return std::nullopt;
      (name == "speed" ? options.speed : options.delay) = text;
    } else if (name == "picture") {
      if (!value(options.picture)) return std::nullopt;
      if (options.picture.empty() || options.picture.find('/') != std::string::npos ||
          options.picture.find("..") != std::string::npos) {
        error = "\"" + options.picture + "\" is not a picture name";
        return std::nullopt;
      }
    } else if (name == "seed") {
      uint32_t seed = 0;
      if (!value(text)) return std::nullopt;
      if (!parse_whole(text, seed)) {
        error = "\"" + text + "\" is not a seed (a whole number below 2^32)";
        return std::nullopt;
      }
      options.seed = seed;
    } else if (name == "pictures") {
      if (!value(text)) return std::nullopt;
      if (!parse_whole(text, options.pictures) || options.pictures < 1 ||
          options.pictures > 1000) {
        error = "\"" + text + "\" is not a number of pictures (1 to 1000)";
        return std::nullopt;
      }
    } else if (name == "max-fps") {
      if (!value(text)) return std::nullopt;
      auto fps = parse_seconds_or_speed(text);
      if (!fps || *fps < 1 || *fps > 1000) {
        error = "\"" + text + "\" is not a frame rate (1 to 1000)";
        return std::nullopt;
      }
      options.max_fps = *fps;
    } else if (name == "fps") {
      options.show_fps = true;
    } else if (name == "verbose") {
      options.verbose = true;
    } else if (name == "frames") {
      options.frames = true;
    } else {
      error = "unknown option \"" + arg + "\" (see --help)";
      return std::nullopt;
    }
  }

  // A layer is a Wayland thing: it asks for Wayland when no mode is given.
  if (layer_given && !mode) mode = SaverMode::wayland;
  if (layer_given && *mode != SaverMode::wayland) {
    error = "--layer goes with --wayland";
    return std::nullopt;
  }
  options.mode_given = mode.has_value();
  if (!mode) {
    const bool under_xscreensaver = xscreensaver_window && xscreensaver_window[0] != '\0';
    mode = under_xscreensaver ? SaverMode::root : SaverMode::window;
    options.mode_given = under_xscreensaver;
  }
  options.mode = *mode;
  if (options.mode == SaverMode::root && xscreensaver_window && xscreensaver_window[0]) {
    auto id = parse_window_id(xscreensaver_window);
    if (!id) {
      error = std::string("XSCREENSAVER_WINDOW \"") + xscreensaver_window +
              "\" is not a window id";
      return std::nullopt;
    }
    options.window_id = *id;
  }
  if (options.mode == SaverMode::render) {
    if (options.pictures == 0) {
      error = "--render needs --pictures N";
      return std::nullopt;
    }
    if (!options.size_given) {
      options.width = 1280;
      options.height = 800;
    }
    // Every picture written must be one that every reader takes back.
    if (!assets::image_size_acceptable(options.width, options.height)) {
      error = "--size " + std::to_string(options.width) + "x" + std::to_string(options.height) +
              " is above the limit of " + std::to_string(assets::kMaxImageSide) +
              " pixels a side and " + std::to_string(assets::kMaxImagePixels) + " in all";
      return std::nullopt;
    }
  } else if (options.pictures != 0 || options.frames) {
    error = "--pictures and --frames go with --render";
    return std::nullopt;
  }
  if (options.mode != SaverMode::configure) {
    // Running modes take numbers; --configure stores the text as the dialog would.
    for (const auto* text : {&options.speed, &options.delay}) {
      if (*text && !parse_seconds_or_speed(**text)) {
        error = "\"" + **text + "\" for --" + (text == &options.speed ? "speed" : "delay") +
                " is " + setting_number_rule();
        return std::nullopt;
      }
    }
  }
  return options;
}

const char* saver_usage() {
  return "usage: brushwright [MODE] [OPTIONS]\n"
         "\n"
         "A screen saver that paints: every few seconds it builds a new abstract oil\n"
         "painting, reveals it slowly, holds it and cross-fades into the next.\n"
         "\n"
         "Modes (one at most):\n"
         "  --window              a normal window (the default without XSCREENSAVER_WINDOW\n"
         "                        or a running Wayland compositor)\n"
         "  --root                the root window, or the window XSCREENSAVER_WINDOW names\n"
         "  --window-id ID        draw into an existing window (decimal or 0x hex): preview\n"
         "  --fullscreen          full-screen; a key press or a click ends it\n"
         "  --wayland             every output of the Wayland compositor (the default when\n"
         "                        WAYLAND_DISPLAY names a running one): needs a compositor\n"
         "                        with the layer shell (sway, Hyprland, KDE; not GNOME)\n"
         "  --render DIR          render headless into DIR (needs --pictures N)\n"
         "  --configure           print the speed and delay in force; with --speed and/or\n"
         "                        --delay, store them first\n"
         "  --list-pictures       print the pictures there are, one a line\n"
         "Options:\n"
         "  --geometry WxH        window size (default 1280x720)\n"
         "  --size WxH            render size (default 1280x800)\n"
         "  --layer LAYER         on Wayland: overlay (the default; a screen saver that a\n"
         "                        key, a click or moving the pointer ends) or background\n"
         "                        (a wallpaper under the windows, ended by a signal)\n"
         "  --pictures N          number of pictures to render\n"
         "  --frames              with --render, also every displayed frame (60 a second)\n"
         "                        until the last picture is revealed\n"
         "  --speed N             painting speed (default 20; 0 paints like 20)\n"
         "  --delay N             seconds a finished picture is held (default 7)\n"
         "  --picture NAME        the picture to paint (default Tamsin); \"random\" picks\n"
         "                        one of the pictures for every painting\n"
         "  --seed N              seed of the random choices (default: the time)\n"
         "  --fps                 print the frame rate once a second\n"
         "  --max-fps N           frame rate cap (default 60)\n"
         "  --verbose             also report the effects a picture lacks and takes from\n"
         "                        the shared folder\n"
         "  --help, --version\n"
         "Single-dash spellings (-root, -window-id) work too.\n"
         "Settings: $XDG_CONFIG_HOME/velmora/NAME.conf (PATH=, SPEED=, DELAY=); options win.\n";
}

}  // namespace bw::host
