// Markers and the limit line, used with the mouse and the keys as a user
// does: the menu commands, clicks on the graph, drags and the arrow keys.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMdiSubWindow>
#include <QMimeData>
#include <cmath>
#include <qcustomplot.h>

#include "measure/Convert.h"
#include "ui/UserDriver.h"
#include "ui/chart/GraphCursors.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/DocTestHelpers.h"
#include "ui/main/MainFixture.h"

using namespace korv;

namespace {

class MarkerTest : public MainWindowTest {
protected:
  // A shown main window with one document of the given traces (frequency view).
  TfrmDoc *Open(std::vector<TTraceData> traces) {
    TfrmMain &m = MakeMain();
    m.show();
    TfrmDoc *doc = m.OpenDocumentFile(Doc("m.kdt"));
    if (doc == nullptr) return nullptr;
    // Markers never placed, in both domains.
    for (auto &t : traces)
      for (TMarkerSet *set : {&t.ActiveMarks, &t.FreqMarks, &t.DistMarks})
        for (auto &slot : *set)
          slot.Point = -1, slot.Visible = 0;
    doc->SetDocument(korvtest::MakeDocument(traces), Doc("m.kdt"), false);
    doc->SetManualScale(true, 1690.0, 2010.0, true, -70.0, 0.0);
    doc->SetActiveTrace(0);
    m.MouseActionSelect(tmSelect);
    return doc;
  }
  static TXYGraph *Xy(TfrmDoc *doc) { return qobject_cast<TXYGraph *>(doc->Graph()); }
  static QPoint PixelOf(TfrmDoc *doc, double x, double y) { return Xy(doc)->GraphToPixel(QPointF(x, y)).toPoint(); }
  static void Click(TfrmDoc *doc, QPoint p) { QTest::mouseClick(Xy(doc)->Plot(), Qt::LeftButton, Qt::NoModifier, p); }
  static void Key(TfrmDoc *doc, Qt::Key key) { QTest::keyClick(doc->Graph(), key); }
  static QImage CursorImage(TfrmDoc *doc) { return doc->Graph()->cursor().pixmap().toImage(); }
  static const TMarkerSlot &Slot(TfrmDoc *doc, int trace, int slot) {
    return doc->Document().Doc.Traces[trace].ActiveMarks[static_cast<std::size_t>(slot)];
  }
};

// Points every 3 MHz from 1700, values falling by 0.1 dB a point from -10.
std::vector<TTraceData> Two() {
  return {korvtest::MakeTrace(101, 1700.0, 2000.0, [](int j) { return -10.0 - 0.1 * j; }),
          korvtest::MakeTrace(101, 1700.0, 2000.0, [](int j) { return -40.0 - 0.1 * (j % 7); })};
}

} // namespace

TEST_F(MarkerTest, AddMarkerPlacesOnTheNearestPointAndShowsItsReadout) {
  TfrmDoc *doc = Open(Two());
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
  EXPECT_EQ(m_main->ToolMode(), tmAddMarker);
  Click(doc, PixelOf(doc, 1700.0 + 3.0 * 40 + 0.4, -14.0)); // near point 40
  EXPECT_EQ(m_main->ToolMode(), tmSelect);
  EXPECT_EQ(Slot(doc, 0, 0).Visible, 1);
  EXPECT_EQ(Slot(doc, 0, 0).Point, 40);
  EXPECT_EQ(doc->ActiveMarker(), 0);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(doc->Graph()->MultiBottomTitle(2), "M1:(1820.00,-14.00)||");
  ASSERT_EQ(doc->Graph()->GraphAnnotations().size(), 1U);
  EXPECT_EQ(doc->Graph()->GraphAnnotations()[0].Color, QColor(128, 0, 0)); // the active marker
}

