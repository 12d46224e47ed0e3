#pragma once
// The program's toolbar pictures and icon (the cursors are in
// ui/chart/GraphCursors), drawn in code so
// they look the same on every desktop and need no image files.
#include <QCursor>

#include "ui/chart/GraphCursors.h"
#include <QIcon>
#include <QString>

namespace korv {

// A toolbar picture by button name ("Open", "Save", "MeasureMatch", ...).
QIcon ToolIcon(const QString &name);
// The same picture with both of its sizes drawn at once.
QIcon EagerToolIcon(const QString &name);
// Registers the program's built-in resources (help pages, icon).
void InitKorvResources();
// The application icon at any size.
QIcon AppIcon();

} // namespace korv
