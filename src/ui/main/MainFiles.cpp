// File commands of the main window: opening, the recent-file lists,
// saving by the save plan, closing, exporting and printing.

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
#include "ui/common/DocMessages.h"
#include "ui/dialogs/PgLayout.h"
#include "ui/document/Child.h"
#include "ui/instrument/PwrSetup.h"
#include "ui/instrument/QuickList.h"
#include "ui/main/About.h"
#include "ui/main/Cursors.h"
#include "ui/main/DataFiles.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/TraceExchange.h"
#include "ui/main/WindowLayout.h"

#include "ui/main/Main.h"
#include "ui/main/SavePlan.h"

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

QString WithoutExtension(const QString &fileName) {
  const QFileInfo fi(fileName);
  const QString suffix = fi.suffix();
  return suffix.isEmpty() ? fileName : fileName.left(fileName.size() - suffix.size() - 1);
}

// The document's name with ".pdf"; when a file of that name exists, the
// first free "name(k).pdf" beside it: a PDF already there is never replaced.
QString FreePdfName(const QString &document) {
  const QString base = WithoutExtension(document);
  QString name = base + QStringLiteral(".pdf");
  for (int k = 1; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++k)
    name = base + QStringLiteral("(%1).pdf").arg(k);
  return name;
}

} // namespace

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

void TfrmMain::mnuFileRClick(int k) {
  const QString name = QString::fromStdString(m_settings.RecentNameForItem(k));
  if (name.isEmpty()) return;
  if (WindowLimitReached()) return;
  OpenDocumentFile(name);
}

// ---------------------------------------------------------------- saving
// ---------------------------------------------------------------- saving

TSaveFacts TfrmMain::SaveFactsOf(const TfrmDoc &doc) {
  TSaveFacts f;
  f.Imported = doc.Imported();
  f.Source = doc.Document().Doc.ReadFlag;
  f.Modified = doc.IsModified();
  f.HasFolder = !doc.FileName().isEmpty() && QFileInfo(doc.FileName()).isAbsolute();
  f.FileExists = f.HasFolder && QFileInfo(doc.FileName()).isFile();
  return f;
}

bool TfrmMain::WriteDocument(TfrmDoc *doc, const QString &fileName, bool upgrade) {
  const TfrmDoc::TSaveOutcome outcome = doc->SaveFile(fileName, upgrade);
  if (outcome == TfrmDoc::TSaveOutcome::Failed) return false;
  // A file that holds less than the window (one trace of several) is an
  // export: the window keeps its name and stays modified.
  if (outcome == TfrmDoc::TSaveOutcome::Exported) return true;
  if (doc->FileName() != fileName) doc->SetFileName(fileName);
  if (doc->IsModified()) doc->ClearModified();
  if (doc == ActiveDocument()) UpdateMenuItems(false);
  return true;
}

bool TfrmMain::CarryOut(TfrmDoc *doc, TSaveTrigger trigger) {
  const TSavePlan plan = PlanSave(trigger, SaveFactsOf(*doc));
  QString written = doc->FileName();
  switch (plan.Action) {
  case TSaveAction::Nothing: break;
  case TSaveAction::WriteInPlace:
    if (!WriteDocument(doc, written, plan.Upgrade)) return false;
    break;
  case TSaveAction::AskName:
    written = AskSaveName(doc, plan);
    if (written.isEmpty() || !WriteDocument(doc, written, plan.Upgrade)) return false;
    m_lastDirectory = QFileInfo(written).absolutePath();
    break;
  case TSaveAction::AskReplace: {
    const auto answer = Ask(QMessageBox::Question,
                            QStringLiteral("File \"%1\" already exists. Do you want to replace the file?").arg(written),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Help);
    if (answer == QMessageBox::Yes) return WriteDocument(doc, written, plan.Upgrade);
    if (answer == QMessageBox::No) return CarryOut(doc, TSaveTrigger::CloseTime);
    return false;
  }
  }
  if (plan.Recent && !written.isEmpty()) {
    NewRecentFile(written);
    NewRecentFileW(written);
  }
  return true;
}

