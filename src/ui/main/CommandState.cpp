#include "ui/main/CommandState.h"

#include <array>
#include <initializer_list>

namespace korv {

namespace {
constexpr std::array<std::string_view, kCommandCount> kNames = {
    "mnuFileOpen",         "mnuFileClose",      "mnuFileCloseAll",
    "mnuFileSave",         "mnuFileSaveAll",    "mnuFileSaveAs",
    "mnuFileSaveAsMeta",   "mnuFilePrint",      "mnuFilePrintMultiple",
    "mnuFileExit",         "mnuEditCut",        "mnuEditCopy",
    "mnuEditCopyMeta",     "mnuEditCopyBitmap", "mnuEditPaste",
    "mnuEditDelete",       "mnuViewToolbar",    "mnuViewStatus",
    "mnuViewXYGraph",      "mnuViewSmithChart", "mnuViewDTF",
    "mnuViewArrow",        "mnuViewZoomIn",     "mnuViewZoomOut",
    "mnuViewMarker1",      "mnuViewMarkerHide", "mnuViewLimitLine",
    "mnuViewAutoScale",    "mnuViewOptions",    "mnuToolsCalcDTF",
    "mnuToolsPwrSetup",    "mnuToolsQuickText", "mnuMOXUpLoad",
    "mnuMOXDnload",        "mnuWindowTile",     "mnuWindowCascade",
    "mnuWindowArrangeAll", "mnuWindowCloseAll", "mnuWindowHide",
    "mnuHelpContents",     "mnuHelpSearch",     "mnuHelpHow",
    "mnuHelpAbout",        "actHelpContext",    "tlbtnOpen",
    "tlbtnSave",           "tlbtnCut",          "tlbtnCopy",
    "tlbtnCopyImage",      "tlbtnPaste",        "tlbtnDelete",
    "tlbtnXYGraph",        "tlbtnSmithChart",   "tlbtnDTF",
    "tlbtnCalcDTF",        "tlbtnMeasCalc",     "tlbtnArrow",
    "tlbtnZoomIn",         "tlbtnZoomOut",      "tlbtnMarker1",
    "tlbtnMarkerHide",     "tlbtnLimitLine",    "tlbtnAutoScale",
    "tlbtnOptions",        "tlbtnHelp",         "pmnuDTFWizard",
    "pmnuCutTrace",        "pmnuCopyTrace",     "pmnuPasteTrace",
    "pmnuDeleteTrace",     "pmnuOptMarkers",    "pmnuOptGraph",
    "pmnuOptPlot",         "mnuToolsMeasCalc",  "mnuTransferVantorFiles",
    "mnuViewKP418Info",    "mnuFileSiteReport", "mnuToolsSweepVna"};
} // namespace

std::string_view CommandName(TCommand command) {
  const int i = static_cast<int>(command);
  return i >= 0 && i < kCommandCount ? kNames[static_cast<std::size_t>(i)] : std::string_view();
}

TCommand CommandByName(std::string_view name) {
  for (int i = 0; i < kCommandCount; ++i)
    if (kNames[static_cast<std::size_t>(i)] == name) return static_cast<TCommand>(i);
  return TCommand::Count;
}

bool CopiesWholeTrace(const TCommandState &s) { return !s.Smith && s.Trace && !s.Restricted; }

TCommandSet EnabledCommands(const TCommandState &s) {
  TCommandSet on;
  on.set(); // commands without a rule
  const auto set = [&on](std::initializer_list<TCommand> commands, bool enabled) {
    for (TCommand c : commands)
      on.set(static_cast<std::size_t>(c), enabled);
  };
  using C = TCommand;
  const bool D = s.Document, S = s.Smith, T = s.Trace, R = s.Restricted;
  set({C::FileClose, C::FileCloseAll, C::FileSave, C::BtnSave, C::FileSaveAll, C::FileSaveAs, C::FileSaveAsMeta,
       C::FilePrint, C::FilePrintMultiple, C::FileSiteReport, C::EditCopyMeta, C::EditCopyBitmap, C::WindowTile,
       C::WindowCascade, C::WindowArrangeAll, C::WindowCloseAll, C::WindowHide},
      D);
  set({C::EditCut, C::BtnCut}, D && !S && T && !R);
  set({C::EditCopy, C::BtnCopy, C::BtnCopyImage}, D && !R);
  set({C::EditPaste, C::BtnPaste}, D && !S && s.Capsule);
  set({C::EditDelete, C::BtnDelete}, D && !S && T);
  set({C::ViewXYGraph, C::ViewSmithChart, C::ViewDTF, C::BtnXYGraph, C::BtnSmithChart, C::BtnDTF}, D && !R);
  set({C::ViewArrow, C::BtnArrow, C::ViewAutoScale, C::BtnAutoScale, C::ViewLimitLine, C::BtnLimitLine,
       C::ViewMarkerHide, C::BtnMarkerHide},
      D && !S);
  set({C::ViewZoomIn, C::BtnZoomIn}, D && !S && !s.MaxZoom);
  set({C::ViewZoomOut, C::BtnZoomOut}, D && !S && s.Zoomed);
  set({C::ViewMarker1, C::BtnMarker1}, D && !S && T);
  set({C::ToolsCalcDTF, C::BtnCalcDTF, C::PopDTFWizard}, D && s.DtfAllowed);
  set({C::ToolsViewKP418Info}, D && s.Handheld);
  set({C::PopCutTrace}, !S && T && !R);
  set({C::PopCopyTrace}, !R);
  set({C::PopPasteTrace}, !S && s.Capsule);
  set({C::PopDeleteTrace}, !S && T);
  set({C::PopOptMarkers, C::PopOptGraph}, !S);
  return on;
}

} // namespace korv
