#pragma once
// The program entry: fixed number formats, the single-instance hand-over,
// the splash window, the main window, and the command line (files to open,
// or "/p" and files to print).
#include <QString>
#include <QStringList>

#include "settings/Config.h"

namespace korv {

// Decimal point ".", thousands ",", dates m/d/yyyy, whatever the user's locale.
void SetFixedFormats();
// Folders the settings defaults depend on, for the running program.
TSettingsContext ProgramSettingsContext();
// Korv-MOX.ini: the first of the places looked for that exists, else where
// a new one goes (settings/Config.h).
QString ProgramSettingsPath();
// Relative file names made absolute, so a running copy in another folder
// finds them; "/p" kept as it is.
QStringList AbsoluteArguments(const QStringList &args);
// main(): returns the exit code.
int RunKorvMox(int argc, char **argv);

} // namespace korv
