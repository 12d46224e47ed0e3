#pragma once
// TfrmMain: the MDI frame. It owns the document windows, the recent-file
// lists and the settings, routes every command to the active document
// window, and answers open and print requests of a second start.
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

#include "measure/PlotOptions.h"
#include "settings/Config.h"
#include "ui/common/Theme.h"
#include "ui/common/WorkerRunner.h"
#include "ui/document/Child.h"
#include "ui/instrument/InstrumentHost.h"
#include "ui/main/CommandState.h"
#include "ui/main/SavePlan.h"

class QAction;
class QDockWidget;
class QKeyEvent;
class QTableWidget;
class QActionGroup;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QToolBar;
class QTimer;
class QPrinter;

namespace korv {

class TdlgPageLayout;
class TfrmDoc;
class TfrmPwrSetup;
class TfrmQuickText;
class THelpWindow;
class TTraceCapsule;

// Messages shared with start-up.
inline constexpr const char *kMsgTooManyChildren =
    "Too many child windows open! Limit the number of open documents to %d.";
inline constexpr const char *kMainCaption = "Korv Site Analyzer Software Tool";
inline constexpr const char *kAutoloadCaption = "AutoLoading from KORV-MOX.INI file";

// The main window's view buttons: numbered unlike the plot modes (2 and 3
// swap places).
enum TViewButton : int { vbMeasureMatch = 1, vbSmithChart = 2, vbFaultLocation = 3 };
TViewButton ViewButtonOf(int plotMode);

class TGraph;
// The readout text for the graph point nearest to graph X on one subset:
// "(x,y)" with two decimals, empty with fewer than two points.
QString MouseReadoutText(const TGraph &graph, int subset, double graphX);
// The status bar text of a document's source format.
QString SourceFormatText(int format);

// Kinds of file dialog the main window asks for (tests answer them).
enum class TFileDialogKind { Open, SaveAs, Export };

class TfrmCalc;

class TfrmMain : public QMainWindow {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 1000;
  static constexpr int kQuestionHelpContext = 5000;

  // settingsPath: the INI file; empty keeps everything in memory (tests).
  TfrmMain(TSettingsContext context, QString settingsPath, QWidget *parent = nullptr);
  ~TfrmMain() override;

  // ---- Hooks: tests (and scripted runs) answer message boxes and file
  // dialogs without showing them.
  using TAskHook =
      std::function<QMessageBox::StandardButton(const QString &text, QMessageBox::StandardButtons buttons)>;
  void SetAskHook(TAskHook hook) { m_askHook = std::move(hook); }
  using TFileDialogHook = std::function<QStringList(TFileDialogKind kind, const QString &proposed)>;
  void SetFileDialogHook(TFileDialogHook hook) { m_fileHook = std::move(hook); }

  // ---- Settings.
  TKorvSettings &Settings() { return m_settings; }
  const QString &SettingsPath() const { return m_settingsPath; }
  // Re-reads the settings file and applies placement, bars and recent menu.
  void LoadSettings();
  // Everything the exit writes, without closing anything (the close event
  // does it while closing each window).
  void ApplyPlacementFromSettings();

  // ---- Documents.
  QList<TfrmDoc *> Documents() const; // window order: the active one first
  TfrmDoc *ActiveDocument() const;
  int DocumentCount() const;
  // Opens one file in a new window (limit 50; message then). Null when the
  // file could not be opened: the window is gone again.
  TfrmDoc *OpenDocumentFile(const QString &fileName);
  // The open window of a file (the same file by any path), or null.
  TfrmDoc *OpenWindowOf(const QString &fileName) const;
  // Algorithms of the Open command for a list of files.
  void OpenFiles(const QStringList &fileNames);
  // Prints every file ("/p"): each opened, printed with the default printer
  // settings, closed. Without a printer, PDF files beside the documents.
  void PrintFiles(const QStringList &fileNames);
  // Always write PDF files when printing files (tests; no printer).
  void SetPrintToPdf(bool on) { m_forcePdf = on; }
  // A "/p" run: the exit leaves the list of documents to reopen alone.
  void SetPrintRun(bool on) { m_printRun = on; }
  // Reopens the documents of the last exit.
  void Autoload();
  // The command line a second start hands over.
  void HandleCommandLine(const QStringList &args);
  // Restores a minimised window and brings it to the front.
  void BringToFront();

