#include "core/DocFromReply.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/Crc16.h"
#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/TextUtil.h"

namespace korv {

namespace {

constexpr double kRadToDeg = 57.29577951308232;

double CalendarDate(int y, int m, int d) { return EncodeDateTime(TCivilTime{y, m, d, 0, 0, 0}); }

double NowOr(const TReplyContext &ctx) { return ctx.Now != 0.0 ? ctx.Now : NowDayCount(); }

// The load error with the text that did not parse (and where), so a damaged
// reply can be told from a misread one.
std::string UnparsedText(std::string_view text, long long offset = -1) {
  std::string shown;
  for (char c : text.substr(0, 40))
    shown += static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F ? '?' : c;
  std::string m = std::string(kMsgLoadDataError) + "\r\nUnreadable: \"" + shown + "\"";
  if (offset >= 0) m += " at byte " + std::to_string(offset);
  return m + ".";
}

[[noreturn]] void NotANumber(std::string_view text) {
  throw EmoxIOTraceFormatErr("'" + std::string(text) + "' is not a valid integer value");
}

// The reply as numbered lines; a missing line means the reply was cut short.
class TReplyLines {
public:
  explicit TReplyLines(const std::vector<std::string> &lines) : m_lines(lines) {}
  const std::string &operator[](std::size_t i) const {
    if (i >= m_lines.size()) throw EmoxIOTraceFormatErr(kMsgLoadDataError);
    return m_lines[i];
  }

private:
  const std::vector<std::string> &m_lines;
};

std::vector<std::string> SplitCommas(std::string_view s) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t c = s.find(',', start);
    out.emplace_back(s.substr(start, c == std::string_view::npos ? std::string_view::npos : c - start));
    if (c == std::string_view::npos) break;
    start = c + 1;
  }
  return out;
}

long long IntOf(std::string_view text) {
  long long v = 0;
  if (!ParseInt(Trim(text), v)) NotANumber(text);
  return v;
}

// Integer field i of a comma-separated line.
long long IntField(const std::string &line, std::size_t i) {
  const auto f = SplitCommas(line);
  if (i >= f.size()) NotANumber("");
  return IntOf(f[i]);
}

// Text up to the first comma, as an integer.
long long LeadingInt(const std::string &line) { return IntOf(line.substr(0, line.find(','))); }

// Field i of a point line in the analyzer's number form (accepts "0.-125").
// Unlike a free scan, anything but the number in the field is an error, so
// a corrupted byte cannot silently split or shorten a value.
double InstrumentField(const std::string &line, std::size_t i) {
  const auto f = SplitCommas(line);
  if (i >= f.size()) NotANumber(line);
  const std::string v = Trim(f[i]);
  if (v.empty() || v.find_first_not_of("-.0123456789") != std::string::npos) NotANumber(v);
  try {
    std::string rest = v;
    const double d = TakeInstrumentNumber(rest);
    if (!rest.empty()) NotANumber(v);
    return d;
  } catch (const EmoxFileError &) {
    NotANumber(v);
  }
}

std::uint8_t MapScaleUnit(long long reply, std::uint8_t current) {
  switch (reply) {
  case 0: return suVSWR;
  case 1: return suReturnLoss;
  case 2: return suCableLoss;
  default: return current;
  }
}

std::uint8_t MapDistUnit(long long reply, std::uint8_t current) {
  if (reply == 1) return duMeters;
  if (reply == 2) return duFeet;
  return current;
}

std::int32_t MapPlotMode(long long reply) { return reply == 1 ? pmDistance : pmFrequency; }

double LossScale(std::uint8_t distUnit) { return distUnit == duFeet ? 1e-4 : 1e-3; }

double ReduceAngle(double deg) {
  // Bounded: a huge reply value must not spin here.
  if (deg > 180.0) deg -= 360.0 * std::ceil((deg - 180.0) / 360.0);
  return deg;
}

// Plausibility of what an instrument sent. Text replies of the analyzers
// may read a hair above total reflection after calibration; the byte blocks
// cannot.
constexpr double kReflectionSlack = 0.02;

void Plausible(bool ok) {
  if (!ok) throw EmoxIOTraceDamagedErr(kMsgTraceDamaged);
}

