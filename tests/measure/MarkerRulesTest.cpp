// Marker geometry, readouts, keys and the Add Marker command.
#include <gtest/gtest.h>

#include "measure/MarkerRules.h"

using namespace korv;

namespace {
TPlotted Line(int n, double x0, double dx, double (*y)(int)) {
  TPlotted t;
  for (int j = 0; j < n; ++j) {
    t.X.push_back(x0 + dx * j);
    t.Y.push_back(y(j));
  }
  return t;
}
TMarkerSet Marks(std::initializer_list<std::pair<int, int>> visibleAt) {
  TMarkerSet m{};
  for (auto &s : m)
    s.Point = -1, s.Visible = 0;
  for (auto [slot, point] : visibleAt) {
    m[static_cast<std::size_t>(slot)].Visible = 1;
    m[static_cast<std::size_t>(slot)].Point = point;
  }
  return m;
}
} // namespace

TEST(MarkerGeometry, PointIndexAndNearestPoint) {
  EXPECT_EQ(PointIndexOf(105.0, 100.0, 110.0, 50), 0);
  EXPECT_EQ(PointIndexOf(119.9, 100.0, 110.0, 50), 1);
  EXPECT_EQ(PointIndexOf(-50.0, 100.0, 110.0, 50), 0);  // held at the first point
  EXPECT_EQ(PointIndexOf(1e9, 100.0, 110.0, 50), 49);   // and at the last
  EXPECT_EQ(PointIndexOf(100.0, 100.0, 100.0, 50), 49); // no spacing: the quotient is huge
  const TPlotted t = Line(11, 0.0, 1.0, [](int j) { return 1.0 * j; });
  EXPECT_EQ(NearestPointOf(3.4, 3.4, t.X, t.Y), 3);
  EXPECT_EQ(NearestPointOf(3.6, 3.6, t.X, t.Y), 4);
  EXPECT_EQ(NearestPointOf(99.0, 99.0, t.X, t.Y), 10); // the last point is reachable
  EXPECT_EQ(NearestPointOf(0.0, 0.0, {}, {}), -1);
}

TEST(MarkerGeometry, NearestTraceWithinSevenPixels) {
  // Graph units are pixels here: x as is, y flipped like a screen.
  const auto toPixel = [](double x, double y) { return std::pair<double, double>(x, 100.0 - y); };
  const auto toGraphX = [](double px) { return px; };
  const std::vector<TPlotted> traces{Line(101, 0.0, 1.0, [](int) { return 50.0; }),
                                     Line(101, 0.0, 1.0, [](int) { return 40.0; })};
  EXPECT_EQ(NearestTrace(30.0, 51.0, traces, toPixel, toGraphX), 0);   // 1 px from trace 1
  EXPECT_EQ(NearestTrace(30.0, 59.0, traces, toPixel, toGraphX), 1);   // 1 px from trace 2
  EXPECT_EQ(NearestTrace(30.0, 45.0, traces, toPixel, toGraphX), 0);   // 5 px from each: the lower index
  EXPECT_EQ(NearestTrace(30.0, 30.0, traces, toPixel, toGraphX), -1);  // 20 px from the nearest
  EXPECT_EQ(NearestTrace(30.0, 57.5, traces, toPixel, toGraphX), 1);   // 7.5 from 1, 2.5 from 2
  EXPECT_EQ(NearestTrace(130.0, 50.0, traces, toPixel, toGraphX), -1); // beyond the ends
}

TEST(AnnotationMap, GrowsByOneAndRefusesOtherIndexes) {
  TmoxGraphAnnotationArr map;
  map.SetTrace(0, 3);
  map.SetSlot(0, 5);
  map.SetSlot(1, 2); // appends
  EXPECT_EQ(map.Count(), 2);
  EXPECT_EQ(map.Trace(0), 3);
  EXPECT_EQ(map.Slot(0), 5);
  EXPECT_EQ(map.Slot(1), 2);
  EXPECT_THROW(map.Trace(2), EDynArrayTypeAccessError);
  EXPECT_THROW(map.SetTrace(3, 1), EDynArrayTypeAccessError);
  try {
    map.Slot(-1);
  } catch (const Exception &e) {
    EXPECT_STREQ(e.what(), "Dynamic GraphAnnotation Array: Index out of bounds");
  }
}

