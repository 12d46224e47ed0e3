#pragma once
// Fault events of a distance-to-fault result: the places along the line
// where the reflection rises to a peak above a threshold.
//
// The document keeps reflections in its display unit. In every unit a larger
// reflection is a larger number: return loss is stored as a negative dB value
// (a full reflection is 0 dB, a good match -30 dB or lower), VSWR and Rho rise
// with the reflection. Thresholds are therefore given in return loss dB, 0 or
// below, and a point is above the threshold when its return loss is higher
// (closer to 0 dB).
#include <span>
#include <vector>

#include "core/Declare.h"

namespace korv {

// 30 dB below a full reflection.
inline constexpr double kDefaultEventThresholdDb = -30.0;

struct TFaultEvent {
  int Index = 0;            // the bin of the peak
  double Distance = 0.0;    // between bins, in the document's distance unit
  double Value = 0.0;       // the peak reflection in the document's display unit
  double ReturnLossDb = 0.0; // the same reflection as return loss dB (<= 0)
};

// A reflection in the display unit as return loss dB. Values beyond a unit's
// range are limited the way the instruments show them.
double ToReturnLossDb(double value, int displayUnit);
// Return loss dB (<= 0) in the display unit.
double FromReturnLossDb(double db, int displayUnit);

// The events of one result: the local maxima above thresholdDb, each at least
// two distance steps from a larger one (the smaller of two closer peaks is
// the skirt of the larger), located between bins by a parabola through the
// return loss of the peak and its two neighbours. A maximum on the first or
// last point is no event: the line may go on rising outside the window.
// Sorted by distance. distance and values must be of equal length (else
// Exception); fewer than three points give no event.
std::vector<TFaultEvent> FindFaultEvents(std::span<const double> distance, std::span<const double> values,
                                         int displayUnit, double thresholdDb = kDefaultEventThresholdDb);

// The events of a trace's DistAxis and DistMag.
std::vector<TFaultEvent> TraceFaultEvents(const TTraceData &trace, int displayUnit,
                                          double thresholdDb = kDefaultEventThresholdDb);

// The event with the largest reflection; nullptr for none.
const TFaultEvent *LargestEvent(const std::vector<TFaultEvent> &events);

} // namespace korv
