#include <gtest/gtest.h>

#include "core/Excption.h"
#include "core/MOXDoc.h"

using namespace korv;

namespace {
TTraceData GridTrace(std::vector<double> f) {
  TTraceData t;
  t.Freq = std::move(f);
  t.NumPoints = static_cast<int>(t.Freq.size());
  for (std::size_t i = 0; i < t.Freq.size(); ++i) {
    t.Mag.push_back(static_cast<double>(i));
    t.Angle.push_back(10.0 * static_cast<double>(i));
  }
  return t;
}
std::vector<double> Grid(double f0, double step, int n) {
  std::vector<double> v;
  for (int i = 0; i < n; ++i)
    v.push_back(f0 + step * i);
  return v;
}
} // namespace

TEST(Document, FourteenTraceLimit) {
  TmoxDocument doc;
  EXPECT_EQ(doc.Doc.TraceCount(), 1);
  while (!doc.Doc.IsFull())
    doc.Doc.AddTrace();
  EXPECT_EQ(doc.Doc.TraceCount(), 14);
  try {
    doc.Doc.AddTrace();
    FAIL();
  } catch (const EmoxTooManyTracesError &e) {
    EXPECT_STREQ(e.what(), kMsgTooManyTraces);
  }
  EXPECT_EQ(doc.Doc.TraceCount(), 14);
}

TEST(Document, CopiesAreIndependent) {
  TTraceDoc a;
  a.AddTrace(GridTrace(Grid(100, 1, 3)));
  TTraceDoc b = a;
  b.Traces[0].Mag[0] = 42;
  EXPECT_EQ(a.Traces[0].Mag[0], 0.0);
}

TEST(TraceChecks, GridAndOrderRepair) {
  auto t = GridTrace(Grid(100.0, 0.5, 21));
  EXPECT_NO_THROW(CheckTraceGrid(t));
  t.Freq[1] += 0.03;
  EXPECT_THROW(CheckTraceGrid(t), EmoxIOInvalidTraceError);
  EXPECT_THROW(CheckTraceGrid(GridTrace({5.0, 5.0})), EmoxIOInvalidTraceError);
  EXPECT_THROW(CheckTraceGrid(GridTrace({5.0})), EmoxIOInvalidTraceError);

  // Delivered as 110.0, 100.0, 100.5, ..., 109.5: the first point goes to the end.
  auto f = Grid(100.0, 0.5, 20);
  f.insert(f.begin(), 110.0);
  auto r = GridTrace(f);
  RepairFrequencyOrder(r);
  EXPECT_EQ(r.Freq.front(), 100.0);
  EXPECT_EQ(r.Freq.back(), 110.0);
  EXPECT_EQ(r.Mag.back(), 0.0); // the magnitude moved with its frequency
  EXPECT_NO_THROW(CheckTraceGrid(r));

  // Rotated the other way: the last point goes to the front.
  auto g = Grid(100.5, 0.5, 20);
  g.push_back(100.0);
  auto s = GridTrace(g);
  RepairFrequencyOrder(s);
  EXPECT_EQ(s.Freq.front(), 100.0);
  EXPECT_EQ(s.Angle.front(), 200.0);
}

TEST(Document, DerivedFieldsTrustOnlyTheArrays) {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  TTraceData t = GridTrace(Grid(1000.0, 1.0, 11));
  t.NumPoints = 5000; // more than the arrays hold
  doc.UpdateTraceDerived(t);
  EXPECT_FLOAT_EQ(t.StartFreqHz, 1e9F);
  EXPECT_FLOAT_EQ(t.FreqStepHz, 1e6F);
}