  // ---- Commands other parts call.
  // selectTool: also choose the tool mode (on a change of the active window).
  void UpdateMenuItems(bool selectTool = true);
  // An action or button.
  QAction *Action(TCommand command) const;
  // By control name, for tests and scripts (null when unknown).
  QAction *Action(const QString &name) const;
  // View > Theme (MainTheme.cpp): applies the look to the whole program and
  // keeps it for the settings file.
  void SetTheme(TThemeChoice choice);
  TThemeChoice Theme() const;
  // The enabling rule's verdict for a command, also for commands whose
  // dialogs are not built yet (Qt reports hidden actions as disabled).
  bool CommandEnabled(TCommand command) const { return m_enabled.test(static_cast<std::size_t>(command)); }
  bool CommandEnabled(const QString &name) const;
  // What the enabling rules see of the active document now.
  TCommandState CommandStateNow() const;
  QMenu *PopupMenu() const { return m_popup; }
  // The options dialog on a page, for the active document window (or the
  // program-wide pages alone without one).
  void OpenOptions(TOptionsPage page);
  // The measurement calculator while it is open (else null).
  TfrmCalc *CalcWindow() const { return m_calc; }
  void MouseActionSelect(int mode);
  int ToolMode() const { return m_toolMode; }
  void ViewOptionSelect(int view);
  void NewRecentFile(const QString &name);
  void NewRecentFileW(const QString &name);
  bool SaveCommand(TfrmDoc *doc);
  bool SaveAsCommand(TfrmDoc *doc);
  // Saving at close time (answer Yes) and by the Save All rule.
  bool SaveAtCloseTime(TfrmDoc *doc);
  bool SaveBySaveAllRule(TfrmDoc *doc);
  // A window name a received trace may not take: an open window's, or a
  // file's in the document folder.
  bool DocumentNameTaken(const std::string &name) const;
  // Window "Close All": false when cancelled.
  bool CloseAllDocuments();
  // The save question for every modified document (Yes, No, Cancel, Yes to
  // All); false when cancelled or a save failed.
  bool AskToSaveModified();
  bool ExportGraph(TfrmDoc *doc, const QString &fileName);
  // Prints the active graph on a printer already set up.
  void PrintDocument(TfrmDoc *doc, QPrinter &printer);
  void ShowHelp(int context);
  THelpWindow *HelpWindow();

  // The trace capsule holds a trace that Paste can add.
  bool CapsuleFilled() const;
  TTraceCapsule &Capsule() { return *m_capsule; }

  // The mouse readout for the active window now (also the timer's work).
  QString MouseReadout() const;
  QLabel *HintPanel() const { return m_panelHint; }

