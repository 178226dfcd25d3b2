#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "host/configure.h"
#include "host/options.h"
#include "host/settings.h"
#include "host/settings_file.h"

namespace bw::host {
namespace {
namespace fs = std::filesystem;

// A registry key held in memory.
class MemoryStorage final : public SettingsStorage {
 public:
  bool key = false;
  bool writable = true;
  std::map<std::string, std::string, std::less<>> text;
  std::map<std::string, uint32_t, std::less<>> numbers;

  bool open_key() override { return key; }
  std::optional<std::string> read_text(std::string_view name) override {
    auto found = text.find(name);
    if (found == text.end()) return std::nullopt;
    return found->second;
  }
  std::optional<uint32_t> read_number(std::string_view name) override {
    auto found = numbers.find(name);
    if (found == numbers.end()) return std::nullopt;
    return found->second;
  }
  bool store_speed_and_delay(uint32_t speed, uint32_t delay) override {
    if (!writable) return false;
    key = true;
    numbers["SPEED"] = speed;
    numbers["DELAY"] = delay;
    return true;
  }
};

TEST(ReadSettings, DefaultsAndConversions) {
  MemoryStorage storage;
  Settings settings;
  settings.install_path = "/old";
  read_settings(storage, settings);  // no key: "." and the defaults
  EXPECT_EQ(settings.install_path, ".");
  EXPECT_EQ(settings.speed, 20.0f);
  EXPECT_EQ(settings.delay, 7.0f);

  storage.key = true;
  storage.text["PATH"] = "/opt/velmora";
  storage.numbers["SPEED"] = 35;
  storage.numbers["DELAY"] = 4294967295u;  // "-1" in the dialog: a huge unsigned value
  read_settings(storage, settings);
  EXPECT_EQ(settings.install_path, "/opt/velmora");
  EXPECT_EQ(settings.speed, 35.0f);
  EXPECT_FLOAT_EQ(settings.delay, 4294967295.0f);

  storage.text["PATH"] = std::string(kInstallPathBuffer, 'x');  // does not fit its buffer
  storage.numbers.clear();
  Settings fresh;
  read_settings(storage, fresh);
  EXPECT_EQ(fresh.install_path, ".");
  EXPECT_EQ(fresh.speed, 20.0f);
  EXPECT_EQ(fresh.delay, 7.0f);
}

TEST(SettingsDialog, ShowsStoredNumbersAsSigned) {
  MemoryStorage storage;
  EXPECT_EQ(settings_dialog_show(storage, Settings{}).speed, "");  // no key: empty boxes
  EXPECT_EQ(settings_dialog_show(storage, Settings{}).delay, "");

  storage.key = true;  // key without values: the defaults
  DialogTexts shown = settings_dialog_show(storage, Settings{});
  EXPECT_EQ(shown.speed, "20");
  EXPECT_EQ(shown.delay, "7");

  storage.numbers["SPEED"] = 4294967295u;
  storage.numbers["DELAY"] = 3;
  shown = settings_dialog_show(storage, Settings{});
  EXPECT_EQ(shown.speed, "-1");
  EXPECT_EQ(shown.delay, "3");
}

TEST(SettingsDialog, SaveStoresAtoiOfTheFirst19Characters) {
  struct Case {
    const char* text;
    uint32_t stored;
  } cases[] = {
      {"35", 35},
      {"0", 0},
      {"", 0},
      {"12abc", 12},
      {"-1", 4294967295u},
      {"  +8", 8},
      {"1234567890123456789012345", INT32_MAX},  // 19 digits are still out of range
      {"00000000000000000005", 0},               // the digit after the 19th is cut away
      {"0000000000000000012", 12},
  };
  for (const auto& c : cases) EXPECT_EQ(dialog_text_to_number(c.text), c.stored) << c.text;

  MemoryStorage storage;
  EXPECT_TRUE(settings_dialog_save(storage, {"35", "3"}));
  EXPECT_EQ(storage.numbers["SPEED"], 35u);
  EXPECT_EQ(storage.numbers["DELAY"], 3u);

  MemoryStorage locked;
  locked.writable = false;
  EXPECT_FALSE(settings_dialog_save(locked, {"35", "3"}));
  EXPECT_TRUE(locked.numbers.empty());
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::path(BW_TEST_TMPDIR) /
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(root);
    fs::create_directories(root / "system");
  }
  void write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }
  std::string slurp(const fs::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  SettingsFile file() { return SettingsFile("Tamsin", root / "user", root / "system"); }
  fs::path root;
};

TEST_F(SettingsFileTest, UserFileWinsOverSystemAndBadLinesAreSkipped) {
  auto settings_file = file();
  EXPECT_FALSE(settings_file.open_key());

  write(root / "system/Tamsin.conf", "PATH=/usr/share/x\nSPEED=30\nDELAY=9\n");
  write(root / "user/Tamsin.conf",
        "garbage line\nSPEED=oops\nDELAY=4\r\nCOLOR=red\nSPEED=-5\n");
  ASSERT_TRUE(settings_file.open_key());
  EXPECT_EQ(settings_file.read_text("PATH"), "/usr/share/x");
  EXPECT_EQ(settings_file.read_number("DELAY"), 4u);
  EXPECT_EQ(settings_file.read_number("SPEED"), std::nullopt);  // "-5" is not a stored number
  EXPECT_EQ(settings_file.read_text("COLOR"), std::nullopt);

  Settings settings;
  read_settings(settings_file, settings);
  EXPECT_EQ(settings.install_path, "/usr/share/x");
  EXPECT_EQ(settings.speed, 20.0f);
  EXPECT_EQ(settings.delay, 4.0f);
}

// A byte-order mark is no part of the first key; a long PATH is taken as the system takes
// paths, and one longer than any path is reported and read as absent.
TEST_F(SettingsFileTest, ByteOrderMarkAndLongPaths) {
  const std::string bom = "\xEF\xBB\xBF";
  write(root / "user/Tamsin.conf", bom + "SPEED=33\nDELAY=4\n");
  auto settings_file = file();
  ASSERT_TRUE(settings_file.open_key());
  EXPECT_EQ(settings_file.read_number("SPEED"), 33u);
  // Saving keeps one SPEED line, and the file reads back as saved.
  ASSERT_TRUE(settings_dialog_save(settings_file, {"12", "5"}));
  EXPECT_EQ(slurp(root / "user/Tamsin.conf"), "SPEED=12\nDELAY=5\n");

  write(root / "system/Tamsin.conf", "PATH=/usr/share/x\n");
  struct Case {
    size_t length;
    bool kept;
  } cases[] = {{255, true}, {256, true}, {kSettingsFilePathRoom - 1, true},
               {kSettingsFilePathRoom, false}};
  for (const auto& c : cases) {
    const std::string path = "/" + std::string(c.length - 1, 'p');
    write(root / "user/Tamsin.conf", bom + "PATH=" + path + "\n");
    auto long_path = file();
    ::testing::internal::CaptureStderr();
    Settings settings;
    read_settings(long_path, settings);
    const std::string err = ::testing::internal::GetCapturedStderr();
    // Refused, the machine-wide PATH stands.
    EXPECT_EQ(settings.install_path, c.kept ? path : "/usr/share/x") << c.length;
    EXPECT_EQ(err.empty(), c.kept) << c.length << ": " << err;
    if (!c.kept) {
      EXPECT_NE(err.find("PATH= of 4096 characters is ignored"), std::string::npos) << err;
    }
  }
}

TEST_F(SettingsFileTest, SaveCreatesTheFolderAndKeepsOtherLines) {
  auto settings_file = file();
  ASSERT_TRUE(settings_dialog_save(settings_file, {"35", "-1"}));
  EXPECT_EQ(slurp(root / "user/Tamsin.conf"), "SPEED=35\nDELAY=4294967295\n");

  write(root / "user/Tamsin.conf", "PATH=/data\nSPEED=1\nDELAY=2\n");
  ASSERT_TRUE(settings_dialog_save(settings_file, {"12abc", ""}));
  EXPECT_EQ(slurp(root / "user/Tamsin.conf"), "PATH=/data\nSPEED=12\nDELAY=0\n");
  ASSERT_TRUE(settings_file.open_key());
  EXPECT_EQ(settings_dialog_show(settings_file, Settings{}).delay, "0");
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "user"), {}), 1);  // no temporary left
}

