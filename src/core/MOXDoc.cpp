#include "core/MOXDoc.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/Excption.h"

namespace korv {

TTraceArray::TTraceArray(const TTraceArray &other) {
  m_items.reserve(other.m_items.size());
  for (const auto &t : other.m_items)
    m_items.push_back(std::make_unique<TTraceData>(*t));
}

TTraceArray &TTraceArray::operator=(const TTraceArray &other) {
  if (this != &other) {
    TTraceArray copy(other);
    m_items.swap(copy.m_items);
  }
  return *this;
}

int TTraceArray::Add() {
  m_items.push_back(std::make_unique<TTraceData>());
  return Count() - 1;
}

int TTraceArray::Add(const TTraceData &trace) {
  m_items.push_back(std::make_unique<TTraceData>(trace));
  return Count() - 1;
}

void TTraceArray::Insert(int index, std::unique_ptr<TTraceData> trace) {
  if (index < 0 || index > Count()) throw Exception("Index out of range: " + std::to_string(index));
  m_items.insert(m_items.begin() + index, std::move(trace));
}

std::unique_ptr<TTraceData> TTraceArray::Take(int index) {
  if (index < 0 || index >= Count()) throw Exception("Index out of range: " + std::to_string(index));
  auto p = std::move(m_items[static_cast<std::size_t>(index)]);
  m_items.erase(m_items.begin() + index);
  return p;
}

void TTraceArray::Delete(int index) { Take(index); }

void TTraceArray::Clear() { m_items.clear(); }

TTraceData &TTraceArray::Get(int index) {
  if (index < 0 || index >= Count()) throw Exception("Index out of range: " + std::to_string(index));
  return *m_items[static_cast<std::size_t>(index)];
}

const TTraceData &TTraceArray::Get(int index) const {
  if (index < 0 || index >= Count()) throw Exception("Index out of range: " + std::to_string(index));
  return *m_items[static_cast<std::size_t>(index)];
}

int TTraceDoc::AddTrace() {
  if (IsFull()) throw EmoxTooManyTracesError(kMsgTooManyTraces);
  return Traces.Add();
}

int TTraceDoc::AddTrace(const TTraceData &trace) {
  if (IsFull()) throw EmoxTooManyTracesError(kMsgTooManyTraces);
  const int i = Traces.Add(trace);
  MaxPoints = std::max(MaxPoints, trace.NumPoints);
  return i;
}

TmoxDocument::TmoxDocument() { Doc.Traces.Add(); }

void TmoxDocument::SelectScale() {
  const TScaleGroup &src = Doc.PlotMode == pmDistance ? Doc.DistScale : Doc.FreqScale;
  Doc.CurScale = src;
  // CurScale keeps its two flags the other way round.
  Doc.CurScale.Flag1 = src.Flag2;
  Doc.CurScale.Flag2 = src.Flag1;
}

void TmoxDocument::ResetScaling() {
  Doc.FreqScale = TScaleGroup{};
  Doc.DistScale = Doc.FreqScale;
  SelectScale();
}

void TmoxDocument::CopyFreqMarksToActive() {
  for (int i = 0; i < Doc.TraceCount(); ++i)
    Doc.Traces[i].ActiveMarks = Doc.Traces[i].FreqMarks;
}
void TmoxDocument::CopyDistMarksToActive() {
  for (int i = 0; i < Doc.TraceCount(); ++i)
    Doc.Traces[i].ActiveMarks = Doc.Traces[i].DistMarks;
}
void TmoxDocument::CopyActiveToFreqMarks() {
  for (int i = 0; i < Doc.TraceCount(); ++i)
    Doc.Traces[i].FreqMarks = Doc.Traces[i].ActiveMarks;
}
void TmoxDocument::CopyActiveToDistMarks() {
  for (int i = 0; i < Doc.TraceCount(); ++i)
    Doc.Traces[i].DistMarks = Doc.Traces[i].ActiveMarks;
}

void TmoxDocument::StoreActiveMarks() {
  if (Doc.PlotMode == pmFrequency)
    CopyActiveToFreqMarks();
  else if (Doc.PlotMode == pmDistance)
    CopyActiveToDistMarks();
}

void TmoxDocument::LoadActiveMarks() {
  if (Doc.PlotMode == pmFrequency)
    CopyFreqMarksToActive();
  else if (Doc.PlotMode == pmDistance)
    CopyDistMarksToActive();
}

namespace {
double Margin(double f, double x, double y) { return f * (x - y); }

// Stretches [ymin, ymax] so the limit value L is visible.
void StretchToLimit(double &ymin, double &ymax, double L) {
  if (!(ymin <= L)) ymin = L - Margin(0.02, ymax, L);
  if (L > ymax) ymax = L + Margin(0.02, L, ymin);
}
} // namespace

void TmoxDocument::AutoScaleAfterLoad(double lo, double hi, bool wasEmpty) {
  Doc.FreqScale.Flag1 = 0;
  Doc.FreqScale.Flag2 = 1;
  Doc.DistScale.Flag1 = 0;
  Doc.DistScale.Flag2 = 1;
  const bool vswr = Doc.ScaleUnit == suVSWR;
  if (wasEmpty || Doc.TraceCount() == 0) {
    Doc.FreqScale.YMin = lo - Margin(0.1, hi, lo);
    Doc.FreqScale.YMax = hi + Margin(0.1, hi, lo);
    if (Doc.TraceCount() > 0 && !Doc.Traces[0].Freq.empty()) {
      const auto &f = Doc.Traces[0].Freq;
      const double m = Margin(0.02, f.back(), f.front());
      Doc.FreqScale.XMin = f.front() - m;
      Doc.FreqScale.XMax = f.back() + m;
    }
    Doc.DistScale.YMin = vswr ? 0.8 : -80.0;
    Doc.DistScale.YMax = vswr ? 3.2 : 0.0;
    if (Doc.TraceCount() > 0) {
      const auto &t = Doc.Traces[0];
      const double m = Margin(0.02, t.StopDist, t.StartDist);
      Doc.DistScale.XMin = t.StartDist - m;
      Doc.DistScale.XMax = t.StopDist + m;
    }
  } else {
    const double ymin = Doc.CurScale.YMin;
    const double ymax = Doc.CurScale.YMax;
    const double span = ymax - ymin;
    if (Doc.PlotMode == pmDistance) {
      Doc.DistScale.YMin = ymin - Margin(0.1, ymax, ymin);
      Doc.DistScale.YMax = ymax + Margin(0.1, ymax, ymin);
      Doc.FreqScale.YMin = lo - Margin(0.1, hi, lo);
      Doc.FreqScale.YMax = hi + Margin(0.1, hi, lo);
    } else {
      Doc.FreqScale.YMin = ymin;
      Doc.FreqScale.YMax = ymax;
      if (lo - 0.1 * span < ymin) Doc.FreqScale.YMin = lo - 0.1 * span;
      const double over = hi - ymax;
      if (over > 0 && over < span / 6 && hi + 0.1 * span > ymax) Doc.FreqScale.YMax = hi + 0.1 * span;
      Doc.DistScale.YMin = vswr ? 0.8 : -80.0;
      Doc.DistScale.YMax = vswr ? 3.2 : 0.0;
    }
  }
  if (Doc.FreqLimitMode != 0) StretchToLimit(Doc.FreqScale.YMin, Doc.FreqScale.YMax, Doc.FreqLimitValue);
  if (Doc.DistLimitMode != 0) StretchToLimit(Doc.DistScale.YMin, Doc.DistScale.YMax, Doc.DistLimitValue);
  SelectScale();
}

void TmoxDocument::UpdateTraceDerived(TTraceData &t) const {
  // A damaged count must not send us past the frequencies the trace holds.
  const int n =
      static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(std::max(t.NumPoints, 0)), t.Freq.size()));
  if (n > 0) {
    t.StartFreqHz = static_cast<float>(t.Freq.front() * 1e6);
    t.FreqStepHz =
        n > 1 ? static_cast<float>((t.Freq[static_cast<std::size_t>(n - 1)] - t.Freq[0]) * 1e6 / (n - 1)) : 0.0F;
  } else {
    t.StartFreqHz = 0.0F;
    t.FreqStepHz = 0.0F;
  }
  t.MaxDist = static_cast<float>(MaxDistance(n, Doc.DistUnit == duFeet, t.Dielectric, t.FreqStepHz));
  t.Threshold = -100.0F;
}

