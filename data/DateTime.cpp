#include "data/DateTime.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>

namespace {

using namespace std::chrono;

constexpr sys_days Epoch = sys_days(year(1899) / December / 30);
constexpr double MillisecondsPerDay = 86400000.0;

// Time of day of a value in whole milliseconds; a fraction that rounds up to a full day stays
// within the day.
long long TimeMilliseconds(TDateTime value) {
  double fraction = std::fabs(value - std::trunc(value));
  auto ms = static_cast<long long>(std::llround(fraction * MillisecondsPerDay));
  return ms >= 86400000 ? 86399999 : ms;
}

}  // namespace

bool TryEncodeDate(int y, int m, int d, TDateTime& result) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  year_month_day date{year(y), month(static_cast<unsigned>(m)), day(static_cast<unsigned>(d))};
  if (!date.ok()) return false;
  result = static_cast<double>((sys_days(date) - Epoch).count());
  return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int milliSecond) {
  return (static_cast<double>(hour) * 3600000.0 + minute * 60000.0 + second * 1000.0 +
          milliSecond) / MillisecondsPerDay;
}

TDateTime CombineDateTime(TDateTime date, TDateTime time) {
  return date < 0 ? date - time : date + time;
}

TDateTimeParts DecodeDateTime(TDateTime value) {
  TDateTimeParts parts;
  if (!std::isfinite(value)) return parts;
  year_month_day date{Epoch + days(static_cast<long long>(std::trunc(value)))};
  parts.Year = static_cast<int>(date.year());
  parts.Month = static_cast<int>(static_cast<unsigned>(date.month()));
  parts.Day = static_cast<int>(static_cast<unsigned>(date.day()));
  long long ms = TimeMilliseconds(value);
  parts.Hour = static_cast<int>(ms / 3600000);
  parts.Minute = static_cast<int>(ms / 60000 % 60);
  parts.Second = static_cast<int>(ms / 1000 % 60);
  parts.MilliSecond = static_cast<int>(ms % 1000);
  return parts;
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

// Writes a number as exactly width digits; called for every date a grid shows, so no printf.
char* PutDigits(char* out, int value, int width) {
  for (int i = width - 1; i >= 0; --i, value /= 10) out[i] = static_cast<char>('0' + value % 10);
  return out + width;
}

char* PutDate(char* out, const TDateTimeParts& p) {
  out = PutDigits(out, p.Year, 4);
  *out++ = '-';
  out = PutDigits(out, p.Month, 2);
  *out++ = '-';
  return PutDigits(out, p.Day, 2);
}

}  // namespace

char* WriteDate(char* out, TDateTime value) { return PutDate(out, DecodeDateTime(value)); }

char* WriteTime(char* out, TDateTime value) {
  long long seconds = std::llround(std::fabs(value) * 86400.0);
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
  TDateTimeParts p = DecodeDateTime(value);
  out = PutDate(out, p);
  *out++ = ' ';
  out = PutDigits(out, p.Hour, 2);
  *out++ = ':';
  out = PutDigits(out, p.Minute, 2);
  *out++ = ':';
  return PutDigits(out, p.Second, 2);
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
  if (colon == 0 || colon == std::string_view::npos || colon > 6 ||
      !ReadDigits(text, 0, colon, hours) || text.size() != colon + 6 || text[colon + 3] != ':' ||
      !ReadDigits(text, colon + 1, 2, minutes) || !ReadDigits(text, colon + 4, 2, seconds) ||
      minutes > 59 || seconds > 59)
    return false;
  result = EncodeTime(hours, minutes, seconds);
  if (negative) result = -result;
  return true;
}

}  // namespace

bool TryParseDateTime(std::string_view text, TDateTime& result) {
  if (text.size() != 10 && text.size() != 19) return TryParseTime(text, result);
  int y, m, d;
  if (text[4] != '-' || text[7] != '-' || !ReadDigits(text, 0, 4, y) ||
      !ReadDigits(text, 5, 2, m) || !ReadDigits(text, 8, 2, d))
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
