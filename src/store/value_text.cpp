#include "store/value_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>

#include "platform/environment.h"

namespace bw::store {

namespace {

constexpr std::array<uint16_t, 12> kMonthDays = {31, 28, 31, 30, 31, 30,
                                                 31, 31, 30, 31, 30, 31};
static_assert(kMonthDays.size() == 12);

constexpr int kDayNumberOf1970 = 719544;
constexpr int kFirstDayNumber = 382;          // 1 January of year 1
constexpr int64_t kLastDayNumber = 0xFFFFFF;  // the largest a 3-byte date can hold
constexpr int64_t kSecondsPerDay = 86400;

bool is_leap(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

std::string printf_text(const char* format, auto... args) {
  int n = std::snprintf(nullptr, 0, format, args...);
  if (n <= 0) return {};
  std::string text(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, args...);
  text.resize(static_cast<size_t>(n));
  return text;
}

// The value's bytes zero-padded to `width` (at most 8), so that a short value never
// makes a read past its end.
std::array<uint8_t, 8> padded(std::span<const uint8_t> value, size_t offset, size_t width) {
  std::array<uint8_t, 8> out{};
  for (size_t i = 0; i < width && i < 8; ++i) {
    if (offset + i < value.size()) out[i] = value[offset + i];
  }
  return out;
}

int64_t signed_of(std::span<const uint8_t> value, size_t offset, size_t width) {
  if (width > 8) width = 8;
  return load_signed(padded(value, offset, width).data(), width);
}

uint64_t unsigned_of(std::span<const uint8_t> value, size_t offset, size_t width) {
  if (width > 8) width = 8;
  return load_unsigned(padded(value, offset, width).data(), width);
}

size_t field_size(const ValueField& field) {
  return field.size > 0 ? static_cast<size_t>(field.size) : 0;
}

bool is_compact(const ValueContext& context) { return context.image_magic == kMagicCompact; }

// Integers with N implied decimals: "%0*lld" padded to N digits (N + 1 for 0 and negative
// numbers, so that the sign and a leading zero fit), a point before the last N characters.
template <typename Int>
std::string format_decimal(Int number, int decimals) {
  const bool is_signed = std::numeric_limits<Int>::is_signed;
  if (decimals == 0) {
    return is_signed ? printf_text("%lld", static_cast<long long>(number))
                     : printf_text("%llu", static_cast<unsigned long long>(number));
  }
  int width = number <= 0 ? decimals + 1 : decimals;
  std::string text = is_signed
                         ? printf_text("%0*lld", width, static_cast<long long>(number))
                         : printf_text("%0*llu", width, static_cast<unsigned long long>(number));
  text.insert(text.size() - static_cast<size_t>(decimals), ".");
  return text;
}

int format_integer(const ValueField& field, std::span<const uint8_t> value,
                   const ValueContext& context, std::string& text) {
  size_t width = field_size(field);
  int decimals = field.decimals();
  if (field.type == FieldType::unsigned_integer) {
    uint64_t number = unsigned_of(value, 0, width);
    if (is_compact(context)) {
      if (number == 0) return 0;  // a stored 0 is no value
      --number;
    }
    text = format_decimal(number, decimals);
  } else {
    int64_t number = signed_of(value, 0, width);
    if (is_compact(context)) {
      if (number == 0) return 0;
      if (number > 0) --number;
    }
    text = format_decimal(number, decimals);
  }
  return static_cast<int>(text.size());
}

int format_group(const ValueField& field, std::span<const uint8_t> value,
                 const ValueContext& context, std::string& text) {
  text = "{";
  for (size_t k = 0; k < field.members.size(); ++k) {
    const ValueField& member = field.members[k];
    if (k > 0) text += ';';
    size_t offset = member.offset > 0 ? static_cast<size_t>(member.offset) : 0;
    if (offset >= value.size()) continue;
    size_t length = std::min(field_size(member), value.size() - offset);
    std::string part;
    if (format_value(member, value.subspan(offset, length), context, part) > 0) text += part;
  }
  text += '}';
  return static_cast<int>(text.size());
}

// ---- parsing helpers ------------------------------------------------------------------

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view skip_blanks(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return text.substr(i);
}

// Like atoi on a short piece of text: blanks, a sign, digits; 0 when there are none.
int64_t leading_integer(std::string_view text, bool& overflow) {
  overflow = false;
  text = skip_blanks(text);
  bool negative = false;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t v = 0;
  for (; i < text.size() && is_digit(text[i]); ++i) {
    if (v > (std::numeric_limits<int64_t>::max() - (text[i] - '0')) / 10) {
      overflow = true;
      return 0;
    }
    v = v * 10 + (text[i] - '0');
  }
  return negative ? -v : v;
}

bool fits_signed(int64_t v, size_t width) {
  if (width >= 8) return true;
  if (width == 0) return v == 0;
  int64_t limit = int64_t{1} << (8 * width - 1);
  return v >= -limit && v < limit;
}

bool fits_unsigned(uint64_t v, size_t width) {
  if (width >= 8) return true;
  return v < (uint64_t{1} << (8 * width));
}

void put(std::vector<uint8_t>& bytes, size_t offset, size_t width, uint64_t v) {
  if (offset >= bytes.size()) return;
  width = std::min(width, bytes.size() - offset);
  // Above 8 bytes the value is sign-extended (or zero-extended) over the whole width.
  uint8_t fill = (width > 8 && static_cast<int64_t>(v) < 0) ? 0xFF : 0;
  for (size_t i = 0; i < width; ++i) {
    bytes[offset + i] = i < 8 ? static_cast<uint8_t>(v >> (8 * i)) : fill;
  }
}

// Text made only of digits and "." (a sign allowed first).
bool is_plain_decimal(std::string_view text) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  for (; i < text.size(); ++i) {
    if (!is_digit(text[i]) && text[i] != '.') return false;
  }
  return true;
}

// A decimal floating-point number: sign, digits, point, exponent; empty counts as 0.
bool is_plain_float(std::string_view text) {
  size_t i = 0, digits = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  for (; i < text.size() && is_digit(text[i]); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return text.empty();
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponent_digits = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == text.size();
}

// A decimal text scaled to `decimals` implied places: digits beyond them are dropped,
// missing ones are filled with zeros, the point is removed.
bool scale_decimal(std::string_view text, int decimals, int64_t& result) {
  bool negative = false;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t v = 0;
  int fraction = -1;  // digits taken after the point; -1 before it
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.') {
      if (fraction >= 0) break;  // a second point ends the number
      fraction = 0;
      continue;
    }
    if (!is_digit(c)) break;
    if (fraction >= 0) {
      if (fraction == decimals) continue;
      ++fraction;
    }
    if (v > (std::numeric_limits<int64_t>::max() - (c - '0')) / 10) return false;
    v = v * 10 + (c - '0');
  }
  for (int f = fraction < 0 ? 0 : fraction; f < decimals; ++f) {
    if (v > std::numeric_limits<int64_t>::max() / 10) return false;
    v *= 10;
  }
  result = negative ? -v : v;
  return true;
}

ParseResult parse_integer(std::string_view text, const ValueField& field, const ValueContext& context,
                  std::vector<uint8_t>& bytes) {
  std::string number;
  if (text.size() >= 2 && text[0] == '0' && text[1] == 'x') {
    uint64_t v = 0;
    auto [end, error] = std::from_chars(text.data() + 2, text.data() + text.size(), v, 16);
    (void)end;
    if (error == std::errc::result_out_of_range ||
        v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
      return ParseFailure::out_of_range;
    }
    number = std::to_string(v);
  } else if (is_plain_decimal(text)) {
    number = std::string(text);
  } else {
    if (!context.evaluate) return ParseFailure::no_expressions;
    double v = context.evaluate(text);
    if (!std::isfinite(v)) return ParseFailure::out_of_range;
    number = fixed_text(v, 6);
  }
  int64_t v = 0;
  if (!scale_decimal(number, field.decimals(), v)) return ParseFailure::out_of_range;
  if (field.type == FieldType::unsigned_integer && v < 0) v = -v;
  if (is_compact(context) && !text.empty() && v >= 0) {
    if (v == std::numeric_limits<int64_t>::max()) return ParseFailure::out_of_range;
    ++v;  // a stored 0 means no value in these stores
  }
  size_t width = field_size(field);
  bool fits = field.type == FieldType::unsigned_integer
                  ? fits_unsigned(static_cast<uint64_t>(v), width)
                  : fits_signed(v, width);
  if (!fits) return ParseFailure::out_of_range;
  put(bytes, 0, width, static_cast<uint64_t>(v));
  return static_cast<int>(bytes.size());
}

ParseResult parse_float(std::string_view text, const ValueField& field, const ValueContext& context,
                std::vector<uint8_t>& bytes) {
  double v = 0;
  if (is_plain_float(text)) {
    std::string_view digits = text;
    if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
    if (!digits.empty()) {
      auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
      (void)end;
      if (error == std::errc::result_out_of_range) return ParseFailure::out_of_range;
    }
  } else {
    if (!context.evaluate) return ParseFailure::no_expressions;
    v = context.evaluate(text);
  }
  if (field.type == FieldType::single_float) {
    float f = static_cast<float>(v);
    uint32_t word = 0;
    std::memcpy(&word, &f, sizeof word);
    put(bytes, 0, 4, word);
  } else {
    uint64_t word = 0;
    std::memcpy(&word, &v, sizeof word);
    put(bytes, 0, 8, word);
  }
  return static_cast<int>(bytes.size());
}

ParseResult parse_record_number(std::string_view text, size_t width, int64_t& v) {
  bool overflow = false;
  v = leading_integer(text, overflow);
  if (overflow || !fits_signed(v, width)) return ParseFailure::out_of_range;
  return 0;
}

ParseResult parse_group(std::string_view text, const ValueField& field, const ValueContext& context,
                std::vector<uint8_t>& bytes) {
  int depth = 0;
  for (char c : text) {
    if (c == '{') ++depth;
    if (c == '}' && --depth < 0) return ParseFailure::unbalanced;
  }
  if (depth != 0) return ParseFailure::unbalanced;
  // An outer pair of braces around the whole text is removed.
  if (text.size() >= 2 && text.front() == '{' && text.back() == '}') {
    int level = 0;
    size_t match = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '{') ++level;
      if (text[i] == '}' && --level == 0) {
        match = i;
        break;
      }
    }
    if (match == text.size() - 1) text = text.substr(1, text.size() - 2);
  }
  size_t start = 0;
  for (const ValueField& member : field.members) {
    if (start > text.size()) break;
    size_t end = start;
    int level = 0;
    while (end < text.size() && !(level == 0 && text[end] == ';')) {
      if (text[end] == '{') ++level;
      if (text[end] == '}') --level;
      ++end;
    }
    std::vector<uint8_t> part;
    const ParseResult result =
        parse_value(text.substr(start, end - start), member, context, part);
    if (!result.ok()) return result;
    size_t offset = member.offset > 0 ? static_cast<size_t>(member.offset) : 0;
    size_t length = std::min(part.size(), field_size(member));
    for (size_t i = 0; i < length && offset + i < bytes.size(); ++i) bytes[offset + i] = part[i];
    start = end + 1;
  }
  return static_cast<int>(bytes.size());
}

}  // namespace

