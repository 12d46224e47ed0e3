// Rules of the main window that need no window: tiling, the instance
// socket's scope, data files, axis ticks.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <set>
#include <string_view>

#include <gtest/gtest.h>

#include "ui/chart/XYGraph.h"
#include "ui/document/TraceColors.h"
#include "ui/main/CommandState.h"
#include "ui/main/DataFiles.h"
#include "ui/main/MultInst.h"
#include "ui/main/SavePlan.h"
#include "ui/main/WindowLayout.h"

using namespace korv;

TEST(TileGrid, CellsFillTheAreaWithoutOverlapAndStayUsable) {
  for (int n = 1; n <= 14; ++n) {
    for (const QSize area : {QSize(1600, 900), QSize(900, 1400), QSize(1000, 1000)}) {
      const TTileGrid g = TileGrid(n, area.width(), area.height());
      long covered = 0;
      for (int i = 0; i < n; ++i) {
        const QRect c = g.Cell(i, area.width(), area.height());
        covered += static_cast<long>(c.width()) * c.height();
        EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(c)) << n;
        for (int j = 0; j < i; ++j)
          EXPECT_FALSE(c.intersects(g.Cell(j, area.width(), area.height()))) << n << " " << i << " " << j;
      }
      EXPECT_EQ(covered, static_cast<long>(area.width()) * area.height()) << n;
    }
  }
  // Four documents on a landscape area: a 2 x 2 grid, not four strips.
  const TTileGrid four = TileGrid(4, 1600, 900);
  EXPECT_EQ(four.Columns, 2);
  EXPECT_EQ(four.Rows, 2);
  EXPECT_EQ(TileGrid(1, 1600, 900).Cell(0, 1600, 900), QRect(0, 0, 1600, 900));
  EXPECT_TRUE(TileGrid(0, 100, 100).Cell(0, 100, 100).isNull());
}

TEST(YTicks, ShortAxesGetFewerTicks) {
  EXPECT_EQ(YTickCount(600, 14), 8);
  EXPECT_EQ(YTickCount(70, 14), 2);
  EXPECT_EQ(YTickCount(140, 14), 5);
  EXPECT_EQ(YTickCount(10, 14), 2);
}

TEST(InstanceScope, OneCopyPerUserAndGraphicalSession) {
  QTemporaryDir runtime;
  const QString a = InstanceSocketPath(runtime.path(), {}, ":0", "/tmp", 1000);
  const QString b = InstanceSocketPath(runtime.path(), {}, ":1", "/tmp", 1000);
  const QString c = InstanceSocketPath(runtime.path(), "wayland-0", ":0", "/tmp", 1000);
  const QString d = InstanceSocketPath(runtime.path(), {}, ":0", "/tmp", 1001);
  EXPECT_NE(a, b);
  EXPECT_NE(a, c);
  EXPECT_NE(a, d);
  EXPECT_TRUE(a.startsWith(runtime.path() + "/"));
  EXPECT_FALSE(a.mid(runtime.path().size() + 1).contains('/')); // ":" and "/" never make folders
  // No runtime folder: the temporary folder.
  EXPECT_TRUE(InstanceSocketPath({}, {}, ":0", "/tmp", 1000).startsWith("/tmp/"));
  EXPECT_TRUE(InstanceSocketPath("/no/such/runtime", {}, ":0", "/tmp", 1000).startsWith("/tmp/"));
  EXPECT_EQ(InstanceSocketPath({}, {}, {}, "/tmp", 7), InstanceSocketPath({}, {}, {}, "/tmp", 7));
}

TEST(DataFiles, CableListFromTheSettingBesideTheProgramOrTheBundledCopy) {
  QTemporaryDir program, data;
  // Nothing anywhere: the bundled copy, written once into the data folder.
  const QString bundled = ResolveCableList(program.filePath("missing.lst"), program.path(), data.path());
  ASSERT_FALSE(bundled.isEmpty());
  EXPECT_TRUE(bundled.startsWith(data.path()));
  QFile f(bundled);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_GT(f.size(), 100);
  // One beside the program wins over the bundled copy.
  QFile beside(program.filePath("Cables.lst"));
  ASSERT_TRUE(beside.open(QIODevice::WriteOnly));
  beside.write("x\n");
  beside.close();
  EXPECT_EQ(ResolveCableList(program.filePath("missing.lst"), program.path(), data.path()),
            program.filePath("Cables.lst"));
  // The user's own setting wins over both; a folder is no file.
  EXPECT_EQ(ResolveCableList(bundled, program.path(), data.path()), bundled);
  EXPECT_EQ(FirstExistingFile(program.path(), {}), QString());
}

