#include "ui/main/Main.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <cmath>
#include <cstdio>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "core/TraceCapsule.h"
#include "ui/chart/Graph.h"
#include "ui/document/Child.h"
#include "ui/document/DocMessages.h"
#include "ui/main/About.h"
#include "ui/main/Cursors.h"
#include "ui/main/DataFiles.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/TraceExchange.h"
#include "ui/main/WindowLayout.h"

namespace korv {

namespace {

constexpr const char *kMsgNotKorvFormat =
    "This file is not currently in a Korv format. Please note that by saving any changes you will be changing "
    "the format of the file to the Korv Site Antenna File format (*.kdt).";
constexpr const char *kOpenFilter =
    "All trace files (*.kdt *.csv *.vnf *.s1p);;Korv SA Files (*.kdt);;LX-ZT Trace Files (*.csv);;"
    "KP418 Trace Files (*.vnf);;Touchstone Files (*.s1p);;All Files (*)";
constexpr const char *kSaveFilter = "Korv SA Files (*.kdt);;LX-ZT Trace Files (*.csv);;KP418 Trace Files (*.vnf);;"
                                    "Touchstone Files (*.s1p);;All Files (*)";
constexpr const char *kExportFilter = "SVG Image (*.svg);;PDF Document (*.pdf);;PNG Image (*.png)";

QString Long(const QString &hint) {
  const int bar = hint.indexOf(QLatin1Char('|'));
  return bar < 0 ? hint : hint.mid(bar + 1);
}
QString Short(const QString &hint) {
  const int bar = hint.indexOf(QLatin1Char('|'));
  return bar < 0 ? hint : hint.left(bar);
}

QString WithoutExtension(const QString &fileName) {
  const QFileInfo fi(fileName);
  const QString suffix = fi.suffix();
  return suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
}

} // namespace

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
  case 0: return QStringLiteral("Korv");
  case 1: return QStringLiteral("Wiltron");
  case 2: return QStringLiteral("RT-500: FREQ ONLY");
  case 3: return QStringLiteral("Wiltron: DTF ONLY");
  case 4: return QStringLiteral("Wiltron: SMITH ONLY");
  default: return {};
  }
}

TfrmMain::TfrmMain(TSettingsContext context, QString settingsPath, QWidget *parent)
    : QMainWindow(parent), m_settings(std::move(context)), m_settingsPath(std::move(settingsPath)),
      m_capsule(std::make_unique<TTraceCapsule>()) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromLatin1(kMainCaption));
  setWindowIcon(AppIcon());
  m_mdi = new QMdiArea(this);
  m_mdi->setObjectName(QStringLiteral("mdiArea"));
  m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(m_mdi);
  CreateActions();
  CreateMenus();
  CreateToolBar();
  CreateStatusBar();
  connect(m_mdi, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow *sub) {
    if (m_closing) return;
    if (sub != nullptr) {
      if (auto *doc = qobject_cast<TfrmDoc *>(sub->widget())) {
        const int mode = doc->PlotMode();
        ViewOptionSelect(mode == pmSmith ? 2 : mode == pmDistance ? 3 : 1);
      }
    }
    UpdateMenuItems();
  });
  // Documents dropped from the file manager open like File > Open.
  setAcceptDrops(true);
  m_timerMouseData = new QTimer(this);
  m_timerMouseData->setObjectName(QStringLiteral("TimerMouseData"));
  m_timerMouseData->setInterval(200);
  connect(m_timerMouseData, &QTimer::timeout, this, &TfrmMain::TimerMouseDataTimer);
  m_timerMouseData->start();
  LoadSettings();
  UpdateMenuItems();
  // Help buttons of boxes and dialogs below the main window land here.
  SetHelpHook([this](int context) { ShowHelp(context); });
}

TfrmMain::~TfrmMain() {
  // The document windows go first, while everything they report to exists.
  m_closing = true;
  SetHelpHook({});
  delete m_mdi;
  m_mdi = nullptr;
  if (m_help) delete m_help.data();
}

// ---------------------------------------------------------------- actions

QAction *TfrmMain::MakeAction(const char *name, const QString &text, const QString &hint, void (TfrmMain::*slot)()) {
  auto *a = new QAction(text, this);
  a->setObjectName(QString::fromLatin1(name));
  if (!hint.isEmpty()) {
    a->setToolTip(Short(hint));
    a->setStatusTip(Long(hint));
  }
  if (slot != nullptr) connect(a, &QAction::triggered, this, slot);
  m_actions.insert(a->objectName(), a);
  return a;
}

QAction *TfrmMain::MakeButton(const char *name, const QString &text, const QString &hint, void (TfrmMain::*slot)()) {
  QAction *a = MakeAction(name, text, hint, slot);
  a->setIconText(Short(hint).isEmpty() ? text : Short(hint));
  return a;
}

