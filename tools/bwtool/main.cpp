// bwtool: the companion tool for people who make and inspect pictures.
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "command.h"
#include "platform/diagnostics.h"
#include "platform/file.h"

namespace bwtool {
namespace {

struct Command {
  std::string usage;
  CommandFn run;
};

// Filled by static registrations before main() runs.
std::map<std::string, Command, std::less<>>& commands() {
  static std::map<std::string, Command, std::less<>> table;
  return table;
}

void print_help(std::FILE* out) {
  std::fputs(
      "usage: bwtool COMMAND [ARGS...]\n"
      "\n"
      "Packs and inspects record stores, assembles and renders effects, decodes images.\n"
      "\n"
      "Commands:\n",
      out);
  for (const auto& [name, command] : commands()) std::fputs(command.usage.c_str(), out);
  std::fputs(
      "\n"
      "  --help                  print this help\n"
      "Exit status: 0 on success, 1 when the work failed, 2 for a bad command line.\n",
      out);
}

}  // namespace

CommandRegistration::CommandRegistration(std::string_view name, std::string_view usage,
                                         CommandFn run) {
  commands().emplace(std::string(name), Command{std::string(usage), run});
}

// Runs the command that argv names; returns its exit status.
int run(int argc, char** argv) {
  if (argc < 2) {
    print_help(stderr);
    return kUsageError;
  }
  const std::string_view name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    print_help(stdout);
    return 0;
  }
  int used = 1;
  auto found = commands().end();
  if (argc > 2) {
    found = commands().find(std::string(name) + " " + argv[2]);
    used = 2;
  }
  if (found == commands().end()) {
    found = commands().find(name);
    used = 1;
  }
  if (found == commands().end()) {
    std::fprintf(stderr, "bwtool: unknown command \"%s\" (see bwtool --help)\n", argv[1]);
    return kUsageError;
  }
  return found->second.run(
      std::span<char* const>(argv + 1 + used, static_cast<size_t>(argc - 1 - used)));
}

}  // namespace bwtool

int main(int argc, char** argv) {
  // Field values and images go to standard output as raw bytes.
  bw::platform::make_standard_output_binary();
  return bw::diag::finish_standard_output("bwtool", bwtool::run(argc, argv));
}
