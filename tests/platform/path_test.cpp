// Paths as text on this system: separators, roots, joining and taking apart, and the real
// name of a folder reached through "." or a link. Each case gives what POSIX and what
// Windows make of the same text.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/path.h"

namespace bw::platform {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

struct Expected {
  const char* posix;
  const char* windows;
  std::string get() const { return kWindows ? windows : posix; }
};

TEST(Path, RootsAndAbsolutePaths) {
  struct Case {
    const char* path;
    size_t root_posix, root_windows;
    bool absolute_posix, absolute_windows;
  } cases[] = {
      {"", 0, 0, false, false},
      {"data/Base3", 0, 0, false, false},
      {"/usr/share", 1, 1, true, false},  // Windows: the root of the current drive
      {"C:\\Program Files", 0, 3, false, true},
      {"C:/Tools", 0, 3, false, true},
      {"C:data\\Base1", 0, 2, false, false},  // the current folder of drive C
      {"\\\\server\\share\\data", 0, 15, false, true},
      {"\\data", 0, 1, false, false},
      {"data\\Base3", 0, 0, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(path_root_length(c.path), kWindows ? c.root_windows : c.root_posix) << c.path;
    EXPECT_EQ(is_absolute_path(c.path), kWindows ? c.absolute_windows : c.absolute_posix)
        << c.path;
  }
  EXPECT_TRUE(is_path_separator('/'));
  EXPECT_EQ(is_path_separator('\\'), kWindows);
}

TEST(Path, JoinKeepsTheFoldersSeparatorAndRootedNames) {
  struct Case {
    const char* dir;
    const char* name;
    Expected want;
  } cases[] = {
      {"data/Base3", "Main", {"data/Base3/Main", "data/Base3/Main"}},
      {"data/Base3/", "Main", {"data/Base3/Main", "data/Base3/Main"}},
      {"mystore", "Main", {"mystore/Main", "mystore/Main"}},
      {"C:\\Tools\\mystore", "Main", {"C:\\Tools\\mystore/Main", "C:\\Tools\\mystore\\Main"}},
      {"C:\\Tools\\data/Base3", "Main",
       {"C:\\Tools\\data/Base3/Main", "C:\\Tools\\data/Base3/Main"}},
      {"C:", "data", {"C:/data", "C:data"}},
      {"/", "Base1", {"/Base1", "/Base1"}},
      {"data", "/abs/file", {"/abs/file", "/abs/file"}},
      {"data", "C:\\abs", {"data/C:\\abs", "C:\\abs"}},
      {"", "Main", {"Main", "Main"}},
      {"data", "", {"data", "data"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(join_path(c.dir, c.name), c.want.get()) << c.dir << " + " << c.name;
}

// The data's own paths under an installation folder take that folder's separators, so a
// message names one path written one way.
TEST(Path, RelativePathTakesTheFoldersSeparators) {
  struct Case {
    const char* dir;
    const char* relative;
    Expected want;
  } cases[] = {
      {"C:\\Program Files\\Brushwright", "data/Base3",
       {"C:\\Program Files\\Brushwright/data/Base3",
        "C:\\Program Files\\Brushwright\\data\\Base3"}},
      {"C:\\Tools\\", "data/shaders/Tamsin/paint.bsf",
       {"C:\\Tools\\/data/shaders/Tamsin/paint.bsf",
        "C:\\Tools\\data\\shaders\\Tamsin\\paint.bsf"}},
      {"/opt/brushwright", "data/Base4", {"/opt/brushwright/data/Base4", "/opt/brushwright/data/Base4"}},
      {".", "data//Base1/", {"./data/Base1", "./data/Base1"}},
      {"", "data/Base", {"data/Base", "data/Base"}},
      {"install", "/abs/file", {"/abs/file", "/abs/file"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(join_relative_path(c.dir, c.relative), c.want.get()) << c.dir << " + " << c.relative;
}

TEST(Path, LastComponentAndParent) {
  struct Case {
    const char* path;
    Expected last;
    Expected parent;
  } cases[] = {
      {"data/Base3", {"Base3", "Base3"}, {"data", "data"}},
      {"data/Base3//", {"Base3", "Base3"}, {"data", "data"}},
      {"Base3", {"Base3", "Base3"}, {".", "."}},
      {".", {".", "."}, {".", "."}},
      {"/Base3", {"Base3", "Base3"}, {"/", "/"}},
      {"/", {"", ""}, {"/", "/"}},
      {"C:\\Program Files\\Brushwright\\data\\Base3",
       {"C:\\Program Files\\Brushwright\\data\\Base3", "Base3"},
       {".", "C:\\Program Files\\Brushwright\\data"}},
      {"C:\\Base3\\", {"C:\\Base3\\", "Base3"}, {".", "C:\\"}},
      {"C:data\\Base1", {"C:data\\Base1", "Base1"}, {".", "C:data"}},
      {"C:Base1", {"C:Base1", "Base1"}, {".", "C:"}},
      {".\\data\\Base3", {".\\data\\Base3", "Base3"}, {".", ".\\data"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(last_path_component(c.path), c.last.get()) << c.path;
    EXPECT_EQ(parent_path(c.path), c.parent.get()) << c.path;
  }
}

TEST(Path, RealFolderNameLooksThroughDotsAndLinks) {
  const fs::path base = fs::path(BW_TEST_TMPDIR) / "path_names";
  fs::create_directories(base / "Base3");
  const std::string store = (base / "Base3").string();
  EXPECT_EQ(real_folder_name(store), "Base3");
  EXPECT_EQ(real_folder_name(store + "/"), "Base3");
  EXPECT_EQ(real_folder_name(store + "/."), "Base3");
  EXPECT_EQ(real_folder_name(store + "/../Base3"), "Base3");
  // A folder that is not there yet keeps the name it is given.
  EXPECT_EQ(real_folder_name((base / "Base9").string()), "Base9");
  std::error_code error;
  fs::create_directory_symlink(base / "Base3", base / "elsewhere", error);
  if (error) GTEST_SKIP() << "no symbolic links here: " << error.message();
  EXPECT_EQ(real_folder_name((base / "elsewhere").string()), "Base3");
}

}  // namespace
}  // namespace bw::platform
