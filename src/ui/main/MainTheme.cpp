// View > Theme: System, Light or Dark for the whole program. The charts,
// the help window and the toolbar icons follow the application's palette,
// so switching it repaints every window; printing stays light.
#include <QAction>
#include <QActionGroup>
#include <QMdiArea>
#include <QMenu>

#include "ui/common/Theme.h"
#include "ui/main/Main.h"

namespace korv {

namespace {
struct TThemeItem {
  TThemeChoice Choice;
  const char *Name;
  const char *Text;
  const char *Tip;
};
const TThemeItem kThemeItems[] = {
    {TThemeChoice::System, "actThemeSystem", QT_TRANSLATE_NOOP("TfrmMain", "&System"),
     QT_TRANSLATE_NOOP("TfrmMain", "Follow the desktop's light or dark look.")},
    {TThemeChoice::Light, "actThemeLight", QT_TRANSLATE_NOOP("TfrmMain", "&Light"),
     QT_TRANSLATE_NOOP("TfrmMain", "Dark text and charts on white.")},
    {TThemeChoice::Dark, "actThemeDark", QT_TRANSLATE_NOOP("TfrmMain", "&Dark"),
     QT_TRANSLATE_NOOP("TfrmMain", "Light text and charts on a dark background.")},
};
} // namespace

void TfrmMain::CreateThemeMenu(QMenu *view) {
  QMenu *menu = view->addMenu(tr("T&heme"));
  menu->setObjectName(QStringLiteral("mnuViewTheme"));
  menu->menuAction()->setObjectName(QStringLiteral("mnuViewThemeItem"));
  m_themeGroup = new QActionGroup(this);
  m_themeGroup->setExclusive(true);
  for (const TThemeItem &item : kThemeItems) {
    auto *a = new QAction(tr(item.Text), m_themeGroup);
    a->setObjectName(QString::fromLatin1(item.Name));
    a->setStatusTip(tr(item.Tip));
    a->setCheckable(true);
    a->setData(static_cast<int>(item.Choice));
    menu->addAction(a);
    const TThemeChoice choice = item.Choice;
    connect(a, &QAction::triggered, this, [this, choice] { SetTheme(choice); });
  }
}

void TfrmMain::SetTheme(TThemeChoice choice) {
  m_settings.MainWindow.Theme = ThemeChoiceName(choice).toStdString();
  for (QAction *a : m_themeGroup->actions())
    if (a->data().toInt() == static_cast<int>(choice)) a->setChecked(true);
  ApplyTheme(choice);
  m_themeApplied = true;
}

TThemeChoice TfrmMain::Theme() const {
  return ThemeChoiceFromName(QString::fromStdString(m_settings.MainWindow.Theme));
}

void TfrmMain::FollowPalette() {
  if (m_mdi != nullptr) m_mdi->setBackground(WorkspaceColor(IsDarkPalette(palette())));
  // The trace list's swatches show the colours the chart draws.
  if (m_traceTable != nullptr) UpdateTraceDock();
}

void TfrmMain::RestoreSystemTheme() {
  // Another main window of the same process (tests) starts from the
  // desktop's look, as a new program would.
  if (m_themeApplied && Theme() != TThemeChoice::System) ApplyTheme(TThemeChoice::System);
}

} // namespace korv
