// Speed-critical: timed by bench/DatasetBench.cpp (bench/run.sh); the DateTime tests in
// tests/dataset/RecordStoreTest.cpp and the date cases of tests/driver/RowConversionTest.cpp guard its shortcuts.
#include "dataset/DateTime.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

namespace {

using namespace std::chrono;

constexpr double MillisecondsPerDay = 86400000.0;
constexpr long long MillisecondsPerDayCount = 86400000;

// x rounded half away from zero for x >= 0 below 2^63, as llround does, without its call:
// the difference to the truncated value is exact, so the half case is decided exactly.
long long RoundNonNegative(double x) {
  auto whole = static_cast<long long>(x);
  return whole + (x - static_cast<double>(whole) >= 0.5 ? 1 : 0);
}

}  // namespace

bool TryEncodeDate(int y, int m, int d, TDateTime& result) {
  if (!date_detail::DateExists(y, m, d)) return false;
  result = static_cast<double>(date_detail::DayNumber(y, m, d));
  return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int milliSecond) {
  return (static_cast<double>(hour) * 3600000.0 + minute * 60000.0 + second * 1000.0 + milliSecond) /
         MillisecondsPerDay;
}

namespace {

// Inline here so that the text writers keep the parts in registers.
inline TDateTimeParts DecodeParts(TDateTime value) {
  TDateTimeParts parts;
  // Beyond 2^63 days no whole-day count exists; such values decode like infinities.
  if (!(std::fabs(value) < 9.2e18)) return parts;
  auto wholeDays = static_cast<long long>(value);
  year_month_day date{date_detail::Epoch + days(wholeDays)};
  parts.Year = static_cast<int>(date.year());
  parts.Month = static_cast<int>(static_cast<unsigned>(date.month()));
  parts.Day = static_cast<int>(static_cast<unsigned>(date.day()));
  // The time of day counts forward from midnight on either side of the base date; a fraction
  // that rounds up to a full day stays within the day.
  long long ms = RoundNonNegative(std::fabs(value - static_cast<double>(wholeDays)) * MillisecondsPerDay);
  if (ms >= MillisecondsPerDayCount) ms = MillisecondsPerDayCount - 1;
  // Unsigned: ms is not negative here, and unsigned division by a constant is a multiply.
  auto whole = static_cast<unsigned>(ms);
  unsigned seconds = whole / 1000;
  parts.Hour = static_cast<int>(seconds / 3600);
  parts.Minute = static_cast<int>(seconds / 60 % 60);
  parts.Second = static_cast<int>(seconds % 60);
  parts.MilliSecond = static_cast<int>(whole % 1000);
  return parts;
}

}  // namespace

TDateTimeParts DecodeDateTime(TDateTime value) {
  return DecodeParts(value);
}

TDateTime Now() {
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  int milliSecond = static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  TDateTime date = 0;
  TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
  return CombineDateTime(date, EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, milliSecond));
}

TDateTime ZeroDate() {
  TDateTime result = 0;
  TryEncodeDate(100, 1, 1, result);
  return result;
}

namespace {

// Writes a number as exactly width digits, whatever its range.
char* PutDigits(char* out, int value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  return out + width;
}

// Two digits of 0..99 in one copy; called for every date a grid shows, so no printf.
inline char* PutTwoDigits(char* out, unsigned value) {
  static constexpr char Pairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  std::memcpy(out, Pairs + 2 * value, 2);
  return out + 2;
}

inline char* PutDate(char* out, const TDateTimeParts& p) {
  if (p.Year >= 0 && p.Year <= 9999) {
    auto year = static_cast<unsigned>(p.Year);
    out = PutTwoDigits(out, year / 100);
    out = PutTwoDigits(out, year % 100);
  } else {
    out = PutDigits(out, p.Year, 4);
  }
  *out++ = '-';
  out = PutTwoDigits(out, static_cast<unsigned>(p.Month));
  *out++ = '-';
  return PutTwoDigits(out, static_cast<unsigned>(p.Day));
}

}  // namespace

char* WriteDate(char* out, TDateTime value) {
  return PutDate(out, DecodeParts(value));
}

char* WriteTime(char* out, TDateTime value) {
  // Whole seconds, as for date-times: milliseconds never round a time up to the next second.
  long long seconds = std::llround(std::fabs(value) * MillisecondsPerDay) / 1000;
  if (value < 0) *out++ = '-';
  long long hours = seconds / 3600;
  if (hours >= 0 && hours < 10) *out++ = '0';
  out = std::to_chars(out, out + 20, hours).ptr;
  *out++ = ':';
  out = PutDigits(out, static_cast<int>(seconds / 60 % 60), 2);
  *out++ = ':';
  return PutDigits(out, static_cast<int>(seconds % 60), 2);
}

char* WriteDateTime(char* out, TDateTime value) {
  TDateTimeParts p = DecodeParts(value);
  out = PutDate(out, p);
  *out++ = ' ';
  out = PutTwoDigits(out, static_cast<unsigned>(p.Hour));
  *out++ = ':';
  out = PutTwoDigits(out, static_cast<unsigned>(p.Minute));
  *out++ = ':';
  return PutTwoDigits(out, static_cast<unsigned>(p.Second));
}

std::string FormatDate(TDateTime value) {
  char text[DateTimeTextCapacity];
  return std::string(text, WriteDate(text, value));
}

std::string FormatTime(TDateTime value) {
  char text[DateTimeTextCapacity];
  return std::string(text, WriteTime(text, value));
}

std::string FormatDateTime(TDateTime value) {
  char text[DateTimeTextCapacity];
  return std::string(text, WriteDateTime(text, value));
}

namespace {

bool TryParseTime(std::string_view text, TDateTime& result) {
  bool negative = !text.empty() && text.front() == '-';
  if (negative) text.remove_prefix(1);
  std::size_t colon = text.find(':');
  int hours, minutes, seconds;
  if (colon == 0 || colon == std::string_view::npos || colon > 6 || !ReadDigits(text, 0, colon, hours) ||
      text.size() != colon + 6 || text[colon + 3] != ':' || !ReadDigits(text, colon + 1, 2, minutes) ||
      !ReadDigits(text, colon + 4, 2, seconds) || minutes > 59 || seconds > 59)
    return false;
  result = EncodeTime(hours, minutes, seconds);
  if (negative) result = -result;
  return true;
}

}  // namespace

bool TryParseDateTime(std::string_view text, TDateTime& result) {
  if (text.size() != 10 && text.size() != 19) return TryParseTime(text, result);
  int y, m, d;
  if (text[4] != '-' || text[7] != '-' || !ReadDigits(text, 0, 4, y) || !ReadDigits(text, 5, 2, m) ||
      !ReadDigits(text, 8, 2, d))
    return TryParseTime(text, result);
  TDateTime date;
  if (!TryEncodeDate(y, m, d, date)) return false;
  if (text.size() == 10) {
    result = date;
    return true;
  }
  TDateTime time;
  if (text[10] != ' ' || !TryParseTime(text.substr(11), time) || time >= 1) return false;
  result = CombineDateTime(date, time);
  return true;
}
