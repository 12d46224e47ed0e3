#include "ui/QtTestEnv.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include "ui/main/MainFixture.h"

using namespace korv;

namespace {
bool On(TfrmMain &m, const char *name) {
  QAction *a = m.Action(QString::fromLatin1(name));
  EXPECT_NE(a, nullptr) << name;
  return a != nullptr && m.CommandEnabled(a->objectName()) && (a->isEnabled() || !a->isVisible());
}
QString PanelText(TfrmMain &m, const char *name) { return m.findChild<QLabel *>(QString::fromLatin1(name))->text(); }
} // namespace

TEST_F(MainWindowTest, WithoutDocumentsOnlyFileOpenWorks) {
  TfrmMain &m = MakeMain();
  EXPECT_EQ(m.windowTitle(), "Korv Site Analyzer Software Tool");
  EXPECT_TRUE(On(m, "mnuFileOpen"));
  EXPECT_TRUE(On(m, "tlbtnOpen"));
  for (const char *n : {"mnuFileClose", "mnuFileSave", "tlbtnSave", "mnuFileSaveAs", "mnuFileSaveAsMeta",
                        "mnuFilePrint", "mnuEditCopyBitmap", "mnuViewXYGraph", "tlbtnDTF", "mnuViewArrow",
                        "mnuViewZoomIn", "mnuViewAutoScale", "mnuToolsCalcDTF", "mnuWindowTile", "mnuWindowCloseAll"})
    EXPECT_FALSE(On(m, n)) << n;
  EXPECT_EQ(m.ToolMode(), tmNone);
  EXPECT_TRUE(PanelText(m, "panelDocDirty").isEmpty());
  EXPECT_TRUE(PanelText(m, "panelDocFormat").isEmpty());
  EXPECT_TRUE(m.MouseReadout().isEmpty());
}

