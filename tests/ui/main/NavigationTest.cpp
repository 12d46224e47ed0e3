// Zoom and pan without tool modes, marker handles on their points and the
// extra keys, driven with real wheel, mouse and key events.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSet>
#include <QWheelEvent>
#include <qcustomplot.h>

#include "ui/UserDriver.h"
#include "ui/Wait.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/DocTestHelpers.h"
#include "ui/main/MainFixture.h"

using namespace korv;

namespace {

class NavigationTest : public TracesWindowTest {
protected:
  TfrmDoc *Open(const char *name = "n.kdt") {
    return OpenTraces(name, {korvtest::MakeTrace(101, 1700.0, 2000.0, [](int j) { return -10.0 - 0.1 * j; })}, -30.0,
                      0.0, 1700.0, 2000.0);
  }
  static QPointF ValueAt(TfrmDoc *doc, QPoint p) { return Xy(doc)->PixelToGraph(QPointF(p)); }
  static void Wheel(TfrmDoc *doc, QPoint at, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget *plot = Xy(doc)->Plot();
    QWheelEvent e(QPointF(at), QPointF(plot->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton, mods,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &e);
  }
  static void Drag(QWidget *plot, Qt::MouseButton button, Qt::KeyboardModifiers mods, QPoint from, QPoint to) {
    QTest::mousePress(plot, button, mods, from);
    for (int k = 1; k <= 4; ++k)
      QTest::mouseMove(plot, from + (to - from) * k / 4);
    QTest::mouseRelease(plot, button, mods, to);
  }
  static void ExpectSameValue(QPointF a, QPointF b, TAxisRange x, TAxisRange y) {
    // Within a tenth of a pixel's worth of the shown range.
    EXPECT_NEAR(a.x(), b.x(), (x.Max - x.Min) / 4000.0);
    EXPECT_NEAR(a.y(), b.y(), (y.Max - y.Min) / 4000.0);
  }
};

} // namespace

TEST_F(NavigationTest, TheWheelZoomsAboutThePointerAndZoomOutStepsBack) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  TGraph *g = doc->Graph();
  const QRect area = Xy(doc)->PlotArea();
  const QPoint at(area.left() + area.width() / 4, area.top() + area.height() / 3);
  const QPointF value = ValueAt(doc, at);
  const TAxisRange x0 = g->ShownX(), y0 = g->ShownY();
  Wheel(doc, at, 120);
  EXPECT_TRUE(doc->IsZoomed());
  EXPECT_NEAR(g->ShownX().Max - g->ShownX().Min, 0.8 * (x0.Max - x0.Min), 1e-6);
  EXPECT_NEAR(g->ShownY().Max - g->ShownY().Min, 0.8 * (y0.Max - y0.Min), 1e-6);
  ExpectSameValue(ValueAt(doc, at), value, g->ShownX(), g->ShownY());
  // Ctrl: X only; Shift: Y only; the value under the pointer stays.
  const TAxisRange x1 = g->ShownX(), y1 = g->ShownY();
  Wheel(doc, at, 240, Qt::ControlModifier);
  EXPECT_EQ(g->ShownY(), y1);
  EXPECT_NEAR(g->ShownX().Max - g->ShownX().Min, 0.64 * (x1.Max - x1.Min), 1e-6);
  ExpectSameValue(ValueAt(doc, at), value, g->ShownX(), g->ShownY());
  const TAxisRange x2 = g->ShownX();
  Wheel(doc, at, -120, Qt::ShiftModifier);
  EXPECT_EQ(g->ShownX(), x2);
  ExpectSameValue(ValueAt(doc, at), value, g->ShownX(), g->ShownY());
  // Zoom Out (the tool's click, or the - key) steps back through the
  // three steps; the last leaves the zoom.
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewZoomOut"));
  QTest::mouseClick(Xy(doc)->Plot(), Qt::LeftButton, Qt::NoModifier, at);
  EXPECT_EQ(g->ShownX(), x2);
  QTest::keyClick(m_main.get(), Qt::Key_Minus);
  EXPECT_TRUE(doc->IsZoomed());
  EXPECT_EQ(g->ShownX(), x1);
  EXPECT_EQ(g->ShownY(), y1);
  QTest::keyClick(m_main.get(), Qt::Key_Minus);
  EXPECT_FALSE(doc->IsZoomed());
  EXPECT_EQ(g->ShownX(), x0);
  EXPECT_EQ(g->ShownY(), y0);
  // The wheel over the axes, outside the data, does nothing.
  Wheel(doc, QPoint(area.left() - 5, area.center().y()), 120);
  EXPECT_FALSE(doc->IsZoomed());
}

