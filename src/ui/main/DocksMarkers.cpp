// The marker table dock (View > Markers): the shown markers of the active
// window, as measure/MarkerTable lays them out, refreshed at every marker
// step; Copy puts the table on the clipboard as text.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDockWidget>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "measure/MarkerTable.h"
#include "ui/document/Child.h"
#include "ui/main/Main.h"

namespace korv {

namespace {

// The view whose markers the table lists: the Smith chart shows those of
// the frequency view.
int TableView(const TfrmDoc &doc) { return doc.PlotMode() == pmDistance ? pmDistance : pmFrequency; }
TMarkSource TableSource(const TfrmDoc &doc) {
  return doc.PlotMode() == pmSmith ? TMarkSource::Stored : TMarkSource::Active;
}

// The markers of hidden traces are not shown, so they have no row.
std::vector<TMarkerRow> ShownRows(const TfrmDoc &doc, int view) {
  std::vector<TMarkerRow> rows = MarkerTableRows(doc.Document().Doc, view, TableSource(doc));
  std::erase_if(rows, [&](const TMarkerRow &r) { return doc.TraceHidden(r.Trace); });
  return rows;
}

void SetCell(QTableWidget *table, int row, int column, const QString &text) {
  QTableWidgetItem *item = table->item(row, column);
  if (item == nullptr) {
    item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (column >= 2) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    table->setItem(row, column, item);
  } else if (item->text() != text) {
    item->setText(text);
  }
}

} // namespace

// The menu commands exist from the start; the docks and their tables are
// made when one is first asked for, since most starts never show them.
void TfrmMain::CreateDockActions() {
  m_actMarkerDock = new QAction(tr("&Markers"), this);
  m_actMarkerDock->setObjectName(QStringLiteral("mnuViewMarkers"));
  m_actMarkerDock->setStatusTip(tr("Show or hide the table of the active window's markers."));
  m_actMarkerDock->setCheckable(true);
  connect(m_actMarkerDock, &QAction::toggled, this, [this](bool on) {
    if (!on && m_markerDock == nullptr) return;
    CreateDocks();
    m_markerDock->setVisible(on);
  });
  m_actTraceDock = new QAction(tr("T&race List"), this);
  m_actTraceDock->setObjectName(QStringLiteral("mnuViewTraceList"));
  m_actTraceDock->setStatusTip(tr("Show or hide the list of the active window's traces."));
  m_actTraceDock->setCheckable(true);
  connect(m_actTraceDock, &QAction::toggled, this, [this](bool on) {
    if (!on && m_traceDock == nullptr) return;
    CreateDocks();
    m_traceDock->setVisible(on);
  });
}

void TfrmMain::CreateDocks() {
  if (m_markerDock != nullptr) return;
  m_markerDock = new QDockWidget(tr("Markers"), this);
  m_markerDock->setObjectName(QStringLiteral("dockMarkers"));
  auto *body = new QWidget(m_markerDock);
  auto *layout = new QVBoxLayout(body);
  layout->setContentsMargins(2, 2, 2, 2);
  m_markerTable = new QTableWidget(body);
  m_markerTable->setObjectName(QStringLiteral("tblMarkers"));
  m_markerTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_markerTable->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_markerTable->verticalHeader()->hide();
  // Sized to the contents when rows or columns come and go, not at every
  // marker step: measuring every cell on each step would cost more than
  // the step itself.
  m_markerTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  auto *copy = new QPushButton(tr("&Copy as Text"), body);
  copy->setObjectName(QStringLiteral("btnCopyMarkers"));
  connect(copy, &QPushButton::clicked, this, &TfrmMain::CopyMarkerTable);
  layout->addWidget(m_markerTable);
  layout->addWidget(copy, 0, Qt::AlignRight);
  m_markerDock->setWidget(body);
  m_markerDock->hide();
  addDockWidget(Qt::BottomDockWidgetArea, m_markerDock);
  connect(m_markerDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) UpdateMarkerDock();
  });

  m_traceDock = new QDockWidget(tr("Trace List"), this);
  m_traceDock->setObjectName(QStringLiteral("dockTraces"));
  m_traceDock->hide();
  addDockWidget(Qt::RightDockWidgetArea, m_traceDock);
  connect(m_traceDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) UpdateTraceDock();
  });
  SetUpTraceTable();
  // A dock closed by its own button unchecks its menu command.
  connect(m_markerDock->toggleViewAction(), &QAction::toggled, m_actMarkerDock, &QAction::setChecked);
  connect(m_traceDock->toggleViewAction(), &QAction::toggled, m_actTraceDock, &QAction::setChecked);
}

void TfrmMain::UpdateMarkerDock() {
  if (m_markerDock == nullptr || m_markerDock->isHidden() || m_closing) return;
  const TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr) {
    m_markerTable->setRowCount(0);
    return;
  }
  const TTraceDoc &d = doc->Document().Doc;
  const int view = TableView(*doc);
  const std::vector<std::string> header = MarkerTableHeader(d, view);
  if (m_markerTable->columnCount() != static_cast<int>(header.size()) ||
      m_markerTable->property("view").toInt() != view || m_markerTable->property("unit").toInt() != d.ScaleUnit ||
      m_markerTable->property("distUnit").toInt() != d.DistUnit) {
    m_markerTable->setColumnCount(static_cast<int>(header.size()));
    m_markerTable->setProperty("sized", -1);
    QStringList captions;
    for (const std::string &h : header)
      captions << QString::fromStdString(h);
    m_markerTable->setHorizontalHeaderLabels(captions);
    m_markerTable->setProperty("view", view);
    m_markerTable->setProperty("unit", d.ScaleUnit);
    m_markerTable->setProperty("distUnit", d.DistUnit);
  }
  const std::vector<TMarkerRow> rows = ShownRows(*doc, view);
  bool resize = false;
  if (m_markerTable->rowCount() != static_cast<int>(rows.size())) {
    m_markerTable->setRowCount(static_cast<int>(rows.size()));
    resize = true;
  }
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const std::vector<std::string> cells = MarkerTableCells(rows[static_cast<std::size_t>(r)], view);
    for (int c = 0; c < static_cast<int>(cells.size()); ++c)
      SetCell(m_markerTable, r, c, QString::fromStdString(cells[static_cast<std::size_t>(c)]));
  }
  if (resize || m_markerTable->property("sized").toInt() != m_markerTable->columnCount()) {
    m_markerTable->resizeColumnsToContents();
    m_markerTable->setProperty("sized", m_markerTable->columnCount());
  }
}

void TfrmMain::CopyMarkerTable() {
  const TfrmDoc *doc = ActiveDocument();
  if (doc == nullptr) return;
  const TTraceDoc &d = doc->Document().Doc;
  const int view = TableView(*doc);
  const std::string text = MarkerTableText(d, view, ShownRows(*doc, view), '\t');
  QApplication::clipboard()->setText(QString::fromStdString(text));
}

} // namespace korv
