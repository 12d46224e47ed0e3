// Values where they cross a seam, used as a user does: traces pasted and
// dropped from windows of other units, the cable-loss view, the axis
// fields of the options dialog, the Limit Line tool on a marker, markers
// of a reopened file, and a window reused after an empty document.
#include <QAbstractButton>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <cmath>
#include <qcustomplot.h>

#include "measure/Convert.h"
#include "ui/UserDriver.h"
#include "ui/chart/XYGraph.h"
#include "ui/document/DocTestHelpers.h"
#include "ui/main/MainFixture.h"

using namespace korv;

namespace {

class ValuesTest : public MainWindowTest {
protected:
  TfrmMain &Main() {
    if (!m_main) MakeMain().show();
    return *m_main;
  }
  // A window of the given traces (markers never placed), made active.
  TfrmDoc *Window(const std::string &name, std::vector<TTraceData> traces, int unit = suReturnLoss,
                  int distUnit = duMeters) {
    TfrmDoc *doc = Main().OpenDocumentFile(Doc(name));
    if (doc == nullptr) return nullptr;
    for (auto &t : traces)
      for (TMarkerSet *set : {&t.ActiveMarks, &t.FreqMarks, &t.DistMarks})
        for (auto &slot : *set)
          slot.Point = -1, slot.Visible = 0;
    auto d = korvtest::MakeDocument(traces, unit);
    d->Doc.DistUnit = static_cast<std::uint8_t>(distUnit);
    doc->SetDocument(std::move(d), Doc(name), false);
    doc->SetFaultDialogHook([](TfrmDoc &w, int index) { return w.ApplyFaultSettings(index); });
    doc->SetActiveTrace(0);
    Main().MouseActionSelect(tmSelect);
    return doc;
  }
  static TXYGraph *Xy(TfrmDoc *doc) { return qobject_cast<TXYGraph *>(doc->Graph()); }
  static QPoint PixelOf(TfrmDoc *doc, double x, double y) { return Xy(doc)->GraphToPixel(QPointF(x, y)).toPoint(); }
  static void Click(TfrmDoc *doc, QPoint p) { QTest::mouseClick(Xy(doc)->Plot(), Qt::LeftButton, Qt::NoModifier, p); }
  bool Menu(const char *menu, const char *item) {
    return korvtest::UseMenu(Main(), QString::fromLatin1(menu), QString::fromLatin1(item));
  }
  // Right-clicks the graph and clicks a pop-up item.
  void PopUp(TfrmDoc *doc, const char *item) {
    QWidget *plot = Xy(doc)->Plot();
    QTest::mouseClick(plot, Qt::RightButton, Qt::NoModifier, QPoint(plot->width() / 2, plot->height() / 2));
    QApplication::processEvents();
    QMenu *menu = m_main->PopupMenu();
    ASSERT_TRUE(menu->isVisible());
    korvtest::ClickMenuItem(menu, m_main->Action(QString::fromLatin1(item)));
  }
  template <typename T> static T *Find(QWidget *dialog, const char *name) { return korvtest::FindIn<T>(dialog, name); }
  static void Tick(QAbstractButton *b) { korvtest::Tick(b); }
  static void Ok(QWidget *dialog) { korvtest::ClickOk(dialog); }
  static void Type(QWidget *w, const QString &text) { korvtest::TypeInto(w, text); }
};

// Return loss from -30 dB rising 0.1 dB a point, 1700 to 2200 MHz.
TTraceData Ramp() {
  return korvtest::MakeTrace(101, 1700.0, 2200.0, [](int j) { return -30.0 + 0.1 * j; });
}
TTraceData Flat(double value) {
  return korvtest::MakeTrace(101, 1700.0, 2200.0, [value](int) { return value; });
}
double DbToVswr(double db) { return RhoToVswr(ReturnLossToRho(db)); }

// A trace that arrived holds the source's trace in VSWR and metres.
void ExpectVswrMetres(const TTraceData &got, const TTraceData &src) {
  ASSERT_EQ(got.DistMag.size(), src.DistMag.size());
  ASSERT_FALSE(src.DistMag.empty());
  for (std::size_t j = 0; j < src.DistMag.size(); ++j) {
    EXPECT_NEAR(got.Mag[j], DbToVswr(src.Mag[j]), 1e-9) << j;
    // A trace joining a distance view is transformed again, from cable
    // values kept in single precision: equal to a few parts in a million.
    EXPECT_NEAR(got.DistMag[j], DbToVswr(src.DistMag[j]), 1e-4) << j;
    EXPECT_NEAR(got.DistAxis[j], FeetToMetres(src.DistAxis[j]), 1e-4) << j;
  }
  EXPECT_NEAR(got.StopDist, FeetToMetres(src.StopDist), 1e-4);
  EXPECT_NEAR(got.Loss, src.Loss * kFeetPerMetre, 1e-6);
}

} // namespace