TEST_F(MarkerTest, ArrowsSpaceAndHideMark) {
  TfrmDoc *doc = Open(Two());
  ASSERT_NE(doc, nullptr);
  for (int place : {10, 60}) {
    ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
    Click(doc, PixelOf(doc, 1700.0 + 3.0 * place, -10.0 - 0.1 * place));
  }
  ASSERT_EQ(Slot(doc, 0, 1).Point, 60);
  ASSERT_EQ(doc->ActiveMarker(), 1);
  Key(doc, Qt::Key_Right);
  EXPECT_EQ(Slot(doc, 0, 1).Point, 61);
  Key(doc, Qt::Key_Up); // the largest value: the first point
  EXPECT_EQ(Slot(doc, 0, 1).Point, 0);
  Key(doc, Qt::Key_Left); // held at the first point
  EXPECT_EQ(Slot(doc, 0, 1).Point, 0);
  Key(doc, Qt::Key_Down);
  EXPECT_EQ(Slot(doc, 0, 1).Point, 100);
  Key(doc, Qt::Key_Right); // held at the last point
  EXPECT_EQ(Slot(doc, 0, 1).Point, 100);
  // Space from M2: the second trace has none, and back at the first the
  // search ends with nothing active.
  Key(doc, Qt::Key_Space);
  EXPECT_EQ(doc->ActiveMarker(), -1);
  EXPECT_EQ(doc->ActiveTrace(), -1);
  // With none active the search starts after M1: M2 again.
  Key(doc, Qt::Key_Space);
  EXPECT_EQ(doc->ActiveTrace(), 0);
  EXPECT_EQ(doc->ActiveMarker(), 1);
  // Hide Mark hides the active marker and keeps the tool at Select.
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarkerHide"));
  EXPECT_EQ(Slot(doc, 0, 1).Visible, 0);
  EXPECT_EQ(doc->ActiveMarker(), -1);
  EXPECT_EQ(m_main->ToolMode(), tmSelect);
  EXPECT_EQ(doc->Graph()->GraphAnnotations().size(), 1U);
}

// A marker step repaints the marks' layer only, and what the user sees is
// exactly what a full redraw shows; a change of more than the marks (the
// active trace's line width) still redraws everything.
TEST_F(MarkerTest, AMarkerStepRedrawsOnlyTheMarksAndLooksLikeAFullRedraw) {
  TfrmDoc *doc = Open(Two());
  ASSERT_NE(doc, nullptr);
  m_main->resize(900, 700);
  QApplication::processEvents();
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewLimitLine"));
  Click(doc, PixelOf(doc, 1800.0, -20.0));
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
  Click(doc, PixelOf(doc, 1700.0 + 3.0 * 30, -13.0));
  QCustomPlot *plot = Xy(doc)->Plot();
  // A tag on the traces' graph object: a full build makes new ones.
  plot->graph(0)->setProperty("probe", 1);
  for (int i = 0; i < 5; ++i)
    Key(doc, Qt::Key_Right);
  QApplication::processEvents();
  EXPECT_TRUE(plot->graph(0)->property("probe").isValid()) << "the traces were built again for a marker step";
  EXPECT_EQ(doc->Graph()->MultiBottomTitle(2).left(20), "M1:(1805.00,-13.50)|");
  const QImage stepped = plot->grab().toImage();
  doc->Graph()->Rebuild();
  QApplication::processEvents();
  EXPECT_EQ(stepped, plot->grab().toImage());

  // Space to none: every trace gets thin, so the traces are drawn again.
  const double activeWidth = plot->graph(0)->pen().widthF();
  Key(doc, Qt::Key_Space);
  Key(doc, Qt::Key_Space);
  ASSERT_EQ(doc->ActiveTrace(), -1);
  EXPECT_LT(plot->graph(0)->pen().widthF(), activeWidth);
}

