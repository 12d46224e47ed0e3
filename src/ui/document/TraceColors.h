#pragma once
// The look of the 14 traces of a document: a colour each, and for the
// monochrome styles a dash pattern and a symbol each, so every trace stays
// distinguishable in colour, in black and white, and in a legend.
#include "ui/chart/Graph.h"

namespace korv {

inline constexpr int kTraceStyleCount = 14;

// Style of trace index (wraps beyond 14).
TSubsetStyle TraceStyle(int index);
// The colour trace index is drawn with on the light or the dark chart (the
// trace list's swatches show the same).
QColor TraceColorShown(int index, bool dark);
// The limit line's colour, unlike every trace's.
inline QColor LimitLineColor() { return {255, 0, 0}; }
// Applies TraceStyle to every subset of a graph.
void ApplyTraceStyles(TGraph &graph);

} // namespace korv
