// The Receive and Send dialogs driven from the main window's menu against a
// simulated analyzer on a pseudo-terminal.
#include "ui/QtTestEnv.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "core/TestHelpers.h"
#include "formats/DocumentIO.h"
#include "sim/PtyHost.h"
#include "sim/SimulatorLx.h"
#include "sim/SimulatorReply.h"
#include "ui/SimulatedInstrument.h"
#include "ui/UserDriver.h"
#include "ui/common/DocMessages.h"
#include "ui/instrument/DownLoadDialog.h"
#include "ui/instrument/UpLoadDialog.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/Main.h"

using namespace korv;
using korvtest::ModalAnswerer;

#ifndef KORV_TEST_QSTRING_PRINTTO
#define KORV_TEST_QSTRING_PRINTTO
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
#endif

namespace {

class InstrumentDialogs : public korvtest::MainWithSimulator<TLxSimulator> {
protected:
  void Start(const std::string &model, const std::string &firmware, bool pace = false,
             const std::string &moreOptions = {}) {
    StartMain(model, firmware, "CommDevice", pace, TSimFault::None, moreOptions);
  }

  // Tools > LXQE Tools > item, with drive run on the dialog once it is up.
  template <class Dialog> void UseDialog(const QString &item, const std::function<void(Dialog *)> &drive) {
    ModalAnswerer answers;
    bool driven = false;
    answers.Then([&](QWidget *modal) {
      auto *dlg = qobject_cast<Dialog *>(modal);
      ASSERT_NE(dlg, nullptr) << modal->windowTitle().toStdString();
      driven = true;
      drive(dlg);
    });
    for (auto &h : m_moreAnswers)
      answers.Then(h);
    m_moreAnswers.clear();
    QMenu *tools = korvtest::OpenMenu(*m_main, QStringLiteral("mnuTools"));
    ASSERT_NE(tools, nullptr);
    auto *sub = tools->findChild<QMenu *>(QStringLiteral("mnuLXQETools"));
    ASSERT_NE(sub, nullptr);
    korvtest::ClickMenuItem(tools, sub->menuAction());
    QAction *action = m_main->Action(item);
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub->isVisible(); }, 2000));
    korvtest::ClickMenuItem(sub, action);
    EXPECT_TRUE(driven);
  }

  static void ClickRow(QListWidget *list, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    // Rows just added are placed by a pending layout: place them first.
    list->doItemsLayout();
    const QRect r = list->visualItemRect(list->item(row));
    ASSERT_TRUE(r.isValid() && list->viewport()->rect().contains(r.center())) << row;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, r.center());
  }
  // Waits for the dialog's listing (identification on the worker).
  static QListWidget *Listed(TdlgUpload *dlg, int rows) {
    auto *list = dlg->findChild<QListWidget *>(QStringLiteral("lstbxTraces"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->count() >= rows && !dlg->Busy(); }, 15000));
    return list;
  }
  static void WaitClosed(QDialog *dlg) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 30000));
  }

  // Saves a synthetic trace of the simulator's kind as a document file.
  std::string SaveTrace(const std::string &name, int index) {
    TmoxDocument doc = SyntheticTraces(index + 1, 238, 900.0, 1900.0)[static_cast<std::size_t>(index)];
    // Not one of the analyzer's own traces, which it would name as already stored.
    doc.Doc.Traces[0].Label = "SENT " + name + " " + std::to_string(index);
    std::string path = m_dir.File(name);
    EXPECT_TRUE(SaveDocument(doc, path, [] { return true; }));
    return path;
  }

  std::vector<ModalAnswerer::Handler> m_moreAnswers;
};

} // namespace

