// Renders korvmox.svg into the hicolor PNG sizes committed beside it. Rebuild them after changing the SVG:
//   g++ -std=c++17 -fPIC make_png_icons.cpp -o /tmp/make_png_icons $(pkg-config --cflags --libs Qt6Gui Qt6Svg)
//   QT_QPA_PLATFORM=offscreen /tmp/make_png_icons korvmox.svg hicolor
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QDir>
int main(int argc, char **argv) {
  QGuiApplication app(argc, argv);
  QSvgRenderer r(QString::fromLocal8Bit(argv[1]));
  for (int s : {16, 24, 32, 48, 64, 128, 256}) {
    QImage img(s, s, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    r.render(&p);
    p.end();
    QDir().mkpath(QString("%1/%2x%2").arg(argv[2]).arg(s));
    img.save(QString("%1/%2x%2/korvmox.png").arg(argv[2]).arg(s));
  }
}
