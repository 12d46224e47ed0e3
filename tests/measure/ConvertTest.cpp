#include <gtest/gtest.h>

#include <cmath>

#include "core/Excption.h"
#include "measure/Convert.h"

namespace korv {
namespace {

TEST(ConvertScalars, ClampsAtTheInstrumentLimits) {
  EXPECT_DOUBLE_EQ(RhoToVswr(0.0), 1.00002);
  EXPECT_DOUBLE_EQ(RhoToVswr(1.0), 999.0);
  EXPECT_NEAR(RhoToVswr(0.998), 999.0, 1e-9); // 999 itself is not clamped
  EXPECT_DOUBLE_EQ(RhoToVswr(0.9981), 999.0);
  EXPECT_DOUBLE_EQ(RhoToVswr(-5.0), 999.0); // negative ratio
  EXPECT_DOUBLE_EQ(RhoToVswr(NAN), 999.0);
  EXPECT_NEAR(RhoToVswr(0.1), 1.1 / 0.9, 1e-15);

  EXPECT_DOUBLE_EQ(RhoToReturnLoss(0.0), -100.0);
  EXPECT_DOUBLE_EQ(RhoToReturnLoss(1e-6), -100.0);
  EXPECT_DOUBLE_EQ(RhoToReturnLoss(1.5), 0.0);
  EXPECT_DOUBLE_EQ(RhoToReturnLoss(-0.3), -100.0);
  EXPECT_NEAR(RhoToReturnLoss(0.1), -20.0, 1e-12);
}

TEST(ConvertScalars, VswrAndReturnLossRangeErrors) {
  EXPECT_DOUBLE_EQ(ReturnLossToVswr(0.0), 999.0);
  EXPECT_NEAR(ReturnLossToVswr(-20.0), 1.2222222222, 1e-9);
  try {
    ReturnLossToVswr(0.5);
    FAIL() << "no range error";
  } catch (const EmoxRhoRangeErr &e) {
    EXPECT_STREQ(e.what(), "Rho value out of range.");
  }
  EXPECT_DOUBLE_EQ(VswrToReturnLoss(1.0), -100.0);
  EXPECT_NEAR(VswrToReturnLoss(2.0), -9.542425094, 1e-9);
  EXPECT_DOUBLE_EQ(VswrToReturnLoss(0.5), -100.0); // negative Rho: the logarithm fails
  EXPECT_NEAR(VswrToRho(0.5), -1.0 / 3.0, 1e-15);  // no lower bound
  EXPECT_THROW(VswrToRho(-2.0), EmoxRhoRangeErr);
  EXPECT_THROW(VswrToRho(-1.0), EmoxRhoRangeErr); // division by zero is no Rho either
  EXPECT_THROW(VswrToReturnLoss(-3.0), EmoxRhoRangeErr);
  EXPECT_NEAR(ReturnLossToRho(-6.0205999), 0.5, 1e-8);
}

TEST(ConvertValue, FollowsTheUnitTable) {
  struct Case {
    double in;
    int from, to;
    double out;
  } cases[] = {
      {-20.0, suReturnLoss, suRho, 0.1},
      {-20.0, suCableLoss, suMRho, 100.0},
      {2.0, suVSWR, suRho, 1.0 / 3.0},
      {2.0, suVSWR, suMRho, 1000.0 / 3.0},
      {0.5, suRho, suVSWR, 3.0},
      {2.0, suRho, suReturnLoss, 0.0}, // clamped, not +6 dB
      {0.0, suRho, suReturnLoss, -100.0},
      {500.0, suMRho, suRho, 0.5},
      {100.0, suMRho, suReturnLoss, -20.0},
      {500.0, suMRho, suVSWR, 3.0},
      {0.3, suRho, suMRho, 300.0},
      {-7.5, suReturnLoss, suCableLoss, -7.5},
      {-7.5, suCableLoss, suReturnLoss, -7.5},
      {1.7, suVSWR, suVSWR, 1.7},
  };
  for (const auto &c : cases) {
    double v = c.in;
    ConvertValue(v, c.from, c.to);
    EXPECT_NEAR(v, c.out, 1e-12) << c.in << " " << c.from << "->" << c.to;
  }
  double v = 0.5;
  EXPECT_THROW(ConvertValue(v, suReturnLoss, suVSWR), EmoxRhoRangeErr);
  EXPECT_DOUBLE_EQ(v, 0.5);
  v = 0.123;
  ConvertValue(v, 9, suRho); // unknown codes convert nothing
  EXPECT_DOUBLE_EQ(v, 0.123);
}

TEST(ConvertArray, DiffersFromValueWhereTheInstrumentsDo) {
  TrsDynDouble a{0.0, 2.0, 0.1};
  ConvertArray(a, suRho, suReturnLoss);
  EXPECT_DOUBLE_EQ(a[0], -100.0);
  EXPECT_NEAR(a[1], 6.0206, 1e-4);
  EXPECT_NEAR(a[2], -20.0, 1e-12);

  TrsDynDouble m{2000.0, 100.0};
  ConvertArray(m, suMRho, suReturnLoss);
  EXPECT_NEAR(m[0], 6.0206, 1e-4);
  EXPECT_NEAR(m[1], -20.0, 1e-12);

  TrsDynDouble s{1.0, 3.0};
  ConvertArray(s, suVSWR, suMRho);
  EXPECT_DOUBLE_EQ(s[0], 0.0);
  EXPECT_DOUBLE_EQ(s[1], 500.0);

  TrsDynDouble d{-20.0, 0.0};
  ConvertArray(d, suReturnLoss, suVSWR);
  EXPECT_NEAR(d[0], 1.2222222222, 1e-9);
  EXPECT_DOUBLE_EQ(d[1], 999.0);

  TrsDynDouble same{-3.0, -4.0};
  ConvertArray(same, suReturnLoss, suCableLoss);
  EXPECT_EQ(same, (TrsDynDouble{-3.0, -4.0}));
}

TEST(ConvertArray, ARangeErrorLeavesEveryElement) {
  const TrsDynDouble before{-20.0, -10.0, 0.5, -30.0};
  TrsDynDouble a = before;
  EXPECT_THROW(ConvertArray(a, suReturnLoss, suVSWR), EmoxRhoRangeErr);
  EXPECT_EQ(a, before);

  const TrsDynDouble vswr{1.5, 2.0, -3.0, 1.1};
  for (int to : {suRho, suMRho, suReturnLoss}) {
    TrsDynDouble v = vswr;
    EXPECT_THROW(ConvertArray(v, suVSWR, to), EmoxRhoRangeErr) << to;
    EXPECT_EQ(v, vswr) << to;
  }
  TrsDynDouble m{100.0, 200.0};
  ConvertArray(m, suMRho, suRho);
  EXPECT_NEAR(m[1], 0.2, 1e-15);
}

TEST(ConvertDistanceUnits, ScalesDistancesAndLossInOppositeWays) {
  TTraceData t;
  t.DistAxis = {0.0, 50.0, 100.0};
  t.StartDist = 10.0F;
  t.StopDist = 100.0F;
  t.MaxDist = 200.0F;
  t.Loss = 0.1F;
  ConvertDistanceUnits(t, duFeet, duMeters);
  EXPECT_NEAR(t.DistAxis[2], 30.48, 1e-12);
  EXPECT_NEAR(t.StopDist, 30.48F, 1e-4);
  EXPECT_NEAR(t.StartDist, 3.048F, 1e-5);
  EXPECT_NEAR(t.MaxDist, 60.96F, 1e-4);
  EXPECT_NEAR(t.Loss, 0.32808F, 1e-5);
  ConvertDistanceUnits(t, duMeters, duFeet);
  EXPECT_NEAR(t.DistAxis[1], 50.0, 1e-12);
  EXPECT_NEAR(t.Loss, 0.1F, 1e-6);
  const TTraceData before = t;
  ConvertDistanceUnits(t, duFeet, duFeet);
  ConvertDistanceUnits(t, duMeters, 7);
  EXPECT_EQ(t.DistAxis, before.DistAxis);
  EXPECT_EQ(t.Loss, before.Loss);
}

} // namespace
} // namespace korv
