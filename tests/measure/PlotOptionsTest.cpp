// The options dialog's document rules: the working copy, the editing rules
// that tie controls together, and OK.
#include <gtest/gtest.h>

#include "measure/PlotOptions.h"

using namespace korv;

namespace {

// Two traces of 11 points, 1700 to 1800 MHz; marker 1 of trace 0 at point 2
// with a delta to the limit line, marker 2 at point 5.
TTraceDoc TwoTraces() {
  TTraceDoc d;
  d.PlotMode = pmFrequency;
  for (int i = 0; i < 2; ++i) {
    TTraceData t;
    t.NumPoints = 11;
    t.Label = i == 0 ? "North" : "";
    t.Title = i == 0 ? "" : "South feed";
    for (int j = 0; j < 11; ++j) {
      t.Freq.push_back(1700.0 + 10.0 * j);
      t.Mag.push_back(-20.0 - j);
    }
    for (auto &m : t.ActiveMarks)
      m.Point = -1, m.Visible = 0;
    d.AddTrace(t);
  }
  TMarkerSlot &m1 = d.Traces[0].ActiveMarks[0];
  m1.Point = 2, m1.Visible = 1, m1.DeltaOn = true, m1.Reference = kDeltaChoiceLimit;
  TMarkerSlot &m2 = d.Traces[0].ActiveMarks[1];
  m2.Point = 5, m2.Visible = 1, m2.Style = 1;
  d.FreqLimitValue = -25.0;
  d.FreqLimitMode = 1;
  return d;
}

std::function<std::vector<double>(int)> FreqOf(const TTraceDoc &d) {
  return [&d](int i) { return std::vector<double>(d.Traces[i].Freq.begin(), d.Traces[i].Freq.end()); };
}

TPlotOptions Open(const TTraceDoc &d, int active = 0) {
  TPlotOptions o;
  o.Activate(&d, active, FreqOf(d), {true, 1700.0, 1800.0, false}, {false, -50.0, 0.0, false}, true, true);
  return o;
}

} // namespace

TEST(PlotOptions, ActivationReadsTheDocument) {
  const TTraceDoc d = TwoTraces();
  const TPlotOptions o = Open(d, 0);
  EXPECT_EQ(o.Access(), TOptionsAccess::Full);
  EXPECT_EQ(o.TraceNames(), (std::vector<std::string>{"North", "South feed"}));
  EXPECT_EQ(o.Markers()[0].Location, "1720.000");
  EXPECT_TRUE(o.Markers()[0].DeltaOn);
  EXPECT_EQ(o.Markers()[0].Delta, kDeltaChoiceLimit);
  EXPECT_EQ(o.Markers()[1].Delta, kDeltaChoiceOff);
  EXPECT_EQ(o.Markers()[1].Type, 1);
  EXPECT_EQ(o.Markers()[2].Location, ""); // never placed
  // Files keep a never-placed marker as hidden at the first point.
  TTraceDoc stored = TwoTraces();
  stored.Traces[0].ActiveMarks[2].Point = 0;
  EXPECT_EQ(Open(stored).Markers()[2].Location, "");
  EXPECT_EQ(o.LimitText(), "-25.000");
  EXPECT_TRUE(o.LimitVisible());
  EXPECT_TRUE(o.OffersCableLoss());

  // No active trace: the last one is selected. The distance view offers no
  // cable loss, and a cable-loss document shows the first item there.
  TTraceDoc dist = TwoTraces();
  dist.PlotMode = pmDistance;
  dist.ScaleUnit = suCableLoss;
  const TPlotOptions od = Open(dist, -1);
  EXPECT_EQ(od.SelectedTrace(), 1);
  EXPECT_FALSE(od.OffersCableLoss());
  EXPECT_EQ(od.MatchUnit(), 0);
  EXPECT_EQ(od.LimitText(), ""); // the distance limit was never placed
  EXPECT_FALSE(od.LimitVisibleEnabled());

  TPlotOptions none;
  none.Activate(nullptr, -1, FreqOf(d), {}, {}, true, true);
  EXPECT_EQ(none.Access(), TOptionsAccess::NoDocument);
  EXPECT_EQ(none.TraceNames(), std::vector<std::string>{"Not Available"});
  TTraceDoc smith = TwoTraces();
  smith.PlotMode = pmSmith;
  EXPECT_EQ(Open(smith).Access(), TOptionsAccess::Smith);
}

