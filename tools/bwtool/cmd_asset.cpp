// bwtool asset: the bytes the saver would fetch for one asset path.
#include <cstdio>

#include "assets/installation.h"
#include "command.h"

namespace bwtool {
namespace {

int run_asset(std::span<char* const> args) {
  if (args.size() != 2) {
    std::fputs("usage: bwtool asset INSTALL_DIR RELPATH\n", stderr);
    return kUsageError;
  }
  bw::assets::Installation installation(args[0]);
  const auto bytes = installation.fetch_asset(args[1]);
  if (!bytes) return 1;  // the fetch has said why
  if ((!bytes->empty() && std::fwrite(bytes->data(), 1, bytes->size(), stdout) != bytes->size()) ||
      std::fflush(stdout) != 0) {
    std::fputs("bwtool asset: cannot write to standard output\n", stderr);
    return 1;
  }
  return 0;
}

const CommandRegistration asset(
    "asset",
    "  asset INSTALL_DIR RELPATH\n"
    "                          write the asset's bytes (from data/Base3 or a plain file)\n",
    &run_asset);

}  // namespace
}  // namespace bwtool
