// A real second start of the program hands its files to this process, the
// first copy, while this copy shows a box. The box used to outlive the
// socket the answer went to (a crash when OK was pressed), and a caller
// waiting on the box started a second full copy after two minutes.
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QProcess>

#include "ui/UserDriver.h"
#include "ui/main/MainFixture.h"
#include "ui/main/MultInst.h"

#ifdef KORVMOX_EXE
using namespace korv;

namespace {
// Starts the program with the file; it should hand it over and end.
QProcess *SecondStart(QObject *parent, const QString &file) {
  auto *p = new QProcess(parent);
  p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p->start(QStringLiteral(KORVMOX_EXE), {file});
  return p;
}
bool WaitFinished(QProcess *p, int ms) {
  return QTest::qWaitFor([p] { return p->state() == QProcess::NotRunning; }, ms);
}
} // namespace

TEST_F(MainWindowTest, SecondStartsHandOverWhileABoxIsOpenAndTheFirstCopySurvives) {
  TfrmMain &m = MakeMain();
  m.show();
  // Real boxes in this copy, as a user sees them.
  m.SetAskHook({});
  SetDocMessageHook({});
  TSingleInstance first; // scoped by the private runtime folder of this test
  first.SetHandler([&m](const QStringList &args) { m.HandleCommandLine(args); });
  ASSERT_TRUE(first.Listen());

  const QString bad = QString::fromStdString(m_dir.File("damaged.csv"));
  QFile junk(bad);
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("this is no trace file\n");
  junk.close();
  const QString good = Doc("good.kdt");

  QProcess *badStart = nullptr;
  QProcess *goodStart = nullptr;
  bool badEndedWhileBoxOpen = false;
  bool goodOpenedWhileBoxOpen = false;
  korvtest::ModalAnswerer modal;
  modal.Then([&](QWidget *w) {
    auto *box = qobject_cast<QMessageBox *>(w);
    ASSERT_NE(box, nullptr);
    // The caller of the bad file is done although the box is still up.
    badEndedWhileBoxOpen = WaitFinished(badStart, 8000) && badStart->exitCode() == 0;
    // A further start hands over the good file meanwhile.
    goodStart = SecondStart(&m, good);
    WaitFinished(goodStart, 8000);
    // (The window of the bad file waits for the box; the good one opens beside it.)
    goodOpenedWhileBoxOpen = QTest::qWaitFor(
        [&] {
          const auto docs = m.Documents();
          return std::any_of(docs.begin(), docs.end(), [&](TfrmDoc *d) { return d->FileName() == good; });
        },
        3000);
    korvtest::ModalAnswerer::Click(box->button(QMessageBox::Ok));
  });
  badStart = SecondStart(&m, bad);
  ASSERT_TRUE(QTest::qWaitFor([&] { return modal.Answered() == 1; }, 10000));
  // Events after the box: this copy must still be alive, and the window of
  // the bad file goes.
  EXPECT_TRUE(QTest::qWaitFor([&] { return m.DocumentCount() == 1; }, 10000));
  EXPECT_TRUE(badEndedWhileBoxOpen);
  ASSERT_NE(goodStart, nullptr);
  EXPECT_EQ(goodStart->exitCode(), 0);
  EXPECT_TRUE(goodOpenedWhileBoxOpen);
  ASSERT_EQ(m.DocumentCount(), 1);
  EXPECT_EQ(m.ActiveDocument()->FileName(), good);
}
#endif
