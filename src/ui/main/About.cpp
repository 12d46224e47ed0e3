#include "ui/main/About.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Version.h"
#include "ui/main/Cursors.h"

namespace korv {

TfrmAbout::TfrmAbout(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(tr("About KorvMOX"));
  auto *icon = new QLabel(this);
  icon->setPixmap(AppPicture(64));
  icon->setAlignment(Qt::AlignTop);
  auto *text = new QLabel(this);
  text->setObjectName(QStringLiteral("lblAbout"));
  text->setTextFormat(Qt::RichText);
  text->setText(tr("<h3>KorvMOX %1</h3>"
                   "<p>Korv Site Analyzer Software Tool: documents of antenna and cable sweeps, "
                   "fault location and Smith charts for field engineers.</p>"
                   "<p>Built with Qt %2 and QCustomPlot.</p>")
                    .arg(QString::fromLatin1(kVersion), QString::fromLatin1(qVersion())));
  text->setWordWrap(true);
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto *row = new QHBoxLayout;
  row->addWidget(icon);
  row->addWidget(text, 1);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(buttons);
  setMinimumWidth(380);
}

} // namespace korv
