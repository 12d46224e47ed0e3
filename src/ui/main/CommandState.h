#pragma once
// The main window's commands as a typed list, and which of them the active
// document allows: a pure function of that document's state, so the rule
// table is tested without a window.
#include <bitset>
#include <string_view>

namespace korv {

enum class TCommand : int {
  // File
  FileOpen,
  FileClose,
  FileCloseAll,
  FileSave,
  FileSaveAll,
  FileSaveAs,
  FileSaveAsMeta,
  FilePrint,
  FilePrintMultiple,
  FileExit,
  // Edit
  EditCut,
  EditCopy,
  EditCopyMeta,
  EditCopyBitmap,
  EditPaste,
  EditDelete,
  // View
  ViewToolbar,
  ViewStatus,
  ViewXYGraph,
  ViewSmithChart,
  ViewDTF,
  ViewArrow,
  ViewZoomIn,
  ViewZoomOut,
  ViewMarker1,
  ViewMarkerHide,
  ViewLimitLine,
  ViewAutoScale,
  ViewOptions,
  // Tools, Window, Help
  ToolsCalcDTF,
  ToolsPwrSetup,
  ToolsQuickText,
  ToolsMOXUpLoad,
  ToolsMOXDnload,
  WindowTile,
  WindowCascade,
  WindowArrangeAll,
  WindowCloseAll,
  WindowHide,
  HelpContents,
  HelpSearch,
  HelpHow,
  HelpAbout,
  HelpContext,
  // Toolbar buttons
  BtnOpen,
  BtnSave,
  BtnCut,
  BtnCopy,
  BtnCopyImage,
  BtnPaste,
  BtnDelete,
  BtnXYGraph,
  BtnSmithChart,
  BtnDTF,
  BtnCalcDTF,
  BtnMeasCalc,
  BtnArrow,
  BtnZoomIn,
  BtnZoomOut,
  BtnMarker1,
  BtnMarkerHide,
  BtnLimitLine,
  BtnAutoScale,
  BtnOptions,
  BtnHelp,
  // Pop-up menu of the document windows
  PopDTFWizard,
  PopCutTrace,
  PopCopyTrace,
  PopPasteTrace,
  PopDeleteTrace,
  PopOptMarkers,
  PopOptGraph,
  PopOptPlot,
  ToolsMeasCalc,
  // Tools: the handheld
  ToolsTransferVantorFiles,
  ToolsViewKP418Info,
  FileSiteReport,
  ToolsSweepVna,
  Count
};
inline constexpr int kCommandCount = static_cast<int>(TCommand::Count);
using TCommandSet = std::bitset<kCommandCount>;

// The control name of a command (its objectName: "mnuFileOpen", "tlbtnSave").
std::string_view CommandName(TCommand command);
// The command of a control name; TCommand::Count when there is none.
TCommand CommandByName(std::string_view name);

// What the enabling rules look at, of the active document window.
struct TCommandState {
  bool Document = false;   // D: a document window is open
  bool Smith = false;      // S: it shows the Smith chart
  bool Trace = false;      // T: it has an active trace
  bool Restricted = false; // R: its data kind is 1, 2 or 3
  bool Zoomed = false;     // Z
  bool MaxZoom = false;    // M: zoomed in as far as it goes
  bool Capsule = false;    // C: a copied trace waits to be pasted
  bool DtfAllowed = false; // N: data kind not 1, and it has traces
  bool Handheld = false;   // H: it holds the handheld settings of a .vnf file
};

// The commands the state enables. Commands without a rule (Open, Exit,
// the bars, Help) are always enabled.
TCommandSet EnabledCommands(const TCommandState &state);

// Full copy (trace, data and image) or the image alone: the Copy command's
// caption follows it.
bool CopiesWholeTrace(const TCommandState &state);

} // namespace korv
