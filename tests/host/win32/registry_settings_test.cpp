#include "host/win32/registry_settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/diagnostics.h"

namespace bw::host {
namespace {

constexpr const char* kPictureKey = "Software\\Velmora\\Tamsin\\";

// Two scratch roots standing for HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, under a key of
// this process's own, removed afterwards.
class RegistrySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = "Software\\BrushwrightTests\\" + std::to_string(GetCurrentProcessId());
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (scratch_ + "\\machine").c_str(), 0, nullptr,
                              0, KEY_ALL_ACCESS, nullptr, &machine_, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (scratch_ + "\\user").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &user_, nullptr),
              ERROR_SUCCESS);
  }
  void TearDown() override {
    if (machine_ != nullptr) RegCloseKey(machine_);
    if (user_ != nullptr) RegCloseKey(user_);
    RegDeleteTreeA(HKEY_CURRENT_USER, scratch_.c_str());
  }

  static void put_number(HKEY root, const char* name, DWORD number) {
    ASSERT_EQ(RegSetKeyValueA(root, kPictureKey, name, REG_DWORD, &number, sizeof number),
              ERROR_SUCCESS);
  }
  static void put_text(HKEY root, const char* name, const std::string& text) {
    ASSERT_EQ(RegSetKeyValueA(root, kPictureKey, name, REG_SZ, text.c_str(),
                              static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
  }
  static std::optional<DWORD> get_number(HKEY root, const char* name) {
    DWORD number = 0, size = sizeof number, type = 0;
    if (RegGetValueA(root, kPictureKey, name, RRF_RT_ANY, &type, &number, &size) !=
        ERROR_SUCCESS)
      return std::nullopt;
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    return number;
  }

  RegistrySettings storage() { return RegistrySettings(machine_, user_, kPictureKey); }

  std::string scratch_;
  HKEY machine_ = nullptr;
  HKEY user_ = nullptr;
};

TEST_F(RegistrySettingsTest, AbsentKeyKeepsDefaults) {
  auto settings_storage = storage();
  Settings settings;
  settings.install_path = "C:\\elsewhere";
  read_settings(settings_storage, settings);
  EXPECT_EQ(settings.install_path, ".");
  EXPECT_EQ(settings.speed, 20.0f);
  EXPECT_EQ(settings.delay, 7.0f);
}

// Each value is taken from the user's key when it is there, else the machine's.
TEST_F(RegistrySettingsTest, UserValuesWinOverMachineValues) {
  struct Case {
    const char* what;
    bool machine, user;
    const char* path;
    float speed, delay;
  };
  const Case cases[] = {
      {"machine only", true, false, "C:\\machine", 11.0f, 12.0f},
      {"user only", false, true, "C:\\user", 21.0f, 22.0f},
      {"both", true, true, "C:\\user", 21.0f, 22.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegDeleteTreeA(machine_, nullptr);
    RegDeleteTreeA(user_, nullptr);
    if (c.machine) {
      put_text(machine_, "PATH", "C:\\machine");
      put_number(machine_, "SPEED", 11);
      put_number(machine_, "DELAY", 12);
    }
    if (c.user) {
      put_text(user_, "PATH", "C:\\user");
      put_number(user_, "SPEED", 21);
      put_number(user_, "DELAY", 22);
    }
    auto settings_storage = storage();
    Settings settings;
    read_settings(settings_storage, settings);
    EXPECT_EQ(settings.install_path, c.path);
    EXPECT_EQ(settings.speed, c.speed);
    EXPECT_EQ(settings.delay, c.delay);
  }
}

TEST_F(RegistrySettingsTest, ValuesMissingFromTheUsersKeyComeFromTheMachines) {
  put_text(machine_, "PATH", "C:\\Program Files\\Brushwright");
  put_number(machine_, "DELAY", 12);
  put_number(user_, "SPEED", 35);
  auto settings_storage = storage();
  Settings settings;
  read_settings(settings_storage, settings);
  EXPECT_EQ(settings.install_path, "C:\\Program Files\\Brushwright");
  EXPECT_EQ(settings.speed, 35.0f);
  EXPECT_EQ(settings.delay, 12.0f);
}

// A value the saver cannot use reads as absent, so the machine's value or the default
// applies, and is named once in the log: a number of another type or outside its limits,
// a PATH that is not a string, or an empty one.
TEST_F(RegistrySettingsTest, UnusableValuesReadAsAbsentWithOneLine) {
  const WORD two_bytes = 30;
  const ULONGLONG eight_bytes = 5;
  struct Case {
    const char* what;
    std::function<void(HKEY)> put;  // stores the unusable value in a root
    const char* name;
    const char* said;               // part of the line the log gets
  };
  const Case cases[] = {
      {"speed as text", [](HKEY r) { put_text(r, "SPEED", "30"); }, "SPEED",
       "a REG_SZ value, not a REG_DWORD number"},
      {"speed in two bytes",
       [&](HKEY r) { RegSetKeyValueA(r, kPictureKey, "SPEED", REG_BINARY, &two_bytes, 2); },
       "SPEED", "a REG_BINARY value"},
      {"delay in eight bytes",
       [&](HKEY r) { RegSetKeyValueA(r, kPictureKey, "DELAY", REG_QWORD, &eight_bytes, 8); },
       "DELAY", "a REG_QWORD value"},
      {"negative delay", [](HKEY r) { put_number(r, "DELAY", 4294967291u); }, "DELAY",
       "4294967291 is not from 0 to 3600"},
      {"speed past its limit", [](HKEY r) { put_number(r, "SPEED", 1001); }, "SPEED",
       "1001 is not from 0 to 1000"},
      {"path as a number", [](HKEY r) { put_number(r, "PATH", 1); }, "PATH",
       "a REG_DWORD value, not a string"},
      {"empty path", [](HKEY r) { put_text(r, "PATH", ""); }, "PATH", "it is empty"},
  };
  std::vector<std::string> lines;
  const auto previous = diag::install_sink([&](const std::string& line) { lines.push_back(line); });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const bool machine_has_good : {false, true}) {
      RegDeleteTreeA(machine_, nullptr);
      RegDeleteTreeA(user_, nullptr);
      c.put(user_);
      if (machine_has_good) {
        put_text(machine_, "PATH", "C:\\machine");
        put_number(machine_, "SPEED", 11);
        put_number(machine_, "DELAY", 12);
      }
      lines.clear();
      auto settings_storage = storage();
      Settings settings;
      read_settings(settings_storage, settings);
      read_settings(settings_storage, settings);  // read again: still one line
      const std::string name = c.name;
      if (name == "PATH") {
        EXPECT_EQ(settings.install_path, machine_has_good ? "C:\\machine" : ".");
      } else if (name == "SPEED") {
        EXPECT_EQ(settings.speed, machine_has_good ? 11.0f : 20.0f);
      } else {
        EXPECT_EQ(settings.delay, machine_has_good ? 12.0f : 7.0f);
      }
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_NE(lines[0].find(name + " in the user's key"), std::string::npos) << lines[0];
      EXPECT_NE(lines[0].find(c.said), std::string::npos) << lines[0];
    }
  }
  diag::install_sink(previous);
}

