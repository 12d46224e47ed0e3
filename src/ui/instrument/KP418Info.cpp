#include "ui/instrument/KP418Info.h"

#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/common/DocMessages.h"
#include "ui/instrument/TransferKP418Files.h"

namespace korv {

namespace {

constexpr int kValueRole = Qt::UserRole + 1;
// Where the columns start, as parts of the list's and the group's width.
constexpr double kValueColumn = 0.30;
constexpr double kParameterLabel = 0.027;
constexpr double kValueLabel = 0.32;

// A row: the name at the left edge, the value at 30 % of the width.
class TSetupRowDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    QStyleOptionViewItem o = option;
    initStyleOption(&o, index);
    const QString name = o.text;
    o.text.clear();
    QStyle *style = o.widget != nullptr ? o.widget->style() : nullptr;
    if (style != nullptr) style->drawControl(QStyle::CE_ItemViewItem, &o, painter, o.widget);
    painter->save();
    painter->setPen(o.palette.color(o.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect r = o.rect.adjusted(2, 0, -2, 0);
    const int valueX = r.left() + static_cast<int>(kValueColumn * o.rect.width());
    painter->drawText(QRect(r.left(), r.top(), valueX - r.left() - 4, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                      name);
    painter->drawText(QRect(valueX, r.top(), r.right() - valueX, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                      index.data(kValueRole).toString());
    painter->restore();
  }
};

} // namespace

TdlgKP418Info::TdlgKP418Info(QWidget *parent) : QDialog(parent), m_rows(EmptyKP418InfoRows()) {
  setObjectName(QStringLiteral("dlgKP418Info"));
  setWindowTitle(tr("KP418 Settings"));
  m_grpbxSetupList = new QGroupBox(this);
  m_grpbxSetupList->setObjectName(QStringLiteral("grpbxSetupList"));
  // The labels sit above the list at fixed parts of the group's width.
  m_header = new QWidget(m_grpbxSetupList);
  m_lblParameter = new QLabel(tr("Paramter"), m_header);
  m_lblParameter->setObjectName(QStringLiteral("lblParameter"));
  m_lblValue = new QLabel(tr("Value"), m_header);
  m_lblValue->setObjectName(QStringLiteral("lblValue"));
  m_lstbxSetupList = new QListWidget(m_grpbxSetupList);
  m_lstbxSetupList->setObjectName(QStringLiteral("lstbxSetupList"));
  m_lstbxSetupList->setItemDelegate(new TSetupRowDelegate(m_lstbxSetupList));
  m_btnClose = new QPushButton(tr("Close"), this);
  m_btnClose->setObjectName(QStringLiteral("btnClose"));

  m_header->setFixedHeight(m_lblParameter->sizeHint().height() + 2);
  m_header->installEventFilter(this);
  auto *group = new QVBoxLayout(m_grpbxSetupList);
  group->addWidget(m_header);
  group->addWidget(m_lstbxSetupList);
  auto *bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(m_btnClose);
  auto *main = new QVBoxLayout(this);
  main->addWidget(m_grpbxSetupList, 1);
  main->addLayout(bottom);
  resize(360, 420);
  connect(m_btnClose, &QPushButton::clicked, this, &QDialog::reject);
  AddHelpKey(this, TdlgTransferKP418Files::kHelpContext);
  ShowRows();
}

void TdlgKP418Info::Fill(const TVantorSettings &settings) {
  m_rows = KP418InfoRows(settings);
  ShowRows();
}

void TdlgKP418Info::ShowRows() {
  m_lstbxSetupList->clear();
  for (const TKP418InfoRow &row : m_rows) {
    auto *item = new QListWidgetItem(QString::fromStdString(row.Parameter), m_lstbxSetupList);
    item->setData(kValueRole, QString::fromStdString(row.Value));
    // The row shows ten characters; the whole value is a hover away.
    if (row.FullValue != row.Value) item->setToolTip(QString::fromStdString(row.FullValue));
  }
}

void TdlgKP418Info::PlaceLabels() {
  const int w = m_grpbxSetupList->width();
  m_lblParameter->move(std::max(0, static_cast<int>(kParameterLabel * w) - m_header->x()), 0);
  m_lblValue->move(static_cast<int>(kValueLabel * w) - m_header->x(), 0);
  m_lblParameter->adjustSize();
  m_lblValue->adjustSize();
}

bool TdlgKP418Info::eventFilter(QObject *watched, QEvent *event) {
  if (watched == m_header && (event->type() == QEvent::Resize || event->type() == QEvent::Move)) PlaceLabels();
  return QDialog::eventFilter(watched, event);
}

} // namespace korv
