#pragma once
// The numbers behind a document's views, computed from the document alone:
// the ten-point cable-loss series, Smith chart coordinates, the automatic
// axis ranges and the all-or-nothing change of display unit. The document
// window, the clipboard text and the exports all draw on these, so what is
// shown, copied and printed is the same.
#include <complex>
#include <optional>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

// Number of points of a trace that both arrays it uses really hold (a
// damaged stored count never reads past them).
int UsablePoints(const TTraceData &t, const TrsDynDouble &x, const TrsDynDouble &y);

// Cable loss at each point: half the mean of ten neighbouring values (a
// window sliding evenly from the first ten points to the last ten), summed
// in single precision as the graph stores it. Fewer than ten points: half
// the mean of all of them.
std::vector<float> CableLossSeries(const TrsDynDouble &mag, int points);

// Normalised impedance (resistance r, reactance x) of a reflection given in
// a display unit and an angle in degrees; empty for a value no reflection
// can have (or that has no finite impedance).
struct TImpedance {
  double R = 0.0;
  double X = 0.0;
};
std::optional<TImpedance> SmithImpedance(double value, int scaleUnit, double angleDegrees);
// The reflection coefficient behind the same point (the values SmithImpedance
// takes, the same refusals).
std::optional<std::complex<double>> SmithGamma(double value, int scaleUnit, double angleDegrees);

struct TRange {
  double Min = 0.0;
  double Max = 0.0;
};
// The automatic X range of the current view: every point of every trace,
// with 5 % room on each side. Empty without points.
std::optional<TRange> AutoScaleXRange(const TTraceDoc &doc);
// The automatic Y range: 10 % room on each side, a VSWR axis never below 1,
// and room for the limit line when it is shown.
std::optional<TRange> AutoScaleYRange(const TTraceDoc &doc);
// The same for one domain, whatever the view shown.
std::optional<TRange> AutoScaleYRange(const TTraceDoc &doc, bool distanceView);
// The Y range a file should record for a domain: its manual range when
// that is a real range, else the automatic one (a file that records an
// axis holds a range, and 0 to 0 shows nothing). Empty without data.
std::optional<TRange> RecordedYRange(const TTraceDoc &doc, bool distanceView);

// A value as a view shows it (a limit line, an axis bound) in another
// display unit. The frequency view shows cable loss as half the return
// loss (the loss one way down the cable); the distance view shows return
// loss for that unit. Throws the conversion's EmoxException when the new
// unit cannot take the value (value unchanged).
void ConvertShownValue(double &value, int fromUnit, int toUnit, bool distanceView);

// Converts every trace's values (both domains) and both placed limit lines
// from the document's display unit to `unit`, all or nothing:
// a value the new unit cannot take throws (the EmoxException of the
// conversion) and leaves the document as it was. A real change of unit
// returns the Y axes to automatic scaling (a manual range in dB is no
// range in VSWR).
void ConvertDocumentUnit(TTraceDoc &doc, int unit);

} // namespace korv
