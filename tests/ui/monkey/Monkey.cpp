// korvmox_monkey: the desktop program under a stream of random user input.
// It builds the main window as the program does, opens the given files and
// then, from a seeded random generator, clicks menus and their items,
// toolbar buttons, graphs (also with drags and the right button), presses
// the program's keys, switches, minimises and restores windows, answers
// boxes and fills in dialogs. File dialogs are answered with names in the
// work folder, so nothing outside it is ever written.
//
//   korvmox_monkey --seconds N --seed S --work DIR FILE...
//
// Exit 0 after N seconds; a crash or sanitizer report ends the process; no
// event handled for 5 seconds is reported as a hang (exit 3). The seed is
// printed first so that a failure can be replayed.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>

#include "ui/chart/Graph.h"
#include "ui/common/DocMessages.h"
#include "ui/dialogs/SaveAsCsvOptions.h"
#include "ui/document/Child.h"
#include "ui/main/Main.h"
#include "ui/main/Startup.h"

using namespace korv;

namespace {

std::atomic<long long> g_heartbeat{0};

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

class Monkey : public QObject {
public:
  Monkey(TfrmMain &main, QStringList files, QString work, unsigned seed)
      : m_main(main), m_files(std::move(files)), m_work(std::move(work)), m_rng(seed) {
    // Any file dialog of the main window: a name in the work folder (open:
    // one of the given files, a file written earlier or a missing one).
    m_main.SetFileDialogHook([this](TFileDialogKind kind, const QString &) {
      if (Pick(8) == 0) return QStringList(); // cancelled
      if (kind == TFileDialogKind::Open) {
        QStringList all = m_files + QDir(m_work).entryList(QDir::Files);
        QStringList chosen;
        const int n = 1 + Pick(2);
        for (int i = 0; i < n && !all.isEmpty(); ++i) {
          const QString f = all.at(Pick(static_cast<int>(all.size())));
          chosen << (QFileInfo(f).isAbsolute() ? f : QDir(m_work).filePath(f));
        }
        if (Pick(10) == 0) chosen << QDir(m_work).filePath(QStringLiteral("missing.kdt"));
        return chosen;
      }
      static const char *const kSave[] = {"kdt", "csv", "vnf", "s1p"};
      static const char *const kExport[] = {"svg", "pdf", "png"};
      const QString ext =
          kind == TFileDialogKind::Export ? QString::fromLatin1(kExport[Pick(3)]) : QString::fromLatin1(kSave[Pick(4)]);
      return QStringList{QDir(m_work).filePath(QStringLiteral("out%1.%2").arg(Pick(4)).arg(ext))};
    });
    // Each action runs from a timer of its own: an action that opens a
    // modal loop (a box, a dialog, a menu) keeps this timer free, so the
    // next actions go into that loop as a user's would.
    connect(&m_timer, &QTimer::timeout, this, [this] {
      g_heartbeat = NowMs();
      QTimer::singleShot(0, this, [this] { Step(); });
    });
    m_timer.start(4);
  }
  long Actions() const { return m_actions; }
  // No more actions: the end answers what is left open.
  void Stop() { m_timer.stop(); }

private:
  int Pick(int n) { return n <= 1 ? 0 : std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
  template <typename T> T *PickOf(const QList<T *> &list) {
    return list.isEmpty() ? nullptr : list.at(Pick(static_cast<int>(list.size())));
  }

  void Step() {
    ++m_actions;
    if (QWidget *popup = QApplication::activePopupWidget()) return InMenu(popup);
    if (QWidget *modal = QApplication::activeModalWidget()) return InModal(modal);
    InMainWindow();
  }

  void InMenu(QWidget *popup) {
    auto *menu = qobject_cast<QMenu *>(popup);
    if (menu == nullptr || Pick(5) == 0) {
      QTest::keyClick(popup, Qt::Key_Escape);
      return;
    }
    QList<QAction *> items;
    for (QAction *a : menu->actions())
      if (a->isVisible() && a->isEnabled() && !a->isSeparator() && a->objectName() != QLatin1String("mnuFileExit"))
        items << a;
    if (QAction *a = PickOf(items))
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
    else
      QTest::keyClick(popup, Qt::Key_Escape);
  }

  void InModal(QWidget *modal) {
    // Dialogs that would leave the work folder or need a printer are closed.
    if (qobject_cast<QFileDialog *>(modal) != nullptr || modal->inherits("QPrintDialog") ||
        modal->inherits("QPageSetupDialog")) {
      qobject_cast<QDialog *>(modal)->reject();
      return;
    }
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
      if (QAbstractButton *b = PickOf(box->buttons())) QTest::mouseClick(b, Qt::LeftButton);
      return;
    }
    // Any other dialog: a few random edits and clicks, then a way out.
    if (modal != m_lastModal) {
      m_lastModal = modal;
      m_modalSteps = 0;
    }
    if (++m_modalSteps > 40) {
      if (auto *d = qobject_cast<QDialog *>(modal)) d->reject();
      return;
    }
    switch (Pick(5)) {
    case 0: {
      if (auto *edit = PickOf(modal->findChildren<QLineEdit *>())) {
        if (!edit->isEnabled()) break;
        edit->setFocus();
        edit->selectAll();
        static const char *const kTexts[] = {"0", "1.5", "-3", "999999", "abc", "", "0.66", "1e308", "12.5"};
        QTest::keyClicks(edit, QString::fromLatin1(kTexts[Pick(9)]));
        QTest::keyClick(edit, Qt::Key_Tab);
      }
      break;
    }
    case 1: {
      if (auto *combo = PickOf(modal->findChildren<QComboBox *>()); combo != nullptr && combo->count() > 0)
        combo->setCurrentIndex(Pick(combo->count()));
      break;
    }
    case 2: QTest::keyClick(modal, Pick(2) == 0 ? Qt::Key_Escape : Qt::Key_Return); break;
    default: {
      QList<QAbstractButton *> buttons;
      for (QAbstractButton *b : modal->findChildren<QAbstractButton *>())
        if (b->isVisible() && b->isEnabled()) buttons << b;
      if (QAbstractButton *b = PickOf(buttons)) QTest::mouseClick(b, Qt::LeftButton);
      break;
    }
    }
  }