QString TfrmMain::AskSaveName(TfrmDoc *doc, const TSavePlan &plan) {
  if (plan.WarnForeign && Ask(QMessageBox::Warning, QString::fromLatin1(kMsgNotKorvFormat),
                              QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Help) != QMessageBox::Ok)
    return {};
  const QString current = doc->FileName();
  QString suffix = QStringLiteral("kdt");
  int filterIndex = 1;
  QString proposed = WithoutExtension(current);
  if (plan.ProposeKdt) {
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
  // A name without a folder (a received trace's window) is proposed in the
  // folder last used, never in the one the program was started from.
  const bool hasFolder = !current.isEmpty() && QFileInfo(current).isAbsolute();
  const QString folder = hasFolder ? QFileInfo(current).absolutePath() : DocumentFolder();
  if (!hasFolder && !proposed.isEmpty()) proposed = QDir(folder).filePath(proposed);
  const QString chosen =
      AskFileName(TFileDialogKind::SaveAs, proposed, folder, QString::fromLatin1(kSaveFilter), suffix, filterIndex);
  return chosen.isEmpty() || QFileInfo(chosen).isAbsolute() ? chosen : QDir(folder).filePath(chosen);
}

QString TfrmMain::DocumentFolder() const {
  if (!m_lastDirectory.isEmpty() && QFileInfo(m_lastDirectory).isAbsolute()) return m_lastDirectory;
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

bool TfrmMain::DocumentNameTaken(const std::string &name) const {
  const QString q = QString::fromStdString(name);
  for (const TfrmDoc *doc : Documents())
    if (doc->windowTitle() == q || doc->FileName() == q || QFileInfo(doc->FileName()).fileName() == q) return true;
  // Saving it later proposes this name in the document folder: a file
  // there must not be offered for overwriting.
  return QFileInfo::exists(QDir(DocumentFolder()).filePath(q));
}

bool TfrmMain::SaveCommand(TfrmDoc *doc) { return doc != nullptr && CarryOut(doc, TSaveTrigger::Save); }
bool TfrmMain::SaveAsCommand(TfrmDoc *doc) { return doc != nullptr && CarryOut(doc, TSaveTrigger::SaveAs); }
bool TfrmMain::SaveAtCloseTime(TfrmDoc *doc) { return CarryOut(doc, TSaveTrigger::CloseTime); }
bool TfrmMain::SaveBySaveAllRule(TfrmDoc *doc) { return CarryOut(doc, TSaveTrigger::SaveAll); }

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
  // Edited setup and quick text lists are asked about while the program
  // can still stay.
  for (TToolWindow *tool :
       {static_cast<TToolWindow *>(m_pwrSetup.data()), static_cast<TToolWindow *>(m_quickText.data())}) {
    if (tool != nullptr && !tool->MayClose()) {
      event->ignore();
      return;
    }
  }
  hide();
  WriteSettingsAndCloseWindows();
  if (m_help) m_help->close();
  CloseToolWindows();
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
  m.ToolbarVisible = Action(TCommand::ViewToolbar)->isChecked();
  m.StatusbarVisible = Action(TCommand::ViewStatus)->isChecked();
  m.ToolbarLocation = ToolbarLocationOf(toolBarArea(m_toolBar));
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
  const QString folder = fi.isAbsolute() ? fi.absolutePath() : DocumentFolder();
  const QString proposed = QDir(folder).filePath(base + QStringLiteral(".svg"));
  const QString chosen = AskFileName(TFileDialogKind::Export, proposed, folder, QString::fromLatin1(kExportFilter),
                                     QStringLiteral("svg"), 1);
  if (chosen.isEmpty()) return;
  if (!ExportGraph(doc, chosen)) ShowError(tr("Unable to create file:\n%1").arg(chosen));
}

void TfrmMain::PrintDocument(TfrmDoc *doc, QPrinter &printer) {
  // The graph fills the printable area of the (landscape) page, in the
  // light look whatever the screen shows.
  QPainter painter(&printer);
  doc->Graph()->RenderOnPaper(painter, QRectF(painter.viewport()));
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

void TfrmMain::mnuFilePrintMultipleClick() {
  const QList<TfrmDoc *> docs = Documents();
  if (docs.isEmpty()) return;
  if (m_pageLayout == nullptr) m_pageLayout = new TdlgPageLayout(this);
  m_pageLayout->SetPrintToPdf(m_forcePdf);
  m_pageLayout->SetPdfFolder(DocumentFolder());
  m_pageLayout->ClearGraphs();
  for (TfrmDoc *doc : docs) {
    // A document not saved yet (received, pasted) goes by its window title.
    const QString name = doc->FileName().isEmpty() ? doc->windowTitle() : QFileInfo(doc->FileName()).fileName();
    m_pageLayout->AddGraph(name, doc->Graph());
  }
  m_pageLayout->exec();
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
  const QString notice = tr("No printer is installed. Each document is written as a PDF file next to it instead.");
  if (pdf && !fileNames.isEmpty()) std::fprintf(stderr, "korvmox: %s\n", qPrintable(notice));
  QStringList failed, written;
  for (const QString &name : fileNames) {
    if (WindowLimitReached()) break;
    TfrmDoc *doc = NewDocumentWindow();
    SubWindowOf(doc)->resize(900, 600);
    SubWindowOf(doc)->show();
    if (doc->OpenFileW(name)) {
      if (pdf) {
        const QString pdfName = FreePdfName(name);
        if (PrintToPdf(doc, pdfName))
          written << pdfName;
        else
          failed << pdfName;
      } else {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(QPageLayout::Landscape);
        PrintDocument(doc, printer);
      }
    }
    CloseDocumentSilently(doc);
  }
  if (pdf && !fileNames.isEmpty()) {
    // One box once the files are written, saying where each went: a name
    // may differ from the document's.
    const QString where = tr("Written:\n%1").arg(written.join(QLatin1Char('\n')));
    if (!written.isEmpty()) {
      std::fprintf(stderr, "korvmox: %s\n", qPrintable(where));
      ShowHintText(tr("Written: %1").arg(written.join(QStringLiteral(", "))));
    }
    // Without a screen nobody could answer the box.
    if (m_askHook || QGuiApplication::platformName() != QLatin1String("offscreen"))
      Ask(QMessageBox::Information, notice + (written.isEmpty() ? QString() : QStringLiteral("\n\n") + where),
          QMessageBox::Ok);
  }
  if (!failed.isEmpty()) ShowError(tr("Unable to create file:\n%1").arg(failed.join(QLatin1Char('\n'))));
  UpdateMenuItems();
}

void TfrmMain::mnuFileExitClick() { close(); }

} // namespace korv
