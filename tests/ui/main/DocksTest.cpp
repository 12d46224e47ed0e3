// The marker table and trace list docks used as a user does: opened from
// the View menu, rows clicked, labels typed, Del pressed, rows dragged.
#include <QAbstractButton>
#include <QAction>
#include <QClipboard>
#include <QDockWidget>
#include <QHeaderView>
#include <QLineEdit>
#include <QMimeData>
#include <QTableWidget>
#include <cmath>
#include <complex>
#include <numbers>
#include <qcustomplot.h>

#include "formats/DocumentIO.h"
#include "ui/UserDriver.h"
#include "ui/Wait.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/DocTestHelpers.h"
#include "ui/document/TraceColors.h"
#include "ui/main/MainFixture.h"

using namespace korv;

namespace {

class DocksTest : public TracesWindowTest {
protected:
  TfrmDoc *Open(const char *name = "d.kdt") {
    std::vector<TTraceData> traces = TwoTraces();
    traces[1].Model = "LX-2000QE";
    for (auto &t : traces)
      for (int j = 0; j < t.NumPoints; ++j)
        t.Angle[static_cast<std::size_t>(j)] = -150.0 + 3.0 * j;
    return OpenTraces(name, std::move(traces), -70.0, 0.0);
  }
  QTableWidget *Table(const char *name) { return m_main->findChild<QTableWidget *>(QString::fromLatin1(name)); }
  static QString Text(QTableWidget *t, int row, int column) {
    return t->item(row, column) != nullptr ? t->item(row, column)->text() : QString();
  }
  static int Column(QTableWidget *t, const QString &caption) {
    for (int c = 0; c < t->columnCount(); ++c)
      if (t->horizontalHeaderItem(c)->text() == caption) return c;
    return -1;
  }
  static void ClickCell(QTableWidget *t, int row, int column) {
    QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, t->visualItemRect(t->item(row, column)).center());
  }
};

} // namespace

TEST_F(DocksTest, TheMarkerTableFollowsTheMarkersAndItsValuesAreTheMarkedPoints) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarkers"));
  QTableWidget *t = Table("tblMarkers");
  ASSERT_NE(t, nullptr);
  KORV_WAIT_TRUE(t->isVisible());
  EXPECT_EQ(t->rowCount(), 0);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
  QTest::mouseClick(Xy(doc)->Plot(), Qt::LeftButton, Qt::NoModifier, PixelOf(doc, 1700.0 + 3.0 * 40, -14.0));
  ASSERT_EQ(t->rowCount(), 1);
  EXPECT_EQ(Text(t, 0, 1), "M1");
  EXPECT_EQ(Text(t, 0, Column(t, "Frequency (MHz)")), "1820.0000");
  EXPECT_EQ(Text(t, 0, Column(t, "Value (dB)")), "-14.000");
  // R + jX from Gamma = 10^(-14/20) at -30 degrees, worked out apart.
  const std::complex<double> g = std::polar(std::pow(10.0, -14.0 / 20.0), -30.0 * std::numbers::pi / 180.0);
  const std::complex<double> z = 50.0 * (1.0 + g) / (1.0 - g);
  EXPECT_NEAR(Text(t, 0, Column(t, "R (Ohm)")).toDouble(), z.real(), 0.006);
  EXPECT_NEAR(Text(t, 0, Column(t, "X (Ohm)")).toDouble(), z.imag(), 0.006);
  EXPECT_NEAR(Text(t, 0, Column(t, "VSWR")).toDouble(), (1 + std::abs(g)) / (1 - std::abs(g)), 0.0006);
  EXPECT_NEAR(Text(t, 0, Column(t, "|Gamma|")).toDouble(), std::abs(g), 0.00006);
  // An arrow key moves the marker: the row follows at once.
  QTest::keyClick(doc->Graph(), Qt::Key_Right);
  EXPECT_EQ(Text(t, 0, Column(t, "Frequency (MHz)")), "1823.0000");
  // Undo brings the row back with the marker.
  QTest::keyClick(m_main.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(Text(t, 0, Column(t, "Frequency (MHz)")), "1820.0000");
  // Copy as text: the header and the row.
  QTest::mouseClick(m_main->findChild<QAbstractButton *>(QStringLiteral("btnCopyMarkers")), Qt::LeftButton);
  const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Trace\tMarker\tFrequency (MHz)")));
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1\tM1\t1820.0000\t-14.000\t")));
}