TEST_F(MarkerTest, LimitLinePlacedDraggedAndMeasured) {
  TfrmDoc *doc = Open(Two());
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewLimitLine"));
  EXPECT_EQ(m_main->ToolMode(), tmLimitLine);
  Click(doc, PixelOf(doc, 1850.0, -25.0));
  const TTraceDoc &d = doc->Document().Doc;
  EXPECT_EQ(d.FreqLimitMode, 1);
  EXPECT_NEAR(d.FreqLimitValue, -25.0, 0.5);
  ASSERT_EQ(doc->Graph()->HorzLineAnnotations().size(), 1U);
  EXPECT_TRUE(doc->Graph()->HorzLineAnnotationsShown());
  // Drag the line with the Select tool.
  QWidget *plot = Xy(doc)->Plot();
  const QPoint from = PixelOf(doc, 1850.0, d.FreqLimitValue);
  const QPoint to = PixelOf(doc, 1850.0, -30.0);
  QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, from);
  EXPECT_EQ(doc->DragMode(), 3);
  EXPECT_EQ(CursorImage(doc), KorvCursor(TCursorId::DragLimitLine).pixmap().toImage());
  QTest::mouseMove(plot, to);
  QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, to);
  EXPECT_EQ(doc->DragMode(), 0);
  EXPECT_NEAR(d.FreqLimitValue, -30.0, 0.5);
  // A marker measured against the line, also while the line is hidden.
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
  Click(doc, PixelOf(doc, 1700.0, -10.0));
  auto &slot = doc->Document().Doc.Traces[0].ActiveMarks[0];
  slot.DeltaOn = true;
  slot.Reference = kRefLimitLine;
  doc->RefreshAnnotations();
  EXPECT_TRUE(doc->Graph()->MultiBottomTitle(2).contains("M1 - Lim:"))
      << doc->Graph()->MultiBottomTitle(2).toStdString();
  doc->SetActiveMarker(-1);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarkerHide")); // Hide Mark tool
  Click(doc, PixelOf(doc, 1850.0, d.FreqLimitValue));                      // on the line: hidden
  EXPECT_EQ(d.FreqLimitMode, 0);
  EXPECT_TRUE(doc->Graph()->MultiBottomTitle(2).contains("M1 - Lim:"));
  // The Limit Line command shows it again where it was.
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewLimitLine"));
  EXPECT_EQ(d.FreqLimitMode, 1);
  EXPECT_EQ(m_main->ToolMode(), tmSelect);
}

TEST_F(MarkerTest, MarkersDragAlongTheirTraceAndClicksPickTraces) {
  TfrmDoc *doc = Open(Two());
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
  Click(doc, PixelOf(doc, 1700.0 + 3.0 * 20, -12.0));
  ASSERT_EQ(Slot(doc, 0, 0).Point, 20);
  // The symbol stands just above the point: press on it and drag.
  const TGraphAnnotation a = doc->Graph()->GraphAnnotations()[0];
  QWidget *plot = Xy(doc)->Plot();
  QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, PixelOf(doc, a.X, a.Y));
  EXPECT_EQ(doc->DragMode(), 2);
  EXPECT_EQ(CursorImage(doc), KorvCursor(TCursorId::DragMarker).pixmap().toImage());
  const QPoint to = PixelOf(doc, 1700.0 + 3.0 * 70, -17.0);
  QTest::mouseMove(plot, to);
  QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, to);
  EXPECT_EQ(Slot(doc, 0, 0).Point, 70);
  EXPECT_EQ(doc->DragMode(), 0);
  EXPECT_EQ(doc->Graph()->cursor().shape(), Qt::ArrowCursor);
  // Dragged out of its graph and let go there: refused, the marker stays.
  const TGraphAnnotation moved = doc->Graph()->GraphAnnotations()[0];
  QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, PixelOf(doc, moved.X, moved.Y));
  const QPoint outside(plot->width() + 40, plot->height() / 2);
  QTest::mouseMove(plot, outside);
  EXPECT_EQ(doc->Graph()->cursor().shape(), Qt::ForbiddenCursor);
  QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, outside);
  EXPECT_EQ(Slot(doc, 0, 0).Point, 70);
  EXPECT_EQ(doc->Graph()->cursor().shape(), Qt::ArrowCursor);
  // Clicks: near trace 2 picks it; far from every trace keeps it.
  Click(doc, PixelOf(doc, 1800.0, -40.2));
  EXPECT_EQ(doc->ActiveTrace(), 1);
  Click(doc, PixelOf(doc, 1800.0, -60.0));
  EXPECT_EQ(doc->ActiveTrace(), 1);
  // Markers of another trace are grey.
  EXPECT_EQ(doc->Graph()->GraphAnnotations()[0].Color, QColor(128, 128, 128));
}

