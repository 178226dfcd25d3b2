// Opening stores: schema encodings, record layout, file slots, windowed reads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "fixture_stores.h"

namespace bw::store {
namespace {

using fixture::bytes;
using fixture::field;
using fixture::le32;

// Descriptors as a comparable summary: type, flags, size, name, group shape.
struct Summary {
  FieldType type;
  int flags, size;
  std::string name;
  uint32_t sub_count;
  bool operator==(const Summary&) const = default;
};
std::vector<Summary> summarize(const RecordStore& store) {
  std::vector<Summary> out;
  const Schema& s = store.schema();
  // Walk the reachable descriptors in table order.
  std::vector<std::pair<size_t, size_t>> tables = {{0, s.field_count}};
  for (size_t t = 0; t < tables.size(); ++t) {
    for (size_t i = tables[t].first; i < tables[t].first + tables[t].second; ++i) {
      const FieldDescriptor& d = s.fields[i];
      out.push_back({d.type, d.flags, d.size, std::string(s.name(i)),
                     d.type == FieldType::group ? d.sub_count : 0});
      if (d.type == FieldType::group) tables.push_back({d.sub_first, d.sub_count});
    }
  }
  return out;
}

TEST(StoreOpen, ThreeEncodingsGiveTheSameDescriptors) {
  // Fields every encoding can express (legacy has no groups and fixed sizes per type).
  const std::vector<WriterField> fields = {
      field("Path", FieldType::fixed_text, 40),
      field("Body", FieldType::text, 4),
      field("When", FieldType::date, 3),
      field("Small", FieldType::signed_integer, 1),
      field("Word", FieldType::signed_integer, 2),
      field("Long", FieldType::signed_integer, 4),
      field("Ratio", FieldType::single_float, 4, 3),
      field("Exact", FieldType::double_float, 8, 2),
      field("Blob", FieldType::binary, 4),
      field("Var", FieldType::variable, 4),
      field("Where", FieldType::position_link, 6, 0),
      field("Count", FieldType::unsigned_integer, 4),
      field("Formula", FieldType::expression, 4),
      field("Raw", FieldType::raw, 7),
      field("Banked", FieldType::fixed_text, 16, kFlagOwnBank),
      field("List", FieldType::signed_integer, 4, 0x20),
  };
  std::vector<std::vector<Summary>> seen;
  for (auto encoding : {WriterEncoding::native, WriterEncoding::compact, WriterEncoding::legacy}) {
    WriterOptions options;
    options.encoding = encoding;
    const std::string dir = fixture::fresh_dir("encodings" + std::to_string(int(encoding)));
    auto store = fixture::build(dir, fields, {}, options);
    ASSERT_NE(store, nullptr);
    seen.push_back(summarize(*store));
  }
  EXPECT_EQ(seen[0], seen[1]);
  EXPECT_EQ(seen[0], seen[2]);

  // Groups: native and compact agree on the sub-field table too.
  const std::vector<WriterField> grouped = {
      field("Key", FieldType::fixed_text, 8),
      field("Pair", FieldType::group, 6, 0,
            {field("A", FieldType::signed_integer, 2), field("B", FieldType::fixed_text, 4)}),
      field("Tail", FieldType::unsigned_integer, 2, 1)};
  WriterOptions compact;
  compact.encoding = WriterEncoding::compact;
  auto native_store = fixture::build(fixture::fresh_dir("grouped_native"), grouped, {});
  auto compact_store = fixture::build(fixture::fresh_dir("grouped_compact"), grouped, {}, compact);
  ASSERT_TRUE(native_store && compact_store);
  EXPECT_EQ(summarize(*native_store), summarize(*compact_store));
  EXPECT_EQ(compact_store->schema().image_magic, kMagicCompact);
}

// The compact type map is held one way and derived the other: every code goes to a native
// type whose code gives that type back, and every native type with a code is written in
// the compact encoding and read back as itself.
TEST(StoreOpen, CompactTypeMapAgreesBothWays) {
  for (size_t code = 0; code < kCompactToNative.size(); ++code) {
    const uint8_t native = type_byte(kCompactToNative[code]);
    ASSERT_LT(native, kNativeToCompact.size()) << "code " << code;
    ASSERT_NE(kNativeToCompact[native], kNoCompactCode) << "code " << code;
    EXPECT_EQ(type_byte(kCompactToNative[kNativeToCompact[native]]), native) << "code " << code;
  }
  std::vector<WriterField> fields;
  for (uint8_t byte = 0; byte < kNativeToCompact.size(); ++byte) {
    const FieldType type = type_of_byte(byte);
    if (kNativeToCompact[byte] == kNoCompactCode) {
      EXPECT_TRUE(type == FieldType::binary2 || type == FieldType::complex) << "type " << int(byte);
      continue;
    }
    fields.push_back(type == FieldType::group
                         ? field("T10", type, 2, 0, {field("Sub", FieldType::signed_integer, 2)})
                         : field("T" + std::to_string(byte), type, 4));
  }
  WriterOptions compact;
  compact.encoding = WriterEncoding::compact;
  auto store = fixture::build(fixture::fresh_dir("compact_types"), fields, {}, compact);
  ASSERT_NE(store, nullptr);
  ASSERT_EQ(store->field_count(), fields.size());
  for (size_t i = 0; i < fields.size(); ++i)
    EXPECT_EQ(store->schema().fields[i].type, fields[i].type) << fields[i].name;
}

// A legacy schema written byte by byte: the (A, B) pairs become native descriptors.
TEST(StoreOpen, LegacyPairsConvert) {
  struct Case {
    uint8_t a, b;
    FieldType type;
    int flags, size;
  };
  const std::vector<Case> cases = {
      {0x00, 12, FieldType::fixed_text, 0, 12},
      {0x01, 0, FieldType::text, 0, 4},
      {0x41, 0, FieldType::text, kFlagPaged, 4},   // bit 6 on a text means paged
      {0x03, 0, FieldType::date, 0, 4},            // the dated magic widens dates
      {0x04, 9, FieldType::signed_integer, 0, 1},
      {0x05, 0, FieldType::signed_integer, 0, 2},
      {0x07, 0, FieldType::signed_integer, 0, 4},
      {0x06, 0x23, FieldType::single_float, 3, 4},        // B's low nibble gives the decimals
      {0x08, 0x05, FieldType::double_float, 5, 8},
      {0x09, 8, FieldType::double_float, 0, 8},
      {0x8C, 6, FieldType::position_link, kFlagOwnBank, 6},
      {0x4D, 2, FieldType::unsigned_integer, 0x20, 2},
      {0x0E, 4, FieldType::expression, 0, 4},
      {0x0F, 5, FieldType::raw, 0, 5},
  };
  std::vector<uint8_t> file(16, 0);
  store_u32(&file[0], kMagicLegacyDated);
  store_u16(&file[4], static_cast<uint16_t>(cases.size()));
  for (const auto& c : cases) {
    file.push_back(c.a);
    file.push_back(c.b);
  }
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string name = "f" + std::to_string(i);
    file.insert(file.end(), name.begin(), name.end());
    file.push_back(0);
  }
  Schema s;
  ASSERT_TRUE(load_schema(file, s));
  EXPECT_TRUE(s.legacy_family);
  EXPECT_EQ(s.image_magic, kMagicLegacy);
  EXPECT_TRUE(s.trees_scrambled());
  ASSERT_EQ(s.field_count, cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(s.fields[i].type, cases[i].type);
    EXPECT_EQ(s.fields[i].flags, cases[i].flags);
    EXPECT_EQ(s.fields[i].size, cases[i].size);
    EXPECT_EQ(s.name(i), "f" + std::to_string(i));
  }
}

TEST(StoreOpen, FailureCodes) {
  OpenFailure failure{};
  EXPECT_EQ(RecordStore::open(std::string(BW_TEST_TMPDIR) + "/no_such_store", failure), nullptr);
  EXPECT_EQ(failure, OpenFailure::no_schema);

  const std::string dir = fixture::fresh_dir("unknown_magic");
  ASSERT_TRUE(write_file(fixture::schema_of(dir), le32(0x12345678)));
  EXPECT_EQ(RecordStore::open(dir, failure), nullptr);
  EXPECT_EQ(failure, OpenFailure::no_schema);

  EXPECT_EQ(probe_store("", dir), SchemaEncoding::none);
  ASSERT_TRUE(write_file(fixture::schema_of(dir), le32(kMagicCompact)));
  EXPECT_EQ(probe_store("", dir), SchemaEncoding::compact);
  EXPECT_EQ(probe_store(".", dir), SchemaEncoding::compact);
}

// Damaged schemas: each case overwrites bytes of a sound native schema.
TEST(StoreOpen, DamagedSchemaFailsWithThree) {
  const std::vector<WriterField> fields = {
      field("Key", FieldType::fixed_text, 8),
      field("Pair", FieldType::group, 4, 0,
            {field("A", FieldType::signed_integer, 2), field("B", FieldType::signed_integer, 2)})};
  struct Case {
    const char* what;
    size_t offset;
    std::vector<uint8_t> bytes;
  };
  // Descriptor i lives at 16 + 16 i: 0 Key, 1 Pair, 2 A, 3 B.
  const std::vector<Case> cases = {
      {"field count beyond the image", 4, le32(1000)},
      {"negative field count", 4, le32(0xFFFFFFFF)},
      {"name offset beyond the image", 16 + 12, le32(100000)},
      {"sub-fields beyond the descriptors", 32 + 8, le32(50)},
      {"sub-field count beyond the descriptors", 32 + 4, le32(0x7FFFFFFF)},
      {"group containing itself", 32 + 8, le32(1)},
      {"group reusing a top-level field", 32 + 8, le32(0)},
      {"truncated header", 8, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = fixture::fresh_dir("damaged_schema");
    std::string error;
    ASSERT_TRUE(write_store(dir, fields, {}, {}, &error)) << error;
    if (c.bytes.empty()) {
      auto data = fixture::read_file(fixture::schema_of(dir));
      data.resize(c.offset);
      ASSERT_TRUE(write_file(fixture::schema_of(dir), data));
    } else {
      fixture::patch(fixture::schema_of(dir), c.offset, c.bytes);
    }
    OpenFailure failure{};
    EXPECT_EQ(RecordStore::open(dir, failure), nullptr);
    EXPECT_EQ(failure, OpenFailure::bad_schema);
  }

  // Compact and legacy files cut short.
  for (auto encoding : {WriterEncoding::compact, WriterEncoding::legacy}) {
    WriterOptions options;
    options.encoding = encoding;
    const std::vector<WriterField> flat = {field("Key", FieldType::fixed_text, 8),
                                           field("Value", FieldType::signed_integer, 2)};
    auto file = schema_file(flat, options, nullptr);
    ASSERT_FALSE(file.empty());
    for (size_t cut : {size_t{6}, size_t{17}, file.size() - 1}) {
      Schema s;
      EXPECT_FALSE(load_schema(std::vector<uint8_t>(file.begin(), file.begin() + long(cut)), s))
          << "cut at " << cut;
    }
  }
}

TEST(StoreOpen, RecordLayout) {
  const std::vector<WriterField> fields = {
      field("Key", FieldType::fixed_text, 10),
      field("Banked", FieldType::fixed_text, 16, kFlagOwnBank),
      field("List", FieldType::signed_integer, 2, 0x40),
      field("Blob", FieldType::binary, 4),
      field("Pair", FieldType::group, 5, 0,
            {field("A", FieldType::signed_integer, 2), field("B", FieldType::fixed_text, 3)}),
  };
  auto store = fixture::build(fixture::fresh_dir("layout"), fields, {});
  ASSERT_NE(store, nullptr);
  // prefix 8 + Key 10 + List 4 + Blob 4 + Pair 5; the own bank takes no room.
  EXPECT_EQ(store->record_size(), 31);
  EXPECT_EQ(store->header_size(), 32);
  EXPECT_EQ(store->location(0).record_offset, 8);
  EXPECT_EQ(store->location(1).record_offset, -1);
  EXPECT_EQ(store->location(2).record_offset, 18);
  EXPECT_TRUE(store->location(2).out_of_line);
  EXPECT_EQ(store->location(4).record_offset, 26);
  EXPECT_EQ(store->location(5).record_offset, 0);  // A, inside the group
  EXPECT_EQ(store->location(6).record_offset, 2);  // B
  // Record image: 10 + 16 + 4 + 4 + (2 + 3).
  EXPECT_EQ(store->record_image_size(), 39);
  // Slots: "Main", Bank.0, "_Storage", then Bank.2.
  ASSERT_EQ(store->slot_count(), 4u);
  EXPECT_EQ(store->slot(3).bank_id(), 2);

  // A paged first field shrinks the prefix to 2 bytes (not in the legacy family).
  auto paged = fixture::build(
      fixture::fresh_dir("layout_paged"),
      {field("Key", FieldType::text, 4, kFlagPaged), field("V", FieldType::signed_integer, 4)}, {});
  ASSERT_NE(paged, nullptr);
  EXPECT_EQ(paged->record_prefix(), 2);
  EXPECT_EQ(paged->record_size(), 10);
  EXPECT_EQ(paged->paged_fields(), std::vector<int>{1});
  EXPECT_EQ(paged->record_image_size(), 256 + 4);

  // The compact and legacy families have a record-sized "Main" header.
  WriterOptions legacy;
  legacy.encoding = WriterEncoding::legacy;
  auto old = fixture::build(
      fixture::fresh_dir("layout_legacy"),
      {field("Key", FieldType::fixed_text, 30), field("V", FieldType::signed_integer, 2)}, {},
      legacy);
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(old->record_size(), 40);
  EXPECT_EQ(old->header_size(), 40);
}

// An own-bank value of record 3 of size 16 lies at 32 in Bank.n, and at 48 in a store of
// the legacy family.
TEST(StoreOpen, OwnBankSlots) {
  const std::vector<WriterField> fields = {
      field("Key", FieldType::fixed_text, 4),
      field("Banked", FieldType::fixed_text, 16, kFlagOwnBank)};
  std::vector<WriterRecord> records;
  for (const char* v : {"one", "two", "three"})
    records.push_back({WriterValue::of_text(v), WriterValue::of_text(std::string("bank-") + v)});
  for (auto encoding : {WriterEncoding::native, WriterEncoding::legacy}) {
    WriterOptions options;
    options.encoding = encoding;
    const std::string dir = fixture::fresh_dir("own_bank");
    auto store = fixture::build(dir, fields, records, options);
    ASSERT_NE(store, nullptr);
    const auto bank = fixture::read_file(dir + "/Bank.2");
    const size_t at = encoding == WriterEncoding::legacy ? 48 : 32;
    ASSERT_GE(bank.size(), at + 16);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bank[at])), "bank-three");
    std::string text;
    EXPECT_EQ(store->read_field(3, 2, text), 16);
    EXPECT_EQ(std::string(text.c_str()), "bank-three");
  }
}

