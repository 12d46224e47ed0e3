#include "ui/instrument/DownLoadDialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <map>

#include "core/Excption.h"
#include "core/FileIO.h"
#include "formats/DocumentIO.h"
#include "instrument/UpLoad.h"
#include "ui/common/BusyCursor.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"
#include "ui/instrument/RowDelegate.h"

namespace korv {

namespace {

QString Q(const std::string &s) { return QString::fromStdString(DisplayText(s)); }

} // namespace

TdlgDownload::TdlgDownload(TInstrumentHost host, QWidget *parent)
    : TTransferDialog(kHelpContext, parent), m_host(std::move(host)) {
  setObjectName(QStringLiteral("dlgDownload"));
  setWindowTitle(tr("Send Traces to Korv Site Analyzer"));
  setModal(true);

  m_listBox1 = new QListWidget(this);
  m_listBox1->setObjectName(QStringLiteral("ListBox1"));
  m_listBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_listBox1->setItemDelegate(new TRowDelegate(
      [this](int row) -> std::vector<std::pair<int, QString>> {
        if (row < 0 || row >= static_cast<int>(m_rows.size())) return {};
        const TSendCandidate &c = m_rows[static_cast<std::size_t>(row)];
        return {{2, ShortDateText(c.Date)}, {97, Q(c.Description)}};
      },
      m_listBox1));
  connect(m_listBox1, &QListWidget::itemSelectionChanged, this, &TdlgDownload::ListBox1Click);
  connect(m_listBox1, &QListWidget::itemDoubleClicked, this, [this] { btnOKClick(); });

  m_diredTraceDirectory = new QLineEdit(this);
  m_diredTraceDirectory->setObjectName(QStringLiteral("diredTraceDirectory"));
  std::string folder = m_host.Settings != nullptr ? m_host.Settings->Context().ProgramDir : std::string();
  m_diredTraceDirectory->setText(QString::fromStdString(folder.empty() ? std::string("./") : folder));
  connect(m_diredTraceDirectory, &QLineEdit::editingFinished, this, [this] {
    if (FromDisk()) ListCandidates();
  });

  m_rdgrpTraceSource = new QGroupBox(tr("Download Traces From..."), this);
  m_rdgrpTraceSource->setObjectName(QStringLiteral("rdgrpTraceSource"));
  m_fromDocuments = new QRadioButton(tr("From Open Documents"), m_rdgrpTraceSource);
  m_fromDocuments->setObjectName(QStringLiteral("rdFromOpenDocuments"));
  m_fromFiles = new QRadioButton(tr("From Disk Files"), m_rdgrpTraceSource);
  m_fromFiles->setObjectName(QStringLiteral("rdFromDiskFiles"));
  m_fromDocuments->setChecked(true);
  auto *sourceLayout = new QHBoxLayout(m_rdgrpTraceSource);
  sourceLayout->addWidget(m_fromDocuments);
  sourceLayout->addWidget(m_fromFiles);
  connect(m_fromDocuments, &QRadioButton::clicked, this, &TdlgDownload::ListCandidates);
  connect(m_fromFiles, &QRadioButton::clicked, this, &TdlgDownload::ListCandidates);

  m_prgrsDnLdDoc = new QProgressBar(this);
  m_prgrsDnLdDoc->setObjectName(QStringLiteral("prgrsDnLdDoc"));
  m_prgrsDnLdTrace = new QProgressBar(this);
  m_prgrsDnLdTrace->setObjectName(QStringLiteral("prgrsDnLdTrace"));
  for (QProgressBar *bar : {m_prgrsDnLdDoc, m_prgrsDnLdTrace})
    bar->setTextVisible(false);
  m_pnlStatus = new QLabel(QStringLiteral("  0 Traces Selected"), this);
  m_pnlStatus->setObjectName(QStringLiteral("pnlStatus"));
  m_pnlStatus->setFrameShape(QFrame::StyledPanel);
  m_btnOK = new QPushButton(tr("OK"), this);
  m_btnOK->setObjectName(QStringLiteral("btnOK"));
  m_btnCancel = new QPushButton(tr("Cancel"), this);
  m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
  m_btnOK->setAutoDefault(false);
  m_btnCancel->setAutoDefault(false);
  connect(m_btnOK, &QPushButton::clicked, this, &TdlgDownload::btnOKClick);
  connect(m_btnCancel, &QPushButton::clicked, this, &TdlgDownload::btnCancelClick);

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(m_pnlStatus, 1);
  buttons->addWidget(m_btnOK);
  buttons->addWidget(m_btnCancel);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_listBox1, 1);
  layout->addWidget(m_diredTraceDirectory);
  layout->addWidget(m_rdgrpTraceSource);
  layout->addWidget(m_prgrsDnLdDoc);
  layout->addWidget(m_prgrsDnLdTrace);
  layout->addLayout(buttons);

  const QScreen *screen = QApplication::primaryScreen();
  const int sw = screen != nullptr ? screen->availableGeometry().width() : 1024;
  resize(sw <= 500 ? sw * 4 / 5 : 500, 440);
  if (screen != nullptr) move(screen->availableGeometry().center() - rect().center());
}

TdlgDownload::~TdlgDownload() = default;

bool TdlgDownload::FromDisk() const { return m_fromFiles->isChecked(); }

void TdlgDownload::FormActivate() {
  if (!Busy()) ListCandidates();
}

void TdlgDownload::ResetProgress() {
  m_prgrsDnLdDoc->reset();
  m_prgrsDnLdTrace->reset();
}