void NormalizeLoadedMarkers(TTraceData &trace, std::int32_t freqLimitMode, std::int32_t distLimitMode) {
  auto fix = [](TMarkerSet &set, std::int32_t limitMode) {
    for (auto &s : set) {
      if (s.Reference > kRefLimitLine || (s.Reference == kRefLimitLine && limitMode == 0)) s.Reference = 0;
    }
  };
  fix(trace.FreqMarks, freqLimitMode);
  fix(trace.DistMarks, distLimitMode);
}

void PrepareMarkersForWrite(TMarkerSet &set) {
  for (auto &s : set)
    if (!s.DeltaOn) s.Reference = kRefNone;
}

double MaxDistance(int numPoints, bool inFeet, double dielectric, double freqStepHz) {
  constexpr double kLimit = 1e12;
  const double n1 = static_cast<double>(numPoints) - 1.0;
  const double denom = n1 * freqStepHz;
  if (denom == 0.0 || dielectric <= 0.0 || !std::isfinite(denom)) return kLimit;
  const double q = 1.0 / denom;
  double d = n1 * (q * 150000000.0 / std::sqrt(dielectric));
  if (inFeet) d *= 3.2808398950131233596;
  if (!std::isfinite(d) || d > kLimit) return kLimit;
  return d;
}

