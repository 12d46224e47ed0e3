#pragma once
// Data files the program ships: where to find them whether it runs from
// the build tree, from an installed prefix or from a copied folder.
#include <QString>
#include <QStringList>

namespace korv {

// The first existing file among: the user's own setting, then the
// candidates in order. Empty when none exists.
QString FirstExistingFile(const QString &setting, const QStringList &candidates);

// Where the cable list may stand: beside the program, in the installed
// data folder (share/korvmox beside the program's prefix, then the build's
// install prefix).
QStringList CableListCandidates(const QString &programDir);

// The cable list to use for the "CableList" setting: the setting when that
// file exists, else the first of the candidates, else the copy bundled in
// the program (written once to the user's data folder). Empty only when
// even that copy cannot be written.
QString ResolveCableList(const QString &setting, const QString &programDir, const QString &dataDir);

} // namespace korv
