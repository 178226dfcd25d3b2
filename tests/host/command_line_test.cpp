#include "host/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace bw::host {
namespace {

std::vector<std::string> split(std::string line) {
  ArgumentVector args = split_command_line(line.data());
  std::vector<std::string> out;
  for (int i = 1; i < args.count; ++i) out.emplace_back(args.slot[i]);
  return out;
}

TEST(SplitCommandLine, SeparatorsIncludeControlAndHighBytes) {
  struct Case {
    std::string line;
    std::vector<std::string> expected;
  } cases[] = {
      {"", {}},
      {"   \t ", {}},
      {"/s", {"/s"}},
      {"  /p   1234  ", {"/p", "1234"}},
      {"a\tb\nc\x01" "d", {"a", "b", "c", "d"}},
      {"ab\x80" "cd", {"ab", "cd"}},          // 0x80 splits an argument
      {"x\xff" "y\xc3\xa9z", {"x", "y", "z"}},  // so does every byte up to 0xFF
      {"\x7f", {"\x7f"}},                       // 0x7F is positive: not a separator
      {"!", {"!"}},                             // 33 is the first non-separator
  };
  for (const auto& c : cases) EXPECT_EQ(split(c.line), c.expected) << c.line;
}

TEST(SplitCommandLine, KeepsOnlyTheFirst255Arguments) {
  std::string line;
  for (int i = 0; i < 300; ++i) line += std::to_string(i) + " ";
  const auto args = split(line);
  ASSERT_EQ(args.size(), 255u);
  EXPECT_EQ(args.front(), "0");
  EXPECT_EQ(args.back(), "254");
}

TEST(SplitCommandLine, SplitsInPlace) {
  char line[] = "/c:12 rest";
  ArgumentVector args = split_command_line(line);
  ASSERT_EQ(args.count, 3);
  EXPECT_EQ(args.slot[0], nullptr);
  EXPECT_EQ(args.slot[1], line);
  EXPECT_EQ(args.slot[2], line + 6);
  EXPECT_EQ(line[5], '\0');
}

TEST(Atoi32, ReadsLikeTheCRuntime) {
  struct Case {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"", 0},           {"abc", 0},       {"35", 35},          {"  -12", -12},
      {"+7", 7},         {"12abc", 12},    {"\t\n 42", 42},     {"- 5", 0},
      {"2147483647", INT32_MAX},           {"2147483648", INT32_MAX},
      {"-2147483648", INT32_MIN},          {"-99999999999999999999", INT32_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(atoi32(c.text), c.expected) << c.text;
}

TEST(ChooseMode, TableOfCommandLines) {
  int finder_calls = 0;
  const PreviewToolFinder finder = [&] {
    ++finder_calls;
    return intptr_t{777};
  };
  struct Case {
    std::string line;
    Mode mode;
    intptr_t parent;
    int finder_calls;
  } cases[] = {
      {"", Mode::fullscreen, 0, 0},
      {"/s", Mode::fullscreen, 0, 0},
      {"/p 1234", Mode::preview, 1234, 0},
      {"/p scrprev", Mode::preview, 777, 1},
      {"/p ScrPrev", Mode::preview, 777, 1},
      {"/p SCRPREV", Mode::preview, 777, 1},
      {"/p SCRprev", Mode::fullscreen, 0, 0},  // atoi gives 0: full-screen
      {"/P 1234", Mode::fullscreen, 0, 0},     // upper case is not preview
      {"/p1234", Mode::fullscreen, 0, 0},      // more text in the argument is not either
      {"/p", Mode::fullscreen, 0, 0},          // no handle: 0, the full-screen saver
      {"/p 0", Mode::fullscreen, 0, 0},
      {"/p 12ab", Mode::preview, 12, 0},
      {"/c:5678", Mode::settings, 5678, 0},
      {"/c:", Mode::settings, 0, 0},
      {"/c:5678 /p 1", Mode::settings, 5678, 0},
      {"/c", Mode::fullscreen, 0, 0},
      {"/c 5678", Mode::fullscreen, 0, 0},
      {"/C:5678", Mode::fullscreen, 0, 0},
  };
  for (const auto& c : cases) {
    finder_calls = 0;
    std::string line = c.line;
    const ModeChoice choice = choose_mode(split_command_line(line.data()), finder);
    EXPECT_EQ(choice.mode, c.mode) << c.line;
    EXPECT_EQ(choice.parent, c.parent) << c.line;
    EXPECT_EQ(finder_calls, c.finder_calls) << c.line;
  }
}

TEST(ChooseMode, PreviewToolNotFoundGivesFullScreen) {
  std::string line = "/p scrprev";
  const ModeChoice choice =
      choose_mode(split_command_line(line.data()), [] { return intptr_t{0}; });
  EXPECT_EQ(choice.mode, Mode::fullscreen);
  EXPECT_EQ(choice.parent, 0);
}

}  // namespace
}  // namespace bw::host
