#include "formats/LXZTTrace.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Crc16.h"
#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/TextUtil.h"

namespace korv {

namespace {

constexpr const char *kHeaderRev23 =
    "Mag,Angle,LXZT Trace File Rev,Label,DateTime,Model,SN,Revision,Mode,CalState,VCOTemp,FMOnOff,SetupName,"
    "SetupVCOTemp,SetupDateTime,NumPoints,StartFreq,StopFreq,ScaleUnit,ScaleMin,ScaleMax,FreqMarkPos1,"
    "FreqMarkType1,FreqMarkState1,FreqMarkDelta1,FreqMarkPos2,FreqMarkType2,FreqMarkState2,FreqMarkDelta2,"
    "FreqMarkPos3,FreqMarkType3,FreqMarkState3,FreqMarkDelta3,FreqMarkPos4,FreqMarkType4,FreqMarkState4,"
    "FreqMarkDelta4,FreqMarkPos5,FreqMarkType5,FreqMarkState5,FreqMarkDelta5,FreqMarkPos6,FreqMarkType6,"
    "FreqMarkState6,FreqMarkDelta6,FreqLimitMode,FreqLimitValue,DistUnit,StartDist,StopDist,ScaleUnit,ScaleMin,"
    "ScaleMax,Smoothing,CableType,Vp,Loss,DTFMarkPos1,DTFMarkType1,DTFMarkState1,DTFMarkDelta1,DTFMarkPos2,"
    "DTFMarkType2,DTFMarkState2,DTFMarkDelta2,DTFMarkPos3,DTFMarkType3,DTFMarkState3,DTFMarkDelta3,DTFMarkPos4,"
    "DTFMarkType4,DTFMarkState4,DTFMarkDelta4,DTFMarkPos5,DTFMarkType5,DTFMarkState5,DTFMarkDelta5,DTFMarkPos6,"
    "DTFMarkType6,DTFMarkState6,DTFMarkDelta6,DistLimitMode,DistLimitValue,GPS Time,GPS LatitudeDeg,"
    "GPS LatitudeMin,GPS LatitudeHemisphere,GPS LongitudeDeg,GPS LongitudeMin,GPS LongitudeHemisphere,"
    "GPS FixQuality,GPS NumSatellites,GPS HDOP,GPS Altitude,GPS GeodialSeparation,GPS Data_Age,GPS Station_ID,"
    "GPS Location,,";
constexpr const char *kRevColumnName = "LXZT Trace File Rev";
constexpr const char *kMsgV1NoStream = "CLXZT_Trace_v1.SaveFileW is not implemented.";
constexpr const char *kMsgTooManyFields = "Too many fields.";
constexpr const char *kMsgTooManyPoints = "A CSV trace file holds at most 949 points.";
constexpr const char *kMonthKeys = "JANFEBMARAPRMAYJUNJULAUGSEPOCTNOVDEC";
constexpr std::size_t kCrcColumnV1 = 83;
constexpr std::size_t kCrcColumnV23 = 98;

[[noreturn]] void BadFormat() { throw EmoxFileError(kMsgBadFileFormat); }
[[noreturn]] void InvalidFile() { throw EmoxInvalidFileError(kMsgInvalidFile); }

// The revision 1 header is the revision 2 header cut after DistLimitValue.
std::string HeaderRev1() {
  const std::string full = kHeaderRev23;
  const std::string cut = "DistLimitValue";
  return full.substr(0, full.find(cut) + cut.size()) + ",,";
}

const std::string &Col(const std::vector<std::string> &f, std::size_t i) {
  static const std::string kEmpty;
  return i < f.size() ? f[i] : kEmpty;
}

double Num(const std::string &s) {
  double v = 0;
  if (!ParseDouble(s, v)) BadFormat();
  return v;
}

std::int32_t Int(const std::string &s) {
  long long v = 0;
  if (!ParseInt(s, v) || v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    BadFormat();
  return static_cast<std::int32_t>(v);
}

// Byte fields keep the low byte of the written integer.
std::uint8_t Byte(const std::string &s) {
  return static_cast<std::uint8_t>(static_cast<std::uint32_t>(Int(s)) & 0xFFU);
}

std::uint32_t Unsigned(const std::string &s) {
  long long v = 0;
  if (!ParseInt(s, v) || v < 0 || v > std::numeric_limits<std::uint32_t>::max()) BadFormat();
  return static_cast<std::uint32_t>(v);
}

bool ParseHex(std::string_view s, std::uint32_t &value) {
  std::string t = Trim(s);
  if (t.empty()) return false;
  std::uint64_t v = 0;
  for (char c : t) {
    int d = -1;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    if (d < 0) return false;
    v = (v << 4) | static_cast<std::uint64_t>(d);
    if (v > 0xFFFFFFFFULL) return false;
  }
  value = static_cast<std::uint32_t>(v);
  return true;
}

// Residual of the CRC over the lines as the file carries them: the text up
// to and including the last comma, then the stored value. 0 when intact.
std::uint16_t CrcResidualOf(const std::vector<std::string> &lines, bool fromStream) {
  std::string text;
  for (const auto &l : lines) {
    text += l;
    text += "\r\n";
  }
  const std::size_t comma = text.rfind(',');
  if (comma == std::string::npos) return 0xFFFF;
  std::size_t end = text.find_first_of("\r\n", comma + 1);
  if (end == std::string::npos) end = text.size();
  std::string digits = text.substr(comma + 1, end - comma - 1);
  if (fromStream && digits.size() > 4) digits.resize(4);
  std::uint32_t stored = 0;
  // Unreadable digits count as a mismatch: the file is still loaded.
  const bool ok = ParseHex(digits, stored);
  std::vector<std::uint8_t> bytes(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(comma + 1));
  if (bytes.size() % 2 != 0) bytes.push_back(0);
  bytes.push_back(static_cast<std::uint8_t>((stored >> 8) & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>(stored & 0xFF));
  const std::uint16_t r = Crc16(bytes.data(), bytes.size());
  return ok ? r : (r == 0 ? 0xFFFF : r);
}

std::string IntText(long long v) { return std::to_string(v); }

// Text fields cannot hold a line end: the row would split in two.
std::string OneLine(const std::string &s) {
  std::string r = s;
  std::replace_if(
      r.begin(), r.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return r;
}

} // namespace

std::string LXZTDateText(double dayCount) { return DateText(dayCount); }

namespace {
bool TryLXZTDate(const std::string &raw, double &value) {
  const std::string s = Trim(raw);
  if (s.empty()) {
    value = 0;
    return true;
  }
  auto num = [&](std::size_t pos, std::size_t len, long long &out) {
    if (pos >= s.size()) return false;
    return ParseInt(s.substr(pos, len), out);
  };
  long long day = 0;
  long long year = 0;
  if (!num(0, 2, day) || !num(7, 4, year)) return false;
  int month = 1; // a name that is not found counts as January
  if (s.size() >= 6) {
    std::string key = s.substr(3, 3);
    for (auto &c : key)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::string months = kMonthKeys;
    for (std::size_t m = 0; m < 12; ++m)
      if (months.compare(m * 3, 3, key) == 0) month = static_cast<int>(m) + 1;
  }
  long long hour = 0;
  long long minute = 0;
  if (s.size() > 11) {
    if (!num(12, 2, hour) || !num(15, 2, minute)) return false;
    const char ap = s.size() > 17 ? static_cast<char>(std::tolower(static_cast<unsigned char>(s[17]))) : 'a';
    if (hour < 1 || hour > 12) return false;
    if (ap == 'p' && hour < 12)
      hour += 12;
    else if (ap != 'p' && hour == 12)
      hour = 0;
  }
  if (year < 1 || year > 9999 || day < 1 || day > 31 || minute < 0 || minute > 59) return false;
  if (!IsValidDate(static_cast<int>(year), month, static_cast<int>(day))) return false;
  TCivilTime t;
  t.Year = static_cast<int>(year);
  t.Month = month;
  t.Day = static_cast<int>(day);
  t.Hour = static_cast<int>(hour);
  t.Minute = static_cast<int>(minute);
  value = EncodeDateTime(t);
  return true;
}
} // namespace

double LXZTTextToDate(const std::string &text) {
  double v = 0;
  if (!TryLXZTDate(text, v)) BadFormat();
  return v;
}

std::string LXZTNumberText(double value) {
  if (!std::isfinite(value)) return "0";
  std::string s = Format("%.15G", value);
  const auto e = s.find('E');
  if (e == std::string::npos) return s;
  // "1E-05" -> "1E-5", "1.5E+20" -> "1.5E20"
  std::string mant = s.substr(0, e);
  std::string exp = s.substr(e + 1);
  std::string sign;
  if (!exp.empty() && (exp[0] == '+' || exp[0] == '-')) {
    if (exp[0] == '-') sign = "-";
    exp.erase(0, 1);
  }
  exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
  return mant + "E" + sign + exp;
}

std::vector<std::string> ReadAllLines(TSAFileStream &stream) {
  std::vector<std::string> lines;
  while (!stream.AtEnd())
    lines.push_back(stream.ReadLine());
  return lines;
}

std::vector<std::string> ReadAllLines(TTextFile &file) {
  std::vector<std::string> lines;
  while (!file.Eof())
    lines.push_back(file.ReadLine());
  return lines;
}

// ---- revision 1 -------------------------------------------------------------

CLXZT_Trace_v1::CLXZT_Trace_v1() {
  Rev = "1";
  // The CRC of a revision 1 file stands in column 83.
  MaxColumns = static_cast<int>(kCrcColumnV1) + 1;
}

void CLXZT_Trace_v1::SplitLine(const std::string &line, std::vector<std::string> &fields) const {
  fields.clear();
  const std::string s = line + ",";
  std::size_t pos = 0;
  auto unquote = [](std::string f) {
    std::string r;
    r.reserve(f.size());
    for (std::size_t i = 0; i < f.size(); ++i) {
      r += f[i];
      if (f[i] == '"' && i + 1 < f.size() && f[i + 1] == '"') ++i;
    }
    return r;
  };
  while (pos < s.size()) {
    const bool three = s.compare(pos, 3, "\"\"\"") == 0;
    const bool single = s[pos] == '"' && (pos + 1 >= s.size() || s[pos + 1] != '"');
    if (three || single) {
      std::size_t i = pos + 1;
      std::size_t close = std::string::npos;
      while (i < s.size()) {
        if (s[i] == '"') {
          if (i + 1 < s.size() && s[i + 1] == '"') {
            i += 2;
            continue;
          }
          close = i;
          break;
        }
        ++i;
      }
      if (close == std::string::npos) {
        // No closing quote: the rest of the line (without the added comma).
        fields.push_back(unquote(s.substr(pos + 1, s.size() - 1 - (pos + 1))));
        break;
      }
      fields.push_back(unquote(s.substr(pos + 1, close - pos - 1)));
      const std::size_t comma = s.find(',', close + 1);
      pos = comma == std::string::npos ? s.size() : comma + 1;
    } else {
      const std::size_t comma = s.find(',', pos);
      fields.push_back(unquote(s.substr(pos, comma - pos)));
      pos = comma + 1;
    }
  }
}

std::string CLXZT_Trace_v1::JoinLine(const std::vector<std::string> &fields) const {
  if (static_cast<int>(fields.size()) > MaxColumns) throw EmoxCSVError(kMsgTooManyFields);
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i == 0) {
      line = fields[0];
      continue;
    }
    std::string f;
    for (char c : fields[i]) {
      f += c;
      if (c == '"') f += '"';
    }
    // A field that starts with a quote is quoted too, or a reader could take
    // its doubled quotes for the start of a quoted field.
    if (f.find(',') != std::string::npos || (!f.empty() && f[0] == '"')) {
      f.insert(0, 1, '"');
      f += '"';
    }
    line += ',';
    line += f;
  }
  for (int n = static_cast<int>(std::max<std::size_t>(fields.size(), 1)); n < MaxColumns; ++n)
    line += ',';
  return line;
}

void CLXZT_Trace_v1::ReadCommonColumns(const std::vector<std::string> &f) {
  Rev = Col(f, 2);
  Label = Col(f, 3);
  DateTime = LXZTTextToDate(Col(f, 4));
  Model = Col(f, 5);
  SN = Col(f, 6);
  Revision = Col(f, 7);
  Mode = Byte(Col(f, 8));
  {
    // Instruments write 0 or 1; we also write 2 for a full calibration.
    const std::string c = Trim(Col(f, 9));
    CalState = c == "1" ? 1 : c == "2" ? 2 : 0;
  }
  VCOTemp = Num(Col(f, 10));
  FMOnOff = Trim(Col(f, 11)) == "1";
  SetupName = Col(f, 12);
  SetupVCOTemp = Num(Col(f, 13));
  SetupDateTime = LXZTTextToDate(Col(f, 14));
  // Six markers of four columns each (position, type, state, delta) from column `first`.
  auto readMarkers = [&](auto &markers, std::size_t first) {
    for (std::size_t k = 0; k < 6; ++k) {
      TLXZTMarker &m = markers[k];
      m.Pos = Int(Col(f, first + 4 * k));
      m.Type = Int(Col(f, first + 1 + 4 * k));
      m.State = Int(Col(f, first + 2 + 4 * k));
      m.Delta = Int(Col(f, first + 3 + 4 * k));
    }
  };
  NumPoints = Int(Col(f, 15));
  Setup.StartFreq = Num(Col(f, 16));
  Setup.StopFreq = Num(Col(f, 17));
  Setup.ScaleUnit = Int(Col(f, 18));
  Setup.ScaleMin = Num(Col(f, 19));
  Setup.ScaleMax = Num(Col(f, 20));
  readMarkers(Setup.FreqMarkers, 21);
  Setup.FreqLimitMode = Byte(Col(f, 45));
  Setup.FreqLimitValue = Num(Col(f, 46));
  DTF.DistUnit = Int(Col(f, 47));
  DTF.StartDist = Num(Col(f, 48));
  DTF.StopDist = Num(Col(f, 49));
  DTF.ScaleUnit = Int(Col(f, 50));
  DTF.ScaleMin = Num(Col(f, 51));
  DTF.ScaleMax = Num(Col(f, 52));
  DTF.Smoothing = Unsigned(Col(f, 53));
  DTF.CableType = Col(f, 54);
  DTF.Vp = Num(Col(f, 55));
  DTF.Loss = Num(Col(f, 56));
  readMarkers(DTF.DTFMarkers, 57);
  DTF.DistLimitMode = Byte(Col(f, 81));
  DTF.DistLimitValue = Num(Col(f, 82));
}

void CLXZT_Trace_v1::ReadRevision1Columns(const std::vector<std::string> &fields) { ReadCommonColumns(fields); }

void CLXZT_Trace_v1::ReadSettingsRow(std::vector<std::string> &fields) { ReadRevision1Columns(fields); }

void CLXZT_Trace_v1::ReadPointRows(const std::vector<std::string> &lines, std::size_t first, bool revision1) {
  Points.clear();
  Points.reserve(static_cast<std::size_t>(NumPoints));
  std::vector<std::string> f;
  for (std::int32_t k = 0; k < NumPoints; ++k) {
    const std::size_t li = first + static_cast<std::size_t>(k);
    SplitLine(lines[li], f);
    if (f.size() < 2) InvalidFile();
    Points.push_back({Num(f[0]), Num(f[1])});
  }
  // The stored CRC stands in the last row read (the settings row when the
  // file has no points).
  const std::size_t last = first + static_cast<std::size_t>(NumPoints) - 1;
  SplitLine(lines[NumPoints > 0 ? last : first - 1], f);
  std::string crc = Col(f, revision1 ? kCrcColumnV1 : kCrcColumnV23);
  if (!revision1 && crc.size() > 4) crc.resize(4);
  std::uint32_t v = 0;
  StoredCRC = ParseHex(crc, v) ? static_cast<std::int32_t>(v & 0xFFFF) : 0;
}

void CLXZT_Trace_v1::ReadLines(const std::vector<std::string> &lines, bool fromStream) {
  m_crcResidual = CrcResidualOf(lines, fromStream);
  auto need = [&](std::size_t count) {
    if (lines.size() < count) {
      if (fromStream) throw ESAFileStream_Exception("End of File");
      BadFormat();
    }
  };
  need(1);
  std::vector<std::string> f;
  SplitLine(lines[0], f);
  if (Col(f, 2) != kRevColumnName) InvalidFile();
  need(2);
  SplitLine(lines[1], f);
  // Every settings column up to the distance limit must be there.
  if (f.size() < 83) InvalidFile();
  ReadSettingsRow(f);
  // The record holds 949 points; refuse larger counts before reading rows.
  if (NumPoints < 0 || NumPoints > kLXZTMaxPoints) InvalidFile();
  need(2 + static_cast<std::size_t>(NumPoints));
  ReadPointRows(lines, 2, Rev == "1");
}

void CLXZT_Trace_v1::LoadFile(TTextFile &file) {
  const auto lines = ReadAllLines(file);
  ReadLines(lines, false);
}

void CLXZT_Trace_v1::LoadFileW(TSAFileStream &stream) {
  stream.Reset();
  const auto lines = ReadAllLines(stream);
  ReadLines(lines, true);
}

std::vector<std::string> CLXZT_Trace_v1::BuildLines(bool revision1) const {
  std::vector<std::string> lines;
  lines.push_back(revision1 ? HeaderRev1() : std::string(kHeaderRev23));
  std::vector<std::string> f(2);
  auto add = [&](std::string s) { f.push_back(std::move(s)); };
  add(Rev);
  add(OneLine(Label));
  add(DateTime > 0 ? LXZTDateText(DateTime) : std::string());
  add(OneLine(Model));
  add(OneLine(SN));
  add(OneLine(Revision));
  add(IntText(Mode));
  add(IntText(CalState));
  add(LXZTNumberText(VCOTemp));
  add(IntText(FMOnOff ? 1 : 0));
  add(OneLine(SetupName));
  add(LXZTNumberText(SetupVCOTemp));
  add(LXZTDateText(SetupDateTime));
  add(IntText(NumPoints));
  add(LXZTNumberText(static_cast<double>(Setup.StartFreq)));
  add(LXZTNumberText(static_cast<double>(Setup.StopFreq)));
  add(IntText(Setup.ScaleUnit));
  add(LXZTNumberText(Setup.ScaleMin));
  add(LXZTNumberText(Setup.ScaleMax));
  for (const auto &m : Setup.FreqMarkers) {
    add(IntText(m.Pos));
    add(IntText(m.Type));
    add(IntText(m.State));
    add(IntText(m.Delta));
  }
  add(IntText(Setup.FreqLimitMode));
  add(LXZTNumberText(static_cast<double>(Setup.FreqLimitValue)));
  add(IntText(DTF.DistUnit));
  add(LXZTNumberText(DTF.StartDist));
  add(LXZTNumberText(DTF.StopDist));
  add(IntText(DTF.ScaleUnit));
  add(LXZTNumberText(DTF.ScaleMin));
  add(LXZTNumberText(DTF.ScaleMax));
  add(IntText(DTF.Smoothing));
  add(OneLine(DTF.CableType));
  add(LXZTNumberText(DTF.Vp));
  add(LXZTNumberText(DTF.Loss));
  for (const auto &m : DTF.DTFMarkers) {
    add(IntText(m.Pos));
    add(IntText(m.Type));
    add(IntText(m.State));
    add(IntText(m.Delta));
  }
  add(IntText(DTF.DistLimitMode));
  add(LXZTNumberText(static_cast<double>(DTF.DistLimitValue)));
  if (!revision1)
    for (const auto &g : GPS)
      add(OneLine(g));
  lines.push_back(JoinLine(f));
  const std::size_t n = std::min(Points.size(), static_cast<std::size_t>(std::max(NumPoints, 0)));
  for (std::size_t k = 0; k < n; ++k)
    lines.push_back(JoinLine({LXZTNumberText(Points[k].Mag), LXZTNumberText(Points[k].Angle)}));
  return lines;
}

std::string CLXZT_Trace_v1::WithCRC(std::vector<std::string> lines, bool finalLineEnd) {
  std::string text;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    text += lines[i];
    if (i + 1 < lines.size()) text += "\r\n";
  }
  // The CRC covers everything up to the last comma, padded to even length.
  std::vector<std::uint8_t> covered(text.begin(), text.end());
  const std::uint16_t crc = Crc16(covered.data(), covered.size());
  text += Format("%4.4x", crc);
  if (finalLineEnd) text += "\r\n";
  return text;
}

void CLXZT_Trace_v1::SaveFile(std::string &text) {
  if (NumPoints > kLXZTMaxPoints) throw EmoxCSVError(kMsgTooManyPoints);
  text = WithCRC(BuildLines(true), true);
}

void CLXZT_Trace_v1::SaveFileW(TSAFileStream & /*stream*/) { throw EmoxException(kMsgV1NoStream); }

// ---- revision 2 -------------------------------------------------------------

CLXZT_Trace_v2::CLXZT_Trace_v2() {
  Rev = "2";
  MaxColumns = kLXZTMaxColumns;
}

void CLXZT_Trace_v2::ReadSettingsRow(std::vector<std::string> &f) {
  if (f.size() > static_cast<std::size_t>(kLXZTMaxColumns)) {
    double probe = 0;
    if (!TryLXZTDate(Col(f, 4), probe)) {
      // The label held unquoted commas: glue its pieces back together; the
      // date then stands in column 4 again.
      const std::size_t extra = f.size() - static_cast<std::size_t>(kLXZTMaxColumns);
      for (std::size_t i = 0; i < extra; ++i) {
        f[3] += "," + f[4];
        f.erase(f.begin() + 4);
      }
    }
  }
  if (Col(f, 2) == "1") {
    ReadRevision1Columns(f);
    return;
  }
  ReadCommonColumns(f);
  for (std::size_t i = 0; i < GPS.size(); ++i) {
    const std::string &g = Col(f, 83 + i);
    // The fix quality is kept only when the file gives one.
    if (i == 7 && g.empty()) continue;
    GPS[i] = g;
  }
}

void CLXZT_Trace_v2::LoadFile(TTextFile &file) { CLXZT_Trace_v1::LoadFile(file); }

void CLXZT_Trace_v2::LoadFileW(TSAFileStream &stream) { CLXZT_Trace_v1::LoadFileW(stream); }

void CLXZT_Trace_v2::SaveFile(std::string &text) {
  if (NumPoints > kLXZTMaxPoints) throw EmoxCSVError(kMsgTooManyPoints);
  text = WithCRC(BuildLines(false), true);
}

void CLXZT_Trace_v2::SaveFileW(TSAFileStream &stream) {
  if (NumPoints > kLXZTMaxPoints) throw EmoxCSVError(kMsgTooManyPoints);
  stream.Write(WithCRC(BuildLines(false), false));
}

// ---- revision 3 -------------------------------------------------------------

void CLXZT_Trace_v3::LoadFileW(TSAFileStream &stream) {
  CLXZT_Trace_v2::LoadFileW(stream);
  long long rev = 0;
  // Older firmware stored the loss per foot ten times too large.
  if (ParseInt(Rev, rev) && rev < 3 && DTF.DistUnit == 2) DTF.Loss *= 0.1;
  Rev = "3";
}

} // namespace korv