// A magnitude in a display unit must be a reflection between 0 and 1.
bool ReflectionPlausible(double value, std::uint8_t unit) {
  const double rhoMax = 1.0 + kReflectionSlack;
  if (!std::isfinite(value)) return false;
  switch (unit) {
  case suReturnLoss:
  case suCableLoss: return value <= 20.0 * std::log10(rhoMax);
  case suVSWR: return value >= 1.0 - kReflectionSlack;
  case suRho: return value >= 0.0 && value <= rhoMax;
  case suMRho: return value >= 0.0 && value <= 1000.0 * rhoMax;
  default: return true;
  }
}

bool AnglePlausible(double degrees) { return std::fabs(degrees) <= 180.0 + 0.1; }

void CheckSweep(double start, double stop, TBandMHz band) {
  Plausible(start < stop && start >= band.Lo && stop <= band.Hi);
}

void CheckCable(double velocityFactor, double loss) {
  Plausible(velocityFactor >= kMinVelocityFactor && velocityFactor <= 1.0 && loss >= 0.0 && loss <= kMaxCableLoss);
}

// Needs MaxDist: after the derived fields are set.
void CheckDistances(const TTraceData &t) {
  const double max = static_cast<double>(t.MaxDist) * (1.0 + 1e-6);
  Plausible(t.StartDist >= 0.0F && t.StartDist <= max && t.StartDist <= t.StopDist);
}

double DecodeStamp(const std::string &text) {
  try {
    return DecodePackedTime(text);
  } catch (const Exception &) {
    throw EmoxIOTraceFormatErr(UnparsedText(text));
  }
}

struct TRange {
  double Lo = 1000000.0;
  double Hi = -1000000.0;
  void Take(double v) {
    Lo = std::min(Lo, v);
    Hi = std::max(Hi, v);
  }
};

void ClearMarks(TTraceData &t) {
  t.FreqMarks = TMarkerSet{};
  t.DistMarks = TMarkerSet{};
  t.ActiveMarks = TMarkerSet{};
}

// Old marker line: index 1, index 2, flags (bit 0/1 visible, bit 2 delta on 1).
void ReadOldMarkerLine(const std::string &line, TMarkerSet &set) {
  set[0].Point = static_cast<std::int32_t>(IntField(line, 0));
  set[1].Point = static_cast<std::int32_t>(IntField(line, 1));
  const long long f = IntField(line, 2);
  set[0].Visible = (f & 1) != 0 ? 1 : 0;
  set[1].Visible = (f & 2) != 0 ? 1 : 0;
  set[0].DeltaOn = (f & 4) != 0;
  set[0].Reference = set[0].DeltaOn ? 1 : 0;
  set[1].Reference = 0;
}

// Six (index, code) pairs.
void ReadSixSlotMarkerLine(const std::string &line, TMarkerSet &set) {
  for (std::size_t s = 0; s < set.size(); ++s) {
    TMarkerSlot &m = set[s];
    m.Point = static_cast<std::int32_t>(IntField(line, 2 * s));
    const long long code = IntField(line, 2 * s + 1);
    m.Visible = static_cast<std::uint8_t>(code & 3);
    m.Style = static_cast<std::uint8_t>((code >> 2) & 1);
    m.Reference = static_cast<std::int32_t>((code >> 3) & 7);
    m.DeltaOn = m.Reference < kRefNone;
    if (!m.DeltaOn) m.Reference = 0;
  }
}

// The check line holds the CRC's two raw bytes; it covers the text of all
// other lines (each ended by CR LF) from the first quote character on.
void CheckGeneration3Crc(std::vector<std::string> lines, std::size_t checkIndex) {
  if (checkIndex >= lines.size() || lines[checkIndex].size() < 2) throw EmoxIOTraceFormatErr(kMsgLoadDataError);
  const auto hi = static_cast<std::uint8_t>(lines[checkIndex][0]);
  const auto lo = static_cast<std::uint8_t>(lines[checkIndex][1]);
  lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(checkIndex));
  std::string text;
  for (const auto &l : lines) {
    text += l;
    text += "\r\n";
  }
  const std::size_t q = text.find('"');
  const std::string_view covered = q == std::string::npos ? std::string_view() : std::string_view(text).substr(q);
  const std::uint16_t crc = Crc16(reinterpret_cast<const std::uint8_t *>(covered.data()), covered.size());
  if (crc != static_cast<std::uint16_t>(hi * 256 + lo)) throw EmoxIOTraceCRCErr(kMsgTraceCRC);
}

