// Opens a store made from fuzzed bytes and reads every field of every record.
//
// Input: a run of files, each [id: 1 byte][length: 4 bytes LE][bytes]; id 0 is the
// schema, 1 "Main", 2 Bank.0, 3 "_Storage", 4..12 Bank.1..Bank.9 (other ids are skipped).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "store/record_store.h"
#include "store/store_writer.h"

namespace {

using namespace bw::store;

constexpr size_t kFileIds = 13;

std::string file_name(size_t id) {
  if (id == 1) return "Main";
  if (id == 2) return "Bank.0";
  if (id == 3) return "_Storage";
  return "Bank." + std::to_string(id - 3);
}

const std::string& store_dir() {
  static const std::string dir = [] {
    char pattern[] = "/tmp/bw_store_fuzz_XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (made == nullptr) std::abort();
    return std::string(made) + "/Store";
  }();
  return dir;
}

void read_table(RecordStore& store, int record, FieldPath path, size_t first, size_t count,
                int depth) {
  std::string text;
  for (size_t f = 1; f <= count && f <= 64; ++f) {
    FieldPath here = path;
    if (!here.push({static_cast<int>(f), 0})) return;
    store.read_field(record, here, text);
    store.read_number(record, here);
    here.levels[static_cast<size_t>(here.count - 1)].element = -1;
    store.read_field(record, here, text);
    here.levels[static_cast<size_t>(here.count - 1)].element = 2;
    store.read_field(record, here, text);
    const FieldDescriptor& d = store.schema().fields[first + f - 1];
    if (d.type == FieldType::group && depth < 4) {
      here.levels[static_cast<size_t>(here.count - 1)].element = 0;
      read_table(store, record, here, d.sub_first, d.sub_count, depth + 1);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& dir = store_dir();
  ::mkdir(dir.c_str(), 0700);
  std::vector<std::vector<uint8_t>> files(kFileIds);
  std::vector<bool> present(kFileIds, false);
  size_t pos = 0;
  while (size - pos >= 5) {
    const uint8_t id = data[pos];
    const size_t length = load_u32(data + pos + 1);
    pos += 5;
    const size_t take = length < size - pos ? length : size - pos;
    if (id < files.size()) {
      files[id].assign(data + pos, data + pos + take);
      present[id] = true;
    }
    pos += take;
  }
  for (size_t id = 0; id < files.size(); ++id) {
    const std::string path = id == 0 ? schema_path(dir) : dir + "/" + file_name(id);
    if (present[id])
      write_file(path, files[id]);
    else
      ::unlink(path.c_str());
  }
  OpenFailure failure{};
  auto store = RecordStore::open(dir, failure);
  if (!store) return 0;
  const int records = store->record_count();
  for (int r = 1; r <= records + 1 && r <= 16; ++r)
    read_table(*store, r, FieldPath{}, 0, store->field_count(), 0);
  return 0;
}
