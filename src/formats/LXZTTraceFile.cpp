#include "formats/LXZTTraceFile.h"

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/DocFile.h"
#include "core/Excption.h"
#include "core/TraceArrayQueries.h"
#include "measure/Convert.h"
#include "measure/ViewMath.h"

namespace korv {

namespace {
constexpr double kRadToDeg = 57.295779513082320877;
constexpr double kDegToRad = 0.017453292519943295769;

// Single-precision fields of the trace: values beyond float range saturate
// instead of overflowing the conversion.
float ToFloat(double v) {
  if (std::isnan(v)) return std::numeric_limits<float>::quiet_NaN();
  return static_cast<float>(std::clamp(v, -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX)));
}

std::int32_t RoundedTemp(double v) {
  const double r = std::nearbyint(v); // halves to even
  if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
    throw EmoxFileError(kMsgBadFileFormat);
  return static_cast<std::int32_t>(r);
}

// Single-precision fields go out as the shortest text that reads back to the
// same float ("0.22", not "0.219999998807907").
double FromFloat(float v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  double d = 0;
  std::from_chars(buf, r.ptr, d);
  return d;
}

void MarkersFromFile(const std::array<TLXZTMarker, 6> &src, TMarkerSet &dst, bool limitOn) {
  for (std::size_t k = 0; k < dst.size(); ++k) {
    const TLXZTMarker &m = src[k];
    TMarkerSlot &s = dst[k];
    s = TMarkerSlot{};
    s.Point = m.Pos;
    s.Visible = m.State > 0 ? 1 : 0;
    s.Style = static_cast<std::uint8_t>(static_cast<std::uint32_t>(m.Type) & 0xFFU);
    if (m.Delta > 6) {
      s.DeltaOn = false;
      s.Reference = 0;
    } else {
      s.DeltaOn = true;
      s.Reference = m.Delta;
    }
    if (s.Reference == kRefLimitLine && !limitOn) s.Reference = 0;
  }
}

void MarkersToFile(const TMarkerSet &src, std::array<TLXZTMarker, 6> &dst) {
  int shown = 0;
  for (std::size_t k = 0; k < dst.size(); ++k) {
    const TMarkerSlot &s = src[k];
    TLXZTMarker &m = dst[k];
    m.Pos = s.Point;
    m.State = s.Visible == 0 ? 0 : (shown++ == 0 ? 1 : 2);
    m.Type = s.Style;
    m.Delta = s.DeltaOn ? s.Reference : kRefNone;
  }
}
} // namespace

CLXZT_TraceFile::CLXZT_TraceFile() { Rev = "3"; }

void CLXZT_TraceFile::FillDocument(TmoxDocument &doc) const {
  TTraceDoc &d = doc.Doc;
  d.FileVersion = 7;
  d.Traces.Clear();
  d.MaxPoints = NumPoints;
  d.PlotMode = Mode == 1 ? pmDistance : pmFrequency;
  switch (Setup.ScaleUnit) {
  case 0: d.ScaleUnit = suVSWR; break;
  case 2: d.ScaleUnit = suCableLoss; break;
  default: d.ScaleUnit = suReturnLoss; break;
  }
  d.FreqScale.Flag1 = 0;
  d.FreqScale.Flag2 = 1;
  d.FreqScale.XMin = static_cast<double>(Setup.StartFreq * 0.001L);
  d.FreqScale.XMax = static_cast<double>(Setup.StopFreq * 0.001L);
  d.FreqScale.YMin = Setup.ScaleMin;
  d.FreqScale.YMax = Setup.ScaleMax;
  d.DistScale.Flag1 = 0;
  d.DistScale.Flag2 = 1;
  d.DistScale.XMin = DTF.StartDist;
  d.DistScale.XMax = DTF.StopDist;
  d.DistScale.YMin = DTF.ScaleMin;
  d.DistScale.YMax = DTF.ScaleMax;
  d.FreqLimitMode = Setup.FreqLimitMode < 2 ? 1 : 0;
  d.FreqLimitValue = static_cast<double>(Setup.FreqLimitValue);
  d.DistLimitMode = DTF.DistLimitMode < 2 ? 1 : 0;
  d.DistLimitValue = static_cast<double>(DTF.DistLimitValue);
  d.DistUnit = DTF.DistUnit == 1 ? duMeters : duFeet;
  d.GPSData = GPS;

  TTraceData &t = d.Traces[d.AddTrace()];
  t.Title = Label;
  t.Label = Label;
  t.DateTime = DateTime;
  t.Model = Model;
  t.SN = SN;
  t.Revision = Revision;
  t.CalState = CalState;
  t.FMOnOff = FMOnOff ? 1 : 0;
  t.VCOTemp = RoundedTemp(VCOTemp);
  t.SetupName = SetupName;
  t.SetupVCOTemp = RoundedTemp(SetupVCOTemp);
  t.SetupDateTime = SetupDateTime;
  const std::size_t n = std::min(Points.size(), static_cast<std::size_t>(std::max(NumPoints, 0)));
  t.NumPoints = static_cast<std::int32_t>(n);
  t.Freq.resize(n);
  t.Mag.resize(n);
  t.Angle.resize(n);
  const long double step =
      n > 1 ? (Setup.StopFreq - Setup.StartFreq) / (static_cast<long double>(n) * 1000.0L - 1000.0L) : 0.0L;
  long double f = Setup.StartFreq * 0.001L;
  for (std::size_t i = 0; i < n; ++i) {
    t.Freq[i] = static_cast<double>(f);
    f += step;
    double m = Points[i].Mag;
    ConvertValue(m, suRho, d.ScaleUnit);
    t.Mag[i] = m;
    t.Angle[i] = Points[i].Angle * kRadToDeg;
  }
  MarkersFromFile(Setup.FreqMarkers, t.FreqMarks, d.FreqLimitMode != 0);
  MarkersFromFile(DTF.DTFMarkers, t.DistMarks, d.DistLimitMode != 0);
  t.CableType = DTF.CableType;
  t.Loss = ToFloat(DTF.Loss);
  t.Dielectric = ToFloat(1.0 / (DTF.Vp * DTF.Vp));
  t.Smoothing = static_cast<std::uint8_t>(DTF.Smoothing & 0xFFU);
  t.StartDist = ToFloat(DTF.StartDist);
  t.StopDist = ToFloat(DTF.StopDist);
  doc.UpdateTraceDerived(t);
  FinishLoadedDocument(doc);
}

