#include "ui/instrument/SweepDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include "core/DateTime.h"
#include "core/TextUtil.h"
#include "instrument/NanoVna.h"
#include "instrument/Protocol.h"
#include "instrument/QtSerialLink.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"
#include "ui/instrument/InstrumentStatus.h"

namespace korv {

namespace {

QString Q(const std::string &s) { return QString::fromStdString(s); }

QString Number(double v) { return QString::fromStdString(Format("%.10g", v)); }

} // namespace

// What the worker hands back: the document of the sweep, the file it went
// to (destination File) and the remark on points above total reflection.
struct TdlgSweepVna::TOutcome {
  std::shared_ptr<TmoxDocument> Document;
  std::string File;
  std::string Warning;
};

TdlgSweepVna::TdlgSweepVna(TInstrumentHost host, QWidget *parent)
    : QDialog(parent), m_host(std::move(host)), m_cbDevice(new QComboBox(this)), m_edStart(new QLineEdit(this)),
      m_edStop(new QLineEdit(this)), m_spPoints(new QSpinBox(this)), m_edLabel(new QLineEdit(this)),
      m_rbActive(new QRadioButton(tr("Add to the active window"), this)),
      m_rbNew(new QRadioButton(tr("Open in a new window"), this)),
      m_rbFile(new QRadioButton(tr("Save to a file on disk"), this)),
      m_chkRepeat(new QCheckBox(tr("Repeat every"), this)), m_spRepeat(new QSpinBox(this)),
      m_progress(new QProgressBar(this)), m_lblStatus(new QLabel(this)),
      m_btnSweep(new QPushButton(tr("&Sweep"), this)), m_btnCancel(new QPushButton(tr("Cancel"), this)),
      m_repeatTimer(new QTimer(this)) {
  setWindowTitle(tr("Sweep from VNA"));
  setObjectName(QStringLiteral("dlgSweepVna"));
  setProperty("helpContext", kHelpContext);
  m_cbDevice->setObjectName(QStringLiteral("cbDevice"));
  m_cbDevice->setEditable(true);
  m_edStart->setObjectName(QStringLiteral("edStart"));
  m_edStop->setObjectName(QStringLiteral("edStop"));
  m_spPoints->setObjectName(QStringLiteral("spPoints"));
  m_spPoints->setRange(2, kNanoMaxSweepPoints);
  m_edLabel->setObjectName(QStringLiteral("edLabel"));
  m_edLabel->setMaxLength(50);
  m_rbActive->setObjectName(QStringLiteral("rbActive"));
  m_rbNew->setObjectName(QStringLiteral("rbNew"));
  m_rbFile->setObjectName(QStringLiteral("rbFile"));
  m_chkRepeat->setObjectName(QStringLiteral("chkRepeat"));
  m_spRepeat->setObjectName(QStringLiteral("spRepeat"));
  m_spRepeat->setRange(1, 3600);
  m_spRepeat->setValue(5);
  m_spRepeat->setSuffix(tr(" s"));
  m_progress->setObjectName(QStringLiteral("progress"));
  m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
  m_lblStatus->setWordWrap(true);
  m_btnSweep->setObjectName(QStringLiteral("btnSweep"));
  m_btnSweep->setDefault(true);
  m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
  m_repeatTimer->setSingleShot(true);

  auto *form = new QFormLayout;
  form->addRow(tr("&Device:"), m_cbDevice);
  form->addRow(tr("S&tart (MHz):"), m_edStart);
  form->addRow(tr("St&op (MHz):"), m_edStop);
  form->addRow(tr("&Points:"), m_spPoints);
  form->addRow(tr("&Label:"), m_edLabel);
  auto *dest = new QGroupBox(tr("Destination"), this);
  auto *destLayout = new QVBoxLayout(dest);
  destLayout->addWidget(m_rbActive);
  destLayout->addWidget(m_rbNew);
  destLayout->addWidget(m_rbFile);
  auto *repeat = new QHBoxLayout;
  repeat->addWidget(m_chkRepeat);
  repeat->addWidget(m_spRepeat);
  repeat->addStretch();
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_btnSweep);
  buttons->addWidget(m_btnCancel);
  auto *top = new QVBoxLayout(this);
  top->addLayout(form);
  top->addWidget(dest);
  top->addLayout(repeat);
  top->addWidget(m_progress);
  top->addWidget(m_lblStatus);
  m_lblInstrument = new TInstrumentStatus(this);
  top->addWidget(m_lblInstrument);
  top->addLayout(buttons);

