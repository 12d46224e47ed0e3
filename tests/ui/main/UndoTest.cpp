// Undo and Redo of the Edit menu and their keys: every kind of change is
// undone to the very bytes the document would save, and redone to them.
#include <QMimeData>
#include <QUndoStack>
#include <qcustomplot.h>

#include "core/DocFile.h"
#include "ui/UserDriver.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/DocTestHelpers.h"
#include "ui/main/MainFixture.h"

using namespace korv;

namespace {

// What a save would write of the document as it is now: the marks and the
// scale of the shown view go into their stored sets first.
std::vector<std::uint8_t> Dump(const TfrmDoc &doc) {
  TmoxDocument copy = doc.Document();
  TTraceDoc &d = copy.Doc;
  if (d.PlotMode != pmSmith) copy.StoreActiveMarks();
  TScaleGroup &group = d.PlotMode == pmDistance ? d.DistScale : d.FreqScale;
  group = d.CurScale;
  std::swap(group.Flag1, group.Flag2);
  d.Modified = 0;
  for (int i = 0; i < d.TraceCount(); ++i) // compared apart: not all views store them
    d.Traces[i].ActiveMarks = {};
  auto bytes = DocumentFileBytes(copy);
  for (int i = 0; i < doc.Document().Doc.TraceCount(); ++i)
    for (const TMarkerSlot &m : doc.Document().Doc.Traces[i].ActiveMarks)
      bytes.insert(bytes.end(), {m.Visible, static_cast<std::uint8_t>(m.Point), m.DeltaOn, m.Style});
  return bytes;
}

class UndoTest : public TracesWindowTest {
protected:
  TfrmDoc *Open(const char *name = "u.kdt") { return OpenTraces(name, TwoTraces(), -70.0, 0.0); }
  static void Click(TfrmDoc *doc, QPoint p) { QTest::mouseClick(Xy(doc)->Plot(), Qt::LeftButton, Qt::NoModifier, p); }
  void Keys(QKeySequence seq) {
    // No window manager gives the main window the focus back when a dialog
    // closes here: the user's click on it does.
    if (QApplication::activeWindow() != m_main.get()) {
      m_main->activateWindow();
      ASSERT_TRUE(QTest::qWaitForWindowActive(m_main.get()));
    }
    QTest::keySequence(m_main.get(), seq);
    QApplication::processEvents();
  }
  void UndoKey() { Keys(QKeySequence(Qt::CTRL | Qt::Key_Z)); }
  // Redo alternates between its keys and the Edit menu.
  void RedoKey(bool y) {
    if (y)
      Keys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    else
      ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuEdit", "mnuEditRedo"));
  }

  // Runs a change, then undoes it with Ctrl+Z and redoes it, checking the
  // document at each end; `steps` undo steps make the change.
  template <typename Change> void RoundTrip(TfrmDoc *doc, const char *what, Change change, int steps = 1) {
    SCOPED_TRACE(what);
    const auto before = Dump(*doc);
    change();
    const auto after = Dump(*doc);
    ASSERT_NE(before, after) << "the change changed nothing";
    for (int k = 0; k < steps; ++k)
      UndoKey();
    EXPECT_EQ(Dump(*doc), before);
    for (int k = 0; k < steps; ++k)
      RedoKey(k % 2 == 0);
    const auto redone = Dump(*doc);
    EXPECT_EQ(redone.size(), after.size());
    for (std::size_t i = 0; i < std::min(redone.size(), after.size()); ++i)
      if (redone[i] != after[i]) {
        ADD_FAILURE() << "redone differs at byte " << i << " of " << after.size() << ": "
                      << std::string(after.begin() + static_cast<long>(i > 40 ? i - 40 : 0),
                                     after.begin() + static_cast<long>(std::min(after.size(), i + 20)))
                      << " / "
                      << std::string(redone.begin() + static_cast<long>(i > 40 ? i - 40 : 0),
                                     redone.begin() + static_cast<long>(std::min(redone.size(), i + 20)));
        break;
      }
  }
};

} // namespace

TEST_F(UndoTest, MarkersAndTheLimitLineUndoOneUserActionAtATime) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  RoundTrip(doc, "place a marker", [&] {
    ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarker1"));
    Click(doc, PixelOf(doc, 1700.0 + 3.0 * 20, -12.0));
  });
  ASSERT_EQ(doc->Document().Doc.Traces[0].ActiveMarks[0].Point, 20);
  RoundTrip(doc, "drag the marker over many points", [&] {
    const TGraphAnnotation a = doc->Graph()->GraphAnnotations()[0];
    QWidget *plot = Xy(doc)->Plot();
    QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, PixelOf(doc, a.X, a.Y));
    for (int p = 25; p <= 70; p += 5)
      QTest::mouseMove(plot, PixelOf(doc, 1700.0 + 3.0 * p, -10.0 - 0.1 * p));
    QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, PixelOf(doc, 1700.0 + 3.0 * 70, -17.0));
    EXPECT_EQ(doc->Document().Doc.Traces[0].ActiveMarks[0].Point, 70);
  });
  RoundTrip(doc, "arrow keys in a row", [&] {
    for (int k = 0; k < 4; ++k)
      QTest::keyClick(doc->Graph(), Qt::Key_Right);
    EXPECT_EQ(doc->Document().Doc.Traces[0].ActiveMarks[0].Point, 74);
  });
  RoundTrip(doc, "place the limit line", [&] {
    ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewLimitLine"));
    Click(doc, PixelOf(doc, 1800.0, -25.0));
  });
  RoundTrip(doc, "hide the marker", [&] {
    // Without an active marker Hide Mark is a tool: click the marker.
    ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewMarkerHide"));
    const TGraphAnnotation a = doc->Graph()->GraphAnnotations()[0];
    Click(doc, PixelOf(doc, a.X, a.Y));
    EXPECT_EQ(doc->Document().Doc.Traces[0].ActiveMarks[0].Visible, 0);
  });
  // The Edit menu names the step it undoes.
  EXPECT_EQ(m_main->Action(QStringLiteral("mnuEditUndo")), nullptr); // no TCommand: found on the menu
  QAction *undo = m_main->findChild<QAction *>(QStringLiteral("mnuEditUndo"));
  ASSERT_NE(undo, nullptr);
  EXPECT_EQ(undo->text(), QStringLiteral("&Undo Hide Marker"));
  EXPECT_TRUE(undo->isEnabled());
}

