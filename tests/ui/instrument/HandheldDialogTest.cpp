// The handheld windows driven as a user does: list items clicked, buttons
// pressed, the questions answered by clicking their buttons.
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include <gtest/gtest.h>

#include "core/TestHelpers.h"
#include "formats/DocumentIO.h"
#include "instrument/RemoteFolder.h"
#include "ui/QtTestEnv.h"
#include "ui/UserDriver.h"
#include "ui/common/DocMessages.h"
#include "ui/instrument/KP418Info.h"
#include "ui/instrument/TransferKP418Files.h"

using namespace korv;
using korvtest::ModalAnswerer;
namespace fs = std::filesystem;

namespace {

void Put(const fs::path &p, const std::string &text) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
}

std::string Get(const fs::path &p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T> T *Find(QWidget &w, const char *name) {
  T *found = w.findChild<T *>(QString::fromLatin1(name));
  EXPECT_NE(found, nullptr) << name;
  return found;
}

// Clicks a list's row by its text, with keyboard modifiers.
void ClickRow(QListWidget *list, const QString &text, Qt::KeyboardModifiers mods = {}) {
  const auto items = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(items.size(), 1) << text.toStdString();
  QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, list->visualItemRect(items[0]).center());
}

QStringList Rows(const QListWidget *list) {
  QStringList rows;
  for (int i = 0; i < list->count(); ++i)
    rows << list->item(i)->text();
  return rows;
}

// Clicks one of a message box's buttons.
ModalAnswerer::Handler Answer(QMessageBox::StandardButton button) {
  return [button](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    ASSERT_NE(box, nullptr);
    ModalAnswerer::Click(box->button(button));
  };
}

// A handheld folder, and a PC folder, with the dialog shown and connected.
struct Fixture {
  TempDir Dir;
  fs::path Traces = Dir.Path() / "device" / "FlashFX Disk" / "My Traces";
  fs::path PC = Dir.Path() / "pc";
  std::unique_ptr<TFolderRemoteApi> Api;
  std::unique_ptr<TdlgTransferKP418Files> Dialog;

  void Open() {
    fs::create_directories(Traces);
    fs::create_directories(PC);
    Api = std::make_unique<TFolderRemoteApi>((Dir.Path() / "device").string());
    Dialog = std::make_unique<TdlgTransferKP418Files>(*Api, QString::fromStdString(PC.string()));
    Dialog->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Dialog.get()));
    QApplication::processEvents();
    Settle();
  }
  QListWidget *Device() { return Find<QListWidget>(*Dialog, "lstbxVNFiles"); }
  QListWidget *PCFiles() { return Find<QListWidget>(*Dialog, "fllstbxPCFiles"); }
  // The button clicked, and its work on the worker left to end.
  void Click(const char *button) {
    QTest::mouseClick(Find<QPushButton>(*Dialog, button), Qt::LeftButton);
    Settle();
  }
  void Settle() {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Dialog->Busy(); }, 10000));
  }
};

} // namespace

TEST(TransferDialog, MissingDeviceSaysSoAndClosesAfterHalfASecond) {
  TempDir dir;
  for (const std::string &root : {std::string(), dir.File("unplugged")}) {
    TFolderRemoteApi api(root);
    TdlgTransferKP418Files dialog(api, QString::fromStdString(dir.Path().string()));
    EXPECT_EQ(dialog.windowTitle(), "Transfer KP418 Files");
    ModalAnswerer answers;
    QElapsedTimer clock;
    qint64 answeredAt = -1;
    QString said;
    // The dialog itself may or may not be seen before its message comes up.
    const auto handler = [&](QWidget *modal) {
      if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        said = box->text();
        answeredAt = clock.elapsed();
        ModalAnswerer::Click(box->button(QMessageBox::Ok));
      }
    };
    // Seen before and after its message as well: neither sighting closes it.
    answers.Then(handler);
    answers.Then(handler);
    answers.Then(handler);
    clock.start();
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    const qint64 closedAt = clock.elapsed();
    // The handheld is a folder here: which one is missing, and where to set it.
    if (root.empty())
      EXPECT_TRUE(said.startsWith("No handheld folder is set.")) << said.toStdString();
    else
      EXPECT_TRUE(said.contains(QString::fromStdString(root) + " is missing")) << said.toStdString();
    EXPECT_TRUE(said.contains("Options > General (Handheld Folder)")) << said.toStdString();
    ASSERT_GE(answeredAt, 0);
    EXPECT_GE(closedAt - answeredAt, 450);
    EXPECT_LT(closedAt - answeredAt, 3000);
  }
}

