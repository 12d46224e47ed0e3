// The options dialog opened from the pop-up menu and the View menu, and the
// measurement calculator, used with real clicks and keys.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <qcustomplot.h>

#include "instrument/QtSerialLink.h"
#include "ui/UserDriver.h"
#include "ui/Wait.h"
#include "ui/chart/XYGraph.h"
#include "ui/dialogs/CalcWindow.h"
#include "ui/document/DocTestHelpers.h"
#include "ui/main/MainFixture.h"

using namespace korv;

namespace {

class OptionsTest : public MainWindowTest {
protected:
  TfrmDoc *Open() {
    TfrmMain &m = MakeMain();
    m.show();
    TfrmDoc *doc = m.OpenDocumentFile(Doc("o.kdt"));
    if (doc == nullptr) return nullptr;
    std::vector<TTraceData> traces = {korvtest::MakeTrace(101, 1700.0, 2000.0, [](int j) { return -10.0 - 0.1 * j; }),
                                      korvtest::MakeTrace(101, 1700.0, 2000.0, [](int j) { return -30.0 - 0.05 * j; })};
    for (auto &t : traces)
      for (TMarkerSet *set : {&t.ActiveMarks, &t.FreqMarks, &t.DistMarks})
        for (auto &slot : *set)
          slot.Point = -1, slot.Visible = 0;
    doc->SetDocument(korvtest::MakeDocument(traces), Doc("o.kdt"), false);
    doc->SetManualScale(true, 1690.0, 2010.0, true, -70.0, 0.0);
    doc->SetActiveTrace(0);
    return doc;
  }
  // Right-clicks the graph and clicks a pop-up item.
  void PopUp(TfrmDoc *doc, const char *item) {
    QWidget *plot = qobject_cast<TXYGraph *>(doc->Graph())->Plot();
    QTest::mouseClick(plot, Qt::RightButton, Qt::NoModifier, QPoint(plot->width() / 2, plot->height() / 2));
    QApplication::processEvents();
    QMenu *menu = m_main->PopupMenu();
    ASSERT_TRUE(menu->isVisible());
    QAction *action = m_main->Action(QString::fromLatin1(item));
    ASSERT_NE(action, nullptr);
    korvtest::ClickMenuItem(menu, action);
  }
  template <typename T> static T *Find(QWidget *dialog, const char *name) { return korvtest::FindIn<T>(dialog, name); }
  static void Tick(QAbstractButton *b) { korvtest::Tick(b); }
  static void Ok(QWidget *dialog) { korvtest::ClickOk(dialog); }
  static void Type(QWidget *w, const QString &text) { korvtest::TypeInto(w, text); }
};

} // namespace

TEST_F(OptionsTest, GraphPageConvertsTheUnitAndTakesAManualScale) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  korvtest::ModalAnswerer answer;
  int page = -1;
  answer.Then([&](QWidget *dialog) {
    page = Find<QTabWidget>(dialog, "pgcOptions")->currentIndex();
    Tick(Find<QRadioButton>(dialog, "rbMatchUnit1")); // VSWR
    Ok(dialog);
  });
  PopUp(doc, "pmnuOptGraph");
  EXPECT_EQ(page, 1);
  EXPECT_EQ(doc->Document().Doc.ScaleUnit, suVSWR);
  EXPECT_TRUE(doc->IsModified());
  // The axis left the return-loss range for one that shows VSWR values.
  EXPECT_GT(doc->Graph()->ShownY().Min, 0.5);
  EXPECT_LT(doc->Graph()->ShownY().Max, 10.0);

  // A manual X range typed the wrong way round is taken swapped.
  answer.Then([&](QWidget *dialog) {
    Type(Find<QLineEdit>(dialog, "editXMin"), QStringLiteral("1900"));
    Type(Find<QLineEdit>(dialog, "editXMax"), QStringLiteral("1800"));
    Ok(dialog);
  });
  PopUp(doc, "pmnuOptGraph");
  EXPECT_DOUBLE_EQ(doc->Graph()->ShownX().Min, 1800.0);
  EXPECT_DOUBLE_EQ(doc->Graph()->ShownX().Max, 1900.0);
  EXPECT_TRUE(doc->ManualX());
}

