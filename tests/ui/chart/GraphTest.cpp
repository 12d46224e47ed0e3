// The chart adapter: data model, texts, scales, annotations, conversions and output.
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <qcustomplot.h>

#include "core/TestHelpers.h"
#include "ui/QtTestEnv.h"
#include "ui/Wait.h"
#include "ui/chart/SmithGraph.h"
#include "ui/chart/XYGraph.h"

namespace korv {
namespace {

// A graph with two subsets of a sloped line, laid out at a fixed size.
void Fill(TGraph &g) {
  g.SetSubsets(2);
  g.SetPoints(5);
  for (int p = 0; p < 4; ++p) {
    g.SetXData(0, p, 100.0 + 10.0 * p);
    g.SetYData(0, p, -20.0 + p);
    g.SetXData(1, p, 100.0 + 10.0 * p);
    g.SetYData(1, p, -30.0 + 2.0 * p);
  }
}

// Fill's graph with the titles and a legend entry: text drawn at every
// size and on every device.
void FillWithTexts(TGraph &g) {
  Fill(g);
  g.SetMainTitle(QStringLiteral("Return Loss"));
  g.SetSubTitle(QStringLiteral("Frequency: 100 MHz - 130 MHz (Full Cal)"));
  g.SetXAxisLabel(QStringLiteral("Frequency (MHz)"));
  g.SetSubsetLabel(0, QStringLiteral("Alpha"));
}

// Counts the events of one type an object receives.
class TEventCount : public QObject {
public:
  TEventCount(QObject *target, QEvent::Type type) : m_type(type) { target->installEventFilter(this); }
  int Count = 0;

protected:
  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == m_type) ++Count;
    return false;
  }

private:
  QEvent::Type m_type;
};

TEST(GraphModel, KeepsSinglePrecisionAndPadsWithNull) {
  TXYGraph g;
  g.SetSubsets(1);
  g.SetPoints(3);
  g.SetXData(0, 0, 0.1);
  EXPECT_EQ(g.XData(0, 0), 0.1F);
  EXPECT_NE(static_cast<double>(g.XData(0, 0)), 0.1);
  EXPECT_EQ(g.XData(0, 2), kGraphNullValue);
  g.SetPoints(5);
  EXPECT_EQ(g.YData(0, 4), kGraphNullValue);
  // Out of range reads and writes do nothing harmful.
  g.SetXData(3, 0, 1.0);
  g.SetYData(0, 99, 1.0);
  EXPECT_EQ(g.XData(3, 0), kGraphNullValue);
  g.SetSubsetData(0, {1.0F, 2.0F}, {3.0F});
  EXPECT_EQ(g.XData(0, 1), 2.0F);
  EXPECT_EQ(g.YData(0, 1), kGraphNullValue);
  EXPECT_EQ(g.XData(0, 2), kGraphNullValue);
}

TEST(GraphModel, TextLinesAndAnnotationListsFollowTheIndexRules) {
  TXYGraph g;
  g.SetMultiSubTitle(1, QStringLiteral("b"));
  g.SetMultiSubTitle(0, QStringLiteral("a"));
  g.SetMultiSubTitle(2, QStringLiteral("too far"));
  EXPECT_EQ(g.MultiSubTitle(0), QStringLiteral("a"));
  EXPECT_EQ(g.MultiSubTitle(1), QStringLiteral("b"));
  EXPECT_EQ(g.MultiSubTitle(2), QString());
  g.SetMultiSubTitle(-1, QString());
  EXPECT_EQ(g.MultiSubTitle(1), QString());
  g.SetMultiBottomTitle(2, QStringLiteral("M1||M4"));
  EXPECT_EQ(g.MultiBottomTitle(2), QStringLiteral("M1||M4"));

  TGraphAnnotation a;
  a.Text = QStringLiteral("1");
  g.SetGraphAnnotation(0, a);
  a.Text = QStringLiteral("2");
  g.SetGraphAnnotation(1, a);
  g.SetGraphAnnotation(5, a); // beyond the end: ignored
  ASSERT_EQ(g.GraphAnnotations().size(), 2U);
  a.Text = QStringLiteral("x");
  g.SetGraphAnnotation(0, a);
  EXPECT_EQ(g.GraphAnnotations()[0].Text, QStringLiteral("x"));
  g.SetGraphAnnotation(-1, a);
  EXPECT_TRUE(g.GraphAnnotations().empty());
  g.SetHorzLineAnnotation(0, TLineAnnotation{-15.0, atLine, Qt::red, QStringLiteral("Limit")});
  g.SetVertLineAnnotation(0, TLineAnnotation{120.0, atLine, Qt::blue, QStringLiteral("|H1")});
  EXPECT_EQ(g.HorzLineAnnotations().size(), 1U);
  g.SetVertLineAnnotation(-1, {});
  EXPECT_TRUE(g.VertLineAnnotations().empty());
}

