// Faults found by using the program as a new user would, with clicks and
// keys: every test here drives real menus, mouse events and modal boxes.
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <qcustomplot.h>

#include "core/DistanceData.h"
#include "core/TraceCapsule.h"
#include "ui/UserDriver.h"
#include "ui/chart/XYGraph.h"
#include "ui/dialogs/DtfDialog.h"
#include "ui/dialogs/SaveAsCsvOptions.h"
#include "ui/document/DocTestHelpers.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/MainFixture.h"
#include "ui/main/TraceExchange.h"

using namespace korv;
using korvtest::ModalAnswerer;

namespace {

QString SamplePath(const char *name) { return QStringLiteral(KORV_SOURCE_DIR "/resources/samples/") + name; }

// A copy of a bundled sample in the test's folder.
QString CopySample(const TempDir &dir, const char *name, const std::string &as) {
  const std::string path = dir.File(as);
  std::filesystem::copy_file(SamplePath(name).toStdString(), path, std::filesystem::copy_options::overwrite_existing);
  return QString::fromStdString(path);
}

std::vector<TTraceData> Traces(int count, int points = 101) {
  std::vector<TTraceData> out;
  for (int i = 0; i < count; ++i)
    out.push_back(korvtest::MakeTrace(points - 10 * i, 1700.0, 1700.0 + 3.0 * (points - 10 * i - 1),
                                      [i](int j) { return -10.0 - i - 0.01 * j; }));
  return out;
}

// A document window of the main window holding the given document.
TfrmDoc *Adopt(TfrmMain &m, const QString &file, std::unique_ptr<TmoxDocument> doc) {
  TfrmDoc *w = m.OpenDocumentFile(file);
  if (w != nullptr) w->SetDocument(std::move(doc), file, false);
  return w;
}

} // namespace

// Every menu twice, then every enabled command that needs no file from the
// user, with three documents open. Opening the Window menu a second time
// used to crash (its list items were deleted twice).
TEST_F(MainWindowTest, EveryMenuOpensTwiceAndEveryCommandRuns) {
  TfrmMain &m = MakeMain();
  m.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&m));
  for (const char *s : {"BadConnector23m.kdt", "GoodAntennaFeed.kdt", "WideSweep949.kdt"})
    ASSERT_NE(m.OpenDocumentFile(CopySample(m_dir, s, s)), nullptr);
  ModalAnswerer modal; // print, about and fault-location dialogs are dismissed
  const QStringList menus{"mnuFile", "mnuEdit", "mnuView", "mnuTools", "mnuWindow", "mnuHelp"};
  for (int round = 0; round < 2; ++round) {
    for (const QString &name : menus) {
      QMenu *menu = korvtest::OpenMenu(m, name);
      ASSERT_NE(menu, nullptr) << name.toStdString();
      EXPECT_TRUE(menu->isVisible()) << name.toStdString();
      QTest::keyClick(menu, Qt::Key_Escape);
      QApplication::processEvents();
      EXPECT_FALSE(menu->isVisible());
    }
  }
  // Commands that would end the run or print are left out.
  const QStringList skip{"mnuFileExit", "mnuFileCloseAll", "mnuWindowCloseAll", "mnuFileClose"};
  for (const QString &name : menus) {
    QMenu *menu = korvtest::OpenMenu(m, name);
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction *a : menu->actions())
      if (!a->isSeparator() && a->menu() == nullptr && a->isVisible() && !skip.contains(a->objectName()))
        items << (a->objectName().isEmpty() ? a->text() : a->objectName());
    QTest::keyClick(menu, Qt::Key_Escape);
    for (const QString &item : items) {
      menu = korvtest::OpenMenu(m, name);
      QAction *action = nullptr;
      for (QAction *a : menu->actions())
        if (a->objectName() == item || a->text() == item) action = a;
      if (action == nullptr || !action->isEnabled()) {
        QTest::keyClick(menu, Qt::Key_Escape);
        continue;
      }
      korvtest::ClickMenuItem(menu, action);
      QApplication::processEvents();
      ASSERT_GE(m.DocumentCount(), 3) << item.toStdString();
    }
  }
  if (m.HelpWindow()) m.HelpWindow()->close();
  // Close All through the menu closes everything, and the menus follow.
  m_answers = {QMessageBox::No, QMessageBox::No, QMessageBox::No};
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuWindow", "mnuWindowCloseAll"));
  QApplication::processEvents();
  EXPECT_EQ(m.DocumentCount(), 0);
  EXPECT_FALSE(m.Action("mnuWindowTile")->isEnabled());
}

