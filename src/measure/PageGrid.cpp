#include "measure/PageGrid.h"

#include <algorithm>
#include <cmath>

#include "core/Excption.h"

namespace korv {

namespace {
int Held(int cells) { return std::clamp(cells, TPageGrid::kMinCells, TPageGrid::kMaxCells); }
} // namespace

TPageGrid::TPageGrid(int rows, int columns) : m_rows(Held(rows)), m_columns(Held(columns)) {}

void TPageGrid::SetRows(int rows) { m_rows = Held(rows); }

void TPageGrid::SetColumns(int columns) { m_columns = Held(columns); }

int TPageGrid::PageCount(int count) const {
  if (count <= 0) return 0;
  return (count + CellsPerPage() - 1) / CellsPerPage();
}

int TPageGrid::GraphIndex(int page, int row, int column, int count) const {
  if (page < 0 || row < 0 || row >= m_rows || column < 0 || column >= m_columns) return -1;
  const long long i = static_cast<long long>(page) * CellsPerPage() + static_cast<long long>(row) * m_columns + column;
  return i < count ? static_cast<int>(i) : -1;
}

int TPageGrid::CellWidth(int pageWidth) const {
  return std::max(0, (pageWidth - 2 * MarginX(pageWidth) - (m_columns - 1) * Gap(pageWidth)) / m_columns);
}

int TPageGrid::CellHeight(int pageWidth, int pageHeight) const {
  return std::max(0, (pageHeight - 2 * MarginY(pageHeight) - (m_rows - 1) * Gap(pageWidth)) / m_rows);
}

TPageRect TPageGrid::CellRect(int pageWidth, int pageHeight, int row, int column) const {
  const int w = CellWidth(pageWidth);
  const int h = CellHeight(pageWidth, pageHeight);
  const int g = Gap(pageWidth);
  return {MarginX(pageWidth) + column * (w + g), MarginY(pageHeight) + row * (h + g), w, h};
}

TPreviewPage TPageGrid::PreviewPage(int pageWidth, int pageHeight, int clientWidth, int clientHeight) {
  if (pageWidth <= 0 || pageHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return {};
  // Scaled by the tighter direction, so a page never runs out of the image
  // whatever its orientation and the image's proportions.
  const double s =
      std::max(static_cast<double>(pageWidth) / clientWidth, static_cast<double>(pageHeight) / clientHeight);
  return {s, static_cast<int>(std::lround(pageWidth / s)), static_cast<int>(std::lround(pageHeight / s))};
}

std::string TPageGrid::PageCaption(int page) { return "LX-3200 Trace Graphs   Page " + std::to_string(page + 1); }

TPageRect TPageGrid::CaptionRect(int pageWidth, int pageHeight) {
  const int margin = MarginY(pageHeight);
  int top = 100;
  int height = std::max(1, pageHeight / 80);
  if (top + height > margin) {
    // A coarse device: 100 pixels would reach into the first row.
    top = margin / 4;
    height = std::max(1, margin / 2);
  }
  const int left = std::min(100, MarginX(pageWidth));
  return {left, top, std::max(1, pageWidth - 2 * left), height};
}

std::string PrinterLabel(const std::string &printerName) {
  // Only the word "on" between blanks: a name such as "Canon" keeps its
  // letters.
  const auto at = printerName.find(" on ");
  return at == std::string::npos ? printerName : printerName.substr(0, at);
}

void TPrintLists::ClearGraphs() {
  m_open.clear();
  m_toPrint.clear();
}

void TPrintLists::AddGraph(const std::string &name, int key) { m_open.push_back({name, key}); }

void TPrintLists::Move(std::vector<TPrintItem> &from, std::vector<TPrintItem> &to, std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  std::vector<TPrintItem> kept;
  kept.reserve(from.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < from.size(); ++i) {
    while (next < rows.size() && rows[next] < static_cast<int>(i))
      ++next;
    if (next < rows.size() && rows[next] == static_cast<int>(i))
      to.push_back(from[i]);
    else
      kept.push_back(from[i]);
  }
  from = std::move(kept);
}

void TPrintLists::Add(const std::vector<int> &rows) { Move(m_open, m_toPrint, rows); }

void TPrintLists::AddAll() {
  m_toPrint.insert(m_toPrint.end(), m_open.begin(), m_open.end());
  m_open.clear();
}

void TPrintLists::Remove(const std::vector<int> &rows) { Move(m_toPrint, m_open, rows); }

void TPrintLists::RemoveAll() {
  m_open.insert(m_open.end(), m_toPrint.begin(), m_toPrint.end());
  m_toPrint.clear();
}

int TPrintLists::GraphAt(int index) const {
  if (index < 0 || index >= GraphCount()) throw EmoxException("GraphHandles Array: Index out of bounds");
  return m_toPrint[static_cast<std::size_t>(index)].Key;
}

} // namespace korv