TEST_F(RegistrySettingsTest, OddlyStoredValues) {
  // A string without its terminating zero reads whole; one too long for the path buffer
  // is not taken.
  ASSERT_EQ(RegSetKeyValueA(user_, kPictureKey, "PATH", REG_SZ, "C:\\data", 7), ERROR_SUCCESS);
  auto settings_storage = storage();
  EXPECT_EQ(settings_storage.read_text("PATH"), "C:\\data");
  put_text(user_, "PATH", std::string(300, 'x'));
  Settings settings;
  read_settings(settings_storage, settings);
  EXPECT_EQ(settings.install_path, ".");
}

TEST(SettingEntry, WholeNumbersWithinTheLimitsOnly) {
  struct Case {
    const char* text;
    std::optional<uint32_t> speed;
  } cases[] = {
      {"35", 35},     {" 35 ", 35},    {"0", 0},          {"1000", 1000},   {"0035", 35},
      {"1001", {}},   {"-5", {}},      {"+5", {}},        {"fast", {}},     {"12abc", {}},
      {"", {}},       {"  ", {}},      {"3.5", {}},       {"4294967301", {}},
      {"99999999999999999999", {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(parse_setting_entry(c.text, kSpeedSetting), c.speed) << '"' << c.text << '"';
  EXPECT_EQ(parse_setting_entry("3600", kDelaySetting), 3600u);
  EXPECT_EQ(parse_setting_entry("3601", kDelaySetting), std::nullopt);
  EXPECT_EQ(setting_entry_rule(kDelaySetting), "Delay must be a whole number from 0 to 3600.");
}

TEST_F(RegistrySettingsTest, SaveWritesTheUsersKeyOnly) {
  put_number(machine_, "SPEED", 11);
  auto settings_storage = storage();
  ASSERT_TRUE(settings_storage.store_speed_and_delay(35, 3));
  EXPECT_EQ(get_number(user_, "SPEED"), 35u);
  EXPECT_EQ(get_number(user_, "DELAY"), 3u);
  EXPECT_EQ(get_number(machine_, "SPEED"), 11u);
  EXPECT_EQ(get_number(machine_, "DELAY"), std::nullopt);
  Settings settings;
  read_settings(settings_storage, settings);
  EXPECT_EQ(settings.speed, 35.0f);
  EXPECT_EQ(settings.delay, 3.0f);
}

TEST_F(RegistrySettingsTest, SaveThatCannotWriteSaysWhy) {
  // A root that is no longer open refuses the key's creation.
  HKEY closed = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (scratch_ + "\\user").c_str(), 0, KEY_ALL_ACCESS,
                          &closed),
            ERROR_SUCCESS);
  RegCloseKey(closed);
  RegistrySettings settings_storage(machine_, closed, kPictureKey);
  EXPECT_FALSE(settings_storage.store_speed_and_delay(35, 3));
  EXPECT_FALSE(settings_storage.store_error().empty());
  EXPECT_EQ(get_number(user_, "SPEED"), std::nullopt);
}

// The real places: Save under HKEY_CURRENT_USER, read back through a fresh storage.
TEST(RegistrySettings, SaveThenReadBackUnderTheCurrentUser) {
  const std::string picture = "BrushwrightTest" + std::to_string(GetCurrentProcessId());
  const std::string key = "Software\\Velmora\\" + picture;
  {
    auto writer = RegistrySettings::for_picture(picture);
    ASSERT_TRUE(writer.store_speed_and_delay(12, 3)) << writer.store_error();
  }
  auto reader = RegistrySettings::for_picture(picture);
  Settings settings;
  read_settings(reader, settings);
  EXPECT_EQ(settings.speed, 12.0f);
  EXPECT_EQ(settings.delay, 3.0f);
  HKEY machine_key = nullptr;
  EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &machine_key),
            ERROR_SUCCESS);
  RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace
}  // namespace bw::host
