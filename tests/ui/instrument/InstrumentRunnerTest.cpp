// The worker-thread runner: progress and the end come back on the window's
// thread, errors as their text, the link is closed on every path, and one
// job runs at a time.
#include <QSignalSpy>
#include <QTest>
#include <thread>

#include <gtest/gtest.h>

#include "core/Excption.h"
#include "instrument/FakeSerialLink.h"
#include "ui/instrument/InstrumentRunner.h"

using namespace korv;

namespace {

// A link whose last state the test can look at after the job freed it.
struct TWatchedLink : FakeSerialLink {
  explicit TWatchedLink(std::atomic<int> &openAtEnd) : m_openAtEnd(openAtEnd) {}
  ~TWatchedLink() override { m_openAtEnd = IsOpen() ? 1 : 0; }
  TWatchedLink(const TWatchedLink &) = delete;
  TWatchedLink &operator=(const TWatchedLink &) = delete;
  std::atomic<int> &m_openAtEnd;
};

} // namespace

TEST(InstrumentRunner, ProgressErrorsAndOneJobAtATime) {
  std::atomic<int> openAtEnd{-1};
  TInstrumentRunner runner([&openAtEnd]() -> std::unique_ptr<SerialLink> {
    return std::make_unique<TWatchedLink>(openAtEnd);
  });
  QSignalSpy progress(&runner, &TInstrumentRunner::progress);
  QSignalSpy finished(&runner, &TInstrumentRunner::finished);
  const auto mainThread = std::this_thread::get_id();
  std::atomic<bool> release{false};
  ASSERT_TRUE(runner.Start([&](TSAComm &comm, const TInstrumentRunner::TProgress &report) {
    EXPECT_NE(std::this_thread::get_id(), mainThread);
    comm.Open();
    report(1, 2);
    while (!release)
      std::this_thread::yield();
    throw EmoxIOTimeOutErr("gone quiet");
  }));
  EXPECT_TRUE(runner.Busy());
  EXPECT_FALSE(runner.Start([](TSAComm &, const TInstrumentRunner::TProgress &) {}));
  release = true;
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 5000));
  EXPECT_FALSE(runner.Busy());
  EXPECT_EQ(finished.at(0).at(0).toString(), "gone quiet");
  ASSERT_EQ(progress.count(), 1);
  EXPECT_EQ(progress.at(0).at(0).toInt(), 1);
  EXPECT_EQ(openAtEnd, 0); // closed although the job failed with the port open

  // The cancel flag reaches the exchanges; a clean end reports no error.
  ASSERT_TRUE(runner.Start([&](TSAComm &comm, const TInstrumentRunner::TProgress &) {
    while (!comm.CancelRequested())
      std::this_thread::yield();
  }));
  runner.Cancel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, 5000));
  EXPECT_TRUE(finished.at(1).at(0).toString().isEmpty());
}

TEST(InstrumentRunner, ALinkThatCannotBeMadeIsAnError) {
  TInstrumentRunner runner([]() -> std::unique_ptr<SerialLink> { throw EmoxIODeviceErr("No such port."); });
  QSignalSpy finished(&runner, &TInstrumentRunner::finished);
  bool ran = false;
  ASSERT_TRUE(runner.Start([&ran](TSAComm &, const TInstrumentRunner::TProgress &) { ran = true; }));
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 5000));
  EXPECT_EQ(finished.at(0).at(0).toString(), "No such port.");
  EXPECT_FALSE(ran);
}