TEST_F(MainWindowTest, EnablingFollowsViewTraceKindZoomAndCapsule) {
  TfrmMain &m = MakeMain();
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.kdt"));
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(m.ActiveDocument(), doc);
  EXPECT_EQ(PanelText(m, "panelDocDirty"), "Unmodified");
  doc->SetPlotMode(pmFrequency);
  doc->SetActiveTrace(-1);
  m.UpdateMenuItems();
  // Frequency view, no active trace.
  for (const char *n : {"mnuFileClose", "mnuFileSave", "tlbtnSave", "mnuFileSaveAs", "mnuFilePrint", "mnuViewXYGraph",
                        "tlbtnSmithChart", "mnuViewArrow", "mnuViewAutoScale", "mnuViewZoomIn", "mnuEditCopy",
                        "tlbtnCopyImage", "mnuToolsCalcDTF", "pmnuDTFWizard", "mnuViewLimitLine"})
    EXPECT_TRUE(On(m, n)) << n;
  for (const char *n : {"mnuEditCut", "mnuEditDelete", "mnuViewMarker1", "mnuViewZoomOut", "mnuEditPaste"})
    EXPECT_FALSE(On(m, n)) << n;
  EXPECT_EQ(m.ToolMode(), tmSelect);
  EXPECT_EQ(m.Action("mnuEditCopy")->text(), "Copy Image");
  EXPECT_EQ(PanelText(m, "panelDocFormat"), "Korv");
  EXPECT_EQ(PanelText(m, "panelDocDirty"), "Modified"); // a view change is a change

  // An active trace allows cut, delete and markers; Copy takes the trace too.
  doc->SetActiveTrace(0);
  m.UpdateMenuItems();
  for (const char *n : {"mnuEditCut", "tlbtnCut", "mnuEditDelete", "mnuViewMarker1", "pmnuCutTrace"})
    EXPECT_TRUE(On(m, n)) << n;
  EXPECT_EQ(m.Action("mnuEditCopy")->text(), "Copy Trace, Data, and Image");
  EXPECT_EQ(m.Action("tlbtnCopy")->toolTip(), "Copy Trace, Data, and Image to the clipboard");
  EXPECT_EQ(m.Action("pmnuCopyTrace")->text(), "Copy Trace, Data, and Bitmap");

  // A copied trace in the capsule enables paste outside the Smith chart.
  EXPECT_FALSE(On(m, "mnuEditPaste"));
  m.Action("mnuEditCopy")->trigger();
  ASSERT_TRUE(m.CapsuleFilled());
  EXPECT_TRUE(On(m, "mnuEditPaste"));
  EXPECT_TRUE(On(m, "tlbtnPaste"));
  EXPECT_TRUE(On(m, "pmnuPasteTrace"));

  // Smith chart: no tools, no trace commands, image-only copy, tool mode 0.
  doc->SetPlotMode(pmSmith);
  m.UpdateMenuItems();
  for (const char *n : {"mnuViewArrow", "mnuViewZoomIn", "mnuViewZoomOut", "mnuViewAutoScale", "mnuEditCut",
                        "mnuEditPaste", "mnuEditDelete", "mnuViewMarker1", "mnuViewLimitLine", "mnuViewMarkerHide"})
    EXPECT_FALSE(On(m, n)) << n;
  EXPECT_TRUE(On(m, "mnuEditCopy"));
  EXPECT_TRUE(On(m, "mnuViewDTF"));
  EXPECT_EQ(m.Action("mnuEditCopy")->text(), "Copy Image");
  EXPECT_EQ(m.Action("pmnuCopyTrace")->text(), "Copy Bitmap");
  EXPECT_EQ(m.ToolMode(), tmNone);
  EXPECT_TRUE(m.Action("mnuViewSmithChart")->isChecked());
  EXPECT_TRUE(m.Action("tlbtnSmithChart")->isChecked());

  // Data kind 1 (antenna tester): no views, no copy, no wizard.
  doc->SetPlotMode(pmFrequency);
  doc->SetActiveTrace(0);
  doc->Document().Doc.DataKind = 1;
  m.UpdateMenuItems();
  for (const char *n : {"mnuViewXYGraph", "tlbtnDTF", "mnuEditCopy", "tlbtnCopyImage", "mnuEditCut", "mnuToolsCalcDTF",
                        "tlbtnCalcDTF", "pmnuCopyTrace"})
    EXPECT_FALSE(On(m, n)) << n;
  EXPECT_TRUE(On(m, "mnuEditDelete"));
  // Data kind 2 (stored distance data): still restricted, but the wizard works.
  doc->Document().Doc.DataKind = 2;
  m.UpdateMenuItems();
  EXPECT_FALSE(On(m, "mnuEditCopy"));
  EXPECT_TRUE(On(m, "mnuToolsCalcDTF"));
  EXPECT_TRUE(On(m, "pmnuDTFWizard"));
  doc->Document().Doc.DataKind = 0;

  // Zoomed: Zoom Out appears; at level 5 Zoom In goes and Select returns.
  m.MouseActionSelect(tmZoomIn);
  ASSERT_TRUE(doc->ZoomIn());
  EXPECT_TRUE(On(m, "mnuViewZoomOut"));
  EXPECT_TRUE(On(m, "mnuViewZoomIn"));
  EXPECT_EQ(m.ToolMode(), tmZoomIn); // state refreshes keep the chosen tool
  while (doc->ZoomLevel() < TfrmDoc::kMaxZoomLevel)
    ASSERT_TRUE(doc->ZoomIn());
  EXPECT_FALSE(On(m, "mnuViewZoomIn"));
  EXPECT_FALSE(On(m, "tlbtnZoomIn"));
  EXPECT_TRUE(On(m, "tlbtnZoomOut"));
  EXPECT_EQ(m.ToolMode(), tmSelect);
  EXPECT_TRUE(m.Action("tlbtnArrow")->isChecked());
}

TEST_F(MainWindowTest, ToolModesCheckOneItemAndSetCursors) {
  TfrmMain &m = MakeMain();
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.kdt"));
  ASSERT_NE(doc, nullptr);
  doc->SetPlotMode(pmFrequency);
  m.MouseActionSelect(tmZoomOut);
  EXPECT_TRUE(m.Action("mnuViewZoomOut")->isChecked());
  EXPECT_TRUE(m.Action("tlbtnZoomOut")->isChecked());
  EXPECT_FALSE(m.Action("mnuViewArrow")->isChecked());
  EXPECT_EQ(doc->Graph()->cursor().shape(), Qt::BitmapCursor);
  m.MouseActionSelect(tmNone);
  for (const char *n : {"tlbtnArrow", "tlbtnZoomIn", "tlbtnZoomOut", "mnuViewArrow"})
    EXPECT_FALSE(m.Action(n)->isChecked()) << n;
  EXPECT_EQ(doc->Graph()->cursor().shape(), Qt::ArrowCursor);
  m.ViewOptionSelect(3);
  EXPECT_TRUE(m.Action("mnuViewDTF")->isChecked());
  EXPECT_FALSE(m.Action("tlbtnXYGraph")->isChecked());
}

