// Lookups over fuzzed index files. The schema is fixed (field 1 text indexed in "Main",
// field 2 signed with Tree.2, field 3 paged signed, field 4 double with Tree.4); "Main",
// Bank.0, Tree.2, Tree.4 and "_Storage" come from the input, the key from its tail.
#include <cstdint>
#include <string>

#include "store/record_store.h"
#include "store/store_cursor.h"
#include "store2_files.h"

namespace {

using namespace bw::store;

const std::vector<std::string> kFiles = {"Main", "Bank.0", "Tree.2", "Tree.4", "_Storage"};

std::vector<WriterField> fields() {
  return {WriterField{"Name", FieldType::text, 0, 4, {}},
          WriterField{"Number", FieldType::signed_integer, 0, 4, {}},
          WriterField{"Paged", FieldType::signed_integer, kFlagPaged, 4, {}},
          WriterField{"Weight", FieldType::double_float, 0, 8, {}}};
}

const std::string& store_dir() {
  static const std::string dir = [] {
    const std::string d = store2_fuzz::temp_dir("lookup_fuzz") + "/Store";
    std::string error;
    if (!write_store(d, fields(), {}, WriterOptions{}, &error)) std::abort();
    return d;
  }();
  return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = store_dir();
  const std::vector<uint8_t> tail = store2_fuzz::unpack(data, size, dir, kFiles);
  OpenFailure failure{};
  auto store = RecordStore::open(dir, failure);
  if (!store) return 0;
  const std::string key(tail.begin(), tail.end());
  StoreIndexes indexes(*store);
  for (int step : {1, -1}) {
    StoreCursor cursor(store.get(), step, &indexes);
    for (int field = 1; field <= 4; ++field)
      for (FindMode mode : {FindMode::exact, FindMode::prefix, FindMode::nearest, FindMode::root}) {
        const FindResult result = cursor.find(field, key, mode);
        if (result.found() && result.record < 1) std::abort();
        if (result.found() && result.record > store->record_count() && field != 3) std::abort();
        if (cursor.trail().size() > static_cast<size_t>(kMaxTrail) + 1) std::abort();
      }
  }
  return 0;
}
