// The Linux saver's command line, in xscreensaver's manner: a mode (--root, --window,
// --window-id, --fullscreen, --wayland, --render, --configure, --list-pictures) and the
// options that go with it.
// Double- and single-dash spellings are both accepted.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace bw::host {

enum class SaverMode {
  root, window, window_id, fullscreen, render, configure, help, version,
  list_pictures,  // --list-pictures: print the installed pictures, one a line
  wayland,        // --wayland: a layer surface on every output of a Wayland compositor
};

// The layer a Wayland saver draws in.
enum class WaylandLayer {
  overlay,     // above every window: the screen saver, ended by input
  background,  // under every window: a wallpaper that takes no input
};

struct SaverOptions {
  SaverMode mode = SaverMode::window;
  bool mode_given = false;            // a mode option (or XSCREENSAVER_WINDOW) chose it
  WaylandLayer layer = WaylandLayer::overlay;  // --layer
  unsigned long window_id = 0;        // --window-id, or XSCREENSAVER_WINDOW for --root
  int width = 1280, height = 720;     // --geometry (window) or --size (render)
  bool size_given = false;
  std::optional<std::string> speed;   // as typed; run modes check it is a number
  std::optional<std::string> delay;
  std::string picture = "Tamsin";
  std::optional<uint32_t> seed;
  bool show_fps = false;
  bool verbose = false;               // --verbose: report every asset the saver looks for
                                      // and does not find
  double max_fps = 60.0;
  std::string render_dir;             // --render DIR
  int pictures = 0;                   // --pictures N
  bool frames = false;                // --frames: every displayed frame too
  // With --picture random, the pictures each later painting is drawn from (settled with
  // the first picture); empty otherwise.
  std::vector<std::string> picture_choices;
};

// Where an option is listed in the help text.
enum class OptionSection { modes, options };

// The state of one command line being read (options.cpp).
struct OptionReading;

// Reads an option's value (empty for an option that takes none) into the reading; on a bad
// value puts the one-line message into its error and returns false. `arg` is the option as
// typed.
using OptionReader = bool (*)(OptionReading& reading, const std::string& arg,
                              const std::string& value);

// One option of the saver's command line. The table of them is what the command line is
// read with, what --help lists and what the xscreensaver settings description is checked
// against.
struct SaverOptionSpec {
  std::string_view name;            // without dashes: "window-id"
  std::string_view alias;           // a second name ("h" for "help"), or empty
  std::string_view value_name;      // the value that follows it ("ID"); empty for none
  std::optional<SaverMode> mode;    // the mode it chooses, if it is a mode
  OptionSection section;            // the part of --help that lists it
  bool in_settings_description;     // brushwright.xml passes it to the saver
  std::string_view help;            // its lines in --help, joined by \n; empty: listed
                                    // with the other undescribed ones on one line
  OptionReader read;                // null for an option that only chooses its mode
};

// Every option, in the order --help lists them.
std::span<const SaverOptionSpec> saver_option_table();

// Parses argv (argv[0] is the program). `xscreensaver_window` is the value of the
// XSCREENSAVER_WINDOW variable, or null. On a bad command line returns nothing and puts a
// one-line message (without newline) into `error`.
std::optional<SaverOptions> parse_saver_options(const std::vector<std::string>& args,
                                                const char* xscreensaver_window,
                                                std::string& error);

// Reads a positive decimal or 0x hexadecimal window id; nothing for anything else.
std::optional<unsigned long> parse_window_id(const std::string& text);

// The largest speed or delay: a setting holds a 32-bit number, and the command line takes
// no more than a setting can hold.
inline constexpr uint32_t kMaxSettingNumber = 4294967295u;

// What a speed or delay must be, for messages.
std::string setting_number_rule();

// Reads a speed or delay option: a decimal number from 0 to kMaxSettingNumber.
std::optional<float> parse_seconds_or_speed(const std::string& text);

// The help text.
const char* saver_usage();

}  // namespace bw::host
