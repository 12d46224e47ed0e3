#include "ui/instrument/TransferDialog.h"

#include <QKeyEvent>
#include <QShowEvent>
#include <QTimer>

#include "ui/common/DocMessages.h"

namespace korv {

TTransferDialog::TTransferDialog(int helpContext, QWidget *parent)
    : QDialog(parent), m_helpContext(helpContext), m_runner(new TWorkerRunner(this)) {}

void TTransferDialog::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) QTimer::singleShot(0, this, &TTransferDialog::FormActivate);
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
  // The title bar's close comes here too (QDialog::closeEvent), and keeps
  // the dialog up while it stays visible. Reads give up within a second; a
  // trace being sent is finished first.
  if (Busy()) {
    m_closeWhenIdle = true;
    btnCancelClick();
    Runner().FinishWhenIdle([this] { QDialog::reject(); });
    return;
  }
  QDialog::reject();
}

} // namespace korv