void TfrmMain::CreateActions() {
  // File
  MakeAction("mnuFileOpen", tr("&Open..."), tr("Open|Open an existing file."), &TfrmMain::mnuFileOpenClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  MakeAction("mnuFileClose", tr("&Close"), tr("Close|Close the active document."), &TfrmMain::mnuFileCloseClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
  MakeAction("mnuFileCloseAll", tr("Close All"), tr("Close All|Close all documents."), &TfrmMain::mnuFileCloseAllClick)
      ->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Delete));
  MakeAction("mnuFileSave", tr("&Save"), tr("Save|Save the active document."), &TfrmMain::mnuFileSaveClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  MakeAction("mnuFileSaveAll", tr("Save All"), tr("Save All|Save all modified documents."),
             &TfrmMain::mnuFileSaveAllClick);
  MakeAction("mnuFileSaveAs", tr("Save &As..."), tr("Save As|Save the active document under a new name."),
             &TfrmMain::mnuFileSaveAsClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  MakeAction("mnuFileSaveAsMeta", tr("Save As MetaFile..."),
             tr("Save As MetaFile|Save the graph as a picture (SVG, PDF or PNG)."), &TfrmMain::mnuFileSaveAsMetaClick);
  MakeAction("mnuFilePrint", tr("&Print..."), tr("Print|Print the graph of the active document."),
             &TfrmMain::mnuFilePrintClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  // Part of the enabling table; shown once the page layout dialog exists.
  MakeAction("mnuFilePrintMultiple", tr("Print Multiple..."), tr("Print Multiple|Print several graphs per page."),
             nullptr)
      ->setVisible(false);
  for (int k = 1; k <= kMaxRecentFiles; ++k) {
    auto *a = new QAction(this);
    a->setObjectName(QStringLiteral("mnuFileR%1").arg(k));
    a->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_0 + k)));
    a->setVisible(false);
    connect(a, &QAction::triggered, this, [this, a] {
      // The item number is the caption's second character.
      const QString caption = a->text();
      const int k = caption.size() > 1 ? caption.at(1).digitValue() : -1;
      mnuFileRClick(k);
    });
    m_recent[static_cast<std::size_t>(k - 1)] = a;
    m_actions.insert(a->objectName(), a);
  }
  MakeAction("mnuFileExit", tr("E&xit"), tr("Exit|Quit the application."), &TfrmMain::mnuFileExitClick);

  // Edit
  MakeAction("mnuEditCut", tr("Cu&t"), tr("Cut|Cut the active trace."), &TfrmMain::mnuEditCutClick);
  MakeAction("mnuEditCopy", tr("&Copy"), tr("Copy|Copy the active trace and the graph."), &TfrmMain::mnuEditCopyClick);
  MakeAction("mnuEditCopyMeta", tr("Copy MetaFile"), tr("Copy MetaFile|Copy the graph as a vector picture."),
             &TfrmMain::mnuEditCopyMetaClick);
  MakeAction("mnuEditCopyBitmap", tr("Copy Bitmap"), tr("Copy Bitmap|Copy the graph as a bitmap."),
             &TfrmMain::mnuEditCopyBitmapClick);
  MakeAction("mnuEditPaste", tr("&Paste"), tr("Paste|Paste the copied trace."), &TfrmMain::mnuEditPasteClick);
  MakeAction("mnuEditDelete", tr("&Delete"), tr("Delete|Delete the active trace."), &TfrmMain::mnuEditDeleteClick);
  Action("mnuEditCut")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
  Action("mnuEditCopy")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  Action("mnuEditPaste")->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
  Action("mnuEditDelete")->setShortcut(QKeySequence(Qt::Key_Delete));

  // View
  QAction *tb = MakeAction("mnuViewToolbar", tr("Tool Bar"), tr("Tool Bar|Show or hide the toolbar."),
                           &TfrmMain::mnuViewToolbarClick);
  tb->setCheckable(true);
  tb->setChecked(true);
  QAction *sb = MakeAction("mnuViewStatus", tr("Status Bar"), tr("Status Bar|Show or hide the status bar."),
                           &TfrmMain::mnuViewStatusClick);
  sb->setCheckable(true);
  sb->setChecked(true);
  m_viewGroup = new QActionGroup(this);
  m_viewButtons = new QActionGroup(this);
  const auto view = [this](const char *menuName, const char *buttonName, const QString &text, const QString &button,
                           const QString &hint, Qt::Key key, void (TfrmMain::*slot)()) {
    QAction *m = MakeAction(menuName, text, hint, slot);
    m->setShortcut(QKeySequence(key));
    m->setCheckable(true);
    m_viewGroup->addAction(m);
    QAction *b = MakeButton(buttonName, button, hint, slot);
    b->setCheckable(true);
    m_viewButtons->addAction(b);
  };
  view("mnuViewXYGraph", "tlbtnXYGraph", tr("Measure Match"), tr("Measure Match"),
       tr("Measure Match|Show return loss, VSWR or Rho against frequency."), Qt::Key_F, &TfrmMain::mnuViewXYGraphClick);
  view("mnuViewSmithChart", "tlbtnSmithChart", tr("Smith Chart"), tr("Smith Chart"),
       tr("Smith Chart|Show the traces on a Smith chart."), Qt::Key_S, &TfrmMain::mnuViewSmithChartClick);
  view("mnuViewDTF", "tlbtnDTF", tr("Fault Location..."), tr("Fault Location"),
       tr("Fault Location|Show the distance to fault."), Qt::Key_D, &TfrmMain::mnuViewDTFClick);

  m_toolGroup = new QActionGroup(this);
  m_toolButtons = new QActionGroup(this);
  m_toolGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  m_toolButtons->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  const auto tool = [this](const char *menuName, const char *buttonName, const QString &text, const QString &hint,
                           void (TfrmMain::*slot)(), bool shown) {
    QAction *m = MakeAction(menuName, text, hint, slot);
    m->setCheckable(true);
    m->setVisible(shown);
    m_toolGroup->addAction(m);
    QAction *b = MakeButton(buttonName, text, hint, slot);
    b->setCheckable(true);
    b->setVisible(shown);
    m_toolButtons->addAction(b);
  };
  tool("mnuViewArrow", "tlbtnArrow", tr("Select"), tr("Select|Select traces and markers."),
       &TfrmMain::mnuViewArrowClick, true);
  tool("mnuViewZoomIn", "tlbtnZoomIn", tr("Zoom In"), tr("Zoom In|Click on the graph to zoom in."),
       &TfrmMain::mnuViewZoomInClick, true);
  tool("mnuViewZoomOut", "tlbtnZoomOut", tr("Zoom Out"), tr("Zoom Out|Click on the graph to zoom out."),
       &TfrmMain::mnuViewZoomOutClick, true);
  // Marker and limit-line tools: enabling kept, shown with the marker tools.
  tool("mnuViewMarker1", "tlbtnMarker1", tr("Add Marker"), tr("Add Marker|Place a marker on the active trace."),
       nullptr, false);
  tool("mnuViewMarkerHide", "tlbtnMarkerHide", tr("Hide Mark"), tr("Hide Mark|Hide a marker."), nullptr, false);
  tool("mnuViewLimitLine", "tlbtnLimitLine", tr("Limit Line"), tr("Limit Line|Place the limit line."), nullptr, false);
  Action("mnuViewArrow")->setShortcut(QKeySequence(Qt::Key_N));
  Action("mnuViewLimitLine")->setShortcut(QKeySequence(Qt::Key_L));
  Action("mnuViewMarkerHide")->setShortcut(QKeySequence(Qt::Key_H));
  MakeAction("mnuViewAutoScale", tr("AutoScale"), tr("Auto Scale|Fit both axes to the data."),
             &TfrmMain::mnuViewAutoScaleClick);
  MakeButton("tlbtnAutoScale", tr("Auto Scale"), tr("Auto Scale|Fit both axes to the data."),
             &TfrmMain::mnuViewAutoScaleClick);
  MakeAction("mnuViewOptions", tr("Options"), tr("Options|Plot options."), nullptr)->setVisible(false);
  Action("mnuViewOptions")->setShortcut(QKeySequence(Qt::Key_O));

  // Tools
  MakeAction("mnuToolsCalcDTF", tr("Fault Location Wizard..."),
             tr("Fault Location Wizard|Set the cable and distance parameters of the traces."),
             &TfrmMain::mnuToolsCalcDTFClick)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  MakeButton("tlbtnCalcDTF", tr("Fault Location Wizard"),
             tr("Fault Location Wizard|Set the cable and distance parameters of the traces."),
             &TfrmMain::mnuToolsCalcDTFClick);

  // Window
  MakeAction("mnuWindowTile", tr("&Tile"), tr("Tile|Tile the document windows."), &TfrmMain::mnuWindowTileClick);
  MakeAction("mnuWindowCascade", tr("&Cascade"), tr("Cascade|Cascade the document windows."),
             &TfrmMain::mnuWindowCascadeClick);
  MakeAction("mnuWindowArrangeAll", tr("&Arrange All"), tr("Arrange All|Arrange the minimised windows."),
             &TfrmMain::mnuWindowArrangeAllClick);
  MakeAction("mnuWindowCloseAll", tr("Close All"), tr("Close All|Close all documents."),
             &TfrmMain::mnuWindowCloseAllClick);
  MakeAction("mnuWindowHide", tr("&Hide"), tr("Hide|Minimise the active window."), &TfrmMain::mnuWindowHideClick);

  // Help
  MakeAction("mnuHelpContents", tr("&Contents"), tr("Contents|Show the help contents."),
             &TfrmMain::mnuHelpContentsClick);
  // F1 shows the topic of the window that has the focus.
  QAction *f1 = MakeAction("actHelpContext", tr("Help"), {}, nullptr);
  f1->setShortcut(QKeySequence::HelpContents);
  f1->setShortcutContext(Qt::ApplicationShortcut);
  connect(f1, &QAction::triggered, this, [this] {
    TfrmDoc *doc = ActiveDocument();
    const QWidget *focus = QApplication::focusWidget();
    ShowHelp(doc != nullptr && focus != nullptr && doc->isAncestorOf(focus) ? TfrmDoc::kHelpContext : kHelpContext);
  });
  addAction(f1);
  MakeAction("mnuHelpSearch", tr("&Search for Help On"), tr("Search|Search the help."), &TfrmMain::mnuHelpSearchClick);
  MakeAction("mnuHelpHow", tr("&How to Use Help"), tr("How to Use Help|How to use the help window."),
             &TfrmMain::mnuHelpHowClick);
  MakeAction("mnuHelpAbout", tr("&About..."), tr("About|Program information and version."),
             &TfrmMain::mnuHelpAboutClick);

  // Buttons of their own.
  MakeButton("tlbtnOpen", tr("Open"), tr("Open|Open an existing file."), &TfrmMain::mnuFileOpenClick);
  MakeButton("tlbtnSave", tr("Save"), tr("Save|Save the active document."), &TfrmMain::mnuFileSaveClick);
  MakeButton("tlbtnCut", tr("Cut"), tr("Cut|Cut the active trace."), &TfrmMain::mnuEditCutClick);
  MakeButton("tlbtnCopy", tr("Copy"), tr("Copy|Copy Image to the clipboard"), &TfrmMain::mnuEditCopyClick);
  MakeButton("tlbtnCopyImage", tr("Copy Image"), tr("Copy Image|Copy the graph to the clipboard."),
             &TfrmMain::tlbtnCopyImageClick);
  MakeButton("tlbtnPaste", tr("Paste"), tr("Paste|Paste the copied trace."), &TfrmMain::mnuEditPasteClick);
  MakeButton("tlbtnDelete", tr("Delete"), tr("Delete|Delete the active trace."), &TfrmMain::mnuEditDeleteClick);
  MakeButton("tlbtnMeasCalc", tr("Parameter Calculator"), tr("Parameter Calculator|Parameter Calculator."), nullptr)
      ->setVisible(false);
  MakeButton("tlbtnOptions", tr("Options"), tr("Options|Plot options."), nullptr)->setVisible(false);
  MakeButton("tlbtnHelp", tr("Help"), tr("Open Help File|Display the KorvMOX help file."),
             &TfrmMain::mnuHelpContentsClick);

  // Pop-up menu of the document windows.
  MakeAction("pmnuDTFWizard", tr("DTF Wizard..."), {}, &TfrmMain::mnuToolsCalcDTFClick);
  MakeAction("pmnuCutTrace", tr("Cut Trace"), {}, &TfrmMain::mnuEditCutClick);
  MakeAction("pmnuCopyTrace", tr("Copy Trace"), {}, &TfrmMain::pmnuCopyTraceClick);
  MakeAction("pmnuPasteTrace", tr("Paste Trace"), {}, &TfrmMain::mnuEditPasteClick);
  MakeAction("pmnuDeleteTrace", tr("Delete Trace"), {}, &TfrmMain::mnuEditDeleteClick);

  static const std::pair<const char *, const char *> icons[] = {{"tlbtnOpen", "Open"},
                                                                {"tlbtnSave", "Save"},
                                                                {"tlbtnCopyImage", "CopyImage"},
                                                                {"tlbtnCut", "Cut"},
                                                                {"tlbtnCopy", "Copy"},
                                                                {"tlbtnPaste", "Paste"},
                                                                {"tlbtnDelete", "Delete"},
                                                                {"tlbtnXYGraph", "MeasureMatch"},
                                                                {"tlbtnSmithChart", "SmithChart"},
                                                                {"tlbtnDTF", "FaultLocation"},
                                                                {"tlbtnCalcDTF", "Wizard"},
                                                                {"tlbtnArrow", "Select"},
                                                                {"tlbtnZoomIn", "ZoomIn"},
                                                                {"tlbtnZoomOut", "ZoomOut"},
                                                                {"tlbtnAutoScale", "AutoScale"},
                                                                {"tlbtnHelp", "Help"}};
  for (const auto &[button, icon] : icons)
    Action(QString::fromLatin1(button))->setIcon(ToolIcon(QString::fromLatin1(icon)));
}

