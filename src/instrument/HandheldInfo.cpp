#include "instrument/HandheldInfo.h"

#include <cmath>

#include "core/TextUtil.h"

namespace korv {

namespace {

constexpr std::array<const char *, kKP418InfoRowCount> kParameters = {
    "DSP Revision", "FPGARevision", "GraphTitle",   "GraphSubTitle", "Location",      "Operator",
    "alabel",       "Notes",        "Band",         "Channel",       "ADCSaturation", "Offset",
    "PowerLevel",   "TraceMode",    "AverageCount", "AverageLimit",  "CurrentMarker", "AvgCableLoss"};

// Cut to n characters; a UTF-8 sequence is never split.
std::string Cut(const std::string &text, std::size_t n) {
  std::size_t bytes = 0;
  for (std::size_t chars = 0; bytes < text.size() && chars < n; ++chars) {
    ++bytes;
    while (bytes < text.size() && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80)
      ++bytes;
  }
  return text.substr(0, bytes);
}

} // namespace

std::string GeneralFloatText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  std::string g = Format("%.15G", value);
  const auto e = g.find('E');
  if (e == std::string::npos) return g;
  // "1E-018" style exponents without sign or leading zeros: 1E-18, 1E20.
  std::string mantissa = g.substr(0, e);
  std::string exponent = g.substr(e + 1);
  std::string sign;
  if (!exponent.empty() && (exponent[0] == '+' || exponent[0] == '-')) {
    if (exponent[0] == '-') sign = "-";
    exponent.erase(0, 1);
  }
  const auto digit = exponent.find_first_not_of('0');
  exponent = digit == std::string::npos ? "0" : exponent.substr(digit);
  return mantissa + "E" + sign + exponent;
}

TKP418InfoRows EmptyKP418InfoRows() {
  TKP418InfoRows rows;
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i] = {kParameters[i], kKP418NoValue, kKP418NoValue};
  return rows;
}

TKP418InfoRows KP418InfoRows(const TVantorSettings &s) {
  TKP418InfoRows rows = EmptyKP418InfoRows();
  const std::array<std::string, kKP418InfoRowCount> values = {s.HeaderTexts[0],
                                                              s.HeaderTexts[1],
                                                              s.TitleTexts[0],
                                                              s.TitleTexts[1],
                                                              s.TitleTexts[2],
                                                              s.TitleTexts[3],
                                                              s.TitleTexts[4],
                                                              s.TitleTexts[5],
                                                              s.Text,
                                                              std::to_string(s.Int),
                                                              s.CalFlagB ? "true" : "false",
                                                              GeneralFloatText(s.ReflectionOffset),
                                                              GeneralFloatText(s.Double),
                                                              std::to_string(s.Ints[0]),
                                                              std::to_string(s.Ints[1]),
                                                              std::to_string(s.Ints[2]),
                                                              std::to_string(s.ActiveMarker),
                                                              GeneralFloatText(s.ExtraValue)};
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i].FullValue = values[i];
    rows[i].Value = Cut(values[i], kKP418InfoValueLength);
  }
  return rows;
}

} // namespace korv