// Quoted text starting at pos (a quote); returns the text and moves pos past
// the closing quote.
std::string QuotedAt(const std::string &line, std::size_t &pos) {
  const std::size_t open = line.find('"', pos);
  if (open == std::string::npos) {
    pos = line.size();
    return {};
  }
  const std::size_t close = line.find('"', open + 1);
  const std::size_t end = close == std::string::npos ? line.size() : close;
  pos = close == std::string::npos ? line.size() : close + 1;
  return line.substr(open + 1, end - open - 1);
}

void FinishAnalyzerTrace(TmoxDocument &d, TTraceData &t, const std::string &traceName, const TReplyContext &ctx) {
  if (d.Doc.PlotMode != pmDistance) d.Doc.PlotMode = pmFrequency;
  d.Doc.SetupInfo = ctx.SetupInfo;
  t.Title = traceName.empty() ? DateTimeToText(t.DateTime) : traceName;
  d.UpdateTraceDerived(t);
  if (t.StopDist > t.MaxDist) t.StopDist = t.MaxDist;
  t.Threshold = -100.0F;
  t.ActiveMarks = d.Doc.PlotMode == pmFrequency ? t.FreqMarks : t.DistMarks;
  t.NextMarkSlot = -1;
  d.SetLoadFlag(1);
}

