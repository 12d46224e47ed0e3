#include "formats/VantorFile.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "core/DateTime.h"
#include "core/DocFile.h"
#include "core/Excption.h"
#include "core/TextUtil.h"
#include "measure/Convert.h"
#include "measure/ViewMath.h"

namespace korv {

namespace {
constexpr double kRadToDeg = 57.295779513082320877;
constexpr double kDegToRad = 0.017453292519943295769;
constexpr const char *kMsgVnfFrequency = "A frequency outside 0 to 9999.999999 MHz cannot be written to a .vnf file.";

[[noreturn]] void BadFormat() { throw EmoxFileError(kMsgBadFileFormat); }
[[noreturn]] void InvalidFile() { throw EmoxInvalidFileError(kMsgInvalidFile); }

float ToFloat(double v) {
  if (std::isnan(v)) return std::numeric_limits<float>::quiet_NaN();
  return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

bool TryInt(const std::string &s, std::int32_t &out) {
  long long v = 0;
  if (!ParseInt(s, v) || v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
    return false;
  out = static_cast<std::int32_t>(v);
  return true;
}

// Reads the file's values in order.
class TLineReader {
public:
  explicit TLineReader(TTextFile &file) : m_file(file) {}
  std::string Line() { return m_file.ReadLine(); }
  std::int32_t Int() {
    std::int32_t v = 0;
    if (!TryInt(Line(), v)) BadFormat();
    return v;
  }
  bool Flag() { return Int() == 1; }
  double Num() {
    double v = 0;
    if (!ParseDouble(Line(), v)) BadFormat();
    return v;
  }
  // "wwwwffffff": whole MHz in characters 1-4, the fraction in 5-10.
  void Freq(std::int32_t &whole, std::int32_t &frac) {
    const std::string s = Line();
    if (s.size() < 5 || !TryInt(s.substr(0, 4), whole) || !TryInt(s.substr(4, 6), frac)) BadFormat();
  }
  std::pair<double, double> Pair() {
    const std::string s = Line();
    const std::size_t tab = s.find('\t');
    double a = 0;
    double b = 0;
    if (tab == std::string::npos || !ParseDouble(s.substr(0, tab), a) || !ParseDouble(s.substr(tab + 1, 100), b))
      BadFormat();
    return {a, b};
  }
  bool Eof() const { return m_file.Eof(); }

private:
  TTextFile &m_file;
};

// "hh:mm:ss mm/dd/yyyy". The handheld writes four-digit years; a two-digit
// year counts from 2000, the handheld being newer than that.
double ParseSweepTime(const std::string &s) {
  long long h = 0;
  long long mi = 0;
  long long se = 0;
  long long mo = 0;
  long long d = 0;
  long long y = 0;
  if (s.size() < 16 || s[2] != ':' || s[5] != ':' || !ParseInt(s.substr(0, 2), h) || !ParseInt(s.substr(3, 2), mi) ||
      !ParseInt(s.substr(6, 2), se) || !ParseInt(s.substr(9, 2), mo) || !ParseInt(s.substr(12, 2), d))
    BadFormat();
  if (s.size() >= 19 && ParseInt(s.substr(15, 4), y) && y >= 1000) {
    // four-digit year
  } else if (s.size() >= 19 && ParseInt(s.substr(17, 2), y)) {
    y += 2000;
  } else {
    BadFormat();
  }
  if (h < 0 || h > 23 || mi < 0 || mi > 59 || se < 0 || se > 59 || mo < 1 || mo > 12 || d < 1 || d > 31 || y > 9999 ||
      !IsValidDate(static_cast<int>(y), static_cast<int>(mo), static_cast<int>(d)))
    BadFormat();
  return EncodeDateTime({static_cast<int>(y), static_cast<int>(mo), static_cast<int>(d), static_cast<int>(h),
                         static_cast<int>(mi), static_cast<int>(se)});
}

std::string SweepTimeText(double dayCount) {
  const TCivilTime t = DecodeDateTime(dayCount);
  return Format("%.2d:%.2d:%.2d %.2d/%.2d/%.4d", t.Hour, t.Minute, t.Second, t.Month, t.Day, t.Year);
}

// A frequency in Hz split into whole MHz and Hz, rounded to the Hz so that
// 1962.5 MHz gives 1962 and 500000, never 499999.
void SplitHz(long double hz, std::int32_t &whole, std::int32_t &frac) {
  if (!(hz > -1.0L && hz < 1e10L)) throw EmoxVantorError(kMsgVnfFrequency);
  const long long v = std::llround(hz);
  if (v < 0 || v > 9999999999LL) throw EmoxVantorError(kMsgVnfFrequency);
  whole = static_cast<std::int32_t>(v / 1000000);
  frac = static_cast<std::int32_t>(v % 1000000);
}

long double JoinHz(std::int32_t whole, std::int32_t frac) {
  return static_cast<long double>(whole) * 1000000.0L + static_cast<long double>(frac);
}

std::string Int4(std::int32_t v) { return Format("%.4d", v); }
std::string PairText(const std::pair<double, double> &p) { return Format("%1.6f\t%1.6f", p.first, p.second); }
std::string FreqText(std::int32_t whole, std::int32_t frac) { return Format("%.4d%.6d", whole, frac); }
} // namespace

std::string KP418Double(double value) {
  std::string s = Format("%.5E", value);
  const auto e = s.find('E');
  if (e == std::string::npos || e + 2 > s.size()) return s;
  std::string exp = s.substr(e + 2);
  if (exp.size() < 3) exp.insert(0, 3 - exp.size(), '0');
  return s.substr(0, e + 2) + exp;
}

CKP418_TraceFile::CKP418_TraceFile() {
  for (std::size_t i = 0; i < Markers.size(); ++i)
    Markers[i].Number = static_cast<std::int32_t>(i);
}

double CKP418_TraceFile::UnitToDb(double value, std::uint8_t unit) {
  if (unit > 5) throw EmoxVantorError(kMsgVantorUnit);
  if (unit < 4) return value;
  const double x = value * 0.01;
  const double r = unit == 4 ? 20.0 * std::log10(std::sqrt(1.0 - x)) : 20.0 * std::log10(std::sqrt(x));
  // A percentage outside 0..100 has no dB value; show the bottom of the scale.
  return std::isfinite(r) ? r : -100.0;
}

double CKP418_TraceFile::DbToUnit(double value, std::uint8_t unit) {
  if (unit > 5) throw EmoxVantorError(kMsgVantorUnit);
  if (unit < 4) return value;
  return unit == 4 ? 1.0 - value * value : value * value;
}

void CKP418_TraceFile::LoadFromText(TTextFile &file, TmoxDocument &doc) {
  TLineReader in(file);
  {
    // The first fourteen lines tell a handheld file from anything else: every
    // failure there is the invalid-file error.
    std::array<std::string, 14> head;
    for (auto &l : head) {
      if (file.Eof()) InvalidFile();
      l = file.ReadLine();
    }
    std::int32_t year = 0;
    if (!TryInt(head[0], Version) || Version != 0) InvalidFile();
    if (head[1].size() < 8 || !TryInt(head[1].substr(4, 4), year) || year < 2008) InvalidFile();
    if (head[12] != "0001") InvalidFile();
    if (!TryInt(head[13], Mode)) InvalidFile();
    RevisionText = head[1];
    SerialText = head[2];
    HeaderTexts = {head[3], head[4]};
    try {
      DateTime = ParseSweepTime(head[5]);
    } catch (const EmoxFileError &) {
      InvalidFile();
    }
    for (std::size_t i = 0; i < 6; ++i)
      Titles[i] = head[6 + i];
    FormatMarker = 1;
  }
  in.Freq(CentreWhole, CentreFrac);
  in.Freq(SpanWhole, SpanFrac);
  Text = in.Line();
  Int = in.Int();
  CalFlagA = in.Flag();
  CalFlagB = in.Flag();
  ScaleMax = in.Num();
  ScaleMin = in.Num();
  ReflectionOffset = in.Num();
  Unit = static_cast<std::uint8_t>((static_cast<std::int64_t>(in.Int()) - 20) & 0xFF);
  Double = in.Num();
  for (auto &v : Ints)
    v = in.Int();
  NumPoints = in.Int();
  // Both pair arrays hold 11265 points; refuse larger counts before reading.
  if (NumPoints < 0 || NumPoints > kKP418MaxPoints) InvalidFile();
  Points.clear();
  for (std::int32_t i = 0; i < NumPoints; ++i)
    Points.push_back(in.Pair());
  Limit1On = in.Flag();
  Limit1 = Limit1On ? in.Num() : 0.0;
  Limit2On = in.Flag();
  Limit2 = Limit2On ? in.Num() : -100.0;
  LimitsInt = in.Int();
  for (auto &m : Markers) {
    m.Number = in.Int();
    m.DeltaFlag = in.Int();
    m.State = in.Flag();
    m.Active = in.Flag();
    m.Enabled = in.Flag();
    m.Type = in.Int();
    m.Position = in.Int();
    in.Freq(m.FreqWhole, m.FreqFrac);
    m.Value = in.Num();
  }
  DTF = TVNDTFSettings{};
  DTF.StopDist = 10000;
  if (Mode == 2) {
    DTF.CableName = in.Line();
    DTF.Vp = in.Num();
    DTF.Loss = in.Num();
    DTF.Window = in.Int();
    DTF.StartDist = in.Num();
    DTF.StopDist = in.Num();
    DTF.DistUnit = in.Int();
    for (std::int32_t i = 0; i < NumPoints; ++i)
      DTF.Pairs.push_back(in.Pair());
  }
  ExtraValue = 0;
  if (Mode == 3) {
    ExtraValue = in.Num();
  } else if (Mode == 4) {
    // Our writer puts the extra value in mode 4 files as well; the handheld
    // may not. Two values left: extra value and trailer.
    const std::string first = in.Line();
    std::string rest;
    while (!in.Eof() && Trim(rest).empty())
      rest = in.Line();
    if (!Trim(rest).empty()) {
      if (!ParseDouble(first, ExtraValue) || !TryInt(rest, Trailer)) BadFormat();
    } else if (!TryInt(first, Trailer)) {
      BadFormat();
    }
    FillDocument(doc);
    return;
  }
  Trailer = in.Int();
  FillDocument(doc);
}

void CKP418_TraceFile::FillDocument(TmoxDocument &doc) const {
  TTraceDoc &d = doc.Doc;
  d.FileVersion = 6;
  d.MainTitle = Titles[0];
  if (!Titles[0].empty()) d.MainTitleFixed = 1;
  d.SubTitle = Titles[1];
  if (!Titles[1].empty()) d.SubTitleFixed = 1;
  d.PlotMode = Mode == 2 ? pmDistance : pmFrequency;
  d.Traces.Clear();
  d.MaxPoints = NumPoints;
  d.DistUnit = DTF.DistUnit == 0 ? duFeet : duMeters;
  switch (Unit) {
  case 0: d.ScaleUnit = Mode == 3 ? suCableLoss : suReturnLoss; break;
  case 1: d.ScaleUnit = suVSWR; break;
  case 3: d.ScaleUnit = suRho; break;
  case 2:
  case 4:
  case 5: d.ScaleUnit = suReturnLoss; break;
  default: break;
  }
  d.FreqScale.Flag1 = 0;
  d.FreqScale.Flag2 = 0;
  d.DistScale.Flag1 = 0;
  d.DistScale.Flag2 = 1;
  const double yLo = Unit == 1 ? 1.0 : Unit == 3 ? 0.0 : -100.0;
  const double yHi = Unit == 1 ? 2.0 : Unit == 3 ? 1.0 : 0.0;
  for (TScaleGroup *g : {&d.FreqScale, &d.DistScale}) {
    g->YMin = yLo;
    g->YMax = yHi;
  }
  TScaleGroup &cur = Mode == 2 ? d.DistScale : d.FreqScale;
  cur.Flag2 = 1;
  cur.YMin = UnitToDb(ScaleMin, Unit);
  cur.YMax = UnitToDb(ScaleMax, Unit);
  const long double centre = JoinHz(CentreWhole, CentreFrac);
  const long double span = JoinHz(SpanWhole, SpanFrac);
  const long double startHz = centre - span / 2;
  // The frequency axis is held in MHz everywhere else in the document.
  d.FreqScale.XMin = static_cast<double>(startHz * 1e-6L);
  d.FreqScale.XMax = static_cast<double>((startHz + span) * 1e-6L);
  d.DistScale.XMin = DTF.StartDist;
  d.DistScale.XMax = DTF.StopDist;
  d.FreqLimitMode = 0;
  d.DistLimitMode = 0;
  d.FreqLimitValue = Limit1;
  d.DistLimitValue = Limit1;
  if (Mode == 2) {
    d.DistLimitMode = Limit1On ? 1 : 0;
    d.DistLimitValue = Limit1;
  } else if (Mode == 3 || Mode == 4) {
    d.FreqLimitMode = Limit2On ? 1 : 0;
    d.FreqLimitValue = Limit2;
  } else {
    d.FreqLimitMode = Limit1On ? 1 : 0;
    d.FreqLimitValue = Limit1;
  }
  d.FreqLimitValue = UnitToDb(d.FreqLimitValue, Unit);
  d.DistLimitValue = UnitToDb(d.DistLimitValue, Unit);

  TTraceData &t = d.Traces[d.AddTrace()];
  t.Title = Titles[4];
  t.Label = Titles[4];
  t.SiteNumber = 0;
  t.Sector = 0;
  t.AntennaKind = 0;
  t.AntennaNumber = 0;
  t.DateTime = DateTime;
  t.SetupDateTime = DateTime;
  t.Model = kKP418Model;
  t.SN = SerialText;
  t.Revision = RevisionText;
  t.CalState = CalFlagA && !CalFlagB ? 1 : 0;
  t.FMOnOff = 0;
  t.VCOTemp = 0;
  t.SetupVCOTemp = 0;
  t.SetupName = "";
  const std::size_t n = Points.size();
  t.NumPoints = static_cast<std::int32_t>(n);
  t.Freq.resize(n);
  t.Mag.resize(n);
  t.Angle.resize(n);
  const long double step = n > 1 ? span / static_cast<long double>(n - 1) : 0.0L;
  long double f = startHz;
  for (std::size_t i = 0; i < n; ++i) {
    t.Freq[i] = static_cast<double>(f * 1e-6L);
    f += step;
    double v = Points[i].first;
    if (v > 0) v = 0;
    if (Mode == 1) v += 2 * ReflectionOffset;
    ConvertValue(v, suReturnLoss, d.ScaleUnit);
    t.Mag[i] = v;
    t.Angle[i] = Points[i].second * kRadToDeg;
  }
  t.FreqMarks = TMarkerSet{};
  t.DistMarks = TMarkerSet{};
  t.ActiveMarks = TMarkerSet{};
  TMarkerSet &set = Mode == 2 ? t.DistMarks : t.FreqMarks;
  const bool limitOn = (Mode == 2 ? d.DistLimitMode : d.FreqLimitMode) != 0;
  for (std::size_t k = 0; k < set.size(); ++k) {
    const TKP418Marker &m = Markers[k];
    TMarkerSlot &s = set[k];
    s.Visible = m.State ? 1 : 0;
    s.Point = m.Position;
    s.DeltaOn = m.Enabled;
    s.Reference = m.Type;
    s.Style = static_cast<std::uint8_t>(static_cast<std::uint32_t>(m.DeltaFlag) & 0xFFU);
    if (s.Reference > kRefLimitLine || (s.Reference == kRefLimitLine && !limitOn)) s.Reference = 0;
  }
  t.CableType = DTF.CableName;
  t.Loss = ToFloat(DTF.Loss);
  t.Dielectric = ToFloat(1.0 / (DTF.Vp * DTF.Vp));
  t.StartDist = ToFloat(DTF.StartDist);
  t.StopDist = ToFloat(DTF.StopDist);
  t.Smoothing = static_cast<std::uint8_t>(static_cast<std::uint32_t>(DTF.Window) & 0xFFU);
  doc.UpdateTraceDerived(t);
  SettingsFromFile(doc.VantorSettings);
  doc.HasVantorSettings = true;
  FinishLoadedDocument(doc);
}

void CKP418_TraceFile::SettingsFromFile(TVantorSettings &s) const {
  s.HeaderTexts = HeaderTexts;
  s.TitleTexts = Titles;
  s.Text = Text;
  s.Int = Int;
  s.CalFlagB = CalFlagB;
  s.ReflectionOffset = ReflectionOffset;
  s.Double = Double;
  s.Ints = Ints;
  s.ActiveMarker = 0;
  for (std::size_t k = 0; k < Markers.size(); ++k) {
    if (Markers[k].Active) s.ActiveMarker = static_cast<std::int32_t>(k);
    s.MarkerFreqHz[k] = JoinHz(Markers[k].FreqWhole, Markers[k].FreqFrac);
    s.MarkerValue[k] = Markers[k].Value;
    s.MarkerNumber[k] = Markers[k].Number;
  }
  s.ExtraValue = ExtraValue;
  s.LimitsInt = LimitsInt;
  s.DtfPairs = DTF.Pairs;
}

void CKP418_TraceFile::SettingsToFile(const TVantorSettings &s) {
  HeaderTexts = s.HeaderTexts;
  Titles = s.TitleTexts;
  Text = s.Text;
  Int = s.Int;
  CalFlagB = s.CalFlagB;
  ReflectionOffset = s.ReflectionOffset;
  Double = s.Double;
  Ints = s.Ints;
  for (std::size_t k = 0; k < Markers.size(); ++k) {
    SplitHz(s.MarkerFreqHz[k], Markers[k].FreqWhole, Markers[k].FreqFrac);
    Markers[k].Value = s.MarkerValue[k];
    Markers[k].Active = static_cast<std::int32_t>(k) == s.ActiveMarker;
    Markers[k].Number = s.MarkerNumber[k];
  }
  ExtraValue = s.ExtraValue;
  LimitsInt = s.LimitsInt;
  DTF.Pairs = s.DtfPairs;
}

void CKP418_TraceFile::FillFromDocument(const TmoxDocument &doc) {
  const TTraceDoc &d = doc.Doc;
  SettingsToFile(doc.VantorSettings);
  Version = 0;
  FormatMarker = 1;
  Titles[0] = d.MainTitle;
  Titles[1] = d.SubTitle;
  Mode = d.PlotMode == pmDistance ? 2 : d.ScaleUnit == suCableLoss ? 3 : 1;
  switch (d.ScaleUnit) {
  case suReturnLoss: Unit = Mode == 2 ? 0 : 2; break;
  case suCableLoss: Unit = 0; break;
  case suVSWR: Unit = 1; break;
  default: Unit = 3; break;
  }
  const TScaleGroup &g = Mode == 2 ? d.DistScale : d.FreqScale;
  // The file holds one Y scale: an automatic axis records the range it shows.
  TRange y = RecordedYRange(d, Mode == 2).value_or(TRange{g.YMin, g.YMax});
  if (d.ScaleUnit == suMRho) y.Min *= 0.001, y.Max *= 0.001; // written as Rho
  ScaleMin = DbToUnit(y.Min, Unit);
  ScaleMax = DbToUnit(y.Max, Unit);
  Limit1On = false;
  Limit2On = false;
  Limit1 = 0;
  Limit2 = -100;
  if (Mode == 2) {
    Limit1On = d.DistLimitMode != 0;
    Limit1 = d.DistLimitValue;
  } else if (Mode == 3) {
    Limit2On = d.FreqLimitMode != 0;
    Limit2 = d.FreqLimitValue;
  } else {
    Limit1On = d.FreqLimitMode != 0;
    Limit1 = d.FreqLimitValue;
  }
  DTF.DistUnit = d.DistUnit == duMeters ? 1 : 0;
  const TTraceData &t = d.Traces[0];
  Titles[4] = t.Label;
  DateTime = t.DateTime;
  SerialText = t.SN;
  RevisionText = t.Revision;
  CalFlagA = t.CalState != 0;
  const std::size_t n =
      std::min({t.Freq.size(), t.Mag.size(), t.Angle.size(), static_cast<std::size_t>(std::max(t.NumPoints, 0))});
  if (n > static_cast<std::size_t>(kKP418MaxPoints)) throw EmoxVantorError("A .vnf file holds at most 11265 points.");
  NumPoints = static_cast<std::int32_t>(n);
  const long double first = n > 0 ? static_cast<long double>(t.Freq[0]) * 1e6L : 0.0L;
  const long double last = n > 0 ? static_cast<long double>(t.Freq[n - 1]) * 1e6L : 0.0L;
  const long double span = last - first;
  SplitHz(span, SpanWhole, SpanFrac);
  SplitHz(first + span / 2, CentreWhole, CentreFrac);
  Points.assign(n, {0.0, 0.0});
  for (std::size_t i = 0; i < n; ++i) {
    double v = t.Mag[i];
    ConvertValue(v, d.ScaleUnit, suReturnLoss);
    if (Mode == 1) v -= 2 * ReflectionOffset;
    Points[i] = {v, t.Angle[i] * kDegToRad};
  }
  const TMarkerSet &set = Mode == 2 ? t.DistMarks : t.FreqMarks;
  for (std::size_t k = 0; k < Markers.size(); ++k) {
    const TMarkerSlot &s = set[k];
    TKP418Marker &m = Markers[k];
    m.State = s.Visible != 0;
    m.Position = s.Point;
    m.Enabled = s.DeltaOn;
    m.Type = s.Reference;
    m.DeltaFlag = s.Style;
  }
  DTF.CableName = t.CableType;
  DTF.Loss = t.Loss;
  DTF.Vp = 1.0 / std::sqrt(static_cast<double>(t.Dielectric));
  DTF.StartDist = t.StartDist;
  DTF.StopDist = t.StopDist;
  DTF.Window = t.Smoothing;
  // The handheld's own distance result has one pair per point.
  DTF.Pairs.resize(n, {0.0, 0.0});
  Trailer = 0;
}

std::string CKP418_TraceFile::FileText() const {
  std::string out;
  auto line = [&](const std::string &s) {
    // One value per line: a line end inside a text would shift every value.
    for (char c : s)
      out += (c == '\r' || c == '\n') ? ' ' : c;
    out += "\r\n";
  };
  line(Int4(Version));
  line(RevisionText);
  line(SerialText);
  line(HeaderTexts[0]);
  line(HeaderTexts[1]);
  line(SweepTimeText(DateTime));
  for (const auto &s : Titles)
    line(s);
  line(Int4(FormatMarker));
  line(Int4(Mode));
  line(FreqText(CentreWhole, CentreFrac));
  line(FreqText(SpanWhole, SpanFrac));
  line(Text);
  line(Int4(Int));
  line(Int4(CalFlagA ? 1 : 0));
  line(Int4(CalFlagB ? 1 : 0));
  line(KP418Double(ScaleMax));
  line(KP418Double(ScaleMin));
  line(KP418Double(ReflectionOffset));
  line(Int4(Unit + 20));
  line(KP418Double(Double));
  for (auto v : Ints)
    line(Int4(v));
  const std::size_t n = std::min(Points.size(), static_cast<std::size_t>(std::max(NumPoints, 0)));
  line(Int4(static_cast<std::int32_t>(n)));
  for (std::size_t i = 0; i < n; ++i)
    line(PairText(Points[i]));
  line(Int4(Limit1On ? 1 : 0));
  if (Limit1On) line(KP418Double(Limit1));
  line(Int4(Limit2On ? 1 : 0));
  if (Limit2On) line(KP418Double(Limit2));
  line(Int4(LimitsInt));
  for (const auto &m : Markers) {
    line(Int4(m.Number));
    line(Int4(m.DeltaFlag));
    line(Int4(m.State ? 1 : 0));
    line(Int4(m.Active ? 1 : 0));
    line(Int4(m.Enabled ? 1 : 0));
    line(Int4(m.Type));
    line(Int4(m.Position));
    line(FreqText(m.FreqWhole, m.FreqFrac));
    line(KP418Double(m.Value));
  }
  if (Mode == 2) {
    line(DTF.CableName);
    line(KP418Double(DTF.Vp));
    line(KP418Double(DTF.Loss));
    line(Int4(DTF.Window));
    line(KP418Double(DTF.StartDist));
    line(KP418Double(DTF.StopDist));
    line(Int4(DTF.DistUnit));
    for (std::size_t i = 0; i < n; ++i)
      line(PairText(i < DTF.Pairs.size() ? DTF.Pairs[i] : std::pair{0.0, 0.0}));
  }
  if (Mode == 3 || Mode == 4) line(KP418Double(ExtraValue));
  line(Format("%d", Trailer));
  return out;
}

bool CKP418_TraceFile::SaveToText(std::string &text, const TmoxDocument &doc) {
  if (doc.Doc.TraceCount() == 0 || doc.Doc.Traces[0].Model.str() != kKP418Model) return false;
  FillFromDocument(doc);
  text = FileText();
  return true;
}

bool HoldsHandheldSettings(const TmoxDocument &doc) {
  return doc.HasVantorSettings && doc.Doc.TraceCount() > 0 && doc.Doc.Traces[0].Model == kKP418Model;
}

} // namespace korv