// The docks are made when first asked for: their menu commands stay in step
// with them whichever way they are closed, and showing one again shows the
// same dock, not a second one.
TEST_F(DocksTest, ADockClosedByItsOwnButtonIsUncheckedAndComesBackOnce) {
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(m_main->findChild<QDockWidget *>(QStringLiteral("dockTraces")), nullptr);
  auto *command = m_main->findChild<QAction *>(QStringLiteral("mnuViewTraceList"));
  ASSERT_NE(command, nullptr);
  EXPECT_FALSE(command->isChecked());
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewTraceList"));
  auto *dock = m_main->findChild<QDockWidget *>(QStringLiteral("dockTraces"));
  ASSERT_NE(dock, nullptr);
  KORV_WAIT_TRUE(dock->isVisible());
  EXPECT_TRUE(command->isChecked());
  auto *close = dock->findChild<QAbstractButton *>(QStringLiteral("qt_dockwidget_closebutton"));
  ASSERT_NE(close, nullptr);
  QTest::mouseClick(close, Qt::LeftButton);
  KORV_WAIT_TRUE(!dock->isVisible());
  EXPECT_FALSE(command->isChecked());
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewTraceList"));
  KORV_WAIT_TRUE(dock->isVisible());
  EXPECT_EQ(m_main->findChildren<QDockWidget *>(QStringLiteral("dockTraces")).size(), 1);
  EXPECT_EQ(Table("tblTraces")->rowCount(), 2);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewTraceList"));
  KORV_WAIT_TRUE(!dock->isVisible());
}

TEST_F(DocksTest, TheTraceListSelectsRenamesDeletesAndDrags) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewTraceList"));
  QTableWidget *t = Table("tblTraces");
  ASSERT_NE(t, nullptr);
  KORV_WAIT_TRUE(t->isVisible());
  ASSERT_EQ(t->rowCount(), 2);
  EXPECT_EQ(Text(t, 1, 1), "Sector B");
  EXPECT_EQ(Text(t, 1, 2), "LX-2000QE");
  EXPECT_EQ(Text(t, 1, 3), "6/12/2026 10:14:06 AM");
  EXPECT_EQ(Text(t, 1, 4), "101");
  // A click makes the trace active.
  ClickCell(t, 1, 2);
  EXPECT_EQ(doc->ActiveTrace(), 1);
  // Rename in place: F2 on the label, type, Enter; one undo step.
  ClickCell(t, 1, 1);
  QTest::keyClick(t, Qt::Key_F2);
  auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(editor, QStringLiteral("Sector B jumper"));
  QTest::keyClick(editor, Qt::Key_Return);
  KORV_WAIT_TRUE(doc->Document().Doc.Traces[1].Label == "Sector B jumper");
  EXPECT_TRUE(doc->Graph()->SubsetLabel(1).contains(QStringLiteral("Sector B jumper")));
  // A label too long for the trace is refused with a box, nothing changes.
  QTest::keyClick(t, Qt::Key_F2);
  editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
  ASSERT_NE(editor, nullptr);
  QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(editor, QString(60, QLatin1Char('x')));
  QTest::keyClick(editor, Qt::Key_Return);
  KORV_WAIT_TRUE(!m_questions.isEmpty());
  EXPECT_EQ(doc->Document().Doc.Traces[1].Label, "Sector B jumper");
  EXPECT_EQ(Text(t, 1, 1), "Sector B jumper");
  EXPECT_TRUE(m_questions.last().contains(QStringLiteral("at most 50 bytes")));
  QTest::keyClick(m_main.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(doc->Document().Doc.Traces[1].Label, "Sector B");
  EXPECT_EQ(Text(t, 1, 1), "Sector B");
  // Del deletes the selected trace; undo brings it back.
  ClickCell(t, 0, 1);
  QTest::keyClick(t, Qt::Key_Delete);
  ASSERT_EQ(doc->Document().Doc.TraceCount(), 1);
  EXPECT_EQ(t->rowCount(), 1);
  EXPECT_EQ(Text(t, 0, 1), "Sector B");
  QTest::keyClick(m_main.get(), Qt::Key_Z, Qt::ControlModifier);
  ASSERT_EQ(doc->Document().Doc.TraceCount(), 2);
  EXPECT_EQ(t->rowCount(), 2);
  // A row dragged onto another window adds its trace there.
  ClickCell(t, 1, 1);
  QMimeData *mime = t->model()->mimeData({t->model()->index(1, 1)});
  ASSERT_NE(mime, nullptr);
  TfrmDoc *target = Open("target.kdt");
  ASSERT_NE(target, nullptr);
  target->SetDocument(korvtest::MakeDocument({korvtest::MakeTrace(51, 1700.0, 2000.0, [](int) { return -20.0; })}),
                      Doc("target.kdt"), false);
  EXPECT_TRUE(korvtest::DropOn(target, mime));
  delete mime;
  ASSERT_EQ(target->Document().Doc.TraceCount(), 2);
  EXPECT_EQ(target->Document().Doc.Traces[1].Label, "Sector B");
}

