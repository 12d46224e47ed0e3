#pragma once
// Whole-list queries over a trace list: record copies, a one-line listing
// per trace, and value ranges over every point of every trace.
#include <string>

#include "core/MOXDoc.h"

namespace korv {

struct TValueRange {
  double Min = 0.0;
  double Max = 0.0;
};

// A plain copy of the record of trace i.
void CopyRecord(const TTraceArray &traces, int i, TTraceData &out);
// The record of trace i (throws for an index out of range).
TTraceData *Record(TTraceArray &traces, int i);
const TTraceData *Record(const TTraceArray &traces, int i);
// The trace's date-time text, "," and its title between quote characters.
std::string ListingText(const TTraceArray &traces, int i);

// Smallest and largest value over the first NumPoints points of every trace;
// 0 and 0 for an empty list. Points a trace declares but does not hold are
// skipped rather than read past the array.
TValueRange MagRange(const TTraceArray &traces);
TValueRange FreqRange(const TTraceArray &traces);
TValueRange DistAxisRange(const TTraceArray &traces);
TValueRange DistMagRange(const TTraceArray &traces);

} // namespace korv