TEST_F(InstrumentDialogs, ReceiveIntoEachDestinationAndDelete) {
  Start("LX-3400", "15Mar03");
  // Separate new documents (the preset destination): two rows, two windows.
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    ASSERT_EQ(list->count(), 6); // the current trace and five stored ones
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Receive Korv Site Analyzer Traces"));
    EXPECT_TRUE(dlg->findChild<QCheckBox *>(QStringLiteral("chkboxMultipleDoc"))->isChecked());
    EXPECT_FALSE(dlg->findChild<QCheckBox *>(QStringLiteral("chkboxCurrentDoc"))->isEnabled());
    ClickRow(list, 1);
    ClickRow(list, 2, Qt::ControlModifier);
    EXPECT_EQ(dlg->findChild<QLabel *>(QStringLiteral("pnlStatus"))->text(), QStringLiteral("  2 Traces Selected"));
    Screenshot(dlg, "receive_dialog.png");
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  ASSERT_EQ(m_main->DocumentCount(), 2) << m_messages.join("|").toStdString();

  // Into the active window: it gains a trace.
  const int before = m_main->ActiveDocument()->Document().Doc.TraceCount();
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    Click(dlg, "chkboxCurrentDoc");
    EXPECT_FALSE(dlg->findChild<QCheckBox *>(QStringLiteral("chkboxMultipleDoc"))->isChecked());
    ClickRow(list, 3);
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  EXPECT_EQ(m_main->DocumentCount(), 2);
  EXPECT_EQ(m_main->ActiveDocument()->Document().Doc.TraceCount(), before + 1);

  // Neither box: one new window takes all.
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    Click(dlg, "chkboxMultipleDoc");
    ClickRow(list, 4);
    ClickRow(list, 5, Qt::ControlModifier);
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  ASSERT_EQ(m_main->DocumentCount(), 3);
  int twoTraceWindows = 0;
  for (TfrmDoc *d : m_main->Documents())
    twoTraceWindows += d->Document().Doc.TraceCount() == 2 ? 1 : 0;
  EXPECT_GE(twoTraceWindows, 1);

  // Files on disk, sub folders by date.
  const std::string root = m_dir.File("rx");
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    auto *folder = dlg->findChild<QLineEdit *>(QStringLiteral("diredUploadPath"));
    EXPECT_FALSE(folder->isEnabled());
    Click(dlg, "chkbxLoadToFile");
    EXPECT_TRUE(folder->isEnabled());
    EXPECT_EQ(folder->text().toStdString(), root + "/");
    Click(dlg, "rdDirStyle1");
    ClickRow(list, 1);
    ClickRow(list, 2, Qt::ControlModifier);
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  std::string found;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(m_dir.Path(), ec);
       it != std::filesystem::recursive_directory_iterator(); ++it)
    found += it->path().string() + " ";
  // Open windows already carry the label's names ("ALPHA TX1", "ALPHA TX1(1)").
  EXPECT_TRUE(std::filesystem::exists(root + "/2024May10/ALPHA TX1(2).kdt"))
      << m_messages.join("|").toStdString() << found;
  EXPECT_TRUE(std::filesystem::exists(root + "/2024May11/ALPHA TX1(2).kdt"));
  EXPECT_EQ(m_main->DocumentCount(), 3);
  EXPECT_EQ(m_main->Settings().Options.UploadStyle, 1);

  // Delete Traces asks first; Yes deletes the selected location.
  m_moreAnswers.emplace_back([](QWidget *modal) {
    auto *box = qobject_cast<QMessageBox *>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(),
              QStringLiteral("You are about to delete one or more stored traces? Do you want to continue?"));
    ModalAnswerer::Click(box->button(QMessageBox::Yes));
  });
  // The dialog, active again while it deletes, is left to finish: closing
  // it now would cancel the delete.
  m_moreAnswers.emplace_back([](QWidget *) {});
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    ClickRow(list, 2);
    // The question comes up after this handler, so the answerer sees it.
    QTimer::singleShot(0, dlg, [dlg] { Click(dlg, "btnDelete"); });
  });
  EXPECT_EQ(m_sim->Locations(), (std::vector<int>{1, 3, 4, 5})) << m_messages.join("|").toStdString();
}

TEST_F(InstrumentDialogs, AReceivedWindowIsUnsavedUntilSavedInTheDocumentFolder) {
  const std::string docs = m_dir.File("docs");
  std::filesystem::create_directory(docs);
  std::ofstream(docs + "/ALPHA TX1.kdt") << "an older document";
  Start("LX-3400", "15Mar03", false, "DocDirectory=" + docs + "/\r\n");
  QStringList asked;
  m_main->SetAskHook([&](const QString &text, QMessageBox::StandardButtons) {
    asked << text;
    return QMessageBox::No;
  });
  QStringList proposals;
  m_main->SetFileDialogHook([&](TFileDialogKind, const QString &proposed) {
    proposals << proposed;
    // The dialog adds the default extension to a name typed without one.
    return QStringList{QFileInfo(proposed).suffix().isEmpty() ? proposed + ".kdt" : proposed};
  });
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    ClickRow(list, 1);
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  ASSERT_EQ(m_main->DocumentCount(), 1) << m_messages.join("|").toStdString();
  TfrmDoc *received = m_main->ActiveDocument();
  // The name of the file in the document folder is not offered again.
  EXPECT_EQ(received->windowTitle(), QStringLiteral("ALPHA TX1(1).kdt"));
  EXPECT_TRUE(received->IsModified());
  // Closing it asks.
  m_messages.clear();
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuFile", "mnuFileClose"));
  EXPECT_EQ(m_messages.value(0), QStringLiteral("Save ALPHA TX1(1).kdt before Closing?"));
  ASSERT_EQ(m_main->DocumentCount(), 1);

  // Save asks for a name in the document folder, never the working folder.
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuFile", "mnuFileSave"));
  ASSERT_EQ(proposals.size(), 1);
  const QString saved = QString::fromStdString(docs + "/ALPHA TX1(1).kdt");
  EXPECT_EQ(proposals[0], QString::fromStdString(docs + "/ALPHA TX1(1)"));
  EXPECT_TRUE(std::filesystem::exists(saved.toStdString())) << m_messages.join("|").toStdString();
  EXPECT_EQ(received->FileName(), saved);
  EXPECT_FALSE(received->IsModified());

  // Save All leaves an unchanged document alone, even an export whose file
  // exists; a changed one is saved.
  const std::string csv = SaveTrace("export.csv", 0);
  TfrmDoc *imported = m_main->OpenDocumentFile(QString::fromStdString(csv));
  ASSERT_NE(imported, nullptr);
  ASSERT_FALSE(imported->IsModified());
  received->MarkModified();
  asked.clear();
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuFile", "mnuFileSaveAll"));
  EXPECT_TRUE(asked.isEmpty()) << asked.join("|").toStdString();
  EXPECT_FALSE(received->IsModified());
  EXPECT_EQ(proposals.size(), 1);
}

