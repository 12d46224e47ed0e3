#pragma once
// Date-times are day counts since 30 December 1899; the fraction is the time
// of day. Conversions here are locale-independent.
#include <optional>
#include <string>
#include <string_view>

namespace korv {

struct TCivilTime {
  int Year = 1899;
  int Month = 12;
  int Day = 30;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
};

bool IsValidDate(int year, int month, int day);
// Throws Exception for an impossible date or time.
double EncodeDateTime(const TCivilTime &t);
TCivilTime DecodeDateTime(double dayCount);
// Current local time as a day count.
double NowDayCount();
// Local time of seconds since 1970 (a file time) as a day count.
double UnixTimeToDayCount(long long seconds);

// "m/d/yyyy h:nn:ss AM" (date alone at midnight), the form document files use.
std::string DateTimeToText(double dayCount);
// Reads "m/d/yyyy" optionally followed by "h:nn[:ss]" with or without AM/PM.
std::optional<double> TextToDateTime(std::string_view text);

} // namespace korv
