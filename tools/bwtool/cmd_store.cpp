// bwtool store info|count|read: inspecting a record store directory.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "command.h"
#include "store/field_path.h"
#include "store/record_store.h"
#include "store/store_links.h"

namespace bwtool {
namespace {

using bw::store::RecordStore;

std::unique_ptr<RecordStore> open_store(const char* dir) {
  bw::store::OpenFailure failure{};
  auto store = RecordStore::open(dir, failure);
  if (!store) {
    std::fprintf(stderr, "bwtool store: cannot open store \"%s\": %s (code %d)\n", dir,
                 bw::store::open_failure_text(failure), static_cast<int>(failure));
  }
  return store;
}

const char* encoding_name(const bw::store::Schema& s) {
  if (s.legacy_family) return "legacy";
  if (s.file_magic == bw::store::kMagicCompact) return "compact";
  return "native";
}

// Prints the fields of one table, numbering sub-fields "group.sub".
void print_table(const RecordStore& store, size_t first, size_t count, const std::string& prefix,
                 int depth) {
  const bw::store::Schema& s = store.schema();
  for (size_t i = 0; i < count; ++i) {
    const size_t index = first + i;
    const auto& d = s.fields[index];
    const auto& loc = store.location(index);
    const std::string number = prefix + std::to_string(i + 1);
    const std::string name(s.name(index));
    std::printf("field %s \"%s\" type %d flags 0x%02X size %d ", number.c_str(), name.c_str(),
                bw::store::type_byte(d.type), d.flags, d.size);
    if (loc.record_offset < 0)
      std::printf("bank Bank.%d\n", store.slot(static_cast<size_t>(loc.bank_slot)).bank_id());
    else
      std::printf("offset %lld\n", static_cast<long long>(loc.record_offset));
    if (d.type == bw::store::FieldType::group && depth < bw::store::kMaxGroupDepth)
      print_table(store, d.sub_first, d.sub_count, number + ".", depth + 1);
  }
}

int run_info(std::span<char* const> args) {
  if (args.size() != 1) {
    std::fputs("usage: bwtool store info DIR\n", stderr);
    return kUsageError;
  }
  auto store = open_store(args[0]);
  if (!store) return 1;
  const auto& s = store->schema();
  std::printf("encoding %s (magic 0x%08X)\n", encoding_name(s), s.file_magic);
  std::printf("fields %u\n", s.field_count);
  print_table(*store, 0, s.field_count, "", 0);
  std::printf("record size %d\n", store->record_size());
  std::printf("records %d\n", store->record_count());
  return 0;
}

int run_count(std::span<char* const> args) {
  if (args.size() != 1) {
    std::fputs("usage: bwtool store count DIR\n", stderr);
    return kUsageError;
  }
  auto store = open_store(args[0]);
  if (!store) return 1;
  std::printf("%d\n", store->record_count());
  return 0;
}

int run_read(std::span<char* const> args) {
  if (args.size() != 3) {
    std::fputs("usage: bwtool store read DIR RECORD FIELDPATH\n", stderr);
    return kUsageError;
  }
  errno = 0;
  char* end = nullptr;
  const long record = std::strtol(args[1], &end, 10);
  if (errno != 0 || end == args[1] || *end != '\0' || record < 1 || record > INT_MAX) {
    std::fprintf(stderr, "bwtool store read: record \"%s\" is not a number from 1\n", args[1]);
    return kUsageError;
  }
  auto store = open_store(args[0]);
  if (!store) return 1;
  bw::store::FieldPath path;
  if (!bw::store::parse_field_path(args[2], path, store.get())) {
    std::fprintf(stderr, "bwtool store read: \"%s\" is not a field path (^2, ^3.1, ^2[X])\n",
                 args[2]);
    return kUsageError;
  }
  // Links, expression fields and virtual fields are followed as the engine follows them.
  std::string value;
  const int result = bw::store::read_field_linked(*store, static_cast<int>(record), path, value);
  std::printf("%d\n", result);
  std::fwrite(value.data(), 1, value.size(), stdout);
  return 0;
}

CommandRegistration info("store info", "  store info DIR          encoding, fields and record count of a store\n",
                         &run_info);
CommandRegistration count("store count", "  store count DIR         number of records of a store\n",
                          &run_count);
CommandRegistration read("store read",
                         "  store read DIR RECORD FIELDPATH\n"
                         "                          the field as text: its length, a newline, the bytes\n",
                         &run_read);

}  // namespace
}  // namespace bwtool
