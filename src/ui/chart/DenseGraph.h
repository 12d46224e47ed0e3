#pragma once
// A QCustomPlot line graph that draws a trace denser than the plot's pixel
// columns by four points per column: the first, the lowest, the highest and
// the last (in their own order). The line covers the same pixels as the full
// trace, and a redraw costs the columns, not the points. Into images the
// line is stroked in short runs: a wide anti-aliased polyline stroked as one
// path costs several times as much for the same shape.
//
// On screen, a dense trace with a stroke cache is stroked on a worker thread
// into an image of the plot area, which the graph then draws: stroking the
// columns of 14 jagged traces takes longer than a redraw may keep the event
// loop waiting. Until the image of the current drawing is ready the last one
// is shown, and the cache's Ready hook asks for a replot when it is.
#include <QImage>
#include <cmath>
#include <functional>
#include <memory>
#include <qcustomplot.h>

namespace korv {

// The stroked images of one trace and its plot data, kept across rebuilds
// of the plot. Used on the owner's thread only; the worker works on copies.
struct TStrokeCache {
  QImage Image;             // the last stroke finished, covering ImageRect
  QRect ImageRect;          // where it lies: the line's box within ImageArea
  QRect ImageArea;          // the plot area it was made for
  std::size_t ImageKey = 0; // what it shows (points, pen, area)
  bool Busy = false;        // a stroke is being made
  std::size_t View = 0;     // the data and ranges the owner shows; a stroke of others is dropped
  std::function<void()> Ready;
  // The plot data made of the subset, shared by the graph of each rebuild
  // while DataKey (points and plotting method) holds; never changed in place.
  QSharedPointer<QCPGraphDataContainer> Data;
  std::size_t DataKey = 0;
};

// Strokes the polyline as runs of a few points (NaN points are gaps) with
// the pen; a 1 px pen is drawn cosmetic, as the plot library does.
void StrokeRuns(QPainter &painter, const QPen &pen, const QPointF *points, qsizetype count);

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

  // Screen drawing only: dense traces are stroked on a worker into this
  // cache. Without one (exports), every stroke is made in place.
  void SetStrokeCache(std::shared_ptr<TStrokeCache> cache) { m_strokes = std::move(cache); }

protected:
  void getOptimizedLineData(QVector<QCPGraphData> *lineData, const QCPGraphDataContainer::const_iterator &begin,
                            const QCPGraphDataContainer::const_iterator &end) const override;
  void drawLinePlot(QCPPainter *painter, const QVector<QPointF> &lines) const override;

private:
  void DrawStroked(QCPPainter *painter, const QVector<QPointF> &lines) const;

  std::shared_ptr<TStrokeCache> m_strokes;
  // The last line data had more points than columns.
  mutable bool m_decimated = false;
  // The last reduction and what it was made of (the data is set once per graph).
  struct TReduction {
    const QCPGraphData *Begin = nullptr;
    qsizetype Count = 0;
    double Lower = 0.0, Upper = 0.0, P0 = 0.0, P1 = 0.0;
    bool operator==(const TReduction &) const = default;
  };
  mutable TReduction m_reduced;
  mutable QVector<QCPGraphData> m_reducedData;
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
