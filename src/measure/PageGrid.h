#pragma once
// Several graphs per printed page, without a window: the grid of rows and
// columns, how many pages a list of graphs takes, where each cell lies on a
// page, the preview's size, the page caption and the printer label, and the
// two lists of the print dialog ("Open Documents", "Documents to Print")
// with their moves. The dialog, its preview and `korvtool print` all lay
// pages out through this one class.
#include <string>
#include <vector>

namespace korv {

// A rectangle in device pixels of a page.
struct TPageRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  friend bool operator==(const TPageRect &, const TPageRect &) = default;
};

// The preview of a page inside an image: the page keeps its proportions
// and fits the image; Scale is page pixels per preview pixel.
struct TPreviewPage {
  double Scale = 1.0;
  int Width = 0;
  int Height = 0;
};

class TPageGrid {
public:
  static constexpr int kMinCells = 1;
  static constexpr int kMaxCells = 8;

  // Values outside 1..8 are held at the nearer end.
  explicit TPageGrid(int rows = 2, int columns = 1);
  int Rows() const { return m_rows; }
  int Columns() const { return m_columns; }
  void SetRows(int rows);
  void SetColumns(int columns);
  static bool InRange(int cells) { return cells >= kMinCells && cells <= kMaxCells; }

  int CellsPerPage() const { return m_rows * m_columns; }
  // Pages for count graphs (0 for none).
  int PageCount(int count) const;
  // The graph printed in cell (row, column) of page p, or -1 when that cell
  // stays empty.
  int GraphIndex(int page, int row, int column, int count) const;
  // Page, row and column of graph i.
  int PageOf(int index) const { return index / CellsPerPage(); }
  int RowOf(int index) const { return (index % CellsPerPage()) / m_columns; }
  int ColumnOf(int index) const { return index % m_columns; }

  // Margins of a twentieth of the page on every side and gaps of a
  // fiftieth of the page width between cells, in both directions.
  static int MarginX(int pageWidth) { return pageWidth / 20; }
  static int MarginY(int pageHeight) { return pageHeight / 20; }
  static int Gap(int pageWidth) { return pageWidth / 50; }
  int CellWidth(int pageWidth) const;
  int CellHeight(int pageWidth, int pageHeight) const;
  // Cell (row, column) of a page of pageWidth x pageHeight device pixels.
  TPageRect CellRect(int pageWidth, int pageHeight, int row, int column) const;

  // The page fitted into an image of clientWidth x clientHeight pixels.
  static TPreviewPage PreviewPage(int pageWidth, int pageHeight, int clientWidth, int clientHeight);

  // "LX-3200 Trace Graphs   Page N", pages counted from 1.
  static std::string PageCaption(int page);
  // Where the caption stands: at (100, 100) device pixels with a text height
  // of an eightieth of the page, kept inside the top margin on coarse devices.
  static TPageRect CaptionRect(int pageWidth, int pageHeight);

private:
  int m_rows;
  int m_columns;
};

// The printer's name as the dialog shows it: a name of the form
// "Printer on Server" is shown without the " on Server" part.
std::string PrinterLabel(const std::string &printerName);

// One entry of the print lists: the document's file name without folder
// and the key of its graph (the dialog's own numbering).
struct TPrintItem {
  std::string Name;
  int Key = 0;
  friend bool operator==(const TPrintItem &, const TPrintItem &) = default;
};

// The two lists of the print dialog. Items move between them; a move
// appends in list order and keeps the rest in their order.
class TPrintLists {
public:
  void ClearGraphs();
  // Appends to "Open Documents".
  void AddGraph(const std::string &name, int key);
  const std::vector<TPrintItem> &OpenGraphs() const { return m_open; }
  const std::vector<TPrintItem> &GraphsToPrint() const { return m_toPrint; }

  // Rows of the list (indices, any order; repeats and rows beyond the
  // list are ignored) move to the end of the other list.
  void Add(const std::vector<int> &rows);
  void AddAll();
  void Remove(const std::vector<int> &rows);
  void RemoveAll();

  bool CanAdd() const { return !m_open.empty(); }
  bool CanRemove() const { return !m_toPrint.empty(); }
  bool CanPrint() const { return !m_toPrint.empty(); }

  // Items to print; GraphAt raises "GraphHandles Array: Index out of
  // bounds" (EmoxException) for an index outside the list.
  int GraphCount() const { return static_cast<int>(m_toPrint.size()); }
  int GraphAt(int index) const;

private:
  static void Move(std::vector<TPrintItem> &from, std::vector<TPrintItem> &to, std::vector<int> rows);
  std::vector<TPrintItem> m_open;
  std::vector<TPrintItem> m_toPrint;
};

} // namespace korv