void BuildGeneration1(TmoxDocument &d, TTraceData &t, const TReplyLines &L, const std::string &traceName,
                      const TReplyContext &ctx, int n) {
  const bool before2000 = ctx.FirmwareDate < CalendarDate(2000, 1, 1);
  if (before2000) {
    d.Doc.PlotMode = pmFrequency;
    d.Doc.ScaleUnit = ctx.CurrentScaleUnit;
    d.Doc.DistUnit = ctx.CurrentDistUnit;
  } else {
    d.Doc.PlotMode = MapPlotMode(LeadingInt(L[18]));
    d.Doc.ScaleUnit = MapScaleUnit(LeadingInt(L[15]), ctx.CurrentScaleUnit);
    d.Doc.DistUnit = MapDistUnit(LeadingInt(L[17]), ctx.CurrentDistUnit);
  }
  const std::string site = traceName == "Current Trace" ? "0,0,0,0," + EncodePackedTime(NowOr(ctx)) + ",0" : L[2];
  t.SiteNumber = static_cast<std::uint16_t>(IntField(site, 0));
  t.Sector = static_cast<std::uint8_t>(IntField(site, 1));
  t.AntennaKind = static_cast<std::uint8_t>(IntField(site, 2));
  t.AntennaNumber = static_cast<std::uint8_t>(IntField(site, 3));
  const auto siteFields = SplitCommas(site);
  t.DateTime = DecodeStamp(siteFields.size() > 4 ? siteFields[4] : std::string());
  t.Label = "";
  ApplySiteLabel(t);
  t.VCOTemp = 298;
  const std::string &cal = L[3];
  if (cal.empty() || cal[0] < '0' || cal[0] > '9') NotANumber(cal);
  t.CalState = static_cast<std::uint8_t>(cal[0] - '0');
  t.SetupName = "";
  t.SetupVCOTemp = 298;
  t.SetupDateTime = t.DateTime;

  TRange range;
  for (int k = 0; k < n; ++k) {
    const std::string &p = L[19 + static_cast<std::size_t>(k)];
    const double f = InstrumentField(p, 0);
    const double m = InstrumentField(p, 1);
    const double a = InstrumentField(p, 2);
    const auto i = static_cast<std::size_t>(k);
    t.Freq[i] = f * 0.01;
    t.Mag[i] = m * 1e-5;
    const double degrees = (a * 0.001 - std::numbers::pi) * kRadToDeg;
    // Firmware of 1999 names no unit, so only the angle can be judged.
    Plausible((before2000 || ReflectionPlausible(t.Mag[i], d.Doc.ScaleUnit)) && AnglePlausible(degrees));
    t.Angle[i] = ReduceAngle(degrees);
    range.Take(t.Mag[i]);
  }
  RepairFrequencyOrder(t);
  CheckTraceGrid(t);
  CheckSweep(t.Freq[0], t.Freq[static_cast<std::size_t>(n - 1)], kAnalyzerBand);
  const double span = t.Freq[static_cast<std::size_t>(n - 1)] - t.Freq[0];
  ClearMarks(t);
  if (before2000) {
    t.Loss = 0.0F;
    t.Dielectric = 1.0F;
    t.StartDist = 0.0F;
    t.StopDist = static_cast<float>((n - 1) * 150.0 / span);
    d.Doc.FreqLimitMode = d.Doc.DistLimitMode = 0;
    d.Doc.FreqLimitValue = d.Doc.DistLimitValue = kUnplacedLimit;
  } else {
    t.Loss = static_cast<float>(static_cast<double>(IntField(L[14], 0)) * LossScale(d.Doc.DistUnit));
    const double vf = static_cast<double>(IntField(L[14], 1)) * 1e-4;
    CheckCable(vf, t.Loss);
    t.Dielectric = static_cast<float>(1.0 / (vf * vf));
    if (d.Doc.PlotMode == pmDistance) {
      t.StartDist = static_cast<float>(static_cast<double>(IntField(L[16], 0)) * 0.01);
      t.StopDist = static_cast<float>(static_cast<double>(IntField(L[16], 1)) * 0.01);
    } else {
      t.StartDist = 0.0F;
      t.StopDist = static_cast<float>((n - 1) * 150.0 / (std::sqrt(static_cast<double>(t.Dielectric)) * span));
    }
    t.FreqMarks[0].Visible = static_cast<std::uint8_t>(IntOf(L[4]));
    t.FreqMarks[0].Point = static_cast<std::int32_t>(LeadingInt(L[5]));
    t.FreqMarks[1].Visible = static_cast<std::uint8_t>(LeadingInt(L[6]));
    t.FreqMarks[1].Point = static_cast<std::int32_t>(LeadingInt(L[7]));
    t.DistMarks[0].Visible = static_cast<std::uint8_t>(IntOf(L[8]));
    t.DistMarks[0].Point = static_cast<std::int32_t>(LeadingInt(L[9]));
    t.DistMarks[1].Visible = static_cast<std::uint8_t>(LeadingInt(L[10]));
    t.DistMarks[1].Point = static_cast<std::int32_t>(LeadingInt(L[11]));
    auto limit = [&](const std::string &line, std::int32_t &mode, double &value) {
      mode = static_cast<std::int32_t>(IntField(line, 0));
      value = mode != 0 ? static_cast<double>(IntField(line, 1)) * 1e-3 : kUnplacedLimit;
    };
    limit(L[12], d.Doc.FreqLimitMode, d.Doc.FreqLimitValue);
    limit(L[13], d.Doc.DistLimitMode, d.Doc.DistLimitValue);
  }
  d.AutoScaleAfterLoad(range.Lo, range.Hi, true);
  t.CableType = "Custom";
  t.Smoothing = 0;
}

