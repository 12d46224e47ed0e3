#include "ui/main/Startup.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QImageReader>
#include <QLocale>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <locale>
#include <memory>
#include <thread>

#include "core/Version.h"
#include "ui/common/DisplayServer.h"
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

namespace {
// Process CPU time in ms: on a busy machine the wall time of a start says
// more about the other processes than about ours.
double CpuMs() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Event-loop probe for scripts/event_loop_block.sh: a 5 ms timer ticks from
// the moment the application exists, and the time between two ticks beyond
// the interval is time the loop could not turn. The first gap holds all
// that runs before the loop (the main window, opening the documents); the
// longest later one is the longest block of the running program. After the
// given time it prints both and ends the program.
class TLoopProbe {
public:
  explicit TLoopProbe(int milliseconds) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kTickMs);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
    m_clock.start();
    m_last = 0;
    m_timer.start();
    QTimer::singleShot(milliseconds, [this] {
      std::printf("first_turn_ms %.1f longest_block_ms %.1f blocks_over_100ms %d\n", m_first, m_longest, m_over);
      std::fflush(stdout);
      QApplication::exit(0);
    });
  }

private:
  static constexpr int kTickMs = 5;
  void Tick() {
    const qint64 now = m_clock.nsecsElapsed();
    const double gap = static_cast<double>(now - m_last) / 1e6;
    m_last = now;
    if (m_first < 0) {
      m_first = gap;
      return;
    }
    const double block = std::max(0.0, gap - kTickMs);
    m_longest = std::max(m_longest, block);
    if (block > 100.0) ++m_over;
  }
  QTimer m_timer;
  QElapsedTimer m_clock;
  qint64 m_last = 0;
  double m_first = -1.0;
  double m_longest = 0.0;
  int m_over = 0;
};

QElapsedTimer g_startClock;
bool g_startSteps = false;

// KORVMOX_STARTUP_STEPS=1: the time since main() began and the step just
// done, on standard error, for scripts/startup_time.sh.
void StartupStep(const char *what) {
  if (g_startSteps)
    std::fprintf(stderr, "step %-28s %7.1f ms wall %7.1f ms cpu\n", what,
                 static_cast<double>(g_startClock.nsecsElapsed()) / 1e6, CpuMs());
}

// Work every start does once, at first use, that needs no window: the font
// list read through fontconfig and the image format plugins loaded (the
// menu bar's first picture probes them all). Done on other cores while the
// main window is built, the window's first use of a font or a picture finds
// it done, or waits for it under the same lock.
void WarmUpFonts() { (void)QFontDatabase::families(); }
void WarmUpImageFormats() {
  QByteArray none("\x89PNG");
  QBuffer device(&none);
  device.open(QIODevice::ReadOnly);
  QImageReader probe(&device);
  (void)probe.canRead();
}
} // namespace

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
  QElapsedTimer &clock = g_startClock;
  clock.start();
  g_startSteps = qEnvironmentVariableIsSet("KORVMOX_STARTUP_STEPS");
  const auto step = StartupStep;
  QApplication app(argc, argv);
  step("application");
  std::unique_ptr<TLoopProbe> loopProbe;
  if (qEnvironmentVariableIsSet("KORVMOX_LOOP_PROBE"))
    loopProbe = std::make_unique<TLoopProbe>(std::max(1, qEnvironmentVariableIntValue("KORVMOX_LOOP_PROBE")) * 1000);
  QApplication::setApplicationName(QStringLiteral("KorvMOX"));
  QApplication::setOrganizationName(QStringLiteral("Korv Group"));
  QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
  QGuiApplication::setDesktopFileName(QStringLiteral("com.korvgroup.KorvMOX"));
  QApplication::setWindowIcon(AppIcon());
  SetFixedFormats();
  step("icon and formats");
  // Ends before the application object does, whichever way this returns.
  const std::jthread warmUpFonts(WarmUpFonts);
  const std::jthread warmUpImages(WarmUpImageFormats);

  const QStringList args = AbsoluteArguments(QApplication::arguments().mid(1));

  // A copy already running takes the command line and comes to the front.
  TSingleInstance instance;
  if (instance.HandOver(args)) return 0;
  instance.Listen();
  step("single instance");

  TfrmMain main(ProgramSettingsContext(), ProgramSettingsPath());
  step("main window made");
  TfrmSplash splash;
  splash.ShowNow();
  step("splash shown");

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
    step("main window shown");
    if (args.isEmpty())
      main.Autoload();
    else
      main.OpenFiles(args);
    step("documents opened");
  }
  splash.hide();
  if (print) {
    main.close();
    return 0;
  }

  // Start-up time probe for scripts/startup_time.sh: report once the main
  // window's first frame is on the screen, then end. The window paints
  // when the window system first shows it (exposes it), and the frame is on
  // the screen once the display server has taken it.
  if (qEnvironmentVariableIsSet("KORVMOX_STARTUP_PROBE")) {
    QTimer::singleShot(0, &main, [&] {
      while (main.windowHandle() != nullptr && !main.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
      step("exposed and painted");
      WaitForDisplayServer();
      step("on the screen");
      std::printf("startup_ms %.1f documents %d cpu_ms %.1f\n", static_cast<double>(clock.nsecsElapsed()) / 1e6,
                  main.DocumentCount(), CpuMs());
      std::fflush(stdout);
      QApplication::exit(0);
    });
  }
  return QApplication::exec();
}

} // namespace korv
