// Input: byte 0 the field type, byte 1 the flags, byte 2 the size, byte 3 bit 0 the compact
// store and bit 1 the month-first date order; the rest is both a stored value to print and
// a text to parse. Paths are parsed from the same text and must print back to themselves.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/field_path.h"
#include "store/value_text.h"

using namespace bw::store;

namespace {

ValueField make_field(const uint8_t* header) {
  ValueField field;
  field.type = type_of_byte(static_cast<uint8_t>(header[0] % 24));
  field.flags = header[1];
  field.size = header[2] % 40;
  if (field.type == FieldType::group) {
    // A fixed nested group: a text, a number and a group of a date and a time.
    ValueField text{FieldType::fixed_text, 0, 3, 0, {}};
    ValueField number{FieldType::signed_integer, header[1] & 0x0F, 4, 3, {}};
    ValueField inner{FieldType::group, 0, 6, 7, {}};
    inner.members = {{FieldType::date, 0, 3, 0, {}}, {FieldType::time, 0, 3, 3, {}}};
    field.size = 13;
    field.members = {text, number, inner};
  }
  return field;
}

class Names : public FieldNameTable {
 public:
  int top_table() const override { return 0; }
  int find_field(int table, std::string_view name, int& sub_table) const override {
    sub_table = name.size() % 2 == 0 ? table + 1 : -1;
    return name.empty() || name[0] == 'Q' ? 0 : static_cast<int>(name.size());
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  ValueField field = make_field(data);
  ValueContext context;
  context.image_magic = (data[3] & 1) ? kMagicCompact : kMagicNative;
  context.order = (data[3] & 2) ? DateOrder::month_day_year : DateOrder::day_month_year;
  std::span<const uint8_t> rest(data + 4, size - 4);
  std::string_view text(reinterpret_cast<const char*>(rest.data()), rest.size());

  std::string printed;
  int length = format_value(field, rest, context, printed);
  if (length >= 0 && static_cast<size_t>(length) != printed.size()) __builtin_trap();

  std::vector<uint8_t> bytes;
  if (data[3] & 4) context.evaluate = [](std::string_view) { return 2.5; };
  const ParseResult parsed = parse_value(text, field, context, bytes);
  if (parsed.ok()) {
    if (static_cast<size_t>(parsed.length) != bytes.size()) __builtin_trap();
    format_value(field, bytes, context, printed);
  }

  parse_time(text, context.order);
  parse_date(text, context.order);

  Names names;
  FieldPath path;
  if (parse_field_path(text, path, (data[3] & 8) ? &names : nullptr)) {
    // The numeric text of any parsed path reads back as the same path when it fits the
    // numeric form's level limit.
    std::string again = format_field_path(path);
    FieldPath back;
    if (path.count <= kMaxNumericPathLevels &&
        (!parse_field_path(again, back) || !(back == path))) {
      __builtin_trap();
    }
  }
  parse_field_path_prefix(text, path, &names);
  return 0;
}
