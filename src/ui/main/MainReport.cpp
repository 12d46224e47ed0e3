// File > Site Report...: one PDF over every open document, written with a
// progress window that can cancel it.
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStatusBar>

#include "core/Excption.h"
#include "core/Version.h"
#include "measure/SiteReport.h"
#include "ui/dialogs/SiteReportDialog.h"
#include "ui/document/Child.h"
#include "ui/main/Main.h"
#include "ui/report/SiteReportPdf.h"

namespace korv {

void TfrmMain::mnuFileSiteReportClick() {
  const QList<TfrmDoc *> windows = Documents();
  if (windows.isEmpty()) return;
  TReportRequest initial;
  initial.OutputFile =
      TReportRequest::DefaultOutputFile(windows.front()->FileName().toStdString(), DocumentFolder().toStdString());
  initial.BaseFolder = QFileInfo(QString::fromStdString(initial.OutputFile)).absolutePath().toStdString();
  TdlgSiteReport dialog(this, initial, [this](const QString &current) {
    return AskFileName(TFileDialogKind::Export, current, QFileInfo(current).absolutePath(), tr("PDF files (*.pdf)"),
                       QStringLiteral("pdf"), 1);
  });
  if (dialog.exec() != QDialog::Accepted) return;
  const TReportRequest::TCheck &request = dialog.Checked();

  // The report copies what it needs, so nothing it reads changes while the
  // pages are drawn.
  std::vector<const TTraceDoc *> documents;
  for (TfrmDoc *w : windows)
    documents.push_back(&w->Document().Doc);
  TSiteReport report;
  try {
    report = BuildSiteReport(documents, request.Options);
  } catch (const Exception &e) {
    ShowError(QString::fromStdString(e.Message()));
    return;
  }
  const int pages = static_cast<int>(report.Pages.size());
  QProgressDialog progress(tr("Writing the site report..."), tr("Cancel"), 0, pages, this);
  progress.setObjectName(QStringLiteral("dlgSiteReportProgress"));
  progress.setWindowTitle(tr("Site Report"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  TReportFooter footer;
  footer.Version = QString::fromLatin1(kVersion);
  footer.Date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
  const QString fileName = QString::fromStdString(request.OutputFile);
  int written = 0;
  try {
    written = WriteSiteReportPdf(report, request.OutputFile, footer, [&progress](int page, int) {
      progress.setValue(page);
      QCoreApplication::processEvents();
      return !progress.wasCanceled();
    });
  } catch (const ESAFileStream_Exception &e) {
    progress.cancel();
    ShowError(tr("Unable to create file:\n%1").arg(fileName) +
              (e.Cause.empty() ? QString() : QStringLiteral("\n") + QString::fromStdString(e.Cause)));
    return;
  } catch (const Exception &) {
    progress.cancel();
    ShowError(tr("Unable to create file:\n%1").arg(fileName));
    return;
  }
  progress.setValue(pages);
  if (written > 0) {
    m_lastDirectory = QFileInfo(fileName).absolutePath();
    statusBar()->showMessage(tr("Site report written: %1 (%2 pages)").arg(fileName).arg(written), 10000);
  }
}

} // namespace korv
