#include "ui/main/WindowLayout.h"

#include <algorithm>
#include <cmath>

namespace korv {

TTileGrid TileGrid(int count, int width, int height) {
  TTileGrid g;
  g.Count = std::max(0, count);
  if (g.Count == 0) return g;
  // The column count that makes the cells closest to the area's own aspect
  // (a cell as wide as it is tall suits a graph on a landscape screen best
  // when the area is wide; a tall area stacks more rows).
  const double aspect = height > 0 ? static_cast<double>(std::max(1, width)) / height : 1.0;
  g.Columns = std::clamp(static_cast<int>(std::lround(std::sqrt(g.Count * aspect))), 1, g.Count);
  g.Rows = (g.Count + g.Columns - 1) / g.Columns;
  // Fewer columns when the last ones would stay empty anyway.
  g.Columns = (g.Count + g.Rows - 1) / g.Rows;
  return g;
}

Qt::ToolBarArea ToolBarAreaOf(int location) {
  switch (location) {
  case tlBottom: return Qt::BottomToolBarArea;
  case tlLeft: return Qt::LeftToolBarArea;
  case tlRight: return Qt::RightToolBarArea;
  default: return Qt::TopToolBarArea;
  }
}

TToolbarLocation ToolbarLocationOf(Qt::ToolBarArea area) {
  switch (area) {
  case Qt::BottomToolBarArea: return tlBottom;
  case Qt::LeftToolBarArea: return tlLeft;
  case Qt::RightToolBarArea: return tlRight;
  default: return tlTop;
  }
}

QRect TTileGrid::Cell(int i, int width, int height) const {
  if (Count <= 0 || i < 0 || i >= Count) return {};
  const int row = i / Columns;
  const int inRow = row == Rows - 1 ? Count - row * Columns : Columns;
  const int col = i - row * Columns;
  const int x0 = width * col / inRow, x1 = width * (col + 1) / inRow;
  const int y0 = height * row / Rows, y1 = height * (row + 1) / Rows;
  return {x0, y0, x1 - x0, y1 - y0};
}

} // namespace korv
