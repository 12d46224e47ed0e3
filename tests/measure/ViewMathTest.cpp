// The numbers behind the views: cable-loss series, Smith coordinates,
// automatic ranges and the document-wide change of unit.
#include <gtest/gtest.h>

#include "core/Excption.h"
#include "measure/Convert.h"
#include "measure/ViewMath.h"

using namespace korv;

namespace {
TTraceData Trace(int n, double f0, double f1, double (*mag)(int)) {
  TTraceData t;
  t.NumPoints = n;
  for (int j = 0; j < n; ++j) {
    t.Freq.push_back(n > 1 ? f0 + (f1 - f0) * j / (n - 1) : f0);
    t.Mag.push_back(mag(j));
    t.Angle.push_back(0.0);
  }
  return t;
}
TmoxDocument Doc(std::initializer_list<TTraceData> traces, int unit) {
  TmoxDocument d(TmoxDocument::EmptyTag{});
  d.Doc.ScaleUnit = static_cast<std::uint8_t>(unit);
  for (const auto &t : traces)
    d.Doc.AddTrace(t);
  return d;
}
} // namespace

TEST(CableLossSeries, TenPointWindowSlidesFromFirstToLast) {
  TrsDynDouble ramp;
  for (int j = 0; j < 100; ++j)
    ramp.push_back(j);
  const std::vector<float> y = CableLossSeries(ramp, 100);
  ASSERT_EQ(y.size(), 100U);
  EXPECT_FLOAT_EQ(y[0], 0.05F * 45.0F);   // points 0..9
  EXPECT_FLOAT_EQ(y[99], 0.05F * 945.0F); // points 90..99
  for (std::size_t j = 1; j < y.size(); ++j)
    EXPECT_GE(y[j], y[j - 1]);
  // Short traces average what they have; nothing is read past the data.
  const std::vector<float> shortOne = CableLossSeries(TrsDynDouble{2.0, 2.0, 2.0, 2.0}, 4);
  for (float v : shortOne)
    EXPECT_FLOAT_EQ(v, 1.0F);
  EXPECT_TRUE(CableLossSeries(ramp, 0).empty());
  EXPECT_EQ(CableLossSeries(TrsDynDouble{1.0, 1.0}, 50).size(), 2U);
}

TEST(SmithImpedance, KnownPointsOfTheChart) {
  auto z = SmithImpedance(0.5, suRho, 0.0);
  ASSERT_TRUE(z);
  EXPECT_NEAR(z->R, 3.0, 1e-9);
  EXPECT_NEAR(z->X, 0.0, 1e-9);
  z = SmithImpedance(0.5, suRho, 180.0);
  ASSERT_TRUE(z);
  EXPECT_NEAR(z->R, 1.0 / 3.0, 1e-9);
  z = SmithImpedance(500.0, suMRho, 90.0); // (1 + 0.5j) / (1 - 0.5j)
  ASSERT_TRUE(z);
  EXPECT_NEAR(z->R, 0.6, 1e-9);
  EXPECT_NEAR(z->X, 0.8, 1e-9);
  z = SmithImpedance(-100.0, suReturnLoss, 33.0); // a match: the centre
  ASSERT_TRUE(z);
  EXPECT_NEAR(z->R, 1.0, 1e-3);
  EXPECT_NEAR(z->X, 0.0, 1e-3);
  EXPECT_FALSE(SmithImpedance(0.5, suVSWR, 0.0));        // no VSWR below 1
  EXPECT_FALSE(SmithImpedance(3.0, suReturnLoss, 10.0)); // no return loss above 0 dB
}

TEST(AutoScale, RangesTakeInEveryPointWithRoom) {
  TmoxDocument d = Doc({Trace(11, 100.0, 200.0, [](int j) { return -30.0 + 2.0 * j; })}, suReturnLoss);
  d.Doc.PlotMode = pmFrequency;
  auto x = AutoScaleXRange(d.Doc);
  ASSERT_TRUE(x);
  EXPECT_DOUBLE_EQ(x->Min, 95.0);
  EXPECT_DOUBLE_EQ(x->Max, 205.0);
  auto y = AutoScaleYRange(d.Doc);
  ASSERT_TRUE(y);
  EXPECT_DOUBLE_EQ(y->Min, -32.0);
  EXPECT_DOUBLE_EQ(y->Max, -8.0);
  // A shown limit line above the data gets room.
  d.Doc.FreqLimitMode = 1;
  d.Doc.FreqLimitValue = -2.0;
  y = AutoScaleYRange(d.Doc);
  EXPECT_GT(y->Max, -2.0);
  // A hidden one does not.
  d.Doc.FreqLimitMode = 0;
  EXPECT_DOUBLE_EQ(AutoScaleYRange(d.Doc)->Max, -8.0);
  // VSWR never goes below 1.
  TmoxDocument v = Doc({Trace(3, 1.0, 2.0, [](int) { return 0.5; })}, suVSWR);
  v.Doc.PlotMode = pmFrequency;
  EXPECT_GE(AutoScaleYRange(v.Doc)->Min, 0.98);
  // Nothing to scale.
  TmoxDocument empty = Doc({}, suReturnLoss);
  EXPECT_FALSE(AutoScaleXRange(empty.Doc));
  EXPECT_FALSE(AutoScaleYRange(empty.Doc));
}

