#include "ui/chart/DenseGraph.h"

#include <QCoreApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QThreadPool>
#include <cstring>

namespace korv {

namespace {

bool IsGap(const QPointF &p) { return std::isnan(p.x()) || std::isnan(p.y()) || std::isinf(p.y()); }

// What a stroke depends on: the points, the pen, the area and the device.
std::size_t StrokeKey(const QVector<QPointF> &lines, const QPen &pen, const QRect &area, double ratio,
                      bool antialiased) {
  std::size_t seed = qHashBits(lines.constData(), static_cast<std::size_t>(lines.size()) * sizeof(QPointF));
  auto mix = [&seed](std::size_t h) { seed ^= h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
  mix(qHash(pen.color().rgba()));
  mix(qHash(pen.widthF()));
  mix(qHash(static_cast<int>(pen.capStyle()) * 16 + static_cast<int>(pen.joinStyle())));
  mix(qHash(area.left()) ^ qHash(area.top()) << 1);
  mix(qHash(area.width()) ^ qHash(area.height()) << 1);
  mix(qHash(ratio));
  mix(qHash(antialiased));
  return seed;
}

} // namespace

namespace {

// A wide opaque line with round caps and joins is, as a shape, its
// segments with flat ends and a disc of the pen's width on every point.
// Into an image that is far cheaper to fill than the stroke's outline: the
// raster engine fills straight segments with flat or square ends without
// building their outline, and a 2 px disc is a handful of cells, while the
// round joins of a jagged trace cost the stroker and the rasterizer tens of
// times more. The edges differ from the stroke only by anti-aliasing shades.
bool DrawnAsSegmentsAndDiscs(const QPainter &painter, const QPen &pen) {
  const QPaintEngine *engine = painter.paintEngine();
  return engine != nullptr && engine->type() == QPaintEngine::Raster && pen.style() == Qt::SolidLine &&
         pen.capStyle() == Qt::RoundCap && pen.joinStyle() == Qt::RoundJoin &&
         pen.brush().style() == Qt::SolidPattern && pen.color().alpha() == 255 && !pen.isCosmetic() &&
         pen.widthF() > 1.0;
}

void DrawSegmentsAndDiscs(QPainter &painter, const QPen &pen, const QPointF *points, qsizetype count) {
  QPen flat = pen;
  flat.setCapStyle(Qt::FlatCap);
  painter.setPen(flat);
  constexpr qsizetype kBatch = 256;
  constexpr double kOverlap = 0.25;
  QLineF segments[kBatch];
  qsizetype n = 0;
  for (qsizetype i = 0; i + 1 < count; ++i) {
    if (IsGap(points[i]) || IsGap(points[i + 1])) continue;
    // Each end reaches a quarter pixel past its point: segments that only
    // met would leave a faint seam where their anti-aliased ends abut.
    const QPointF d = points[i + 1] - points[i];
    const double length = std::hypot(d.x(), d.y());
    const QPointF e = length > 0.0 ? d * (kOverlap / length) : QPointF();
    segments[n++] = QLineF(points[i] - e, points[i + 1] + e);
    if (n == kBatch) {
      painter.drawLines(segments, static_cast<int>(n));
      n = 0;
    }
  }
  if (n > 0) painter.drawLines(segments, static_cast<int>(n));
  const QBrush brush = painter.brush();
  painter.setPen(Qt::NoPen);
  painter.setBrush(pen.brush());
  // Where the line bends by less than 30 degrees the flat ends leave out a
  // sliver under 0.02 of the width: the disc is drawn only at sharper
  // bends and at the ends of the line (its round caps).
  const double r = pen.widthF() / 2.0;
  constexpr double kCosStraight = 0.866;
  for (qsizetype i = 0; i < count; ++i) {
    if (IsGap(points[i])) continue;
    if (i > 0 && i + 1 < count && !IsGap(points[i - 1]) && !IsGap(points[i + 1])) {
      const QPointF a = points[i] - points[i - 1], b = points[i + 1] - points[i];
      const double dot = a.x() * b.x() + a.y() * b.y();
      const double la = a.x() * a.x() + a.y() * a.y(), lb = b.x() * b.x() + b.y() * b.y();
      if (dot > 0.0 && dot * dot >= kCosStraight * kCosStraight * la * lb) continue;
    }
    painter.drawEllipse(points[i], r, r);
  }
  painter.setBrush(brush);
  painter.setPen(pen);
}

} // namespace

void StrokeRuns(QPainter &painter, const QPen &pen, const QPointF *points, qsizetype count) {
  if (DrawnAsSegmentsAndDiscs(painter, pen)) {
    DrawSegmentsAndDiscs(painter, pen, points, count);
    return;
  }
  if (qFuzzyCompare(pen.widthF(), 1.0)) { // as the library does: a 1 px line is drawn cosmetic, much faster
    QPen cosmetic = pen;
    cosmetic.setWidth(0);
    painter.setPen(cosmetic);
  } else {
    painter.setPen(pen);
  }
  // Runs of a few points with round joins and caps: together the same shape
  // as the whole line, each cheap to stroke.
  constexpr qsizetype kRun = 16;
  qsizetype start = 0;
  while (start < count) {
    while (start < count && IsGap(points[start]))
      ++start;
    qsizetype end = start;
    while (end < count && !IsGap(points[end]))
      ++end;
    for (qsizetype s = start; s + 1 < end; s += kRun - 1)
      painter.drawPolyline(points + s, static_cast<int>(std::min(kRun, end - s)));
    start = end;
  }
}

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
    m_decimated = false;
    return;
  }
  // The axis is linear: two of its pixels give every other one.
  const QCPRange range = keyAxis->range();
  const double p0 = keyAxis->coordToPixel(range.lower);
  const double p1 = keyAxis->coordToPixel(range.upper);
  const double span = range.upper - range.lower;
  const double perKey = span != 0.0 ? (p1 - p0) / span : 0.0;
  const double columns = std::max(1.0, std::abs(p1 - p0));
  m_decimated = static_cast<double>(end - begin) > columns;
  // A replot with the same data, range and width (a stroke came in, the
  // marks changed) reuses the last reduction: the vector is shared, not
  // copied.
  const TReduction made{&*begin, end - begin, range.lower, range.upper, p0, p1};
  if (made == m_reduced && !m_reducedData.isEmpty()) {
    *lineData = m_reducedData;
    return;
  }
  Decimate(
      &*begin, &*begin + (end - begin), columns, [&](double key) { return p0 + (key - range.lower) * perKey; },
      *lineData);
  m_reduced = made;
  m_reducedData = *lineData;
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
  if (m_strokes && m_decimated && !painter->modes().testFlag(QCPPainter::pmNoCaching) && !clipRect().isEmpty()) {
    DrawStroked(painter, lines);
    return;
  }
  const QPen kept = pen;
  StrokeRuns(*painter, kept, lines.constData(), lines.size());
}