std::string fixed_text(double v, int decimals) {
  if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
  return printf_text("%.*f", decimals, v);
}

DateOrder date_order_for_tz(const char* tz) {
  if (tz != nullptr && (std::strstr(tz, "US") != nullptr || std::strstr(tz, "Canada") != nullptr)) {
    return DateOrder::month_day_year;
  }
  return DateOrder::day_month_year;
}

DateOrder date_order() {
  static const DateOrder order = [] {
    const std::optional<std::string> tz = platform::environment_variable("TZ");
    return date_order_for_tz(tz ? tz->c_str() : nullptr);
  }();
  return order;
}

ValueField ValueField::of(const FieldDescriptor& d, int offset_in_group) {
  ValueField field;
  field.type = d.type;
  field.flags = d.flags;
  field.size = d.size;
  field.offset = offset_in_group;
  return field;
}

int day_number(int day, int month, int year) {
  if (year < 1 || month < 1 || month > 12 || day < 1) return 0;
  int days = kMonthDays[static_cast<size_t>(month - 1)] + ((month == 2 && is_leap(year)) ? 1 : 0);
  if (day > days) return 0;
  int64_t c = month < 3 ? year - 1 : year;
  int64_t n = c / 100 * 146097 / 4 + day + (153 * month - 457 + (month < 3 ? 1836 : 0)) / 5 +
              c % 100 * 1461 / 4 + 75;
  return n > kLastDayNumber ? 0 : static_cast<int>(n);
}