  // The remembered sweep, else the band every model covers.
  const TOptions *o = m_host.Settings != nullptr ? &m_host.Settings->Options : nullptr;
  m_edStart->setText(Number(o != nullptr ? o->VnaStartMHz : 1.0));
  m_edStop->setText(Number(o != nullptr ? o->VnaStopMHz : 900.0));
  m_spPoints->setValue(o != nullptr ? o->VnaPoints : 101);
  FillDevices();
  // The line names the device the next sweep uses, as chosen above.
  const auto showDevice = [this] {
    const int at = m_cbDevice->findText(m_cbDevice->currentText());
    const QString device = at >= 0 ? m_cbDevice->itemData(at).toString() : m_cbDevice->currentText().trimmed();
    if (m_runner != nullptr && Busy()) return;
    m_lblInstrument->SetPort(device);
    if (!device.isEmpty() && device == m_identifiedPort) m_lblInstrument->Identified(m_identity);
  };
  showDevice();
  connect(m_cbDevice, &QComboBox::currentTextChanged, this, showDevice);
  const bool haveDoc = m_host.Active && m_host.Active() != nullptr;
  m_rbActive->setEnabled(haveDoc);
  (haveDoc ? m_rbActive : m_rbNew)->setChecked(true);
  // A repeat updates a window; files are written once a sweep.
  connect(m_rbFile, &QRadioButton::toggled, this, [this](bool on) {
    m_chkRepeat->setEnabled(!on);
    if (on) m_chkRepeat->setChecked(false);
  });

  m_runner = new TWorkerRunner(this);
  connect(m_runner, &TWorkerRunner::progress, this, [this](int done, int total) {
    m_progress->setMaximum(total);
    m_progress->setValue(done);
  });
  connect(m_runner, &TWorkerRunner::finished, this, &TdlgSweepVna::Finished);
  connect(m_btnSweep, &QPushButton::clicked, this, &TdlgSweepVna::Sweep);
  connect(m_btnCancel, &QPushButton::clicked, this, &TdlgSweepVna::CancelClick);
  connect(m_repeatTimer, &QTimer::timeout, this, [this] {
    m_repeatRun = true;
    Sweep();
  });
}

TdlgSweepVna::~TdlgSweepVna() {
  // The runner never waits: a sweep still running ends on its own.
  m_closing = true;
  m_repeatTimer->stop();
}

bool TdlgSweepVna::Repeating() const { return m_repeatTimer->isActive() || (Busy() && m_repeatRun); }

void TdlgSweepVna::FillDevices() {
  const std::string remembered = m_host.Settings != nullptr ? m_host.Settings->Options.VnaDevice : std::string();
  const std::string nano = QtSerialLink::FindUsbDevice(kNanoUsbVendor, kNanoUsbProduct);
  m_cbDevice->clear();
  for (const auto &[path, description] : QtSerialLink::ListDevices()) {
    QString text = Q(path);
    if (!description.empty()) text += QStringLiteral("  (%1)").arg(Q(description));
    m_cbDevice->addItem(text, Q(path));
  }
  // The analyzer with the NanoVNA's USB id first, then the last one used.
  const std::string preferred = !nano.empty() ? nano : remembered;
  if (!preferred.empty()) {
    const int at = m_cbDevice->findData(Q(preferred));
    if (at >= 0)
      m_cbDevice->setCurrentIndex(at);
    else
      m_cbDevice->setEditText(Q(preferred));
  }
}

void TdlgSweepVna::SetIdle(bool idle) {
  for (QWidget *w : std::initializer_list<QWidget *>{m_cbDevice, m_edStart, m_edStop, m_spPoints, m_edLabel, m_rbNew,
                                                     m_rbFile, m_btnSweep})
    w->setEnabled(idle);
  m_rbActive->setEnabled(idle && m_host.Active && m_host.Active() != nullptr);
}

