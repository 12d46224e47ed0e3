#pragma once
// Documents whose points already are distance-domain data (data kind 2 in
// the distance view, as a Site Master stores them): the points are shown
// as they are, never run through the distance transform a second time.
#include "core/MOXDoc.h"

namespace korv {

inline constexpr std::uint8_t kDataKindDistance = 2;

// True for a document whose stored points are distances and reflections.
bool HoldsStoredDistanceData(const TTraceDoc &doc);
// Copies each trace's axis (Freq) into DistAxis and its values (Mag) into
// DistMag when the document holds stored distance data; false otherwise.
bool UseStoredDistanceData(TTraceDoc &doc);

} // namespace korv
