#include "host/win32/registry_settings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

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

TEST_F(RegistrySettingsTest, AbsentKeyKeepsDefaultsAndShowsEmptyBoxes) {
  auto settings_storage = storage();
  Settings settings;
  settings.install_path = "C:\\elsewhere";
  read_settings(settings_storage, settings);
  EXPECT_EQ(settings.install_path, ".");
  EXPECT_EQ(settings.speed, 20.0f);
  EXPECT_EQ(settings.delay, 7.0f);
  const DialogTexts texts = settings_dialog_show(settings_storage, Settings{});
  EXPECT_EQ(texts.speed, "");
  EXPECT_EQ(texts.delay, "");
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

TEST_F(RegistrySettingsTest, NumbersAreUnsignedToTheSaverAndSignedToTheDialog) {
  put_number(machine_, "SPEED", 4294967295u);
  auto settings_storage = storage();
  Settings settings;
  read_settings(settings_storage, settings);
  EXPECT_EQ(settings.speed, 4294967295.0f);
  EXPECT_EQ(settings.install_path, ".");  // no PATH value
  const DialogTexts texts = settings_dialog_show(settings_storage, Settings{});
  EXPECT_EQ(texts.speed, "-1");
  EXPECT_EQ(texts.delay, "7");
}

TEST_F(RegistrySettingsTest, OddlyStoredValues) {
  // A number stored in two bytes fills the low bytes; one in eight bytes does not read.
  const WORD two_bytes = 300;
  const ULONGLONG eight_bytes = 5;
  ASSERT_EQ(RegSetKeyValueA(user_, kPictureKey, "SPEED", REG_BINARY, &two_bytes, 2),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetKeyValueA(user_, kPictureKey, "DELAY", REG_QWORD, &eight_bytes, 8),
            ERROR_SUCCESS);
  // A string without its terminating zero, and one too long for the path buffer.
  ASSERT_EQ(RegSetKeyValueA(user_, kPictureKey, "PATH", REG_SZ, "C:\\data", 7), ERROR_SUCCESS);
  auto settings_storage = storage();
  EXPECT_EQ(settings_storage.read_number("SPEED"), 300u);
  EXPECT_EQ(settings_storage.read_number("DELAY"), std::nullopt);
  EXPECT_EQ(settings_storage.read_text("PATH"), "C:\\data");

  put_text(user_, "PATH", std::string(300, 'x'));
  Settings settings;
  read_settings(settings_storage, settings);
  EXPECT_EQ(settings.install_path, ".");
  EXPECT_EQ(settings.speed, 300.0f);
  EXPECT_EQ(settings.delay, 7.0f);
}

TEST_F(RegistrySettingsTest, SaveWritesTheUsersKeyOnly) {
  put_number(machine_, "SPEED", 11);
  auto settings_storage = storage();
  ASSERT_TRUE(settings_dialog_save(settings_storage, {"35", "-3"}));
  EXPECT_EQ(get_number(user_, "SPEED"), 35u);
  EXPECT_EQ(get_number(user_, "DELAY"), 4294967293u);
  EXPECT_EQ(get_number(machine_, "SPEED"), 11u);
  EXPECT_EQ(get_number(machine_, "DELAY"), std::nullopt);
  Settings settings;
  read_settings(settings_storage, settings);
  EXPECT_EQ(settings.speed, 35.0f);
  EXPECT_EQ(settings.delay, 4294967293.0f);
}

TEST_F(RegistrySettingsTest, SaveThatCannotWriteSaysWhy) {
  // A root that is no longer open refuses the key's creation.
  HKEY closed = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, (scratch_ + "\\user").c_str(), 0, KEY_ALL_ACCESS,
                          &closed),
            ERROR_SUCCESS);
  RegCloseKey(closed);
  RegistrySettings settings_storage(machine_, closed, kPictureKey);
  EXPECT_FALSE(settings_dialog_save(settings_storage, {"35", "3"}));
  EXPECT_FALSE(settings_storage.store_error().empty());
  EXPECT_EQ(get_number(user_, "SPEED"), std::nullopt);
}

// The real places: Save under HKEY_CURRENT_USER, read back through a fresh storage.
TEST(RegistrySettings, SaveThenReadBackUnderTheCurrentUser) {
  const std::string picture = "BrushwrightTest" + std::to_string(GetCurrentProcessId());
  const std::string key = "Software\\Velmora\\" + picture;
  {
    auto writer = RegistrySettings::for_picture(picture);
    ASSERT_TRUE(settings_dialog_save(writer, {"12abc", "3"})) << writer.store_error();
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
