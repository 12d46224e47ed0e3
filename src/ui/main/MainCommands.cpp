// Edit, view, tool and window commands of the main window: each works on
// the active document window through its own operations.

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
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
#include "formats/VantorFile.h"
#include "instrument/QtSerialLink.h"
#include "instrument/RemoteFolder.h"
#include "settings/IniFile.h"
#include "ui/chart/Graph.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"
#include "ui/instrument/DownLoadDialog.h"
#include "ui/instrument/KP418Info.h"
#include "ui/instrument/SweepDialog.h"
#include "ui/instrument/TransferKP418Files.h"
#include "ui/instrument/UpLoadDialog.h"
#include "ui/main/About.h"
#include "ui/main/Cursors.h"
#include "ui/main/DataFiles.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/TraceExchange.h"
#include "ui/main/WindowLayout.h"

#include "ui/main/Main.h"

namespace korv {

char TfrmMain::Delimiter() const {
  const int d = m_settings.Options.Deliminator;
  return d >= 1 && d <= 127 ? static_cast<char>(d) : '\t';
}

void TfrmMain::mnuEditCutClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(TCommand::EditCut)) return;
  CopyTrace(*doc, *m_capsule, false, Delimiter(), m_settings.Options.DefaultImageFmt);
  DeleteTrace(*doc);
  UpdateMenuItems(false);
}

void TfrmMain::mnuEditCopyClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(TCommand::EditCopy)) return;
  CopyTrace(*doc, *m_capsule, true, Delimiter(), m_settings.Options.DefaultImageFmt);
  UpdateMenuItems(false);
}

void TfrmMain::pmnuCopyTraceClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(TCommand::PopCopyTrace)) return;
  CopyTrace(*doc, *m_capsule, true, Delimiter(), 1);
  UpdateMenuItems(false);
}

void TfrmMain::mnuEditPasteClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(TCommand::EditPaste)) return;
  PasteTrace(*doc, *m_capsule, [this](const QString &text) { ShowError(text); });
  UpdateMenuItems(false);
}

void TfrmMain::mnuEditDeleteClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !CommandEnabled(TCommand::EditDelete)) return;
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
  const bool on = Action(TCommand::ViewToolbar)->isChecked();
  m_toolBar->setVisible(on);
  m_settings.MainWindow.ToolbarVisible = on;
}

void TfrmMain::mnuViewStatusClick() {
  const bool on = Action(TCommand::ViewStatus)->isChecked();
  statusBar()->setVisible(on);
  m_settings.MainWindow.StatusbarVisible = on;
}

void TfrmMain::PlotModeCommand(int mode) {
  TfrmDoc *doc = ActiveDocument();
  const TViewButton view = ViewButtonOf(mode);
  if (doc == nullptr) return;
  // Choosing the view already shown only re-selects its button.
  if (doc->PlotMode() == mode) {
    ViewOptionSelect(view);
    return;
  }
  if (mode == pmDistance) {
    if (!doc->ShowFaultLocation()) {
      ViewOptionSelect(ViewButtonOf(doc->PlotMode()));
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

// The marker commands: the document decides (a marker shown again, or the
// tool to place one next) and the main window chooses the tool it names.
void TfrmMain::mnuViewMarker1Click() {
  if (TfrmDoc *doc = ActiveDocument()) MouseActionSelect(doc->AddMarkerCommand());
}
void TfrmMain::mnuViewLimitLineClick() {
  if (TfrmDoc *doc = ActiveDocument()) MouseActionSelect(doc->LimitLineCommand());
}
void TfrmMain::mnuViewMarkerHideClick() {
  if (TfrmDoc *doc = ActiveDocument()) MouseActionSelect(doc->HideMarkCommand());
}

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

// The handheld is reached through the folder the settings name; the PC
// side starts where received traces go.
void TfrmMain::mnuTransferVantorFilesClick() {
  if (const std::string problem = m_settings.ProblemOf("HandheldRoot"); !problem.empty()) {
    ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(problem));
    return;
  }
  TFolderRemoteApi api(m_settings.Options.HandheldRoot);
  const std::string &start =
      m_settings.Options.UploadRoot.empty() ? m_settings.Context().ProgramDir : m_settings.Options.UploadRoot;
  TdlgTransferKP418Files dialog(api, QFile::decodeName(QByteArray::fromStdString(start)), this);
  dialog.exec();
}

void TfrmMain::mnuViewKP418InfoClick() {
  TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr || !HoldsHandheldSettings(doc->Document())) return;
  TdlgKP418Info dialog(this);
  dialog.Fill(doc->Document().VantorSettings);
  dialog.exec();
}

TInstrumentHost TfrmMain::InstrumentHost() {
  TInstrumentHost h;
  h.Documents = [this] { return Documents(); };
  h.Active = [this] { return ActiveDocument(); };
  h.NewWindow = [this]() -> TfrmDoc * {
    if (DocumentCount() >= kMaxDocumentWindows) return nullptr;
    TfrmDoc *doc = NewDocumentWindow();
    SubWindowOf(doc)->show();
    return doc;
  };
  h.NameTaken = [this](const std::string &name) { return DocumentNameTaken(name); };
  h.PortName = [this] { return InstrumentPort(); };
  h.Settings = &m_settings;
  return h;
}

void TfrmMain::mnuMOXUpLoadClick() {
  TdlgUpload dialog(InstrumentHost(), this);
  dialog.exec();
  UpdateMenuItems(false);
}

void TfrmMain::mnuToolsSweepVnaClick() {
  TdlgSweepVna dialog(InstrumentHost(), this);
  dialog.exec();
  UpdateMenuItems(false);
}

void TfrmMain::mnuMOXDnloadClick() {
  TdlgDownload dialog(InstrumentHost(), this);
  dialog.exec();
  UpdateMenuItems(false);
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
  m_mdi->viewport()->update();
  // Once the windows' layouts have settled, every graph is drawn again at
  // its new size: a window that grew would otherwise keep showing the
  // picture of its old width (the rest stays the empty area behind it).
  QTimer::singleShot(0, this, [this] {
    for (TfrmDoc *doc : Documents())
      if (TGraph *graph = doc->Graph()) graph->Rebuild();
  });
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

} // namespace korv
