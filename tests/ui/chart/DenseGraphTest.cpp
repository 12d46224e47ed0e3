// Traces denser than the plot's pixel columns: four points per column, and
// the same picture as the full trace.
#include <QImage>
#include <QPainter>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <qcustomplot.h>

#include "ui/QtTestEnv.h"
#include "ui/chart/DenseGraph.h"
#include "ui/chart/XYGraph.h"

namespace korv {
namespace {

// A jagged trace: noise on a slow ripple, a few spikes and one gap.
QVector<QCPGraphData> Jagged(int n) {
  QVector<QCPGraphData> d;
  unsigned seed = 12345;
  for (int i = 0; i < n; ++i) {
    seed = seed * 1103515245U + 12345U;
    const double noise = static_cast<double>((seed >> 16) & 0x7FFF) / 32768.0 - 0.5;
    double v = -20.0 + 6.0 * std::sin(i * 0.002) + 4.0 * noise;
    if (i % 2711 == 5) v += 15.0;
    if (i >= n / 2 && i < n / 2 + 40) v = std::nan("");
    d.append(QCPGraphData(1700.0 + 500.0 * i / (n - 1), v));
  }
  return d;
}

TEST(DenseGraph, KeepsFirstLowestHighestAndLastOfEveryColumn) {
  const QVector<QCPGraphData> data = Jagged(16383);
  const double columns = 700.0;
  auto pixel = [&](double key) { return (key - 1700.0) / 500.0 * columns; };
  QVector<QCPGraphData> out;
  TDenseGraph::Decimate(data.constData(), data.constData() + data.size(), columns, pixel, out);
  EXPECT_LE(out.size(), 4 * (columns + 2) + 2);
  EXPECT_GE(out.size(), 2 * columns);
  // Per column of the full trace: the same extremes, first and last point;
  // the kept points in their order, and the gap kept.
  std::map<int, std::pair<double, double>> full, kept;
  std::map<int, std::pair<double, double>> ends, keptEnds;
  auto take = [&](const QVector<QCPGraphData> &d, auto &range, auto &firstLast) {
    for (const QCPGraphData &p : d) {
      if (std::isnan(p.value)) continue;
      const int c = static_cast<int>(std::floor(pixel(p.key)));
      auto [it, fresh] = range.try_emplace(c, p.value, p.value);
      it->second.first = std::min(it->second.first, p.value);
      it->second.second = std::max(it->second.second, p.value);
      auto [e, freshEnd] = firstLast.try_emplace(c, p.key, p.key);
      e->second.second = p.key;
    }
  };
  take(data, full, ends);
  take(out, kept, keptEnds);
  EXPECT_EQ(full, kept);
  EXPECT_EQ(ends, keptEnds);
  for (qsizetype i = 1; i < out.size(); ++i)
    EXPECT_LT(out[i - 1].key, out[i].key) << i;
  EXPECT_EQ(std::count_if(out.begin(), out.end(), [](const QCPGraphData &p) { return std::isnan(p.value); }), 40);

  // Fewer points than columns: all of them.
  TDenseGraph::Decimate(data.constData(), data.constData() + 500, columns, pixel, out);
  EXPECT_EQ(out.size(), 500);
}

// The same plot with the library's plain graph (every point drawn) and with
// ours: the pictures agree but for antialiasing shades along the line.
TEST(DenseGraph, DrawsTheSamePictureAsEveryPoint) {
  auto draw = [](bool dense) {
    QCustomPlot plot;
    plot.resize(900, 500);
    QCPGraph *g = dense ? new TDenseGraph(plot.xAxis, plot.yAxis) : plot.addGraph();
    g->setAdaptiveSampling(false);
    g->data()->set(Jagged(16383), true);
    g->setPen(QPen(QColor(200, 30, 30), 2.2));
    plot.xAxis->setRange(1650, 2250);
    plot.yAxis->setRange(-35, 5);
    plot.setAntialiasedElements(QCP::aeAll);
    QImage image(900, 500, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QCPPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    plot.toPainter(&painter, 900, 500);
    painter.end();
    return image;
  };
  const QImage all = draw(false);
  const QImage dense = draw(true);
  ASSERT_EQ(all.size(), dense.size());
  int inked = 0, differing = 0;
  for (int y = 0; y < all.height(); ++y)
    for (int x = 0; x < all.width(); ++x) {
      const int a = qGray(all.pixel(x, y)), b = qGray(dense.pixel(x, y));
      if (a < 200 || b < 200) ++inked;
      if (std::abs(a - b) > 96) ++differing;
    }
  ASSERT_GT(inked, 10000);
  EXPECT_LT(differing, inked / 100) << differing << " of " << inked << " inked pixels differ";
}

// A wide round-joined line drawn into an image as flat segments and discs
// covers what the stroke of the whole line covers, for sharp zigzags (where
// the stroke is slow) and gentle curves (where discs are left out), with a
// gap kept open.
TEST(StrokeRuns, FillsWhatTheRoundJoinedStrokeFills) {
  const auto draw = [](const QVector<QPointF> &points, bool runs) {
    QImage image(600, 400, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(30, 90, 200), 2.3);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    if (runs) {
      StrokeRuns(p, pen, points.constData(), points.size());
    } else {
      p.setPen(pen);
      qsizetype start = 0; // the reference: each unbroken piece as one polyline
      for (qsizetype i = 0; i <= points.size(); ++i)
        if (i == points.size() || std::isnan(points[i].y())) {
          if (i - start > 1) p.drawPolyline(points.constData() + start, static_cast<int>(i - start));
          start = i + 1;
        }
    }
    return image;
  };
  QVector<QPointF> zigzag, curve;
  for (int i = 0; i < 240; ++i) {
    zigzag.append(QPointF(10 + i * 2.4, i == 120 ? std::nan("") : 200 + ((i * 7919) % 13 - 6) * 25.0));
    curve.append(QPointF(10 + i * 2.4, 200 + 150 * std::sin(i * 0.03)));
  }
  for (const QVector<QPointF> *points : {&zigzag, &curve}) {
    const QImage stroke = draw(*points, false), filled = draw(*points, true);
    int inked = 0, differing = 0;
    long inkA = 0, inkB = 0;
    for (int y = 0; y < stroke.height(); ++y)
      for (int x = 0; x < stroke.width(); ++x) {
        const int a = qGray(stroke.pixel(x, y)), b = qGray(filled.pixel(x, y));
        inkA += 255 - a;
        inkB += 255 - b;
        if (a < 200 || b < 200) ++inked;
        if (std::abs(a - b) > 40) ++differing;
      }
    ASSERT_GT(inked, 1000);
    // Anti-aliasing shades differ a little along the edges; missing round
    // tips, seams between segments or overlaps that darken would not.
    EXPECT_LT(differing, inked / 500) << differing << " of " << inked << " inked pixels differ";
    EXPECT_NEAR(static_cast<double>(inkB) / static_cast<double>(inkA), 1.0, 0.015);
  }
}

// A shown graph strokes its dense traces on a worker: the rebuild returns
// before they are drawn, the picture then matches an export's (stroked in
// place), a stroke of old data is never shown, and a resize shows the last
// stroke until the new one is in.
TEST(DenseGraph, ScreenStrokesComeFromAWorkerAndMatchTheExport) {
  const QColor red(220, 20, 20);
  auto fill = [&](TXYGraph &g, double shift) {
    const QVector<QCPGraphData> d = Jagged(16383);
    std::vector<float> x, y;
    for (const QCPGraphData &p : d) {
      x.push_back(static_cast<float>(p.key));
      y.push_back(std::isnan(p.value) ? kGraphNullValue : static_cast<float>(p.value + shift));
    }
    g.SetSubsets(1);
    g.SetPoints(static_cast<int>(x.size()));
    g.SetSubsetData(0, x, y);
    TSubsetStyle style;
    style.Color = red;
    g.SetSubsetStyle(0, style);
    g.SetManualY(true, -40.0, 10.0);
  };
  auto reds = [](const QImage &image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (c.red() > 150 && c.green() < 110 && c.blue() < 110) ++n;
      }
    return n;
  };
  TXYGraph g;
  g.resize(900, 500);
  fill(g, 0.0);
  g.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&g));
  g.Rebuild();
  EXPECT_TRUE(g.StrokesPending());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !g.StrokesPending(); }, 30000));
  QApplication::processEvents(); // the replot the last stroke asks for

  const QImage screen = g.grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage exported = g.ToImage(g.size()).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(screen.size(), exported.size());
  EXPECT_FALSE(g.StrokesPending()); // an export strokes in place
  const int inked = reds(exported);
  ASSERT_GT(inked, 10000);
  // Inside the plot area the same pixels but for rounding (texts outside
  // it are drawn differently on screen and into images).
  const QRect area = g.PlotArea();
  int differing = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (std::abs(qGray(screen.pixel(x, y)) - qGray(exported.pixel(x, y))) > 8) ++differing;
  EXPECT_LT(differing, inked / 1000) << differing << " of " << inked << " trace pixels differ";

  // A rebuild of the same data shares it with the new graph and reuses the
  // stroke; new data is taken over. Until its stroke is in, no trace is shown (not the old one).
  const QCPGraphDataContainer *shared = g.Plot()->graph(0)->data().data();
  g.Rebuild();
  EXPECT_EQ(g.Plot()->graph(0)->data().data(), shared);
  EXPECT_FALSE(g.StrokesPending()); // the same drawing: its stroke is reused
  EXPECT_GT(reds(g.grab().toImage()), inked / 2);
  fill(g, 20.0);
  g.Rebuild();
  EXPECT_NEAR(g.Plot()->graph(0)->data()->at(0)->value, Jagged(16383)[0].value + 20.0, 1e-4);
  // The stroke starts when the plot is next drawn (at its paint).
  EXPECT_EQ(reds(g.grab().toImage()), 0);
  ASSERT_TRUE(g.StrokesPending());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !g.StrokesPending(); }, 30000));
  QApplication::processEvents();
  EXPECT_GT(reds(g.grab().toImage()), inked / 2);

  // A new size with the same data: the last stroke stays up meanwhile.
  g.resize(800, 450);
  EXPECT_GT(reds(g.grab().toImage()), inked / 3);
  ASSERT_TRUE(g.StrokesPending());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !g.StrokesPending(); }, 30000));
}

} // namespace
} // namespace korv