TEST(StoreOpen, RecordCountFollowsMain) {
  const std::string dir = fixture::fresh_dir("count");
  auto store = fixture::build(dir, {field("Key", FieldType::fixed_text, 8)}, {});
  ASSERT_NE(store, nullptr);
  const int r = store->record_size();  // 16
  struct Case {
    size_t main_size;
    int count;
  };
  for (const Case c : {Case{0, 0}, Case{31, 0}, Case{32, 0}, Case{32 + size_t(2 * r) + 5, 2},
                       Case{32 + size_t(7 * r), 7}}) {
    ASSERT_TRUE(write_file(dir + "/Main", std::vector<uint8_t>(c.main_size, 0)));
    EXPECT_EQ(store->record_count(), c.count) << c.main_size;
  }
  // No "Main" at all: the store still opens, with no records. (The first store lets go of
  // it first: Windows keeps a removed file's name while a handle on it is open.)
  store.reset();
  std::filesystem::remove(dir + "/Main");
  OpenFailure failure{};
  auto empty = RecordStore::open(dir, failure);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->record_count(), 0);
  std::string text;
  EXPECT_EQ(empty->read_field(1, 1, text), -1);
}

TEST(StoreOpen, RecountSeesRewrittenRecords) {
  const std::string dir = fixture::fresh_dir("recount");
  auto store = fixture::build(dir, {field("Key", FieldType::fixed_text, 8)},
                              {{WriterValue::of_text("before")}});
  ASSERT_NE(store, nullptr);
  std::string text;
  ASSERT_EQ(store->read_field(1, 1, text), 8);
  EXPECT_STREQ(text.c_str(), "before");
  // Another writer changes record 1 and appends record 2.
  fixture::patch(dir + "/Main", 32 + 8, fixture::bytes(std::string("after\0\0\0", 8)));
  fixture::patch(dir + "/Main", 32 + 16 + 8, fixture::bytes(std::string("second\0\0", 8)));
  EXPECT_EQ(store->record_count(), 2);
  ASSERT_EQ(store->read_field(1, 1, text), 8);
  EXPECT_STREQ(text.c_str(), "after");
  ASSERT_EQ(store->read_field(2, 1, text), 8);
  EXPECT_STREQ(text.c_str(), "second");
}

