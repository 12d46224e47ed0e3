#pragma once
// Traces moving into a document (a drop from another window, a received or
// imported trace): the appended trace in this document's unit, the widened
// axes, and the names of windows made for new traces.
#include <functional>
#include <string>

#include "core/MOXDoc.h"

namespace korv {

inline constexpr const char *kMsgTraceFormatIncompatible = "Trace Format is incompatible with Document type.";

// Appends a copy of `trace` (its values in display unit `fromUnit`) to the
// document, converted to the document's unit; MaxPoints grows to take it.
// A full document throws EmoxTooManyTracesError, a value the unit cannot
// take the conversion's error; either way the document is unchanged.
// Returns the new trace's index.
int AppendTrace(TTraceDoc &doc, const TTraceData &trace, int fromUnit);

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
