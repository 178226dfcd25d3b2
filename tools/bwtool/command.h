// bwtool's sub-commands. Each cmd_*.cpp file registers its commands with a static
// CommandRegistration; main() dispatches on the first argument.
#pragma once

#include <span>
#include <string_view>

namespace bwtool {

// A sub-command: receives the arguments after its own name, returns the exit status.
using CommandFn = int (*)(std::span<char* const> args);

// Registers one sub-command. The name is the word after "bwtool" ("asset"), or that word
// and the next ("fx render"), so that related commands can live in separate files; the
// longer name wins. The function receives the arguments after the whole name.
struct CommandRegistration {
  // name: one or two words; usage: lines printed by "bwtool --help", each ending in \n.
  CommandRegistration(std::string_view name, std::string_view usage, CommandFn run);
};

// Exit status for a command line that bwtool cannot make sense of.
inline constexpr int kUsageError = 2;

}  // namespace bwtool
