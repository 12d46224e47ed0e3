// The mouse readout and the graph's mouse routing by tool mode.
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

#include "ui/chart/XYGraph.h"
#include "ui/main/MainFixture.h"

using namespace korv;

TEST(MouseReadout, NearestOfTheTwoNeighbouringPoints) {
  TXYGraph graph;
  graph.SetSubsets(2);
  graph.SetPoints(4);
  for (int j = 0; j < 4; ++j) {
    graph.SetXData(0, j, 100.0 + 10.0 * j); // 100, 110, 120, 130
    graph.SetYData(0, j, -20.0 - j);
    graph.SetXData(1, j, 100.0 + 10.0 * j);
    graph.SetYData(1, j, 1.5 + j);
  }
  EXPECT_EQ(MouseReadoutText(graph, 0, 111.0), "(110.00,-21.00)");
  EXPECT_EQ(MouseReadoutText(graph, 0, 117.0), "(120.00,-22.00)");
  EXPECT_EQ(MouseReadoutText(graph, 0, 115.0), "(110.00,-21.00)"); // a tie goes to the first
  EXPECT_EQ(MouseReadoutText(graph, 1, 121.0), "(120.00,3.50)");
  // Outside the trace the index is held to the first and last pairs.
  EXPECT_EQ(MouseReadoutText(graph, 0, -5000.0), "(100.00,-20.00)");
  EXPECT_EQ(MouseReadoutText(graph, 0, 9999.0), "(130.00,-23.00)");
  EXPECT_EQ(MouseReadoutText(graph, 2, 110.0), "");
  graph.SetPoints(1);
  EXPECT_EQ(MouseReadoutText(graph, 0, 100.0), "");
}

TEST(MouseReadout, CoincidentFirstPointsDoNotDivideByZero) {
  TXYGraph graph;
  graph.SetSubsets(1);
  graph.SetPoints(3);
  for (int j = 0; j < 3; ++j) {
    graph.SetXData(0, j, j == 2 ? 7.0 : 5.0);
    graph.SetYData(0, j, j);
  }
  // The quotient is taken as huge: the last pair of points is used.
  EXPECT_EQ(MouseReadoutText(graph, 0, 6.5), "(7.00,2.00)");
  EXPECT_EQ(MouseReadoutText(graph, 0, 5.2), "(5.00,1.00)");
}

TEST_F(MainWindowTest, GraphClicksFollowTheToolAndRightClickOpensThePopup) {
  TfrmMain &m = MakeMain();
  m.show();
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.kdt"));
  ASSERT_NE(doc, nullptr);
  doc->SetPlotMode(pmFrequency);
  m.UpdateMenuItems();
  emit doc->graphMousePressed(QPoint(50, 50), Qt::LeftButton); // Select: nothing zooms
  EXPECT_EQ(doc->ZoomLevel(), 0);
  m.Action("tlbtnZoomIn")->trigger();
  EXPECT_EQ(m.ToolMode(), tmZoomIn);
  emit doc->graphMousePressed(QPoint(50, 50), Qt::LeftButton);
  EXPECT_EQ(doc->ZoomLevel(), 1);
  EXPECT_TRUE(m.CommandEnabled("mnuViewZoomOut"));
  m.Action("mnuViewZoomOut")->trigger();
  emit doc->graphMousePressed(QPoint(50, 50), Qt::LeftButton);
  EXPECT_EQ(doc->ZoomLevel(), 0);
  EXPECT_EQ(m.ToolMode(), tmSelect); // leaving the last zoom step selects again
  emit doc->graphMousePressed(QPoint(20, 20), Qt::RightButton);
  EXPECT_TRUE(m.PopupMenu()->isVisible());
  m.PopupMenu()->close();
}

TEST_F(MainWindowTest, ViewCommandsSwitchTheActiveDocument) {
  TfrmMain &m = MakeMain();
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.kdt"));
  ASSERT_NE(doc, nullptr);
  m.Action("mnuViewSmithChart")->trigger();
  EXPECT_EQ(doc->PlotMode(), pmSmith);
  EXPECT_TRUE(m.Action("tlbtnSmithChart")->isChecked());
  EXPECT_FALSE(m.CommandEnabled("mnuViewZoomIn"));
  m.Action("tlbtnXYGraph")->trigger();
  EXPECT_EQ(doc->PlotMode(), pmFrequency);
  EXPECT_TRUE(m.Action("mnuViewXYGraph")->isChecked());
  EXPECT_EQ(m.ToolMode(), tmSelect);
  // A cancelled fault-location dialog keeps the view and re-selects its button.
  for (int i = 0; i < doc->Document().Doc.TraceCount(); ++i)
    doc->Document().Doc.Traces[i].DistAxis.clear();
  doc->SetFaultDialogHook([](TfrmDoc &, int) { return false; });
  m.Action("mnuViewDTF")->trigger();
  EXPECT_EQ(doc->PlotMode(), pmFrequency);
  EXPECT_TRUE(m.Action("tlbtnXYGraph")->isChecked());
  EXPECT_FALSE(m.Action("tlbtnDTF")->isChecked());
}

TEST_F(MainWindowTest, DroppedFilesOpenLikeFileOpen) {
  TfrmMain &m = MakeMain();
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(Doc("dropped.kdt")), QUrl(QStringLiteral("https://example.com/x.kdt"))});
  QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  // Without a real drag the application routes drops nowhere: deliver it.
  static_cast<QObject &>(m).event(&drop);
  EXPECT_TRUE(drop.isAccepted());
  ASSERT_EQ(m.DocumentCount(), 1);
  EXPECT_TRUE(m.ActiveDocument()->FileName().endsWith("dropped.kdt"));
}
