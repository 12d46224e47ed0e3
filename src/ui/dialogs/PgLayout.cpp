#include "ui/dialogs/PgLayout.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "ui/chart/Graph.h"
#include "ui/chart/GraphPages.h"
#include "ui/common/BusyCursor.h"
#include "ui/common/DocMessages.h"

namespace korv {

namespace {
template <typename W> W *Named(W *w, const char *name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
constexpr int kPreviewSize = 260;
constexpr int kPdfResolution = 600;
} // namespace

TdlgPageLayout::TdlgPageLayout(QWidget *parent)
    : QDialog(parent), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
  setObjectName(QStringLiteral("dlgPageLayout"));
  setWindowTitle(tr("Print Graphs"));
  // Two rows of one column: a portrait page holds two wide graphs.
  m_printer->setPageOrientation(QPageLayout::Portrait);
  m_havePrinters = !QPrinterInfo::availablePrinterNames().isEmpty();

  m_lstOpen = Named(new QListWidget(this), "lstbxOpenGraphs");
  m_lstToPrint = Named(new QListWidget(this), "lstbxGraphsToPrint");
  for (QListWidget *l : {m_lstOpen, m_lstToPrint}) {
    l->setSelectionMode(QAbstractItemView::ExtendedSelection);
    l->setMinimumWidth(180);
  }
  m_btnAdd = Named(new QPushButton(tr("Add"), this), "btnAdd");
  m_btnAddAll = Named(new QPushButton(tr("Add All"), this), "btnAddAll");
  m_btnRemove = Named(new QPushButton(tr("Remove"), this), "btnRemove");
  m_btnRemoveAll = Named(new QPushButton(tr("Remove All"), this), "btnRemoveAll");
  m_btnSetupPrinter = Named(new QPushButton(tr("Setup Printer..."), this), "btnSetupPrinter");
  m_btnPrint = Named(new QPushButton(tr("Print"), this), "btnPrint");
  m_btnCancel = Named(new QPushButton(tr("Cancel"), this), "btnCancel");
  m_btnHelp = Named(new QPushButton(tr("&Help"), this), "btnHelp");
  for (QPushButton *b : {m_btnAdd, m_btnAddAll, m_btnRemove, m_btnRemoveAll, m_btnSetupPrinter, m_btnCancel, m_btnHelp})
    b->setAutoDefault(false);
  m_btnPrint->setDefault(true);

  m_spinRows = Named(new QSpinBox(this), "cardedRows");
  m_spinColumns = Named(new QSpinBox(this), "cardedColumns");
  for (QSpinBox *s : {m_spinRows, m_spinColumns})
    s->setRange(TPageGrid::kMinCells, TPageGrid::kMaxCells);
  m_spinRows->setValue(m_grid.Rows());
  m_spinColumns->setValue(m_grid.Columns());

  m_lblPrinter = Named(new QLabel(this), "lblPrinter");
  m_lblPages = Named(new QLabel(this), "lblPages");
  m_imgPreview = Named(new QLabel(this), "imgPreview");
  m_imgPreview->setFixedSize(kPreviewSize, kPreviewSize);
  m_imgPreview->setAlignment(Qt::AlignCenter);

  // Lists with the move buttons between them.
  auto *lists = new QGridLayout;
  lists->addWidget(new QLabel(tr("Open Documents"), this), 0, 0);
  lists->addWidget(new QLabel(tr("Documents to Print"), this), 0, 2);
  lists->addWidget(m_lstOpen, 1, 0);
  auto *moves = new QVBoxLayout;
  moves->addStretch();
  for (QPushButton *b : {m_btnAdd, m_btnAddAll, m_btnRemove, m_btnRemoveAll})
    moves->addWidget(b);
  moves->addStretch();
  lists->addLayout(moves, 1, 1);
  lists->addWidget(m_lstToPrint, 1, 2);

  auto *grid = new QGridLayout;
  grid->addWidget(new QLabel(tr("Number of Rows"), this), 0, 0);
  grid->addWidget(m_spinRows, 0, 1);
  grid->addWidget(new QLabel(tr("Number of Columns"), this), 1, 0);
  grid->addWidget(m_spinColumns, 1, 1);
  grid->addWidget(m_lblPages, 2, 0, 1, 2);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(3, 1);
  auto *printerRow = new QHBoxLayout;
  printerRow->addWidget(new QLabel(tr("Printer:"), this));
  printerRow->addWidget(m_lblPrinter, 1);
  printerRow->addWidget(m_btnSetupPrinter);
  grid->addLayout(printerRow, 4, 0, 1, 3);

