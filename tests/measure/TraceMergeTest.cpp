// Traces joining a document: append in the document's unit, widened axes,
// names for new windows.
#include <gtest/gtest.h>

#include "core/Excption.h"
#include "measure/Convert.h"
#include "measure/TraceMerge.h"

using namespace korv;

namespace {
TTraceData Trace(double f0, double f1, double value) {
  TTraceData t;
  t.NumPoints = 11;
  for (int j = 0; j < 11; ++j) {
    t.Freq.push_back(f0 + (f1 - f0) * j / 10);
    t.Mag.push_back(value);
    t.Angle.push_back(0.0);
  }
  return t;
}
} // namespace

TEST(TraceMerge, AppendConvertsAndRefusesTheFifteenth) {
  TTraceDoc d;
  d.ScaleUnit = suVSWR;
  const int i = AppendTrace(d, Trace(100.0, 200.0, -20.0), suReturnLoss, duMeters);
  EXPECT_EQ(i, 0);
  EXPECT_NEAR(d.Traces[0].Mag[3], RhoToVswr(0.1), 1e-9);
  EXPECT_EQ(d.MaxPoints, 11);
  for (int k = 1; k < kMaxTraces; ++k)
    AppendTrace(d, Trace(100.0, 200.0, 1.5), suVSWR, duMeters);
  EXPECT_EQ(d.TraceCount(), kMaxTraces);
  EXPECT_THROW(AppendTrace(d, Trace(100.0, 200.0, 1.5), suVSWR, duMeters), EmoxTooManyTracesError);
  // A value the unit cannot take leaves the document as it was.
  TTraceDoc rl;
  rl.ScaleUnit = suVSWR;
  EXPECT_THROW(AppendTrace(rl, Trace(100.0, 200.0, 3.0), suReturnLoss, duMeters), Exception);
  EXPECT_EQ(rl.TraceCount(), 0);
}

TEST(TraceMerge, ManualRangesWidenAutomaticOnesStay) {
  TTraceDoc target;
  target.PlotMode = pmFrequency;
  target.AddTrace(Trace(100.0, 200.0, -10.0));
  target.AddTrace(Trace(50.0, 300.0, -30.0));
  target.FreqScale = TScaleGroup{1, 1, 120.0, 180.0, -12.0, -8.0}; // X and Y manual
  target.CurScale = target.FreqScale;
  target.CurScale.Flag1 = target.CurScale.Flag2 = 1;
  TTraceDoc source;
  WidenScaleGroups(target, source); // the source's scales are automatic
  EXPECT_DOUBLE_EQ(target.FreqScale.XMin, 50.0 - 0.02 * 250.0);
  EXPECT_DOUBLE_EQ(target.FreqScale.XMax, 300.0 + 0.02 * 250.0);
  EXPECT_DOUBLE_EQ(target.FreqScale.YMin, -30.0 - 2.0);
  EXPECT_DOUBLE_EQ(target.FreqScale.YMax, -8.0); // already above the data
  EXPECT_DOUBLE_EQ(target.CurScale.XMin, target.FreqScale.XMin);
  // Both manual: the union of the two ranges.
  source.FreqScale = TScaleGroup{1, 0, 0.0, 1000.0, 0.0, 0.0};
  WidenScaleGroups(target, source);
  EXPECT_DOUBLE_EQ(target.FreqScale.XMin, 0.0);
  EXPECT_DOUBLE_EQ(target.FreqScale.XMax, 1000.0);
  // An automatic target axis stays automatic and untouched.
  EXPECT_EQ(target.DistScale.Flag1, 0);
  EXPECT_DOUBLE_EQ(target.DistScale.XMax, 0.0);
}

TEST(TraceMerge, WindowNamesFromLabels) {
  EXPECT_EQ(WindowNameFromLabel("a/b:c"), "abc");
  EXPECT_EQ(WindowNameFromLabel("\"*./:<>?\\|"), "Untitled");
  EXPECT_EQ(WindowNameFromLabel("Sector Alpha feed, antenna one"), "Sector Alpha feed, a");
  EXPECT_EQ(UniqueDocumentName("abc", [](const std::string &) { return false; }), "abc.kdt");
  EXPECT_EQ(UniqueDocumentName("abc", [](const std::string &n) { return n == "abc.kdt" || n == "abc(1).kdt"; }),
            "abc(2).kdt");
}
