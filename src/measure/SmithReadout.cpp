#include "measure/SmithReadout.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "core/TextUtil.h"
#include "measure/Convert.h"
#include "measure/MarkerTable.h"
#include "measure/ViewMath.h"

namespace korv {

TSmithReadout SmithReadoutOf(double freqMHz, std::complex<double> gamma) {
  TSmithReadout r;
  r.FreqMHz = freqMHz;
  r.Gamma = gamma;
  r.GammaMag = std::abs(gamma);
  r.GammaDeg = std::arg(gamma) * 180.0 / std::numbers::pi;
  r.Vswr = RhoToVswr(r.GammaMag);
  const std::complex<double> d = 1.0 - gamma;
  if (std::abs(d) < 1e-12) {
    r.Open = true;
  } else {
    const std::complex<double> z = kReferenceOhms * (1.0 + gamma) / d;
    r.R = z.real();
    r.X = z.imag();
  }
  return r;
}

std::vector<std::optional<std::complex<double>>> TraceGammas(const TTraceDoc &doc, int trace) {
  std::vector<std::optional<std::complex<double>>> g;
  if (trace < 0 || trace >= doc.TraceCount()) return g;
  const TTraceData &t = doc.Traces[trace];
  const int n = UsablePoints(t, t.Mag, t.Angle);
  g.reserve(static_cast<std::size_t>(n));
  for (int j = 0; j < n; ++j)
    g.push_back(SmithGamma(t.Mag[static_cast<std::size_t>(j)], doc.ScaleUnit, t.Angle[static_cast<std::size_t>(j)]));
  return g;
}

std::optional<TSmithReadout> SmithReadoutAt(const TTraceDoc &doc, int trace, int point) {
  if (trace < 0 || trace >= doc.TraceCount() || point < 0) return std::nullopt;
  const TTraceData &t = doc.Traces[trace];
  const int n = std::min(UsablePoints(t, t.Mag, t.Angle), static_cast<int>(t.Freq.size()));
  if (point >= n) return std::nullopt;
  const auto j = static_cast<std::size_t>(point);
  const auto gamma = SmithGamma(t.Mag[j], doc.ScaleUnit, t.Angle[j]);
  if (!gamma) return std::nullopt;
  return SmithReadoutOf(t.Freq[j], *gamma);
}

std::string SmithReadoutText(const TSmithReadout &r) {
  // Fixed widths, so the marker's and the pointer's lines stand in columns.
  const std::string z =
      r.Open ? Format("%18s ", "open") : Format("%7.2f %c j%-7.2f\xCE\xA9", r.R, r.X < 0 ? '-' : '+', std::abs(r.X));
  return Format("%8.3f MHz   ", r.FreqMHz) + z +
         Format("   |\xCE\x93| %.4f \xE2\x88\xA0 %6.1f\xC2\xB0   VSWR %.3f", r.GammaMag, r.GammaDeg, r.Vswr);
}

int NearestGammaPoint(std::complex<double> at, const std::vector<std::optional<std::complex<double>>> &gammas) {
  int best = -1;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (std::size_t j = 0; j < gammas.size(); ++j) {
    if (!gammas[j]) continue;
    const double d = std::norm(*gammas[j] - at);
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(j);
    }
  }
  return best;
}

} // namespace korv