// A save that a kill interrupted left its temporary; the next save removes it, and leaves
// those of a save still running.
TEST_F(SettingsFileTest, TheNextSaveRemovesTemporariesOfAKilledOne) {
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  int status = 0;
  waitpid(ended, &status, 0);
  const std::string stale = "Tamsin.conf.tmp" + std::to_string(ended);
  const std::string running = "Tamsin.conf.tmp" + std::to_string(getppid());
  write(root / "user" / stale, "SPEED=1\n");
  write(root / "user" / running, "SPEED=2\n");
  auto settings_file = file();
  ASSERT_TRUE(settings_dialog_save(settings_file, {"5", "6"}));
  EXPECT_FALSE(fs::exists(root / "user" / stale));
  EXPECT_TRUE(fs::exists(root / "user" / running));
  EXPECT_EQ(slurp(root / "user/Tamsin.conf"), "SPEED=5\nDELAY=6\n");
}

TEST_F(SettingsFileTest, FailedSaveLeavesTheOldFileWhole) {
  if (::geteuid() == 0) {
    // root writes into read-only folders; block the folder with a file instead.
    write(root / "blocked", "not a folder");
    SettingsFile blocked("Tamsin", root / "blocked" / "velmora", root / "system");
    EXPECT_FALSE(settings_dialog_save(blocked, {"1", "2"}));
    return;
  }
  write(root / "user/Tamsin.conf", "SPEED=5\nDELAY=6\n");
  fs::permissions(root / "user", fs::perms::owner_read | fs::perms::owner_exec);
  auto settings_file = file();
  EXPECT_FALSE(settings_dialog_save(settings_file, {"1", "2"}));
  fs::permissions(root / "user", fs::perms::owner_all);
  EXPECT_EQ(slurp(root / "user/Tamsin.conf"), "SPEED=5\nDELAY=6\n");
}

