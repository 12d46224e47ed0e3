#pragma once
// "Send Traces to Korv Site Analyzer": lists the traces of the open
// document windows or of the .kdt files of a folder and sends a selection
// to the analyzer. The exchanges run on the dialog's worker runner; the
// rules are those of instrument/DownLoad.
#include <map>
#include <memory>
#include <vector>

#include "instrument/DownLoad.h"
#include "ui/instrument/InstrumentHost.h"
#include "ui/instrument/TransferDialog.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace korv {

class TInstrumentStatus;

class TdlgDownload : public TTransferDialog {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2025;

  TdlgDownload(TInstrumentHost host, QWidget *parent = nullptr);
  ~TdlgDownload() override;

  const std::vector<TSendCandidate> &Candidates() const { return m_rows; }
  // The summary of the last send that ended (empty before one).
  const TSendSummary &LastSummary() const { return m_summary; }

private:
  void FormActivate() override;
  void ListCandidates();
  // The .kdt files of the folder, listed on the worker; files left out are
  // named with the reason once the list is up.
  void ListFolder(const std::string &folder);
  void ShowRows();
  // The worker's copy of what to send: the open documents by window index
  // and the rows chosen.
  struct TSendJob {
    std::map<int, TmoxDocument> Open;
    std::vector<TSendCandidate> Rows;
  };
  void StartSend(const std::shared_ptr<TSendJob> &job);
  void ShowSummary(const TSendSummary &summary);
  void btnOKClick();
  void btnCancelClick() override;
  void ListBox1Click();
  void SetControls(bool enabled);
  void ResetProgress();
  bool FromDisk() const;

  TInstrumentHost m_host;
  std::vector<TSendCandidate> m_rows;
  TSendSummary m_summary;

  QListWidget *m_listBox1 = nullptr;
  QLineEdit *m_diredTraceDirectory = nullptr;
  QGroupBox *m_rdgrpTraceSource = nullptr;
  QRadioButton *m_fromDocuments = nullptr;
  QRadioButton *m_fromFiles = nullptr;
  QProgressBar *m_prgrsDnLdDoc = nullptr;
  QProgressBar *m_prgrsDnLdTrace = nullptr;
  QLabel *m_pnlStatus = nullptr;
  TInstrumentStatus *m_lblInstrument = nullptr;
  QPushButton *m_btnOK = nullptr;
  QPushButton *m_btnCancel = nullptr;
};

} // namespace korv