TEST(TransferDialog, ControlsAndAnEmptyHandheldFolder) {
  Fixture f;
  Put(f.PC / "a.vnf", "a");
  Put(f.PC / "B.VNF", "b");
  Put(f.PC / "notes.txt", "n");
  f.Open();
  for (const char *name : {"grpbxTransferFiles", "lblDesktopFiles", "diredPCPath", "lblKP418Files"})
    EXPECT_NE(f.Dialog->findChild<QWidget *>(QString::fromLatin1(name)), nullptr) << name;
  EXPECT_EQ(Find<QLabel>(*f.Dialog, "lblDesktopFiles")->text(), "Desktop Trace Files");
  EXPECT_EQ(Find<QLabel>(*f.Dialog, "lblKP418Files")->text(), "Vantor Trace Files");
  EXPECT_EQ(Find<QPushButton>(*f.Dialog, "btnCopyToVantor")->text(), "Copy To Vantor");
  EXPECT_EQ(Find<QPushButton>(*f.Dialog, "btnCopyToPC")->text(), "Copy to PC");
  EXPECT_EQ(Find<QPushButton>(*f.Dialog, "btnDeleteVantorFiles")->text(), "Delete Vantor Files");
  EXPECT_EQ(f.Dialog->findChild<QTimer *>("tmrClose")->interval(), 500);
  EXPECT_EQ(Rows(f.PCFiles()), (QStringList{"a.vnf", "B.VNF"}));
  EXPECT_EQ(f.Device()->count(), 0);
  EXPECT_FALSE(Find<QPushButton>(*f.Dialog, "btnCopyToPC")->isEnabled());

  // Nothing chosen: the user is told, nothing happens.
  ModalAnswerer answers;
  f.Click("btnCopyToVantor");
  f.Click("btnDeleteVantorFiles");
  EXPECT_EQ(answers.Seen,
            (QStringList{"Select at least one file to transfer.", "Select at least one file to delete."}));

  // Another folder typed in: its files are listed.
  Put(f.Dir.Path() / "other" / "c.vnf", "c");
  auto *path = Find<QLineEdit>(*f.Dialog, "diredPCPath");
  path->selectAll();
  QTest::keyClicks(path, QString::fromStdString((f.Dir.Path() / "other").string()));
  EXPECT_EQ(Rows(f.PCFiles()), (QStringList{"c.vnf"}));

  f.Click("btnClose");
  EXPECT_FALSE(f.Dialog->isVisible());
  EXPECT_EQ(f.Dialog->result(), QDialog::Rejected);
}

