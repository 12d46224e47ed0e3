#pragma once
// Traces moving into a document (a drop from another window, a received or
// imported trace): the appended trace in this document's unit, the widened
// axes, and the names of windows made for new traces.
#include <functional>
#include <string>

#include "core/MOXDoc.h"

namespace korv {

class TTraceCapsule;

inline constexpr const char *kMsgTraceFormatIncompatible = "Trace Format is incompatible with Document type.";

// Appends a copy of `trace` (its values in display unit `fromUnit`, its
// distances in `fromDistUnit`) to the document, converted to the document's
// display unit (both views' values) and distance unit (axis, cable window
// and loss per length); MaxPoints grows to take it. A full document throws
// EmoxTooManyTracesError, a value the unit cannot take the conversion's
// error; either way the document is unchanged. Returns the new trace's index.
int AppendTrace(TTraceDoc &doc, const TTraceData &trace, int fromUnit, int fromDistUnit);

// A trace of another document joining this one (a drop, a received or
// imported trace into a window that holds traces): the first trace of src,
// in this document's units, with the data-kind rules (stored distance data
// only joins stored distance data, and the reverse), and for data kind 0
// the axes widened to take it. All or nothing: a refusal throws and leaves
// the document as it was. Returns the new trace's index.
int MergeTrace(TTraceDoc &target, const TTraceDoc &src);

// One trace of a document as a document of its own, with the units, data
// kind and scale groups it is seen in (what a drag carries to a window).
TTraceDoc TraceAsDocument(const TTraceDoc &source, int index);

// The paste command: the capsule's trace appended in the document's units
// (active markers stored first and loaded after). False when the capsule
// is empty; refusals throw and leave the document as it was.
bool PasteCapsule(TmoxDocument &doc, const TTraceCapsule &capsule);

// The scale groups of `src` expressed in another display unit and distance
// unit: distance X ranges scaled, Y ranges converted (a Y range the unit
// cannot express becomes automatic).
void ConvertScaleGroups(TTraceDoc &src, int toUnit, int toDistUnit);

// The axes after an append, per domain and axis: a manual range of the
// target takes in the source's manual range when that is manual too, else
// the data of the target (X with 2 %, Y with 10 % of the span each side).
// Automatic ranges stay automatic. The current scale follows its domain.
void WidenScaleGroups(TTraceDoc &target, const TTraceDoc &source);

// The name of a window made for a trace: its label without " * . / : < > ?
// \ |, "Untitled" when nothing is left, at most 20 characters.
std::string WindowNameFromLabel(const std::string &label);
// name + ".kdt", or name + "(k).kdt" for the first k that is free.
std::string UniqueDocumentName(const std::string &name, const std::function<bool(const std::string &)> &taken);

} // namespace korv
