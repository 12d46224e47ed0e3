#include "ui/chart/GraphPages.h"

#include <QBuffer>
#include <QFile>
#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <exception>

#include "core/ErrorText.h"
#include "core/Excption.h"
#include "core/SAFileStream.h"
#include "ui/chart/Graph.h"

namespace korv {

void PrintGraphAt(QPainter &painter, TGraph &graph, int left, int top, int width, int height) {
  if (width <= 0 || height <= 0) return;
  painter.save();
  graph.RenderOnPaper(painter, QRectF(left, top, width, height));
  painter.restore();
}

void PaintGraphPage(QPainter &painter, const QSize &pageSize, const std::vector<TGraph *> &graphs,
                    const TPageGrid &grid, int page, const TPageLook &look) {
  const int pw = pageSize.width();
  const int ph = pageSize.height();
  if (pw <= 0 || ph <= 0) return;
  const int count = static_cast<int>(graphs.size());
  if (look.Caption) {
    const TPageRect c = TPageGrid::CaptionRect(pw, ph);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(std::max(1, c.Height * 4 / 5));
    painter.save();
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(c.Left, c.Top, c.Width, c.Height), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     QString::fromStdString(TPageGrid::PageCaption(page)));
    painter.restore();
  }
  for (int r = 0; r < grid.Rows(); ++r) {
    for (int c = 0; c < grid.Columns(); ++c) {
      const TPageRect cell = grid.CellRect(pw, ph, r, c);
      const int i = grid.GraphIndex(page, r, c, count);
      if (TGraph *graph = i >= 0 ? graphs[static_cast<std::size_t>(i)] : nullptr)
        PrintGraphAt(painter, *graph, cell.Left, cell.Top, cell.Width, cell.Height);
      if (look.Outlines) {
        painter.save();
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRect(cell.Left, cell.Top, cell.Width, cell.Height));
        painter.restore();
      }
    }
  }
}

bool PaintGraphPages(QPagedPaintDevice &device, const std::vector<TGraph *> &graphs, const TPageGrid &grid) {
  const int pages = grid.PageCount(static_cast<int>(graphs.size()));
  if (pages == 0) return false;
  // One document for all pages: a PDF file written page by page as jobs of
  // their own would keep only the last page.
  QPainter painter;
  if (!painter.begin(&device)) return false;
  const QSize pageSize(device.width(), device.height());
  for (int p = 0; p < pages; ++p) {
    if (p > 0 && !device.newPage()) {
      painter.end();
      return false;
    }
    PaintGraphPage(painter, pageSize, graphs, grid, p);
  }
  return painter.end();
}

QByteArray GraphPagesPdf(const std::vector<TGraph *> &graphs, const TPageGrid &grid, const QPageLayout &layout,
                         int resolution) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(resolution);
    writer.setPageLayout(QPageLayout(layout.pageSize(), layout.orientation(), QMarginsF(0, 0, 0, 0)));
    writer.setTitle(QStringLiteral("LX-3200 Trace Graphs"));
    writer.setCreator(QStringLiteral("KorvMOX"));
    if (!PaintGraphPages(writer, graphs, grid)) return {};
  }
  buffer.close();
  return bytes;
}

bool WriteGraphPagesPdf(const QString &fileName, const std::vector<TGraph *> &graphs, const TPageGrid &grid,
                        const QPageLayout &layout, QString *error) {
  const std::string name = QFile::encodeName(fileName).toStdString();
  try {
    const QByteArray bytes = GraphPagesPdf(graphs, grid, layout);
    if (bytes.isEmpty()) throw ESAFileStream_Exception("Nothing to print.");
    WriteWholeFileAtomic(name, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    return true;
  } catch (...) {
    if (error != nullptr) {
      *error = QString::fromStdString(DescribeSaveFailure(std::current_exception(), name).Message);
      error->replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }
    return false;
  }
}

} // namespace korv
