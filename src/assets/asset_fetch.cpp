#include "assets/installation.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "assets/additive_random.h"
#include "assets/store_image.h"
#include "platform/diagnostics.h"
#include "platform/file.h"
#include "platform/path.h"
#include "store/record_store.h"
#include "store/store_cursor.h"

namespace bw::assets {
namespace {

constexpr int kPathField = 1;
constexpr int kDataField = 2;

// Field 1 a path (text), field 2 the bytes: what every asset store holds. A schema that
// says otherwise is damaged, whatever it decodes to.
bool describes_assets(const store::RecordStore& s) {
  if (s.field_count() < 2) return false;
  const store::FieldDescriptor& path = s.schema().fields[0];
  const store::FieldDescriptor& data = s.schema().fields[1];
  using store::FieldType;
  const bool path_is_text = path.type == FieldType::fixed_text || path.type == FieldType::text;
  const FieldType t = data.type;
  const bool data_is_value = t != FieldType::group && t != FieldType::link &&
                             t != FieldType::position_link && t != FieldType::expression &&
                             t != FieldType::complex;
  return path_is_text && !path.is_array() && data_is_value && !data.is_array();
}

// How many records the store can hold with a path: each path out of line is a value block
// of at least its two length words and one byte in "Bank.0". A "Main" that claims more
// runs on with something that is no record (noise, or a file grown past its end), and
// reading all it claims could take minutes. Without a bound from "Bank.0" (a path held in
// the record itself), every record "Main" claims.
int records_with_paths(store::RecordStore& s) {
  const int claimed = s.record_count();
  if (!s.location(0).out_of_line || s.slot_count() <= store::slot_index(store::StoreFile::heap)) return claimed;
  const int64_t width = s.schema().fields[0].count_nibble() == 0 ? 4 : s.schema().fields[0].count_nibble();
  const int64_t heap = s.slot(store::StoreFile::heap).size();
  if (heap < 0) return claimed;
  return static_cast<int>(std::min<int64_t>(claimed, heap / (2 * width + 1)));
}

}  // namespace

// An installation's asset store, opened on the first fetch. A store directory that is
// missing leaves the plain files; one that exists but cannot serve assets is damaged: that
// is said once, in one line naming the store, and every fetch then gives none.
struct AssetStore {
  explicit AssetStore(std::string dir) : install(std::move(dir)) {}
  std::string install;
  bool tried = false;
  std::unique_ptr<store::RecordStore> store;
  bool damaged = false;         // a line about the store or one of its records was written
  bool store_damaged = false;   // the store as a whole cannot serve assets
  bool index_damaged = false;   // the index of paths misses records: they are looked for
  std::set<int> bad_records;    // records already reported
  int records = 0;              // the records that can hold a path (records_with_paths)
  bool paths_damaged = false;   // some paths cannot be read: a miss may be one of them
  bool oversized = false;       // "Main" claims more records than the store can hold
  bool scanned = false;         // every record's path has been read into `paths`
  std::map<std::string, int> paths;  // path -> first record holding it, once scanned

  std::string dir() const { return platform::join_relative_path(install, "data/Base3"); }
  void report_store(const std::string& what) {
    diag::message("fetch_asset(): the asset store \"%s\" is damaged: %s",
                  dir().c_str(), what.c_str());
    store.reset();
    damaged = store_damaged = true;
  }
  void report_index(const std::string& path) {
    damaged = index_damaged = true;
    diag::message("fetch_asset(): the asset store \"%s\" is damaged: its index of "
                  "asset paths fails on \"%s\"", dir().c_str(), path.c_str());
  }
  void report_record(int record, const std::string& path) {
    damaged = true;
    if (!bad_records.insert(record).second) return;
    diag::message("fetch_asset(): record %d of the asset store \"%s\" cannot be read "
                  "(\"%s\")", record, dir().c_str(), path.c_str());
  }
  store::RecordStore* get() {
    if (tried) return store.get();
    tried = true;
    store::OpenFailure failure{};
    store = store::RecordStore::open(dir(), failure);
    if (!store) {
      if (platform::file_exists(dir())) report_store(store::open_failure_text(failure));
      return nullptr;
    }
    if (!describes_assets(*store)) {
      report_store("its schema does not describe assets (field 1 a path, field 2 the bytes)");
    } else if (store->record_count() == 0) {
      report_store("\"Main\" holds no records");
    } else if (store->read(store::StoreFile::heap, 0, 1) == nullptr) {
      // The paths and the bytes of the records live there.
      report_store("\"Bank.0\" is empty or not a file");
    } else {
      records = records_with_paths(*store);
      const int claimed = store->record_count();
      // Said, but the store still serves every asset it holds.
      oversized = records < claimed;
      if (oversized) {
        diag::message("fetch_asset(): the asset store \"%s\" is damaged: \"Main\" claims %d "
                      "records, more than \"Bank.0\" can hold paths for (%d); only those are "
                      "read", dir().c_str(), claimed, records);
      }
    }
    return store.get();
  }
  // Reads the path of every record the store can hold, once. Records whose path cannot
  // be read at all (its bytes lie past the end of "Bank.0", say) make the store damaged,
  // said once with their count.
  void read_paths() {
    if (scanned || !store) return;
    scanned = true;
    std::string key;
    int unreadable = 0;
    int first_unreadable = 0;
    for (int record = 1; record <= records; ++record) {
      const int length = store->read_field(record, kPathField, key);
      if (length > 0) paths.emplace(std::string(key.c_str()), record);
      if (length < 0 && unreadable++ == 0) first_unreadable = record;
    }
    // A "Main" said to run on past its records has unreadable ones by its nature: that line
    // says enough, and the records it holds still serve.
    if (unreadable > 0 && !oversized) {
      damaged = paths_damaged = true;
      diag::message("fetch_asset(): the asset store \"%s\" is damaged: the paths of %d of its "
                    "%d records cannot be read (the first: record %d)", dir().c_str(),
                    unreadable, records, first_unreadable);
    }
  }
  // The record whose field 1 is exactly `path`; 0 when none. Asked only when the index
  // misses, to tell an absent asset from a damaged index: the first time, every record
  // the store can hold is read once, and later misses are answered from what was read.
  int scan_for(const std::string& path) {
    read_paths();
    const auto found = paths.find(path);
    return found == paths.end() ? 0 : found->second;
  }
};

namespace {

// The whole plain file, or none when it is not a readable regular file.
std::optional<std::vector<uint8_t>> read_plain(const std::string& file) {
  return read_whole_file(file, kMaxPlainAssetBytes);
}

// Whether `path` names something inside the installation folder: relative, and with no
// ".." among its parts (on any system, "\\" separates parts too and "C:" names a drive).
bool stays_inside(const std::string& path) {
  if (path.empty() || path[0] == '/' || path[0] == '\\') return false;
  if (path.size() >= 2 && path[1] == ':') return false;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find_first_of("/\\", start), path.size());
    if (path.compare(start, end - start, "..") == 0 && end - start == 2) return false;
    start = end + 1;
  }
  return true;
}

