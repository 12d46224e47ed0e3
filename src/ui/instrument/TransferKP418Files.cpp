#include "ui/instrument/TransferKP418Files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/Excption.h"
#include "instrument/RemoteFolder.h"
#include "instrument/SAComm.h"
#include "ui/common/BusyCursor.h"
#include "ui/common/DocMessages.h"
#include "ui/common/WorkerRunner.h"

namespace korv {

namespace {

std::string LocalName(const QString &path) { return QFile::encodeName(path).toStdString(); }
QString FromLocal(const std::string &path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// A box whose text is fixed and whose second line names what it is about.
QMessageBox::StandardButton AskNamed(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                     const QString &detail, QMessageBox::StandardButtons buttons, int helpContext) {
  const QString caption = QApplication::applicationDisplayName().isEmpty() ? QStringLiteral("Korv MOX")
                                                                           : QApplication::applicationDisplayName();
  // The question is no wait: the normal cursor while it is up.
  const TBusyCursor arrow(Qt::ArrowCursor);
  for (;;) {
    QMessageBox box(icon, caption, text, buttons, parent);
    box.setInformativeText(detail);
    if (box.button(QMessageBox::YesToAll) != nullptr) box.button(QMessageBox::YesToAll)->setText(QObject::tr("All"));
    box.setProperty("helpContext", helpContext);
    const auto answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (answer != QMessageBox::Help) return answer;
    RequestHelp(helpContext);
  }
}

QStringList SelectedInOrder(const QListWidget *list) {
  QStringList names;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) names << list->item(i)->text();
  return names;
}

} // namespace

TdlgTransferKP418Files::TdlgTransferKP418Files(TRemoteApi &api, const QString &pcFolder, QWidget *parent)
    : QDialog(parent), m_api(api), m_transfer(std::make_shared<TKP418Transfer>(api)) {
  setObjectName(QStringLiteral("dlgTransferKP418Files"));
  setWindowTitle(tr("Transfer KP418 Files"));

  m_grpbxTransferFiles = new QGroupBox(this);
  m_grpbxTransferFiles->setObjectName(QStringLiteral("grpbxTransferFiles"));
  m_lblDesktopFiles = new QLabel(tr("Desktop Trace Files"), m_grpbxTransferFiles);
  m_lblDesktopFiles->setObjectName(QStringLiteral("lblDesktopFiles"));
  m_diredPCPath = new QLineEdit(m_grpbxTransferFiles);
  m_diredPCPath->setObjectName(QStringLiteral("diredPCPath"));
  m_btnBrowse = new QToolButton(m_grpbxTransferFiles);
  m_btnBrowse->setObjectName(QStringLiteral("btnBrowsePCPath"));
  m_btnBrowse->setText(QStringLiteral("..."));
  m_fllstbxPCFiles = new QListWidget(m_grpbxTransferFiles);
  m_fllstbxPCFiles->setObjectName(QStringLiteral("fllstbxPCFiles"));
  m_fllstbxPCFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_lblKP418Files = new QLabel(tr("Vantor Trace Files"), m_grpbxTransferFiles);
  m_lblKP418Files->setObjectName(QStringLiteral("lblKP418Files"));
  m_lstbxVNFiles = new QListWidget(m_grpbxTransferFiles);
  m_lstbxVNFiles->setObjectName(QStringLiteral("lstbxVNFiles"));
  m_lstbxVNFiles->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_btnCopyToVantor = new QPushButton(tr("Copy To Vantor"), m_grpbxTransferFiles);
  m_btnCopyToVantor->setObjectName(QStringLiteral("btnCopyToVantor"));
  m_btnCopyToPC = new QPushButton(tr("Copy to PC"), m_grpbxTransferFiles);
  m_btnCopyToPC->setObjectName(QStringLiteral("btnCopyToPC"));
  m_btnDeleteVantorFiles = new QPushButton(tr("Delete Vantor Files"), m_grpbxTransferFiles);
  m_btnDeleteVantorFiles->setObjectName(QStringLiteral("btnDeleteVantorFiles"));
  m_btnClose = new QPushButton(tr("Close"), this);
  m_btnClose->setObjectName(QStringLiteral("btnClose"));
  m_prgTransfer = new QProgressBar(this);
  m_prgTransfer->setObjectName(QStringLiteral("prgTransfer"));
  m_prgTransfer->setTextVisible(false);
  m_prgTransfer->setRange(0, 1);
  m_prgTransfer->setValue(0);
  m_btnCancel = new QPushButton(tr("Cancel"), this);
  m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
  m_btnCancel->setEnabled(false);
  m_runner = new TWorkerRunner(this);
  m_tmrClose = new QTimer(this);
  m_tmrClose->setObjectName(QStringLiteral("tmrClose"));
  m_tmrClose->setInterval(kCloseDelayMs);

  // PC side on the left, handheld side on the right, the copy buttons
  // between them.
  auto *path = new QHBoxLayout;
  path->addWidget(m_diredPCPath, 1);
  path->addWidget(m_btnBrowse);
  auto *buttons = new QVBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_btnCopyToVantor);
  buttons->addWidget(m_btnCopyToPC);
  buttons->addSpacing(16);
  buttons->addWidget(m_btnDeleteVantorFiles);
  buttons->addStretch(1);
  auto *grid = new QGridLayout(m_grpbxTransferFiles);
  grid->addWidget(m_lblDesktopFiles, 0, 0);
  grid->addLayout(path, 1, 0);
  grid->addWidget(m_fllstbxPCFiles, 2, 0);
  grid->addLayout(buttons, 1, 1, 2, 1);
  grid->addWidget(m_lblKP418Files, 0, 2);
  grid->addWidget(m_lstbxVNFiles, 1, 2, 2, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);
  auto *bottom = new QHBoxLayout;
  bottom->addWidget(m_prgTransfer, 1);
  bottom->addWidget(m_btnCancel);
  bottom->addWidget(m_btnClose);
  auto *main = new QVBoxLayout(this);
  main->addWidget(m_grpbxTransferFiles, 1);
  main->addLayout(bottom);
  resize(620, 380);