// Save As to a one-trace format from a window of several traces writes the
// chosen trace but must not pretend the window is saved.
TEST_F(MainWindowTest, SaveAsOneTraceFormatIsAnExportThatKeepsTheWindowModified) {
  TfrmMain &m = MakeMain();
  m.show();
  const QString kdt = CopySample(m_dir, "GoodAntennaFeed.kdt", "four.kdt");
  TfrmDoc *doc = Adopt(m, kdt, korvtest::MakeDocument(Traces(4)));
  ASSERT_NE(doc, nullptr);
  doc->MarkModified();
  SetTraceChooserHook([](const std::vector<std::string> &, int) { return 2; });
  const QString csv = QString::fromStdString(m_dir.File("x.csv"));
  m_fileAnswers = {csv};
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuFile", "mnuFileSaveAs"));
  SetTraceChooserHook({});
  EXPECT_TRUE(QFile::exists(csv));
  EXPECT_EQ(doc->FileName(), kdt);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(doc->Document().Doc.TraceCount(), 4);
  // Exit still asks about the four traces.
  m_answers = {QMessageBox::Cancel};
  EXPECT_FALSE(CloseMain());
  ASSERT_FALSE(m_questions.isEmpty());
  EXPECT_TRUE(m_questions.last().startsWith("Save "));
}

TEST_F(MainWindowTest, TheTraceChooserIsTitledByTheFormat) {
  TfrmMain &m = MakeMain();
  m.show();
  TfrmDoc *doc = Adopt(m, CopySample(m_dir, "GoodAntennaFeed.kdt", "two.kdt"), korvtest::MakeDocument(Traces(2)));
  ASSERT_NE(doc, nullptr);
  ModalAnswerer modal;
  QString title;
  modal.Then([&](QWidget *w) {
    title = w->windowTitle();
    qobject_cast<QDialog *>(w)->accept();
  });
  m_fileAnswers = {QString::fromStdString(m_dir.File("x.s1p"))};
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuFile", "mnuFileSaveAs"));
  EXPECT_EQ(title, "Save As Touchstone Options");
  EXPECT_TRUE(QFile::exists(QString::fromStdString(m_dir.File("x.s1p"))));
}

// A whole document saved as CSV is no longer an import: Save writes to it
// without asking for a name again.
TEST_F(MainWindowTest, AWholeDocumentSavedAsCsvSavesThereNextTime) {
  TfrmMain &m = MakeMain();
  m.show();
  TfrmDoc *doc = m.OpenDocumentFile(CopySample(m_dir, "GoodAntennaFeed.kdt", "one.kdt"));
  ASSERT_NE(doc, nullptr);
  const QString csv = QString::fromStdString(m_dir.File("one.csv"));
  m_fileAnswers = {csv};
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuFile", "mnuFileSaveAs"));
  EXPECT_EQ(doc->FileName(), csv);
  EXPECT_FALSE(doc->Imported());
  doc->MarkModified();
  const auto dialogs = m_fileDialogs.size();
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuFile", "mnuFileSave"));
  EXPECT_EQ(m_fileDialogs.size(), dialogs);
  EXPECT_FALSE(doc->IsModified());
}

// Close All also closes minimised windows, offers Yes to All, and a window
// restored afterwards is not left half alive.
TEST_F(MainWindowTest, CloseAllClosesMinimisedWindowsAndOffersYesToAll) {
  TfrmMain &m = MakeMain();
  m.show();
  TfrmDoc *a = m.OpenDocumentFile(CopySample(m_dir, "GoodAntennaFeed.kdt", "a.kdt"));
  TfrmDoc *b = m.OpenDocumentFile(CopySample(m_dir, "WideSweep949.kdt", "b.kdt"));
  ASSERT_TRUE(a && b);
  a->MarkModified();
  b->MarkModified();
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuWindow", "mnuWindowHide")); // b, the active one
  EXPECT_EQ(m.DocumentCount(), 2);
  QMessageBox::StandardButtons offered;
  m.SetAskHook([&](const QString &text, QMessageBox::StandardButtons buttons) {
    m_questions << text;
    offered = buttons;
    return QMessageBox::YesToAll;
  });
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuWindow", "mnuWindowCloseAll"));
  QApplication::processEvents();
  EXPECT_TRUE(offered.testFlag(QMessageBox::YesToAll));
  EXPECT_EQ(m_questions.size(), 1); // Yes to All answers for the second one
  EXPECT_EQ(m.DocumentCount(), 0);
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(m.findChild<QMdiArea *>("mdiArea")->subWindowList().isEmpty());
}

