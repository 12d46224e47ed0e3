#pragma once
// The Edit commands of a document window: the graph as a picture on the
// clipboard, the active trace's data as text beside it, and traces moved
// between windows through the one trace capsule the main window owns.
#include <QString>
#include <functional>

class QMimeData;

namespace korv {

class TfrmDoc;
class TTraceCapsule;

// The active trace's points as text: "Data from <file> <label>", a header
// of unit words, one line per point, fields split by the delimiter, lines
// ended by CR LF. Empty without an active trace or in the Smith chart.
QString TraceClipboardText(TfrmDoc &doc, char delimiter);

// The shown graph as clipboard data: a bitmap (imageFormat 1), or a vector
// picture (SVG) with a bitmap for programs that cannot take SVG.
QMimeData *GraphMimeData(TfrmDoc &doc, int imageFormat);

// Copy: picture (when asked), the trace text, and the trace into the
// capsule when the document's points can be pasted elsewhere. Returns
// whether the capsule now offers a paste.
bool CopyTrace(TfrmDoc &doc, TTraceCapsule &capsule, bool withImage, char delimiter, int imageFormat);
// Removes the active trace; the first trace becomes active.
bool DeleteTrace(TfrmDoc &doc);
// Appends the capsule's trace in the document's display unit. A full
// document or values the unit cannot take are reported through error and
// leave the document as it was.
bool PasteTrace(TfrmDoc &doc, const TTraceCapsule &capsule, const std::function<void(const QString &)> &error);

} // namespace korv
