#include "ui/main/Cursors.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QSvgRenderer>
#include <QtMath>
#include <algorithm>
#include <utility>

#include "ui/common/Theme.h"

// Resources of a static library are registered by hand.
static void InitKorvResourcesOnce() {
  static bool done = false;
  if (!done) {
    Q_INIT_RESOURCE(korvmox);
    done = true;
  }
}

namespace korv {

void InitKorvResources() { InitKorvResourcesOnce(); }

namespace {

QPixmap Blank(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  return pm;
}

QPainterPath Polyline(std::initializer_list<QPointF> pts) {
  QPainterPath path;
  bool first = true;
  for (const QPointF &pt : pts) {
    if (first)
      path.moveTo(pt);
    else
      path.lineTo(pt);
    first = false;
  }
  return path;
}

// The pictures are line drawings: on a dark toolbar the ink turns light and
// the paper dark, so they read as they do on a light one.
void DrawIcon(QPainter &p, const QString &name, bool dark) {
  const QColor ink = dark ? QColor(208, 218, 234) : QColor(40, 60, 90);
  const QColor accent = dark ? QColor(245, 120, 95) : QColor(200, 60, 40);
  const QColor paper = dark ? QColor(62, 66, 74) : QColor(250, 250, 245);
  const QColor markBlue = dark ? QColor(110, 150, 255) : QColor(0, 0, 255);
  p.setRenderHint(QPainter::Antialiasing);
  QPen pen(ink, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  auto frame = [&] {
    p.setBrush(paper);
    p.drawRect(QRectF(2.5, 3.5, 19, 17));
    p.setBrush(Qt::NoBrush);
  };
  if (name == "Open") {
    p.setBrush(QColor(240, 200, 90));
    p.drawPolygon(QPolygonF({{2, 7}, {9, 7}, {11, 9}, {21, 9}, {21, 20}, {2, 20}}));
    p.setBrush(QColor(250, 220, 120));
    p.drawPolygon(QPolygonF({{5, 12}, {23, 12}, {20, 20}, {2, 20}}));
  } else if (name == "Save") {
    p.setBrush(QColor(70, 110, 170));
    p.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
    p.setBrush(paper);
    p.drawRect(QRectF(6, 3, 12, 7));
    p.drawRect(QRectF(7, 14, 10, 7));
  } else if (name == "CopyImage") {
    p.setBrush(paper);
    p.drawRect(QRectF(2.5, 2.5, 13, 13));
    p.drawRect(QRectF(8.5, 8.5, 13, 13));
    p.setPen(QPen(accent, 1.4));
    p.drawPath(Polyline({{10, 19}, {13, 14}, {16, 17}, {20, 11}}));
  } else if (name == "Cut") {
    p.drawEllipse(QPointF(7, 18), 3.2, 3.2);
    p.drawEllipse(QPointF(17, 18), 3.2, 3.2);
    p.drawLine(QPointF(9, 15.5), QPointF(17, 3));
    p.drawLine(QPointF(15, 15.5), QPointF(7, 3));
  } else if (name == "Copy") {
    p.setBrush(paper);
    p.drawRect(QRectF(3.5, 3.5, 11, 13));
    p.drawRect(QRectF(9.5, 8.5, 11, 13));
    p.setPen(QPen(accent, 1.3));
    for (double y : {12.0, 15.0, 18.0})
      p.drawLine(QPointF(12, y), QPointF(18, y));
  } else if (name == "Paste") {
    p.setBrush(QColor(200, 160, 100));
    p.drawRoundedRect(QRectF(4, 4, 16, 18), 2, 2);
    p.setBrush(paper);
    p.drawRect(QRectF(7, 8, 10, 12));
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(QRectF(9, 2.5, 6, 3.5));
    p.setPen(QPen(accent, 1.3));
    p.drawPath(Polyline({{8, 17}, {11, 12}, {13, 15}, {16, 10}}));
  } else if (name == "Delete") {
    frame();
    p.setPen(QPen(QColor(90, 120, 160), 1.4));
    p.drawPath(Polyline({{4, 9}, {9, 13}, {13, 8}, {20, 12}}));
    p.setPen(QPen(QColor(200, 40, 40), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 11), QPointF(19, 21));
    p.drawLine(QPointF(19, 11), QPointF(9, 21));
  } else if (name == "MeasureMatch") {
    frame();
    p.setPen(QPen(accent, 1.6));
    p.drawPath(Polyline({{4, 8}, {8, 10}, {11, 17}, {14, 9}, {17, 7}, {20, 8}}));
  } else if (name == "SmithChart") {
    p.setBrush(paper);
    p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16.5, 12), 5, 5);
    p.drawLine(QPointF(2.5, 12), QPointF(21.5, 12));
    p.setPen(QPen(accent, 1.4));
    p.drawArc(QRectF(12, -7, 19, 19), 180 * 16, 90 * 16);
  } else if (name == "FaultLocation") {
    frame();
    p.setPen(QPen(accent, 1.6));
    p.drawPath(Polyline({{4, 18}, {7, 18}, {8, 8}, {9, 18}, {14, 18}, {15, 12}, {16, 18}, {20, 18}}));
  } else if (name == "Wizard") {
    p.setPen(QPen(ink, 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4, 20), QPointF(15, 9));
    p.setPen(QPen(accent, 1.4));
    for (int i = 0; i < 8; ++i) {
      const double a = i * M_PI / 4.0;
      p.drawLine(QPointF(17 + 2 * std::cos(a), 7 + 2 * std::sin(a)),
                 QPointF(17 + 5 * std::cos(a), 7 + 5 * std::sin(a)));
    }
  } else if (name == "Select") {
    QPainterPath arrow = Polyline({{6, 3}, {6, 19}, {10, 15}, {13, 21}, {15.5, 20}, {12.5, 14}, {18, 14}});
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.drawPath(arrow);
  } else if (name == "ZoomIn" || name == "ZoomOut") {
    p.setBrush(paper);
    p.drawEllipse(QPointF(10, 10), 7, 7);
    p.setPen(QPen(ink, 3.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(15.5, 15.5), QPointF(21, 21));
    p.setPen(QPen(accent, 1.8));
    p.drawLine(QPointF(6.5, 10), QPointF(13.5, 10));
    if (name == "ZoomIn") p.drawLine(QPointF(10, 6.5), QPointF(10, 13.5));
  } else if (name == "AutoScale") {
    frame();
    p.setPen(QPen(accent, 1.5));
    p.drawPath(Polyline({{6, 7}, {6, 17}, {18, 17}}));
    p.drawPath(Polyline({{4, 9}, {6, 6}, {8, 9}}));
    p.drawPath(Polyline({{15, 15}, {18, 17}, {15, 19}}));
  } else if (name == "Marker" || name == "MarkerHide") {
    // A trace with a marker triangle over it; crossed out to hide.
    frame();
    p.drawPath(Polyline({{4, 16}, {8, 12}, {12, 15}, {16, 9}, {20, 13}}));
    p.setBrush(markBlue);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({{16, 4}, {13, 8.5}, {19, 8.5}}));
    if (name == "MarkerHide") {
      p.setPen(QPen(accent, 1.8, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(5, 5), QPointF(20, 19));
    }
  } else if (name == "LimitLine") {
    frame();
    p.drawPath(Polyline({{4, 17}, {8, 14}, {12, 16}, {16, 12}, {20, 15}}));
    p.setPen(QPen(QColor(255, 0, 0), 1.8));
    p.drawLine(QPointF(3, 9), QPointF(21, 9));
  } else if (name == "Calculator") {
    // A pocket calculator: display and a 3 x 3 key pad.
    p.setPen(QPen(QColor(60, 60, 60), 1.4));
    p.setBrush(QColor(235, 238, 242));
    p.drawRoundedRect(QRectF(5, 2.5, 14, 19), 2, 2);
    p.setBrush(QColor(170, 200, 170));
    p.drawRect(QRectF(7.5, 5, 9, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 60, 60));
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c)
        p.drawRect(QRectF(7.5 + 3.3 * c, 11 + 3.3 * r, 2.2, 2.2));
  } else if (name == "Options") {
    // Three sliders.
    p.setPen(QPen(dark ? ink : QColor(60, 60, 60), 1.6, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i)
      p.drawLine(QPointF(4, 6 + 6 * i), QPointF(20, 6 + 6 * i));
    p.setBrush(accent);
    const double knobs[3] = {8, 15, 11};
    for (int i = 0; i < 3; ++i)
      p.drawRect(QRectF(knobs[i] - 2, 3.5 + 6 * i, 4, 5));
  } else if (name == "Help") {
    p.setBrush(QColor(70, 110, 170));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(12, 12), 10, 10);
    QFont f = p.font();
    f.setBold(true);
    f.setPixelSize(15);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
  } else {
    frame();
  }
}

bool DarkLook() { return IsDarkPalette(QGuiApplication::palette()); }

void AddDrawnPixmap(QIcon &icon, const QString &name, int size, bool dark) {
  QPixmap pm = Blank(size);
  QPainter p(&pm);
  p.scale(size / 24.0, size / 24.0);
  DrawIcon(p, name, dark);
  p.end();
  icon.addPixmap(pm);
}

// A toolbar picture held at 24 pixels, and at 48 once anything larger is
// asked for (a larger size, a high-resolution screen): the toolbar of an
// ordinary screen never needs the large one, and the start does not draw
// it. Whatever is asked, the answer is the one the icon with both sizes
// gives. The pictures follow the application's look: after a theme change
// the next request draws them again in the new colours.
class TDrawnIconEngine : public QIconEngine {
public:
  // Nothing is drawn until the picture is first asked for: most commands'
  // pictures are seen only when their menu opens.
  explicit TDrawnIconEngine(QString name) : m_name(std::move(name)) {}
  void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal dpr = painter->device() != nullptr ? painter->device()->devicePixelRatio() : 1.0;
    Need(rect.size() * dpr);
    m_icon.paint(painter, rect, Qt::AlignCenter, mode, state);
  }
  QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
    Need(size);
    return m_icon.actualSize(size, mode, state);
  }
  QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override {
    Need(size);
    return m_icon.pixmap(size, 1.0, mode, state);
  }
  // The size is in device pixels already; the caller sets the scale.
  QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal) override {
    return pixmap(size, mode, state);
  }
  QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
    Need(QSize(kLarge, kLarge));
    return m_icon.availableSizes(mode, state);
  }
  QString key() const override { return QStringLiteral("korvDrawnIcon"); }
  QIconEngine *clone() const override { return new TDrawnIconEngine(*this); }
  bool isNull() override { return false; }

