#include "sim/SweepModel.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "core/Excption.h"
#include "core/MOXDoc.h"
#include "measure/Convert.h"

namespace korv {

namespace {

using Complex = std::complex<double>;
// The speed of light as the analyzers (and MaxDistance) take it.
constexpr double kC = 3.0e8;
constexpr double kZ0 = 50.0;

Complex Polar(double mag, double deg) { return std::polar(mag, deg * std::numbers::pi / 180.0); }

Complex LoadReflection(const TSweepModel &m, double fMHz) {
  if (m.AntennaResonanceMHz <= 0.0) return Polar(m.LoadRho, m.LoadPhaseDeg);
  // Series RLC antenna: resistance chosen so that the match at resonance is LoadRho.
  const double rho0 = std::min(std::fabs(m.LoadRho), 0.999);
  const double r = kZ0 * (1.0 + rho0) / (1.0 - rho0);
  const double detune = fMHz / m.AntennaResonanceMHz - m.AntennaResonanceMHz / fMHz;
  const Complex z(r, r * m.LoadQ * detune);
  return (z - kZ0) / (z + kZ0);
}

} // namespace

TSweep SimulateSweep(const TSweepModel &m, int points, double startMHz, double stopMHz) {
  if (points < 2 || points > 100000) throw Exception("Invalid number of sweep points.");
  if (!(startMHz > 0.0) || !(stopMHz > startMHz) || !std::isfinite(stopMHz)) throw Exception("Invalid sweep band.");
  if (!(m.VelocityFactor > 0.0) || m.VelocityFactor > 1.0) throw Exception("Invalid velocity factor.");

  TSweep s;
  s.FreqMHz.resize(static_cast<std::size_t>(points));
  s.Rho.resize(static_cast<std::size_t>(points));
  s.AngleDeg.resize(static_cast<std::size_t>(points));
  std::mt19937 rng(m.NoiseSeed);
  std::uniform_real_distribution<double> phase(-180.0, 180.0);
  std::uniform_real_distribution<double> level(0.0, 1.0);

  // Every reflection reaches the analyzer through the line up to it and back,
  // and through the reflections in front of it (each passes 1 - rho^2 of the power).
  struct Echo {
    double distance;
    Complex local;
    double through;
  };
  std::vector<TLineReflection> refl = m.Reflections;
  std::sort(refl.begin(), refl.end(),
            [](const TLineReflection &a, const TLineReflection &b) { return a.DistanceM < b.DistanceM; });
  std::vector<Echo> echoes;
  double through = 1.0;
  for (const auto &r : refl) {
    if (m.LengthM > 0.0 && r.DistanceM > m.LengthM) continue;
    echoes.push_back({r.DistanceM, Polar(r.Rho, r.PhaseDeg), through});
    through *= 1.0 - r.Rho * r.Rho;
  }

  const double step = (stopMHz - startMHz) / (points - 1);
  const double v = m.VelocityFactor * kC;
  for (int n = 0; n < points; ++n) {
    const double f = startMHz + n * step;
    const double fHz = f * 1e6;
    auto delay = [&](double d) {
      const double twoWayDb = 2.0 * m.LossDbPerMetre * d;
      const double amp = std::pow(10.0, -twoWayDb / 20.0);
      return std::polar(amp, -2.0 * std::numbers::pi * fHz * 2.0 * d / v);
    };
    Complex g(0.0, 0.0);
    for (const auto &e : echoes)
      g += e.through * e.local * delay(e.distance);
    if (m.LengthM > 0.0) g += through * LoadReflection(m, f) * delay(m.LengthM);
    if (m.NoiseRho > 0.0) g += Polar(m.NoiseRho * level(rng), phase(rng));
    const std::size_t i = static_cast<std::size_t>(n);
    s.FreqMHz[i] = f;
    s.Rho[i] = std::min(std::abs(g), 1.0);
    s.AngleDeg[i] = std::arg(g) * 180.0 / std::numbers::pi;
  }
  return s;
}

void FillTraceFromSweep(TTraceData &t, const TSweep &s, const TSweepModel &m, int scaleUnit, int distUnit) {
  const std::size_t n = s.FreqMHz.size();
  t.NumPoints = static_cast<std::int32_t>(n);
  t.Freq = s.FreqMHz;
  t.Angle = s.AngleDeg;
  t.Mag = s.Rho;
  ConvertArray(t.Mag, suRho, scaleUnit);
  const bool feet = distUnit == duFeet;
  t.CableType = "Custom";
  t.Loss = static_cast<float>(feet ? m.LossDbPerMetre * kMetresPerFoot : m.LossDbPerMetre);
  t.Dielectric = static_cast<float>(1.0 / (m.VelocityFactor * m.VelocityFactor));
  t.StartFreqHz = n > 0 ? static_cast<float>(s.FreqMHz.front() * 1e6) : 0.0F;
  t.FreqStepHz =
      n > 1 ? static_cast<float>((s.FreqMHz.back() - s.FreqMHz.front()) * 1e6 / static_cast<double>(n - 1)) : 0.0F;
  t.MaxDist = static_cast<float>(MaxDistance(t.NumPoints, feet, t.Dielectric, t.FreqStepHz));
  t.StartDist = 0.0F;
  double stop = t.MaxDist;
  if (m.LengthM > 0.0) {
    const double wanted = 1.2 * (feet ? MetresToFeet(m.LengthM) : m.LengthM);
    stop = std::min(stop, wanted);
  }
  t.StopDist = static_cast<float>(stop);
  t.Smoothing = 1;
  t.Threshold = -100.0F;
  t.DistAxis.clear();
  t.DistMag.clear();
}

} // namespace korv