TEST(TraceLook, TheLimitLineColourIsNoTraceColour) {
  const QColor limit = LimitLineColor();
  for (int i = 0; i < kTraceStyleCount; ++i) {
    const QColor c = TraceStyle(i).Color;
    const int distance =
        std::abs(c.red() - limit.red()) + std::abs(c.green() - limit.green()) + std::abs(c.blue() - limit.blue());
    EXPECT_GT(distance, 120) << "trace " << i + 1;
  }
}

TEST(Commands, NamesAreUniqueAndFindTheirCommand) {
  std::set<std::string_view> seen;
  for (int i = 0; i < kCommandCount; ++i) {
    const auto c = static_cast<TCommand>(i);
    const std::string_view name = CommandName(c);
    ASSERT_FALSE(name.empty()) << i;
    EXPECT_TRUE(seen.insert(name).second) << name;
    EXPECT_EQ(CommandByName(name), c) << name;
  }
  EXPECT_EQ(CommandByName("mnuNoSuchThing"), TCommand::Count);
}

TEST(Commands, EnablingFollowsTheActiveDocument) {
  using C = TCommand;
  const auto on = [](const TCommandState &s, C c) { return EnabledCommands(s).test(static_cast<std::size_t>(c)); };
  TCommandState none;
  EXPECT_TRUE(on(none, C::FileOpen));
  EXPECT_TRUE(on(none, C::FileExit));
  EXPECT_FALSE(on(none, C::FileSave));
  EXPECT_FALSE(on(none, C::WindowTile));
  EXPECT_FALSE(on(none, C::EditCopy));
  EXPECT_FALSE(on(none, C::ViewZoomIn));

  TCommandState doc;
  doc.Document = doc.Trace = doc.DtfAllowed = true;
  for (C c : {C::FileSave, C::BtnSave, C::EditCut, C::EditCopy, C::EditDelete, C::ViewZoomIn, C::ViewMarker1,
              C::ToolsCalcDTF, C::PopDTFWizard, C::ViewXYGraph})
    EXPECT_TRUE(on(doc, c)) << CommandName(c);
  EXPECT_FALSE(on(doc, C::EditPaste)); // nothing copied yet
  EXPECT_FALSE(on(doc, C::ViewZoomOut));
  EXPECT_TRUE(CopiesWholeTrace(doc));

  TCommandState smith = doc;
  smith.Smith = smith.Capsule = true;
  for (C c : {C::EditCut, C::EditPaste, C::EditDelete, C::ViewZoomIn, C::ViewArrow, C::ViewAutoScale})
    EXPECT_FALSE(on(smith, c)) << CommandName(c);
  EXPECT_TRUE(on(smith, C::EditCopy));
  EXPECT_FALSE(CopiesWholeTrace(smith));

  TCommandState restricted = doc;
  restricted.Restricted = true;
  for (C c : {C::EditCut, C::EditCopy, C::ViewSmithChart, C::BtnDTF, C::PopCopyTrace})
    EXPECT_FALSE(on(restricted, c)) << CommandName(c);
  EXPECT_TRUE(on(restricted, C::EditDelete));

  TCommandState zoomed = doc;
  zoomed.Zoomed = zoomed.MaxZoom = true;
  EXPECT_TRUE(on(zoomed, C::ViewZoomOut));
  EXPECT_FALSE(on(zoomed, C::BtnZoomIn));

  TCommandState noDtf = doc;
  noDtf.DtfAllowed = false;
  EXPECT_FALSE(on(noDtf, C::ToolsCalcDTF));
  EXPECT_FALSE(on(noDtf, C::BtnCalcDTF));
}