TEST(XYGraph, ManualZoomAndAutomaticRanges) {
  TXYGraph g;
  g.resize(800, 600);
  Fill(g);
  g.Rebuild();
  // Automatic: X edge to edge, Y around the data; the null fifth point is ignored.
  EXPECT_DOUBLE_EQ(g.ShownX().Min, 100.0);
  EXPECT_DOUBLE_EQ(g.ShownX().Max, 130.0);
  EXPECT_LE(g.ShownY().Min, -30.0);
  EXPECT_GE(g.ShownY().Max, -17.0);
  EXPECT_GT(g.ShownY().Min, -40.0);

  g.SetManualX(true, 90.0, 140.0);
  g.SetManualY(true, -35.0, -5.0);
  g.Rebuild();
  EXPECT_DOUBLE_EQ(g.Plot()->xAxis->range().lower, 90.0);
  EXPECT_DOUBLE_EQ(g.Plot()->xAxis->range().upper, 140.0);
  EXPECT_DOUBLE_EQ(g.Plot()->yAxis->range().lower, -35.0);

  g.SetZoomWindow({110.0, 120.0}, {-25.0, -20.0});
  g.SetZoomMode(true);
  g.Rebuild();
  EXPECT_DOUBLE_EQ(g.Plot()->xAxis->range().lower, 110.0);
  EXPECT_DOUBLE_EQ(g.Plot()->yAxis->range().upper, -20.0);
  g.SetZoomMode(false);
  g.Rebuild();
  EXPECT_DOUBLE_EQ(g.Plot()->xAxis->range().upper, 140.0);
}

TEST(XYGraph, PixelAndGraphConversionsAreInverses) {
  TXYGraph g;
  g.resize(640, 480);
  Fill(g);
  g.SetManualX(true, 0.0, 200.0);
  g.SetManualY(true, -50.0, 0.0);
  g.Rebuild();
  const QRect area = g.PlotArea();
  ASSERT_GT(area.width(), 100);
  const QPointF px = g.GraphToPixel(QPointF(50.0, -10.0));
  EXPECT_TRUE(area.adjusted(-1, -1, 1, 1).contains(px.toPoint()));
  const QPointF back = g.PixelToGraph(px);
  EXPECT_NEAR(back.x(), 50.0, 1e-9);
  EXPECT_NEAR(back.y(), -10.0, 1e-9);
  // Larger Y is higher on the screen.
  EXPECT_LT(g.GraphToPixel(QPointF(0, -5.0)).y(), g.GraphToPixel(QPointF(0, -45.0)).y());
}

// A window is built, filled, laid out and resized before it shows: the
// traces are drawn once, for its first paint, and what it paints then (and
// after each later change) is what a full redraw paints.
TEST(XYGraph, ChangesBeforeAPaintAreDrawnOnceAndShowTheLatestState) {
  TXYGraph g;
  QSignalSpy drawn(g.Plot(), &QCustomPlot::afterReplot);
  g.resize(500, 360);
  Fill(g);
  g.Rebuild();
  g.SetMainTitle(QStringLiteral("Return Loss"));
  g.Rebuild();
  g.resize(640, 420);
  g.SetManualY(true, -40.0, 0.0);
  g.Rebuild();
  g.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
  KORV_WAIT_TRUE(drawn.count() >= 1);
  EXPECT_EQ(drawn.count(), 1);
  const QImage shown = g.Plot()->grab().toImage();
  g.Plot()->replot();
  EXPECT_EQ(shown, g.Plot()->grab().toImage());

  // Shown: a change is painted once, with the new state.
  TEventCount paints(g.Plot(), QEvent::Paint);
  const int before = static_cast<int>(drawn.count());
  g.SetYAxisLabel(QStringLiteral("Return Loss (dB)"));
  g.Rebuild();
  g.Rebuild();
  KORV_WAIT_TRUE(paints.Count >= 1);
  // A second paint would come from events already posted.
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_EQ(paints.Count, 1);
  EXPECT_EQ(drawn.count(), before + 1);
  const QImage changed = g.Plot()->grab().toImage();
  EXPECT_NE(changed, shown);
  g.Plot()->replot();
  EXPECT_EQ(changed, g.Plot()->grab().toImage());
}