void TfrmMain::CreateMenus() {
  QMenuBar *bar = menuBar();
  QMenu *file = bar->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  for (const char *n : {"mnuFileOpen", "mnuFileClose", "mnuFileCloseAll"})
    file->addAction(Action(QString::fromLatin1(n)));
  file->addSeparator();
  for (const char *n : {"mnuFileSave", "mnuFileSaveAll", "mnuFileSaveAs", "mnuFileSaveAsMeta"})
    file->addAction(Action(QString::fromLatin1(n)));
  file->addSeparator();
  file->addAction(Action(QStringLiteral("mnuFilePrint")));
  file->addAction(Action(QStringLiteral("mnuFilePrintMultiple")));
  m_recentSeparator = file->addSeparator();
  m_recentSeparator->setObjectName(QStringLiteral("mnuFileRSeparator"));
  for (QAction *a : m_recent)
    file->addAction(a);
  file->addSeparator();
  file->addAction(Action(QStringLiteral("mnuFileExit")));

  QMenu *edit = bar->addMenu(tr("&Edit"));
  edit->setObjectName(QStringLiteral("mnuEdit"));
  for (const char *n :
       {"mnuEditCut", "mnuEditCopy", "mnuEditCopyMeta", "mnuEditCopyBitmap", "mnuEditPaste", "mnuEditDelete"})
    edit->addAction(Action(QString::fromLatin1(n)));

  QMenu *view = bar->addMenu(tr("&View"));
  view->setObjectName(QStringLiteral("mnuView"));
  view->addAction(Action(QStringLiteral("mnuViewToolbar")));
  view->addAction(Action(QStringLiteral("mnuViewStatus")));
  view->addSeparator();
  for (const char *n : {"mnuViewXYGraph", "mnuViewSmithChart", "mnuViewDTF"})
    view->addAction(Action(QString::fromLatin1(n)));
  view->addSeparator();
  for (const char *n : {"mnuViewArrow", "mnuViewZoomIn", "mnuViewZoomOut", "mnuViewAutoScale", "mnuViewMarker1",
                        "mnuViewLimitLine", "mnuViewMarkerHide"})
    view->addAction(Action(QString::fromLatin1(n)));
  view->addSeparator();
  view->addAction(Action(QStringLiteral("mnuViewOptions")));

  QMenu *tools = bar->addMenu(tr("&Tools"));
  tools->setObjectName(QStringLiteral("mnuTools"));
  tools->addAction(Action(QStringLiteral("mnuToolsCalcDTF")));

  m_mnuWindow = bar->addMenu(tr("&Window"));
  m_mnuWindow->setObjectName(QStringLiteral("mnuWindow"));
  connect(m_mnuWindow, &QMenu::aboutToShow, this, &TfrmMain::RebuildWindowMenu);
  RebuildWindowMenu();

  QMenu *help = bar->addMenu(tr("&Help"));
  help->setObjectName(QStringLiteral("mnuHelp"));
  for (const char *n : {"mnuHelpContents", "mnuHelpSearch", "mnuHelpHow"})
    help->addAction(Action(QString::fromLatin1(n)));
  help->addSeparator();
  help->addAction(Action(QStringLiteral("mnuHelpAbout")));

  m_popup = new QMenu(this);
  m_popup->setObjectName(QStringLiteral("pmnuGraph"));
  m_popup->addAction(Action(QStringLiteral("pmnuDTFWizard")));
  m_popup->addSeparator();
  for (const char *n : {"pmnuCutTrace", "pmnuCopyTrace", "pmnuPasteTrace", "pmnuDeleteTrace"})
    m_popup->addAction(Action(QString::fromLatin1(n)));
}

void TfrmMain::CreateToolBar() {
  m_toolBar = new QToolBar(tr("Tool Bar"), this);
  m_toolBar->setObjectName(QStringLiteral("tlbarMain"));
  m_toolBar->setIconSize(QSize(24, 24));
  m_toolBar->setMovable(false);
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  // Sections File, Edit, View, MOX, Tools, Window, Help; hidden buttons take
  // no room, and empty sections add no separator.
  const std::vector<std::vector<const char *>> sections = {
      {"tlbtnOpen", "tlbtnSave"},
      {"tlbtnCut", "tlbtnCopy", "tlbtnCopyImage", "tlbtnPaste", "tlbtnDelete"},
      {"tlbtnXYGraph", "tlbtnSmithChart", "tlbtnDTF"},
      {"tlbtnCalcDTF", "tlbtnMeasCalc"},
      {"tlbtnArrow", "tlbtnZoomIn", "tlbtnZoomOut", "tlbtnMarker1", "tlbtnMarkerHide", "tlbtnLimitLine",
       "tlbtnAutoScale", "tlbtnOptions"},
      {"tlbtnHelp"}};
  for (std::size_t i = 0; i < sections.size(); ++i) {
    if (i > 0) m_toolBar->addSeparator();
    for (const char *n : sections[i])
      m_toolBar->addAction(Action(QString::fromLatin1(n)));
  }
  connect(m_toolBar, &QToolBar::visibilityChanged, this, [this](bool visible) {
    if (!m_closing && isVisible()) Action(QStringLiteral("mnuViewToolbar"))->setChecked(visible);
  });
}

void TfrmMain::CreateStatusBar() {
  QStatusBar *bar = statusBar();
  bar->setObjectName(QStringLiteral("panelStatusbar"));
  m_panelHint = new QLabel(bar);
  m_panelHint->setObjectName(QStringLiteral("panelHint"));
  QFont bold = m_panelHint->font();
  bold.setBold(true);
  m_panelHint->setFont(bold);
  m_panelMouseData = new QLabel(bar);
  m_panelMouseData->setObjectName(QStringLiteral("panelMouseData"));
  m_panelMouseData->setMinimumWidth(140);
  m_panelDocDirty = new QLabel(bar);
  m_panelDocDirty->setObjectName(QStringLiteral("panelDocDirty"));
  m_panelDocDirty->setMinimumWidth(90);
  m_panelDocFormat = new QLabel(bar);
  m_panelDocFormat->setObjectName(QStringLiteral("panelDocFormat"));
  m_panelDocFormat->setMinimumWidth(140);
  bar->addWidget(m_panelHint, 1);
  bar->addPermanentWidget(m_panelMouseData);
  bar->addPermanentWidget(m_panelDocDirty);
  bar->addPermanentWidget(m_panelDocFormat);
}

