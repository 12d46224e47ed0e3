#pragma once
// The program's toolbar pictures and icon (the cursors are in
// ui/chart/GraphCursors), drawn in code so
// they look the same on every desktop and need no image files.
#include <QCursor>

#include "ui/chart/GraphCursors.h"
#include <QIcon>
#include <QPixmap>
#include <QString>

namespace korv {

// A toolbar picture by button name ("Open", "Save", "MeasureMatch", ...).
QIcon ToolIcon(const QString &name);
// The same picture with both of its sizes drawn at once.
QIcon EagerToolIcon(const QString &name);
// Registers the program's built-in resources (help pages, icon).
void InitKorvResources();
// The application icon, as window icons take it (16 to 64 pixels).
QIcon AppIcon();
// The application's picture drawn at size x size pixels (splash, About).
QPixmap AppPicture(int size);

} // namespace korv