  void InMainWindow() {
    if (!m_main.isVisible()) return;
    if (m_main.DocumentCount() == 0 && Pick(3) == 0) {
      m_main.OpenFiles({m_files.at(Pick(static_cast<int>(m_files.size())))});
      return;
    }
    switch (Pick(10)) {
    case 0:
    case 1: { // a menu of the menu bar
      QMenuBar *bar = m_main.menuBar();
      QList<QAction *> titles;
      for (QAction *a : bar->actions())
        if (a->isEnabled() && a->isVisible()) titles << a;
      if (QAction *t = PickOf(titles)) QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(t).center());
      break;
    }
    case 2: { // a toolbar button
      QList<QToolButton *> buttons;
      for (QToolButton *b : m_main.findChildren<QToolButton *>())
        if (b->isVisible() && b->isEnabled() && b->parentWidget() != nullptr &&
            qobject_cast<QToolBar *>(b->parentWidget()) != nullptr)
          buttons << b;
      if (QToolButton *b = PickOf(buttons)) QTest::mouseClick(b, Qt::LeftButton);
      break;
    }
    case 3:
    case 4:
    case 5: GraphMouse(); break;
    case 6:
    case 7: Keys(); break;
    case 8: Windows(); break;
    default: { // resize the main window a little
      const QSize s = m_main.size();
      m_main.resize(std::clamp(s.width() + Pick(201) - 100, 400, 1800),
                    std::clamp(s.height() + Pick(201) - 100, 300, 1200));
      break;
    }
    }
  }

  TGraph *ActiveGraph() {
    TfrmDoc *doc = m_main.ActiveDocument();
    return doc == nullptr ? nullptr : doc->Graph();
  }
  // The widget that takes the graph's mouse events (the plot inside it).
  QWidget *MouseTarget(TGraph *g) {
    const auto kids = g->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    return kids.isEmpty() ? static_cast<QWidget *>(g) : kids.first();
  }

  void GraphMouse() {
    TGraph *g = ActiveGraph();
    if (g == nullptr || !g->isVisible()) return;
    QWidget *target = MouseTarget(g);
    const QPoint a(Pick(std::max(1, target->width())), Pick(std::max(1, target->height())));
    switch (Pick(4)) {
    case 0: { // a drag
      const QPoint b(Pick(std::max(1, target->width())), Pick(std::max(1, target->height())));
      QTest::mousePress(target, Qt::LeftButton, {}, a);
      QTest::mouseMove(target, (a + b) / 2);
      QTest::mouseMove(target, b);
      QTest::mouseRelease(target, Qt::LeftButton, {}, b);
      break;
    }
    case 1: QTest::mouseClick(target, Qt::RightButton, {}, a); break;
    case 2: QTest::mouseMove(target, a); break;
    default: QTest::mouseClick(target, Qt::LeftButton, {}, a); break;
    }
  }

  void Keys() {
    static const int kKeys[] = {Qt::Key_F,     Qt::Key_S,     Qt::Key_D,      Qt::Key_N,      Qt::Key_L,
                                Qt::Key_H,     Qt::Key_O,     Qt::Key_Up,     Qt::Key_Down,   Qt::Key_Left,
                                Qt::Key_Right, Qt::Key_Space, Qt::Key_Delete, Qt::Key_Escape, Qt::Key_F1};
    static const int kCtrl[] = {Qt::Key_C, Qt::Key_V, Qt::Key_X, Qt::Key_D, Qt::Key_S, Qt::Key_A, Qt::Key_Delete};
    QWidget *target = ActiveGraph();
    if (target == nullptr) target = &m_main;
    if (Pick(3) == 0)
      QTest::keyClick(target, static_cast<Qt::Key>(kCtrl[Pick(7)]), Qt::ControlModifier);
    else
      QTest::keyClick(target, static_cast<Qt::Key>(kKeys[Pick(15)]));
  }

