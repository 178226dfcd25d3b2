// brushwright.scr run as Windows runs it: full-screen, as a preview in a window of this
// test, and as the Setting dialog owned by one.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

// The saver started with `arguments`; ended at the end of the test if it still runs.
class Saver {
 public:
  explicit Saver(const std::string& arguments) {
    std::string path = BW_SAVER;
    for (char& c : path)
      if (c == '/') c = '\\';
    std::string command = "\"Z:" + path + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_) != FALSE;
  }
  ~Saver() {
    if (!started_) return;
    if (!exit_code()) TerminateProcess(process_.hProcess, 99);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  bool started() const { return started_; }
  DWORD process_id() const { return process_.dwProcessId; }
  // The exit code once the saver has ended.
  std::optional<DWORD> exit_code() const {
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.hProcess, &code) || code == STILL_ACTIVE)
      return std::nullopt;
    return code;
  }

 private:
  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

// Runs this thread's messages (the saver's windows may be children of ours) until `done`
// holds or `ms` have passed; returns whether it held.
bool pump_until(const std::function<bool()>& done, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (done()) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(20);
  }
}

void pump_for(DWORD ms) { pump_until([] { return false; }, ms); }

// True when a visible top-level window belongs to process `id`.
bool shows_window(DWORD id) {
  struct Search {
    DWORD id;
    bool found;
  } search = {id, false};
  EnumWindows(
      [](HWND window, LPARAM data) {
        auto* search = reinterpret_cast<Search*>(data);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search->id && IsWindowVisible(window)) search->found = true;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string handle_text(HWND window) {
  return std::to_string(reinterpret_cast<intptr_t>(window));
}

SIZE window_size(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

// The saver's log under this user's local application data.
std::string saver_log_path() {
  char appdata[MAX_PATH] = {};
  GetEnvironmentVariableA("LOCALAPPDATA", appdata, MAX_PATH);
  return std::string(appdata) + "\\Brushwright\\brushwright.log";
}

std::string read_saver_log() {
  std::ifstream in(saver_log_path(), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(SaverProgram, FullScreenEndsOnKeysAndClicksButNotOnMotion) {
  for (const UINT closing : {WM_SYSKEYDOWN, WM_RBUTTONDOWN}) {
    SCOPED_TRACE(closing);
    Saver saver("/s");
    ASSERT_TRUE(saver.started());
    HWND window = nullptr;
    ASSERT_TRUE(pump_until([&] { return (window = FindWindowA("BRUSHWRIGHT", nullptr)); },
                           30000));
    const SIZE size = window_size(window);
    EXPECT_EQ(size.cx, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(size.cy, GetSystemMetrics(SM_CYSCREEN));
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    PostMessageA(window, WM_MBUTTONDOWN, 0, 0);
    pump_for(1500);
    EXPECT_EQ(saver.exit_code(), std::nullopt);
    PostMessageA(window, closing, VK_MENU, 0);
    EXPECT_TRUE(pump_until([&] { return saver.exit_code().has_value(); }, 30000));
    EXPECT_EQ(saver.exit_code(), 0u);
  }
}

// The system may start "/s" again while a saver runs: the second one ends at once, and
// the first goes on.
TEST(SaverProgram, SecondFullScreenSaverEndsAtOnce) {
  Saver first("/s");
  ASSERT_TRUE(first.started());
  ASSERT_TRUE(pump_until([] { return FindWindowA("BRUSHWRIGHT", nullptr) != nullptr; }, 30000));
  Saver second("/s");
  ASSERT_TRUE(second.started());
  EXPECT_TRUE(pump_until([&] { return second.exit_code().has_value(); }, 15000));
  EXPECT_EQ(second.exit_code(), 0u);
  EXPECT_EQ(first.exit_code(), std::nullopt);
  // The log says why the second ended, and each run began with what a fault report needs.
  const auto read_log = read_saver_log;
  std::string log;
  // The first saver names its device once its engine has started.
  pump_until([&] { return (log = read_log()).find("brushwright: device: ") != std::string::npos; },
             30000);
  EXPECT_NE(log.find("brushwright: Brushwright " BW_VERSION " starts (full screen); monitors: "),
            std::string::npos);
  EXPECT_NE(log.find("data folders searched, in order: "), std::string::npos);
  EXPECT_NE(log.find("brushwright: device: "), std::string::npos);
  EXPECT_NE(log.find("a full-screen saver already runs; this one ends"), std::string::npos);
}

// What Windows reads from the file: string 1 names the saver in the Screen Saver list,
// the version resource carries the version, and the manifest asks for common controls 6
// and per-monitor DPI awareness (v2).
TEST(SaverProgram, ResourcesWindowsReads) {
  std::string path = BW_SAVER;
  for (char& c : path)
    if (c == '/') c = '\\';
  const HMODULE module = LoadLibraryExA(("Z:" + path).c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  char name[64] = {};
  EXPECT_GT(LoadStringA(module, 1, name, sizeof name), 0);
  EXPECT_STREQ(name, "Brushwright");
  const auto resource_text = [module](LPCSTR id, LPCSTR type) {
    const HRSRC found = FindResourceA(module, id, type);
    if (found == nullptr) return std::string();
    const HGLOBAL loaded = LoadResource(module, found);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    return std::string(bytes, SizeofResource(module, found));
  };
  const std::string manifest = resource_text(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  // The version block holds its strings in UTF-16: look for the version's characters.
  const std::string version = resource_text(MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
  std::string wide_version;
  for (const char c : std::string(BW_VERSION)) wide_version += std::string{c, '\0'};
  EXPECT_NE(version.find(wide_version), std::string::npos);
  FreeLibrary(module);
}

// A preview fills its parent (512 x 512 in one with no area) and paints at that size,
// ignores keys and clicks, and ends with its window: when the parent goes, or on command 105.
TEST(SaverProgram, PreviewLivesInItsParent) {
  struct Case {
    int width, height;
    LONG child_width, child_height;
    bool close_by_command;
  };
  for (const Case c : {Case{320, 240, 320, 240, false}, Case{0, 0, 512, 512, true}}) {
    SCOPED_TRACE(c.width);
    HWND parent = CreateWindowExA(0, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 0, 0, c.width,
                                  c.height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
    DeleteFileA(saver_log_path().c_str());
    Saver saver("/p " + handle_text(parent));
    ASSERT_TRUE(saver.started());
    HWND child = nullptr;
    ASSERT_TRUE(pump_until(
        [&] { return (child = FindWindowExA(parent, nullptr, "BRUSHWRIGHT", nullptr)); }, 30000));
    const SIZE size = window_size(child);
    EXPECT_EQ(size.cx, c.child_width);
    EXPECT_EQ(size.cy, c.child_height);
    for (const UINT input : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN})
      PostMessageA(child, input, 0, 0);
    pump_for(2000);  // past the preview's one-second wait: the engine runs
    EXPECT_EQ(saver.exit_code(), std::nullopt);
    EXPECT_TRUE(IsWindow(child));
    // It paints at its own size, not at a screen's.
    const std::string size_text =
        " at " + std::to_string(c.child_width) + "x" + std::to_string(c.child_height);
    std::string log;
    EXPECT_TRUE(pump_until(
        [&] { return (log = read_saver_log()).find("brushwright: device: ") != std::string::npos; },
        30000));
    EXPECT_NE(log.find(size_text + "\r\n"), std::string::npos) << log;
    if (c.close_by_command) {
      // Command 104 shows the About dialog with the version; it closes on OK.
      PostMessageA(child, WM_COMMAND, 104, 0);
      HWND about = nullptr;
      ASSERT_TRUE(pump_until(
          [&] { return (about = FindWindowA("#32770", "About Brushwright")); }, 30000));
      // The dialog's window may appear before its controls are made: wait for the line.
      EXPECT_TRUE(pump_until(
          [&] {
            return FindWindowExA(about, nullptr, "Static", "Brushwright " BW_VERSION) != nullptr;
          },
          30000));
      PostMessageA(about, WM_COMMAND, IDOK, 0);
      EXPECT_TRUE(pump_until([&] { return !IsWindow(about); }, 30000));
      PostMessageA(child, WM_COMMAND, 105, 0);
    } else {
      DestroyWindow(parent);
    }
    EXPECT_TRUE(pump_until([&] { return saver.exit_code().has_value(); }, 30000));
    EXPECT_EQ(saver.exit_code(), 0u);
    if (IsWindow(parent)) DestroyWindow(parent);
  }
}

constexpr const char* kKey = "Software\\Velmora\\Tamsin\\";

std::optional<DWORD> stored(const char* name) {
  DWORD number = 0, size = sizeof number;
  if (RegGetValueA(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, &number, &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return number;
}

std::string edit_text(HWND dialog, int id) {
  char text[64] = {};
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// The dialog shows the values in force (what the saver would take, else the defaults);
// Save stores whole numbers within the limits under the user's key, and refuses anything
// else with a message, storing nothing; Cancel stores nothing.
TEST(SaverProgram, SettingDialog) {
  struct Case {
    const char* what;
    bool key_exists;
    std::optional<DWORD> speed_before;
    const char* shown_speed;
    const char* shown_delay;
    const char* typed_speed;
    const char* typed_delay;
    UINT button;
    const char* refusal;  // the start of the message a refused entry gets, or null
    std::optional<DWORD> speed_after, delay_after;
  };
  const Case cases[] = {
      {"no key", false, {}, "20", "7", "35", " 3 ", IDOK, nullptr, 35, 3},
      {"stored out of range", true, 4294967291u, "20", "7", "0", "3600", IDOK, nullptr, 0, 3600},
      {"letters", true, 5, "5", "7", "fast", "3", IDOK, "Speed must be", 5, {}},
      {"negative", true, 5, "5", "7", "12", "-5", IDOK, "Delay must be", 5, {}},
      {"too large", true, 5, "5", "7", "1001", "3", IDOK, "Speed must be", 5, {}},
      {"empty", true, 5, "5", "7", "12", "", IDOK, "Delay must be", 5, {}},
      {"cancel", true, 5, "5", "7", "99", "", IDCANCEL, nullptr, 5, {}},
  };
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Velmora\\Tamsin");
    if (c.key_exists) {
      HKEY key = nullptr;
      ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                &key, nullptr),
                ERROR_SUCCESS);
      if (c.speed_before) {
        const DWORD speed = *c.speed_before;
        RegSetValueExA(key, "SPEED", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&speed), 4);
      }
      RegCloseKey(key);
    }
    Saver saver("/c:" + handle_text(owner));
    ASSERT_TRUE(saver.started());
    HWND dialog = nullptr;
    ASSERT_TRUE(pump_until([&] { return (dialog = FindWindowA("#32770", "Setting")); }, 30000));
    pump_for(300);  // the dialog has filled its boxes
    EXPECT_EQ(edit_text(dialog, 1000), c.shown_speed);
    EXPECT_EQ(edit_text(dialog, 1001), c.shown_delay);
    SetDlgItemTextA(dialog, 1000, c.typed_speed);
    SetDlgItemTextA(dialog, 1001, c.typed_delay);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
    if (c.refusal != nullptr) {
      HWND box = nullptr;
      ASSERT_TRUE(pump_until([&] { return (box = FindWindowA("#32770", "Brushwright")); },
                             30000));
      EXPECT_EQ(edit_text(box, 0xFFFF).rfind(c.refusal, 0), 0u) << edit_text(box, 0xFFFF);
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      // The dialog stays, with nothing stored, until it is cancelled.
      pump_for(300);
      EXPECT_FALSE(saver.exit_code().has_value());
      EXPECT_TRUE(IsWindow(dialog));
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }
    EXPECT_TRUE(pump_until([&] { return saver.exit_code().has_value(); }, 30000));
    EXPECT_EQ(saver.exit_code(), 1u);
    EXPECT_EQ(stored("SPEED"), c.speed_after);
    EXPECT_EQ(stored("DELAY"), c.delay_after);
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  DestroyWindow(owner);
}

constexpr const char* kVendorKey = "Software\\Velmora\\";

std::optional<std::string> stored_choice() {
  char text[64] = {};
  DWORD size = sizeof text;
  if (RegGetValueA(HKEY_CURRENT_USER, kVendorKey, "PICTURE", RRF_RT_REG_SZ, nullptr, text,
                   &size) != ERROR_SUCCESS)
    return std::nullopt;
  return std::string(text);
}

std::optional<DWORD> stored_number(const std::string& picture, const char* name) {
  DWORD number = 0, size = sizeof number;
  if (RegGetValueA(HKEY_CURRENT_USER, (std::string(kVendorKey) + picture + "\\").c_str(), name,
                   RRF_RT_REG_DWORD, nullptr, &number, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return number;
}

void forget_pictures() {
  RegDeleteKeyValueA(HKEY_CURRENT_USER, kVendorKey, "PICTURE");
  for (const char* picture : {"Tamsin", "Orchard", "Random"})
    RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kVendorKey) + picture).c_str());
}

// The picture stored by the Setting dialog is what the saver paints, and the log names
// it; "random" draws one; a name not installed paints the default picture, with a line
// saying why.
TEST(SaverProgram, StoredPictureIsPainted) {
  struct Case {
    const char* stored;
    const char* painted;  // what the device line says
    const char* note;     // a line the log must hold, or null
  };
  const Case cases[] = {
      {"Orchard", ", painting Orchard at ", nullptr},
      {"random", " (drawn at random) at ", nullptr},
      {"Nonesuch", ", painting Tamsin at ",
       "the picture chosen in the settings is not installed: there is no picture "
       "\"Nonesuch\"; the pictures are "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    forget_pictures();
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kVendorKey, "PICTURE", REG_SZ, c.stored,
                              static_cast<DWORD>(strlen(c.stored) + 1)),
              ERROR_SUCCESS);
    DeleteFileA(saver_log_path().c_str());
    Saver saver("/s");
    ASSERT_TRUE(saver.started());
    std::string log;
    EXPECT_TRUE(pump_until(
        [&] { return (log = read_saver_log()).find("brushwright: device: ") != std::string::npos; },
        60000));
    EXPECT_NE(log.find(c.painted), std::string::npos) << log;
    if (c.note != nullptr) {
      EXPECT_NE(log.find(c.note), std::string::npos) << log;
    }
    HWND window = FindWindowA("BRUSHWRIGHT", nullptr);
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    EXPECT_TRUE(pump_until([&] { return saver.exit_code().has_value(); }, 30000));
  }
  forget_pictures();
}

// The texts of a list box's entries, in order.
std::vector<std::string> combo_entries(HWND combo) {
  std::vector<std::string> entries;
  const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    // Read as UTF-16: the text is passed between processes in that form.
    wchar_t text[64] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) >= 64) return {};
    SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    std::string narrow;
    for (const wchar_t* c = text; *c != 0; ++c) narrow += static_cast<char>(*c);
    entries.push_back(narrow);
  }
  return entries;
}

// The dialog lists the installed pictures and Random, with the choice in force selected;
// choosing a picture shows its own Speed and Delay, and Save stores the choice and the
// numbers under that picture's key, leaving the other pictures' keys as they were.
TEST(SaverProgram, SettingDialogChoosesThePicture) {
  forget_pictures();
  const DWORD orchard_speed = 55;
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Velmora\\Orchard\\", "SPEED",
                            REG_DWORD, &orchard_speed, sizeof orchard_speed),
            ERROR_SUCCESS);
  HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(owner, nullptr);
  struct Step {
    const char* selected_before;  // the entry selected when the dialog opens
    const char* choose;           // the entry chosen
    const char* shown_speed;      // its Speed once chosen
    const char* typed_speed;
    const char* stored_choice;
    const char* key;              // where the numbers go
  };
  const Step steps[] = {
      {"Tamsin", "Orchard", "55", "40", "Orchard", "Orchard"},
      {"Orchard", "Random", "20", "12", "random", "Random"},
      {"Random", "Random", "12", "12", "random", "Random"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.choose);
    Saver saver("/c:" + handle_text(owner));
    ASSERT_TRUE(saver.started());
    HWND dialog = nullptr;
    ASSERT_TRUE(pump_until([&] { return (dialog = FindWindowA("#32770", "Setting")); }, 30000));
    HWND combo = nullptr;
    ASSERT_TRUE(pump_until(
        [&] {
          combo = GetDlgItem(dialog, 1004);
          return combo != nullptr && SendMessageA(combo, CB_GETCOUNT, 0, 0) > 0;
        },
        30000));
    pump_for(300);  // the dialog has filled its boxes
    const std::vector<std::string> entries = combo_entries(combo);
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries.back(), "Random");
    EXPECT_NE(std::find(entries.begin(), entries.end(), "Tamsin"), entries.end());
    const auto at = std::find(entries.begin(), entries.end(), step.choose);
    ASSERT_NE(at, entries.end());
    const LRESULT selected = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    ASSERT_GE(selected, 0);
    EXPECT_EQ(entries[static_cast<size_t>(selected)], step.selected_before);
    SendMessageA(combo, CB_SETCURSEL, at - entries.begin(), 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(1004, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    pump_for(300);
    EXPECT_EQ(edit_text(dialog, 1000), step.shown_speed);
    EXPECT_EQ(edit_text(dialog, 1001), "7");
    SetDlgItemTextA(dialog, 1000, step.typed_speed);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_TRUE(pump_until([&] { return saver.exit_code().has_value(); }, 30000));
    EXPECT_EQ(stored_choice(), step.stored_choice);
    EXPECT_EQ(stored_number(step.key, "SPEED"), static_cast<DWORD>(atoi(step.typed_speed)));
    EXPECT_EQ(stored_number(step.key, "DELAY"), 7u);
  }
  // The default picture's key was never written.
  EXPECT_EQ(stored_number("Tamsin", "SPEED"), std::nullopt);
  EXPECT_EQ(stored_number("Orchard", "SPEED"), 40u);
  forget_pictures();
  DestroyWindow(owner);
}

// PATH names a folder without data: the full-screen saver says where it looked and ends
// with status 1; a preview shows no box and waits for its parent.
TEST(SaverProgram, NoDataUnderPath) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string empty = std::string(temp) + "brushwright-no-data";
  CreateDirectoryA(empty.c_str(), nullptr);
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "PATH", REG_SZ, empty.c_str(),
                            static_cast<DWORD>(empty.size() + 1)),
            ERROR_SUCCESS);
  // A log grown past its limit is started afresh.
  char base[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA("LOCALAPPDATA", base, MAX_PATH), 0u);
  const std::string log_dir = std::string(base) + "\\Brushwright";
  CreateDirectoryA(log_dir.c_str(), nullptr);
  std::ofstream(log_dir + "\\brushwright.log") << std::string(300 * 1024, 'o');
  {
    Saver saver("/s");
    ASSERT_TRUE(saver.started());
    HWND box = nullptr;
    ASSERT_TRUE(pump_until([&] { return (box = FindWindowA("#32770", "Brushwright")); }, 30000));
    char text[1024] = {};
    EnumChildWindows(
        box,
        [](HWND child, LPARAM found) {
          char part[512] = {};
          GetWindowTextA(child, part, sizeof part);
          strncat(reinterpret_cast<char*>(found), part, 1023 - strlen(reinterpret_cast<char*>(found)));
          return TRUE;
        },
        reinterpret_cast<LPARAM>(text));
    EXPECT_NE(std::string(text).find(empty), std::string::npos) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(pump_until([&] { return saver.exit_code().has_value(); }, 30000));
    EXPECT_EQ(saver.exit_code(), 1u);
    // The message is in the user's log as well.
    std::ifstream log_file(log_dir + "\\brushwright.log");
    const std::string log((std::istreambuf_iterator<char>(log_file)),
                          std::istreambuf_iterator<char>());
    EXPECT_NE(log.find("brushwright: no picture data in " + empty), std::string::npos) << log;
    EXPECT_EQ(log.find("ooo"), std::string::npos);
  }
  {
    HWND parent = CreateWindowExA(0, "STATIC", "preview", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    Saver saver("/p " + handle_text(parent));
    HWND child = nullptr;
    ASSERT_TRUE(pump_until(
        [&] { return (child = FindWindowExA(parent, nullptr, "BRUSHWRIGHT", nullptr)); }, 30000));
    pump_for(2000);
    EXPECT_EQ(FindWindowA("#32770", "Brushwright"), nullptr);
    EXPECT_EQ(saver.exit_code(), std::nullopt);
    DestroyWindow(parent);
    EXPECT_TRUE(pump_until([&] { return saver.exit_code().has_value(); }, 30000));
    EXPECT_EQ(saver.exit_code(), 0u);
  }
  RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
  RemoveDirectoryA(empty.c_str());
}

// --render paints headless: no window of the saver is ever shown and the pictures land
// in the folder named, replacing what an earlier run left; a command line of long options that does not render is refused
// with status 2.
TEST(SaverProgram, RenderPaintsHeadlessWithNoWindowShown) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string out = std::string(temp) + "brushwright-render";
  const std::string picture = out + "\\picture-001.png";
  const std::string sheet = out + "\\contact-sheet.png";
  DeleteFileA(picture.c_str());
  // The sheet of an earlier run is replaced.
  CreateDirectoryA(out.c_str(), nullptr);
  std::ofstream(sheet) << "stale";
  {
    Saver saver("--render " + out + " --pictures 1 --size 64x40 --seed 3");
    ASSERT_TRUE(saver.started());
    bool shown = false;
    EXPECT_TRUE(pump_until(
        [&] {
          shown = shown || shows_window(saver.process_id());
          return saver.exit_code().has_value();
        },
        120000));
    EXPECT_EQ(saver.exit_code(), 0u);
    EXPECT_FALSE(shown);
    EXPECT_NE(GetFileAttributesA(picture.c_str()), INVALID_FILE_ATTRIBUTES);
    std::ifstream written(sheet, std::ios::binary);
    char signature[4] = {};
    written.read(signature, 4);
    EXPECT_EQ(std::string(signature + 1, 3), "PNG");
  }
  for (const std::string& arguments : {"--render " + out, std::string("--window"),
                                      std::string("--frobnicate")}) {
    SCOPED_TRACE(arguments);
    Saver saver(arguments);
    ASSERT_TRUE(saver.started());
    EXPECT_TRUE(pump_until([&] { return saver.exit_code().has_value(); }, 30000));
    EXPECT_EQ(saver.exit_code(), 2u);
  }
}

}  // namespace
