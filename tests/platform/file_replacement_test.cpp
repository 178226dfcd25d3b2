// Files written through a temporary: whole or not at all, the system's reason on failure,
// and stale temporaries of dead processes recognised and removed.
#include "platform/file_replacement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace bw::platform {
namespace {
namespace fs = std::filesystem;

fs::path fresh(const std::string& name) {
  const fs::path dir = fs::path(BW_TEST_TMPDIR) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::string slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool write_and_commit(FileReplacement& file, const std::string& path, const std::string& text,
                      std::string* reason) {
  if (!file.open(path, reason)) return false;
  file.write(text.data(), text.size());
  return file.commit(reason);
}

TEST(FileReplacement, AppearsWholeOnCommitAndNotAtAllOtherwise) {
  const fs::path dir = fresh("replace_whole");
  const std::string path = (dir / "a.png").string();
  std::string reason;
  FileReplacement first;
  ASSERT_TRUE(write_and_commit(first, path, "one", &reason)) << reason;
  EXPECT_EQ(slurp(path), "one");
  {
    FileReplacement second;
    ASSERT_TRUE(second.open(path, &reason)) << reason;
    std::fputs("two, unfinished", second.stream());
    EXPECT_EQ(names_in(dir), (std::vector<std::string>{"a.png", fs::path(second.temporary()).filename().string()}));
  }  // dropped before commit: the temporary goes, the old file stays
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"a.png"});
  EXPECT_EQ(slurp(path), "one");
  FileReplacement third;
  ASSERT_TRUE(write_and_commit(third, path, "three", &reason)) << reason;
  EXPECT_EQ(slurp(path), "three");

  // A folder that does not exist: the system's reason.
  FileReplacement nowhere;
  EXPECT_FALSE(nowhere.open((dir / "missing" / "b.png").string(), &reason));
  EXPECT_EQ(reason, std::strerror(ENOENT));
}

#ifndef _WIN32
// A write that the system refuses half-way (here a file size limit, as a full disk would)
// leaves the old file and no temporary, and says why.
TEST(FileReplacement, AFailedWriteLeavesTheOldFileAndTheReason) {
  const fs::path dir = fresh("replace_full");
  const std::string path = (dir / "a.png").string();
  std::ofstream(path) << "old";
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  FileReplacement file;
  std::string reason;
  const bool written = write_and_commit(file, path, std::string(64 * 1024, 'x'), &reason);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_EQ(reason, std::strerror(EFBIG));
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"a.png"});
  EXPECT_EQ(slurp(path), "old");
}

// The id of a process that has ended.
pid_t ended_process() {
  const pid_t child = fork();
  if (child == 0) _exit(0);
  int status = 0;
  waitpid(child, &status, 0);
  return child;
}

TEST(FileReplacement, StaleTemporariesOfOurNamingGoAtTheNextSave) {
  const fs::path dir = fresh("replace_stale");
  const std::string dead = std::to_string(ended_process());
  const std::string alive = std::to_string(getppid());
  const std::string own = std::to_string(getpid());
  const std::vector<std::string> stay = {
      "picture-002.png.tmp" + alive,  // its writer still runs
      "picture-003.png.tmp" + own,    // this process writes it
      "notes.txt.tmp" + dead,         // not ours: another extension
      "picture-004.png.tmpx" + dead,  // not a process id
      "picture-005.png",
  };
  std::ofstream(dir / ("picture-001.png.tmp" + dead)) << "half";
  std::ofstream(dir / ("contact-sheet.png.tmp" + dead)) << "half";
  for (const auto& name : stay) std::ofstream(dir / name) << "x";
  fs::create_directory(dir / ("folder.png.tmp" + dead));  // only files are removed
  EXPECT_EQ(remove_stale_temporaries(dir.string(), ".png"), 2);
  std::vector<std::string> expected = stay;
  expected.push_back("folder.png.tmp" + dead);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names_in(dir), expected);
  EXPECT_EQ(remove_stale_temporaries((dir / "missing").string(), ".png"), 0);
}
#endif

}  // namespace
}  // namespace bw::platform
