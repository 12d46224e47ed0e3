#include "measure/PageGrid.h"

#include <gtest/gtest.h>

#include "core/Excption.h"

using namespace korv;

namespace {
// A letter page at 600 dots per inch.
constexpr int kPortraitW = 5100;
constexpr int kPortraitH = 6600;

std::vector<std::string> Names(const std::vector<TPrintItem> &items) {
  std::vector<std::string> names;
  for (const auto &i : items)
    names.push_back(i.Name);
  return names;
}
} // namespace

TEST(PageGrid, PagesAndCellsOfTheGraphs) {
  const TPageGrid twoByOne; // the dialog's first grid
  EXPECT_EQ(twoByOne.Rows(), 2);
  EXPECT_EQ(twoByOne.Columns(), 1);
  // Three graphs: two on the first page, one at the top of the second.
  EXPECT_EQ(twoByOne.PageCount(3), 2);
  EXPECT_EQ(twoByOne.GraphIndex(0, 0, 0, 3), 0);
  EXPECT_EQ(twoByOne.GraphIndex(0, 1, 0, 3), 1);
  EXPECT_EQ(twoByOne.GraphIndex(1, 0, 0, 3), 2);
  EXPECT_EQ(twoByOne.GraphIndex(1, 1, 0, 3), -1);
  EXPECT_EQ(twoByOne.PageOf(2), 1);
  EXPECT_EQ(twoByOne.RowOf(2), 0);

  const TPageGrid full(8, 8);
  EXPECT_EQ(full.PageCount(64), 1);
  EXPECT_EQ(full.PageCount(65), 2);
  EXPECT_EQ(full.GraphIndex(1, 0, 0, 65), 64);
  EXPECT_EQ(full.GraphIndex(1, 0, 1, 65), -1);
  EXPECT_EQ(full.PageCount(0), 0);

  // Rows are filled left to right, then downwards.
  const TPageGrid threeByTwo(3, 2);
  EXPECT_EQ(threeByTwo.GraphIndex(0, 0, 1, 20), 1);
  EXPECT_EQ(threeByTwo.GraphIndex(0, 1, 0, 20), 2);
  EXPECT_EQ(threeByTwo.GraphIndex(2, 2, 1, 20), 17);
  EXPECT_EQ(threeByTwo.RowOf(17), 2);
  EXPECT_EQ(threeByTwo.ColumnOf(17), 1);
  EXPECT_EQ(threeByTwo.GraphIndex(0, 3, 0, 20), -1); // beyond the grid
  EXPECT_EQ(threeByTwo.GraphIndex(-1, 0, 0, 20), -1);
}

TEST(PageGrid, RowsAndColumnsStayWithinOneToEight) {
  TPageGrid g(0, 9);
  EXPECT_EQ(g.Rows(), 1);
  EXPECT_EQ(g.Columns(), 8);
  g.SetRows(-4);
  g.SetColumns(100);
  EXPECT_EQ(g.CellsPerPage(), 8);
  EXPECT_FALSE(TPageGrid::InRange(0));
  EXPECT_TRUE(TPageGrid::InRange(8));
  EXPECT_FALSE(TPageGrid::InRange(9));
}

TEST(PageGrid, CellsOfALetterPage) {
  const TPageGrid g(2, 1);
  // Margins 255 and 330, gap 102; two cells share the height.
  EXPECT_EQ(g.CellRect(kPortraitW, kPortraitH, 0, 0), (TPageRect{255, 330, 4590, 2919}));
  EXPECT_EQ(g.CellRect(kPortraitW, kPortraitH, 1, 0), (TPageRect{255, 330 + 2919 + 102, 4590, 2919}));
  const TPageGrid g23(2, 3);
  // (5100 - 510 - 204) div 3 = 1462
  EXPECT_EQ(g23.CellRect(kPortraitW, kPortraitH, 1, 2), (TPageRect{255 + 2 * (1462 + 102), 3351, 1462, 2919}));
}

TEST(PageGrid, EveryGridKeepsItsCellsApartAndInsideTheMargins) {
  for (const auto &[pw, ph] :
       {std::pair{kPortraitW, kPortraitH}, std::pair{kPortraitH, kPortraitW}, std::pair{612, 792}}) {
    for (int rows = 1; rows <= 8; ++rows) {
      for (int cols = 1; cols <= 8; ++cols) {
        const TPageGrid g(rows, cols);
        const int gap = TPageGrid::Gap(pw);
        for (int r = 0; r < rows; ++r) {
          for (int c = 0; c < cols; ++c) {
            const TPageRect cell = g.CellRect(pw, ph, r, c);
            ASSERT_GT(cell.Width, 0);
            ASSERT_GT(cell.Height, 0);
            EXPECT_GE(cell.Left, TPageGrid::MarginX(pw));
            EXPECT_GE(cell.Top, TPageGrid::MarginY(ph));
            EXPECT_LE(cell.Left + cell.Width, pw - TPageGrid::MarginX(pw)) << rows << "x" << cols;
            EXPECT_LE(cell.Top + cell.Height, ph - TPageGrid::MarginY(ph)) << rows << "x" << cols;
            if (c > 0) {
              const TPageRect left = g.CellRect(pw, ph, r, c - 1);
              EXPECT_EQ(cell.Left - (left.Left + left.Width), gap);
            }
            if (r > 0) {
              const TPageRect above = g.CellRect(pw, ph, r - 1, c);
              EXPECT_EQ(cell.Top - (above.Top + above.Height), gap);
            }
          }
        }
      }
    }
  }
  // A page too small for the grid gives empty cells, never negative ones.
  const TPageRect tiny = TPageGrid(8, 8).CellRect(5, 5, 7, 7);
  EXPECT_EQ(tiny.Width, 0);
  EXPECT_EQ(tiny.Height, 0);
}