TEST(ConvertDocumentUnit, AllOrNothing) {
  TmoxDocument d =
      Doc({Trace(5, 1.0, 2.0, [](int j) { return -20.0 - j; }), Trace(5, 1.0, 2.0, [](int) { return -6.0; })},
          suReturnLoss);
  d.Doc.PlotMode = pmFrequency;
  d.Doc.Traces[0].DistMag = {-40.0, -30.0};
  d.Doc.FreqLimitValue = -10.0;
  d.Doc.CurScale.Flag1 = 1;
  ConvertDocumentUnit(d.Doc, suVSWR);
  EXPECT_EQ(d.Doc.ScaleUnit, suVSWR);
  EXPECT_NEAR(d.Doc.Traces[0].Mag[0], RhoToVswr(0.1), 1e-9);
  EXPECT_NEAR(d.Doc.Traces[0].DistMag[0], RhoToVswr(0.01), 1e-9);
  EXPECT_NEAR(d.Doc.FreqLimitValue, RhoToVswr(ReturnLossToRho(-10.0)), 1e-9);
  EXPECT_EQ(d.Doc.CurScale.Flag1, 0); // back to automatic Y

  // One impossible value (a gain) refuses the change for every trace.
  TmoxDocument bad = Doc(
      {Trace(3, 1.0, 2.0, [](int) { return -10.0; }), Trace(3, 1.0, 2.0, [](int j) { return j == 2 ? 5.0 : -10.0; })},
      suReturnLoss);
  bad.Doc.PlotMode = pmFrequency;
  EXPECT_THROW(ConvertDocumentUnit(bad.Doc, suVSWR), Exception);
  EXPECT_EQ(bad.Doc.ScaleUnit, suReturnLoss);
  EXPECT_DOUBLE_EQ(bad.Doc.Traces[0].Mag[0], -10.0);
}

TEST(ConvertDocumentUnit, BothLimitLinesAndTheCableLossView) {
  TmoxDocument d = Doc({Trace(20, 1.0, 2.0, [](int j) { return -30.0 + 0.5 * j; })}, suReturnLoss);
  d.Doc.PlotMode = pmFrequency;
  d.Doc.FreqLimitMode = 1;
  d.Doc.FreqLimitValue = -14.0;
  d.Doc.DistLimitMode = 0; // hidden but placed: shown again later
  d.Doc.DistLimitValue = -20.0;
  ConvertDocumentUnit(d.Doc, suVSWR);
  EXPECT_NEAR(d.Doc.FreqLimitValue, RhoToVswr(ReturnLossToRho(-14.0)), 1e-9);
  EXPECT_NEAR(d.Doc.DistLimitValue, RhoToVswr(ReturnLossToRho(-20.0)), 1e-9);
  // The cable-loss view shows half the return loss: its limit line and its
  // automatic range are in that unit; the distance view stays return loss.
  ConvertDocumentUnit(d.Doc, suCableLoss);
  EXPECT_NEAR(d.Doc.FreqLimitValue, -7.0, 1e-9);
  EXPECT_NEAR(d.Doc.DistLimitValue, -20.0, 1e-9);
  d.Doc.FreqLimitMode = 0;
  const auto y = AutoScaleYRange(d.Doc);
  ASSERT_TRUE(y);
  // The loss series runs from -13.875 to -11.375 (return loss -30 to -20.5).
  EXPECT_NEAR(y->Min, -13.875 - 0.25, 1e-5);
  EXPECT_NEAR(y->Max, -11.375 + 0.25, 1e-5);
  // An unplaced line stays unplaced.
  d.Doc.FreqLimitValue = kUnplacedLimit;
  ConvertDocumentUnit(d.Doc, suReturnLoss);
  EXPECT_EQ(d.Doc.FreqLimitValue, kUnplacedLimit);
  EXPECT_NEAR(d.Doc.DistLimitValue, -20.0, 1e-9);
}

TEST(RecordedYRange, AnAutomaticAxisRecordsWhatItShows) {
  TmoxDocument d = Doc({Trace(11, 100.0, 200.0, [](int j) { return -30.0 + 2.0 * j; })}, suReturnLoss);
  d.Doc.FreqScale = TScaleGroup{0, 0, 0.0, 0.0, 0.0, 0.0};
  auto r = RecordedYRange(d.Doc, false);
  ASSERT_TRUE(r);
  EXPECT_DOUBLE_EQ(r->Min, -32.0);
  EXPECT_DOUBLE_EQ(r->Max, -8.0);
  d.Doc.FreqScale = TScaleGroup{0, 1, 0.0, 0.0, -50.0, 0.0};
  r = RecordedYRange(d.Doc, false);
  EXPECT_DOUBLE_EQ(r->Min, -50.0);
  d.Doc.FreqScale.YMax = -50.0; // manual but empty
  EXPECT_DOUBLE_EQ(RecordedYRange(d.Doc, false)->Max, -8.0);
  EXPECT_FALSE(RecordedYRange(d.Doc, true)); // no distance data
}