TEST(TransferDialog, CopyToPCAsksYesNoAllForTheRun) {
  Fixture f;
  for (const char *n : {"a.vnf", "b.vnf", "c.vnf", "d.vnf"}) {
    Put(f.Traces / n, std::string("device ") + n);
    if (std::string(n) != "d.vnf") Put(f.PC / n, std::string("pc ") + n);
  }
  f.Open();
  ASSERT_EQ(Rows(f.Device()), (QStringList{"a.vnf", "b.vnf", "c.vnf", "d.vnf"}));
  EXPECT_TRUE(Find<QPushButton>(*f.Dialog, "btnCopyToPC")->isEnabled());
  ClickRow(f.Device(), "a.vnf");
  ClickRow(f.Device(), "d.vnf", Qt::ShiftModifier);
  ModalAnswerer answers;
  QStringList named;
  answers.Then([&named](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    ASSERT_NE(box, nullptr);
    named << box->informativeText();
    ModalAnswerer::Click(box->button(QMessageBox::No));
  });
  answers.Then([&named](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    ASSERT_NE(box, nullptr);
    named << box->informativeText();
    ASSERT_EQ(box->button(QMessageBox::YesToAll)->text(), "All");
    ModalAnswerer::Click(box->button(QMessageBox::YesToAll));
  });
  f.Click("btnCopyToPC");
  // a kept (No); b replaced (All); c replaced without a question; d new.
  EXPECT_EQ(answers.Seen, (QStringList{"File Exists. Replace the file?", "File Exists. Replace the file?"}));
  // Each question names its file.
  EXPECT_EQ(named, (QStringList{"a.vnf", "b.vnf"}));
  EXPECT_EQ(Get(f.PC / "a.vnf"), "pc a.vnf");
  EXPECT_EQ(Get(f.PC / "b.vnf"), "device b.vnf");
  EXPECT_EQ(Get(f.PC / "c.vnf"), "device c.vnf");
  EXPECT_EQ(Get(f.PC / "d.vnf"), "device d.vnf");
  EXPECT_EQ(Rows(f.PCFiles()).size(), 4);
  EXPECT_TRUE(Find<QPushButton>(*f.Dialog, "btnClose")->isEnabled());

  // The next run asks again: Yes replaces.
  Put(f.PC / "a.vnf", "pc again");
  answers.Then(Answer(QMessageBox::Yes));
  f.Device()->clearSelection();
  ClickRow(f.Device(), "a.vnf");
  f.Click("btnCopyToPC");
  EXPECT_EQ(answers.Seen.size(), 3);
  EXPECT_EQ(Get(f.PC / "a.vnf"), "device a.vnf");
}

TEST(TransferDialog, CopyToHandheldMakesNewFilesAndReplacesOnlyWhenAsked) {
  Fixture f;
  Put(f.Traces / "a.vnf", "device a");
  Put(f.PC / "a.vnf", "pc a");
  Put(f.PC / "new.vnf", "pc new");
  f.Open();
  ClickRow(f.PCFiles(), "a.vnf");
  ClickRow(f.PCFiles(), "new.vnf", Qt::ControlModifier);
  ModalAnswerer answers;
  answers.Then(Answer(QMessageBox::No));
  f.Click("btnCopyToVantor");
  EXPECT_EQ(answers.Seen, (QStringList{"File Exists. Replace the file?"}));
  EXPECT_EQ(Get(f.Traces / "a.vnf"), "device a");
  EXPECT_EQ(Get(f.Traces / "new.vnf"), "pc new");
  EXPECT_EQ(Rows(f.Device()), (QStringList{"a.vnf", "new.vnf"}));
  EXPECT_TRUE(Find<QPushButton>(*f.Dialog, "btnCopyToPC")->isEnabled());

  answers.Then(Answer(QMessageBox::Yes));
  f.Click("btnCopyToVantor");
  EXPECT_EQ(Get(f.Traces / "a.vnf"), "pc a");
  EXPECT_EQ(answers.Seen.size(), 3); // a asked again; new.vnf too, it is there now
  EXPECT_EQ(Get(f.Traces / "new.vnf"), "pc new");
}

