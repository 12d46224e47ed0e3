#include "measure/DocHistory.h"

#include <cmath>
#include <tuple>

namespace korv {

namespace {

bool Same(const TScaleGroup &a, const TScaleGroup &b);
bool Same(const std::pair<double, double> &a, const std::pair<double, double> &b);

template <typename T> bool Same(const T &a, const T &b) {
  if constexpr (std::is_floating_point_v<T>)
    return a == b || (std::isnan(a) && std::isnan(b));
  else
    return a == b;
}

template <typename T, std::size_t N> bool Same(const std::array<T, N> &a, const std::array<T, N> &b) {
  for (std::size_t i = 0; i < N; ++i)
    if (!Same(a[i], b[i])) return false;
  return true;
}

template <typename T> bool Same(const std::vector<T> &a, const std::vector<T> &b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (!Same(a[i], b[i])) return false;
  return true;
}

template <typename... T, std::size_t... I>
bool SameTuple(const std::tuple<const T &...> &a, const std::tuple<const T &...> &b, std::index_sequence<I...>) {
  return (Same(std::get<I>(a), std::get<I>(b)) && ...);
}

template <typename... T> bool SameAll(const std::tuple<const T &...> &a, const std::tuple<const T &...> &b) {
  return SameTuple(a, b, std::index_sequence_for<T...>{});
}

auto Fields(const TTraceData &t) {
  return std::tie(t.Title, t.Label, t.SiteNumber, t.Sector, t.AntennaKind, t.AntennaNumber, t.DateTime, t.CalState,
                  t.VCOTemp, t.SetupName, t.SetupVCOTemp, t.SetupDateTime, t.FMOnOff, t.Model, t.SN, t.Revision,
                  t.NumPoints, t.Reserved, t.Mag, t.Freq, t.Angle, t.DistAxis, t.DistMag, t.CableType, t.Loss,
                  t.Dielectric, t.StartDist, t.StopDist, t.MaxDist, t.StartFreqHz, t.FreqStepHz, t.Smoothing,
                  t.Threshold, t.ActiveMarks, t.FreqMarks, t.DistMarks);
}

// Every field but Modified and the traces.
auto Fields(const TTraceDoc &d) {
  return std::tie(d.FileVersion, d.ReadFlag, d.DataKind, d.MainTitle, d.MainTitleFixed, d.SubTitle, d.SubTitleFixed,
                  d.SetupInfo, d.DocCalState, d.PlotMode, d.YUnitText, d.ScaleUnit, d.DistUnit, d.DistUnitText,
                  d.MaxPoints, d.FreqLimitMode, d.FreqLimitValue, d.DistLimitMode, d.DistLimitValue, d.FreqScale,
                  d.DistScale, d.CurScale, d.GPSData);
}

bool Same(const TScaleGroup &a, const TScaleGroup &b) {
  return a.Flag1 == b.Flag1 && a.Flag2 == b.Flag2 && Same(a.XMin, b.XMin) && Same(a.XMax, b.XMax) &&
         Same(a.YMin, b.YMin) && Same(a.YMax, b.YMax);
}

bool Same(const std::pair<double, double> &a, const std::pair<double, double> &b) {
  return Same(a.first, b.first) && Same(a.second, b.second);
}

auto Fields(const TVantorSettings &v) {
  return std::tie(v.HeaderTexts, v.TitleTexts, v.Text, v.Int, v.CalFlagB, v.ReflectionOffset, v.Double, v.Ints,
                  v.ActiveMarker, v.MarkerFreqHz, v.MarkerValue, v.ExtraValue, v.LimitsInt, v.MarkerNumber, v.DtfPairs);
}

} // namespace

bool SameDocumentContent(const TmoxDocument &a, const TmoxDocument &b) {
  if (&a == &b) return true;
  if (a.LoadFlag != b.LoadFlag || a.HasVantorSettings != b.HasVantorSettings) return false;
  if (!SameAll(Fields(a.VantorSettings), Fields(b.VantorSettings))) return false;
  if (!SameAll(Fields(a.Doc), Fields(b.Doc))) return false;
  if (a.Doc.TraceCount() != b.Doc.TraceCount()) return false;
  for (int i = 0; i < a.Doc.TraceCount(); ++i)
    if (!SameAll(Fields(a.Doc.Traces[i]), Fields(b.Doc.Traces[i]))) return false;
  return true;
}

void TDocCheckpoint::Reset(const TmoxDocument &now) { m_base = std::make_shared<const TmoxDocument>(now); }

std::optional<TDocStep> TDocCheckpoint::Take(const TmoxDocument &now) {
  if (!m_base) {
    Reset(now);
    return std::nullopt;
  }
  if (SameDocumentContent(*m_base, now)) return std::nullopt;
  TDocStep step{m_base, std::make_shared<const TmoxDocument>(now)};
  m_base = step.After;
  return step;
}

} // namespace korv
