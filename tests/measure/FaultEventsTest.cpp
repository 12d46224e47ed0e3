#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "core/Excption.h"
#include "measure/Convert.h"
#include "measure/FaultEvents.h"

namespace korv {
namespace {

std::vector<double> Axis(std::size_t n, double step) {
  std::vector<double> d(n);
  for (std::size_t k = 0; k < n; ++k)
    d[k] = 2.0 + step * static_cast<double>(k);
  return d;
}

// A floor of -60 dB with parabolic peaks (in dB) at given positions.
std::vector<double> Peaks(std::size_t n, const std::vector<std::pair<double, double>> &at) {
  std::vector<double> v(n, -60.0);
  for (std::size_t k = 0; k < n; ++k)
    for (const auto &[pos, top] : at) {
      const double x = static_cast<double>(k) - pos;
      v[k] = std::max(v[k], top - 8.0 * x * x);
    }
  return v;
}

TEST(FaultEvents, PeaksAreLocatedBetweenBinsWithTheirHeight) {
  const auto d = Axis(40, 0.5);
  const auto v = Peaks(40, {{10.3, -12.0}, {25.8, -25.0}});
  const auto e = FindFaultEvents(d, v, suReturnLoss);
  ASSERT_EQ(e.size(), 2U);
  EXPECT_EQ(e[0].Index, 10);
  EXPECT_NEAR(e[0].Distance, 2.0 + 0.5 * 10.3, 1e-9);
  EXPECT_NEAR(e[0].ReturnLossDb, -12.0, 1e-9);
  EXPECT_EQ(e[1].Index, 26);
  EXPECT_NEAR(e[1].Distance, 2.0 + 0.5 * 25.8, 1e-9);
  EXPECT_NEAR(e[1].Value, -25.0, 1e-9);
  EXPECT_EQ(LargestEvent(e), &e[0]);
}

TEST(FaultEvents, ThresholdIsReturnLossWhateverTheUnit) {
  const auto d = Axis(30, 1.0);
  const auto db = Peaks(30, {{8.0, -20.0}, {20.0, -35.0}});
  EXPECT_EQ(FindFaultEvents(d, db, suReturnLoss).size(), 1U);                 // default -30
  EXPECT_EQ(FindFaultEvents(d, db, suReturnLoss, -40.0).size(), 2U);
  EXPECT_TRUE(FindFaultEvents(d, db, suReturnLoss, -20.0).empty()); // at, not above
  for (const int unit : {int{suVSWR}, int{suRho}, int{suMRho}}) {
    auto v = db;
    ConvertArray(v, suReturnLoss, unit);
    const auto e = FindFaultEvents(d, v, unit, -40.0);
    ASSERT_EQ(e.size(), 2U) << unit;
    EXPECT_NEAR(e[0].Distance, 10.0, 1e-9);
    EXPECT_NEAR(e[0].ReturnLossDb, -20.0, 1e-9);
    double back = e[0].Value;
    ConvertValue(back, unit, suReturnLoss);
    EXPECT_NEAR(back, -20.0, 1e-6) << unit;
  }
}

TEST(FaultEvents, PeaksTwoStepsApartAreTwoEventsFlatTopsOneAndEdgesNone) {
  const auto d = Axis(20, 1.0);
  std::vector<double> v(20, -60.0);
  v[0] = -5.0;                    // falling from the first point
  v[5] = -20.0, v[6] = -24.0, v[7] = -22.0;    // two steps apart, a shallow dip: both
  v[10] = -20.0, v[11] = -40.0, v[12] = -21.0; // two steps apart: both
  v[15] = -18.0, v[16] = -18.0;   // a flat top: one event at its first point
  v[19] = -3.0;                   // rising to the last point
  const auto e = FindFaultEvents(d, v, suReturnLoss);
  ASSERT_EQ(e.size(), 5U);
  EXPECT_EQ(e[0].Index, 5);
  EXPECT_EQ(e[1].Index, 7);
  EXPECT_EQ(e[2].Index, 10);
  EXPECT_EQ(e[3].Index, 12);
  EXPECT_EQ(e[4].Index, 15);
  EXPECT_NEAR(e[4].Distance, 2.0 + 15.0 + 0.5, 1e-9) << "midway on a flat top of two points";
}

TEST(FaultEvents, DegenerateInput) {
  EXPECT_TRUE(FindFaultEvents({}, {}, suReturnLoss).empty());
  const std::vector<double> two{0.0, 1.0};
  EXPECT_TRUE(FindFaultEvents(two, std::vector<double>{-10.0, -5.0}, suReturnLoss).empty());
  EXPECT_THROW(FindFaultEvents(two, std::vector<double>{-10.0}, suReturnLoss), Exception);
  // Non-finite values are no peaks and do not hide their neighbours' one.
  const std::vector<double> d{0, 1, 2, 3, 4, 5};
  const std::vector<double> v{-60, NAN, -60, -10, -60, INFINITY};
  const auto e = FindFaultEvents(d, v, suReturnLoss);
  ASSERT_EQ(e.size(), 1U);
  EXPECT_EQ(e[0].Index, 3);
  EXPECT_EQ(LargestEvent({}), nullptr);
}

} // namespace
} // namespace korv