TEST(StoreOpen, WindowedReads) {
  const std::string path = fixture::fresh_dir("window") + "/Bank.0";
  std::vector<uint8_t> data(5000);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(write_file(path, data));
  BankFile bank(path, bank_id_of(StoreFile::heap), 4096);

  const uint8_t* p = bank.read(2040, 10);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(bank.window_start(), 1024);
  EXPECT_EQ(p, bank.read(1024, 1) + 1016);  // same window, no new load
  EXPECT_EQ(p[0], data[2040]);

  // A span wider than the window grows it in 1024-byte steps.
  p = bank.read(100, 4800);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(bank.window_start(), 0);
  EXPECT_EQ(p[4799], data[4899]);

  // Nothing beyond the end of the file, nothing negative.
  EXPECT_EQ(bank.read(4995, 6), nullptr);
  EXPECT_EQ(bank.read(-1, 2), nullptr);
  EXPECT_EQ(bank.read(0, -2), nullptr);
  EXPECT_NE(bank.read(4995, 5), nullptr);

  BankFile missing(path + ".missing", 3, 4096);
  EXPECT_EQ(missing.read(0, 1), nullptr);
  EXPECT_TRUE(missing.failed());
}

// However the folder is named (a trailing separator, ".", a link of another name, on
// Windows backslashes), the store is the same one: its schema is found by the folder's
// own name.
TEST(StoreOpen, FolderNamedAnyWayOpens) {
  namespace fs = std::filesystem;
  const std::string parent = fixture::fresh_dir("named_any_way");
  // Written through a trailing separator: the schema takes the folder's name.
  ASSERT_NE(fixture::build(parent + "/Base3/", {field("Key", FieldType::fixed_text, 8)},
                           {{WriterValue::of_text("alpha")}}),
            nullptr);
  EXPECT_TRUE(fs::exists(parent + "/Base3/Base3"));
  std::vector<std::string> names = {parent + "/Base3", parent + "/Base3/",
                                    parent + "/Base3//", parent + "/Base3/."};
#ifdef _WIN32
  std::string backslashed = parent + "\\Base3\\";
  for (char& c : backslashed)
    if (c == '/') c = '\\';
  names.push_back(backslashed);
#endif
  std::error_code link_error;
  fs::create_directory_symlink(parent + "/Base3", parent + "/elsewhere", link_error);
  if (!link_error) names.push_back(parent + "/elsewhere");
  for (const std::string& name : names) {
    OpenFailure failure{};
    auto store = RecordStore::open(name, failure);
    ASSERT_NE(store, nullptr) << name << " fails with " << static_cast<int>(failure);
    EXPECT_EQ(store->record_count(), 1) << name;
  }
  // "." from inside the folder.
  const fs::path before = fs::current_path();
  fs::current_path(parent + "/Base3");
  OpenFailure failure{};
  const bool opened = RecordStore::open(".", failure) != nullptr;
  fs::current_path(before);
  EXPECT_TRUE(opened) << "\".\" fails with " << static_cast<int>(failure);
}

