#include "ui/instrument/UpLoadDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
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
#include <set>

#include "core/DateTime.h"
#include "core/Excption.h"
#include "core/FileIO.h"
#include "core/TextUtil.h"
#include "instrument/QtSerialLink.h"
#include "ui/common/BusyCursor.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"
#include "ui/instrument/InstrumentStatus.h"
#include "ui/instrument/RowDelegate.h"

namespace korv {

namespace {

QString Q(const std::string &s) { return QString::fromStdString(DisplayText(s)); }

std::string WithSlash(std::string s) {
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

} // namespace

TdlgUpload::TdlgUpload(TInstrumentHost host, QWidget *parent)
    : TTransferDialog(kHelpContext, parent), m_host(std::move(host)) {
  setObjectName(QStringLiteral("dlgUpload"));
  setWindowTitle(tr("Receive Traces from Korv Site Analyzer"));
  setModal(true);

  m_lstbxTraces = new QListWidget(this);
  m_lstbxTraces->setObjectName(QStringLiteral("lstbxTraces"));
  m_lstbxTraces->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_lstbxTraces->setItemDelegate(new TRowDelegate(
      [this](int row) -> std::vector<std::pair<int, QString>> {
        if (row < 0 || row >= m_list.Count()) return {};
        if (m_id.Kind != ikAnalyzer) return {{2, Q(m_list.Text(row))}};
        return {{2, QString::number(m_list.Number(row))},
                {28, ShortDateText(m_list.Time(row))},
                {142, Q(m_list.Text(row))}};
      },
      m_lstbxTraces));
  connect(m_lstbxTraces, &QListWidget::itemSelectionChanged, this, &TdlgUpload::lstbxTracesClick);
  connect(m_lstbxTraces, &QListWidget::itemDoubleClicked, this, [this] { btnOKClick(); });

  m_grpDestination = new QGroupBox(tr("Destination"), this);
  m_grpDestination->setObjectName(QStringLiteral("grpDestination"));
  m_chkboxCurrentDoc = new QCheckBox(tr("Upload to active document window"), m_grpDestination);
  m_chkboxCurrentDoc->setObjectName(QStringLiteral("chkboxCurrentDoc"));
  m_chkboxMultipleDoc = new QCheckBox(tr("Upload to separate new documents"), m_grpDestination);
  m_chkboxMultipleDoc->setObjectName(QStringLiteral("chkboxMultipleDoc"));
  m_chkbxLoadToFile = new QCheckBox(tr("Upload to files on disk"), m_grpDestination);
  m_chkbxLoadToFile->setObjectName(QStringLiteral("chkbxLoadToFile"));
  m_lblRootFolder = new QLabel(tr("Root Folder"), m_grpDestination);
  m_lblRootFolder->setObjectName(QStringLiteral("lblRootFolder"));
  m_diredUploadPath = new QLineEdit(m_grpDestination);
  m_diredUploadPath->setObjectName(QStringLiteral("diredUploadPath"));
  m_btnBrowse = new QPushButton(tr("..."), m_grpDestination);
  m_btnBrowse->setObjectName(QStringLiteral("btnBrowseUploadPath"));
  m_rdgrpDirStyle = new QGroupBox(tr("Directory Style"), m_grpDestination);
  m_rdgrpDirStyle->setObjectName(QStringLiteral("rdgrpDirStyle"));
  auto *styleLayout = new QVBoxLayout(m_rdgrpDirStyle);
  const QStringList styles{tr("None"), tr("Sub folders by date"), tr("Sub folders by SN"),
                           tr("Sub folders by SN then date")};
  for (int i = 0; i < styles.size(); ++i) {
    auto *r = new QRadioButton(styles[i], m_rdgrpDirStyle);
    r->setObjectName(QStringLiteral("rdDirStyle%1").arg(i));
    styleLayout->addWidget(r);
    m_styles << r;
    connect(r, &QRadioButton::clicked, this, [this, i] { rdgrpDirStyleClick(i); });
  }
  auto *destLayout = new QVBoxLayout(m_grpDestination);
  destLayout->addWidget(m_chkboxCurrentDoc);
  destLayout->addWidget(m_chkboxMultipleDoc);
  destLayout->addWidget(m_chkbxLoadToFile);
  auto *folderRow = new QHBoxLayout;
  folderRow->addWidget(m_lblRootFolder);
  folderRow->addWidget(m_diredUploadPath, 1);
  folderRow->addWidget(m_btnBrowse);
  destLayout->addLayout(folderRow);
  destLayout->addWidget(m_rdgrpDirStyle);
  connect(m_chkboxCurrentDoc, &QCheckBox::clicked, this, &TdlgUpload::chkboxCurrentDocClick);
  connect(m_chkboxMultipleDoc, &QCheckBox::clicked, this, &TdlgUpload::chkboxMultipleDocClick);
  connect(m_chkbxLoadToFile, &QCheckBox::clicked, this, &TdlgUpload::chkbxLoadToFileClick);
  connect(m_diredUploadPath, &QLineEdit::editingFinished, this, &TdlgUpload::diredUploadPathChange);
  connect(m_btnBrowse, &QPushButton::clicked, this, &TdlgUpload::diredUploadPathAfterDialog);

  m_progUploadProgress = new QProgressBar(this);
  m_progUploadProgress->setObjectName(QStringLiteral("progUploadProgress"));
  m_progUploadProgress->setTextVisible(false);
  m_btnOK = new QPushButton(tr("OK"), this);
  m_btnOK->setObjectName(QStringLiteral("btnOK"));
  m_btnCancel = new QPushButton(tr("Cancel"), this);
  m_btnCancel->setObjectName(QStringLiteral("btnCancel"));
  m_btnDelete = new QPushButton(tr("Delete Traces"), this);
  m_btnDelete->setObjectName(QStringLiteral("btnDelete"));
  m_pnlStatus = new QLabel(QStringLiteral("  0 Traces Selected"), this);
  m_pnlStatus->setObjectName(QStringLiteral("pnlStatus"));
  m_pnlStatus->setFrameShape(QFrame::StyledPanel);
  m_btnOK->setAutoDefault(false);
  m_btnCancel->setAutoDefault(false);
  m_btnDelete->setAutoDefault(false);
  // Enter anywhere in the dialog (the list, the folder box) presses OK.
  m_btnOK->setDefault(true);
  connect(m_btnOK, &QPushButton::clicked, this, &TdlgUpload::btnOKClick);
  connect(m_btnCancel, &QPushButton::clicked, this, &TdlgUpload::btnCancelClick);
  connect(m_btnDelete, &QPushButton::clicked, this, &TdlgUpload::btnDeleteTraceClick);
  m_tmrClose = new QTimer(this);
  m_tmrClose->setObjectName(QStringLiteral("tmrClose"));
  m_tmrClose->setSingleShot(true);
  connect(m_tmrClose, &QTimer::timeout, this, [this] { TTransferDialog::reject(); });

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(m_pnlStatus, 1);
  buttons->addWidget(m_btnDelete);
  buttons->addWidget(m_btnOK);
  buttons->addWidget(m_btnCancel);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_lstbxTraces, 1);
  layout->addWidget(m_grpDestination);
  layout->addWidget(m_progUploadProgress);
  m_lblInstrument = new TInstrumentStatus(this);
  layout->addWidget(m_lblInstrument);
  layout->addLayout(buttons);