TEST(SavePlan, OwnDocumentsAreWrittenWhereTheyAre) {
  TSaveFacts own;
  own.Modified = true;
  EXPECT_EQ(PlanSave(TSaveTrigger::Save, own).Action, TSaveAction::WriteInPlace);
  EXPECT_TRUE(PlanSave(TSaveTrigger::Save, own).Recent);
  EXPECT_EQ(PlanSave(TSaveTrigger::CloseTime, own).Action, TSaveAction::WriteInPlace);
  EXPECT_EQ(PlanSave(TSaveTrigger::SaveAll, own).Action, TSaveAction::WriteInPlace);
  EXPECT_FALSE(PlanSave(TSaveTrigger::SaveAll, own).Upgrade); // an older version still asks
  own.Modified = false;
  EXPECT_EQ(PlanSave(TSaveTrigger::Save, own).Action, TSaveAction::Nothing);
  EXPECT_EQ(PlanSave(TSaveTrigger::CloseTime, own).Action, TSaveAction::Nothing);
  const TSavePlan as = PlanSave(TSaveTrigger::SaveAs, own);
  EXPECT_EQ(as.Action, TSaveAction::AskName);
  EXPECT_FALSE(as.ProposeKdt);
  EXPECT_FALSE(as.WarnForeign);
}

TEST(SavePlan, ForeignDocumentsGetANameFirst) {
  TSaveFacts imported;
  imported.Imported = imported.Modified = true;
  EXPECT_EQ(PlanSave(TSaveTrigger::Save, imported).Action, TSaveAction::AskName);
  const TSavePlan close = PlanSave(TSaveTrigger::CloseTime, imported);
  EXPECT_EQ(close.Action, TSaveAction::AskName);
  EXPECT_TRUE(close.ProposeKdt);
  EXPECT_TRUE(close.Upgrade);
  EXPECT_FALSE(close.WarnForeign);

  TSaveFacts wiltron;
  wiltron.Source = sfWiltron;
  EXPECT_TRUE(PlanSave(TSaveTrigger::Save, wiltron).WarnForeign);
  TSaveFacts rt;
  rt.Source = sfRt500FreqOnly;
  EXPECT_EQ(PlanSave(TSaveTrigger::Save, rt).Action, TSaveAction::AskName);
  EXPECT_FALSE(PlanSave(TSaveTrigger::Save, rt).WarnForeign);

  // Save All: a foreign file on disk is replaced only when the user says so.
  imported.FileExists = true;
  EXPECT_EQ(PlanSave(TSaveTrigger::SaveAll, imported).Action, TSaveAction::AskReplace);
  imported.FileExists = false;
  EXPECT_EQ(PlanSave(TSaveTrigger::SaveAll, imported).Action, TSaveAction::WriteInPlace);
  EXPECT_TRUE(PlanSave(TSaveTrigger::SaveAll, imported).Upgrade);
  imported.Modified = false;
  EXPECT_EQ(PlanSave(TSaveTrigger::SaveAll, imported).Action, TSaveAction::Nothing);
  // Save All leaves an unchanged document alone even when its file exists.
  imported.FileExists = true;
  EXPECT_EQ(PlanSave(TSaveTrigger::SaveAll, imported).Action, TSaveAction::Nothing);
}

TEST(SavePlan, ANameWithoutAFolderIsAlwaysAskedFor) {
  // A received trace's window: our own format, but never written anywhere.
  TSaveFacts received;
  received.Modified = true;
  received.HasFolder = false;
  for (const TSaveTrigger t : {TSaveTrigger::Save, TSaveTrigger::CloseTime, TSaveTrigger::SaveAll}) {
    const TSavePlan p = PlanSave(t, received);
    EXPECT_EQ(p.Action, TSaveAction::AskName) << static_cast<int>(t);
    EXPECT_TRUE(p.Recent);
  }
  received.Modified = false;
  EXPECT_EQ(PlanSave(TSaveTrigger::Save, received).Action, TSaveAction::AskName);
  EXPECT_EQ(PlanSave(TSaveTrigger::SaveAll, received).Action, TSaveAction::Nothing);
}

TEST(Toolbar, LocationsRoundTripAndUnknownMeansTop) {
  for (int l = tlTop; l <= tlRight; ++l)
    EXPECT_EQ(ToolbarLocationOf(ToolBarAreaOf(l)), l);
  EXPECT_EQ(ToolBarAreaOf(0), Qt::TopToolBarArea);
  EXPECT_EQ(ToolBarAreaOf(99), Qt::TopToolBarArea);
}
