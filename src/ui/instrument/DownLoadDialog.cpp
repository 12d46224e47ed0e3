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
#include <numeric>

#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "formats/DocumentIO.h"
#include "instrument/UpLoad.h"
#include "ui/common/BusyCursor.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"
#include "ui/instrument/InstrumentStatus.h"
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

  m_lblInstrument = new TInstrumentStatus(this);

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
  layout->addWidget(m_lblInstrument);
  layout->addLayout(buttons);

  const QScreen *screen = QApplication::primaryScreen();
  const int sw = screen != nullptr ? screen->availableGeometry().width() : 1024;
  resize(sw <= 500 ? sw * 4 / 5 : 500, 440);
  if (screen != nullptr) move(screen->availableGeometry().center() - rect().center());
}

TdlgDownload::~TdlgDownload() = default;

bool TdlgDownload::FromDisk() const { return m_fromFiles->isChecked(); }

void TdlgDownload::FormActivate() {
  // The port is said before anything is asked of it; no usable port is
  // said here, not when OK is pressed.
  try {
    m_lblInstrument->SetPort(m_host.PortName ? Q(m_host.PortName()) : QString());
  } catch (const Exception &e) {
    m_lblInstrument->NoDevice(Q(e.Message()));
  }
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
    ListFolder(m_diredTraceDirectory->text().toStdString());
    return;
  }
  std::vector<const TmoxDocument *> docs;
  if (m_host.Documents)
    for (TfrmDoc *d : m_host.Documents())
      docs.push_back(&d->Document());
  m_rows = CandidatesFromDocuments(docs);
  ShowRows();
}

void TdlgDownload::ShowRows() {
  m_listBox1->clear();
  for (std::size_t i = 0; i < m_rows.size(); ++i)
    m_listBox1->addItem(QString());
  m_pnlStatus->setText(QStringLiteral("  0 Traces Selected"));
}

void TdlgDownload::ListFolder(const std::string &folder) {
  // Reading every file of a large folder takes a while: the window keeps
  // painting and Cancel stops the listing.
  struct TListing {
    std::vector<TSendCandidate> Rows;
    std::vector<std::string> Skipped; // the open failure, naming the file
  };
  auto listing = std::make_shared<TListing>();
  SetControls(false);
  m_pnlStatus->setText(tr("  Listing the folder\u2026"));
  auto busy = std::make_shared<TBusyCursor>();
  TWorkerRunner::TJob run;
  run.Work = [folder, listing](const TJobContext &ctx) {
    listing->Rows = CandidatesFromFolder(
        folder, [&](const std::string &, const std::string &why) { listing->Skipped.push_back(why); },
        &ctx.CancelFlag());
  };
  run.Done = [this, listing, busy](const std::exception_ptr &error) mutable {
    busy.reset();
    SetControls(true);
    m_btnOK->setEnabled(false);
    if (CloseIfAsked()) return;
    if (error) {
      m_pnlStatus->setText(QStringLiteral("  0 Traces Selected"));
      ShowDocMessage(this, TMsgKind::Error, TWorkerRunner::ErrorText(error));
      return;
    }
    m_rows = std::move(listing->Rows);
    ShowRows();
    if (listing->Skipped.empty()) return;
    // Files that do not open are said by name, never dropped unseen.
    QString text = tr("%n file(s) of the folder are not listed:", nullptr, static_cast<int>(listing->Skipped.size()));
    for (const std::string &why : listing->Skipped)
      text += QStringLiteral("\n\n") + Q(why);
    ShowDocMessage(this, TMsgKind::Warning, text);
  };
  Runner().Start(std::move(run));
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
  // The worker gets copies: the windows may change while it runs.
  auto job = std::make_shared<TSendJob>();
  const QList<TfrmDoc *> windows = m_host.Documents ? m_host.Documents() : QList<TfrmDoc *>();
  for (std::size_t i : chosen) {
    const TSendCandidate &c = m_rows[i];
    job->Rows.push_back(c);
    if (c.File.empty() && c.Document < windows.size() && job->Open.count(c.Document) == 0)
      job->Open.emplace(c.Document, windows[c.Document]->Document());
  }
  StartSend(job);
}

namespace {

std::string OneLine(std::string text) {
  for (char &c : text)
    if (c == '\r' || c == '\n') c = ' ';
  std::string out;
  for (char c : text)
    if (c != ' ' || (!out.empty() && out.back() != ' ')) out += c;
  return out;
}

} // namespace

