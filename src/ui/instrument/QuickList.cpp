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
    : TToolWindow("frmQuickText", tr("Quick Text Editor"), kHelpContext, std::move(linkFactory), parent) {
  BuildFileMenu({{"LoadFile1", tr("Load File"), [this] { LoadFile1Click(); }},
                 {"SaveFile1", tr("Save File"), [this] { SaveFile1Click(); }}},
                {{"LoadFromSA1", tr("Load From LX-3600QE"), [this] { LoadFromSA1Click(); }},
                 {"SendToSA1", tr("Send To LX-3600QE"), [this] { SendToSA1Click(); }}},
                "Exit1", tr("Exit"));

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
  // Keys, clicks and code move the current row: the edit line follows each.
  connect(m_lstbxQuickText, &QListWidget::currentRowChanged, this, [this] { ShowCurrentRow(); });
  auto *layout = new QVBoxLayout(central);
  layout->addWidget(m_edQuickText);
  layout->addWidget(m_lstbxQuickText, 1);
  layout->addLayout(MakeStatusRow(central));
  setCentralWidget(central);
  resize(420, 380);
  SetRows(TQuickTextList{});
}

void TfrmQuickText::SetRows(const TQuickTextList &rows) {
  m_rows = rows;
  for (int i = 0; i < kQuickTextRows; ++i)
    m_lstbxQuickText->item(i)->setText(QString::fromStdString(m_rows[static_cast<std::size_t>(i)]));
  m_lstbxQuickText->setCurrentRow(0);
  ShowCurrentRow();
}

void TfrmQuickText::showEvent(QShowEvent *event) {
  TToolWindow::showEvent(event);
  FormActivate();
}

void TfrmQuickText::FormActivate() { m_edQuickText->setFocus(); }

bool TfrmQuickText::edQuickTextKeyPress(const QKeyEvent &key) {
  // Editing shortcuts (select all, copy, paste, cut, undo) are no
  // characters; what a paste brings is filtered as it arrives.
  if ((key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) return false;
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
  // Pasted or dropped text loses what a typed key could not bring in.
  QString kept;
  int cursor = m_edQuickText->cursorPosition();
  for (int i = 0; i < text.size(); ++i) {
    const std::string byte = Bytes(text.mid(i, 1));
    if (IsForbiddenQuickTextChar(static_cast<unsigned char>(byte[0]))) {
      if (i < m_edQuickText->cursorPosition()) --cursor;
      continue;
    }
    kept += text[i];
  }
  if (kept != text) {
    const QSignalBlocker quiet(m_edQuickText);
    m_edQuickText->setText(kept);
    m_edQuickText->setCursorPosition(std::max(cursor, 0));
  }
  const int row = m_lstbxQuickText->currentRow();
  if (row < 0 || row >= kQuickTextRows) return;
  m_rows[static_cast<std::size_t>(row)] = CleanQuickText(Bytes(kept));
  m_lstbxQuickText->item(row)->setText(QString::fromStdString(m_rows[static_cast<std::size_t>(row)]));
  SetModified(true);
}

void TfrmQuickText::ShowCurrentRow() {
  const int row = m_lstbxQuickText->currentRow();
  if (row < 0 || row >= kQuickTextRows) return;
  const QSignalBlocker quiet(m_edQuickText);
  m_edQuickText->setText(QString::fromStdString(m_rows[static_cast<std::size_t>(row)]));
}

void TfrmQuickText::lstbxQuickTextClick() {
  ShowCurrentRow();
  m_edQuickText->setFocus();
}

void TfrmQuickText::LoadFile1Click() {
  if (Busy()) return;
  const QString name = FileDialogName(this, false);
  if (name.isEmpty()) return;
  try {
    SetRows(LoadQuickTextFile(name.toStdString()));
    SetModified(false);
  } catch (const Exception &e) {
    ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(e.Message()) + QStringLiteral("\n") + name);
  }
}

void TfrmQuickText::SaveFile1Click() {
  if (!Busy()) SaveList();
}

bool TfrmQuickText::SaveList() {
  const QString name = FileDialogName(this, true);
  if (name.isEmpty()) return false;
  try {
    SaveQuickTextFile(name.toStdString(), m_rows);
  } catch (const Exception &e) {
    ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(e.Message()) + QStringLiteral("\n") + name);
    return false;
  }
  SetModified(false);
  return true;
}

QString TfrmQuickText::DiscardQuestion() const {
  return tr("The quick text rows were changed and not saved or sent. Save them to a file before closing?");
}

void TfrmQuickText::HoldControls(bool hold) { m_edQuickText->setEnabled(!hold); }

void TfrmQuickText::LoadFromSA1Click() {
  if (Busy()) return;
  auto received = std::make_shared<TQuickTextList>();
  m_received = received;
  m_complete = std::make_shared<bool>(false);
  StartTransfer(
      [received, complete = m_complete](const TJobContext &ctx) {
        *received = LoadQuickTextFromAnalyzer(ctx.Comm());
        *complete = true;
      },
      true);
}

void TfrmQuickText::SendToSA1Click() {
  if (Busy()) return;
  m_received.reset();
  m_complete = std::make_shared<bool>(false);
  const TQuickTextList rows = m_rows;
  StartTransfer(
      [rows, complete = m_complete](const TJobContext &ctx) {
        SendQuickTextToAnalyzer(ctx.Comm(), rows, [&ctx](int done, int total) { ctx.Progress(done, total); });
        *complete = true;
      },
      false);
}

void TfrmQuickText::TransferEnded(const QString &error, bool stopped) {
  const bool complete = m_complete && *m_complete && error.isEmpty() && !stopped;
  m_complete.reset();
  // A failed or cancelled load keeps the rows as they were.
  if (m_received && complete) SetRows(*m_received);
  if (complete) SetModified(false);
  m_received.reset();
  if (!error.isEmpty()) ShowDocMessage(this, TMsgKind::Error, error);
  if (isVisible()) m_edQuickText->setFocus();
}

} // namespace korv