TEST_F(MainWindowTest, ModifiedDocumentShowsInStatusBar) {
  TfrmMain &m = MakeMain();
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.kdt"));
  ASSERT_NE(doc, nullptr);
  doc->MarkModified();
  EXPECT_EQ(PanelText(m, "panelDocDirty"), "Modified");
  EXPECT_EQ(m.HintPanel()->text(), "Modified");
}

TEST_F(MainWindowTest, TenOpensLeaveNineRecentFilesNewestFirst) {
  TfrmMain &m = MakeMain();
  m.Settings().NumberToShow = 9;
  QStringList names;
  for (int i = 0; i < 10; ++i)
    names << Doc("f" + std::to_string(i) + ".kdt");
  m.OpenFiles(names);
  EXPECT_EQ(m.DocumentCount(), 10);
  ASSERT_EQ(m.Settings().RecentFiles.Count(), 9);
  EXPECT_EQ(m.Action("mnuFileR1")->text(), "&1 " + names[9]);
  EXPECT_EQ(m.Action("mnuFileR9")->text(), "&9 " + names[1]);
  EXPECT_TRUE(m.Action("mnuFileR9")->isVisible());
  // Reopening a listed file moves it to the top.
  m.OpenFiles({names[4]});
  EXPECT_EQ(m.Action("mnuFileR1")->text(), "&1 " + names[4]);
  EXPECT_EQ(m.Action("mnuFileR2")->text(), "&2 " + names[9]);
  EXPECT_EQ(m.Settings().RecentFiles.Count(), 9);
  EXPECT_EQ(m.Settings().RecentFilesW.Items(), m.Settings().RecentFiles.Items());
}

TEST_F(MainWindowTest, NumberToShowLimitsTheRecentMenuAndItemsOpenTheirFile) {
  {
    TIniFile ini(m_settingsPath.toStdString());
    ini.WriteInteger("RecentFiles", "NumberToShow", 3);
    for (int k = 1; k <= 9; ++k) {
      const QString name = Doc("r" + std::to_string(k) + ".kdt");
      ini.WriteString("RecentFiles", std::to_string(k), name.toStdString());
      ini.WriteString("RecentFilesW", std::to_string(k), EncodeWideNameUtf8(name.toStdString()));
    }
    ini.Save();
  }
  TfrmMain &m = MakeMain();
  EXPECT_TRUE(m.Action("mnuFileR3")->isVisible());
  EXPECT_FALSE(m.Action("mnuFileR4")->isVisible());
  EXPECT_TRUE(m.findChild<QAction *>("mnuFileRSeparator")->isVisible());
  m.Action("mnuFileR2")->trigger();
  ASSERT_EQ(m.DocumentCount(), 1);
  EXPECT_EQ(m.ActiveDocument()->FileName(), QString::fromStdString(m_dir.File("r2.kdt")));
  EXPECT_EQ(m.Action("mnuFileR1")->text(), "&1 " + QString::fromStdString(m_dir.File("r2.kdt")));
}

TEST_F(MainWindowTest, EmptyRecentListHidesItemsAndSeparator) {
  TfrmMain &m = MakeMain();
  EXPECT_FALSE(m.Action("mnuFileR1")->isVisible());
  EXPECT_FALSE(m.findChild<QAction *>("mnuFileRSeparator")->isVisible());
}

TEST_F(MainWindowTest, FailedOpenLeavesNoWindowAndNoRecentEntry) {
  TfrmMain &m = MakeMain();
  const std::string bad = m_dir.File("bad.kdt");
  WriteWholeFileAtomic(bad, Bytes("Korv SA File Version 7\nnot a document\n"));
  m.OpenFiles({QString::fromStdString(bad), Doc("good.kdt")});
  EXPECT_EQ(m.DocumentCount(), 1);
  EXPECT_EQ(m.Settings().RecentFiles.Count(), 1);
  EXPECT_FALSE(m_questions.isEmpty()); // the reader's error was shown
}

TEST_F(MainWindowTest, MoreThanFiftyWindowsAreRefusedWithTheLimitMessage) {
  TfrmMain &m = MakeMain();
  // Different files: a file already open only brings its window forward.
  QStringList names;
  for (int i = 0; i < 53; ++i)
    names << Doc("many" + std::to_string(i) + ".kdt");
  m.OpenFiles(names);
  // With 50 open one more opens; with 51 the message stops the rest.
  EXPECT_EQ(m.DocumentCount(), 51);
  ASSERT_EQ(m_questions.size(), 1);
  EXPECT_EQ(m_questions.first(), "Too many child windows open! Limit the number of open documents to 50.");
}
