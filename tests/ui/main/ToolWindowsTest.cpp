// The Tools menu's power setup and quick text windows: opened and closed by
// their commands, checked while open.
#include <QAction>
#include <QPushButton>

#include "ui/instrument/PwrSetup.h"
#include "ui/instrument/QuickList.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/MainFixture.h"
#include "../UserDriver.h"

using namespace korv;

TEST_F(MainWindowTest, ToolWindowsAreCheckedWhileOpen) {
  TfrmMain &m = MakeMain();
  m.show();
  struct Tool {
    const char *Item;
    const char *Window;
  };
  for (const Tool t : {Tool{"mnuToolsPwrSetup", "frmPwrSetup"}, Tool{"mnuToolsQuickText", "frmQuickText"}}) {
    QAction *item = m.Action(QString::fromLatin1(t.Item));
    ASSERT_NE(item, nullptr) << t.Item;
    EXPECT_FALSE(item->isChecked());
    ASSERT_TRUE(korvtest::UseMenu(m, "mnuTools", t.Item));
    auto *window = m.findChild<QMainWindow *>(QString::fromLatin1(t.Window));
    ASSERT_NE(window, nullptr) << t.Window;
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(item->isChecked());
    // Its own Close button unchecks the item; the command shows it again.
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("btnClose")), Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(item->isChecked());
    ASSERT_TRUE(korvtest::UseMenu(m, "mnuTools", t.Item));
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(item->isChecked());
    // The command hides a shown window.
    ASSERT_TRUE(korvtest::UseMenu(m, "mnuTools", t.Item));
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(item->isChecked());
    ASSERT_TRUE(korvtest::UseMenu(m, "mnuTools", t.Item));
  }
  // Closing the program takes its tool windows along.
  EXPECT_TRUE(CloseMain());
  for (const char *name : {"frmPwrSetup", "frmQuickText"})
    EXPECT_FALSE(m.findChild<QMainWindow *>(QString::fromLatin1(name))->isVisible()) << name;
}

TEST_F(MainWindowTest, F1InAToolWindowShowsItsTopic) {
  TfrmMain &m = MakeMain();
  m.show();
  struct Tool {
    const char *Item;
    const char *Window;
    const char *Page;
  };
  for (const Tool t : {Tool{"mnuToolsPwrSetup", "frmPwrSetup", "powersetup.html"},
                       Tool{"mnuToolsQuickText", "frmQuickText", "quicktext.html"}}) {
    ASSERT_TRUE(korvtest::UseMenu(m, "mnuTools", t.Item));
    auto *window = m.findChild<QMainWindow *>(QString::fromLatin1(t.Window));
    ASSERT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 2000)) << t.Window;
    QTest::keyClick(window, Qt::Key_F1);
    EXPECT_EQ(m.HelpWindow()->CurrentPage(), QString::fromLatin1(t.Page));
    m.HelpWindow()->close();
    window->close();
  }
}