TEST(XYGraph, ClickNearATraceRaisesItsHotSpot) {
  TXYGraph g;
  g.resize(640, 480);
  Fill(g);
  g.Rebuild();
  QSignalSpy spy(&g, &TGraph::subsetHotSpot);
  const QPointF onSecond = g.GraphToPixel(QPointF(115.0, -27.0));
  QTest::mouseClick(g.Plot(), Qt::LeftButton, Qt::NoModifier, onSecond.toPoint() + QPoint(0, 2));
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).toInt(), 1);
  // Far from both traces: nothing.
  QTest::mouseClick(g.Plot(), Qt::LeftButton, Qt::NoModifier, g.GraphToPixel(QPointF(115.0, -5.0)).toPoint());
  EXPECT_EQ(spy.count(), 1);
  EXPECT_EQ(g.LastMousePos(), g.GraphToPixel(QPointF(115.0, -5.0)).toPoint());
}

TEST(XYGraph, DrawsTracesInTheirColoursAndLeavesNullPointsOut) {
  TXYGraph g;
  g.resize(400, 300);
  g.SetSubsets(1);
  g.SetPoints(4);
  // A flat line from 0 to 10, then a null point, then the line continues.
  g.SetSubsetData(0, {0.0F, 10.0F, kGraphNullValue, 30.0F}, {0.5F, 0.5F, kGraphNullValue, 0.5F});
  g.SetSubsetStyle(0, TSubsetStyle{QColor(255, 0, 0), Qt::SolidLine, {}, TSubsetSymbol::Circle, QColor()});
  g.SetManualX(true, 0.0, 30.0);
  g.SetManualY(true, 0.0, 1.0);
  const QImage image = g.ToImage(QSize(400, 300));
  g.Rebuild();
  auto redAt = [&](double x) {
    // Search a few pixels around the line for a reddish pixel.
    const QPointF p = g.GraphToPixel(QPointF(x, 0.5));
    for (int dy = -3; dy <= 3; ++dy) {
      const QColor c = image.pixelColor(p.toPoint() + QPoint(0, dy));
      if (c.red() > 180 && c.green() < 120 && c.blue() < 120) return true;
    }
    return false;
  };
  EXPECT_TRUE(redAt(5.0));
  // No segment joins the points around the null one.
  EXPECT_FALSE(redAt(20.0));
}

TEST(XYGraph, SavesPngSvgAndPdfAndRefusesOtherFormats) {
  TempDir dir;
  TXYGraph g;
  Fill(g);
  g.SetMainTitle(QStringLiteral("Return Loss"));
  g.SetSubsetLabel(0, QStringLiteral("Alpha"));
  for (const char *name : {"g.png", "g.svg", "g.pdf"}) {
    const QString path = QString::fromStdString(dir.File(name));
    ASSERT_TRUE(g.SaveImage(path, QSize(600, 400))) << name;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(8);
    if (QString::fromLatin1(name).endsWith(QLatin1String("png"))) {
      EXPECT_TRUE(head.startsWith("\x89PNG"));
    } else if (QString::fromLatin1(name).endsWith(QLatin1String("pdf"))) {
      EXPECT_TRUE(head.startsWith("%PDF"));
    }
  }
  const QImage png(QString::fromStdString(dir.File("g.png")));
  EXPECT_EQ(png.size(), QSize(600, 400));
  EXPECT_TRUE(QString::fromUtf8(g.ToSvg(QSize(300, 200))).contains(QLatin1String("Return Loss")));
  EXPECT_FALSE(g.SaveImage(QString::fromStdString(dir.File("g.bmpx")), QSize(600, 400)));
  EXPECT_FALSE(g.SaveImage(QString::fromStdString(dir.File("g.png")), QSize(0, 400)));
  EXPECT_FALSE(g.SaveImage(QString::fromStdString(dir.File("missing/g.png")), QSize(60, 40)));
}

