#include "ui/main/Startup.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <locale>

#include "core/Version.h"
#include "ui/main/Cursors.h"
#include "ui/main/Main.h"
#include "ui/main/MultInst.h"
#include "ui/main/Splash.h"

namespace korv {

void SetFixedFormats() {
  // QApplication takes the user's locale for the C library; documents and
  // instrument texts need "." whatever it is.
  std::setlocale(LC_NUMERIC, "C");
  std::setlocale(LC_TIME, "C");
  std::locale::global(std::locale::classic());
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::OmitGroupSeparator);
  QLocale::setDefault(c);
}

TSettingsContext ProgramSettingsContext() {
  TSettingsContext context;
  context.ProgramDir = QDir(QCoreApplication::applicationDirPath()).absolutePath().toStdString() + "/";
  QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (docs.isEmpty()) docs = QDir::homePath();
  context.DocumentsDir = QDir(docs).absolutePath().toStdString() + "/";
  // An installed program's folder (/usr/bin) is not the user's to fill, even
  // when root may write there.
  const QFileInfo programDir(QCoreApplication::applicationDirPath());
  context.UploadDir =
      programDir.isWritable() && !IsInstalledCopy(context.ProgramDir) ? context.ProgramDir : context.DocumentsDir;
  return context;
}

QString ProgramSettingsPath() {
  // The order korvtool follows too, so both use one file.
  return QString::fromStdString(
      SettingsFilePath(TSettingsLocations::FromEnvironment(QCoreApplication::applicationDirPath().toStdString())));
}

QStringList AbsoluteArguments(const QStringList &args) {
  QStringList out;
  for (int i = 0; i < args.size(); ++i) {
    const QString &a = args.at(i);
    if (i == 0 && a == QLatin1String("/p"))
      out << a;
    else
      out << (a.isEmpty() ? a : QFileInfo(a).absoluteFilePath());
  }
  return out;
}

int RunKorvMox(int argc, char **argv) {
  // Answered before any window system is needed, so they work without a display.
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("korvmox %s\n", kVersion);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf("usage: korvmox [FILE...]   open the documents (none: those open at the last exit)\n"
                "       korvmox /p FILE...  print the documents and end\n"
                "       korvmox --version\n");
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  QElapsedTimer clock;
  clock.start();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("KorvMOX"));
  QApplication::setOrganizationName(QStringLiteral("Korv Group"));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
  QGuiApplication::setDesktopFileName(QStringLiteral("com.korvgroup.KorvMOX"));
  QApplication::setWindowIcon(AppIcon());
  SetFixedFormats();

  const QStringList args = AbsoluteArguments(QApplication::arguments().mid(1));

  // A copy already running takes the command line and comes to the front.
  TSingleInstance instance;
  if (instance.HandOver(args)) return 0;
  instance.Listen();

  TfrmMain main(ProgramSettingsContext(), ProgramSettingsPath());
  TfrmSplash splash;
  splash.ShowNow();

  const bool print = !args.isEmpty() && args.first() == QLatin1String("/p");
  instance.SetHandler([&main](const QStringList &handed) { main.HandleCommandLine(handed); });
  QObject::connect(&instance, &TSingleInstance::activationRequested, &main, &TfrmMain::BringToFront);

  if (print) {
    main.SetPrintRun(true);
    main.PrintFiles(args.mid(1));
  } else {
    if (main.Settings().MainWindow.WindowState == wsMaximized)
      main.showMaximized();
    else
      main.show();
    if (args.isEmpty())
      main.Autoload();
    else
      main.OpenFiles(args);
  }
  splash.hide();
  if (print) {
    main.close();
    return 0;
  }

  // Start-up time probe for scripts/startup_time.sh: report once the main
  // window has painted, then end.
  if (qEnvironmentVariableIsSet("KORVMOX_STARTUP_PROBE")) {
    QTimer::singleShot(0, &main, [&] {
      main.repaint();
      std::printf("startup_ms %.1f documents %d\n", static_cast<double>(clock.nsecsElapsed()) / 1e6,
                  main.DocumentCount());
      std::fflush(stdout);
      QApplication::exit(0);
    });
  }
  return QApplication::exec();
}

} // namespace korv
