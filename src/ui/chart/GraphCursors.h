#pragma once
// The mouse cursors of the graphs: the tools' cursors and the drag cursors,
// drawn in code so they look the same on every desktop and need no image
// files.
#include <QCursor>

namespace korv {

// The program's cursor slots (the gap at 12 is kept: the numbers are the
// ones a cursor resource set of the program has always used).
enum class TCursorId : int {
  Arrow = 0,
  // Over a document window that takes the trace.
  DragTrace = 1,
  // A marker or the limit line dragged over its own graph.
  DragMarker = 2,
  DragLimitLine = 3,
  ZoomIn = 4,
  ZoomOut = 5,
  AddMarker = 6,
  AddMarkerActive = 7,
  LimitLine = 8,
  LimitLineDrag = 9,
  HideMark = 10,
  HideMarkActive = 11,
  // A trace dragged over its own window's graph.
  DragTraceOwnGraph = 13
};
QCursor KorvCursor(TCursorId id);

} // namespace korv
