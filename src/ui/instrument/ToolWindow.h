#pragma once
// What the analyzer tool windows (power setup list, quick text) share: the
// File menu of load, save, load from and send to the analyzer and Exit;
// the bottom row of progress bar, Cancel and Close; the help topic F1 shows;
// one transfer at a time on the worker runner with the commands that must
// wait disabled; and a close that waits for a running transfer (Cancel) and
// asks before an edited list is dropped.
#include <QMainWindow>
#include <functional>
#include <string>

#include "ui/common/WorkerRunner.h"

class QAction;
class QMenu;
class QProgressBar;
class QPushButton;

namespace korv {

class TInstrumentStatus;

class TToolWindow : public QMainWindow {
  Q_OBJECT
public:
  bool Busy() const { return m_runner->Busy(); }
  // The list was changed here since it was last loaded, saved or sent.
  bool Modified() const { return m_modified; }

  // The port the settings name (throws EmoxIODeviceErr when they name
  // none), shown when the window opens; without it the port is shown once
  // a transfer has made its link.
  void SetPortName(std::function<std::string()> portName);

  // Before the window (or the program) closes: an edited list is saved,
  // dropped or kept by the user's answer; false when it is to stay open.
  bool MayClose();

signals:
  // The window was closed (the main window unchecks its menu item).
  void closed();

protected:
  // The File menu's four transfer items in the order load file, save
  // file, load from the analyzer, send to it: {objectName, caption}.
  struct TFileItem {
    const char *Name;
    QString Caption;
    std::function<void()> Click;
  };
  TToolWindow(const char *objectName, const QString &caption, int helpContext, TLinkFactory linkFactory,
              QWidget *parent);

  // Builds the File menu: the items, a separator between files and the
  // analyzer, then Exit (objectName exitName) which closes the window.
  void BuildFileMenu(const std::vector<TFileItem> &files, const std::vector<TFileItem> &analyzer, const char *exitName,
                     const QString &exitCaption);
  // A command that waits while a transfer runs.
  void IdleOnly(QAction *action) { m_idleOnly << action; }
  // The port line, then progress bar, Cancel and Close, for the bottom of
  // the central widget.
  QLayout *MakeStatusRow(QWidget *parent);
  QProgressBar *ProgressBar() const { return m_progress; }

  // Starts work on the runner with the window's link. stopReads: Cancel
  // also gives up a read in progress (loads; a send finishes its record).
  void StartTransfer(std::function<void(const TJobContext &)> work, bool stopReads);
  // The transfer's end, controls restored. stopped: the user cancelled or
  // closed the window; error is then empty (what the line did after that
  // is no news), as it is when the transfer ended normally.
  virtual void TransferEnded(const QString &error, bool stopped) = 0;
  // Controls of the window itself to hold while a transfer runs.
  virtual void HoldControls(bool hold) { (void)hold; }
  void SetModified(bool modified) { m_modified = modified; }
  // Saves the list through the window's Save File command; true when written.
  virtual bool SaveList() = 0;
  // The question asked before an edited list is dropped.
  virtual QString DiscardQuestion() const = 0;
  // True when Yes was answered to a Yes/No question.
  bool Confirm(const QString &question);
  void Tell(const QString &text);

  void closeEvent(QCloseEvent *event) override;
  void showEvent(QShowEvent *event) override;

private:
  void TransferFinished(const QString &error);
  void ShowPort();

  TLinkFactory m_linkFactory;
  TWorkerRunner *m_runner;
  QMenu *m_file = nullptr;
  QProgressBar *m_progress = nullptr;
  QPushButton *m_btnCancel = nullptr;
  TInstrumentStatus *m_status = nullptr;
  std::function<std::string()> m_portName;
  // What answered on which port: asked once per port, before the first
  // transfer there.
  QString m_identifiedPort;
  QString m_identity;
  QList<QAction *> m_idleOnly;
  bool m_cancelled = false;
  bool m_modified = false;
};

} // namespace korv