void TDenseGraph::DrawStroked(QCPPainter *painter, const QVector<QPointF> &lines) const {
  TStrokeCache &cache = *m_strokes;
  const QRect area = clipRect();
  const QPen pen = painter->pen();
  const double ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
  const bool antialiased = painter->testRenderHint(QPainter::Antialiasing);
  // The plot's painter shifts anti-aliased drawing by half a pixel: the
  // worker strokes through the same transform, and the image is placed in
  // device pixels.
  const QTransform transform = painter->worldTransform();
  const std::size_t key =
      StrokeKey(lines, pen, area, ratio, antialiased) ^ qHash(transform.dx()) ^ (qHash(transform.dy()) << 1);
  // The last stroke: exact when it shows this drawing, else held in place
  // (fitted to the new area) until the new one is ready.
  const bool exact = cache.ImageKey == key && cache.ImageArea == area;
  if (!cache.Image.isNull()) {
    painter->save();
    painter->resetTransform();
    if (cache.ImageArea == area) {
      painter->drawImage(cache.ImageRect.topLeft(), cache.Image);
    } else {
      const double sx = static_cast<double>(area.width()) / std::max(1, cache.ImageArea.width());
      const double sy = static_cast<double>(area.height()) / std::max(1, cache.ImageArea.height());
      const QPoint from = cache.ImageRect.topLeft() - cache.ImageArea.topLeft();
      painter->drawImage(QRectF(area.left() + from.x() * sx, area.top() + from.y() * sy, cache.ImageRect.width() * sx,
                                cache.ImageRect.height() * sy),
                         cache.Image);
    }
    painter->restore();
  }
  if (exact && !cache.Image.isNull()) return;
  // One stroke at a time per trace: when it ends, the replot it asks for
  // starts the one the drawing then needs.
  if (cache.Busy) return;
  cache.Busy = true;
  std::weak_ptr<TStrokeCache> weak = m_strokes;
  const std::size_t view = cache.View;
  QThreadPool::globalInstance()->start([weak, lines, pen, area, ratio, antialiased, transform, key, view] {
    // The image covers the line's box within the area (whole pixels): the
    // less there is to blend, the cheaper each replot that draws it.
    double left = area.right(), right = area.left(), top = area.bottom(), bottom = area.top();
    for (const QPointF &p : lines)
      if (!IsGap(p)) {
        left = std::min(left, p.x()), right = std::max(right, p.x());
        top = std::min(top, p.y()), bottom = std::max(bottom, p.y());
      }
    const QRectF box = left <= right && top <= bottom ? QRectF(QPointF(left, top), QPointF(right, bottom)) : QRectF();
    const double reach = pen.widthF() + 2.0;
    const QRect inked = transform.mapRect(box).adjusted(-reach, -reach, reach, reach).toAlignedRect() & area;
    QImage image(
        QSize(static_cast<int>(std::ceil(inked.width() * ratio)), static_cast<int>(std::ceil(inked.height() * ratio))),
        QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    if (!image.isNull()) {
      QPainter p(&image);
      p.setRenderHint(QPainter::Antialiasing, antialiased);
      p.translate(-inked.topLeft());
      p.setWorldTransform(transform, true);
      StrokeRuns(p, pen, lines.constData(), lines.size());
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [weak, image = std::move(image), area, inked, key, view]() mutable {
          const std::shared_ptr<TStrokeCache> cache = weak.lock();
          if (!cache) return; // the graph is gone
          cache->Busy = false;
          if (cache->View == view) {
            cache->Image = std::move(image);
            cache->ImageArea = area;
            cache->ImageRect = inked;
            cache->ImageKey = key;
          }
          if (cache->Ready) cache->Ready();
        },
        Qt::QueuedConnection);
  });
}

} // namespace korv
