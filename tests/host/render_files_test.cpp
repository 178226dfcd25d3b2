// The files of a headless render: each appears whole or not at all, whatever stops the run
// (a full disk, a signal), and what a killed run left half written goes at the next one.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <utility>

#include "program_runner.h"

namespace bw::host {
namespace {
namespace fs = std::filesystem;
using testing::slurp;

class RenderFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::path(BW_TEST_TMPDIR) /
           ("files-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(root);
    fs::create_directories(root / "out");
  }
  // Names in the output folder that are neither finished pictures nor the sheet.
  std::vector<std::string> leftovers() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(root / "out")) {
      const std::string name = entry.path().filename().string();
      if (name.find(".tmp") != std::string::npos || name.find(".part") != std::string::npos)
        found.push_back(name);
    }
    return found;
  }
  fs::path root;
};

// Each stop signal, arriving while pictures are painted and written, ends the run by that
// signal, with the pictures finished so far whole and nothing half written left behind.
TEST_F(RenderFiles, StopSignalsLeaveNoPartialFile) {
  rlimit no_core{0, 0};
  rlimit saved{};
  getrlimit(RLIMIT_CORE, &saved);
  setrlimit(RLIMIT_CORE, &no_core);  // SIGQUIT's default action would dump one
  for (int signal : {SIGHUP, SIGQUIT, SIGINT, SIGTERM}) {
    fs::remove_all(root / "out");
    auto child = testing::start_saver({"--render", (root / "out").string(), "--pictures", "50",
                                       "--size", "320x200", "--seed", "3"},
                                      root.string());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (slurp(child.out_file).find("built in") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(slurp(child.out_file).find("built in"), std::string::npos) << slurp(child.err_file);
    ::kill(child.pid, signal);
    const int status = testing::wait_for(child, 60);
    if (status < 0) testing::kill_child(child);
    EXPECT_EQ(child.end_signal, signal) << strsignal(signal) << ": " << slurp(child.err_file);
    EXPECT_EQ(leftovers(), std::vector<std::string>{}) << strsignal(signal);
    EXPECT_TRUE(fs::exists(root / "out" / "picture-001.png")) << strsignal(signal);
    EXPECT_FALSE(fs::exists(root / "out" / "contact-sheet.png")) << strsignal(signal);
  }
  setrlimit(RLIMIT_CORE, &saved);
}

// Runs the saver with `args` while files may grow to 16 KB only (a disk that fills);
// returns its exit status and standard error.
std::pair<int, std::string> render_on_full_disk(const std::vector<std::string>& args,
                                                const fs::path& root) {
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);  // the child inherits it
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 16 * 1024;
  setrlimit(RLIMIT_FSIZE, &small);
  auto child = testing::start_saver(args, root.string());
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  const int status = testing::wait_for(child, 240);
  if (status < 0) testing::kill_child(child);
  return {status, slurp(child.err_file)};
}

// A disk that fills: the run ends with the system's reason, the picture it could not write
// is not there in part, and the one of an earlier run stays.
TEST_F(RenderFiles, AFullDiskLeavesNoTruncatedPictureAndSaysWhy) {
  std::ofstream(root / "out" / "picture-001.png") << "an earlier picture";
  const auto [status, err] = render_on_full_disk(
      {"--render", (root / "out").string(), "--pictures", "2", "--size", "320x200", "--seed",
       "3"},
      root);
  EXPECT_EQ(status, 1) << err;
  EXPECT_EQ(err, "brushwright: cannot write \"" + (root / "out" / "picture-001.png").string() +
                     "\": " + std::strerror(EFBIG) + "\n");
  EXPECT_EQ(slurp((root / "out" / "picture-001.png").string()), "an earlier picture");
  EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

// The frames of a film are written beside the painting as the pictures are: the first
// frame that does not fit ends the run with one line naming it, and leaves no part of it.
TEST_F(RenderFiles, AFullDiskEndsAFilmWithOneLineAndNoPartialFrame) {
  const auto [status, err] = render_on_full_disk(
      {"--render", (root / "out").string(), "--pictures", "1", "--size", "320x200", "--seed",
       "3", "--frames"},
      root);
  EXPECT_EQ(status, 1) << err;
  const std::string head = "brushwright: cannot write \"" + (root / "out").string() + "/frame-";
  const std::string tail = ".png\": " + std::string(std::strerror(EFBIG)) + "\n";
  EXPECT_EQ(err.rfind(head, 0), 0u) << err;
  EXPECT_TRUE(err.size() > tail.size() &&
              err.compare(err.size() - tail.size(), tail.size(), tail) == 0)
      << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(leftovers(), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(root / "out" / "contact-sheet.png"));
}

// Temporaries a killed run left (named by a process that no longer runs) go at the next
// render into that folder.
TEST_F(RenderFiles, TemporariesOfAKilledRunGoAtTheNextOne) {
  const pid_t ended = fork();
  if (ended == 0) _exit(0);
  int ignored = 0;
  waitpid(ended, &ignored, 0);
  const std::string stale = "picture-007.png.tmp" + std::to_string(ended);
  std::ofstream(root / "out" / stale) << "half";
  auto child = testing::start_saver({"--render", (root / "out").string(), "--pictures", "1",
                                     "--size", "96x60", "--seed", "3"},
                                    root.string());
  ASSERT_EQ(testing::wait_for(child, 240), 0) << slurp(child.err_file);
  EXPECT_FALSE(fs::exists(root / "out" / stale));
  EXPECT_TRUE(fs::exists(root / "out" / "picture-001.png"));
  EXPECT_TRUE(fs::exists(root / "out" / "contact-sheet.png"));
}

}  // namespace
}  // namespace bw::host