TEST_F(MainWindowTest, AMinimisedWindowStillCountsAndAnswersCommandsWhenRestored) {
  TfrmMain &m = MakeMain();
  m.show();
  TfrmDoc *a = m.OpenDocumentFile(CopySample(m_dir, "GoodAntennaFeed.kdt", "a.kdt"));
  ASSERT_NE(a, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuWindow", "mnuWindowHide"));
  EXPECT_EQ(m.DocumentCount(), 1);
  EXPECT_TRUE(m.Action("mnuWindowTile")->isEnabled());
  // The window list restores it; the view keys work on it again.
  QMenu *menu = korvtest::OpenMenu(m, "mnuWindow");
  QAction *item = menu->actions().last();
  korvtest::ClickMenuItem(menu, item);
  EXPECT_EQ(m.ActiveDocument(), a);
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuView", "mnuViewSmithChart"));
  EXPECT_EQ(a->PlotMode(), pmSmith);
}

// A document whose points are distance data (data kind 2) shows them as
// they are; the transform never runs over them.
TEST_F(MainWindowTest, StoredDistanceDataIsShownAsStored) {
  TfrmMain &m = MakeMain();
  auto doc = korvtest::MakeDocument(Traces(1, 130));
  doc->Doc.DataKind = kDataKindDistance;
  doc->Doc.PlotMode = pmDistance;
  for (int j = 0; j < 130; ++j)
    doc->Doc.Traces[0].Freq[static_cast<std::size_t>(j)] = 0.5 * j; // metres
  const std::vector<double> dist = doc->Doc.Traces[0].Freq;
  const std::vector<double> mags = doc->Doc.Traces[0].Mag;
  TfrmDoc writer;
  writer.SetDocument(std::move(doc), {}, false);
  const QString file = QString::fromStdString(m_dir.File("dist.kdt"));
  ASSERT_TRUE(writer.SaveFileW(file));
  TfrmDoc *w = m.OpenDocumentFile(file);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->PlotMode(), pmDistance);
  const TGraph *g = w->Graph();
  ASSERT_EQ(g->Subsets(), 1);
  for (int j : {0, 64, 129}) {
    EXPECT_FLOAT_EQ(g->XData(0, j), static_cast<float>(dist[static_cast<std::size_t>(j)]));
    EXPECT_FLOAT_EQ(g->YData(0, j), static_cast<float>(mags[static_cast<std::size_t>(j)]));
  }
}

// Finish in the fault-location wizard redraws the distance view at once and
// marks the document modified.
TEST_F(MainWindowTest, FaultWizardFinishRedrawsTheDistanceView) {
  TfrmMain &m = MakeMain();
  m.Settings().Options.CableList = KORV_SOURCE_DIR "/resources/Cables.lst";
  m.show();
  TfrmDoc *doc = m.OpenDocumentFile(CopySample(m_dir, "BadConnector23m.kdt", "bad.kdt"));
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->PlotMode(), pmDistance);
  doc->ClearModified();
  const float before = doc->Graph()->YData(0, 40);
  ModalAnswerer modal;
  modal.Then([](QWidget *w) {
    auto *loss = w->findChild<QLineEdit *>("editRLoss");
    ASSERT_NE(loss, nullptr);
    // Into the field as a user goes: the dialog active, a click on the field.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    QTest::mouseClick(loss, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([loss] { return loss->hasFocus(); }, 2000));
    loss->selectAll();
    QTest::keyClicks(loss, "0.9");
    QTest::keyClick(loss, Qt::Key_Tab);
    ModalAnswerer::Click(w->findChild<QPushButton *>("btnFinish"));
  });
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuTools", "mnuToolsCalcDTF"));
  EXPECT_EQ(modal.Answered(), 1);
  EXPECT_TRUE(doc->IsModified());
  EXPECT_NE(doc->Graph()->YData(0, 40), before);
}