void RepairFrequencyOrder(TTraceData &t) {
  const std::size_t n = std::min({t.Freq.size(), t.Mag.size(), t.Angle.size()});
  if (n < 2) return;
  if (t.Freq[n - 1] >= t.Freq[0]) return;
  auto rotate = [&](TrsDynDouble &a, bool lastToFront) {
    if (lastToFront)
      std::rotate(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n - 1),
                  a.begin() + static_cast<std::ptrdiff_t>(n));
    else
      std::rotate(a.begin(), a.begin() + 1, a.begin() + static_cast<std::ptrdiff_t>(n));
  };
  const bool lastToFront = t.Freq[1] >= t.Freq[0];
  rotate(t.Freq, lastToFront);
  rotate(t.Mag, lastToFront);
  rotate(t.Angle, lastToFront);
}

bool FrequenciesRise(const TTraceData &t) {
  for (std::size_t i = 0; i < t.Freq.size(); ++i)
    if (!std::isfinite(t.Freq[i]) || (i > 0 && !(t.Freq[i] > t.Freq[i - 1]))) return false;
  return true;
}

void RepairOrRefuseFrequencyOrder(TTraceData &t) {
  RepairFrequencyOrder(t);
  if (!FrequenciesRise(t)) throw EmoxFormatError(kMsgFrequencyOrder);
}

void CheckTraceGrid(const TTraceData &t) {
  const std::size_t n = t.Freq.size();
  bool ok = false;
  if (n >= 2 && t.Freq[0] < t.Freq[n - 1]) {
    const double step = (t.Freq[n - 1] - t.Freq[0]) / static_cast<double>(n - 1);
    ok = std::fabs(t.Freq[0] + step - t.Freq[1]) <= 0.02 && std::fabs(t.Freq[n - 1] - step - t.Freq[n - 2]) <= 0.02;
  }
  if (!ok) throw EmoxIOInvalidTraceError(kMsgInvalidTrace);
}

std::string DefaultMainTitle(std::int32_t plotMode, std::uint8_t scaleUnit) {
  if (plotMode == pmDistance) return "Distance To Fault";
  if (plotMode == pmSmith) return "Smith Chart";
  static const char *const kNames[] = {"Return Loss", "VSWR", "Rho", "mRho", "Cable Loss"};
  return scaleUnit < 5 ? kNames[scaleUnit] : "Return Loss";
}

} // namespace korv
