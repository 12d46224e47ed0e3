// View > Theme: every open window (charts of both kinds, the help window, the
// toolbar) switches at once, the choice is in the settings file at the next
// start, and "System" follows a dark desktop.
#include <QAction>
#include <QFile>
#include <QMdiArea>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <QTextBrowser>

#include "ui/UserDriver.h"
#include "ui/Wait.h"
#include "ui/common/Theme.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/MainFixture.h"

using namespace korv;
using namespace korvtest;

namespace {

// View > Theme > item, with the mouse.
bool ChooseTheme(TfrmMain &m, const char *item) {
  QMenu *view = OpenMenu(m, QStringLiteral("mnuView"));
  auto *theme = m.findChild<QMenu *>(QStringLiteral("mnuViewTheme"));
  auto *action = m.findChild<QAction *>(QString::fromLatin1(item));
  if (view == nullptr || theme == nullptr || action == nullptr) return false;
  ClickMenuItem(view, theme->menuAction());
  if (!QTest::qWaitFor([&] { return theme->isVisible(); })) return false;
  ClickMenuItem(theme, action);
  return QTest::qWaitFor([&] { return !view->isVisible() && action->isChecked(); });
}

// The colour the window shows near its top left corner, as painted now.
QColor Corner(QWidget *w) { return w->grab().toImage().pixelColor(3, 3); }

// The best contrast any drawn pixel of a toolbar picture has against the
// toolbar behind it.
double IconContrast(const QIcon &icon) {
  const QImage image = icon.pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
  const QColor behind = QApplication::palette().color(QPalette::Window);
  double best = 1.0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y).alpha() == 255) best = std::max(best, ContrastRatio(image.pixelColor(x, y), behind));
  return best;
}

} // namespace

TEST_F(MainWindowTest, ThemeSwitchRepaintsEveryWindowAndSurvivesARestart) {
  const QColor white = ChartColors(false).Background;
  const QColor night = ChartColors(true).Background;
  {
    TfrmMain &m = MakeMain();
    m.show();
    TfrmDoc *xy = m.OpenDocumentFile(Doc("a.kdt"));
    TfrmDoc *smith = m.OpenDocumentFile(Doc("b.kdt"));
    ASSERT_TRUE(xy != nullptr && smith != nullptr);
    smith->SetPlotMode(pmSmith);
    m.ShowHelp(TfrmMain::kHelpContext);
    QTextBrowser *help = m.HelpWindow()->Browser();
    QApplication::processEvents();
    EXPECT_TRUE(m.findChild<QAction *>(QStringLiteral("actThemeSystem"))->isChecked());
    EXPECT_EQ(Corner(xy->Graph()), white);
    EXPECT_EQ(Corner(smith->Graph()), white);
    const QColor helpLight = Corner(help->viewport());
    // The pages' own style sheet is in force: its dark blue headings.
    EXPECT_TRUE(help->toHtml().contains(QLatin1String("#1d4476")));

    ASSERT_TRUE(ChooseTheme(m, "actThemeDark"));
    EXPECT_FALSE(m.findChild<QAction *>(QStringLiteral("actThemeSystem"))->isChecked());
    KORV_WAIT_EQ(Corner(xy->Graph()), night);
    KORV_WAIT_EQ(Corner(smith->Graph()), night);
    EXPECT_EQ(m.findChild<QMdiArea *>(QStringLiteral("mdiArea"))->background().color(), WorkspaceColor(true));
    EXPECT_LT(Corner(help->viewport()).lightness(), 80);
    EXPECT_LT(Corner(help->viewport()).lightness(), helpLight.lightness());
    // The page's headings are recoloured for the dark page, not left dark blue.
    EXPECT_TRUE(help->toHtml().contains(QLatin1String("#8fb8f0")));
    // Line-drawn toolbar pictures keep reading on the dark toolbar.
    EXPECT_GE(IconContrast(m.Action(TCommand::BtnCut)->icon()), 3.0);
    EXPECT_GE(IconContrast(m.Action(TCommand::BtnOptions)->icon()), 3.0);

    ASSERT_TRUE(ChooseTheme(m, "actThemeLight"));
    KORV_WAIT_EQ(Corner(xy->Graph()), white);
    KORV_WAIT_EQ(Corner(smith->Graph()), white);
    EXPECT_EQ(m.findChild<QMdiArea *>(QStringLiteral("mdiArea"))->background().color(), WorkspaceColor(false));
    EXPECT_FALSE(help->toHtml().contains(QLatin1String("#8fb8f0")));
    EXPECT_GE(IconContrast(m.Action(TCommand::BtnCut)->icon()), 3.0);

    ASSERT_TRUE(ChooseTheme(m, "actThemeDark"));
    xy->ClearModified();
    smith->ClearModified();
    ASSERT_TRUE(CloseMain());
    m_main.reset();
  }
  QFile ini(m_settingsPath);
  ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
  EXPECT_TRUE(ini.readAll().contains("Theme=Dark"));
  // Closing the program put the desktop's look back.
  EXPECT_FALSE(IsDarkPalette(QApplication::palette()));

  // The next start comes up dark, its documents too.
  TfrmMain &again = MakeMain();
  again.show();
  EXPECT_TRUE(again.findChild<QAction *>(QStringLiteral("actThemeDark"))->isChecked());
  EXPECT_TRUE(IsDarkPalette(QApplication::palette()));
  TfrmDoc *doc = again.OpenDocumentFile(Doc("c.kdt"));
  ASSERT_NE(doc, nullptr);
  KORV_WAIT_EQ(Corner(doc->Graph()), night);
  ASSERT_TRUE(ChooseTheme(again, "actThemeSystem"));
  KORV_WAIT_EQ(Corner(doc->Graph()), white);
}

