// The 14 trace styles stay apart in colour and in black and white.
#include <QImage>
#include <QPainter>
#include <set>
#include <utility>

#include <gtest/gtest.h>

#include <qcustomplot.h>

#include "ui/chart/XYGraph.h"
#include "ui/common/Theme.h"
#include "ui/document/TraceColors.h"

namespace korv {
namespace {

int Distance(const QColor &a, const QColor &b) {
  return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
}

TEST(TraceStyles, FourteenDistinctColoursAwayFromTheMarkerColours) {
  const QColor reserved[] = {QColor(128, 0, 0), QColor(0, 0, 255), QColor(128, 128, 128), QColor(255, 0, 0),
                             QColor(255, 255, 255)};
  for (int i = 0; i < kTraceStyleCount; ++i) {
    for (int j = i + 1; j < kTraceStyleCount; ++j)
      EXPECT_GT(Distance(TraceStyle(i).Color, TraceStyle(j).Color), 70) << i << " " << j;
    for (const QColor &r : reserved)
      EXPECT_GT(Distance(TraceStyle(i).Color, r), 60) << i;
  }
  // Beyond 14 the styles repeat rather than fail.
  EXPECT_EQ(TraceStyle(14).Color, TraceStyle(0).Color);
  EXPECT_EQ(TraceStyle(-1).Color, TraceStyle(13).Color);
}

TEST(TraceStyles, MonochromeStylesDifferByDashPatternAndSymbol) {
  std::set<std::vector<qreal>> patterns;
  std::set<std::pair<std::vector<qreal>, int>> withSymbols;
  for (int i = 0; i < kTraceStyleCount; ++i) {
    const TSubsetStyle s = TraceStyle(i);
    const std::vector<qreal> p(s.DashPattern.begin(), s.DashPattern.end());
    patterns.insert(p);
    withSymbols.insert({p, static_cast<int>(s.Symbol)});
    EXPECT_NE(s.Symbol, TSubsetSymbol::None);
  }
  EXPECT_EQ(patterns.size(), static_cast<std::size_t>(kTraceStyleCount));
  EXPECT_EQ(withSymbols.size(), static_cast<std::size_t>(kTraceStyleCount));
}

TEST(TraceStyles, MonochromeDrawingHasNoColour) {
  TXYGraph g;
  g.SetSubsets(3);
  g.SetPoints(50);
  for (int s = 0; s < 3; ++s)
    for (int p = 0; p < 50; ++p)
      g.SetXData(s, p, p), g.SetYData(s, p, s + 0.02 * p);
  ApplyTraceStyles(g);
  auto saturated = [&](int viewStyle) {
    TPlotLook look;
    look.ViewStyle = viewStyle;
    g.SetLook(look);
    const QImage image = g.ToImage(QSize(500, 350));
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 60) ++count;
      }
    return count;
  };
  EXPECT_GT(saturated(0), 200);
  EXPECT_EQ(saturated(1), 0);
  EXPECT_EQ(saturated(2), 0);
}

TEST(TraceStyles, EveryTraceColourReadsOnTheLightAndTheDarkChart) {
  const QColor white = ChartColors(false).Background;
  const QColor night = ChartColors(true).Background;
  std::vector<QColor> drawnDark;
  for (int i = 0; i < kTraceStyleCount; ++i) {
    const TSubsetStyle s = TraceStyle(i);
    EXPECT_GE(ContrastRatio(s.Color, white), kMinChartContrast) << "trace " << i + 1;
    // A variant only where the colour itself would not read: the others
    // look the same in both themes.
    EXPECT_EQ(s.DarkColor.isValid(), ContrastRatio(s.Color, night) < kMinChartContrast) << "trace " << i + 1;
    // What the chart draws and the trace list shows.
    EXPECT_EQ(TraceColorShown(i, false), s.Color);
    drawnDark.push_back(TraceColorShown(i, true));
    EXPECT_GE(ContrastRatio(drawnDark.back(), night), kMinChartContrast) << "trace " << i + 1;
  }
  // On the dark chart too, no two traces look alike, nor like a marker.
  const QColor marks[] = {QColor(128, 0, 0), QColor(0, 0, 255), QColor(128, 128, 128), LimitLineColor()};
  for (int i = 0; i < kTraceStyleCount; ++i) {
    for (int j = i + 1; j < kTraceStyleCount; ++j)
      EXPECT_GT(Distance(drawnDark[i], drawnDark[j]), 70) << i << " " << j;
    for (const QColor &m : marks)
      EXPECT_GT(Distance(drawnDark[i], ColorOnChart(m, true)), 60) << i;
  }
}

// Pixels within a small distance of a colour.
int CountNear(const QImage &image, const QColor &color) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (Distance(image.pixelColor(x, y), color) <= 20) ++n;
  return n;
}

TEST(TraceStyles, ADarkChartDrawsTheDarkVariantsAndPaperStaysLight) {
  TXYGraph g;
  g.SetSubsets(kTraceStyleCount);
  g.SetPoints(40);
  for (int s = 0; s < kTraceStyleCount; ++s)
    for (int p = 0; p < 40; ++p)
      g.SetXData(s, p, p), g.SetYData(s, p, s);
  ApplyTraceStyles(g);
  g.SetSubsetLineType(10, ltThickSolid); // wide enough for pixels of the pure colour
  g.setPalette(ThemePalette(true));
  g.Rebuild();
  const QColor navy = TraceStyle(10).Color;
  const QColor navyOnDark = TraceStyle(10).DarkColor;
  const QImage dark = g.ToImage(QSize(600, 420));
  EXPECT_EQ(dark.pixelColor(2, 2), ChartColors(true).Background);
  EXPECT_GT(CountNear(dark, navyOnDark), 100);
  EXPECT_EQ(CountNear(dark, navy), 0);
  // Paper: white, the traces in their own colours, and the screen stays dark.
  QImage paper(600, 420, QImage::Format_RGB32);
  paper.fill(Qt::white);
  {
    QPainter p(&paper);
    g.RenderOnPaper(p, QRectF(0, 0, 600, 420));
  }
  EXPECT_EQ(paper.pixelColor(2, 2), QColor(Qt::white));
  EXPECT_GT(CountNear(paper, navy), 100);
  EXPECT_EQ(CountNear(paper, navyOnDark), 0);
  EXPECT_EQ(g.ToImage(QSize(600, 420)).pixelColor(2, 2), ChartColors(true).Background);
  // The window's own plot was built dark again after drawing for paper.
  EXPECT_EQ(g.Plot()->toPixmap(300, 200).toImage().pixelColor(2, 2), ChartColors(true).Background);
}

} // namespace
} // namespace korv
