#pragma once
// Date-time values as days since 1899-12-30, with their encoding and decoding.
#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

// Date-time values: days since 1899-12-30 with the time of day as the fraction. For dates before
// that day the fraction still counts forward from midnight (-1.25 is 1899-12-29 06:00).
using TDateTime = double;

struct TDateTimeParts {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

// False when the date does not exist (month 0, day 0, 31 April, year outside 1..9999).
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeTime(int hour, int minute, int second, int milliSecond = 0);
// Joins a date and a time of day the way the run-time convention wants it for negative dates.
inline TDateTime CombineDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

namespace date_detail {

inline constexpr std::chrono::sys_days Epoch =
    std::chrono::sys_days(std::chrono::year(1899) / std::chrono::December / 30);

constexpr bool IsLeapYear(int y) {
  return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

constexpr bool DateExists(int y, int m, int d) {
  constexpr unsigned char Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= (m == 2 && IsLeapYear(y) ? 29 : Days[m - 1]);
}

// Days since the base date of a date already checked to exist.
constexpr long long DayNumber(int y, int m, int d) {
  std::chrono::year_month_day date{std::chrono::year(y), std::chrono::month(static_cast<unsigned>(m)),
                                   std::chrono::day(static_cast<unsigned>(d))};
  return (std::chrono::sys_days(date) - Epoch).count();
}

}  // namespace date_detail

// A date and a time of day in one step, as CombineDateTime(date, EncodeTime(...)) gives them;
// false also for a time outside 00:00:00..23:59:59. Always inline: every fetched date passes
// here, and parts read from digits then need none of the checks against negatives.
[[gnu::always_inline]] inline bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                                                     TDateTime& result, int milliSecond = 0) {
  if (!date_detail::DateExists(year, month, day) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
      second > 59 || milliSecond < 0 || milliSecond > 999)
    return false;
  // The milliseconds of the day are exact in a double, so this is the value EncodeTime gives.
  double date = static_cast<double>(date_detail::DayNumber(year, month, day));
  double time = static_cast<double>(hour * 3600000 + minute * 60000 + second * 1000 + milliSecond) / 86400000.0;
  result = CombineDateTime(date, time);
  return true;
}
TDateTimeParts DecodeDateTime(TDateTime value);

// The workstation's current local date and time, to the millisecond.
TDateTime Now();

// 0100-01-01 00:00, the lowest date the date type holds; stands in for dates that do not exist.
TDateTime ZeroDate();

std::string FormatDate(TDateTime value);      // YYYY-MM-DD
std::string FormatTime(TDateTime value);      // HH:MM:SS, hours not limited, "-" when negative
std::string FormatDateTime(TDateTime value);  // YYYY-MM-DD HH:MM:SS

// The same texts written into a caller's buffer of at least DateTimeTextCapacity characters,
// for readers that format many values; each returns the end of the text.
constexpr std::size_t DateTimeTextCapacity = 32;
char* WriteDate(char* out, TDateTime value);
char* WriteTime(char* out, TDateTime value);
char* WriteDateTime(char* out, TDateTime value);

// Reads count decimal digits of text starting at from; false when one is not a digit or the
// text ends first. Inline: every date of every fetched row passes through it.
inline bool ReadDigits(std::string_view text, std::size_t from, std::size_t count, int& value) {
  if (from + count > text.size()) return false;
  value = 0;
  for (std::size_t i = from; i < from + count; ++i) {
    char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// Reads "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "[-]H:MM:SS"; false for anything else.
bool TryParseDateTime(std::string_view text, TDateTime& result);
