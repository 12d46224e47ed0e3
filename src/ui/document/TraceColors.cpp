#include "ui/document/TraceColors.h"

namespace korv {

namespace {
// Chosen for distinct hues next to each other and for a contrast of at
// least 3:1 on the white chart; none is the dark red, blue or grey that
// markers use, nor the limit line's red.
const QColor kColors[kTraceStyleCount] = {
    QColor(31, 119, 180), QColor(190, 0, 190), QColor(44, 160, 44),  QColor(215, 95, 0), QColor(148, 103, 189),
    QColor(0, 155, 205),  QColor(140, 86, 75), QColor(200, 80, 165), QColor(64, 64, 64), QColor(100, 130, 0),
    QColor(0, 0, 128),    QColor(0, 128, 128), QColor(170, 135, 0),  QColor(0, 90, 50)};

// The dark chart's variants of the colours that would not read on it (under
// 3:1); invalid: the colour itself.
const QColor kDarkColors[kTraceStyleCount] = {QColor(),
                                              QColor(),
                                              QColor(),
                                              QColor(),
                                              QColor(),
                                              QColor(),
                                              QColor(196, 130, 115),
                                              QColor(),
                                              QColor(170, 170, 170),
                                              QColor(),
                                              QColor(120, 140, 255),
                                              QColor(),
                                              QColor(),
                                              QColor(70, 200, 150)};

const TSubsetSymbol kSymbols[kTraceStyleCount] = {
    TSubsetSymbol::Circle,  TSubsetSymbol::Square,       TSubsetSymbol::Triangle, TSubsetSymbol::Diamond,
    TSubsetSymbol::Cross,   TSubsetSymbol::TriangleDown, TSubsetSymbol::Plus,     TSubsetSymbol::Star,
    TSubsetSymbol::Disc,    TSubsetSymbol::Circle,       TSubsetSymbol::Square,   TSubsetSymbol::Triangle,
    TSubsetSymbol::Diamond, TSubsetSymbol::TriangleDown};

// Dash patterns in pen widths: solid first, then ever longer and mixed dashes.
QVector<qreal> Pattern(int i) {
  switch (i) {
  case 0: return {};
  case 1: return {6, 3};
  case 2: return {1.5, 2.5};
  case 3: return {8, 3, 1.5, 3};
  case 4: return {8, 3, 1.5, 3, 1.5, 3};
  case 5: return {12, 4};
  case 6: return {3, 3};
  case 7: return {12, 3, 3, 3};
  case 8: return {1.5, 5};
  case 9: return {16, 4, 1.5, 4};
  case 10: return {6, 2, 6, 6};
  case 11: return {4, 2, 1.5, 2};
  case 12: return {20, 5};
  default: return {10, 2, 1.5, 2, 1.5, 2, 1.5, 2};
  }
}
} // namespace

TSubsetStyle TraceStyle(int index) {
  const int i = ((index % kTraceStyleCount) + kTraceStyleCount) % kTraceStyleCount;
  TSubsetStyle s;
  s.Color = kColors[i];
  s.DarkColor = kDarkColors[i];
  s.DashPattern = Pattern(i);
  s.MonoPen = s.DashPattern.isEmpty() ? Qt::SolidLine : Qt::CustomDashLine;
  s.Symbol = kSymbols[i];
  return s;
}

QColor TraceColorShown(int index, bool dark) {
  const TSubsetStyle s = TraceStyle(index);
  return dark && s.DarkColor.isValid() ? s.DarkColor : s.Color;
}

void ApplyTraceStyles(TGraph &graph) {
  for (int s = 0; s < graph.Subsets(); ++s)
    graph.SetSubsetStyle(s, TraceStyle(s));
}

} // namespace korv