TEST_F(UndoTest, TracesUnitsViewsAndSettingsComeBackExactly) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  RoundTrip(doc, "delete", [&] { ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuEdit", "mnuEditDelete")); });
  EXPECT_EQ(doc->Document().Doc.TraceCount(), 1);
  UndoKey();
  ASSERT_EQ(doc->Document().Doc.TraceCount(), 2);
  RoundTrip(
      doc, "cut and paste",
      [&] {
        ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuEdit", "mnuEditCut"));
        ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuEdit", "mnuEditPaste"));
        EXPECT_EQ(doc->Document().Doc.Traces[1].Label, "Sector A");
      },
      2);
  RoundTrip(doc, "unit", [&] {
    korvtest::ModalAnswerer answer;
    answer.Then([&](QWidget *dialog) {
      QTest::mouseClick(dialog->findChild<QAbstractButton *>(QStringLiteral("rbMatchUnit1")), Qt::LeftButton,
                        Qt::NoModifier, QPoint(7, 7));
      QTest::mouseClick(dialog->findChild<QAbstractButton *>(QStringLiteral("btnOK")), Qt::LeftButton);
    });
    ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewOptions"));
    EXPECT_EQ(doc->Document().Doc.ScaleUnit, suVSWR);
  });
  RoundTrip(doc, "view", [&] { ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewSmithChart")); });
  UndoKey();
  EXPECT_EQ(doc->PlotMode(), pmFrequency);
  EXPECT_TRUE(m_main->Action("mnuViewXYGraph")->isChecked());
  RoundTrip(doc, "fault-location settings", [&] {
    doc->SetFaultDialogHook([](TfrmDoc &d, int) {
      d.Document().Doc.Traces[0].Loss = 0.2F;
      return d.ApplyFaultSettings(0);
    });
    ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuTools", "mnuToolsCalcDTF"));
  });
  RoundTrip(doc, "rename", [&] { ASSERT_TRUE(doc->RenameTrace(1, QStringLiteral("Sector B, jumper 2"))); });
  RoundTrip(doc, "autoscale", [&] { Keys(QKeySequence(Qt::Key_F5)); });
}

TEST_F(UndoTest, ADroppedTraceIsOneStepOfTheTarget) {
  TfrmDoc *source = Open("s.kdt");
  ASSERT_NE(source, nullptr);
  TfrmDoc *target = m_main->OpenDocumentFile(Doc("t.kdt"));
  ASSERT_NE(target, nullptr);
  const auto before = Dump(*target);
  const int count = target->Document().Doc.TraceCount();
  TfrmDoc::SetDragHook([&](QMimeData *mime) { return korvtest::DropOn(target, mime); });
  QWidget *plot = Xy(source)->Plot();
  const QPoint on = PixelOf(source, 1850.0, -40.3);
  QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, on);
  QTest::mouseMove(plot, on + QPoint(30, 0));
  QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, on + QPoint(30, 0));
  TfrmDoc::SetDragHook({});
  ASSERT_EQ(target->Document().Doc.TraceCount(), count + 1);
  ASSERT_EQ(m_main->ActiveDocument(), target);
  UndoKey();
  EXPECT_EQ(Dump(*target), before);
  EXPECT_FALSE(target->IsModified());
  // The source lost nothing and has nothing to undo from the drag.
  EXPECT_EQ(source->Document().Doc.TraceCount(), 2);
}

TEST_F(UndoTest, SavingMarksTheCleanStateAndReceivedTracesStartAfresh) {
  TfrmDoc *doc = Open();
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuEdit", "mnuEditDelete"));
  ASSERT_TRUE(doc->SaveFileW(doc->FileName()));
  EXPECT_FALSE(doc->IsModified());
  Keys(QKeySequence(Qt::Key_F5));
  ASSERT_TRUE(korvtest::UseMenu(*m_main, "mnuView", "mnuViewSmithChart"));
  EXPECT_TRUE(doc->IsModified());
  UndoKey();
  UndoKey();
  EXPECT_FALSE(doc->IsModified()); // back where it was saved
  UndoKey();
  EXPECT_TRUE(doc->IsModified()); // before the save: the trace is back
  EXPECT_EQ(doc->Document().Doc.TraceCount(), 2);
  RedoKey(true);
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(doc->Document().Doc.TraceCount(), 1);

  // A received trace joins outside the history, which starts again.
  TmoxDocument received(TmoxDocument::EmptyTag{});
  received.Doc.AddTrace(korvtest::MakeTrace(101, 1700.0, 2000.0, [](int) { return -20.0; }));
  doc->AddDocument(received, [](const std::string &) { return false; });
  EXPECT_EQ(doc->Document().Doc.TraceCount(), 2);
  EXPECT_FALSE(doc->CanUndo());
  EXPECT_FALSE(m_main->findChild<QAction *>(QStringLiteral("mnuEditUndo"))->isEnabled());
  UndoKey();
  EXPECT_EQ(doc->Document().Doc.TraceCount(), 2);
}