TEST_F(MarkerTest, StoredMarkersShowOnOpeningInBothDomains) {
  TfrmMain &m = MakeMain();
  m.show();
  auto doc = korvtest::MakeDocument({korvtest::MakeTrace(101, 1700.0, 2000.0, [](int j) { return -10.0 - 0.1 * j; })});
  TTraceData &t = doc->Doc.Traces[0];
  for (auto &s : t.FreqMarks)
    s.Point = -1;
  t.FreqMarks[0] = TMarkerSlot{1, 30, false, kRefNone, 0};
  t.FreqMarks[3] = TMarkerSlot{1, 80, true, 0, 1}; // a line marker with a delta to M1
  t.DistMarks = t.FreqMarks;
  t.DistMarks[3].Visible = 0;
  doc->Doc.PlotMode = pmFrequency;
  doc->LoadActiveMarks();
  TfrmDoc writer;
  writer.SetDocument(std::move(doc), {}, false);
  const QString file = QString::fromStdString(m_dir.File("marks.kdt"));
  ASSERT_TRUE(writer.SaveFileW(file));

  TfrmDoc *w = m.OpenDocumentFile(file);
  ASSERT_NE(w, nullptr);
  w->SetActiveTrace(0);
  ASSERT_EQ(w->AnnotationMap().Count(), 2);
  EXPECT_EQ(w->AnnotationMap().Slot(1), 3);
  EXPECT_EQ(w->Graph()->VertLineAnnotations()[1].Text, "|H4");
  EXPECT_TRUE(w->Graph()->MultiBottomTitle(2).contains("M4 - M1:"));
  // The distance domain has its own set.
  w->SetFaultDialogHook([](TfrmDoc &d, int trace) { return d.ApplyFaultSettings(trace); });
  ASSERT_TRUE(w->ShowFaultLocation());
  EXPECT_EQ(w->AnnotationMap().Count(), 1);
}

namespace {} // namespace

TEST_F(MarkerTest, ATraceDraggedIntoAnotherWindowJoinsItInItsUnit) {
  TfrmDoc *source = Open(Two());
  ASSERT_NE(source, nullptr);
  TfrmDoc *target = m_main->OpenDocumentFile(Doc("target.kdt"));
  ASSERT_NE(target, nullptr);
  target->SetDocument(
      korvtest::MakeDocument({korvtest::MakeTrace(51, 1700.0, 2000.0, [](int) { return 1.5; })}, suVSWR),
      Doc("target.kdt"), false);
  target->SetManualScale(true, 1750.0, 1800.0, true, 1.0, 2.0);
  target->ClearModified();
  bool dropped = false;
  TfrmDoc::SetDragHook([&](QMimeData *mime) { return dropped = korvtest::DropOn(target, mime); });
  // Press on trace 2 of the source and move: the drag starts.
  m_main->MouseActionSelect(tmSelect);
  QWidget *plot = Xy(source)->Plot();
  const QPoint on = PixelOf(source, 1850.0, -40.3);
  QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, on);
  QTest::mouseMove(plot, on + QPoint(30, 0));
  QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, on + QPoint(30, 0));
  TfrmDoc::SetDragHook({});
  EXPECT_TRUE(dropped);
  const TTraceDoc &d = target->Document().Doc;
  ASSERT_EQ(d.TraceCount(), 2);
  EXPECT_EQ(target->ActiveTrace(), 1);
  EXPECT_TRUE(target->IsModified());
  EXPECT_NEAR(d.Traces[1].Mag[0], RhoToVswr(ReturnLossToRho(-40.0)), 1e-6); // dB became VSWR
  // The manual X range widened to the data.
  EXPECT_LE(d.CurScale.XMin, 1700.0);
  EXPECT_GE(d.CurScale.XMax, 2000.0);
  EXPECT_EQ(source->Document().Doc.TraceCount(), 2); // the source keeps it
}

TEST_F(MarkerTest, TheFifteenthTraceIsRefusedOnDrop) {
  TfrmDoc *source = Open(Two());
  ASSERT_NE(source, nullptr);
  std::vector<TTraceData> fourteen;
  for (int i = 0; i < 14; ++i)
    fourteen.push_back(korvtest::MakeTrace(11, 1700.0, 2000.0, [](int) { return -20.0; }));
  TfrmDoc *target = m_main->OpenDocumentFile(Doc("full.kdt"));
  ASSERT_NE(target, nullptr);
  target->SetDocument(korvtest::MakeDocument(fourteen), Doc("full.kdt"), false);
  source->SetActiveTrace(0);
  EXPECT_FALSE(target->AcceptDroppedTrace(*source, 0));
  EXPECT_EQ(target->Document().Doc.TraceCount(), 14);
  ASSERT_FALSE(m_questions.isEmpty());
  EXPECT_EQ(m_questions.last(), kMsgTooManyTraces);
  // A window never drops onto itself.
  auto *mime = new QMimeData;
  mime->setData(TfrmDoc::TraceMimeType(), QByteArray::number(reinterpret_cast<quintptr>(source), 16) + ":0");
  EXPECT_FALSE(korvtest::DropOn(source, mime));
  delete mime;
}

