// The document window's history: every change to the document becomes one
// step of its undo stack. The steps hold whole documents (measure/
// DocHistory), recorded when a user action ends, so a drag is one step and
// nothing a step did is ever half undone.
#include <QUndoCommand>
#include <QUndoStack>

#include "ui/chart/Graph.h"
#include "ui/document/Child.h"

namespace korv {

namespace {
// Enough for a long session; the oldest steps go first.
constexpr int kUndoLimit = 100;
} // namespace

// The hidden marks of the traces go with the document: undo shows a trace
// again as it hides a deleted one's return.
using THidden = std::vector<bool>;

class TDocStepCommand : public QUndoCommand {
public:
  TDocStepCommand(TfrmDoc &doc, TDocStep step, THidden before, THidden after, const QString &text, bool mergeable)
      : QUndoCommand(text), m_doc(doc), m_step(std::move(step)), m_hiddenBefore(std::move(before)),
        m_hiddenAfter(std::move(after)), m_mergeable(mergeable) {}
  int id() const override { return m_mergeable ? 1 : -1; }
  bool mergeWith(const QUndoCommand *other) override {
    const auto *next = dynamic_cast<const TDocStepCommand *>(other);
    if (next == nullptr || !next->m_mergeable) return false;
    m_step.After = next->m_step.After;
    m_hiddenAfter = next->m_hiddenAfter;
    return true;
  }
  void undo() override { m_doc.RestoreState(m_step.Before, m_hiddenBefore); }
  // What followed the step before the next one began (a view refreshing
  // derived fields, a window reacting to the step) belongs to it.
  void Amend(TDocState after, THidden hidden) {
    m_step.After = std::move(after);
    m_hiddenAfter = std::move(hidden);
  }
  void redo() override {
    // Pushed after the change was made: the first redo has nothing to do.
    if (m_pushed) m_doc.RestoreState(m_step.After, m_hiddenAfter);
    m_pushed = true;
  }

private:
  TfrmDoc &m_doc;
  TDocStep m_step;
  THidden m_hiddenBefore, m_hiddenAfter;
  bool m_mergeable = false;
  bool m_pushed = false;
};

namespace {
// Marks compare without the shown traces at the end.
THidden Trimmed(THidden h) {
  while (!h.empty() && !h.back())
    h.pop_back();
  return h;
}
} // namespace

TfrmDoc::TStepScope::TStepScope(TfrmDoc &doc, const char *text) : m_owner(doc) {
  if (m_owner.m_stepDepth++ == 0) m_owner.m_stepText = QString::fromLatin1(text);
}

TfrmDoc::TStepScope::~TStepScope() {
  if (--m_owner.m_stepDepth == 0) m_owner.RecordStep(m_owner.m_stepText);
}

void TfrmDoc::CreateHistory() {
  m_undo = new QUndoStack(this);
  m_undo->setObjectName(QStringLiteral("undoStack"));
  m_undo->setUndoLimit(kUndoLimit);
  connect(m_undo, &QUndoStack::indexChanged, this, [this] { emit historyChanged(); });
  connect(m_undo, &QUndoStack::cleanChanged, this, [this] { emit historyChanged(); });
}

void TfrmDoc::RecordStep(const QString &text) {
  if (m_restoring || m_stepDepth > 0 || m_undo == nullptr) return;
  m_hidden = Trimmed(m_hidden);
  std::optional<TDocStep> step = m_checkpoint.Take(*m_doc);
  if (!step && m_hidden != m_hiddenBase) step = TDocStep{m_checkpoint.Base(), m_checkpoint.Base()};
  if (!step) return;
  m_undo->push(
      new TDocStepCommand(*this, std::move(*step), m_hiddenBase, m_hidden, text, text == QLatin1String(kKeyStepText)));
  m_hiddenBase = m_hidden;
}

void TfrmDoc::ResetHistory() {
  m_undo->clear();
  m_checkpoint.Reset(*m_doc);
  m_hidden = Trimmed(m_hidden);
  m_hiddenBase = m_hidden;
  m_savedState = IsModified() ? nullptr : m_checkpoint.Base();
  // A document that arrives modified has no saved state to return to.
  if (IsModified()) m_undo->resetClean();
}

bool TfrmDoc::CanUndo() const { return m_undo->canUndo() && m_dragMode == 0; }
bool TfrmDoc::CanRedo() const { return m_undo->canRedo() && m_dragMode == 0; }
QString TfrmDoc::UndoText() const { return m_undo->undoText(); }
QString TfrmDoc::RedoText() const { return m_undo->redoText(); }

void TfrmDoc::AmendCurrentStep() {
  m_hidden = Trimmed(m_hidden);
  std::optional<TDocStep> step = m_checkpoint.Take(*m_doc);
  if (!step && m_hidden != m_hiddenBase) step = TDocStep{m_checkpoint.Base(), m_checkpoint.Base()};
  if (!step) return;
  const THidden before = m_hiddenBase;
  m_hiddenBase = m_hidden;
  const int index = m_undo->index();
  if (index > 0) {
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-const-cast): the stack owns its commands and hands out const ones
    auto *current = const_cast<QUndoCommand *>(m_undo->command(index - 1));
    if (auto *command = dynamic_cast<TDocStepCommand *>(current)) {
      command->Amend(step->After, m_hidden);
      return;
    }
  }
  if (!m_undo->canRedo())
    m_undo->push(new TDocStepCommand(*this, std::move(*step), before, m_hidden, QStringLiteral("Change"), false));
}