void CLXZT_TraceFile::FillFromDocument(const TmoxDocument &doc, int traceIndex) {
  const TTraceDoc &d = doc.Doc;
  const TTraceData &t = d.Traces[traceIndex];
  Label = t.Label.empty() ? t.Title.str() : t.Label.str();
  DateTime = t.DateTime;
  Model = t.Model;
  SN = t.SN;
  Revision = t.Revision;
  CalState = t.CalState;
  FMOnOff = t.FMOnOff != 0;
  VCOTemp = t.VCOTemp;
  SetupName = t.SetupName;
  SetupVCOTemp = t.SetupVCOTemp;
  SetupDateTime = t.SetupDateTime;
  const std::size_t n =
      std::min({t.Freq.size(), t.Mag.size(), t.Angle.size(), static_cast<std::size_t>(std::max(t.NumPoints, 0))});
  NumPoints = static_cast<std::int32_t>(n);
  Mode = d.PlotMode == pmDistance ? 1 : 0;
  Setup.StartFreq = n > 0 ? static_cast<long double>(t.Freq[0]) * 1000.0L : 0.0L;
  Setup.StopFreq = n > 0 ? static_cast<long double>(t.Freq[n - 1]) * 1000.0L : 0.0L;
  Setup.ScaleUnit = d.ScaleUnit == suVSWR ? 0 : d.ScaleUnit == suCableLoss ? 2 : 1;
  DTF.ScaleUnit = Setup.ScaleUnit;
  // The analyzer's file always holds a Y scale: an automatic axis records
  // the range it shows.
  const TRange freqY = RecordedYRange(d, false).value_or(TRange{d.FreqScale.YMin, d.FreqScale.YMax});
  const TRange distY = RecordedYRange(d, true).value_or(TRange{d.DistScale.YMin, d.DistScale.YMax});
  Setup.ScaleMin = freqY.Min;
  Setup.ScaleMax = freqY.Max;
  DTF.ScaleMin = distY.Min;
  DTF.ScaleMax = distY.Max;
  Setup.FreqLimitMode = d.FreqLimitMode != 0 ? 1 : 2;
  Setup.FreqLimitValue = d.FreqLimitValue;
  DTF.DistLimitMode = d.DistLimitMode != 0 ? 1 : 2;
  DTF.DistLimitValue = d.DistLimitValue;
  DTF.DistUnit = d.DistUnit != 0 ? 2 : 1;
  DTF.StartDist = FromFloat(t.StartDist);
  DTF.StopDist = FromFloat(t.StopDist);
  DTF.CableType = t.CableType;
  DTF.Loss = FromFloat(t.Loss);
  DTF.Smoothing = t.Smoothing;
  DTF.Vp = FromFloat(1.0F / std::sqrt(t.Dielectric));
  MarkersToFile(t.FreqMarks, Setup.FreqMarkers);
  MarkersToFile(t.DistMarks, DTF.DTFMarkers);
  Points.assign(n, TLXZTPoint{});
  for (std::size_t i = 0; i < n; ++i) {
    double m = t.Mag[i];
    ConvertValue(m, d.ScaleUnit, suRho);
    Points[i].Mag = m;
    Points[i].Angle = t.Angle[i] * kDegToRad;
  }
  GPS = d.GPSData;
  StoredCRC = 0;
}

std::string CsvCrcMessage(std::uint16_t residual) { return "CRC Error: " + std::to_string(residual); }

TTraceChoice TraceChoiceForSave(const TTraceArray &traces) {
  TTraceChoice c;
  if (traces.Count() <= 1) return c;
  c.AskUser = true;
  for (int i = 0; i < traces.Count(); ++i)
    c.Descriptions.push_back(ListingText(traces, i));
  c.Preselected = 1;
  return c;
}

} // namespace korv