TEST_F(OptionsTest, MarkersPagePlacesMarkersAndRefusesABadNumber) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  korvtest::ModalAnswerer answer;
  bool stayed = false;
  QString selected;
  answer.Then([&](QWidget *dialog) {
    auto *m2 = Find<QLineEdit>(dialog, "M2XValue");
    Type(m2, QStringLiteral("1751"));
    EXPECT_TRUE(Find<QCheckBox>(dialog, "M2Visible")->isChecked());
    // Trace 2: a letter in its M1 location.
    auto *traces = Find<QComboBox>(dialog, "TraceList");
    QTest::mouseClick(traces, Qt::LeftButton);
    QTest::keyClick(traces->view(), Qt::Key_Down);
    QTest::keyClick(traces->view(), Qt::Key_Return);
    auto *m1 = Find<QLineEdit>(dialog, "M1XValue");
    Type(m1, QStringLiteral("18x0"));
    // Leave for another page, then OK: back on Markers, the text selected.
    Find<QTabWidget>(dialog, "pgcOptions")->setCurrentIndex(3);
    Ok(dialog);
    stayed = dialog->isVisible() && Find<QTabWidget>(dialog, "pgcOptions")->currentIndex() == 0;
    selected = m1->selectedText();
    Type(m1, QStringLiteral("1850"));
    Ok(dialog);
  });
  PopUp(doc, "pmnuOptMarkers");
  EXPECT_TRUE(stayed);
  EXPECT_EQ(selected, "18x0");
  const TTraceDoc &d = doc->Document().Doc;
  EXPECT_EQ(d.Traces[0].ActiveMarks[1].Point, 17); // 1751 is nearer 1751 (point 17) than 1754
  EXPECT_EQ(d.Traces[0].ActiveMarks[1].Visible, 1);
  EXPECT_EQ(d.Traces[1].ActiveMarks[0].Point, 50);
  EXPECT_EQ(doc->Graph()->GraphAnnotations().size(), 2U);
}