bool date_of_day_number(int64_t n, int& day, int& month, int& year) {
  // Beyond the reach of the arithmetic below there is no date either.
  if (n < kFirstDayNumber || n > std::numeric_limits<int32_t>::max()) return false;
  int64_t k = (4 * n - 301) / 146097;
  int64_t a = (4 * n - 146097 * k - 301) / 4 * 4;
  int64_t b = (a + 3) / 1461;
  a = (a - 1461 * b + 7) / 4 * 5;
  int64_t c = (a - 3) / 153;
  year = static_cast<int>(100 * k + b + (c > 9 ? 1 : 0));
  month = static_cast<int>(c > 9 ? c - 9 : c + 3);
  day = static_cast<int>(((a - 3) % 153 + 5) / 5);
  return true;
}

std::string format_date(int64_t number, DateOrder order) {
  int day = 0, month = 0, year = 0;
  if (!date_of_day_number(number, day, month, year)) return {};
  if (order == DateOrder::month_day_year) return printf_text("%02d/%02d/%04d", month, day, year);
  return printf_text("%02d.%02d.%04d", day, month, year);
}

int parse_date(std::string_view text, DateOrder order) {
  if (text.empty()) return 0;
  std::string copy(text);
  int first = 0, second = 0, year = 0;
  if (std::sscanf(copy.c_str(), "%2d%*c%2d%*c%4d", &first, &second, &year) != 3) return 0;
  bool month_first = order == DateOrder::month_day_year;
  if (text.size() > 2 && text[2] == '/') month_first = true;
  if (text.size() > 2 && text[2] == '.') month_first = false;
  return month_first ? day_number(second, first, year) : day_number(first, second, year);
}