TEST_F(MainWindowTest, SystemThemeFollowsADarkDesktop) {
  const QPalette desktop = QApplication::palette();
  // The desktop is dark before the program starts.
  QApplication::setPalette(ThemePalette(true));
  TfrmMain &m = MakeMain();
  m.show();
  EXPECT_TRUE(m.findChild<QAction *>(QStringLiteral("actThemeSystem"))->isChecked());
  TfrmDoc *doc = m.OpenDocumentFile(Doc("a.kdt"));
  ASSERT_NE(doc, nullptr);
  KORV_WAIT_EQ(Corner(doc->Graph()), ChartColors(true).Background);
  // It turns light while the program runs.
  QApplication::setPalette(desktop);
  KORV_WAIT_EQ(Corner(doc->Graph()), ChartColors(false).Background);
}

// The pictures of the README: two tiled document windows (a frequency view
// and a Smith chart) beside the help window, light and dark. With
// KORV_SCREENSHOT_DIR set they are written there.
TEST_F(MainWindowTest, TiledWindowsAndHelpInBothLooks) {
  TfrmMain &m = MakeMain();
  m.show();
  // Copies, so the titles show no source folder.
  auto demo = [this](const char *name) {
    const QString source = QStringLiteral(KORV_SOURCE_DIR "/docs/images/") + QLatin1String(name);
    const QString copy = QString::fromStdString(m_dir.File(name));
    return QFile::copy(source, copy) ? copy : Doc(name);
  };
  TfrmDoc *freq = m.OpenDocumentFile(demo("demo_site.kdt"));
  TfrmDoc *smith = m.OpenDocumentFile(demo("demo_antenna.kdt"));
  ASSERT_TRUE(freq != nullptr && smith != nullptr);
  smith->SetPlotMode(pmSmith);
  m.Action("mnuWindowTile")->trigger();
  m.ShowHelp(TfrmMain::kHelpContext);
  THelpWindow *help = m.HelpWindow();
  help->resize(620, 760);
  auto shot = [&] {
    // Not maximised to the small offscreen screen: the size of a desktop window.
    m.setWindowState(Qt::WindowNoState);
    m.resize(1200, 760);
    m.Action("mnuWindowTile")->trigger();
    QApplication::processEvents();
    QImage both(m.width() + help->width(), m.height(), QImage::Format_RGB32);
    both.fill(Qt::black);
    QPainter p(&both);
    p.drawImage(0, 0, m.grab().toImage());
    p.drawImage(m.width(), 0, help->grab().toImage());
    return both;
  };
  auto meanLightness = [](const QImage &image) {
    double sum = 0;
    for (int y = 0; y < image.height(); y += 4)
      for (int x = 0; x < image.width(); x += 4)
        sum += image.pixelColor(x, y).lightnessF();
    return sum / ((image.height() / 4.0) * (image.width() / 4.0));
  };
  ASSERT_TRUE(ChooseTheme(m, "actThemeLight"));
  const QImage light = shot();
  ASSERT_TRUE(ChooseTheme(m, "actThemeDark"));
  const QImage dark = shot();
  EXPECT_GT(meanLightness(light), 0.7);
  EXPECT_LT(meanLightness(dark), 0.35);
  const QByteArray dir = qgetenv("KORV_SCREENSHOT_DIR");
  if (!dir.isEmpty()) {
    EXPECT_TRUE(light.save(QString::fromUtf8(dir) + "/theme_light.png"));
    EXPECT_TRUE(dark.save(QString::fromUtf8(dir) + "/theme_dark.png"));
  }
  freq->ClearModified();
  smith->ClearModified();
}