TEST(PageGrid, PreviewFitsThePageIntoTheImage) {
  // Landscape page in a square image: the width decides.
  TPreviewPage p = TPageGrid::PreviewPage(6600, 5100, 260, 260);
  EXPECT_EQ(p.Width, 260);
  EXPECT_EQ(p.Height, 201);
  EXPECT_NEAR(p.Scale, 6600.0 / 260.0, 1e-9);
  // Portrait page in a square image: the height decides.
  p = TPageGrid::PreviewPage(kPortraitW, kPortraitH, 260, 260);
  EXPECT_EQ(p.Height, 260);
  EXPECT_EQ(p.Width, 201);
  // A landscape page in a flat image still fits in height.
  p = TPageGrid::PreviewPage(6600, 5100, 300, 150);
  EXPECT_EQ(p.Height, 150);
  EXPECT_EQ(p.Width, 194);
  p = TPageGrid::PreviewPage(0, 5100, 300, 150);
  EXPECT_EQ(p.Width, 0);
  EXPECT_EQ(p.Height, 0);
}

TEST(PageGrid, CaptionAndPrinterLabel) {
  EXPECT_EQ(TPageGrid::PageCaption(0), "LX-3200 Trace Graphs   Page 1");
  EXPECT_EQ(TPageGrid::PageCaption(11), "LX-3200 Trace Graphs   Page 12");
  // At printer resolutions the caption stands at (100, 100), above the cells.
  const TPageRect c = TPageGrid::CaptionRect(kPortraitW, kPortraitH);
  EXPECT_EQ(c.Left, 100);
  EXPECT_EQ(c.Top, 100);
  EXPECT_LE(c.Top + c.Height, TPageGrid::MarginY(kPortraitH));
  // On a coarse page (72 dpi) it stays inside the top margin.
  const TPageRect coarse = TPageGrid::CaptionRect(612, 792);
  EXPECT_LE(coarse.Top + coarse.Height, TPageGrid::MarginY(792));
  EXPECT_LE(coarse.Left, TPageGrid::MarginX(612));

  EXPECT_EQ(PrinterLabel("HP LaserJet 4 on OFFICE-SRV"), "HP LaserJet 4");
  EXPECT_EQ(PrinterLabel("Canon_MX920"), "Canon_MX920");
  EXPECT_EQ(PrinterLabel("Canon MX920 on lab"), "Canon MX920");
  EXPECT_EQ(PrinterLabel(""), "");
}

TEST(PrintLists, MovesKeepListOrderAndEnableTheButtons) {
  TPrintLists lists;
  EXPECT_FALSE(lists.CanAdd());
  EXPECT_FALSE(lists.CanPrint());
  for (const char *n : {"a.kdt", "b.kdt", "c.csv", "d.kdt"})
    lists.AddGraph(n, static_cast<int>(lists.OpenGraphs().size()) + 10);
  EXPECT_TRUE(lists.CanAdd());
  EXPECT_FALSE(lists.CanRemove());

  // Selected rows move in list order, whatever order the selection has;
  // repeats and rows beyond the list are ignored.
  lists.Add({2, 0, 2, 9, -1});
  EXPECT_EQ(Names(lists.GraphsToPrint()), (std::vector<std::string>{"a.kdt", "c.csv"}));
  EXPECT_EQ(Names(lists.OpenGraphs()), (std::vector<std::string>{"b.kdt", "d.kdt"}));
  EXPECT_TRUE(lists.CanRemove());
  EXPECT_TRUE(lists.CanPrint());
  EXPECT_EQ(lists.GraphCount(), 2);
  EXPECT_EQ(lists.GraphAt(1), 12);

  lists.AddAll();
  EXPECT_EQ(Names(lists.GraphsToPrint()), (std::vector<std::string>{"a.kdt", "c.csv", "b.kdt", "d.kdt"}));
  EXPECT_FALSE(lists.CanAdd());

  // Removed items go to the end of "Open Documents".
  lists.Remove({1});
  lists.Remove({});
  EXPECT_EQ(Names(lists.OpenGraphs()), (std::vector<std::string>{"c.csv"}));
  lists.RemoveAll();
  EXPECT_EQ(Names(lists.OpenGraphs()), (std::vector<std::string>{"c.csv", "a.kdt", "b.kdt", "d.kdt"}));
  EXPECT_FALSE(lists.CanPrint());
  EXPECT_EQ(lists.GraphCount(), 0);

  // The same name twice (two folders) stays two items with their own keys.
  lists.ClearGraphs();
  lists.AddGraph("x.kdt", 1);
  lists.AddGraph("x.kdt", 2);
  lists.Add({1});
  EXPECT_EQ(lists.GraphAt(0), 2);
}

TEST(PrintLists, IndexOutsideTheListIsRefused) {
  TPrintLists lists;
  lists.AddGraph("a.kdt", 7);
  lists.AddAll();
  EXPECT_EQ(lists.GraphAt(0), 7);
  for (int bad : {1, -1, 100}) {
    try {
      (void)lists.GraphAt(bad);
      ADD_FAILURE() << bad;
    } catch (const EmoxException &e) {
      EXPECT_STREQ(e.what(), "GraphHandles Array: Index out of bounds");
    }
  }
}
