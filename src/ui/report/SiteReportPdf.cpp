#include "ui/report/SiteReportPdf.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <qcustomplot.h>

#include "core/Excption.h"
#include "core/SAFileStream.h"
#include "ui/document/Child.h"

namespace korv {

namespace {

// Page geometry in the writer's units (96 per inch, A4 portrait).
constexpr double kMargin = 48.0;
constexpr double kRowHeight = 20.0;
constexpr double kGraphHeight = 380.0;

QString Q(const std::string &s) { return QString::fromStdString(s); }

class TReportPainter {
public:
  TReportPainter(QPdfWriter &writer, const TSiteReport &report, const TReportFooter &footer)
      : m_writer(writer), m_report(report), m_footer(footer), m_painter(&writer) {
    // The pages' own lines where they are put, not moved to whole units.
    m_painter.setMode(QCPPainter::pmVectorized);
    const QSizeF size = writer.pageLayout().paintRectPixels(writer.resolution()).size();
    m_page = QRectF(kMargin, kMargin, size.width() - 2 * kMargin, size.height() - 2 * kMargin);
    // Laid out at the graphs' size, as on screen, so the marker symbols
    // stand their usual distance off their points. Never shown: a shown
    // window would paint every view on the way.
    m_window.resize(QSize(static_cast<int>(m_page.width()), static_cast<int>(kGraphHeight)));
    if (QLayout *layout = m_window.layout()) layout->activate();
    m_window.Graph()->SetRenderOnly(true);
  }

  void Page(int index) {
    if (index > 0) m_writer.newPage();
    const TReportPage &p = m_report.Pages[static_cast<std::size_t>(index)];
    if (p.Kind == TReportPage::Summary)
      Summary(p, m_page.top());
    else
      TracePage(p, m_page.top());
    Footer(index);
  }

  void End() { m_painter.end(); }

private:
  void SetFont(double points, bool bold) {
    // The graphs' own font, so the file embeds one family.
    QFont f = m_window.font();
    f.setPointSizeF(points);
    f.setBold(bold);
    m_painter.setFont(f);
  }

  double Text(double y, const QString &text, double points, bool bold = false) {
    SetFont(points, bold);
    const double h = points * 2.0;
    m_painter.drawText(QRectF(m_page.left(), y, m_page.width(), h), Qt::AlignLeft | Qt::AlignVCenter, text);
    return y + h;
  }

