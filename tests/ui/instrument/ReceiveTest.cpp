// The Receive dialog's outcome as the user sees it, driven from the main
// window's menu against simulated instruments on pseudo-terminals: one
// summary per receive, a bar that moves within a trace, a Root Folder
// refused before anything is fetched, and the locations an instrument
// cannot give or delete.
#include "ui/QtTestEnv.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/TestHelpers.h"
#include "sim/PtyHost.h"
#include "sim/SimulatorLx.h"
#include "sim/SimulatorReply.h"
#include "sim/SimulatorRt.h"
#include "sim/SimulatorSiteMaster.h"
#include "ui/SimulatedInstrument.h"
#include "ui/UserDriver.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"
#include "ui/instrument/UpLoadDialog.h"
#include "ui/main/Main.h"

using namespace korv;
using korvtest::ModalAnswerer;
namespace fs = std::filesystem;

#ifndef KORV_TEST_QSTRING_PRINTTO
#define KORV_TEST_QSTRING_PRINTTO
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
#endif

namespace {

// A simulator served from its own thread, whatever its kind.
class TServed {
public:
  TServed(std::unique_ptr<TSimulator> sim, TPtyHostOptions options)
      : m_sim(std::move(sim)), m_served(*m_sim, options) {}
  const std::string &Port() const { return m_served.Port(); }

private:
  std::unique_ptr<TSimulator> m_sim;
  korvtest::TServedPty m_served;
};

class Receive : public ::testing::Test {
protected:
  void Start(std::unique_ptr<TSimulator> sim, TPtyHostOptions options = {}) {
    m_sim = std::make_unique<TServed>(std::move(sim), options);
    const std::string ini = m_dir.File("Korv-MOX.ini");
    std::ofstream(ini) << "[OPTIONS]\r\nCommDevice=" << m_sim->Port() << "\r\nUploadRoot=" << m_dir.File("rx")
                       << "/\r\n";
    SetDocMessageHook([this](TMsgKind kind, const QString &text, QMessageBox::StandardButtons) {
      m_messages << text;
      m_kinds.push_back(kind);
      return QMessageBox::Ok;
    });
    m_main = std::make_unique<TfrmMain>(TSettingsContext{m_dir.Path().string() + "/", m_dir.Path().string() + "/", ""},
                                        QString::fromStdString(ini));
    m_main->SetAskHook([](const QString &, QMessageBox::StandardButtons) { return QMessageBox::No; });
    m_main->resize(1200, 800);
    m_main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
  }
  void StartAnalyzer(TPtyHostOptions options = {}) {
    Start(std::make_unique<TLxSimulator>("LX-3400", "15Mar03", std::vector<TmoxDocument>{}), options);
  }
  void TearDown() override {
    if (m_main) {
      m_main->close();
      m_main.reset();
    }
    SetDocMessageHook({});
    m_sim.reset();
    QApplication::processEvents();
  }

  // Tools > LXQE Tools > Receive, with drive run on the dialog once it is up.
  void UseReceive(const std::function<void(TdlgUpload *)> &drive) {
    ModalAnswerer answers;
    bool driven = false;
    answers.Then([&](QWidget *modal) {
      auto *dlg = qobject_cast<TdlgUpload *>(modal);
      ASSERT_NE(dlg, nullptr) << modal->windowTitle().toStdString();
      driven = true;
      drive(dlg);
    });
    QMenu *tools = korvtest::OpenMenu(*m_main, QStringLiteral("mnuTools"));
    ASSERT_NE(tools, nullptr);
    auto *sub = tools->findChild<QMenu *>(QStringLiteral("mnuLXQETools"));
    ASSERT_NE(sub, nullptr);
    korvtest::ClickMenuItem(tools, sub->menuAction());
    QAction *action = m_main->Action(QStringLiteral("mnuMOXUpLoad"));
    ASSERT_NE(action, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sub->isVisible(); }, 2000));
    korvtest::ClickMenuItem(sub, action);
    EXPECT_TRUE(driven);
  }

  static QListWidget *Listed(TdlgUpload *dlg, int rows) {
    auto *list = dlg->findChild<QListWidget *>(QStringLiteral("lstbxTraces"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return list->count() >= rows && !dlg->Busy(); }, 20000));
    return list;
  }
  static void ClickRow(QListWidget *list, int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    list->doItemsLayout();
    list->scrollToItem(list->item(row));
    const QRect r = list->visualItemRect(list->item(row));
    ASSERT_TRUE(r.isValid() && list->viewport()->rect().contains(r.center())) << row;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, r.center());
  }
  static void Click(QWidget *parent, const char *name) {
    auto *w = parent->findChild<QAbstractButton *>(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr) << name;
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
  }
  static void WaitClosed(QDialog *dlg) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 60000));
  }
  QString Said() const { return m_messages.join(QStringLiteral(" | ")); }

  TempDir m_dir;
  std::unique_ptr<TServed> m_sim;
  std::unique_ptr<TfrmMain> m_main;
  QStringList m_messages;
  std::vector<TMsgKind> m_kinds;
};

} // namespace

