#include "measure/TraceMerge.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Excption.h"
#include "measure/Convert.h"

namespace korv {

namespace {

struct TSpan {
  double Lo = std::numeric_limits<double>::max();
  double Hi = std::numeric_limits<double>::lowest();
  bool Empty() const { return Lo > Hi; }
};

TSpan SpanOf(const TTraceDoc &d, bool dist, bool y) {
  TSpan s;
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    const TrsDynDouble &v = dist ? (y ? t.DistMag : t.DistAxis) : (y ? t.Mag : t.Freq);
    const int n = std::min<int>(std::max(0, t.NumPoints), static_cast<int>(v.size()));
    for (int j = 0; j < n; ++j) {
      const double x = v[static_cast<std::size_t>(j)];
      if (!std::isfinite(x)) continue;
      s.Lo = std::min(s.Lo, x);
      s.Hi = std::max(s.Hi, x);
    }
  }
  return s;
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

int AppendTrace(TTraceDoc &doc, const TTraceData &trace, int fromUnit) {
  if (doc.TraceCount() > kMaxTraces - 1) throw EmoxTooManyTracesError(kMsgTooManyTraces);
  TTraceData copy = trace;
  ConvertArray(copy.Mag, fromUnit, doc.ScaleUnit);
  ConvertArray(copy.DistMag, fromUnit, doc.ScaleUnit);
  const int index = doc.AddTrace(copy);
  doc.MaxPoints = std::max(doc.MaxPoints, copy.NumPoints);
  return index;
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
