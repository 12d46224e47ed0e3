#pragma once
// Draws the rows of the instrument lists in fixed columns (pixels from the
// left), from texts the dialog gives for each row.
#include <QStyledItemDelegate>
#include <functional>
#include <utility>
#include <vector>

namespace korv {

class TRowDelegate : public QStyledItemDelegate {
public:
  using TColumns = std::function<std::vector<std::pair<int, QString>>(int row)>;
  TRowDelegate(TColumns columns, QObject *parent) : QStyledItemDelegate(parent), m_columns(std::move(columns)) {}
  void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
  TColumns m_columns;
};

// "dd-mmm-yyyy hh:nn"
QString ShortDateText(double when);

} // namespace korv
