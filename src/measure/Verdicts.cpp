#include "measure/Verdicts.h"

#include <algorithm>
#include <cmath>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "measure/FaultEvents.h"

namespace korv {

const char *VerdictText(TVerdict verdict) {
  switch (verdict) {
  case TVerdict::Pass: return "PASS";
  case TVerdict::Fail: return "FAIL";
  default: return "";
  }
}

TWorstPoint FindWorstPoint(std::span<const double> x, std::span<const double> values) {
  TWorstPoint w;
  const std::size_t n = std::min(x.size(), values.size());
  for (std::size_t k = 0; k < n; ++k) {
    if (!std::isfinite(values[k])) continue;
    if (w.Index < 0 || values[k] > w.Value) {
      w.Index = static_cast<int>(k);
      w.X = x[k];
      w.Value = values[k];
    }
  }
  return w;
}

TTraceVerdict JudgeValues(std::span<const double> x, std::span<const double> values, int displayUnit,
                          std::optional<double> limit) {
  TTraceVerdict v;
  v.Worst = FindWorstPoint(x, values);
  v.Limit = limit;
  if (!limit || v.Worst.Index < 0) return v;
  const double worstDb = ToReturnLossDb(v.Worst.Value, displayUnit);
  const double limitDb = ToReturnLossDb(*limit, displayUnit);
  v.Verdict = worstDb > limitDb + kVerdictToleranceDb ? TVerdict::Fail : TVerdict::Pass;
  return v;
}

namespace {
std::optional<double> PlacedLimit(std::int32_t mode, double value) {
  if (mode == 0 || !std::isfinite(value) || value == kUnplacedLimit) return std::nullopt;
  return value;
}
} // namespace

std::optional<double> DocumentFreqLimit(const TTraceDoc &doc) {
  return PlacedLimit(doc.FreqLimitMode, doc.FreqLimitValue);
}
std::optional<double> DocumentDistLimit(const TTraceDoc &doc) {
  return PlacedLimit(doc.DistLimitMode, doc.DistLimitValue);
}

double CheckReturnLossLimit(double db, const std::string &what) {
  if (!std::isfinite(db) || db > 0.0 || db < -100.0)
    throw Exception("The " + what + " is a return loss in dB from -100 to 0 (for example -14); " + Format("%g", db) +
                    " is none.");
  return db;
}

namespace {
std::optional<double> LimitFor(std::optional<double> own, const TTraceDoc &doc, std::optional<double> fallbackDb) {
  if (own) return own;
  if (fallbackDb) return FromReturnLossDb(*fallbackDb, doc.ScaleUnit);
  return std::nullopt;
}
} // namespace

TTraceVerdict JudgeTraceFrequency(const TTraceDoc &doc, const TTraceData &trace, std::optional<double> fallbackDb) {
  const std::size_t n = std::min<std::size_t>({trace.Freq.size(), trace.Mag.size(),
                                               static_cast<std::size_t>(std::max(trace.NumPoints, 0))});
  std::optional<double> own = DocumentFreqLimit(doc);
  // A line placed in the cable-loss view stands at half the return loss
  // it judges (the view shows the loss one way down the cable).
  if (own && doc.ScaleUnit == suCableLoss) *own *= 2.0;
  return JudgeValues(std::span(trace.Freq).first(n), std::span(trace.Mag).first(n), doc.ScaleUnit,
                     LimitFor(own, doc, fallbackDb));
}

TTraceVerdict JudgeTraceDistance(const TTraceDoc &doc, const TTraceData &trace, std::optional<double> fallbackDb) {
  return JudgeValues(trace.DistAxis, trace.DistMag, doc.ScaleUnit, LimitFor(DocumentDistLimit(doc), doc, fallbackDb));
}

} // namespace korv
