#pragma once
// Driving the program the way a user does: menus opened from the menu bar
// with the mouse, items clicked, modal boxes and dialogs answered by
// clicking their buttons while their own event loop runs.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>

namespace korvtest {

// Answers modal windows as they come up: each one goes to the next handler
// in the queue; without one, a message box gets its default answer
// (Cancel, No or OK) and a dialog is rejected. Runs until destroyed.
class ModalAnswerer {
public:
  using Handler = std::function<void(QWidget *modal)>;
  ModalAnswerer() {
    m_timer.setInterval(20);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
    m_timer.start();
  }
  void Then(Handler h) { m_queue.push_back(std::move(h)); }
  int Answered() const { return m_answered; }
  QStringList Seen; // window titles, or the text of message boxes

  static void Click(QAbstractButton *button) {
    if (button != nullptr) QTest::mouseClick(button, Qt::LeftButton);
  }
  static void DefaultAnswer(QWidget *modal) {
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
      for (auto b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok, QMessageBox::Close}) {
        if (QAbstractButton *button = box->button(b)) {
          Click(button);
          return;
        }
      }
    }
    if (auto *dialog = qobject_cast<QDialog *>(modal)) dialog->reject();
  }

private:
  void Poll() {
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == m_last) return;
    m_last = modal;
    auto *box = qobject_cast<QMessageBox *>(modal);
    Seen << (box != nullptr ? box->text() : modal->windowTitle());
    ++m_answered;
    Handler h = m_queue.empty() ? Handler(DefaultAnswer) : std::move(m_queue.front());
    if (!m_queue.empty()) m_queue.pop_front();
    h(modal);
  }
  QTimer m_timer;
  QPointer<QWidget> m_last;
  std::deque<Handler> m_queue;
  int m_answered = 0;
};

// Opens a menu of the menu bar by clicking its title; null when absent.
inline QMenu *OpenMenu(QMainWindow &window, const QString &menuName) {
  QMenuBar *bar = window.menuBar();
  auto *menu = bar->findChild<QMenu *>(menuName);
  if (menu == nullptr) return nullptr;
  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
  QApplication::processEvents();
  return menu;
}

// Clicks an item of an open menu (the menu closes as it does for a user).
inline void ClickMenuItem(QMenu *menu, QAction *action) {
  QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
  QApplication::processEvents();
}

// Opens menuName and clicks the item with objectName itemName; false when
// the item is not there or not enabled.
inline bool UseMenu(QMainWindow &window, const QString &menuName, const QString &itemName) {
  QMenu *menu = OpenMenu(window, menuName);
  if (menu == nullptr) return false;
  for (QAction *a : menu->actions()) {
    if (a->objectName() == itemName && a->isEnabled() && a->isVisible()) {
      ClickMenuItem(menu, a);
      return true;
    }
  }
  QTest::keyClick(menu, Qt::Key_Escape);
  QApplication::processEvents();
  return false;
}

// A child widget of a dialog by its object name.
template <typename T> T *FindIn(QWidget *dialog, const char *name) {
  return dialog->findChild<T *>(QString::fromLatin1(name));
}

// A radio button or box takes clicks on its mark and caption only.
inline void Tick(QAbstractButton *b) {
  QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, QPoint(7, b->height() / 2));
}

inline void ClickOk(QWidget *dialog) { QTest::mouseClick(FindIn<QAbstractButton>(dialog, "btnOK"), Qt::LeftButton); }

// Replaces a field's text as a user does: click, select all, erase, type.
inline void TypeInto(QWidget *w, const QString &text) {
  QTest::mouseClick(w, Qt::LeftButton);
  QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(w, Qt::Key_Backspace);
  QTest::keyClicks(w, text);
}

// Delivers a drag's data to a window as the windowing system would.
inline bool DropOn(QWidget *target, QMimeData *mime) {
  const QPointF at(target->width() / 2.0, target->height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

} // namespace korvtest
