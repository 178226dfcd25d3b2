// artgen: writes the procedurally generated images of the default pictures.
//
//   artgen [--seed N] [--colours N] [--factures N] [--forms N] OUT_DIR
//
// The same options always write the same bytes.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "generate.h"

namespace {

constexpr const char* kUsage =
    "usage: artgen [--seed N] [--colours N] [--factures N] [--forms N] OUT_DIR\n"
    "  --seed N      seed of every image (0..4294967295, default 1)\n"
    "  --colours N   number of colour images (1..999, default 96)\n"
    "  --factures N  number of factures (1..999, default 32)\n"
    "  --forms N     number of form images (1..999, default 8)\n";

bool parse_number(std::string_view text, unsigned long long max, unsigned long long& value) {
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && value <= max;
}

int usage_error(const std::string& message) {
  std::fprintf(stderr, "artgen: %s\n", message.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  bw::artgen::Options options;
  bool have_out = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--seed" || arg == "--colours" || arg == "--factures" || arg == "--forms") {
      if (i + 1 >= argc) return usage_error(std::string(arg) + " needs a value");
      std::string_view text = argv[++i];
      unsigned long long value = 0;
      const bool is_seed = arg == "--seed";
      if (!parse_number(text, is_seed ? 0xffffffffULL : 999ULL, value) || (!is_seed && value == 0)) {
        return usage_error("bad value \"" + std::string(text) + "\" for " + std::string(arg));
      }
      if (is_seed) options.seed = static_cast<std::uint32_t>(value);
      if (arg == "--colours") options.colours = static_cast<int>(value);
      if (arg == "--factures") options.factures = static_cast<int>(value);
      if (arg == "--forms") options.forms = static_cast<int>(value);
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') return usage_error("unknown option \"" + std::string(arg) + "\"");
    if (have_out) return usage_error("more than one output folder (\"" + std::string(arg) + "\")");
    options.out = std::string(arg);
    have_out = true;
  }
  if (!have_out) return usage_error("no output folder given");
  if (std::string error = bw::artgen::generate(options); !error.empty()) {
    std::fprintf(stderr, "artgen: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