// Files that are not settings files: each is ignored at once, with a message, instead of
// hanging the saver (a FIFO) or filling its memory (a device without end).
TEST_F(SettingsFileTest, OnlyRegularFilesUpTo64KBAreRead) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    bool read;
  } cases[] = {
      {"fifo", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }, false},
      {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, false},
      {"folder", [](const fs::path& p) { fs::create_directory(p); }, false},
      {"64 KB", [](const fs::path& p) {
         std::ofstream(p) << "SPEED=9\n" << std::string(64 * 1024 - 8, '#');
       }, true},
      {"64 KB and one byte", [](const fs::path& p) {
         std::ofstream(p) << "SPEED=9\n" << std::string(64 * 1024 - 7, '#');
       }, false},
  };
  for (const auto& c : cases) {
    fs::remove_all(root / "user");
    fs::create_directories(root / "user");
    c.make(root / "user/Tamsin.conf");
    auto settings_file = file();
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(settings_file.open_key(), c.read) << c.name;
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(settings_file.read_number("SPEED"), c.read ? std::optional<uint32_t>(9) : std::nullopt)
        << c.name;
    EXPECT_EQ(err.empty(), c.read) << c.name << ": " << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), c.read ? 0 : 1) << c.name << ": " << err;
    // Saving over such a file is refused too, with the reason.
    if (!c.read) {
      EXPECT_FALSE(settings_dialog_save(settings_file, {"1", "2"})) << c.name;
      EXPECT_NE(settings_file.store_failure().find("Tamsin.conf"), std::string::npos) << c.name;
    }
  }
}

// A file that is not a settings file is named once in a run, though every part of the
// saver that reads the settings makes its own storage object.
TEST_F(SettingsFileTest, AProblemIsSaidOncePerRun) {
  fs::create_directories(root / "user");
  ASSERT_EQ(mkfifo((root / "user/Tamsin.conf").c_str(), 0644), 0);
  ::testing::internal::CaptureStderr();
  for (int reader = 0; reader < 3; ++reader) {
    auto settings_file = file();
    Settings settings;
    read_settings(settings_file, settings);
    EXPECT_FALSE(settings_file.open_key());
  }
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("not a regular file"), std::string::npos) << err;
}

