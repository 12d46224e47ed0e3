// The light and dark looks: contrast arithmetic, colours lifted until they
// read on either chart, theme words, and the application palette going dark
// and back to what it was.
#include <QStyle>

#include <QApplication>

#include <gtest/gtest.h>

#include "ui/common/Theme.h"

using namespace korv;

TEST(Theme, ContrastFollowsTheWcagFormula) {
  EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
  EXPECT_NEAR(ContrastRatio(QColor(200, 10, 10), QColor(200, 10, 10)), 1.0, 1e-9);
  // The well-known pair: #777777 on white is just under 4.5:1.
  EXPECT_NEAR(ContrastRatio(QColor(0x77, 0x77, 0x77), Qt::white), 4.48, 0.01);
  // Green weighs most, blue least.
  EXPECT_GT(RelativeLuminance(QColor(0, 255, 0)), RelativeLuminance(QColor(255, 0, 0)));
  EXPECT_GT(RelativeLuminance(QColor(255, 0, 0)), RelativeLuminance(QColor(0, 0, 255)));
}

TEST(Theme, EveryColourReadsOnBothChartsAndGoodOnesStayAsTheyAre) {
  for (const bool dark : {false, true}) {
    const QColor background = ChartColors(dark).Background;
    for (int r = 0; r <= 255; r += 51)
      for (int g = 0; g <= 255; g += 51)
        for (int b = 0; b <= 255; b += 51) {
          const QColor c(r, g, b);
          const QColor drawn = ColorOnChart(c, dark);
          EXPECT_GE(ContrastRatio(drawn, background), kMinChartContrast) << r << "," << g << "," << b << " " << dark;
          if (ContrastRatio(c, background) >= kMinChartContrast) {
            EXPECT_EQ(drawn, c);
          }
        }
  }
  // The chart's own text and grid: text reads well, the grid stays behind it.
  for (const bool dark : {false, true}) {
    const TChartColors &c = ChartColors(dark);
    EXPECT_GE(ContrastRatio(c.Text, c.Background), 4.5) << dark;
    EXPECT_GE(ContrastRatio(c.Title, c.Background), 4.5) << dark;
    EXPECT_GE(ContrastRatio(c.Ink, c.Background), 4.5) << dark;
    EXPECT_LT(ContrastRatio(c.Grid, c.Background), ContrastRatio(c.Text, c.Background)) << dark;
  }
}

TEST(Theme, SettingsWordsAndUnknownOnesAreSystem) {
  for (const TThemeChoice c : {TThemeChoice::System, TThemeChoice::Light, TThemeChoice::Dark})
    EXPECT_EQ(ThemeChoiceFromName(ThemeChoiceName(c)), c);
  EXPECT_EQ(ThemeChoiceFromName(QStringLiteral("dark")), TThemeChoice::Dark);
  EXPECT_EQ(ThemeChoiceFromName(QStringLiteral("Purple")), TThemeChoice::System);
  EXPECT_EQ(ThemeChoiceFromName(QString()), TThemeChoice::System);
}

TEST(Theme, DarkAndLightPalettesAppliedAndTheStartingOneRestored) {
  const QPalette before = QApplication::palette();
  ASSERT_FALSE(IsDarkPalette(before));
  EXPECT_TRUE(IsDarkPalette(ThemePalette(true)));
  EXPECT_FALSE(IsDarkPalette(ThemePalette(false)));
  // Text on the dark palette reads.
  const QPalette dark = ThemePalette(true);
  EXPECT_GE(ContrastRatio(dark.color(QPalette::Text), dark.color(QPalette::Base)), 7.0);
  EXPECT_GE(ContrastRatio(dark.color(QPalette::WindowText), dark.color(QPalette::Window)), 7.0);

  EXPECT_TRUE(ApplyTheme(TThemeChoice::Dark));
  EXPECT_TRUE(IsDarkPalette(QApplication::palette()));
  EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
  EXPECT_FALSE(ApplyTheme(TThemeChoice::Light));
  EXPECT_FALSE(IsDarkPalette(QApplication::palette()));
  EXPECT_TRUE(ApplyTheme(TThemeChoice::Dark));
  EXPECT_FALSE(ApplyTheme(TThemeChoice::System));
  EXPECT_EQ(QApplication::palette().color(QPalette::Window), before.color(QPalette::Window));
  EXPECT_EQ(QApplication::palette().color(QPalette::Text), before.color(QPalette::Text));
}