  auto *lower = new QHBoxLayout;
  lower->addLayout(grid, 1);
  lower->addWidget(m_imgPreview);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  for (QPushButton *b : {m_btnPrint, m_btnCancel, m_btnHelp})
    buttons->addWidget(b);

  auto *all = new QVBoxLayout(this);
  all->addLayout(lists, 1);
  all->addLayout(lower);
  all->addLayout(buttons);

  connect(m_btnAdd, &QPushButton::clicked, this, &TdlgPageLayout::btnAddClick);
  connect(m_btnAddAll, &QPushButton::clicked, this, &TdlgPageLayout::btnAddAllClick);
  connect(m_btnRemove, &QPushButton::clicked, this, &TdlgPageLayout::btnRemoveClick);
  connect(m_btnRemoveAll, &QPushButton::clicked, this, &TdlgPageLayout::btnRemoveAllClick);
  connect(m_lstOpen, &QListWidget::itemDoubleClicked, this, &TdlgPageLayout::btnAddClick);
  connect(m_lstToPrint, &QListWidget::itemDoubleClicked, this, &TdlgPageLayout::btnRemoveClick);
  connect(m_btnSetupPrinter, &QPushButton::clicked, this, &TdlgPageLayout::btnSetupPrinterClick);
  connect(m_btnPrint, &QPushButton::clicked, this, &TdlgPageLayout::btnPrintClick);
  connect(m_btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_btnHelp, &QPushButton::clicked, this, [] { RequestHelp(kHelpContext); });
  connect(m_spinRows, &QSpinBox::valueChanged, this, [this](int rows) {
    if (!TPageGrid::InRange(rows)) return;
    m_grid.SetRows(rows);
    RefreshPreview();
  });
  connect(m_spinColumns, &QSpinBox::valueChanged, this, [this](int columns) {
    if (!TPageGrid::InRange(columns)) return;
    m_grid.SetColumns(columns);
    RefreshPreview();
  });
  FillLists();
  UpdatePrinterLabel();
}

TdlgPageLayout::~TdlgPageLayout() = default;

void TdlgPageLayout::ClearGraphs() {
  m_lists.ClearGraphs();
  m_graphs.clear();
  FillLists();
}

void TdlgPageLayout::AddGraph(const QString &name, TGraph *graph) {
  m_lists.AddGraph(name.toStdString(), static_cast<int>(m_graphs.size()));
  m_graphs.emplace_back(graph);
  FillLists();
}

TGraph *TdlgPageLayout::GraphAt(int index) const {
  const int key = m_lists.GraphAt(index);
  return m_graphs[static_cast<std::size_t>(key)].data();
}

std::vector<TGraph *> TdlgPageLayout::GraphsToPrint() const {
  std::vector<TGraph *> graphs;
  graphs.reserve(static_cast<std::size_t>(GraphCount()));
  for (int i = 0; i < GraphCount(); ++i)
    graphs.push_back(GraphAt(i));
  return graphs;
}

void TdlgPageLayout::SetPrintToPdf(bool on) {
  m_forcePdf = on;
  UpdatePrinterLabel();
}

bool TdlgPageLayout::PrintsToPdf() const {
  return m_forcePdf || !m_havePrinters || m_printer->outputFormat() == QPrinter::PdfFormat;
}

QString TdlgPageLayout::PrinterText() const { return m_lblPrinter->text(); }

QPageLayout TdlgPageLayout::PdfPageLayout() const {
  const QPageLayout layout = m_printer->pageLayout();
  return {layout.pageSize(), layout.orientation(), QMarginsF(0, 0, 0, 0)};
}

QSize TdlgPageLayout::PageSize() const {
  if (PrintsToPdf()) return PdfPageLayout().fullRectPixels(kPdfResolution).size();
  return {m_printer->width(), m_printer->height()};
}

std::vector<int> TdlgPageLayout::SelectedRows(const QListWidget *list) {
  std::vector<int> rows;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) rows.push_back(i);
  return rows;
}

void TdlgPageLayout::FillLists() {
  const auto fill = [](QListWidget *list, const std::vector<TPrintItem> &items) {
    list->clear();
    for (const TPrintItem &item : items)
      list->addItem(QString::fromStdString(item.Name));
  };
  fill(m_lstOpen, m_lists.OpenGraphs());
  fill(m_lstToPrint, m_lists.GraphsToPrint());
  m_btnAdd->setEnabled(m_lists.CanAdd());
  m_btnAddAll->setEnabled(m_lists.CanAdd());
  m_btnRemove->setEnabled(m_lists.CanRemove());
  m_btnRemoveAll->setEnabled(m_lists.CanRemove());
  m_btnPrint->setEnabled(m_lists.CanPrint());
  if (isVisible()) RefreshPreview();
}

