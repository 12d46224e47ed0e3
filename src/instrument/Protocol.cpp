#include "instrument/Protocol.h"

#include <cctype>
#include <string>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/TextUtil.h"

namespace korv {

namespace {

int DigitsAt(std::string_view s, std::size_t pos, std::size_t len) {
  if (pos + len > s.size()) throw Exception("Invalid date: " + std::string(s));
  int v = 0;
  for (std::size_t i = pos; i < pos + len; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) throw Exception("Invalid date: " + std::string(s));
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

} // namespace

double ParseAnalyzerDate(std::string_view raw) {
  const std::string text = Trim(raw);
  const bool hyphen = text.find('-') != std::string::npos;
  const std::size_t monthPos = hyphen ? 3 : 2;
  const std::size_t yearPos = hyphen ? 7 : 5;
  if (text.size() < yearPos + 2) throw Exception("Invalid date: " + text);
  TCivilTime c;
  c.Day = DigitsAt(text, 0, 2);
  c.Month = MonthNameToNumber(text.substr(monthPos, 3));
  std::size_t yearLen = 0;
  while (yearLen < 4 && yearPos + yearLen < text.size() &&
         std::isdigit(static_cast<unsigned char>(text[yearPos + yearLen])))
    ++yearLen;
  if (yearLen != 2 && yearLen != 4) throw Exception("Invalid date: " + text);
  c.Year = DigitsAt(text, yearPos, yearLen);
  if (yearLen == 2) c.Year += c.Year == 99 ? 1900 : 2000;
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos && colon >= 2) {
    c.Hour = DigitsAt(text, colon - 2, 2);
    c.Minute = DigitsAt(text, colon + 1, 2);
  }
  return EncodeDateTime(c);
}

} // namespace korv