  connect(m_diredPCPath, &QLineEdit::textChanged, this, &TdlgTransferKP418Files::diredPCPathChange);
  connect(m_btnBrowse, &QToolButton::clicked, this, &TdlgTransferKP418Files::btnBrowseClick);
  connect(m_btnCopyToPC, &QPushButton::clicked, this, &TdlgTransferKP418Files::btnCopyToPCClick);
  connect(m_btnCopyToVantor, &QPushButton::clicked, this, &TdlgTransferKP418Files::btnCopyToVantorClick);
  connect(m_btnDeleteVantorFiles, &QPushButton::clicked, this, &TdlgTransferKP418Files::btnDeleteVantorFilesClick);
  connect(m_btnClose, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_tmrClose, &QTimer::timeout, this, &TdlgTransferKP418Files::tmrCloseTimer);
  connect(m_btnCancel, &QPushButton::clicked, this, &TdlgTransferKP418Files::btnCancelClick);
  connect(m_runner, &TWorkerRunner::progress, this, [this](int done, int total) {
    m_prgTransfer->setMaximum(std::max(total, 1));
    m_prgTransfer->setValue(done);
  });

  // Enter in the folder box is no command to copy: no button takes it.
  for (QPushButton *b : {m_btnCopyToVantor, m_btnCopyToPC, m_btnDeleteVantorFiles, m_btnCancel, m_btnClose})
    b->setAutoDefault(false);
  AddHelpKey(this, kHelpContext);

  m_diredPCPath->setText(pcFolder);
  RefreshPCList();
  m_btnCopyToPC->setEnabled(false);
}

TdlgTransferKP418Files::~TdlgTransferKP418Files() {
  // A job still running keeps the link; it lets go of nothing it did not take.
  if (m_connected && !Busy()) m_transfer->Disconnect();
}

bool TdlgTransferKP418Files::Busy() const { return m_runner->Busy(); }

void TdlgTransferKP418Files::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  // Connected once the window is up, so a failure's message has it behind.
  QTimer::singleShot(0, this, &TdlgTransferKP418Files::FormActivate);
}

QString TdlgTransferKP418Files::UnreachableText() const {
  const auto *folder = dynamic_cast<const TFolderRemoteApi *>(&m_api);
  if (folder == nullptr) return QString::fromLatin1(kMsgRapiInitBox);
  // Here the handheld is a folder: say which, and where to set it.
  if (folder->Root().empty())
    return tr("No handheld folder is set. Choose the folder where the handheld is mounted in Options > General "
              "(Handheld Folder).");
  return tr("The handheld folder %1 is missing or cannot be read. Connect the handheld, or choose its folder in "
            "Options > General (Handheld Folder).")
      .arg(FromLocal(folder->Root()));
}

void TdlgTransferKP418Files::FormActivate() {
  if (!isVisible() || Busy()) return;
  m_tmrClose->stop();
  if (m_connected) {
    RefreshVantorList();
    return;
  }
  SetWorking(true);
  auto busy = std::make_shared<TBusyCursor>();
  auto transfer = m_transfer;
  auto names = std::make_shared<std::vector<std::string>>();
  TWorkerRunner::TJob job;
  job.Work = [transfer, names](const TJobContext &) {
    transfer->Connect();
    *names = transfer->RefreshList();
  };
  job.Done = [this, busy, names](const std::exception_ptr &error) mutable {
    busy.reset();
    SetWorking(false);
    m_connected = !error;
    if (m_runner->Finishing()) return;
    if (!m_connected) {
      m_names.clear();
      ShowVantorList();
      ShowDocMessage(this, TMsgKind::Error, UnreachableText());
      m_tmrClose->start();
      return;
    }
    m_names = *names;
    ShowVantorList();
  };
  m_runner->Start(std::move(job));
}

