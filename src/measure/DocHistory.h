#pragma once
// The document's change history without widgets: a checkpoint of the
// document as last recorded, and the steps between checkpoints. A step
// keeps whole documents before and after, so undoing it restores every
// field exactly; consecutive steps share their documents.
#include <memory>
#include <optional>

#include "core/MOXDoc.h"

namespace korv {

// True when both documents hold the same content. The Modified flag and
// the slot the next new marker takes are no content; floating values
// compare as equal when both are NaN.
bool SameDocumentContent(const TmoxDocument &a, const TmoxDocument &b);

using TDocState = std::shared_ptr<const TmoxDocument>;

struct TDocStep {
  TDocState Before;
  TDocState After;
};

class TDocCheckpoint {
public:
  // Forgets the history: the document as it is now is the new base.
  void Reset(const TmoxDocument &now);
  // The change since the last checkpoint, which moves to `now`; nothing
  // when the content is unchanged.
  std::optional<TDocStep> Take(const TmoxDocument &now);
  // After an undo or redo: the document restored from `state` is the base.
  void MoveTo(TDocState state) { m_base = std::move(state); }
  const TDocState &Base() const { return m_base; }

private:
  TDocState m_base;
};

} // namespace korv