// AutoScale while zoomed leaves the zoom and frames the data as it does
// unzoomed.
TEST_F(MainWindowTest, AutoScaleLeavesTheZoom) {
  TfrmMain &m = MakeMain();
  m.show();
  TfrmDoc *doc = m.OpenDocumentFile(CopySample(m_dir, "GoodAntennaFeed.kdt", "g.kdt"));
  ASSERT_NE(doc, nullptr);
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuView", "mnuViewAutoScale"));
  const TAxisRange x0 = doc->Graph()->ShownX(), y0 = doc->Graph()->ShownY();
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuView", "mnuViewZoomIn"));
  auto *xy = qobject_cast<TXYGraph *>(doc->Graph());
  ASSERT_NE(xy, nullptr);
  QTest::mouseClick(xy->Plot(), Qt::LeftButton, Qt::NoModifier, xy->PlotArea().center());
  QTest::mouseClick(xy->Plot(), Qt::LeftButton, Qt::NoModifier, xy->PlotArea().center());
  ASSERT_EQ(doc->ZoomLevel(), 2);
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuView", "mnuViewAutoScale"));
  EXPECT_FALSE(doc->IsZoomed());
  EXPECT_EQ(doc->ZoomLevel(), 0);
  EXPECT_NEAR(doc->Graph()->ShownX().Min, x0.Min, 1e-6);
  EXPECT_NEAR(doc->Graph()->ShownX().Max, x0.Max, 1e-6);
  EXPECT_NEAR(doc->Graph()->ShownY().Min, y0.Min, 1e-6);
  EXPECT_NEAR(doc->Graph()->ShownY().Max, y0.Max, 1e-6);
  EXPECT_FALSE(m.Action("mnuViewZoomOut")->isEnabled());
}

// Zoom clicks never pick another trace; without an active trace all traces
// are thin.
TEST_F(MainWindowTest, ZoomClicksKeepTheActiveTrace) {
  TfrmMain &m = MakeMain();
  m.show();
  std::vector<TTraceData> traces = Traces(2);
  for (auto &v : traces[1].Mag)
    v -= 15.0; // well apart from trace 1
  TfrmDoc *doc = Adopt(m, CopySample(m_dir, "GoodAntennaFeed.kdt", "z.kdt"), korvtest::MakeDocument(traces));
  ASSERT_NE(doc, nullptr);
  doc->SetActiveTrace(-1);
  for (int s = 0; s < doc->Graph()->Subsets(); ++s)
    EXPECT_EQ(doc->Graph()->SubsetLineType(s), ltThinSolid) << s;
  doc->SetActiveTrace(0);
  auto *xy = qobject_cast<TXYGraph *>(doc->Graph());
  const QPoint onTrace2 = xy->GraphToPixel(QPointF(doc->Graph()->XData(1, 45), doc->Graph()->YData(1, 45))).toPoint();
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuView", "mnuViewZoomIn"));
  QTest::mouseClick(xy->Plot(), Qt::LeftButton, Qt::NoModifier, onTrace2);
  EXPECT_EQ(doc->ActiveTrace(), 0);
  EXPECT_EQ(doc->ZoomLevel(), 1);
  // With the Select tool the same kind of click picks the trace.
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuView", "mnuViewArrow"));
  const QPoint again = xy->GraphToPixel(QPointF(doc->Graph()->XData(1, 45), doc->Graph()->YData(1, 45))).toPoint();
  QTest::mouseClick(xy->Plot(), Qt::LeftButton, Qt::NoModifier, again);
  EXPECT_EQ(doc->ActiveTrace(), 1);
}

// The readout shows nothing beyond a shorter trace's last point, and a
// pasted trace outside the axes widens them.
TEST_F(MainWindowTest, ReadoutAndPasteStayWithinWhatIsThere) {
  TfrmMain &m = MakeMain();
  m.show();
  TfrmDoc *doc = Adopt(m, CopySample(m_dir, "GoodAntennaFeed.kdt", "r.kdt"), korvtest::MakeDocument(Traces(2)));
  ASSERT_NE(doc, nullptr);
  const TGraph &g = *doc->Graph();
  EXPECT_FALSE(MouseReadoutText(g, 0, 1999.0).isEmpty());
  // Trace 2 ends at 1970 MHz.
  EXPECT_TRUE(MouseReadoutText(g, 1, 1999.0).isEmpty()) << MouseReadoutText(g, 1, 1999.0).toStdString();
  EXPECT_FALSE(MouseReadoutText(g, 1, 1800.0).isEmpty());

  doc->SetManualScale(true, 1700.0, 2000.0, true, -12.0, -9.0);
  auto other = korvtest::MakeDocument({korvtest::MakeTrace(51, 1600.0, 2100.0, [](int) { return -35.0; })});
  TfrmDoc source;
  source.SetDocument(std::move(other), {}, false);
  source.SetActiveTrace(0);
  ASSERT_TRUE(CopyTrace(source, m.Capsule(), false, '\t', 1));
  m.UpdateMenuItems(false);
  ASSERT_TRUE(korvtest::UseMenu(m, "mnuEdit", "mnuEditPaste"));
  const TScaleGroup &c = doc->Document().Doc.CurScale;
  EXPECT_LE(c.XMin, 1600.0);
  EXPECT_GE(c.XMax, 2100.0);
  EXPECT_LE(c.YMin, -35.0);
  EXPECT_GE(c.YMax, -9.0);
}