namespace {
// Pixels of the hue of `color` (a thin line is drawn smoothed, lighter) in
// the image the Edit menu's Copy Bitmap puts on the clipboard.
int PixelsOfColourInCopiedImage(TfrmMain &main, const QColor &color) {
  QApplication::clipboard()->clear();
  if (!korvtest::UseMenu(main, "mnuEdit", "mnuEditCopyBitmap")) return -1;
  const QImage image = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) return -1;
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = QColor::fromRgb(image.pixel(x, y));
      const int dh = std::abs(c.hsvHue() - color.hsvHue());
      if (c.hsvSaturation() > 60 && std::min(dh, 360 - dh) <= 12) ++count;
    }
  return count;
}
} // namespace

TEST_F(DocksTest, AHiddenTraceIsNeitherDrawnNorCopiedButKeepsItsDataAndComesBackOnUndo) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  // A marker on the trace to hide: it goes with the trace.
  doc->SetActiveTrace(1);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
  QTest::mouseClick(Xy(doc)->Plot(), Qt::LeftButton, Qt::NoModifier, PixelOf(doc, 1700.0 + 3.0 * 30, -40.2));
  ASSERT_EQ(doc->Document().Doc.Traces[1].ActiveMarks[0].Visible, 1);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewTraceList"));
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarkers"));
  QTableWidget *t = Table("tblTraces");
  QTableWidget *marks = Table("tblMarkers");
  ASSERT_NE(t, nullptr);
  KORV_WAIT_TRUE(t->isVisible() && marks->isVisible());
  ASSERT_EQ(marks->rowCount(), 1);
  const QColor colour = TraceStyle(1).Color;
  ASSERT_GT(PixelsOfColourInCopiedImage(*m_main, colour), 0);
  ASSERT_EQ(t->item(1, 0)->checkState(), Qt::Checked);
  const int annotations = static_cast<int>(doc->Graph()->GraphAnnotations().size());

  ASSERT_TRUE(doc->SaveFileW(doc->FileName()));
  // A click on the check box hides the trace: a view of the window, which
  // leaves the document unmodified.
  const QRect cell = t->visualItemRect(t->item(1, 0));
  QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(cell.left() + 10, cell.center().y()));
  KORV_WAIT_TRUE(doc->TraceHidden(1));
  EXPECT_EQ(t->item(1, 0)->checkState(), Qt::Unchecked);
  EXPECT_EQ(doc->Document().Doc.TraceCount(), 2);
  EXPECT_EQ(doc->ActiveTrace(), 0); // the hidden trace cannot stay active
  EXPECT_EQ(doc->Graph()->YData(1, 10), doc->Graph()->NullValue());
  EXPECT_TRUE(doc->Graph()->SubsetLabel(1).isEmpty());
  EXPECT_LT(static_cast<int>(doc->Graph()->GraphAnnotations().size()), annotations);
  EXPECT_EQ(marks->rowCount(), 0);
  EXPECT_EQ(PixelsOfColourInCopiedImage(*m_main, colour), 0);
  EXPECT_FALSE(doc->IsModified());
  // A save keeps the trace.
  ASSERT_TRUE(doc->SaveFileW(doc->FileName()));
  EXPECT_EQ(OpenDocument(doc->FileName().toStdString()).Document->Doc.TraceCount(), 2);
  // Undo shows it again, with its marker; redo hides it.
  QTest::keyClick(m_main.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_FALSE(doc->TraceHidden(1));
  EXPECT_EQ(t->item(1, 0)->checkState(), Qt::Checked);
  EXPECT_EQ(marks->rowCount(), 1);
  EXPECT_GT(PixelsOfColourInCopiedImage(*m_main, colour), 0);
  EXPECT_FALSE(doc->IsModified());
  QTest::keyClick(m_main.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(doc->TraceHidden(1));
  // Checking the box shows it again.
  QTest::mouseClick(t->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(cell.left() + 10, cell.center().y()));
  KORV_WAIT_TRUE(!doc->TraceHidden(1));
  EXPECT_NE(doc->Graph()->YData(1, 10), doc->Graph()->NullValue());
}
