#pragma once
// TfrmPwrSetup ("Setup Record List"): the 20 power setup records of an
// analyzer in a list, edited one at a time in TdlgEditSetup, loaded from
// and saved to files, read from and written to the analyzer. The records
// and their rules live in instrument/PwrSetup; transfers run on a worker.
#include <QMainWindow>

#include "instrument/PwrSetup.h"
#include "ui/common/WorkerRunner.h"

class QAction;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace korv {

class TdlgEditSetup;

class TfrmPwrSetup : public QMainWindow {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2040;

  explicit TfrmPwrSetup(TLinkFactory linkFactory, QWidget *parent = nullptr);

  const TPowerSetupList &Records() const { return m_records; }
  bool Busy() const { return m_runner->Busy(); }

  void mnuFileLoadFileClick();
  void mnuFileSaveFileClick();
  void mnuFileLoadLX3KClick();
  void mnuFileSendAllLX3KClick();
  void mnuFileExitClick() { close(); }
  void lstbxSetupListDblClick();

signals:
  // The window was closed (the main window unchecks its menu item).
  void closed();

protected:
  void closeEvent(QCloseEvent *event) override;

private:
  void RefreshList();
  void StartTransfer(std::function<void(const TJobContext &)> work);
  void TransferFinished(const QString &error);
  void SetRecord(int n, const TPowerSetupRecord &record);

  TPowerSetupList m_records;
  QListWidget *m_lstbxSetupList;
  QProgressBar *m_progress;
  QPushButton *m_btnCancel;
  QList<QAction *> m_idleOnly; // commands that wait while a transfer runs
  TLinkFactory m_linkFactory;
  TWorkerRunner *m_runner;
  TdlgEditSetup *m_dlgEditSetup;
  bool m_closeWhenDone = false;
};

} // namespace korv
