#pragma once
// What the Smith chart reads out at a point of a trace (frequency, the
// impedance R + jX in ohms, |Gamma| with its angle, VSWR) and which point
// of a trace lies nearest a position on the chart. The document window
// binds the pointer, the markers and the keys to these.
#include <complex>
#include <optional>
#include <string>
#include <vector>

#include "core/MOXDoc.h"

namespace korv {

struct TSmithReadout {
  double FreqMHz = 0.0;
  std::complex<double> Gamma;
  // Gamma = 1 (an open circuit): no finite impedance; R and X are 0.
  bool Open = false;
  double R = 0.0; // ohms against the reference impedance
  double X = 0.0; // ohms, reactance
  double GammaMag = 0.0;
  double GammaDeg = 0.0; // angle of Gamma, -180 .. 180
  double Vswr = 1.0;
};

// The readout of a reflection coefficient at a frequency.
TSmithReadout SmithReadoutOf(double freqMHz, std::complex<double> gamma);

// Gamma of each point of a trace as the chart places it (the document's
// display unit and the point's angle); empty where the value has no
// reflection (the chart leaves a gap there).
std::vector<std::optional<std::complex<double>>> TraceGammas(const TTraceDoc &doc, int trace);

// The readout of one point of a trace; empty for no such point or a value
// without a reflection.
std::optional<TSmithReadout> SmithReadoutAt(const TTraceDoc &doc, int trace, int point);

// " 146.250 MHz     48.20 + j3.10   Ω   |Γ| 0.0452 ∠   12.3°   VSWR 1.095"
// (UTF-8, fixed widths).
std::string SmithReadoutText(const TSmithReadout &r);

// The index of the Gamma nearest `at`, skipping gaps; -1 when there is
// none. The chart is a disc of equal aspect, so the nearest in the Gamma
// plane is the nearest in pixels.
int NearestGammaPoint(std::complex<double> at, const std::vector<std::optional<std::complex<double>>> &gammas);

} // namespace korv
