// The power setup list and the quick text editor driven as a user does:
// menus, double clicks, typed keys and answered boxes, with transfers to
// and from the analyzer simulator on a pseudo-terminal.
#include <QCheckBox>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

#include "../QtTestEnv.h"
#include "../UserDriver.h"
#include "core/TestHelpers.h"
#include "instrument/QtSerialLink.h"
#include "sim/PtyHost.h"
#include "sim/Simulator.h"
#include "ui/instrument/PwrSetup.h"
#include "ui/instrument/QuickList.h"

using namespace korv;
using korvtest::ModalAnswerer;

namespace {

// The analyzer simulator served on a pseudo-terminal for one test.
class TSimServer {
public:
  explicit TSimServer(bool silent = false) {
    TSimOptions o;
    o.Instrument = "lx";
    m_sim = MakeSimulator(o);
    TPtyHostOptions h;
    if (silent) h.Fault = TSimFault::Silence;
    m_host = std::make_unique<TPtyHost>(*m_sim, h);
    m_port = m_host->Open();
    m_thread = std::thread([this] { m_host->Serve(m_stop); });
  }
  ~TSimServer() {
    m_stop = true;
    m_thread.join();
  }
  TSimServer(const TSimServer &) = delete;
  TSimServer &operator=(const TSimServer &) = delete;
  TLinkFactory Factory() const {
    return [port = m_port]() -> std::unique_ptr<SerialLink> { return std::make_unique<QtSerialLink>(port); };
  }

private:
  std::unique_ptr<TSimulator> m_sim;
  std::unique_ptr<TPtyHost> m_host;
  std::string m_port;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

template <class W> bool WaitIdle(const W &w, int ms = 30000) {
  return QTest::qWaitFor([&w] { return !w.Busy(); }, ms);
}

template <class T> T *Child(QWidget *parent, const char *name) {
  return parent->findChild<T *>(QString::fromLatin1(name));
}

void TypeInto(QLineEdit *edit, const QString &text) {
  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, text);
}

// Clicked from the event loop: a box the click opens is then answered by
// the next handler (the answerer's own timer does not run while a handler
// runs).
void ClickButtonLater(QWidget *parent, const char *name) {
  QPointer<QPushButton> button = Child<QPushButton>(parent, name);
  QTimer::singleShot(0, parent, [button] { ModalAnswerer::Click(button.data()); });
}

void DoubleClickRow(QListWidget *list, int row) {
  const QRect r = list->visualItemRect(list->item(row));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
  QApplication::processEvents();
}

QAbstractButton *AcceptButton(QWidget *dialog) {
  auto *box = dialog->findChild<QDialogButtonBox *>();
  if (box == nullptr) return nullptr;
  for (QAbstractButton *b : box->buttons())
    if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) return b;
  return nullptr;
}

// Answers a file dialog: its folder is set, the bare name typed, and its
// Open or Save button clicked.
ModalAnswerer::Handler FileAnswer(const QString &path) {
  return [path](QWidget *modal) {
    auto *dialog = qobject_cast<QFileDialog *>(modal);
    ASSERT_NE(dialog, nullptr);
    const QFileInfo info(path);
    dialog->setDirectory(info.absolutePath());
    auto *edit = modal->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(edit, nullptr);
    TypeInto(edit, info.fileName());
    QAbstractButton *accept = AcceptButton(modal);
    ASSERT_TRUE(QTest::qWaitFor([accept] { return accept != nullptr && accept->isEnabled(); }, 2000));
    ModalAnswerer::Click(accept);
  };
}

ModalAnswerer::Handler ClickOk() {
  return [](QWidget *modal) { ModalAnswerer::DefaultAnswer(modal); };
}

std::string ReadText(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

} // namespace

