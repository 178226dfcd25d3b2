// Stored values printed as text and text converted back into stored values.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "store/value_text.h"

namespace bw::store {
namespace {

ValueField field(FieldType type, int size, int flags = 0, int offset = 0) {
  ValueField f;
  f.type = type;
  f.size = size;
  f.flags = flags;
  f.offset = offset;
  return f;
}

ValueContext native(DateOrder order = DateOrder::day_month_year) {
  ValueContext c;
  c.image_magic = kMagicNative;
  c.order = order;
  return c;
}

ValueContext compact() {
  ValueContext c = native();
  c.image_magic = kMagicCompact;
  return c;
}

std::vector<uint8_t> le(int64_t v, int width) {
  std::vector<uint8_t> bytes(static_cast<size_t>(width));
  for (int i = 0; i < width; ++i) bytes[static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  return bytes;
}

std::string format(const ValueField& f, const std::vector<uint8_t>& bytes,
                   const ValueContext& context = native()) {
  std::string text = "junk";
  int length = format_value(f, bytes, context, text);
  EXPECT_EQ(length, static_cast<int>(text.size()));
  return text;
}

std::vector<uint8_t> parse(std::string_view text, const ValueField& f,
                           const ValueContext& context = native()) {
  std::vector<uint8_t> bytes;
  const ParseResult result = parse_value(text, f, context, bytes);
  EXPECT_TRUE(result.ok()) << text;
  EXPECT_EQ(result.length, static_cast<int>(bytes.size())) << text;
  return bytes;
}

TEST(FormatValue, IntegersWithImpliedDecimals) {
  struct Case { FieldType type; int size, decimals; int64_t stored; const char* text; };
  const Case cases[] = {
      {FieldType::signed_integer, 4, 0, 123, "123"},
      {FieldType::signed_integer, 4, 0, -123, "-123"},
      {FieldType::signed_integer, 4, 2, 123, "1.23"},
      {FieldType::signed_integer, 4, 2, 0, "0.00"},
      {FieldType::signed_integer, 4, 2, 5, ".05"},
      {FieldType::signed_integer, 4, 2, -5, "-.05"},
      {FieldType::signed_integer, 4, 2, -123, "-1.23"},
      {FieldType::signed_integer, 1, 0, 0xFF, "-1"},
      {FieldType::signed_integer, 2, 1, 0xFFFF, "-.1"},
      {FieldType::unsigned_integer, 1, 0, 0xFF, "255"},
      {FieldType::unsigned_integer, 8, 0, -1, "18446744073709551615"},
      {FieldType::unsigned_integer, 4, 3, 1234567, "1234.567"},
      {FieldType::raw, 2, 0, 0xFFFE, "-2"},
      {type_of_byte(19), 4, 0, 77, "77"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(format(field(c.type, c.size, c.decimals), le(c.stored, c.size)), c.text)
        << "type " << int{type_byte(c.type)} << " stored " << c.stored;
  }
}

TEST(FormatValue, CompactStoresShiftIntegersByOne) {
  EXPECT_EQ(format(field(FieldType::signed_integer, 4), le(0, 4), compact()), "");
  EXPECT_EQ(format(field(FieldType::signed_integer, 4), le(6, 4), compact()), "5");
  EXPECT_EQ(format(field(FieldType::signed_integer, 4), le(1, 4), compact()), "0");
  EXPECT_EQ(format(field(FieldType::signed_integer, 4), le(-6, 4), compact()), "-6");
  EXPECT_EQ(format(field(FieldType::unsigned_integer, 2, 1), le(124, 2), compact()), "12.3");
}

TEST(FormatValue, FloatsUseTheirDecimals) {
  float f = 3.14159265f;
  std::vector<uint8_t> fb(4);
  std::memcpy(fb.data(), &f, 4);
  EXPECT_EQ(format(field(FieldType::single_float, 4, 2), fb), "3.14");
  EXPECT_EQ(format(field(FieldType::single_float, 4, 9), fb), "3.141593");  // at most six decimals
  double d = -2.5;
  std::vector<uint8_t> db(8);
  std::memcpy(db.data(), &d, 8);
  EXPECT_EQ(format(field(FieldType::double_float, 8, 0), db), "-2");  // "%.0f" rounds half to even
  EXPECT_EQ(format(field(FieldType::double_float, 8, 9), db), "-2.500000000");
}

// Every C runtime must print these alike: the stores' texts are compared across systems.
TEST(FormatValue, NumbersPrintAlikeOnEveryRuntime) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    double v;
    int decimals;
    const char* text;
  } cases[] = {
      {nan, 6, "nan"},        {-nan, 6, "-nan"},      {inf, 2, "inf"},
      {-inf, 0, "-inf"},      {0.5, 0, "0"},          {1.5, 0, "2"},
      {-0.0, 2, "-0.00"},     {1e-7, 6, "0.000000"},  {0.125, 2, "0.12"},
      {1e21, 1, "1000000000000000000000.0"},
  };
  for (const Case& c : cases) EXPECT_EQ(fixed_text(c.v, c.decimals), c.text) << c.v;
  double negative_nan = -nan;
  std::vector<uint8_t> db(8);
  std::memcpy(db.data(), &negative_nan, 8);
  EXPECT_EQ(format(field(FieldType::double_float, 8, 3), db), "-nan");
}

TEST(FormatValue, DatesTimesAndLinks) {
  int june15 = day_number(15, 6, 2007);
  EXPECT_EQ(format(field(FieldType::date, 3), le(june15, 3)), "15.06.2007");
  EXPECT_EQ(format(field(FieldType::date, 3), le(june15, 3), native(DateOrder::month_day_year)),
            "06/15/2007");
  EXPECT_EQ(format(field(FieldType::date, 3), le(381, 3)), "");
  EXPECT_EQ(format(field(FieldType::time, 3), le(3601, 3)), "01:00:00");
  int64_t stamp = (june15 - 719544LL) * 86400 + 3601 + 1;
  EXPECT_EQ(format(field(FieldType::time, 4), le(stamp, 4)), "15.06.2007 01:00:00");
  EXPECT_EQ(format(field(FieldType::time, 4), le(-5, 4)), "");
  EXPECT_EQ(format(field(FieldType::link, 4), le(42, 4)), "#42");
  // Both parts of a position link are unsigned: 0xFFFF prints as 65535.
  std::vector<uint8_t> pos = {0xFF, 0xFF, 7, 0, 0, 0};
  EXPECT_EQ(format(field(FieldType::position_link, 6, 2), pos), "#65535:7");
}

TEST(FormatValue, TextAndBinaryKeepTheirBytes) {
  std::vector<uint8_t> bytes = {'a', 0, 'b', 0};
  std::string text;
  for (FieldType type : {FieldType::fixed_text, FieldType::text, FieldType::binary,
                         FieldType::binary2, FieldType::variable}) {
    EXPECT_EQ(format_value(field(type, 4), bytes, native(), text), 4) << int{type_byte(type)};
    EXPECT_EQ(text, std::string("a\0b\0", 4)) << int{type_byte(type)};
  }
}

TEST(FormatValue, EmptyValuesAndUnknownTypes) {
  std::string text = "junk";
  for (FieldType type : {FieldType::fixed_text, FieldType::signed_integer, FieldType::date,
                         FieldType::group, type_of_byte(25)}) {
    EXPECT_EQ(format_value(field(type, 4), {}, native(), text), 0) << int{type_byte(type)};
    EXPECT_EQ(text, "");
  }
  EXPECT_EQ(format_value(field(type_of_byte(21), 4), le(1, 4), native(), text), -1);
  EXPECT_EQ(text, "");
}

TEST(FormatValue, ShortValueNeverReadsPastItsEnd) {
  // A value shorter than its field prints from the bytes present (zero above them).
  std::vector<uint8_t> one = {5};
  EXPECT_EQ(format(field(FieldType::signed_integer, 8), one), "5");
  EXPECT_EQ(format(field(FieldType::double_float, 8), one).empty(), false);
  EXPECT_EQ(format(field(FieldType::position_link, 8, 15), one), "#5:0");
}

ValueField pair_group() {
  ValueField g = field(FieldType::group, 7);
  g.members.push_back(field(FieldType::fixed_text, 3, 0, 0));
  g.members.push_back(field(FieldType::signed_integer, 4, 1, 3));
  return g;
}

TEST(FormatValue, GroupsJoinTheirSubFields) {
  std::vector<uint8_t> bytes = {'a', 'b', 'c'};
  auto number = le(-15, 4);
  bytes.insert(bytes.end(), number.begin(), number.end());
  EXPECT_EQ(format(pair_group(), bytes), "{abc;-1.5}");

  ValueField outer = field(FieldType::group, 9);
  outer.members.push_back(field(FieldType::signed_integer, 2, 0, 0));
  ValueField inner = pair_group();
  inner.offset = 2;
  outer.members.push_back(inner);
  std::vector<uint8_t> nested = le(9, 2);
  nested.insert(nested.end(), bytes.begin(), bytes.end());
  EXPECT_EQ(format(outer, nested), "{9;{abc;-1.5}}");
  // A cut group value leaves the missing sub-fields empty.
  nested.resize(2);
  EXPECT_EQ(format(outer, nested), "{9;}");
}

TEST(ParseValue, IntegersScaledToImpliedDecimals) {
  struct Case { FieldType type; int size, decimals; const char* text; int64_t stored; };
  const Case cases[] = {
      {FieldType::signed_integer, 4, 2, "1.23", 123},
      {FieldType::signed_integer, 4, 2, "1.239", 123},
      {FieldType::signed_integer, 4, 2, "1", 100},
      {FieldType::signed_integer, 4, 2, ".5", 50},
      {FieldType::signed_integer, 4, 2, "-0.05", -5},
      {FieldType::signed_integer, 4, 0, "+17", 17},
      {FieldType::signed_integer, 4, 0, "", 0},
      {FieldType::signed_integer, 4, 0, "0x1F", 31},
      {FieldType::signed_integer, 4, 1, "0x10", 160},
      {FieldType::unsigned_integer, 4, 0, "-5", 5},
      {FieldType::signed_integer, 1, 0, "-128", -128},
      {FieldType::unsigned_integer, 1, 0, "255", 255},
      {FieldType::signed_integer, 8, 0, "9223372036854775807", INT64_MAX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse(c.text, field(c.type, c.size, c.decimals)), le(c.stored, c.size))
        << c.text;
  }
}

TEST(ParseValue, NumbersThatDoNotFitAreRefused) {
  std::vector<uint8_t> bytes;
  for (const char* text : {"128", "-129", "99999999999999999999", "0xFFFFFFFFFFFFFFFFF"}) {
    EXPECT_EQ(parse_value(text, field(FieldType::signed_integer, 1), native(), bytes).failure,
              ParseFailure::out_of_range)
        << text;
  }
  EXPECT_EQ(parse_value("256", field(FieldType::unsigned_integer, 1), native(), bytes).failure,
            ParseFailure::out_of_range);
  EXPECT_EQ(parse_value("300000", field(FieldType::link, 2), native(), bytes).failure,
            ParseFailure::out_of_range);
  // A date needs three bytes, a date-time after 2038 more than four.
  EXPECT_EQ(parse_value("15.06.2007", field(FieldType::date, 2), native(), bytes).failure,
            ParseFailure::out_of_range);
  EXPECT_EQ(parse_value("01.01.2040 00:00:00", field(FieldType::time, 4), native(), bytes).failure,
            ParseFailure::out_of_range);
  EXPECT_EQ(parse_value("01.01.2040 00:00:00", field(FieldType::time, 8), native(), bytes).length,
            8);
}

TEST(ParseValue, CompactStoresShiftNonNegativeIntegersByOne) {
  EXPECT_EQ(parse("5", field(FieldType::signed_integer, 4), compact()), le(6, 4));
  EXPECT_EQ(parse("0", field(FieldType::signed_integer, 4), compact()), le(1, 4));
  EXPECT_EQ(parse("", field(FieldType::signed_integer, 4), compact()), le(0, 4));
  EXPECT_EQ(parse("-3", field(FieldType::signed_integer, 4), compact()), le(-3, 4));
  // What is parsed prints back as the same text.
  for (const char* text : {"5", "0", "", "-3", "12.5"}) {
    ValueField f = field(FieldType::signed_integer, 4, 1);
    std::string back = format(f, parse(text, f, compact()), compact());
    EXPECT_EQ(back, std::string(text) == "5"      ? "5.0"
                    : std::string(text) == "0"    ? "0.0"
                    : std::string(text) == "-3"   ? "-3.0"
                                                  : text);
  }
}

TEST(ParseValue, ExpressionsGoThroughTheEvaluator) {
  std::vector<uint8_t> bytes;
  EXPECT_EQ(parse_value("2*3", field(FieldType::signed_integer, 4), native(), bytes).failure,
            ParseFailure::no_expressions);
  EXPECT_EQ(parse_value("^2", field(FieldType::double_float, 8), native(), bytes).failure,
            ParseFailure::no_expressions);

  ValueContext context = native();
  std::string seen;
  context.evaluate = [&](std::string_view text) {
    seen = text;
    return 6.25;
  };
  EXPECT_EQ(parse("2*3", field(FieldType::signed_integer, 4, 1), context), le(62, 4));
  EXPECT_EQ(seen, "2*3");
  std::vector<uint8_t> expected(8);
  double d = 6.25;
  std::memcpy(expected.data(), &d, 8);
  EXPECT_EQ(parse("^2+1", field(FieldType::double_float, 8), context), expected);
  context.evaluate = [](std::string_view) { return 1e300; };
  EXPECT_EQ(parse_value("x", field(FieldType::signed_integer, 4), context, bytes).failure,
            ParseFailure::out_of_range);
}

TEST(ParseValue, FloatsAndDoubles) {
  float f = 0;
  std::vector<uint8_t> bytes = parse("-1.5e2", field(FieldType::single_float, 4));
  ASSERT_EQ(bytes.size(), 4u);
  std::memcpy(&f, bytes.data(), 4);
  EXPECT_EQ(f, -150.0f);
  double d = 1;
  bytes = parse("", field(FieldType::double_float, 8));
  std::memcpy(&d, bytes.data(), 8);
  EXPECT_EQ(d, 0.0);
  bytes = parse("+.25", field(FieldType::double_float, 8));
  std::memcpy(&d, bytes.data(), 8);
  EXPECT_EQ(d, 0.25);
}

TEST(ParseValue, TextDatesTimesAndLinks) {
  EXPECT_EQ(parse("abcdef", field(FieldType::fixed_text, 4)),
            (std::vector<uint8_t>{'a', 'b', 'c', 'd'}));
  EXPECT_EQ(parse("ab", field(FieldType::fixed_text, 4)), (std::vector<uint8_t>{'a', 'b', 0, 0}));
  EXPECT_EQ(parse("15.06.2007", field(FieldType::date, 3)), le(day_number(15, 6, 2007), 3));
  EXPECT_EQ(parse("31.02.2007", field(FieldType::date, 3)), le(0, 3));
  EXPECT_EQ(parse("01:00:00", field(FieldType::time, 3)), le(3601, 3));
  EXPECT_EQ(parse("#42", field(FieldType::link, 4)), le(42, 4));
  EXPECT_EQ(parse("42", field(FieldType::link, 2)), le(42, 2));
  EXPECT_EQ(parse("#3:7", field(FieldType::position_link, 6, 2)),
            (std::vector<uint8_t>{3, 0, 7, 0, 0, 0}));
  EXPECT_EQ(parse("#3", field(FieldType::position_link, 6, 2)),
            (std::vector<uint8_t>{3, 0, 0, 0, 0, 0}));
  EXPECT_EQ(parse("line one\nline two", field(FieldType::text, 4)).size(), 17u);
  std::vector<uint8_t> bytes;
  EXPECT_EQ(parse_value("x", field(FieldType::complex, 4), native(), bytes).failure,
            ParseFailure::bad_type);
}

TEST(ParseValue, GroupsFillTheirSubFields) {
  std::vector<uint8_t> expected = {'a', 'b', 'c'};
  auto number = le(-15, 4);
  expected.insert(expected.end(), number.begin(), number.end());
  EXPECT_EQ(parse("{abc;-1.5}", pair_group()), expected);
  EXPECT_EQ(parse("abc;-1.5", pair_group()), expected);  // the outer braces are optional

  ValueField outer = field(FieldType::group, 9);
  outer.members.push_back(field(FieldType::signed_integer, 2, 0, 0));
  ValueField inner = pair_group();
  inner.offset = 2;
  outer.members.push_back(inner);
  std::vector<uint8_t> nested = le(9, 2);
  nested.insert(nested.end(), expected.begin(), expected.end());
  EXPECT_EQ(parse("{9;{abc;-1.5}}", outer), nested);
  EXPECT_EQ(format(outer, parse("{9;{abc;-1.5}}", outer)), "{9;{abc;-1.5}}");

  std::vector<uint8_t> bytes;
  for (const char* text : {"{abc;1", "abc};{", "{{9;1}", "}{"}) {
    EXPECT_EQ(parse_value(text, outer, native(), bytes).failure, ParseFailure::unbalanced) << text;
  }
  // The first sub-field that fails gives the group's result.
  EXPECT_EQ(parse_value("{abc;x+1}", pair_group(), native(), bytes).failure,
            ParseFailure::no_expressions);
  EXPECT_EQ(parse_value("{99999;x}", outer, native(), bytes).failure, ParseFailure::out_of_range);
}

}  // namespace
}  // namespace bw::store
