#include "core/TextUtil.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "core/DateTime.h"
#include "core/Excption.h"

namespace korv {

namespace {
const std::array<const char *, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}

std::string Format(const char *fmt, ...) {
  // The process never changes LC_NUMERIC, so printf's decimal point is ".".
  va_list ap;
  va_start(ap, fmt);
  va_list ap2;
  va_copy(ap2, ap);
  const int n = std::vsnprintf(nullptr, 0, fmt, ap);
  va_end(ap);
  std::string out(n > 0 ? static_cast<std::size_t>(n) : 0U, '\0');
  if (n > 0) std::vsnprintf(out.data(), out.size() + 1, fmt, ap2);
  va_end(ap2);
  return out;
}

std::string Trim(std::string_view s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
    ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
    --e;
  return std::string(s.substr(b, e - b));
}

bool ParseDouble(std::string_view text, double &value) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  const char *b = t.data();
  if (*b == '+') ++b;
  auto [p, ec] = std::from_chars(b, t.data() + t.size(), value);
  return ec == std::errc() && p == t.data() + t.size() && std::isfinite(value);
}

bool ParseInt(std::string_view text, long long &value) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  const char *b = t.data();
  if (*b == '+') ++b;
  auto [p, ec] = std::from_chars(b, t.data() + t.size(), value);
  return ec == std::errc() && p == t.data() + t.size();
}

void ApplySiteLabel(TTraceData &t) {
  static const char *const kSectors[] = {", Sector None", ", Sector Alpha", ", Sector Beta", ", Sector Gamma"};
  std::string s = "Site " + std::to_string(t.SiteNumber);
  s += t.Sector < 4 ? kSectors[t.Sector] : kSectors[0];
  s += t.AntennaKind == 1 ? ", Antenna Tx" : t.AntennaKind == 2 ? ", Antenna Rx" : ", Antenna ";
  s += std::to_string(t.AntennaNumber);
  if (!t.Label.empty()) s += ", " + t.Label.str();
  t.Label = s;
}

std::string DateText(double dayCount) {
  const TCivilTime c = DecodeDateTime(dayCount);
  int h = c.Hour;
  const char *ap = h < 12 ? "a" : "p";
  if (h == 0)
    h = 12;
  else if (h > 12)
    h -= 12;
  return Format("%.2d-%s-%.4d %.2d:%.2d%s", c.Day, kMonths[static_cast<std::size_t>(c.Month - 1)], c.Year, h, c.Minute,
                ap);
}

int MonthNameToNumber(std::string_view name) {
  std::string up;
  for (char ch : name)
    up += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    std::string m = kMonths[i];
    for (auto &ch : m)
      ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    if (up == m) return static_cast<int>(i) + 1;
  }
  throw Exception("Invalid month name: " + std::string(name));
}

std::string MonthNumberToName(int month) {
  if (month < 1 || month > 12) throw Exception("Invalid month: " + std::to_string(month));
  return kMonths[static_cast<std::size_t>(month - 1)];
}

double InstrumentDateToTime(std::string_view text) {
  const std::string s(text);
  std::string timePart;
  const auto colon = s.find(':');
  if (colon != std::string::npos && colon >= 2) timePart = s.substr(colon - 2, 5);
  std::string year;
  std::string day;
  std::string mon;
  auto sub = [&](std::size_t from1, std::size_t count) {
    return from1 - 1 < s.size() ? s.substr(from1 - 1, count) : std::string();
  };
  if (s.find('-') == std::string::npos) {
    year = sub(6, 4);
    day = sub(1, 2);
    mon = sub(3, 3);
  } else {
    year = sub(8, 4);
    day = sub(1, 2);
    mon = sub(4, 3);
  }
  long long y = 0;
  long long d = 0;
  if (!ParseInt(year, y) || !ParseInt(day, d)) throw Exception("Invalid date: " + s);
  if (y == 99) y = 1999;
  const int m = MonthNameToNumber(mon);
  TCivilTime t;
  t.Year = static_cast<int>(y);
  t.Month = m;
  t.Day = static_cast<int>(d);
  if (!timePart.empty()) {
    long long hh = 0;
    long long mm = 0;
    if (timePart.size() < 5 || timePart[2] != ':' || !ParseInt(timePart.substr(0, 2), hh) ||
        !ParseInt(timePart.substr(3, 2), mm))
      throw Exception("Invalid time: " + s);
    t.Hour = static_cast<int>(hh);
    t.Minute = static_cast<int>(mm);
  }
  return EncodeDateTime(t);
}

std::uint32_t PackTime(double dayCount) {
  const TCivilTime c = DecodeDateTime(dayCount);
  const std::uint32_t y = static_cast<std::uint32_t>(std::clamp(c.Year - 1920, 0, 255));
  return (y << 24) | (static_cast<std::uint32_t>(c.Month) << 19) | (static_cast<std::uint32_t>(c.Day) << 14) |
         (static_cast<std::uint32_t>(c.Hour) << 8) | (static_cast<std::uint32_t>(c.Minute) << 2);
}

std::string EncodePackedTime(double dayCount) {
  const std::uint32_t p = PackTime(dayCount);
  // 2 x P may not fit a signed 32-bit number: print P div 5, then 2 x (P mod 5).
  return std::to_string(p / 5) + std::to_string(2 * (p % 5));
}

double DecodePackedTime(std::string_view text) {
  const std::string s = Trim(text);
  std::uint64_t p = 0;
  long long v = 0;
  if (s.size() > 9) {
    if (!std::isdigit(static_cast<unsigned char>(s[0])) || !ParseInt(s.substr(1, 9), v) || v < 0)
      throw Exception("Invalid time stamp: " + s);
    p = static_cast<std::uint64_t>(v) / 2 + static_cast<std::uint64_t>(s[0] - '0') * 500000000ULL;
  } else {
    if (!ParseInt(s, v) || v < 0) throw Exception("Invalid time stamp: " + s);
    p = static_cast<std::uint64_t>(v) / 2;
  }
  TCivilTime c;
  c.Year = static_cast<int>((p >> 24) & 0xFF) + 1920;
  c.Month = static_cast<int>((p >> 19) & 0x1F);
  c.Day = static_cast<int>((p >> 14) & 0x1F);
  c.Hour = static_cast<int>((p >> 8) & 0x3F);
  c.Minute = static_cast<int>((p >> 2) & 0x3F);
  if (c.Hour >= 24) c.Hour = 12;
  return EncodeDateTime(c);
}

double ClampedVSWR(double rho) {
  const double v = (1.0 + rho) / (1.0 - rho);
  if (!(v >= 0) || v > 999) return 999;
  if (v < 1.00002) return 1.00002;
  return v;
}

} // namespace korv
