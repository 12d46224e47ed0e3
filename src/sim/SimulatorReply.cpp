#include "sim/SimulatorReply.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/Crc16.h"
#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/TextUtil.h"
#include "measure/Convert.h"
#include "sim/SweepModel.h"

namespace korv {

namespace {

long long Round(double v) { return std::llround(v); }
std::string Int(double v) { return std::to_string(Round(v)); }

// The magnitude unit a reply names, and the code it uses for it.
struct TReplyUnit {
  int Code;
  std::uint8_t Unit;
};
TReplyUnit ReplyUnitFor(std::uint8_t scaleUnit) {
  switch (scaleUnit) {
  case suVSWR: return {0, suVSWR};
  case suCableLoss: return {2, suCableLoss};
  default: return {1, suReturnLoss};
  }
}

double MagIn(const TmoxDocument &doc, double mag, std::uint8_t unit) {
  double v = mag;
  try {
    ConvertValue(v, doc.Doc.ScaleUnit, unit);
  } catch (const Exception &) {
    v = unit == suVSWR ? 999.0 : 0.0;
  }
  return v;
}

double Rad(double deg) { return deg / 57.29577951308232; }

std::string Stamp(double when) { return EncodePackedTime(when); }

std::string LossField(const TTraceData &t, std::uint8_t distUnit) {
  return Int(t.Loss / (distUnit == duFeet ? 1e-4 : 1e-3));
}

double VelocityFactor(const TTraceData &t) { return t.Dielectric > 0 ? 1.0 / std::sqrt(t.Dielectric) : 1.0; }

std::string LimitLine(std::int32_t mode, double value) {
  if (mode == 0) return "0,0";
  return std::to_string(mode) + "," + Int(value * 1000.0);
}

std::string OldMarkerLine(const TMarkerSet &s) {
  const int flags = (s[0].Visible != 0 ? 1 : 0) | (s[1].Visible != 0 ? 2 : 0) | (s[0].DeltaOn ? 4 : 0);
  return std::to_string(std::max(0, s[0].Point)) + "," + std::to_string(std::max(0, s[1].Point)) + "," +
         std::to_string(flags);
}

std::string SixSlotMarkerLine(const TMarkerSet &s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const int ref = s[i].DeltaOn ? std::clamp(s[i].Reference, 0, 6) : 7;
    const int code = (s[i].Visible & 3) | ((s[i].Style & 1) << 2) | (ref << 3);
    if (i > 0) out += ",";
    out += std::to_string(std::max(0, s[i].Point)) + "," + std::to_string(code);
  }
  return out;
}

std::string DirectoryDate(double when, bool hyphens) {
  const TCivilTime c = DecodeDateTime(when);
  const std::string sep = hyphens ? "-" : "";
  return Format("%.2d", c.Day) + sep + MonthNumberToName(c.Month) + sep +
         Format("%.4d %.2d:%.2d", c.Year, c.Hour, c.Minute);
}

} // namespace

std::vector<TmoxDocument> SyntheticTraces(int count, int points, double startMHz, double stopMHz) {
  std::vector<TmoxDocument> out;
  static const char *const kLabels[] = {"ALPHA TX1", "ALPHA TX1", "BETA RX2", "GAMMA TX3", "MAIN FEED", "JUMPER"};
  for (int i = 0; i < count; ++i) {
    TSweepModel m;
    m.VelocityFactor = 0.88;
    m.LossDbPerMetre = 0.04 + 0.01 * (i % 3);
    m.LengthM = 25.0 + 7.5 * i;
    m.LoadRho = 0.08 + 0.03 * (i % 4);
    m.AntennaResonanceMHz = 0.5 * (startMHz + stopMHz);
    m.Reflections.push_back({4.0 + i, 0.03, 30.0 * i});
    m.NoiseRho = 0.002;
    m.NoiseSeed = static_cast<std::uint32_t>(i + 1);
    const TSweep s = SimulateSweep(m, points, startMHz, stopMHz);
    TmoxDocument doc;
    doc.Doc.ScaleUnit = suReturnLoss;
    doc.Doc.DistUnit = duMeters;
    TTraceData &t = doc.Doc.Traces[0];
    FillTraceFromSweep(t, s, m, suReturnLoss, duMeters);
    t.Label = kLabels[static_cast<std::size_t>(i) % std::size(kLabels)];
    t.SiteNumber = static_cast<std::uint16_t>(100 + i / 2);
    t.Sector = static_cast<std::uint8_t>(1 + (i / 2) % 3);
    t.AntennaKind = 1;
    t.AntennaNumber = static_cast<std::uint8_t>(1 + i % 2);
    t.DateTime = EncodeDateTime(TCivilTime{2024, 5, 10 + i, 9 + i, 5 * i, 0});
    t.SetupDateTime = t.DateTime;
    t.SetupName = "SETUP" + std::to_string(i + 1);
    t.CalState = 2;
    t.SN = "00" + std::to_string(41230 + i);
    t.FreqMarks[0].Visible = 1;
    t.FreqMarks[0].Point = points / 3;
    doc.Doc.MaxPoints = points;
    out.push_back(std::move(doc));
  }
  return out;
}