TEST(StoreOpen, PathsAndLogBuffer) {
  EXPECT_EQ(join_store_path("data/Base3", "data/Base3"), "data/Base3/Base3");
  EXPECT_EQ(join_store_path("data/Base3", "Main"), "data/Base3/Main");
  EXPECT_EQ(join_store_path("data/Base3\nrest", "Main\nx"), "data/Base3/Main");
  EXPECT_EQ(join_store_path("data/Base3", "/abs/file"), "/abs/file");
  EXPECT_EQ(schema_path("Base"), "Base/Base");

  const std::string dir = fixture::fresh_dir("with_log");
  auto plain = fixture::build(dir, {field("Key", FieldType::fixed_text, 8)}, {});
  ASSERT_NE(plain, nullptr);
  EXPECT_FALSE(plain->has_log_buffer());
  EXPECT_EQ(plain->main_access_mode(), 2);
  std::string error;
  ASSERT_TRUE(
      write_store(dir + "/_LogDB", {field("Entry", FieldType::fixed_text, 8)}, {}, {}, &error));
  OpenFailure failure{};
  auto logged = RecordStore::open(dir, failure);
  ASSERT_NE(logged, nullptr);
  EXPECT_TRUE(logged->has_log_buffer());
}

// The page header of "_Storage": every field at its offset, and encode writing back
// exactly the bytes decode read (bytes 8 to 11 are no field and stay as they were).
TEST(StoreFormat, PageHeaderFieldsSitAtTheirOffsets) {
  std::vector<uint8_t> page(40);
  for (size_t i = 0; i < page.size(); ++i) page[i] = static_cast<uint8_t>(0xA0 + i);
  const PageHeader h = PageHeader::decode(page.data());
  EXPECT_EQ(static_cast<uint32_t>(h.left), 0xA3A2A1A0u);
  EXPECT_EQ(static_cast<uint32_t>(h.right), 0xA7A6A5A4u);
  EXPECT_EQ(h.free_bytes, 0xAFAEADACu);
  EXPECT_EQ(h.field, 0xB1B0);
  EXPECT_EQ(static_cast<uint16_t>(h.entry_count), 0xB3B2);
  EXPECT_LT(h.entry_count, 0);  // signed
  EXPECT_EQ(h.value_size, 0xB5B4);
  EXPECT_EQ(type_byte(h.type), 0xB6);
  EXPECT_EQ(h.prefix_nibble, 0xB7);
  EXPECT_EQ(h.page_size, 0xBBBAB9B8u);
  EXPECT_EQ(static_cast<uint32_t>(h.next_page), 0xBFBEBDBCu);
  std::vector<uint8_t> again(40, 0);
  std::copy(page.begin() + 8, page.begin() + 12, again.begin() + 8);
  std::copy(page.begin() + 32, page.end(), again.begin() + 32);
  h.encode(again.data());
  EXPECT_EQ(again, page);

  PageHeader text;
  text.type = FieldType::text;
  EXPECT_TRUE(text.holds_text());
  EXPECT_EQ(text.prefix_width(), 4);  // nibble 0 means 4
  text.prefix_nibble = 2;
  EXPECT_EQ(text.prefix_width(), 2);
}

