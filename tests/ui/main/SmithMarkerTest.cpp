// The Smith chart with the frequency view's markers: drawn at their points,
// moved by the arrow keys and by dragging, and the readouts under the chart
// against the reflection worked out here from the stored values.
#include <QLabel>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QUndoStack>
#include <cmath>
#include <complex>
#include <numbers>

#include "ui/UserDriver.h"
#include "ui/chart/SmithGraph.h"
#include "ui/document/DocTestHelpers.h"
#include "ui/main/MainFixture.h"

using namespace korv;

namespace {

// Return loss and angle of point j: a spiral inwards, clockwise with frequency.
double Mag(int trace, int j) { return -4.0 - 0.25 * j - 3.0 * trace; }
double Angle(int trace, int j) { return 170.0 - 9.0 * j + 40.0 * trace; }

std::complex<double> GammaOf(int trace, int j) {
  return std::polar(std::pow(10.0, Mag(trace, j) / 20.0), Angle(trace, j) * std::numbers::pi / 180.0);
}

class SmithMarkerTest : public MainWindowTest {
protected:
  // A shown main window with one document of two traces, markers M1 at 10
  // and M2 at 30 on trace 1 and M1 at 5 on trace 2, M2 of trace 1 active;
  // then the Smith chart is chosen from the View menu.
  TfrmDoc *OpenSmith() {
    TfrmMain &m = MakeMain();
    m.resize(1100, 900);
    m.show();
    TfrmDoc *doc = m.OpenDocumentFile(Doc("s.kdt"));
    if (doc == nullptr) return nullptr;
    std::vector<TTraceData> traces;
    for (int k = 0; k < 2; ++k) {
      TTraceData t = korvtest::MakeTrace(41, 1700.0, 1900.0, [k](int j) { return Mag(k, j); });
      for (int j = 0; j < 41; ++j)
        t.Angle[static_cast<std::size_t>(j)] = Angle(k, j);
      for (TMarkerSet *set : {&t.ActiveMarks, &t.FreqMarks, &t.DistMarks})
        for (auto &slot : *set)
          slot = TMarkerSlot{0, -1, false, kRefNone, 0};
      traces.push_back(t);
    }
    traces[0].FreqMarks[0] = TMarkerSlot{1, 10, false, kRefNone, 0};
    traces[0].FreqMarks[1] = TMarkerSlot{1, 30, false, kRefNone, 0};
    traces[1].FreqMarks[0] = TMarkerSlot{1, 5, false, kRefNone, 0};
    doc->SetDocument(korvtest::MakeDocument(traces), Doc("s.kdt"), false);
    doc->SetActiveTrace(0);
    doc->SetActiveMarker(1);
    if (auto *sub = qobject_cast<QMdiSubWindow *>(doc->parentWidget())) sub->showMaximized();
    if (!korvtest::UseMenu(m, "mnuView", "mnuViewSmithChart")) return nullptr;
    if (!QTest::qWaitFor([&] { return Smith(doc) != nullptr && Smith(doc)->DiscRadius() > 100; })) return nullptr;
    return doc;
  }
  static TSmithGraph *Smith(TfrmDoc *doc) { return qobject_cast<TSmithGraph *>(doc->Graph()); }
  // Where the chart must put a reflection, from its disc.
  static QPointF PixelOf(TfrmDoc *doc, std::complex<double> g) {
    const TSmithGraph *s = Smith(doc);
    return {s->DiscCentre().x() + g.real() * s->DiscRadius(), s->DiscCentre().y() - g.imag() * s->DiscRadius()};
  }
  static const TMarkerSlot &FreqMark(TfrmDoc *doc, int trace, int slot) {
    return doc->Document().Doc.Traces[trace].FreqMarks[static_cast<std::size_t>(slot)];
  }
  static QString Label(TfrmDoc *doc, const char *name) {
    const auto *l = doc->findChild<QLabel *>(QString::fromLatin1(name));
    return l != nullptr && l->isVisible() ? l->text() : QStringLiteral("<none>");
  }
  // Numbers of a readout: MHz, R, X, |Gamma|, angle, VSWR.
  static std::vector<double> Numbers(const QString &text) {
    static const QRegularExpression re(QStringLiteral(
        R"(([\d.]+) MHz +([-\d.]+) ([+-]) j([\d.]+) +\x{03A9} +\|\x{0393}\| ([\d.]+) \x{2220} +([-\d.]+)\x{00B0} +VSWR ([\d.]+))"));
    const QRegularExpressionMatch m = re.match(text);
    if (!m.hasMatch()) return {};
    const double sign = m.captured(3) == QLatin1String("-") ? -1.0 : 1.0;
    return {m.captured(1).toDouble(), m.captured(2).toDouble(), sign * m.captured(4).toDouble(),
            m.captured(5).toDouble(), m.captured(6).toDouble(), m.captured(7).toDouble()};
  }
  // The readout's numbers against point j of trace k, to their printed places.
  static void ExpectReadsPoint(const QString &text, int k, int j) {
    const std::vector<double> n = Numbers(text);
    ASSERT_EQ(n.size(), 6U) << text.toStdString();
    const std::complex<double> g = GammaOf(k, j);
    const std::complex<double> z = 50.0 * (1.0 + g) / (1.0 - g);
    EXPECT_NEAR(n[0], 1700.0 + 5.0 * j, 0.0005);
    EXPECT_NEAR(n[1], z.real(), 0.005);
    EXPECT_NEAR(n[2], z.imag(), 0.005);
    EXPECT_NEAR(n[3], std::abs(g), 0.00005);
    EXPECT_NEAR(std::remainder(n[4] - std::arg(g) * 180.0 / std::numbers::pi, 360.0), 0.0, 0.05);
    EXPECT_NEAR(n[5], (1.0 + std::abs(g)) / (1.0 - std::abs(g)), 0.0005);
  }
};

} // namespace

