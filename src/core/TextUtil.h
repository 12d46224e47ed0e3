#pragma once
// Small text functions for site labels, dates and instrument values.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/Declare.h"

namespace korv {

// "Site 12, Sector Beta, Antenna Tx3[, old label]" stored into Label.
void ApplySiteLabel(TTraceData &trace);
// "05-Jan-2003 12:07a"
std::string DateText(double dayCount);
// "JAN".."DEC" in any case -> 1..12; throws Exception "Invalid month name: X".
int MonthNameToNumber(std::string_view name);
// 1..12 -> "Jan".."Dec"; throws Exception "Invalid month: N".
std::string MonthNumberToName(int month);
// "05-Jan-2003 12:07" or "05Jan2003 12:07" -> day count. Throws Exception.
double InstrumentDateToTime(std::string_view text);
// Packed instrument time stamp: the decimal text of 2 x P.
std::string EncodePackedTime(double dayCount);
double DecodePackedTime(std::string_view text);
std::uint32_t PackTime(double dayCount);
// (1 + rho) / (1 - rho) kept within [1.00002, 999].
double ClampedVSWR(double rho);
inline double MilliScale(double v) { return v * 0.001; }
// printf-style formatting that never depends on the user's locale.
std::string Format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
// Locale-independent decimal parsing of a whole string; nullopt-like failure
// is reported through the bool.
bool ParseDouble(std::string_view text, double &value);
bool ParseInt(std::string_view text, long long &value);
std::string Trim(std::string_view s);

} // namespace korv