TEST(TransferDialog, ReadOnlyDeviceFolderShowsTheMessages) {
  Fixture f;
  Put(f.Traces / "kept.vnf", "kept");
  Put(f.PC / "new.vnf", "new");
  f.Open();
  fs::permissions(f.Traces, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  ModalAnswerer answers;
  ClickRow(f.PCFiles(), "new.vnf");
  f.Click("btnCopyToVantor");
  ClickRow(f.Device(), "kept.vnf");
  answers.Then(Answer(QMessageBox::Yes));
  f.Click("btnDeleteVantorFiles");
  fs::permissions(f.Traces, fs::perms::owner_write, fs::perm_options::add);
  ASSERT_EQ(answers.Seen.size(), 3);
  EXPECT_TRUE(answers.Seen[0].startsWith("Unable to open the remote file. Check the ActiveSync connection.\n"))
      << answers.Seen[0].toStdString();
  // The error names the handheld folder it used.
  EXPECT_TRUE(
      answers.Seen[0].endsWith(QString::fromStdString("\nHandheld folder: " + (f.Dir.Path() / "device").string())))
      << answers.Seen[0].toStdString();
  EXPECT_EQ(answers.Seen[1], "You are about to delete one or more Vantor trace files. Do you want to continue?");
  EXPECT_EQ(answers.Seen[2], "Unable to delete file from Vantor. Check the ActiveSync connection.");
  EXPECT_EQ(Rows(f.Device()), (QStringList{"kept.vnf"}));
  EXPECT_FALSE(fs::exists(f.Traces / "new.vnf"));
  EXPECT_TRUE(Find<QPushButton>(*f.Dialog, "btnClose")->isEnabled());
}

TEST(TransferDialog, DeleteGoesOnPastAFailingNameAndNoDisablesCopy) {
  Fixture f;
  for (const char *n : {"a.vnf", "b.vnf", "c.vnf"})
    Put(f.Traces / n, n);
  f.Open();
  ClickRow(f.Device(), "a.vnf");
  ClickRow(f.Device(), "c.vnf", Qt::ShiftModifier);
  // No deletes nothing.
  ModalAnswerer answers;
  f.Click("btnDeleteVantorFiles");
  EXPECT_EQ(Rows(f.Device()).size(), 3);
  // b goes away behind the window's back: its delete fails, c still goes.
  fs::remove(f.Traces / "b.vnf");
  answers.Then(Answer(QMessageBox::Yes));
  f.Click("btnDeleteVantorFiles");
  ASSERT_EQ(answers.Seen.size(), 3);
  EXPECT_EQ(answers.Seen[2], "Unable to delete file from Vantor. Check the ActiveSync connection.");
  EXPECT_FALSE(fs::exists(f.Traces / "a.vnf"));
  EXPECT_FALSE(fs::exists(f.Traces / "c.vnf"));
  EXPECT_EQ(f.Device()->count(), 0);
  EXPECT_FALSE(Find<QPushButton>(*f.Dialog, "btnCopyToPC")->isEnabled());
}

TEST(InfoDialog, EighteenRowsFromAHandheldFile) {
  const TOpenResult r = OpenDocument(std::string(KORV_TEST_DATA) + "/vnf/mode3_cable.vnf");
  TdlgKP418Info dialog;
  EXPECT_EQ(dialog.windowTitle(), "KP418 Settings");
  EXPECT_EQ(Find<QLabel>(dialog, "lblParameter")->text(), "Paramter");
  EXPECT_EQ(Find<QLabel>(dialog, "lblValue")->text(), "Value");
  auto *list = Find<QListWidget>(dialog, "lstbxSetupList");
  ASSERT_EQ(list->count(), 18);
  EXPECT_EQ(list->item(0)->data(Qt::UserRole + 1).toString(), "<value>");
  dialog.Fill(r.Document->VantorSettings);
  ASSERT_EQ(list->count(), 18);
  const QStringList names = Rows(list);
  EXPECT_EQ(names.first(), "DSP Revision");
  EXPECT_EQ(names.last(), "AvgCableLoss");
  EXPECT_EQ(list->item(2)->data(Qt::UserRole + 1).toString(), "Main Title");
  EXPECT_EQ(list->item(10)->data(Qt::UserRole + 1).toString(), "false");
  EXPECT_EQ(list->item(17)->data(Qt::UserRole + 1).toString(), "4.5");
  dialog.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  // Both columns are drawn: the rows paint without trouble.
  EXPECT_FALSE(dialog.grab().isNull());
  QTest::mouseClick(Find<QPushButton>(dialog, "btnClose"), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// F1 in either handheld dialog asks for the handheld topic; Enter in the
// folder box copies nothing (no button is Enter's by default).
TEST(TransferDialog, F1ShowsTheHandheldTopicAndEnterCopiesNothing) {
  std::vector<int> asked;
  const THelpHook before = SetHelpHook([&asked](int context) { asked.push_back(context); });
  Fixture f;
  Put(f.PC / "a.vnf", "a");
  f.Open();
  ClickRow(f.PCFiles(), "a.vnf");
  auto *path = Find<QLineEdit>(*f.Dialog, "diredPCPath");
  path->setFocus();
  QTest::keyClick(path, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_FALSE(fs::exists(f.Traces / "a.vnf"));
  EXPECT_TRUE(f.Dialog->isVisible());
  QTest::keyClick(path, Qt::Key_F1);
  EXPECT_EQ(asked, std::vector<int>{TdlgTransferKP418Files::kHelpContext});

  TdlgKP418Info info;
  info.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&info));
  QTest::keyClick(&info, Qt::Key_F1);
  EXPECT_EQ(asked, (std::vector<int>{TdlgTransferKP418Files::kHelpContext, TdlgTransferKP418Files::kHelpContext}));
  SetHelpHook(before);
}

namespace {

// A device folder whose reads fail with an error that is no RAPI error.
class TBrokenReadApi : public TFolderRemoteApi {
public:
  using TFolderRemoteApi::TFolderRemoteApi;

protected:
  bool DoReadFile(TCeHandle, std::uint8_t *, std::uint32_t, std::uint32_t &) override {
    throw std::runtime_error("The device stopped answering.");
  }
};

} // namespace

// Any failure of a copy is shown, and the window comes back whole: Close
// works and the wait cursor is gone.
TEST(TransferDialog, AFailureOfAnyKindLeavesTheWindowUsable) {
  Fixture f;
  Put(f.Traces / "a.vnf", "device a");
  fs::create_directories(f.PC);
  TBrokenReadApi api((f.Dir.Path() / "device").string());
  TdlgTransferKP418Files dialog(api, QString::fromStdString(f.PC.string()));
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  auto *device = Find<QListWidget>(dialog, "lstbxVNFiles");
  ASSERT_TRUE(QTest::qWaitFor([&] { return device->count() == 1; }, 5000));
  ClickRow(device, "a.vnf");
  ModalAnswerer answers;
  QTest::mouseClick(Find<QPushButton>(dialog, "btnCopyToPC"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return answers.Answered() == 1; }, 5000));
  EXPECT_EQ(answers.Seen.value(0), "The device stopped answering.");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  auto *close = Find<QPushButton>(dialog, "btnClose");
  EXPECT_TRUE(close->isEnabled());
  QTest::mouseClick(close, Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
}

namespace {

// A handheld folder whose first read hangs (a stalled mount) until the
// test lets it go.
class THungReadApi : public TFolderRemoteApi {
public:
  using TFolderRemoteApi::TFolderRemoteApi;
  void Release() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_released = true;
    m_changed.notify_all();
  }
  bool Hanging() const { return m_hanging; }

protected:
  bool DoReadFile(TCeHandle file, std::uint8_t *buffer, std::uint32_t size, std::uint32_t &read) override {
    {
      std::unique_lock<std::mutex> lock(m_mutex);
      m_hanging = !m_released;
      // Bounded, so a broken window fails the test instead of hanging it.
      m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_released; });
      m_hanging = false;
    }
    return TFolderRemoteApi::DoReadFile(file, buffer, size, read);
  }

private:
  std::mutex m_mutex;
  std::condition_variable m_changed;
  bool m_released = false;
  std::atomic<bool> m_hanging{false};
};