TEST_F(ValuesTest, PastedAndDroppedTracesArriveInBothUnitsOfTheirWindow) {
  // A dB trace in feet, shown as a fault location; the target: VSWR in metres.
  TfrmDoc *source = Window("feet.kdt", {Ramp()}, suReturnLoss, duFeet);
  ASSERT_NE(source, nullptr);
  ASSERT_TRUE(Menu("mnuView", "mnuViewDTF"));
  ASSERT_EQ(source->PlotMode(), pmDistance);
  const TTraceData src = source->Document().Doc.Traces[0];
  ASSERT_TRUE(Menu("mnuEdit", "mnuEditCopy"));

  TfrmDoc *target = Window("vswr.kdt", {Flat(1.2)}, suVSWR, duMeters);
  ASSERT_NE(target, nullptr);
  ASSERT_TRUE(Menu("mnuEdit", "mnuEditPaste"));
  ASSERT_EQ(target->Document().Doc.TraceCount(), 2);
  ExpectVswrMetres(target->Document().Doc.Traces[1], src);
  // In the distance view the pasted trace plots VSWR values, at metres.
  ASSERT_TRUE(Menu("mnuView", "mnuViewDTF"));
  ASSERT_EQ(target->PlotMode(), pmDistance);
  const TPlotted shown = target->PlottedTrace(1);
  ASSERT_FALSE(shown.Y.empty());
  for (const double y : shown.Y)
    EXPECT_GE(y, 1.0);

  // The same trace dragged over from the source window.
  TfrmDoc::SetDragHook([&](QMimeData *mime) { return korvtest::DropOn(target, mime); });
  Main().MouseActionSelect(tmSelect);
  QWidget *plot = Xy(source)->Plot();
  const QPoint on = PixelOf(source, src.DistAxis[30], src.DistMag[30]);
  QTest::mousePress(plot, Qt::LeftButton, Qt::NoModifier, on);
  QTest::mouseMove(plot, on + QPoint(30, 0));
  QTest::mouseRelease(plot, Qt::LeftButton, Qt::NoModifier, on + QPoint(30, 0));
  TfrmDoc::SetDragHook({});
  ASSERT_EQ(target->Document().Doc.TraceCount(), 3);
  ExpectVswrMetres(target->Document().Doc.Traces[2], src);

  // A received trace merged into the active window: the same conversion.
  TmoxDocument received(TmoxDocument::EmptyTag{});
  received.Doc = source->Document().Doc;
  target->AddDocument(received, [](const std::string &) { return false; });
  ASSERT_EQ(target->Document().Doc.TraceCount(), 4);
  ExpectVswrMetres(target->Document().Doc.Traces[3], src);
}