#ifndef _WIN32
// Every file a reader opens is open read-only (whoever runs it, root included), so a
// store the process cannot write reads as well as any other; writing is asked for. The
// open descriptors are read from /proc: Linux only.
TEST(StoreOpen, ReadersOpenFilesReadOnly) {
  const std::string dir = fixture::fresh_dir("read_only");
  WriterOptions options;
  options.tree_fields = {2};
  ASSERT_NE(
      fixture::build(dir,
                     {field("Key", FieldType::fixed_text, 8), field("Data", FieldType::binary, 4),
                      field("Side", FieldType::fixed_text, 2, kFlagOwnBank)},
                     {{WriterValue::of_text("k1"), WriterValue::of_bytes({1, 2, 3}),
                       WriterValue::of_text("s1")}},
                     options),
      nullptr);
  // The access mode of every descriptor open on a file of `dir`.
  auto open_modes = [&] {
    std::vector<int> modes;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
      std::error_code error;
      const auto target = std::filesystem::read_symlink(fd.path(), error);
      if (error || target.string().rfind(dir + "/", 0) != 0) continue;
      std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
      std::string key;
      int flags = 0;
      while (info >> key && key != "flags:") {}
      info >> std::oct >> flags;
      modes.push_back(flags & O_ACCMODE);
    }
    return modes;
  };
  const bool as_root = ::geteuid() == 0;
  if (!as_root) {
    for (const auto& f : std::filesystem::directory_iterator(dir)) ::chmod(f.path().c_str(), 0444);
  }
  OpenFailure failure{};
  auto reader = RecordStore::open(dir, failure);
  ASSERT_NE(reader, nullptr);
  std::string text;
  EXPECT_EQ(reader->read_field(1, 1, text), 8);
  EXPECT_EQ(reader->read_field(1, 2, text), 3);
  EXPECT_EQ(reader->read_field(1, 3, text), 2);
  EXPECT_EQ(reader->main_access_mode(), 2);
  const std::vector<int> modes = open_modes();
  EXPECT_EQ(modes.size(), 3u);  // Main, Bank.0 and Bank.3
  for (int mode : modes) EXPECT_EQ(mode, O_RDONLY);
  reader.reset();
  if (as_root) {
    auto writer = RecordStore::open(dir, failure, StoreAccess::read_write);
    ASSERT_NE(writer, nullptr);
    EXPECT_EQ(writer->main_access_mode(), 0);
    EXPECT_EQ(open_modes(), std::vector<int>{O_RDWR});
  }
}
#endif

}  // namespace
}  // namespace bw::store
