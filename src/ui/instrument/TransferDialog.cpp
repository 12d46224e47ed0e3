#include "ui/instrument/TransferDialog.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QShowEvent>
#include <QTimer>

#include "ui/common/DocMessages.h"
#include "ui/instrument/Transfer.h"

namespace korv {

TTransferDialog::TTransferDialog(int helpContext, QWidget *parent) : QDialog(parent), m_helpContext(helpContext) {}

bool TTransferDialog::Busy() const { return Transfer().Busy(); }

void TTransferDialog::StopWhenClosing() {
  // Reads give up within a second; a trace being sent is finished first
  // (the transfer's destructor waits for it).
  if (Busy()) {
    m_closeWhenIdle = true;
    Transfer().RequestCancel();
  }
}

void TTransferDialog::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) QTimer::singleShot(0, this, &TTransferDialog::FormActivate);
}

void TTransferDialog::closeEvent(QCloseEvent *event) {
  StopWhenClosing();
  QDialog::closeEvent(event);
}

void TTransferDialog::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_F1) {
    RequestHelp(m_helpContext);
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    btnCancelClick();
    return;
  }
  QDialog::keyPressEvent(event);
}

void TTransferDialog::reject() {
  StopWhenClosing();
  QDialog::reject();
}

} // namespace korv