void BuildGeneration23(TmoxDocument &d, TTraceData &t, const TReplyLines &L, const TReplyContext &ctx, int gen, int n,
                       std::size_t firstPoint) {
  const std::string &label = L[1];
  t.Label = label.size() >= 2 ? label.substr(1, label.size() - 2) : std::string();
  t.SiteNumber = 0;
  t.Sector = t.AntennaKind = t.AntennaNumber = 0;
  t.DateTime = DecodeStamp(L[2]);

  const std::string &setup = L[3];
  if (setup.empty() || setup[0] < '0' || setup[0] > '9') NotANumber(setup);
  t.CalState = static_cast<std::uint8_t>(setup[0] - '0');
  {
    const std::size_t nameEnd = setup.size() > 3 ? setup.find('"', 3) : std::string::npos;
    t.SetupName = setup.size() > 3 ? setup.substr(3, nameEnd == std::string::npos ? std::string::npos : nameEnd - 3)
                                   : std::string();
    const std::string rest = nameEnd == std::string::npos ? std::string() : setup.substr(nameEnd + 1);
    const auto f = SplitCommas(rest); // "", vco, stamp
    t.SetupVCOTemp = f.size() > 1 ? static_cast<std::int32_t>(IntOf(f[1])) : 298;
    try {
      t.SetupDateTime = f.size() > 2 ? DecodePackedTime(f[2]) : t.DateTime;
    } catch (const Exception &) {
      t.SetupDateTime = t.DateTime;
    }
  }
  d.Doc.PlotMode = MapPlotMode(LeadingInt(L[4]));
  {
    std::string s = L[5];
    if (s.size() >= 2 && s[1] != ',') s.insert(1, ",");
    d.Doc.ScaleUnit = MapScaleUnit(IntField(s, 0), ctx.CurrentScaleUnit);
    d.Doc.CurScale.YMin = static_cast<double>(IntField(s, 1)) * 2.0 * 0.001;
    d.Doc.CurScale.YMax = static_cast<double>(IntField(s, 2)) * 2.0 * 0.001;
  }
  t.VCOTemp = static_cast<std::int32_t>(LeadingInt(L[6]));
  const double start = static_cast<double>(IntField(L[7], 0)) * 0.01;
  const double stop = static_cast<double>(IntField(L[7], 1)) * 0.01;
  // Generation 3 replies carry a check sum; the older ones only these checks.
  const bool check = gen == 2;
  if (check) CheckSweep(start, stop, kAnalyzerBand);
  d.Doc.FreqScale.XMin = start - 0.02 * (stop - start);
  d.Doc.FreqScale.XMax = stop + 0.02 * (stop - start);
  d.Doc.DistUnit = MapDistUnit(IntField(L[8], 0), ctx.CurrentDistUnit);
  t.StartDist = static_cast<float>(static_cast<double>(IntField(L[8], 1)) * 0.01);
  t.StopDist = static_cast<float>(static_cast<double>(IntField(L[8], 2)) * 0.01);
  d.Doc.DistScale.XMin = t.StartDist - 0.02 * (t.StopDist - t.StartDist);
  d.Doc.DistScale.XMax = t.StopDist + 0.02 * (t.StopDist - t.StartDist);
  t.Smoothing = static_cast<std::uint8_t>(LeadingInt(L[9]));
  {
    const std::string &cable = L[10];
    std::size_t pos = 0;
    t.CableType = QuotedAt(cable, pos);
    const auto f = SplitCommas(cable.substr(pos)); // "", vf, loss
    if (f.size() < 3) NotANumber(cable);
    double vp = static_cast<double>(IntOf(f[1])) * 1e-4;
    if (vp > 1.0) vp = 1.0;
    t.Dielectric = vp > 0.0 ? static_cast<float>(1.0 / (vp * vp)) : 1.0F;
    t.Loss = static_cast<float>(static_cast<double>(IntOf(f[2])) * LossScale(d.Doc.DistUnit));
    if (check) CheckCable(vp, t.Loss);
  }
  ClearMarks(t);
  if (gen == 2 || ctx.FirmwareDate < FirmwareSixSlotMarkers()) {
    ReadOldMarkerLine(L[11], t.FreqMarks);
    ReadOldMarkerLine(L[12], t.DistMarks);
  } else {
    ReadSixSlotMarkerLine(L[11], t.FreqMarks);
    ReadSixSlotMarkerLine(L[12], t.DistMarks);
  }
  d.Doc.FreqLimitMode = static_cast<std::int32_t>(IntField(L[13], 0));
  d.Doc.FreqLimitValue =
      (d.Doc.FreqLimitMode != 0 || gen == 2) ? static_cast<double>(IntField(L[13], 1)) * 1e-3 : kUnplacedLimit;
  d.Doc.DistLimitMode = static_cast<std::int32_t>(IntField(L[14], 0));
  d.Doc.DistLimitValue = d.Doc.DistLimitMode != 0 ? static_cast<double>(IntField(L[14], 1)) * 1e-3 : kUnplacedLimit;
  if (gen == 3) {
    t.FMOnOff = static_cast<std::uint8_t>(LeadingInt(L[15]));
    const std::string &ids = L[16];
    std::size_t pos = 0;
    t.Model = QuotedAt(ids, pos);
    t.SN = QuotedAt(ids, pos);
    t.Revision = QuotedAt(ids, pos);
  } else {
    t.Model = "LX-3250A";
  }

  TRange range;
  const double step = n > 1 ? (stop - start) / (n - 1) : 0.0;
  double f = start;
  for (int k = 0; k < n; ++k) {
    const auto i = static_cast<std::size_t>(k);
    const std::string &line = L[firstPoint + i];
    double m = 0;
    double a = 0;
    if (gen == 2) {
      m = InstrumentField(line, 0);
      a = InstrumentField(line, 1) * 0.001 - std::numbers::pi;
    } else {
      m = static_cast<double>(IntField(line, 0));
      a = static_cast<double>(IntField(line, 1)) * 0.001;
    }
    t.Freq[i] = f;
    f += step;
    t.Mag[i] = m * 1e-5;
    if (check) Plausible(ReflectionPlausible(t.Mag[i], d.Doc.ScaleUnit) && AnglePlausible(a * kRadToDeg));
    t.Angle[i] = ReduceAngle(a * kRadToDeg);
    range.Take(t.Mag[i]);
  }
  d.AutoScaleAfterLoad(range.Lo, range.Hi, false);
}

