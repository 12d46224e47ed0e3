#pragma once
// A QCustomPlot line graph that draws a trace denser than the plot's pixel
// columns by four points per column: the first, the lowest, the highest and
// the last (in their own order). The line covers the same pixels as the full
// trace, and a redraw costs the columns, not the points. Into images the
// line is stroked in short runs: a wide anti-aliased polyline stroked as one
// path costs several times as much for the same shape.
#include <cmath>
#include <qcustomplot.h>

namespace korv {

class TDenseGraph : public QCPGraph {
  Q_OBJECT
public:
  TDenseGraph(QCPAxis *keyAxis, QCPAxis *valueAxis);

  // The points drawn for data[begin, end) over `columns` pixel columns,
  // where pixel(key) gives a key's column position; NaN values stay as gaps.
  // Below one point per column everything is kept.
  template <typename Pixel>
  static void Decimate(const QCPGraphData *begin, const QCPGraphData *end, double columns, Pixel pixel,
                       QVector<QCPGraphData> &out);

protected:
  void getOptimizedLineData(QVector<QCPGraphData> *lineData, const QCPGraphDataContainer::const_iterator &begin,
                            const QCPGraphDataContainer::const_iterator &end) const override;
  void drawLinePlot(QCPPainter *painter, const QVector<QPointF> &lines) const override;
};

template <typename Pixel>
void TDenseGraph::Decimate(const QCPGraphData *begin, const QCPGraphData *end, double columns, Pixel pixel,
                           QVector<QCPGraphData> &out) {
  out.clear();
  const auto count = end - begin;
  if (count <= 0) return;
  if (static_cast<double>(count) <= columns) {
    out.reserve(count);
    for (const QCPGraphData *p = begin; p != end; ++p)
      out.append(*p);
    return;
  }
  out.reserve(static_cast<qsizetype>(4 * columns) + 16);
  const QCPGraphData *first = nullptr, *lo = nullptr, *hi = nullptr, *last = nullptr;
  double column = 0.0;
  auto flush = [&] {
    if (first == nullptr) return;
    out.append(*first);
    const QCPGraphData *a = lo < hi ? lo : hi;
    const QCPGraphData *b = lo < hi ? hi : lo;
    if (a != first) out.append(*a);
    if (b != a && b != first) out.append(*b);
    if (last != b && last != first) out.append(*last);
    first = nullptr;
  };
  for (const QCPGraphData *p = begin; p != end; ++p) {
    if (std::isnan(p->value)) {
      flush();
      out.append(*p); // a gap stays a gap
      continue;
    }
    const double c = std::floor(pixel(p->key));
    if (first != nullptr && c != column) flush();
    if (first == nullptr) {
      first = lo = hi = p;
      column = c;
    } else {
      if (p->value < lo->value) lo = p;
      if (p->value > hi->value) hi = p;
    }
    last = p;
  }
  flush();
}

} // namespace korv