TmoxDocument ResampleTrace(const TmoxDocument &doc, int points) {
  TmoxDocument out = doc;
  while (out.Doc.TraceCount() > 1)
    out.Doc.Traces.Delete(out.Doc.TraceCount() - 1);
  TTraceData &t = out.Doc.Traces[0];
  const std::size_t n = std::min({t.Freq.size(), t.Mag.size(), t.Angle.size()});
  if (n == static_cast<std::size_t>(points) || n < 2) return out;
  const TTraceData src = t;
  t.Freq.resize(static_cast<std::size_t>(points));
  t.Mag.resize(static_cast<std::size_t>(points));
  t.Angle.resize(static_cast<std::size_t>(points));
  for (int k = 0; k < points; ++k) {
    const double x = static_cast<double>(k) * static_cast<double>(n - 1) / (points - 1);
    const auto i = std::min(static_cast<std::size_t>(x), n - 2);
    const double w = x - static_cast<double>(i);
    const auto o = static_cast<std::size_t>(k);
    t.Freq[o] = src.Freq[i] + w * (src.Freq[i + 1] - src.Freq[i]);
    t.Mag[o] = src.Mag[i] + w * (src.Mag[i + 1] - src.Mag[i]);
    t.Angle[o] = src.Angle[i] + w * (src.Angle[i + 1] - src.Angle[i]);
  }
  t.NumPoints = points;
  out.Doc.MaxPoints = points;
  for (auto *set : {&t.FreqMarks, &t.DistMarks, &t.ActiveMarks})
    for (auto &m : *set)
      m.Point = std::clamp(m.Point, 0, points - 1);
  return out;
}

