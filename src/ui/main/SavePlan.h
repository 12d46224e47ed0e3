#pragma once
// What Save, Save As, the save at close time and Save All do with a
// document: a plan computed from where the document came from, so that the
// rules are tested without a window or a file dialog.
#include "core/Declare.h"

namespace korv {

enum class TSaveTrigger { Save, SaveAs, CloseTime, SaveAll };

struct TSaveFacts {
  bool Imported = false;         // not read from one of our own document files
  TSourceFormat Source = sfKorv; // the document's read flag
  bool Modified = false;
  bool FileExists = false; // its file name names a file on disk
  // Its name includes a folder (a received trace's window has a name alone
  // and was never written anywhere).
  bool HasFolder = true;
};

enum class TSaveAction {
  Nothing,      // saved already (or nothing to save): success
  WriteInPlace, // write to the document's own file name
  AskName,      // ask for a name, then write
  AskReplace    // Save All of a foreign document whose file exists: replace it?
                // Yes writes in place, No goes on as at close time
};

struct TSavePlan {
  TSaveAction Action = TSaveAction::Nothing;
  // "not currently in a Korv format" before the name is asked.
  bool WarnForeign = false;
  // The name proposal ends in ".kdt" (else the document's own extension).
  bool ProposeKdt = false;
  // Written as the current document version, without asking.
  bool Upgrade = false;
  // A successful save also enters the recent-file lists.
  bool Recent = false;
};

TSavePlan PlanSave(TSaveTrigger trigger, const TSaveFacts &facts);

} // namespace korv
