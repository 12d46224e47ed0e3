#include "ui/dialogs/SaveAsCsvOptions.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/FileIO.h"

namespace korv {

namespace {
TTraceChooserHook &Hook() {
  static TTraceChooserHook hook;
  return hook;
}
} // namespace

TdlgSaveAsCSVOptions::TdlgSaveAsCSVOptions(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("dlgSaveAsCSVOptions"));
  setWindowTitle(QStringLiteral("Save As CSV Options"));
  auto *frame = new QGroupBox(this);
  auto *inner = new QVBoxLayout(frame);
  m_prompt = new QLabel(frame);
  m_prompt->setObjectName(QStringLiteral("lblSelectTracePrompt"));
  m_prompt->setWordWrap(true);
  m_traces = new QComboBox(frame);
  m_traces->setObjectName(QStringLiteral("cmbobxTraceNumber"));
  m_traces->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  inner->addWidget(m_prompt);
  inner->addWidget(m_traces);
  auto *buttons = new QDialogButtonBox(this);
  QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("OKBtn"));
  ok->setDefault(true);
  QPushButton *cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
  cancel->setObjectName(QStringLiteral("CancelBtn"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(frame);
  layout->addWidget(buttons);
  SetPrompt(QStringLiteral(
      "CSV files can only save one trace. This file contains multiple trace. Which trace do you wish to use?"));
}

void TdlgSaveAsCSVOptions::SetPrompt(const QString &prompt) { m_prompt->setText(prompt); }

void TdlgSaveAsCSVOptions::SetTraces(const std::vector<std::string> &descriptions, int preselected) {
  m_traces->clear();
  for (const auto &d : descriptions)
    m_traces->addItem(QString::fromStdString(DisplayText(d)));
  if (preselected >= 0 && preselected < m_traces->count()) m_traces->setCurrentIndex(preselected);
}

int TdlgSaveAsCSVOptions::SelectedTrace() const { return m_traces->currentIndex(); }

TTraceChooserHook SetTraceChooserHook(TTraceChooserHook hook) {
  TTraceChooserHook old = std::move(Hook());
  Hook() = std::move(hook);
  return old;
}

int ChooseTraceToSave(QWidget *parent, const QString &prompt, const std::vector<std::string> &descriptions,
                      int preselected, const QString &title) {
  if (Hook()) return Hook()(descriptions, preselected);
  TdlgSaveAsCSVOptions dlg(parent);
  dlg.setWindowTitle(title);
  dlg.SetPrompt(prompt);
  dlg.SetTraces(descriptions, preselected);
  return dlg.exec() == QDialog::Accepted ? dlg.SelectedTrace() : -1;
}

} // namespace korv