void TdlgSweepVna::Sweep() {
  if (Busy()) return;
  const bool repeat = m_repeatRun;
  m_repeatRun = false;
  double startMHz = 0;
  double stopMHz = 0;
  if (!ParseDouble(m_edStart->text().trimmed().toStdString(), startMHz) || !(startMHz > 0)) {
    ShowDocMessage(this, TMsgKind::Error, tr("The start frequency must be a number of MHz above 0."));
    m_edStart->setFocus();
    return;
  }
  if (!ParseDouble(m_edStop->text().trimmed().toStdString(), stopMHz) || !(stopMHz > startMHz) || stopMHz > 1e6) {
    ShowDocMessage(this, TMsgKind::Error, tr("The stop frequency must be a number of MHz above the start."));
    m_edStop->setFocus();
    return;
  }
  // The device: the item's path, or what the user typed.
  const int at = m_cbDevice->findText(m_cbDevice->currentText());
  m_device = (at >= 0 ? m_cbDevice->itemData(at).toString() : m_cbDevice->currentText().trimmed()).toStdString();
  if (m_device.empty()) {
    ShowDocMessage(this, TMsgKind::Error, tr("No serial device is named."));
    return;
  }
  if (!repeat) {
    if (m_rbActive->isChecked() && (!m_host.Active || m_host.Active() == nullptr)) {
      ShowDocMessage(this, TMsgKind::Error, tr("There is no active window to add the sweep to."));
      return;
    }
    m_target = nullptr;
    m_targetTrace = -1;
    m_warned = false;
  }
  if (m_host.Settings != nullptr) {
    TOptions &o = m_host.Settings->Options;
    o.VnaStartMHz = startMHz;
    o.VnaStopMHz = stopMHz;
    o.VnaPoints = m_spPoints->value();
    o.VnaDevice = m_device;
  }
  const int points = m_spPoints->value();
  const std::string label = m_edLabel->text().toStdString();
  const auto distUnit = static_cast<std::uint8_t>(
      m_host.Settings != nullptr ? std::clamp(m_host.Settings->Options.DefaultDistanceUnit, 0, 1) : 0);
  const bool toFile = m_rbFile->isChecked();
  const std::string root = m_host.Settings != nullptr ? m_host.Settings->Options.UploadRoot : std::string();
  auto outcome = std::make_shared<TOutcome>();
  m_outcome = outcome;
  m_progress->setMaximum(points);
  m_progress->setValue(0);
  m_lblStatus->setText(repeat ? tr("Sweeping again...") : tr("Sweeping..."));
  m_lblInstrument->SetPort(Q(m_device));
  if (m_identity.isEmpty() || m_identifiedPort != Q(m_device))
    m_lblInstrument->Waiting();
  else
    m_lblInstrument->Identified(m_identity);
  SetIdle(false);
  TWorkerRunner::TJob job;
  job.Link = LinkToPort(m_device);
  job.Work = [=, this](const TJobContext &ctx) {
    TNanoVna vna(ctx.Comm().Link());
    vna.SetCancelFlag(&ctx.CancelFlag());
    vna.SetProgress([&ctx](int done, int total) { ctx.Progress(done, total); });
    const TNanoIdentity id = vna.Identify();
    const QString identity = tr("%1, firmware %2, no serial number reported")
                                 .arg(QString::fromStdString(id.Model), QString::fromStdString(id.Firmware));
    ctx.Post([this, identity] {
      m_identity = identity;
      m_identifiedPort = Q(m_device);
      m_lblInstrument->Identified(identity);
    });
    const TNanoSweep sweep = vna.Sweep(id, startMHz * 1e6, stopMHz * 1e6, points);
    vna.Close();
    auto doc = std::make_shared<TmoxDocument>();
    TReflectionExcess excess;
    BuildFromNanoSweep(*doc, sweep, id, label, NowDayCount(), distUnit, &excess);
    outcome->Warning = excess.Message();
    // Files are written here, off the window's thread.
    if (toFile) outcome->File = SaveSweepUnder(*doc, root);
    outcome->Document = std::move(doc);
  };
  const bool started = m_runner->Start(std::move(job));
  if (!started) SetIdle(true);
}

