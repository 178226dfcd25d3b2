// bwtool store find: one record lookup, printing the lookup's integer result.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "command.h"
#include "store/field_path.h"
#include "store/record_store.h"
#include "store/store_cursor.h"

namespace bwtool {
namespace {

bool parse_int(const char* text, int& out) {
  char* end = nullptr;
  errno = 0;
  const long v = std::strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0' || v < INT_MIN || v > INT_MAX) return false;
  out = static_cast<int>(v);
  return true;
}

// The number bwtool prints for a lookup: the record found, or 0 (no index), -1 (not
// found), -2 (damaged index).
int printed_number(const bw::store::FindResult& result) {
  switch (result.status) {
    case bw::store::FindStatus::found: return result.record;
    case bw::store::FindStatus::no_index: return 0;
    case bw::store::FindStatus::not_found: return -1;
    case bw::store::FindStatus::damaged: return -2;
  }
  return -1;
}

int run_find(std::span<char* const> args) {
  static const char* const kUsage =
      "usage: bwtool store find DIR FIELDPATH KEY [--mode M] [--step S]\n";
  if (args.size() < 3) {
    std::fputs(kUsage, stderr);
    return kUsageError;
  }
  int mode = 0;
  int step = 1;
  for (size_t i = 3; i < args.size(); ++i) {
    const bool is_mode = std::strcmp(args[i], "--mode") == 0;
    const bool is_step = std::strcmp(args[i], "--step") == 0;
    if ((!is_mode && !is_step) || i + 1 >= args.size() ||
        !parse_int(args[i + 1], is_mode ? mode : step)) {
      std::fputs(kUsage, stderr);
      return kUsageError;
    }
    ++i;
  }
  if (mode < -1 || mode > 2) {
    std::fprintf(stderr, "bwtool store find: mode %d is not one of -1, 0, 1, 2\n", mode);
    return kUsageError;
  }
  bw::store::OpenFailure failure{};
  auto store = bw::store::RecordStore::open(args[0], failure);
  if (!store) {
    std::fprintf(stderr, "bwtool store find: cannot open store \"%s\" (code %d)\n", args[0],
                 static_cast<int>(failure));
    return 1;
  }
  bw::store::FieldPath path;
  int field = 0;
  if (parse_int(args[1], field) && field > 0) {
    path = bw::store::FieldPath::of(field);
  } else if (!bw::store::parse_field_path(args[1], path, store.get())) {
    std::fprintf(stderr, "bwtool store find: \"%s\" is not a field path\n", args[1]);
    return kUsageError;
  }
  bw::store::StoreCursor cursor(store.get(), step);
  const auto result = cursor.find(path, args[2], static_cast<bw::store::FindMode>(mode));
  std::printf("%d\n", printed_number(result));
  return 0;
}

const CommandRegistration find(
    "store find",
    "  store find DIR FIELDPATH KEY [--mode M] [--step S]\n"
    "                          look a record up by an indexed field; prints the record\n"
    "                          number, 0 (no index), -1 (not found) or -2 (damaged index)\n",
    &run_find);

}  // namespace
}  // namespace bwtool
