// Tools > Sweep from VNA against a simulated NanoVNA on a pseudo-terminal.
#include "ui/QtTestEnv.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <atomic>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "core/TestHelpers.h"
#include "sim/PtyHost.h"
#include "sim/SimulatorNanoVna.h"
#include "ui/SimulatedInstrument.h"
#include "ui/UserDriver.h"
#include "ui/common/DocMessages.h"
#include "ui/document/Child.h"
#include "ui/instrument/SweepDialog.h"
#include "ui/main/Main.h"

using namespace korv;
using korvtest::ModalAnswerer;

namespace {

class SweepDialog : public korvtest::MainWithSimulator<TNanoVnaSimulator> {
protected:
  void Start(const std::string &model, TSimFault fault = TSimFault::None) {
    StartMain(model, "", "VnaDevice", false, fault);
  }

  // Tools > Sweep from VNA..., with drive run on the dialog once it is up.
  void UseDialog(const std::function<void(TdlgSweepVna *)> &drive) {
    ModalAnswerer answers;
    bool driven = false;
    answers.Then([&](QWidget *modal) {
      auto *dlg = qobject_cast<TdlgSweepVna *>(modal);
      ASSERT_NE(dlg, nullptr) << modal->windowTitle().toStdString();
      driven = true;
      drive(dlg);
    });
    QMenu *tools = korvtest::OpenMenu(*m_main, QStringLiteral("mnuTools"));
    ASSERT_NE(tools, nullptr);
    QAction *action = m_main->Action(QStringLiteral("mnuToolsSweepVna"));
    ASSERT_NE(action, nullptr);
    // The caption as shown: the open menu underlines a letter of it.
    EXPECT_EQ(QString(action->text()).remove(QLatin1Char('&')), QStringLiteral("Sweep from VNA..."));
    korvtest::ClickMenuItem(tools, action);
    EXPECT_TRUE(driven);
  }
  static void Type(QWidget *parent, const char *name, const QString &text) {
    auto *edit = parent->findChild<QLineEdit *>(QString::fromLatin1(name));
    ASSERT_NE(edit, nullptr) << name;
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
  }
  static void SetSpin(QWidget *parent, const char *name, int value) {
    auto *spin = parent->findChild<QSpinBox *>(QString::fromLatin1(name));
    ASSERT_NE(spin, nullptr) << name;
    spin->setFocus();
    QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(spin, QString::number(value));
  }
};

} // namespace

