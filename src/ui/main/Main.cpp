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
#include <QKeyEvent>
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
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <cmath>
#include <cstdio>

#include "core/Excption.h"
#include "core/TextUtil.h"
#include "core/TraceCapsule.h"
#include "ui/chart/Graph.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"
#include "ui/main/About.h"
#include "ui/main/Cursors.h"
#include "ui/main/DataFiles.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/TraceExchange.h"
#include "ui/main/WindowLayout.h"

namespace korv {

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

TfrmMain::TfrmMain(TSettingsContext context, QString settingsPath, QWidget *parent)
    : QMainWindow(parent), m_settings(std::move(context)), m_settingsPath(std::move(settingsPath)),
      m_capsule(std::make_unique<TTraceCapsule>()) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromLatin1(kMainCaption));
  setWindowIcon(AppIcon());
  m_mdi = new QMdiArea(this);
  m_mdi->setObjectName(QStringLiteral("mdiArea"));
  // No scroll bars: shown as needed, they can switch each other on and off
  // without end when a window lies near the area's edge (the event loop
  // then never comes back, found by the monkey). Tile, Cascade and the
  // Window menu bring every window into view.
  m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
        ViewOptionSelect(ViewButtonOf(mode));
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
  qApp->installEventFilter(this);
}

TfrmMain::~TfrmMain() {
  // The document windows go first, while everything they report to exists.
  m_closing = true;
  SetHelpHook({});
  delete m_mdi;
  m_mdi = nullptr;
  if (m_help) delete m_help.data();
  RestoreSystemTheme();
}

