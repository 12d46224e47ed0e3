#pragma once
// The main window against a simulated instrument: the simulator served on
// a pseudo-terminal from its own thread, and a fixture that starts the main
// window on a settings file naming that port, with message boxes and
// questions answered by hooks.
#include <QAbstractButton>
#include <QApplication>
#include <QStringList>
#include <QTest>
#include <atomic>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "core/TestHelpers.h"
#include "sim/PtyHost.h"
#include "ui/common/DocMessages.h"
#include "ui/main/Main.h"

namespace korvtest {

// A simulator served on a pseudo-terminal from its own thread; the
// simulator outlives it.
class TServedPty {
public:
  TServedPty(korv::TSimulator &sim, korv::TPtyHostOptions options) : m_host(sim, options) {
    m_port = m_host.Open();
    m_thread = std::thread([this] { m_host.Serve(m_stop); });
  }
  ~TServedPty() {
    m_stop = true;
    m_thread.join();
  }
  TServedPty(const TServedPty &) = delete;
  TServedPty &operator=(const TServedPty &) = delete;
  const std::string &Port() const { return m_port; }

private:
  korv::TPtyHost m_host;
  std::string m_port;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

template <class Simulator> class TServedSimulator {
public:
  TServedSimulator(const std::string &model, const std::string &firmware, bool pace, korv::TSimFault fault)
      : m_sim(model, firmware, {}), m_served(m_sim, korv::TPtyHostOptions{pace, 9600, fault}) {}
  const std::string &Port() const { return m_served.Port(); }
  // The analyzer's stored locations; read while no transfer runs.
  auto Locations() const { return m_sim.Locations(); }
  // The simulator itself, to change it between transfers.
  Simulator &Sim() { return m_sim; }

private:
  Simulator m_sim;
  TServedPty m_served;
};

template <class Simulator> class MainWithSimulator : public ::testing::Test {
protected:
  // Serves the simulator, writes the settings file ([OPTIONS] with
  // `portKey` set to its port, the upload folder and `moreOptions`) and
  // shows the main window on it.
  void StartMain(const std::string &model, const std::string &firmware, const std::string &portKey, bool pace,
                 korv::TSimFault fault, const std::string &moreOptions = {}) {
    m_sim = std::make_unique<TServedSimulator<Simulator>>(model, firmware, pace, fault);
    const std::string ini = m_dir.File("Korv-MOX.ini");
    std::ofstream(ini) << "[OPTIONS]\r\n"
                       << portKey << "=" << m_sim->Port() << "\r\nUploadRoot=" << m_dir.File("rx") << "/\r\n"
                       << moreOptions;
    korv::SetDocMessageHook([this](korv::TMsgKind, const QString &text, QMessageBox::StandardButtons) {
      m_messages << text;
      return QMessageBox::Ok;
    });
    m_main = std::make_unique<korv::TfrmMain>(
        korv::TSettingsContext{m_dir.Path().string() + "/", m_dir.Path().string() + "/", ""},
        QString::fromStdString(ini));
    m_main->SetAskHook([](const QString &, QMessageBox::StandardButtons) { return QMessageBox::No; });
    m_main->resize(1200, 800);
    m_main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_main.get()));
  }
  void TearDown() override {
    if (m_main) {
      m_main->close();
      m_main.reset();
    }
    korv::SetDocMessageHook({});
    m_sim.reset();
    QApplication::processEvents();
  }

  static void Click(QWidget *parent, const char *name) {
    auto *w = parent->findChild<QAbstractButton *>(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr) << name;
    QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(4, w->height() / 2));
  }
  // With KORV_SCREENSHOT_DIR set, the dialog as it is now goes there (docs/images).
  static void Screenshot(QWidget *dlg, const char *name) {
    const QByteArray dir = qgetenv("KORV_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
      EXPECT_TRUE(dlg->grab().save(QString::fromUtf8(dir) + "/" + QLatin1String(name)));
    }
  }

  TempDir m_dir;
  std::unique_ptr<TServedSimulator<Simulator>> m_sim;
  std::unique_ptr<korv::TfrmMain> m_main;
  QStringList m_messages;
};

} // namespace korvtest
