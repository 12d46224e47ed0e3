#include "ui/chart/XYGraph.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPicture>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <qcustomplot.h>

#include "ui/chart/DenseGraph.h"
#include "ui/common/Theme.h"

namespace korv {

namespace {

QCPScatterStyle::ScatterShape ShapeOf(TSubsetSymbol s) {
  switch (s) {
  case TSubsetSymbol::None: return QCPScatterStyle::ssNone;
  case TSubsetSymbol::Circle: return QCPScatterStyle::ssCircle;
  case TSubsetSymbol::Square: return QCPScatterStyle::ssSquare;
  case TSubsetSymbol::Diamond: return QCPScatterStyle::ssDiamond;
  case TSubsetSymbol::Triangle: return QCPScatterStyle::ssTriangle;
  case TSubsetSymbol::TriangleDown: return QCPScatterStyle::ssTriangleInverted;
  case TSubsetSymbol::Cross: return QCPScatterStyle::ssCross;
  case TSubsetSymbol::Plus: return QCPScatterStyle::ssPlus;
  case TSubsetSymbol::Star: return QCPScatterStyle::ssStar;
  case TSubsetSymbol::Disc: return QCPScatterStyle::ssDisc;
  }
  return QCPScatterStyle::ssCircle;
}

// Catmull-Rom through the points, four steps per segment; gaps stay gaps.
void Spline(QVector<double> &keys, QVector<double> &values) {
  QVector<double> k, v;
  const int n = static_cast<int>(keys.size());
  k.reserve(static_cast<qsizetype>(n) * 4);
  v.reserve(static_cast<qsizetype>(n) * 4);
  auto ok = [&](int i) { return i >= 0 && i < n && !std::isnan(values[i]); };
  for (int i = 0; i < n; ++i) {
    k.append(keys[i]);
    v.append(values[i]);
    if (!ok(i) || !ok(i + 1)) continue;
    const int i0 = ok(i - 1) ? i - 1 : i;
    const int i3 = ok(i + 2) ? i + 2 : i + 1;
    for (int step = 1; step < 4; ++step) {
      const double t = step / 4.0, t2 = t * t, t3 = t2 * t;
      auto cr = [&](const QVector<double> &p) {
        return 0.5 * ((2 * p[i]) + (-p[i0] + p[i + 1]) * t + (2 * p[i0] - 5 * p[i] + 4 * p[i + 1] - p[i3]) * t2 +
                      (-p[i0] + 3 * p[i] - 3 * p[i + 1] + p[i3]) * t3);
      };
      k.append(keys[i] + (keys[i + 1] - keys[i]) * t);
      v.append(cr(values));
    }
  }
  keys.swap(k);
  values.swap(v);
}

double ScaleFor(double heightPixels) { return std::clamp(heightPixels / 600.0, 0.75, 2.0); }

// Drawings taller than this are laid out at this height and scaled up, so a
// printer page looks like the screen.
constexpr double kMaxLogicalHeight = 1200.0;

} // namespace

// A plot that draws its layers when it is painted, not at each change: a
// window that is made, filled, laid out, resized and shown before its first
// paint draws its traces once. Conversions between pixels and values need
// only the layout, which BuildPlot keeps current.
class TLazyPlot : public QCustomPlot {
public:
  // beforePaint brings the layout up to date (it may Invalidate).
  TLazyPlot(QWidget *parent, std::function<void()> beforePaint)
      : QCustomPlot(parent), m_beforePaint(std::move(beforePaint)) {
    // The base queues a drawing of its own for the next pass of the event
    // loop, which would come on top of the one the first paint makes.
    QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    // A drawing made by any path leaves the buffers current.
    connect(this, &QCustomPlot::beforeReplot, this, [this] { m_stale = false; });
  }
  // Not drawn since the last change: the next paint draws every layer.
  bool Stale() const { return m_stale; }
  // Drawn anew before the next paint.
  void Invalidate() {
    m_stale = true;
    update();
  }

protected:
  void resizeEvent(QResizeEvent *) override {
    setViewport(rect());
    Invalidate();
  }
  void paintEvent(QPaintEvent *event) override {
    m_beforePaint();
    if (m_stale) {
      m_stale = false;
      // The plot asks for a paint when it has drawn; asked during a paint,
      // Qt queues one more, which this paint already is.
      m_dropUpdateLater = isVisible() && updatesEnabled();
      replot(rpQueuedRefresh);
    }
    QCustomPlot::paintEvent(event);
  }
  bool event(QEvent *event) override {
    if (event->type() == QEvent::UpdateLater && m_dropUpdateLater) {
      m_dropUpdateLater = false;
      return true;
    }
    return QCustomPlot::event(event);
  }

private:
  std::function<void()> m_beforePaint;
  bool m_stale = true;
  bool m_dropUpdateLater = false;
};

namespace {
TLazyPlot *Lazy(QCustomPlot *plot) { return static_cast<TLazyPlot *>(plot); }
} // namespace

// One text line of the layout, split by "|" into left, centre and right.
class TTextRow : public QCPLayoutElement {
public:
  TTextRow(QCustomPlot *plot, const QString &text, const QFont &font, const QColor &color, int padding)
      : QCPLayoutElement(plot), m_text(text), m_font(font), m_color(color) {
    m_height = QFontMetrics(font).height() + padding;
  }
  void SetText(const QString &text) { m_text = text; }
  QSize minimumOuterSizeHint() const override { return {0, m_height}; }
  QSize maximumOuterSizeHint() const override { return {QWIDGETSIZE_MAX, m_height}; }
  void draw(QCPPainter *painter) override {
    painter->setFont(m_font);
    painter->setPen(m_color);
    // The side parts line up with the plot area, not the widget edge.
    QRectF r = mRect;
    if (QCPAxisRect *ar = mParentPlot->axisRect()) r.setLeft(ar->left()), r.setRight(ar->right());
    DrawSplitLine(*painter, r, m_text);
  }

private:
  QString m_text;
  QFont m_font;
  QColor m_color;
  int m_height = 0;
};

TXYGraph::TXYGraph(QWidget *parent) : TGraph(parent), m_plot(new TLazyPlot(this, [this] { EnsureBuilt(); })) {
  m_plot->setNoAntialiasingOnDrag(true);
  // The marks go on the plot's own top layer (empty otherwise: the plot has
  // no selection rectangle to show). It shares the traces' buffer until the
  // marks first change on their own (ApplyOverlay): a buffer of its own
  // costs every drawing one more full-size clearing and compositing, and
  // many windows never move a mark.
  m_overlay = m_plot->layer(QStringLiteral("overlay"));
  m_overlay->setMode(QCPLayer::lmLogical);
  // Long wide anti-aliased polylines are slow to stroke as one path; drawn
  // as segments they look the same at our pen widths and draw several
  // times faster.
  m_plot->setPlottingHint(QCP::phFastPolylines, true);
  m_plot->setAntialiasedElements(QCP::aeAll);
  m_plot->setNotAntialiasedElements(QCP::aeNone);
  m_plot->setInteractions(QCP::Interactions());
  m_plot->setFocusPolicy(Qt::NoFocus);
  m_plot->setMouseTracking(true);
  // The legend lives in its own row under the plot area, never over the
  // data, and lines up with the plot area's left and right edges.
  m_plot->axisRect()->insetLayout()->take(m_plot->legend);
  auto *margins = new QCPMarginGroup(m_plot);
  m_plot->axisRect()->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
  m_plot->legend->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
  m_plot->legend->setAutoMargins(QCP::msLeft | QCP::msRight);
  connect(m_plot, &QCustomPlot::mousePress, this, [this](QMouseEvent *e) {
    SetLastMousePos(e->position().toPoint());
    setFocus();
    // Hot spots first: a click on a mark acts on the mark, and the press
    // that follows knows it was taken.
    if (e->button() == Qt::LeftButton) EmitHotSpots(e->position());
    emit mousePressed(e->position().toPoint(), e->button());
  });
  connect(m_plot, &QCustomPlot::mouseRelease, this,
          [this](QMouseEvent *e) { emit mouseReleased(e->position().toPoint(), e->button()); });
  connect(m_plot, &QCustomPlot::mouseMove, this, [this](QMouseEvent *e) {
    SetLastMousePos(e->position().toPoint());
    emit mouseMoved(e->position().toPoint());
  });
  ApplyModel();
}

TXYGraph::~TXYGraph() {
  // The legend was taken out of the layout; the plot still owns it. Strokes
  // still being made end unseen.
  for (const auto &cache : m_strokes)
    cache->Ready = nullptr;
}

bool TXYGraph::StrokesPending() const {
  return std::any_of(m_strokes.begin(), m_strokes.end(), [](const auto &c) { return c->Busy; });
}

void TXYGraph::resizeEvent(QResizeEvent *event) {
  TGraph::resizeEvent(event);
  m_plot->setGeometry(rect());
  m_plot->setViewport(rect());
  m_buildPending = false;
  BuildPlot(height());
  Lazy(m_plot)->Invalidate();
  emit resized();
}

void TXYGraph::ApplyModel() {
  // A hidden widget gets its resize event only when shown; the plot's
  // viewport is set here so conversions work before that.
  m_plot->setGeometry(rect());
  m_plot->setViewport(rect());
  // A hidden window is changed several times before it shows: it is built
  // when it is shown or asked for a position, whichever comes first.
  m_buildPending = true;
  if (isVisible()) EnsureBuilt();
}

void TXYGraph::EnsureBuilt() const {
  if (!m_buildPending) return;
  auto *self = const_cast<TXYGraph *>(this);
  m_buildPending = false;
  self->BuildPlot(std::max(1, height()));
  Lazy(m_plot)->Invalidate();
}

QCustomPlot *TXYGraph::Plot() const {
  EnsureBuilt();
  return m_plot;
}

QWidget *TXYGraph::PlotWidget() const { return m_plot; }

void TXYGraph::ApplyOverlay() {
  // Anything but the marks changed, or the widget was never drawn: the full
  // path. Otherwise the traces' buffer stays as it is.
  if (m_buildPending || BaseKey() != m_builtKey || m_plot->plotLayout()->rect().isEmpty()) {
    ApplyModel();
    return;
  }
  BuildAnnotations(m_builtFontPixels);
  std::size_t row = 0;
  for (const QString &line : m_multiBottom)
    if (!line.isEmpty() && row < m_readoutRows.size()) m_readoutRows[row++]->SetText(line);
  // A plot not drawn yet has no layer buffers: its coming paint draws the marks too.
  if (Lazy(m_plot)->Stale()) {
    m_plot->update();
  } else if (m_overlay->mode() != QCPLayer::lmBuffered) {
    // The first change of the marks alone: from now on they have a buffer
    // of their own and a step redraws only that.
    m_overlay->setMode(QCPLayer::lmBuffered);
    Lazy(m_plot)->Invalidate();
  } else {
    m_overlay->replot();
  }
}

QPointF TXYGraph::PixelToGraph(const QPointF &pixel) const {
  EnsureBuilt();
  return {m_plot->xAxis->pixelToCoord(pixel.x()), m_plot->yAxis->pixelToCoord(pixel.y())};
}

QPointF TXYGraph::GraphToPixel(const QPointF &graph) const {
  EnsureBuilt();
  return {m_plot->xAxis->coordToPixel(graph.x()), m_plot->yAxis->coordToPixel(graph.y())};
}

int YTickCount(int axisHeightPixels, int labelHeightPixels) {
  if (labelHeightPixels <= 0) return 8;
  return std::clamp(axisHeightPixels / (2 * labelHeightPixels), 2, 8);
}

QRect TXYGraph::PlotArea() const {
  EnsureBuilt();
  return m_plot->axisRect()->rect();
}

void TXYGraph::BuildPlot(double heightPixels) {
  // Whatever this build asks of the layout (positions of marks) must not
  // start another build inside it.
  m_buildPending = false;
  const double scale = ScaleFor(heightPixels);
  const double fontPx = BaseFontPixels(heightPixels);
  QFont base = font();
  base.setFamily(QStringLiteral("DejaVu Sans"));
  base.setPixelSize(std::max(6, static_cast<int>(std::lround(fontPx))));
  QFont titleFont = base;
  titleFont.setBold(true);
  titleFont.setPixelSize(std::max(8, static_cast<int>(std::lround(fontPx * 1.4))));
  QFont subFont = base;
  subFont.setBold(true);
  subFont.setPixelSize(std::max(6, static_cast<int>(std::lround(fontPx * 1.05))));
  QFont monoFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  monoFont.setFamily(QStringLiteral("DejaVu Sans Mono"));
  monoFont.setPixelSize(base.pixelSize());

  m_plot->clearGraphs();
  m_plot->clearItems();
  m_lineItems.clear();
  m_textItems.clear();
  const TChartColors &colors = Colors();
  m_plot->setBackground(colors.Background);

  // Layout rows: titles, plot area, legend, readout lines.
  QCPLayoutGrid *grid = m_plot->plotLayout();
  QCPAxisRect *axisRect = m_plot->axisRect();
  const QList<QCPLayoutElement *> present = grid->elements(false);
  if (present.contains(axisRect)) grid->take(axisRect);
  if (present.contains(m_plot->legend)) grid->take(m_plot->legend);
  grid->clear();
  grid->setRowSpacing(0);
  int row = 0;
  const int pad = static_cast<int>(std::lround(4 * scale));
  if (!m_mainTitle.isEmpty())
    grid->addElement(row++, 0, new TTextRow(m_plot, m_mainTitle, titleFont, colors.Title, pad * 2));
  if (!m_subTitle.isEmpty()) grid->addElement(row++, 0, new TTextRow(m_plot, m_subTitle, subFont, colors.Title, pad));
  for (const QString &line : m_multiSub)
    if (!line.isEmpty()) grid->addElement(row++, 0, new TTextRow(m_plot, line, base, colors.Text, pad));
  if (!m_topMargin.isEmpty() && m_showVertAnn && !m_vertAnn.empty())
    grid->addElement(row++, 0, new TTextRow(m_plot, QString(), base, colors.Text, pad));
  grid->addElement(row++, 0, axisRect);

  // Axes: a closed box with ticks inside on all four sides.
  const QPen axisPen(colors.Text, std::max(1.0, scale));
  for (QCPAxis *axis : axisRect->axes()) {
    axis->setVisible(true);
    axis->setBasePen(axisPen);
    axis->setTickPen(axisPen);
    axis->setSubTickPen(axisPen);
    axis->setTickLength(0, static_cast<int>(std::lround(5 * scale)));
    axis->setSubTickLength(0, static_cast<int>(std::lround(3 * scale)));
    axis->setTickLabelFont(base);
    axis->setTickLabelColor(colors.Text);
    axis->setLabelFont(subFont);
    axis->setLabelColor(colors.Title);
    axis->setScaleType(QCPAxis::stLinear);
  }
  QCPAxis *top = axisRect->axis(QCPAxis::atTop);
  QCPAxis *right = axisRect->axis(QCPAxis::atRight);
  top->setTickLabels(false);
  right->setTickLabels(false);
  m_plot->xAxis->setLabel(m_xLabel);
  m_plot->yAxis->setLabel(m_yLabel);
  m_plot->xAxis->setPadding(pad);
  m_plot->yAxis->setPadding(pad);
  // Room on the right for half of the last X tick label: the plot leaves
  // out labels the widget edge would cut.
  axisRect->setMinimumMargins(
      QMargins(0, 0, QFontMetrics(base).horizontalAdvance(QStringLiteral("00000")) / 2 + pad * 2, 0));
  m_plot->xAxis->ticker()->setTickCount(10);
  m_plot->yAxis->ticker()->setTickCount(8);
  // A short plot (tiled windows) gets fewer Y ticks rather than labels
  // written over each other: lay out once to learn the axis height.
  grid->update(QCPLayoutElement::upPreparation);
  grid->update(QCPLayoutElement::upMargins);
  grid->update(QCPLayoutElement::upLayout);
  m_plot->yAxis->ticker()->setTickCount(YTickCount(axisRect->height(), QFontMetrics(base).height()));
  // The box's top and right ticks line up with the labelled ones.
  top->setTicker(m_plot->xAxis->ticker());
  right->setTicker(m_plot->yAxis->ticker());

  const bool gridX = m_look.GridLines == 0 || m_look.GridLines == 2;
  const bool gridY = m_look.GridLines == 0 || m_look.GridLines == 1;
  auto styleGrid = [&](QCPAxis *axis, bool on) {
    axis->grid()->setVisible(on);
    axis->grid()->setSubGridVisible(on);
    axis->grid()->setPen(QPen(colors.Grid, std::max(1.0, scale), Qt::SolidLine));
    axis->grid()->setSubGridPen(QPen(colors.SubGrid, 1.0, Qt::SolidLine));
    axis->grid()->setZeroLinePen(Qt::NoPen);
    axis->grid()->setAntialiased(false);
  };
  styleGrid(m_plot->xAxis, gridX);
  styleGrid(m_plot->yAxis, gridY);
  top->grid()->setVisible(false);
  right->grid()->setVisible(false);

  // Ranges: the zoom window, the manual range, or the data.
  const TAxisRange xr = ShownX();
  const TAxisRange yr = ShownY();

  // Subsets. On screen, each keeps its stroke cache across rebuilds; a
  // stroke of other data or ranges is never shown, not even while the new
  // one is made.
  while (m_strokes.size() < static_cast<std::size_t>(Subsets())) {
    auto cache = std::make_shared<TStrokeCache>();
    // One replot when the last of a round of strokes is in, not one each.
    cache->Ready = [this] {
      if (!StrokesPending()) Lazy(m_plot)->Invalidate();
    };
    m_strokes.push_back(std::move(cache));
  }
  // Subsets gone take their images and data along; their strokes end unseen.
  while (m_strokes.size() > static_cast<std::size_t>(Subsets())) {
    m_strokes.back()->Ready = nullptr;
    m_strokes.pop_back();
  }
  bool anyLabel = false;
  for (int s = 0; s < Subsets(); ++s) {
    auto *g = new TDenseGraph(m_plot->xAxis, m_plot->yAxis); // the plot owns it
    const auto &vx = m_x[static_cast<std::size_t>(s)];
    const auto &vy = m_y[static_cast<std::size_t>(s)];
    // On screen, data unchanged since the last build is shared with its
    // graph, not converted and copied again.
    TStrokeCache *cache = m_exporting ? nullptr : m_strokes[static_cast<std::size_t>(s)].get();
    std::size_t data = 0;
    if (cache != nullptr) {
      auto mix = [](std::size_t &seed, std::size_t h) {
        seed ^= h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
      };
      data = qHashBits(vx.data(), vx.size() * sizeof(float));
      mix(data, qHashBits(vy.data(), vy.size() * sizeof(float)));
      mix(data, qHash(m_look.PlotMethod));
      std::size_t view = data;
      for (const double v : {xr.Min, xr.Max, yr.Min, yr.Max})
        mix(view, qHash(v));
      if (cache->View != view) {
        cache->View = view;
        cache->Image = QImage();
        cache->ImageKey = 0;
      }
      g->SetStrokeCache(m_strokes[static_cast<std::size_t>(s)]);
    }
    if (cache != nullptr && cache->Data && cache->DataKey == data) {
      g->setData(cache->Data);
    } else {
      QVector<double> keys, values;
      keys.reserve(static_cast<qsizetype>(vx.size()));
      values.reserve(static_cast<qsizetype>(vx.size()));
      double lastKey = 0.0;
      for (std::size_t p = 0; p < vx.size(); ++p) {
        if (vx[p] == kGraphNullValue || vy[p] == kGraphNullValue || !std::isfinite(vx[p]) || !std::isfinite(vy[p])) {
          if (!keys.isEmpty()) keys.append(lastKey), values.append(std::nan(""));
          continue;
        }
        lastKey = vx[p];
        keys.append(vx[p]);
        values.append(vy[p]);
      }
      while (!values.isEmpty() && std::isnan(values.back()))
        keys.removeLast(), values.removeLast();
      if (m_look.PlotMethod == 6 && keys.size() > 2) Spline(keys, values);
      g->setData(keys, values, std::is_sorted(keys.begin(), keys.end()));
      if (cache != nullptr) {
        cache->Data = g->data();
        cache->DataKey = data;
      }
    }
    QPen pen = SubsetPen(s, scale);
    g->setPen(pen);
    g->setLineStyle(QCPGraph::lsLine);
    const TSubsetStyle st = SubsetStyle(s);
    if (SubsetHasSymbols()) {
      const bool marks = m_look.MarkPoints;
      QCPScatterStyle ss(marks && m_look.ViewStyle != 2 ? QCPScatterStyle::ssDisc : ShapeOf(st.Symbol), pen.color(),
                         m_look.ViewStyle == 2 ? colors.Background : pen.color(), (marks ? 4.0 : 7.0) * scale);
      ss.setPen(QPen(pen.color(), std::max(1.0, scale)));
      g->setScatterStyle(ss);
      // Symbols of a monochrome trace every few points so the line still reads.
      const int pts = g->dataCount();
      g->setScatterSkip(marks ? 0 : std::max(0, pts / 16 - 1));
    }
    const QString label = SubsetLabel(s);
    g->setName(label);
    if (label.isEmpty()) {
      g->removeFromLegend();
    } else {
      anyLabel = true;
    }
  }

  // Legend under the plot area, wrapping into columns.
  QCPLegend *legend = m_plot->legend;
  legend->setVisible(anyLabel);
  if (anyLabel) {
    QFont legendFont = base;
    legendFont.setPixelSize(std::max(6, static_cast<int>(std::lround(fontPx * 0.9))));
    legend->setFont(legendFont);
    legend->setTextColor(colors.Text);
    legend->setBorderPen(Qt::NoPen);
    legend->setBrush(Qt::NoBrush);
    legend->setIconSize(static_cast<int>(std::lround(26 * scale)), static_cast<int>(std::lround(10 * scale)));
    // As many columns as the longest label allows.
    const QFontMetrics lfm(legendFont);
    int longest = 0;
    for (int s = 0; s < Subsets(); ++s)
      longest = std::max(longest, lfm.horizontalAdvance(SubsetLabel(s)));
    const int spacing = static_cast<int>(std::lround(18 * scale));
    const int itemWidth = longest + legend->iconSize().width() + legend->iconTextPadding() + spacing + 10;
    const int usable = std::max(1, m_plot->width() - static_cast<int>(std::lround(90 * scale)));
    const int cols = std::clamp(usable / std::max(1, itemWidth), 1, 5);
    legend->setWrap(std::max(1, std::min(cols, legend->itemCount())));
    legend->setFillOrder(QCPLegend::foColumnsFirst, true);
    legend->setRowSpacing(0);
    legend->setColumnSpacing(spacing);
    legend->setMargins(QMargins(0, pad, 0, pad));
    grid->addElement(row++, 0, legend);
    legend->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  m_readoutRows.clear();
  for (const QString &line : m_multiBottom) {
    if (line.isEmpty()) continue;
    auto *readout = new TTextRow(m_plot, line, monoFont, colors.Text, pad / 2);
    readout->setLayer(m_overlay);
    m_readoutRows.push_back(readout);
    grid->addElement(row++, 0, readout);
  }
  for (int r = 0; r < grid->rowCount(); ++r)
    grid->setRowStretchFactor(r, grid->element(r, 0) == axisRect ? 1000 : 0.001);

  m_plot->xAxis->setRange(xr.Min, xr.Max);
  m_plot->yAxis->setRange(yr.Min, yr.Max);
  top->setRange(xr.Min, xr.Max);
  right->setRange(yr.Min, yr.Max);

  BuildAnnotations(fontPx);
  // Laid out with everything in it (the legend's rows too), so conversions
  // between pixels and values hold before the plot is drawn.
  for (const auto phase : {QCPLayoutElement::upPreparation, QCPLayoutElement::upMargins, QCPLayoutElement::upLayout})
    grid->update(phase);
  m_builtKey = BaseKey();
  m_builtFontPixels = fontPx;
}

void TXYGraph::BuildAnnotations(double fontPx) {
  QFont f = font();
  f.setFamily(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(std::max(6, static_cast<int>(std::lround(fontPx * m_lineAnnTextSize / 100.0))));
  QFont symbolFont = f;
  symbolFont.setPixelSize(std::max(6, static_cast<int>(std::lround(fontPx * 1.1))));
  // Items are reused from step to step and surplus ones hidden: adding or
  // removing an item would make the plot redraw every layer.
  std::size_t linesUsed = 0;
  std::size_t textsUsed = 0;
  auto nextLine = [&]() {
    if (linesUsed == m_lineItems.size()) {
      auto *line = new QCPItemStraightLine(m_plot);
      line->setLayer(m_overlay);
      m_lineItems.push_back(line);
    }
    QCPItemStraightLine *line = m_lineItems[linesUsed++];
    line->setVisible(true);
    return line;
  };
  // A text at a position of the given types; or, with an anchor, just right
  // of it.
  auto nextText = [&](QCPItemPosition::PositionType typeX, QCPItemPosition::PositionType typeY, double x, double y,
                      QCPItemAnchor *anchor = nullptr) {
    if (textsUsed == m_textItems.size()) {
      auto *text = new QCPItemText(m_plot);
      text->setLayer(m_overlay);
      m_textItems.push_back(text);
    }
    QCPItemText *text = m_textItems[textsUsed++];
    text->setVisible(true);
    text->position->setParentAnchor(anchor);
    if (anchor != nullptr) {
      text->position->setType(QCPItemPosition::ptAbsolute);
      text->position->setCoords(0, 0);
    } else {
      text->position->setTypeX(typeX);
      text->position->setTypeY(typeY);
      text->position->setCoords(x, y);
    }
    text->setClipToAxisRect(true);
    return text;
  };
  if (m_showHorzAnn) {
    for (const auto &a : m_horzAnn) {
      QCPItemStraightLine *line = nextLine();
      line->point1->setCoords(0, a.Position);
      line->point2->setCoords(1, a.Position);
      line->setPen(QPen(MarkColor(a.Color), 1.5));
      QCPItemText *text = nextText(QCPItemPosition::ptAxisRectRatio, QCPItemPosition::ptPlotCoords, 0.99, a.Position);
      text->setPositionAlignment(Qt::AlignRight | Qt::AlignBottom);
      text->setText(a.Text);
      text->setFont(f);
      text->setColor(MarkColor(a.Color));
    }
  }
  if (m_showVertAnn) {
    for (const auto &a : m_vertAnn) {
      if (a.Type == atNone) continue;
      QCPItemStraightLine *line = nextLine();
      line->point1->setCoords(a.Position, 0);
      line->point2->setCoords(a.Position, 1);
      line->setPen(QPen(MarkColor(a.Color), 1.2, Qt::DashLine));
      QString t = a.Text;
      if (t.startsWith(QLatin1String("|H"))) t = t.mid(2); // horizontal text at the top
      QCPItemText *text = nextText(QCPItemPosition::ptPlotCoords, QCPItemPosition::ptAxisRectRatio, a.Position, 0.0);
      text->setPositionAlignment(Qt::AlignHCenter | Qt::AlignBottom);
      text->setText(t);
      text->setFont(f);
      text->setColor(MarkColor(a.Color));
      text->setClipToAxisRect(false);
    }
  }
  if (m_showGraphAnn) {
    for (const auto &a : m_graphAnn) {
      if (a.Type == atNone) continue;
      // Type 10 points up at the value above it, 12 down at the value below
      // it; 11 is the hollow form shown while dragging.
      const QString symbol = a.Type == atMarkerActive    ? QStringLiteral("\u25BC")
                             : a.Type == atMarkerDragged ? QStringLiteral("\u25BD")
                                                         : QStringLiteral("\u25B2");
      QCPItemText *sym = nextText(QCPItemPosition::ptPlotCoords, QCPItemPosition::ptPlotCoords, a.X, a.Y);
      sym->setPositionAlignment(Qt::AlignCenter);
      sym->setText(symbol);
      sym->setFont(symbolFont);
      sym->setColor(MarkColor(a.Color));
      if (!a.Text.isEmpty()) {
        QCPItemText *text = nextText(QCPItemPosition::ptAbsolute, QCPItemPosition::ptAbsolute, 0.0, 0.0, sym->right);
        text->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        text->setText(a.Text);
        text->setFont(f);
        text->setColor(MarkColor(a.Color));
      }
    }
  }
  for (std::size_t i = linesUsed; i < m_lineItems.size(); ++i)
    m_lineItems[i]->setVisible(false);
  for (std::size_t i = textsUsed; i < m_textItems.size(); ++i)
    m_textItems[i]->setVisible(false);
}

template <typename Draw> void TXYGraph::WithLayout(int w, int h, Draw draw) {
  const QSize widgetSize = m_plot->size();
  // Lay out for the target size: fonts, legend columns and widths follow it.
  // Every stroke is made in place: the drawing is complete when it returns.
  m_plot->resize(w, h);
  m_exporting = true;
  BuildPlot(h);
  m_exporting = false;
  draw();
  // Back to the window's own layout (a hidden graph is laid out again when shown).
  m_plot->resize(widgetSize);
  m_plot->setViewport(QRect(QPoint(0, 0), widgetSize));
  m_buildPending = true; // laid out for the other size
  if (isVisible()) EnsureBuilt();
}

void TXYGraph::RenderTo(QPainter &painter, const QRectF &rect) {
  if (rect.width() < 1 || rect.height() < 1) return;
  const double factor = rect.height() > kMaxLogicalHeight ? rect.height() / kMaxLogicalHeight : 1.0;
  const int w = static_cast<int>(std::lround(rect.width() / factor));
  const int h = static_cast<int>(std::lround(rect.height() / factor));
  // The plot paints only through its own painter class, so it records into
  // a picture that is played into the caller's painter (printer, SVG, PDF).
  QPicture picture;
  WithLayout(w, h, [&] {
    QCPPainter cp(&picture);
    cp.setRenderHint(QPainter::Antialiasing);
    cp.setRenderHint(QPainter::TextAntialiasing);
    m_plot->toPainter(&cp, w, h);
  });
  painter.save();
  painter.translate(rect.topLeft());
  painter.scale(factor, factor);
  painter.setClipRect(QRectF(0, 0, w, h));
  // A picture plays back scaled by the target's resolution over its own;
  // undo that so one drawing unit stays one unit of the caller's painter.
  if (const QPaintDevice *device = painter.device()) {
    const double sx = static_cast<double>(picture.logicalDpiX()) / device->logicalDpiX();
    const double sy = static_cast<double>(picture.logicalDpiY()) / device->logicalDpiY();
    painter.scale(sx, sy);
  }
  painter.drawPicture(0, 0, picture);
  painter.restore();
}

void TXYGraph::RenderStraight(QCPPainter &painter, const QRectF &rect) {
  if (rect.width() < 1 || rect.height() < 1) return;
  const double factor = rect.height() > kMaxLogicalHeight ? rect.height() / kMaxLogicalHeight : 1.0;
  const int w = static_cast<int>(std::lround(rect.width() / factor));
  const int h = static_cast<int>(std::lround(rect.height() / factor));
  painter.save();
  painter.translate(rect.topLeft());
  painter.scale(factor, factor);
  painter.setClipRect(QRectF(0, 0, w, h));
  // The state a fresh painter starts in, as when the plot records into a
  // picture, and the plot's own drawing rules: lines it does not smooth
  // fall on whole units.
  const QCPPainter::PainterModes modes = painter.modes();
  painter.setModes(QCPPainter::pmDefault);
  painter.setPen(QPen());
  painter.setBrush(Qt::NoBrush);
  painter.setFont(QFont());
  painter.setOpacity(1.0);
  painter.setBackgroundMode(Qt::TransparentMode);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);
  WithLayout(w, h, [&] { m_plot->toPainter(&painter, w, h); });
  painter.setModes(modes);
  painter.restore();
}

void TXYGraph::RenderToImage(QImage &image) {
  const QSize size = image.size();
  if (size.height() > kMaxLogicalHeight) {
    TGraph::RenderToImage(image);
    return;
  }
  // Straight into the image: no picture to record and play back.
  WithLayout(size.width(), size.height(), [&] {
    QCPPainter cp(&image);
    cp.setRenderHint(QPainter::Antialiasing);
    cp.setRenderHint(QPainter::TextAntialiasing);
    m_plot->toPainter(&cp, size.width(), size.height());
  });
}

} // namespace korv
