#include "host/options.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>
#include <sstream>

#include "host/configure.h"

namespace bw::host {
namespace {

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out{"brushwright"};
  std::istringstream in(line);
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

TEST(SaverOptions, ModesAndTheirDefaults) {
  struct Case {
    std::string line;
    const char* xscreensaver_window;
    SaverMode mode;
    unsigned long window_id;
  } cases[] = {
      {"", nullptr, SaverMode::window, 0},
      {"", "0x2a", SaverMode::root, 42},  // under xscreensaver: its window
      {"--root", nullptr, SaverMode::root, 0},
      {"-root", "123", SaverMode::root, 123},
      {"--window-id 0x1c00007", nullptr, SaverMode::window_id, 0x1c00007},
      {"-window-id 4711", nullptr, SaverMode::window_id, 4711},
      {"--fullscreen", nullptr, SaverMode::fullscreen, 0},
      {"--window --fps", "99", SaverMode::window, 0},  // an explicit mode wins
      {"--configure --speed 12abc", nullptr, SaverMode::configure, 0},
      {"--help", nullptr, SaverMode::help, 0},
      {"-list-pictures", nullptr, SaverMode::list_pictures, 0},
      {"-h", nullptr, SaverMode::help, 0},
      {"--version", nullptr, SaverMode::version, 0},
  };
  for (const auto& c : cases) {
    std::string error;
    auto options = parse_saver_options(words(c.line), c.xscreensaver_window, error);
    ASSERT_TRUE(options) << c.line << ": " << error;
    EXPECT_EQ(options->mode, c.mode) << c.line;
    EXPECT_EQ(options->window_id, c.window_id) << c.line;
  }
}

// Whether a mode was asked for decides whether a running Wayland compositor takes the saver:
// only a command line (and an environment) that names no mode leaves it free.
TEST(SaverOptions, WaylandModeAndLayer) {
  struct Case {
    std::string line;
    const char* xscreensaver_window;
    SaverMode mode;
    bool mode_given;
    WaylandLayer layer;
  } cases[] = {
      {"", nullptr, SaverMode::window, false, WaylandLayer::overlay},
      {"--fps", "0x2a", SaverMode::root, true, WaylandLayer::overlay},
      {"--window", nullptr, SaverMode::window, true, WaylandLayer::overlay},
      {"--wayland", nullptr, SaverMode::wayland, true, WaylandLayer::overlay},
      {"-wayland -layer background", nullptr, SaverMode::wayland, true,
       WaylandLayer::background},
      {"--layer background", nullptr, SaverMode::wayland, true, WaylandLayer::background},
      {"--layer overlay --seed 4", "0x2a", SaverMode::wayland, true, WaylandLayer::overlay},
  };
  for (const auto& c : cases) {
    std::string error;
    auto options = parse_saver_options(words(c.line), c.xscreensaver_window, error);
    ASSERT_TRUE(options) << c.line << ": " << error;
    EXPECT_EQ(options->mode, c.mode) << c.line;
    EXPECT_EQ(options->mode_given, c.mode_given) << c.line;
    EXPECT_EQ(options->layer, c.layer) << c.line;
  }
}

TEST(SaverOptions, ValuesAreRead) {
  std::string error;
  auto options = parse_saver_options(
      words("--render out --pictures 6 --size 320x200 --seed 7 --speed 35 --delay 0 "
            "--picture Dune --max-fps 30 --frames -verbose"),
      nullptr, error);
  ASSERT_TRUE(options) << error;
  EXPECT_TRUE(options->verbose);
  EXPECT_EQ(options->render_dir, "out");
  EXPECT_EQ(options->pictures, 6);
  EXPECT_EQ(options->width, 320);
  EXPECT_EQ(options->height, 200);
  EXPECT_EQ(options->seed, 7u);
  EXPECT_EQ(options->speed, "35");
  EXPECT_EQ(options->delay, "0");
  EXPECT_EQ(options->picture, "Dune");
  EXPECT_EQ(options->max_fps, 30.0);
  EXPECT_TRUE(options->frames);

  options = parse_saver_options(words("--render out --pictures 2"), nullptr, error);
  ASSERT_TRUE(options);
  EXPECT_EQ(options->width, 1280);  // the render size when none is given
  EXPECT_EQ(options->height, 800);
  options = parse_saver_options(words("--window"), nullptr, error);
  EXPECT_FALSE(options->verbose);
  EXPECT_EQ(options->width, 1280);
  EXPECT_EQ(options->height, 720);
}

TEST(SaverOptions, BadCommandLinesSayWhatIsWrong) {
  struct Case {
    std::string line;
    const char* xscreensaver_window;
    std::string message_part;
  } cases[] = {
      {"--bogus", nullptr, "unknown option \"--bogus\""},
      {"--window-id", nullptr, "needs a value"},
      {"--window-id 0", nullptr, "is not a window id"},
      {"--window-id 12x", nullptr, "is not a window id"},
      {"--root", "junk", "XSCREENSAVER_WINDOW \"junk\""},
      {"--root --window", nullptr, "only one mode"},
      {"--speed fast", nullptr, "\"fast\" for --speed is not a number"},
      {"--delay -3", nullptr, "--delay"},
      {"--geometry 0x10", nullptr, "is not a size"},
      {"--geometry 640", nullptr, "is not a size"},
      {"--render out", nullptr, "needs --pictures"},
      {"--pictures 3", nullptr, "go with --render"},
      {"--render out --pictures 0", nullptr, "not a number of pictures"},
      {"--seed -1", nullptr, "not a seed"},
      {"--picture ../etc", nullptr, "not a picture name"},
      {"--max-fps 0", nullptr, "not a frame rate"},
      {"--layer top", nullptr, "\"top\" is not a layer (overlay or background)"},
      {"--layer", nullptr, "needs a value"},
      {"--fullscreen --layer background", nullptr, "--layer goes with --wayland"},
      {"--wayland --root", nullptr, "only one mode"},
      {"--", nullptr, "unknown option \"--\""},
      {"root", nullptr, "unknown option \"root\""},
      {"---root", nullptr, "unknown option \"---root\""},
      {"--help --version", nullptr, "only one mode"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(parse_saver_options(words(c.line), c.xscreensaver_window, error)) << c.line;
    EXPECT_NE(error.find(c.message_part), std::string::npos) << c.line << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << c.line;
  }
}

// A name given twice in the option table would leave its second row unreachable.
TEST(SaverOptions, TableNamesAreUnique) {
  std::set<std::string_view> names;
  for (const auto& spec : saver_option_table()) {
    EXPECT_TRUE(names.insert(spec.name).second) << spec.name;
    if (!spec.alias.empty()) {
      EXPECT_TRUE(names.insert(spec.alias).second) << spec.alias;
    }
  }
}

class MemoryKey final : public SettingsStorage {
 public:
  std::map<std::string, uint32_t, std::less<>> numbers;
  bool exists = false;
  bool open_key() override { return exists; }
  std::optional<std::string> read_text(std::string_view) override { return std::nullopt; }
  std::optional<uint32_t> read_number(std::string_view name) override {
    auto found = numbers.find(name);
    if (found == numbers.end()) return std::nullopt;
    return found->second;
  }
  bool store_speed_and_delay(uint32_t speed, uint32_t delay) override {
    exists = true;
    numbers["SPEED"] = speed;
    numbers["DELAY"] = delay;
    return true;
  }
};

// What --configure printed (standard output, then standard error) and its status.
struct Configured {
  std::string out;
  std::string err;
  int status;
};

std::string contents(std::FILE* file) {
  std::rewind(file);
  char buffer[256] = {};
  const size_t n = std::fread(buffer, 1, sizeof buffer - 1, file);
  std::fclose(file);
  return std::string(buffer, n);
}

Configured configure_run(const std::string& line, MemoryKey& key) {
  std::string error;
  auto options = parse_saver_options(words("--configure " + line), nullptr, error);
  EXPECT_TRUE(options) << error;
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  const int status = run_configure(*options, key, out, err);
  return {contents(out), contents(err), status};
}

std::string configure(const std::string& line, MemoryKey& key) {
  const Configured run = configure_run(line, key);
  EXPECT_EQ(run.status, 0) << line << ": " << run.err;
  return run.out;
}

TEST(Configure, PrintsTheValuesInForceAndStoresWhatTheReaderTakes) {
  MemoryKey key;
  EXPECT_EQ(configure("", key), "speed 20\ndelay 7\n");  // nothing stored: the defaults
  EXPECT_FALSE(key.exists);
  // Setting one value on a fresh machine keeps the other at its default, not 0.
  EXPECT_EQ(configure("--speed 35", key), "speed 35\ndelay 7\n");
  EXPECT_EQ(configure("--delay 12", key), "speed 35\ndelay 12\n");
  // The largest number a setting holds is shown as the saver uses it, not as -1.
  EXPECT_EQ(configure("--speed 4294967295", key), "speed 4294967295\ndelay 12\n");
  EXPECT_EQ(key.numbers["SPEED"], 4294967295u);
  // What the reader would not take back is refused, and nothing changes.
  for (const char* bad : {"--speed -1", "--delay 12abc", "--delay 4294967296", "--speed 1.5",
                          "--delay 7 --speed x"}) {
    const Configured run = configure_run(bad, key);
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_EQ(run.out, "") << bad;
    EXPECT_NE(run.err.find("is not a number from 0 to 4294967295\n"), std::string::npos)
        << bad << ": " << run.err;
  }
  EXPECT_EQ(key.numbers["SPEED"], 4294967295u);
  EXPECT_EQ(key.numbers["DELAY"], 12u);
}

}  // namespace
}  // namespace bw::host