void SizeTrace(TTraceData &t, int n) {
  t.NumPoints = n;
  t.Mag.assign(static_cast<std::size_t>(n), 0.0);
  t.Freq.assign(static_cast<std::size_t>(n), 0.0);
  t.Angle.assign(static_cast<std::size_t>(n), 0.0);
  t.DistAxis.clear();
  t.DistMag.clear();
}

double ReflectionToUnit(double rho, std::uint8_t unit) {
  switch (unit) {
  case suReturnLoss:
  case suCableLoss: {
    if (rho <= 0.0) return -100.0;
    const double db = 20.0 * std::log10(rho);
    return db > 0.0 ? 0.0 : db;
  }
  case suVSWR: return ClampedVSWR(rho);
  case suMRho: return rho * 1000.0;
  default: return rho;
  }
}

} // namespace

double FirmwareGeneration2Start() { return CalendarDate(2001, 8, 1); }
double FirmwareGeneration3Start() { return CalendarDate(2002, 4, 1); }
double FirmwareSixSlotMarkers() { return CalendarDate(2003, 2, 28); }
double FirmwareEndOf1999() { return CalendarDate(1999, 12, 31); }

int FirmwareGeneration(double firmwareDate) {
  const double day = std::floor(firmwareDate);
  if (day < FirmwareGeneration2Start()) return 1;
  if (day < FirmwareGeneration3Start()) return 2;
  return 3;
}

void BuildFromAnalyzerReply(TmoxDocument &doc, const std::string &traceName, const std::vector<std::string> &lines,
                            const TReplyContext &ctx) {
  if (lines.empty() || lines[0].compare(0, 2, "TU") != 0) throw EmoxFileError(kMsgReplyNotTrace);
  const TReplyLines L(lines);
  const int gen = FirmwareGeneration(ctx.FirmwareDate);
  const bool counted = gen == 3 && ctx.ReportsPointCount;
  int n = kDefaultReplyPoints;
  if (counted) {
    const long long v = IntOf(L[17]);
    if (v < 2 || v > 100000) throw EmoxIOInvalidTraceError(kMsgInvalidTrace);
    n = static_cast<int>(v);
  }
  std::size_t firstPoint = gen == 1 ? 19 : gen == 2 ? 15 : counted ? 18 : 17;
  if (gen == 3) CheckGeneration3Crc(lines, firstPoint + static_cast<std::size_t>(n));
  (void)L[firstPoint + static_cast<std::size_t>(n) - 1]; // the whole point list must be there

  TmoxDocument d;
  d.Doc.ReadFlag = sfKorv;
  d.Doc.DataKind = 0;
  d.Doc.MainTitleFixed = d.Doc.SubTitleFixed = 0;
  d.Doc.MaxPoints = n;
  d.Doc.ScaleUnit = ctx.CurrentScaleUnit;
  d.Doc.DistUnit = ctx.CurrentDistUnit;
  TTraceData &t = d.Doc.Traces[0];
  SizeTrace(t, n);
  t.Model = "";
  t.SN = "000001";
  t.Revision = "";
  t.FMOnOff = 1;
  if (gen == 1)
    BuildGeneration1(d, t, L, traceName, ctx, n);
  else
    BuildGeneration23(d, t, L, ctx, gen, n, firstPoint);
  FinishAnalyzerTrace(d, t, traceName, ctx);
  if (gen < 3) CheckDistances(t);
  doc = std::move(d);
}

