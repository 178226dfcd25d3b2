// An open record store: one database table kept as a directory of files.
//
//   dir/(last component of dir)  schema (schema.h)
//   Main                         header of H bytes, then one R-byte slot per record
//   Bank.0                       out-of-line values, addressed by 1-based references
//   Bank.n                       values of field n when it has its own bank
//   _Storage                     paged values of paged fields
//
// Every file is read through the windowed reads of BankFile; nothing read from a file is
// used before it has been checked against the file's bounds.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/bank_file.h"
#include "store/field_path.h"
#include "store/schema.h"
#include "store/store_format.h"

namespace bw::store {

// Why RecordStore::open failed. The numbers are the documented failure codes a user sees.
enum class OpenFailure : int {
  none = 0,
  no_schema = 1,    // schema file missing or of unknown magic
  unreadable = 2,   // schema file cannot be opened
  bad_schema = 3,   // schema bytes unknown or damaged
};

// What an open failure says about a store directory, for messages.
inline const char* open_failure_text(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::no_schema: return "its schema file is missing or of unknown kind";
    case OpenFailure::unreadable: return "its schema file cannot be read";
    case OpenFailure::bad_schema: return "its schema file is damaged";
    case OpenFailure::none: break;
  }
  return "it cannot be opened";
}

// Where the values of one field live, computed on open.
struct FieldLocation {
  int64_t record_offset = -1;  // offset from the record start (prefix included) or in the group; -1 = own bank
  uint32_t inline_width = 0;   // bytes the field takes inline (4 for arrays and paged fields)
  int bank_slot = -1;          // own bank: index of its file slot
  bool out_of_line = false;    // the inline slot holds a Bank.0 reference
  int64_t image_offset = 0;    // offset in the record image (plug-in exchange)
};

// What a raw read hands back: the stored bytes of the field reached and what they are.
struct ReadResult {
  int length = -1;                          // bytes of the value, 0 absent, <0 failure
  FieldDescriptor descriptor;               // descriptor of the field reached
  std::array<uint8_t, kSchemaHeaderSize> header{};  // schema header of its store
  int level = -1;                           // index of the path level reached
  FieldPath rest;                           // the path below the level reached
  std::vector<uint8_t> bytes;               // the value, followed by one NUL byte
};

// What an open store keeps beyond its files: the lookup's index state, the linked stores
// and the plug-in (store_state.h). It lives as long as the store and goes first when the
// store goes.
struct StoreState;
struct StoreStateDeleter {
  void operator()(StoreState* state) const;
};

class RecordStore : public FieldNameTable {
 public:
  // Opens the store directory `path` (no trailing "/"); nullptr and `failure` set when
  // it cannot. A "Main" that is missing or short only gives 0 records. The
  // files are opened read-only unless `access` asks for writing.
  static std::unique_ptr<RecordStore> open(std::string_view path, OpenFailure& failure,
                                           StoreAccess access = StoreAccess::read_only);
  ~RecordStore() override;

  // Recounts the records from the size of "Main" and forgets every loaded window.
  int record_count();
  // The stored bytes of `path` in `record`, without formatting. A link or an expression
  // that the path ends on is followed in the legacy family (which needs the linked stores:
  // the read fails here), unless `stored_only` asks for its stored number.
  ReadResult read_raw(int record, const FieldPath& path, bool stored_only = false);
  // The field as text (binary types as bytes) in `buffer`; returns its length, 0 for an
  // empty value, -1 when the record lies beyond the last one or nothing can be read.
  int read_field(int record, const FieldPath& path, std::string& buffer);
  int read_field(int record, int field, std::string& buffer);
  // The numeric value of a field; arrays with element index -1 and groups without a
  // sub-field sum their parts; anything unreadable counts as 0.
  long double read_number(int record, const FieldPath& path);

  // Windowed read of `length` bytes at `offset` of file slot `slot`; nullptr when the
  // bytes cannot be read. Valid until the next read on that slot.
  const uint8_t* read(int slot, int64_t offset, int64_t length);
  const uint8_t* read(StoreFile file, int64_t offset, int64_t length) {
    return read(static_cast<int>(file), offset, length);
  }

  const std::string& path() const { return path_; }
  const Schema& schema() const { return schema_; }
  bool legacy_family() const { return schema_.legacy_family; }
  uint32_t field_count() const { return schema_.field_count; }
  const FieldLocation& location(size_t descriptor_index) const {
    return locations_[descriptor_index];
  }
  int record_size() const { return record_size_; }
  int record_prefix() const { return record_prefix_; }
  int header_size() const { return header_size_; }
  int page_size() const { return page_size_; }
  int64_t record_image_size() const { return record_image_size_; }
  // 0 when "Main" opened read-write, 2 read-only.
  int main_access_mode() const { return main_access_mode_; }
  // The access the store was opened with; its index files are opened the same way.
  StoreAccess access() const { return access_; }
  bool has_log_buffer() const { return !log_buffer_.empty(); }
  // Numbers of the paged top-level fields, in field order (non-legacy stores).
  const std::vector<int>& paged_fields() const { return paged_fields_; }
  size_t slot_count() const { return slots_.size(); }
  BankFile& slot(size_t index) { return *slots_[index]; }
  const BankFile& slot(size_t index) const { return *slots_[index]; }
  BankFile& slot(StoreFile file) { return slot(slot_index(file)); }

  // The store's state of lookups, links and the plug-in, created on first use
  // (store_state.h).
  StoreState& state();

  // Opens "_Storage" on first use and takes its page size; false when the file cannot be
  // read or its page size cannot hold a page header and an entry.
  bool storage_usable();

  // Descriptor index of the field that level `level` of `path` names, or -1.
  int descriptor_at(const FieldPath& path, int level) const;

  // FieldNameTable: -1 is the top-level table, a group's descriptor index its sub-table.
  int top_table() const override { return -1; }
  int find_field(int table, std::string_view name, int& sub_table) const override;

 private:
  RecordStore() = default;
  int layout_table(size_t first, size_t count, bool is_legacy, int64_t& running);
  int add_slot(int bank_id);
  int count_from_main();
  // Reads one level's value into `out`; `inline_bytes` is the field's inline slot.
  int fetch_value(int record, const FieldDescriptor& d, const FieldLocation& loc,
                  const uint8_t* inline_bytes, int element, std::vector<uint8_t>& out);
  int fetch_block(const FieldDescriptor& d, const FieldLocation& loc, int64_t reference,
                  int element, std::vector<uint8_t>& out);
  int fetch_paged(int record, int64_t page, std::vector<uint8_t>& out);
  long double number_of(int record, FieldPath path, int depth);

  std::string path_;
  Schema schema_;
  std::vector<FieldLocation> locations_;
  std::vector<std::unique_ptr<BankFile>> slots_;  // 0 "Main", 1 Bank.0, 2 "_Storage", own banks
  int record_size_ = 0;
  int record_prefix_ = 8;
  int header_size_ = 32;
  int page_size_ = 4096;
  bool storage_checked_ = false;
  bool storage_usable_ = true;
  int64_t record_image_size_ = 0;
  int record_count_ = 0;
  int main_access_mode_ = 2;
  StoreAccess access_ = StoreAccess::read_only;
  std::vector<uint8_t> log_buffer_;
  std::vector<int> paged_fields_;
  int exchange_record_ = -1;  // record held by the plug-in's record image; none yet
  std::unique_ptr<StoreState, StoreStateDeleter> state_;  // declared last: destroyed first
};

}  // namespace bw::store