void TdlgPageLayout::btnAddClick() {
  m_lists.Add(SelectedRows(m_lstOpen));
  FillLists();
}

void TdlgPageLayout::btnAddAllClick() {
  m_lists.AddAll();
  FillLists();
}

void TdlgPageLayout::btnRemoveClick() {
  m_lists.Remove(SelectedRows(m_lstToPrint));
  FillLists();
}

void TdlgPageLayout::btnRemoveAllClick() {
  m_lists.RemoveAll();
  FillLists();
}

void TdlgPageLayout::UpdatePrinterLabel() {
  QString text;
  if (PrintsToPdf()) {
    text = m_havePrinters ? tr("PDF file") : tr("PDF file (no printer installed)");
  } else {
    text = QString::fromStdString(PrinterLabel(m_printer->printerName().toStdString()));
  }
  m_lblPrinter->setText(text);
  m_lblPrinter->setToolTip(PrintsToPdf() ? tr("Print asks for the name of a PDF file.") : m_printer->printerName());
}

void TdlgPageLayout::btnSetupPrinterClick() {
  QPrintDialog dialog(m_printer.get(), this);
  dialog.setWindowTitle(tr("Setup Printer"));
  if (dialog.exec() != QDialog::Accepted) return;
  if (m_printer->outputFormat() == QPrinter::PdfFormat && !m_printer->outputFileName().isEmpty())
    m_pdfProposal = m_printer->outputFileName();
  UpdatePrinterLabel();
  RefreshPreview();
}

void TdlgPageLayout::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  // Printers may have come or gone since the last time.
  m_havePrinters = !QPrinterInfo::availablePrinterNames().isEmpty();
  UpdatePrinterLabel();
  RefreshPreview();
}

void TdlgPageLayout::RefreshPreview() {
  const QSize client = m_imgPreview->contentsRect().size();
  QImage image(client, QImage::Format_ARGB32_Premultiplied);
  image.fill(palette().color(QPalette::Button));
  const QSize page = PageSize();
  const TPreviewPage preview = TPageGrid::PreviewPage(page.width(), page.height(), client.width(), client.height());
  if (preview.Width > 0 && preview.Height > 0) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QPoint origin((client.width() - preview.Width) / 2, (client.height() - preview.Height) / 2);
    p.fillRect(QRect(origin, QSize(preview.Width, preview.Height)), Qt::white);
    // The first page as it prints, scaled down, with the grid outlined.
    p.translate(origin);
    p.scale(1.0 / preview.Scale, 1.0 / preview.Scale);
    PaintGraphPage(p, page, GraphsToPrint(), m_grid, 0, TPageLook{true, true});
  }
  m_imgPreview->setPixmap(QPixmap::fromImage(image));
  const int pages = m_grid.PageCount(GraphCount());
  m_lblPages->setText(pages == 1 ? tr("1 page") : tr("%1 pages").arg(pages));
}

bool TdlgPageLayout::PrintToPdfFile() {
  QString proposal = m_pdfProposal;
  if (proposal.isEmpty()) {
    const QString folder = m_pdfFolder.isEmpty() || !QFileInfo(m_pdfFolder).isDir()
                               ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                               : m_pdfFolder;
    proposal = folder + QStringLiteral("/Trace Graphs.pdf");
  }
  QFileDialog dialog(this, tr("Print to PDF File"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(tr("PDF Files (*.pdf)"));
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  dialog.setDirectory(QFileInfo(proposal).absolutePath());
  dialog.selectFile(QFileInfo(proposal).fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  const QString name = dialog.selectedFiles().first();
  QString error;
  bool written = false;
  {
    const TBusyCursor busy;
    written = WriteGraphPagesPdf(name, GraphsToPrint(), m_grid, PdfPageLayout(), &error);
  }
  if (!written) {
    ShowDocMessage(this, TMsgKind::Error, error);
    return false;
  }
  m_pdfProposal = name;
  m_lastPdf = name;
  return true;
}

void TdlgPageLayout::btnPrintClick() {
  if (!m_lists.CanPrint()) return;
  m_lastPdf.clear();
  if (PrintsToPdf()) {
    if (PrintToPdfFile()) accept();
    return;
  }
  bool printed = false;
  {
    const TBusyCursor busy;
    printed = PaintGraphPages(*m_printer, GraphsToPrint(), m_grid);
  }
  if (!printed) {
    ShowDocMessage(this, TMsgKind::Error, tr("Unable to print on %1.").arg(m_lblPrinter->text()));
    return;
  }
  accept();
}

} // namespace korv