TEST_F(NavigationTest, BoxesZoomPansFollowThePointerAndHomeFits) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  TGraph *g = doc->Graph();
  QWidget *plot = Xy(doc)->Plot();
  // Ctrl+drag draws a box: the view becomes the box.
  Drag(plot, Qt::LeftButton, Qt::ControlModifier, PixelOf(doc, 1750.0, -5.0), PixelOf(doc, 1850.0, -20.0));
  EXPECT_TRUE(doc->IsZoomed());
  EXPECT_NEAR(g->ShownX().Min, 1750.0, 1.0);
  EXPECT_NEAR(g->ShownX().Max, 1850.0, 1.0);
  EXPECT_NEAR(g->ShownY().Min, -20.0, 0.2);
  EXPECT_NEAR(g->ShownY().Max, -5.0, 0.2);
  // No marker was placed and no trace moved by the drag.
  EXPECT_EQ(doc->Document().Doc.Traces[0].ActiveMarks[0].Visible, 0);
  // The right button draws one too; a right click alone opens the menu.
  Drag(plot, Qt::RightButton, Qt::NoModifier, PixelOf(doc, 1775.0, -8.0), PixelOf(doc, 1825.0, -16.0));
  EXPECT_NEAR(g->ShownX().Max - g->ShownX().Min, 50.0, 1.0);
  EXPECT_FALSE(m_main->PopupMenu()->isVisible());
  QTest::mouseClick(plot, Qt::RightButton, Qt::NoModifier, PixelOf(doc, 1800.0, -12.0));
  KORV_WAIT_TRUE(m_main->PopupMenu()->isVisible());
  m_main->PopupMenu()->close();
  // Middle drag: the value pressed on stays under the pointer.
  const QPoint from = PixelOf(doc, 1790.0, -10.0), to = from + QPoint(60, 25);
  const QPointF pressed = ValueAt(doc, from);
  Drag(plot, Qt::MiddleButton, Qt::NoModifier, from, to);
  ExpectSameValue(ValueAt(doc, to), pressed, g->ShownX(), g->ShownY());
  // Space held down with a left drag pans as well.
  const QPointF pressed2 = ValueAt(doc, to);
  QTest::keyPress(g, Qt::Key_Space);
  Drag(plot, Qt::LeftButton, Qt::NoModifier, to, from);
  QTest::keyRelease(g, Qt::Key_Space);
  ExpectSameValue(ValueAt(doc, from), pressed2, g->ShownX(), g->ShownY());
  // Home fits the data again, as AutoScale does.
  g->setFocus();
  QTest::keyClick(g, Qt::Key_Home);
  EXPECT_FALSE(doc->IsZoomed());
  EXPECT_LT(g->ShownX().Min, 1700.0); // the data with room on either side
  EXPECT_GT(g->ShownX().Max, 2000.0);
  // A double click on an axis does too.
  Wheel(doc, Xy(doc)->PlotArea().center(), 360);
  ASSERT_TRUE(doc->IsZoomed());
  QTest::mouseDClick(plot, Qt::LeftButton, Qt::NoModifier,
                     QPoint(Xy(doc)->PlotArea().center().x(), Xy(doc)->PlotArea().bottom() + 8));
  EXPECT_FALSE(doc->IsZoomed());
}

TEST_F(NavigationTest, APressOnTheMarkedPointGrabsTheMarker) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
  QWidget *plot = Xy(doc)->Plot();
  QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, PixelOf(doc, 1700.0 + 3.0 * 30, -13.0));
  ASSERT_EQ(doc->Document().Doc.Traces[0].ActiveMarks[0].Point, 30);
  // Press on the data point itself, not on the symbol drawn above it.
  const QPoint point = PixelOf(doc, 1790.0, -13.0);
  const TGraphAnnotation a = doc->Graph()->GraphAnnotations()[0];
  ASSERT_GT(std::abs(PixelOf(doc, a.X, a.Y).y() - point.y()), 9);
  QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, point);
  EXPECT_EQ(doc->DragMode(), 2);
  const QPoint to = PixelOf(doc, 1700.0 + 3.0 * 60, -16.0);
  QTest::mouseMove(plot, to);
  QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, to);
  EXPECT_EQ(doc->Document().Doc.Traces[0].ActiveMarks[0].Point, 60);
}