namespace {
QStringList LocalFiles(const QMimeData *mime) {
  QStringList files;
  if (mime == nullptr || !mime->hasUrls()) return files;
  for (const QUrl &url : mime->urls()) {
    if (url.isLocalFile()) files << url.toLocalFile();
  }
  return files;
}
} // namespace

void TfrmMain::dragEnterEvent(QDragEnterEvent *event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent *event) {
  const QStringList files = LocalFiles(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  OpenFiles(files);
}

bool TfrmMain::event(QEvent *e) {
  // The long part of the current hint goes to panelHint.
  if (e->type() == QEvent::StatusTip) {
    ShowHintText(static_cast<QStatusTipEvent *>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

void TfrmMain::ShowHintText(const QString &hint) { m_panelHint->setText(Long(hint)); }

// ---------------------------------------------------------------- settings

void TfrmMain::LoadSettings() {
  TIniFile ini;
  if (!m_settingsPath.isEmpty()) {
    try {
      ini = TIniFile::Load(m_settingsPath.toStdString());
    } catch (const Exception &) {
      // An unreadable settings file gives the defaults.
    }
  }
  m_settings.Read(ini);
  m_lastDirectory = QFileInfo(QString::fromStdString(m_settings.Options.DocDirectory)).path();
  ApplyPlacementFromSettings();
  RebuildRecentMenu();
}

void TfrmMain::ApplyPlacementFromSettings() {
  const TMainWindowSettings &m = m_settings.MainWindow;
  if (m_settings.Options.AutoSave && m.WindowState != wsMaximized) {
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect avail = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const TPlacement p = ClampPlacement(m.Normal, avail.width(), avail.height());
    setGeometry(avail.left() + p.Left, avail.top() + p.Top, p.Width, p.Height);
  }
  if (m.WindowState == wsMaximized) {
    // Without a window manager maximising does nothing: fill the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
  }
  ApplyToolbarLocation();
  m_toolBar->setVisible(m.ToolbarVisible);
  statusBar()->setVisible(m.StatusbarVisible);
  Action(QStringLiteral("mnuViewToolbar"))->setChecked(m.ToolbarVisible);
  Action(QStringLiteral("mnuViewStatus"))->setChecked(m.StatusbarVisible);
}

void TfrmMain::ApplyToolbarLocation() {
  Qt::ToolBarArea area = Qt::TopToolBarArea;
  switch (m_settings.MainWindow.ToolbarLocation) {
  case 2: area = Qt::BottomToolBarArea; break;
  case 3: area = Qt::LeftToolBarArea; break;
  case 4: area = Qt::RightToolBarArea; break;
  default: break;
  }
  const bool visible = m_settings.MainWindow.ToolbarVisible;
  addToolBar(area, m_toolBar);
  m_toolBar->setVisible(visible);
}

// ---------------------------------------------------------------- documents

QList<TfrmDoc *> TfrmMain::Documents() const {
  QList<TfrmDoc *> docs;
  const QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::StackingOrder);
  // Stacking order runs bottom to top; the active window comes first here.
  for (auto it = subs.crbegin(); it != subs.crend(); ++it) {
    if (auto *doc = qobject_cast<TfrmDoc *>((*it)->widget()); doc != nullptr && IsOpen(*it)) docs.append(doc);
  }
  return docs;
}

bool TfrmMain::IsOpen(const QMdiSubWindow *sub) {
  // A closed window waits for its deferred deletion; it no longer counts.
  // A minimised one hides its widget but is still open.
  const auto *doc = qobject_cast<const TfrmDoc *>(sub->widget());
  return sub->property("korvOpen").toBool() && doc != nullptr && !doc->IsClosed();
}

int TfrmMain::DocumentCount() const { return static_cast<int>(Documents().size()); }

TfrmDoc *TfrmMain::ActiveDocument() const {
  QMdiSubWindow *sub = m_mdi->currentSubWindow();
  if (sub == nullptr || !IsOpen(sub)) {
    const QList<TfrmDoc *> docs = Documents();
    return docs.isEmpty() ? nullptr : docs.first();
  }
  return qobject_cast<TfrmDoc *>(sub->widget());
}

QMdiSubWindow *TfrmMain::SubWindowOf(TfrmDoc *doc) const {
  return doc == nullptr ? nullptr : qobject_cast<QMdiSubWindow *>(doc->parentWidget());
}

bool TfrmMain::TooManyWindows() {
  if (DocumentCount() <= kMaxDocumentWindows) return false;
  ShowError(QString::fromStdString(Format(kMsgTooManyChildren, kMaxDocumentWindows)));
  return true;
}

TfrmDoc *TfrmMain::NewDocumentWindow() {
  auto *doc = new TfrmDoc;
  QMdiSubWindow *sub = m_mdi->addSubWindow(doc);
  sub->setAttribute(Qt::WA_DeleteOnClose);
  sub->setWindowIcon(ToolIcon(QStringLiteral("MeasureMatch")));
  sub->setProperty("korvOpen", true);
  // New windows cascade from the top-left corner at two thirds of the area.
  const QSize area = m_mdi->viewport()->size();
  const int step = 24 * (static_cast<int>(m_mdi->subWindowList().size() - 1) % 10);
  sub->setGeometry(step, step, std::max(480, area.width() * 2 / 3), std::max(320, area.height() * 2 / 3));
  // A window that closed (by any route) no longer counts as open.
  connect(doc, &QObject::destroyed, this, [this] {
    if (!m_closing) QTimer::singleShot(0, this, [this] { UpdateMenuItems(); });
  });
  ApplySettingsToDocument(doc);
  ConnectDocument(doc);
  return doc;
}

void TfrmMain::ApplySettingsToDocument(TfrmDoc *doc) {
  const TOptions &o = m_settings.Options;
  TPlotLook look;
  look.ViewStyle = o.ViewStyle;
  look.FontSize = o.FontSize;
  look.PlotMethod = o.PlotMethod;
  look.GridLines = o.GridLines;
  look.MarkPoints = o.MarkPoints;
  doc->SetPlotLook(look);
  doc->SetLabelFlags(o.LblFieldDate, o.LblFieldCustom);
  // The cable list: the setting, else beside the program, the installed
  // data folder, or the bundled copy, so that Ctrl+D works out of the box.
  const QString cables =
      ResolveCableList(QString::fromStdString(o.CableList), QString::fromStdString(m_settings.Context().ProgramDir),
                       QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
  doc->SetFaultOptions(
      TFaultOptions{cables.isEmpty() ? QString::fromStdString(o.CableList) : cables, o.DielectricFormat});
  doc->SetSaveHandler([this](TfrmDoc &d) { return SaveAtCloseTime(&d); });
}

void TfrmMain::ConnectDocument(TfrmDoc *doc) {
  connect(doc, &TfrmDoc::modifiedChanged, this, [this, doc](bool modified) {
    if (m_closing) return;
    if (doc == ActiveDocument()) m_panelDocDirty->setText(modified ? tr("Modified") : tr("Unmodified"));
  });
  connect(doc, &TfrmDoc::stateChanged, this, [this] {
    if (!m_closing) UpdateMenuItems(false);
  });
  connect(doc, &TfrmDoc::statusText, this, [this](const QString &text) {
    if (!m_closing) ShowHintText(text);
  });
  connect(doc, &TfrmDoc::plotModeChanged, this, [this, doc](int mode) {
    if (m_closing) return;
    if (doc == ActiveDocument()) ViewOptionSelect(mode == pmSmith ? 2 : mode == pmDistance ? 3 : 1);
    // A new graph was built: it takes the cursor of the current tool.
    MouseActionSelect(m_toolMode);
  });
  connect(doc, &TfrmDoc::selectToolRequested, this, [this] {
    if (!m_closing) MouseActionSelect(tmSelect);
  });
  connect(doc, &TfrmDoc::readoutPaused, this, [this](bool paused) {
    if (m_closing) return;
    if (paused)
      m_timerMouseData->stop();
    else
      m_timerMouseData->start();
  });
  connect(doc, &TfrmDoc::cableListPathChanged, this,
          [this](const QString &path) { m_settings.Options.CableList = path.toStdString(); });
  connect(doc, &TfrmDoc::graphMousePressed, this,
          [this, doc](QPoint pixel, Qt::MouseButton button) { DocumentGraphPressed(doc, pixel, button); });
}

void TfrmMain::DocumentGraphPressed(TfrmDoc *doc, QPoint pixel, Qt::MouseButton button) {
  if (button == Qt::RightButton) {
    UpdateMenuItems(false);
    if (doc->Graph() != nullptr) m_popup->popup(doc->Graph()->mapToGlobal(pixel));
    return;
  }
  if (button != Qt::LeftButton || doc->PlotMode() == pmSmith) return;
  if (m_toolMode == tmZoomIn)
    doc->ZoomIn();
  else if (m_toolMode == tmZoomOut)
    doc->ZoomOut();
  else
    return;
  UpdateMenuItems(false);
}

void TfrmMain::CloseDocumentSilently(TfrmDoc *doc) {
  QMdiSubWindow *sub = SubWindowOf(doc);
  doc->SetCloseSilently(true);
  if (sub != nullptr) {
    sub->setProperty("korvOpen", false);
    sub->close();
  } else {
    doc->close();
  }
}

TfrmDoc *TfrmMain::OpenDocumentFile(const QString &fileName) {
  if (TooManyWindows()) return nullptr;
  TfrmDoc *doc = NewDocumentWindow();
  if (!doc->OpenFileW(fileName)) {
    CloseDocumentSilently(doc);
    UpdateMenuItems();
    return nullptr;
  }
  m_lastDirectory = QFileInfo(fileName).absolutePath();
  SubWindowOf(doc)->show();
  NewRecentFile(doc->FileName().isEmpty() ? fileName : doc->FileName());
  NewRecentFileW(doc->FileName().isEmpty() ? fileName : doc->FileName());
  UpdateMenuItems();
  return doc;
}

void TfrmMain::OpenFiles(const QStringList &fileNames) {
  for (const QString &name : fileNames) {
    if (DocumentCount() > kMaxDocumentWindows) {
      ShowError(QString::fromStdString(Format(kMsgTooManyChildren, kMaxDocumentWindows)));
      break;
    }
    OpenDocumentFile(name);
  }
}

void TfrmMain::Autoload() {
  if (!m_settings.Options.AutoSave || m_settingsPath.isEmpty()) return;
  TIniFile ini;
  try {
    ini = TIniFile::Load(m_settingsPath.toStdString());
  } catch (const Exception &) {
    return;
  }
  const std::vector<TDocumentEntry> list = m_settings.TakeAutoloadList(ini, m_mdi->viewport()->width());
  if (list.empty()) return;
  // The count goes back to 0 on disk before any document is tried.
  try {
    ini.Save();
  } catch (const Exception &) {
  }
  // A document that cannot be reopened (moved, damaged, a device named by a
  // damaged settings file) must not stop the start with a box per entry:
  // the reasons are gathered and shown once the window is up.
  QStringList failures;
  const TDocMessageHook previous =
      SetDocMessageHook([&failures](TMsgKind kind, const QString &text, QMessageBox::StandardButtons buttons) {
        if (kind == TMsgKind::Error || kind == TMsgKind::Warning) failures << text;
        return buttons.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::No;
      });
  for (const TDocumentEntry &entry : list) {
    if (DocumentCount() > kMaxDocumentWindows) {
      ShowError(QString::fromStdString(Format(kMsgTooManyChildren, kMaxDocumentWindows)));
      break;
    }
    const QString name = QString::fromStdString(entry.FileName);
    if (!name.isEmpty() && QFileInfo::exists(name)) {
      TfrmDoc *doc = NewDocumentWindow();
      QMdiSubWindow *sub = SubWindowOf(doc);
      sub->setWindowTitle(QString::fromLatin1(kAutoloadCaption));
      sub->setGeometry(entry.Placement.Left, entry.Placement.Top, entry.Placement.Width, entry.Placement.Height);
      if (doc->OpenFileW(name)) {
        if (entry.WindowState == wsMaximized)
          sub->showMaximized();
        else if (entry.WindowState == wsMinimized)
          sub->showMinimized();
        else
          sub->show();
      } else {
        CloseDocumentSilently(doc);
      }
    }
    ini.EraseSection(TKorvSettings::DocumentSection(entry.Index));
  }
  SetDocMessageHook(previous);
  try {
    ini.Save();
  } catch (const Exception &) {
  }
  UpdateMenuItems();
  if (!failures.isEmpty()) {
    QTimer::singleShot(0, this, [this, failures] {
      ShowError(tr("Some documents of the last session could not be opened again:") + QStringLiteral("\n\n") +
                failures.join(QStringLiteral("\n\n")));
    });
  }
}

void TfrmMain::HandleCommandLine(const QStringList &args) {
  if (!args.isEmpty() && args.first() == QLatin1String("/p"))
    PrintFiles(args.mid(1));
  else
    OpenFiles(args);
  BringToFront();
}

void TfrmMain::BringToFront() {
  if (isMinimized()) setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  if (!isVisible()) show();
  raise();
  activateWindow();
}

// ---------------------------------------------------------------- messages

QMessageBox::StandardButton TfrmMain::Ask(QMessageBox::Icon icon, const QString &text,
                                          QMessageBox::StandardButtons buttons) {
  if (m_askHook) return m_askHook(text, buttons);
  for (;;) {
    QMessageBox box(icon, QApplication::applicationName(), text, buttons, this);
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    // The Help button shows the questions' help topic and asks again.
    if (answer != QMessageBox::Help) return answer;
    ShowHelp(kQuestionHelpContext);
  }
}

void TfrmMain::ShowError(const QString &text) { Ask(QMessageBox::Critical, text, QMessageBox::Ok); }

QString TfrmMain::AskFileName(TFileDialogKind kind, const QString &proposed, const QString &folder,
                              const QString &filter, const QString &suffix, int filterIndex) {
  if (m_fileHook) {
    const QStringList names = m_fileHook(kind, proposed);
    return names.isEmpty() ? QString() : names.first();
  }
  QFileDialog dialog(this);
  dialog.setNameFilter(filter);
  const QStringList filters = filter.split(QStringLiteral(";;"));
  if (filterIndex >= 1 && filterIndex <= filters.size()) dialog.selectNameFilter(filters.at(filterIndex - 1));
  dialog.setDirectory(folder);
  dialog.setDefaultSuffix(suffix);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  if (!proposed.isEmpty()) dialog.selectFile(QFileInfo(proposed).fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

// ---------------------------------------------------------------- recent files

void TfrmMain::NewRecentFile(const QString &name) {
  try {
    m_settings.RecentFiles.Add(name.toStdString());
  } catch (const std::exception &) {
    throw EmoxFileError("Exception in TfrmMain.NewRecentFile().");
  }
  RebuildRecentMenu();
}

void TfrmMain::NewRecentFileW(const QString &name) {
  try {
    m_settings.RecentFilesW.Add(name.toStdString());
  } catch (const std::exception &) {
    throw EmoxFileError("Exception in TfrmMain.NewRecentFileW().");
  }
  RebuildRecentMenu();
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

void TfrmMain::mnuFileRClick(int k) {
  const QString name = QString::fromStdString(m_settings.RecentNameForItem(k));
  if (name.isEmpty()) return;
  if (DocumentCount() > kMaxDocumentWindows) {
    ShowError(QString::fromStdString(Format(kMsgTooManyChildren, kMaxDocumentWindows)));
    return;
  }
  OpenDocumentFile(name);
}

// ---------------------------------------------------------------- saving

bool TfrmMain::WriteDocument(TfrmDoc *doc, const QString &fileName) {
  const TfrmDoc::TSaveOutcome outcome = doc->SaveFile(fileName);
  if (outcome == TfrmDoc::TSaveOutcome::Failed) return false;
  // A file that holds less than the window (one trace of several) is an
  // export: the window keeps its name and stays modified.
  if (outcome == TfrmDoc::TSaveOutcome::Exported) return true;
  if (doc->FileName() != fileName) doc->SetFileName(fileName);
  if (doc->IsModified()) doc->ClearModified();
  if (doc == ActiveDocument()) UpdateMenuItems(false);
  return true;
}

bool TfrmMain::SaveCommand(TfrmDoc *doc) {
  if (doc == nullptr) return false;
  if (doc->Imported() || doc->Document().Doc.ReadFlag != 0) return SaveAsCommand(doc);
  if (doc->IsModified() && !WriteDocument(doc, doc->FileName())) return false;
  NewRecentFile(doc->FileName());
  NewRecentFileW(doc->FileName());
  return true;
}

bool TfrmMain::SaveWithDialog(TfrmDoc *doc, bool closeTime) {
  if (doc->Document().Doc.ReadFlag == 1 &&
      Ask(QMessageBox::Warning, QString::fromLatin1(kMsgNotKorvFormat),
          QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Help) != QMessageBox::Ok)
    return false;
  const QString current = doc->FileName();
  QString suffix = QStringLiteral("kdt");
  int filterIndex = 1;
  QString proposed = WithoutExtension(current);
  if (closeTime) {
    proposed += QStringLiteral(".kdt");
  } else {
    // Save As proposes the format the document came from.
    static const char *const kSuffixes[] = {"kdt", "csv", "vnf", "s1p"};
    const QString ext = QFileInfo(current).suffix().toLower();
    for (int i = 0; i < 4; ++i) {
      if (ext == QLatin1String(kSuffixes[i])) {
        suffix = QString::fromLatin1(kSuffixes[i]);
        filterIndex = i + 1;
      }
    }
  }
  const QString folder = current.isEmpty() ? m_lastDirectory : QFileInfo(current).absolutePath();
  const QString chosen =
      AskFileName(TFileDialogKind::SaveAs, proposed, folder, QString::fromLatin1(kSaveFilter), suffix, filterIndex);
  if (chosen.isEmpty()) return false;
  doc->Document().Doc.FileVersion = 7;
  if (!WriteDocument(doc, chosen)) return false;
  NewRecentFile(chosen);
  NewRecentFileW(chosen);
  return true;
}

bool TfrmMain::SaveAsCommand(TfrmDoc *doc) { return doc != nullptr && SaveWithDialog(doc, false); }

bool TfrmMain::SaveAtCloseTime(TfrmDoc *doc) {
  if (doc->Imported() || doc->Document().Doc.ReadFlag != 0) return SaveWithDialog(doc, true);
  return !doc->IsModified() || WriteDocument(doc, doc->FileName());
}

bool TfrmMain::SaveBySaveAllRule(TfrmDoc *doc) {
  if (doc->Imported() || doc->Document().Doc.ReadFlag != 0) {
    const QString name = doc->FileName();
    if (!name.isEmpty() && QFileInfo::exists(name)) {
      const auto answer = Ask(QMessageBox::Question,
                              QStringLiteral("File \"%1\" already exists. Do you want to replace the file?").arg(name),
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Help);
      if (answer == QMessageBox::Yes) {
        doc->Document().Doc.FileVersion = 7;
        return WriteDocument(doc, name);
      }
      if (answer == QMessageBox::No) return SaveAtCloseTime(doc);
      return false;
    }
    if (!doc->IsModified()) return true;
    doc->Document().Doc.FileVersion = 7;
    return WriteDocument(doc, name);
  }
  return !doc->IsModified() || WriteDocument(doc, doc->FileName());
}

// ---------------------------------------------------------------- closing

bool TfrmMain::AskToSaveModified() {
  bool yesToAll = false;
  for (TfrmDoc *doc : Documents()) {
    if (!doc->IsModified()) continue;
    bool saved = true;
    if (yesToAll) {
      saved = SaveBySaveAllRule(doc);
    } else {
      const auto answer =
          Ask(QMessageBox::Question, QStringLiteral("Save %1 before Closing?").arg(doc->windowTitle()),
              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll | QMessageBox::Help);
      if (answer == QMessageBox::Yes) {
        saved = SaveAtCloseTime(doc);
      } else if (answer == QMessageBox::YesToAll) {
        yesToAll = true;
        saved = SaveBySaveAllRule(doc);
      } else if (answer != QMessageBox::No) {
        saved = false; // Cancel
      }
    }
    if (!saved) return false;
  }
  return true;
}

bool TfrmMain::CloseAllDocuments() {
  // A failed or cancelled save keeps every window open: nothing is lost.
  if (!AskToSaveModified()) return false;
  for (TfrmDoc *doc : Documents())
    CloseDocumentSilently(doc);
  UpdateMenuItems();
  return true;
}

void TfrmMain::closeEvent(QCloseEvent *event) {
  if (m_exitDone) {
    event->accept();
    return;
  }
  if (!AskToSaveModified()) {
    event->ignore();
    return;
  }
  hide();
  WriteSettingsAndCloseWindows();
  if (m_help) m_help->close();
  m_exitDone = true;
  event->accept();
}

void TfrmMain::WriteSettingsAndCloseWindows() {
  TIniFile ini;
  if (!m_settingsPath.isEmpty()) {
    try {
      ini = TIniFile::Load(m_settingsPath.toStdString());
    } catch (const Exception &) {
      ini = TIniFile(m_settingsPath.toStdString());
    }
  }
  std::vector<TDocumentEntry> entries;
  for (TfrmDoc *doc : Documents()) {
    QMdiSubWindow *sub = SubWindowOf(doc);
    TDocumentEntry e;
    e.FileName = doc->FileName().toStdString();
    e.WindowState = sub->isMaximized() ? wsMaximized : sub->isMinimized() ? wsMinimized : wsNormal;
    if (e.WindowState != wsNormal) sub->showNormal();
    const QRect g = sub->geometry();
    e.Placement = {g.left(), g.top(), g.width(), g.height()};
    if (!e.FileName.empty()) entries.push_back(std::move(e));
    CloseDocumentSilently(doc);
    QCoreApplication::processEvents();
  }
  TMainWindowSettings &m = m_settings.MainWindow;
  m.WindowState = isMaximized() ? wsMaximized : isMinimized() ? wsMinimized : wsNormal;
  const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
  m.Normal = {normal.left(), normal.top(), normal.width(), normal.height()};
  m.ToolbarVisible = Action(QStringLiteral("mnuViewToolbar"))->isChecked();
  m.StatusbarVisible = Action(QStringLiteral("mnuViewStatus"))->isChecked();
  switch (toolBarArea(m_toolBar)) {
  case Qt::BottomToolBarArea: m.ToolbarLocation = 2; break;
  case Qt::LeftToolBarArea: m.ToolbarLocation = 3; break;
  case Qt::RightToolBarArea: m.ToolbarLocation = 4; break;
  default: m.ToolbarLocation = 1; break;
  }
  m_settings.WriteAll(ini, entries, !m_printRun);
  if (!m_settingsPath.isEmpty()) {
    try {
      ini.Save();
    } catch (const Exception &e) {
      qWarning("korvmox: settings not written: %s", e.what());
    }
  }
  emit settingsWritten();
}

// ---------------------------------------------------------------- enabling

void TfrmMain::UpdateMenuItems(bool selectTool) {
  if (m_closing) return;
  TfrmDoc *doc = ActiveDocument();
  const bool D = doc != nullptr;
  const bool S = D && doc->PlotMode() == pmSmith;
  const bool T = D && doc->ActiveTrace() >= 0 && doc->ActiveTrace() < doc->Document().Doc.TraceCount();
  const int kind = D ? doc->Document().Doc.DataKind : 0;
  const bool R = D && kind >= 1 && kind <= 3;
  const bool Z = D && doc->IsZoomed();
  const bool M = D && doc->ZoomLevel() >= TfrmDoc::kMaxZoomLevel;
  const bool C = m_capsule->Filled();
  const bool N = D && kind != 1 && doc->Document().Doc.TraceCount() > 0;
  const auto set = [this](std::initializer_list<const char *> names, bool on) {
    for (const char *n : names) {
      const QString name = QString::fromLatin1(n);
      m_enabled.insert(name, on);
      Action(name)->setEnabled(on);
    }
  };
  set({"mnuFileClose", "mnuFileCloseAll", "mnuFileSave", "tlbtnSave", "mnuFileSaveAll", "mnuFileSaveAs",
       "mnuFileSaveAsMeta", "mnuFilePrint", "mnuFilePrintMultiple", "mnuEditCopyMeta", "mnuEditCopyBitmap",
       "mnuWindowTile", "mnuWindowCascade", "mnuWindowArrangeAll", "mnuWindowCloseAll", "mnuWindowHide"},
      D);
  menuBar()->findChild<QMenu *>(QStringLiteral("mnuEdit"))->menuAction()->setEnabled(D);
  m_mnuWindow->menuAction()->setEnabled(D);
  set({"mnuEditCut", "tlbtnCut"}, D && !S && T && !R);
  set({"mnuEditCopy", "tlbtnCopy", "tlbtnCopyImage"}, D && !R);
  set({"mnuEditPaste", "tlbtnPaste"}, D && !S && C);
  set({"mnuEditDelete", "tlbtnDelete"}, D && !S && T);
  set({"mnuViewXYGraph", "mnuViewSmithChart", "mnuViewDTF", "tlbtnXYGraph", "tlbtnSmithChart", "tlbtnDTF"}, D && !R);
  set({"mnuViewArrow", "tlbtnArrow", "mnuViewAutoScale", "tlbtnAutoScale", "mnuViewLimitLine", "tlbtnLimitLine",
       "mnuViewMarkerHide", "tlbtnMarkerHide"},
      D && !S);
  set({"mnuViewZoomIn", "tlbtnZoomIn"}, D && !S && !M);
  set({"mnuViewZoomOut", "tlbtnZoomOut"}, D && !S && Z);
  set({"mnuViewMarker1", "tlbtnMarker1"}, D && !S && T);
  set({"mnuToolsCalcDTF", "tlbtnCalcDTF", "pmnuDTFWizard"}, D && N);
  set({"pmnuCutTrace"}, !S && T && !R);
  set({"pmnuCopyTrace"}, !R);
  set({"pmnuPasteTrace"}, !S && C);
  set({"pmnuDeleteTrace"}, !S && T);

  const bool full = !S && T && !R;
  const QString copy = full ? tr("Copy Trace, Data, and Image") : tr("Copy Image");
  Action(QStringLiteral("mnuEditCopy"))->setText(copy);
  Action(QStringLiteral("tlbtnCopy"))->setToolTip(copy + tr(" to the clipboard"));
  Action(QStringLiteral("tlbtnCopy"))->setStatusTip(copy + tr(" to the clipboard"));
  Action(QStringLiteral("pmnuCopyTrace"))->setText(full ? tr("Copy Trace, Data, and Bitmap") : tr("Copy Bitmap"));

  if (selectTool) MouseActionSelect(!D || S ? tmNone : tmSelect);
  if (D) {
    m_panelDocFormat->setText(SourceFormatText(doc->Document().Doc.ReadFlag));
    m_panelDocDirty->setText(doc->IsModified() ? tr("Modified") : tr("Unmodified"));
  } else {
    m_panelDocFormat->clear();
    m_panelDocDirty->clear();
    m_panelMouseData->clear();
  }
}

void TfrmMain::MouseActionSelect(int mode) {
  static const std::pair<int, const char *> tools[] = {{tmSelect, "Arrow"},        {tmZoomIn, "ZoomIn"},
                                                       {tmZoomOut, "ZoomOut"},     {tmAddMarker, "Marker1"},
                                                       {tmLimitLine, "LimitLine"}, {tmHideMark, "MarkerHide"}};
  for (const auto &[m, name] : tools) {
    Action(QStringLiteral("mnuView") + QLatin1String(name))->setChecked(m == mode);
    Action(QStringLiteral("tlbtn") + QLatin1String(name))->setChecked(m == mode);
  }
  m_toolMode = mode;
  int cursor = 0;
  switch (mode) {
  case tmZoomIn: cursor = 4; break;
  case tmZoomOut: cursor = 5; break;
  case tmAddMarker: cursor = 6; break;
  case tmLimitLine: cursor = 8; break;
  case tmHideMark: cursor = 10; break;
  default: break;
  }
  const bool hotSpots = mode != tmZoomIn && mode != tmZoomOut;
  for (TfrmDoc *doc : Documents()) {
    TGraph *graph = doc->Graph();
    if (graph == nullptr) continue;
    graph->SetHotSpotsEnabled(hotSpots);
    if (doc->PlotMode() == pmSmith) continue;
    if (cursor == 0)
      graph->unsetCursor();
    else
      graph->setCursor(KorvCursor(cursor));
  }
  if (TfrmDoc *active = ActiveDocument(); active != nullptr && active->Graph() != nullptr) active->Graph()->update();
}

void TfrmMain::ViewOptionSelect(int view) {
  static const char *menus[] = {"mnuViewXYGraph", "mnuViewSmithChart", "mnuViewDTF"};
  static const char *buttons[] = {"tlbtnXYGraph", "tlbtnSmithChart", "tlbtnDTF"};
  for (int i = 0; i < 3; ++i) {
    Action(QString::fromLatin1(menus[i]))->setChecked(i + 1 == view);
    Action(QString::fromLatin1(buttons[i]))->setChecked(i + 1 == view);
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

// ---------------------------------------------------------------- commands

void TfrmMain::mnuFileOpenClick() {
  QStringList names;
  if (m_fileHook) {
    names = m_fileHook(TFileDialogKind::Open, {});
  } else {
    QFileDialog dialog(this, tr("Open"), m_lastDirectory, QString::fromLatin1(kOpenFilter));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("kdt"));
    if (dialog.exec() == QDialog::Accepted) names = dialog.selectedFiles();
  }
  OpenFiles(names);
}

void TfrmMain::mnuFileCloseClick() {
  if (QMdiSubWindow *sub = SubWindowOf(ActiveDocument())) sub->close();
  UpdateMenuItems();
}

void TfrmMain::mnuFileCloseAllClick() { CloseAllDocuments(); }

void TfrmMain::mnuFileSaveClick() { SaveCommand(ActiveDocument()); }

void TfrmMain::mnuFileSaveAllClick() {
  for (TfrmDoc *doc : Documents()) {
    if (!SaveBySaveAllRule(doc)) break;
  }
  UpdateMenuItems(false);
}

void TfrmMain::mnuFileSaveAsClick() { SaveAsCommand(ActiveDocument()); }

bool TfrmMain::ExportGraph(TfrmDoc *doc, const QString &fileName) {
  const QSize size = doc->Graph() != nullptr && doc->Graph()->width() > 10 ? doc->Graph()->size() : QSize(800, 600);
  return doc->SaveImage(fileName, size);
}

void TfrmMain::mnuFileSaveAsMetaClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr) return;
  // The proposal: the file name with everything from its first "." replaced.
  const QFileInfo fi(doc->FileName());
  QString base = fi.fileName();
  if (const int dot = base.indexOf(QLatin1Char('.')); dot >= 0) base = base.left(dot);
  const QString folder = doc->FileName().isEmpty() ? m_lastDirectory : fi.absolutePath();
  const QString proposed = QDir(folder).filePath(base + QStringLiteral(".svg"));
  const QString chosen = AskFileName(TFileDialogKind::Export, proposed, folder, QString::fromLatin1(kExportFilter),
                                     QStringLiteral("svg"), 1);
  if (chosen.isEmpty()) return;
  if (!ExportGraph(doc, chosen)) ShowError(tr("Unable to create file:\n%1").arg(chosen));
}

void TfrmMain::PrintDocument(TfrmDoc *doc, QPrinter &printer) {
  // The graph fills the printable area of the (landscape) page.
  QPainter painter(&printer);
  doc->RenderTo(painter, QRectF(painter.viewport()));
}

void TfrmMain::mnuFilePrintClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr) return;
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageOrientation(QPageLayout::Landscape);
  QPrintDialog dialog(&printer, this);
  dialog.setWindowTitle(tr("Print"));
  if (dialog.exec() != QDialog::Accepted) return;
  PrintDocument(doc, printer);
}

bool TfrmMain::PrintToPdf(TfrmDoc *doc, const QString &pdfName) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdfName);
  printer.setPageOrientation(QPageLayout::Landscape);
  PrintDocument(doc, printer);
  return QFileInfo(pdfName).size() > 0;
}

void TfrmMain::PrintFiles(const QStringList &fileNames) {
  const bool pdf = m_forcePdf || QPrinterInfo::availablePrinters().isEmpty();
  if (pdf && !fileNames.isEmpty()) {
    const QString notice = tr("No printer is installed. Each document is written as a PDF file next to it instead.");
    std::fprintf(stderr, "korvmox: %s\n", qPrintable(notice));
    // Without a screen nobody could answer the box.
    if (m_askHook || QGuiApplication::platformName() != QLatin1String("offscreen"))
      Ask(QMessageBox::Information, notice, QMessageBox::Ok);
  }
  QStringList failed;
  for (const QString &name : fileNames) {
    if (DocumentCount() > kMaxDocumentWindows) {
      ShowError(QString::fromStdString(Format(kMsgTooManyChildren, kMaxDocumentWindows)));
      break;
    }
    TfrmDoc *doc = NewDocumentWindow();
    SubWindowOf(doc)->resize(900, 600);
    SubWindowOf(doc)->show();
    if (doc->OpenFileW(name)) {
      if (pdf) {
        const QString pdfName = WithoutExtension(name) + QStringLiteral(".pdf");
        if (!PrintToPdf(doc, pdfName)) failed << pdfName;
      } else {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Landscape);
        PrintDocument(doc, printer);
      }
    }
    CloseDocumentSilently(doc);
  }
  if (!failed.isEmpty()) ShowError(tr("Unable to create file:\n%1").arg(failed.join(QLatin1Char('\n'))));
  UpdateMenuItems();
}

void TfrmMain::mnuFileExitClick() { close(); }

char TfrmMain::Delimiter() const {
  const int d = m_settings.Options.Deliminator;
  return d >= 1 && d <= 127 ? static_cast<char>(d) : '\t';
}

void TfrmMain::mnuEditCutClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(QStringLiteral("mnuEditCut"))) return;
  CopyTrace(*doc, *m_capsule, false, Delimiter(), m_settings.Options.DefaultImageFmt);
  DeleteTrace(*doc);
  UpdateMenuItems(false);
}

