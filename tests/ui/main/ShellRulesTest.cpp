// Rules of the main window that need no window: tiling, the instance
// socket's scope, data files, axis ticks.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "ui/chart/XYGraph.h"
#include "ui/document/TraceColors.h"
#include "ui/main/DataFiles.h"
#include "ui/main/MultInst.h"
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
