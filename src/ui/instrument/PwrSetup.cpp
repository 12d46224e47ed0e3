#include "ui/instrument/PwrSetup.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/Excption.h"
#include "ui/common/DocMessages.h"
#include "ui/common/Mnemonics.h"
#include "ui/instrument/SetupDlg.h"

namespace korv {

namespace {

// Where the values of a row start, as fractions of the list's width.
constexpr double kLossColumns[] = {0.2632, 0.3816, 0.50, 0.6184};
constexpr double kFullScaleColumn = 0.7368;
// The column labels above the list, as fractions of the group's width.
constexpr std::pair<const char *, double> kLabels[] = {{"Name", 0.08},    {"Cable", 0.28},     {"Atten", 0.3925},
                                                       {"Connect", 0.49}, {"Coupler", 0.6125}, {"Full Scale", 0.80}};

class TColumnLabels : public QWidget {
public:
  explicit TColumnLabels(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pnlColumnLabels"));
    setMinimumHeight(fontMetrics().height() + 4);
  }

protected:
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    const int baseline = fontMetrics().ascent() + 2;
    for (const auto &[text, at] : kLabels)
      p.drawText(static_cast<int>(width() * at), baseline, QString::fromLatin1(text));
  }
};

class TSetupRowDelegate : public QStyledItemDelegate {
public:
  TSetupRowDelegate(const TPowerSetupList &records, QObject *parent)
      : QStyledItemDelegate(parent), m_records(records) {}

  void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    const int row = index.row();
    if (row < 0 || row >= kSetupRecordCount) return;
    const TPowerSetupRecord &r = m_records[static_cast<std::size_t>(row)];
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    p->save();
    p->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
    p->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
    const QRect box = option.rect;
    const int w = box.width();
    const int y = box.top() + (box.height() + option.fontMetrics.ascent() - option.fontMetrics.descent()) / 2;
    p->drawText(box.left() + 2, y, QString::fromStdString(r.Name));
    const double losses[] = {r.Cable, r.Atten, r.Connector, r.Coupler};
    for (std::size_t i = 0; i < std::size(losses); ++i)
      p->drawText(box.left() + static_cast<int>(w * kLossColumns[i]), y,
                  QString::fromStdString(SetupLossText(losses[i])));
    p->drawText(box.left() + static_cast<int>(w * kFullScaleColumn), y,
                QString::fromStdString(SetupFullScaleText(r.FullScale)));
    p->restore();
  }

private:
  const TPowerSetupList &m_records;
};

QString FileDialogName(QWidget *parent, bool save, const QString &filter, const QString &suffix) {
  QFileDialog dlg(parent);
  dlg.setObjectName(save ? QStringLiteral("dlgSaveSetups") : QStringLiteral("dlgOpenSetups"));
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dlg.setNameFilter(filter);
  if (!suffix.isEmpty()) dlg.setDefaultSuffix(suffix);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().constFirst();
}

} // namespace

TfrmPwrSetup::TfrmPwrSetup(TLinkFactory linkFactory, QWidget *parent)
    : TToolWindow("frmPwrSetup", tr("Setup Record List"), kHelpContext, std::move(linkFactory), parent),
      m_records(DefaultSetupList()), m_dlgEditSetup(new TdlgEditSetup(this)) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  BuildFileMenu({{"mnuFileLoadFile", tr("Load File"), [this] { mnuFileLoadFileClick(); }},
                 {"mnuFileSaveFile", tr("Save File"), [this] { mnuFileSaveFileClick(); }}},
                {{"mnuFileLoadLX3K", tr("Load From LX-3200"), [this] { mnuFileLoadLX3KClick(); }},
                 {"mnuFileSendAllLX3K", tr("Send To LX-3200"), [this] { mnuFileSendAllLX3KClick(); }}},
                "mnuFileExit", tr("E&xit"));
  QMenu *edit = menuBar()->addMenu(tr("&Edit"));
  edit->setObjectName(QStringLiteral("mnuEdit"));
  auto *editRecord = new QAction(tr("Edit Record..."), this);
  editRecord->setObjectName(QStringLiteral("mnuEditRecord"));
  connect(editRecord, &QAction::triggered, this, &TfrmPwrSetup::lstbxSetupListDblClick);
  edit->addAction(editRecord);
  IdleOnly(editRecord);
  KeepMnemonics(edit);

  auto *central = new QWidget(this);
  auto *group = new QGroupBox(tr("Power Setup Records"), central);
  group->setObjectName(QStringLiteral("grpbxSetupList"));
  auto *labels = new TColumnLabels(group);
  m_lstbxSetupList = new QListWidget(group);
  m_lstbxSetupList->setObjectName(QStringLiteral("lstbxSetupList"));
  m_lstbxSetupList->setItemDelegate(new TSetupRowDelegate(m_records, m_lstbxSetupList));
  m_lstbxSetupList->setUniformItemSizes(true);
  for (int n = 1; n <= kSetupRecordCount; ++n)
    m_lstbxSetupList->addItem(QString());
  connect(m_lstbxSetupList, &QListWidget::itemDoubleClicked, this, [this] { lstbxSetupListDblClick(); });
  auto *groupLayout = new QVBoxLayout(group);
  groupLayout->setContentsMargins(0, 4, 0, 0);
  groupLayout->setSpacing(0);
  groupLayout->addWidget(labels);
  groupLayout->addWidget(m_lstbxSetupList);

  auto *layout = new QVBoxLayout(central);
  layout->addWidget(group, 1);
  layout->addLayout(MakeStatusRow(central));
  setCentralWidget(central);
  resize(640, 460);
  m_lstbxSetupList->setCurrentRow(-1);
}