TEST_F(ValuesTest, CableLossViewScalesAndLimitFollowTheShownUnit) {
  TfrmDoc *doc = Window("cl.kdt", {Ramp()});
  ASSERT_NE(doc, nullptr);
  doc->SetManualScale(true, 1690.0, 2210.0, true, -35.0, 0.0);
  TTraceDoc &d = doc->Document().Doc;
  d.FreqLimitMode = 1;
  d.FreqLimitValue = -16.0;
  d.DistLimitMode = 1;
  d.DistLimitValue = -24.0;
  korvtest::ModalAnswerer answer;
  answer.Then([&](QWidget *dialog) {
    Tick(Find<QRadioButton>(dialog, "rbMatchUnit4")); // Cable Loss
    Ok(dialog);
  });
  PopUp(doc, "pmnuOptGraph");
  ASSERT_EQ(d.ScaleUnit, suCableLoss);
  // The line stands for the same return loss: half of it one way.
  EXPECT_NEAR(d.FreqLimitValue, -8.0, 1e-9);
  EXPECT_NEAR(d.DistLimitValue, -24.0, 1e-9);
  // The Y axis fits the loss series (about -14.8 to -10.2), not the return loss.
  const auto inside = [doc] {
    const TAxisRange y = doc->Graph()->ShownY();
    const TPlotted p = doc->PlottedTrace(0);
    for (const double v : p.Y)
      if (v < y.Min || v > y.Max) return false;
    return y.Min > -20.0 && y.Max < -5.0;
  };
  EXPECT_TRUE(inside()) << doc->Graph()->ShownY().Min << ".." << doc->Graph()->ShownY().Max;
  ASSERT_TRUE(Menu("mnuView", "mnuViewAutoScale"));
  EXPECT_TRUE(inside()) << doc->Graph()->ShownY().Min << ".." << doc->Graph()->ShownY().Max;
  // Back to return loss: the line returns to -16 dB.
  answer.Then([&](QWidget *dialog) {
    Tick(Find<QRadioButton>(dialog, "rbMatchUnit0"));
    Ok(dialog);
  });
  PopUp(doc, "pmnuOptGraph");
  EXPECT_NEAR(d.FreqLimitValue, -16.0, 1e-9);
}

TEST_F(ValuesTest, AxisFieldsRefuseWhatIsNotWhollyANumber) {
  TfrmDoc *doc = Window("axis.kdt", {Ramp()});
  ASSERT_NE(doc, nullptr);
  doc->SetManualScale(true, 1690.0, 2210.0, false, 0.0, 0.0); // Y automatic
  const TAxisRange shown = doc->Graph()->ShownY();
  korvtest::ModalAnswerer answer;
  QString offered, afterO, afterExp;
  bool stayed = false;
  answer.Then([&](QWidget *dialog) {
    auto *min = Find<QLineEdit>(dialog, "editYMin");
    auto *max = Find<QLineEdit>(dialog, "editYMax");
    // Ticking Manual Scale starts from the range on screen.
    Tick(Find<QAbstractButton>(dialog, "cbManualY"));
    offered = min->text() + ".." + max->text();
    Type(min, QStringLiteral("-4O"));
    Ok(dialog);
    afterO = min->selectedText();
    stayed = dialog->isVisible();
    Type(min, QStringLiteral("-40"));
    Type(max, QStringLiteral("1e400"));
    Ok(dialog);
    afterExp = max->selectedText();
    stayed = stayed && dialog->isVisible();
    Type(max, QStringLiteral("-5"));
    Ok(dialog);
  });
  PopUp(doc, "pmnuOptGraph");
  EXPECT_EQ(offered, QString::number(shown.Min, 'g', 8) + ".." + QString::number(shown.Max, 'g', 8));
  EXPECT_TRUE(stayed);
  EXPECT_EQ(afterO, "-4O");
  EXPECT_EQ(afterExp, "1e400");
  EXPECT_TRUE(m_questions.contains(QStringLiteral("Y Axis Min: \"-4O\" is not a number.")))
      << m_questions.join('|').toStdString();
  EXPECT_TRUE(m_questions.contains(QStringLiteral("Y Axis Max: \"1e400\" is not a number.")));
  EXPECT_TRUE(doc->ManualY());
  EXPECT_DOUBLE_EQ(doc->Graph()->ShownY().Min, -40.0);
  EXPECT_DOUBLE_EQ(doc->Graph()->ShownY().Max, -5.0);
}