TEST_F(SmithMarkerTest, MarkersAreDrawnOnTheirPointsInTheFrequencyViewsColours) {
  TfrmDoc *doc = OpenSmith();
  ASSERT_NE(doc, nullptr);
  const QImage shot = doc->Graph()->grab().toImage();
  struct Expected {
    int Trace, Point;
    QColor Color;
  };
  // Active marker dark red, the active trace's others blue, other traces grey.
  const Expected marks[] = {{0, 10, QColor(0, 0, 255)}, {0, 30, QColor(128, 0, 0)}, {1, 5, QColor(128, 128, 128)}};
  ASSERT_EQ(doc->Graph()->GraphAnnotations().size(), 3U);
  for (std::size_t i = 0; i < 3; ++i) {
    const Expected &e = marks[i];
    const QPointF want = PixelOf(doc, GammaOf(e.Trace, e.Point));
    const TGraphAnnotation &a = doc->Graph()->GraphAnnotations()[i];
    const QPointF drawn = doc->Graph()->GraphToPixel(QPointF(a.X, a.Y));
    EXPECT_NEAR(drawn.x(), want.x(), 0.05) << i;
    EXPECT_NEAR(drawn.y(), want.y(), 0.05) << i;
    EXPECT_EQ(a.Color, e.Color) << i;
    EXPECT_EQ(a.Text, QString::number(i == 1 ? 2 : 1));
    // The picture: the marker's dot covers the point.
    const QPoint px(static_cast<int>(std::floor(want.x())), static_cast<int>(std::floor(want.y())));
    EXPECT_EQ(shot.pixelColor(px).rgb(), e.Color.rgb()) << i << " at " << px.x() << "," << px.y();
  }
  EXPECT_EQ(doc->Graph()->GraphAnnotations()[1].Type, atMarkerActive);
  EXPECT_EQ(doc->Graph()->GraphAnnotations()[0].Type, atMarkerBelow);
  ExpectReadsPoint(Label(doc, "lblSmithMarker"), 0, 30);
  EXPECT_TRUE(Label(doc, "lblSmithMarker").startsWith("M2 "));
}

