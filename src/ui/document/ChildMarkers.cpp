// Markers and the limit line of a document window: placing them with the
// mouse, dragging them, the keys, and the commands of the main window. The
// rules themselves are measure/MarkerRules.
#include <QKeyEvent>
#include <cmath>

#include "measure/SmithReadout.h"
#include "measure/ViewMath.h"
#include "ui/chart/GraphCursors.h"
#include "ui/chart/SmithGraph.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/Child.h"

namespace korv {

TPlotted TfrmDoc::PlottedTrace(int i) const {
  TPlotted p;
  const TTraceDoc &d = m_doc->Doc;
  if (i < 0 || i >= d.TraceCount() || d.PlotMode == pmSmith) return p;
  const TTraceData &t = d.Traces[i];
  if (d.PlotMode == pmDistance) {
    const int n = UsablePoints(t, t.DistAxis, t.DistMag);
    p.X.assign(t.DistAxis.begin(), t.DistAxis.begin() + n);
    p.Y.assign(t.DistMag.begin(), t.DistMag.begin() + n);
    return p;
  }
  return FrequencyPlotted(i);
}

TPlotted TfrmDoc::FrequencyPlotted(int i) const {
  TPlotted p;
  const TTraceDoc &d = m_doc->Doc;
  if (i < 0 || i >= d.TraceCount()) return p;
  const TTraceData &t = d.Traces[i];
  const int n = UsablePoints(t, t.Freq, t.Mag);
  p.X.assign(t.Freq.begin(), t.Freq.begin() + n);
  if (d.ScaleUnit == suCableLoss) {
    const std::vector<float> loss = CableLossSeries(t.Mag, n);
    p.Y.assign(loss.begin(), loss.end());
  } else {
    p.Y.assign(t.Mag.begin(), t.Mag.begin() + n);
  }
  return p;
}

TMarkerSet &TfrmDoc::ViewMarks(int trace) {
  TTraceData &t = m_doc->Doc.Traces[trace];
  return PlotMode() == pmSmith ? t.FreqMarks : t.ActiveMarks;
}

const TMarkerSet &TfrmDoc::ViewMarks(int trace) const {
  const TTraceData &t = m_doc->Doc.Traces[trace];
  return PlotMode() == pmSmith ? t.FreqMarks : t.ActiveMarks;
}

int TfrmDoc::SmithPointAt(int trace, QPointF pixel) const {
  const auto *smith = qobject_cast<const TSmithGraph *>(m_graph);
  if (smith == nullptr || smith->DiscRadius() <= 0) return -1;
  const QPointF c = smith->DiscCentre();
  const double r = smith->DiscRadius();
  const std::complex<double> at((pixel.x() - c.x()) / r, (c.y() - pixel.y()) / r);
  return NearestGammaPoint(at, TraceGammas(m_doc->Doc, trace));
}

void TfrmDoc::PlaceMarker(int trace, int slot, QPointF pixel) {
  if (trace < 0 || trace >= m_doc->Doc.TraceCount() || slot < 0 || slot >= kMarkersPerTrace) return;
  if (PlotMode() == pmSmith) {
    // On the chart the nearest point is the nearest in both directions.
    const int point = SmithPointAt(trace, pixel);
    if (point < 0) return;
    TMarkerSlot &m = ViewMarks(trace)[static_cast<std::size_t>(slot)];
    m.Visible = 1;
    m.Point = point;
    return;
  }
  const TPlotted p = PlottedTrace(trace);
  const QPointF g = m_graph->PixelToGraph(pixel);
  const int point = NearestPointOf(g.x(), g.y(), p.X, p.Y);
  if (point < 0) return;
  TMarkerSlot &m = m_doc->Doc.Traces[trace].ActiveMarks[static_cast<std::size_t>(slot)];
  m.Visible = 1;
  m.Point = point;
}

int TfrmDoc::NearestTraceAt(QPointF pixel) const {
  if (PlotMode() == pmSmith) return -1;
  std::vector<TPlotted> traces;
  traces.reserve(static_cast<std::size_t>(m_doc->Doc.TraceCount()));
  for (int i = 0; i < m_doc->Doc.TraceCount(); ++i)
    traces.push_back(PlottedTrace(i));
  return NearestTrace(
      pixel.x(), pixel.y(), traces,
      [this](double x, double y) {
        const QPointF p = m_graph->GraphToPixel(QPointF(x, y));
        return std::pair<double, double>(p.x(), p.y());
      },
      [this](double px) { return m_graph->PixelToGraph(QPointF(px, 0.0)).x(); });
}

void TfrmDoc::PlaceLimitLine(double value) {
  TTraceDoc &d = m_doc->Doc;
  const bool dist = d.PlotMode == pmDistance;
  (dist ? d.DistLimitMode : d.FreqLimitMode) = 1;
  (dist ? d.DistLimitValue : d.FreqLimitValue) = value;
  m_activeMarker = -1;
}

void TfrmDoc::ToolClick(QPoint pixel) {
  if (PlotMode() == pmSmith) return;
  if (m_clickTaken) {
    m_clickTaken = false;
    return;
  }
  TStepScope step(*this, m_toolMode == tmLimitLine ? "Place Limit Line" : "Place Marker");
  switch (m_toolMode) {
  case tmSelect: {
    const int trace = NearestTraceAt(QPointF(pixel));
    if (trace >= 0 && trace != m_activeTrace) {
      m_activeMarker = -1;
      SetActiveTrace(trace);
    }
    // Pressed on a trace: moving the pointer drags it to another window.
    m_tracePressed = trace >= 0 && m_doc->Doc.DataKind == 0;
    m_pressAt = pixel;
    return;
  }
  case tmAddMarker: {
    if (m_activeTrace < 0) return;
    TTraceData &t = m_doc->Doc.Traces[m_activeTrace];
    const int slot = std::clamp(t.NextMarkSlot, 0, kMarkersPerTrace - 1);
    PlaceMarker(m_activeTrace, slot, QPointF(pixel));
    m_activeMarker = slot;
    break;
  }
  case tmLimitLine: PlaceLimitLine(m_graph->PixelToGraph(QPointF(pixel)).y()); break;
  default: return;
  }
  MarkModified();
  RefreshMarkers();
  emit toolRequested(tmSelect);
}

void TfrmDoc::AnnotationHotSpot(int index) {
  if (index < 0 || index >= m_annotationMap.Count()) return;
  const int trace = m_annotationMap.Trace(index), slot = m_annotationMap.Slot(index);
  if (trace >= m_doc->Doc.TraceCount()) return;
  m_clickTaken = true;
  // The Smith chart has no tools: a press on a marker there picks it and
  // drags it along its trace, as the Select tool does.
  const auto tool = PlotMode() == pmSmith ? tmSelect : m_toolMode;
  TStepScope step(*this, tool == tmHideMark ? "Hide Marker" : "Place Marker");
  switch (tool) {
  case tmSelect:
    if (trace != m_activeTrace || slot != m_activeMarker) {
      m_activeTrace = trace;
      m_activeMarker = slot;
      emit stateChanged();
    }
    m_dragMode = 2;
    m_graph->setCursor(KorvCursor(TCursorId::DragMarker));
    RefreshMarkers();
    return;
  case tmAddMarker: {
    if (m_activeTrace < 0) return void(m_clickTaken = false);
    const TTraceData &t = m_doc->Doc.Traces[trace];
    const TMarkerSlot &m = t.ActiveMarks[static_cast<std::size_t>(slot)];
    const TPlotted p = PlottedTrace(trace);
    if (m.Point < 0 || m.Point >= static_cast<int>(p.X.size())) return void(m_clickTaken = false);
    const QPointF at =
        m_graph->GraphToPixel(QPointF(p.X[static_cast<std::size_t>(m.Point)], p.Y[static_cast<std::size_t>(m.Point)]));
    const int place = std::clamp(m_doc->Doc.Traces[m_activeTrace].NextMarkSlot, 0, kMarkersPerTrace - 1);
    PlaceMarker(m_activeTrace, place, at);
    m_activeMarker = place;
    break;
  }
  case tmHideMark:
    m_doc->Doc.Traces[trace].ActiveMarks[static_cast<std::size_t>(slot)].Visible = 0;
    if (trace == m_activeTrace && slot == m_activeMarker) m_activeMarker = -1;
    break;
  case tmLimitLine: {
    const TPlotted p = PlottedTrace(trace);
    const int point = m_doc->Doc.Traces[trace].ActiveMarks[static_cast<std::size_t>(slot)].Point;
    if (point < 0 || point >= static_cast<int>(p.Y.size())) return void(m_clickTaken = false);
    PlaceLimitLine(p.Y[static_cast<std::size_t>(point)]);
    break;
  }
  default: m_clickTaken = false; return;
  }
  MarkModified();
  RefreshMarkers();
  emit toolRequested(tmSelect);
}

void TfrmDoc::LimitLineHotSpot() {
  if (PlotMode() == pmSmith) return;
  TStepScope step(*this, "Hide Limit Line");
  TTraceDoc &d = m_doc->Doc;
  switch (m_toolMode) {
  case tmSelect:
    m_clickTaken = true;
    m_dragMode = 3;
    m_graph->setCursor(KorvCursor(TCursorId::DragLimitLine));
    m_activeMarker = -1;
    RefreshMarkers();
    return;
  case tmHideMark:
    m_clickTaken = true;
    (d.PlotMode == pmDistance ? d.DistLimitMode : d.FreqLimitMode) = 0;
    MarkModified();
    RefreshMarkers();
    emit toolRequested(tmSelect);
    return;
  default: return; // the Limit Line tool moves the line to the click
  }
}

void TfrmDoc::DragTo(QPoint pixel) {
  if (m_dragMode == 2 && m_activeTrace >= 0 && m_activeMarker >= 0) {
    const TMarkerSlot before = ViewMarks(m_activeTrace)[static_cast<std::size_t>(m_activeMarker)];
    PlaceMarker(m_activeTrace, m_activeMarker, QPointF(pixel));
    if (ViewMarks(m_activeTrace)[static_cast<std::size_t>(m_activeMarker)].Point != before.Point) {
      MarkModified();
      RefreshMarkers();
    }
  } else if (m_dragMode == 3) {
    PlaceLimitLine(m_graph->PixelToGraph(QPointF(pixel)).y());
    MarkModified();
    RefreshMarkers();
  }
}

void TfrmDoc::EndDrag() {
  if (m_dragMode == 0) return;
  // The whole drag is one step.
  TStepScope step(*this, m_dragMode == 3 ? "Move Limit Line" : "Move Marker");
  m_dragMode = 0;
  // Drags start with the Select tool only, whose cursor is the default.
  m_graph->unsetCursor();
  RefreshMarkers();
}

bool TfrmDoc::MarkerKey(int key) {
  TTraceDoc &d = m_doc->Doc;
  if (d.TraceCount() == 0) return false;
  if (key == Qt::Key_Space) {
    std::vector<TMarkerSet> marks;
    marks.reserve(static_cast<std::size_t>(d.TraceCount()));
    for (int i = 0; i < d.TraceCount(); ++i) {
      marks.push_back(ViewMarks(i));
      // Markers of a hidden trace are not shown: Space passes them by.
      if (TraceHidden(i))
        for (TMarkerSlot &m : marks.back())
          m.Visible = 0;
    }
    const TMarkerPick pick = NextMarkerBySpace(marks, m_activeTrace, m_activeMarker);
    m_activeMarker = pick.Slot;
    SetActiveTrace(pick.Trace);
    return true;
  }
  if (m_activeTrace < 0 || m_activeMarker < 0) return false;
  TMarkerKey which;
  switch (key) {
  case Qt::Key_Left: which = TMarkerKey::Left; break;
  case Qt::Key_Right: which = TMarkerKey::Right; break;
  case Qt::Key_Up: which = TMarkerKey::Up; break;
  case Qt::Key_Down: which = TMarkerKey::Down; break;
  default: return false;
  }
  TStepScope step(*this, kKeyStepText);
  // The Smith view moves the frequency view's markers as that view does.
  TMarkerSlot &m = ViewMarks(m_activeTrace)[static_cast<std::size_t>(m_activeMarker)];
  m.Point =
      MovedPoint(which, m.Point, PlotMode() == pmSmith ? FrequencyPlotted(m_activeTrace) : PlottedTrace(m_activeTrace));
  MarkModified();
  RefreshMarkers();
  return true;
}

int TfrmDoc::AddMarkerCommand() {
  if (m_activeTrace < 0 || PlotMode() == pmSmith) return tmSelect;
  TTraceData &t = m_doc->Doc.Traces[m_activeTrace];
  const TMarkerSet was = t.ActiveMarks;
  const TAddMarker add = korv::AddMarkerCommand(t.ActiveMarks);
  switch (add.Step) {
  case TAddMarkerStep::PlaceNext:
    // Nothing is shown until the click places the marker; that click is
    // the undo step, so Undo never takes back a change nobody saw.
    t.ActiveMarks = was;
    t.NextMarkSlot = add.Slot;
    return tmAddMarker;
  case TAddMarkerStep::ShownAgain: {
    TStepScope step(*this, "Show Marker");
    m_activeMarker = add.Slot;
    MarkModified();
    RefreshMarkers();
    return tmSelect;
  }
  default: return tmSelect;
  }
}

int TfrmDoc::LimitLineCommand() {
  TTraceDoc &d = m_doc->Doc;
  const bool dist = d.PlotMode == pmDistance;
  const bool hidden = (dist ? d.DistLimitMode : d.FreqLimitMode) == 0;
  const double value = dist ? d.DistLimitValue : d.FreqLimitValue;
  if (hidden && value < kUnplacedLimit) {
    TStepScope step(*this, "Show Limit Line");
    (dist ? d.DistLimitMode : d.FreqLimitMode) = 1;
    m_activeMarker = -1;
    MarkModified();
    RefreshMarkers();
    return tmSelect;
  }
  return tmLimitLine;
}

int TfrmDoc::HideMarkCommand() {
  if (m_activeTrace >= 0 && m_activeMarker >= 0) {
    TStepScope step(*this, "Hide Marker");
    m_doc->Doc.Traces[m_activeTrace].ActiveMarks[static_cast<std::size_t>(m_activeMarker)].Visible = 0;
    m_activeMarker = -1;
    MarkModified();
    RefreshMarkers();
    return tmSelect;
  }
  return tmHideMark;
}

} // namespace korv