void TfrmMain::mnuEditCopyClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(QStringLiteral("mnuEditCopy"))) return;
  CopyTrace(*doc, *m_capsule, true, Delimiter(), m_settings.Options.DefaultImageFmt);
  UpdateMenuItems(false);
}

void TfrmMain::pmnuCopyTraceClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(QStringLiteral("pmnuCopyTrace"))) return;
  CopyTrace(*doc, *m_capsule, true, Delimiter(), 1);
  UpdateMenuItems(false);
}

void TfrmMain::mnuEditPasteClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(QStringLiteral("mnuEditPaste"))) return;
  PasteTrace(*doc, *m_capsule, [this](const QString &text) { ShowError(text); });
  UpdateMenuItems(false);
}

void TfrmMain::mnuEditDeleteClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(QStringLiteral("mnuEditDelete"))) return;
  DeleteTrace(*doc);
  UpdateMenuItems(false);
}

void TfrmMain::mnuEditCopyMetaClick() {
  if (TfrmDoc *doc = ActiveDocument()) QApplication::clipboard()->setMimeData(GraphMimeData(*doc, 0));
}

void TfrmMain::mnuEditCopyBitmapClick() {
  if (TfrmDoc *doc = ActiveDocument()) QApplication::clipboard()->setMimeData(GraphMimeData(*doc, 1));
}

