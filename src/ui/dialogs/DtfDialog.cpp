#include "ui/dialogs/DtfDialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/common/BusyCursor.h"
#include "ui/common/DocMessages.h"

namespace korv {

namespace {
QString Q(const std::string &s) { return QString::fromStdString(s); }

template <typename T> T *Named(T *w, const char *name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
} // namespace

TdlgDTF::TdlgDTF(QWidget *parent, const QString &cableListPath, bool velocityFormat)
    : QDialog(parent), m_editor({}, velocityFormat), m_cableListPath(cableListPath) {
  setObjectName(QStringLiteral("dlgDTF"));
  setProperty("helpContext", kHelpContext);
  setWindowTitle(QStringLiteral("Specify Distance Parameters"));

  auto *cable = Named(new QGroupBox(QStringLiteral("Cable &Type Parameters"), this), "grpCable");
  m_cmboCable = Named(new QComboBox(cable), "cmboCable");
  m_cmboCable->setEditable(true);
  m_cmboCable->setInsertPolicy(QComboBox::NoInsert);
  m_lblDielectric = Named(new QLabel(cable), "lblDielectric");
  m_editrDielectric = Named(new QLineEdit(cable), "editrDielectric");
  m_editrDielectric->setMaxLength(6);
  m_lblLoss = Named(new QLabel(cable), "lblLoss");
  m_editRLoss = Named(new QLineEdit(cable), "editRLoss");
  m_editRLoss->setMaxLength(6);
  auto *cg = new QGridLayout(cable);
  cg->addWidget(m_cmboCable, 0, 0, 1, 2);
  cg->addWidget(m_lblDielectric, 1, 0);
  cg->addWidget(m_editrDielectric, 1, 1);
  cg->addWidget(m_lblLoss, 2, 0);
  cg->addWidget(m_editRLoss, 2, 1);

  auto *dist = Named(new QGroupBox(QStringLiteral("&Distance Parameters"), this), "grpDistance");
  m_lblMaxDist = Named(new QLabel(dist), "lblMaxDist");
  m_lblMaxDist1 = Named(new QLabel(dist), "lblMaxDist1");
  m_lblMaxDist1->setToolTip(QStringLiteral("Double-click to use as the stop distance"));
  m_lblStartDist = Named(new QLabel(dist), "lblStartDist");
  m_editRStartDist = Named(new QLineEdit(dist), "editRStartDist");
  m_editRStartDist->setMaxLength(7);
  m_lblStopDist = Named(new QLabel(dist), "lblStopDist");
  m_editRStopDist = Named(new QLineEdit(dist), "editRStopDist");
  m_editRStopDist->setMaxLength(7);
  auto *dg = new QGridLayout(dist);
  dg->addWidget(m_lblMaxDist, 0, 0);
  dg->addWidget(m_lblMaxDist1, 0, 1);
  dg->addWidget(m_lblStartDist, 1, 0);
  dg->addWidget(m_editRStartDist, 1, 1);
  dg->addWidget(m_lblStopDist, 2, 0);
  dg->addWidget(m_editRStopDist, 2, 1);

  m_grpWindow = Named(new QGroupBox(QStringLiteral("&Window Type"), this), "grpWindow");
  m_windowButtons = new QButtonGroup(this);
  auto *wl = new QVBoxLayout(m_grpWindow);
  const char *const kWindows[] = {"None", "Slight", "Moderate", "Heavy"};
  for (int i = 0; i < 4; ++i) {
    auto *b = new QRadioButton(QString::fromLatin1(kWindows[i]), m_grpWindow);
    b->setObjectName(QStringLiteral("rbWindow") + QString::fromLatin1(kWindows[i]));
    m_windowButtons->addButton(b, i);
    wl->addWidget(b);
  }

  m_chbxApplyToRem = Named(new QCheckBox(QStringLiteral("&Apply to all traces"), this), "chbxApplyToRem");
  m_btnPrev = Named(new QPushButton(QStringLiteral("< &Previous"), this), "btnPrev");
  m_btnNext = Named(new QPushButton(QStringLiteral("&Next >"), this), "btnNext");
  m_btnCancel = Named(new QPushButton(QStringLiteral("&Cancel"), this), "btnCancel");
  m_btnFinish = Named(new QPushButton(QStringLiteral("&Finish"), this), "btnFinish");
  m_btnHelp = Named(new QPushButton(QStringLiteral("&Help"), this), "btnHelp");
  m_btnFinish->setDefault(true);
  for (QPushButton *b : {m_btnPrev, m_btnNext, m_btnCancel, m_btnHelp})
    b->setAutoDefault(false);

  auto *top = new QHBoxLayout;
  auto *left = new QVBoxLayout;
  left->addWidget(cable);
  left->addWidget(dist);
  top->addLayout(left);
  auto *right = new QVBoxLayout;
  right->addWidget(m_grpWindow);
  right->addWidget(m_chbxApplyToRem);
  right->addStretch();
  top->addLayout(right);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(m_btnHelp);
  buttons->addStretch();
  buttons->addWidget(m_btnPrev);
  buttons->addWidget(m_btnNext);
  buttons->addWidget(m_btnCancel);
  buttons->addWidget(m_btnFinish);
  auto *main = new QVBoxLayout(this);
  main->addLayout(top);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetFixedSize);

