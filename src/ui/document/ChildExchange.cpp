// Traces coming into a document window: AddDocument for received and
// imported traces, and traces dragged from another window and dropped here.
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>

#include <QDropEvent>
#include <QMimeData>
#include <QPointer>
#include <algorithm>
#include <set>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "measure/TraceMerge.h"
#include "ui/chart/GraphCursors.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"

namespace korv {

namespace {
// Windows that can be the source of a drag: a pointer in the mime data is
// used only while its window is alive.
std::set<const TfrmDoc *> &LiveWindows() {
  static std::set<const TfrmDoc *> live;
  return live;
}
TfrmDoc::TDragHook &DragHook() {
  static TfrmDoc::TDragHook hook;
  return hook;
}
} // namespace

void RegisterDocumentWindow(const TfrmDoc *doc, bool alive) {
  if (alive)
    LiveWindows().insert(doc);
  else
    LiveWindows().erase(doc);
}

QString TfrmDoc::TraceMimeType() { return QStringLiteral("application/x-korv-trace"); }
void TfrmDoc::SetDragHook(TDragHook hook) { DragHook() = std::move(hook); }

void TfrmDoc::AddDocument(const TmoxDocument &src, const std::function<bool(const std::string &)> &taken) {
  AppendDocument(src, taken);
  // A received trace is no step of the history: what came before it
  // cannot be undone around it.
  ResetHistory();
}

void TfrmDoc::AppendDocument(const TmoxDocument &src, const std::function<bool(const std::string &)> &taken) {
  if (src.Doc.TraceCount() == 0) return;
  TTraceDoc &d = m_doc->Doc;
  if (d.TraceCount() > kMaxTraces - 1) throw EmoxTooManyTracesError(kMsgTooManyTraces);
  if (d.TraceCount() == 0) {
    // An empty window becomes the received document, named after its trace.
    auto copy = std::make_unique<TmoxDocument>(src);
    while (copy->Doc.TraceCount() > 1)
      copy->Doc.Traces.Delete(copy->Doc.TraceCount() - 1);
    const std::string name = UniqueDocumentName(WindowNameFromLabel(src.Doc.Traces[0].Label.str()), taken);
    SetDocument(std::move(copy), QString::fromStdString(name), true);
    SetActiveTrace(0);
    // Held nowhere but here: closing must ask.
    MarkModified();
    return;
  }
  const int added = MergeTrace(d, src.Doc);
  m_activeMarker = -1;
  if (d.PlotMode == pmDistance && d.DataKind != 2) ApplyFaultSettings(added + 1);
  MarkModified();
  RebuildView();
  SetActiveTrace(added);
  show();
}

void TfrmDoc::ReplaceTracePoints(int index, const TmoxDocument &src) {
  TTraceDoc &d = m_doc->Doc;
  if (index < 0 || index >= d.TraceCount() || src.Doc.TraceCount() == 0)
    throw EmoxException("The trace to update is no longer in the window.");
  if (d.DataKind == 2) throw EmoxIOTraceFormatErr(kMsgTraceFormatIncompatible);
  // Converted in a copy first: a refusal leaves the window as it was.
  TTraceDoc scratch = d;
  while (scratch.TraceCount() > 0)
    scratch.Traces.Delete(scratch.TraceCount() - 1);
  const int added = AppendTrace(scratch, src.Doc.Traces[0], src.Doc.ScaleUnit, src.Doc.DistUnit);
  const TTraceData &fresh = scratch.Traces[added];
  TTraceData &t = d.Traces[index];
  t.Freq = fresh.Freq;
  t.Mag = fresh.Mag;
  t.Angle = fresh.Angle;
  t.NumPoints = fresh.NumPoints;
  t.DateTime = fresh.DateTime;
  t.SetupDateTime = fresh.SetupDateTime;
  t.Model = fresh.Model;
  t.Revision = fresh.Revision;
  d.MaxPoints = 0;
  for (int i = 0; i < d.TraceCount(); ++i)
    d.MaxPoints = std::max(d.MaxPoints, d.Traces[i].NumPoints);
  m_doc->UpdateTraceDerived(t);
  if (t.StopDist > t.MaxDist) t.StopDist = t.MaxDist;
  // Markers stay on their points; a sweep of fewer points holds them at its end.
  for (TMarkerSlot &m : t.FreqMarks)
    m.Point = std::min(m.Point, t.NumPoints - 1);
  if (d.PlotMode != pmDistance)
    for (TMarkerSlot &m : t.ActiveMarks)
      m.Point = std::min(m.Point, t.NumPoints - 1);
  if (d.PlotMode == pmDistance) ApplyFaultSettings(index + 1);
  MarkModified();
  RebuildView();
}

const TfrmDoc *TfrmDoc::DragSource(const QMimeData *mime, int &trace) const {
  if (mime == nullptr || !mime->hasFormat(TraceMimeType())) return nullptr;
  const QList<QByteArray> parts = mime->data(TraceMimeType()).split(':');
  if (parts.size() != 2) return nullptr;
  bool okPtr = false, okTrace = false;
  const auto address = static_cast<quintptr>(parts[0].toULongLong(&okPtr, 16));
  trace = parts[1].toInt(&okTrace);
  const auto *source = reinterpret_cast<const TfrmDoc *>(address); // NOLINT(performance-no-int-to-ptr): checked below
  if (!okPtr || !okTrace || LiveWindows().count(source) == 0 || source == this) return nullptr;
  if (trace < 0 || trace >= source->Document().Doc.TraceCount()) return nullptr;
  return source;
}

bool TfrmDoc::IsOwnTraceDrag(const QMimeData *mime) const {
  if (mime == nullptr || !mime->hasFormat(TraceMimeType())) return false;
  const QByteArray address = mime->data(TraceMimeType()).split(':').value(0);
  bool ok = false;
  return static_cast<quintptr>(address.toULongLong(&ok, 16)) == reinterpret_cast<quintptr>(this) && ok;
}

bool TfrmDoc::AcceptDroppedTrace(const TfrmDoc &source, int trace) {
  const TTraceDoc &s = source.Document().Doc;
  if (trace < 0 || trace >= s.TraceCount()) return false;
  TmoxDocument one(TmoxDocument::EmptyTag{});
  one.Doc = TraceAsDocument(s, trace);
  try {
    if (m_doc->Doc.TraceCount() == 0) {
      ShowError(QString::fromLatin1(kMsgTraceFormatIncompatible));
      return false;
    }
    TStepScope step(*this, "Drop Trace");
    AppendDocument(one, [](const std::string &) { return false; });
    return true;
  } catch (const Exception &e) {
    ShowError(QString::fromStdString(e.Message()));
    return false;
  }
}

QMimeData *TfrmDoc::TraceDragData(int trace) const {
  auto *mime = new QMimeData;
  mime->setData(TraceMimeType(),
                QByteArray::number(reinterpret_cast<quintptr>(this), 16) + ':' + QByteArray::number(trace));
  return mime;
}

void TfrmDoc::StartTraceDrag() {
  if (m_activeTrace < 0 || m_doc->Doc.DataKind != 0) return;
  QMimeData *mime = TraceDragData(m_activeTrace);
  m_dragMode = 1;
  if (DragHook()) {
    DragHook()(mime);
    delete mime;
  } else {
    auto *drag = new QDrag(this);
    drag->setMimeData(mime);
    // Copy: over another window that takes the trace; link: over this
    // window's own graph, which shows where the trace came from and takes
    // nothing.
    drag->setDragCursor(KorvCursor(TCursorId::DragTrace).pixmap(), Qt::CopyAction);
    drag->setDragCursor(KorvCursor(TCursorId::DragTraceOwnGraph).pixmap(), Qt::LinkAction);
    drag->exec(Qt::CopyAction | Qt::LinkAction, Qt::CopyAction);
  }
  m_dragMode = 0;
  RefreshAnnotations();
}

// An enter is a move that arrives: both accept a trace of another window.
void TfrmDoc::dragEnterEvent(QDragEnterEvent *event) { dragMoveEvent(event); }

void TfrmDoc::dragMoveEvent(QDragMoveEvent *event) {
  int trace = -1;
  if (PlotMode() != pmSmith && DragSource(event->mimeData(), trace) != nullptr) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else if (IsOwnTraceDrag(event->mimeData())) {
    event->setDropAction(Qt::LinkAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void TfrmDoc::dropEvent(QDropEvent *event) {
  int trace = -1;
  const TfrmDoc *source = DragSource(event->mimeData(), trace);
  if (source == nullptr || PlotMode() == pmSmith) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  AcceptDroppedTrace(*source, trace);
}

} // namespace korv
