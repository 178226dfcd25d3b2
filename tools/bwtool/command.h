// bwtool's sub-commands. Each cmd_*.cpp file registers its commands with a static
// CommandRegistration; main() dispatches on the first argument.
#pragma once

#include <span>
#include <string_view>

namespace bwtool {

// A sub-command: receives the arguments after its own name, returns the exit status.
using CommandFn = int (*)(std::span<char* const> args);

// Registers one top-level sub-command (for example "store" or "fx").
struct CommandRegistration {
  // name: the word after "bwtool"; usage: lines printed by "bwtool --help".
  CommandRegistration(std::string_view name, std::string_view usage, CommandFn run);
};

// Exit status for a command line that bwtool cannot make sense of.
inline constexpr int kUsageError = 2;

}  // namespace bwtool
