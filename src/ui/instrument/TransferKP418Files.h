#pragma once
// TdlgTransferKP418Files: copies .vnf trace files between a folder of the PC
// and the KP418 handheld, both ways, and deletes files on the handheld. The
// rules (which file goes where, the replace questions of a run, deletes
// that go on past a failure) are TKP418Transfer's; this window binds them
// to its controls. It connects each time it is shown and lets go when it
// closes; a failed connection closes it 500 ms after the message.
//
// Everything that touches the handheld's folder (connect, list, copy,
// delete) runs on the window's worker runner, so a hung mount never
// freezes the program: a bar counts the files and Cancel stops before the
// next one. Closing while a copy runs is Cancel; the window goes when the
// copy has ended.
#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

#include "instrument/HandheldTransfer.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

namespace korv {

class ERAPI2Exception;
class TJobContext;
class TWorkerRunner;

class TdlgTransferKP418Files : public QDialog {
  Q_OBJECT
public:
  static constexpr int kCloseDelayMs = 500;
  // The handheld topic (also of TdlgKP418Info).
  static constexpr int kHelpContext = 2060;

  // api stays the caller's and must outlive the dialog and a copy it still
  // runs (the caller's exec returns only after that). pcFolder is the
  // folder shown first.
  TdlgTransferKP418Files(TRemoteApi &api, const QString &pcFolder, QWidget *parent = nullptr);
  ~TdlgTransferKP418Files() override;
  TdlgTransferKP418Files(const TdlgTransferKP418Files &) = delete;
  TdlgTransferKP418Files &operator=(const TdlgTransferKP418Files &) = delete;
  TdlgTransferKP418Files(TdlgTransferKP418Files &&) = delete;
  TdlgTransferKP418Files &operator=(TdlgTransferKP418Files &&) = delete;

  // The handheld names the window keeps.
  const std::vector<std::string> &VantorFiles() const { return m_names; }
  // A connect, copy or delete is running on the worker.
  bool Busy() const;
  void done(int result) override;

protected:
  void showEvent(QShowEvent *event) override;

private:
  void FormActivate();
  void diredPCPathChange();
  void btnBrowseClick();
  void btnCopyToPCClick();
  void btnCopyToVantorClick();
  void btnDeleteVantorFilesClick();
  void tmrCloseTimer();
  void btnCancelClick();
  void RefreshVantorList();
  void ShowVantorList();
  void RefreshPCList();
  // work on the worker, then the handheld's list read again there; on the
  // window's thread the list shown, after the PC list when refreshPC, and
  // every failure said, then after. The copy buttons are off and the wait
  // cursor on meanwhile, both back however it ends.
  void RunWork(std::function<void(const TJobContext &)> work, bool refreshPC, std::function<void()> after = {});
  void SetWorking(bool working);
  TReplaceAnswer AskReplace(const std::string &name);
  void ShowTransferError(const ERAPI2Exception &e);
  // The message for a handheld that cannot be reached.
  QString UnreachableText() const;

  TRemoteApi &m_api;
  // Shared with a running job, which may end after the window.
  std::shared_ptr<TKP418Transfer> m_transfer;
  std::vector<std::string> m_names;
  bool m_connected = false;
  TWorkerRunner *m_runner = nullptr;
  QProgressBar *m_prgTransfer = nullptr;
  QPushButton *m_btnCancel = nullptr;
  QGroupBox *m_grpbxTransferFiles = nullptr;
  QLabel *m_lblDesktopFiles = nullptr;
  QLineEdit *m_diredPCPath = nullptr;
  QToolButton *m_btnBrowse = nullptr;
  QListWidget *m_fllstbxPCFiles = nullptr;
  QLabel *m_lblKP418Files = nullptr;
  QListWidget *m_lstbxVNFiles = nullptr;
  QPushButton *m_btnCopyToVantor = nullptr;
  QPushButton *m_btnCopyToPC = nullptr;
  QPushButton *m_btnDeleteVantorFiles = nullptr;
  QPushButton *m_btnClose = nullptr;
  QTimer *m_tmrClose = nullptr;
};

} // namespace korv