TEST(PlotOptions, EditingRulesTieTheControlsTogether) {
  const TTraceDoc d = TwoTraces();
  TPlotOptions o = Open(d);
  o.SelectTrace(1);
  // A delta to a marker that has no location places that marker at "0".
  o.ChooseDelta(3, 4);
  EXPECT_TRUE(o.Markers()[3].Visible);
  EXPECT_EQ(o.Markers()[4].Location, "0");
  EXPECT_TRUE(o.Markers()[4].Visible);
  // A delta to the limit line shows the line.
  o.EditLimit("");
  EXPECT_FALSE(o.LimitVisible());
  EXPECT_FALSE(o.LimitVisibleEnabled());
  o.ChooseDelta(0, kDeltaChoiceLimit);
  EXPECT_TRUE(o.LimitVisible());
  // Typing a location shows the marker, clearing it hides it.
  o.EditLocation(5, "1750");
  EXPECT_TRUE(o.Markers()[5].Visible);
  o.EditLocation(5, "");
  EXPECT_FALSE(o.Markers()[5].Visible);
  // Switching traces keeps each trace's entries.
  o.SelectTrace(0);
  EXPECT_EQ(o.Markers()[4].Location, "");
  EXPECT_EQ(o.MarkersOf(1)[4].Location, "0");
  // Titles: typing checks the box; labels are cut to 50.
  o.EditTitle(false, "Site 7");
  EXPECT_TRUE(o.Title().Checked);
  o.SetTraceLabels({std::string(60, 'x'), "b", "ignored"});
  EXPECT_EQ(o.TraceLabels()[0].size(), 50U);
  EXPECT_EQ(o.TraceLabels().size(), 2U);
  // Help context by page: each page its own topic.
  EXPECT_EQ(OptionsPageHelpContext(TOptionsPage::Markers), 4200);
  EXPECT_EQ(OptionsPageHelpContext(TOptionsPage::Graph), 4210);
  EXPECT_EQ(OptionsPageHelpContext(TOptionsPage::Defaults), 4250);
}

TEST(PlotOptions, OkWritesMarkersLimitScalesTitlesAndLabels) {
  TTraceDoc d = TwoTraces();
  TPlotOptions o = Open(d);
  // Cleared M1: hidden, its delta reset. M2 moved to the nearer point of
  // 1764 (1760), M3 placed by a typed location at the end of the trace.
  o.EditLocation(0, "");
  o.EditLocation(1, "1764");
  o.EditLocation(2, "5000");
  o.EditLimit("");
  o.EditScale(true, true, 1790.0, 1710.0); // Max below Min
  o.EditTitle(true, "Sector A");
  o.SetTraceLabels({"North", "Diversity"});
  ASSERT_FALSE(o.Validate().has_value());
  int activeMarker = 0;
  const TOptionsOutcome out = o.MakeChanges(d, 0, activeMarker, FreqOf(d));
  const TMarkerSet &m = d.Traces[0].ActiveMarks;
  EXPECT_EQ(m[0].Visible, 0);
  EXPECT_FALSE(m[0].DeltaOn);
  EXPECT_EQ(m[0].Reference, 0);
  EXPECT_EQ(m[1].Point, 6);
  EXPECT_EQ(m[1].Style, 1);
  EXPECT_EQ(m[2].Point, 10);
  EXPECT_EQ(m[2].Visible, 1);
  EXPECT_EQ(activeMarker, -1);
  EXPECT_TRUE(out.ActiveMarkerHidden);
  // An empty "Y:" is the never-placed value: Limit Line then waits for a click.
  EXPECT_EQ(d.FreqLimitValue, kUnplacedLimit);
  EXPECT_EQ(d.FreqLimitMode, 0);
  ASSERT_TRUE(out.X.has_value());
  EXPECT_EQ(out.X->Min, 1710.0);
  EXPECT_EQ(out.X->Max, 1790.0);
  EXPECT_EQ(d.SubTitle, "Sector A");
  EXPECT_EQ(d.SubTitleFixed, 1);
  EXPECT_EQ(d.Traces[1].Label.str(), "Diversity");
  EXPECT_EQ(d.Traces[1].Title.str(), "Diversity");
  EXPECT_TRUE(out.Modified);
  EXPECT_FALSE(out.DisplayUnit.has_value());
}