void BuildFromSiteMasterReply(TmoxDocument &doc, const std::string &traceName, const std::uint8_t *b,
                              std::size_t length, const TReplyContext &ctx) {
  constexpr int kPoints = 130;
  if (b == nullptr || length < 84 + 4 * kPoints) throw EmoxIOTraceFormatErr(kMsgLoadDataError);
  auto u16 = [&](std::size_t o) { return static_cast<unsigned>(b[o] * 256U + b[o + 1]); };
  auto u32 = [&](std::size_t o) {
    return ((static_cast<double>(b[o]) * 256.0 + b[o + 1]) * 256.0 + b[o + 2]) * 256.0 + b[o + 3];
  };
  auto s16 = [&](std::size_t o) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(u16(o))); };
  auto text = [&](std::size_t from, std::size_t to) {
    std::size_t i = from;
    while (i <= to && b[i] == 0)
      ++i;
    std::string s;
    while (i <= to && b[i] != 0)
      s.push_back(static_cast<char>(b[i++]));
    return s;
  };

  TmoxDocument d;
  TTraceDoc &D = d.Doc;
  D.PlotMode = ctx.DistanceData ? pmDistance : pmFrequency;
  D.DataKind = ctx.DistanceData ? 2 : 0;
  const std::uint8_t status = b[82];
  D.ScaleUnit = (status & 0x10) != 0 ? suReturnLoss : suVSWR;
  D.DistUnit = (status & 0x20) != 0 ? duMeters : duFeet;
  D.MainTitleFixed = D.SubTitleFixed = 0;
  D.MaxPoints = kPoints;
  TTraceData &t = D.Traces[0];
  std::string title = text(24, 31);
  const std::string sub = text(16, 23);
  if (!sub.empty()) title += title.empty() ? sub : " " + sub;
  t.Title = title.empty() ? traceName : title;
  t.CalState = (status & 0x08) != 0 ? 1 : 0;
  t.DateTime = NowOr(ctx);
  SizeTrace(t, kPoints);
  const bool dist = D.PlotMode == pmDistance;
  const double start = dist ? u32(62) * 1e-5 : u32(40) * 1e-6;
  const double stop = dist ? u32(66) * 1e-5 : u32(44) * 1e-6;
  const double step = (stop - start) / (kPoints - 1);
  if (dist)
    Plausible(start >= 0.0 && start < stop);
  else
    CheckSweep(start, stop, kSiteMasterBand);
  t.CableType = "Custom";
  t.Loss = static_cast<float>(u32(78) * 1e-5);
  const double vp = u32(74) * 1e-5;
  CheckCable(vp, u32(78) * 1e-5);
  t.Dielectric = static_cast<float>(1.0 / (vp * vp));
  t.StartDist = static_cast<float>(u32(62) * 1e-5);
  t.MaxDist = static_cast<float>(MaxDistance(kPoints, false, 1.0, step * 1e6));
  t.StopDist = static_cast<float>(std::min(u32(66) * 1e-5, static_cast<double>(t.MaxDist)));
  t.StartFreqHz = static_cast<float>(start * 1e6);
  t.FreqStepHz = static_cast<float>(step * 1e6);
  t.Smoothing = 0;
  t.Threshold = -100.0F;
  double f = start;
  for (int k = 0; k < kPoints; ++k) {
    const auto i = static_cast<std::size_t>(k);
    const std::size_t o = 84 + 4 * i;
    t.Freq[i] = f;
    f += step;
    Plausible(u16(o) <= 1000 && std::abs(s16(o + 2)) <= 1800);
    const double rho = std::min(u16(o) * 0.001, 0.999999);
    t.Mag[i] = D.ScaleUnit == suReturnLoss ? ReflectionToUnit(rho, suReturnLoss) : ClampedVSWR(rho);
    t.Angle[i] = s16(o + 2) * 0.1;
  }
  ClearMarks(t);
  t.FreqMarks[0].Point = static_cast<std::int32_t>(u16(56));
  t.FreqMarks[1].Point = static_cast<std::int32_t>(u16(58));
  t.DistMarks[0].Point = static_cast<std::int32_t>(u16(70));
  t.DistMarks[1].Point = static_cast<std::int32_t>(u16(72));
  TMarkerSet &shown = dist ? t.DistMarks : t.FreqMarks;
  shown[0].Visible = (status & 0x02) != 0 ? 1 : 0;
  shown[1].Visible = (status & 0x04) != 0 ? 1 : 0;
  t.ActiveMarks = shown;
  t.NextMarkSlot = -1;
  D.FreqLimitMode = D.DistLimitMode = (status & 0x01) != 0 ? 1 : 0;
  const double limit = D.ScaleUnit == suReturnLoss ? -(u16(60) * 0.001) : u16(60) * 0.001;
  D.FreqLimitValue = D.DistLimitValue = limit;
  CheckDistances(t);
  d.SetLoadFlag(1);
  d.ResetScaling();
  doc = std::move(d);
}