TEST(PwrSetupWindow, LoadEditWithPasswordAndSend) {
  TSimServer server;
  TfrmPwrSetup w(server.Factory());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_EQ(w.windowTitle(), "Setup Record List");
  EXPECT_EQ(w.Records()[1].Name, "Dflt 2");

  ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "mnuFileLoadLX3K"));
  EXPECT_TRUE(Child<QWidget>(&w, "prgbarTransfer")->isVisible());
  ASSERT_TRUE(WaitIdle(w));
  EXPECT_FALSE(Child<QWidget>(&w, "prgbarTransfer")->isVisible());
  EXPECT_EQ(w.Records()[1].Name, "TX HIGH");
  EXPECT_EQ(w.Records()[1].Password, "BOOST");

  auto *list = Child<QListWidget>(&w, "lstbxSetupList");
  {
    // A wrong password ends with "Bad password." and no dialog.
    ModalAnswerer answer;
    answer.Then([](QWidget *modal) {
      auto *edit = modal->findChild<QLineEdit *>();
      QTest::keyClicks(edit, "boost");
      QTest::keyClick(edit, Qt::Key_Return);
    });
    answer.Then(ClickOk());
    DoubleClickRow(list, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered() == 2; }, 5000));
    EXPECT_EQ(answer.Seen, (QStringList{"Enter Password", "Bad password."}));
  }
  {
    ModalAnswerer answer;
    answer.Then([](QWidget *modal) {
      auto *edit = modal->findChild<QLineEdit *>();
      QTest::keyClicks(edit, "BOOST");
      QTest::keyClick(edit, Qt::Key_Return);
    });
    // Above its limit the cable loss is refused and the dialog stays.
    answer.Then([](QWidget *dlg) {
      EXPECT_EQ(Child<QLineEdit>(dlg, "edName")->text(), "TX HIGH");
      EXPECT_TRUE(Child<QCheckBox>(dlg, "chkbxProtect")->isChecked());
      TypeInto(Child<QLineEdit>(dlg, "rledCableLoss"), "25");
      ClickButtonLater(dlg, "btnOK");
    });
    answer.Then(ClickOk());
    answer.Then([](QWidget *dlg) {
      TypeInto(Child<QLineEdit>(dlg, "rledCableLoss"), "3.5");
      TypeInto(Child<QLineEdit>(dlg, "edComments"), "Edited");
      ClickButtonLater(dlg, "btnOK");
    });
    DoubleClickRow(list, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered() == 4; }, 5000));
    EXPECT_EQ(answer.Seen.value(2), "The cable loss must be a number not above 20.");
  }
  EXPECT_EQ(w.Records()[1].Cable, 3.5);
  EXPECT_EQ(w.Records()[1].Comment, "Edited");
  EXPECT_EQ(w.Records()[1].Password, "BOOST");

  {
    // Sending asks first, and says when the analyzer has all records.
    ModalAnswerer answer;
    answer.Then(
        [](QWidget *modal) { ModalAnswerer::Click(qobject_cast<QMessageBox *>(modal)->button(QMessageBox::Yes)); });
    answer.Then(ClickOk());
    EXPECT_TRUE(w.Modified());
    ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "mnuFileSendAllLX3K"));
    ASSERT_TRUE(WaitIdle(w));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered() == 2; }, 5000));
    EXPECT_EQ(answer.Seen.value(0), "Send To LX-3200 replaces all 20 setup records stored in the analyzer. Continue?");
    EXPECT_EQ(answer.Seen.value(1), "The 20 setup records were sent to the analyzer.");
    EXPECT_FALSE(w.Modified()); // the analyzer holds the list now
  }
  // A second window reads back what the first one stored.
  TfrmPwrSetup other(server.Factory());
  other.show();
  ASSERT_TRUE(korvtest::UseMenu(other, "mnuFile", "mnuFileLoadLX3K"));
  ASSERT_TRUE(WaitIdle(other));
  EXPECT_EQ(other.Records(), w.Records());
}

TEST(PwrSetupWindow, NoSelectionFilesAndTimeOut) {
  TSimServer server(true);
  TempDir dir;
  TfrmPwrSetup w(server.Factory());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  {
    ModalAnswerer answer;
    ASSERT_TRUE(korvtest::UseMenu(w, "mnuEdit", "mnuEditRecord"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered() == 1; }, 5000));
    EXPECT_EQ(answer.Seen, QStringList{"No record is selected for editing."});
  }
  const QString saved = QString::fromStdString(dir.File("list"));
  {
    ModalAnswerer answer;
    answer.Then(FileAnswer(saved));
    ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "mnuFileSaveFile"));
  }
  // The default extension was added.
  EXPECT_EQ(ReadText(dir.File("list.pwrsetup")).rfind("Version,Name,Protect,", 0), 0U);

  // A damaged file is refused and the list stays as it was.
  { std::ofstream(dir.File("bad.pwrsetup")) << "Version,Name\n"; }
  const TPowerSetupList before = w.Records();
  {
    ModalAnswerer answer;
    answer.Then(FileAnswer(QString::fromStdString(dir.File("bad.pwrsetup"))));
    answer.Then(ClickOk());
    ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "mnuFileLoadFile"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered() == 2; }, 5000));
    EXPECT_TRUE(answer.Seen.value(1).startsWith("EmoxInvalidFile was encountered while opening file."))
        << answer.Seen.value(1).toStdString();
  }
  EXPECT_EQ(w.Records(), before);

  // The silent analyzer: the time-out is said and the list is unchanged.
  ModalAnswerer answer;
  ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "mnuFileLoadLX3K"));
  ASSERT_TRUE(WaitIdle(w));
  ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered() == 1; }, 5000));
  EXPECT_TRUE(answer.Seen.value(0).startsWith("Timeout while waiting for response from LX-x000QE."));
  EXPECT_EQ(w.Records(), before);
}

