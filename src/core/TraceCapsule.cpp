#include "core/TraceCapsule.h"

#include <algorithm>

#include "core/Excption.h"

namespace korv {

void TTraceCapsule::Store(const TTraceData &trace) {
  // TTraceData holds its arrays by value: assignment gives the capsule its
  // own copies, never shared storage.
  m_trace = trace;
  m_filled = 1;
}

void TTraceCapsule::Take(TTraceData &target) const { target = m_trace; }

bool TTraceCapsule::CopyFrom(TmoxDocument &doc, int index) {
  if (doc.Doc.DataKind != 0) {
    Invalidate();
    return false;
  }
  doc.StoreActiveMarks();
  Store(doc.Doc.Traces[index]);
  m_scaleUnit = doc.Doc.ScaleUnit;
  m_distUnit = doc.Doc.DistUnit;
  return true;
}

bool TTraceCapsule::PasteInto(TmoxDocument &doc) const {
  if (doc.Doc.TraceCount() > kMaxTraces - 1) throw EmoxTooManyTracesError(kMsgTooManyTraces);
  if (!Filled()) return false;
  doc.StoreActiveMarks();
  TTraceData &t = doc.Doc.Traces[doc.Doc.AddTrace()];
  Take(t);
  doc.Doc.MaxPoints = std::max(doc.Doc.MaxPoints, m_trace.NumPoints);
  doc.LoadActiveMarks();
  return true;
}

} // namespace korv