TEST_F(NavigationTest, DesktopKeys) {
  TfrmDoc *first = Open("k1.kdt");
  ASSERT_NE(first, nullptr);
  TfrmDoc *second = Open("k2.kdt");
  ASSERT_NE(second, nullptr);
  ASSERT_EQ(m_main->ActiveDocument(), second);
  // Ctrl+F6 and Ctrl+Shift+F6 move between the document windows.
  QTest::keyClick(m_main.get(), Qt::Key_F6, Qt::ControlModifier);
  KORV_WAIT_EQ(m_main->ActiveDocument(), first);
  QTest::keyClick(m_main.get(), Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
  KORV_WAIT_EQ(m_main->ActiveDocument(), second);
  // F5 fits the data; + and - zoom.
  second->SetManualScale(true, 1800.0, 1900.0, true, -20.0, -10.0);
  QTest::keyClick(m_main.get(), Qt::Key_F5);
  EXPECT_LT(second->Graph()->ShownX().Min, 1700.0);
  EXPECT_GT(second->Graph()->ShownX().Max, 2000.0);
  QTest::keyClick(m_main.get(), Qt::Key_Plus);
  EXPECT_EQ(second->ZoomLevel(), 1);
  QTest::keyClick(m_main.get(), Qt::Key_Minus);
  EXPECT_FALSE(second->IsZoomed());
  // M chooses the Add Marker tool; Ctrl+Shift+S is Save As.
  QTest::keyClick(m_main.get(), Qt::Key_M);
  EXPECT_EQ(m_main->ToolMode(), tmAddMarker);
  m_fileAnswers.push_back(QString()); // the file dialog is cancelled
  QTest::keyClick(m_main.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
  ASSERT_EQ(m_fileDialogs.size(), 1U);
}

namespace {
// The letter after the single '&' of a caption, or a null character.
QChar Mnemonic(const QString &text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != QLatin1Char('&')) continue;
    if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toLower();
    ++i;
  }
  return {};
}

// Every shown item of an open menu has a mnemonic no other item of it has.
void ExpectMnemonics(QMenu *menu) {
  SCOPED_TRACE(menu->objectName().toStdString());
  QSet<QChar> seen;
  for (QAction *a : menu->actions()) {
    if (a->isSeparator() || !a->isVisible()) continue;
    const QChar m = Mnemonic(a->text());
    EXPECT_FALSE(m.isNull()) << a->text().toStdString();
    EXPECT_FALSE(seen.contains(m)) << a->text().toStdString();
    seen.insert(m);
    if (a->menu() != nullptr) ExpectMnemonics(a->menu());
  }
}
} // namespace

TEST_F(NavigationTest, EveryMenuItemHasAMnemonicOfItsOwnAndCtrlTabMovesBetweenWindows) {
  TfrmDoc *first = Open("m1.kdt");
  ASSERT_NE(first, nullptr);
  TfrmDoc *second = Open("m2.kdt");
  ASSERT_NE(second, nullptr);
  for (const char *name : {"mnuFile", "mnuEdit", "mnuView", "mnuTools", "mnuWindow", "mnuHelp"}) {
    QMenu *menu = korvtest::OpenMenu(*m_main, QString::fromLatin1(name));
    ASSERT_NE(menu, nullptr) << name;
    KORV_WAIT_TRUE(menu->isVisible());
    ExpectMnemonics(menu);
    QTest::keyClick(menu, Qt::Key_Escape);
    KORV_WAIT_TRUE(!menu->isVisible());
  }
  // The graph's pop-up menu too.
  QTest::mouseClick(Xy(second)->Plot(), Qt::RightButton, Qt::NoModifier, Xy(second)->PlotArea().center());
  KORV_WAIT_TRUE(m_main->PopupMenu()->isVisible());
  ExpectMnemonics(m_main->PopupMenu());
  m_main->PopupMenu()->close();
  // A mnemonic picks its item: View, then the Trace List's letter.
  QMenu *view = korvtest::OpenMenu(*m_main, QStringLiteral("mnuView"));
  KORV_WAIT_TRUE(view->isVisible());
  QAction *list = m_main->findChild<QAction *>(QStringLiteral("mnuViewTraceList"));
  ASSERT_NE(list, nullptr);
  QTest::keyClick(view, Mnemonic(list->text()).toLatin1());
  KORV_WAIT_TRUE(m_main->findChild<QWidget *>(QStringLiteral("dockTraces"))->isVisible());
  // Ctrl+Tab and Ctrl+Shift+Tab move between the document windows too.
  ASSERT_EQ(m_main->ActiveDocument(), second);
  QTest::keyClick(m_main.get(), Qt::Key_Tab, Qt::ControlModifier);
  KORV_WAIT_EQ(m_main->ActiveDocument(), first);
  QTest::keyClick(m_main.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  KORV_WAIT_EQ(m_main->ActiveDocument(), second);
}
