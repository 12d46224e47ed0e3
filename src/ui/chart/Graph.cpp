#include "ui/chart/Graph.h"

#include <QBuffer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <limits>
#include <qcustomplot.h>

#include "ui/common/Theme.h"

namespace korv {

namespace {
// Appends at index == count, replaces below; -1 clears. Anything else is ignored
// so a stray index cannot grow a list without bound.
template <typename T> void SetListItem(std::vector<T> &list, int index, const T &item) {
  if (index < 0) {
    list.clear();
  } else if (index < static_cast<int>(list.size())) {
    list[static_cast<std::size_t>(index)] = item;
  } else if (index == static_cast<int>(list.size())) {
    list.push_back(item);
  }
}

void SetTextLine(QStringList &lines, int index, int count, const QString &text) {
  if (index < 0) {
    lines.clear();
    return;
  }
  if (index >= count) return;
  while (lines.size() <= index)
    lines.append(QString());
  lines[index] = text;
}

bool InRange(const std::vector<std::vector<float>> &v, int s, int p) {
  return s >= 0 && s < static_cast<int>(v.size()) && p >= 0 &&
         p < static_cast<int>(v[static_cast<std::size_t>(s)].size());
}
} // namespace

void DrawSplitLine(QPainter &painter, const QRectF &rect, const QString &line) {
  const QStringList parts = line.split(QLatin1Char('|'));
  if (parts.size() == 1) {
    painter.drawText(rect, Qt::AlignCenter, parts[0]);
    return;
  }
  const Qt::Alignment aligns[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  for (int i = 0; i < std::min<qsizetype>(3, parts.size()); ++i)
    if (!parts[i].isEmpty()) painter.drawText(rect, aligns[i] | Qt::AlignVCenter, parts[i]);
}

void DrawSymbol(QPainter &p, TSubsetSymbol symbol, const QPointF &c, double r) {
  const double x = c.x(), y = c.y();
  switch (symbol) {
  case TSubsetSymbol::None: break;
  case TSubsetSymbol::Circle: p.drawEllipse(c, r, r); break;
  case TSubsetSymbol::Disc: {
    const QBrush old = p.brush();
    p.setBrush(p.pen().color());
    p.drawEllipse(c, r, r);
    p.setBrush(old);
    break;
  }
  case TSubsetSymbol::Square: p.drawRect(QRectF(x - r, y - r, 2 * r, 2 * r)); break;
  case TSubsetSymbol::Diamond: p.drawPolygon(QPolygonF({{x, y - r}, {x + r, y}, {x, y + r}, {x - r, y}})); break;
  case TSubsetSymbol::Triangle: p.drawPolygon(QPolygonF({{x, y - r}, {x + r, y + r}, {x - r, y + r}})); break;
  case TSubsetSymbol::TriangleDown: p.drawPolygon(QPolygonF({{x, y + r}, {x + r, y - r}, {x - r, y - r}})); break;
  case TSubsetSymbol::Cross:
    p.drawLine(QPointF(x - r, y - r), QPointF(x + r, y + r));
    p.drawLine(QPointF(x - r, y + r), QPointF(x + r, y - r));
    break;
  case TSubsetSymbol::Plus:
    p.drawLine(QPointF(x - r, y), QPointF(x + r, y));
    p.drawLine(QPointF(x, y - r), QPointF(x, y + r));
    break;
  case TSubsetSymbol::Star:
    p.drawLine(QPointF(x - r, y), QPointF(x + r, y));
    p.drawLine(QPointF(x, y - r), QPointF(x, y + r));
    p.drawLine(QPointF(x - 0.7 * r, y - 0.7 * r), QPointF(x + 0.7 * r, y + 0.7 * r));
    p.drawLine(QPointF(x - 0.7 * r, y + 0.7 * r), QPointF(x + 0.7 * r, y - 0.7 * r));
    break;
  }
}

QPen TGraph::SubsetPen(int subset, double scale) const {
  const TSubsetStyle st = SubsetStyle(subset);
  const int type = SubsetLineType(subset);
  const double width = (type == ltThickSolid ? 2.6 : type == ltMediumSolid ? 1.7 : 1.1) * scale;
  const bool dark = IsDark();
  QColor color = Colors().Ink;
  if (m_look.ViewStyle == 0 && st.Color.isValid())
    color = dark && st.DarkColor.isValid() ? st.DarkColor : ColorOnChart(st.Color, dark);
  QPen pen(color, width);
  pen.setStyle(m_look.ViewStyle == 0 ? Qt::SolidLine : st.MonoPen);
  if (m_look.ViewStyle != 0 && !st.DashPattern.isEmpty()) pen.setDashPattern(st.DashPattern);
  pen.setCapStyle(Qt::RoundCap);
  pen.setJoinStyle(Qt::RoundJoin);
  return pen;
}

TGraph::TGraph(QWidget *parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
}

TGraph::~TGraph() = default;

bool TGraph::IsDark() const { return !m_paper && IsDarkPalette(palette()); }

const TChartColors &TGraph::Colors() const { return ChartColors(IsDark()); }

QColor TGraph::MarkColor(const QColor &color) const { return ColorOnChart(color, IsDark()); }

void TGraph::changeEvent(QEvent *event) {
  QWidget::changeEvent(event);
  // The drawing's key holds the look: an unchanged look costs an overlay
  // refresh at most.
  if (event->type() == QEvent::PaletteChange) RefreshOverlay();
}

void TGraph::SetSubsets(int count) {
  count = std::max(0, count);
  const auto n = static_cast<std::size_t>(count);
  m_x.resize(n, std::vector<float>(static_cast<std::size_t>(m_points), kGraphNullValue));
  m_y.resize(n, std::vector<float>(static_cast<std::size_t>(m_points), kGraphNullValue));
  m_subsetLabels.resize(n);
  m_lineTypes.resize(n, ltMediumSolid);
  m_styles.resize(n);
}

void TGraph::SetPoints(int count) {
  m_points = std::max(0, count);
  for (auto &v : m_x)
    v.resize(static_cast<std::size_t>(m_points), kGraphNullValue);
  for (auto &v : m_y)
    v.resize(static_cast<std::size_t>(m_points), kGraphNullValue);
}

void TGraph::SetXData(int subset, int point, double value) {
  if (InRange(m_x, subset, point))
    m_x[static_cast<std::size_t>(subset)][static_cast<std::size_t>(point)] = static_cast<float>(value);
}

void TGraph::SetYData(int subset, int point, double value) {
  if (InRange(m_y, subset, point))
    m_y[static_cast<std::size_t>(subset)][static_cast<std::size_t>(point)] = static_cast<float>(value);
}

float TGraph::XData(int subset, int point) const {
  return InRange(m_x, subset, point) ? m_x[static_cast<std::size_t>(subset)][static_cast<std::size_t>(point)]
                                     : kGraphNullValue;
}

float TGraph::YData(int subset, int point) const {
  return InRange(m_y, subset, point) ? m_y[static_cast<std::size_t>(subset)][static_cast<std::size_t>(point)]
                                     : kGraphNullValue;
}

void TGraph::SetSubsetData(int subset, const std::vector<float> &x, const std::vector<float> &y) {
  if (subset < 0 || subset >= Subsets()) return;
  auto &dx = m_x[static_cast<std::size_t>(subset)];
  auto &dy = m_y[static_cast<std::size_t>(subset)];
  const std::size_t n = dx.size();
  std::fill(dx.begin(), dx.end(), kGraphNullValue);
  std::fill(dy.begin(), dy.end(), kGraphNullValue);
  std::copy_n(x.begin(), std::min(n, x.size()), dx.begin());
  std::copy_n(y.begin(), std::min(n, y.size()), dy.begin());
}

void TGraph::SetMainTitle(const QString &text) { m_mainTitle = text; }
void TGraph::SetSubTitle(const QString &text) { m_subTitle = text; }
void TGraph::SetXAxisLabel(const QString &text) { m_xLabel = text; }
void TGraph::SetYAxisLabel(const QString &text) { m_yLabel = text; }

void TGraph::SetSubsetLabel(int subset, const QString &text) {
  if (subset >= 0 && subset < Subsets()) m_subsetLabels[static_cast<std::size_t>(subset)] = text;
}

QString TGraph::SubsetLabel(int subset) const {
  return subset >= 0 && subset < Subsets() ? m_subsetLabels[static_cast<std::size_t>(subset)] : QString();
}

void TGraph::SetMultiSubTitle(int index, const QString &text) { SetTextLine(m_multiSub, index, 2, text); }
QString TGraph::MultiSubTitle(int index) const {
  return index >= 0 && index < m_multiSub.size() ? m_multiSub[index] : QString();
}
void TGraph::SetMultiBottomTitle(int index, const QString &text) { SetTextLine(m_multiBottom, index, 3, text); }
QString TGraph::MultiBottomTitle(int index) const {
  return index >= 0 && index < m_multiBottom.size() ? m_multiBottom[index] : QString();
}

void TGraph::SetManualX(bool manual, double min, double max) {
  m_manualX = manual;
  if (manual) m_manualXRange = {min, max};
}

void TGraph::SetManualY(bool manual, double min, double max) {
  m_manualY = manual;
  if (manual) m_manualYRange = {min, max};
}

bool TGraph::DataBounds(TAxisRange &x, TAxisRange &y) const {
  float xl = std::numeric_limits<float>::max(), xh = std::numeric_limits<float>::lowest();
  float yl = xl, yh = xh;
  bool any = false;
  for (std::size_t s = 0; s < m_x.size(); ++s) {
    const auto &vx = m_x[s];
    const auto &vy = m_y[s];
    for (std::size_t p = 0; p < vx.size(); ++p) {
      if (vx[p] == kGraphNullValue || vy[p] == kGraphNullValue || !std::isfinite(vx[p]) || !std::isfinite(vy[p]))
        continue;
      any = true;
      xl = std::min(xl, vx[p]);
      xh = std::max(xh, vx[p]);
      yl = std::min(yl, vy[p]);
      yh = std::max(yh, vy[p]);
    }
  }
  if (!any) return false;
  x = {xl, xh};
  y = {yl, yh};
  return true;
}

namespace {
// Automatic scaling: the data range with a little air, rounded outwards to
// the tick step so the axis starts and ends on a labelled value.
TAxisRange NiceRange(TAxisRange r) {
  double span = r.Max - r.Min;
  if (!(span > 0)) {
    const double pad = std::abs(r.Min) > 0 ? std::abs(r.Min) * 0.1 : 1.0;
    return {r.Min - pad, r.Max + pad};
  }
  const double raw = span / 10.0;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  double step = mag;
  for (double f : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (f * mag >= raw) {
      step = f * mag;
      break;
    }
  }
  return {std::floor(r.Min / step) * step, std::ceil(r.Max / step) * step};
}
} // namespace

TAxisRange TGraph::ShownX() const {
  if (m_zoom) return m_zoomX;
  if (m_manualX) return m_manualXRange;
  TAxisRange x, y;
  if (!DataBounds(x, y)) return {0.0, 1.0};
  // Frequencies and distances fill the axis edge to edge. Values are kept
  // in single precision, so the ends are snapped to a thousandth to let a
  // round end value (2200 MHz) carry its tick label.
  if (x.Max > x.Min) return {std::round(x.Min * 1000.0) / 1000.0, std::round(x.Max * 1000.0) / 1000.0};
  return NiceRange(x);
}

TAxisRange TGraph::ShownY() const {
  if (m_zoom) return m_zoomY;
  if (m_manualY) return m_manualYRange;
  TAxisRange x, y;
  if (!DataBounds(x, y)) return {0.0, 1.0};
  // A shown horizontal line (the limit line) stays inside the automatic range.
  if (m_showHorzAnn)
    for (const auto &a : m_horzAnn)
      y.Min = std::min(y.Min, a.Position), y.Max = std::max(y.Max, a.Position);
  const double air = 0.03 * (y.Max - y.Min);
  return NiceRange({y.Min - air, y.Max + air});
}

void TGraph::SetZoomMode(bool on) { m_zoom = on; }
void TGraph::SetZoomWindow(const TAxisRange &x, const TAxisRange &y) {
  m_zoomX = x;
  m_zoomY = y;
}

void TGraph::SetGraphAnnotation(int index, const TGraphAnnotation &a) { SetListItem(m_graphAnn, index, a); }
void TGraph::SetHorzLineAnnotation(int index, const TLineAnnotation &a) { SetListItem(m_horzAnn, index, a); }
void TGraph::SetVertLineAnnotation(int index, const TLineAnnotation &a) { SetListItem(m_vertAnn, index, a); }
void TGraph::ShowGraphAnnotations(bool on) { m_showGraphAnn = on; }
void TGraph::ShowHorzLineAnnotations(bool on) { m_showHorzAnn = on; }
void TGraph::ShowVertLineAnnotations(bool on) { m_showVertAnn = on; }
void TGraph::SetLineAnnotationTextSize(int percent) { m_lineAnnTextSize = std::clamp(percent, 10, 400); }
void TGraph::SetTopMargin(const QString &text) { m_topMargin = text; }

void TGraph::SetSubsetLineType(int subset, int lineType) {
  if (subset >= 0 && subset < Subsets()) m_lineTypes[static_cast<std::size_t>(subset)] = lineType;
}

int TGraph::SubsetLineType(int subset) const {
  return subset >= 0 && subset < Subsets() ? m_lineTypes[static_cast<std::size_t>(subset)] : ltMediumSolid;
}

void TGraph::SetSubsetStyle(int subset, const TSubsetStyle &style) {
  if (subset >= 0 && subset < Subsets()) m_styles[static_cast<std::size_t>(subset)] = style;
}

TSubsetStyle TGraph::SubsetStyle(int subset) const {
  return subset >= 0 && subset < Subsets() ? m_styles[static_cast<std::size_t>(subset)] : TSubsetStyle{};
}

void TGraph::SetLook(const TPlotLook &look) {
  m_look = look;
  ApplyModel();
}

void TGraph::Rebuild() { ApplyModel(); }

void TGraph::RefreshOverlay() { ApplyOverlay(); }

std::size_t TGraph::BaseKey() const {
  std::size_t seed = qHash(m_points);
  auto mix = [&seed](std::size_t h) { seed ^= h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2); };
  for (const auto *series : {&m_x, &m_y})
    for (const auto &v : *series)
      mix(qHashBits(v.data(), v.size() * sizeof(float)));
  for (const QString &s : m_subsetLabels)
    mix(qHash(s));
  for (int t : m_lineTypes)
    mix(qHash(t));
  for (const TSubsetStyle &st : m_styles) {
    mix(qHash(st.Color.rgba()));
    mix(qHash(st.DarkColor.rgba()));
    mix(qHash(static_cast<int>(st.MonoPen)));
    mix(qHash(static_cast<int>(st.Symbol)));
    for (qreal d : st.DashPattern)
      mix(qHash(d));
  }
  for (const QString *s : {&m_mainTitle, &m_subTitle, &m_xLabel, &m_yLabel})
    mix(qHash(*s));
  for (const QString &s : m_multiSub)
    mix(qHash(s));
  // The readout texts may change; how many rows they take may not.
  mix(qHash(static_cast<int>(
      std::count_if(m_multiBottom.begin(), m_multiBottom.end(), [](const QString &s) { return !s.isEmpty(); }))));
  for (const TAxisRange *r : {&m_manualXRange, &m_manualYRange, &m_zoomX, &m_zoomY}) {
    mix(qHash(r->Min));
    mix(qHash(r->Max));
  }
  mix(qHash(static_cast<int>(m_manualX) | static_cast<int>(m_manualY) << 1 | static_cast<int>(m_zoom) << 2));
  // The row over the plot for line-marker labels.
  mix(qHash(!m_topMargin.isEmpty() && m_showVertAnn && !m_vertAnn.empty()));
  mix(qHash(m_look.ViewStyle * 1000 + m_look.FontSize * 100 + m_look.PlotMethod * 10 + m_look.GridLines));
  mix(qHash(m_look.MarkPoints));
  mix(qHash(IsDark()));
  mix(qHash(width()));
  mix(qHash(height()));
  return seed;
}

double TGraph::BaseFontPixels(double heightPixels) const {
  // Grows gently with the drawing so a report-sized image stays readable,
  // and a thumbnail does not drown in text.
  const double scale = std::clamp(heightPixels / 600.0, 0.75, 2.0);
  const double base = m_look.FontSize == 0 ? 14.0 : m_look.FontSize == 2 ? 10.0 : 12.0;
  return base * scale;
}

QImage TGraph::ToImage(const QSize &size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.setDotsPerMeterX(3780); // 96 dpi, so point sizes match the screen
  image.setDotsPerMeterY(3780);
  image.fill(Colors().Background);
  RenderToImage(image);
  return image;
}

void TGraph::OnPaper(const std::function<void()> &draw) {
  const bool screenDark = IsDark();
  m_paper = true;
  draw();
  m_paper = false;
  // Drawing for paper may have laid the screen's plot out in light colours.
  if (screenDark) ApplyModel();
}

void TGraph::RenderOnPaper(QPainter &painter, const QRectF &rect) {
  OnPaper([&] { RenderTo(painter, rect); });
}

void TGraph::RenderOnPaper(QCPPainter &painter, const QRectF &rect) {
  OnPaper([&] { RenderStraight(painter, rect); });
}

void TGraph::RenderStraight(QCPPainter &painter, const QRectF &rect) { RenderTo(painter, rect); }

void TGraph::RenderToImage(QImage &image) {
  QPainter p(&image);
  RenderTo(p, QRectF(QPointF(0, 0), QSizeF(image.size())));
}

QByteArray TGraph::ToSvg(const QSize &size) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator gen;
  gen.setOutputDevice(&buffer);
  gen.setSize(size);
  gen.setViewBox(QRect(QPoint(0, 0), size));
  gen.setResolution(96);
  gen.setTitle(m_mainTitle);
  gen.setDescription(m_subTitle);
  QPainter p(&gen);
  RenderTo(p, QRectF(QPointF(0, 0), QSizeF(size)));
  p.end();
  return buffer.data();
}