  // A table with its headings; widths are shares of the page width.
  double Table(double y, const std::vector<std::string> &headings, const std::vector<std::vector<std::string>> &rows,
               const std::vector<double> &shares) {
    auto row = [&](const std::vector<std::string> &cells, bool bold) {
      SetFont(7.5, bold);
      double x = m_page.left();
      for (std::size_t c = 0; c < cells.size() && c < shares.size(); ++c) {
        const double w = shares[c] * m_page.width();
        // A cell never runs into its neighbour: long labels end in an ellipsis.
        const QString text = QFontMetricsF(m_painter.font()).elidedText(Q(cells[c]), Qt::ElideRight, w - 4);
        m_painter.drawText(QRectF(x + 2, y, w - 4, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter, text);
        x += w;
      }
      y += kRowHeight;
      m_painter.drawLine(QPointF(m_page.left(), y), QPointF(m_page.right(), y));
    };
    m_painter.setPen(QPen(Qt::black, 0.5));
    row(headings, true);
    for (const auto &r : rows)
      row(r, false);
    return y;
  }

  double Summary(const TReportPage &p, double y) {
    const TSiteReport &r = m_report;
    y = Text(y, Q(r.Title), 16, true);
    if (p.FirstRow == 0) {
      y = Text(y, QStringLiteral("Sites: ") + Q(r.Sites), 9);
      y = Text(y, QStringLiteral("Sectors: ") + Q(r.Sectors), 9);
      y = Text(y, QStringLiteral("Sweeps: ") + Q(r.DateRange), 9);
      for (const auto &inst : r.Instruments)
        y = Text(y, QStringLiteral("Instrument: ") + Q(inst), 9);
      y = Text(y, QStringLiteral("Calibration: ") + Q(r.Calibration), 9);
      y += 10;
    } else {
      y = Text(y, QStringLiteral("Summary (continued)"), 9);
    }
    std::vector<std::vector<std::string>> rows;
    for (int i = p.FirstRow; i < p.FirstRow + p.RowCount; ++i) {
      const TReportTrace &t = r.Traces[static_cast<std::size_t>(i)];
      rows.push_back({t.Label, t.Band, t.Points, t.Worst, t.WorstAt, t.Limit, t.Verdict, t.Fault, t.FaultAt});
    }
    return Table(y, TSiteReport::SummaryHeadings(), rows, {0.19, 0.16, 0.06, 0.1, 0.11, 0.1, 0.07, 0.12, 0.09});
  }

  // The trace as one document in a window: its worst point marked in the
  // frequency view, the largest events in the distance view, the limits on.
  std::unique_ptr<TmoxDocument> GraphDocument(const TReportTrace &t) const {
    auto doc = std::make_unique<TmoxDocument>(TmoxDocument::EmptyTag{});
    TTraceDoc &d = doc->Doc;
    d.ScaleUnit = t.ScaleUnit;
    d.DistUnit = t.DistUnit;
    d.PlotMode = pmFrequency;
    TTraceData data = t.Data;
    data.ActiveMarks = {};
    data.FreqMarks = {};
    data.DistMarks = {};
    auto mark = [](TMarkerSlot &slot, int point) {
      slot.Visible = 1;
      slot.Point = point;
      slot.DeltaOn = false;
      slot.Reference = 7;
    };
    if (t.Freq.Worst.Index >= 0) mark(data.FreqMarks[0], t.Freq.Worst.Index);
    const std::vector<int> marked = MarkedEvents(t.Events);
    for (std::size_t k = 0; k < marked.size(); ++k)
      mark(data.DistMarks[k], t.Events[static_cast<std::size_t>(marked[k])].Index);
    if (t.Freq.Limit) d.FreqLimitMode = 1, d.FreqLimitValue = *t.Freq.Limit;
    if (t.Dist.Limit) d.DistLimitMode = 1, d.DistLimitValue = *t.Dist.Limit;
    d.MaxPoints = data.NumPoints;
    d.AddTrace(data);
    doc->ResetScaling();
    doc->LoadActiveMarks();
    return doc;
  }

  double TracePage(const TReportPage &p, double y) {
    const TReportTrace &t = m_report.Traces[static_cast<std::size_t>(p.Item)];
    y = Text(y, Q(t.Label), 13, true);
    if (p.Kind == TReportPage::Trace) {
      const QString verdict = t.Freq.Verdict == TVerdict::None
                                  ? QStringLiteral("no limit")
                                  : Q(t.Verdict) + QStringLiteral(" against ") + Q(t.Limit);
      y = Text(y,
               Q(t.Band) + QStringLiteral(", ") + Q(t.Points) + QStringLiteral(" points; worst ") + Q(t.Worst) +
                   QStringLiteral(" at ") + Q(t.WorstAt) + QStringLiteral("; ") + verdict,
               9);
      // The document opens in its frequency view.
      m_window.SetDocument(GraphDocument(t));
      m_window.Graph()->SetRenderOnly(true); // the window may have made a new one
      m_window.SetActiveTrace(0);
      const double h = kGraphHeight;
      m_window.Graph()->RenderOnPaper(m_painter, QRectF(m_page.left(), y, m_page.width(), h));
      y += h + 6;
      if (t.HasDistance) {
        // The active trace (its readouts) stays across the change of view.
        m_window.SetPlotMode(pmDistance);
        m_window.Graph()->RenderOnPaper(m_painter, QRectF(m_page.left(), y, m_page.width(), h));
        y += h + 6;
        if (!t.DistanceVerdict.empty()) y = Text(y, Q(t.DistanceVerdict), 9);
      } else {
        y = Text(y, QStringLiteral("No distance view: ") + Q(t.DistanceProblem), 9);
      }
    } else {
      y = Text(y, QStringLiteral("Fault events (continued)"), 9);
    }
    if (!t.HasDistance) return y;
    if (t.Events.empty()) return Text(y, QStringLiteral("No fault event above the threshold."), 9);
    std::vector<std::vector<std::string>> rows;
    for (int e = p.FirstRow; e < p.FirstRow + p.RowCount; ++e)
      rows.push_back(m_report.EventCells(t, e));
    return Table(y, TSiteReport::EventHeadings(), rows, {0.1, 0.3, 0.3, 0.3});
  }

  void Footer(int index) {
    SetFont(7.5, false);
    const QRectF band(m_page.left(), m_page.bottom() + 8, m_page.width(), 20);
    m_painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter,
                       QStringLiteral("KorvMOX ") + m_footer.Version + QStringLiteral(", ") + m_footer.Date);
    m_painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                       QStringLiteral("Page %1 of %2").arg(index + 1).arg(m_report.Pages.size()));
  }

  QPdfWriter &m_writer;
  const TSiteReport &m_report;
  TReportFooter m_footer;
  // The plot library's painter: the graphs draw straight onto the pages.
  QCPPainter m_painter;
  QRectF m_page;
  TfrmDoc m_window;
};

} // namespace

QByteArray SiteReportPdf(const TSiteReport &report, const TReportFooter &footer,
                         const std::function<bool(int, int)> &progress) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setResolution(96);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setTitle(Q(report.Title));
    writer.setCreator(QStringLiteral("KorvMOX"));
    TReportPainter painter(writer, report, footer);
    const int pages = static_cast<int>(report.Pages.size());
    for (int i = 0; i < pages; ++i) {
      if (progress && !progress(i, pages)) {
        painter.End();
        return {};
      }
      painter.Page(i);
    }
    painter.End();
  }
  return bytes;
}

int WriteSiteReportPdf(const TSiteReport &report, const std::string &fileName, const TReportFooter &footer,
                       const std::function<bool(int, int)> &progress) {
  const QByteArray bytes = SiteReportPdf(report, footer, progress);
  if (bytes.isEmpty()) return 0;
  WriteWholeFileAtomic(fileName, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  return static_cast<int>(report.Pages.size());
}

} // namespace korv