TEST(XYGraph, RenderingIntoARectLeavesTheRestOfThePageAlone) {
  TXYGraph g;
  Fill(g);
  QImage page(800, 600, QImage::Format_ARGB32);
  page.fill(Qt::blue);
  {
    QPainter p(&page);
    g.RenderTo(p, QRectF(100, 100, 400, 300));
  }
  EXPECT_EQ(page.pixelColor(50, 50), QColor(Qt::blue));
  EXPECT_EQ(page.pixelColor(700, 500), QColor(Qt::blue));
  EXPECT_EQ(page.pixelColor(105, 105), QColor(Qt::white));
}

TEST(SmithGraph, ImpedancesMapOntoTheReflectionPlane) {
  auto g = TSmithGraph::ImpedanceToGamma(3.0, 0.0);
  EXPECT_NEAR(g.real(), 0.5, 1e-12);
  EXPECT_NEAR(g.imag(), 0.0, 1e-12);
  g = TSmithGraph::ImpedanceToGamma(0.6, 0.8); // Gamma = 0.5 j
  EXPECT_NEAR(g.real(), 0.0, 1e-12);
  EXPECT_NEAR(g.imag(), 0.5, 1e-12);
  EXPECT_NEAR(std::abs(TSmithGraph::ImpedanceToGamma(0.0, 1.7)), 1.0, 1e-12); // pure reactance on the rim
  const QPointF z = TSmithGraph::GammaToImpedance({0.0, 0.5});
  EXPECT_NEAR(z.x(), 0.6, 1e-12);
  EXPECT_NEAR(z.y(), 0.8, 1e-12);
}

TEST(SmithGraph, PlacesPointsOnAnEqualAspectDisc) {
  TSmithGraph g;
  g.resize(900, 500); // wide: the disc must stay round
  g.SetSubsets(1);
  g.SetPoints(1);
  g.SetXData(0, 0, 3.0);
  g.SetYData(0, 0, 0.0);
  (void)g.grab(); // paints, which lays the disc out
  const double r = g.DiscRadius();
  ASSERT_GT(r, 50.0);
  EXPECT_LT(2 * r, 500.0);
  const QPointF c = g.DiscCentre();
  const QPointF p = g.GraphToPixel(QPointF(3.0, 0.0));
  EXPECT_NEAR(p.x() - c.x(), 0.5 * r, 1e-9);
  EXPECT_NEAR(p.y(), c.y(), 1e-9);
  const QPointF up = g.GraphToPixel(QPointF(0.6, 0.8));
  EXPECT_NEAR(c.y() - up.y(), 0.5 * r, 1e-9); // inductive half up
  const QPointF back = g.PixelToGraph(up);
  EXPECT_NEAR(back.x(), 0.6, 1e-9);
  EXPECT_NEAR(back.y(), 0.8, 1e-9);
  const QImage image = g.ToImage(QSize(500, 500));
  EXPECT_FALSE(image.isNull());
}

} // namespace
} // namespace korv