void TdlgDownload::StartSend(const std::shared_ptr<TSendJob> &job) {
  std::string port;
  try {
    port = m_host.PortName ? m_host.PortName() : std::string();
  } catch (const Exception &e) {
    m_lblInstrument->NoDevice(Q(e.Message()));
    ShowDocMessage(this, TMsgKind::Error, Q(e.Message()));
    return;
  }
  m_lblInstrument->SetPort(Q(port));
  m_lblInstrument->Waiting();
  const int dielectricFormat =
      m_host.Settings != nullptr ? (m_host.Settings->Options.DielectricFormat != 0 ? 1 : 0) : 1;
  auto summary = std::make_shared<TSendSummary>();
  for (const TSendCandidate &c : job->Rows)
    summary->Items.push_back({c.Description, TSendSummary::TState::Waiting, {}});
  struct TState {
    bool Identified = false;
    bool Declined = false; // the question about traces already held was cancelled
  };
  auto state = std::make_shared<TState>();

  SetControls(false);
  // Restored when the end is delivered or dropped, whatever the path.
  auto busy = std::make_shared<TBusyCursor>();
  m_prgrsDnLdDoc->setRange(0, static_cast<int>(job->Rows.size()));
  m_prgrsDnLdDoc->setValue(0);
  m_prgrsDnLdTrace->reset();
  TWorkerRunner::TJob run;
  run.Link = LinkToPort(port);
  run.Work = [job, dielectricFormat, summary, state, this](const TJobContext &ctx) {
    using TSt = TSendSummary::TState;
    // Files are read once each, before the analyzer is asked anything; one
    // that no longer opens is not sent, and said so by name.
    std::map<std::string, std::unique_ptr<TmoxDocument>> files;
    std::map<std::string, std::string> unreadable;
    std::vector<TSendTrace> selection(job->Rows.size());
    for (std::size_t i = 0; i < job->Rows.size(); ++i) {
      const TSendCandidate &c = job->Rows[i];
      const TmoxDocument *doc = nullptr;
      if (!c.File.empty()) {
        if (!files.count(c.File) && !unreadable.count(c.File)) {
          try {
            files[c.File] = OpenDocument(c.File).Document;
          } catch (...) {
            unreadable[c.File] = OneLine(DescribeOpenFailure(std::current_exception(), c.File).Message);
          }
        }
        if (auto bad = unreadable.find(c.File); bad != unreadable.end()) {
          summary->Items[i].State = TSt::Failed;
          summary->Items[i].Why = bad->second;
          continue;
        }
        doc = files[c.File].get();
      } else if (auto it = job->Open.find(c.Document); it != job->Open.end()) {
        doc = &it->second;
      }
      selection[i] = {doc, c.Trace};
    }
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < selection.size(); ++i)
      if (summary->Items[i].State == TSt::Waiting) order.push_back(i);
    if (order.empty()) return;
    auto pick = [&] {
      std::vector<TSendTrace> out;
      out.reserve(order.size());
      for (std::size_t i : order)
        out.push_back(selection[i]);
      return out;
    };

    TSAComm &comm = ctx.Comm();
    // Identification may stop anywhere; a trace, once begun, is sent whole.
    comm.SetReadCancel(&ctx.CancelFlag());
    const TAnalyzerTarget target = IdentifyAnalyzer(comm);
    comm.SetReadCancel(nullptr);
    state->Identified = true;
    const QString instrument = DescribeAnalyzer(target);
    ctx.Post([this, instrument] { m_lblInstrument->Identified(instrument); });

    // Refusals come first: a question about a selection that cannot go is
    // no use. Room may be made by leaving out what the analyzer holds.
    std::vector<TAlreadyStored> held = FindAlreadyStored(target, pick());
    try {
      EncodeSelection(target, pick(), dielectricFormat);
    } catch (const EmoxTooManyTracesError &) {
      if (held.empty()) throw;
    }
    if (!held.empty()) {
      QMessageBox::StandardButton answer = QMessageBox::Cancel;
      const QString question =
          Q(AlreadyStoredText(held)).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) + tr("\nSend them again?");
      ctx.Call([&] {
        answer =
            AskWithHelp(this, QMessageBox::Question, windowTitle(), question,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Help, kHelpContext);
      });
      if (answer == QMessageBox::Cancel) {
        state->Declined = true;
        throw EmoxIOCancelled(kMsgCancelled);
      }
      if (answer == QMessageBox::No) {
        std::vector<std::size_t> rest;
        for (std::size_t k = 0, h = 0; k < order.size(); ++k) {
          if (h < held.size() && held[h].Index == k) {
            TSendSummary::TItem &item = summary->Items[order[k]];
            item.State = TSt::Skipped;
            item.Why = "already in the analyzer (location " + std::to_string(held[h].Location) + ")";
            ++h;
            continue;
          }
          rest.push_back(order[k]);
        }
        order = std::move(rest);
      }
    }
    if (order.empty()) return;
    const auto encoded = EncodeSelection(target, pick(), dielectricFormat);

    int stored = 0;
    TSendProgress p;
    p.Cancel = &ctx.CancelFlag();
    p.Stored = [&stored](int n) { stored = n; };
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
    try {
      SendEncodedTraces(comm, encoded, p);
    } catch (const std::exception &e) {
      // What the analyzer stored stays there: the summary says what did not.
      summary->Finish(order, stored, e.what(), false);
      return;
    }
    summary->Finish(order, stored, {}, ctx.CancelRequested());
  };
  run.Done = [this, busy, summary, state](const std::exception_ptr &error) mutable {
    SetControls(true);
    busy.reset();
    if (CloseIfAsked()) return;
    if (error) {
      try {
        std::rethrow_exception(error);
      } catch (const EmoxIOCancelled &) {
        ResetProgress();
        if (state->Declined) return; // back to the list, nothing sent
        std::vector<std::size_t> all(summary->Items.size());
        std::iota(all.begin(), all.end(), std::size_t{0});
        summary->Finish(all, 0, {}, true);
      } catch (...) {
        // Refused or no analyzer: nothing was sent.
        ResetProgress();
        if (!state->Identified) m_lblInstrument->NotResponding();
        ShowDocMessage(this, TMsgKind::Error, TWorkerRunner::ErrorText(error));
        return;
      }
    }
    m_summary = *summary;
    ShowSummary(m_summary);
    // A send that stopped on a failure keeps the dialog: OK again sends
    // the rest, and asks before storing anything twice.
    if (m_summary.Complete() || m_summary.Cancelled) {
      accept();
      return;
    }
    ResetProgress();
  };
  Runner().Start(std::move(run));
}

void TdlgDownload::ShowSummary(const TSendSummary &summary) {
  ShowDocMessage(this, summary.Complete() ? TMsgKind::Information : TMsgKind::Warning, Q(summary.Text()));
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
