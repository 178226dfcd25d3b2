#include "host/options.h"

#include <algorithm>
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

struct OptionReading {
  SaverOptions& options;
  std::string& error;
  std::optional<SaverMode> mode;  // the mode an option chose
  bool layer_given = false;
};

namespace {

bool fail(OptionReading& reading, std::string message) {
  reading.error = std::move(message);
  return false;
}

bool read_layer(OptionReading& r, const std::string&, const std::string& text) {
  if (text != "overlay" && text != "background")
    return fail(r, "\"" + text + "\" is not a layer (overlay or background)");
  r.options.layer = text == "overlay" ? WaylandLayer::overlay : WaylandLayer::background;
  r.layer_given = true;
  return true;
}

bool read_window_id(OptionReading& r, const std::string&, const std::string& text) {
  auto id = parse_window_id(text);
  if (!id) return fail(r, "\"" + text + "\" is not a window id (decimal or 0x hexadecimal)");
  r.options.window_id = *id;
  return true;
}

bool read_render_dir(OptionReading& r, const std::string& arg, const std::string& dir) {
  if (dir.empty()) return fail(r, "option \"" + arg + "\" needs a folder");
  r.options.render_dir = dir;
  return true;
}

bool read_size(OptionReading& r, const std::string&, const std::string& text) {
  if (!parse_size(text, r.options.width, r.options.height))
    return fail(r, "\"" + text + "\" is not a size WxH (1 to 16384 each)");
  r.options.size_given = true;
  return true;
}

// Speed and delay are kept as typed: --configure stores the text as the dialog would, the
// running modes check it once the mode is known.
template <std::optional<std::string> SaverOptions::*setting>
bool keep_text(OptionReading& r, const std::string&, const std::string& text) {
  r.options.*setting = text;
  return true;
}

bool read_picture(OptionReading& r, const std::string&, const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos ||
      name.find("..") != std::string::npos)
    return fail(r, "\"" + name + "\" is not a picture name");
  r.options.picture = name;
  return true;
}

bool read_seed(OptionReading& r, const std::string&, const std::string& text) {
  uint32_t seed = 0;
  if (!parse_whole(text, seed))
    return fail(r, "\"" + text + "\" is not a seed (a whole number below 2^32)");
  r.options.seed = seed;
  return true;
}

bool read_pictures(OptionReading& r, const std::string&, const std::string& text) {
  int pictures = 0;
  if (!parse_whole(text, pictures) || pictures < 1 || pictures > 1000)
    return fail(r, "\"" + text + "\" is not a number of pictures (1 to 1000)");
  r.options.pictures = pictures;
  return true;
}

bool read_max_fps(OptionReading& r, const std::string&, const std::string& text) {
  auto fps = parse_seconds_or_speed(text);
  if (!fps || *fps < 1 || *fps > 1000)
    return fail(r, "\"" + text + "\" is not a frame rate (1 to 1000)");
  r.options.max_fps = *fps;
  return true;
}

template <bool SaverOptions::*flag>
bool set_flag(OptionReading& r, const std::string&, const std::string&) {
  r.options.*flag = true;
  return true;
}

// Short names for the table's columns.
constexpr OptionSection kModeList = OptionSection::modes;
constexpr OptionSection kOptionList = OptionSection::options;
constexpr bool kInXml = true;

