#include "ui/instrument/QuickList.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/Excption.h"
#include "ui/common/DocMessages.h"

namespace korv {

namespace {

// A row: its number (1-13) at 2 pixels, its text at 23.
class TQuickRowDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    p->save();
    p->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
    p->setPen(selected ? option.palette.highlightedText().color() : option.palette.text().color());
    const QRect box = option.rect;
    const int y = box.top() + (box.height() + option.fontMetrics.ascent() - option.fontMetrics.descent()) / 2;
    p->drawText(box.left() + 2, y, QString::number(index.row() + 1));
    p->drawText(box.left() + 23, y, index.data().toString());
    p->restore();
  }
};

// Text as the quick text rules see it: characters beyond ASCII count as
// forbidden bytes.
std::string Bytes(const QString &text) {
  std::string out;
  out.reserve(static_cast<std::size_t>(text.size()));
  for (const QChar ch : text)
    out.push_back(ch.unicode() < 127 ? static_cast<char>(ch.unicode()) : '\x7F');
  return out;
}

QString FileDialogName(QWidget *parent, bool save) {
  QFileDialog dlg(parent);
  dlg.setObjectName(save ? QStringLiteral("dlgSaveQuickText") : QStringLiteral("dlgOpenQuickText"));
  dlg.setOption(QFileDialog::DontUseNativeDialog);
  dlg.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dlg.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dlg.setNameFilter(QObject::tr("LXZT Quick Text Files (*.txt);;All Files (*)"));
  dlg.setDefaultSuffix(QStringLiteral("txt"));
  if (save) dlg.selectFile(QStringLiteral("Quick"));
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
  return dlg.selectedFiles().constFirst();
}

} // namespace

TfrmQuickText::TfrmQuickText(TLinkFactory linkFactory, QWidget *parent)
    : QMainWindow(parent, Qt::Window), m_linkFactory(std::move(linkFactory)), m_runner(new TWorkerRunner(this)) {
  setObjectName(QStringLiteral("frmQuickText"));
  setWindowTitle(tr("Quick Text Editor"));

  const auto action = [this](const char *name, const QString &text, void (TfrmQuickText::*slot)()) {
    auto *a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QMenu *file = menuBar()->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("mnuFile"));
  QAction *load = action("LoadFile1", tr("Load File"), &TfrmQuickText::LoadFile1Click);
  QAction *save = action("SaveFile1", tr("Save File"), &TfrmQuickText::SaveFile1Click);
  QAction *fromSa = action("LoadFromSA1", tr("Load From LX-3600QE"), &TfrmQuickText::LoadFromSA1Click);
  QAction *toSa = action("SendToSA1", tr("Send To LX-3600QE"), &TfrmQuickText::SendToSA1Click);
  file->addActions({load, save});
  file->addSeparator();
  file->addActions({fromSa, toSa});
  file->addSeparator();
  file->addAction(action("Exit1", tr("Exit"), &TfrmQuickText::Exit1Click));
  m_idleOnly = {load, save, fromSa, toSa};

  auto *central = new QWidget(this);
  m_edQuickText = new QLineEdit(central);
  m_edQuickText->setObjectName(QStringLiteral("edQuickText"));
  m_edQuickText->setMaxLength(static_cast<int>(kQuickTextLength));
  m_edQuickText->installEventFilter(this);
  connect(m_edQuickText, &QLineEdit::textChanged, this, &TfrmQuickText::edQuickTextChange);
  m_lstbxQuickText = new QListWidget(central);
  m_lstbxQuickText->setObjectName(QStringLiteral("lstbxQuickText"));
  m_lstbxQuickText->setItemDelegate(new TQuickRowDelegate(m_lstbxQuickText));
  for (int i = 0; i < kQuickTextRows; ++i)
    m_lstbxQuickText->addItem(QString());
  connect(m_lstbxQuickText, &QListWidget::itemClicked, this, [this] { lstbxQuickTextClick(); });
  m_progress = new QProgressBar(central);
  m_progress->setObjectName(QStringLiteral("prgbarTransfer"));
  m_progress->hide();
  auto *btnClose = new QPushButton(tr("Close"), central);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  connect(btnClose, &QPushButton::clicked, this, &TfrmQuickText::Exit1Click);
  auto *bottom = new QHBoxLayout;
  bottom->addWidget(m_progress, 1);
  bottom->addStretch();
  bottom->addWidget(btnClose);
  auto *layout = new QVBoxLayout(central);
  layout->addWidget(m_edQuickText);
  layout->addWidget(m_lstbxQuickText, 1);
  layout->addLayout(bottom);
  setCentralWidget(central);
  resize(420, 380);

  connect(m_runner, &TWorkerRunner::progress, this, [this](int done, int total) {
    m_progress->setMaximum(std::max(total, 1));
    m_progress->setValue(done);
  });
  connect(m_runner, &TWorkerRunner::finished, this, &TfrmQuickText::TransferFinished);
  // F1 of the main window shows the topic the active window names.
  setProperty("helpContext", kHelpContext);
  SetRows(TQuickTextList{});
}