void TfrmMain::tlbtnCopyImageClick() {
  if (m_settings.Options.DefaultImageFmt == 1)
    mnuEditCopyBitmapClick();
  else
    mnuEditCopyMetaClick();
}

void TfrmMain::mnuViewToolbarClick() {
  const bool on = Action(QStringLiteral("mnuViewToolbar"))->isChecked();
  m_toolBar->setVisible(on);
  m_settings.MainWindow.ToolbarVisible = on;
}

void TfrmMain::mnuViewStatusClick() {
  const bool on = Action(QStringLiteral("mnuViewStatus"))->isChecked();
  statusBar()->setVisible(on);
  m_settings.MainWindow.StatusbarVisible = on;
}

void TfrmMain::PlotModeCommand(int mode) {
  TfrmDoc *doc = ActiveDocument();
  const int view = mode == pmSmith ? 2 : mode == pmDistance ? 3 : 1;
  if (doc == nullptr) return;
  // Choosing the view already shown only re-selects its button.
  if (doc->PlotMode() == mode) {
    ViewOptionSelect(view);
    return;
  }
  if (mode == pmDistance) {
    if (!doc->ShowFaultLocation()) {
      const int cur = doc->PlotMode();
      ViewOptionSelect(cur == pmSmith ? 2 : cur == pmDistance ? 3 : 1);
      return;
    }
  } else {
    doc->SetPlotMode(mode);
  }
  ViewOptionSelect(view);
  UpdateMenuItems();
}

