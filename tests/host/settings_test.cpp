#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>

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

}  // namespace
}  // namespace bw::host
