#pragma once
// The program's own mouse cursors and toolbar pictures, drawn in code so
// they look the same on every desktop and need no image files.
#include <QCursor>
#include <QIcon>
#include <QString>

namespace korv {

// The program's cursor slots (the gap at 12 is kept: the numbers are the
// ones a cursor resource set of the program has always used).
enum class TCursorId : int {
  Arrow = 0,
  DragTrace = 1,
  DragTraceRefused = 2,
  DragMarker = 3,
  ZoomIn = 4,
  ZoomOut = 5,
  AddMarker = 6,
  AddMarkerActive = 7,
  LimitLine = 8,
  LimitLineDrag = 9,
  HideMark = 10,
  HideMarkActive = 11,
  DragLimitLine = 13
};
QCursor KorvCursor(TCursorId id);
// A toolbar picture by button name ("Open", "Save", "MeasureMatch", ...).
QIcon ToolIcon(const QString &name);
// Registers the program's built-in resources (help pages, icon).
void InitKorvResources();
// The application icon at any size.
QIcon AppIcon();

} // namespace korv