void TfrmMain::mnuViewXYGraphClick() { PlotModeCommand(pmFrequency); }
void TfrmMain::mnuViewSmithChartClick() { PlotModeCommand(pmSmith); }
void TfrmMain::mnuViewDTFClick() { PlotModeCommand(pmDistance); }
void TfrmMain::mnuViewArrowClick() { MouseActionSelect(tmSelect); }
void TfrmMain::mnuViewZoomInClick() { MouseActionSelect(tmZoomIn); }
void TfrmMain::mnuViewZoomOutClick() { MouseActionSelect(tmZoomOut); }

void TfrmMain::mnuViewAutoScaleClick() {
  if (TfrmDoc *doc = ActiveDocument()) {
    doc->AutoScale();
    UpdateMenuItems(false);
  }
}

void TfrmMain::mnuToolsCalcDTFClick() {
  if (TfrmDoc *doc = ActiveDocument()) {
    doc->FaultLocationWizardCommand();
    UpdateMenuItems(false);
  }
}

// Tiling in a grid (columns first), so that every graph keeps a usable
// height; the windows are repainted at once rather than left grey.
void TfrmMain::mnuWindowTileClick() {
  QList<QMdiSubWindow *> subs;
  for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
    if (IsOpen(sub) && !sub->isMinimized()) subs << sub;
  }
  if (subs.isEmpty()) return;
  const QRect area = m_mdi->viewport()->rect();
  const TTileGrid grid = TileGrid(static_cast<int>(subs.size()), area.width(), area.height());
  for (int i = 0; i < subs.size(); ++i) {
    const QRect cell = grid.Cell(i, area.width(), area.height());
    subs[i]->showNormal();
    subs[i]->setGeometry(cell);
  }
  for (QMdiSubWindow *sub : subs)
    sub->update();
  m_mdi->viewport()->update();
}

