// Zoom and pan without tool modes: the wheel zooms about the pointer (Ctrl:
// X only, Shift: Y only), a box drawn with the right button or Ctrl+drag
// zooms to it, the middle button or Space+drag pans, Home or a double
// click on the axes fits the data. Each step enters the zoom mode of the
// zoom tools, and Zoom Out goes back through the steps.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRubberBand>
#include <QWheelEvent>
#include <qcustomplot.h>

#include "measure/ViewNavigation.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/Child.h"

namespace korv {

namespace {
TSpan Span(const TAxisRange &r) { return {r.Min, r.Max}; }
TAxisRange Range(const TSpan &s) { return {s.Min, s.Max}; }
} // namespace

void TfrmDoc::WatchGraphInput() {
  m_graph->installEventFilter(this);
  if (m_xyGraph != nullptr) m_xyGraph->PlotWidget()->installEventFilter(this);
  m_nav = TNavigation::None;
  m_zoomHistory.clear();
}

void TfrmDoc::ShowNavigatedWindow(const TAxisRange &x, const TAxisRange &y) {
  if (!m_zoomed) m_zoomHistory.clear();
  m_zoomHistory.push_back({m_zoomed, m_graph->ShownX(), m_graph->ShownY()});
  m_graph->SetZoomWindow(x, y);
  m_graph->SetZoomMode(true);
  m_zoomed = true;
  m_zoomLevel = std::min(kMaxZoomLevel, static_cast<int>(m_zoomHistory.size()));
  RefreshAnnotations();
  emit stateChanged();
}

bool TfrmDoc::StepBackNavigation() {
  if (!m_zoomed) m_zoomHistory.clear();
  if (m_zoomHistory.empty()) return false;
  const TZoomStep back = m_zoomHistory.back();
  m_zoomHistory.pop_back();
  if (back.Zoomed) {
    m_graph->SetZoomWindow(back.X, back.Y);
  } else {
    m_graph->SetZoomMode(false);
    m_zoomed = false;
    m_zoomHistory.clear();
    emit selectToolRequested();
  }
  m_zoomLevel = m_zoomed ? std::max(1, std::min(kMaxZoomLevel, static_cast<int>(m_zoomHistory.size()))) : 0;
  RefreshAnnotations();
  emit stateChanged();
  return true;
}

bool TfrmDoc::WheelZoom(QPointF pixel, int angleDelta, Qt::KeyboardModifiers modifiers) {
  if (m_xyGraph == nullptr || angleDelta == 0 || !m_xyGraph->PlotArea().contains(pixel.toPoint())) return false;
  // The smallest window is measured against the one before any zoom.
  const bool first = !m_zoomed || m_zoomHistory.empty();
  const TAxisRange fullX = first ? m_graph->ShownX() : m_zoomHistory.front().X;
  const TAxisRange fullY = first ? m_graph->ShownY() : m_zoomHistory.front().Y;
  const QPointF at = m_graph->PixelToGraph(pixel);
  const double notches = angleDelta / 120.0;
  const bool onlyX = modifiers.testFlag(Qt::ControlModifier), onlyY = modifiers.testFlag(Qt::ShiftModifier);
  TAxisRange x = m_graph->ShownX(), y = m_graph->ShownY();
  if (!onlyY) {
    const auto s = ZoomSpanAbout(Span(x), at.x(), notches, Span(fullX));
    if (!s) return true;
    x = Range(*s);
  }
  if (!onlyX) {
    const auto s = ZoomSpanAbout(Span(y), at.y(), notches, Span(fullY));
    if (!s) return true;
    y = Range(*s);
  }
  ShowNavigatedWindow(x, y);
  return true;
}

bool TfrmDoc::eventFilter(QObject *watched, QEvent *event) {
  if (watched == m_graph && PlotMode() == pmSmith && event->type() == QEvent::Leave) ShowSmithPointer(nullptr);
  if (m_xyGraph == nullptr || PlotMode() == pmSmith) return QWidget::eventFilter(watched, event);
  QWidget *plot = m_xyGraph->Plot();
  switch (event->type()) {
  case QEvent::KeyPress:
  case QEvent::KeyRelease: {
    if (watched != m_graph) break;
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Space && !key->isAutoRepeat()) {
      // Space held down turns a left drag into a pan; a short press still
      // picks the next marker.
      m_spaceHeld = event->type() == QEvent::KeyPress;
      if (m_spaceHeld)
        m_spaceUsed = false;
      else if (!m_spaceUsed)
        MarkerKey(Qt::Key_Space);
      return true;
    }
    if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_Home) {
      AutoScale();
      return true;
    }
    break;
  }
  case QEvent::Wheel: {
    if (watched != plot) break;
    auto *wheel = static_cast<QWheelEvent *>(event);
    return WheelZoom(wheel->position(),
                     wheel->angleDelta().y() != 0 ? wheel->angleDelta().y() : wheel->angleDelta().x(),
                     wheel->modifiers());
  }
  case QEvent::MouseButtonPress: {
    if (watched != plot || m_dragMode != 0) break;
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint p = mouse->position().toPoint();
    const bool band = mouse->button() == Qt::RightButton ||
                      (mouse->button() == Qt::LeftButton && mouse->modifiers().testFlag(Qt::ControlModifier));
    const bool pan = mouse->button() == Qt::MiddleButton || (mouse->button() == Qt::LeftButton && m_spaceHeld);
    if (!band && !pan) break;
    m_nav = band ? TNavigation::Band : TNavigation::Pan;
    m_navButton = mouse->button();
    m_navFrom = p;
    m_navMoved = false;
    m_navX = m_graph->ShownX();
    m_navY = m_graph->ShownY();
    if (pan) m_spaceUsed = true;
    return true;
  }
  case QEvent::MouseMove: {
    if (watched != plot || m_nav == TNavigation::None) break;
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint p = mouse->position().toPoint();
    if (!m_navMoved && (p - m_navFrom).manhattanLength() < QApplication::startDragDistance()) return true;
    if (m_nav == TNavigation::Band) {
      if (m_band == nullptr) m_band = new QRubberBand(QRubberBand::Rectangle, plot);
      m_band->setGeometry(QRect(m_navFrom, p).normalized());
      m_band->show();
    } else {
      // The value pressed on follows the pointer: pan within the window as
      // it was at the press.
      if (!m_navMoved) ShowNavigatedWindow(m_navX, m_navY);
      const QPointF from = m_graph->PixelToGraph(QPointF(m_navFrom));
      const QPointF to = m_graph->PixelToGraph(QPointF(p));
      m_graph->SetZoomWindow(Range(PanSpan(Span(m_graph->ZoomX()), from.x(), to.x())),
                             Range(PanSpan(Span(m_graph->ZoomY()), from.y(), to.y())));
      m_navFrom = p;
      RefreshAnnotations();
    }
    m_navMoved = true;
    return true;
  }
  case QEvent::MouseButtonRelease: {
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (watched != plot || m_nav == TNavigation::None || mouse->button() != m_navButton) break;
    const TNavigation nav = m_nav;
    m_nav = TNavigation::None;
    if (m_band != nullptr) m_band->hide();
    const QPoint p = mouse->position().toPoint();
    if (!m_navMoved) {
      // A right click without a drag still opens the pop-up menu.
      if (m_navButton == Qt::RightButton) emit graphMousePressed(m_navFrom, Qt::RightButton);
      return true;
    }
    if (nav == TNavigation::Band) {
      const QPointF a = m_graph->PixelToGraph(QPointF(m_navFrom)), b = m_graph->PixelToGraph(QPointF(p));
      const auto x = BoxSpan(a.x(), b.x(), Span(m_navX)), y = BoxSpan(a.y(), b.y(), Span(m_navY));
      if (x && y) ShowNavigatedWindow(Range(*x), Range(*y));
    }
    emit stateChanged();
    return true;
  }
  case QEvent::MouseButtonDblClick: {
    if (watched != plot) break;
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (mouse->button() == Qt::LeftButton && !m_xyGraph->PlotArea().contains(mouse->position().toPoint())) {
      AutoScale();
      return true;
    }
    break;
  }
  default: break;
  }
  return QWidget::eventFilter(watched, event);
}

} // namespace korv
