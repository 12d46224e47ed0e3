#include "measure/TraceMerge.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Excption.h"
#include "core/TraceCapsule.h"
#include "measure/Convert.h"
#include "measure/ViewMath.h"

namespace korv {

namespace {

struct TSpan {
  double Lo = std::numeric_limits<double>::max();
  double Hi = std::numeric_limits<double>::lowest();
  bool Empty() const { return Lo > Hi; }
};

TSpan SpanOf(const TTraceDoc &d, bool dist, bool y) {
  TSpan s;
  const auto take = [&s](double x) {
    if (!std::isfinite(x)) return;
    s.Lo = std::min(s.Lo, x);
    s.Hi = std::max(s.Hi, x);
  };
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    const TrsDynDouble &v = dist ? (y ? t.DistMag : t.DistAxis) : (y ? t.Mag : t.Freq);
    const int n = std::min<int>(std::max(0, t.NumPoints), static_cast<int>(v.size()));
    if (!dist && y && d.ScaleUnit == suCableLoss) {
      // The cable-loss view shows the loss series, not the stored values.
      for (const float x : CableLossSeries(v, n))
        take(static_cast<double>(x));
      continue;
    }
    for (int j = 0; j < n; ++j)
      take(v[static_cast<std::size_t>(j)]);
  }
  return s;
}

double LengthFactor(int fromDistUnit, int toDistUnit) {
  if (fromDistUnit == duFeet && toDistUnit == duMeters) return kMetresPerFoot;
  if (fromDistUnit == duMeters && toDistUnit == duFeet) return kFeetPerMetre;
  return 1.0;
}

// One axis of one domain. Flag: 1 manual.
void WidenAxis(std::uint8_t targetManual, double &min, double &max, std::uint8_t sourceManual, double srcMin,
               double srcMax, const TSpan &data, double room) {
  if (targetManual == 0) return;
  if (sourceManual != 0) {
    min = std::min(min, srcMin);
    max = std::max(max, srcMax);
    return;
  }
  if (data.Empty()) return;
  const double pad = room * (data.Hi - data.Lo);
  min = std::min(min, data.Lo - pad);
  max = std::max(max, data.Hi + pad);
}

} // namespace

int AppendTrace(TTraceDoc &doc, const TTraceData &trace, int fromUnit, int fromDistUnit) {
  if (doc.TraceCount() > kMaxTraces - 1) throw EmoxTooManyTracesError(kMsgTooManyTraces);
  TTraceData copy = trace;
  ConvertArray(copy.Mag, fromUnit, doc.ScaleUnit);
  ConvertArray(copy.DistMag, fromUnit, doc.ScaleUnit);
  ConvertDistanceUnits(copy, fromDistUnit, doc.DistUnit);
  const int index = doc.AddTrace(copy);
  doc.MaxPoints = std::max(doc.MaxPoints, copy.NumPoints);
  return index;
}

void ConvertScaleGroups(TTraceDoc &src, int toUnit, int toDistUnit) {
  const double f = LengthFactor(src.DistUnit, toDistUnit);
  const auto convertY = [&](TScaleGroup &g, bool dist) {
    if (g.Flag2 == 0 || src.ScaleUnit == toUnit) return;
    try {
      double lo = g.YMin, hi = g.YMax;
      ConvertShownValue(lo, src.ScaleUnit, toUnit, dist);
      ConvertShownValue(hi, src.ScaleUnit, toUnit, dist);
      g.YMin = std::min(lo, hi);
      g.YMax = std::max(lo, hi);
    } catch (const Exception &) {
      g.Flag2 = 0; // no range of that unit: fit the data instead
    }
  };
  convertY(src.FreqScale, false);
  convertY(src.DistScale, true);
  src.DistScale.XMin *= f;
  src.DistScale.XMax *= f;
  src.ScaleUnit = static_cast<std::uint8_t>(toUnit);
  src.DistUnit = static_cast<std::uint8_t>(toDistUnit);
}