TEST(MaxDistance, ValuesAndGuards) {
  // 238 points over 300 MHz with Vp 0.88.
  const double step = 300e6 / 237;
  const double eps = 1.0 / (0.88 * 0.88);
  const double m = MaxDistance(238, false, eps, step);
  EXPECT_NEAR(m, 237 * (150e6 / (237 * step)) * 0.88, 1e-6);
  EXPECT_NEAR(MaxDistance(238, true, eps, step), m * 3.2808398950131233596, 1e-6);
  EXPECT_EQ(MaxDistance(1, false, eps, step), 1e12);
  EXPECT_EQ(MaxDistance(238, false, eps, 0.0), 1e12);
  EXPECT_EQ(MaxDistance(238, false, 0.0, step), 1e12);
  EXPECT_EQ(MaxDistance(238, false, 1.0, 1e-9), 1e12);
}

TEST(Markers, LoadAndWriteRules) {
  TTraceData t;
  t.FreqMarks[0].Reference = 6;
  t.FreqMarks[1].Reference = 9;
  t.FreqMarks[2].Reference = 3;
  t.DistMarks[0].Reference = 6;
  NormalizeLoadedMarkers(t, /*freq*/ 0, /*dist*/ 1);
  EXPECT_EQ(t.FreqMarks[0].Reference, 0); // limit line while its mode is off
  EXPECT_EQ(t.FreqMarks[1].Reference, 0);
  EXPECT_EQ(t.FreqMarks[2].Reference, 3);
  EXPECT_EQ(t.DistMarks[0].Reference, 6);
  TMarkerSet set{};
  set[0].DeltaOn = true;
  set[0].Reference = 2;
  set[1].Reference = 4;
  PrepareMarkersForWrite(set);
  EXPECT_EQ(set[0].Reference, 2);
  EXPECT_EQ(set[1].Reference, 7);
}

TEST(Scaling, SelectResetAndAutoScale) {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  doc.Doc.FreqScale = {1, 0, 1, 2, 3, 4};
  doc.Doc.DistScale = {0, 1, 5, 6, 7, 8};
  doc.Doc.PlotMode = pmDistance;
  doc.SelectScale();
  EXPECT_EQ(doc.Doc.CurScale, (TScaleGroup{1, 0, 5, 6, 7, 8}));
  doc.Doc.PlotMode = pmFrequency;
  doc.SelectScale();
  EXPECT_EQ(doc.Doc.CurScale, (TScaleGroup{0, 1, 1, 2, 3, 4}));
  doc.ResetScaling();
  EXPECT_EQ(doc.Doc.DistScale, TScaleGroup{});
  EXPECT_EQ(doc.Doc.CurScale, TScaleGroup{});

  // First load into an empty document.
  auto t = GridTrace(Grid(1000, 10, 101));
  t.StartDist = 0;
  t.StopDist = 50;
  doc.Doc.AddTrace(t);
  doc.AutoScaleAfterLoad(-30, -10, true);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqScale.YMin, -32);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqScale.YMax, -8);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqScale.XMin, 980);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqScale.XMax, 2020);
  EXPECT_DOUBLE_EQ(doc.Doc.DistScale.YMin, -80);
  EXPECT_DOUBLE_EQ(doc.Doc.DistScale.XMax, 51);
  EXPECT_EQ(doc.Doc.FreqScale.Flag2, 1);

  // A second load: a small overshoot widens, a large one does not.
  doc.AutoScaleAfterLoad(-40, -7, false); // span 24: -40 < -32-2.4; -7 is 1 above -8 (< 4)
  EXPECT_DOUBLE_EQ(doc.Doc.FreqScale.YMin, -40 - 2.4);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqScale.YMax, -7 + 2.4);
  const double before = doc.Doc.FreqScale.YMax;
  const double span = doc.Doc.FreqScale.YMax - doc.Doc.FreqScale.YMin;
  doc.AutoScaleAfterLoad(-30, before + span / 2, false);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqScale.YMax, before);

  // A placed limit line stays visible.
  doc.Doc.FreqLimitMode = 1;
  doc.Doc.FreqLimitValue = 5.0;
  doc.AutoScaleAfterLoad(-30, -10, true);
  EXPECT_DOUBLE_EQ(doc.Doc.FreqScale.YMax, 5.0 + 0.02 * (5.0 - (-32)));
}
