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
  std::uint8_t ScaleUnit() const { return m_scaleUnit; }
  void SetScaleUnit(std::uint8_t unit) { m_scaleUnit = unit; }
  const TTraceData &Trace() const { return m_trace; }

  // The copy command of a document window: stores the trace at index (after
  // the active markers went back into the set of the plot mode) when the
  // document's DataKind allows it. Returns whether paste is now possible.
  bool CopyFrom(TmoxDocument &doc, int index);
  // The paste command: appends the stored trace to doc. Throws
  // EmoxTooManyTracesError (capsule unchanged) when the document is full;
  // returns false when the capsule is empty.
  bool PasteInto(TmoxDocument &doc) const;

private:
  std::uint8_t m_filled = 0;
  TTraceData m_trace;
  std::uint8_t m_scaleUnit = 0;
};

} // namespace korv
