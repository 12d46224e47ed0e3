// Single instance hand-over, the command-line packet, help topics, start-up helpers.
#include <QFile>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QUuid>
#include <filesystem>
#include <fstream>
#include <vector>

#include "ui/UserDriver.h"
#include "ui/Wait.h"
#include "ui/main/Cursors.h"
#include "ui/main/HelpWindow.h"
#include "ui/main/MainFixture.h"
#include "ui/main/MultInst.h"
#include "ui/main/Startup.h"

using namespace korv;

TEST(CommandLinePacket, FitsSlotsAndRoundTrips) {
  const QStringList args{"/p", "/home/u/a.kdt", QString(127, 'x')};
  const QByteArray packet = EncodeCommandLine(args);
  EXPECT_EQ(packet.size(), 16388);
  EXPECT_EQ(packet.at(0), 3);                          // count, little-endian
  EXPECT_EQ(QByteArray(packet.constData() + 4), "/p"); // slot 0
  EXPECT_EQ(packet.at(4 + 3 * 128), '\0');             // the slot after the last is empty
  QStringList back;
  ASSERT_TRUE(DecodeCommandLine(packet, back));
  EXPECT_EQ(back, args);
}

TEST(CommandLinePacket, LongParametersAreNeverCut) {
  QStringList args{QString(128, 'y'), QStringLiteral("/tmp/ä.kdt")};
  for (int i = 0; i < 200; ++i)
    args << QStringLiteral("f%1").arg(i);
  QStringList back;
  ASSERT_TRUE(DecodeCommandLine(EncodeCommandLine(args), back));
  EXPECT_EQ(back, args);
}

TEST(CommandLinePacket, MalformedPacketsAreRefused) {
  QStringList back;
  EXPECT_FALSE(DecodeCommandLine(QByteArray(100, '\0'), back));
  QByteArray packet = EncodeCommandLine({"a"});
  packet[0] = static_cast<char>(200); // count beyond the slots
  EXPECT_FALSE(DecodeCommandLine(packet, back));
  packet = EncodeCommandLine({"a"});
  std::fill(packet.begin() + 4, packet.begin() + 4 + 128, 'z'); // no terminator
  EXPECT_FALSE(DecodeCommandLine(packet, back));
  QByteArray longForm = EncodeCommandLine({QString(300, 'q')});
  longForm.chop(10); // a length pointing past the end
  EXPECT_FALSE(DecodeCommandLine(longForm, back));
  longForm = EncodeCommandLine({QString(300, 'q')});
  longForm[8] = '\x7f'; // huge count, no data behind it
  EXPECT_FALSE(DecodeCommandLine(longForm, back));
}

TEST(SingleInstance, SecondStartHandsItsCommandLineToTheFirst) {
  const QString name = QStringLiteral("korv-test-") + QUuid::createUuid().toString(QUuid::Id128);
  TSingleInstance first(name);
  QStringList received;
  int activations = 0;
  first.SetHandler([&](const QStringList &args) { received = args; });
  QObject::connect(&first, &TSingleInstance::activationRequested, [&] { ++activations; });
  TSingleInstance nobody(name);
  EXPECT_FALSE(nobody.HandOver({"x"}, 300)); // no copy runs yet
  ASSERT_TRUE(first.Listen());
  TSingleInstance second(name);
  EXPECT_TRUE(second.HandOver({"/data/a.kdt", "/data/b.kdt"}, 5000));
  // Acknowledged first, handled from the event loop right after.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !received.isEmpty(); }, 2000));
  EXPECT_EQ(received, (QStringList{"/data/a.kdt", "/data/b.kdt"}));
  EXPECT_EQ(activations, 1);
  // A third copy cannot take the name while the first one runs.
  TSingleInstance third(name);
  EXPECT_FALSE(third.Listen());
}

