#pragma once
// The XY graph of the frequency and distance views, drawn by QCustomPlot.
#include <memory>

#include "ui/chart/Graph.h"

class QCustomPlot;
class QCPGraph;
class QCPLayer;
class QCPItemStraightLine;
class QCPItemText;

namespace korv {

class TTextRow;
struct TStrokeCache;

// Y ticks that fit an axis of this height with labels of this height
// (at least two label heights apart): 2 to 8.
int YTickCount(int axisHeightPixels, int labelHeightPixels);

class TXYGraph : public TGraph {
  Q_OBJECT
public:
  explicit TXYGraph(QWidget *parent = nullptr);
  ~TXYGraph() override;

  QPointF PixelToGraph(const QPointF &pixel) const override;
  QPointF GraphToPixel(const QPointF &graph) const override;
  void RenderTo(QPainter &painter, const QRectF &rect) override;
  // The plot area in widget pixels (after the last rebuild).
  QRect PlotArea() const;
  // The plot, built for the current state.
  QCustomPlot *Plot() const;
  // The plot's widget as it is, not laid out first (for event filters).
  QWidget *PlotWidget() const;
  // Dense traces are being stroked on a worker for the screen; the widget
  // shows their last stroke until then.
  bool StrokesPending() const;

protected:
  void ApplyModel() override;
  void ApplyOverlay() override;
  void RenderToImage(QImage &image) override;
  void RenderStraight(QCPPainter &painter, const QRectF &rect) override;
  void resizeEvent(QResizeEvent *event) override;

private:
  // Builds every layout element, graph and item for a drawing of the given
  // height (fonts and line widths follow it).
  void BuildPlot(double heightPixels);
  void BuildAnnotations(double fontPixels);
  // Builds now when a build is pending.
  void EnsureBuilt() const;
  // Lays out for w x h, lets draw() paint with a plot painter, then goes
  // back to the widget's own layout.
  template <typename Draw> void WithLayout(int w, int h, Draw draw);

  QCustomPlot *m_plot = nullptr;
  // The layer of the marks and readouts: buffered on its own, so a marker
  // step repaints it alone over the traces' unchanged buffer.
  QCPLayer *m_overlay = nullptr;
  // Readout rows under the legend, drawn on the overlay layer.
  std::vector<TTextRow *> m_readoutRows;
  // The marks' items, reused by every refresh (hidden when not needed).
  std::vector<QCPItemStraightLine *> m_lineItems;
  std::vector<QCPItemText *> m_textItems;
  // State of the last full build that the overlay path relies on.
  std::size_t m_builtKey = 0;
  // Changed since the last build (made while hidden).
  mutable bool m_buildPending = false;
  // Per subset, the strokes of its dense trace made on a worker.
  std::vector<std::shared_ptr<TStrokeCache>> m_strokes;
  // Building for an export: strokes are made in place.
  bool m_exporting = false;
  double m_builtFontPixels = 0.0;
};

} // namespace korv