// name, alias, value, mode, section, in the settings description, help, reader
constexpr SaverOptionSpec kSaverOptions[] = {
    {"window", "", "", SaverMode::window, kModeList, false,
     "a normal window (the default without XSCREENSAVER_WINDOW\n"
     "or a running Wayland compositor)",
     nullptr},
    {"root", "", "", SaverMode::root, kModeList, kInXml,
     "the root window, or the window XSCREENSAVER_WINDOW names", nullptr},
    {"window-id", "", "ID", SaverMode::window_id, kModeList, false,
     "draw into an existing window (decimal or 0x hex): preview", read_window_id},
    {"fullscreen", "", "", SaverMode::fullscreen, kModeList, false,
     "full-screen; a key press or a click ends it", nullptr},
    {"wayland", "", "", SaverMode::wayland, kModeList, false,
     "every output of the Wayland compositor (the default when\n"
     "WAYLAND_DISPLAY names a running one): needs a compositor\n"
     "with the layer shell (sway, Hyprland, KDE; not GNOME)",
     nullptr},
    {"render", "", "DIR", SaverMode::render, kModeList, false,
     "render headless into DIR (needs --pictures N)", read_render_dir},
    {"configure", "", "", SaverMode::configure, kModeList, false,
     "print the speed and delay in force; with --speed and/or\n"
     "--delay, store them first",
     nullptr},
    {"list-pictures", "", "", SaverMode::list_pictures, kModeList, false,
     "print the pictures there are, one a line", nullptr},
    {"geometry", "", "WxH", std::nullopt, kOptionList, false, "window size (default 1280x720)",
     read_size},
    {"size", "", "WxH", std::nullopt, kOptionList, false, "render size (default 1280x800)",
     read_size},
    {"layer", "", "LAYER", std::nullopt, kOptionList, false,
     "on Wayland: overlay (the default; a screen saver that a\n"
     "key, a click or moving the pointer ends) or background\n"
     "(a wallpaper under the windows, ended by a signal)",
     read_layer},
    {"pictures", "", "N", std::nullopt, kOptionList, false, "number of pictures to render",
     read_pictures},
    {"frames", "", "", std::nullopt, kOptionList, false,
     "with --render, also every frame of the cycle (60 a second,\n"
     "each drawn, even those a window leaves out) until the last\n"
     "picture is revealed",
     set_flag<&SaverOptions::frames>},
    {"speed", "", "N", std::nullopt, kOptionList, kInXml,
     "painting speed (default 20; 0 paints like 20)", keep_text<&SaverOptions::speed>},
    {"delay", "", "N", std::nullopt, kOptionList, kInXml,
     "seconds a finished picture is held (default 7)", keep_text<&SaverOptions::delay>},
    {"picture", "", "NAME", std::nullopt, kOptionList, kInXml,
     "the picture to paint (default Tamsin); \"random\" picks\n"
     "one of the pictures for every painting",
     read_picture},
    {"seed", "", "N", std::nullopt, kOptionList, false,
     "seed of the random choices (default: the time)", read_seed},
    {"fps", "", "", std::nullopt, kOptionList, kInXml,
     "print the frames drawn each second, once a second\n"
     "(none while a picture is held, about 20 during a reveal)",
     set_flag<&SaverOptions::show_fps>},
    {"max-fps", "", "N", std::nullopt, kOptionList, false, "frame rate cap (default 60)",
     read_max_fps},
    {"verbose", "", "", std::nullopt, kOptionList, kInXml,
     "also report the effects a picture lacks and takes from\n"
     "the shared folder",
     set_flag<&SaverOptions::verbose>},
    {"help", "h", "", SaverMode::help, kOptionList, false, "", nullptr},
    {"version", "", "", SaverMode::version, kOptionList, false, "", nullptr},
};

const SaverOptionSpec* find_option(const std::string& name) {
  if (name.empty()) return nullptr;
  for (const auto& spec : kSaverOptions)
    if (name == spec.name || name == spec.alias) return &spec;
  return nullptr;
}

bool choose_saver_mode(OptionReading& r, SaverMode mode, const std::string& arg) {
  if (r.mode && *r.mode != mode)
    return fail(r, "only one mode may be given, and \"" + arg + "\" is a second");
  r.mode = mode;
  return true;
}

// Reads args[i] and, for an option that takes one, its value (advancing i past it).
bool read_option(OptionReading& r, const std::vector<std::string>& args, size_t& i) {
  const std::string& arg = args[i];
  const SaverOptionSpec* spec = find_option(option_name(arg));
  if (spec == nullptr) return fail(r, "unknown option \"" + arg + "\" (see --help)");
  if (spec->mode && !choose_saver_mode(r, *spec->mode, arg)) return false;
  std::string value;
  if (!spec->value_name.empty()) {
    if (i + 1 >= args.size()) return fail(r, "option \"" + arg + "\" needs a value");
    value = args[++i];
  }
  return spec->read == nullptr || spec->read(r, arg, value);
}

// The mode when no option chose one, and the window xscreensaver hands a --root saver.
bool settle_mode(OptionReading& r, const char* xscreensaver_window) {
  // A layer is a Wayland thing: it asks for Wayland when no mode is given.
  if (r.layer_given && !r.mode) r.mode = SaverMode::wayland;
  if (r.layer_given && *r.mode != SaverMode::wayland)
    return fail(r, "--layer goes with --wayland");
  const bool under_xscreensaver = xscreensaver_window && xscreensaver_window[0] != '\0';
  r.options.mode_given = r.mode.has_value() || under_xscreensaver;
  if (!r.mode) r.mode = under_xscreensaver ? SaverMode::root : SaverMode::window;
  r.options.mode = *r.mode;
  if (r.options.mode != SaverMode::root || !under_xscreensaver) return true;
  auto id = parse_window_id(xscreensaver_window);
  if (!id) {
    return fail(r, std::string("XSCREENSAVER_WINDOW \"") + xscreensaver_window +
                       "\" is not a window id");
  }
  r.options.window_id = *id;
  return true;
}