void report_missing(const std::string& path) {
  diag::message("cannot find \"%s\" in the asset store or as a file", path.c_str());
}

std::optional<std::vector<uint8_t>> fetch(AssetStore& a, const std::string& path,
                                          int64_t& length, bool report) {
  length = 0;
  if (!stays_inside(path)) {
    diag::message("fetch_asset(): the asset path \"%s\" leads outside the installation folder",
                  path.c_str());
    return std::nullopt;
  }
  const std::string plain = platform::join_relative_path(a.install, path);
  store::RecordStore* s = a.get();
  if (a.store_damaged) return std::nullopt;  // said once already
  if (s == nullptr) {
    auto bytes = read_plain(plain);
    if (!bytes) {
      if (report) report_missing(path);
      return std::nullopt;
    }
    length = static_cast<int64_t>(bytes->size());
    return bytes;
  }

  store::FindResult lookup = store::FindResult::none(store::FindStatus::no_index);
  if (!a.index_damaged) {
    store::StoreCursor cursor(s, 1);
    lookup = cursor.find(kPathField, path, store::FindMode::exact);
  }
  int record = lookup.record;
  if (!lookup.found()) {
    // A sound index misses only what is absent; one that says it is damaged, or misses a
    // record that is there, is said once and then passed by.
    const bool index_says_damaged = lookup.status == store::FindStatus::damaged ||
                                    lookup.status == store::FindStatus::no_index;
    const int found = a.scan_for(path);
    if ((found > 0 || index_says_damaged) && !a.index_damaged) a.report_index(path);
    record = found;
  }
  if (record <= 0) {
    // Where paths cannot be read, a miss may be one of them: the damage has been said.
    if (report && !a.paths_damaged) report_missing(path);
    return std::nullopt;
  }
  // The stored bytes as they are: field 2 is binary and needs no formatting.
  store::ReadResult data = s->read_raw(record, store::FieldPath::of(kDataField));
  const int stored = data.length;
  if (stored < 0) {
    a.report_record(record, path);
    return std::nullopt;
  }
  if (stored == 0) {
    // A record without data stands for the plain file of the same path.
    auto bytes = read_plain(plain);
    if (bytes) length = static_cast<int64_t>(bytes->size());
    return bytes;
  }
  const size_t count = std::min(data.bytes.size(), static_cast<size_t>(stored));
  std::vector<uint8_t> bytes = std::move(data.bytes);
  bytes.resize(count);
  descramble(bytes, record_seed(record));
  length = static_cast<int64_t>(count);
  return bytes;
}

}  // namespace

Installation::Installation(std::string dir)
    : dir_(dir.empty() ? std::string(".") : std::move(dir)),
      assets_(std::make_unique<AssetStore>(dir_)) {}

Installation::~Installation() = default;

std::optional<std::vector<uint8_t>> Installation::fetch_asset(const std::string& path,
                                                              int64_t& length) {
  return fetch(*assets_, path, length, true);
}

std::optional<std::vector<uint8_t>> Installation::fetch_asset(const std::string& path) {
  int64_t length = 0;
  return fetch(*assets_, path, length, true);
}

std::optional<std::vector<uint8_t>> Installation::probe_asset(const std::string& path) {
  int64_t length = 0;
  return fetch(*assets_, path, length, false);
}

std::vector<std::string> Installation::asset_paths(const std::string& prefix) {
  std::vector<std::string> paths;
  AssetStore& a = *assets_;
  if (a.get() != nullptr) {
    a.read_paths();
    for (const auto& [path, record] : a.paths)
      if (path.starts_with(prefix)) paths.push_back(path);
  } else if (!a.store_damaged) {
    // Only a missing store leaves the plain files; a damaged one serves nothing.
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path install(a.install);
    for (fs::recursive_directory_iterator it(install / prefix, error), end; !error && it != end;
         it.increment(error)) {
      if (!it->is_regular_file(error)) continue;
      const std::string path = it->path().lexically_relative(install).generic_string();
      if (path.starts_with(prefix)) paths.push_back(path);
    }
  }
  std::sort(paths.begin(), paths.end());
  paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
  return paths;
}

bool Installation::asset_store_damaged() {
  assets_->get();
  return assets_->damaged;
}

AssetFetcher Installation::asset_fetcher() {
  return [this](const std::string& path) { return fetch_asset(path); };
}

}  // namespace bw::assets