TEST(MarkerReadout, ValuesAndDeltasToMarkersAndTheLimit) {
  const TPlotted t = Line(10, 1700.0, 10.0, [](int j) { return -20.0 - j; });
  TMarkerSet m = Marks({{0, 2}, {2, 7}});
  EXPECT_EQ(MarkerReadout(t, m, 0, 0.0), "M1:(1720.00,-22.00)");
  EXPECT_EQ(MarkerReadout(t, m, 1, 0.0), ""); // hidden
  m[2].DeltaOn = true;
  m[2].Reference = 0;
  EXPECT_EQ(MarkerReadout(t, m, 2, 0.0), "M3:(1770.00,-27.00)  M3 - M1:(+50.00, -5.00)");
  m[0].Visible = 0; // a hidden reference still measures from its point
  EXPECT_EQ(MarkerReadout(t, m, 2, 0.0), "M3:(1770.00,-27.00)  M3 - M1:(+50.00, -5.00)");
  m[2].Reference = kRefLimitLine;
  EXPECT_EQ(MarkerReadout(t, m, 2, -15.0), "M3:(1770.00,-27.00)  M3 - Lim:(1770.00,-12.00)");
  const auto lines = ReadoutLines(t, m, -15.0);
  EXPECT_EQ(lines[0], "M3:(1770.00,-27.00)  M3 - Lim:(1770.00,-12.00)||");
  EXPECT_EQ(lines[2], "||");
  // A marker left of and above its reference reads negative X, positive Y;
  // above the limit reads positive.
  m[0].Visible = 1;
  m[0].DeltaOn = true;
  m[0].Reference = 2;
  EXPECT_EQ(MarkerReadout(t, m, 0, 0.0), "M1:(1720.00,-22.00)  M1 - M3:(-50.00, +5.00)");
  m[0].Reference = kRefLimitLine;
  EXPECT_EQ(MarkerReadout(t, m, 0, -25.0), "M1:(1720.00,-22.00)  M1 - Lim:(1720.00, +3.00)");
}

TEST(MarkerKeys, SpaceCyclesThroughVisibleMarkersThenNone) {
  const std::vector<TMarkerSet> one{Marks({{0, 1}, {2, 5}})};
  TMarkerPick p = NextMarkerBySpace(one, 0, 0);
  EXPECT_EQ(p.Trace, 0);
  EXPECT_EQ(p.Slot, 2);
  p = NextMarkerBySpace(one, p.Trace, p.Slot);
  EXPECT_EQ(p.Trace, -1);
  EXPECT_EQ(p.Slot, -1);
  // Over traces: from trace 1's last marker on to trace 2, wrapping.
  const std::vector<TMarkerSet> three{Marks({{4, 1}}), Marks({}), Marks({{1, 3}})};
  p = NextMarkerBySpace(three, 0, 4);
  EXPECT_EQ(p.Trace, 2);
  EXPECT_EQ(p.Slot, 1);
  EXPECT_EQ(NextMarkerBySpace({}, 0, 0).Trace, -1);
}

TEST(MarkerKeys, ArrowsStopAtTheEndsAndFindTheExtremes) {
  const TPlotted t = Line(5, 0.0, 1.0, [](int j) { return j == 3 ? 9.0 : j == 1 ? -9.0 : 0.0; });
  EXPECT_EQ(MovedPoint(TMarkerKey::Left, 0, t), 0);
  EXPECT_EQ(MovedPoint(TMarkerKey::Right, 4, t), 4);
  EXPECT_EQ(MovedPoint(TMarkerKey::Right, 2, t), 3);
  EXPECT_EQ(MovedPoint(TMarkerKey::Up, 0, t), 3);
  EXPECT_EQ(MovedPoint(TMarkerKey::Down, 0, t), 1);
}

TEST(MarkerCommands, AddMarkerTakesTheFirstFreeSlot) {
  TMarkerSet m = Marks({{0, 1}});
  TAddMarker a = AddMarkerCommand(m);
  EXPECT_EQ(a.Step, TAddMarkerStep::PlaceNext);
  EXPECT_EQ(a.Slot, 1);
  m[1].Point = 4; // placed by the next click
  m[0].Visible = 0;
  a = AddMarkerCommand(m);
  EXPECT_EQ(a.Step, TAddMarkerStep::ShownAgain);
  EXPECT_EQ(a.Slot, 0);
  TMarkerSet full = Marks({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}});
  EXPECT_EQ(AddMarkerCommand(full).Step, TAddMarkerStep::NoFreeSlot);
}
