#include "measure/FaultEvents.h"

#include <algorithm>
#include <cmath>

#include "core/Excption.h"
#include "measure/Convert.h"

namespace korv {

double ToReturnLossDb(double value, int displayUnit) {
  switch (displayUnit) {
  case suVSWR: return value <= 1.0 ? -100.0 : RhoToReturnLoss(std::min(1.0, (value - 1.0) / (value + 1.0)));
  case suRho: return RhoToReturnLoss(std::min(1.0, value));
  case suMRho: return RhoToReturnLoss(std::min(1.0, value / 1000.0));
  default: return std::clamp(value, -100.0, 0.0);
  }
}

double FromReturnLossDb(double db, int displayUnit) {
  const double rho = ReturnLossToRho(std::min(db, 0.0));
  switch (displayUnit) {
  case suVSWR: return RhoToVswr(rho);
  case suRho: return rho;
  case suMRho: return rho * 1000.0;
  default: return std::min(db, 0.0);
  }
}

std::vector<TFaultEvent> FindFaultEvents(std::span<const double> distance, std::span<const double> values,
                                         int displayUnit, double thresholdDb) {
  if (distance.size() != values.size())
    throw Exception("The distance axis and the distance data of a trace differ in length.");
  const std::size_t n = values.size();
  std::vector<TFaultEvent> events;
  if (n < 3) return events;
  std::vector<double> db(n);
  for (std::size_t k = 0; k < n; ++k)
    db[k] = std::isfinite(values[k]) ? ToReturnLossDb(values[k], displayUnit) : -100.0;

  // Candidates: interior points above the threshold that no neighbour
  // exceeds; of a flat top only its first point counts.
  std::vector<std::size_t> peaks;
  for (std::size_t k = 1; k + 1 < n; ++k)
    if (db[k] > thresholdDb && db[k] > db[k - 1] && db[k] >= db[k + 1]) peaks.push_back(k);
  // Largest first, so a smaller peak closer than two steps to a kept one goes.
  std::stable_sort(peaks.begin(), peaks.end(), [&](std::size_t a, std::size_t b) { return db[a] > db[b]; });
  std::vector<std::size_t> kept;
  for (const std::size_t k : peaks) {
    const bool near = std::any_of(kept.begin(), kept.end(), [&](std::size_t q) { return (k > q ? k - q : q - k) < 2; });
    if (!near) kept.push_back(k);
  }
  std::sort(kept.begin(), kept.end());

  for (const std::size_t k : kept) {
    const double ym = db[k - 1], y0 = db[k], yp = db[k + 1];
    const double curve = ym - 2.0 * y0 + yp; // < 0 at a strict peak, 0 on a flat top
    double offset = 0.0;
    double peak = y0;
    if (curve < 0.0) {
      offset = std::clamp(0.5 * (ym - yp) / curve, -0.5, 0.5);
      peak = y0 - 0.25 * (ym - yp) * offset;
    }
    // The axis is uniform; the step beside the peak in the direction it lies.
    const double step = offset >= 0.0 ? distance[k + 1] - distance[k] : distance[k] - distance[k - 1];
    TFaultEvent e;
    e.Index = static_cast<int>(k);
    e.Distance = distance[k] + offset * step;
    e.ReturnLossDb = std::min(peak, 0.0);
    e.Value = FromReturnLossDb(e.ReturnLossDb, displayUnit);
    events.push_back(e);
  }
  return events;
}

std::vector<TFaultEvent> TraceFaultEvents(const TTraceData &trace, int displayUnit, double thresholdDb) {
  return FindFaultEvents(trace.DistAxis, trace.DistMag, displayUnit, thresholdDb);
}

const TFaultEvent *LargestEvent(const std::vector<TFaultEvent> &events) {
  const auto it = std::max_element(events.begin(), events.end(),
                                   [](const TFaultEvent &a, const TFaultEvent &b) { return a.ReturnLossDb < b.ReturnLossDb; });
  return it == events.end() ? nullptr : &*it;
}

} // namespace korv
