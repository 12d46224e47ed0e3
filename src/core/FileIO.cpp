#include "core/FileIO.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "core/Excption.h"
#include "core/TextUtil.h"

namespace korv {

double RoundToReal48(double value) {
  if (value == 0.0 || !std::isfinite(value)) return value;
  // Real48: 8-bit exponent (bias 129), 39 stored fraction bits + hidden bit.
  // Round the double's 52-bit fraction to 39 bits, half away from zero; a
  // carry moves into the exponent as it should.
  std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  bits += std::uint64_t{1} << 12;
  bits &= ~((std::uint64_t{1} << 13) - 1);
  const double r = std::bit_cast<double>(bits);
  const int exp = static_cast<int>((bits >> 52) & 0x7FF) - 1023; // r = 1.f x 2^exp
  if (exp < -129) return 0.0;
  if (exp > 126) throw EmoxFileError(kMsgBadFileFormat);
  return r;
}

TTextFile::TTextFile(const std::vector<std::uint8_t> &bytes) : m_data(bytes.data()), m_size(bytes.size()) {}
TTextFile::TTextFile(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

std::string TTextFile::ReadLine() {
  if (Eof()) throw EmoxFileError(kMsgBadFileFormat);
  return ReadLineOrEmpty();
}

bool TTextFile::ReadLineView(std::string_view &line) {
  if (Eof()) return false;
  const std::size_t start = m_pos;
  // One pass to the first CR or LF (two searches would each run to the end
  // of a file that lacks one of them, for every line).
  std::size_t end = start;
  while (end < m_size && m_data[end] != 13 && m_data[end] != 10)
    ++end;
  line = std::string_view(reinterpret_cast<const char *>(m_data) + start, end - start);
  m_pos = end;
  if (m_pos < m_size && m_data[m_pos] == 13) ++m_pos;
  if (m_pos < m_size && m_data[m_pos] == 10) ++m_pos;
  return true;
}

std::string TTextFile::ReadLineOrEmpty() {
  const std::size_t start = m_pos;
  while (m_pos < m_size && m_data[m_pos] != 13 && m_data[m_pos] != 10)
    ++m_pos;
  std::string line(reinterpret_cast<const char *>(m_data) + start, m_pos - start);
  if (m_pos < m_size && m_data[m_pos] == 13) ++m_pos;
  if (m_pos < m_size && m_data[m_pos] == 10) ++m_pos;
  return line;
}

std::string TTextFile::ReadQuotedText() {
  while (Peek() >= 0 && Peek() != '"')
    ++m_pos;
  if (Peek() < 0) throw EmoxFileError(kMsgBadFileFormat);
  ++m_pos;
  const std::size_t start = m_pos;
  while (Peek() >= 0 && Peek() != '"')
    ++m_pos;
  if (Peek() < 0) throw EmoxFileError(kMsgBadFileFormat);
  std::string s(reinterpret_cast<const char *>(m_data) + start, m_pos - start);
  ++m_pos;
  return s;
}

std::string TTextFile::ReadRun(std::string_view set) {
  while (Peek() >= 0 && set.find(static_cast<char>(Peek())) == std::string_view::npos)
    ++m_pos;
  if (Peek() < 0) throw EmoxFileError(kMsgBadFileFormat);
  const std::size_t start = m_pos;
  while (Peek() >= 0 && set.find(static_cast<char>(Peek())) != std::string_view::npos)
    ++m_pos;
  return std::string(reinterpret_cast<const char *>(m_data) + start, m_pos - start);
}

long long TTextFile::ReadInteger() {
  long long v = 0;
  if (!ParseInt(ReadRun("-0123456789"), v)) throw EmoxFileError(kMsgBadFileFormat);
  return v;
}

double TTextFile::ReadNumber() { return ConvertNumberRun(ReadRun("-.0123456789")); }

double ConvertNumberRun(std::string_view run) {
  double v = 0;
  if (!ParseDouble(run, v)) throw EmoxFileError(kMsgBadFileFormat);
  return RoundToReal48(v);
}

namespace {
constexpr std::string_view kNumberSet = "-.0123456789";
inline bool IsNumberChar(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; }
} // namespace

namespace {
// Exact powers of ten a double holds.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// The point lines' plain "-ddd.ddddd" with at most 15 digits, read in the
// same pass that finds the run's end: the digits make an exact integer and
// one division by an exact power of ten rounds correctly, so the result is
// from_chars' to the bit. Returns the run's end, or nullptr for anything
// else (the caller then takes the whole run to from_chars).
const char *ParseShortDecimal(const char *b, const char *e, double &value) {
  const char *p = b;
  const bool negative = *p == '-';
  if (negative) ++p;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int fraction = -1; // digits after the point; -1 while no point was seen
  for (; p != e; ++p) {
    const char c = *p;
    if (c >= '0' && c <= '9') {
      mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      ++digits;
      if (fraction >= 0) ++fraction;
    } else if (c == '.' && fraction < 0) {
      fraction = 0;
    } else if (c == '-' || c == '.') {
      return nullptr;
    } else {
      break;
    }
  }
  if (digits == 0 || digits > 15) return nullptr;
  value = static_cast<double>(mantissa) / kPow10[fraction > 0 ? fraction : 0];
  if (negative) value = -value;
  return p;
}
} // namespace

bool ScanNumber(std::string_view &line, double &value) {
  std::size_t i = 0;
  while (i < line.size() && !IsNumberChar(line[i]))
    ++i;
  if (i >= line.size()) {
    line = {};
    return false;
  }
  const char *end = line.data() + line.size();
  if (const char *stop = ParseShortDecimal(line.data() + i, end, value)) {
    value = RoundToReal48(value);
    line.remove_prefix(static_cast<std::size_t>(stop - line.data()));
    return true;
  }
  const std::size_t start = i;
  while (i < line.size() && IsNumberChar(line[i]))
    ++i;
  const char *b = line.data() + start;
  const char *e = line.data() + i;
  auto [p, ec] = std::from_chars(b, e, value);
  if (ec != std::errc() || p != e || !std::isfinite(value)) throw EmoxFileError(kMsgBadFileFormat);
  value = RoundToReal48(value);
  line.remove_prefix(i);
  return true;
}

namespace {
bool InSet(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }
} // namespace

double TakeNumber(std::string &text) {
  std::size_t i = 0;
  while (i < text.size() && !InSet(text[i], kNumberSet))
    ++i;
  if (i >= text.size()) {
    text.clear();
    throw EmoxEndOfString(kMsgEndOfString);
  }
  const std::size_t start = i;
  while (i < text.size() && InSet(text[i], kNumberSet))
    ++i;
  const std::string run = text.substr(start, i - start);
  text.erase(0, i);
  return ConvertNumberRun(run);
}

long long TakeInteger(std::string &text) {
  constexpr std::string_view set = "-0123456789";
  std::size_t i = 0;
  while (i < text.size() && !InSet(text[i], set))
    ++i;
  if (i >= text.size()) {
    text.clear();
    throw EmoxEndOfString(kMsgEndOfString);
  }
  const std::size_t start = i;
  while (i < text.size() && InSet(text[i], set))
    ++i;
  const std::string run = text.substr(start, i - start);
  text.erase(0, i);
  long long v = 0;
  if (!ParseInt(run, v)) throw EmoxFileError(kMsgBadFileFormat);
  return v;
}

double TakeInstrumentNumber(std::string &text) {
  std::size_t i = 0;
  while (i < text.size() && !InSet(text[i], kNumberSet))
    ++i;
  if (i >= text.size()) {
    text.clear();
    throw EmoxFileError(kMsgBadFileFormat);
  }
  const std::size_t start = i;
  while (i < text.size() && InSet(text[i], kNumberSet))
    ++i;
  std::string run = text.substr(start, i - start);
  text.erase(0, i);
  // The analyzer writes values between -1 and 0 as "0.-125".
  if (run.rfind("0.-", 0) == 0) run = "-0." + run.substr(3);
  return ConvertNumberRun(run);
}

std::string WideToHex(std::u16string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 4);
  for (char16_t u : text) {
    for (int shift = 12; shift >= 0; shift -= 4)
      out += kHex[(u >> shift) & 0xF];
  }
  return out;
}

std::u16string HexToWide(std::string_view hex) {
  std::u16string out;
  for (std::size_t i = 0; i + 4 <= hex.size(); i += 4) {
    unsigned v = 0;
    for (std::size_t k = 0; k < 4; ++k) {
      const char c = hex[i + k];
      unsigned d = 0;
      if (c >= '0' && c <= '9')
        d = static_cast<unsigned>(c - '0');
      else if (c >= 'A' && c <= 'F')
        d = static_cast<unsigned>(c - 'A' + 10);
      else if (c >= 'a' && c <= 'f')
        d = static_cast<unsigned>(c - 'a' + 10);
      else
        return out; // not a hexadecimal group: stop at what was valid
      v = v * 16 + d;
    }
    out += static_cast<char16_t>(v);
  }
  return out;
}

namespace {
// Decodes one UTF-8 sequence; returns false on malformed input.
bool DecodeUtf8(std::string_view s, std::size_t &i, char32_t &cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  int len = 0;
  if (b0 < 0x80) {
    cp = b0;
    len = 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    cp = b0 & 0x1FU;
    len = 2;
  } else if ((b0 & 0xF0) == 0xE0) {
    cp = b0 & 0x0FU;
    len = 3;
  } else if ((b0 & 0xF8) == 0xF0) {
    cp = b0 & 0x07U;
    len = 4;
  } else {
    return false;
  }
  if (i + static_cast<std::size_t>(len) > s.size()) return false;
  for (int k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
    if ((b & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (b & 0x3FU);
  }
  static const char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  i += static_cast<std::size_t>(len);
  return true;
}

const char16_t kCp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                  0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string &out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}
} // namespace

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  char32_t cp = 0;
  while (i < text.size())
    if (!DecodeUtf8(text, i, cp)) return false;
  return true;
}

std::u16string Utf8ToUtf16(std::string_view text, bool lenient) {
  std::u16string out;
  std::size_t i = 0;
  char32_t cp = 0;
  while (i < text.size()) {
    if (!DecodeUtf8(text, i, cp)) {
      if (!lenient) throw EmoxCvrtError("utf8_to_utf16 function returned an error.");
      cp = 0xFFFD;
      ++i;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00U);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    AppendUtf8(out, cp);
  }
  return out;
}

std::string Utf8ToAnsi(std::string_view text) {
  const std::u16string w = Utf8ToUtf16(text);
  std::string out;
  for (char16_t u : w) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
      out += static_cast<char>(u);
      continue;
    }
    char c = '?';
    for (int k = 0; k < 32; ++k)
      if (kCp1252High[k] == u) c = static_cast<char>(0x80 + k);
    out += c;
  }
  return out;
}

std::string DisplayText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string out;
  for (char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80)
      out += ch;
    else if (b < 0xA0)
      AppendUtf8(out, kCp1252High[b - 0x80]);
    else
      AppendUtf8(out, b);
  }
  return out;
}

} // namespace korv