struct HungFixture {
  TempDir Dir;
  fs::path Traces = Dir.Path() / "device" / "FlashFX Disk" / "My Traces";
  fs::path PC = Dir.Path() / "pc";
  std::unique_ptr<THungReadApi> Api;
  std::unique_ptr<TdlgTransferKP418Files> Dialog;

  HungFixture() {
    Put(Traces / "a.vnf", "device a");
    Put(Traces / "b.vnf", "device b");
    fs::create_directories(PC);
    Api = std::make_unique<THungReadApi>((Dir.Path() / "device").string());
    Dialog = std::make_unique<TdlgTransferKP418Files>(*Api, QString::fromStdString(PC.string()));
    Dialog->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(Dialog.get()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Dialog->Busy() && Dialog->VantorFiles().size() == 2; }, 10000));
  }
  ~HungFixture() { Api->Release(); }
  HungFixture(const HungFixture &) = delete;
  HungFixture &operator=(const HungFixture &) = delete;
  // Both files to the PC; returns once the first read hangs.
  void StartCopy() {
    auto *device = Find<QListWidget>(*Dialog, "lstbxVNFiles");
    ClickRow(device, "a.vnf");
    ClickRow(device, "b.vnf", Qt::ShiftModifier);
    QTest::mouseClick(Find<QPushButton>(*Dialog, "btnCopyToPC"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Api->Hanging(); }, 10000));
  }
};

} // namespace

