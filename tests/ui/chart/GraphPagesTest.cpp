// Several graphs per page: page count of the PDF, which cells hold a graph,
// the preview's outlines, and refusals.
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <cmath>
#include <filesystem>

#include "core/TestHelpers.h"
#include "ui/chart/GraphPages.h"
#include "ui/chart/SmithGraph.h"
#include "ui/chart/XYGraph.h"
#include "ui/common/Theme.h"

namespace korv {
namespace {

int PdfPages(const QByteArray &pdf) {
  // Page objects; "/Type /Pages" is the page tree.
  return static_cast<int>(QString::fromLatin1(pdf).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

void Fill(TGraph &g) {
  g.SetSubsets(1);
  g.SetPoints(20);
  for (int p = 0; p < 20; ++p) {
    g.SetXData(0, p, 800.0 + 10.0 * p);
    g.SetYData(0, p, -25.0 + std::sin(p * 0.5) * 8.0);
  }
  g.SetMainTitle(QStringLiteral("Return Loss"));
  g.Rebuild();
}

const QPageLayout kA4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF());

// Pixels of a region that are not white.
int Inked(const QImage &image, const QRect &r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (image.pixel(x, y) != qRgb(255, 255, 255)) ++n;
  return n;
}

QRect RectOf(const TPageRect &c) { return {c.Left, c.Top, c.Width, c.Height}; }

TEST(GraphPages, PdfHasOnePagePerGridFull) {
  TXYGraph xy;
  Fill(xy);
  TSmithGraph smith;
  Fill(smith);
  const std::vector<TGraph *> three{&xy, &smith, &xy};
  EXPECT_EQ(PdfPages(GraphPagesPdf(three, TPageGrid(2, 1), kA4)), 2);
  EXPECT_EQ(PdfPages(GraphPagesPdf(three, TPageGrid(3, 1), kA4)), 1);
  std::vector<TGraph *> many(65, &xy);
  many[64] = &smith;
  EXPECT_EQ(PdfPages(GraphPagesPdf(many, TPageGrid(8, 8), kA4)), 2);
  many.pop_back();
  EXPECT_EQ(PdfPages(GraphPagesPdf(many, TPageGrid(8, 8), kA4)), 1);
  // Nothing to print makes no document at all.
  EXPECT_TRUE(GraphPagesPdf({}, TPageGrid(2, 1), kA4).isEmpty());
}

TEST(GraphPages, EachGraphLandsInItsCellAndNothingElseIsDrawn) {
  TXYGraph xy;
  Fill(xy);
  const std::vector<TGraph *> three{&xy, &xy, &xy};
  const TPageGrid grid(2, 1);
  const QSize page(1020, 1320);
  const QRect top = RectOf(grid.CellRect(page.width(), page.height(), 0, 0));
  const QRect bottom = RectOf(grid.CellRect(page.width(), page.height(), 1, 0));
  const TPageRect caption = TPageGrid::CaptionRect(page.width(), page.height());
  for (int p = 0; p < 2; ++p) {
    QImage image(page, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
      QPainter painter(&image);
      PaintGraphPage(painter, page, three, grid, p, TPageLook{false, false});
    }
    EXPECT_GT(Inked(image, top), top.width() * top.height() / 200) << "page " << p;
    // The second page holds the third graph at the top, its lower cell empty.
    if (p == 0)
      EXPECT_GT(Inked(image, bottom), bottom.width() * bottom.height() / 200);
    else
      EXPECT_EQ(Inked(image, bottom), 0);
    // Margins and the gap between the cells stay blank.
    EXPECT_EQ(Inked(image, QRect(0, 0, page.width(), top.top())), 0);
    EXPECT_EQ(Inked(image, QRect(0, top.bottom() + 1, page.width(), bottom.top() - top.bottom() - 1)), 0);
    EXPECT_EQ(Inked(image, QRect(0, 0, top.left(), page.height())), 0);
    EXPECT_EQ(Inked(image, QRect(top.right() + 1, 0, page.width() - top.right() - 1, page.height())), 0);
    EXPECT_EQ(Inked(image, QRect(0, bottom.bottom() + 1, page.width(), page.height() - bottom.bottom() - 1)), 0);
  }
  // The caption is written above the cells.
  QImage image(page, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    PaintGraphPage(painter, page, {}, grid, 0);
  }
  EXPECT_GT(Inked(image, QRect(caption.Left, caption.Top, caption.Width, caption.Height)), 0);
  EXPECT_EQ(Inked(image, QRect(0, top.top(), page.width(), page.height() - top.top())), 0);
}

TEST(GraphPages, GraphsShownDarkPrintLight) {
  TXYGraph xy;
  TSmithGraph smith;
  for (TGraph *g : {static_cast<TGraph *>(&xy), static_cast<TGraph *>(&smith)}) {
    g->setPalette(ThemePalette(true));
    Fill(*g);
    ASSERT_TRUE(g->IsDark());
  }
  const TPageGrid grid(2, 1);
  const QSize page(1020, 1320);
  QImage image(page, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    PaintGraphPage(painter, page, {&xy, &smith}, grid, 0, TPageLook{false, false});
  }
  // Mostly light in both cells: a dark graph would fill its cell.
  for (int row = 0; row < 2; ++row) {
    const QRect cell = RectOf(grid.CellRect(page.width(), page.height(), row, 0));
    int dark = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x)
        if (image.pixelColor(x, y).lightness() < 100) ++dark;
    EXPECT_LT(dark, cell.width() * cell.height() / 20) << "row " << row;
    EXPECT_EQ(image.pixelColor(cell.topLeft() + QPoint(2, 2)), QColor(Qt::white)) << "row " << row;
  }
  // The screens stay dark.
  EXPECT_EQ(xy.ToImage(QSize(300, 200)).pixelColor(2, 2), ChartColors(true).Background);
  EXPECT_EQ(smith.ToImage(QSize(300, 200)).pixelColor(2, 2), ChartColors(true).Background);
}

TEST(GraphPages, PreviewOutlinesEveryCell) {
  const TPageGrid grid(3, 2);
  const QSize page(600, 800);
  QImage image(page, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    PaintGraphPage(painter, page, {nullptr}, grid, 0, TPageLook{false, true});
  }
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 2; ++c) {
      const QRect cell = RectOf(grid.CellRect(page.width(), page.height(), r, c));
      EXPECT_EQ(image.pixel(cell.topLeft()), qRgb(0, 0, 0));
      EXPECT_EQ(image.pixel(cell.center().x(), cell.top()), qRgb(0, 0, 0));
      // Inside stays blank: a null graph leaves its cell empty.
      EXPECT_EQ(Inked(image, cell.adjusted(2, 2, -2, -2)), 0);
    }
  }
}

TEST(GraphPages, WritesWholeFilesOrNothing) {
  TempDir dir;
  TXYGraph xy;
  Fill(xy);
  const QString name = QString::fromStdString(dir.File("pages.pdf"));
  QString error;
  ASSERT_TRUE(WriteGraphPagesPdf(name, {&xy, &xy, &xy}, TPageGrid(1, 1), kA4, &error)) << error.toStdString();
  QFile f(name);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(PdfPages(f.readAll()), 3);
  f.close();

  // An unwritable target says why; the old file stays as it was.
  const QString missing = QString::fromStdString(dir.File("no/such/folder/x.pdf"));
  EXPECT_FALSE(WriteGraphPagesPdf(missing, {&xy}, TPageGrid(), kA4, &error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("Unable to create file:\n"))) << error.toStdString();
  EXPECT_FALSE(QFile::exists(missing));
  EXPECT_FALSE(WriteGraphPagesPdf(name, {}, TPageGrid(), kA4, &error));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(PdfPages(f.readAll()), 3);
}

} // namespace
} // namespace korv