TEST_F(ValuesTest, LimitLineToolOnAMarkerTakesTheMarkersValue) {
  TfrmDoc *doc = Window("limit.kdt", {Ramp()});
  ASSERT_NE(doc, nullptr);
  doc->SetManualScale(true, 1690.0, 2210.0, true, -35.0, 0.0);
  TMarkerSlot &m = doc->Document().Doc.Traces[0].ActiveMarks[0];
  m.Visible = 1, m.Point = 40; // 1900 MHz, -26 dB
  doc->RefreshAnnotations();
  ASSERT_TRUE(Menu("mnuView", "mnuViewLimitLine"));
  ASSERT_EQ(Main().ToolMode(), tmLimitLine);
  Click(doc, PixelOf(doc, 1900.0, -26.0) + QPoint(2, 4)); // on the symbol, not its centre
  const TTraceDoc &d = doc->Document().Doc;
  EXPECT_EQ(d.FreqLimitMode, 1);
  EXPECT_DOUBLE_EQ(d.FreqLimitValue, d.Traces[0].Mag[40]);
  EXPECT_EQ(doc->ActiveMarker(), -1);
  EXPECT_EQ(Main().ToolMode(), tmSelect);
  // A delta to the line reads with its sign: the marker lies below it.
  doc->Document().Doc.Traces[0].ActiveMarks[1] = {1, 10, true, kRefLimitLine, 0};
  doc->RefreshAnnotations();
  EXPECT_TRUE(doc->Graph()->MultiBottomTitle(1).contains("M2 - Lim:(1750.00, -3.00)"))
      << doc->Graph()->MultiBottomTitle(1).toStdString();
}

TEST_F(ValuesTest, AddMarkerWaitsForTheClickOnAReopenedFile) {
  TfrmDoc *doc = Window("saved.kdt", {Ramp()});
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(doc->SaveFileW(doc->FileName()));
  const QString path = doc->FileName() + QStringLiteral(".copy.kdt");
  ASSERT_TRUE(QFile::copy(doc->FileName(), path));
  TfrmDoc *again = Main().OpenDocumentFile(path);
  ASSERT_NE(again, nullptr);
  again->SetActiveTrace(0);
  EXPECT_LT(again->Document().Doc.Traces[0].ActiveMarks[0].Point, 0); // never placed
  ASSERT_TRUE(Menu("mnuView", "mnuViewMarker1"));
  EXPECT_EQ(Main().ToolMode(), tmAddMarker);
  EXPECT_TRUE(again->Graph()->GraphAnnotations().empty());      // nothing shown before the click
  Click(again, PixelOf(again, 1700.0 + 5.0 * 60 + 1.0, -24.0)); // near point 60
  EXPECT_EQ(again->Document().Doc.Traces[0].ActiveMarks[0].Point, 60);
  EXPECT_EQ(again->Graph()->GraphAnnotations().size(), 1U);
}

TEST_F(ValuesTest, AWindowForgetsTheZoomOfItsEmptyDocument) {
  TfrmDoc *doc = Window("empty.kdt", {Flat(-20.0)});
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(Menu("mnuEdit", "mnuEditDelete"));
  ASSERT_EQ(doc->Document().Doc.TraceCount(), 0);
  ASSERT_TRUE(Menu("mnuView", "mnuViewZoomIn"));
  QWidget *plot = Xy(doc)->Plot();
  QTest::mouseClick(plot, Qt::LeftButton, Qt::NoModifier, QPoint(plot->width() / 2, plot->height() / 2));
  ASSERT_TRUE(doc->IsZoomed());
  // A received trace fills the empty window.
  TmoxDocument received(TmoxDocument::EmptyTag{});
  received.Doc.AddTrace(Ramp());
  doc->AddDocument(received, [](const std::string &) { return false; });
  ASSERT_EQ(doc->Document().Doc.TraceCount(), 1);
  EXPECT_FALSE(doc->IsZoomed());
  const TAxisRange x = doc->Graph()->ShownX();
  EXPECT_LE(x.Min, 1700.0);
  EXPECT_GE(x.Max, 2200.0);
  ASSERT_TRUE(Menu("mnuView", "mnuViewAutoScale"));
  const TAxisRange y = doc->Graph()->ShownY();
  EXPECT_LE(y.Min, -30.0);
  EXPECT_GE(y.Max, -20.0);
}