  // Checks run when a field loses the focus, as the user leaves it.
  for (QLineEdit *e : {m_editrDielectric, m_editRLoss, m_editRStartDist, m_editRStopDist}) {
    e->installEventFilter(this);
    connect(e, &QLineEdit::textEdited, this, [this, e](const QString &text) {
      if (!m_refreshing) m_editor.SetFieldText(FieldOf(e), text.trimmed().toStdString());
    });
  }
  m_cmboCable->installEventFilter(this);
  if (m_cmboCable->lineEdit()) m_cmboCable->lineEdit()->installEventFilter(this);
  m_lblMaxDist1->installEventFilter(this);
  connect(m_cmboCable, &QComboBox::activated, this, [this](int index) {
    if (m_refreshing) return;
    m_editor.PickCable(index);
    Refresh();
  });
  connect(m_cmboCable, &QComboBox::editTextChanged, this, [this](const QString &text) {
    if (!m_refreshing) m_editor.SetCableText(text.toStdString());
  });
  connect(m_windowButtons, &QButtonGroup::idClicked, this, [this](int id) {
    if (!m_refreshing) m_editor.SetWindowType(id);
  });
  connect(m_chbxApplyToRem, &QCheckBox::toggled, this, [this](bool on) {
    if (m_refreshing) return;
    m_editor.SetApplyToAll(on);
    Refresh();
  });
  connect(m_btnNext, &QPushButton::clicked, this, &TdlgDTF::btnNextClick);
  connect(m_btnPrev, &QPushButton::clicked, this, &TdlgDTF::btnPrevClick);
  connect(m_btnFinish, &QPushButton::clicked, this, &TdlgDTF::btnFinishClick);
  connect(m_btnCancel, &QPushButton::clicked, this, &TdlgDTF::btnCancelClick);
  connect(m_btnHelp, &QPushButton::clicked, this, [] { RequestHelp(kHelpContext); });
}

TdlgDTF::~TdlgDTF() = default;

void TdlgDTF::Initialise() {
  if (m_cableListPath.isEmpty() || !QFileInfo::exists(m_cableListPath)) {
    // The question comes once per run for a path, as it would from a
    // dialog made once at start-up; the user can still type cable values.
    static QString askedFor;
    static bool askedOnce = false;
    if (askedOnce && askedFor == m_cableListPath) return;
    askedOnce = true;
    askedFor = m_cableListPath;
    const auto answer = ShowDocMessage(this, TMsgKind::Warning, QString::fromLatin1(kMsgCableListMissing),
                                       QMessageBox::Yes | QMessageBox::No, true);
    if (answer != QMessageBox::Yes) return;
    const QString chosen = m_chooser
                               ? m_chooser()
                               : QFileDialog::getOpenFileName(this, QStringLiteral("Locate the Cable List"), QString(),
                                                              QStringLiteral("Cable List (*.LST *.lst)"));
    if (chosen.isEmpty()) return;
    m_cableListPath = chosen;
    emit cableListPathChanged(m_cableListPath);
  }
  const TCableListLoad load = LoadCableList(m_cableListPath.toStdString());
  if (!load.Error.empty()) {
    ShowDocMessage(this, TMsgKind::Error, Q(load.Error), QMessageBox::Ok, true);
    if (load.ClearPath) {
      m_cableListPath.clear();
      emit cableListPathChanged(m_cableListPath);
    }
  }
  m_editor.SetCableList(load.Cables);
  Refresh();
}

void TdlgDTF::Open(TTraceArray &traces, int traceIndex, int distUnit, std::function<void(int)> recompute) {
  m_traces = &traces;
  m_recompute = std::move(recompute);
  m_editor.Open(traces, traceIndex, distUnit);
  Refresh();
}

TDtfField TdlgDTF::FieldOf(QObject *edit) const {
  if (edit == m_editrDielectric) return TDtfField::Dielectric;
  if (edit == m_editRLoss) return TDtfField::Loss;
  if (edit == m_editRStartDist) return TDtfField::StartDist;
  if (edit == m_editRStopDist) return TDtfField::StopDist;
  return TDtfField::None;
}

QLineEdit *TdlgDTF::EditOf(TDtfField field) const {
  switch (field) {
  case TDtfField::Dielectric: return m_editrDielectric;
  case TDtfField::Loss: return m_editRLoss;
  case TDtfField::StartDist: return m_editRStartDist;
  case TDtfField::StopDist: return m_editRStopDist;
  default: return nullptr;
  }
}

bool TdlgDTF::eventFilter(QObject *watched, QEvent *event) {
  const TDtfField field = FieldOf(watched);
  if (field != TDtfField::None) {
    if (event->type() == QEvent::FocusIn) {
      m_editor.EnterField(field);
    } else if (event->type() == QEvent::FocusOut && m_editor.FocusedField() == field) {
      m_editor.LeaveField();
      Refresh();
    }
  } else if (watched == m_cmboCable || (m_cmboCable->lineEdit() && watched == m_cmboCable->lineEdit())) {
    if (event->type() == QEvent::FocusOut && !m_cmboCable->hasFocus() && !m_refreshing) {
      m_editor.SetCableText(m_cmboCable->currentText().toStdString());
      m_editor.LeaveCable();
      Refresh();
    }
  } else if (watched == m_lblMaxDist1 && event->type() == QEvent::MouseButtonDblClick) {
    m_editor.TakeMaxDistAsStop();
    Refresh();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TdlgDTF::Refresh() {
  m_refreshing = true;
  setWindowTitle(Q(m_editor.Caption()));
  m_lblDielectric->setText(Q(m_editor.DielectricLabel()));
  m_lblLoss->setText(Q(m_editor.LossLabel()));
  m_lblMaxDist->setText(Q(m_editor.MaxDistLabel()));
  m_lblMaxDist1->setText(Q(m_editor.MaxDistText()));
  m_lblStartDist->setText(Q(m_editor.StartDistLabel()));
  m_lblStopDist->setText(Q(m_editor.StopDistLabel()));
  // The drop-down mirrors the editor's list (it can grow when a trace
  // brings a cable that is not listed).
  const auto &cables = m_editor.Cables();
  bool same = m_cmboCable->count() == static_cast<int>(cables.size());
  for (int i = 0; same && i < m_cmboCable->count(); ++i)
    same = m_cmboCable->itemText(i) == Q(cables[static_cast<std::size_t>(i)].Name.str());
  if (!same) {
    m_cmboCable->clear();
    for (const auto &c : cables)
      m_cmboCable->addItem(Q(c.Name.str()));
  }
  m_cmboCable->setCurrentIndex(m_editor.SelectedCable());
  m_cmboCable->setEditText(Q(m_editor.CableText()));
  for (TDtfField f : {TDtfField::Dielectric, TDtfField::Loss, TDtfField::StartDist, TDtfField::StopDist}) {
    QLineEdit *e = EditOf(f);
    const QString text = Q(m_editor.FieldText(f));
    if (e->text() != text) e->setText(text);
  }
  if (QAbstractButton *b = m_windowButtons->button(m_editor.WindowType())) b->setChecked(true);
  m_chbxApplyToRem->setChecked(m_editor.ApplyToAll());
  m_btnPrev->setEnabled(m_editor.PrevEnabled());
  m_btnNext->setEnabled(m_editor.NextEnabled());
  m_btnFinish->setEnabled(m_editor.FinishEnabled());
  m_refreshing = false;
}

void TdlgDTF::btnNextClick() {
  m_editor.Next();
  Refresh();
}

void TdlgDTF::btnPrevClick() {
  m_editor.Prev();
  Refresh();
}

void TdlgDTF::btnFinishClick() {
  if (!m_traces) {
    reject();
    return;
  }
  {
    const TBusyCursor busy;
    const int index = m_editor.Finish(*m_traces);
    if (m_recompute) m_recompute(index);
  }
  accept();
}

void TdlgDTF::btnCancelClick() {
  m_editor.Cancel();
  reject();
}

} // namespace korv
