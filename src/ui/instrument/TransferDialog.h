#pragma once
// What the receive and send dialogs share around their worker: the
// identification or listing started once the dialog shows, F1 and Esc, and
// closing during a transfer, which is Cancel: the dialog stays up until the
// worker has ended, drops the transfer's outcome and closes then, without
// ever holding up the event loop.
#include <QDialog>

#include "ui/common/WorkerRunner.h"

namespace korv {

class TTransferDialog : public QDialog {
  Q_OBJECT
public:
  bool Busy() const { return m_runner->Busy(); }
  // Closing during a transfer cancels it; the dialog closes once it ended.
  void reject() override;

protected:
  TTransferDialog(int helpContext, QWidget *parent);
  TWorkerRunner &Runner() const { return *m_runner; }
  // Runs from the event loop once the dialog is shown.
  virtual void FormActivate() = 0;
  // Esc: what the Cancel button does.
  virtual void btnCancelClick() = 0;
  // True when the dialog was closed while the transfer ran.
  bool CloseIfAsked() const { return m_closeWhenIdle; }

  void showEvent(QShowEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  int m_helpContext;
  bool m_closeWhenIdle = false;
  TWorkerRunner *m_runner;
};

} // namespace korv