void TfrmMain::dragEnterEvent(QDragEnterEvent *event) {
  if (!LocalFiles(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent *event) {
  const QStringList files = LocalFiles(event->mimeData());
  if (files.isEmpty()) return;
  event->acceptProposedAction();
  OpenFiles(files);
}

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
  // The refused values are named where they are used (the handheld window);
  // a start from a terminal names them all at once.
  for (const TKorvSettings::TProblem &p : m_settings.Problems)
    std::fprintf(stderr, "korvmox: %s\n", p.Message.c_str());
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
  Action(TCommand::ViewToolbar)->setChecked(m.ToolbarVisible);
  Action(TCommand::ViewStatus)->setChecked(m.StatusbarVisible);
  FollowPalette();
  // The desktop's own look needs nothing done: the palette is left alone.
  if (Theme() != TThemeChoice::System || m_themeApplied) {
    SetTheme(Theme());
  } else {
    for (QAction *a : m_themeGroup->actions())
      a->setChecked(a->data().toInt() == static_cast<int>(TThemeChoice::System));
  }
}

void TfrmMain::ApplyToolbarLocation() {
  const Qt::ToolBarArea area = ToolBarAreaOf(m_settings.MainWindow.ToolbarLocation);
  const bool visible = m_settings.MainWindow.ToolbarVisible;
  addToolBar(area, m_toolBar);
  m_toolBar->setVisible(visible);
}

// ---------------------------------------------------------------- documents

QList<TfrmDoc *> TfrmMain::Documents() const {
  QList<TfrmDoc *> docs;
  const QList<QMdiSubWindow *> subs = m_mdi->subWindowList(QMdiArea::StackingOrder);
  // Stacking order runs bottom to top; the active window comes first here.
  for (auto i = subs.size() - 1; i >= 0; --i) {
    QMdiSubWindow *sub = subs.at(i);
    if (auto *doc = qobject_cast<TfrmDoc *>(sub->widget()); doc != nullptr && IsOpen(sub)) docs.append(doc);
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

bool TfrmMain::WindowLimitReached() {
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
  doc->SetToolMode(m_toolMode);
  ConnectDocument(doc);
  return doc;
}

void TfrmMain::ApplySettingsToDocument(TfrmDoc *doc, bool newWindow) {
  const TOptions &o = m_settings.Options;
  TPlotLook look;
  look.ViewStyle = o.ViewStyle;
  look.FontSize = o.FontSize;
  look.PlotMethod = o.PlotMethod;
  look.GridLines = o.GridLines;
  look.MarkPoints = o.MarkPoints;
  doc->SetPlotLook(look);
  if (newWindow) doc->SetLabelFlags(o.LblFieldDate, o.LblFieldCustom);
  ApplyFaultOptionsTo(doc);
  doc->SetSaveHandler([this](TfrmDoc &d) { return SaveAtCloseTime(&d); });
}

void TfrmMain::ApplyFaultOptionsTo(TfrmDoc *doc) {
  const TOptions &o = m_settings.Options;
  // The cable list: the setting, else beside the program, the installed
  // data folder, or the bundled copy, so that Ctrl+D works out of the box.
  const QString cables =
      ResolveCableList(QString::fromStdString(o.CableList), QString::fromStdString(m_settings.Context().ProgramDir),
                       QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
  doc->SetFaultOptions(
      TFaultOptions{cables.isEmpty() ? QString::fromStdString(o.CableList) : cables, o.DielectricFormat});
}

void TfrmMain::ConnectDocument(TfrmDoc *doc) {
  connect(doc, &TfrmDoc::modifiedChanged, this, [this, doc](bool modified) {
    if (m_closing) return;
    if (doc == ActiveDocument()) m_panelDocDirty->setText(modified ? tr("Modified") : tr("Unmodified"));
    ClearStaleModifiedHint();
  });
  connect(doc, &TfrmDoc::stateChanged, this, [this] {
    if (!m_closing) UpdateMenuItems(false);
  });
  connect(doc, &TfrmDoc::historyChanged, this, [this, doc] {
    if (!m_closing && doc == ActiveDocument()) UpdateHistoryActions();
  });
  connect(doc, &TfrmDoc::marksChanged, this, [this, doc] {
    if (!m_closing && doc == ActiveDocument()) UpdateMarkerDock();
  });
  connect(doc, &TfrmDoc::statusText, this, [this](const QString &text) {
    if (!m_closing) ShowHintText(text);
  });
  connect(doc, &TfrmDoc::plotModeChanged, this, [this, doc](int mode) {
    if (m_closing) return;
    if (doc == ActiveDocument()) ViewOptionSelect(ViewButtonOf(mode));
    // A new graph was built: it takes the cursor of the current tool.
    MouseActionSelect(m_toolMode);
  });
  connect(doc, &TfrmDoc::selectToolRequested, this, [this] {
    if (!m_closing) MouseActionSelect(tmSelect);
  });
  connect(doc, &TfrmDoc::toolRequested, this, [this](int mode) {
    if (!m_closing) MouseActionSelect(mode);
  });
  connect(doc, &TfrmDoc::readoutPaused, this, [this](bool paused) {
    if (m_closing) return;
    if (paused)
      m_timerMouseData->stop();
    else
      m_timerMouseData->start();
  });
  connect(doc, &TfrmDoc::cableListPathChanged, this, [this](const QString &path) {
    // A list chosen in one window is the list of every window.
    m_settings.Options.CableList = path.toStdString();
    for (TfrmDoc *d : Documents())
      ApplyFaultOptionsTo(d);
  });
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
    doc->ToolClick(pixel); // select a trace, place a marker or the limit line
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
  // A file already open is not opened twice: two windows of one file would
  // each save over the other's changes.
  if (TfrmDoc *open = OpenWindowOf(fileName)) {
    QMdiSubWindow *sub = SubWindowOf(open);
    if (sub->isMinimized()) sub->showNormal();
    m_mdi->setActiveSubWindow(sub);
    m_lastDirectory = QFileInfo(fileName).absolutePath();
    NewRecentFile(open->FileName());
    NewRecentFileW(open->FileName());
    UpdateMenuItems();
    return open;
  }
  if (WindowLimitReached()) return nullptr;
  TfrmDoc *doc = NewDocumentWindow();
  if (!doc->OpenFileW(fileName)) {
    CloseDocumentSilently(doc);
    UpdateMenuItems();
    return nullptr;
  }
  m_lastDirectory = QFileInfo(fileName).absolutePath();
  SubWindowOf(doc)->show();
  // The first trace starts active, so its markers and the trace commands
  // work at once.
  if (doc->Document().Doc.TraceCount() > 0 && doc->PlotMode() != pmSmith) doc->SetActiveTrace(0);
  NewRecentFile(doc->FileName().isEmpty() ? fileName : doc->FileName());
  NewRecentFileW(doc->FileName().isEmpty() ? fileName : doc->FileName());
  UpdateMenuItems();
  return doc;
}

TfrmDoc *TfrmMain::OpenWindowOf(const QString &fileName) const {
  const QFileInfo wanted(fileName);
  if (!wanted.isFile()) return nullptr;
  const QString path = wanted.canonicalFilePath();
  for (TfrmDoc *doc : Documents()) {
    const QFileInfo held(doc->FileName());
    if (held.isAbsolute() && held.isFile() && held.canonicalFilePath() == path) return doc;
  }
  return nullptr;
}

void TfrmMain::OpenFiles(const QStringList &fileNames) {
  for (const QString &name : fileNames) {
    if (WindowLimitReached()) break;
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
  SaveSettingsOrSay(ini);
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
    if (WindowLimitReached()) break;
    const QString name = QString::fromStdString(entry.FileName);
    if (!name.isEmpty() && QFileInfo::exists(name)) {
      TfrmDoc *doc = NewDocumentWindow();
      QMdiSubWindow *sub = SubWindowOf(doc);
      sub->setWindowTitle(QString::fromLatin1(kAutoloadCaption));
      sub->setGeometry(entry.Placement.Left, entry.Placement.Top, entry.Placement.Width, entry.Placement.Height);
      if (doc->OpenFileW(name)) {
        if (doc->Document().Doc.TraceCount() > 0 && doc->PlotMode() != pmSmith) doc->SetActiveTrace(0);
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
  SaveSettingsOrSay(ini);
  UpdateMenuItems();
  if (!failures.isEmpty()) {
    QTimer::singleShot(0, this, [this, failures] {
      ShowError(tr("Some documents of the last session could not be opened again:") + QStringLiteral("\n\n") +
                failures.join(QStringLiteral("\n\n")));
    });
  }
}

void TfrmMain::SaveSettingsOrSay(TIniFile &ini) {
  try {
    ini.Save();
  } catch (const Exception &e) {
    // The documents still open; the user learns why they may not reopen.
    ShowHintText(tr("The settings file could not be written: %1").arg(QString::fromUtf8(e.what())));
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
  return AskWithHelp(this, icon, QApplication::applicationName(), text, buttons, kQuestionHelpContext);
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

// ---------------------------------------------------------------- help

THelpWindow *TfrmMain::HelpWindow() {
  if (!m_help) m_help = new THelpWindow(nullptr);
  return m_help;
}

void TfrmMain::ShowHelp(int context) {
  THelpWindow *help = HelpWindow();
  help->SetOwner(QApplication::activeModalWidget());
  help->ShowContext(context);
}

bool TfrmMain::eventFilter(QObject *watched, QEvent *event) {
  // Del in the trace list deletes the selected trace.
  if (watched == static_cast<QObject *>(m_traceTable) && event->type() == QEvent::KeyPress &&
      TraceListKey(static_cast<QKeyEvent *>(event)))
    return true;
  // A modal dialog blocks the F1 shortcut of this window: F1 there shows the
  // topic the dialog (or the part of it with the focus) names.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1 &&
      static_cast<QKeyEvent *>(event)->modifiers() == Qt::NoModifier) {
    QWidget *modal = QApplication::activeModalWidget();
    auto *target = qobject_cast<QWidget *>(watched);
    if (modal != nullptr && target != nullptr && (target == modal || modal->isAncestorOf(target)) &&
        !modal->inherits("QMessageBox")) {
      for (QWidget *w = target; w != nullptr; w = w == modal ? nullptr : w->parentWidget()) {
        const QVariant topic = w->property("helpContext");
        if (topic.isValid() && topic.toInt() != 0) {
          ShowHelp(topic.toInt());
          return true;
        }
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TfrmMain::mnuHelpContentsClick() { ShowHelp(kHelpContext); }
void TfrmMain::mnuHelpSearchClick() { HelpWindow()->ShowIndex(QString()); }
void TfrmMain::mnuHelpHowClick() { HelpWindow()->ShowHelpOnHelp(); }

void TfrmMain::mnuHelpAboutClick() {
  TfrmAbout about(this);
  about.exec();
}

} // namespace korv
