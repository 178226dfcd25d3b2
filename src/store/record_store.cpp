// Opening a store: schema, record layout, file slots and record count.
//
// "Main":
//   Offset        Width  Meaning
//     0            8     root entry of the field-1 index
//     8          H - 8   rest of the header (H = 32 native, else R but at least 8)
//   H + (r-1)*R    R     record r: prefix (8 bytes, or 2 when field 1 is paged), then the
//                        inline fields in layout order
// The record count is (size of "Main" - 32) / R, 0 when "Main" is shorter than 32 bytes.
#include "store/record_store.h"

#include <algorithm>
#include <limits>

#include "platform/file.h"

namespace bw::store {
namespace {

// Records and record images above this size cannot come from a sound schema.
constexpr int64_t kMaxRecordSize = int64_t{1} << 30;

constexpr int64_t kMaxSchemaBytes = int64_t{16} << 20;

// The schema file, or its first kMaxSchemaBytes + 1 bytes: a schema describes at most a
// few thousand fields, so a huge file is not one, and reading only its start lets the
// checks on counts and offsets reject it.
bool read_schema_file(const std::string& path, std::vector<uint8_t>& bytes) {
  if (!platform::file_readable(path)) return false;
  const platform::File file = platform::File::open(path, platform::FileAccess::read_only);
  const int64_t size = file.size();
  if (size < 0) return false;
  bytes.resize(static_cast<size_t>(std::min(size, kMaxSchemaBytes + 1)));
  bytes.resize(file.read_fully_at(0, bytes.data(), bytes.size()));
  return true;
}

}  // namespace

RecordStore::~RecordStore() = default;

std::unique_ptr<RecordStore> RecordStore::open(std::string_view path, OpenFailure& failure,
                                               StoreAccess access) {
  failure = OpenFailure::none;
  if (probe_store({}, path) == SchemaEncoding::none) {
    failure = OpenFailure::no_schema;
    return nullptr;
  }
  std::unique_ptr<RecordStore> store(new RecordStore());
  store->path_ = std::string(path);
  store->access_ = access;
  std::vector<uint8_t> file;
  if (!read_schema_file(schema_path(path), file)) {
    failure = OpenFailure::unreadable;
    return nullptr;
  }
  if (static_cast<int64_t>(file.size()) > kMaxSchemaBytes ||
      !load_schema(std::move(file), store->schema_)) {
    failure = OpenFailure::bad_schema;
    return nullptr;
  }
  Schema& s = store->schema_;
  const bool legacy = s.legacy_family;
  store->record_prefix_ = 8;
  if (s.field_count > 0 && s.fields[0].is_paged() && !legacy) store->record_prefix_ = 2;

  for (StoreFile file : {StoreFile::main, StoreFile::heap, StoreFile::storage})
    store->add_slot(bank_id_of(file));
  if (store->slots_[slot_index(StoreFile::main)]->open_now())
    store->main_access_mode_ = store->slots_[slot_index(StoreFile::main)]->access_mode();

  store->locations_.assign(s.fields.size(), FieldLocation{});
  int64_t running = store->record_prefix_;
  if (store->layout_table(0, s.field_count, legacy, running) != 0 || running > kMaxRecordSize ||
      store->record_image_size_ > kMaxRecordSize || store->record_image_size_ < -kMaxRecordSize) {
    failure = OpenFailure::bad_schema;
    return nullptr;
  }
  store->record_size_ = static_cast<int>(running);
  store->header_size_ = s.image_magic == kMagicNative ? 32 : std::max(store->record_size_, 8);

  if (probe_store(store->path_, "_LogDB") == SchemaEncoding::native &&
      store->record_image_size_ >= 0)
    store->log_buffer_.assign(static_cast<size_t>(store->record_image_size_) + 4, 0);

  if (!legacy) {
    for (uint32_t i = 0; i < s.field_count; ++i)
      if (s.fields[i].is_paged()) store->paged_fields_.push_back(static_cast<int>(i) + 1);
  }
  store->record_count_ = store->count_from_main();
  return store;
}

int RecordStore::add_slot(int bank_id) {
  const std::string file = join_store_path(path_, bank_file_name(bank_id));
  slots_.push_back(
      std::make_unique<BankFile>(file, bank_id, static_cast<size_t>(page_size_), access_));
  return static_cast<int>(slots_.size()) - 1;
}

// Lays out the fields of one table (the top level or a group's sub-fields): each gets an
// offset in the table's running inline bytes, a record-image offset, and, for an own
// bank, a file slot of its own.
int RecordStore::layout_table(size_t first, size_t count, bool is_legacy, int64_t& running) {
  for (size_t i = first; i < first + count; ++i) {
    const FieldDescriptor& d = schema_.fields[i];
    FieldLocation& loc = locations_[i];
    const bool paged_here = d.is_paged() && !is_legacy;
    loc.out_of_line =
        !paged_here && (d.type > FieldType::group || d.is_array());
    loc.inline_width = (d.is_array() || paged_here) ? 4u : d.size;
    loc.image_offset = record_image_size_;

    if (d.has_own_bank() && !(is_legacy && loc.out_of_line)) {
      loc.bank_slot = add_slot(static_cast<int>(i) + 1);
    } else {
      if (d.has_own_bank()) loc.bank_slot = add_slot(static_cast<int>(i) + 1);
      loc.record_offset = running;
      running += loc.inline_width;
      if (running > kMaxRecordSize) return -1;
    }

    if (paged_here && d.type == FieldType::text) {
      record_image_size_ += 256;
    } else if (d.is_paged()) {
      record_image_size_ += d.size;
    } else if (d.type != FieldType::group) {
      record_image_size_ += loc.inline_width;
    }
    if (d.type == FieldType::group) {
      int64_t group_running = 0;
      if (layout_table(d.sub_first, d.sub_count, is_legacy, group_running) != 0) return -1;
      if (d.is_array()) record_image_size_ += 4 - static_cast<int64_t>(d.size);
    }
    if (record_image_size_ > kMaxRecordSize || record_image_size_ < -kMaxRecordSize) return -1;
  }
  return 0;
}

// Records start after the header. Native stores have a 32-byte header; the others have
// one record-sized header, so counting past 32 bytes there would drop the last records
// of a store whose records are shorter than 32 bytes.
int RecordStore::count_from_main() {
  const int64_t size = slots_[slot_index(StoreFile::main)]->size();
  const int64_t start = schema_.image_magic == kMagicNative ? 32 : header_size_;
  if (size < start || record_size_ <= 0) return 0;
  const int64_t count = (size - start) / record_size_;
  return count > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                 : static_cast<int>(count);
}

int RecordStore::record_count() {
  for (auto& slot : slots_) slot->invalidate();
  record_count_ = count_from_main();
  return record_count_;
}

bool RecordStore::storage_usable() {
  if (storage_checked_) return storage_usable_;
  storage_checked_ = true;
  BankFile& storage = *slots_[slot_index(StoreFile::storage)];
  if (!storage.open_now()) return storage_usable_ = false;
  if (storage.size() >= 4) {
    const uint8_t* p = storage.read(0, 4);
    if (p == nullptr) return storage_usable_ = false;
    page_size_ = load_i32(p);
  }
  // A page must hold its 32-byte header and at least one entry header.
  storage_usable_ = page_size_ >= 64 && page_size_ <= (1 << 24);
  return storage_usable_;
}

const uint8_t* RecordStore::read(int slot, int64_t offset, int64_t length) {
  if (slot < 0 || static_cast<size_t>(slot) >= slots_.size()) return nullptr;
  if (slot == static_cast<int>(StoreFile::storage) && !storage_usable()) return nullptr;
  return slots_[static_cast<size_t>(slot)]->read(offset, length);
}

int RecordStore::descriptor_at(const FieldPath& path, int level) const {
  size_t first = 0;
  size_t count = schema_.field_count;
  for (int i = 0; i < path.count && i <= level; ++i) {
    const int f = path[i].field < 1 ? 1 : path[i].field;
    if (static_cast<size_t>(f) > count) return -1;
    const size_t index = first + static_cast<size_t>(f) - 1;
    if (i == level) return static_cast<int>(index);
    const FieldDescriptor& d = schema_.fields[index];
    if (d.type != FieldType::group) return -1;
    first = d.sub_first;
    count = d.sub_count;
  }
  return -1;
}

int RecordStore::find_field(int table, std::string_view name, int& sub_table) const {
  sub_table = -1;
  size_t first = 0;
  size_t count = schema_.field_count;
  if (table >= 0) {
    if (static_cast<size_t>(table) >= schema_.fields.size()) return 0;
    const FieldDescriptor& g = schema_.fields[static_cast<size_t>(table)];
    if (g.type != FieldType::group) return 0;
    first = g.sub_first;
    count = g.sub_count;
  }
  for (size_t i = 0; i < count; ++i) {
    if (schema_.name(first + i) != name) continue;
    if (schema_.fields[first + i].type == FieldType::group) sub_table = static_cast<int>(first + i);
    return static_cast<int>(i) + 1;
  }
  return 0;
}

}  // namespace bw::store
