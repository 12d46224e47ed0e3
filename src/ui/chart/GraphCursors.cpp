#include "ui/chart/GraphCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace korv {

namespace {

QPixmap Blank(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  return pm;
}

// A cursor outline: black stroke with a white halo so it shows on any plot.
void Stroke(QPainter &p, const QPainterPath &path, qreal width = 1.5) {
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, width + 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
  p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(path);
}

QCursor Magnifier(bool plus) {
  QPixmap pm = Blank(32);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addEllipse(QPointF(12, 12), 8, 8);
  path.moveTo(18, 18);
  path.lineTo(28, 28);
  path.moveTo(8, 12);
  path.lineTo(16, 12);
  if (plus) {
    path.moveTo(12, 8);
    path.lineTo(12, 16);
  }
  Stroke(p, path, 2.0);
  return QCursor(pm, 12, 12);
}

// Cross hair with a small sign beside it: a marker triangle, a limit line
// or a struck-out marker; the drag variants add a box under the pointer.
QCursor CrossWith(int sign, bool drag) {
  QPixmap pm = Blank(32);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.moveTo(10, 0);
  path.lineTo(10, 20);
  path.moveTo(0, 10);
  path.lineTo(20, 10);
  Stroke(p, path, 1.0);
  QPainterPath signPath;
  if (sign == 0) { // marker
    signPath.moveTo(20, 20);
    signPath.lineTo(30, 20);
    signPath.lineTo(25, 28);
    signPath.closeSubpath();
  } else if (sign == 1) { // limit line
    signPath.moveTo(17, 25);
    signPath.lineTo(31, 25);
    signPath.moveTo(24, 18);
    signPath.lineTo(24, 31);
  } else { // hide
    signPath.moveTo(20, 20);
    signPath.lineTo(30, 30);
    signPath.moveTo(30, 20);
    signPath.lineTo(20, 30);
  }
  Stroke(p, signPath, 1.5);
  if (drag) {
    QPainterPath box;
    box.addRect(QRectF(2.5, 22.5, 9, 7));
    Stroke(p, box, 1.0);
  }
  return QCursor(pm, 10, 10);
}

QCursor DragTrace(bool allowed) {
  QPixmap pm = Blank(32);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QPainterPath arrow;
  arrow.moveTo(1, 1);
  arrow.lineTo(1, 17);
  arrow.lineTo(5, 13);
  arrow.lineTo(9, 20);
  arrow.lineTo(11, 19);
  arrow.lineTo(8, 12);
  arrow.lineTo(13, 12);
  arrow.closeSubpath();
  p.fillPath(arrow, Qt::white);
  Stroke(p, arrow, 1.0);
  QPainterPath trace;
  trace.moveTo(12, 28);
  trace.cubicTo(17, 16, 21, 34, 30, 20);
  Stroke(p, trace, 1.5);
  if (!allowed) {
    QPainterPath no;
    no.addEllipse(QPointF(24, 10), 6, 6);
    no.moveTo(20, 14);
    no.lineTo(28, 6);
    Stroke(p, no, 1.5);
  }
  return QCursor(pm, 1, 1);
}

} // namespace

QCursor KorvCursor(TCursorId id) {
  switch (id) {
  case TCursorId::DragTrace: return DragTrace(true);
  case TCursorId::DragMarker: return CrossWith(0, true);
  case TCursorId::DragLimitLine: return CrossWith(1, true);
  case TCursorId::DragTraceOwnGraph: return DragTrace(false);
  case TCursorId::ZoomIn: return Magnifier(true);
  case TCursorId::ZoomOut: return Magnifier(false);
  case TCursorId::AddMarker: return CrossWith(0, false);
  case TCursorId::AddMarkerActive: return CrossWith(0, true);
  case TCursorId::LimitLine: return CrossWith(1, false);
  case TCursorId::LimitLineDrag: return CrossWith(1, true);
  case TCursorId::HideMark: return CrossWith(2, false);
  case TCursorId::HideMarkActive: return CrossWith(2, true);
  default: return QCursor(Qt::ArrowCursor);
  }
}

} // namespace korv
