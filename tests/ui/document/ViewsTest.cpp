// Document window views: data, titles, units, scale and zoom.
#include <QSignalSpy>
#include <cmath>

#include "measure/Convert.h"
#include "ui/QtTestEnv.h"
#include "ui/chart/SmithGraph.h"
#include "ui/document/Child.h"
#include "ui/document/DocTestHelpers.h"

namespace korv {
namespace {

using korvtest::MakeDocument;
using korvtest::MakeTrace;
using korvtest::MessageRecorder;

// A window with a document of the given traces, laid out at 800 x 600.
std::unique_ptr<TfrmDoc> Window(const std::vector<TTraceData> &traces, int unit = suReturnLoss) {
  auto w = std::make_unique<TfrmDoc>();
  w->resize(800, 600);
  w->SetDocument(MakeDocument(traces, unit), QStringLiteral("/tmp/site.kdt"), false);
  return w;
}

TTraceData Ramp(int n = 101, double f0 = 1700, double f1 = 2200, std::uint8_t cal = 2) {
  return MakeTrace(
      n, f0, f1, [](int j) { return -30.0 + 0.1 * j; }, cal);
}

TEST(DocumentViews, EmptyDocumentShowsTheDefaultFrame) {
  TfrmDoc w;
  w.resize(800, 600);
  TGraph &g = *w.Graph();
  EXPECT_EQ(g.MainTitle(), QStringLiteral("Return Loss"));
  EXPECT_EQ(g.SubTitle(), QStringLiteral("Frequency: 10000 MHz - 0 MHz (Full Cal)"));
  EXPECT_EQ(g.XAxisLabel(), QStringLiteral("Frequency (MHz)"));
  EXPECT_EQ(g.YAxisLabel(), QStringLiteral("Return Loss (dB)"));
  EXPECT_EQ(g.Subsets(), 1);
  EXPECT_EQ(g.Points(), 1);
  EXPECT_EQ(g.XData(0, 0), 0.0F);
  EXPECT_TRUE(g.IsManualX() && g.IsManualY());
  EXPECT_EQ(g.ShownX(), (TAxisRange{0.0, 2000.0}));
  EXPECT_EQ(g.ShownY(), (TAxisRange{0.0, 1.0}));
  EXPECT_FALSE(w.IsModified());
}

TEST(DocumentViews, FrequencyViewCarriesDataLabelsAndPadding) {
  TTraceData shorter = Ramp(51, 1800, 1900, 0);
  shorter.Label = "Sector B";
  auto w = Window({Ramp(), shorter});
  TGraph &g = *w->Graph();
  ASSERT_EQ(g.Subsets(), 2);
  ASSERT_EQ(g.Points(), 101);
  EXPECT_FLOAT_EQ(g.XData(0, 100), 2200.0F);
  EXPECT_FLOAT_EQ(g.YData(0, 10), -29.0F);
  EXPECT_EQ(g.XData(1, 51), kGraphNullValue);
  EXPECT_EQ(g.YData(1, 100), kGraphNullValue);
  EXPECT_EQ(g.SubTitle(), QStringLiteral("Frequency: 1700 MHz - 2200 MHz (Partial Cal)"));
  // Calibrated traces are marked in the legend; several traces: no label lines.
  EXPECT_TRUE(g.SubsetLabel(0).endsWith(QLatin1String("Sector A (C)")));
  EXPECT_TRUE(g.SubsetLabel(1).endsWith(QLatin1String("Sector B")));
  EXPECT_EQ(g.MultiSubTitle(0), QString());
}

TEST(DocumentViews, TitlesAndAxisLabelsFollowTheDisplayUnit) {
  struct Case {
    int unit;
    const char *title, *yLabel, *yWord;
  };
  const Case cases[] = {{suReturnLoss, "Return Loss", "Return Loss (dB)", "Loss"},
                        {suVSWR, "VSWR", "VSWR", "VSWR"},
                        {suRho, "Rho", "Rho", "Rho"},
                        {suMRho, "mRho", "milliRho", "mRho"},
                        {suCableLoss, "Cable Loss", "Cable Loss (dB)", "Cbl Loss"}};
  for (const Case &c : cases) {
    auto w = Window({MakeTrace(20, 100, 200, [](int) { return 1.5; })}, c.unit);
    SCOPED_TRACE(c.title);
    EXPECT_EQ(w->Graph()->MainTitle(), QString::fromLatin1(c.title));
    EXPECT_EQ(w->Graph()->YAxisLabel(), QString::fromLatin1(c.yLabel));
    EXPECT_EQ(w->YUnitWord(), QString::fromLatin1(c.yWord));
    EXPECT_EQ(w->XUnitWord(), QStringLiteral("MHz"));
  }
}

TEST(DocumentViews, DistanceAndSmithViewsHaveTheirOwnHeaders) {
  auto w = Window({Ramp()}, suCableLoss);
  ASSERT_TRUE(w->ApplyFaultSettings(0));
  w->SetPlotMode(pmDistance);
  TGraph *g = w->Graph();
  EXPECT_EQ(g->MainTitle(), QStringLiteral("Distance To Fault"));
  EXPECT_EQ(g->SubTitle(), QStringLiteral("Distance: 0 meters - 40 meters (Full Cal)"));
  EXPECT_EQ(g->XAxisLabel(), QStringLiteral("Distance (meters)"));
  EXPECT_EQ(g->YAxisLabel(), QStringLiteral("Return Loss (dB)")); // cable loss shows as return loss here
  EXPECT_EQ(w->YUnitWord(), QStringLiteral("Loss"));
  EXPECT_FLOAT_EQ(g->XData(0, 0), 0.0F);
  EXPECT_NEAR(g->XData(0, 100), 40.0F, 1e-3);
  // Single trace: label and location lines.
  EXPECT_EQ(g->MultiSubTitle(0), QStringLiteral("|") + w->TraceLabel(0) + QStringLiteral("|"));
  EXPECT_EQ(g->MultiSubTitle(1), QStringLiteral("|Location: Unknown|"));
  EXPECT_TRUE(w->IsModified());

  w->SetPlotMode(pmSmith);
  g = w->Graph();
  EXPECT_NE(dynamic_cast<TSmithGraph *>(g), nullptr);
  EXPECT_EQ(g->MainTitle(), QStringLiteral("Smith Chart"));
  EXPECT_EQ(w->XUnitWord(), QStringLiteral("Degrees"));
  EXPECT_EQ(w->YUnitWord(), QStringLiteral("Rho"));
  EXPECT_EQ(g->SubTitle(), QStringLiteral("Frequency: 1700 MHz - 2200 MHz (Full Cal)"));
}

TEST(DocumentViews, CableLossAveragesTenPointsInSinglePrecision) {
  // Ten points: every point uses the same ten values.
  auto w = Window({MakeTrace(10, 100, 200, [](int j) { return -1.0 - j; })}, suCableLoss);
  const float expected = 0.05F * (-55.0F);
  for (int j = 0; j < 10; ++j)
    EXPECT_FLOAT_EQ(w->Graph()->YData(0, j), expected) << j;

  // Twenty points: the window slides from 0..9 to 10..19; index
  // j*(n-10)/(n-1) rounds half to even.
  auto v = Window({MakeTrace(20, 100, 200, [](int j) { return static_cast<double>(j); })}, suCableLoss);
  auto window = [](int start) {
    float s = 0.0F;
    for (int k = 0; k < 10; ++k)
      s += static_cast<float>(start + k);
    return 0.05F * s;
  };
  EXPECT_FLOAT_EQ(v->Graph()->YData(0, 0), window(0));
  EXPECT_FLOAT_EQ(v->Graph()->YData(0, 19), window(10));
  EXPECT_FLOAT_EQ(v->Graph()->YData(0, 10), window(5)); // 100/19 = 5.26
  EXPECT_FLOAT_EQ(v->Graph()->YData(0, 17), window(9)); // 170/19 = 8.95

  // Fewer than ten points: half the mean of what there is, nothing read
  // outside the trace.
  auto s = Window({MakeTrace(4, 100, 200, [](int j) { return -2.0 * (j + 1); })}, suCableLoss);
  for (int j = 0; j < 4; ++j)
    EXPECT_FLOAT_EQ(s->Graph()->YData(0, j), 0.5F * (-20.0F / 4.0F));
}

TEST(DocumentViews, SmithPointsAreImpedancesOfTheReflection) {
  TTraceData t = MakeTrace(3, 100, 200, [](int) { return RhoToReturnLoss(0.5); });
  t.Angle = {0.0, 90.0, -90.0};
  auto w = Window({t});
  w->SetPlotMode(pmSmith);
  TGraph &g = *w->Graph();
  EXPECT_NEAR(g.XData(0, 0), 3.0, 1e-5); // phase 0, rho 0.5: r = 3, x = 0
  EXPECT_FLOAT_EQ(g.YData(0, 0), 0.0F);
  EXPECT_NEAR(g.XData(0, 1), 0.6, 1e-5); // Gamma = 0.5 j
  EXPECT_NEAR(g.YData(0, 1), 0.8, 1e-5);
  EXPECT_NEAR(g.YData(0, 2), -0.8, 1e-5);
  // The same in other units.
  for (int unit : {suVSWR, suRho, suMRho}) {
    const double v = unit == suVSWR ? 3.0 : unit == suRho ? 0.5 : 500.0;
    auto u = Window({MakeTrace(1, 100, 100, [v](int) { return v; })}, unit);
    u->SetPlotMode(pmSmith);
    EXPECT_NEAR(u->Graph()->XData(0, 0), 3.0, 1e-5) << unit;
  }
  // A perfect match sits in the centre.
  auto m = Window({MakeTrace(1, 100, 100, [](int) { return 0.0; })}, suRho);
  m->SetPlotMode(pmSmith);
  EXPECT_FLOAT_EQ(m->Graph()->XData(0, 0), 1.0F);
}

TEST(DocumentViews, FiveZoomStepsThenZoomInIsRefused) {
  auto w = Window({Ramp()});
  QSignalSpy select(w.get(), &TfrmDoc::selectToolRequested);
  TGraph &g = *w->Graph();
  g.SetManualX(true, 1700, 2200);
  g.SetManualY(true, -40, 0);
  g.Rebuild();
  g.SetLastMousePos(g.GraphToPixel(QPointF(1900, -20)).toPoint());
  ASSERT_TRUE(w->ZoomIn());
  EXPECT_NEAR(g.ZoomX().Min, 1900 - 125, 1e-6);
  EXPECT_NEAR(g.ZoomX().Max, 1900 + 125, 1e-6);
  EXPECT_NEAR(g.ZoomY().Min, -30, 1e-6);
  EXPECT_TRUE(g.ZoomMode());
  for (int i = 2; i <= 5; ++i)
    ASSERT_TRUE(w->ZoomIn()) << i;
  EXPECT_EQ(w->ZoomLevel(), 5);
  EXPECT_FALSE(w->CanZoomIn());
  EXPECT_FALSE(w->ZoomIn());
  EXPECT_EQ(select.count(), 1);
  // Out: each step doubles the window, the last one leaves zoom mode.
  const double span = g.ZoomX().Max - g.ZoomX().Min;
  ASSERT_TRUE(w->ZoomOut());
  EXPECT_NEAR(g.ZoomX().Max - g.ZoomX().Min, 2 * span, 1e-6);
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(w->ZoomOut());
  EXPECT_TRUE(w->IsZoomed());
  ASSERT_TRUE(w->ZoomOut());
  EXPECT_FALSE(w->IsZoomed());
  EXPECT_FALSE(g.ZoomMode());
  EXPECT_FALSE(w->ZoomOut());
  EXPECT_TRUE(w->CanZoomIn());
  // Pointer outside the plot area: about the middle.
  g.SetLastMousePos(QPoint(1, 1));
  ASSERT_TRUE(w->ZoomIn());
  EXPECT_NEAR(g.ZoomX().Min, 1950 - 125, 1e-6);
  EXPECT_NEAR(g.ZoomY().Max, -20 + 10, 1e-6);
}

TEST(DocumentViews, AutoScaleAddsMarginsAndMakesRoomForTheLimitLine) {
  auto w = Window({Ramp(101)}); // Mag -30 .. -20
  w->ClearModified();
  w->AutoScaleX();
  EXPECT_TRUE(w->ManualX());
  EXPECT_NEAR(w->Document().Doc.CurScale.XMin, 1700 - 25, 1e-9);
  EXPECT_NEAR(w->Document().Doc.CurScale.XMax, 2200 + 25, 1e-9);
  EXPECT_TRUE(w->IsModified());
  w->AutoScaleY();
  EXPECT_NEAR(w->Graph()->ShownY().Min, -31.0, 1e-9);
  EXPECT_NEAR(w->Graph()->ShownY().Max, -19.0, 1e-9);
  // A visible limit above the data stretches the top.
  w->Document().Doc.FreqLimitMode = 1;
  w->Document().Doc.FreqLimitValue = -10.0;
  w->AutoScaleY();
  const double b = 0.2 * 1.0, top = (-10.0 + b) + 0.02 * ((-10.0 + b) - (-31.0));
  EXPECT_NEAR(w->Graph()->ShownY().Max, top, 1e-9);
  EXPECT_NEAR(w->Graph()->ShownY().Min, -31.0, 1e-9);
  // Stored in the frequency scale group, flags second first in CurScale.
  EXPECT_EQ(w->Document().Doc.FreqScale.Flag2, 1);
  EXPECT_NEAR(w->Document().Doc.FreqScale.YMax, top, 1e-9);
}

TEST(DocumentViews, AutoScaleInVswrStartsAtOne) {
  auto w = Window({MakeTrace(10, 100, 200, [](int j) { return 0.5 + 0.01 * j; })}, suVSWR);
  w->AutoScaleY();
  // lo 0.5 -> 1.0, hi 0.59 -> 1.1
  EXPECT_NEAR(w->Graph()->ShownY().Min, 1.0 - 0.01, 1e-9);
  EXPECT_NEAR(w->Graph()->ShownY().Max, 1.1 + 0.01, 1e-9);
}

TEST(DocumentViews, DisplayUnitChangeConvertsEverythingOrNothing) {
  auto w = Window({Ramp(11)});
  ASSERT_TRUE(w->ApplyFaultSettings(0));
  w->Document().Doc.FreqLimitValue = -20.0;
  w->SetManualScale(false, 0, 0, true, -40.0, 0.0);
  const double dist0 = w->Document().Doc.Traces[0].DistMag[3];
  ASSERT_TRUE(w->SetDisplayUnit(suVSWR));
  const TTraceData &t = w->Document().Doc.Traces[0];
  EXPECT_NEAR(t.Mag[0], ReturnLossToVswr(-30.0), 1e-9);
  double expectedDist = dist0;
  ConvertValue(expectedDist, suReturnLoss, suVSWR);
  EXPECT_NEAR(t.DistMag[3], expectedDist, 1e-9);
  EXPECT_NEAR(w->Document().Doc.FreqLimitValue, ReturnLossToVswr(-20.0), 1e-9);
  EXPECT_EQ(w->Graph()->MainTitle(), QStringLiteral("VSWR"));
  EXPECT_EQ(w->Graph()->YAxisLabel(), QStringLiteral("VSWR"));
  EXPECT_NEAR(w->Graph()->YData(0, 0), ReturnLossToVswr(-30.0), 1e-5);
  // The dB range no longer applies: automatic Y around the VSWR data.
  EXPECT_FALSE(w->ManualY());
  EXPECT_FALSE(w->Graph()->IsManualY());
  EXPECT_LE(w->Graph()->ShownY().Min, ReturnLossToVswr(-30.0));

  // A second trace with a value no Rho can come from: refused, nothing changes.
  auto v = Window({MakeTrace(3, 100, 200, [](int) { return 1.5; }),
                   MakeTrace(3, 100, 200, [](int j) { return j == 2 ? -1.0 : 2.0; })},
                  suVSWR);
  v->ClearModified();
  MessageRecorder boxes;
  EXPECT_FALSE(v->SetDisplayUnit(suRho));
  EXPECT_EQ(v->Document().Doc.ScaleUnit, suVSWR);
  EXPECT_DOUBLE_EQ(v->Document().Doc.Traces[0].Mag[0], 1.5);
  EXPECT_DOUBLE_EQ(v->Document().Doc.Traces[1].Mag[2], -1.0);
  EXPECT_FALSE(v->IsModified());
  ASSERT_EQ(boxes.Texts.size(), 1);
  EXPECT_EQ(boxes.Texts[0], QStringLiteral("Rho value out of range."));
  EXPECT_EQ(v->Graph()->MainTitle(), QStringLiteral("VSWR"));
}

TEST(DocumentViews, DistanceUnitChangeConvertsTheDistanceAxis) {
  auto w = Window({Ramp(11)});
  ASSERT_TRUE(w->ApplyFaultSettings(0));
  w->SetPlotMode(pmDistance);
  const double last = w->Document().Doc.Traces[0].DistAxis.back();
  ASSERT_TRUE(w->SetDistanceUnit(duFeet));
  EXPECT_NEAR(w->Document().Doc.Traces[0].DistAxis.back(), last * kFeetPerMetre, 1e-6);
  EXPECT_EQ(w->Graph()->XAxisLabel(), QStringLiteral("Distance (feet)"));
  EXPECT_EQ(w->Graph()->SubTitle(), QStringLiteral("Distance: 0 feet - 131 feet (Full Cal)"));
  EXPECT_FALSE(w->SetDistanceUnit(7));
}

TEST(DocumentViews, TraceLabelsFollowTheLabelFlags) {
  TTraceData t = Ramp(3);
  t.Label = "/ Tower 7";
  auto w = Window({t});
  w->SetLabelFlags(false, true);
  EXPECT_EQ(w->TraceLabel(0), QStringLiteral("Tower 7")); // leading "/" and blanks go
  w->SetLabelFlags(true, true);
  EXPECT_EQ(w->TraceLabel(0), QStringLiteral("6/12/2026 10:14:06 AM / Tower 7"));
  w->SetLabelFlags(true, false);
  EXPECT_EQ(w->TraceLabel(0), QStringLiteral("6/12/2026 10:14:06 AM ")); // the blank before the (absent) text stays
  w->SetLabelFlags(false, false);
  EXPECT_EQ(w->TraceLabel(0), QStringLiteral("10:14:06 AM"));
  EXPECT_EQ(w->Graph()->SubsetLabel(0), QStringLiteral("10:14:06 AM (C)"));
}

TEST(DocumentViews, LocationTextFromTheGpsRecord) {
  auto w = Window({Ramp(3)});
  TLXZTGPSData &g = w->Document().Doc.GPSData;
  EXPECT_EQ(w->LocationText(), QStringLiteral("Location: Unknown")); // nothing recorded
  g = {"120000", "47", "36.5", "N", "122", "19.8", "W", "1", "", "", "", "", "", "", ""};
  EXPECT_EQ(w->LocationText(), QString::fromUtf8("Location: 47\u00BA 36.5\" N 122\u00BA 19.8\" W "));
  g[14] = "Rooftop, Pier 9";
  EXPECT_EQ(w->LocationText(), QStringLiteral("Location: Rooftop, Pier 9"));
  g[7] = "0";
  EXPECT_EQ(w->LocationText(), QStringLiteral("Location: Unknown"));
}

} // namespace
} // namespace korv

namespace korv {
namespace {

TEST(DocumentViews, DamagedCountsAndValuesNeitherCrashNorSizeTheGraph) {
  TTraceData t = MakeTrace(5, 100, 200, [](int j) { return j == 2 ? std::nan("") : -10.0 - j; });
  auto doc = MakeDocument({t});
  doc->Doc.Traces[0].NumPoints = 1000000; // more than the arrays hold
  doc->Doc.MaxPoints = 2000000000;
  TfrmDoc w;
  w.SetDocument(std::move(doc));
  EXPECT_EQ(w.Graph()->Points(), 5);
  EXPECT_FLOAT_EQ(w.Graph()->YData(0, 4), -14.0F);
  EXPECT_EQ(w.Graph()->ToImage(QSize(300, 200)).size(), QSize(300, 200));
  w.AutoScaleX();
  EXPECT_NEAR(w.Document().Doc.CurScale.XMax, 205.0, 1e-9);
  MessageRecorder boxes;
  EXPECT_FALSE(w.ApplyFaultSettings(1)); // refused, not read past the arrays
  w.SetPlotMode(pmSmith);
  EXPECT_EQ(w.Graph()->XData(0, 2), kGraphNullValue); // a NaN reflection is left out
}

} // namespace
} // namespace korv
