// The saver's diagnostics as it installs them: messages of every layer land in the log
// under the user's local application data, which never grows past its limit.
#include "host/win32/saver_log.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "assets/asset_pack.h"
#include "assets/installation.h"
#include "platform/diagnostics.h"

namespace bw::host {
namespace {

namespace fs = std::filesystem;

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The saver's log installed with `limit`, in a local application data folder of the test's
// own; the previous sink and folder come back at the end.
class SaverLog : public testing::Test {
 protected:
  void SetUp() override {
    const std::string appdata = std::string(BW_TEST_TMPDIR) + "\\appdata";
    fs::remove_all(appdata);
    fs::create_directories(appdata);
    char old[MAX_PATH] = {};
    if (GetEnvironmentVariableA("LOCALAPPDATA", old, MAX_PATH) > 0) old_appdata_ = old;
    SetEnvironmentVariableA("LOCALAPPDATA", appdata.c_str());
    log_ = appdata + "\\Brushwright\\brushwright.log";
  }
  void TearDown() override {
    diag::install_sink({});
    SetEnvironmentVariableA("LOCALAPPDATA", old_appdata_.empty() ? nullptr : old_appdata_.c_str());
  }

  std::string log_;

 private:
  std::string old_appdata_;
};

// The log's text with the time taken off the front of every line; a line without one
// shows as "(no time)".
std::string without_times(const std::string& log) {
  std::string out;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    end = end == std::string::npos ? log.size() : end + 1;
    const std::string line = log.substr(start, end - start);
    // "2026-12-11 07:48:17.123 ": digits and separators in fixed places.
    const std::string shape = "dddd-dd-dd dd:dd:dd.ddd ";
    bool timed = line.size() > shape.size();
    for (size_t i = 0; timed && i < shape.size(); ++i)
      timed = shape[i] == 'd' ? (line[i] >= '0' && line[i] <= '9') : line[i] == shape[i];
    out += timed ? line.substr(shape.size()) : "(no time)" + line;
    start = end;
  }
  return out;
}

TEST_F(SaverLog, ADamagedStoreIsSaidInTheLog) {
  install_saver_log();
  EXPECT_EQ(saver_log_path(), log_);
  const std::string install = std::string(BW_TEST_TMPDIR) + "\\damaged";
  fs::remove_all(install);
  std::string error;
  ASSERT_TRUE(assets::write_asset_store(install + "/data/Base3", {{"a", {'1'}}}, &error)) << error;
  fs::resize_file(install + "/data/Base3/Main", 0);
  assets::Installation installation(install);
  EXPECT_FALSE(installation.fetch_asset("a").has_value());
  diag::say("brushwright: a later line");
  // The store's path is written with the separator of the folder it lies in.
  EXPECT_EQ(without_times(read_text(log_)), "fetch_asset(): the asset store \"" + install +
                                 "\\data\\Base3\" is damaged: \"Main\" holds no records\r\n"
                                 "brushwright: a later line\r\n");
}

// The debugger's output, read as debug-output viewers read it when no debugger is
// attached: through the shared buffer "DBWIN_BUFFER" (the writer's process id, then the
// text) and its two events.
TEST_F(SaverLog, MessagesGoToTheDebuggerOutputToo) {
  constexpr DWORD kBufferSize = 4096;
  HANDLE buffer_ready = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
  HANDLE data_ready = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      kBufferSize, "DBWIN_BUFFER");
  ASSERT_TRUE(buffer_ready && data_ready && mapping);
  const auto* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
  ASSERT_NE(view, nullptr);
  install_saver_log();
  std::string seen;
  SetEvent(buffer_ready);
  diag::message("Texture::load(): unknown format of \"%s\" file", "x.bmp");
  // Another program may write in between: its texts are passed over.
  for (int i = 0; i < 10 && seen.empty(); ++i) {
    if (WaitForSingleObject(data_ready, 5000) != WAIT_OBJECT_0) break;
    DWORD writer = 0;
    std::memcpy(&writer, view, sizeof writer);
    if (writer == GetCurrentProcessId()) seen = view + sizeof writer;
    SetEvent(buffer_ready);
  }
  EXPECT_EQ(seen, "Texture::load(): unknown format of \"x.bmp\" file\n");
  EXPECT_NE(read_text(log_).find(seen.substr(0, seen.size() - 1) + "\r\n"), std::string::npos);
  UnmapViewOfFile(view);
  CloseHandle(mapping);
  CloseHandle(data_ready);
  CloseHandle(buffer_ready);
}

// Appending past the limit drops the oldest whole lines; a line longer than half the
// limit is cut, and a log without line ends (not ours) is dropped whole.
TEST_F(SaverLog, StaysWithinItsLimit) {
  constexpr std::uintmax_t kLimit = 4096;
  fs::create_directories(fs::path(log_).parent_path());
  std::ofstream(log_, std::ios::binary) << std::string(10000, 'o');
  install_saver_log(kLimit);
  std::string last;
  for (int i = 0; i < 300; ++i) {
    last = "line " + std::to_string(i) + std::string(40, '.');
    diag::message("%s", last.c_str());
    ASSERT_LE(fs::file_size(log_), kLimit) << i;
  }
  std::string log = read_text(log_);
  EXPECT_EQ(log.find('o'), std::string::npos);
  // It starts with a whole line, and every line has its time.
  EXPECT_EQ(without_times(log).rfind("line ", 0), 0u) << log.substr(0, 80);
  EXPECT_EQ(without_times(log).find("(no time)"), std::string::npos);
  EXPECT_EQ(log.substr(log.size() - last.size() - 2), last + "\r\n");
  EXPECT_GT(log.size(), kLimit / 2);  // the newest half is kept

  diag::say(std::string(3 * kLimit, 'x'));
  log = read_text(log_);
  EXPECT_LE(log.size(), kLimit);
  EXPECT_EQ(log.substr(log.size() - 4), "xx\r\n");
}

}  // namespace
}  // namespace bw::host