// Receiving to files ends with one box: how many, and the folder.
TEST_F(Receive, ToFilesSaysHowManyAndWhere) {
  StartAnalyzer();
  const std::string root = m_dir.File("rx") + "/";
  UseReceive([&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    Click(dlg, "chkbxLoadToFile");
    ClickRow(list, 1);
    ClickRow(list, 2, Qt::ControlModifier);
    ClickRow(list, 3, Qt::ControlModifier);
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  ASSERT_EQ(m_messages.size(), 1) << Said().toStdString();
  EXPECT_EQ(m_messages[0], QString::fromStdString("Received 3 of 3 traces into files under " + root + "."));
  EXPECT_EQ(m_kinds[0], TMsgKind::Information);
  int files = 0;
  for (const auto &e : fs::recursive_directory_iterator(root))
    files += e.path().extension() == ".kdt" ? 1 : 0;
  EXPECT_EQ(files, 3);
}

// Damaged replies: one summary at the end names each location and what
// went wrong, instead of a box per location from the worker.
TEST_F(Receive, DamagedLocationsAreNamedInOneSummary) {
  StartAnalyzer({false, 9600, TSimFault::Garbage});
  UseReceive([&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    ClickRow(list, 1);
    ClickRow(list, 2, Qt::ControlModifier);
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  ASSERT_EQ(m_messages.size(), 1) << Said().toStdString();
  const QString text = m_messages[0];
  EXPECT_TRUE(text.startsWith("Received 0 of 2 traces.")) << text.toStdString();
  EXPECT_TRUE(text.contains("Not received:")) << text.toStdString();
  EXPECT_TRUE(text.contains("location 1 \"")) << text.toStdString();
  EXPECT_TRUE(text.contains("location 2 \"")) << text.toStdString();
  EXPECT_EQ(m_kinds[0], TMsgKind::Warning);
  EXPECT_EQ(m_main->DocumentCount(), 0);
}

// On a line as slow as the real one, the bar moves while a trace arrives,
// and Cancel ends with a summary of what came before it.
TEST_F(Receive, TheBarMovesWithinATraceAndCancelSaysWhatCameBefore) {
  StartAnalyzer({true, 9600, TSimFault::None});
  std::vector<int> values;
  UseReceive([&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 6);
    auto *bar = dlg->findChild<QProgressBar *>(QStringLiteral("progUploadProgress"));
    QObject::connect(bar, &QProgressBar::valueChanged, dlg, [&values](int v) { values.push_back(v); });
    ClickRow(list, 1);
    ClickRow(list, 2, Qt::ControlModifier);
    ClickRow(list, 3, Qt::ControlModifier);
    Click(dlg, "btnOK");
    const int unit = TdlgUpload::kLineUnits;
    // Within the first trace's reply: between its two steps.
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() > unit && bar->value() < 2 * unit; }, 30000)) << bar->value();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_main->DocumentCount() == 1; }, 60000));
    Click(dlg, "btnCancel");
    WaitClosed(dlg);
  });
  const int unit = TdlgUpload::kLineUnits;
  int within = 0;
  for (int v : values)
    within += v % unit != 0 ? 1 : 0;
  EXPECT_GE(within, 3);
  ASSERT_EQ(m_messages.size(), 1) << Said().toStdString();
  EXPECT_TRUE(m_messages[0].startsWith("Received 1 of 3 traces.\nCancelled") ||
              m_messages[0].startsWith("Received 1 of 3 traces.\r\nCancelled"))
      << m_messages[0].toStdString();
  EXPECT_EQ(m_main->DocumentCount(), 1);
}

