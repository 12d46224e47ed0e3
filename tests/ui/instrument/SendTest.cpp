// The Send dialog's account of what it did, driven from the main window's
// menu against a simulated analyzer on a pseudo-terminal; its message boxes
// are real and answered by clicking their buttons.
#include "ui/QtTestEnv.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "core/TestHelpers.h"
#include "formats/DocumentIO.h"
#include "sim/PtyHost.h"
#include "sim/SimulatorLx.h"
#include "sim/SimulatorNanoVna.h"
#include "sim/SimulatorReply.h"
#include "ui/SimulatedInstrument.h"
#include "ui/UserDriver.h"
#include "ui/instrument/DownLoadDialog.h"
#include "ui/instrument/PwrSetup.h"
#include "ui/instrument/SweepDialog.h"
#include "ui/instrument/UpLoadDialog.h"
#include "ui/main/Main.h"

using namespace korv;
using korvtest::ModalAnswerer;

#ifndef KORV_TEST_QSTRING_PRINTTO
#define KORV_TEST_QSTRING_PRINTTO
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
#endif

namespace {

using TServedLx = korvtest::TServedSimulator<TLxSimulator>;

class SendDialog : public ::testing::Test {
protected:
  void Start(bool pace = false, TSimFault fault = TSimFault::None) {
    m_sim = std::make_unique<TServedLx>("LX-3400", "15Mar03", pace, fault);
    StartMain("CommDevice=" + m_sim->Port() + "\r\n");
  }
  void StartMain(const std::string &options) {
    const std::string ini = m_dir.File("Korv-MOX.ini");
    std::ofstream(ini) << "[OPTIONS]\r\n" << options;
    m_main = std::make_unique<TfrmMain>(TSettingsContext{m_dir.Path().string() + "/", m_dir.Path().string() + "/", ""},
                                        QString::fromStdString(ini));
    m_main->SetAskHook([](const QString &, QMessageBox::StandardButtons) { return QMessageBox::No; });
    m_main->resize(1200, 800);
    m_main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
  }
  void TearDown() override {
    if (m_main) {
      m_main->close();
      m_main.reset();
    }
    m_sim.reset();
    QApplication::processEvents();
  }

  // Tools > LXQE Tools > Send (or item), with drive run on the dialog once
  // it is up.
  void UseSendDialog(const std::function<void(TdlgDownload *)> &drive) {
    UseDialog<TdlgDownload>(QStringLiteral("mnuMOXDnload"), drive);
  }
  template <class Dialog> void UseDialog(const QString &item, const std::function<void(Dialog *)> &drive) {
    ModalAnswerer answers;
    bool driven = false;
    answers.Then([&](QWidget *modal) {
      auto *dlg = qobject_cast<Dialog *>(modal);
      ASSERT_NE(dlg, nullptr) << modal->windowTitle().toStdString();
      driven = true;
      drive(dlg);
      // A failed step must not leave the dialog up for ever.
      if (dlg->isVisible()) dlg->reject();
    });
    QMenu *tools = korvtest::OpenMenu(*m_main, QStringLiteral("mnuTools"));
    ASSERT_NE(tools, nullptr);
    QAction *action = m_main->Action(item);
    ASSERT_NE(action, nullptr);
    if (tools->actions().contains(action)) {
      korvtest::ClickMenuItem(tools, action);
    } else {
      auto *sub = tools->findChild<QMenu *>(QStringLiteral("mnuLXQETools"));
      ASSERT_NE(sub, nullptr);
      korvtest::ClickMenuItem(tools, sub->menuAction());
      ASSERT_TRUE(QTest::qWaitFor([&] { return sub->isVisible(); }, 2000));
      korvtest::ClickMenuItem(sub, action);
    }
    EXPECT_TRUE(driven);
  }

