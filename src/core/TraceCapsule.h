#pragma once
// The private copy of one trace behind Copy and Paste between document
// windows. It owns its arrays, so the source document may close before a
// paste, and every paste gets arrays of its own.
#include <cstdint>

#include "core/Declare.h"
#include "core/MOXDoc.h"

namespace korv {

class TTraceCapsule {
public:
  TTraceCapsule() = default;

  // Copies the whole record with its five arrays and marks the capsule filled.
  void Store(const TTraceData &trace);
  // Copies the stored record (arrays included) into target; the capsule keeps
  // its trace so it can be pasted again.
  void Take(TTraceData &target) const;
  // A copy from a document whose points cannot be pasted empties the capsule
  // (the old trace stays but is no longer offered).
  void Invalidate() { m_filled = 0; }

  bool Filled() const { return m_filled != 0; }
  // The units the stored trace's values are in: its document's display
  // unit and distance unit. A paste converts from both.
  std::uint8_t ScaleUnit() const { return m_scaleUnit; }
  void SetScaleUnit(std::uint8_t unit) { m_scaleUnit = unit; }
  std::uint8_t DistUnit() const { return m_distUnit; }
  void SetDistUnit(std::uint8_t unit) { m_distUnit = unit; }
  const TTraceData &Trace() const { return m_trace; }

  // The copy command of a document window: stores the trace at index (after
  // the active markers went back into the set of the plot mode) when the
  // document's DataKind allows it. Returns whether paste is now possible.
  bool CopyFrom(TmoxDocument &doc, int index);
  // Appends the stored trace to doc as it is, without converting its units
  // (measure/TraceMerge's PasteCapsule is the paste command, which does).
  // Throws EmoxTooManyTracesError (capsule unchanged) when the document is
  // full; returns false when the capsule is empty.
  bool PasteInto(TmoxDocument &doc) const;

private:
  std::uint8_t m_filled = 0;
  TTraceData m_trace;
  std::uint8_t m_scaleUnit = 0;
  std::uint8_t m_distUnit = 0;
};

} // namespace korv