std::vector<std::string> EncodeAnalyzerReply(const TmoxDocument &doc, int generation, bool qe, double firmwareDate,
                                             const std::string &model, int location) {
  const TTraceDoc &D = doc.Doc;
  const TTraceData &t = D.Traces[0];
  const auto n = std::min({t.Freq.size(), t.Mag.size(), t.Angle.size()});
  const TReplyUnit unit = ReplyUnitFor(D.ScaleUnit);
  const std::uint8_t distUnit = D.DistUnit == duFeet ? duFeet : duMeters;
  std::vector<std::string> L;
  if (generation == 1) {
    L.push_back(std::to_string(location));
    L.push_back(std::to_string(t.SiteNumber) + "," + std::to_string(t.Sector) + "," + std::to_string(t.AntennaKind) +
                "," + std::to_string(t.AntennaNumber) + "," + Stamp(t.DateTime) + ",0");
    L.push_back(std::to_string(t.CalState) + ",0");
    auto marks = [&](const TMarkerSet &s) {
      L.push_back(std::to_string(s[0].Visible));
      L.push_back(std::to_string(std::max(0, s[0].Point)) + ",0");
      L.push_back(std::to_string(s[1].Visible) + ",0");
      L.push_back(std::to_string(std::max(0, s[1].Point)) + ",0");
    };
    marks(t.FreqMarks);
    marks(t.DistMarks);
    L.push_back(LimitLine(D.FreqLimitMode, D.FreqLimitValue));
    L.push_back(LimitLine(D.DistLimitMode, D.DistLimitValue));
    L.push_back(LossField(t, distUnit) + "," + Int(VelocityFactor(t) * 1e4));
    L.push_back(std::to_string(unit.Code));
    L.push_back(Int(t.StartDist * 100.0) + "," + Int(t.StopDist * 100.0));
    L.push_back(std::to_string(distUnit + 1));
    L.emplace_back(D.PlotMode == pmDistance ? "1" : "0");
    for (std::size_t k = 0; k < n; ++k)
      L.push_back(Int(t.Freq[k] * 100.0) + "," + Int(MagIn(doc, t.Mag[k], unit.Unit) * 1e5) + "," +
                  Int((Rad(t.Angle[k]) + std::numbers::pi) * 1000.0));
    return L;
  }
  L.push_back("\"" + t.Label.str() + "\"");
  L.push_back(Stamp(t.DateTime));
  L.push_back(std::to_string(t.CalState) + ",\"" + t.SetupName.str() + "\"," + std::to_string(t.SetupVCOTemp) + "," +
              Stamp(t.SetupDateTime != 0.0 ? t.SetupDateTime : t.DateTime));
  L.emplace_back(D.PlotMode == pmDistance ? "1" : "0");
  L.push_back(unit.Unit == suVSWR ? "0,500,49995" : std::to_string(unit.Code) + ",-30000,0");
  L.push_back(std::to_string(t.VCOTemp));
  const double start = n > 0 ? t.Freq.front() : 0.0;
  const double stop = n > 0 ? t.Freq[n - 1] : 0.0;
  L.push_back(Int(start * 100.0) + "," + Int(stop * 100.0));
  L.push_back(std::to_string(distUnit + 1) + "," + Int(t.StartDist * 100.0) + "," + Int(t.StopDist * 100.0));
  L.push_back(std::to_string(t.Smoothing));
  L.push_back("\"" + t.CableType.str() + "\"," + Int(VelocityFactor(t) * 1e4) + "," + LossField(t, distUnit));
  const bool sixSlots = generation == 3 && firmwareDate >= EncodeDateTime(TCivilTime{2003, 2, 28, 0, 0, 0});
  L.push_back(sixSlots ? SixSlotMarkerLine(t.FreqMarks) : OldMarkerLine(t.FreqMarks));
  L.push_back(sixSlots ? SixSlotMarkerLine(t.DistMarks) : OldMarkerLine(t.DistMarks));
  L.push_back(LimitLine(D.FreqLimitMode, D.FreqLimitValue));
  L.push_back(LimitLine(D.DistLimitMode, D.DistLimitValue));
  if (generation == 3) {
    L.emplace_back(t.FMOnOff != 0 ? "1" : "0");
    L.push_back("\"" + model + "\",\"" + t.SN.str() + "\",\"" + t.Revision.str() + "\"");
    if (qe) L.push_back(std::to_string(n));
  }
  for (std::size_t k = 0; k < n; ++k) {
    const double a = Rad(t.Angle[k]) + (generation == 2 ? std::numbers::pi : 0.0);
    L.push_back(Int(MagIn(doc, t.Mag[k], unit.Unit) * 1e5) + "," + Int(a * 1000.0));
  }
  if (generation == 3) L.push_back(AnalyzerCrcLine(L));
  return L;
}

std::string AnalyzerCrcLine(const std::vector<std::string> &body) {
  std::string text;
  for (const auto &l : body)
    text += l + "\r\n";
  const std::size_t q = text.find('"');
  const std::string covered = q == std::string::npos ? std::string() : text.substr(q);
  const std::uint16_t crc = Crc16(reinterpret_cast<const std::uint8_t *>(covered.data()), covered.size());
  return std::string{static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)};
}