  // count trace files with distinct names and times in a folder of their own.
  std::filesystem::path Folder(int count) {
    const std::filesystem::path folder = m_dir.Path() / "send";
    std::filesystem::create_directory(folder);
    const auto docs = SyntheticTraces(count, 238, 900.0, 1900.0);
    for (int i = 0; i < count; ++i) {
      TmoxDocument doc = docs[static_cast<std::size_t>(i)];
      doc.Doc.Traces[0].Label = "SENT " + std::to_string(i);
      doc.Doc.Traces[0].DateTime = 45000.0 + i;
      char name[32];
      std::snprintf(name, sizeof name, "t%02d.kdt", i);
      EXPECT_TRUE(SaveDocument(doc, (folder / name).string(), [] { return true; }));
    }
    return folder;
  }
  // Lists folder in the dialog (on its worker) and selects every row.
  static QListWidget *ListFolder(TdlgDownload *dlg, const std::filesystem::path &folder, int rows) {
    auto *list = korvtest::FindIn<QListWidget>(dlg, "ListBox1");
    korvtest::TypeInto(korvtest::FindIn<QLineEdit>(dlg, "diredTraceDirectory"),
                       QString::fromStdString(folder.string()));
    korvtest::Tick(korvtest::FindIn<QAbstractButton>(dlg, "rdFromDiskFiles"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->count() == rows && !dlg->Busy(); }, 15000)) << list->count();
    return list;
  }
  static void SelectAll(QListWidget *list) {
    list->doItemsLayout();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(0)).center());
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
  }
  static void Click(QWidget *dlg, const char *name) {
    auto *b = korvtest::FindIn<QAbstractButton>(dlg, name);
    ASSERT_NE(b, nullptr) << name;
    QTest::mouseClick(b, Qt::LeftButton);
  }
  // Waits for the next message box over the dialog, takes its text and
  // clicks button (its own timer: the answerer that runs the dialog is
  // busy inside it).
  // With shot, the box is grabbed first (see Screenshot).
  static QString Answer(QMessageBox::StandardButton button, int ms = 60000, const char *shot = nullptr) {
    QString text;
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
      if (box == nullptr || seen) return;
      seen = true;
      text = box->text();
      if (shot != nullptr) Screenshot(box, shot);
      ModalAnswerer::Click(box->button(button));
    });
    poll.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return seen; }, ms));
    return text;
  }
  static void Screenshot(QWidget *w, const char *name) {
    const QByteArray dir = qgetenv("KORV_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
      EXPECT_TRUE(w->grab().save(QString::fromUtf8(dir) + "/" + QLatin1String(name)));
    }
  }

  TempDir m_dir;
  std::unique_ptr<TServedLx> m_sim;
  std::unique_ptr<TfrmMain> m_main;
};

} // namespace

// A Cancel between traces closes the dialog with what was sent and what
// was not, instead of closing as if everything went.
TEST_F(SendDialog, ACancelSaysWhatWasSent) {
  Start(true);
  const auto folder = Folder(3);
  UseSendDialog([&](TdlgDownload *dlg) {
    QListWidget *list = ListFolder(dlg, folder, 3);
    SelectAll(list);
    Click(dlg, "btnOK");
    auto *traces = korvtest::FindIn<QProgressBar>(dlg, "prgrsDnLdDoc");
    ASSERT_TRUE(QTest::qWaitFor([&] { return traces->value() == 2; }, 60000));
    Click(dlg, "btnCancel");
    const QString summary = Answer(QMessageBox::Ok);
    EXPECT_EQ(summary,
              QStringLiteral("Cancelled: 2 of 3 traces were sent.\nNot sent:\n\"SENT 2\": not sent: cancelled"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 10000));
  });
  EXPECT_EQ(m_sim->Sim().Locations().size(), 7U);
}

// Save buffers that fill before the directory's locations do: the traces
// stored stay stored and are named, the rest are named with the
// analyzer's reason, and the dialog stays for another try. That try names
// what the analyzer already holds and, told No, sends only the others.
TEST_F(SendDialog, AFullAnalyzerSaysWhatWasStoredAndOkAgainAsksBeforeStoringTwice) {
  Start();
  m_sim->Sim().LimitSaveBuffers(8); // five stored, room for three more
  const auto folder = Folder(5);
  UseSendDialog([&](TdlgDownload *dlg) {
    QListWidget *list = ListFolder(dlg, folder, 5);
    SelectAll(list);
    Click(dlg, "btnOK");
    const QString summary = Answer(QMessageBox::Ok, 60000, "send_summary.png");
    EXPECT_EQ(summary,
              QStringLiteral("3 of 5 traces were sent.\nNot sent:\n\"SENT 3\": An Error Occurred while trying to send "
                             "the trace data.The SA Save buffers may be full.\n\"SENT 4\": not sent after that"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->Busy(); }, 5000));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(m_sim->Sim().Locations().size(), 8U);
    EXPECT_EQ(dlg->LastSummary().Count(TSendSummary::TState::Sent), 3);

    // Room again; the same selection is sent once more.
    m_sim->Sim().LimitSaveBuffers(300);
    EXPECT_EQ(list->selectedItems().size(), 5);
    Click(dlg, "btnOK");
    const QString question = Answer(QMessageBox::No);
    EXPECT_EQ(question.toStdString(), "Already stored in the analyzer:\n\"SENT 0\" (location 6)\n\"SENT 1\" (location "
                                      "7)\n\"SENT 2\" (location 8)\nSend them again?");
    const QString second = Answer(QMessageBox::Ok);
    EXPECT_TRUE(second.startsWith(QStringLiteral("2 of 5 traces were sent.\nSkipped:\n\"SENT 0\": already in the "
                                                 "analyzer (location 6)")))
        << second.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 10000));
  });
  // Each trace once: five of the analyzer's own and the five sent.
  EXPECT_EQ(m_sim->Sim().Locations().size(), 10U);
}