TEST(QuickTextWindow, KeysRowsAndTransfers) {
  TSimServer server;
  TfrmQuickText w(server.Factory());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_EQ(w.windowTitle(), "Quick Text Editor");
  auto *edit = Child<QLineEdit>(&w, "edQuickText");
  auto *list = Child<QListWidget>(&w, "lstbxQuickText");
  QTest::keyClicks(edit, "a?b");
  EXPECT_EQ(w.Rows()[0], "AB");
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
  EXPECT_TRUE(edit->text().isEmpty());
  QTest::keyClicks(edit, "north; 3");
  EXPECT_EQ(w.Rows()[2], "NORTH 3");
  // Clicking a row shows its text.
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
  EXPECT_EQ(edit->text(), "AB");

  ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "SendToSA1"));
  ASSERT_TRUE(WaitIdle(w));
  TfrmQuickText other(server.Factory());
  other.show();
  ASSERT_TRUE(korvtest::UseMenu(other, "mnuFile", "LoadFromSA1"));
  ASSERT_TRUE(WaitIdle(other));
  // The analyzer keeps the filled rows, one after the other.
  EXPECT_EQ(other.Rows()[0], "AB");
  EXPECT_EQ(other.Rows()[1], "NORTH 3");
  EXPECT_EQ(other.Rows()[2], "");
  EXPECT_EQ(Child<QLineEdit>(&other, "edQuickText")->text(), "AB");

  TempDir dir;
  {
    ModalAnswerer answer;
    answer.Then([&dir](QWidget *modal) {
      // The proposed name is "Quick"; the extension comes by default.
      auto *name = modal->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
      EXPECT_EQ(name->text(), "Quick");
      qobject_cast<QFileDialog *>(modal)->setDirectory(QString::fromStdString(dir.Path().string()));
      ModalAnswerer::Click(AcceptButton(modal));
    });
    ASSERT_TRUE(korvtest::UseMenu(other, "mnuFile", "SaveFile1"));
  }
  EXPECT_EQ(ReadText(dir.File("Quick.txt")).rfind("AB\r\nNORTH 3\r\n\r\n", 0), 0U);
  { std::ofstream(dir.File("in.txt")) << "Tower #3; north\nsecond\n"; }
  ModalAnswerer answer;
  answer.Then(FileAnswer(QString::fromStdString(dir.File("in.txt"))));
  ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "LoadFile1"));
  EXPECT_EQ(w.Rows()[0], "TOWER #3_ NORTH");
  EXPECT_EQ(w.Rows()[1], "SECOND");
  EXPECT_EQ(w.Rows()[2], "");
  EXPECT_EQ(edit->text(), "TOWER #3_ NORTH");
}

TEST(QuickTextWindow, SilentAnalyzerKeepsTheRows) {
  TSimServer server(true);
  TfrmQuickText w(server.Factory());
  w.show();
  QTest::keyClicks(Child<QLineEdit>(&w, "edQuickText"), "keep");
  ModalAnswerer answer;
  ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "LoadFromSA1"));
  ASSERT_TRUE(WaitIdle(w));
  ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered() == 1; }, 5000));
  EXPECT_TRUE(answer.Seen.value(0).startsWith("LX-x000QE is not responding.")) << answer.Seen.value(0).toStdString();
  EXPECT_EQ(w.Rows()[0], "KEEP");
}

// Send To asks before it replaces the analyzer's records: No sends nothing.
// Cancel during a load ends it at once, with no time-out box later.
TEST(PwrSetupWindow, SendAsksFirstAndCancelEndsALoadQuietly) {
  TSimServer server(true);
  TfrmPwrSetup w(server.Factory());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  {
    ModalAnswerer answer;
    ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "mnuFileSendAllLX3K"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered() == 1; }, 5000));
    EXPECT_FALSE(w.Busy());
    EXPECT_FALSE(Child<QWidget>(&w, "prgbarTransfer")->isVisible());
  }
  ModalAnswerer answer;
  ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "mnuFileLoadLX3K"));
  ASSERT_TRUE(w.Busy());
  auto *cancel = Child<QPushButton>(w.centralWidget(), "btnCancel");
  ASSERT_TRUE(cancel->isVisible());
  QTest::mouseClick(cancel, Qt::LeftButton);
  // The silent analyzer would take 11 s to time out.
  ASSERT_TRUE(WaitIdle(w, 8000));
  EXPECT_FALSE(QTest::qWaitFor([&] { return answer.Answered() > 0; }, 300)) << answer.Seen.join("|").toStdString();
  EXPECT_FALSE(cancel->isVisible());
}

