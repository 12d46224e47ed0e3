#include "ui/common/Theme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>
#include <algorithm>
#include <cmath>
#include <optional>

namespace korv {

QString ThemeChoiceName(TThemeChoice choice) {
  switch (choice) {
  case TThemeChoice::Light: return QStringLiteral("Light");
  case TThemeChoice::Dark: return QStringLiteral("Dark");
  case TThemeChoice::System: break;
  }
  return QStringLiteral("System");
}

TThemeChoice ThemeChoiceFromName(const QString &name) {
  const QString n = name.trimmed();
  if (n.compare(QLatin1String("Light"), Qt::CaseInsensitive) == 0) return TThemeChoice::Light;
  if (n.compare(QLatin1String("Dark"), Qt::CaseInsensitive) == 0) return TThemeChoice::Dark;
  return TThemeChoice::System;
}

namespace {
double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}
} // namespace

double RelativeLuminance(const QColor &color) {
  const QColor c = color.toRgb();
  return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

double ContrastRatio(const QColor &a, const QColor &b) {
  const double la = RelativeLuminance(a);
  const double lb = RelativeLuminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

const TChartColors &ChartColors(bool dark) {
  static const TChartColors light{QColor(255, 255, 255), QColor(20, 30, 60),    QColor(60, 60, 60),
                                  QColor(0, 0, 0),       QColor(205, 208, 214), QColor(238, 240, 243),
                                  QColor(250, 251, 253), QColor(190, 196, 206), QColor(190, 196, 206).darker(125)};
  // Grey-blue lines on near black: the grid recedes, the text reads, the
  // traces stand out.
  static const TChartColors night{QColor(30, 31, 34),    QColor(215, 225, 245), QColor(200, 204, 210),
                                  QColor(232, 234, 238), QColor(72, 76, 84),    QColor(44, 46, 51),
                                  QColor(38, 40, 45),    QColor(88, 94, 104),   QColor(130, 138, 150)};
  return dark ? night : light;
}

QColor WorkspaceColor(bool dark) { return dark ? QColor(22, 23, 26) : QColor(Qt::gray); }

QColor ColorOnChart(const QColor &color, bool dark) {
  if (!color.isValid()) return color;
  const QColor background = ChartColors(dark).Background;
  if (ContrastRatio(color, background) >= kMinChartContrast) return color;
  // Towards the far end in small steps: the first blend that reads keeps
  // as much of the hue as possible.
  const QColor target = dark ? QColor(255, 255, 255) : QColor(0, 0, 0);
  const QColor c = color.toRgb();
  for (int step = 1; step <= 20; ++step) {
    const double t = step / 20.0;
    const QColor mixed = QColor::fromRgbF(static_cast<float>(c.redF() + (target.redF() - c.redF()) * t),
                                          static_cast<float>(c.greenF() + (target.greenF() - c.greenF()) * t),
                                          static_cast<float>(c.blueF() + (target.blueF() - c.blueF()) * t), c.alphaF());
    if (ContrastRatio(mixed, background) >= kMinChartContrast) return mixed;
  }
  return target;
}

bool IsDarkPalette(const QPalette &palette) {
  return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF();
}

QPalette ThemePalette(bool dark) {
  if (!dark) {
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    QPalette p = fusion != nullptr ? fusion->standardPalette() : QPalette(QColor(239, 239, 239));
    delete fusion;
    return p;
  }
  QPalette p;
  const QColor window(45, 46, 50);
  const QColor base(30, 31, 34);
  const QColor text(222, 224, 228);
  const QColor disabled(128, 130, 134);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, QColor(40, 41, 45));
  p.setColor(QPalette::ToolTipBase, QColor(55, 56, 60));
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, disabled);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, QColor(53, 54, 58));
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, QColor(255, 90, 90));
  p.setColor(QPalette::Light, QColor(78, 80, 86));
  p.setColor(QPalette::Midlight, QColor(64, 66, 71));
  p.setColor(QPalette::Mid, QColor(40, 41, 45));
  p.setColor(QPalette::Dark, QColor(28, 29, 32));
  p.setColor(QPalette::Shadow, QColor(12, 12, 14));
  p.setColor(QPalette::Highlight, QColor(52, 120, 200));
  p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
  p.setColor(QPalette::Link, QColor(110, 170, 255));
  p.setColor(QPalette::LinkVisited, QColor(180, 140, 255));
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, disabled);
  p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(70, 72, 78));
  p.setColor(QPalette::Disabled, QPalette::HighlightedText, disabled);
  return p;
}

namespace {
// What the application looked like before the first theme was applied.
struct TSystemLook {
  QString StyleName;
  QPalette Palette;
};
std::optional<TSystemLook> &SystemLook() {
  static std::optional<TSystemLook> look;
  return look;
}
} // namespace

bool ApplyTheme(TThemeChoice choice) {
  auto &system = SystemLook();
  // Nothing changed yet: the desktop's look is already there, and setting
  // it explicitly would stop it following the desktop.
  if (!system && choice == TThemeChoice::System) return IsDarkPalette(QApplication::palette());
  if (!system) {
    QStyle *style = QApplication::style();
    system = TSystemLook{style != nullptr ? style->name() : QString(), QApplication::palette()};
  }
  if (choice == TThemeChoice::System) {
    if (!system->StyleName.isEmpty() && QApplication::style()->name() != system->StyleName)
      QApplication::setStyle(system->StyleName);
    QApplication::setPalette(system->Palette);
  } else {
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
      QApplication::setStyle(QStringLiteral("Fusion"));
    QApplication::setPalette(ThemePalette(choice == TThemeChoice::Dark));
  }
  return IsDarkPalette(QApplication::palette());
}

} // namespace korv
