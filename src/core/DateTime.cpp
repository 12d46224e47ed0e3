#include "core/DateTime.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/Excption.h"

namespace korv {

namespace {
// Days from 1970-01-01 for a proleptic Gregorian date (H. Hinnant's algorithm).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int &y, int &m, int &d) {
  z += 719468;
  const long long era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long yy = static_cast<long long>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

// 1899-12-30 relative to 1970-01-01.
const long long kEpochOffset = DaysFromCivil(1899, 12, 30);
} // namespace

bool IsValidDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int dim = kDays[month - 1];
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && leap) dim = 29;
  return day <= dim;
}

double EncodeDateTime(const TCivilTime &t) {
  if (!IsValidDate(t.Year, t.Month, t.Day)) throw Exception("Invalid date");
  if (t.Hour < 0 || t.Hour > 23 || t.Minute < 0 || t.Minute > 59 || t.Second < 0 || t.Second > 59)
    throw Exception("Invalid time");
  const double days = static_cast<double>(
      DaysFromCivil(t.Year, static_cast<unsigned>(t.Month), static_cast<unsigned>(t.Day)) - kEpochOffset);
  const double frac = (t.Hour * 3600.0 + t.Minute * 60.0 + t.Second) / 86400.0;
  // Before the epoch the fraction still counts forward within the day.
  return days >= 0 ? days + frac : days - frac;
}

TCivilTime DecodeDateTime(double dayCount) {
  TCivilTime r;
  if (!std::isfinite(dayCount) || std::fabs(dayCount) > 3e6) return r;
  double whole = std::trunc(dayCount);
  double frac = std::fabs(dayCount - whole);
  long long secs = std::llround(frac * 86400.0);
  if (secs >= 86400) {
    secs -= 86400;
    whole += dayCount >= 0 ? 1 : -1;
  }
  CivilFromDays(static_cast<long long>(whole) + kEpochOffset, r.Year, r.Month, r.Day);
  r.Hour = static_cast<int>(secs / 3600);
  r.Minute = static_cast<int>((secs / 60) % 60);
  r.Second = static_cast<int>(secs % 60);
  return r;
}

double NowDayCount() { return UnixTimeToDayCount(static_cast<long long>(std::time(nullptr))); }

double UnixTimeToDayCount(long long seconds) {
  const auto now = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&now, &local);
  TCivilTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
               local.tm_hour,        local.tm_min,     local.tm_sec > 59 ? 59 : local.tm_sec};
  return EncodeDateTime(t);
}

std::string DateTimeToText(double dayCount) {
  const TCivilTime t = DecodeDateTime(dayCount);
  char buf[64];
  if (t.Hour == 0 && t.Minute == 0 && t.Second == 0) {
    std::snprintf(buf, sizeof buf, "%d/%d/%d", t.Month, t.Day, t.Year);
  } else {
    const int h12 = t.Hour % 12 == 0 ? 12 : t.Hour % 12;
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d %s", t.Month, t.Day, t.Year, h12, t.Minute, t.Second,
                  t.Hour < 12 ? "AM" : "PM");
  }
  return buf;
}

namespace {
bool ReadInt(std::string_view s, std::size_t &i, int &value, int maxDigits) {
  int digits = 0;
  long v = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && digits < maxDigits) {
    v = v * 10 + (s[i] - '0');
    ++i;
    ++digits;
  }
  value = static_cast<int>(v);
  return digits > 0;
}
void SkipBlanks(std::string_view s, std::size_t &i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
    ++i;
}
} // namespace

std::optional<double> TextToDateTime(std::string_view s) {
  std::size_t i = 0;
  SkipBlanks(s, i);
  TCivilTime t;
  if (!ReadInt(s, i, t.Month, 2) || i >= s.size() || s[i] != '/') return std::nullopt;
  ++i;
  if (!ReadInt(s, i, t.Day, 2) || i >= s.size() || s[i] != '/') return std::nullopt;
  ++i;
  if (!ReadInt(s, i, t.Year, 4)) return std::nullopt;
  SkipBlanks(s, i);
  if (i < s.size()) {
    if (!ReadInt(s, i, t.Hour, 2) || i >= s.size() || s[i] != ':') return std::nullopt;
    ++i;
    if (!ReadInt(s, i, t.Minute, 2)) return std::nullopt;
    if (i < s.size() && s[i] == ':') {
      ++i;
      if (!ReadInt(s, i, t.Second, 2)) return std::nullopt;
    }
    SkipBlanks(s, i);
    if (i < s.size()) {
      const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
      if ((c != 'A' && c != 'P') || t.Hour < 1 || t.Hour > 12) return std::nullopt;
      ++i;
      if (i < s.size() && std::toupper(static_cast<unsigned char>(s[i])) == 'M') ++i;
      SkipBlanks(s, i);
      if (i != s.size()) return std::nullopt;
      t.Hour = t.Hour % 12 + (c == 'P' ? 12 : 0);
    }
  }
  if (!IsValidDate(t.Year, t.Month, t.Day) || t.Hour > 23 || t.Minute > 59 || t.Second > 59) return std::nullopt;
  return EncodeDateTime(t);
}

} // namespace korv
