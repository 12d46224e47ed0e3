#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/Excption.h"
#include "measure/ChirpZ.h"
#include "measure/Convert.h"
#include "sim/SweepModel.h"

namespace korv {
namespace {

// A feed line with one fault, swept like a PCS band measurement.
TTraceData FaultTrace(int distUnit, int scaleUnit, double startDist, double stopDist) {
  TSweepModel m;
  m.VelocityFactor = 0.88;
  m.LossDbPerMetre = 0.05;
  m.Reflections = {{12.3, 0.1, 0.0}};
  const TSweep s = SimulateSweep(m, 238, 1700.0, 2000.0);
  TTraceData t;
  FillTraceFromSweep(t, s, m, scaleUnit, distUnit);
  t.StartDist = static_cast<float>(startDist);
  t.StopDist = static_cast<float>(stopDist);
  t.Smoothing = wtSlight;
  return t;
}

TEST(SweepModel, FaultShowsAtItsDistanceAndLevel) {
  for (int unit : {duMeters, duFeet}) {
    const double scale = unit == duFeet ? kFeetPerMetre : 1.0;
    for (int scaleUnit : {suReturnLoss, suVSWR}) {
      TTraceData t = FaultTrace(unit, scaleUnit, 0.0, 30.0 * scale);
      EXPECT_NEAR(t.MaxDist, 0.88 * 3e8 / (2.0 * 300e6 / 237.0) * scale, 1e-3 * scale);
      EXPECT_NEAR(t.Loss, 0.05 / scale, 1e-7);
      ComputeTraceDTF(t, scaleUnit);
      TrsDynDouble db = t.DistMag;
      ConvertArray(db, scaleUnit, suReturnLoss);
      const auto peak = std::max_element(db.begin(), db.end()) - db.begin();
      const double step = t.DistAxis[1] - t.DistAxis[0];
      EXPECT_NEAR(t.DistAxis[static_cast<std::size_t>(peak)], 12.3 * scale, step) << unit;
      EXPECT_NEAR(db[static_cast<std::size_t>(peak)], -20.0, 0.5) << unit;
    }
  }
}

TEST(SweepModel, WithoutCompensationTheFaultLosesTheTwoWayCableLoss) {
  TTraceData t = FaultTrace(duMeters, suReturnLoss, 0.0, 30.0);
  t.Loss = 0.0F;
  ComputeTraceDTF(t, suReturnLoss);
  const double peak = *std::max_element(t.DistMag.begin(), t.DistMag.end());
  EXPECT_NEAR(peak, -20.0 - 2.0 * 0.05 * 12.3, 0.5);
}

TEST(SweepModel, LoadAndSeveralFaults) {
  TSweepModel m;
  m.VelocityFactor = 0.85;
  m.LossDbPerMetre = 0.0;
  m.Reflections = {{20.0, 0.2, 0.0}, {5.0, 0.05, 90.0}};
  m.LengthM = 35.0;
  m.LoadRho = 0.3;
  const TSweep s = SimulateSweep(m, 517, 800.0, 1000.0);
  ASSERT_EQ(s.Rho.size(), 517u);
  EXPECT_DOUBLE_EQ(s.FreqMHz.front(), 800.0);
  EXPECT_DOUBLE_EQ(s.FreqMHz.back(), 1000.0);
  for (double r : s.Rho) {
    EXPECT_GE(r, 0.0);
    EXPECT_LE(r, 0.05 + 0.2 + 0.3 + 1e-12);
  }
  for (double a : s.AngleDeg)
    EXPECT_LE(std::fabs(a), 180.0);
  TTraceData t;
  FillTraceFromSweep(t, s, m, suRho, duMeters);
  EXPECT_NEAR(t.StopDist, 42.0F, 1e-4); // 1.2 x the line
  t.Smoothing = wtNone;
  ComputeTraceDTF(t, suRho);
  // The three echoes stand out at their places, in their order of size.
  auto levelNear = [&](double d) {
    double best = 0.0;
    for (std::size_t k = 0; k < t.DistAxis.size(); ++k)
      if (std::fabs(t.DistAxis[k] - d) < 0.5) best = std::max(best, t.DistMag[k]);
    return best;
  };
  const double load = levelNear(35.0), fault = levelNear(20.0), small = levelNear(5.0), quiet = levelNear(12.0);
  EXPECT_NEAR(load, 0.3 * (1 - 0.04) * (1 - 0.0025), 0.03);
  EXPECT_NEAR(fault, 0.2 * (1 - 0.0025), 0.02);
  EXPECT_NEAR(small, 0.05, 0.01);
  EXPECT_LT(quiet, 0.02);
}

TEST(SweepModel, AntennaLoadIsBestAtResonanceAndNoiseIsRepeatable) {
  TSweepModel m;
  m.LossDbPerMetre = 0.0;
  m.LengthM = 10.0;
  m.LoadRho = 0.05;
  m.AntennaResonanceMHz = 1850.0;
  m.LoadQ = 2.0;
  const TSweep s = SimulateSweep(m, 301, 1700.0, 2000.0);
  EXPECT_NEAR(s.Rho[150], 0.05, 1e-9);
  EXPECT_GT(s.Rho.front(), 0.15);
  EXPECT_GT(s.Rho.back(), 0.15);
  m.NoiseRho = 0.01;
  const TSweep a = SimulateSweep(m, 301, 1700.0, 2000.0);
  const TSweep b = SimulateSweep(m, 301, 1700.0, 2000.0);
  EXPECT_EQ(a.Rho, b.Rho);
  EXPECT_NE(a.Rho, s.Rho);
}

TEST(SweepModel, RefusesImpossibleSweeps) {
  const TSweepModel m;
  EXPECT_THROW(SimulateSweep(m, 1, 1700.0, 2000.0), Exception);
  EXPECT_THROW(SimulateSweep(m, 1000000, 1700.0, 2000.0), Exception);
  EXPECT_THROW(SimulateSweep(m, 100, 2000.0, 1700.0), Exception);
  EXPECT_THROW(SimulateSweep(m, 100, -5.0, 1700.0), Exception);
  TSweepModel fast;
  fast.VelocityFactor = 1.5;
  EXPECT_THROW(SimulateSweep(fast, 100, 1700.0, 2000.0), Exception);
}

} // namespace
} // namespace korv