// Help buttons in the document window's boxes and in the fault-location
// dialog open their topic.
TEST_F(MainWindowTest, HelpButtonsOfBoxesAndDialogsOpenTheirTopic) {
  TfrmMain &m = MakeMain();
  m.show();
  SetDocMessageHook({}); // real boxes
  TfrmDoc *doc = m.OpenDocumentFile(CopySample(m_dir, "GoodAntennaFeed.kdt", "h.kdt"));
  ASSERT_NE(doc, nullptr);
  doc->MarkModified();
  ModalAnswerer modal;
  QString pageWhileOpen;
  modal.Then([&](QWidget *w) {
    auto *box = qobject_cast<QMessageBox *>(w);
    ASSERT_NE(box, nullptr);
    ModalAnswerer::Click(box->button(QMessageBox::Help));
  });
  // Help keeps the question: it comes again, with the topic shown.
  modal.Then([&](QWidget *w) {
    auto *box = qobject_cast<QMessageBox *>(w);
    ASSERT_NE(box, nullptr);
    pageWhileOpen = m.HelpWindow()->CurrentPage();
    ModalAnswerer::Click(box->button(QMessageBox::Cancel));
  });
  EXPECT_FALSE(doc->QueryClose());
  EXPECT_EQ(modal.Answered(), 2);
  EXPECT_EQ(pageWhileOpen, "questions.html");

  m.HelpWindow()->ShowContext(1000);
  TdlgDTF dialog(doc, QStringLiteral(KORV_SOURCE_DIR "/resources/Cables.lst"), true);
  dialog.Initialise();
  dialog.Open(doc->Document().Doc.Traces, 0, duMeters, [](int) {});
  dialog.show();
  QTest::mouseClick(dialog.findChild<QPushButton *>("btnHelp"), Qt::LeftButton);
  EXPECT_EQ(m.HelpWindow()->CurrentPage(), HelpPageForContext(TdlgDTF::kHelpContext));
  EXPECT_NE(m.HelpWindow()->CurrentPage(), "index.html");
  m.HelpWindow()->close();
}

// A handheld document saved back to .vnf is not asked the older-format
// question: that question is about our own document files.
TEST_F(MainWindowTest, SavingAHandheldFileAsVnfAsksNoOlderFormatQuestion) {
  TfrmMain &m = MakeMain();
  m.show();
  const std::string vnf = m_dir.File("hand.vnf");
  std::filesystem::copy_file(KORV_TEST_DATA "/vnf/mode1_offset.vnf", vnf);
  TfrmDoc *doc = m.OpenDocumentFile(QString::fromStdString(vnf));
  ASSERT_NE(doc, nullptr);
  for (int i = 0; i < 2; ++i) {
    doc->MarkModified();
    m_fileAnswers = {QString::fromStdString(m_dir.File("back.vnf"))};
    ASSERT_TRUE(korvtest::UseMenu(m, "mnuFile", "mnuFileSaveAs"));
  }
  for (const QString &q : m_questions)
    EXPECT_FALSE(q.contains("older")) << q.toStdString();
  EXPECT_FALSE(doc->IsModified());
}

// Ctrl+D finds a cable list without any setting: the bundled copy.
TEST_F(MainWindowTest, TheCableListIsThereOutOfTheBox) {
  TfrmMain &m = MakeMain();
  m.Settings().Options.CableList = m_dir.File("nowhere/Cables.lst");
  TfrmDoc *doc = m.OpenDocumentFile(CopySample(m_dir, "GoodAntennaFeed.kdt", "c.kdt"));
  ASSERT_NE(doc, nullptr);
  const QString path = doc->FaultOptions().CableListPath;
  EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
}