TEST_F(InstrumentDialogs, SendFromOpenDocumentsAndFromAFolder) {
  Start("LX-3400", "15Mar03");
  const std::string one = SaveTrace("open.kdt", 1);
  ASSERT_NE(m_main->OpenDocumentFile(QString::fromStdString(one)), nullptr);
  UseDialog<TdlgDownload>(QStringLiteral("mnuMOXDnload"), [&](TdlgDownload *dlg) {
    auto *list = dlg->findChild<QListWidget *>(QStringLiteral("ListBox1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->count() == 1; }, 2000));
    EXPECT_FALSE(dlg->findChild<QPushButton *>(QStringLiteral("btnOK"))->isEnabled());
    ClickRow(list, 0);
    EXPECT_EQ(dlg->findChild<QLabel *>(QStringLiteral("pnlStatus"))->text(), QStringLiteral("  1 Traces Selected"));
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  EXPECT_EQ(m_sim->Locations().size(), 6U) << m_messages.join("|").toStdString();

  const std::filesystem::path folder = m_dir.Path() / "send";
  std::filesystem::create_directory(folder);
  for (int i = 0; i < 2; ++i)
    std::filesystem::copy_file(SaveTrace("t.kdt", i), folder / ("t" + std::to_string(i) + ".kdt"),
                               std::filesystem::copy_options::overwrite_existing);
  UseDialog<TdlgDownload>(QStringLiteral("mnuMOXDnload"), [&](TdlgDownload *dlg) {
    auto *list = dlg->findChild<QListWidget *>(QStringLiteral("ListBox1"));
    auto *edit = dlg->findChild<QLineEdit *>(QStringLiteral("diredTraceDirectory"));
    edit->setText(QString::fromStdString(folder.string()));
    Click(dlg, "rdFromDiskFiles");
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->count() == 2 && !dlg->Busy(); }, 15000)); // listed on the worker
    ClickRow(list, 0);
    ClickRow(list, 1, Qt::ShiftModifier);
    Screenshot(dlg, "send_dialog.png");
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  EXPECT_EQ(m_sim->Locations().size(), 8U) << m_messages.join("|").toStdString();
}

TEST_F(InstrumentDialogs, SendRefusalsAreShown) {
  Start("LX-3200", "15Jan02");
  const std::string wide = m_dir.File("wide.kdt");
  TmoxDocument doc = SyntheticTraces(1, 238, 900.0, 2100.0)[0];
  ASSERT_TRUE(SaveDocument(doc, wide, [] { return true; }));
  ASSERT_NE(m_main->OpenDocumentFile(QString::fromStdString(wide)), nullptr);
  UseDialog<TdlgDownload>(QStringLiteral("mnuMOXDnload"), [&](TdlgDownload *dlg) {
    auto *list = dlg->findChild<QListWidget *>(QStringLiteral("ListBox1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->count() == 1; }, 2000));
    ClickRow(list, 0);
    Click(dlg, "btnOK");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_messages.isEmpty(); }, 15000));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(dlg->findChild<QPushButton *>(QStringLiteral("btnOK"))->isEnabled());
    Click(dlg, "btnCancel");
    WaitClosed(dlg);
  });
  // The refusal names the trace, its band and the analyzer.
  ASSERT_EQ(m_messages.size(), 1);
  EXPECT_TRUE(m_messages[0].startsWith(QStringLiteral("This trace is not compatible with this SA model.")))
      << m_messages[0].toStdString();
  EXPECT_TRUE(m_messages[0].contains(QStringLiteral("Trace \"ALPHA TX1\" (900.000 to 2100.000 MHz) does not suit the "
                                                    "LX-3200 (firmware 15Jan02).")))
      << m_messages[0].toStdString();
  EXPECT_EQ(m_sim->Locations().size(), 5U);
}

// At the line's real speed a trace takes seconds: the window keeps
// painting, the bars move, and Cancel stops before the next trace.
TEST_F(InstrumentDialogs, PacedSendStaysResponsiveAndCancels) {
  Start("LX-3400", "15Mar03", true);
  const std::filesystem::path folder = m_dir.Path() / "send";
  std::filesystem::create_directory(folder);
  for (int i = 0; i < 3; ++i)
    std::filesystem::copy_file(SaveTrace("t.kdt", i), folder / ("t" + std::to_string(i) + ".kdt"),
                               std::filesystem::copy_options::overwrite_existing);
  UseDialog<TdlgDownload>(QStringLiteral("mnuMOXDnload"), [&](TdlgDownload *dlg) {
    auto *list = dlg->findChild<QListWidget *>(QStringLiteral("ListBox1"));
    dlg->findChild<QLineEdit *>(QStringLiteral("diredTraceDirectory"))
        ->setText(QString::fromStdString(folder.string()));
    Click(dlg, "rdFromDiskFiles");
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->count() == 3 && !dlg->Busy(); }, 15000));
    ClickRow(list, 0);
    ClickRow(list, 2, Qt::ShiftModifier);
    Click(dlg, "btnOK");
    ASSERT_TRUE(dlg->Busy());
    auto *lines = dlg->findChild<QProgressBar *>(QStringLiteral("prgrsDnLdTrace"));
    auto *traces = dlg->findChild<QProgressBar *>(QStringLiteral("prgrsDnLdDoc"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines->value() > 5; }, 15000));
    // The event loop runs while the worker sends: a short timer fires on time.
    QElapsedTimer clock;
    clock.start();
    bool fired = false;
    QTimer::singleShot(20, [&] { fired = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return fired; }, 3000));
    EXPECT_LT(clock.elapsed(), 1500); // a trace takes seconds: a blocked loop would show
    const int seen = lines->value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines->value() > seen; }, 5000));
    EXPECT_EQ(traces->value(), 1);
    Screenshot(dlg, "send_dialog_sending.png");
    Click(dlg, "btnCancel");
    EXPECT_FALSE(dlg->findChild<QPushButton *>(QStringLiteral("btnCancel"))->isEnabled());
    EXPECT_TRUE(dlg->isVisible());
    WaitClosed(dlg);
  });
  EXPECT_EQ(m_sim->Locations().size(), 6U) << m_messages.join("|").toStdString();
}

