#pragma once
// The program's light and dark looks: the application palette, the colours
// of the charts, and the colour a trace or mark is drawn with so it keeps its
// contrast on either background. Every colour that depends on the theme is
// chosen here; documents and their files never see it.
#include <QColor>
#include <QPalette>
#include <QString>

namespace korv {

enum class TThemeChoice { System, Light, Dark };

// "System", "Light", "Dark" (the settings file's words) and back; any other
// text is System.
QString ThemeChoiceName(TThemeChoice choice);
TThemeChoice ThemeChoiceFromName(const QString &name);

// WCAG 2 relative luminance (0 black to 1 white) and contrast ratio (1 to 21).
double RelativeLuminance(const QColor &color);
double ContrastRatio(const QColor &a, const QColor &b);

// The least contrast a trace or mark keeps against the chart background.
inline constexpr double kMinChartContrast = 3.0;

struct TChartColors {
  QColor Background;
  QColor Title;
  QColor Text; // axes, tick labels, legend, readouts
  QColor Ink;  // the traces of the monochrome styles
  QColor Grid;
  QColor SubGrid;
  QColor DiscFill; // the Smith chart's unit disc
  QColor SmithGrid;
  QColor SmithUnitGrid; // the r = 1 and x = 1 circles and the real axis
};
const TChartColors &ChartColors(bool dark);
// The main window's empty workspace behind the document windows.
QColor WorkspaceColor(bool dark);

// The colour a trace or mark of this colour is drawn with: itself when it
// keeps kMinChartContrast on the background, else the colour blended towards
// white (dark) or black (light) until it does. The default trace colours
// bring hand-picked dark variants of their own (document/TraceColors).
QColor ColorOnChart(const QColor &color, bool dark);

// Light text on a dark window.
bool IsDarkPalette(const QPalette &palette);
// The Fusion palettes of the two looks.
QPalette ThemePalette(bool dark);

// Applies a look to the whole application: Light and Dark set the Fusion
// style and its palette; System puts back the style and palette the
// application had before the first call. Every widget gets a palette change
// event. Returns whether the application's palette is now dark.
bool ApplyTheme(TThemeChoice choice);

} // namespace korv