int MergeTrace(TTraceDoc &target, const TTraceDoc &src) {
  if (src.TraceCount() == 0) throw Exception("No trace to add.");
  if (target.TraceCount() > kMaxTraces - 1) throw EmoxTooManyTracesError(kMsgTooManyTraces);
  const int kind = target.DataKind, srcKind = src.DataKind;
  if ((kind == 2) != (srcKind == 2)) throw EmoxIOTraceFormatErr(kMsgTraceFormatIncompatible);
  TTraceDoc next = target; // all or nothing
  TTraceData incoming = src.Traces[0];
  if (srcKind == 2) {
    // Stored distance data keeps its distances on the frequency axis.
    const double f = LengthFactor(src.DistUnit, target.DistUnit);
    for (double &x : incoming.Freq)
      x *= f;
  }
  const int added = AppendTrace(next, incoming, src.ScaleUnit, src.DistUnit);
  if (kind == 2) {
    next.Traces[added].DistMag = next.Traces[added].Mag;
    next.Traces[added].DistAxis = next.Traces[added].Freq;
  } else if (kind == 0) {
    TTraceDoc scales;
    scales.ScaleUnit = src.ScaleUnit;
    scales.DistUnit = src.DistUnit;
    scales.FreqScale = src.FreqScale;
    scales.DistScale = src.DistScale;
    ConvertScaleGroups(scales, target.ScaleUnit, target.DistUnit);
    WidenScaleGroups(next, scales);
  }
  target = std::move(next);
  return added;
}

TTraceDoc TraceAsDocument(const TTraceDoc &s, int index) {
  TTraceDoc one;
  one.ScaleUnit = s.ScaleUnit;
  one.DistUnit = s.DistUnit;
  one.DataKind = s.DataKind;
  one.PlotMode = s.PlotMode;
  one.FreqScale = s.FreqScale;
  one.DistScale = s.DistScale;
  one.AddTrace(s.Traces[index]);
  return one;
}

bool PasteCapsule(TmoxDocument &doc, const TTraceCapsule &capsule) {
  if (doc.Doc.TraceCount() > kMaxTraces - 1) throw EmoxTooManyTracesError(kMsgTooManyTraces);
  if (!capsule.Filled()) return false;
  doc.StoreActiveMarks();
  AppendTrace(doc.Doc, capsule.Trace(), capsule.ScaleUnit(), capsule.DistUnit());
  doc.LoadActiveMarks();
  return true;
}

void WidenScaleGroups(TTraceDoc &t, const TTraceDoc &s) {
  // The current scale is the live copy of its domain's group: store it
  // first, widen both groups, then take it back.
  TScaleGroup &current = t.PlotMode == pmDistance ? t.DistScale : t.FreqScale;
  if (t.PlotMode != pmSmith) {
    current.XMin = t.CurScale.XMin, current.XMax = t.CurScale.XMax;
    current.YMin = t.CurScale.YMin, current.YMax = t.CurScale.YMax;
    current.Flag1 = t.CurScale.Flag2, current.Flag2 = t.CurScale.Flag1;
  }
  for (const bool dist : {false, true}) {
    TScaleGroup &g = dist ? t.DistScale : t.FreqScale;
    const TScaleGroup &sg = dist ? s.DistScale : s.FreqScale;
    // Groups keep the X flag first, the Y flag second.
    WidenAxis(g.Flag1, g.XMin, g.XMax, sg.Flag1, sg.XMin, sg.XMax, SpanOf(t, dist, false), 0.02);
    WidenAxis(g.Flag2, g.YMin, g.YMax, sg.Flag2, sg.YMin, sg.YMax, SpanOf(t, dist, true), 0.10);
  }
  if (t.PlotMode != pmSmith) {
    t.CurScale.XMin = current.XMin, t.CurScale.XMax = current.XMax;
    t.CurScale.YMin = current.YMin, t.CurScale.YMax = current.YMax;
  }
}

std::string WindowNameFromLabel(const std::string &label) {
  std::string name;
  for (const char c : label)
    if (std::string_view("\"*./:<>?\\|").find(c) == std::string_view::npos) name += c;
  if (name.empty()) name = "Untitled";
  if (name.size() > 20) name.resize(20);
  return name;
}

std::string UniqueDocumentName(const std::string &name, const std::function<bool(const std::string &)> &taken) {
  std::string candidate = name + ".kdt";
  for (int k = 1; taken(candidate) && k < 100000; ++k)
    candidate = name + "(" + std::to_string(k) + ").kdt";
  return candidate;
}

} // namespace korv