void TfrmPwrSetup::RefreshList() { m_lstbxSetupList->viewport()->update(); }

void TfrmPwrSetup::SetRecord(int n, const TPowerSetupRecord &record) {
  if (n < 1 || n > kSetupRecordCount) return;
  m_records[static_cast<std::size_t>(n - 1)] = record;
  m_lstbxSetupList->item(n - 1)->setText(QString::fromStdString(record.Name));
  RefreshList();
}

void TfrmPwrSetup::lstbxSetupListDblClick() {
  if (Busy()) return;
  const int row = m_lstbxSetupList->currentRow();
  if (row < 0 || row >= kSetupRecordCount || m_lstbxSetupList->selectedItems().isEmpty()) {
    ShowDocMessage(this, TMsgKind::Error, QString::fromLatin1(kMsgNoRecordSelected));
    return;
  }
  const TPowerSetupRecord &record = m_records[static_cast<std::size_t>(row)];
  if (!record.Password.empty()) {
    QInputDialog ask(this);
    ask.setObjectName(QStringLiteral("dlgPassword"));
    ask.setWindowTitle(tr("Enter Password"));
    ask.setLabelText(tr("Enter Password"));
    ask.setTextEchoMode(QLineEdit::Password);
    if (ask.exec() != QDialog::Accepted) return;
    if (!PasswordAccepted(record, ask.textValue().toStdString())) {
      ShowDocMessage(this, TMsgKind::Error, QString::fromLatin1(kMsgBadPassword));
      return;
    }
  }
  m_dlgEditSetup->SetRecord(record);
  if (m_dlgEditSetup->exec() != QDialog::Accepted) return;
  SetRecord(row + 1, m_dlgEditSetup->Record());
  SetModified(true);
}

void TfrmPwrSetup::mnuFileLoadFileClick() {
  if (Busy()) return;
  const QString name =
      FileDialogName(this, false, tr("KVG Power Setup Files (*.pwrsetup *.txt);;All Files (*)"), QString());
  if (name.isEmpty()) return;
  try {
    // Read whole before anything changes: a damaged file leaves the list alone.
    const TPowerSetupList list = LoadSetupFile(name.toStdString(), m_records);
    for (int n = 1; n <= kSetupRecordCount; ++n)
      SetRecord(n, list[static_cast<std::size_t>(n - 1)]);
    SetModified(false);
  } catch (const Exception &e) {
    ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(e.Message()) + QStringLiteral("\n") + name);
  }
}

void TfrmPwrSetup::mnuFileSaveFileClick() {
  if (!Busy()) SaveList();
}

bool TfrmPwrSetup::SaveList() {
  const QString name =
      FileDialogName(this, true, tr("LXZT Power Setup Files (*.pwrsetup);;All Files (*)"), QStringLiteral("pwrsetup"));
  if (name.isEmpty()) return false;
  try {
    SaveSetupFile(name.toStdString(), m_records, false);
  } catch (const Exception &e) {
    ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(e.Message()) + QStringLiteral("\n") + name);
    return false;
  }
  SetModified(false);
  return true;
}

QString TfrmPwrSetup::DiscardQuestion() const {
  return tr("The setup records were changed and not saved or sent. Save them to a file before closing?");
}

void TfrmPwrSetup::mnuFileLoadLX3KClick() {
  if (Busy()) return;
  m_sending = false;
  m_complete = std::make_shared<bool>(false);
  StartTransfer(
      [this, complete = m_complete](const TJobContext &ctx) {
        // Each record joins the list as it arrives, so a failed transfer
        // keeps what came before it.
        *complete = LoadSetupsFromAnalyzer(
            ctx.Comm(),
            [this, &ctx](int n, const TPowerSetupRecord &r) { ctx.Post([this, n, r] { SetRecord(n, r); }); },
            [&ctx](int done, int total) { ctx.Progress(done, total); });
      },
      true);
}

void TfrmPwrSetup::mnuFileSendAllLX3KClick() {
  if (Busy()) return;
  if (!Confirm(
          tr("Send To LX-3200 replaces all %1 setup records stored in the analyzer. Continue?").arg(kSetupRecordCount)))
    return;
  m_sending = true;
  m_complete = std::make_shared<bool>(false);
  const TPowerSetupList snapshot = m_records;
  StartTransfer(
      [snapshot, complete = m_complete](const TJobContext &ctx) {
        *complete =
            SendSetupsToAnalyzer(ctx.Comm(), snapshot, [&ctx](int done, int total) { ctx.Progress(done, total); });
      },
      false);
}

void TfrmPwrSetup::TransferEnded(const QString &error, bool stopped) {
  RefreshList();
  const bool complete = m_complete && *m_complete && error.isEmpty();
  m_complete.reset();
  if (!error.isEmpty()) {
    ShowDocMessage(this, TMsgKind::Error, error);
    return;
  }
  if (!complete) return;
  // The list now matches the analyzer's.
  SetModified(false);
  if (m_sending && !stopped) Tell(tr("The %1 setup records were sent to the analyzer.").arg(kSetupRecordCount));
}

} // namespace korv