TEST_F(SmithMarkerTest, ArrowKeysMoveTheDocumentsMarkerAsInTheFrequencyView) {
  TfrmDoc *doc = OpenSmith();
  ASSERT_NE(doc, nullptr);
  QWidget *chart = doc->Graph();
  QTest::keyClick(chart, Qt::Key_Right);
  EXPECT_EQ(FreqMark(doc, 0, 1).Point, 31);
  QTest::keyClick(chart, Qt::Key_Left);
  QTest::keyClick(chart, Qt::Key_Left);
  EXPECT_EQ(FreqMark(doc, 0, 1).Point, 29);
  EXPECT_TRUE(doc->IsModified());
  // The marker is drawn where it now is, and read out there.
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return std::hypot(doc->Graph()
                              ->GraphToPixel(
                                  QPointF(doc->Graph()->GraphAnnotations()[1].X, doc->Graph()->GraphAnnotations()[1].Y))
                              .x() -
                          PixelOf(doc, GammaOf(0, 29)).x(),
                      0.0) < 0.05;
  }));
  ExpectReadsPoint(Label(doc, "lblSmithMarker"), 0, 29);
  // Up and Down: the highest and the lowest value of the frequency view
  // (return loss falls along the trace).
  QTest::keyClick(chart, Qt::Key_Down);
  EXPECT_EQ(FreqMark(doc, 0, 1).Point, 40);
  QTest::keyClick(chart, Qt::Key_Up);
  EXPECT_EQ(FreqMark(doc, 0, 1).Point, 0);
  QTest::keyClick(chart, Qt::Key_Right);
  // The other markers stayed; the frequency view shows the moved one.
  EXPECT_EQ(FreqMark(doc, 0, 0).Point, 10);
  EXPECT_EQ(FreqMark(doc, 1, 0).Point, 5);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewXYGraph"));
  ASSERT_EQ(doc->PlotMode(), pmFrequency);
  EXPECT_EQ(doc->Document().Doc.Traces[0].ActiveMarks[1].Point, 1);
  EXPECT_EQ(doc->ActiveMarker(), 1);
  // Its symbol stands just above its point on the new graph, one
  // forty-fifth of the window's height, once that graph is laid out.
  const auto symbolOffset = [doc] {
    const TGraphAnnotation &a = doc->Graph()->GraphAnnotations().at(1);
    const QPointF d = doc->Graph()->GraphToPixel(QPointF(a.X, a.Y)) - doc->Graph()->GraphToPixel(a.Anchor);
    return std::hypot(d.x(), d.y());
  };
  const int step = std::max(1, doc->height() / 45); // whole pixels
  ASSERT_TRUE(QTest::qWaitFor([&] { return std::abs(symbolOffset() - step) < 1.0; })) << symbolOffset();
  // Keys there go on from it.
  QTest::keyClick(doc->Graph(), Qt::Key_Right);
  EXPECT_EQ(doc->Document().Doc.Traces[0].ActiveMarks[1].Point, 2);
}

TEST_F(SmithMarkerTest, PointerReadoutIsTheNearestPointOfTheActiveTrace) {
  TfrmDoc *doc = OpenSmith();
  ASSERT_NE(doc, nullptr);
  QWidget *chart = doc->Graph();
  for (int j : {0, 17, 40}) {
    // A few pixels off the point, still nearest to it.
    const QPoint at = (PixelOf(doc, GammaOf(0, j)) + QPointF(2.0, -1.0)).toPoint();
    QTest::mouseMove(chart, at);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Label(doc, "lblSmithReadout").startsWith("Cursor "); }));
    ExpectReadsPoint(Label(doc, "lblSmithReadout"), 0, j);
  }
  // Over a point of the other trace: still the active trace's nearest point.
  const QPointF other = PixelOf(doc, GammaOf(1, 20));
  QTest::mouseMove(chart, other.toPoint());
  int nearest = 0;
  double best = 1e300;
  for (int j = 0; j < 41; ++j) {
    const QPointF d = PixelOf(doc, GammaOf(0, j)) - QPointF(other.toPoint());
    if (QPointF::dotProduct(d, d) < best) best = QPointF::dotProduct(d, d), nearest = j;
  }
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return !Numbers(Label(doc, "lblSmithReadout")).empty() &&
           std::abs(Numbers(Label(doc, "lblSmithReadout"))[0] - (1700.0 + 5.0 * nearest)) < 0.001;
  }));
  ExpectReadsPoint(Label(doc, "lblSmithReadout"), 0, nearest);
}

TEST_F(SmithMarkerTest, DraggingAMarkerMovesItAlongItsTraceAsOneStep) {
  TfrmDoc *doc = OpenSmith();
  ASSERT_NE(doc, nullptr);
  QWidget *chart = doc->Graph();
  const int stepsBefore = doc->UndoStack()->count();
  // Press on M1 of trace 1 (not the active marker): it becomes active and follows the pointer.
  QTest::mousePress(chart, Qt::LeftButton, Qt::NoModifier, PixelOf(doc, GammaOf(0, 10)).toPoint());
  EXPECT_EQ(doc->ActiveMarker(), 0);
  EXPECT_EQ(doc->DragMode(), 2);
  QTest::mouseMove(chart, PixelOf(doc, GammaOf(0, 14)).toPoint());
  QTest::mouseMove(chart, (PixelOf(doc, GammaOf(0, 20)) + QPointF(1, 1)).toPoint());
  QTest::mouseRelease(chart, Qt::LeftButton, Qt::NoModifier, (PixelOf(doc, GammaOf(0, 20)) + QPointF(1, 1)).toPoint());
  EXPECT_EQ(FreqMark(doc, 0, 0).Point, 20);
  EXPECT_EQ(doc->DragMode(), 0);
  EXPECT_EQ(doc->UndoStack()->count(), stepsBefore + 1);
  ExpectReadsPoint(Label(doc, "lblSmithMarker"), 0, 20);
  ASSERT_TRUE(doc->Undo());
  EXPECT_EQ(FreqMark(doc, 0, 0).Point, 10);
}
