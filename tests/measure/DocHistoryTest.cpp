// The document history's checkpoint: which changes make a step, and that a
// step keeps the documents on both sides of it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "measure/DocHistory.h"

using namespace korv;

namespace {
TmoxDocument TwoTraces() {
  TmoxDocument doc(TmoxDocument::EmptyTag{});
  for (int k = 0; k < 2; ++k) {
    TTraceData t;
    t.NumPoints = 3;
    t.Freq = {100.0, 150.0, 200.0};
    t.Mag = {-10.0, -20.0 - k, -15.0};
    t.Angle = {0.0, 10.0, 20.0};
    t.Label = "Sector";
    doc.Doc.AddTrace(t);
  }
  return doc;
}
} // namespace

TEST(DocHistory, EveryKindOfContentChangeIsSeen) {
  const TmoxDocument base = TwoTraces();
  EXPECT_TRUE(SameDocumentContent(base, TwoTraces()));
  const auto differs = [&](auto change) {
    TmoxDocument d = base;
    change(d);
    return !SameDocumentContent(base, d);
  };
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.Traces[1].Mag[2] = -15.5; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.Traces[0].ActiveMarks[3].Point = 2; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.Traces[0].DistMarks[0].Visible = 1; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.Traces[0].Label = "Renamed"; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.Traces[0].Loss = 0.25F; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.Traces.Delete(0); }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.ScaleUnit = suVSWR; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.FreqLimitValue = -14.0; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.CurScale.YMax = 3.0; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.PlotMode = pmSmith; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.Doc.GPSData[4] = "N 59"; }));
  EXPECT_TRUE(differs([](TmoxDocument &d) { d.VantorSettings.DtfPairs.emplace_back(1.0, 2.0); }));
  // No content: the modified flag and the slot of the next new marker.
  EXPECT_FALSE(differs([](TmoxDocument &d) { d.Doc.Modified = 1; }));
  EXPECT_FALSE(differs([](TmoxDocument &d) { d.Doc.Traces[1].NextMarkSlot = 4; }));
}

TEST(DocHistory, NotANumberEqualsItselfSoNoEmptyStepIsMade) {
  TmoxDocument a = TwoTraces();
  a.Doc.Traces[0].Mag[1] = std::numeric_limits<double>::quiet_NaN();
  const TmoxDocument b = a;
  EXPECT_TRUE(SameDocumentContent(a, b));
  TDocCheckpoint c;
  c.Reset(a);
  EXPECT_FALSE(c.Take(b).has_value());
}

TEST(DocHistory, StepsChainAndKeepBothSides) {
  TmoxDocument doc = TwoTraces();
  TDocCheckpoint c;
  c.Reset(doc);
  EXPECT_FALSE(c.Take(doc).has_value());
  doc.Doc.Traces[0].ActiveMarks[0].Point = 1;
  const auto first = c.Take(doc);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->Before->Doc.Traces[0].ActiveMarks[0].Point, 0);
  EXPECT_EQ(first->After->Doc.Traces[0].ActiveMarks[0].Point, 1);
  doc.Doc.Traces.Delete(1);
  const auto second = c.Take(doc);
  ASSERT_TRUE(second.has_value());
  // The second step starts where the first ended, sharing its document.
  EXPECT_EQ(second->Before.get(), first->After.get());
  EXPECT_EQ(second->After->Doc.TraceCount(), 1);
  // Later changes to the live document never reach a recorded state.
  doc.Doc.Traces[0].Mag[0] = 5.0;
  EXPECT_EQ(second->After->Doc.Traces[0].Mag[0], -10.0);
  // Back to an older state: the next change is measured from it.
  c.MoveTo(first->Before);
  TmoxDocument restored = *first->Before;
  EXPECT_FALSE(c.Take(restored).has_value());
}
