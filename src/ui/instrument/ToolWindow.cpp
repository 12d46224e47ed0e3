#include "ui/instrument/ToolWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Excption.h"
#include "instrument/DownLoad.h"
#include "ui/common/DocMessages.h"
#include "ui/instrument/InstrumentStatus.h"

namespace korv {

TToolWindow::TToolWindow(const char *objectName, const QString &caption, int helpContext, TLinkFactory linkFactory,
                         QWidget *parent)
    : QMainWindow(parent, Qt::Window), m_linkFactory(std::move(linkFactory)), m_runner(new TWorkerRunner(this)) {
  setObjectName(QString::fromLatin1(objectName));
  setWindowTitle(caption);
  // F1 of the main window shows the topic the active window names.
  setProperty("helpContext", helpContext);
  connect(m_runner, &TWorkerRunner::progress, this, [this](int done, int total) {
    if (m_progress == nullptr) return;
    m_progress->setMaximum(std::max(total, 1));
    m_progress->setValue(done);
  });
  connect(m_runner, &TWorkerRunner::finished, this, &TToolWindow::TransferFinished);
}

void TToolWindow::BuildFileMenu(const std::vector<TFileItem> &files, const std::vector<TFileItem> &analyzer,
                                const char *exitName, const QString &exitCaption) {
  m_file = menuBar()->addMenu(tr("&File"));
  m_file->setObjectName(QStringLiteral("mnuFile"));
  const auto add = [this](const TFileItem &item) {
    auto *a = new QAction(item.Caption, this);
    a->setObjectName(QString::fromLatin1(item.Name));
    connect(a, &QAction::triggered, this, item.Click);
    m_file->addAction(a);
    IdleOnly(a);
  };
  for (const TFileItem &item : files)
    add(item);
  m_file->addSeparator();
  for (const TFileItem &item : analyzer)
    add(item);
  m_file->addSeparator();
  auto *exit = new QAction(exitCaption, this);
  exit->setObjectName(QString::fromLatin1(exitName));
  connect(exit, &QAction::triggered, this, &QWidget::close);
  m_file->addAction(exit);
}

QLayout *TToolWindow::MakeStatusRow(QWidget *parent) {
  m_progress = new QProgressBar(parent);
  m_progress->setObjectName(QStringLiteral("prgbarTransfer"));
  m_progress->hide();
  m_btnCancel = new QPushButton(tr("Cancel"), parent);
  m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
  m_btnCancel->hide();
  connect(m_btnCancel, &QPushButton::clicked, this, [this] {
    m_cancelled = true;
    m_btnCancel->setEnabled(false);
    m_runner->Cancel();
  });
  auto *btnClose = new QPushButton(tr("Close"), parent);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
  auto *row = new QHBoxLayout;
  row->addWidget(m_progress, 1);
  row->addWidget(m_btnCancel);
  row->addStretch();
  row->addWidget(btnClose);
  m_status = new TInstrumentStatus(parent);
  auto *column = new QVBoxLayout;
  column->addWidget(m_status);
  column->addLayout(row);
  ShowPort();
  return column;
}

void TToolWindow::SetPortName(std::function<std::string()> portName) {
  m_portName = std::move(portName);
  ShowPort();
}

void TToolWindow::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (!Busy()) ShowPort();
}

void TToolWindow::ShowPort() {
  if (m_status == nullptr || !m_portName) return;
  try {
    const QString port = QString::fromStdString(m_portName());
    m_status->SetPort(port);
    if (port == m_identifiedPort) m_status->Identified(m_identity);
  } catch (const Exception &e) {
    m_status->NoDevice(QString::fromStdString(e.Message()));
  }
}

void TToolWindow::StartTransfer(std::function<void(const TJobContext &)> work, bool stopReads) {
  if (Busy()) return;
  for (QAction *a : m_idleOnly)
    a->setEnabled(false);
  HoldControls(true);
  m_cancelled = false;
  m_progress->setValue(0);
  m_progress->show();
  m_btnCancel->setEnabled(true);
  m_btnCancel->show();
  setCursor(Qt::BusyCursor);
  if (m_status != nullptr) m_status->Waiting();
  TWorkerRunner::TJob job;
  job.Link = m_linkFactory;
  job.Work = [this, stopReads, known = m_identifiedPort, work = std::move(work)](const TJobContext &ctx) {
    if (stopReads) ctx.Comm().SetReadCancel(&ctx.CancelFlag());
    const QString port = QString::fromStdString(ctx.Comm().Link().Name());
    ctx.Post([this, port] {
      m_status->SetPort(port);
      m_status->Waiting();
    });
    if (port != known) {
      // Said once per port; a failure here is left to the transfer itself,
      // which reports it in its own words.
      ctx.Comm().SetReadCancel(&ctx.CancelFlag());
      try {
        const QString identity = DescribeAnalyzer(ReadAnalyzerStatus(ctx.Comm()));
        ctx.Post([this, port, identity] {
          m_identifiedPort = port;
          m_identity = identity;
        });
      } catch (const EmoxIOCancelled &) {
        throw;
      } catch (const Exception &) { // NOLINT(bugprone-empty-catch): the transfer below says what is wrong
      }
      if (!stopReads) ctx.Comm().SetReadCancel(nullptr);
    }
    work(ctx);
  };
  m_runner->Start(std::move(job));
}

void TToolWindow::TransferFinished(const QString &error) {
  m_progress->hide();
  m_btnCancel->hide();
  unsetCursor();
  for (QAction *a : m_idleOnly)
    a->setEnabled(true);
  HoldControls(false);
  const bool stopped = m_cancelled || m_runner->Finishing();
  m_cancelled = false;
  if (m_status != nullptr) {
    if (!m_identity.isEmpty() && m_status->Port() == m_identifiedPort)
      m_status->Identified(m_identity);
    else if (!error.isEmpty() && !stopped)
      m_status->NotResponding();
    else
      m_status->SetPort(m_status->Port());
  }
  TransferEnded(stopped ? QString() : error, stopped);
}

bool TToolWindow::Confirm(const QString &question) {
  return ShowDocMessage(this, TMsgKind::Question, question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TToolWindow::Tell(const QString &text) { ShowDocMessage(this, TMsgKind::Information, text); }

bool TToolWindow::MayClose() {
  if (!m_modified) return true;
  const auto answer = ShowDocMessage(this, TMsgKind::Question, DiscardQuestion(),
                                     QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Yes) return SaveList();
  if (answer == QMessageBox::No) {
    m_modified = false; // dropped on purpose: not asked again
    return true;
  }
  return false;
}

void TToolWindow::closeEvent(QCloseEvent *event) {
  if (Busy()) {
    // The transfer stops at its next chance; the window goes then.
    m_runner->FinishWhenIdle([this] { close(); });
    event->ignore();
    return;
  }
  if (!MayClose()) {
    event->ignore();
    return;
  }
  event->accept();
  emit closed();
}

} // namespace korv