// The largest speed and delay are what a setting can hold, from the command line and from the
// file alike.
TEST_F(SettingsFileTest, TooLargeNumbersAreRefusedAlikeFromFileAndCommandLine) {
  struct Case {
    const char* text;
    std::optional<float> value;
  } cases[] = {
      {"0", 0.0f},
      {"35", 35.0f},
      {"4294967295", 4294967295.0f},
      {"4294967296", std::nullopt},
      {"99999999999999999999", std::nullopt},
  };
  for (const auto& c : cases) {
    for (const std::string name : {"speed", "delay"}) {
      std::string error;
      const auto options = parse_saver_options({"brushwright", "--" + name, c.text}, nullptr, error);
      EXPECT_EQ(options.has_value(), c.value.has_value()) << name << " " << c.text << ": " << error;
      if (options) {
        EXPECT_EQ(parse_seconds_or_speed(c.text), c.value) << c.text;
      }

      std::string key = name == "speed" ? "SPEED" : "DELAY";
      write(root / "user/Tamsin.conf", key + "=" + c.text + "\n");
      auto settings_file = file();
      ::testing::internal::CaptureStderr();
      ASSERT_TRUE(settings_file.open_key());
      const std::string err = ::testing::internal::GetCapturedStderr();
      const auto stored = settings_file.read_number(key);
      EXPECT_EQ(stored.has_value(), c.value.has_value()) << key << "=" << c.text;
      if (stored) {
        EXPECT_EQ(static_cast<float>(*stored), *c.value) << c.text;
      }
      // Both say the same of a number too large.
      if (!c.value) {
        EXPECT_NE(error.find(setting_number_rule()), std::string::npos) << error;
        EXPECT_NE(err.find(setting_number_rule()), std::string::npos) << err;
      }
    }
  }
}

// "Save" writes through a symbolic link, leaving the link in place, and refuses a read-only
// file with a reason that names it.
TEST_F(SettingsFileTest, SaveWritesThroughALinkAndRefusesAReadOnlyFile) {
  write(root / "real/Tamsin.conf", "PATH=/data\nSPEED=1\n");
  fs::create_directories(root / "user");
  fs::create_symlink("../real/Tamsin.conf", root / "user/Tamsin.conf");
  auto settings_file = file();
  ASSERT_TRUE(settings_dialog_save(settings_file, {"35", "3"})) << settings_file.store_failure();
  EXPECT_TRUE(fs::is_symlink(root / "user/Tamsin.conf"));
  EXPECT_EQ(slurp(root / "real/Tamsin.conf"), "PATH=/data\nSPEED=35\nDELAY=3\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(root / "real"), {}), 1);  // no temporary left

  fs::permissions(root / "real/Tamsin.conf", fs::perms::owner_read | fs::perms::group_read);
  EXPECT_FALSE(settings_dialog_save(settings_file, {"7", "7"}));
  EXPECT_EQ(slurp(root / "real/Tamsin.conf"), "PATH=/data\nSPEED=35\nDELAY=3\n");
  const std::string why = settings_file.store_failure();
  EXPECT_NE(why.find((root / "real/Tamsin.conf").string()), std::string::npos) << why;
  EXPECT_NE(why.find("read-only"), std::string::npos) << why;
}

// A failed store names the file and the system's reason.
TEST_F(SettingsFileTest, FailedStoreMessageNamesThePathAndTheReason) {
  write(root / "blocked", "not a folder");
  SettingsFile blocked("Tamsin", root / "blocked" / "velmora", root / "system");
  SaverOptions options;
  options.mode = SaverMode::configure;
  options.speed = "3";
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  EXPECT_EQ(run_configure(options, blocked, out, err), 1);
  std::rewind(err);
  char buffer[512] = {};
  const std::string message(buffer, std::fread(buffer, 1, sizeof buffer - 1, err));
  std::fclose(out);
  std::fclose(err);
  EXPECT_NE(message.find((root / "blocked").string()), std::string::npos) << message;
  EXPECT_NE(message.find(std::strerror(ENOTDIR)), std::string::npos) << message;
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
}

}  // namespace
}  // namespace bw::host
