#pragma once
// A synthetic sweep of an antenna feed line: a coaxial cable with a velocity
// factor and a loss per metre, discrete reflections along it (connectors,
// water, a crushed section) and a load at its far end. Produces what an
// analyzer measures: reflection magnitude and angle at N frequencies.
// Used by tests, benchmarks, the bundled sample documents and the simulators.
#include <cstdint>
#include <vector>

#include "core/Declare.h"

namespace korv {

struct TLineReflection {
  double DistanceM = 0.0; // from the analyzer's port, metres
  double Rho = 0.0;       // magnitude of the local reflection coefficient
  double PhaseDeg = 0.0;  // its phase at the frequency-independent level
};

struct TSweepModel {
  double VelocityFactor = 0.88;
  double LossDbPerMetre = 0.05; // one-way
  std::vector<TLineReflection> Reflections;
  // The load at the end of the line; LengthM 0 means no load (an endless line).
  double LengthM = 0.0;
  double LoadRho = 0.0;
  double LoadPhaseDeg = 0.0;
  // When above 0, the load is an antenna resonant here (MHz): a series RLC
  // whose match at resonance is LoadRho and whose quality factor is LoadQ.
  double AntennaResonanceMHz = 0.0;
  double LoadQ = 2.0;
  // Reflection magnitude of the analyzer's noise floor (0: none). Seeded, so a
  // model always gives the same sweep.
  double NoiseRho = 0.0;
  std::uint32_t NoiseSeed = 1;
};

struct TSweep {
  TrsDynDouble FreqMHz;
  TrsDynDouble Rho;      // |reflection|, linear
  TrsDynDouble AngleDeg; // -180 .. 180
};

// The sweep of points frequencies equally spaced from startMHz to stopMHz.
// Throws Exception on fewer than 2 points, more than 100000, or a band that is
// not increasing and positive.
TSweep SimulateSweep(const TSweepModel &model, int points, double startMHz, double stopMHz);

// Fills one trace from a sweep: Freq, Mag (in scaleUnit), Angle, NumPoints,
// cable data (CableType "Custom", Loss in dB per distUnit, Dielectric 1/Vp^2),
// StartFreqHz, FreqStepHz, MaxDist, distance window 0 .. min(MaxDist, 1.2 x the
// line length, or MaxDist when there is no load), Smoothing 1 (Slight).
void FillTraceFromSweep(TTraceData &trace, const TSweep &sweep, const TSweepModel &model, int scaleUnit, int distUnit);

} // namespace korv
