#pragma once
// TfrmPwrSetup ("Setup Record List"): the 20 power setup records of an
// analyzer in a list, edited one at a time in TdlgEditSetup, loaded from
// and saved to files, read from and written to the analyzer. The records
// and their rules live in instrument/PwrSetup; transfers run on a worker.
#include "instrument/PwrSetup.h"
#include "ui/instrument/ToolWindow.h"

class QListWidget;

namespace korv {

class TdlgEditSetup;

class TfrmPwrSetup : public TToolWindow {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2040;

  explicit TfrmPwrSetup(TLinkFactory linkFactory, QWidget *parent = nullptr);

  const TPowerSetupList &Records() const { return m_records; }

  void mnuFileLoadFileClick();
  void mnuFileSaveFileClick();
  void mnuFileLoadLX3KClick();
  void mnuFileSendAllLX3KClick();
  void mnuFileExitClick() { close(); }
  void lstbxSetupListDblClick();

private:
  void RefreshList();
  void TransferEnded(const QString &error, bool stopped) override;
  bool SaveList() override;
  QString DiscardQuestion() const override;
  void SetRecord(int n, const TPowerSetupRecord &record);

  TPowerSetupList m_records;
  QListWidget *m_lstbxSetupList;
  TdlgEditSetup *m_dlgEditSetup;
  // Set by the running transfer when it went through all records.
  std::shared_ptr<bool> m_complete;
  bool m_sending = false;
};

} // namespace korv