std::string AnalyzerDirectoryLine(const TmoxDocument &doc, int generation, int location) {
  const TTraceData &t = doc.Doc.Traces[0];
  if (generation == 1)
    return std::to_string(t.SiteNumber) + ", " + std::to_string(t.Sector) + ", " + std::to_string(t.AntennaKind) +
           ", " + std::to_string(t.AntennaNumber) + ", " + DirectoryDate(t.DateTime, false) + ", " +
           std::to_string(location);
  return "\"" + t.Label.str() + "\"," + DirectoryDate(t.DateTime, true) + "," + std::to_string(location);
}

std::string EncodeRtBlock(const TmoxDocument &doc) {
  const TTraceData &t = doc.Doc.Traces[0];
  const auto n = std::min(t.Freq.size(), t.Mag.size());
  std::string out = Format("%6.1f  %6.1f  ", n > 0 ? t.Freq.front() : 0.0, n > 0 ? t.Freq[n - 1] : 0.0);
  for (std::size_t k = 0; k < 100; ++k) {
    double rho = k < n ? MagIn(doc, t.Mag[k], suRho) : 0.0;
    rho = std::clamp(rho, 0.0, 0.999);
    out += Format("%5.3f  ", rho);
  }
  out.resize(716, ' ');
  return out;
}

std::string EncodeSiteMasterBlock(const TmoxDocument &doc) {
  const TTraceDoc &D = doc.Doc;
  const TTraceData &t = D.Traces[0];
  std::string b(604, '\0');
  auto put16 = [&](std::size_t o, unsigned v) {
    b[o] = static_cast<char>((v >> 8) & 0xFF);
    b[o + 1] = static_cast<char>(v & 0xFF);
  };
  auto put32 = [&](std::size_t o, double v) {
    const auto u = static_cast<std::uint32_t>(std::clamp(v, 0.0, 4294967295.0));
    put16(o, u >> 16);
    put16(o + 2, u & 0xFFFF);
  };
  put16(0, 602);
  const std::string title = t.Label.str().substr(0, 8);
  std::copy(title.begin(), title.end(), b.begin() + 24);
  const auto n = std::min({t.Freq.size(), t.Mag.size(), t.Angle.size()});
  put32(40, n > 0 ? t.Freq.front() * 1e6 : 0.0);
  put32(44, n > 0 ? t.Freq[n - 1] * 1e6 : 0.0);
  put16(56, static_cast<unsigned>(std::max(0, t.FreqMarks[0].Point)));
  put16(58, static_cast<unsigned>(std::max(0, t.FreqMarks[1].Point)));
  const bool rl = D.ScaleUnit != suVSWR;
  put16(60, static_cast<unsigned>(Round(std::fabs(D.FreqLimitMode != 0 ? D.FreqLimitValue : 0.0) * 1000.0) & 0xFFFF));
  put32(62, t.StartDist * 1e5);
  put32(66, t.StopDist * 1e5);
  put16(70, static_cast<unsigned>(std::max(0, t.DistMarks[0].Point)));
  put16(72, static_cast<unsigned>(std::max(0, t.DistMarks[1].Point)));
  put32(74, VelocityFactor(t) * 1e5);
  put32(78, t.Loss * 1e5);
  std::uint8_t status = 0;
  if (D.FreqLimitMode != 0) status |= 0x01;
  if (t.FreqMarks[0].Visible != 0) status |= 0x02;
  if (t.FreqMarks[1].Visible != 0) status |= 0x04;
  if (t.CalState != 0) status |= 0x08;
  if (rl) status |= 0x10;
  if (D.DistUnit == duMeters) status |= 0x20;
  b[82] = static_cast<char>(status);
  for (std::size_t k = 0; k < 130; ++k) {
    const double rho = k < n ? std::clamp(MagIn(doc, t.Mag[k], suRho), 0.0, 1.0) : 0.0;
    put16(84 + 4 * k, static_cast<unsigned>(Round(rho * 1000.0)));
    const double a = k < n ? t.Angle[k] : 0.0;
    put16(84 + 4 * k + 2,
          static_cast<std::uint16_t>(static_cast<std::int16_t>(Round(std::clamp(a, -180.0, 180.0) * 10.0))));
  }
  return b.substr(2);
}

} // namespace korv