TEST(PwrSetupWindow, EditedRecordsAreNotDroppedWithoutAQuestion) {
  TSimServer server;
  TfrmPwrSetup w(server.Factory());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  auto *list = Child<QListWidget>(&w, "lstbxSetupList");
  {
    ModalAnswerer answer;
    answer.Then([](QWidget *dlg) {
      TypeInto(Child<QLineEdit>(dlg, "edName"), "EDITED");
      ClickButtonLater(dlg, "btnOK");
    });
    DoubleClickRow(list, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Answered() == 1; }, 5000));
  }
  EXPECT_TRUE(w.Modified());
  {
    // Cancel keeps the window and the record.
    ModalAnswerer answer;
    answer.Then(
        [](QWidget *modal) { ModalAnswerer::Click(qobject_cast<QMessageBox *>(modal)->button(QMessageBox::Cancel)); });
    QTest::mouseClick(Child<QPushButton>(&w, "btnClose"), Qt::LeftButton);
    EXPECT_EQ(answer.Answered(), 1);
    EXPECT_EQ(answer.Seen.value(0),
              "The setup records were changed and not saved or sent. Save them to a file before closing?");
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.Records()[0].Name, "EDITED");
  }
  ModalAnswerer answer;
  answer.Then(
      [](QWidget *modal) { ModalAnswerer::Click(qobject_cast<QMessageBox *>(modal)->button(QMessageBox::No)); });
  ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "mnuFileExit"));
  EXPECT_EQ(answer.Answered(), 1);
  EXPECT_FALSE(w.isVisible());
}

// Moving between rows with the keyboard shows the new row in the edit line,
// so the next key edits the row it shows; the editing shortcuts pass the
// character filter, and pasted text is filtered like typed text.
TEST(QuickTextWindow, KeyboardRowsShortcutsAndPaste) {
  TSimServer server;
  TfrmQuickText w(server.Factory());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  auto *edit = Child<QLineEdit>(&w, "edQuickText");
  auto *list = Child<QListWidget>(&w, "lstbxQuickText");
  QTest::keyClicks(edit, "first");
  list->setFocus();
  QTest::keyClick(list, Qt::Key_Down);
  ASSERT_EQ(list->currentRow(), 1);
  EXPECT_TRUE(edit->text().isEmpty());
  QTest::keyClicks(edit, "second");
  QTest::keyClick(list, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "FIRST");
  QTest::keyClicks(edit, "2");
  EXPECT_EQ(w.Rows()[0], "FIRST2");
  EXPECT_EQ(w.Rows()[1], "SECOND");

  edit->setFocus();
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(edit->selectedText(), "FIRST2");
  QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "FIRST2");
  QTest::keyClick(edit, Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(edit->text().isEmpty());
  EXPECT_EQ(w.Rows()[0], "");
  QApplication::clipboard()->setText(QStringLiteral("tower; north?"));
  QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit->text(), "tower north");
  EXPECT_EQ(w.Rows()[0], "TOWER NORTH");
}

// Quick Text has Cancel: a load from a silent analyzer ends at once with
// the rows kept and no time-out box. An edited list asks before it goes.
TEST(QuickTextWindow, CancelALoadAndAskBeforeDroppingEdits) {
  TSimServer server(true);
  TfrmQuickText w(server.Factory());
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  QTest::keyClicks(Child<QLineEdit>(&w, "edQuickText"), "keep");
  EXPECT_TRUE(w.Modified());
  {
    ModalAnswerer answer;
    ASSERT_TRUE(korvtest::UseMenu(w, "mnuFile", "LoadFromSA1"));
    auto *cancel = Child<QPushButton>(w.centralWidget(), "btnCancel");
    ASSERT_NE(cancel, nullptr);
    ASSERT_TRUE(cancel->isVisible());
    QTest::mouseClick(cancel, Qt::LeftButton);
    ASSERT_TRUE(WaitIdle(w, 8000)); // the time-out is 15 s
    EXPECT_FALSE(QTest::qWaitFor([&] { return answer.Answered() > 0; }, 300)) << answer.Seen.join("|").toStdString();
    EXPECT_EQ(w.Rows()[0], "KEEP");
  }
  ModalAnswerer answer;
  answer.Then(
      [](QWidget *modal) { ModalAnswerer::Click(qobject_cast<QMessageBox *>(modal)->button(QMessageBox::Cancel)); });
  w.close();
  EXPECT_EQ(answer.Answered(), 1);
  EXPECT_EQ(answer.Seen.value(0),
            "The quick text rows were changed and not saved or sent. Save them to a file before closing?");
  EXPECT_TRUE(w.isVisible());
}
