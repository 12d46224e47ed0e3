#pragma once
// "Send Traces to Korv Site Analyzer": lists the traces of the open
// document windows or of the .kdt files of a folder and sends a selection
// to the analyzer. The exchanges run on the dialog's worker runner; the
// rules are those of instrument/DownLoad.
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

class TdlgDownload : public TTransferDialog {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2025;

  TdlgDownload(TInstrumentHost host, QWidget *parent = nullptr);
  ~TdlgDownload() override;

  const std::vector<TSendCandidate> &Candidates() const { return m_rows; }

private:
  void FormActivate() override;
  void ListCandidates();
  void btnOKClick();
  void btnCancelClick() override;
  void ListBox1Click();
  void SetControls(bool enabled);
  void ResetProgress();
  bool FromDisk() const;

  TInstrumentHost m_host;
  std::vector<TSendCandidate> m_rows;

  QListWidget *m_listBox1 = nullptr;
  QLineEdit *m_diredTraceDirectory = nullptr;
  QGroupBox *m_rdgrpTraceSource = nullptr;
  QRadioButton *m_fromDocuments = nullptr;
  QRadioButton *m_fromFiles = nullptr;
  QProgressBar *m_prgrsDnLdDoc = nullptr;
  QProgressBar *m_prgrsDnLdTrace = nullptr;
  QLabel *m_pnlStatus = nullptr;
  QPushButton *m_btnOK = nullptr;
  QPushButton *m_btnCancel = nullptr;
};

} // namespace korv
