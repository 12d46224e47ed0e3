// Traces denser than the plot's pixel columns: four points per column, and
// the same picture as the full trace.
#include <QImage>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <qcustomplot.h>

#include "ui/chart/DenseGraph.h"

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

} // namespace
} // namespace korv