namespace korv {
namespace {

TEST(XYGraphLook, PlottingChoicesReachThePlot) {
  TXYGraph g;
  g.resize(600, 400);
  Fill(g);
  TPlotLook look;
  look.GridLines = 1; // Y only: horizontal lines
  g.SetLook(look);
  EXPECT_FALSE(g.Plot()->xAxis->grid()->visible());
  EXPECT_TRUE(g.Plot()->yAxis->grid()->visible());
  look.GridLines = 3;
  g.SetLook(look);
  EXPECT_FALSE(g.Plot()->yAxis->grid()->visible());
  EXPECT_EQ(g.Plot()->graph(0)->scatterStyle().shape(), QCPScatterStyle::ssNone);
  look.MarkPoints = true;
  g.SetLook(look);
  EXPECT_NE(g.Plot()->graph(0)->scatterStyle().shape(), QCPScatterStyle::ssNone);
  // Spline: more points drawn than given, through the given ones.
  look.PlotMethod = 6;
  g.SetLook(look);
  const auto data = g.Plot()->graph(0)->data();
  EXPECT_GT(data->size(), 4);
  EXPECT_DOUBLE_EQ(data->at(4)->key, 110.0);
  EXPECT_DOUBLE_EQ(data->at(4)->value, -19.0);
  // Font sizes: large > medium > small.
  look.FontSize = 0;
  g.SetLook(look);
  const double large = g.BaseFontPixels(600);
  look.FontSize = 2;
  g.SetLook(look);
  EXPECT_GT(large, g.BaseFontPixels(600));
  EXPECT_GT(g.BaseFontPixels(1200), g.BaseFontPixels(600)); // reports grow with the page
}

} // namespace
} // namespace korv

namespace korv {
namespace {

// A printer page has many more dots per inch than the screen; the drawing
// must come out the same, text included.
TEST(XYGraph, DrawsTheSameOnAHighResolutionDevice) {
  TXYGraph g;
  FillWithTexts(g);
  auto draw = [&](int dotsPerMeter) {
    QImage image(2400, 1600, QImage::Format_RGB32);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter p(&image);
    g.RenderTo(p, QRectF(0, 0, 2400, 1600));
    return image;
  };
  const QImage screen = draw(3780);   // 96 dpi
  const QImage printer = draw(23622); // 600 dpi
  long differing = 0;
  for (int y = 0; y < screen.height(); y += 2)
    for (int x = 0; x < screen.width(); x += 2)
      if (qGray(screen.pixel(x, y)) / 32 != qGray(printer.pixel(x, y)) / 32) ++differing;
  EXPECT_LT(differing, screen.width() * screen.height() / 4 / 100) << differing;
}

} // namespace
} // namespace korv

namespace korv {
namespace {

// The marks share the traces' buffer until they first change on their own;
// from then on a step of a mark redraws only the marks, and what is shown
// is what a full redraw shows.
TEST(XYGraph, MarkStepsRedrawOnlyTheMarksOnceTheyHaveMoved) {
  TXYGraph g;
  g.resize(640, 480);
  Fill(g);
  g.SetManualX(true, 100, 130);
  g.SetManualY(true, -35, -15);
  g.SetGraphAnnotation(0, TGraphAnnotation{110.0, -20.0, atMarkerBelow, Qt::blue, QStringLiteral("1")});
  g.Rebuild();
  g.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
  QSignalSpy full(g.Plot(), &QCustomPlot::afterReplot);
  KORV_WAIT_TRUE(!g.Plot()->grab().isNull());
  const auto step = [&](double x) {
    g.SetGraphAnnotation(0, TGraphAnnotation{x, -20.0, atMarkerBelow, Qt::blue, QStringLiteral("1")});
    g.RefreshOverlay();
    QApplication::processEvents();
    return g.Plot()->grab().toImage();
  };
  const int before = static_cast<int>(full.count());
  step(115.0); // the marks get their own buffer: one full drawing
  KORV_WAIT_EQ(static_cast<int>(full.count()), before + 1);
  const QImage moved = step(120.0);
  QApplication::processEvents();
  EXPECT_EQ(full.count(), before + 1);
  g.Plot()->replot();
  EXPECT_EQ(moved, g.Plot()->grab().toImage());
}

TEST(XYGraph, AnnotationHotSpotsComeBeforeTheTraces) {
  TXYGraph g;
  g.resize(640, 480);
  Fill(g);
  g.SetManualX(true, 100, 130);
  g.SetManualY(true, -35, -15);
  g.SetGraphAnnotation(0, TGraphAnnotation{120.0, -18.0, atMarkerBelow, Qt::blue, QStringLiteral("1")});
  g.SetHorzLineAnnotation(0, TLineAnnotation{-25.0, atLine, Qt::red, QStringLiteral("Limit")});
  g.SetVertLineAnnotation(0, TLineAnnotation{105.0, atLine, Qt::blue, QStringLiteral("|H2")});
  g.Rebuild();
  QSignalSpy ann(&g, &TGraph::graphAnnotationHotSpot);
  QSignalSpy horz(&g, &TGraph::horzLineHotSpot);
  QSignalSpy vert(&g, &TGraph::vertLineHotSpot);
  QSignalSpy subset(&g, &TGraph::subsetHotSpot);
  QTest::mouseClick(g.Plot(), Qt::LeftButton, Qt::NoModifier, g.GraphToPixel(QPointF(120.0, -18.0)).toPoint());
  QTest::mouseClick(g.Plot(), Qt::LeftButton, Qt::NoModifier, g.GraphToPixel(QPointF(125.0, -25.0)).toPoint());
  QTest::mouseClick(g.Plot(), Qt::LeftButton, Qt::NoModifier, g.GraphToPixel(QPointF(105.0, -33.0)).toPoint());
  EXPECT_EQ(ann.count(), 1);
  EXPECT_EQ(horz.count(), 1);
  EXPECT_EQ(vert.count(), 1);
  EXPECT_EQ(subset.count(), 0);
  // Hidden lists do not answer.
  g.ShowHorzLineAnnotations(false);
  g.Rebuild();
  QTest::mouseClick(g.Plot(), Qt::LeftButton, Qt::NoModifier, g.GraphToPixel(QPointF(125.0, -25.0)).toPoint());
  EXPECT_EQ(horz.count(), 1);
  // The right button reports the press but raises no hot spot.
  QSignalSpy press(&g, &TGraph::mousePressed);
  QTest::mouseClick(g.Plot(), Qt::RightButton, Qt::NoModifier, g.GraphToPixel(QPointF(120.0, -18.0)).toPoint());
  ASSERT_EQ(press.count(), 1);
  EXPECT_EQ(press.at(0).at(1).value<Qt::MouseButton>(), Qt::RightButton);
  EXPECT_EQ(ann.count(), 1);
}

} // namespace
} // namespace korv

