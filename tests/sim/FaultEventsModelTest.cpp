// Fault events found on synthetic lines whose faults lie at known distances.
#include <gtest/gtest.h>

#include <cmath>

#include "measure/ChirpZ.h"
#include "measure/Convert.h"
#include "measure/FaultEvents.h"
#include "measure/Verdicts.h"
#include "sim/SweepModel.h"

namespace korv {
namespace {

struct TLine {
  TTraceData Trace;
  double Step = 0.0; // distance step, in the trace's distance unit
};

// A 949-point sweep of 1700..2200 MHz on a line described by model; the
// distance window from 0 to stopM metres.
TLine Transform(const TSweepModel &model, int scaleUnit, int distUnit, double stopM, int smoothing) {
  TLine l;
  FillTraceFromSweep(l.Trace, SimulateSweep(model, 949, 1700.0, 2200.0), model, scaleUnit, distUnit);
  const double stop = distUnit == duFeet ? MetresToFeet(stopM) : stopM;
  l.Trace.StopDist = static_cast<float>(std::min<double>(stop, l.Trace.MaxDist));
  l.Trace.Smoothing = static_cast<std::uint8_t>(smoothing);
  ComputeTraceDTF(l.Trace, scaleUnit);
  l.Step = (l.Trace.DistAxis.back() - l.Trace.DistAxis.front()) / static_cast<double>(l.Trace.DistAxis.size() - 1);
  return l;
}

double InUnit(double metres, int distUnit) { return distUnit == duFeet ? MetresToFeet(metres) : metres; }

void ExpectEventsAt(const std::vector<TFaultEvent> &events, const std::vector<double> &expected, double step) {
  ASSERT_EQ(events.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i)
    EXPECT_NEAR(events[i].Distance, expected[i], 0.1 * step) << "event " << i << ", step " << step;
}

class FaultEventsOnModel : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(FaultEventsOnModel, FaultsAtKnownDistancesAreFoundWithinATenthOfAStep) {
  const auto [distUnit, scaleUnit] = GetParam();
  TSweepModel m;
  m.NoiseRho = 0.0005;
  m.Reflections = {{11.37, 0.12, 30.0}, {47.81, 0.08, -70.0}, {96.02, 0.3, 160.0}};
  const TLine l = Transform(m, scaleUnit, distUnit, 130.0, 1);
  const auto events = TraceFaultEvents(l.Trace, scaleUnit);
  ExpectEventsAt(events, {InUnit(11.37, distUnit), InUnit(47.81, distUnit), InUnit(96.02, distUnit)}, l.Step);
  // The largest fault is the largest event, in the document's unit.
  const TFaultEvent *big = LargestEvent(events);
  ASSERT_NE(big, nullptr);
  EXPECT_NEAR(big->Distance, InUnit(96.02, distUnit), 0.1 * l.Step);
  EXPECT_NEAR(big->Value, FromReturnLossDb(big->ReturnLossDb, scaleUnit), 1e-9);
}

TEST_P(FaultEventsOnModel, TwoFaultsThreeStepsApartAreTwoEvents) {
  const auto [distUnit, scaleUnit] = GetParam();
  // The whole range the sweep resolves: the step is the sweep's resolution,
  // so three steps apart is three resolution cells, with the default window.
  const double stepM = Transform(TSweepModel{}, scaleUnit, duMeters, 1e9, 1).Step;
  for (const double offset : {0.3, 0.75})
    for (const double phase : {0.0, 90.0, 180.0}) {
      TSweepModel m;
      const double a = (20.0 + offset) * stepM, b = a + 3.0 * stepM;
      m.Reflections = {{a, 0.1, 0.0}, {b, 0.1, phase}};
      const TLine l = Transform(m, scaleUnit, distUnit, 1e9, 1);
      SCOPED_TRACE(testing::Message() << "offset " << offset << ", phase " << phase);
      ExpectEventsAt(TraceFaultEvents(l.Trace, scaleUnit), {InUnit(a, distUnit), InUnit(b, distUnit)}, l.Step);
    }
}

TEST_P(FaultEventsOnModel, ACleanLineHasNoEventAboveTheThreshold) {
  const auto [distUnit, scaleUnit] = GetParam();
  TSweepModel m;
  m.NoiseRho = 0.003; // -50 dB of noise
  m.LengthM = 60.0;
  m.LoadRho = 0.01; // a good antenna: -40 dB
  const TLine l = Transform(m, scaleUnit, distUnit, 130.0, 1);
  EXPECT_TRUE(TraceFaultEvents(l.Trace, scaleUnit).empty());
  // The same line with a poor load shows it, and only it.
  m.LoadRho = 0.2;
  const TLine bad = Transform(m, scaleUnit, distUnit, 130.0, 1);
  const auto events = TraceFaultEvents(bad.Trace, scaleUnit);
  ExpectEventsAt(events, {InUnit(60.0, distUnit)}, bad.Step);
}

INSTANTIATE_TEST_SUITE_P(MetresFeetAndUnits, FaultEventsOnModel,
                         ::testing::Combine(::testing::Values(int{duMeters}, int{duFeet}),
                                            ::testing::Values(int{suReturnLoss}, int{suVSWR})));

} // namespace
} // namespace korv
