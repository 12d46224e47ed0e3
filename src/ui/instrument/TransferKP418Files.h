#pragma once
// TdlgTransferKP418Files: copies .vnf trace files between a folder of the PC
// and the KP418 handheld, both ways, and deletes files on the handheld. The
// rules (which file goes where, the replace questions of a run, deletes
// that go on past a failure) are TKP418Transfer's; this window binds them
// to its controls. It connects each time it is shown and lets go when it
// closes; a failed connection closes it 500 ms after the message.
#include <QDialog>
#include <QStringList>
#include <functional>

#include "instrument/HandheldTransfer.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QToolButton;

namespace korv {

class ERAPI2Exception;

class TdlgTransferKP418Files : public QDialog {
  Q_OBJECT
public:
  static constexpr int kCloseDelayMs = 500;
  // The handheld topic (also of TdlgKP418Info).
  static constexpr int kHelpContext = 2060;

  // api stays the caller's and must outlive the dialog. pcFolder is the
  // folder shown first.
  TdlgTransferKP418Files(TRemoteApi &api, const QString &pcFolder, QWidget *parent = nullptr);
  ~TdlgTransferKP418Files() override;
  TdlgTransferKP418Files(const TdlgTransferKP418Files &) = delete;
  TdlgTransferKP418Files &operator=(const TdlgTransferKP418Files &) = delete;
  TdlgTransferKP418Files(TdlgTransferKP418Files &&) = delete;
  TdlgTransferKP418Files &operator=(TdlgTransferKP418Files &&) = delete;

  // The handheld names the window keeps.
  const std::vector<std::string> &VantorFiles() const { return m_transfer.Names(); }
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
  void RefreshVantorList();
  void RefreshPCList();
  // A copy or delete, then the list it changed: Close off and the wait
  // cursor meanwhile, and both back however either ends; every failure is
  // shown.
  void RunWork(const std::function<void()> &work, const std::function<void()> &refresh);
  TReplaceAnswer AskReplace();
  void ShowTransferError(const ERAPI2Exception &e);

  TKP418Transfer m_transfer;
  bool m_connected = false;
  bool m_busy = false;
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
