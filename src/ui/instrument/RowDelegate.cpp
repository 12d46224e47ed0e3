#include "ui/instrument/RowDelegate.h"

#include <QApplication>
#include <QPainter>
#include <algorithm>

#include "core/DateTime.h"
#include "core/TextUtil.h"

namespace korv {

void TRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  opt.text.clear();
  const QWidget *w = option.widget;
  QStyle *style = w != nullptr ? w->style() : QApplication::style();
  style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
  painter->save();
  const bool selected = (option.state & QStyle::State_Selected) != 0;
  painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
  // The columns stand at their places unless the text before them is wider
  // in this font: then they move right instead of overlapping it.
  const QFontMetrics metrics(option.font);
  int free = 0;
  for (const auto &[x, text] : m_columns(index.row())) {
    const int left = std::max(x, free);
    painter->drawText(option.rect.adjusted(left, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    free = left + metrics.horizontalAdvance(text) + metrics.averageCharWidth();
  }
  painter->restore();
}

QString ShortDateText(double when) {
  try {
    const TCivilTime c = DecodeDateTime(when);
    return QString::fromStdString(
        Format("%.2d-%s-%.4d %.2d:%.2d", c.Day, MonthNumberToName(c.Month).c_str(), c.Year, c.Hour, c.Minute));
  } catch (const std::exception &) {
    return {};
  }
}

} // namespace korv
