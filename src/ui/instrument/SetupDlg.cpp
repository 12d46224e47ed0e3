#include "ui/instrument/SetupDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/TextUtil.h"
#include "ui/common/DocMessages.h"

namespace korv {

namespace {

QLineEdit *Edit(QWidget *parent, const char *name, int maxLength) {
  auto *e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setMaxLength(maxLength);
  return e;
}

QLineEdit *NumberEdit(QWidget *parent, const char *name, TSetupNumber which) {
  return Edit(parent, name, SetupNumberLimit(which).MaxLength);
}

// Shortest text that reads back as the value; a longer value than the
// field takes widens the field rather than losing digits.
void ShowNumber(QLineEdit *e, TSetupNumber which, double v) {
  QString text = QString::fromStdString(Format("%.15g", v));
  e->setMaxLength(std::max(SetupNumberLimit(which).MaxLength, static_cast<int>(text.size())));
  e->setText(text);
}

} // namespace

TdlgEditSetup::TdlgEditSetup(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgEditSetup"));
  setWindowTitle(tr("Edit Setup Record"));
  m_edName = Edit(this, "edName", 9);
  m_chkbxProtect = new QCheckBox(tr("Protect"), this);
  m_chkbxProtect->setObjectName(QStringLiteral("chkbxProtect"));
  m_rledCableLoss = NumberEdit(this, "rledCableLoss", TSetupNumber::Cable);
  m_rledAttenLoss = NumberEdit(this, "rledAttenLoss", TSetupNumber::Atten);
  m_rledConnectorLoss = NumberEdit(this, "rledConnectorLoss", TSetupNumber::Connector);
  m_rledCouplerLoss = NumberEdit(this, "rledCouplerLoss", TSetupNumber::Coupler);
  m_edFreqRange = Edit(this, "edFreqRange", 17);
  m_edSensorType = Edit(this, "edSensorType", 5);
  m_edElementType = Edit(this, "edElementType", 17);
  m_rledFullScale = NumberEdit(this, "rledFullScale", TSetupNumber::FullScale);
  m_edComments = Edit(this, "edComments", 21);
  m_edPassword = Edit(this, "edPassword", 9);
  m_edPassword->setEchoMode(QLineEdit::PasswordEchoOnEdit);

  auto *form = new QFormLayout;
  form->addRow(tr("Name:"), m_edName);
  form->addRow(QString(), m_chkbxProtect);
  form->addRow(tr("Cable loss (dB):"), m_rledCableLoss);
  form->addRow(tr("Attenuator loss (dB):"), m_rledAttenLoss);
  form->addRow(tr("Connector loss (dB):"), m_rledConnectorLoss);
  form->addRow(tr("Coupler loss (dB):"), m_rledCouplerLoss);
  form->addRow(tr("Frequency range:"), m_edFreqRange);
  form->addRow(tr("Sensor type:"), m_edSensorType);
  form->addRow(tr("Element type:"), m_edElementType);
  form->addRow(tr("Forward full scale (W):"), m_rledFullScale);
  form->addRow(tr("Comments:"), m_edComments);
  form->addRow(tr("Password:"), m_edPassword);
  auto *buttons = new QDialogButtonBox(this);
  QPushButton *ok = buttons->addButton(QDialogButtonBox::Ok);
  ok->setObjectName(QStringLiteral("btnOK"));
  ok->setDefault(true);
  buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TdlgEditSetup::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TdlgEditSetup::reject);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  AddHelpKey(this, kHelpContext);
}

void TdlgEditSetup::SetRecord(const TPowerSetupRecord &r) {
  m_record = r;
  m_edName->setText(QString::fromStdString(r.Name));
  m_chkbxProtect->setChecked(r.Protect);
  ShowNumber(m_rledCableLoss, TSetupNumber::Cable, r.Cable);
  ShowNumber(m_rledAttenLoss, TSetupNumber::Atten, r.Atten);
  ShowNumber(m_rledConnectorLoss, TSetupNumber::Connector, r.Connector);
  ShowNumber(m_rledCouplerLoss, TSetupNumber::Coupler, r.Coupler);
  m_edFreqRange->setText(QString::fromStdString(r.FreqRange));
  m_edSensorType->setText(QString::fromStdString(r.SensorType));
  m_edElementType->setText(QString::fromStdString(r.ElementType));
  ShowNumber(m_rledFullScale, TSetupNumber::FullScale, r.FullScale);
  m_edComments->setText(QString::fromStdString(r.Comment));
  m_edPassword->setText(QString::fromStdString(r.Password));
  m_edName->setFocus();
  m_edName->selectAll();
}

void TdlgEditSetup::accept() {
  TPowerSetupRecord r = m_record;
  const std::pair<QLineEdit *, TSetupNumber> numbers[] = {{m_rledCableLoss, TSetupNumber::Cable},
                                                          {m_rledAttenLoss, TSetupNumber::Atten},
                                                          {m_rledConnectorLoss, TSetupNumber::Connector},
                                                          {m_rledCouplerLoss, TSetupNumber::Coupler},
                                                          {m_rledFullScale, TSetupNumber::FullScale}};
  double *targets[] = {&r.Cable, &r.Atten, &r.Connector, &r.Coupler, &r.FullScale};
  for (std::size_t i = 0; i < std::size(numbers); ++i) {
    const std::string problem = ReadSetupNumber(numbers[i].second, numbers[i].first->text().toStdString(), *targets[i]);
    if (!problem.empty()) {
      ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(problem));
      numbers[i].first->setFocus();
      numbers[i].first->selectAll();
      return;
    }
  }
  for (QLineEdit *e : {m_edName, m_edFreqRange, m_edSensorType, m_edElementType, m_edComments, m_edPassword}) {
    const std::string problem = SetupTextProblem(e->text().toStdString());
    if (!problem.empty()) {
      ShowDocMessage(this, TMsgKind::Error, QString::fromStdString(problem));
      e->setFocus();
      return;
    }
  }
  r.Name = m_edName->text().toStdString();
  r.Protect = m_chkbxProtect->isChecked();
  r.FreqRange = m_edFreqRange->text().toStdString();
  r.SensorType = m_edSensorType->text().toStdString();
  r.ElementType = m_edElementType->text().toStdString();
  r.Comment = m_edComments->text().toStdString();
  r.Password = m_edPassword->text().toStdString();
  m_record = EditedRecord(r);
  QDialog::accept();
}

} // namespace korv