TEST_F(MarkerTest, AddDocumentNamesEmptyWindowsAndKeepsDataKindsApart) {
  TfrmMain &m = MakeMain();
  TfrmDoc empty;
  auto received = korvtest::MakeDocument({korvtest::MakeTrace(11, 1700.0, 2000.0, [](int) { return -20.0; })});
  received->Doc.Traces[0].Label = "a/b:c";
  empty.AddDocument(*received, [](const std::string &n) { return n == "abc.kdt"; });
  EXPECT_EQ(empty.FileName(), "abc(1).kdt");
  EXPECT_EQ(empty.Document().Doc.TraceCount(), 1);
  auto distance = korvtest::MakeDocument({korvtest::MakeTrace(11, 0.0, 50.0, [](int) { return -20.0; })});
  distance->Doc.DataKind = 2;
  EXPECT_THROW(empty.AddDocument(*distance, [](const std::string &) { return false; }), EmoxIOTraceFormatErr);
  EXPECT_EQ(empty.Document().Doc.TraceCount(), 1);
  (void)m;
}

// The picture of markers, a delta readout and the limit line the README
// shows; with KORV_SCREENSHOT_DIR set it is written there.
TEST_F(MarkerTest, MarkersDeltasAndTheLimitLineInOnePicture) {
  TfrmDoc *doc =
      Open({korvtest::MakeTrace(238, 1700.0, 2000.0, [](int j) { return -22.0 - 8.0 * std::sin(j / 19.0) - 0.02 * j; }),
            korvtest::MakeTrace(238, 1700.0, 2000.0, [](int j) { return -17.0 - 6.0 * std::cos(j / 23.0); })});
  ASSERT_NE(doc, nullptr);
  m_main->resize(1200, 800);
  QMdiSubWindow *sub = qobject_cast<QMdiSubWindow *>(doc->parentWidget());
  sub->showMaximized();
  QApplication::processEvents();
  doc->SetManualScale(false, 0, 0, false, 0, 0);
  doc->AutoScale();
  // Two markers on the active trace, the second measured from the first, a
  // line marker on it too, and one on the other trace.
  for (int point : {40, 150, 200}) {
    ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
    const TPlotted p = doc->PlottedTrace(0);
    Click(doc, PixelOf(doc, p.X[static_cast<std::size_t>(point)], p.Y[static_cast<std::size_t>(point)]));
  }
  auto &marks = doc->Document().Doc.Traces[0].ActiveMarks;
  marks[1].DeltaOn = true;
  marks[1].Reference = 0;
  marks[2].Style = 1;
  marks[2].DeltaOn = true;
  marks[2].Reference = kRefLimitLine;
  doc->Document().Doc.Traces[1].ActiveMarks[0] = TMarkerSlot{1, 120, false, kRefNone, 0};
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewLimitLine"));
  Click(doc, PixelOf(doc, 1850.0, -15.0));
  doc->SetActiveMarker(1);
  doc->RefreshAnnotations();
  EXPECT_TRUE(doc->Graph()->MultiBottomTitle(1).contains("M2 - M1:"));
  EXPECT_TRUE(doc->Graph()->MultiBottomTitle(0).contains("M3 - Lim:"));
  // Exports carry the readouts too.
  const QString svg = QString::fromStdString(m_dir.File("markers.svg"));
  ASSERT_TRUE(doc->SaveImage(svg, QSize(1200, 800)));
  QFile f(svg);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  EXPECT_TRUE(bytes.contains("M2 - M1:")) << "no readout in the SVG export";
  EXPECT_TRUE(bytes.contains("Limit:"));
  const QByteArray dir = qgetenv("KORV_SCREENSHOT_DIR");
  if (!dir.isEmpty()) {
    EXPECT_TRUE(m_main->grab().toImage().save(QString::fromUtf8(dir) + "/markers_limit_line.png"));
    EXPECT_TRUE(doc->SaveImage(QString::fromUtf8(dir) + "/markers_limit_line_export.png", QSize(1200, 800)));
  }
}
