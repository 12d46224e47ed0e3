#pragma once
// "Receive Traces from Korv Site Analyzer": identifies the instrument when
// shown, lists its stored traces, and fetches a selection into document
// windows or files on disk, or deletes it. Every exchange runs on the
// dialog's worker runner; the rules are those of instrument/UpLoad.
#include <memory>

#include "core/MOXDirList.h"
#include "instrument/UpLoad.h"
#include "ui/instrument/InstrumentHost.h"
#include "ui/instrument/TransferDialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;

namespace korv {

class TInstrumentStatus;

class TdlgUpload : public TTransferDialog {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2020;
  static constexpr int kMessageHelpContext = 5000;

  TdlgUpload(TInstrumentHost host, QWidget *parent = nullptr);
  ~TdlgUpload() override;

  const TmoxDirList &Directory() const { return m_list; }
  const TInstrumentIdentity &Identity() const { return m_id; }

private:
  void FormActivate() override;
  void btnOKClick();
  void btnCancelClick() override;
  void btnDeleteTraceClick();
  void lstbxTracesClick();
  void chkboxCurrentDocClick(bool checked);
  void chkboxMultipleDocClick(bool checked);
  void chkbxLoadToFileClick(bool checked);
  void diredUploadPathChange();
  void diredUploadPathAfterDialog();
  void rdgrpDirStyleClick(int index);
  void UpdateDestinationControls();
  void SetTransferControls(bool enabled);
  std::vector<TSelectedTrace> SelectedRows() const;
  TReceiveDestination Destination() const;
  std::string RootFolder() const;
  int DirStyle() const;
  // A received document into its window (on the window's thread); the
  // first failure is kept in windowError and stops the transfer.
  void PlaceReceived(const TmoxDocument &doc, TReceiveDestination dest, std::string &windowError);
  void ShowError(const QString &text);
  void Warn(const QString &text, int helpContext);

  TInstrumentHost m_host;
  TInstrumentIdentity m_id;
  TmoxDirList m_list;

  QListWidget *m_lstbxTraces = nullptr;
  QGroupBox *m_grpDestination = nullptr;
  QCheckBox *m_chkboxCurrentDoc = nullptr;
  QCheckBox *m_chkboxMultipleDoc = nullptr;
  QCheckBox *m_chkbxLoadToFile = nullptr;
  QLabel *m_lblRootFolder = nullptr;
  QLineEdit *m_diredUploadPath = nullptr;
  QPushButton *m_btnBrowse = nullptr;
  QGroupBox *m_rdgrpDirStyle = nullptr;
  QList<QRadioButton *> m_styles;
  QProgressBar *m_progUploadProgress = nullptr;
  TInstrumentStatus *m_lblInstrument = nullptr;
  QPushButton *m_btnOK = nullptr;
  QPushButton *m_btnCancel = nullptr;
  QPushButton *m_btnDelete = nullptr;
  QLabel *m_pnlStatus = nullptr;
  QTimer *m_tmrClose = nullptr;
  TfrmDoc *m_oneWindow = nullptr; // the new window of "one new window for all"
};

} // namespace korv
