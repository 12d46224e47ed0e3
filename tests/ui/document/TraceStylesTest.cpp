// The 14 trace styles stay apart in colour and in black and white.
#include <QImage>
#include <set>
#include <utility>

#include <gtest/gtest.h>

#include "ui/chart/XYGraph.h"
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

} // namespace
} // namespace korv