bool TGraph::SaveImage(const QString &fileName, const QSize &size) {
  if (size.width() <= 0 || size.height() <= 0) return false;
  const QString ext = QFileInfo(fileName).suffix().toLower();
  QByteArray bytes;
  if (ext == QLatin1String("svg")) {
    bytes = ToSvg(size);
  } else if (ext == QLatin1String("pdf")) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(96);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96.0, size.height() * 72.0 / 96.0), QPageSize::Point,
                                 QString(), QPageSize::ExactMatch));
    writer.setTitle(m_mainTitle);
    writer.setCreator(QStringLiteral("KorvMOX"));
    QPainter p(&writer);
    RenderTo(p, QRectF(QPointF(0, 0), QSizeF(size)));
    p.end();
  } else if (ext == QLatin1String("png")) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // Opaque pixels: smaller files, same picture.
    if (!ToImage(size).convertToFormat(QImage::Format_RGB32).save(&buffer, "PNG")) return false;
  } else {
    return false;
  }
  // Written through a temporary file and renamed, so a failed export never
  // leaves half an image behind.
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(bytes) != bytes.size()) {
    file.cancelWriting();
    return false;
  }
  return file.commit();
}

void TGraph::mousePressEvent(QMouseEvent *event) {
  m_lastMouse = event->position().toPoint();
  setFocus();
  // Hot spots first: a click on a mark acts on the mark, and the press
  // that follows knows it was taken.
  if (event->button() == Qt::LeftButton) EmitHotSpots(event->position());
  emit mousePressed(m_lastMouse, event->button());
}