TEST_F(OptionsTest, PlottingPageGoesToEveryWindowAndCancelChangesNothing) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  TfrmDoc *second = m_main->OpenDocumentFile(Doc("p.kdt"));
  ASSERT_NE(second, nullptr);
  korvtest::ModalAnswerer answer;
  answer.Then([&](QWidget *dialog) {
    EXPECT_EQ(Find<QTabWidget>(dialog, "pgcOptions")->currentIndex(), 2);
    auto *none = Find<QRadioButton>(dialog, "rbGridLines3");
    Tick(none);
    EXPECT_TRUE(none->isChecked());
    Ok(dialog);
    EXPECT_FALSE(dialog->isVisible());
  });
  PopUp(second, "pmnuOptPlot");
  EXPECT_EQ(doc->PlotLook().GridLines, 3);
  EXPECT_EQ(second->PlotLook().GridLines, 3);

  // View > Options, a change and Cancel: nothing happens.
  answer.Then([&](QWidget *dialog) {
    Tick(Find<QRadioButton>(dialog, "rbGridLines0"));
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewOptions"));
  EXPECT_EQ(second->PlotLook().GridLines, 3);
  EXPECT_FALSE(m_main->Action(QStringLiteral("tlbtnOptions"))->isChecked());
}

TEST_F(OptionsTest, TheCalculatorConvertsAndFiltersKeys) {
  MakeMain().show();
  EXPECT_EQ(m_main->Action(QStringLiteral("mnuToolsMeasCalc"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuTools", "mnuToolsMeasCalc"));
  TfrmCalc *calc = m_main->CalcWindow();
  ASSERT_NE(calc, nullptr);
  EXPECT_TRUE(m_main->Action(QStringLiteral("mnuToolsMeasCalc"))->isChecked());
  auto *rl = calc->findChild<QLineEdit *>(QStringLiteral("editRL"));
  auto *vswr = calc->findChild<QLineEdit *>(QStringLiteral("editVSWR"));
  auto *rho = calc->findChild<QLineEdit *>(QStringLiteral("editRho"));
  auto *power = calc->findChild<QLineEdit *>(QStringLiteral("editPower"));
  ASSERT_TRUE(QTest::qWaitForWindowActive(calc));
  Type(rl, QStringLiteral("-20"));
  QTest::keyClick(rl, Qt::Key_Tab); // leaving the field calculates
  EXPECT_EQ(rho->text(), "0.100");
  EXPECT_EQ(vswr->text(), "1.222");
  EXPECT_EQ(power->text(), "99.000");
  // Letters and other signs never reach a field; Enter calculates.
  Type(vswr, QStringLiteral("a1?.5b"));
  EXPECT_EQ(vswr->text(), "1.5");
  QTest::keyClick(vswr, Qt::Key_Return);
  EXPECT_EQ(rl->text(), "-13.979");
  // A power over 100 is held at 100.
  Type(power, QStringLiteral("150"));
  QTest::mouseClick(calc->findChild<QAbstractButton *>(QStringLiteral("btnCalculate")), Qt::LeftButton);
  EXPECT_EQ(power->text(), "100.000");
  EXPECT_EQ(rl->text(), "-80.000");
  // A negative power is no reflection: the error box comes, the results stay.
  // (The window's boxes come through the fixture's message hook.)
  Type(power, QStringLiteral("-5"));
  QTest::keyClick(power, Qt::Key_Tab);
  KORV_WAIT_EQ(m_questions.size(), 1);
  EXPECT_EQ(m_questions.value(0), "Rho value out of range.");
  EXPECT_EQ(rl->text(), "-80.000");
  // Esc closes it, and the menu item and button let go.
  QTest::keyClick(calc, Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_EQ(m_main->CalcWindow(), nullptr);
  EXPECT_FALSE(m_main->Action(QStringLiteral("mnuToolsMeasCalc"))->isChecked());
  EXPECT_FALSE(m_main->Action(QStringLiteral("tlbtnMeasCalc"))->isChecked());
}

TEST_F(OptionsTest, DistanceUnitChangeConvertsTheDistanceAxis) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  doc->SetFaultDialogHook([](TfrmDoc &d, int trace) { return d.ApplyFaultSettings(trace); });
  ASSERT_TRUE(doc->ShowFaultLocation());
  ASSERT_EQ(doc->Document().Doc.DistUnit, duMeters);
  const double metres = doc->Graph()->ShownX().Max;
  const float lastMetres = doc->Document().Doc.Traces[0].DistAxis.back();
  korvtest::ModalAnswerer answer;
  answer.Then([&](QWidget *dialog) {
    // The distance view offers no cable loss.
    EXPECT_FALSE(Find<QRadioButton>(dialog, "rbMatchUnit4")->isVisible());
    Tick(Find<QRadioButton>(dialog, "rbDistanceUnit1"));
    Ok(dialog);
  });
  PopUp(doc, "pmnuOptGraph");
  const TTraceDoc &d = doc->Document().Doc;
  EXPECT_EQ(d.DistUnit, duFeet);
  EXPECT_NEAR(d.Traces[0].DistAxis.back(), lastMetres / 0.3048, 0.01);
  EXPECT_NEAR(doc->Graph()->ShownX().Max, metres / 0.3048, metres * 0.05);
  EXPECT_EQ(doc->Graph()->XAxisLabel(), "Distance (feet)");
}

TEST_F(OptionsTest, GeneralPageOffersTheSerialDevicesAndWritesTheChoice) {
  TfrmMain &m = MakeMain();
  m.show();
  // A device chosen earlier that is not plugged in now stays on offer, named so.
  m.Settings().Options.CommDevice = "/dev/korv-gone";
  korvtest::ModalAnswerer answer;
  int items = 0;
  QString shown;
  answer.Then([&](QWidget *dialog) {
    QTabBar *bar = Find<QTabWidget>(dialog, "pgcOptions")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(3).center());
    auto *combo = Find<QComboBox>(dialog, "cmboCommPort");
    items = combo->count();
    shown = combo->currentText();
    // Down from the current item to "Comm 2" with the keyboard.
    combo->setFocus();
    for (int i = combo->currentIndex(), target = combo->findText(QStringLiteral("Comm 2")); i < target; ++i)
      QTest::keyClick(combo, Qt::Key_Down);
    Ok(dialog);
  });
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuView", "mnuViewOptions"));
  EXPECT_EQ(shown, QStringLiteral("/dev/korv-gone (not found)"));
  EXPECT_EQ(items, static_cast<int>(QtSerialLink::Devices().size()) + 1 + 16);
  EXPECT_EQ(m.Settings().Options.CommDevice, "");
  EXPECT_EQ(m.Settings().Options.CommPort, 2);

  answer.Then([&](QWidget *dialog) {
    shown = Find<QComboBox>(dialog, "cmboCommPort")->currentText();
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuView", "mnuViewOptions"));
  EXPECT_EQ(shown, QStringLiteral("Comm 2"));
}
