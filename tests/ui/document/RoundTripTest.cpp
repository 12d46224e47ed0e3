// Documents saved in every format and opened again: every trace is inside
// the axes, in every view and display unit.
#include <QTest>
#include <cmath>

#include "core/TestHelpers.h"
#include "formats/DocumentIO.h"
#include "ui/document/Child.h"
#include "ui/document/DocTestHelpers.h"

namespace korv {
namespace {

using korvtest::MakeDocument;
using korvtest::MakeTrace;
using korvtest::MessageRecorder;

// Drawn points of the traces outside what the axes show, and how many drawn.
std::pair<int, int> OutsideAxes(const TfrmDoc &w) {
  const TAxisRange x = w.Graph()->ShownX(), y = w.Graph()->ShownY();
  int outside = 0, drawn = 0;
  const double ex = 1e-6 * std::max(1.0, std::abs(x.Max - x.Min));
  const double ey = 1e-6 * std::max(1.0, std::abs(y.Max - y.Min));
  for (int i = 0; i < w.Document().Doc.TraceCount(); ++i) {
    const TPlotted p = w.PlottedTrace(i);
    for (std::size_t j = 0; j < p.X.size(); ++j) {
      if (!std::isfinite(p.X[j]) || !std::isfinite(p.Y[j])) continue;
      ++drawn;
      if (p.X[j] < x.Min - ex || p.X[j] > x.Max + ex || p.Y[j] < y.Min - ey || p.Y[j] > y.Max + ey) ++outside;
    }
  }
  return {outside, drawn};
}

// Every drawn point of every trace lies within what the axes show.
void ExpectTracesInsideAxes(const TfrmDoc &w, const std::string &what) {
  const auto [outside, drawn] = OutsideAxes(w);
  const TAxisRange x = w.Graph()->ShownX(), y = w.Graph()->ShownY();
  EXPECT_GT(drawn, 0) << what;
  EXPECT_EQ(outside, 0) << what << ": axes X " << x.Min << ".." << x.Max << ", Y " << y.Min << ".." << y.Max;
}

// Opens the file and looks at it in both views and every unit each offers.
void CheckReopened(const QString &path, const std::string &format) {
  MessageRecorder boxes;
  TfrmDoc w;
  w.resize(800, 600);
  // The fault-location dialog answers with the trace's own parameters.
  w.SetFaultDialogHook([](TfrmDoc &doc, int index) { return doc.ApplyFaultSettings(index); });
  ASSERT_TRUE(w.OpenFileW(path)) << format << ": " << boxes.Texts.join(QLatin1Char('|')).toStdString();
  ASSERT_GT(w.Document().Doc.TraceCount(), 0);
  for (const int view : {pmFrequency, pmDistance}) {
    if (w.PlotMode() != view && view == pmDistance) {
      ASSERT_TRUE(w.ShowFaultLocation()) << format;
    } else if (w.PlotMode() != view) {
      w.SetPlotMode(view);
    }
    ExpectTracesInsideAxes(w, format + " as opened, view " + std::to_string(view));
    const int units = view == pmFrequency ? suCableLoss : suMRho;
    for (int unit = suReturnLoss; unit <= units; ++unit) {
      ASSERT_TRUE(w.SetDisplayUnit(unit)) << format;
      ExpectTracesInsideAxes(w, format + ", view " + std::to_string(view) + ", unit " + std::to_string(unit));
    }
    ASSERT_TRUE(w.SetDisplayUnit(suReturnLoss));
  }
  EXPECT_TRUE(boxes.Texts.isEmpty()) << boxes.Texts.join(QLatin1Char('|')).toStdString();
}

TEST(DocumentRoundTrip, EveryFormatShowsItsTracesWithinTheAxes) {
  TempDir dir;
  for (const int unit : {suReturnLoss, suVSWR, suCableLoss}) {
    for (const char *ext : {"kdt", "csv", "s1p"}) {
      for (const int view : {pmFrequency, pmDistance}) {
        const std::string format =
            std::string(ext) + " saved in unit " + std::to_string(unit) + ", view " + std::to_string(view);
        SCOPED_TRACE(format);
        TfrmDoc w;
        w.resize(800, 600);
        w.SetFaultDialogHook([](TfrmDoc &doc, int index) { return doc.ApplyFaultSettings(index); });
        // Axes as a new document has them: automatic.
        w.SetDocument(MakeDocument({MakeTrace(101, 1700, 2200, [](int j) { return -32.0 + 0.2 * j; })}), {}, true);
        ASSERT_TRUE(w.SetDisplayUnit(unit));
        if (view == pmDistance) {
          ASSERT_TRUE(w.ShowFaultLocation());
        }
        const QString path =
            QString::fromStdString(dir.File("site" + std::to_string(unit) + std::to_string(view) + "." + ext));
        ASSERT_TRUE(w.SaveFileW(path));
        CheckReopened(path, format);
      }
    }
  }
}

TEST(DocumentRoundTrip, HandheldFilesShowWhatTheyShowedBeforeTheSave) {
  // Only a document from the handheld saves as .vnf. A handheld file keeps
  // the scale set on the instrument (a point of calibration noise above
  // 0 dB may lie beyond it): saved again and reopened, every view and unit
  // shows the same axes and the same points as the file it came from.
  TempDir dir;
  for (const char *name : {"mode1_offset.vnf", "mode2_dtf.vnf", "mode3_cable.vnf"}) {
    SCOPED_TRACE(name);
    MessageRecorder boxes;
    TfrmDoc first, again;
    for (TfrmDoc *w : {&first, &again}) {
      w->resize(800, 600);
      w->SetFaultDialogHook([](TfrmDoc &doc, int index) { return doc.ApplyFaultSettings(index); });
    }
    ASSERT_TRUE(first.OpenFileW(QStringLiteral(KORV_TEST_DATA "/vnf/") + QString::fromLatin1(name)));
    const QString path = QString::fromStdString(dir.File(std::string("again_") + name));
    ASSERT_TRUE(first.SaveFileW(path));
    ASSERT_TRUE(again.OpenFileW(path));
    for (const int view : {pmFrequency, pmDistance}) {
      for (TfrmDoc *w : {&first, &again}) {
        if (w->PlotMode() != view && view == pmDistance) {
          ASSERT_TRUE(w->ShowFaultLocation());
        } else if (w->PlotMode() != view) {
          w->SetPlotMode(view);
        }
      }
      for (int unit = suReturnLoss; unit <= (view == pmFrequency ? suCableLoss : suMRho); ++unit) {
        SCOPED_TRACE("view " + std::to_string(view) + ", unit " + std::to_string(unit));
        if (unit != first.Document().Doc.ScaleUnit || unit != again.Document().Doc.ScaleUnit) {
          // A unit the data cannot take is refused alike by both.
          const bool a = first.SetDisplayUnit(unit), b = again.SetDisplayUnit(unit);
          ASSERT_EQ(a, b);
          if (!a) continue;
        }
        const TAxisRange x1 = first.Graph()->ShownX(), x2 = again.Graph()->ShownX();
        const TAxisRange y1 = first.Graph()->ShownY(), y2 = again.Graph()->ShownY();
        EXPECT_NEAR(x1.Min, x2.Min, 1e-3 * std::max(1.0, std::abs(x1.Max - x1.Min)));
        EXPECT_NEAR(x1.Max, x2.Max, 1e-3 * std::max(1.0, std::abs(x1.Max - x1.Min)));
        EXPECT_NEAR(y1.Min, y2.Min, 1e-3 * std::max(1.0, std::abs(y1.Max - y1.Min)));
        EXPECT_NEAR(y1.Max, y2.Max, 1e-3 * std::max(1.0, std::abs(y1.Max - y1.Min)));
        EXPECT_EQ(OutsideAxes(first), OutsideAxes(again));
      }
    }
  }
}

TEST(DocumentRoundTrip, AManualRangeThatHoldsNothingOpensAutomatic) {
  // A CSV written with an empty scale (0 to 0, as older saves did).
  TempDir dir;
  auto doc = MakeDocument({MakeTrace(101, 1700, 2200, [](int j) { return -32.0 + 0.2 * j; })});
  doc->Doc.FreqScale = TScaleGroup{0, 1, 0.0, 0.0, 0.0, 0.0};
  doc->Doc.DistScale = doc->Doc.FreqScale;
  const std::string path = dir.File("empty_scale.kdt");
  ASSERT_TRUE(SaveDocument(*doc, path, [] { return true; }));
  TOpenResult r = OpenDocument(path);
  EXPECT_EQ(r.Document->Doc.FreqScale.Flag2, 0);
  EXPECT_EQ(r.Document->Doc.DistScale.Flag2, 0);
  CheckReopened(QString::fromStdString(path), "kdt with an empty scale");
}

} // namespace
} // namespace korv
