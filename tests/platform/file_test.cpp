// The file seam: exact bytes both ways, regular files only, device names and pipes refused
// without blocking, UTF-8 paths, files that may be removed while open, the environment.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bw::platform {
namespace {

namespace fs = std::filesystem;

std::string scratch(const std::string& name) {
  const std::string dir = std::string(BW_TEST_TMPDIR) + "/platform";
  fs::create_directories(dir);
  return dir + "/" + name;
}

// Bytes that a text-mode C runtime would change: CR LF, a lone LF, Ctrl-Z, NULs.
const std::vector<uint8_t> kAwkwardBytes = {'a', '\r', '\n', 'b', '\n', 0x1a, 0, 'c', 0xff, '\r'};

TEST(DeviceNames, WindowsDeviceNamesAndPrefixes) {
  struct Case {
    const char* path;
    bool device;
  } cases[] = {
      {"NUL", true},          {"nul.txt", true},           {"CON", true},
      {"aux", true},          {"PRN.log.old", true},       {"COM1", true},
      {"lpt9.dat", true},     {"data/Base/NUL", true},     {"C:\\store\\com3.bin", true},
      {"C:NUL", true},        {"NUL ", true},              {"con .txt", true},
      {"COM1:", true},        {"CONIN$", true},            {"conout$.x", true},
      {"Base/AUX/Main", true}, {"\\\\.\\pipe\\store", true}, {"//./COM1", true},
      {"\\\\?\\pipe\\store", true}, {"\\\\.\\C:\\x", true},  {"\\\\?\\GLOBALROOT\\x", true},
      {"COM0", false},        {"COM10", false},            {"LPT", false},
      {"console.txt", false}, {"nullable", false},         {"data/Base/Main", false},
      {"CONNECT/NUL1", false}, {"/usr/local/lib/.weight", false}, {"", false},
      {"\\\\?\\C:\\store\\Main", false}, {"\\\\?\\UNC\\host\\share\\Main", false},
      {"\\\\host\\share\\Main", false}, {"a.NUL", false},
  };
  for (const Case& c : cases) EXPECT_EQ(names_windows_device(c.path), c.device) << c.path;
}

TEST(File, BytesArriveExactlyBothWays) {
  const std::string path = scratch("awkward.bin");
  ASSERT_TRUE(write_file(path, kAwkwardBytes));
  EXPECT_EQ(read_file(path, 1024), kAwkwardBytes);
  EXPECT_EQ(read_file(path, kAwkwardBytes.size() - 1), std::nullopt);  // larger than allowed

  File file = File::open(path, FileAccess::read_write);
  ASSERT_TRUE(file.is_open());
  EXPECT_EQ(file.size(), static_cast<int64_t>(kAwkwardBytes.size()));
  uint8_t two[2] = {};
  EXPECT_EQ(file.read_at(5, two, 2), 2);
  EXPECT_EQ(two[0], 0x1a);
  EXPECT_EQ(file.read_at(static_cast<int64_t>(kAwkwardBytes.size()), two, 2), 0);  // the end
  EXPECT_EQ(file.read_at(-1, two, 2), -1);
  const uint8_t crlf[2] = {'\r', '\n'};
  EXPECT_EQ(file.write_at(12, crlf, 2), 2);  // past the end: the file grows, with a gap
  EXPECT_EQ(file.size(), 14);
  std::vector<uint8_t> all(20, 0xee);
  EXPECT_EQ(file.read_fully_at(0, all.data(), all.size()), 14u);
  EXPECT_EQ(std::vector<uint8_t>(all.begin() + 10, all.begin() + 14),
            (std::vector<uint8_t>{0, 0, '\r', '\n'}));

  // The C streams are binary too.
  std::FILE* in = open_for_reading(path);
  ASSERT_NE(in, nullptr);
  std::vector<uint8_t> streamed(32);
  streamed.resize(std::fread(streamed.data(), 1, streamed.size(), in));
  std::fclose(in);
  EXPECT_EQ(streamed.size(), 14u);
  EXPECT_EQ(std::vector<uint8_t>(streamed.begin(), streamed.begin() + 10), kAwkwardBytes);
}

TEST(File, OnlyRegularFilesOpen) {
  const std::string dir = scratch("a_folder");
  ASSERT_TRUE(make_directory(dir));
  EXPECT_TRUE(make_directory(dir));  // already there
  std::vector<std::string> refused = {dir, scratch("missing.bin")};
#ifndef _WIN32
  const std::string fifo = scratch("fifo");
  ::unlink(fifo.c_str());
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  refused.push_back(fifo);  // no writer: a blocking open would never return
#endif
  for (const std::string& path : refused) {
    EXPECT_FALSE(File::open(path, FileAccess::read_only).is_open()) << path;
    EXPECT_FALSE(File::open(path, FileAccess::read_write).is_open()) << path;
    EXPECT_EQ(read_file(path, 1024), std::nullopt) << path;
    EXPECT_EQ(open_for_reading(path), nullptr) << path;
  }
  EXPECT_TRUE(file_exists(dir));
  EXPECT_FALSE(file_exists(scratch("missing.bin")));
  EXPECT_FALSE(remove_file(scratch("missing.bin")));
}

// Names outside ASCII reach the system as the same characters, so other programs (and
// std::filesystem's own wide calls) see the name that was meant.
TEST(File, Utf8PathsNameTheRightFile) {
  const std::string dir = scratch("B\xc3\xa4nke");                  // "Bänke"
  const std::string path = dir + "/\xc3\x9c" "ber \xe2\x82\xac.bin";   // "Über €.bin"
  ASSERT_TRUE(make_directory(dir));
  ASSERT_TRUE(write_file(path, kAwkwardBytes));
  EXPECT_TRUE(file_exists(path));
  EXPECT_TRUE(file_writable(path));
  EXPECT_EQ(read_file(path, 1024), kAwkwardBytes);
  const fs::path wide = fs::path(std::u8string(path.begin(), path.end()));
  EXPECT_TRUE(fs::is_regular_file(wide));
  EXPECT_EQ(fs::file_size(wide), kAwkwardBytes.size());
  EXPECT_TRUE(remove_file(path));
  EXPECT_FALSE(fs::exists(wide));
}

// A store may be rebuilt or cleared while a reader holds its files open.
TEST(File, OpenFilesMayBeReplacedAndRemoved) {
  const std::string path = scratch("held.bin");
  ASSERT_TRUE(write_file(path, kAwkwardBytes));
  File held = File::open(path, FileAccess::read_only);
  ASSERT_TRUE(held.is_open());
  ASSERT_TRUE(write_file(path, {'n', 'e', 'w'}));
  EXPECT_EQ(held.size(), 3);
  EXPECT_TRUE(remove_file(path));
  // Windows may keep the name until the last handle goes.
  held.close();
  EXPECT_FALSE(file_exists(path));
}

TEST(Environment, SetEmptyAndAbsentVariables) {
#ifdef _WIN32
  // Set in the process environment only: the C runtime's copy does not see it.
  auto set = [](const char* name, const char* value) { SetEnvironmentVariableA(name, value); };
#else
  auto set = [](const char* name, const char* value) {
    if (value == nullptr) ::unsetenv(name);
    else ::setenv(name, value, 1);
  };
#endif
  set("BW_PLATFORM_TEST", "US/Pacific");
  EXPECT_EQ(environment_variable("BW_PLATFORM_TEST"), "US/Pacific");
  set("BW_PLATFORM_TEST", "");
  EXPECT_EQ(environment_variable("BW_PLATFORM_TEST"), "");
  set("BW_PLATFORM_TEST", std::string(300, 'x').c_str());
  EXPECT_EQ(environment_variable("BW_PLATFORM_TEST"), std::string(300, 'x'));
  set("BW_PLATFORM_TEST", nullptr);
  EXPECT_EQ(environment_variable("BW_PLATFORM_TEST"), std::nullopt);
}

#ifdef _WIN32
// Device names and device or pipe paths never reach the system: each way in refuses them
// at once, with one line naming the path.
TEST(File, DevicesAndPipesAreRefusedWithAMessage) {
  // A pipe that exists, with no client: opening it as a file must not wait for it.
  const std::string pipe_name = "\\\\.\\pipe\\bw_platform_test_" + std::to_string(GetCurrentProcessId());
  HANDLE pipe = CreateNamedPipeA(pipe_name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 64, 64,
                                 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  const std::string folder = scratch("devices");
  ASSERT_TRUE(make_directory(folder));
  const std::string paths[] = {"NUL", "con", "nul.txt", folder + "/COM1", folder + "\\LPT1.log",
                               "CONIN$", pipe_name, "\\\\?\\pipe\\bw_platform_test", "//./NUL"};
  for (const std::string& path : paths) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(File::open(path, FileAccess::read_only).is_open()) << path;
    EXPECT_EQ(read_file(path, 1024), std::nullopt) << path;
    EXPECT_EQ(open_for_reading(path), nullptr) << path;
    EXPECT_EQ(create_for_writing(path), nullptr) << path;
    EXPECT_FALSE(file_exists(path)) << path;
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("\"" + path + "\" names a device or a pipe, not a file\n"),
              std::string::npos)
        << said;
  }
  CloseHandle(pipe);
  // A name that only looks like one is an ordinary file.
  EXPECT_TRUE(write_file(folder + "/COM10.txt", kAwkwardBytes));
  EXPECT_EQ(read_file(folder + "/COM10.txt", 1024), kAwkwardBytes);
}
#endif

}  // namespace
}  // namespace bw::platform