// A Root Folder that is a file, or lies under one, is refused before the
// first trace is fetched and is not remembered; Enter in the folder box
// presses OK, which says why.
TEST_F(Receive, AnUnusableRootFolderIsRefusedAndNotRemembered) {
  StartAnalyzer();
  const std::string file = m_dir.File("plain.txt");
  std::ofstream(file) << "not a folder";
  const std::string before = m_main->Settings().Options.UploadRoot;
  for (const std::string &bad : {file, file + "/sub"}) {
    m_messages.clear();
    UseReceive([&](TdlgUpload *dlg) {
      QListWidget *list = Listed(dlg, 6);
      Click(dlg, "chkbxLoadToFile");
      ClickRow(list, 1);
      auto *folder = dlg->findChild<QLineEdit *>(QStringLiteral("diredUploadPath"));
      folder->setFocus();
      folder->selectAll();
      QTest::keyClicks(folder, QString::fromStdString(bad));
      QTest::keyClick(folder, Qt::Key_Return);
      ASSERT_TRUE(QTest::qWaitFor([&] { return !m_messages.isEmpty(); }, 5000));
      EXPECT_TRUE(dlg->isVisible());
      EXPECT_FALSE(dlg->Busy());
      Click(dlg, "btnCancel");
      WaitClosed(dlg);
    });
    ASSERT_EQ(m_messages.size(), 1) << Said().toStdString();
    EXPECT_TRUE(m_messages[0].startsWith(QString::fromStdString("The Root Folder \"" + bad)))
        << m_messages[0].toStdString();
    EXPECT_TRUE(m_messages[0].contains("is no folder")) << m_messages[0].toStdString();
    EXPECT_EQ(m_main->Settings().Options.UploadRoot, before);
    EXPECT_EQ(m_main->DocumentCount(), 0);
    EXPECT_FALSE(fs::exists(file + "/sub"));
  }
}

// The RT-x00 tester cannot delete: its Delete stays off.
TEST_F(Receive, TheTesterOffersNoDelete) {
  Start(std::make_unique<TRtSimulator>('5', SyntheticTraces(3, 100, 800.0, 1000.0)));
  UseReceive([&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 3);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Receive RT-x00 Traces"));
    ClickRow(list, 0);
    ClickRow(list, 1, Qt::ControlModifier);
    EXPECT_FALSE(dlg->findChild<QPushButton *>(QStringLiteral("btnDelete"))->isEnabled());
    EXPECT_TRUE(dlg->findChild<QPushButton *>(QStringLiteral("btnOK"))->isEnabled());
    Click(dlg, "btnCancel");
    WaitClosed(dlg);
  });
}

// Select all on a Site Master with two traces among its 40 locations: one
// summary names the empty ones, the rows are marked empty and cannot be
// chosen again; the windows are named from the instrument's labels.
TEST_F(Receive, SiteMasterEmptyLocationsAreMarkedAndWindowsNamedFromLabels) {
  std::vector<TmoxDocument> traces = SyntheticTraces(2, 130, 800.0, 1000.0);
  Start(std::make_unique<TSiteMasterSimulator>(traces));
  UseReceive([&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 10);
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Receive Site Master Traces"));
    EXPECT_FALSE(dlg->findChild<QPushButton *>(QStringLiteral("btnDelete"))->isEnabled());
    // The first ten locations: two traces, eight empty.
    ClickRow(list, 0);
    ClickRow(list, 9, Qt::ShiftModifier);
    Click(dlg, "btnOK");
    WaitClosed(dlg);
    // Rows the instrument said are empty can no longer be chosen.
    for (int row = 0; row < 10; ++row)
      EXPECT_EQ((list->item(row)->flags() & Qt::ItemIsSelectable) != 0, row < 2) << row;
    EXPECT_TRUE(list->item(10)->flags() & Qt::ItemIsSelectable);
  });
  ASSERT_EQ(m_messages.size(), 1) << Said().toStdString();
  EXPECT_TRUE(m_messages[0].startsWith("Received 2 of 10 traces.")) << m_messages[0].toStdString();
  EXPECT_EQ(m_messages[0].count("No trace is stored at this location."), 8) << m_messages[0].toStdString();
  ASSERT_EQ(m_main->DocumentCount(), 2);
  // The instrument keeps eight characters of the label ("ALPHA TX1").
  for (TfrmDoc *d : m_main->Documents()) {
    EXPECT_TRUE(d->windowTitle().startsWith("ALPHA TX")) << d->windowTitle().toStdString();
    EXPECT_FALSE(d->windowTitle().contains("Untitled")) << d->windowTitle().toStdString();
  }
}

// A tester's damaged block: the summary names the location and the text
// that could not be read.
TEST_F(Receive, ADamagedBlockNamesTheLocationAndTheUnreadableText) {
  Start(std::make_unique<TRtSimulator>('5', SyntheticTraces(2, 100, 800.0, 1000.0)), {false, 9600, TSimFault::Garbage});
  UseReceive([&](TdlgUpload *dlg) {
    QListWidget *list = Listed(dlg, 2);
    ClickRow(list, 1);
    Click(dlg, "btnOK");
    WaitClosed(dlg);
  });
  ASSERT_EQ(m_messages.size(), 1) << Said().toStdString();
  const QString text = m_messages[0];
  EXPECT_TRUE(text.startsWith("Received 0 of 1 traces.")) << text.toStdString();
  EXPECT_TRUE(text.contains("location 2 \"")) << text.toStdString();
  EXPECT_TRUE(text.contains("An Error Occurred while trying to load data.")) << text.toStdString();
  EXPECT_TRUE(text.contains("Unreadable: \"") && text.contains("#")) << text.toStdString();
}
