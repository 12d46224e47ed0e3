#include "core/DistanceData.h"

namespace korv {

bool HoldsStoredDistanceData(const TTraceDoc &doc) {
  return doc.DataKind == kDataKindDistance && doc.PlotMode == pmDistance;
}

bool UseStoredDistanceData(TTraceDoc &doc) {
  if (!HoldsStoredDistanceData(doc)) return false;
  for (int i = 0; i < doc.TraceCount(); ++i) {
    TTraceData &t = doc.Traces[i];
    t.DistAxis = t.Freq;
    t.DistMag = t.Mag;
  }
  return true;
}

} // namespace korv
