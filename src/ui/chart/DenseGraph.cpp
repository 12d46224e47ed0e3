#include "ui/chart/DenseGraph.h"

namespace korv {

TDenseGraph::TDenseGraph(QCPAxis *keyAxis, QCPAxis *valueAxis) : QCPGraph(keyAxis, valueAxis) {
  // Our own reduction replaces the library's, which moves points off their keys.
  setAdaptiveSampling(false);
}

void TDenseGraph::getOptimizedLineData(QVector<QCPGraphData> *lineData,
                                       const QCPGraphDataContainer::const_iterator &begin,
                                       const QCPGraphDataContainer::const_iterator &end) const {
  if (lineData == nullptr) return;
  const QCPAxis *keyAxis = mKeyAxis.data();
  if (keyAxis == nullptr || begin == end) {
    lineData->clear();
    return;
  }
  // The axis is linear: two of its pixels give every other one.
  const QCPRange range = keyAxis->range();
  const double p0 = keyAxis->coordToPixel(range.lower);
  const double p1 = keyAxis->coordToPixel(range.upper);
  const double span = range.upper - range.lower;
  const double perKey = span != 0.0 ? (p1 - p0) / span : 0.0;
  const double columns = std::max(1.0, std::abs(p1 - p0));
  Decimate(
      &*begin, &*begin + (end - begin), columns, [&](double key) { return p0 + (key - range.lower) * perKey; },
      *lineData);
}

void TDenseGraph::drawLinePlot(QCPPainter *painter, const QVector<QPointF> &lines) const {
  const QPen &pen = painter->pen();
  // Vector output (PDF, SVG, print) keeps whole polylines; dashed lines keep
  // their pattern running from point to point.
  if (painter->modes().testFlag(QCPPainter::pmVectorized) || pen.style() != Qt::SolidLine || pen.color().alpha() == 0) {
    QCPGraph::drawLinePlot(painter, lines);
    return;
  }
  applyDefaultAntialiasingHint(painter);
  if (qFuzzyCompare(pen.widthF(), 1.0)) { // as the library does: a 1 px line is drawn cosmetic, much faster
    QPen cosmetic = pen;
    cosmetic.setWidth(0);
    painter->setPen(cosmetic);
  }
  // Runs of a few points with round joins and caps: together the same shape
  // as the whole line, each cheap to stroke. NaN points are gaps.
  constexpr qsizetype kRun = 16;
  const qsizetype n = lines.size();
  const QPointF *pts = lines.constData();
  qsizetype start = 0;
  while (start < n) {
    while (start < n && (std::isnan(pts[start].x()) || std::isnan(pts[start].y()) || std::isinf(pts[start].y())))
      ++start;
    qsizetype end = start;
    while (end < n && !std::isnan(pts[end].x()) && !std::isnan(pts[end].y()) && !std::isinf(pts[end].y()))
      ++end;
    for (qsizetype s = start; s + 1 < end; s += kRun - 1)
      painter->drawPolyline(pts + s, static_cast<int>(std::min(kRun, end - s)));
    start = end;
  }
}

} // namespace korv
