#include "ui/main/SavePlan.h"

namespace korv {

TSavePlan PlanSave(TSaveTrigger trigger, const TSaveFacts &f) {
  // A document that is not ours (imported, or another maker's data) is
  // never written over its source silently: it gets a name first.
  const bool foreign = f.Imported || f.Source != sfKorv;
  TSavePlan p;
  // Save All writes what changed, nothing else.
  if (trigger == TSaveTrigger::SaveAll && !f.Modified) return p;
  const auto askName = [&](bool proposeKdt) {
    p.Action = TSaveAction::AskName;
    p.WarnForeign = f.Source == sfWiltron;
    p.ProposeKdt = proposeKdt;
    p.Upgrade = true;
    p.Recent = true;
  };
  switch (trigger) {
  case TSaveTrigger::SaveAs: askName(false); break;
  case TSaveTrigger::Save:
    if (foreign || !f.HasFolder) {
      askName(false);
    } else {
      p.Action = f.Modified ? TSaveAction::WriteInPlace : TSaveAction::Nothing;
      p.Recent = true;
    }
    break;
  case TSaveTrigger::CloseTime:
    if (foreign || !f.HasFolder)
      askName(true);
    else
      p.Action = f.Modified ? TSaveAction::WriteInPlace : TSaveAction::Nothing;
    break;
  case TSaveTrigger::SaveAll:
    if (!f.HasFolder) {
      // Never into whatever folder the program was started from.
      askName(true);
    } else if (foreign && f.FileExists) {
      p.Action = TSaveAction::AskReplace;
      p.Upgrade = true;
    } else if (foreign) {
      p.Action = f.Modified ? TSaveAction::WriteInPlace : TSaveAction::Nothing;
      p.Upgrade = true;
    } else {
      p.Action = f.Modified ? TSaveAction::WriteInPlace : TSaveAction::Nothing;
    }
    break;
  }
  return p;
}

} // namespace korv