// Closing the Receive dialog by its title bar while it receives is Cancel:
// the close returns at once with the dialog still up and the worker still
// running, the dialog goes when the worker has ended, and the wait cursor
// comes back.
TEST_F(InstrumentDialogs, ClosingWhileReceivingIsCancel) {
  Start("LX-3400", "15Mar03", true);
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    ASSERT_EQ(list->count(), 6);
    ClickRow(list, 1);
    ClickRow(list, 2, Qt::ControlModifier);
    Click(dlg, "btnOK");
    ASSERT_TRUE(dlg->Busy());
    EXPECT_NE(QApplication::overrideCursor(), nullptr);
    dlg->close();
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(dlg->Busy());
    WaitClosed(dlg);
    EXPECT_FALSE(dlg->Busy());
  });
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join("|").toStdString();
}

// F1 in the modal Receive dialog brings the help up in front of it (the
// dialog's own window, not blocked by it); Enter presses OK.
TEST_F(InstrumentDialogs, HelpInFrontAndEnterPressesOk) {
  Start("LX-3400", "15Mar03");
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    ClickRow(list, 1);
    QTest::keyClick(list, Qt::Key_F1);
    THelpWindow *help = m_main->HelpWindow();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->CurrentPage(), "receive.html");
    ASSERT_NE(help->windowHandle(), nullptr);
    EXPECT_EQ(help->windowHandle()->transientParent(), dlg->windowHandle());
    help->close();
    QTest::keyClick(list, Qt::Key_Return);
    WaitClosed(dlg);
  });
  EXPECT_EQ(m_main->DocumentCount(), 1) << m_messages.join("|").toStdString();
}
