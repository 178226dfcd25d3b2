// evaluate and the field-path parser over fuzzed text, on a small fixed store with
// numbers, an array, a date and an expression field.
#include <cmath>
#include <cstdint>
#include <string>

#include "store/expression.h"
#include "store/field_path.h"
#include "store/record_store.h"
#include "store/store_links.h"
#include "store2_files.h"

namespace {

using namespace bw::store;

RecordStore& store() {
  static std::unique_ptr<RecordStore> instance = [] {
    const std::string dir = store2_fuzz::temp_dir("expression_fuzz") + "/Store";
    const std::vector<WriterField> fields = {
        WriterField{"Name", FieldType::fixed_text, 0, 8, {}},
        WriterField{"Count", FieldType::signed_integer, 2, 4, {}},
        WriterField{"List", FieldType::signed_integer, 0x20, 4, {}},
        WriterField{"Day", FieldType::date, 0, 3, {}},
        WriterField{"Formula", FieldType::expression, 0, 4, {}}};
    std::vector<WriterRecord> records = {
        {WriterValue::of_text("one"), WriterValue::of_integer(1234, 4),
         WriterValue::of_elements({{1, 0, 0, 0}, {2, 0, 0, 0}}),
         WriterValue::of_integer(730560, 3), WriterValue::of_integer(1, 4)}};
    std::string error;
    if (!write_store(dir, fields, records, WriterOptions{}, &error)) std::abort();
    // The expression field refers to itself: evaluation must still end.
    if (!write_store(dir + "/_Expression", {WriterField{"Text", FieldType::text, 0, 4, {}}},
                     {{WriterValue::of_text("^Formula+^2*2")}}, WriterOptions{}, &error))
      std::abort();
    OpenFailure failure{};
    return RecordStore::open(dir, failure);
  }();
  return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  RecordStore& s = store();
  StoreLinks links;
  evaluate(s, 1, text, &links);
  evaluate(s, 2, text);
  FieldPath path;
  if (parse_field_path(text, path, &s)) {
    std::string value;
    read_field_linked(s, links, 1, path, value);
    FieldPath again;
    if (!parse_field_path(format_field_path(path), again) || !(again == path)) std::abort();
  }
  leading_number(text);
  return 0;
}
