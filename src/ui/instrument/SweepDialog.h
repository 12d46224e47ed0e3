#pragma once
// TdlgSweepVna ("Sweep from VNA"): a live sweep from a NanoVNA-family
// analyzer (instrument/NanoVna) on the worker runner, into the active
// window, a new window or a file under UploadRoot. "Repeat every N s"
// sweeps again after each sweep and updates the same trace in place, until
// Cancel or the dialog closes.
#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>

#include "core/MOXDoc.h"
#include "ui/common/WorkerRunner.h"
#include "ui/instrument/InstrumentHost.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

namespace korv {

class TInstrumentStatus;

class TfrmDoc;

class TdlgSweepVna : public QDialog {
  Q_OBJECT
public:
  static constexpr int kHelpContext = 2070;

  explicit TdlgSweepVna(TInstrumentHost host, QWidget *parent = nullptr);
  ~TdlgSweepVna() override;
  TdlgSweepVna(const TdlgSweepVna &) = delete;
  TdlgSweepVna &operator=(const TdlgSweepVna &) = delete;

  bool Busy() const { return m_runner->Busy(); }
  bool Repeating() const;
  // Sweeps delivered since the dialog opened (a window or file updated).
  int Sweeps() const { return m_sweeps; }
  // The file the last sweep to disk was written to.
  QString LastFile() const { return m_lastFile; }

signals:
  // A sweep went into a window or a file (tests wait on it).
  void swept();

public slots:
  void reject() override;

private:
  struct TOutcome;
  void FillDevices();
  void Sweep();
  void CancelClick();
  void Finished(const QString &error);
  // Puts the sweep where the destination says; false (with the message
  // shown) when it could not.
  bool Deliver(const std::shared_ptr<TmoxDocument> &doc);
  void StopRepeat();
  void SetIdle(bool idle);

  TInstrumentHost m_host;
  QComboBox *m_cbDevice;
  QLineEdit *m_edStart;
  QLineEdit *m_edStop;
  QSpinBox *m_spPoints;
  QLineEdit *m_edLabel;
  QRadioButton *m_rbActive;
  QRadioButton *m_rbNew;
  QRadioButton *m_rbFile;
  QCheckBox *m_chkRepeat;
  QSpinBox *m_spRepeat;
  QProgressBar *m_progress;
  QLabel *m_lblStatus;
  TInstrumentStatus *m_lblInstrument = nullptr;
  // What answered last, and on which port.
  QString m_identity;
  QString m_identifiedPort;
  QPushButton *m_btnSweep;
  QPushButton *m_btnCancel;
  QTimer *m_repeatTimer;
  TWorkerRunner *m_runner = nullptr;
  std::string m_device;
  std::shared_ptr<TOutcome> m_outcome;
  // The window and trace a repeated sweep updates.
  QPointer<TfrmDoc> m_target;
  int m_targetTrace = -1;
  bool m_repeatRun = false; // the running sweep is a repeat
  bool m_closing = false;
  bool m_warned = false; // the points above total reflection were told
  int m_sweeps = 0;
  QString m_lastFile;
};

} // namespace korv