// A copy from a hung folder leaves the window working: it paints, shows the
// copy as running with Cancel on and the copy buttons off; Cancel stops
// before the next file, and everything comes back.
TEST(TransferDialog, AHungFolderNeverFreezesTheWindowAndCancelStopsBeforeTheNextFile) {
  HungFixture f;
  f.StartCopy();
  ASSERT_TRUE(f.Dialog->Busy());
  EXPECT_NE(QApplication::overrideCursor(), nullptr);
  auto *cancel = Find<QPushButton>(*f.Dialog, "btnCancel");
  EXPECT_TRUE(cancel->isEnabled());
  for (const char *name : {"btnCopyToPC", "btnCopyToVantor", "btnDeleteVantorFiles"})
    EXPECT_FALSE(Find<QPushButton>(*f.Dialog, name)->isEnabled()) << name;
  auto *bar = Find<QProgressBar>(*f.Dialog, "prgTransfer");
  EXPECT_TRUE(QTest::qWaitFor([&] { return bar->maximum() == 2 && bar->value() == 0; }, 5000));
  EXPECT_FALSE(f.Dialog->grab().isNull());
  QTest::mouseClick(cancel, Qt::LeftButton);
  EXPECT_FALSE(cancel->isEnabled());
  f.Api->Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !f.Dialog->Busy(); }, 10000));
  // The file begun is whole; the next was never started.
  EXPECT_EQ(Get(f.PC / "a.vnf"), "device a");
  EXPECT_FALSE(fs::exists(f.PC / "b.vnf"));
  EXPECT_EQ(bar->value(), 1);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(cancel->isEnabled());
  EXPECT_TRUE(Find<QPushButton>(*f.Dialog, "btnCopyToPC")->isEnabled());
  EXPECT_TRUE(Find<QListWidget>(*f.Dialog, "lstbxVNFiles")->isEnabled());
  EXPECT_EQ(Rows(Find<QListWidget>(*f.Dialog, "fllstbxPCFiles")), (QStringList{"a.vnf"}));

  // The next copy runs whole, its bar to the end.
  ClickRow(Find<QListWidget>(*f.Dialog, "lstbxVNFiles"), "b.vnf");
  QTest::mouseClick(Find<QPushButton>(*f.Dialog, "btnCopyToPC"), Qt::LeftButton);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !f.Dialog->Busy(); }, 10000));
  EXPECT_EQ(Get(f.PC / "b.vnf"), "device b");
  EXPECT_EQ(bar->value(), bar->maximum());
}

// Closing the window while a copy hangs is Cancel: the close returns to the
// event loop at once with the window still up, and the window goes when the
// copy has ended.
TEST(TransferDialog, ClosingWhileCopyingIsCancel) {
  HungFixture f;
  f.StartCopy();
  QTest::mouseClick(Find<QPushButton>(*f.Dialog, "btnClose"), Qt::LeftButton);
  EXPECT_TRUE(f.Dialog->isVisible());
  EXPECT_TRUE(f.Dialog->Busy());
  f.Dialog->close(); // the title bar's X as well
  EXPECT_TRUE(f.Dialog->isVisible());
  f.Api->Release();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !f.Dialog->isVisible(); }, 10000));
  EXPECT_EQ(f.Dialog->result(), QDialog::Rejected);
  EXPECT_FALSE(f.Dialog->Busy());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(fs::exists(f.PC / "a.vnf"));
  EXPECT_FALSE(fs::exists(f.PC / "b.vnf"));
}
