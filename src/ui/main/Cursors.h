#pragma once
// The program's own mouse cursors and toolbar pictures, drawn in code so
// they look the same on every desktop and need no image files.
#include <QCursor>
#include <QIcon>
#include <QString>

namespace korv {

// Cursor slots 1..11 and 13 (slot 4 zoom in, 5 zoom out, 6/7 add marker,
// 8/9 limit line, 10/11 hide mark, 1..3 and 13 dragging); any other number
// gives the arrow.
QCursor KorvCursor(int number);
// A toolbar picture by button name ("Open", "Save", "MeasureMatch", ...).
QIcon ToolIcon(const QString &name);
// Registers the program's built-in resources (help pages, icon).
void InitKorvResources();
// The application icon at any size.
QIcon AppIcon();

} // namespace korv
