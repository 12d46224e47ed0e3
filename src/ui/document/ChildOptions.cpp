// The options dialog's document pages: the working copy this window hands
// out and the changes it carries out on OK.
#include "measure/PlotOptions.h"
#include "ui/chart/Graph.h"
#include "ui/document/Child.h"

namespace korv {

std::function<std::vector<double>(int)> TfrmDoc::ShownXOf() const {
  return [this](int i) { return PlottedTrace(i).X; };
}

void TfrmDoc::ActivateOptions(TPlotOptions &rules) const {
  // An automatic axis offers the range it shows, so ticking Manual Scale
  // starts from what is on screen.
  const TAxisRange x = m_graph->IsManualX() ? m_graph->ManualX() : m_graph->ShownX();
  const TAxisRange y = m_graph->IsManualY() ? m_graph->ManualY() : m_graph->ShownY();
  rules.Activate(&m_doc->Doc, m_activeTrace, ShownXOf(), {m_graph->IsManualX(), x.Min, x.Max, false},
                 {m_graph->IsManualY(), y.Min, y.Max, false}, m_labelDate, m_labelText);
}

void TfrmDoc::ApplyOptions(TPlotOptions &rules) {
  TStepScope step(*this, "Change Options");
  TTraceDoc &d = m_doc->Doc;
  int activeMarker = m_activeMarker;
  const TOptionsOutcome out = rules.MakeChanges(d, m_activeTrace, activeMarker, ShownXOf());
  m_activeMarker = activeMarker;
  if (out.Modified) MarkModified();
  bool rebuilt = false;
  if (out.DisplayUnit && SetDisplayUnit(*out.DisplayUnit)) {
    // The old unit's range means nothing in the new one.
    if (!out.Y) AutoScaleY();
    rebuilt = true;
  }
  if (out.DistanceUnit && SetDistanceUnit(*out.DistanceUnit)) rebuilt = true;
  if (PlotMode() != pmSmith && (out.X || out.Y)) {
    const TScaleGroup &c = d.CurScale;
    const TScaleEntry x = out.X.value_or(TScaleEntry{ManualX(), c.XMin, c.XMax, false});
    const TScaleEntry y = out.Y.value_or(TScaleEntry{ManualY(), c.YMin, c.YMax, false});
    if (x.Manual != ManualX() || y.Manual != ManualY() || (x.Manual && (x.Min != c.XMin || x.Max != c.XMax)) ||
        (y.Manual && (y.Min != c.YMin || y.Max != c.YMax)))
      MarkModified();
    SetManualScale(x.Manual, x.Min, x.Max, y.Manual, y.Min, y.Max);
  }
  ApplyTitles();
  if (out.LabelDate != m_labelDate || out.LabelText != m_labelText) SetLabelFlags(out.LabelDate, out.LabelText);
  if (out.LabelsChanged) {
    ApplySubsetLabels();
    ApplyMultiSubTitles();
  }
  if (!rebuilt || out.LabelsChanged || out.Modified) RefreshAnnotations();
  emit stateChanged();
}

} // namespace korv