void TGraph::mouseMoveEvent(QMouseEvent *event) {
  m_lastMouse = event->position().toPoint();
  emit mouseMoved(m_lastMouse);
}

void TGraph::mouseReleaseEvent(QMouseEvent *event) {
  m_lastMouse = event->position().toPoint();
  emit mouseReleased(m_lastMouse, event->button());
}

void TGraph::keyPressEvent(QKeyEvent *event) { emit keyPressed(event->key(), event->modifiers()); }

void TGraph::EmitHotSpots(const QPointF &pixel) {
  constexpr double kReach = 6.0;
  if (!m_hotSpots) return;
  if (m_showGraphAnn) {
    for (std::size_t i = 0; i < m_graphAnn.size(); ++i) {
      if (m_graphAnn[i].Type == atNone) continue;
      const QPointF p = GraphToPixel(QPointF(m_graphAnn[i].X, m_graphAnn[i].Y));
      const QPointF anchor = m_graphAnn[i].Anchored ? GraphToPixel(m_graphAnn[i].Anchor) : p;
      if (std::hypot(p.x() - pixel.x(), p.y() - pixel.y()) <= kReach * 1.5 ||
          std::hypot(anchor.x() - pixel.x(), anchor.y() - pixel.y()) <= kReach * 1.5) {
        emit graphAnnotationHotSpot(static_cast<int>(i));
        return;
      }
    }
  }
  if (m_showVertAnn) {
    for (std::size_t i = 0; i < m_vertAnn.size(); ++i) {
      if (m_vertAnn[i].Type == atNone) continue;
      if (std::abs(GraphToPixel(QPointF(m_vertAnn[i].Position, 0)).x() - pixel.x()) <= kReach) {
        emit vertLineHotSpot(static_cast<int>(i));
        return;
      }
    }
  }
  if (m_showHorzAnn) {
    for (std::size_t i = 0; i < m_horzAnn.size(); ++i) {
      if (std::abs(GraphToPixel(QPointF(0, m_horzAnn[i].Position)).y() - pixel.y()) <= kReach) {
        emit horzLineHotSpot(static_cast<int>(i));
        return;
      }
    }
  }
  // Subsets: the nearest drawn segment within reach.
  double best = kReach;
  int bestSubset = -1;
  for (int s = 0; s < Subsets(); ++s) {
    const auto &vx = m_x[static_cast<std::size_t>(s)];
    const auto &vy = m_y[static_cast<std::size_t>(s)];
    for (std::size_t p = 0; p + 1 < vx.size(); ++p) {
      if (vx[p] == kGraphNullValue || vx[p + 1] == kGraphNullValue || vy[p] == kGraphNullValue ||
          vy[p + 1] == kGraphNullValue)
        continue;
      const QPointF a = GraphToPixel(QPointF(vx[p], vy[p]));
      const QPointF b = GraphToPixel(QPointF(vx[p + 1], vy[p + 1]));
      const QPointF ab = b - a;
      const double len2 = QPointF::dotProduct(ab, ab);
      double t = len2 > 0 ? QPointF::dotProduct(pixel - a, ab) / len2 : 0.0;
      t = std::clamp(t, 0.0, 1.0);
      const QPointF q = a + t * ab - pixel;
      const double d = std::hypot(q.x(), q.y());
      if (d < best) {
        best = d;
        bestSubset = s;
      }
    }
  }
  if (bestSubset >= 0) emit subsetHotSpot(bestSubset);
}

} // namespace korv
