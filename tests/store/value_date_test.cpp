// Calendar arithmetic of dates, times and date-times, and the date order.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/environment.h"
#include "store/value_text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace bw::store {
namespace {

constexpr DateOrder kDmy = DateOrder::day_month_year;
constexpr DateOrder kMdy = DateOrder::month_day_year;

TEST(DayNumber, KnownDatesAndInvalidOnes) {
  struct Case { int day, month, year, number; };
  const Case cases[] = {
      {1, 1, 1, 382},        {1, 1, 1970, 719544},  {29, 2, 2000, 730560},
      {29, 2, 1900, 0},      {29, 2, 2004, 732021}, {29, 2, 2003, 0},
      {31, 4, 2007, 0},      {0, 1, 2007, 0},       {1, 13, 2007, 0},
      {1, 0, 2007, 0},       {1, 1, 0, 0},          {31, 12, 9999, 3652440},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(day_number(c.day, c.month, c.year), c.number)
        << c.day << "." << c.month << "." << c.year;
  }
}

TEST(DayNumber, InverseAgreesWithForwardOverFourCenturies) {
  // Every day from year 1800 to 2200, including the century leap-year rules.
  int start = day_number(1, 1, 1800);
  int end = day_number(31, 12, 2200);
  int previous_day = 31, previous_month = 12, previous_year = 1799;
  for (int n = start; n <= end; ++n) {
    int day = 0, month = 0, year = 0;
    ASSERT_TRUE(date_of_day_number(n, day, month, year)) << n;
    ASSERT_EQ(day_number(day, month, year), n) << day << "." << month << "." << year;
    // Consecutive numbers are consecutive calendar days.
    bool next_in_month = day == previous_day + 1 && month == previous_month &&
                         year == previous_year;
    bool next_month = day == 1 && (month == previous_month + 1 ||
                                   (month == 1 && previous_month == 12 &&
                                    year == previous_year + 1));
    ASSERT_TRUE(next_in_month || next_month) << n;
    previous_day = day, previous_month = month, previous_year = year;
  }
}

TEST(DayNumber, BelowTheFirstDayThereIsNoDate) {
  int day = -7, month = -7, year = -7;
  EXPECT_FALSE(date_of_day_number(381, day, month, year));
  EXPECT_FALSE(date_of_day_number(0, day, month, year));
  EXPECT_FALSE(date_of_day_number(-5, day, month, year));
  EXPECT_EQ(day, -7);
  EXPECT_EQ(format_date(381, kDmy), "");
  EXPECT_EQ(format_date(382, kDmy), "01.01.0001");
}

TEST(DateText, PrintsInTheGivenOrder) {
  int june15 = day_number(15, 6, 2007);
  EXPECT_EQ(format_date(june15, kDmy), "15.06.2007");
  EXPECT_EQ(format_date(june15, kMdy), "06/15/2007");
}

TEST(DateText, SeparatorDecidesOrderElseTheProcessOrder) {
  struct Case { const char* text; DateOrder order; int day, month, year; };
  const Case cases[] = {
      {"12/05/2007", kDmy, 5, 12, 2007}, {"12/05/2007", kMdy, 5, 12, 2007},
      {"12.05.2007", kDmy, 12, 5, 2007}, {"12.05.2007", kMdy, 12, 5, 2007},
      {"12-05-2007", kDmy, 12, 5, 2007}, {"12-05-2007", kMdy, 5, 12, 2007},
      {"1/2/2007", kDmy, 1, 2, 2007},    {"1/2/2007", kMdy, 2, 1, 2007},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parse_date(c.text, c.order), day_number(c.day, c.month, c.year)) << c.text;
  }
}

TEST(DateText, IncompleteOrInvalidTextGivesNoDate) {
  for (const char* text : {"", "12.05", "ab.cd.efgh", "31.02.2007", "00.00.0000", "12.05."}) {
    EXPECT_EQ(parse_date(text, kDmy), 0) << '"' << text << '"';
  }
}

TEST(TimeText, TimeOfDayBothWays) {
  EXPECT_EQ(format_time(3601), "01:00:00");
  EXPECT_EQ(format_time(1), "");   // midnight is stored as 1 and prints as nothing
  EXPECT_EQ(format_time(0), "");
  EXPECT_EQ(format_time(86400), "23:59:59");
  EXPECT_EQ(format_time(86400 + 3601), "01:00:00");  // hours wrap at 24
  EXPECT_EQ(parse_time("01:00:00", kDmy), 3601);
  EXPECT_EQ(parse_time("   12:34:56", kDmy), 12 * 3600 + 34 * 60 + 56 + 1);
  EXPECT_EQ(parse_time("12:34", kDmy), 12 * 3600 + 34 * 60 + 1);
  EXPECT_EQ(parse_time("", kDmy), 0);
  EXPECT_EQ(parse_time("   ", kDmy), 0);
}

TEST(TimeText, DateTimeBothWays) {
  int64_t days = day_number(15, 6, 2007) - 719544;
  int64_t noon_half = days * 86400 + (12 * 3600 + 30 * 60 + 1) + 1;
  EXPECT_EQ(parse_time("15.06.2007 12:30:00", kDmy), noon_half);
  EXPECT_EQ(format_date_time(noon_half, kDmy), "15.06.2007 12:30:00");
  EXPECT_EQ(format_date_time(noon_half, kMdy), "06/15/2007 12:30:00");
  EXPECT_EQ(parse_time("06/15/2007 12:30:00", kDmy), noon_half);

  // A date without a time: the day's midnight, printed with an empty time.
  int64_t date_only = parse_time("15.06.2007", kDmy);
  EXPECT_EQ(date_only, days * 86400 + 1);
  EXPECT_EQ(format_date_time(date_only, kDmy), "15.06.2007 ");

  // Dates before 1970 clamp to its start; values below 2 print as nothing.
  EXPECT_EQ(parse_time("31.12.1969 00:00:05", kDmy), 0 + 6 + 1);
  EXPECT_EQ(format_date_time(1, kDmy), "");
}

TEST(DateOrder, ChosenFromTimeZoneVariable) {
  EXPECT_EQ(date_order_for_tz(nullptr), kDmy);
  EXPECT_EQ(date_order_for_tz(""), kDmy);
  EXPECT_EQ(date_order_for_tz("Europe/Berlin"), kDmy);
  EXPECT_EQ(date_order_for_tz("US/Pacific"), kMdy);
  EXPECT_EQ(date_order_for_tz("Canada/Eastern"), kMdy);
  EXPECT_EQ(date_order_for_tz("us/pacific"), kDmy);  // the match is case-sensitive
}

TEST(DateOrder, FixedOncePerProcess) {
  DateOrder first = date_order();
  const std::optional<std::string> tz = platform::environment_variable("TZ");
  EXPECT_EQ(first, date_order_for_tz(tz ? tz->c_str() : nullptr));
  const char* other = first == kDmy ? "US/Central" : "Europe/Rome";
#ifdef _WIN32
  SetEnvironmentVariableA("TZ", other);
#else
  setenv("TZ", other, 1);
#endif
  EXPECT_EQ(date_order(), first);
}

}  // namespace
}  // namespace bw::store
