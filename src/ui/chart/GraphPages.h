#pragma once
// Several graphs per page: each graph drawn as vector output into its cell
// of a grid (TPageGrid), page after page. The print dialog paints with it
// on a printer or a PDF file and in its preview, `korvtool print` into a
// PDF file, so all of them lay out pages alike.
#include <QByteArray>
#include <QPageLayout>
#include <QSize>
#include <vector>

#include "measure/PageGrid.h"

class QPagedPaintDevice;
class QPainter;

namespace korv {

class TGraph;

// Decorations of a painted page.
struct TPageLook {
  bool Caption = true;   // "LX-3200 Trace Graphs   Page N" at the top
  bool Outlines = false; // black cell borders (the preview)
};

// One graph into a cell of a page: drawn as vector output at the cell's
// size, so it lays itself out for that cell rather than being stretched.
void PrintGraphAt(QPainter &painter, TGraph &graph, int left, int top, int width, int height);

// Paints page `page` (from 0) onto a painter whose page is pageSize device
// pixels; the painter's transformation may scale it (the preview). Null
// graphs leave their cell empty.
void PaintGraphPage(QPainter &painter, const QSize &pageSize, const std::vector<TGraph *> &graphs,
                    const TPageGrid &grid, int page, const TPageLook &look = {});

// Every page onto a printer or PDF writer, one document. Returns false
// when the device cannot be painted on or refuses a new page; nothing is
// painted for an empty list.
bool PaintGraphPages(QPagedPaintDevice &device, const std::vector<TGraph *> &graphs, const TPageGrid &grid);

// The pages as a PDF document in memory, on pages of the given layout at
// `resolution` dots per inch (the page margins are the grid's own).
QByteArray GraphPagesPdf(const std::vector<TGraph *> &graphs, const TPageGrid &grid, const QPageLayout &layout,
                         int resolution = 600);

// Writes GraphPagesPdf to a file through a temporary file and a rename, so
// a failure never leaves half a document. Returns false (and says why in
// *error when given) on failure.
bool WriteGraphPagesPdf(const QString &fileName, const std::vector<TGraph *> &graphs, const TPageGrid &grid,
                        const QPageLayout &layout, QString *error = nullptr);

} // namespace korv