// The first copy listens before its windows exist; a second start in that
// moment gets its answer, and its files must still open once they can.
TEST(SingleInstance, ACommandLineBeforeTheHandlerIsKeptForIt) {
  const QString name = QStringLiteral("korv-test-") + QUuid::createUuid().toString(QUuid::Id128);
  TSingleInstance first(name);
  ASSERT_TRUE(first.Listen());
  TSingleInstance second(name);
  ASSERT_TRUE(second.HandOver({"/data/early.kdt"}, 5000));
  TSingleInstance third(name);
  ASSERT_TRUE(third.HandOver({"/data/later.kdt"}, 5000));
  QCoreApplication::processEvents(); // the answers' own turn of the loop
  std::vector<QStringList> received;
  first.SetHandler([&](const QStringList &args) { received.push_back(args); });
  EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() == 2; }, 2000));
  ASSERT_EQ(received.size(), 2U);
  EXPECT_EQ(received[0], QStringList{"/data/early.kdt"});
  EXPECT_EQ(received[1], QStringList{"/data/later.kdt"});
}

TEST_F(MainWindowTest, HandedOverFilesOpenInTheRunningWindow) {
  TfrmMain &m = MakeMain();
  const QString name = QStringLiteral("korv-test-") + QUuid::createUuid().toString(QUuid::Id128);
  TSingleInstance first(name);
  first.SetHandler([&m](const QStringList &args) { m.HandleCommandLine(args); });
  ASSERT_TRUE(first.Listen());
  m.showMinimized();
  const QString a = Doc("handed.kdt");
  TSingleInstance second(name);
  ASSERT_TRUE(second.HandOver(AbsoluteArguments({a}), 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return m.DocumentCount() == 1; }, 2000));
  ASSERT_EQ(m.DocumentCount(), 1);
  EXPECT_EQ(m.ActiveDocument()->FileName(), a);
  EXPECT_FALSE(m.isMinimized());
  EXPECT_EQ(m.Settings().RecentFiles.At(0), a.toStdString());
}

TEST(Startup, ArgumentsBecomeAbsoluteButTheSwitchStays) {
  const QStringList out = AbsoluteArguments({"/p", "rel.kdt", "/abs/x.kdt"});
  EXPECT_EQ(out[0], "/p");
  EXPECT_TRUE(out[1].startsWith('/'));
  EXPECT_TRUE(out[1].endsWith("/rel.kdt"));
  EXPECT_EQ(out[2], "/abs/x.kdt");
  // "/P" is a file name like any other, and only a leading "/p" prints.
  EXPECT_EQ(AbsoluteArguments({"a", "/p"})[1], "/p");
}

TEST(Startup, FixedFormatsUseTheDecimalPoint) {
  QLocale::setDefault(QLocale(QLocale::German));
  SetFixedFormats();
  EXPECT_EQ(QLocale().toString(1234.5, 'f', 1), "1234.5");
  EXPECT_EQ(std::to_string(0.5).substr(0, 3), "0.5");
}

TEST(Help, EveryContextHasAPageWithText) {
  InitKorvResources();
  for (int context : {1000, 2010, 2020, 2025, 2030, 2050, 4200, 4500, 5000}) {
    const QString page = HelpPageForContext(context);
    if (context != 1000) {
      EXPECT_NE(page, "index.html") << context;
    }
    QFile f(":/help/" + page);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << page.toStdString();
    EXPECT_GT(f.size(), 200);
  }
  EXPECT_EQ(HelpPageForContext(12345), "index.html");
  for (const THelpTopic &t : HelpTopics())
    EXPECT_TRUE(QFile::exists(":/help/" + t.Page.section('#', 0, 0))) << t.Page.toStdString();
}

TEST(Help, SearchFindsPagesWithEveryWord) {
  EXPECT_TRUE(SearchHelp("yes to all").contains("questions.html"));
  EXPECT_TRUE(SearchHelp("Korv-MOX.ini AutoSave").contains("startup.html"));
  EXPECT_TRUE(SearchHelp("zzzz-no-such-word").isEmpty());
  EXPECT_TRUE(SearchHelp("   ").isEmpty());
}

TEST(Help, WindowShowsTopicsByContext) {
  THelpWindow help;
  help.ShowContext(2010);
  EXPECT_EQ(help.CurrentPage(), "document.html");
  EXPECT_TRUE(help.Browser()->toPlainText().contains("Zoom"));
  help.ShowContext(5000);
  EXPECT_EQ(help.CurrentPage(), "questions.html");
  help.ShowHelpOnHelp();
  EXPECT_EQ(help.CurrentPage(), "howtohelp.html");
  help.close();
}

