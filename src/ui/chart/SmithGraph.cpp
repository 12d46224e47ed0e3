#include "ui/chart/SmithGraph.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "ui/common/Theme.h"

namespace korv {

namespace {
constexpr double kMaxLogicalHeight = 1200.0;

QFont MakeFont(double px, bool bold = false) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(std::max(6, static_cast<int>(std::lround(px))));
  f.setBold(bold);
  return f;
}

QString Num(double v) { return QString::number(v, 'g', 3); }
} // namespace

TSmithGraph::TSmithGraph(QWidget *parent) : TGraph(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

std::complex<double> TSmithGraph::ImpedanceToGamma(double r, double x) {
  const std::complex<double> z(r, x);
  const std::complex<double> d = z + 1.0;
  if (std::abs(d) < 1e-300) return {-1.0, 0.0};
  return (z - 1.0) / d;
}

QPointF TSmithGraph::GammaToImpedance(std::complex<double> gamma) {
  const std::complex<double> d = 1.0 - gamma;
  if (std::abs(d) < 1e-12) return {1e9, 0.0}; // the open-circuit point
  const std::complex<double> z = (1.0 + gamma) / d;
  return {z.real(), z.imag()};
}

QPointF TSmithGraph::PixelToGraph(const QPointF &pixel) const {
  const std::complex<double> g((pixel.x() - m_centre.x()) / m_radius, (m_centre.y() - pixel.y()) / m_radius);
  return GammaToImpedance(g);
}

QPointF TSmithGraph::GraphToPixel(const QPointF &graph) const {
  const auto g = ImpedanceToGamma(graph.x(), graph.y());
  return {m_centre.x() + g.real() * m_radius, m_centre.y() - g.imag() * m_radius};
}

void TSmithGraph::ApplyModel() { update(); }

void TSmithGraph::paintEvent(QPaintEvent *) {
  QPainter p(this);
  Draw(p, QRectF(rect()), m_centre, m_radius);
}

void TSmithGraph::RenderTo(QPainter &painter, const QRectF &rect) {
  if (rect.width() < 1 || rect.height() < 1) return;
  const double factor = rect.height() > kMaxLogicalHeight ? rect.height() / kMaxLogicalHeight : 1.0;
  painter.save();
  painter.translate(rect.topLeft());
  painter.scale(factor, factor);
  QPointF c;
  double r = 1.0;
  Draw(painter, QRectF(0, 0, rect.width() / factor, rect.height() / factor), c, r);
  painter.restore();
}

void TSmithGraph::Draw(QPainter &p, const QRectF &area, QPointF &centre, double &radius) const {
  const double scale = std::clamp(area.height() / 600.0, 0.75, 2.0);
  const double fontPx = BaseFontPixels(area.height());
  const QFont base = MakeFont(fontPx);
  const QFont title = MakeFont(fontPx * 1.4, true);
  const QFont sub = MakeFont(fontPx * 1.05, true);
  const QFont small = MakeFont(fontPx * 0.85);
  QFont mono(QStringLiteral("DejaVu Sans Mono"));
  mono.setPixelSize(base.pixelSize());

  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  const TChartColors &colors = Colors();
  p.fillRect(area, colors.Background);

  const double pad = 4 * scale;
  double top = area.top() + pad;
  auto textRow = [&](const QString &text, const QFont &f, const QColor &c, double extra, double left, double right) {
    const double h = QFontMetricsF(f).height() + extra;
    p.setFont(f);
    p.setPen(c);
    DrawSplitLine(p, QRectF(left, top, right - left, h), text);
    top += h;
  };
  const double margin = 12 * scale;
  if (!m_mainTitle.isEmpty())
    textRow(m_mainTitle, title, colors.Title, pad * 2, area.left() + margin, area.right() - margin);
  if (!m_subTitle.isEmpty()) textRow(m_subTitle, sub, colors.Title, pad, area.left() + margin, area.right() - margin);
  for (const QString &line : m_multiSub)
    if (!line.isEmpty()) textRow(line, base, colors.Text, pad, area.left() + margin, area.right() - margin);

  // Legend and readout rows at the bottom.
  std::vector<int> legendItems;
  for (int s = 0; s < Subsets(); ++s)
    if (!SubsetLabel(s).isEmpty()) legendItems.push_back(s);
  const QFont legendFont = MakeFont(fontPx * 0.9);
  const QFontMetricsF fm(legendFont);
  const double rowH = fm.height() + pad;
  double longest = 0;
  for (int s : legendItems)
    longest = std::max(longest, fm.horizontalAdvance(SubsetLabel(s)));
  const double itemWidth = longest + 26 * scale + 6 * scale + 24 * scale;
  const int cols = std::clamp(static_cast<int>((area.width() - 2 * margin) / std::max(1.0, itemWidth)), 1, 5);
  const int legendRows = legendItems.empty() ? 0 : static_cast<int>((legendItems.size() + cols - 1) / cols);
  int bottomLines = 0;
  for (const QString &line : m_multiBottom)
    if (!line.isEmpty()) ++bottomLines;
  const double bottomH = legendRows * rowH + bottomLines * (QFontMetricsF(mono).height() + pad / 2) + pad;

  // The disc: equal aspect, room for the phase scale around it.
  const double labelRoom = QFontMetricsF(small).height() * 2.2;
  const QRectF chartArea(area.left() + margin, top + pad, area.width() - 2 * margin,
                         area.bottom() - bottomH - top - 2 * pad);
  radius = std::max(10.0, std::min(chartArea.width(), chartArea.height()) / 2.0 - labelRoom);
  centre = chartArea.center();
  const QPointF c = centre;
  const double R = radius;
  auto toPx = [&](std::complex<double> g) { return QPointF(c.x() + g.real() * R, c.y() - g.imag() * R); };

  // Disc, constant-resistance circles and constant-reactance arcs.
  QPainterPath disc;
  disc.addEllipse(c, R, R);
  p.fillPath(disc, colors.DiscFill);
  p.save();
  p.setClipPath(disc);
  const QPen gridPen(colors.SmithGrid, std::max(0.8, 0.9 * scale));
  const QPen unitPen(colors.SmithUnitGrid, std::max(1.0, 1.2 * scale));
  p.setBrush(Qt::NoBrush);
  const double rValues[] = {0.2, 0.5, 1.0, 2.0, 5.0};
  const double xValues[] = {0.2, 0.5, 1.0, 2.0, 5.0};
  for (double r : rValues) {
    p.setPen(r == 1.0 ? unitPen : gridPen);
    const double cr = r / (1 + r), rr = 1 / (1 + r);
    p.drawEllipse(QPointF(c.x() + cr * R, c.y()), rr * R, rr * R);
  }
  for (double x : xValues) {
    p.setPen(x == 1.0 ? unitPen : gridPen);
    const double rr = 1 / x;
    p.drawEllipse(QPointF(c.x() + R, c.y() - rr * R), rr * R, rr * R);
    p.drawEllipse(QPointF(c.x() + R, c.y() + rr * R), rr * R, rr * R);
  }
  p.setPen(unitPen);
  p.drawLine(QPointF(c.x() - R, c.y()), QPointF(c.x() + R, c.y()));
  p.restore();
  p.setPen(QPen(colors.Text, std::max(1.0, 1.3 * scale)));
  p.drawEllipse(c, R, R);

  // Resistance labels along the real axis, reactance labels at the rim.
  p.setFont(small);
  p.setPen(colors.Text);
  const QFontMetricsF sfm(small);
  p.drawText(QPointF(c.x() - R + 2 * scale, c.y() - 3 * scale), QStringLiteral("0"));
  for (double r : rValues) {
    const QPointF at = toPx({(r - 1) / (r + 1), 0.0});
    p.drawText(QPointF(at.x() + 2 * scale, at.y() - 3 * scale), Num(r));
  }
  for (double x : xValues) {
    for (int sign : {1, -1}) {
      const double xs = sign * x;
      // Inside the rim, where each reactance arc meets it.
      const std::complex<double> g((xs * xs - 1) / (xs * xs + 1), 2 * xs / (xs * xs + 1));
      const QString t = (sign > 0 ? QStringLiteral("+j") : QStringLiteral("-j")) + Num(x);
      const QSizeF sz = sfm.size(0, t);
      const QPointF at = toPx(g * (1.0 - (sz.width() * 0.5 + 4 * scale) / R));
      p.drawText(QPointF(at.x() - sz.width() / 2, at.y() + sfm.ascent() / 2.6), t);
    }
  }
  // Phase of Gamma around the rim, ticks every 10 degrees.
  p.setPen(QPen(colors.Text, std::max(0.8, scale)));
  for (int deg = 0; deg < 360; deg += 10) {
    const double a = deg * std::numbers::pi / 180.0;
    const std::complex<double> u(std::cos(a), std::sin(a));
    const double len = deg % 30 == 0 ? 1.025 : 1.012;
    p.drawLine(toPx(u), toPx(u * len));
  }
  p.setFont(small);
  for (int deg = -150; deg <= 180; deg += 30) {
    if (deg == 0) continue;
    const double a = deg * std::numbers::pi / 180.0;
    const std::complex<double> u(std::cos(a), std::sin(a));
    const QPointF at = toPx(u * (1.0 + labelRoom / R * 0.72));
    const QString t = QString::number(deg) + QChar(0x00B0);
    const QSizeF sz = sfm.size(0, t);
    p.drawText(QPointF(at.x() - sz.width() / 2, at.y() + sfm.ascent() / 2.6), t);
  }

  // Traces.
  p.save();
  p.setClipRect(chartArea.adjusted(-labelRoom, -labelRoom, labelRoom, labelRoom));
  for (int s = 0; s < Subsets(); ++s) {
    const auto &vx = m_x[static_cast<std::size_t>(s)];
    const auto &vy = m_y[static_cast<std::size_t>(s)];
    const QPen pen = SubsetPen(s, scale);
    p.setPen(pen);
    QPolygonF run;
    std::vector<QPointF> points;
    auto flush = [&] {
      if (run.size() > 1) p.drawPolyline(run);
      run.clear();
    };
    for (std::size_t i = 0; i < vx.size(); ++i) {
      if (vx[i] == kGraphNullValue || vy[i] == kGraphNullValue || !std::isfinite(vx[i]) || !std::isfinite(vy[i])) {
        flush();
        continue;
      }
      const QPointF px = toPx(ImpedanceToGamma(vx[i], vy[i]));
      run.append(px);
      points.push_back(px);
    }
    flush();
    if (SubsetHasSymbols() && !points.empty()) {
      const double sz = (m_look.MarkPoints ? 2.0 : 3.5) * scale;
      const std::size_t step = m_look.MarkPoints ? 1 : std::max<std::size_t>(1, points.size() / 16);
      p.setPen(QPen(pen.color(), std::max(1.0, scale)));
      p.setBrush(m_look.ViewStyle == 2 ? QBrush(colors.Background) : QBrush(pen.color()));
      for (std::size_t i = 0; i < points.size(); i += step)
        p.drawEllipse(points[i], sz, sz);
      p.setBrush(Qt::NoBrush);
    }
  }
  p.restore();

  // Markers: a dot on their point with the frequency view's triangle
  // pointing at it (the active marker's from above, the others' from
  // below, hollow while dragged) and the number beside it.
  if (m_showGraphAnn) {
    p.setFont(base);
    const QFontMetricsF bfm(base);
    const double dot = 2.6 * scale, gap = 3.0 * scale, side = 10.0 * scale;
    for (const auto &a : m_graphAnn) {
      if (a.Type == atNone) continue;
      const QPointF at = toPx(ImpedanceToGamma(a.X, a.Y));
      const QColor color = MarkColor(a.Color);
      if (a.Type != atMarkerBelow && a.Type != atMarkerActive && a.Type != atMarkerDragged) {
        p.setPen(color);
        p.drawText(QRectF(at.x() - 40, at.y() - 20, 80, 40), Qt::AlignCenter, QStringLiteral("\u25B2") + a.Text);
        continue;
      }
      p.setPen(Qt::NoPen);
      p.setBrush(color);
      p.drawEllipse(at, dot, dot);
      const double dir = a.Type == atMarkerBelow ? 1.0 : -1.0; // +1: the triangle hangs below
      const double tipY = at.y() + dir * gap, baseY = tipY + dir * side * 0.87;
      const QPolygonF triangle(
          {QPointF(at.x(), tipY), QPointF(at.x() - side / 2, baseY), QPointF(at.x() + side / 2, baseY)});
      p.setPen(QPen(color, std::max(1.0, 1.2 * scale)));
      p.setBrush(a.Type == atMarkerDragged ? QBrush(Qt::NoBrush) : QBrush(color));
      p.drawPolygon(triangle);
      p.setBrush(Qt::NoBrush);
      if (!a.Text.isEmpty())
        p.drawText(QPointF(at.x() + side / 2 + 2 * scale, (tipY + baseY) / 2 + bfm.ascent() / 2.6), a.Text);
    }
  }

  // Legend.
  double y = area.bottom() - bottomH + pad;
  if (!legendItems.empty()) {
    const double colW = (area.width() - 2 * margin) / cols;
    p.setFont(legendFont);
    for (std::size_t i = 0; i < legendItems.size(); ++i) {
      const int s = legendItems[i];
      // Row-major cells: the column is the remainder, the row the whole quotient.
      const std::size_t column = i % static_cast<std::size_t>(cols);
      const std::size_t row = i / static_cast<std::size_t>(cols);
      const double x0 = area.left() + margin + static_cast<double>(column) * colW;
      const double y0 = y + static_cast<double>(row) * rowH;
      const QPen pen = SubsetPen(s, scale);
      p.setPen(pen);
      const double iconW = 26 * scale;
      p.drawLine(QPointF(x0, y0 + rowH / 2), QPointF(x0 + iconW, y0 + rowH / 2));
      if (SubsetHasSymbols()) {
        // The legend shows the symbol the trace carries.
        p.setPen(QPen(pen.color(), std::max(1.0, scale)));
        p.setBrush(m_look.ViewStyle == 2 ? QBrush(colors.Background) : QBrush(pen.color()));
        const double sz = (m_look.MarkPoints ? 2.0 : 3.5) * scale;
        const TSubsetSymbol symbol =
            m_look.MarkPoints && m_look.ViewStyle != 2 ? TSubsetSymbol::Disc : SubsetStyle(s).Symbol;
        DrawSymbol(p, symbol, QPointF(x0 + iconW / 2, y0 + rowH / 2), sz);
        p.setBrush(Qt::NoBrush);
      }
      p.setPen(colors.Text);
      p.drawText(QRectF(x0 + iconW + 6 * scale, y0, colW - iconW - 8 * scale, rowH), Qt::AlignLeft | Qt::AlignVCenter,
                 fm.elidedText(SubsetLabel(s), Qt::ElideRight, colW - iconW - 8 * scale));
    }
    y += legendRows * rowH;
  }
  p.setFont(mono);
  p.setPen(colors.Text);
  for (const QString &line : m_multiBottom) {
    if (line.isEmpty()) continue;
    const double h = QFontMetricsF(mono).height() + pad / 2;
    DrawSplitLine(p, QRectF(area.left() + margin, y, area.width() - 2 * margin, h), line);
    y += h;
  }
  p.restore();
}

} // namespace korv