// Cascading keeps a useful size: QMdiArea's own cascade shrinks each
// window to its minimum size hint.
void TfrmMain::mnuWindowCascadeClick() {
  const QRect area = m_mdi->viewport()->rect();
  const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this) + 4;
  const QSize size(std::max(320, area.width() * 2 / 3), std::max(240, area.height() * 2 / 3));
  int i = 0;
  for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
    if (!IsOpen(sub) || sub->isMinimized()) continue;
    sub->showNormal();
    const int offset = step * i;
    const int x = offset + size.width() > area.width() ? 0 : offset;
    const int y = offset + size.height() > area.height() ? 0 : offset;
    sub->setGeometry(x, y, size.width(), size.height());
    sub->raise();
    ++i;
  }
  if (QMdiSubWindow *current = m_mdi->currentSubWindow()) current->raise();
}

// Minimised windows in a row along the bottom edge.
void TfrmMain::mnuWindowArrangeAllClick() {
  const QRect area = m_mdi->viewport()->rect();
  int x = 0;
  int y = area.bottom();
  for (QMdiSubWindow *sub : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
    if (!sub->isMinimized() || !IsOpen(sub)) continue;
    const QSize s = sub->size();
    if (x > 0 && x + s.width() > area.width()) {
      x = 0;
      y -= s.height();
    }
    sub->move(x, y - s.height() + 1);
    x += s.width();
  }
}

void TfrmMain::mnuWindowCloseAllClick() { CloseAllDocuments(); }

void TfrmMain::mnuWindowHideClick() {
  if (QMdiSubWindow *sub = SubWindowOf(ActiveDocument())) sub->showMinimized();
}

void TfrmMain::RebuildWindowMenu() {
  // clear() deletes the window-list actions the menu owns; the command
  // actions belong to the main window and survive it.
  m_mnuWindow->clear();
  m_windowListActions.clear();
  for (const char *n :
       {"mnuWindowTile", "mnuWindowCascade", "mnuWindowArrangeAll", "mnuWindowCloseAll", "mnuWindowHide"})
    m_mnuWindow->addAction(Action(QString::fromLatin1(n)));
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
    m_windowListActions << a;
  }
}

// ---------------------------------------------------------------- help

THelpWindow *TfrmMain::HelpWindow() {
  if (!m_help) m_help = new THelpWindow(nullptr);
  return m_help;
}

void TfrmMain::ShowHelp(int context) { HelpWindow()->ShowContext(context); }

void TfrmMain::mnuHelpContentsClick() { ShowHelp(kHelpContext); }
void TfrmMain::mnuHelpSearchClick() { HelpWindow()->ShowIndex(QString()); }
void TfrmMain::mnuHelpHowClick() { HelpWindow()->ShowHelpOnHelp(); }

void TfrmMain::mnuHelpAboutClick() {
  TfrmAbout about(this);
  about.exec();
}

} // namespace korv