// Files of the folder that do not open are named with the reason in one
// box, and the others are listed.
TEST_F(SendDialog, FolderListingNamesTheFilesLeftOut) {
  Start();
  const auto folder = Folder(2);
  std::ofstream(folder / "broken.kdt") << "no trace in here\r\n";
  UseSendDialog([&](TdlgDownload *dlg) {
    auto *list = korvtest::FindIn<QListWidget>(dlg, "ListBox1");
    korvtest::TypeInto(korvtest::FindIn<QLineEdit>(dlg, "diredTraceDirectory"),
                       QString::fromStdString(folder.string()));
    korvtest::Tick(korvtest::FindIn<QAbstractButton>(dlg, "rdFromDiskFiles"));
    const QString warning = Answer(QMessageBox::Ok, 15000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->Busy(); }, 5000));
    EXPECT_EQ(list->count(), 2);
    EXPECT_TRUE(warning.startsWith(QStringLiteral("1 file(s) of the folder are not listed:\n\nEmoxInvalidFile was "
                                                  "encountered while opening file.\n")))
        << warning.toStdString();
    EXPECT_TRUE(warning.contains(QString::fromStdString((folder / "broken.kdt").string()))) << warning.toStdString();

    // A file spoiled after the listing: the others go, and the summary
    // names the file with the reason.
    std::ofstream(folder / "t01.kdt", std::ios::trunc) << "no trace in here either\r\n";
    SelectAll(list);
    Click(dlg, "btnOK");
    const QString summary = Answer(QMessageBox::Ok);
    EXPECT_EQ(summary.toStdString(), "1 of 2 traces were sent.\nNot sent:\n\"SENT 1\": EmoxInvalidFile was encountered "
                                     "while opening file. " +
                                         (folder / "t01.kdt").string());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->Busy(); }, 5000));
    EXPECT_TRUE(dlg->isVisible());
    Click(dlg, "btnCancel");
  });
}

// The dialog says the port it uses, that it waits for the instrument while
// Cancel stays usable, names the port when nothing answers, and names the
// analyzer once it answered.
TEST_F(SendDialog, IdentificationShowsPortStateAndInstrument) {
  Start(false, TSimFault::Silence);
  const QString port = QString::fromStdString(m_sim->Port());
  const auto folder = Folder(1);
  UseSendDialog([&](TdlgDownload *dlg) {
    auto *line = korvtest::FindIn<QLabel>(dlg, "lblInstrument");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QStringLiteral("Port: ") + port);
    SelectAll(ListFolder(dlg, folder, 1));
    Click(dlg, "btnOK");
    EXPECT_EQ(line->text(), QStringLiteral("Port: %1 \u2014 waiting for the instrument\u2026").arg(port));
    EXPECT_TRUE(korvtest::FindIn<QPushButton>(dlg, "btnCancel")->isEnabled());
    const QString error = Answer(QMessageBox::Ok);
    EXPECT_TRUE(error.contains(QStringLiteral("No answer on %1.").arg(port))) << error.toStdString();
    EXPECT_EQ(line->text(), QStringLiteral("Port: %1 \u2014 not responding").arg(port));
    Click(dlg, "btnCancel");
  });
  m_main->close();
  m_main.reset();

  Start();
  UseSendDialog([&](TdlgDownload *dlg) {
    SelectAll(ListFolder(dlg, folder, 1));
    Click(dlg, "btnOK");
    auto *line = korvtest::FindIn<QLabel>(dlg, "lblInstrument");
    EXPECT_EQ(Answer(QMessageBox::Ok), QStringLiteral("1 of 1 traces were sent."));
    EXPECT_EQ(line->text(),
              QStringLiteral("Port: %1 \u2014 LX-3400, V2.13, firmware 15Mar03, no serial number reported")
                  .arg(QString::fromStdString(m_sim->Port())));
  });
}