  void Windows() {
    auto *mdi = m_main.findChild<QMdiArea *>(QStringLiteral("mdiArea"));
    QMdiSubWindow *sub = PickOf(mdi->subWindowList());
    if (sub == nullptr) return;
    switch (Pick(5)) {
    case 0: mdi->setActiveSubWindow(sub); break;
    case 1: sub->showMinimized(); break;
    case 2: sub->showNormal(); break;
    case 3: sub->showMaximized(); break;
    default: sub->resize(std::max(120, sub->width() + Pick(301) - 150), std::max(90, sub->height() + Pick(301) - 150));
    }
  }

  TfrmMain &m_main;
  QStringList m_files;
  QString m_work;
  std::mt19937 m_rng;
  QTimer m_timer;
  QWidget *m_lastModal = nullptr;
  int m_modalSteps = 0;
  long m_actions = 0;
};

} // namespace

int main(int argc, char **argv) {
  int seconds = 20;
  unsigned seed = 1;
  QString work;
  QStringList files;
  for (int i = 1; i < argc; ++i) {
    const QString a = QString::fromLocal8Bit(argv[i]);
    if (a == QLatin1String("--seconds") && i + 1 < argc)
      seconds = std::atoi(argv[++i]);
    else if (a == QLatin1String("--seed") && i + 1 < argc)
      seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
    else if (a == QLatin1String("--work") && i + 1 < argc)
      work = QString::fromLocal8Bit(argv[++i]);
    else
      files << QFileInfo(a).absoluteFilePath();
  }
  if (work.isEmpty() || files.isEmpty()) {
    std::fprintf(stderr, "usage: korvmox_monkey --seconds N --seed S --work DIR FILE...\n");
    return 2;
  }
  std::printf("monkey: seed %u, %d s\n", seed, seconds);
  std::fflush(stdout);

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("KorvMOX"));
  SetFixedFormats();
  TSettingsContext context{QDir(work).absolutePath().toStdString() + "/", QDir(work).absolutePath().toStdString() + "/",
                           QDir(work).absolutePath().toStdString() + "/"};
  TfrmMain main(context, QDir(work).filePath(QStringLiteral("Korv-MOX.ini")));
  main.resize(1200, 800);
  main.show();

  g_heartbeat = NowMs();
  std::atomic<bool> done{false};
  std::thread watchdog([&] {
    while (!done) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      if (!done && NowMs() - g_heartbeat > 5000) {
        std::fprintf(stderr, "monkey: HANG: no event handled for 5 s (seed %u)\n", seed);
        std::fflush(stderr);
        if (std::getenv("KORV_MONKEY_ABORT_ON_HANG") != nullptr) std::abort(); // a core or debugger stack
        std::_Exit(3);
      }
    }
  });

  Monkey monkey(main, files, work, seed);
  // Opened from the event loop, as a handed-over command line is: a file
  // that warns on opening shows a box the monkey must be running to answer.
  QTimer::singleShot(0, &main, [&] { main.OpenFiles(files); });
  // The end: the monkey stops, every question is answered No, and until the
  // event loop has returned, whatever is still open (a menu, a dialog with a
  // loop of its own) is closed and the main window closed as on Exit.
  QTimer ending;
  const auto closeWhatIsOpen = [&] {
    if (QWidget *popup = QApplication::activePopupWidget()) popup->close();
    if (QWidget *modal = QApplication::activeModalWidget()) {
      // Leave nested loops first; quit once they have unwound.
      if (auto *d = qobject_cast<QDialog *>(modal))
        d->reject();
      else
        modal->close();
    }
    QApplication::closeAllWindows();
    QApplication::quit();
  };
  QObject::connect(&ending, &QTimer::timeout, &app, closeWhatIsOpen);
  QTimer::singleShot(seconds * 1000, &app, [&] {
    monkey.Stop();
    main.SetAskHook([](const QString &, QMessageBox::StandardButtons) { return QMessageBox::No; });
    SetDocMessageHook([](TMsgKind, const QString &, QMessageBox::StandardButtons) { return QMessageBox::No; });
    SetTraceChooserHook([](const std::vector<std::string> &, int) { return -1; });
    ending.start(100);
    closeWhatIsOpen();
  });
  const int rc = QApplication::exec();
  done = true;
  watchdog.join();
  std::printf("monkey: %ld actions, seed %u, clean\n", monkey.Actions(), seed);
  return rc;
}
