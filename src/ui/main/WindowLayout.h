#pragma once
// Where Tile puts the document windows: a grid of nearly square cells, so
// that four graphs get a quarter of the area each instead of thin strips.
#include <QRect>
#include <Qt>

namespace korv {

struct TTileGrid {
  int Count = 0;
  int Columns = 1;
  int Rows = 1;
  // Cell of window i (0-based) in an area of width x height. The last row
  // shares its width among the windows it holds, so no area stays empty.
  QRect Cell(int i, int width, int height) const;
};

// Columns follow the area's shape: a wide area gets more columns than rows.
TTileGrid TileGrid(int count, int width, int height);

// The toolbar's place as the settings file keeps it.
enum TToolbarLocation : int { tlTop = 1, tlBottom = 2, tlLeft = 3, tlRight = 4 };
Qt::ToolBarArea ToolBarAreaOf(int location); // unknown numbers: the top
TToolbarLocation ToolbarLocationOf(Qt::ToolBarArea area);

} // namespace korv
