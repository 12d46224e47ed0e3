#pragma once
// "Send Traces to Korv Site Analyzer": lists the traces of the open
// document windows or of the .kdt files of a folder and sends a selection
// to the analyzer. The exchanges run on a worker thread (TTransfer); the
// rules are those of instrument/DownLoad.
#include <QDialog>
#include <memory>
#include <vector>

#include "instrument/DownLoad.h"
#include "ui/instrument/InstrumentHost.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace korv {

class TTransfer;

class TdlgDownload : public QDialog {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2025;

  TdlgDownload(TInstrumentHost host, QWidget *parent = nullptr);
  ~TdlgDownload() override;

  bool Busy() const;
  const std::vector<TSendCandidate> &Candidates() const { return m_rows; }
  // Closing during a transfer asks it to stop; its outcome is then not shown.
  void reject() override;

protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;

private:
  void FormActivate();
  void ListCandidates();
  void btnOKClick();
  void btnCancelClick();
  void ListBox1Click();
  void SetControls(bool enabled);
  void ResetProgress();
  bool FromDisk() const;

  // True when the dialog was closed while the transfer ran: its outcome is
  // no longer shown.
  bool CloseIfAsked();

  TInstrumentHost m_host;
  bool m_closeWhenIdle = false;
  std::vector<TSendCandidate> m_rows;
  std::unique_ptr<TTransfer> m_transfer;

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
