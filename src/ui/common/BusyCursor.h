#pragma once
// The wait cursor for the length of a scope. Restores on every path out,
// exceptions included, so a failed step never leaves the program showing
// the wait cursor.
#include <QApplication>
#include <QCursor>

namespace korv {

class TBusyCursor {
public:
  explicit TBusyCursor(Qt::CursorShape shape = Qt::WaitCursor) { QApplication::setOverrideCursor(QCursor(shape)); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
  TBusyCursor(const TBusyCursor &) = delete;
  TBusyCursor &operator=(const TBusyCursor &) = delete;
};

} // namespace korv
