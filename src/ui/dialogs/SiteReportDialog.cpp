#include "ui/dialogs/SiteReportDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/common/DocMessages.h"

namespace korv {

namespace {
QString Q(const std::string &s) { return QString::fromStdString(s); }
} // namespace

TdlgSiteReport::TdlgSiteReport(QWidget *parent, const TReportRequest &initial,
                               std::function<QString(const QString &)> browse)
    : QDialog(parent), m_baseFolder(initial.BaseFolder), m_browse(std::move(browse)) {
  setObjectName(QStringLiteral("dlgSiteReport"));
  setWindowTitle(tr("Site Report"));
  auto *form = new QFormLayout;
  auto edit = [this](const char *name, const std::string &text) {
    auto *e = new QLineEdit(Q(text), this);
    e->setObjectName(QLatin1String(name));
    return e;
  };
  m_title = edit("edtReportTitle", initial.Title);
  m_limit = edit("edtReportLimit", initial.Limit);
  m_limit->setPlaceholderText(tr("the documents' limit lines only"));
  m_threshold = edit("edtReportThreshold", initial.Threshold);
  m_file = edit("edtReportFile", initial.OutputFile);
  m_file->setMinimumWidth(360);
  auto *browseButton = new QPushButton(tr("Browse..."), this);
  browseButton->setObjectName(QStringLiteral("btnReportBrowse"));
  connect(browseButton, &QPushButton::clicked, this, [this] {
    if (!m_browse) return;
    const QString chosen = m_browse(m_file->text());
    if (!chosen.isEmpty()) m_file->setText(chosen);
  });
  auto *fileRow = new QHBoxLayout;
  fileRow->addWidget(m_file, 1);
  fileRow->addWidget(browseButton);
  form->addRow(tr("&Title:"), m_title);
  form->addRow(tr("&Limit (return loss, dB):"), m_limit);
  form->addRow(tr("Event &threshold (return loss, dB):"), m_threshold);
  // A row holding a layout gets no buddy of its own: the label names the edit.
  auto *fileLabel = new QLabel(tr("&Output file:"), this);
  fileLabel->setBuddy(m_file);
  form->addRow(fileLabel, fileRow);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnReportOK"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnReportCancel"));
  connect(buttons, &QDialogButtonBox::accepted, this, &TdlgSiteReport::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TdlgSiteReport::reject);
  auto *top = new QVBoxLayout(this);
  top->addLayout(form);
  top->addWidget(buttons);
}

TReportRequest TdlgSiteReport::Request() const {
  TReportRequest r;
  r.Title = m_title->text().toStdString();
  r.Limit = m_limit->text().toStdString();
  r.Threshold = m_threshold->text().toStdString();
  r.OutputFile = m_file->text().toStdString();
  r.BaseFolder = m_baseFolder;
  return r;
}

void TdlgSiteReport::accept() {
  const TReportRequest::TCheck c = Request().Check();
  if (c.Field != TReportRequest::fNone) {
    ShowDocMessage(this, TMsgKind::Error, Q(c.Error));
    QLineEdit *wrong = c.Field == TReportRequest::fTitle       ? m_title
                       : c.Field == TReportRequest::fLimit     ? m_limit
                       : c.Field == TReportRequest::fThreshold ? m_threshold
                                                               : m_file;
    wrong->setFocus();
    wrong->selectAll();
    return;
  }
  m_checked = c;
  QDialog::accept();
}

} // namespace korv
