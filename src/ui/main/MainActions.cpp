// The main window's commands: actions, menus, toolbar, status bar, their
// enabling, the tool and view selection, and the mouse readout.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <cmath>

#include "core/TextUtil.h"
#include "core/TraceCapsule.h"
#include "formats/VantorFile.h"
#include "ui/chart/Graph.h"
#include "ui/common/Mnemonics.h"
#include "ui/document/Child.h"
#include "ui/main/Cursors.h"
#include "ui/main/Main.h"

namespace korv {

namespace {

QString Long(const QString &hint) {
  const int bar = hint.indexOf(QLatin1Char('|'));
  return bar < 0 ? hint : hint.mid(bar + 1);
}
QString Short(const QString &hint) {
  const int bar = hint.indexOf(QLatin1Char('|'));
  return bar < 0 ? hint : hint.left(bar);
}

// Menu and button of each view, in view-button order.
constexpr TCommand kViewMenus[] = {TCommand::ViewXYGraph, TCommand::ViewSmithChart, TCommand::ViewDTF};
constexpr TCommand kViewButtons[] = {TCommand::BtnXYGraph, TCommand::BtnSmithChart, TCommand::BtnDTF};

struct TToolCommands {
  TToolMode Mode;
  TCommand Menu;
  TCommand Button;
  TCursorId Cursor;
};
constexpr TToolCommands kTools[] = {
    {tmSelect, TCommand::ViewArrow, TCommand::BtnArrow, TCursorId::Arrow},
    {tmZoomIn, TCommand::ViewZoomIn, TCommand::BtnZoomIn, TCursorId::ZoomIn},
    {tmZoomOut, TCommand::ViewZoomOut, TCommand::BtnZoomOut, TCursorId::ZoomOut},
    {tmAddMarker, TCommand::ViewMarker1, TCommand::BtnMarker1, TCursorId::AddMarker},
    {tmLimitLine, TCommand::ViewLimitLine, TCommand::BtnLimitLine, TCursorId::LimitLine},
    {tmHideMark, TCommand::ViewMarkerHide, TCommand::BtnMarkerHide, TCursorId::HideMark}};

} // namespace

TViewButton ViewButtonOf(int plotMode) {
  return plotMode == pmSmith ? vbSmithChart : plotMode == pmDistance ? vbFaultLocation : vbMeasureMatch;
}

QString MouseReadoutText(const TGraph &graph, int subset, double graphX) {
  const int points = graph.Points();
  if (points <= 1 || subset < 0 || subset >= graph.Subsets()) return {};
  const double x0 = graph.XData(subset, 0);
  const double x1 = static_cast<float>(graph.XData(subset, 1));
  const double q = (x1 - x0) <= 1e-6 ? 1e7 : (graphX - x0) / (x1 - x0);
  double t = std::trunc(q);
  if (!std::isfinite(t)) t = 0.0;
  const int index = static_cast<int>(std::clamp(t, 0.0, static_cast<double>(points - 2)));
  const double a = graph.XData(subset, index);
  const double b = graph.XData(subset, index + 1);
  const int nearest = std::abs(graphX - b) < std::abs(graphX - a) ? index + 1 : index;
  // Beyond a shorter trace's last point the graph holds its null value:
  // there is nothing to read there.
  const float nx = graph.XData(subset, nearest), ny = graph.YData(subset, nearest);
  if (nx == kGraphNullValue || ny == kGraphNullValue || !std::isfinite(nx) || !std::isfinite(ny)) return {};
  return QString::fromStdString(Format("(%.2f,%.2f)", static_cast<double>(graph.XData(subset, nearest)),
                                       static_cast<double>(graph.YData(subset, nearest))));
}

QString SourceFormatText(int format) {
  switch (format) {
  case sfKorv: return QStringLiteral("Korv");
  case sfWiltron: return QStringLiteral("Wiltron");
  case sfRt500FreqOnly: return QStringLiteral("RT-500: FREQ ONLY");
  case sfWiltronDtfOnly: return QStringLiteral("Wiltron: DTF ONLY");
  case sfWiltronSmithOnly: return QStringLiteral("Wiltron: SMITH ONLY");
  default: return {};
  }
}

QAction *TfrmMain::Action(TCommand command) const {
  const int i = static_cast<int>(command);
  return i >= 0 && i < kCommandCount ? m_actions[static_cast<std::size_t>(i)] : nullptr;
}

QAction *TfrmMain::Action(const QString &name) const {
  const TCommand c = CommandByName(name.toStdString());
  if (c != TCommand::Count) return Action(c);
  for (QAction *a : m_recent)
    if (a->objectName() == name) return a;
  return nullptr;
}

bool TfrmMain::CommandEnabled(const QString &name) const {
  const TCommand c = CommandByName(name.toStdString());
  return c == TCommand::Count || CommandEnabled(c);
}

QAction *TfrmMain::MakeAction(TCommand command, const QString &text, const QString &hint, void (TfrmMain::*slot)()) {
  auto *a = new QAction(text, this);
  a->setObjectName(QString::fromLatin1(CommandName(command).data(), static_cast<int>(CommandName(command).size())));
  if (!hint.isEmpty()) {
    a->setToolTip(Short(hint));
    a->setStatusTip(Long(hint));
  }
  if (slot != nullptr) connect(a, &QAction::triggered, this, slot);
  m_actions[static_cast<std::size_t>(command)] = a;
  return a;
}

QAction *TfrmMain::MakeButton(TCommand command, const QString &text, const QString &hint, void (TfrmMain::*slot)()) {
  QAction *a = MakeAction(command, text, hint, slot);
  a->setIconText(Short(hint).isEmpty() ? text : Short(hint));
  return a;
}

void TfrmMain::CreateActions() {
  using C = TCommand;
  // File
  MakeAction(C::FileOpen, tr("&Open..."), tr("Open|Open an existing file."), &TfrmMain::mnuFileOpenClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  MakeAction(C::FileClose, tr("&Close"), tr("Close|Close the active document."), &TfrmMain::mnuFileCloseClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
  MakeAction(C::FileCloseAll, tr("Close All"), tr("Close All|Close all documents."), &TfrmMain::mnuFileCloseAllClick)
      ->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
  MakeAction(C::FileSave, tr("&Save"), tr("Save|Save the active document."), &TfrmMain::mnuFileSaveClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  MakeAction(C::FileSaveAll, tr("Save All"), tr("Save All|Save all modified documents."),
             &TfrmMain::mnuFileSaveAllClick);
  MakeAction(C::FileSaveAs, tr("Save &As..."), tr("Save As|Save the active document under a new name."),
             &TfrmMain::mnuFileSaveAsClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  MakeAction(C::FileSaveAsMeta, tr("Save As MetaFile..."),
             tr("Save As MetaFile|Save the graph as a picture (SVG, PDF or PNG)."), &TfrmMain::mnuFileSaveAsMetaClick);
  MakeAction(C::FilePrint, tr("&Print..."), tr("Print|Print the graph of the active document."),
             &TfrmMain::mnuFilePrintClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  MakeAction(C::FilePrintMultiple, tr("Print Multiple..."), tr("Print Multiple|Print several graphs per page."),
             &TfrmMain::mnuFilePrintMultipleClick);
  MakeAction(C::FileSiteReport, tr("Site &Report..."),
             tr("Site Report|Write one PDF with the verdicts and fault events of every open document's traces."),
             &TfrmMain::mnuFileSiteReportClick);
  for (int k = 1; k <= kMaxRecentFiles; ++k) {
    auto *a = new QAction(this);
    a->setObjectName(QStringLiteral("mnuFileR%1").arg(k));
    a->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + k)));
    a->setVisible(false);
    connect(a, &QAction::triggered, this, [this, a] {
      // The item number is the caption's second character.
      const QString caption = a->text();
      const int item = caption.size() > 1 ? caption.at(1).digitValue() : -1;
      mnuFileRClick(item);
    });
    m_recent[static_cast<std::size_t>(k - 1)] = a;
  }
  MakeAction(C::FileExit, tr("E&xit"), tr("Exit|Quit the application."), &TfrmMain::mnuFileExitClick);

  // Edit
  MakeAction(C::EditCut, tr("Cu&t"), tr("Cut|Cut the active trace."), &TfrmMain::mnuEditCutClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  MakeAction(C::EditCopy, tr("&Copy"), tr("Copy|Copy the active trace and the graph."), &TfrmMain::mnuEditCopyClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  MakeAction(C::EditCopyMeta, tr("Copy MetaFile"), tr("Copy MetaFile|Copy the graph as a vector picture."),
             &TfrmMain::mnuEditCopyMetaClick);
  MakeAction(C::EditCopyBitmap, tr("Copy Bitmap"), tr("Copy Bitmap|Copy the graph as a bitmap."),
             &TfrmMain::mnuEditCopyBitmapClick);
  MakeAction(C::EditPaste, tr("&Paste"), tr("Paste|Paste the copied trace."), &TfrmMain::mnuEditPasteClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  MakeAction(C::EditDelete, tr("&Delete"), tr("Delete|Delete the active trace."), &TfrmMain::mnuEditDeleteClick)
      ->setShortcut(QKeySequence(Qt::Key_Delete));

  // View
  QAction *tb = MakeAction(C::ViewToolbar, tr("Tool Bar"), tr("Tool Bar|Show or hide the toolbar."),
                           &TfrmMain::mnuViewToolbarClick);
  tb->setCheckable(true);
  tb->setChecked(true);
  QAction *sb = MakeAction(C::ViewStatus, tr("Status Bar"), tr("Status Bar|Show or hide the status bar."),
                           &TfrmMain::mnuViewStatusClick);
  sb->setCheckable(true);
  sb->setChecked(true);
  m_viewGroup = new QActionGroup(this);
  m_viewButtons = new QActionGroup(this);
  const auto view = [this](TViewButton v, const QString &text, const QString &button, const QString &hint, Qt::Key key,
                           void (TfrmMain::*slot)()) {
    QAction *m = MakeAction(kViewMenus[v - 1], text, hint, slot);
    m->setShortcut(QKeySequence(key));
    m->setCheckable(true);
    m_viewGroup->addAction(m);
    QAction *b = MakeButton(kViewButtons[v - 1], button, hint, slot);
    b->setCheckable(true);
    m_viewButtons->addAction(b);
  };
  view(vbMeasureMatch, tr("Measure Match"), tr("Measure Match"),
       tr("Measure Match|Show return loss, VSWR or Rho against frequency."), Qt::Key_F, &TfrmMain::mnuViewXYGraphClick);
  view(vbSmithChart, tr("Smith Chart"), tr("Smith Chart"), tr("Smith Chart|Show the traces on a Smith chart."),
       Qt::Key_S, &TfrmMain::mnuViewSmithChartClick);
  view(vbFaultLocation, tr("Fault Location..."), tr("Fault Location"), tr("Fault Location|Show the distance to fault."),
       Qt::Key_D, &TfrmMain::mnuViewDTFClick);

  m_toolGroup = new QActionGroup(this);
  m_toolButtons = new QActionGroup(this);
  m_toolGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  m_toolButtons->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  const auto tool = [this](TToolMode mode, const QString &text, const QString &hint, void (TfrmMain::*slot)(),
                           bool shown) {
    for (const TToolCommands &t : kTools) {
      if (t.Mode != mode) continue;
      QAction *m = MakeAction(t.Menu, text, hint, slot);
      m->setCheckable(true);
      m->setVisible(shown);
      m_toolGroup->addAction(m);
      QAction *b = MakeButton(t.Button, text, hint, slot);
      b->setCheckable(true);
      b->setVisible(shown);
      m_toolButtons->addAction(b);
    }
  };
  tool(tmSelect, tr("Select"), tr("Select|Select traces and markers."), &TfrmMain::mnuViewArrowClick, true);
  tool(tmZoomIn, tr("Zoom In"), tr("Zoom In|Click on the graph to zoom in."), &TfrmMain::mnuViewZoomInClick, true);
  tool(tmZoomOut, tr("Zoom Out"), tr("Zoom Out|Click on the graph to zoom out."), &TfrmMain::mnuViewZoomOutClick, true);
  tool(tmAddMarker, tr("Add Marker"), tr("Add Marker|Place a marker on the active trace."),
       &TfrmMain::mnuViewMarker1Click, true);
  tool(tmHideMark, tr("Hide Mark"), tr("Hide Mark|Hide a marker or the limit line."), &TfrmMain::mnuViewMarkerHideClick,
       true);
  tool(tmLimitLine, tr("Limit Line"), tr("Limit Line|Place the limit line."), &TfrmMain::mnuViewLimitLineClick, true);
  Action(C::ViewArrow)->setShortcut(QKeySequence(Qt::Key_N));
  Action(C::ViewLimitLine)->setShortcut(QKeySequence(Qt::Key_L));
  Action(C::ViewMarkerHide)->setShortcut(QKeySequence(Qt::Key_H));
  MakeAction(C::ViewAutoScale, tr("AutoScale"), tr("Auto Scale|Fit both axes to the data."),
             &TfrmMain::mnuViewAutoScaleClick);
  MakeButton(C::BtnAutoScale, tr("Auto Scale"), tr("Auto Scale|Fit both axes to the data."),
             &TfrmMain::mnuViewAutoScaleClick);
  MakeAction(C::ViewOptions, tr("Options"), tr("Options|Plot options."), &TfrmMain::mnuViewOptionsClick)
      ->setShortcut(QKeySequence(Qt::Key_O));

  // Tools
  const QString wizardHint = tr("Fault Location Wizard|Set the cable and distance parameters of the traces.");
  MakeAction(C::ToolsCalcDTF, tr("Fault Location Wizard..."), wizardHint, &TfrmMain::mnuToolsCalcDTFClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  MakeButton(C::BtnCalcDTF, tr("Fault Location Wizard"), wizardHint, &TfrmMain::mnuToolsCalcDTFClick);
  const QString calcHint = tr("Parameter Calculator|Parameter Calculator.");
  MakeAction(C::ToolsMeasCalc, tr("Measurement Calculator"), calcHint, &TfrmMain::mnuToolsMeasCalcClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
  Action(C::ToolsMeasCalc)->setCheckable(true);
  MakeAction(C::ToolsTransferVantorFiles, tr("Handheld Files..."),
             tr("Handheld Files|Copy trace files between the PC and the KP418 handheld."),
             &TfrmMain::mnuTransferVantorFilesClick);
  MakeAction(C::ToolsViewKP418Info, tr("Handheld Settings..."),
             tr("Handheld Settings|Show the handheld settings stored with the active trace file."),
             &TfrmMain::mnuViewKP418InfoClick);
  // Checked while their window is open.
  MakeAction(C::ToolsPwrSetup, tr("Power Setups List"), tr("Power Setups List|Edit and transfer power setup records."),
             &TfrmMain::mnuToolsPwrSetupClick)
      ->setCheckable(true);
  MakeAction(C::ToolsQuickText, tr("Quick Text List"), tr("Quick Text List|Edit and transfer the quick text list."),
             &TfrmMain::mnuToolsQuickTextClick)
      ->setCheckable(true);
  MakeAction(C::ToolsMOXUpLoad, tr("Receive Traces from LX-x000QE ..."),
             tr("Receive Traces|Receive stored traces from the analyzer."), &TfrmMain::mnuMOXUpLoadClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp));
  MakeAction(C::ToolsSweepVna, tr("Sweep from VNA..."), tr("Sweep from VNA|Sweep with a NanoVNA-family analyzer."),
             &TfrmMain::mnuToolsSweepVnaClick);
  MakeAction(C::ToolsMOXDnload, tr("Send Traces to LX-x000QE ..."), tr("Send Traces|Send traces to the analyzer."),
             &TfrmMain::mnuMOXDnloadClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown));

  // Window
  MakeAction(C::WindowTile, tr("&Tile"), tr("Tile|Tile the document windows."), &TfrmMain::mnuWindowTileClick);
  MakeAction(C::WindowCascade, tr("&Cascade"), tr("Cascade|Cascade the document windows."),
             &TfrmMain::mnuWindowCascadeClick);
  MakeAction(C::WindowArrangeAll, tr("&Arrange All"), tr("Arrange All|Arrange the minimised windows."),
             &TfrmMain::mnuWindowArrangeAllClick);
  MakeAction(C::WindowCloseAll, tr("Close All"), tr("Close All|Close all documents."),
             &TfrmMain::mnuWindowCloseAllClick);
  MakeAction(C::WindowHide, tr("&Hide"), tr("Hide|Minimise the active window."), &TfrmMain::mnuWindowHideClick);

  // Help
  MakeAction(C::HelpContents, tr("&Contents"), tr("Contents|Show the help contents."), &TfrmMain::mnuHelpContentsClick);
  // F1 shows the topic of the window that has the focus.
  QAction *f1 = MakeAction(C::HelpContext, tr("Help"), {}, nullptr);
  f1->setShortcut(QKeySequence::HelpContents);
  f1->setShortcutContext(Qt::ApplicationShortcut);
  connect(f1, &QAction::triggered, this, [this] {
    // A tool window names its own topic.
    if (const QWidget *window = QApplication::activeWindow(); window != nullptr && window != this) {
      if (const QVariant topic = window->property("helpContext"); topic.isValid()) {
        ShowHelp(topic.toInt());
        return;
      }
    }
    TfrmDoc *doc = ActiveDocument();
    const QWidget *focus = QApplication::focusWidget();
    ShowHelp(doc != nullptr && focus != nullptr && doc->isAncestorOf(focus) ? TfrmDoc::kHelpContext : kHelpContext);
  });
  addAction(f1);
  MakeAction(C::HelpSearch, tr("&Search for Help On"), tr("Search|Search the help."), &TfrmMain::mnuHelpSearchClick);
  MakeAction(C::HelpHow, tr("&How to Use Help"), tr("How to Use Help|How to use the help window."),
             &TfrmMain::mnuHelpHowClick);
  MakeAction(C::HelpAbout, tr("&About..."), tr("About|Program information and version."), &TfrmMain::mnuHelpAboutClick);

  // Buttons of their own.
  MakeButton(C::BtnOpen, tr("Open"), tr("Open|Open an existing file."), &TfrmMain::mnuFileOpenClick);
  MakeButton(C::BtnSave, tr("Save"), tr("Save|Save the active document."), &TfrmMain::mnuFileSaveClick);
  MakeButton(C::BtnCut, tr("Cut"), tr("Cut|Cut the active trace."), &TfrmMain::mnuEditCutClick);
  MakeButton(C::BtnCopy, tr("Copy"), tr("Copy|Copy Image to the clipboard"), &TfrmMain::mnuEditCopyClick);
  MakeButton(C::BtnCopyImage, tr("Copy Image"), tr("Copy Image|Copy the graph to the clipboard."),
             &TfrmMain::tlbtnCopyImageClick);
  MakeButton(C::BtnPaste, tr("Paste"), tr("Paste|Paste the copied trace."), &TfrmMain::mnuEditPasteClick);
  MakeButton(C::BtnDelete, tr("Delete"), tr("Delete|Delete the active trace."), &TfrmMain::mnuEditDeleteClick);
  MakeButton(C::BtnMeasCalc, tr("Parameter Calculator"), calcHint, &TfrmMain::mnuToolsMeasCalcClick)
      ->setCheckable(true);
  // Held down while the dialog is open.
  MakeButton(C::BtnOptions, tr("Options"), tr("Options|Plot options."), &TfrmMain::mnuViewOptionsClick)
      ->setCheckable(true);
  MakeButton(C::BtnHelp, tr("Help"), tr("Open Help File|Display the KorvMOX help file."),
             &TfrmMain::mnuHelpContentsClick);

  // Pop-up menu of the document windows.
  MakeAction(C::PopOptMarkers, tr("Markers..."), {}, &TfrmMain::pmnuOptMarkersClick);
  MakeAction(C::PopOptGraph, tr("Graph Units/Scale..."), {}, &TfrmMain::pmnuOptGraphClick);
  MakeAction(C::PopOptPlot, tr("Plotting Properties..."), {}, &TfrmMain::pmnuOptPlotClick);
  MakeAction(C::PopDTFWizard, tr("DTF Wizard..."), {}, &TfrmMain::mnuToolsCalcDTFClick);
  MakeAction(C::PopCutTrace, tr("Cut Trace"), {}, &TfrmMain::mnuEditCutClick);
  MakeAction(C::PopCopyTrace, tr("Copy Trace"), {}, &TfrmMain::pmnuCopyTraceClick);
  MakeAction(C::PopPasteTrace, tr("Paste Trace"), {}, &TfrmMain::mnuEditPasteClick);
  MakeAction(C::PopDeleteTrace, tr("Delete Trace"), {}, &TfrmMain::mnuEditDeleteClick);

  CreateWorkbenchActions();

  static const std::pair<TCommand, const char *> icons[] = {{C::BtnOpen, "Open"},
                                                            {C::BtnSave, "Save"},
                                                            {C::BtnCopyImage, "CopyImage"},
                                                            {C::BtnCut, "Cut"},
                                                            {C::BtnCopy, "Copy"},
                                                            {C::BtnPaste, "Paste"},
                                                            {C::BtnDelete, "Delete"},
                                                            {C::BtnXYGraph, "MeasureMatch"},
                                                            {C::BtnSmithChart, "SmithChart"},
                                                            {C::BtnDTF, "FaultLocation"},
                                                            {C::BtnCalcDTF, "Wizard"},
                                                            {C::BtnArrow, "Select"},
                                                            {C::BtnZoomIn, "ZoomIn"},
                                                            {C::BtnZoomOut, "ZoomOut"},
                                                            {C::BtnMarker1, "Marker"},
                                                            {C::BtnMarkerHide, "MarkerHide"},
                                                            {C::BtnLimitLine, "LimitLine"},
                                                            {C::BtnAutoScale, "AutoScale"},
                                                            {C::BtnMeasCalc, "Calculator"},
                                                            {C::BtnOptions, "Options"},
                                                            {C::BtnHelp, "Help"}};
  for (const auto &[button, icon] : icons)
    Action(button)->setIcon(ToolIcon(QString::fromLatin1(icon)));
}

void TfrmMain::AddActions(QWidget *to, std::initializer_list<TCommand> commands) const {
  for (TCommand c : commands)
    to->addAction(Action(c));
}

void TfrmMain::CreateMenus() {
  using C = TCommand;
  CreateDockActions();
  QMenuBar *bar = menuBar();
  QMenu *file = bar->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  AddActions(file, {C::FileOpen, C::FileClose, C::FileCloseAll});
  file->addSeparator();
  AddActions(file, {C::FileSave, C::FileSaveAll, C::FileSaveAs, C::FileSaveAsMeta});
  file->addSeparator();
  AddActions(file, {C::FilePrint, C::FilePrintMultiple, C::FileSiteReport});
  m_recentSeparator = file->addSeparator();
  m_recentSeparator->setObjectName(QStringLiteral("mnuFileRSeparator"));
  for (QAction *a : m_recent)
    file->addAction(a);
  file->addSeparator();
  AddActions(file, {C::FileExit});

  QMenu *edit = bar->addMenu(tr("&Edit"));
  edit->setObjectName(QStringLiteral("mnuEdit"));
  edit->addAction(m_undoAction);
  edit->addAction(m_redoAction);
  edit->addSeparator();
  AddActions(edit, {C::EditCut, C::EditCopy, C::EditCopyMeta, C::EditCopyBitmap, C::EditPaste, C::EditDelete});
  m_mnuEdit = edit;

  QMenu *view = bar->addMenu(tr("&View"));
  view->setObjectName(QStringLiteral("mnuView"));
  AddActions(view, {C::ViewToolbar, C::ViewStatus});
  view->addAction(m_actTraceDock);
  view->addAction(m_actMarkerDock);
  CreateThemeMenu(view);
  view->addSeparator();
  AddActions(view, {C::ViewXYGraph, C::ViewSmithChart, C::ViewDTF});
  view->addSeparator();
  AddActions(view, {C::ViewArrow, C::ViewZoomIn, C::ViewZoomOut, C::ViewAutoScale, C::ViewMarker1, C::ViewLimitLine,
                    C::ViewMarkerHide});
  view->addSeparator();
  AddActions(view, {C::ViewOptions});

  QMenu *tools = bar->addMenu(tr("&Tools"));
  tools->setObjectName(QStringLiteral("mnuTools"));
  AddActions(tools, {C::ToolsCalcDTF, C::ToolsMeasCalc});
  QMenu *lxqe = tools->addMenu(tr("LXQE Tools"));
  lxqe->setObjectName(QStringLiteral("mnuLXQETools"));
  AddActions(lxqe, {C::ToolsMOXUpLoad, C::ToolsMOXDnload});
  AddActions(tools, {C::ToolsSweepVna});
  tools->addSeparator();
  AddActions(tools, {C::ToolsPwrSetup, C::ToolsQuickText});
  tools->addSeparator();
  AddActions(tools, {C::ToolsTransferVantorFiles, C::ToolsViewKP418Info});

  m_mnuWindow = bar->addMenu(tr("&Window"));
  m_mnuWindow->setObjectName(QStringLiteral("mnuWindow"));
  connect(m_mnuWindow, &QMenu::aboutToShow, this, &TfrmMain::RebuildWindowMenu);
  RebuildWindowMenu();

  QMenu *help = bar->addMenu(tr("&Help"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  AddActions(help, {C::HelpContents, C::HelpSearch, C::HelpHow});
  help->addSeparator();
  AddActions(help, {C::HelpAbout});

  m_popup = new QMenu(this);
  m_popup->setObjectName(QStringLiteral("pmnuGraph"));
  AddActions(m_popup, {C::PopOptMarkers, C::PopOptGraph, C::PopOptPlot, C::PopDTFWizard});
  m_popup->addSeparator();
  AddActions(m_popup, {C::PopCutTrace, C::PopCopyTrace, C::PopPasteTrace, C::PopDeleteTrace});

  // After the Window menu's own filling on showing.
  for (QMenu *menu : {file, edit, view, tools, m_mnuWindow, help, m_popup})
    KeepMnemonics(menu);
}

void TfrmMain::CreateToolBar() {
  using C = TCommand;
  m_toolBar = new QToolBar(tr("Tool Bar"), this);
  m_toolBar->setObjectName(QStringLiteral("tlbarMain"));
  m_toolBar->setIconSize(QSize(24, 24));
  m_toolBar->setMovable(false);
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  // Sections File, Edit, View, MOX, Tools, Help; hidden buttons take no room.
  AddActions(m_toolBar, {C::BtnOpen, C::BtnSave});
  m_toolBar->addSeparator();
  AddActions(m_toolBar, {C::BtnCut, C::BtnCopy, C::BtnCopyImage, C::BtnPaste, C::BtnDelete});
  m_toolBar->addSeparator();
  AddActions(m_toolBar, {C::BtnXYGraph, C::BtnSmithChart, C::BtnDTF});
  m_toolBar->addSeparator();
  AddActions(m_toolBar, {C::BtnCalcDTF, C::BtnMeasCalc});
  m_toolBar->addSeparator();
  AddActions(m_toolBar, {C::BtnArrow, C::BtnZoomIn, C::BtnZoomOut, C::BtnMarker1, C::BtnMarkerHide, C::BtnLimitLine,
                         C::BtnAutoScale, C::BtnOptions});
  m_toolBar->addSeparator();
  AddActions(m_toolBar, {C::BtnHelp});
  connect(m_toolBar, &QToolBar::visibilityChanged, this, [this](bool visible) {
    if (!m_closing && isVisible()) Action(TCommand::ViewToolbar)->setChecked(visible);
  });
}

void TfrmMain::CreateStatusBar() {
  QStatusBar *bar = statusBar();
  bar->setObjectName(QStringLiteral("panelStatusbar"));
  const auto panel = [bar](const char *name, int minWidth) {
    auto *label = new QLabel(bar);
    label->setObjectName(QString::fromLatin1(name));
    label->setMinimumWidth(minWidth);
    return label;
  };
  m_panelHint = panel("panelHint", 0);
  QFont bold = m_panelHint->font();
  bold.setBold(true);
  m_panelHint->setFont(bold);
  m_panelMouseData = panel("panelMouseData", 140);
  m_panelDocDirty = panel("panelDocDirty", 90);
  m_panelDocFormat = panel("panelDocFormat", 140);
  bar->addWidget(m_panelHint, 1);
  bar->addPermanentWidget(m_panelMouseData);
  bar->addPermanentWidget(m_panelDocDirty);
  bar->addPermanentWidget(m_panelDocFormat);
}

bool TfrmMain::event(QEvent *e) {
  // The long part of the current hint goes to panelHint.
  if (e->type() == QEvent::StatusTip) {
    ShowHintText(static_cast<QStatusTipEvent *>(e)->tip());
    return true;
  }
  if (e->type() == QEvent::PaletteChange) FollowPalette();
  return QMainWindow::event(e);
}

void TfrmMain::ShowHintText(const QString &hint) { m_panelHint->setText(Long(hint)); }

// ---------------------------------------------------------------- enabling

TCommandState TfrmMain::CommandStateNow() const {
  TCommandState s;
  const TfrmDoc *doc = ActiveDocument();
  s.Capsule = m_capsule->Filled();
  if (doc == nullptr) return s;
  const TTraceDoc &d = doc->Document().Doc;
  const int kind = d.DataKind;
  s.Document = true;
  s.Smith = doc->PlotMode() == pmSmith;
  s.Trace = doc->ActiveTrace() >= 0 && doc->ActiveTrace() < d.TraceCount();
  s.Restricted = kind >= 1 && kind <= 3;
  s.Zoomed = doc->IsZoomed();
  s.MaxZoom = doc->ZoomLevel() >= TfrmDoc::kMaxZoomLevel;
  s.DtfAllowed = kind != 1 && d.TraceCount() > 0;
  s.Handheld = HoldsHandheldSettings(doc->Document());
  return s;
}

void TfrmMain::UpdateMenuItems(bool selectTool) {
  if (m_closing) return;
  const TCommandState state = CommandStateNow();
  m_enabled = EnabledCommands(state);
  for (int i = 0; i < kCommandCount; ++i)
    if (QAction *a = m_actions[static_cast<std::size_t>(i)]) a->setEnabled(m_enabled.test(static_cast<std::size_t>(i)));
  m_mnuEdit->menuAction()->setEnabled(state.Document);
  m_mnuWindow->menuAction()->setEnabled(state.Document);

  const bool full = CopiesWholeTrace(state);
  const QString copy = full ? tr("Copy Trace, Data, and Image") : tr("Copy Image");
  Action(TCommand::EditCopy)->setText(copy);
  Action(TCommand::BtnCopy)->setToolTip(copy + tr(" to the clipboard"));
  Action(TCommand::BtnCopy)->setStatusTip(copy + tr(" to the clipboard"));
  Action(TCommand::PopCopyTrace)->setText(full ? tr("Copy Trace, Data, and Bitmap") : tr("Copy Bitmap"));

  if (selectTool) MouseActionSelect(!state.Document || state.Smith ? tmNone : tmSelect);
  if (const TfrmDoc *doc = ActiveDocument()) {
    m_panelDocFormat->setText(SourceFormatText(doc->Document().Doc.ReadFlag));
    m_panelDocDirty->setText(doc->IsModified() ? tr("Modified") : tr("Unmodified"));
    UpdateHistoryActions();
    UpdateTraceDock();
    UpdateMarkerDock();
  } else {
    UpdateHistoryActions();
    UpdateTraceDock();
    UpdateMarkerDock();
    m_panelDocFormat->clear();
    m_panelDocDirty->clear();
    m_panelMouseData->clear();
  }
  ClearStaleModifiedHint();
}

void TfrmMain::ClearStaleModifiedHint() {
  // The hint panel repeats "Modified" when a change is made; it must not
  // outlive the change (a save, another window made active).
  const TfrmDoc *doc = ActiveDocument();
  if (m_panelHint->text() == tr("Modified") && (doc == nullptr || !doc->IsModified())) m_panelHint->clear();
}

void TfrmMain::MouseActionSelect(int mode) {
  TCursorId cursor = TCursorId::Arrow;
  for (const TToolCommands &t : kTools) {
    Action(t.Menu)->setChecked(t.Mode == mode);
    Action(t.Button)->setChecked(t.Mode == mode);
    if (t.Mode == mode) cursor = t.Cursor;
  }
  m_toolMode = mode;
  // Zoom clicks must not pick another trace or annotation.
  const bool hotSpots = mode != tmZoomIn && mode != tmZoomOut;
  for (TfrmDoc *doc : Documents()) {
    doc->SetToolMode(mode);
    TGraph *graph = doc->Graph();
    if (graph == nullptr) continue;
    graph->SetHotSpotsEnabled(hotSpots);
    if (doc->PlotMode() == pmSmith) continue;
    if (cursor == TCursorId::Arrow)
      graph->unsetCursor();
    else
      graph->setCursor(KorvCursor(cursor));
  }
  if (TfrmDoc *active = ActiveDocument(); active != nullptr && active->Graph() != nullptr) active->Graph()->update();
}

void TfrmMain::ViewOptionSelect(int view) {
  for (int v = vbMeasureMatch; v <= vbFaultLocation; ++v) {
    Action(kViewMenus[v - 1])->setChecked(v == view);
    Action(kViewButtons[v - 1])->setChecked(v == view);
  }
}

bool TfrmMain::CapsuleFilled() const { return m_capsule->Filled(); }

// ---------------------------------------------------------------- readout

QString TfrmMain::MouseReadout() const {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || doc->PlotMode() == pmSmith || doc->Graph() == nullptr) return {};
  const int trace = doc->ActiveTrace();
  if (trace < 0) return {};
  const TGraph *graph = doc->Graph();
  const QPoint pixel = graph->mapFromGlobal(QCursor::pos());
  if (graph->Points() <= 1 || !graph->rect().contains(pixel, true)) return {};
  return MouseReadoutText(*graph, trace, graph->PixelToGraph(QPointF(pixel)).x());
}

void TfrmMain::TimerMouseDataTimer() {
  const QString text = MouseReadout();
  if (m_panelMouseData->text() != text) m_panelMouseData->setText(text);
}

// ---------------------------------------------------------------- window menu

void TfrmMain::RebuildWindowMenu() {
  using C = TCommand;
  // clear() deletes the window-list actions the menu owns; the command
  // actions belong to the main window and survive it.
  m_mnuWindow->clear();
  AddActions(m_mnuWindow, {C::WindowTile, C::WindowCascade, C::WindowArrangeAll, C::WindowCloseAll, C::WindowHide});
  const QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::CreationOrder);
  bool first = true;
  int k = 0;
  for (QMdiSubWindow *sub : subs) {
    if (!IsOpen(sub)) continue;
    if (first) m_mnuWindow->addSeparator();
    first = false;
    ++k;
    QString title = sub->windowTitle();
    title.replace(QLatin1Char('&'), QStringLiteral("&&"));
    auto *a = new QAction(k < 10 ? QStringLiteral("&%1 %2").arg(k).arg(title) : title, m_mnuWindow);
    a->setCheckable(true);
    a->setChecked(sub == m_mdi->currentSubWindow());
    connect(a, &QAction::triggered, this, [this, sub] {
      if (sub->isMinimized()) sub->showNormal();
      m_mdi->setActiveSubWindow(sub);
    });
    m_mnuWindow->addAction(a);
  }
}

void TfrmMain::RebuildRecentMenu() {
  const int shown = m_settings.VisibleRecentCount();
  for (int k = 1; k <= kMaxRecentFiles; ++k) {
    QAction *a = m_recent[static_cast<std::size_t>(k - 1)];
    if (k <= shown) {
      QString name = QString::fromStdString(m_settings.RecentFiles.At(k - 1));
      name.replace(QLatin1Char('&'), QStringLiteral("&&"));
      a->setText(QStringLiteral("&%1 %2").arg(k).arg(name));
      a->setVisible(true);
    } else {
      a->setVisible(false);
    }
  }
  m_recentSeparator->setVisible(m_recent[0]->isVisible());
}

} // namespace korv
