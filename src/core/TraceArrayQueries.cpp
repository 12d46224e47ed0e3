#include "core/TraceArrayQueries.h"

#include <algorithm>

#include "core/DateTime.h"

namespace korv {

namespace {
TValueRange RangeOf(const TTraceArray &traces, const TrsDynDouble TTraceData::*member) {
  TValueRange r;
  bool first = true;
  for (int i = 0; i < traces.Count(); ++i) {
    const TTraceData &t = traces[i];
    const TrsDynDouble &a = t.*member;
    const std::size_t n = std::min(a.size(), static_cast<std::size_t>(std::max(t.NumPoints, 0)));
    for (std::size_t k = 0; k < n; ++k) {
      if (first) {
        r.Min = r.Max = a[k];
        first = false;
      }
      r.Min = std::min(r.Min, a[k]);
      r.Max = std::max(r.Max, a[k]);
    }
  }
  return r;
}
} // namespace

void CopyRecord(const TTraceArray &traces, int i, TTraceData &out) { out = traces[i]; }

TTraceData *Record(TTraceArray &traces, int i) { return &traces[i]; }
const TTraceData *Record(const TTraceArray &traces, int i) { return &traces[i]; }

std::string ListingText(const TTraceArray &traces, int i) {
  const TTraceData &t = traces[i];
  return DateTimeToText(t.DateTime) + ",\"" + t.Title.str() + "\"";
}

TValueRange MagRange(const TTraceArray &traces) { return RangeOf(traces, &TTraceData::Mag); }
TValueRange FreqRange(const TTraceArray &traces) { return RangeOf(traces, &TTraceData::Freq); }
TValueRange DistAxisRange(const TTraceArray &traces) { return RangeOf(traces, &TTraceData::DistAxis); }
TValueRange DistMagRange(const TTraceArray &traces) { return RangeOf(traces, &TTraceData::DistMag); }

} // namespace korv