TEST_F(MainWindowTest, HelpMenuOpensTheMainTopic) {
  TfrmMain &m = MakeMain();
  m.Action("mnuHelpContents")->trigger();
  EXPECT_EQ(m.HelpWindow()->CurrentPage(), "index.html");
  m.Action("tlbtnHelp")->trigger();
  EXPECT_TRUE(m.HelpWindow()->isVisible());
  m.HelpWindow()->close();
}

TEST_F(MainWindowTest, AboutBoxShowsTheProjectVersion) {
  TfrmMain &main = MakeMain();
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  QString text;
  korvtest::ModalAnswerer answers;
  answers.Then([&text](QWidget *modal) {
    if (auto *label = modal->findChild<QLabel *>("lblAbout")) text = label->text();
    korvtest::ModalAnswerer::Click(modal->findChild<QPushButton *>("btnOK"));
  });
  ASSERT_TRUE(korvtest::UseMenu(main, "mnuHelp", "mnuHelpAbout"));
  KORV_WAIT_EQ(answers.Answered(), 1);
  EXPECT_TRUE(text.contains(QStringLiteral("KorvMOX " KORV_EXPECTED_VERSION))) << text.toStdString();
}

// The program finds the settings file korvtool reads, korvtool's older
// place included (the test's config folder is private).
TEST(SettingsFile, TheProgramUsesTheFileKorvtoolReads) {
  const std::filesystem::path config = qEnvironmentVariable("XDG_CONFIG_HOME").toStdString();
  ASSERT_FALSE(config.empty());
  ASSERT_FALSE(std::filesystem::exists(QCoreApplication::applicationDirPath().toStdString() + "/Korv-MOX.ini"));
  const std::filesystem::path older = config / "KorvMOX" / "Korv-MOX.ini";
  const std::filesystem::path program = config / "Korv Group" / "KorvMOX" / "Korv-MOX.ini";
  std::filesystem::create_directories(older.parent_path());
  std::ofstream(older) << "[OPTIONS]\n";
  EXPECT_EQ(ProgramSettingsPath().toStdString(), older.string());
  std::filesystem::create_directories(program.parent_path());
  std::ofstream(program) << "[OPTIONS]\n";
  EXPECT_EQ(ProgramSettingsPath().toStdString(), program.string());
  std::filesystem::remove_all(config / "KorvMOX");
  std::filesystem::remove_all(config / "Korv Group");
}

TEST(ProgramIcon, OnceItIsTheApplicationsIconEveryWindowSharesIt) {
  // Each copy would read and draw the picture again for every window.
  QApplication::setWindowIcon(AppIcon());
  const QIcon a = AppIcon();
  const QIcon b = AppIcon();
  EXPECT_EQ(a.cacheKey(), QApplication::windowIcon().cacheKey());
  EXPECT_EQ(a.cacheKey(), b.cacheKey());
  EXPECT_FALSE(a.pixmap(40, 40).isNull());
  QApplication::setWindowIcon(QIcon());
  EXPECT_FALSE(AppIcon().isNull());
}

TEST(ToolIcons, DrawnWhenAskedTheyLookAsWithEverySizeDrawn) {
  for (const char *name : {"Open", "Delete", "MeasureMatch", "Help"}) {
    const QIcon eager = EagerToolIcon(QString::fromLatin1(name));
    for (const qreal dpr : {1.0, 2.0}) {
      for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected}) {
        // A fresh icon per size, so each size is also the first one asked for;
        // then one icon asked for every size in turn.
        QIcon reused = ToolIcon(QString::fromLatin1(name));
        for (const int size : {16, 24, 32, 48, 64, 20}) {
          const QSize s(size, size);
          const QImage want = eager.pixmap(s, dpr, mode).toImage();
          EXPECT_EQ(ToolIcon(QString::fromLatin1(name)).pixmap(s, dpr, mode).toImage(), want)
              << name << " " << size << " at " << dpr << " mode " << mode;
          EXPECT_EQ(reused.pixmap(s, dpr, mode).toImage(), want) << name << " " << size << " reused";
          EXPECT_EQ(ToolIcon(QString::fromLatin1(name)).actualSize(s, mode), eager.actualSize(s, mode));
        }
      }
    }
    EXPECT_EQ(ToolIcon(QString::fromLatin1(name)).availableSizes(), eager.availableSizes());
  }
}
