#pragma once
// What the receive and send dialogs share around their worker thread: the
// identification or listing started once the dialog shows, F1 and Esc, and
// closing during a transfer, which asks it to stop and drops its outcome.
#include <QDialog>

namespace korv {

class TTransfer;

class TTransferDialog : public QDialog {
  Q_OBJECT
public:
  bool Busy() const;
  // Closing during a transfer asks it to stop; its outcome is then not shown.
  void reject() override;

protected:
  TTransferDialog(int helpContext, QWidget *parent);
  // The dialog's transfer. It belongs to the derived dialog and is declared
  // last there, so it stops before anything its jobs report to goes away.
  virtual TTransfer &Transfer() const = 0;
  // Runs from the event loop once the dialog is shown.
  virtual void FormActivate() = 0;
  // Esc: what the Cancel button does.
  virtual void btnCancelClick() = 0;
  // True when the dialog was closed while the transfer ran.
  bool CloseIfAsked() const { return m_closeWhenIdle; }

  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void StopWhenClosing();

  int m_helpContext;
  bool m_closeWhenIdle = false;
};

} // namespace korv
