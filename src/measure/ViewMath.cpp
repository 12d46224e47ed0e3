#include "measure/ViewMath.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <limits>
#include <numbers>

#include "core/Excption.h"
#include "measure/Convert.h"

namespace korv {

namespace {

// Round half to even, as the series has always placed its windows.
long RoundHalfEven(double v) {
  const int old = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(v);
  std::fesetround(old);
  return static_cast<long>(r);
}

template <typename Pick> std::optional<TRange> RangeOf(const TTraceDoc &doc, Pick pick) {
  double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
  for (int i = 0; i < doc.TraceCount(); ++i) {
    const TTraceData &t = doc.Traces[i];
    const TrsDynDouble &v = pick(t);
    const int n = std::min<int>(std::max(0, t.NumPoints), static_cast<int>(v.size()));
    for (int j = 0; j < n; ++j) {
      const double x = v[static_cast<std::size_t>(j)];
      if (!std::isfinite(x)) continue;
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
  }
  if (lo > hi) return std::nullopt;
  return TRange{lo, hi};
}

} // namespace

int UsablePoints(const TTraceData &t, const TrsDynDouble &x, const TrsDynDouble &y) {
  return static_cast<int>(std::min({static_cast<std::size_t>(std::max(0, t.NumPoints)), x.size(), y.size()}));
}

std::vector<float> CableLossSeries(const TrsDynDouble &mag, int points) {
  const int n = std::clamp(points, 0, static_cast<int>(mag.size()));
  std::vector<float> y(static_cast<std::size_t>(n), 0.0F);
  const int window = std::min(10, n);
  for (int j = 0; j < n; ++j) {
    long start = n > 1 ? RoundHalfEven(static_cast<double>(j) * (n - 10) / (n - 1)) : 0;
    start = std::clamp<long>(start, 0, n - window);
    float sum = 0.0F;
    for (int k = 0; k < window; ++k)
      sum += static_cast<float>(mag[static_cast<std::size_t>(start + k)]);
    y[static_cast<std::size_t>(j)] = window == 10 ? 0.05F * sum : 0.5F * sum / static_cast<float>(window);
  }
  return y;
}

namespace {
// |Gamma| of a value in a display unit; empty when no reflection has it.
std::optional<double> SmithRho(double value, int scaleUnit) {
  double rho = value;
  try {
    switch (scaleUnit) {
    case suVSWR: rho = VswrToRho(rho); break;
    case suRho: break;
    case suMRho: rho *= 0.001; break;
    default: rho = ReturnLossToRho(rho); break;
    }
  } catch (const Exception &) {
    return std::nullopt;
  }
  // A passive load reflects between nothing and everything; a little
  // calibration noise above total reflection still plots at the rim.
  if (!std::isfinite(rho) || rho < 0.0 || rho > 1.05) return std::nullopt;
  return rho;
}
} // namespace

std::optional<std::complex<double>> SmithGamma(double value, int scaleUnit, double angleDegrees) {
  const auto rho = SmithRho(value, scaleUnit);
  if (!rho || !std::isfinite(angleDegrees)) return std::nullopt;
  return std::polar(*rho, angleDegrees * std::numbers::pi / 180.0);
}

std::optional<TImpedance> SmithImpedance(double value, int scaleUnit, double angleDegrees) {
  const auto shown = SmithRho(value, scaleUnit);
  if (!shown) return std::nullopt;
  const double rho = *shown;
  const double theta = angleDegrees * std::numbers::pi / 180.0;
  const double gi = rho * std::sin(theta);
  const double gr = rho * std::cos(theta);
  const double x = 2.0 * gi / ((gr - 1.0) * (gr - 1.0) + gi * gi);
  double r;
  if (gi == 0.0) {
    r = rho > 0.0 ? RhoToVswr(rho) : 1.0;
  } else {
    r = std::sqrt(2.0 * x / gi - x * x) - 1.0;
    // Rounding can leave the root's argument a hair below zero near the
    // rim; the closed form gives the same r without the root.
    if (!std::isfinite(r)) r = (1.0 - rho * rho) / ((1.0 - gr) * (1.0 - gr) + gi * gi);
  }
  if (!std::isfinite(r) || !std::isfinite(x)) return std::nullopt;
  return TImpedance{r, x};
}

std::optional<TRange> AutoScaleXRange(const TTraceDoc &doc) {
  const bool dist = doc.PlotMode == pmDistance;
  auto r = RangeOf(doc, [dist](const TTraceData &t) -> const TrsDynDouble & { return dist ? t.DistAxis : t.Freq; });
  if (!r) return r;
  const double m = 0.05 * (r->Max - r->Min);
  return TRange{r->Min - m, r->Max + m};
}

std::optional<TRange> AutoScaleYRange(const TTraceDoc &doc) { return AutoScaleYRange(doc, doc.PlotMode == pmDistance); }

std::optional<TRange> RecordedYRange(const TTraceDoc &doc, bool dist) {
  const TScaleGroup &g = dist ? doc.DistScale : doc.FreqScale;
  if (g.Flag2 != 0 && std::isfinite(g.YMin) && std::isfinite(g.YMax) && g.YMin < g.YMax) return TRange{g.YMin, g.YMax};
  return AutoScaleYRange(doc, dist);
}

std::optional<TRange> AutoScaleYRange(const TTraceDoc &doc, bool dist) {
  std::optional<TRange> r;
  if (!dist && doc.ScaleUnit == suCableLoss) {
    // Fit what is drawn: the cable-loss series, not the stored return loss.
    double lo = std::numeric_limits<double>::max(), hi = std::numeric_limits<double>::lowest();
    for (int i = 0; i < doc.TraceCount(); ++i) {
      const TTraceData &t = doc.Traces[i];
      for (const float v : CableLossSeries(t.Mag, UsablePoints(t, t.Freq, t.Mag))) {
        if (!std::isfinite(v)) continue;
        lo = std::min(lo, static_cast<double>(v));
        hi = std::max(hi, static_cast<double>(v));
      }
    }
    if (lo <= hi) r = TRange{lo, hi};
  } else {
    r = RangeOf(doc, [dist](const TTraceData &t) -> const TrsDynDouble & { return dist ? t.DistMag : t.Mag; });
  }
  if (!r) return r;
  double lo = r->Min, hi = r->Max;
  if (doc.ScaleUnit == suVSWR) {
    if (lo < 1.0) lo = 1.0;
    if (hi < 1.0) hi = 1.1;
  }
  const double t = 0.1 * (hi - lo);
  double bottom = lo - t, top = hi + t;
  const bool limitShown = (dist ? doc.DistLimitMode : doc.FreqLimitMode) != 0;
  const double limit = dist ? doc.DistLimitValue : doc.FreqLimitValue;
  if (limitShown && limit < kUnplacedLimit) {
    const double b = 0.2 * t;
    if (limit + b > top) top = (limit + b) + 0.02 * ((limit + b) - bottom);
    if (limit - b < bottom) bottom = (limit - b) - 0.02 * (top - (limit - b));
  }
  return TRange{bottom, top};
}

void ConvertShownValue(double &value, int fromUnit, int toUnit, bool distanceView) {
  if (fromUnit == toUnit) return;
  double v = value;
  int from = fromUnit;
  if (!distanceView && from == suCableLoss) v *= 2.0, from = suReturnLoss;
  const bool toCableLoss = !distanceView && toUnit == suCableLoss;
  ConvertValue(v, from, toCableLoss ? suReturnLoss : toUnit);
  if (toCableLoss) v *= 0.5;
  value = v;
}

void ConvertDocumentUnit(TTraceDoc &d, int unit) {
  const int from = d.ScaleUnit;
  // Copies first: a value out of range refuses the whole change.
  std::vector<TrsDynDouble> mags, dists;
  double freqLimit = d.FreqLimitValue, distLimit = d.DistLimitValue;
  for (int i = 0; i < d.TraceCount(); ++i) {
    mags.push_back(d.Traces[i].Mag);
    ConvertArray(mags.back(), from, unit);
    dists.push_back(d.Traces[i].DistMag);
    ConvertArray(dists.back(), from, unit);
  }
  // Both views' lines: the one not shown is shown again after a view change.
  if (freqLimit < kUnplacedLimit) ConvertShownValue(freqLimit, from, unit, false);
  if (distLimit < kUnplacedLimit) ConvertShownValue(distLimit, from, unit, true);
  for (int i = 0; i < d.TraceCount(); ++i) {
    d.Traces[i].Mag.swap(mags[static_cast<std::size_t>(i)]);
    d.Traces[i].DistMag.swap(dists[static_cast<std::size_t>(i)]);
  }
  d.FreqLimitValue = freqLimit;
  d.DistLimitValue = distLimit;
  d.ScaleUnit = static_cast<std::uint8_t>(unit);
  if (from != unit) {
    d.CurScale.Flag1 = 0;
    d.FreqScale.Flag2 = 0;
    d.DistScale.Flag2 = 0;
  }
}

} // namespace korv
