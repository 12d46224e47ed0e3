#include "ui/dialogs/CalcWindow.h"

#include <QCloseEvent>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/Excption.h"
#include "ui/common/DocMessages.h"

namespace korv {

using C = TMeasurementCalculator;

TfrmCalc::TfrmCalc(QWidget *parent) : QWidget(parent, Qt::Tool) {
  setObjectName(QStringLiteral("frmCalc"));
  setWindowTitle(QStringLiteral("Measurement Calculator"));
  setProperty("helpContext", kHelpContext);
  auto *bevel = new QFrame(this);
  bevel->setObjectName(QStringLiteral("Bevel1"));
  bevel->setFrameShape(QFrame::StyledPanel);
  auto *grid = new QGridLayout(bevel);
  struct Row {
    C::TField Field;
    const char *Edit;
    const char *Label;
    const char *Caption;
    const char *Unit;
  };
  const Row rows[] = {{C::cfReturnLoss, "editRL", "lblRL", "Return Loss", "dB"},
                      {C::cfVswr, "editVSWR", "lblVSWR", "VSWR", ""},
                      {C::cfRho, "editRho", "lblRho", "Reflection Coefficient", ""},
                      {C::cfPower, "editPower", "lblPower", "Transmitted Power", "%"}};
  int r = 0;
  for (const Row &row : rows) {
    auto *label = new QLabel(QString::fromLatin1(row.Caption), bevel);
    label->setObjectName(QString::fromLatin1(row.Label));
    auto *edit = new QLineEdit(bevel);
    edit->setObjectName(QString::fromLatin1(row.Edit));
    edit->installEventFilter(this);
    label->setBuddy(edit);
    m_edits[static_cast<std::size_t>(row.Field - 1)] = edit;
    grid->addWidget(label, r, 0);
    grid->addWidget(edit, r, 1);
    grid->addWidget(new QLabel(QString::fromLatin1(row.Unit), bevel), r, 2);
    const C::TField field = row.Field;
    connect(edit, &QLineEdit::textEdited, this,
            [this, field](const QString &t) { m_calc.SetText(field, t.toStdString()); });
    ++r;
  }
  auto *calculate = m_calculate = new QPushButton(QStringLiteral("&Calculate"), this);
  calculate->setObjectName(QStringLiteral("btnCalculate"));
  calculate->setDefault(true);
  calculate->setAutoDefault(true);
  auto *done = new QPushButton(QStringLiteral("&Done"), this);
  done->setObjectName(QStringLiteral("btnDone"));
  connect(calculate, &QPushButton::clicked, this, [this] {
    // The focused field counts; a click took the focus already, so the
    // field left last was calculated on leaving.
    const C::TField focused = FieldOf(focusWidget());
    try {
      m_calc.CalculateClick(focused);
    } catch (const Exception &e) {
      ReportLater(e);
    }
    ShowTexts();
  });
  connect(done, &QPushButton::clicked, this, &QWidget::close);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(calculate);
  buttons->addWidget(done);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(bevel);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  ShowTexts();
}

TfrmCalc::~TfrmCalc() = default;

C::TField TfrmCalc::FieldOf(const QObject *edit) const {
  for (std::size_t i = 0; i < m_edits.size(); ++i)
    if (m_edits[i] == edit) return static_cast<C::TField>(i + 1);
  return C::cfNone;
}

void TfrmCalc::Calculate(int code) {
  try {
    m_calc.Calculate(code);
  } catch (const Exception &e) {
    ReportLater(e);
  }
  ShowTexts();
}

void TfrmCalc::Leave(C::TField field) {
  try {
    m_calc.Leave(field);
  } catch (const Exception &e) {
    ReportLater(e);
  }
  ShowTexts();
}

void TfrmCalc::ReportLater(const Exception &e) {
  // Not from inside a focus change or a click: the box's own event loop
  // could close (and delete) this window under the caller's feet. The box
  // comes from the event loop, and not at all once the window is gone.
  const QString text = QString::fromStdString(e.Message());
  QTimer::singleShot(0, this, [this, text] { ShowDocMessage(this, TMsgKind::Error, text); });
}

void TfrmCalc::ShowTexts() {
  for (std::size_t i = 0; i < m_edits.size(); ++i) {
    const QString text = QString::fromStdString(m_calc.Text(static_cast<C::TField>(i + 1)));
    if (m_edits[i]->text() != text) m_edits[i]->setText(text);
  }
}

bool TfrmCalc::eventFilter(QObject *watched, QEvent *event) {
  const C::TField field = FieldOf(watched);
  if (field != C::cfNone) {
    if (event->type() == QEvent::KeyPress) {
      // Typed characters are filtered; keys that type nothing (arrows,
      // Tab, Enter, Delete) and shortcuts (select all, paste) go through.
      // The length limit holds for typing only: a result may be longer.
      const auto *key = static_cast<QKeyEvent *>(event);
      if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // Calculate is the default button (a tool window has none of its own).
        m_calculate->click();
        return true;
      }
      const QString text = key->text();
      const auto *edit = static_cast<QLineEdit *>(watched);
      const bool shortcut = (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
      if (!shortcut && text.size() == 1 && text[0].isPrint() &&
          (!C::AcceptKey(text[0].toLatin1()) ||
           edit->text().size() - edit->selectedText().size() >= C::MaxLength(field)))
        return true;
    } else if (event->type() == QEvent::FocusOut) {
      // Another window taking the focus (the error box of this very
      // calculation) is no leaving of the field: calculating again would
      // show that box twice.
      const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) Leave(field);
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmCalc::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TfrmCalc::showEvent(QShowEvent *event) {
  m_calc.Activate();
  QWidget::showEvent(event);
}

void TfrmCalc::closeEvent(QCloseEvent *event) {
  QWidget::closeEvent(event);
  emit closed();
}

} // namespace korv