namespace korv {
namespace {

// The site report draws its graphs straight onto its pages through the
// plot library's painter, after its own texts and tables: the graph must
// come out as through any other painter, whatever state the page's
// painter is in, and leave that state as it found it.
TEST(XYGraph, DrawsStraightIntoAPlotPainterAsIntoAnyOther) {
  TXYGraph g;
  FillWithTexts(g);
  const QRectF rect(40, 30, 700, 380);
  auto page = [] {
    QImage image(800, 460, QImage::Format_RGB32);
    image.setDotsPerMeterX(3780); // 96 dpi, as the report's pages
    image.setDotsPerMeterY(3780);
    image.fill(Qt::white);
    return image;
  };
  QImage recorded = page();
  {
    QPainter p(&recorded);
    g.RenderOnPaper(p, rect);
  }
  QImage straight = page();
  {
    QCPPainter p(&straight);
    p.setMode(QCPPainter::pmVectorized);
    const QPen pen(Qt::red, 7);
    QFont font;
    font.setPixelSize(30);
    font.setBold(true);
    p.setPen(pen);
    p.setBrush(Qt::blue);
    p.setFont(font);
    p.setOpacity(0.4);
    g.RenderOnPaper(p, rect);
    EXPECT_EQ(p.pen(), pen);
    EXPECT_EQ(p.brush(), QBrush(Qt::blue));
    EXPECT_EQ(p.font(), font);
    EXPECT_DOUBLE_EQ(p.opacity(), 0.4);
    EXPECT_TRUE(p.modes().testFlag(QCPPainter::pmVectorized));
    EXPECT_TRUE(p.transform().isIdentity());
  }
  long differing = 0;
  for (int y = 0; y < recorded.height(); ++y)
    for (int x = 0; x < recorded.width(); ++x)
      if (std::abs(qGray(recorded.pixel(x, y)) - qGray(straight.pixel(x, y))) > 64) ++differing;
  EXPECT_LT(differing, recorded.width() * recorded.height() / 200) << differing;
  EXPECT_EQ(straight.pixelColor(20, 20), QColor(Qt::white)); // outside the rect
}

} // namespace
} // namespace korv