TEST(PlotOptions, UnitChangesAndTitlesLetGo) {
  TTraceDoc d = TwoTraces();
  d.MainTitle = "Mine";
  d.MainTitleFixed = 1;
  TPlotOptions o = Open(d);
  o.ChooseMatchUnit(suVSWR);
  o.SetTitleChecked(false, false);
  int active = -1;
  const TOptionsOutcome out = o.MakeChanges(d, 0, active, FreqOf(d));
  EXPECT_EQ(out.DisplayUnit, std::optional<int>(suVSWR));
  // The Y range the user did not touch is left to the unit change.
  EXPECT_FALSE(out.Y.has_value());
  EXPECT_TRUE(out.X.has_value());
  EXPECT_TRUE(out.RenewMainTitle);
  EXPECT_EQ(d.MainTitleFixed, 0);

  // The first item in the distance view of a cable-loss document is no change.
  TTraceDoc dist = TwoTraces();
  dist.PlotMode = pmDistance;
  dist.ScaleUnit = suCableLoss;
  TPlotOptions od = Open(dist);
  od.ChooseMatchUnit(0);
  EXPECT_FALSE(od.MakeChanges(dist, 0, active, FreqOf(dist)).DisplayUnit.has_value());
}

TEST(PlotOptions, ABadNumberRefusesOkAndChangesNothing) {
  TTraceDoc d = TwoTraces();
  const TTraceDoc before = d;
  TPlotOptions o = Open(d);
  o.EditLocation(1, "1750");
  o.SelectTrace(1);
  o.EditLocation(3, "17x0");
  const auto failure = o.Validate();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->Trace, 1);
  EXPECT_EQ(failure->Marker, 3);
  EXPECT_EQ(d.Traces[0].ActiveMarks, before.Traces[0].ActiveMarks);
  o.EditLocation(3, "1750");
  o.EditLimit("-2O");
  const auto limit = o.Validate();
  ASSERT_TRUE(limit.has_value());
  EXPECT_EQ(limit->Marker, TOptionsFailure::kLimitField);
  EXPECT_EQ(limit->Message(), "Limit line Y: \"-2O\" is not a number.");
}

TEST(PlotOptions, AxisFieldsMustBeWholeNumbers) {
  TTraceDoc d = TwoTraces();
  TPlotOptions o = Open(d);
  // A letter O for a zero, an exponent beyond any double: refused, named.
  o.EditScaleText(false, true, "-4O", "0");
  auto failure = o.Validate();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->Scale, 2);
  EXPECT_EQ(failure->Message(), "Y Axis Min: \"-4O\" is not a number.");
  o.EditScaleText(false, true, "-40", "1e400");
  failure = o.Validate();
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->Field, "Y Axis Max");
  // An automatic axis does not read its fields.
  o.EditScaleText(false, false, "-40", "1e400");
  EXPECT_FALSE(o.Validate().has_value());
  o.EditScaleText(false, true, " -40 ", "-1e1");
  EXPECT_FALSE(o.Validate().has_value());
  int active = -1;
  const TOptionsOutcome out = o.MakeChanges(d, 0, active, FreqOf(d));
  ASSERT_TRUE(out.Y.has_value());
  EXPECT_TRUE(out.Y->Manual);
  EXPECT_DOUBLE_EQ(out.Y->Min, -40.0);
  EXPECT_DOUBLE_EQ(out.Y->Max, -10.0);
}

TEST(PlotOptions, PointForXTakesTheNearerNeighbour) {
  const std::vector<double> x{100, 110, 120, 130};
  EXPECT_EQ(PointForX(x, 104.9), 0);
  EXPECT_EQ(PointForX(x, 105.0), 0); // a tie goes to the lower
  EXPECT_EQ(PointForX(x, 105.1), 1);
  EXPECT_EQ(PointForX(x, -1e9), 0);
  EXPECT_EQ(PointForX(x, 1e9), 3);
  EXPECT_EQ(PointForX({5.0}, 7.0), 0);
}
