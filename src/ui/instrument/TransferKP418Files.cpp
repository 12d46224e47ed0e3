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
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/Excption.h"
#include "ui/common/BusyCursor.h"
#include "ui/common/DocMessages.h"

namespace korv {

namespace {

std::string LocalName(const QString &path) { return QFile::encodeName(path).toStdString(); }
QString FromLocal(const std::string &path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

QStringList SelectedInOrder(const QListWidget *list) {
  QStringList names;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) names << list->item(i)->text();
  return names;
}

} // namespace

TdlgTransferKP418Files::TdlgTransferKP418Files(TRemoteApi &api, const QString &pcFolder, QWidget *parent)
    : QDialog(parent), m_transfer(api) {
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
  bottom->addStretch(1);
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

  // Enter in the folder box is no command to copy: no button takes it.
  for (QPushButton *b : {m_btnCopyToVantor, m_btnCopyToPC, m_btnDeleteVantorFiles, m_btnClose})
    b->setAutoDefault(false);
  AddHelpKey(this, kHelpContext);

  m_diredPCPath->setText(pcFolder);
  RefreshPCList();
  m_btnCopyToPC->setEnabled(false);
}

TdlgTransferKP418Files::~TdlgTransferKP418Files() {
  if (m_connected) m_transfer.Disconnect();
}

void TdlgTransferKP418Files::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  // Connected once the window is up, so a failure's message has it behind.
  QTimer::singleShot(0, this, &TdlgTransferKP418Files::FormActivate);
}

void TdlgTransferKP418Files::FormActivate() {
  if (!isVisible()) return;
  m_tmrClose->stop();
  if (m_connected) {
    RefreshVantorList();
    return;
  }
  try {
    const TBusyCursor busy;
    m_transfer.Connect();
    m_connected = true;
  } catch (const EmoxVantorCommError &) {
    m_connected = false;
  }
  if (!m_connected) {
    RefreshVantorList();
    ShowDocMessage(this, TMsgKind::Error, QString::fromLatin1(kMsgRapiInitBox));
    m_tmrClose->start();
    return;
  }
  RefreshVantorList();
}

void TdlgTransferKP418Files::tmrCloseTimer() {
  m_tmrClose->stop();
  reject();
}

void TdlgTransferKP418Files::done(int result) {
  // No closing halfway through a copy (the keyboard can still ask for it).
  if (m_busy) return;
  m_tmrClose->stop();
  if (m_connected) m_transfer.Disconnect();
  m_connected = false;
  QDialog::done(result);
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
  if (m_connected) m_transfer.RefreshList();
  m_lstbxVNFiles->clear();
  for (const std::string &name : m_transfer.Names())
    m_lstbxVNFiles->addItem(FromLocal(name));
  m_btnCopyToPC->setEnabled(m_connected && m_transfer.CanCopyToPC());
}

void TdlgTransferKP418Files::RunWork(const std::function<void()> &work, const std::function<void()> &refresh) {
  m_busy = true;
  m_btnClose->setEnabled(false);
  {
    const TBusyCursor busy;
    for (const auto &step : {work, refresh}) {
      try {
        step();
      } catch (const ERAPI2Exception &e) {
        ShowTransferError(e);
      } catch (const std::exception &e) {
        // Any other failure is said as well, and the window stays usable.
        const TBusyCursor arrow(Qt::ArrowCursor);
        ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(e.what()));
      }
    }
  }
  m_btnClose->setEnabled(true);
  m_busy = false;
}

TReplaceAnswer TdlgTransferKP418Files::AskReplace() {
  // The question is no wait: the normal cursor while it is up.
  const TBusyCursor arrow(Qt::ArrowCursor);
  const QString caption = QApplication::applicationDisplayName().isEmpty() ? QStringLiteral("Korv MOX")
                                                                           : QApplication::applicationDisplayName();
  QMessageBox::StandardButton answer = QMessageBox::NoButton;
  for (;;) {
    QMessageBox box(QMessageBox::Question, caption, QString::fromLatin1(kMsgReplaceFile),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll | QMessageBox::Help, this);
    box.button(QMessageBox::YesToAll)->setText(tr("All"));
    box.setProperty("helpContext", kMessageHelpContext);
    answer = static_cast<QMessageBox::StandardButton>(box.exec());
    if (answer != QMessageBox::Help) break;
    RequestHelp(kMessageHelpContext);
  }
  if (answer == QMessageBox::YesToAll) return TReplaceAnswer::All;
  return answer == QMessageBox::Yes ? TReplaceAnswer::Yes : TReplaceAnswer::No;
}

void TdlgTransferKP418Files::ShowTransferError(const ERAPI2Exception &e) {
  QString text = QString::fromStdString(e.Message());
  if (!e.Cause.empty()) text += QLatin1Char('\n') + QString::fromStdString(e.Cause);
  const TBusyCursor arrow(Qt::ArrowCursor);
  ShowDocMessage(this, TMsgKind::Error, text);
}

void TdlgTransferKP418Files::btnCopyToPCClick() {
  const QStringList selected = SelectedInOrder(m_lstbxVNFiles);
  if (selected.isEmpty()) {
    ShowDocMessage(this, TMsgKind::Information, QString::fromLatin1(kMsgSelectTransfer));
    return;
  }
  std::vector<std::string> names;
  for (const QString &n : selected)
    names.push_back(LocalName(n));
  RunWork(
      [&] {
        m_transfer.CopyToPC(LocalName(m_diredPCPath->text()), names,
                            [this](const std::string &) { return AskReplace(); });
      },
      [this] { RefreshPCList(); });
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
  RunWork([&] { m_transfer.CopyToHandheld(files, [this](const std::string &) { return AskReplace(); }); },
          [this] { RefreshVantorList(); });
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
  RunWork(
      [&] {
        m_transfer.Delete(names, [this](const std::string &) {
          const TBusyCursor arrow(Qt::ArrowCursor);
          ShowDocMessage(this, TMsgKind::Warning, QString::fromLatin1(kMsgRemoteDeleteFailed));
        });
      },
      [this] { RefreshVantorList(); });
}

} // namespace korv