  // Width 500, or four fifths of a screen that is no wider; centred.
  const QScreen *screen = QApplication::primaryScreen();
  const int sw = screen != nullptr ? screen->availableGeometry().width() : 1024;
  resize(sw <= 500 ? sw * 4 / 5 : 500, 520);
  if (screen != nullptr) move(screen->availableGeometry().center() - rect().center());

  const TOptions defaults = m_host.Settings != nullptr ? m_host.Settings->Options : TOptions{};
  std::string root = defaults.UploadRoot;
  if (root.empty() && m_host.Settings != nullptr) root = m_host.Settings->Context().UploadDir;
  m_diredUploadPath->setText(QString::fromStdString(WithSlash(root.empty() ? std::string(".") : root)));
  const int style = defaults.UploadStyle >= 0 && defaults.UploadStyle < 4 ? defaults.UploadStyle : 0;
  m_styles[style]->setChecked(true);
}

TdlgUpload::~TdlgUpload() = default;

void TdlgUpload::ShowError(const QString &text) { ShowDocMessage(this, TMsgKind::Error, text); }

void TdlgUpload::Warn(const QString &text, int helpContext) {
  AskWithHelp(this, QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok | QMessageBox::Help, helpContext);
}

void TdlgUpload::FormActivate() {
  if (Busy()) return;
  m_tmrClose->stop();
  m_progUploadProgress->reset();
  m_btnOK->setEnabled(false);
  // Cancel stays usable while the instrument is asked: it ends the wait.
  m_btnCancel->setEnabled(true);
  m_btnDelete->setEnabled(false);
  m_lstbxTraces->clear();
  m_list.Clear();
  m_pnlStatus->setText(QStringLiteral("  0 Traces Selected"));
  m_chkboxMultipleDoc->setChecked(true);
  m_chkboxCurrentDoc->setChecked(false);
  m_chkbxLoadToFile->setChecked(false);
  UpdateDestinationControls();
  std::string port;
  try {
    port = m_host.PortName ? m_host.PortName() : std::string();
  } catch (const Exception &e) {
    m_lblInstrument->NoDevice(Q(e.Message()));
    ShowError(Q(e.Message()));
    m_tmrClose->start(0);
    return;
  }
  m_lblInstrument->SetPort(Q(port));
  m_lblInstrument->Waiting();
  auto busy = std::make_shared<TBusyCursor>();
  auto result = std::make_shared<std::pair<TInstrumentIdentity, TmoxDirList>>();
  const double now = NowDayCount();
  TWorkerRunner::TJob run;
  run.Link = LinkToPort(port);
  run.Work = [result, now](const TJobContext &ctx) {
    TSAComm &comm = ctx.Comm();
    comm.SetReadCancel(&ctx.CancelFlag());
    result->first = IdentifyInstrument(comm);
    result->second = ReadDirectory(comm, result->first, now);
  };
  run.Done = [this, result, busy](const std::exception_ptr &error) mutable {
    busy.reset();
    if (CloseIfAsked()) return;
    try {
      if (error) std::rethrow_exception(error);
      m_id = result->first;
      m_list = result->second;
      m_lblInstrument->Identified(DescribeInstrument(m_id));
      switch (m_id.Kind) {
      case ikSiteMaster: setWindowTitle(tr("Receive Site Master Traces")); break;
      case ikRtTester: setWindowTitle(tr("Receive RT-x00 Traces")); break;
      default: setWindowTitle(tr("Receive Korv Site Analyzer Traces")); break;
      }
      for (int i = 0; i < m_list.Count(); ++i)
        m_lstbxTraces->addItem(QString());
    } catch (const EmoxIODeviceErr &e) {
      m_lblInstrument->NotResponding();
      ShowError(Q(e.Message()));
      m_tmrClose->start(0);
    } catch (const EmoxIOCancelled &) {
      m_tmrClose->start(0);
    } catch (const std::exception &e) {
      // Nothing listed; said, and the dialog stays for another try.
      ShowError(Q(e.what()));
    }
    m_btnOK->setEnabled(true);
    m_btnCancel->setEnabled(true);
    m_btnDelete->setEnabled(m_lstbxTraces->count() > 1);
  };
  Runner().Start(std::move(run));
}

std::vector<TSelectedTrace> TdlgUpload::SelectedRows() const {
  std::vector<TSelectedTrace> out;
  for (int i = 0; i < m_lstbxTraces->count() && i < m_list.Count(); ++i)
    if (m_lstbxTraces->item(i)->isSelected() && out.size() < static_cast<std::size_t>(kMaxSelection))
      out.push_back({m_list.Number(i), m_list.Text(i)});
  return out;
}

void TdlgUpload::lstbxTracesClick() {
  const int n = static_cast<int>(m_lstbxTraces->selectedItems().size());
  m_pnlStatus->setText(QStringLiteral("  %1 Traces Selected").arg(n));
}

TReceiveDestination TdlgUpload::Destination() const {
  if (m_chkbxLoadToFile->isChecked()) return TReceiveDestination::Files;
  if (m_chkboxCurrentDoc->isChecked()) return TReceiveDestination::ActiveDocument;
  if (m_chkboxMultipleDoc->isChecked()) return TReceiveDestination::SeparateDocuments;
  return TReceiveDestination::OneNewDocument;
}

std::string TdlgUpload::RootFolder() const { return WithSlash(m_diredUploadPath->text().toStdString()); }

int TdlgUpload::DirStyle() const {
  for (int i = 0; i < m_styles.size(); ++i)
    if (m_styles[i]->isChecked()) return i;
  return 0;
}

void TdlgUpload::UpdateDestinationControls() {
  const bool files = m_chkbxLoadToFile->isChecked();
  const bool haveDoc = m_host.Active && m_host.Active() != nullptr;
  if (files) {
    m_chkboxCurrentDoc->setEnabled(false);
    m_chkboxMultipleDoc->setEnabled(false);
  } else {
    m_chkboxMultipleDoc->setEnabled(true);
    m_chkboxCurrentDoc->setEnabled(haveDoc);
    if (!haveDoc) m_chkboxCurrentDoc->setChecked(false);
  }
  m_lblRootFolder->setEnabled(files);
  m_diredUploadPath->setEnabled(files);
  m_btnBrowse->setEnabled(files);
  m_rdgrpDirStyle->setEnabled(files);
}

void TdlgUpload::chkboxCurrentDocClick(bool checked) {
  if (checked) {
    m_chkboxMultipleDoc->setChecked(false);
    m_chkbxLoadToFile->setChecked(false);
  }
  UpdateDestinationControls();
}

void TdlgUpload::chkboxMultipleDocClick(bool checked) {
  if (checked) {
    m_chkboxCurrentDoc->setChecked(false);
    m_chkbxLoadToFile->setChecked(false);
  }
  UpdateDestinationControls();
}

void TdlgUpload::chkbxLoadToFileClick(bool checked) {
  if (checked) {
    m_chkboxCurrentDoc->setChecked(false);
    m_chkboxMultipleDoc->setChecked(false);
  }
  UpdateDestinationControls();
}

void TdlgUpload::diredUploadPathChange() {
  const std::string root = RootFolder();
  m_diredUploadPath->setText(QString::fromStdString(root));
  if (m_host.Settings != nullptr) m_host.Settings->Options.UploadRoot = root;
}

void TdlgUpload::diredUploadPathAfterDialog() {
  const QString dir = QFileDialog::getExistingDirectory(this, tr("Root Folder"), m_diredUploadPath->text());
  if (dir.isEmpty()) return;
  m_diredUploadPath->setText(dir);
  diredUploadPathChange();
}

void TdlgUpload::rdgrpDirStyleClick(int index) {
  if (m_host.Settings != nullptr) m_host.Settings->Options.UploadStyle = index;
}

void TdlgUpload::SetTransferControls(bool enabled) {
  m_btnOK->setEnabled(enabled);
  m_btnDelete->setEnabled(enabled && m_lstbxTraces->count() > 1);
  m_grpDestination->setEnabled(enabled);
  m_lstbxTraces->setEnabled(enabled);
  m_btnCancel->setEnabled(true);
}

void TdlgUpload::btnOKClick() {
  if (Busy() || !m_btnOK->isEnabled()) return;
  const TReceiveDestination dest = Destination();
  const int selectedCount = static_cast<int>(m_lstbxTraces->selectedItems().size());
  if (dest != TReceiveDestination::Files && selectedCount > kMaxSelectedForDocuments) {
    ShowError(QString::fromStdString(Format(kMsgTooManySelected, kMaxSelectedForDocuments)));
    return;
  }
  const std::vector<TSelectedTrace> selection = SelectedRows();
  TfrmDoc *active = m_host.Active ? m_host.Active() : nullptr;
  const int activeTraces =
      dest == TReceiveDestination::ActiveDocument && active != nullptr ? active->Document().Doc.TraceCount() : 0;
  if (selection.empty()) {
    AskWithHelp(this, QMessageBox::Information, windowTitle(), QString::fromUtf8(kMsgNoTraceSelected),
                QMessageBox::Ok | QMessageBox::Help, kHelpContext);
    return;
  }
  if (const std::string m = CheckReceiveSelection(static_cast<int>(selection.size()), dest, activeTraces); !m.empty()) {
    Warn(Q(m), kMessageHelpContext);
    return;
  }
  if (dest == TReceiveDestination::ActiveDocument && active == nullptr) return;
  std::string port;
  try {
    port = m_host.PortName ? m_host.PortName() : std::string();
  } catch (const Exception &e) {
    ShowError(Q(e.Message()));
    return;
  }
  SetTransferControls(false);
  auto busy = std::make_shared<TBusyCursor>();
  m_progUploadProgress->setRange(0, 2 * static_cast<int>(selection.size()));
  m_progUploadProgress->setValue(0);
  m_oneWindow = nullptr;

  // Names already used by open windows, for unique file names on disk.
  auto openNames = std::make_shared<std::set<std::string>>();
  if (m_host.Documents)
    for (TfrmDoc *d : m_host.Documents())
      openNames->insert(d->FileName().toStdString());
  const std::string root = RootFolder();
  const int style = DirStyle();
  const TInstrumentIdentity id = m_id;
  TFetchOptions fo;
  fo.Destination = dest;
  if (m_host.Settings != nullptr) {
    fo.CurrentScaleUnit = static_cast<std::uint8_t>(std::clamp(m_host.Settings->Options.DefaultLossUnit, 0, 4));
    fo.CurrentDistUnit = static_cast<std::uint8_t>(std::clamp(m_host.Settings->Options.DefaultDistanceUnit, 0, 1));
  }
  auto windowError = std::make_shared<std::string>();
  TWorkerRunner::TJob run;
  run.Link = LinkToPort(port);
  run.Work = [this, id, selection, fo, dest, root, style, openNames, windowError](const TJobContext &ctx) {
    TFetchOptions o = fo;
    o.Progress = [&ctx, this](int pos, int max) {
      ctx.Post([this, pos, max] {
        m_progUploadProgress->setMaximum(max);
        m_progUploadProgress->setValue(pos);
      });
    };
    o.Warning = [&ctx, this](const std::string &m) { ctx.Post([this, m] { Warn(Q(m), kHelpContext); }); };
    o.TraceFailed = [&ctx, this](const TSelectedTrace &sel, const std::string &m) {
      ctx.Post([this, sel, m] { Warn(Q(sel.Name.empty() ? m : sel.Name + ": " + m), kHelpContext); });
    };
    // Documents go into windows on the window's thread; files are written here.
    auto sink = [&](const TSelectedTrace &sel, std::unique_ptr<TmoxDocument> doc) {
      if (dest == TReceiveDestination::Files) {
        SaveReceivedTrace(*doc, root, style, sel.Location,
                          [&](const std::string &path) { return openNames->count(path) != 0; });
        return;
      }
      std::shared_ptr<TmoxDocument> shared(std::move(doc));
      ctx.Post([this, shared, dest, windowError] { PlaceReceived(*shared, dest, *windowError); });
    };
    TSAComm &comm = ctx.Comm();
    comm.SetCancelFlag(&ctx.CancelFlag());
    // A long trace is given up between its lines.
    comm.SetReadCancel(&ctx.CancelFlag());
    FetchTraces(comm, id, selection, o, sink);
  };
  // Documents still queued for windows went in before this runs.
  run.Done = [this, windowError, busy](const std::exception_ptr &error) mutable {
    SetTransferControls(true);
    busy.reset();
    if (CloseIfAsked()) return;
    try {
      if (error) std::rethrow_exception(error);
    } catch (const EmoxIOCancelled &) {
      // Asked for: what arrived before stays where it went.
    } catch (const std::exception &e) {
      ShowError(QString::fromUtf8(kMsgChildDocError) + Q(e.what()));
      return;
    }
    if (!windowError->empty()) {
      ShowError(Q(*windowError));
      return;
    }
    accept();
  };
  Runner().Start(std::move(run));
}

void TdlgUpload::PlaceReceived(const TmoxDocument &doc, TReceiveDestination dest, std::string &windowError) {
  if (!windowError.empty()) return;
  auto taken = [this](const std::string &name) {
    if (m_host.NameTaken) return m_host.NameTaken(name);
    if (!m_host.Documents) return false;
    for (TfrmDoc *d : m_host.Documents())
      if (d->windowTitle().toStdString() == name || d->FileName().toStdString() == name) return true;
    return false;
  };
  try {
    TfrmDoc *target = nullptr;
    if (dest == TReceiveDestination::ActiveDocument) {
      target = m_host.Active ? m_host.Active() : nullptr;
    } else if (dest == TReceiveDestination::OneNewDocument && m_oneWindow != nullptr) {
      target = m_oneWindow;
    } else {
      const int open = m_host.Documents ? static_cast<int>(m_host.Documents().size()) : 0;
      target = open < kMaxDocumentWindows && m_host.NewWindow ? m_host.NewWindow() : nullptr;
      if (target == nullptr) {
        windowError =
            Format("Too many child windows open! Limit the number of open documents to %d.", kMaxDocumentWindows);
        Runner().Cancel();
        return;
      }
      if (dest == TReceiveDestination::OneNewDocument) m_oneWindow = target;
    }
    if (target != nullptr) target->AddDocument(doc, taken);
  } catch (const std::exception &e) {
    windowError = std::string(kMsgChildDocError) + e.what();
    Runner().Cancel();
  }
}

void TdlgUpload::btnDeleteTraceClick() {
  if (Busy()) return;
  if (m_lstbxTraces->count() < 2) {
    AskWithHelp(this, QMessageBox::Information, windowTitle(), QString::fromUtf8(kMsgNoTracesToDelete),
                QMessageBox::Ok | QMessageBox::Help, kHelpContext);
    return;
  }
  if (AskWithHelp(this, QMessageBox::Question, windowTitle(), QString::fromUtf8(kMsgConfirmDelete),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Help, kHelpContext) != QMessageBox::Yes)
    return;
  const std::vector<TSelectedTrace> selection = SelectedRows();
  if (selection.empty()) {
    AskWithHelp(this, QMessageBox::Information, windowTitle(), QString::fromUtf8(kMsgNoTraceSelected),
                QMessageBox::Ok | QMessageBox::Help, kHelpContext);
    return;
  }
  std::string port;
  try {
    port = m_host.PortName ? m_host.PortName() : std::string();
  } catch (const Exception &e) {
    ShowError(Q(e.Message()));
    return;
  }
  SetTransferControls(false);
  auto busy = std::make_shared<TBusyCursor>();
  m_progUploadProgress->setRange(0, 2 * static_cast<int>(selection.size()));
  m_progUploadProgress->setValue(0);
  const TInstrumentIdentity id = m_id;
  TWorkerRunner::TJob run;
  run.Link = LinkToPort(port);
  run.Work = [id, selection, this](const TJobContext &ctx) {
    TSAComm &comm = ctx.Comm();
    comm.SetCancelFlag(&ctx.CancelFlag());
    comm.SetReadCancel(&ctx.CancelFlag());
    DeleteTraces(
        comm, id, selection,
        [&ctx, this](int pos, int max) {
          ctx.Post([this, pos, max] {
            m_progUploadProgress->setMaximum(max);
            m_progUploadProgress->setValue(pos);
          });
        },
        [&ctx, this](const std::string &m) { ctx.Post([this, m] { Warn(Q(m), kHelpContext); }); });
  };
  run.Done = [this, busy](const std::exception_ptr &error) mutable {
    SetTransferControls(true);
    busy.reset();
    if (CloseIfAsked()) return;
    try {
      if (error) std::rethrow_exception(error);
    } catch (const EmoxIODeviceErr &e) {
      Warn(Q(e.Message()), kHelpContext);
    } catch (const EmoxIOTimeOutErr &e) {
      Warn(Q(e.Message()), kHelpContext);
    } catch (const EmoxIOTraceCRCErr &e) {
      Warn(Q(e.Message()), kHelpContext);
    } catch (const EmoxIOCancelled &) { // NOLINT(bugprone-empty-catch): asked for; nothing to say
    } catch (const std::exception &e) {
      ShowError(QString::fromUtf8(kMsgDeleteFailed) + Q(e.what()));
    }
    accept();
  };
  Runner().Start(std::move(run));
}

void TdlgUpload::btnCancelClick() {
  if (Busy()) {
    Runner().Cancel();
    m_btnCancel->setEnabled(false);
    return;
  }
  if (m_id.Kind == ikSiteMaster && m_host.PortName) {
    // The Site Master waits for its release byte before it takes keys again.
    try {
      QtSerialLink link(m_host.PortName());
      TSAComm comm(link);
      comm.Open();
      comm.SiteMasterRelease();
      comm.Close();
    } catch (const Exception &) { // NOLINT(bugprone-empty-catch): a tester gone quiet is no reason to stay open
    }
  }
  TTransferDialog::reject();
}

} // namespace korv