void TdlgSweepVna::Finished(const QString &error) {
  if (m_closing) return; // the dialog is closing: the sweep is dropped
  SetIdle(true);
  const std::shared_ptr<TOutcome> outcome = std::move(m_outcome);
  if (m_runner->CancelRequested()) {
    StopRepeat();
    m_lblStatus->setText(tr("The sweep was cancelled."));
    return;
  }
  if (!error.isEmpty() || !outcome || !outcome->Document) {
    StopRepeat();
    if (m_identifiedPort != m_lblInstrument->Port()) m_lblInstrument->NotResponding();
    m_lblStatus->setText(error);
    ShowDocMessage(this, TMsgKind::Error, error.isEmpty() ? tr("The sweep gave no points.") : error);
    return;
  }
  if (!Deliver(outcome->Document)) {
    StopRepeat();
    return;
  }
  ++m_sweeps;
  QString status = outcome->File.empty() ? tr("Swept %1 points.").arg(outcome->Document->Doc.Traces[0].NumPoints)
                                         : tr("Saved to %1").arg(Q(outcome->File));
  if (!outcome->File.empty()) m_lastFile = Q(outcome->File);
  if (!outcome->Warning.empty()) {
    status += "\n" + Q(outcome->Warning);
    // Told once a run, not at every repeat.
    if (!m_warned) ShowDocMessage(this, TMsgKind::Warning, Q(outcome->Warning));
    m_warned = true;
  }
  m_lblStatus->setText(status);
  emit swept();
  if (m_chkRepeat->isChecked() && m_chkRepeat->isEnabled() && !m_closing)
    m_repeatTimer->start(m_spRepeat->value() * 1000);
}

bool TdlgSweepVna::Deliver(const std::shared_ptr<TmoxDocument> &doc) {
  if (m_rbFile->isChecked()) return true;
  auto taken = [this](const std::string &name) {
    if (!m_host.Documents) return false;
    for (TfrmDoc *d : m_host.Documents())
      if (d->windowTitle().toStdString() == name || d->FileName().toStdString() == name) return true;
    return false;
  };
  try {
    if (m_target != nullptr && m_targetTrace >= 0) {
      // A repeat: the same trace, in place.
      m_target->ReplaceTracePoints(m_targetTrace, *doc);
      return true;
    }
    if (m_targetTrace >= 0) {
      ShowDocMessage(this, TMsgKind::Error, tr("The window the sweeps went to was closed; the repeat stops."));
      return false;
    }
    TfrmDoc *target = nullptr;
    if (m_rbActive->isChecked()) {
      target = m_host.Active ? m_host.Active() : nullptr;
    } else {
      target = m_host.NewWindow ? m_host.NewWindow() : nullptr;
      if (target == nullptr) {
        ShowDocMessage(
            this, TMsgKind::Error,
            tr("Too many child windows open! Limit the number of open documents to %1.").arg(kMaxDocumentWindows));
        return false;
      }
    }
    if (target == nullptr) {
      ShowDocMessage(this, TMsgKind::Error, tr("There is no active window to add the sweep to."));
      return false;
    }
    target->AddDocument(*doc, taken);
    m_target = target;
    m_targetTrace = target->Document().Doc.TraceCount() - 1;
    return true;
  } catch (const std::exception &e) {
    ShowDocMessage(this, TMsgKind::Error, Q(e.what()));
    return false;
  }
}

void TdlgSweepVna::StopRepeat() { m_repeatTimer->stop(); }

void TdlgSweepVna::CancelClick() {
  // Cancel ends a sweep and the repeat; with nothing running it closes.
  if (Busy() || m_repeatTimer->isActive()) {
    StopRepeat();
    m_runner->Cancel();
    if (!Busy()) m_lblStatus->setText(tr("The repeat was stopped."));
    return;
  }
  reject();
}

void TdlgSweepVna::reject() {
  // Closing stops everything; the sweep under way is dropped, and the
  // dialog goes once the worker has given up (within its read slice).
  m_closing = true;
  StopRepeat();
  if (!m_runner->FinishWhenIdle([this] { QDialog::reject(); })) m_lblStatus->setText(tr("Stopping..."));
}

} // namespace korv