void TdlgTransferKP418Files::tmrCloseTimer() {
  m_tmrClose->stop();
  reject();
}

void TdlgTransferKP418Files::done(int result) {
  // Closing while a copy runs is Cancel: the window goes when it has ended,
  // and this returns to the event loop at once.
  if (Busy()) {
    m_runner->FinishWhenIdle([this, result] { done(result); });
    m_btnCancel->setEnabled(false);
    return;
  }
  m_tmrClose->stop();
  if (m_connected) m_transfer->Disconnect();
  m_connected = false;
  QDialog::done(result);
}

void TdlgTransferKP418Files::btnCancelClick() {
  m_runner->Cancel();
  m_btnCancel->setEnabled(false);
}

void TdlgTransferKP418Files::diredPCPathChange() { RefreshPCList(); }

void TdlgTransferKP418Files::btnBrowseClick() {
  const QString folder = QFileDialog::getExistingDirectory(this, tr("Desktop Trace Files"), m_diredPCPath->text());
  if (!folder.isEmpty()) m_diredPCPath->setText(folder);
}

void TdlgTransferKP418Files::RefreshPCList() {
  m_fllstbxPCFiles->clear();
  const QDir dir(m_diredPCPath->text());
  if (m_diredPCPath->text().isEmpty() || !dir.exists()) return;
  // Without QDir::CaseSensitive the mask matches .VNF too, as the device does.
  m_fllstbxPCFiles->addItems(
      dir.entryList({QStringLiteral("*.vnf")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase));
}

void TdlgTransferKP418Files::RefreshVantorList() {
  RunWork([](const TJobContext &) {}, false);
}

void TdlgTransferKP418Files::ShowVantorList() {
  m_lstbxVNFiles->clear();
  for (const std::string &name : m_names)
    m_lstbxVNFiles->addItem(FromLocal(name));
  m_btnCopyToPC->setEnabled(m_connected && !m_names.empty() && !Busy());
}

void TdlgTransferKP418Files::SetWorking(bool working) {
  for (QWidget *w : std::initializer_list<QWidget *>{m_btnCopyToVantor, m_btnDeleteVantorFiles, m_diredPCPath,
                                                     m_btnBrowse, m_fllstbxPCFiles, m_lstbxVNFiles})
    w->setEnabled(!working);
  m_btnCopyToPC->setEnabled(!working && m_connected && !m_names.empty());
  m_btnCancel->setEnabled(working);
  if (working) {
    m_prgTransfer->setRange(0, 1);
    m_prgTransfer->setValue(0);
  }
}

void TdlgTransferKP418Files::RunWork(std::function<void(const TJobContext &)> work, bool refreshPC,
                                     std::function<void()> after) {
  if (Busy()) return;
  SetWorking(true);
  // Restored when the end is delivered, whatever the path.
  auto busy = std::make_shared<TBusyCursor>();
  auto transfer = m_transfer;
  auto names = std::make_shared<std::vector<std::string>>(m_names);
  const bool connected = m_connected;
  TWorkerRunner::TJob job;
  job.Work = [transfer, names, connected, work = std::move(work)](const TJobContext &ctx) {
    transfer->SetCancelFlag(&ctx.CancelFlag());
    transfer->SetProgress([&ctx](int done, int total) { ctx.Progress(done, total); });
    struct TUnhook {
      TKP418Transfer &T;
      ~TUnhook() {
        T.SetProgress({});
        T.SetCancelFlag(nullptr);
      }
    } unhook{*transfer};
    std::exception_ptr failure;
    try {
      work(ctx);
    } catch (...) {
      failure = std::current_exception();
    }
    // The list is read again however the work ended.
    try {
      if (connected) *names = transfer->RefreshList();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    if (failure) std::rethrow_exception(failure);
  };
  job.Done = [this, busy, names, refreshPC, after = std::move(after)](const std::exception_ptr &error) mutable {
    busy.reset();
    m_names = *names;
    SetWorking(false);
    ShowVantorList();
    if (refreshPC) RefreshPCList();
    if (m_runner->Finishing()) return;
    try {
      if (error) std::rethrow_exception(error);
    } catch (const EmoxIOCancelled &) { // NOLINT(bugprone-empty-catch): asked for; the lists say what was done
    } catch (const ERAPI2Exception &e) {
      ShowTransferError(e);
    } catch (const std::exception &e) {
      // Any other failure is said as well, and the window stays usable.
      ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(e.what()));
    } catch (...) {
      ShowDocMessage(this, TMsgKind::Error, tr("The handheld transfer failed."));
    }
    if (after) after();
  };
  m_runner->Start(std::move(job));
}

TReplaceAnswer TdlgTransferKP418Files::AskReplace(const std::string &name) {
  const auto answer =
      AskNamed(this, QMessageBox::Question, QString::fromLatin1(kMsgReplaceFile), FromLocal(name),
               QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::Help, kMessageHelpContext);
  if (answer == QMessageBox::YesToAll) return TReplaceAnswer::All;
  return answer == QMessageBox::Yes ? TReplaceAnswer::Yes : TReplaceAnswer::No;
}

void TdlgTransferKP418Files::ShowTransferError(const ERAPI2Exception &e) {
  QString text = QString::fromStdString(e.Message());
  if (!e.Cause.empty()) text += QLatin1Char('\n') + QString::fromStdString(e.Cause);
  if (const auto *folder = dynamic_cast<const TFolderRemoteApi *>(&m_api); folder != nullptr)
    text += QLatin1Char('\n') + tr("Handheld folder: %1").arg(FromLocal(folder->Root()));
  const TBusyCursor arrow(Qt::ArrowCursor);
  ShowDocMessage(this, TMsgKind::Error, text);
}

// The replace question is asked on the window's thread while the copy waits.
namespace {
TAskReplace AskFromWorker(const TJobContext &ctx, const std::function<TReplaceAnswer(const std::string &)> &ask) {
  return [&ctx, ask](const std::string &name) {
    TReplaceAnswer answer = TReplaceAnswer::No;
    ctx.Call([&] { answer = ask(name); });
    return answer;
  };
}
} // namespace

void TdlgTransferKP418Files::btnCopyToPCClick() {
  const QStringList selected = SelectedInOrder(m_lstbxVNFiles);
  if (selected.isEmpty()) {
    ShowDocMessage(this, TMsgKind::Information, QString::fromLatin1(kMsgSelectTransfer));
    return;
  }
  std::vector<std::string> names;
  for (const QString &n : selected)
    names.push_back(LocalName(n));
  const std::string folder = LocalName(m_diredPCPath->text());
  auto transfer = m_transfer;
  auto ask = [this](const std::string &name) { return AskReplace(name); };
  RunWork(
      [transfer, folder, names, ask](const TJobContext &ctx) {
        if (transfer->CopyToPC(folder, names, AskFromWorker(ctx, ask)).Cancelled) throw EmoxIOCancelled(kMsgCancelled);
      },
      true);
}

void TdlgTransferKP418Files::btnCopyToVantorClick() {
  const QStringList selected = SelectedInOrder(m_fllstbxPCFiles);
  if (selected.isEmpty()) {
    ShowDocMessage(this, TMsgKind::Information, QString::fromLatin1(kMsgSelectTransfer));
    return;
  }
  const QDir dir(m_diredPCPath->text());
  std::vector<std::string> files;
  for (const QString &n : selected)
    files.push_back(LocalName(dir.filePath(n)));
  auto transfer = m_transfer;
  auto ask = [this](const std::string &name) { return AskReplace(name); };
  RunWork(
      [transfer, files, ask](const TJobContext &ctx) {
        if (transfer->CopyToHandheld(files, AskFromWorker(ctx, ask)).Cancelled) throw EmoxIOCancelled(kMsgCancelled);
      },
      false);
}

void TdlgTransferKP418Files::btnDeleteVantorFilesClick() {
  const QStringList selected = SelectedInOrder(m_lstbxVNFiles);
  if (selected.isEmpty()) {
    ShowDocMessage(this, TMsgKind::Information, QString::fromLatin1(kMsgSelectDelete));
    return;
  }
  if (ShowDocMessage(this, TMsgKind::Question, QString::fromLatin1(kMsgDeleteQuestion),
                     QMessageBox::Yes | QMessageBox::No, true) != QMessageBox::Yes)
    return;
  std::vector<std::string> names;
  for (const QString &n : selected)
    names.push_back(LocalName(n));
  auto transfer = m_transfer;
  // One box at the end names every file that stayed.
  auto failed = std::make_shared<QStringList>();
  RunWork(
      [transfer, names, failed](const TJobContext &ctx) {
        transfer->Delete(names, [&ctx, failed](const std::string &name) {
          const QString shown = FromLocal(name);
          ctx.Post([failed, shown] { failed->append(shown); });
        });
      },
      false,
      [this, failed] {
        if (failed->isEmpty()) return;
        AskNamed(this, QMessageBox::Warning, QString::fromLatin1(kMsgRemoteDeleteFailed),
                 failed->join(QLatin1Char('\n')), QMessageBox::Ok, kMessageHelpContext);
      });
}

} // namespace korv
