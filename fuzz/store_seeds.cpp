// Writes seed stores for store_open_fuzz: stores made by the writer in the three schema
// encodings, packed as [id][length][bytes] runs.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "store/store_writer.h"
#include "store/schema.h"

namespace {

using namespace bw::store;

std::vector<uint8_t> slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void append(std::vector<uint8_t>& out, uint8_t id, const std::vector<uint8_t>& bytes) {
  out.push_back(id);
  uint8_t length[4];
  store_u32(length, static_cast<uint32_t>(bytes.size()));
  out.insert(out.end(), length, length + 4);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

WriterField field(std::string name, FieldType type, uint16_t size, uint8_t flags = 0,
                  std::vector<WriterField> members = {}) {
  return WriterField{std::move(name), type, flags, size, std::move(members)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: store_open_fuzz_seeds CORPUS_DIR\n");
    return 2;
  }
  const std::string corpus = argv[1];
  std::filesystem::create_directories(corpus);
  const std::string work = corpus + "/../store_seed_work";
  std::filesystem::create_directories(work);

  const auto i32 = [](int32_t v) {
    std::vector<uint8_t> b(4);
    store_u32(b.data(), static_cast<uint32_t>(v));
    return b;
  };
  const std::vector<WriterField> rich = {
      field("Key", FieldType::fixed_text, 8),
      field("Blob", FieldType::binary, 4),
      field("Numbers", FieldType::signed_integer, 4, 0x20),
      field("Pair", FieldType::group, 6, 0,
            {field("A", FieldType::text, 4), field("B", FieldType::fixed_text, 2)}),
      field("Note", FieldType::text, 4, kFlagPaged),
      field("Side", FieldType::fixed_text, 6, kFlagOwnBank),
      field("Price", FieldType::signed_integer, 4, 2),
  };
  std::vector<WriterRecord> rich_records;
  for (int r = 0; r < 4; ++r)
    rich_records.push_back(
        {WriterValue::of_text("key" + std::to_string(r)),
         WriterValue::of_bytes(std::vector<uint8_t>(static_cast<size_t>(10 * r), 7)),
         WriterValue::of_elements({i32(r), i32(2 * r)}),
         WriterValue::of_members({WriterValue::of_text("a\nb\n"), WriterValue::of_text("bb")}),
         WriterValue::of_text(std::string(static_cast<size_t>(60 * r), 'n')),
         WriterValue::of_text("side"), WriterValue::of_integer(123 * r, 4)});
  const std::vector<WriterField> flat = {field("Key", FieldType::fixed_text, 8),
                                         field("Body", FieldType::text, 4),
                                         field("Nums", FieldType::signed_integer, 4, 0x20),
                                         field("Side", FieldType::text, 4, kFlagOwnBank)};
  std::vector<WriterRecord> flat_records;
  for (int r = 0; r < 3; ++r)
    flat_records.push_back({WriterValue::of_text("k" + std::to_string(r)),
                            WriterValue::of_text("body " + std::to_string(r)),
                            WriterValue::of_elements({i32(r)}), WriterValue::of_text("own")});

  struct Seed {
    const char* name;
    const std::vector<WriterField>* fields;
    const std::vector<WriterRecord>* records;
    WriterEncoding encoding;
  };
  const Seed seeds[] = {{"native", &rich, &rich_records, WriterEncoding::native},
                        {"compact", &flat, &flat_records, WriterEncoding::compact},
                        {"legacy", &flat, &flat_records, WriterEncoding::legacy}};
  for (const Seed& seed : seeds) {
    const std::string dir = work + "/" + seed.name;
    std::filesystem::remove_all(dir);
    WriterOptions options;
    options.encoding = seed.encoding;
    options.page_size = 128;
    std::string error;
    if (!write_store(dir, *seed.fields, *seed.records, options, &error)) {
      std::fprintf(stderr, "store_open_fuzz_seeds: %s: %s\n", seed.name, error.c_str());
      return 1;
    }
    std::vector<uint8_t> packed;
    append(packed, 0, slurp(schema_path(dir)));
    for (uint8_t id = 1; id <= 12; ++id) {
      const std::string name = id == 1   ? "Main"
                               : id == 2 ? "Bank.0"
                               : id == 3 ? "_Storage"
                                         : "Bank." + std::to_string(id - 3);
      const std::string path = dir + "/" + name;
      if (std::filesystem::exists(path)) append(packed, id, slurp(path));
    }
    if (!write_file(corpus + "/" + seed.name, packed)) {
      std::fprintf(stderr, "store_open_fuzz_seeds: cannot write the corpus\n");
      return 1;
    }
  }
  return 0;
}
