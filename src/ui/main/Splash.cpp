#include "ui/main/Splash.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <cmath>

#include "ui/main/Cursors.h"

namespace korv {

TfrmSplash::TfrmSplash(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("frmSplash"));
  // The client area is the panel: the 200 x 110 picture inside a raised edge.
  setFixedSize(204, 114);
  setCursor(Qt::WaitCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TfrmSplash::ShowNow() {
  if (const QScreen *screen = QGuiApplication::primaryScreen()) move(screen->geometry().center() - rect().center());
  show();
  // The window paints when the window system first shows it; a paint asked
  // for before that draws nothing and is done again afterwards. The
  // documents open next, with no event loop turning, so wait here for the
  // picture to be up: briefly, as a window manager may hold the window back.
  QTimer limit;
  limit.setSingleShot(true);
  limit.start(kShowWaitMs);
  while (windowHandle() != nullptr && !windowHandle()->isExposed() && limit.isActive())
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents);
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmSplash::paintEvent(QPaintEvent *) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRect r = rect();
  // Raised panel edge.
  p.fillRect(r, QColor(236, 236, 232));
  p.setPen(Qt::white);
  p.drawLine(r.topLeft(), r.topRight());
  p.drawLine(r.topLeft(), r.bottomLeft());
  p.setPen(QColor(120, 120, 120));
  p.drawLine(r.bottomLeft(), r.bottomRight());
  p.drawLine(r.topRight(), r.bottomRight());
  const QRect picture(2, 2, 200, 110);
  QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
  sky.setColorAt(0.0, QColor(32, 64, 110));
  sky.setColorAt(1.0, QColor(70, 120, 170));
  p.fillRect(picture, sky);
  // A sweep trace across the picture.
  QPainterPath trace;
  for (int x = 0; x <= 200; x += 2) {
    const double t = x / 200.0;
    const double y = 78 - 22 * std::exp(-std::pow((t - 0.55) * 9.0, 2.0)) - 6 * std::sin(t * 17.0);
    if (x == 0)
      trace.moveTo(2 + x, y);
    else
      trace.lineTo(2 + x, y);
  }
  p.setPen(QPen(QColor(255, 200, 80), 2.0));
  p.drawPath(trace);
  p.drawPixmap(10, 10, AppPicture(40));
  QFont f = font();
  f.setBold(true);
  f.setPixelSize(20);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(56, 12, 140, 26), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("KorvMOX"));
  f.setBold(false);
  f.setPixelSize(10);
  p.setFont(f);
  p.drawText(QRect(56, 36, 140, 16), Qt::AlignLeft | Qt::AlignVCenter, tr("Site Analyzer Software Tool"));
  p.drawText(QRect(8, 92, 190, 16), Qt::AlignRight | Qt::AlignVCenter, tr("Loading..."));
}

} // namespace korv