// No device chosen in the settings: said on opening, with where to choose
// one, and no port is tried (not even the computer's first); a Comm number
// that names no port is said the same way.
TEST_F(SendDialog, NoDeviceIsSaidOnOpening) {
  for (const std::string &options : {std::string(), std::string("CommPort=16\r\n")}) {
    StartMain(options);
    UseSendDialog([&](TdlgDownload *dlg) {
      auto *line = korvtest::FindIn<QLabel>(dlg, "lblInstrument");
      ASSERT_TRUE(QTest::qWaitFor([&] { return line->text().startsWith(QStringLiteral("Port: none")); }, 5000))
          << line->text().toStdString();
      EXPECT_TRUE(line->text().endsWith(QStringLiteral("Choose the instrument's port in Options > General.")))
          << line->text().toStdString();
      if (options.empty()) {
        EXPECT_EQ(line->text().toStdString(), "Port: none \u2014 No serial device is chosen for the instrument. Choose "
                                              "the instrument's port in Options > General.");
      }
      Click(dlg, "btnCancel");
    });
    m_main->close();
    m_main.reset();
  }
}

// Receive says the same while it identifies on opening: the port, the
// wait with Cancel usable (Cancel ends it at once), and what answered.
// The power setup window shows its port on opening and the analyzer once
// a transfer has asked it.
TEST_F(SendDialog, ReceiveAndPowerSetupsShowPortAndInstrument) {
  Start(false, TSimFault::Silence);
  QString port = QString::fromStdString(m_sim->Port());
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    auto *line = korvtest::FindIn<QLabel>(dlg, "lblInstrument");
    ASSERT_NE(line, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Busy(); }, 5000));
    EXPECT_EQ(line->text(), QStringLiteral("Port: %1 \u2014 waiting for the instrument\u2026").arg(port));
    auto *cancel = korvtest::FindIn<QPushButton>(dlg, "btnCancel");
    ASSERT_TRUE(cancel->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 5000));
  });
  m_main->close();
  m_main.reset();

  Start();
  port = QString::fromStdString(m_sim->Port());
  const QString analyzer = QStringLiteral("LX-3400, V2.13, firmware 15Mar03, no serial number reported");
  UseDialog<TdlgUpload>(QStringLiteral("mnuMOXUpLoad"), [&](TdlgUpload *dlg) {
    auto *line = korvtest::FindIn<QLabel>(dlg, "lblInstrument");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->Busy() && dlg->Directory().Count() > 0; }, 15000));
    EXPECT_EQ(line->text(), QStringLiteral("Port: %1 \u2014 ").arg(port) + analyzer);
    Click(dlg, "btnCancel");
  });

  ASSERT_TRUE(korvtest::UseMenu(*m_main, QStringLiteral("mnuTools"), QStringLiteral("mnuToolsPwrSetup")));
  auto *setups = m_main->findChild<TfrmPwrSetup *>();
  ASSERT_NE(setups, nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(setups));
  auto *line = korvtest::FindIn<QLabel>(setups, "lblInstrument");
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->text(), QStringLiteral("Port: ") + port);
  ASSERT_TRUE(korvtest::UseMenu(*setups, QStringLiteral("mnuFile"), QStringLiteral("mnuFileLoadLX3K")));
  EXPECT_EQ(line->text(), QStringLiteral("Port: %1 \u2014 waiting for the instrument\u2026").arg(port));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !setups->Busy(); }, 30000));
  EXPECT_EQ(line->text(), QStringLiteral("Port: %1 \u2014 ").arg(port) + analyzer);
  setups->close();
}

// The sweep dialog names the device it will use and, after a sweep, the
// analyzer that answered there.
TEST_F(SendDialog, SweepShowsItsDeviceAndTheAnalyzer) {
  TNanoVnaSimulator vna("h4", "", {});
  TPtyHost host(vna, TPtyHostOptions{false, 9600, TSimFault::None});
  const QString port = QString::fromStdString(host.Open());
  std::atomic<bool> stop{false};
  std::thread serve([&] { host.Serve(stop); });
  StartMain("VnaDevice=" + port.toStdString() + "\r\nUploadRoot=" + m_dir.File("rx") + "/\r\n");
  UseDialog<TdlgSweepVna>(QStringLiteral("mnuToolsSweepVna"), [&](TdlgSweepVna *dlg) {
    auto *line = korvtest::FindIn<QLabel>(dlg, "lblInstrument");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), QStringLiteral("Port: ") + port);
    Click(dlg, "btnSweep");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Sweeps() == 1 && !dlg->Busy(); }, 30000));
    EXPECT_TRUE(line->text().startsWith(QStringLiteral("Port: %1 \u2014 NanoVNA-H4, firmware ").arg(port)))
        << line->text().toStdString();
    EXPECT_TRUE(line->text().endsWith(QStringLiteral(", no serial number reported"))) << line->text().toStdString();
    Click(dlg, "btnCancel");
  });
  m_main->close();
  m_main.reset();
  stop = true;
  serve.join();
}
