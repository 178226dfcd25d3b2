// Value text of the record store: stored values printed as text, text converted back into
// stored values, and the calendar arithmetic behind the date, time and date-time types.
//
// Stored forms (all little-endian):
//   date (type 2)            3 bytes: day number = byte 0 + 256 x unsigned 16-bit at byte 1;
//                            1 January of year 1 = 382, 1 January 1970 = 719544, 0 = no date
//   time of day (type 3, size 3)   seconds since midnight + 1; below 2 = no time
//   date-time (type 3, other sizes) signed: days since 1970-01-01 x 86400 + time value + 1
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/store_format.h"

namespace bw::store {

// Order of the three numbers of a date text.
enum class DateOrder { day_month_year, month_day_year };

// The date order of this process: decided from "TZ" on the first call, fixed afterwards.
DateOrder date_order();

// "%.*f" of `v`, the printed form of every number of the store. A NaN prints "nan", or
// "-nan" when its sign bit is set, on every C runtime (some leave the sign out).
std::string fixed_text(double v, int decimals);
// The date order that a "TZ" value gives (nullptr = unset): month first for "US" or "Canada".
DateOrder date_order_for_tz(const char* tz);

// Evaluates an expression text in the context of one record (0 when it cannot).
using ExpressionEvaluator = std::function<double(std::string_view expression)>;

// What formatting and parsing need to know besides the field itself.
struct ValueContext {
  uint32_t image_magic = kMagicNative;      // magic of the store's schema image
  DateOrder order = date_order();           // date order for type 2 and 3 texts
  ExpressionEvaluator evaluate;             // empty until expressions are available
};

// The description of one value: a field's type, flags and size, and for a group its
// sub-fields with their offsets inside the group's value.
struct ValueField {
  FieldType type = FieldType::raw;          // field type
  int flags = 0;                            // descriptor flags (kFlag*)
  int size = 0;                             // bytes of one inline value
  int offset = 0;                           // offset inside the enclosing group's value
  std::vector<ValueField> members;          // sub-fields of a group, in field order

  // The value description of a descriptor (members of a group are left to the caller).
  static ValueField of(const FieldDescriptor& d, int offset_in_group = 0);
  int decimals() const { return flags & kFlagCount; }  // the small count N of the flags
};

// Why parse_value produced no bytes.
enum class ParseFailure {
  none,
  bad_type,        // the type has no text form
  unbalanced,      // "{" and "}" of a group text do not balance
  no_expressions,  // the text is an expression; no evaluator
  out_of_range,    // the number does not fit the field
};

// What parse_value gives: the number of bytes produced, or why there are none.
struct ParseResult {
  ParseResult(int produced) : length(produced) {}  // NOLINT: a length converts implicitly
  ParseResult(ParseFailure why) : failure(why) {}  // NOLINT: so does a failure
  bool ok() const { return failure == ParseFailure::none; }
  int length = 0;
  ParseFailure failure = ParseFailure::none;
};

// Prints a stored value as text into `text`; returns the text's length (for binary types
// the byte count) or -1 for a type without a text form. Empty value -> "" and 0.
int format_value(const ValueField& field, std::span<const uint8_t> value,
                 const ValueContext& context, std::string& text);

// Converts `text` into the stored bytes of `field` (replacing `bytes`); returns the number
// of bytes produced or why there are none.
ParseResult parse_value(std::string_view text, const ValueField& field, const ValueContext& context,
                std::vector<uint8_t>& bytes);

// Day number of a calendar date, 0 when the date is invalid (year from 1).
int day_number(int day, int month, int year);
// Calendar date of a day number; false (and nothing set) below 382.
bool date_of_day_number(int64_t number, int& day, int& month, int& year);

// "15.06.2007" or "06/15/2007" of a day number; "" when it names no date.
std::string format_date(int64_t number, DateOrder order);
// Day number of a date text ("%2d%*c%2d%*c%4d"); "/" or "." as third character fixes the
// order, else `order` decides; 0 when the text gives no valid date.
int parse_date(std::string_view text, DateOrder order);

// "hh:mm:ss" of a time-of-day value (seconds + 1); "" below 2.
std::string format_time(int64_t value);
// "date hh:mm:ss" of a date-time value; "" below 2.
std::string format_date_time(int64_t value, DateOrder order);
// Time value of a text: under 10 characters a time of day, else a date-time; 0 when empty.
int64_t parse_time(std::string_view text, DateOrder order);

}  // namespace bw::store