// --pictures and --frames belong to --render, which needs a number of pictures and a size
// every image reader takes back.
bool check_render(OptionReading& r) {
  SaverOptions& options = r.options;
  if (options.mode != SaverMode::render) {
    if (options.pictures != 0 || options.frames)
      return fail(r, "--pictures and --frames go with --render");
    return true;
  }
  if (options.pictures == 0) return fail(r, "--render needs --pictures N");
  if (!options.size_given) {
    options.width = 1280;
    options.height = 800;
  }
  if (!assets::image_size_acceptable(options.width, options.height)) {
    return fail(r, "--size " + std::to_string(options.width) + "x" +
                       std::to_string(options.height) + " is above the limit of " +
                       std::to_string(assets::kMaxImageSide) + " pixels a side and " +
                       std::to_string(assets::kMaxImagePixels) + " in all");
  }
  return true;
}

// Running modes take numbers; --configure stores the text as the dialog would.
bool check_setting_numbers(OptionReading& r) {
  if (r.options.mode == SaverMode::configure) return true;
  for (const auto* text : {&r.options.speed, &r.options.delay}) {
    if (*text && !parse_seconds_or_speed(**text)) {
      return fail(r, "\"" + **text + "\" for --" +
                         (text == &r.options.speed ? "speed" : "delay") + " is " +
                         setting_number_rule());
    }
  }
  return true;
}

// The lines of --help for one section: each option with its value, its description from
// column 24; the options without one together on a last line.
void list_options(std::string& out, OptionSection section) {
  constexpr std::size_t kDescriptionColumn = 24;
  std::string undescribed;
  for (const auto& spec : kSaverOptions) {
    if (spec.section != section) continue;
    std::string name = "--" + std::string(spec.name);
    if (!spec.value_name.empty()) name += " " + std::string(spec.value_name);
    if (spec.help.empty()) {
      undescribed += (undescribed.empty() ? "  " : ", ") + name;
      continue;
    }
    std::string line = "  " + name;
    line.resize(std::max(line.size() + 1, kDescriptionColumn), ' ');
    for (std::size_t start = 0; start <= spec.help.size();) {
      std::size_t end = spec.help.find('\n', start);
      if (end == std::string_view::npos) end = spec.help.size();
      if (start != 0) line.assign(kDescriptionColumn, ' ');
      out += line;
      out += spec.help.substr(start, end - start);
      out += '\n';
      start = end + 1;
    }
  }
  if (!undescribed.empty()) out += undescribed + "\n";
}

}  // namespace

std::span<const SaverOptionSpec> saver_option_table() { return kSaverOptions; }

std::optional<SaverOptions> parse_saver_options(const std::vector<std::string>& args,
                                                const char* xscreensaver_window,
                                                std::string& error) {
  SaverOptions options;
  OptionReading reading{options, error, std::nullopt, false};
  for (size_t i = 1; i < args.size(); ++i)
    if (!read_option(reading, args, i)) return std::nullopt;
  if (!settle_mode(reading, xscreensaver_window) || !check_render(reading) ||
      !check_setting_numbers(reading))
    return std::nullopt;
  return options;
}

const char* saver_usage() {
  static const std::string text = [] {
    std::string out =
        "usage: brushwright [MODE] [OPTIONS]\n"
        "\n"
        "A screen saver that paints: every few seconds it builds a new abstract oil\n"
        "painting, reveals it slowly, holds it and cross-fades into the next.\n"
        "\n"
        "Modes (one at most):\n";
    list_options(out, OptionSection::modes);
    out += "Options:\n";
    list_options(out, OptionSection::options);
    out +=
        "Single-dash spellings (-root, -window-id) work too.\n"
        "Settings: $XDG_CONFIG_HOME/velmora/NAME.conf (PATH=, SPEED=, DELAY=); options win.\n";
    return out;
  }();
  return text.c_str();
}

}  // namespace bw::host