TEST_F(SweepDialog, SweepsIntoANewWindowThenRepeatsInPlaceUntilCancel) {
  Start("h4");
  UseDialog([&](TdlgSweepVna *dlg) {
    EXPECT_FALSE(dlg->findChild<QRadioButton *>(QStringLiteral("rbActive"))->isEnabled());
    EXPECT_TRUE(dlg->findChild<QRadioButton *>(QStringLiteral("rbNew"))->isChecked());
    Type(dlg, "edStart", QStringLiteral("100"));
    Type(dlg, "edStop", QStringLiteral("600"));
    SetSpin(dlg, "spPoints", 801);
    Type(dlg, "edLabel", QStringLiteral("Mast 3"));
    Screenshot(dlg, "sweep_dialog.png");
    Click(dlg, "btnSweep");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Sweeps() == 1 && !dlg->Busy(); }, 30000))
        << m_messages.join("|").toStdString();
    ASSERT_EQ(m_main->DocumentCount(), 1);
    TfrmDoc *doc = m_main->ActiveDocument();
    const TTraceData &t = doc->Document().Doc.Traces[0];
    EXPECT_EQ(t.NumPoints, 801);
    EXPECT_EQ(t.Label.str(), "Mast 3");
    EXPECT_EQ(t.Model.str(), "NanoVNA-H4");
    EXPECT_NEAR(t.Freq.front(), 100.0, 1e-9);

    // Repeat: the run's first sweep opens its window, the next ones update
    // its trace in place and add no window.
    Click(dlg, "chkRepeat");
    SetSpin(dlg, "spRepeat", 1);
    Click(dlg, "btnSweep");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Sweeps() >= 2; }, 30000)) << m_messages.join("|").toStdString();
    TfrmDoc *watched = m_main->ActiveDocument();
    ASSERT_NE(watched, doc);
    const double firstDate = watched->Document().Doc.Traces[0].DateTime;
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Sweeps() >= 4; }, 30000)) << m_messages.join("|").toStdString();
    EXPECT_TRUE(dlg->Repeating());
    EXPECT_EQ(m_main->DocumentCount(), 2);
    EXPECT_EQ(watched->Document().Doc.TraceCount(), 1);
    EXPECT_EQ(watched->Document().Doc.Traces[0].Label.str(), "Mast 3");
    EXPECT_GT(watched->Document().Doc.Traces[0].DateTime, firstDate);
    Click(dlg, "btnCancel");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->Repeating() && !dlg->Busy(); }, 10000));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(dlg->findChild<QLabel *>(QStringLiteral("lblStatus"))->text().isEmpty(), false);
    Click(dlg, "btnCancel"); // idle: closes
  });
  EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join("|").toStdString();
  // The band is remembered for the next sweep.
  UseDialog([&](TdlgSweepVna *dlg) {
    EXPECT_EQ(dlg->findChild<QLineEdit *>(QStringLiteral("edStart"))->text(), QStringLiteral("100"));
    EXPECT_EQ(dlg->findChild<QLineEdit *>(QStringLiteral("edStop"))->text(), QStringLiteral("600"));
    EXPECT_EQ(dlg->findChild<QSpinBox *>(QStringLiteral("spPoints"))->value(), 801);
    // With a window open, the sweep may go into it.
    EXPECT_TRUE(dlg->findChild<QRadioButton *>(QStringLiteral("rbActive"))->isEnabled());
    Click(dlg, "rbFile");
    EXPECT_FALSE(dlg->findChild<QCheckBox *>(QStringLiteral("chkRepeat"))->isEnabled());
    Click(dlg, "btnSweep");
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg->Sweeps() == 1 && !dlg->Busy(); }, 30000));
    EXPECT_TRUE(dlg->LastFile().startsWith(QString::fromStdString(m_dir.File("rx/")))) << dlg->LastFile().toStdString();
    EXPECT_TRUE(std::filesystem::exists(dlg->LastFile().toStdString()));
    Click(dlg, "btnCancel");
  });
}

TEST_F(SweepDialog, AFailedSweepIsToldAndLeavesNothingBehind) {
  Start("nanovna", TSimFault::Cutoff);
  UseDialog([&](TdlgSweepVna *dlg) {
    Type(dlg, "edStop", QStringLiteral("0.5"));
    Click(dlg, "btnSweep");
    EXPECT_EQ(m_messages.value(0), QStringLiteral("The stop frequency must be a number of MHz above the start."));
    Type(dlg, "edStart", QStringLiteral("100"));
    Type(dlg, "edStop", QStringLiteral("200"));
    Click(dlg, "btnSweep");
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_messages.size() == 2 && !dlg->Busy(); }, 30000));
    EXPECT_TRUE(m_messages[1].contains(QStringLiteral("nothing was kept"))) << m_messages[1].toStdString();
    EXPECT_EQ(dlg->Sweeps(), 0);
    Click(dlg, "btnCancel");
  });
  EXPECT_EQ(m_main->DocumentCount(), 0);
}

TEST_F(SweepDialog, ClosingMidSweepStopsItAndKeepsNothing) {
  Start("nanovna", TSimFault::Slow); // the points trickle in at 40 bytes a second
  UseDialog([&](TdlgSweepVna *dlg) {
    Type(dlg, "edStart", QStringLiteral("100"));
    Type(dlg, "edStop", QStringLiteral("200"));
    SetSpin(dlg, "spPoints", 51);
    Click(dlg, "btnSweep");
    auto *bar = dlg->findChild<QProgressBar *>(QStringLiteral("progress"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() >= 2; }, 30000));
    EXPECT_TRUE(dlg->Busy());
    QTest::keyClick(dlg, Qt::Key_Escape);
    // Closed as soon as the worker gave up (within its read slice).
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dlg->isVisible(); }, 5000));
  });
  EXPECT_EQ(m_main->DocumentCount(), 0);
  EXPECT_TRUE(m_messages.isEmpty()) << m_messages.join("|").toStdString();
}