private:
  static constexpr int kSmall = 24;
  static constexpr int kLarge = 48;
  void Need(const QSize &size) {
    if (const bool dark = DarkLook(); !m_drawn || dark != m_dark) {
      m_drawn = true;
      m_dark = dark;
      m_icon = QIcon();
      m_large = false;
      AddDrawnPixmap(m_icon, m_name, kSmall, m_dark);
    }
    if (m_large || (size.width() <= kSmall && size.height() <= kSmall)) return;
    m_large = true;
    AddDrawnPixmap(m_icon, m_name, kLarge, m_dark);
  }
  QString m_name;
  bool m_drawn = false;
  bool m_dark = false;
  QIcon m_icon;
  bool m_large = false;
};

} // namespace

QIcon ToolIcon(const QString &name) { return QIcon(new TDrawnIconEngine(name)); }

QIcon EagerToolIcon(const QString &name) {
  QIcon icon;
  for (int size : {24, 48})
    AddDrawnPixmap(icon, name, size, DarkLook());
  return icon;
}

namespace {
QImage DrawnAppPicture(QSvgRenderer &drawing, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  drawing.render(&p);
  p.end();
  return image;
}
} // namespace

QPixmap AppPicture(int size) {
  InitKorvResources();
  QSvgRenderer drawing(QStringLiteral(":/icons/korvmox.svg"));
  return QPixmap::fromImage(DrawnAppPicture(drawing, size));
}

QIcon AppIcon() {
  // Once it is the application's icon, that one copy is shared, so each
  // size is drawn once for every window.
  static qint64 s_made = 0;
  if (QIcon set = QGuiApplication::windowIcon(); !set.isNull() && set.cacheKey() == s_made) return set;
  // Fixed sizes: the window system is handed every size an icon has, for
  // each window and more than once. A scalable icon goes as four sizes up
  // to 128 pixels (87 KB a time); menus and task lists show at most 64.
  InitKorvResources();
  QSvgRenderer drawing(QStringLiteral(":/icons/korvmox.svg"));
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64})
    icon.addPixmap(QPixmap::fromImage(DrawnAppPicture(drawing, size)));
  s_made = icon.cacheKey();
  return icon;
}

} // namespace korv