void TdlgDownload::ListCandidates() {
  if (Busy()) return;
  ResetProgress();
  m_btnOK->setEnabled(false);
  m_listBox1->clear();
  m_rows.clear();
  if (FromDisk()) {
    const TBusyCursor busy;
    m_rows = CandidatesFromFolder(m_diredTraceDirectory->text().toStdString());
  } else {
    std::vector<const TmoxDocument *> docs;
    if (m_host.Documents)
      for (TfrmDoc *d : m_host.Documents())
        docs.push_back(&d->Document());
    m_rows = CandidatesFromDocuments(docs);
  }
  for (std::size_t i = 0; i < m_rows.size(); ++i)
    m_listBox1->addItem(QString());
  m_pnlStatus->setText(QStringLiteral("  0 Traces Selected"));
}

void TdlgDownload::ListBox1Click() {
  const int n = static_cast<int>(m_listBox1->selectedItems().size());
  m_pnlStatus->setText(QStringLiteral("  %1 Traces Selected").arg(n));
  m_btnOK->setEnabled(!Busy());
}

void TdlgDownload::SetControls(bool enabled) {
  m_btnOK->setEnabled(enabled);
  m_listBox1->setEnabled(enabled);
  m_rdgrpTraceSource->setEnabled(enabled);
  m_diredTraceDirectory->setEnabled(enabled);
  m_btnCancel->setEnabled(true);
}

void TdlgDownload::btnOKClick() {
  if (Busy()) return;
  std::vector<std::size_t> chosen;
  for (int i = 0; i < m_listBox1->count(); ++i)
    if (m_listBox1->item(i)->isSelected()) chosen.push_back(static_cast<std::size_t>(i));
  if (chosen.empty()) {
    AskWithHelp(this, QMessageBox::Information, windowTitle(), QString::fromUtf8(kMsgNoTraceSelected),
                QMessageBox::Ok | QMessageBox::Help, kHelpContext);
    return;
  }
  std::string port;
  try {
    port = m_host.PortName ? m_host.PortName() : std::string();
  } catch (const Exception &e) {
    ShowDocMessage(this, TMsgKind::Error, Q(e.Message()));
    return;
  }
  // The worker gets copies: the windows may change while it runs.
  struct TJob {
    std::map<int, TmoxDocument> Open; // by window index
    std::vector<TSendCandidate> Rows;
  };
  auto job = std::make_shared<TJob>();
  const QList<TfrmDoc *> windows = m_host.Documents ? m_host.Documents() : QList<TfrmDoc *>();
  for (std::size_t i : chosen) {
    const TSendCandidate &c = m_rows[i];
    job->Rows.push_back(c);
    if (c.File.empty() && c.Document < windows.size() && job->Open.count(c.Document) == 0)
      job->Open.emplace(c.Document, windows[c.Document]->Document());
  }
  const int dielectricFormat =
      m_host.Settings != nullptr ? (m_host.Settings->Options.DielectricFormat != 0 ? 1 : 0) : 1;

  SetControls(false);
  // Restored when the end is delivered or dropped, whatever the path.
  auto busy = std::make_shared<TBusyCursor>();
  m_prgrsDnLdDoc->setRange(0, static_cast<int>(chosen.size()));
  m_prgrsDnLdDoc->setValue(0);
  m_prgrsDnLdTrace->reset();
  TWorkerRunner::TJob run;
  run.Link = LinkToPort(port);
  run.Work = [job, dielectricFormat, this](const TJobContext &ctx) {
    // Files are read once each, before the analyzer is asked anything.
    std::map<std::string, std::unique_ptr<TmoxDocument>> files;
    std::vector<TSendTrace> selection;
    for (const TSendCandidate &c : job->Rows) {
      const TmoxDocument *doc = nullptr;
      if (!c.File.empty()) {
        auto &slot = files[c.File];
        if (!slot) slot = OpenDocument(c.File).Document;
        doc = slot.get();
      } else if (auto it = job->Open.find(c.Document); it != job->Open.end()) {
        doc = &it->second;
      }
      selection.push_back({doc, c.Trace});
    }
    TSAComm &comm = ctx.Comm();
    // Identification may stop anywhere; a trace, once begun, is sent whole.
    comm.SetReadCancel(&ctx.CancelFlag());
    const TAnalyzerTarget target = IdentifyAnalyzer(comm);
    comm.SetReadCancel(nullptr);
    const auto encoded = EncodeSelection(target, selection, dielectricFormat);
    TSendProgress p;
    p.Cancel = &ctx.CancelFlag();
    p.Trace = [&ctx, this](int pos, int max) {
      ctx.Post([this, pos, max] {
        m_prgrsDnLdDoc->setMaximum(max);
        m_prgrsDnLdDoc->setValue(pos);
      });
    };
    p.Line = [&ctx, this](int pos, int max) {
      ctx.Post([this, pos, max] {
        m_prgrsDnLdTrace->setMaximum(std::max(max, 1));
        m_prgrsDnLdTrace->setValue(pos);
      });
    };
    SendEncodedTraces(comm, encoded, p);
  };
  run.Done = [this, busy](const std::exception_ptr &error) mutable {
    SetControls(true);
    busy.reset();
    if (CloseIfAsked()) return;
    try {
      if (error) std::rethrow_exception(error);
    } catch (const EmoxIOCancelled &) {
      ResetProgress(); // stopped before anything was sent
      return;
    } catch (const std::exception &e) {
      ResetProgress();
      ShowDocMessage(this, TMsgKind::Error, Q(e.what()));
      return;
    } catch (...) {
      ResetProgress();
      ShowDocMessage(this, TMsgKind::Error, tr("The traces could not be sent."));
      return;
    }
    accept();
  };
  Runner().Start(std::move(run));
}

void TdlgDownload::btnCancelClick() {
  if (Busy()) {
    Runner().Cancel();
    m_btnCancel->setEnabled(false);
    return;
  }
  TTransferDialog::reject();
}

} // namespace korv