bool TfrmDoc::Undo() {
  if (m_dragMode != 0) return false;
  // Changes since the last step was recorded go with it, so undoing it
  // returns to the state before it and loses nothing.
  AmendCurrentStep();
  if (!m_undo->canUndo()) return false;
  m_undo->undo();
  AfterHistoryMove();
  return true;
}

bool TfrmDoc::Redo() {
  if (m_dragMode != 0) return false;
  AmendCurrentStep();
  if (!m_undo->canRedo()) return false;
  m_undo->redo();
  AfterHistoryMove();
  return true;
}

void TfrmDoc::AfterHistoryMove() {
  // Back at the saved state, or at a state of the same content (a step
  // that only hid or showed traces).
  if (m_undo->isClean() || (m_savedState && SameDocumentContent(*m_savedState, *m_doc)))
    ClearModified();
  else
    MarkModified();
  emit stateChanged();
}

void TfrmDoc::RestoreState(const TDocState &state, const std::vector<bool> &hidden) {
  if (!state) return;
  m_restoring = true;
  m_hidden = hidden;
  m_hiddenBase = hidden;
  const int trace = m_activeTrace, marker = m_activeMarker;
  const int oldMode = PlotMode();
  m_doc = std::make_unique<TmoxDocument>(*state);
  m_checkpoint.MoveTo(state);
  m_dragMode = 0;
  m_tracePressed = false;
  const int mode = PlotMode();
  CreateGraph(mode == pmSmith);
  if (mode != oldMode) {
    m_graph->SetZoomMode(false);
    m_zoomed = false;
    m_zoomLevel = 0;
  }
  SetUnitWords();
  const int count = m_doc->Doc.TraceCount();
  m_activeTrace = trace >= 0 && trace < count ? trace : (count > 0 ? 0 : -1);
  if (TraceHidden(m_activeTrace)) m_activeTrace = FirstShownTrace();
  m_activeMarker = -1;
  if (m_activeTrace >= 0 && marker >= 0 && marker < kMarkersPerTrace &&
      m_doc->Doc.Traces[m_activeTrace].ActiveMarks[static_cast<std::size_t>(marker)].Visible != 0)
    m_activeMarker = marker;
  RebuildView();
  // Building the view refreshes derived fields (the calibration summary);
  // the document as shown is the base of the next step.
  m_checkpoint.Reset(*m_doc);
  m_restoring = false;
  if (mode != oldMode) emit plotModeChanged(mode);
}

bool TfrmDoc::RenameTrace(int index, const QString &label) {
  TTraceDoc &d = m_doc->Doc;
  if (index < 0 || index >= d.TraceCount()) return false;
  const std::string text = label.toStdString();
  if (text.size() > decltype(TTraceData::Label)::Capacity) return false;
  if (d.Traces[index].Label == text) return true;
  TStepScope step(*this, "Rename Trace");
  d.Traces[index].Label = text;
  MarkModified();
  RebuildView();
  emit stateChanged();
  return true;
}

bool TfrmDoc::SetTraceHidden(int index, bool hidden) {
  if (index < 0 || index >= m_doc->Doc.TraceCount()) return false;
  if (TraceHidden(index) == hidden) return true;
  TStepScope step(*this, hidden ? "Hide Trace" : "Show Trace");
  if (static_cast<int>(m_hidden.size()) <= index) m_hidden.resize(static_cast<std::size_t>(index) + 1, false);
  m_hidden[static_cast<std::size_t>(index)] = hidden;
  // The active trace is one the user can see and pick on the graph.
  if (hidden && index == m_activeTrace) {
    m_activeTrace = FirstShownTrace();
    m_activeMarker = -1;
  }
  RebuildView();
  emit stateChanged();
  return true;
}

int TfrmDoc::FirstShownTrace() const {
  for (int i = 0; i < m_doc->Doc.TraceCount(); ++i)
    if (!TraceHidden(i)) return i;
  return -1;
}

void TfrmDoc::ForgetHidden(int index) {
  if (index >= 0 && index < static_cast<int>(m_hidden.size())) m_hidden.erase(m_hidden.begin() + index);
}

} // namespace korv