std::string format_time(int64_t value) {
  if (value < 2) return {};
  int64_t seconds = value - 1;
  return printf_text("%02d:%02d:%02d", static_cast<int>(seconds / 3600 % 24),
                     static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

std::string format_date_time(int64_t value, DateOrder order) {
  if (value < 2) return {};
  int64_t v = value - 1;
  std::string date = format_date(kDayNumberOf1970 + v / kSecondsPerDay, order);
  return date + " " + format_time(v % kSecondsPerDay);
}

int64_t parse_time(std::string_view text, DateOrder order) {
  text = skip_blanks(text);
  if (text.empty()) return 0;
  bool overflow = false;
  auto piece = [&](size_t pos) {
    return pos < text.size() ? leading_integer(text.substr(pos, 2), overflow) : 0;
  };
  if (text.size() < 10) return piece(0) * 3600 + piece(3) * 60 + piece(6) + 1;
  int64_t value = (static_cast<int64_t>(parse_date(text.substr(0, 10), order)) -
                   kDayNumberOf1970) * kSecondsPerDay;
  if (value < 0) value = 0;
  size_t blank = text.find(' ');
  if (blank != std::string_view::npos) {
    std::string_view time = skip_blanks(text.substr(blank + 1));
    if (!time.empty()) {
      time = time.substr(0, 9);  // a time of day, never a second date
      value += parse_time(time, order);
    }
  }
  return value + 1;
}

int format_value(const ValueField& field, std::span<const uint8_t> value,
                 const ValueContext& context, std::string& text) {
  text.clear();
  if (value.empty()) return 0;
  switch (field.type) {
    case FieldType::fixed_text:
    case FieldType::text:
    case FieldType::variable:
    case FieldType::expression:
    case FieldType::complex:
    case FieldType::binary:
    case FieldType::binary2:
      text.assign(reinterpret_cast<const char*>(value.data()), value.size());
      return static_cast<int>(text.size());
    case FieldType::date:
      text = format_date(static_cast<int64_t>(unsigned_of(value, 0, 3)), context.order);
      return static_cast<int>(text.size());
    case FieldType::time:
      if (field.size == 3) {
        text = format_time(static_cast<int64_t>(unsigned_of(value, 0, 3)));
      } else {
        text = format_date_time(signed_of(value, 0, field_size(field)), context.order);
      }
      return static_cast<int>(text.size());
    case FieldType::link:
      text = printf_text("#%lld", static_cast<long long>(signed_of(value, 0, field_size(field))));
      return static_cast<int>(text.size());
    case FieldType::position_link: {
      size_t width = field_size(field);
      size_t record_width = std::min(static_cast<size_t>(field.decimals()), width);
      text = printf_text("#%llu:%llu",
                         static_cast<unsigned long long>(unsigned_of(value, 0, record_width)),
                         static_cast<unsigned long long>(
                             unsigned_of(value, record_width, width - record_width)));
      return static_cast<int>(text.size());
    }
    case FieldType::single_float: {
      float f = 0;
      auto bytes = padded(value, 0, 4);
      std::memcpy(&f, bytes.data(), sizeof f);
      int decimals = field.decimals() > 6 ? 6 : field.decimals();
      text = fixed_text(static_cast<double>(f), decimals);
      return static_cast<int>(text.size());
    }
    case FieldType::double_float: {
      double d = 0;
      auto bytes = padded(value, 0, 8);
      std::memcpy(&d, bytes.data(), sizeof d);
      text = fixed_text(d, field.decimals());
      return static_cast<int>(text.size());
    }
    case FieldType::group:
      return format_group(field, value, context, text);
    default:
      break;
  }
  // Types 0, 6, 7 and 17 to 20 print as integers; anything above has no text form.
  if (type_byte(field.type) > 20) return -1;
  return format_integer(field, value, context, text);
}

ParseResult parse_value(std::string_view text, const ValueField& field, const ValueContext& context,
                std::vector<uint8_t>& bytes) {
  bytes.assign(field_size(field), 0);
  switch (field.type) {
    case FieldType::fixed_text:
      for (size_t i = 0; i < text.size() && i < bytes.size(); ++i) {
        bytes[i] = static_cast<uint8_t>(text[i]);
      }
      return static_cast<int>(bytes.size());
    case FieldType::date: {
      auto number = static_cast<uint64_t>(parse_date(text, context.order));
      if (!fits_unsigned(number, bytes.size())) return ParseFailure::out_of_range;
      put(bytes, 0, bytes.size(), number);
      return static_cast<int>(bytes.size());
    }
    case FieldType::time: {
      int64_t v = parse_time(text, context.order);
      if (!fits_signed(v, bytes.size()) && !(bytes.size() == 3 && fits_unsigned(
                                                  static_cast<uint64_t>(v), 3))) {
        return ParseFailure::out_of_range;
      }
      put(bytes, 0, bytes.size(), static_cast<uint64_t>(v));
      return static_cast<int>(bytes.size());
    }
    case FieldType::link: {
      if (!text.empty() && text[0] == '#') text.remove_prefix(1);
      int64_t record = 0;
      if (ParseResult r = parse_record_number(text, bytes.size(), record); !r.ok()) return r;
      put(bytes, 0, bytes.size(), static_cast<uint64_t>(record));
      return static_cast<int>(bytes.size());
    }
    case FieldType::position_link: {
      if (!text.empty() && text[0] == '#') text.remove_prefix(1);
      size_t record_width = std::min(static_cast<size_t>(field.decimals()), bytes.size());
      size_t colon = text.find(':');
      int64_t record = 0, position = 0;
      if (ParseResult r = parse_record_number(text.substr(0, colon), record_width, record);
          !r.ok()) {
        return r;
      }
      if (colon != std::string_view::npos) {
        ParseResult r = parse_record_number(text.substr(colon + 1), bytes.size() - record_width,
                                    position);
        if (!r.ok()) return r;
      }
      put(bytes, 0, record_width, static_cast<uint64_t>(record));
      put(bytes, record_width, bytes.size() - record_width, static_cast<uint64_t>(position));
      return static_cast<int>(bytes.size());
    }
    case FieldType::signed_integer:
    case FieldType::unsigned_integer:
      return parse_integer(text, field, context, bytes);
    case FieldType::single_float:
    case FieldType::double_float:
      return parse_float(text, field, context, bytes);
    case FieldType::group:
      return parse_group(text, field, context, bytes);
    case FieldType::raw:
    case FieldType::text:
    case FieldType::binary:
    case FieldType::variable:
    case FieldType::expression:
    case FieldType::binary2:
      // Variable-length values are their own stored form.
      bytes.assign(text.begin(), text.end());
      return static_cast<int>(bytes.size());
    default:
      return ParseFailure::bad_type;
  }
}

}  // namespace bw::store