void BuildFromRtReply(TmoxDocument &doc, const std::string &traceName, const std::uint8_t *b, std::size_t length,
                      const TReplyContext &ctx) {
  constexpr int kPoints = 100;
  if (b == nullptr || length < 16 + 7 * (kPoints - 1) + 5) throw EmoxIOTraceFormatErr(kMsgLoadDataError);
  auto field = [&](std::size_t o, std::size_t w) {
    double v = 0;
    const std::string s = Trim(std::string_view(reinterpret_cast<const char *>(b + o), w));
    if (!ParseDouble(s, v) || !std::isfinite(v)) throw EmoxIOTraceFormatErr(UnparsedText(s, static_cast<long long>(o)));
    return v;
  };
  TmoxDocument d;
  TTraceDoc &D = d.Doc;
  D.DataKind = 1;
  D.PlotMode = pmFrequency;
  D.MainTitleFixed = D.SubTitleFixed = 0;
  D.MaxPoints = kPoints;
  D.ScaleUnit = ctx.CurrentScaleUnit;
  D.DistUnit = ctx.CurrentDistUnit;
  TTraceData &t = D.Traces[0];
  SizeTrace(t, kPoints);
  t.DateTime = NowOr(ctx);
  t.Label = traceName;
  t.Title = traceName;
  t.CalState = 1;
  t.VCOTemp = t.SetupVCOTemp = 298;
  t.SetupName = "";
  t.SetupDateTime = t.DateTime;
  t.Model = "";
  t.Revision = "";
  t.SN = "000001";
  t.FMOnOff = 0;
  const double start = field(0, 6);
  const double stop = field(8, 6);
  CheckSweep(start, stop, kRtBand);
  const double step = (stop - start) / (kPoints - 1);
  double f = start;
  for (int k = 0; k < kPoints; ++k) {
    const auto i = static_cast<std::size_t>(k);
    t.Freq[i] = f;
    f += step;
    const double v = field(16 + 7 * i, 5);
    Plausible(v >= 0.0 && v <= 1.0);
    t.Mag[i] = ReflectionToUnit(v, D.ScaleUnit);
    t.Angle[i] = 0.0;
  }
  t.Loss = 0.0F;
  t.Dielectric = 1.0F;
  t.StartDist = 0.0F;
  ClearMarks(t);
  D.FreqLimitMode = D.DistLimitMode = 0;
  D.FreqLimitValue = D.DistLimitValue = kUnplacedLimit;
  D.SetupInfo = ctx.SetupInfo;
  t.CableType = "Custom";
  t.Smoothing = 0;
  d.ResetScaling();
  d.UpdateTraceDerived(t);
  if (t.StopDist > t.MaxDist) t.StopDist = t.MaxDist;
  t.NextMarkSlot = -1;
  d.SetLoadFlag(1);
  doc = std::move(d);
}

} // namespace korv