  // Exit without asking anything more (after the questions were answered).
  bool ExitAsked() const { return m_exitDone; }

signals:
  // Emitted once the settings were written at exit.
  void settingsWritten();

protected:
  void closeEvent(QCloseEvent *event) override;
  bool event(QEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;

private:
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  // Undo and Redo, and keys beyond the menus' own (MainWorkbench.cpp).
  void CreateWorkbenchActions();
  void CreateThemeMenu(QMenu *view);
  void RestoreSystemTheme();
  // What does not follow the palette by itself: the workspace's background.
  void FollowPalette();
  void UpdateHistoryActions();
  // The marker table and trace list docks (DocksMarkers.cpp, DocksTraces.cpp).
  void CreateDockActions();
  void CreateDocks();
  void UpdateMarkerDock();
  void UpdateTraceDock();
  void CopyMarkerTable();
  void TraceListEdited(int row, int column);
  void SetUpTraceTable();
  bool TraceListKey(QKeyEvent *key);
  QAction *MakeAction(TCommand command, const QString &text, const QString &hint, void (TfrmMain::*slot)());
  QAction *MakeButton(TCommand command, const QString &text, const QString &hint, void (TfrmMain::*slot)());
  void AddActions(QWidget *to, std::initializer_list<TCommand> commands) const;
  void RebuildRecentMenu();
  void RebuildWindowMenu();
  void ApplyToolbarLocation();
  TfrmDoc *NewDocumentWindow();
  QMdiSubWindow *SubWindowOf(TfrmDoc *doc) const;
  static bool IsOpen(const QMdiSubWindow *sub);
  void CloseDocumentSilently(TfrmDoc *doc);
  void ConnectDocument(TfrmDoc *doc);
  // The plotting look, label fields (new windows only: an open window keeps
  // its own) and the cable list of the settings.
  void ApplySettingsToDocument(TfrmDoc *doc, bool newWindow = true);
  // The cable list and cable format of the settings.
  void ApplyFaultOptionsTo(TfrmDoc *doc);
  // True (after the message) when no further document window may open.
  bool WindowLimitReached();
  QMessageBox::StandardButton Ask(QMessageBox::Icon icon, const QString &text, QMessageBox::StandardButtons buttons);
  void ShowError(const QString &text);
  QString AskFileName(TFileDialogKind kind, const QString &proposed, const QString &folder, const QString &filter,
                      const QString &suffix, int filterIndex);
  static TSaveFacts SaveFactsOf(const TfrmDoc &doc);
  // Saves by the plan for the trigger; false when cancelled or failed.
  bool CarryOut(TfrmDoc *doc, TSaveTrigger trigger);
  QString AskSaveName(TfrmDoc *doc, const TSavePlan &plan);
  // Where a document without a folder is saved: the folder last used.
  QString DocumentFolder() const;
  bool WriteDocument(TfrmDoc *doc, const QString &fileName, bool upgrade);
  bool PrintToPdf(TfrmDoc *doc, const QString &pdfName);
  void ShowHintText(const QString &hint);
  void ClearStaleModifiedHint();
  void DocumentGraphPressed(TfrmDoc *doc, QPoint pixel, Qt::MouseButton button);
  void PlotModeCommand(int mode);
  void WriteSettingsAndCloseWindows();
  // Writes the settings file; a failure is said in the status bar.
  void SaveSettingsOrSay(TIniFile &ini);

  // Handlers, named after their commands.
  void mnuFileOpenClick();
  void mnuFileCloseClick();
  void mnuFileCloseAllClick();
  void mnuFileSaveClick();
  void mnuFileSaveAllClick();
  void mnuFileSaveAsClick();
  void mnuFileSaveAsMetaClick();
  void mnuFilePrintClick();
  void mnuFilePrintMultipleClick();
  void mnuFileSiteReportClick();
  void mnuFileRClick(int k);
  void mnuFileExitClick();
  void mnuEditCutClick();
  void mnuEditCopyClick();
  void mnuEditPasteClick();
  void mnuEditDeleteClick();
  void pmnuCopyTraceClick();
  char Delimiter() const;
  void mnuEditCopyMetaClick();
  void mnuEditCopyBitmapClick();
  void tlbtnCopyImageClick();
  void mnuViewToolbarClick();
  void mnuViewStatusClick();
  void mnuViewXYGraphClick();
  void mnuViewSmithChartClick();
  void mnuViewDTFClick();
  void mnuViewArrowClick();
  void mnuViewZoomInClick();
  void mnuViewZoomOutClick();
  void mnuViewMarker1Click();
  void mnuViewLimitLineClick();
  void mnuViewMarkerHideClick();
  void mnuViewAutoScaleClick();
  void mnuToolsCalcDTFClick();
  void mnuToolsMeasCalcClick();
  void mnuViewOptionsClick();
  void pmnuOptMarkersClick();
  void pmnuOptGraphClick();
  void pmnuOptPlotClick();
  void mnuTransferVantorFilesClick();
  void mnuViewKP418InfoClick();
  void mnuToolsPwrSetupClick();
  void mnuToolsQuickTextClick();
  // The link the instrument windows use: the CommDevice setting, else the
  // CommPort-th serial device.
  TLinkFactory InstrumentLinkFactory() const;
  // The device the instrument windows use; throws EmoxIODeviceErr
  // (kMsgNoSerialDevice) when the settings name none that exists.
  std::string InstrumentPort() const;
  // At exit: a running transfer is cancelled and the window goes with it.
  void CloseToolWindows();
  void mnuMOXUpLoadClick();
  void mnuMOXDnloadClick();
  void mnuToolsSweepVnaClick();
  // What the instrument windows may use of this window.
  TInstrumentHost InstrumentHost();
  void mnuWindowTileClick();
  void mnuWindowCascadeClick();
  void mnuWindowArrangeAllClick();
  void mnuWindowCloseAllClick();
  void mnuWindowHideClick();
  void mnuHelpContentsClick();
  void mnuHelpSearchClick();
  void mnuHelpHowClick();
  void mnuHelpAboutClick();
  void TimerMouseDataTimer();

  TKorvSettings m_settings;
  QString m_settingsPath;
  QString m_lastDirectory;
  QMdiArea *m_mdi = nullptr;
  QToolBar *m_toolBar = nullptr;
  QMenu *m_mnuWindow = nullptr;
  QMenu *m_mnuEdit = nullptr;
  QMenu *m_popup = nullptr;
  TfrmCalc *m_calc = nullptr;
  QTimer *m_timerMouseData = nullptr;
  QLabel *m_panelHint = nullptr;
  QLabel *m_panelMouseData = nullptr;
  QLabel *m_panelDocDirty = nullptr;
  QLabel *m_panelDocFormat = nullptr;
  std::array<QAction *, kMaxRecentFiles> m_recent{};
  QAction *m_recentSeparator = nullptr;
  QAction *m_undoAction = nullptr;
  QAction *m_actMarkerDock = nullptr;
  QAction *m_actTraceDock = nullptr;
  QDockWidget *m_markerDock = nullptr;
  QTableWidget *m_markerTable = nullptr;
  QDockWidget *m_traceDock = nullptr;
  QTableWidget *m_traceTable = nullptr;
  bool m_fillingTraces = false;
  QAction *m_redoAction = nullptr;
  QActionGroup *m_themeGroup = nullptr;
  bool m_themeApplied = false;
  QActionGroup *m_viewGroup = nullptr;
  QActionGroup *m_viewButtons = nullptr;
  QActionGroup *m_toolGroup = nullptr;
  QActionGroup *m_toolButtons = nullptr;
  std::array<QAction *, kCommandCount> m_actions{};
  TCommandSet m_enabled;
  QPointer<THelpWindow> m_help;
  QPointer<TfrmPwrSetup> m_pwrSetup;
  QPointer<TfrmQuickText> m_quickText;
  TAskHook m_askHook;
  TFileDialogHook m_fileHook;
  int m_toolMode = tmNone;
  std::unique_ptr<TTraceCapsule> m_capsule;
  bool m_forcePdf = false;
  // Made at first use; keeps its printer and grid for the session.
  TdlgPageLayout *m_pageLayout = nullptr;
  bool m_printRun = false;
  bool m_exitDone = false;
  bool m_closing = false;
};

} // namespace korv