void TfrmQuickText::SetRows(const TQuickTextList &rows) {
  m_rows = rows;
  for (int i = 0; i < kQuickTextRows; ++i)
    m_lstbxQuickText->item(i)->setText(QString::fromStdString(m_rows[static_cast<std::size_t>(i)]));
  m_lstbxQuickText->setCurrentRow(0);
  const QSignalBlocker quiet(m_edQuickText);
  m_edQuickText->setText(QString::fromStdString(m_rows[0]));
}

void TfrmQuickText::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  FormActivate();
}

void TfrmQuickText::FormActivate() { m_edQuickText->setFocus(); }

bool TfrmQuickText::edQuickTextKeyPress(const QKeyEvent &key) {
  switch (key.key()) {
  case Qt::Key_Tab:
  case Qt::Key_Backtab:
  case Qt::Key_Return:
  case Qt::Key_Enter:
  case Qt::Key_Escape:
  case Qt::Key_Backspace:
  case Qt::Key_Delete: return false; // editing and focus keys, not characters
  default: break;
  }
  for (const unsigned char c : Bytes(key.text()))
    if (IsForbiddenQuickTextChar(c)) return true;
  return false;
}

bool TfrmQuickText::eventFilter(QObject *watched, QEvent *event) {
  if (watched == m_edQuickText && event->type() == QEvent::KeyPress &&
      edQuickTextKeyPress(*static_cast<QKeyEvent *>(event)))
    return true;
  return QMainWindow::eventFilter(watched, event);
}

void TfrmQuickText::edQuickTextChange(const QString &text) {
  const int row = m_lstbxQuickText->currentRow();
  if (row < 0 || row >= kQuickTextRows) return;
  // Pasted text passes the file rules, so no forbidden character gets in.
  m_rows[static_cast<std::size_t>(row)] = CleanQuickText(Bytes(text));
  m_lstbxQuickText->item(row)->setText(QString::fromStdString(m_rows[static_cast<std::size_t>(row)]));
}

void TfrmQuickText::lstbxQuickTextClick() {
  const int row = m_lstbxQuickText->currentRow();
  if (row < 0 || row >= kQuickTextRows) return;
  const QSignalBlocker quiet(m_edQuickText);
  m_edQuickText->setText(QString::fromStdString(m_rows[static_cast<std::size_t>(row)]));
  m_edQuickText->setFocus();
}

void TfrmQuickText::LoadFile1Click() {
  if (Busy()) return;
  const QString name = FileDialogName(this, false);
  if (name.isEmpty()) return;
  try {
    SetRows(LoadQuickTextFile(name.toStdString()));
  } catch (const Exception &e) {
    ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(e.Message()) + QStringLiteral("\n") + name);
  }
}

void TfrmQuickText::SaveFile1Click() {
  if (Busy()) return;
  const QString name = FileDialogName(this, true);
  if (name.isEmpty()) return;
  try {
    SaveQuickTextFile(name.toStdString(), m_rows);
  } catch (const Exception &e) {
    ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(e.Message()) + QStringLiteral("\n") + name);
  }
}

void TfrmQuickText::StartTransfer(std::function<void(const TJobContext &)> work) {
  if (Busy()) return;
  for (QAction *a : m_idleOnly)
    a->setEnabled(false);
  m_edQuickText->setEnabled(false);
  m_progress->setValue(0);
  m_progress->show();
  setCursor(Qt::BusyCursor);
  m_runner->Start({std::move(work), m_linkFactory, {}});
}

void TfrmQuickText::LoadFromSA1Click() {
  auto received = std::make_shared<TQuickTextList>();
  m_received = received;
  StartTransfer([received](const TJobContext &ctx) { *received = LoadQuickTextFromAnalyzer(ctx.Comm()); });
}

void TfrmQuickText::SendToSA1Click() {
  m_received.reset();
  const TQuickTextList rows = m_rows;
  StartTransfer([rows](const TJobContext &ctx) {
    SendQuickTextToAnalyzer(ctx.Comm(), rows, [&ctx](int done, int total) { ctx.Progress(done, total); });
  });
}

void TfrmQuickText::TransferFinished(const QString &error) {
  m_progress->hide();
  unsetCursor();
  for (QAction *a : m_idleOnly)
    a->setEnabled(true);
  m_edQuickText->setEnabled(true);
  // A failed load keeps the rows as they were.
  if (m_received && error.isEmpty()) SetRows(*m_received);
  m_received.reset();
  if (m_closeWhenDone) {
    close();
    return;
  }
  if (!error.isEmpty()) ShowDocMessage(this, TMsgKind::Error, error);
  m_edQuickText->setFocus();
}

void TfrmQuickText::closeEvent(QCloseEvent *event) {
  if (Busy()) {
    m_closeWhenDone = true;
    m_runner->Cancel();
    event->ignore();
    return;
  }
  m_closeWhenDone = false;
  event->accept();
  emit closed();
}

} // namespace korv
