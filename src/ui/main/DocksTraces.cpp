// The trace list dock (View > Trace List): the active window's traces with
// their colour, label, instrument, date and points. Selecting a row makes
// the trace active, the check box beside the colour shows or hides the
// trace, the label is renamed in place, Del deletes the trace (all three
// are undo steps), and a row dragged onto another window adds the trace
// there as the graph's own drag does.
#include <QDockWidget>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QPixmap>
#include <QTableWidget>

#include "core/DateTime.h"
#include "core/FileIO.h"
#include "core/TextUtil.h"
#include "ui/common/DocMessages.h"
#include "ui/common/Theme.h"
#include "ui/document/Child.h"
#include "ui/document/TraceColors.h"
#include "ui/main/Main.h"

namespace korv {

namespace {

constexpr int kShownColumn = 0;
constexpr int kLabelColumn = 1;

// A table whose rows drag as traces of the window they list.
class TTraceTable : public QTableWidget {
public:
  using QTableWidget::QTableWidget;
  std::function<TfrmDoc *()> Source;

protected:
  QMimeData *mimeData(const QList<QTableWidgetItem *> &items) const override {
    TfrmDoc *doc = Source ? Source() : nullptr;
    if (doc == nullptr || items.isEmpty()) return nullptr;
    return doc->TraceDragData(items.first()->row());
  }
  QStringList mimeTypes() const override { return {TfrmDoc::TraceMimeType()}; }
  Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }
};

// Items are reused: a rename arrives from inside an item's own change.
QTableWidgetItem *Cell(QTableWidget *table, int row, int column, const QString &text, bool editable = false) {
  QTableWidgetItem *item = table->item(row, column);
  if (item == nullptr) {
    item = new QTableWidgetItem(text);
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled;
    if (editable) flags |= Qt::ItemIsEditable;
    if (column == kShownColumn) flags |= Qt::ItemIsUserCheckable;
    item->setFlags(flags);
    table->setItem(row, column, item);
  } else if (item->text() != text) {
    item->setText(text);
  }
  return item;
}

} // namespace

// Called from CreateDocks: the table is made here so its drag class stays
// in this file.
void TfrmMain::SetUpTraceTable() {
  auto *table = new TTraceTable(m_traceDock);
  table->Source = [this] { return ActiveDocument(); };
  m_traceTable = table;
  table->setObjectName(QStringLiteral("tblTraces"));
  table->setColumnCount(5);
  table->setHorizontalHeaderLabels({QString(), tr("Label"), tr("Instrument"), tr("Date"), tr("Points")});
  table->verticalHeader()->hide();
  table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table->horizontalHeader()->setStretchLastSection(true);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  table->setDragEnabled(true);
  table->setDragDropMode(QAbstractItemView::DragOnly);
  m_traceDock->setWidget(table);
  connect(table, &QTableWidget::currentCellChanged, this, [this](int row) {
    if (m_fillingTraces) return;
    TfrmDoc *doc = ActiveDocument();
    // A hidden trace cannot be the active one: it is not drawn.
    if (doc != nullptr && row >= 0 && row != doc->ActiveTrace() && row < doc->Document().Doc.TraceCount() &&
        !doc->TraceHidden(row))
      doc->SetActiveTrace(row);
  });
  connect(table, &QTableWidget::cellChanged, this, &TfrmMain::TraceListEdited);
  // Del reaches TraceListKey through the application-wide event filter.
}

void TfrmMain::UpdateTraceDock() {
  if (m_traceDock == nullptr || m_traceDock->isHidden() || m_closing) return;
  const TfrmDoc *doc = ActiveDocument();
  m_fillingTraces = true;
  if (doc == nullptr) {
    m_traceTable->setRowCount(0);
    m_fillingTraces = false;
    return;
  }
  const TTraceDoc &d = doc->Document().Doc;
  m_traceTable->setRowCount(d.TraceCount());
  for (int i = 0; i < d.TraceCount(); ++i) {
    const TTraceData &t = d.Traces[i];
    QPixmap swatch(14, 14);
    swatch.fill(TraceColorShown(i, IsDarkPalette(m_traceTable->palette())));
    QTableWidgetItem *shown = Cell(m_traceTable, i, kShownColumn, QString());
    shown->setIcon(QIcon(swatch));
    shown->setCheckState(doc->TraceHidden(i) ? Qt::Unchecked : Qt::Checked);
    shown->setToolTip(doc->TraceHidden(i) ? tr("Hidden: not drawn, exported as an image or printed. Check to show.")
                                          : tr("Shown. Uncheck to hide the trace without deleting it."));
    Cell(m_traceTable, i, kLabelColumn, QString::fromStdString(DisplayText(t.Label.str())), true);
    const std::string instrument = DisplayText(t.Model.str()) + (t.SN.empty() ? "" : " " + DisplayText(t.SN.str()));
    Cell(m_traceTable, i, 2, QString::fromStdString(instrument));
    Cell(m_traceTable, i, 3, QString::fromStdString(DateTimeToText(t.DateTime)));
    Cell(m_traceTable, i, 4, QString::number(t.NumPoints))->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (doc->ActiveTrace() >= 0) m_traceTable->setCurrentCell(doc->ActiveTrace(), kLabelColumn);
  m_fillingTraces = false;
}

void TfrmMain::TraceListEdited(int row, int column) {
  if (m_fillingTraces || (column != kLabelColumn && column != kShownColumn)) return;
  TfrmDoc *doc = ActiveDocument();
  QTableWidgetItem *item = m_traceTable->item(row, column);
  if (doc == nullptr || item == nullptr) return;
  if (column == kShownColumn) {
    doc->SetTraceHidden(row, item->checkState() != Qt::Checked);
    UpdateTraceDock();
    UpdateMenuItems(false);
    return;
  }
  const QString text = item->text();
  if (!doc->RenameTrace(row, text)) {
    ShowError(tr("A trace label holds at most %1 bytes; \"%2\" is longer. The label was not changed.")
                  .arg(static_cast<int>(decltype(TTraceData::Label)::Capacity))
                  .arg(text));
  }
  UpdateTraceDock();
  UpdateMenuItems(false);
}

bool TfrmMain::TraceListKey(QKeyEvent *key) {
  // While a label is edited the keys go to the editor, not the table.
  if (key->key() != Qt::Key_Delete) return false;
  TfrmDoc *doc = ActiveDocument();
  const int row = m_traceTable->currentRow();
  if (doc == nullptr || row < 0) return false;
  doc->SetActiveTrace(row);
  doc->DeleteActiveTrace();
  UpdateMenuItems(false);
  return true;
}

} // namespace korv
