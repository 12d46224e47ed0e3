// The worker runner: progress, posts and the end come back on the owner's
// thread in order, the job's exception reaches the owner, the link is closed
// on every path, one job runs at a time, and the owner never waits for the
// worker (destroyed or closed while a job runs).
#include "ui/QtTestEnv.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "core/Excption.h"
#include "instrument/FakeSerialLink.h"
#include "ui/common/WorkerRunner.h"

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

void WaitFor(const std::atomic<bool> &flag) {
  while (!flag)
    std::this_thread::yield();
}

} // namespace

TEST(WorkerRunner, ProgressErrorsAndOneJobAtATime) {
  std::atomic<int> openAtEnd{-1};
  TWorkerRunner runner;
  QSignalSpy progress(&runner, &TWorkerRunner::progress);
  QSignalSpy finished(&runner, &TWorkerRunner::finished);
  const auto mainThread = std::this_thread::get_id();
  std::atomic<bool> release{false};
  std::exception_ptr seen;
  int doneCalls = 0;
  TWorkerRunner::TJob job;
  job.Link = [&openAtEnd]() -> std::unique_ptr<SerialLink> { return std::make_unique<TWatchedLink>(openAtEnd); };
  job.Work = [&](const TJobContext &ctx) {
    EXPECT_NE(std::this_thread::get_id(), mainThread);
    ctx.Comm().Open();
    ctx.Progress(1, 2);
    WaitFor(release);
    throw EmoxIOTimeOutErr("gone quiet");
  };
  job.Done = [&](std::exception_ptr error) {
    EXPECT_EQ(std::this_thread::get_id(), mainThread);
    EXPECT_EQ(progress.count(), 1); // progress arrived before the end
    seen = std::move(error);
    ++doneCalls;
  };
  ASSERT_TRUE(runner.Start(job));
  EXPECT_TRUE(runner.Busy());
  bool secondRan = false;
  EXPECT_FALSE(runner.Start({[&secondRan](const TJobContext &) { secondRan = true; }, {}, {}}));
  release = true;
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 5000));
  EXPECT_FALSE(runner.Busy());
  EXPECT_FALSE(secondRan);
  EXPECT_EQ(doneCalls, 1);
  EXPECT_THROW(std::rethrow_exception(seen), EmoxIOTimeOutErr); // the type reaches the owner, not just the text
  EXPECT_EQ(finished.at(0).at(0).toString(), "gone quiet");
  ASSERT_EQ(progress.count(), 1);
  EXPECT_EQ(progress.at(0).at(0).toInt(), 1);
  EXPECT_EQ(openAtEnd, 0); // closed although the job failed with the port open

  // The cancel flag reaches the exchanges; a clean end reports no error.
  job.Done = [&](std::exception_ptr error) { seen = std::move(error); };
  job.Work = [](const TJobContext &ctx) {
    while (!ctx.Comm().CancelRequested())
      std::this_thread::yield();
  };
  ASSERT_TRUE(runner.Start(job));
  runner.Cancel();
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, 5000));
  EXPECT_TRUE(finished.at(1).at(0).toString().isEmpty());
  EXPECT_FALSE(seen);

  // Anything thrown is an error with a text, never silence.
  ASSERT_TRUE(runner.Start({[](const TJobContext &) { throw 42; }, {}, {}}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 3; }, 5000));
  EXPECT_FALSE(finished.at(2).at(0).toString().isEmpty());
}

TEST(WorkerRunner, ALinkThatCannotBeMadeIsAnError) {
  TWorkerRunner runner;
  QSignalSpy finished(&runner, &TWorkerRunner::finished);
  bool ran = false;
  TWorkerRunner::TJob job;
  job.Link = []() -> std::unique_ptr<SerialLink> { throw EmoxIODeviceErr("No such port."); };
  job.Work = [&ran](const TJobContext &) { ran = true; };
  ASSERT_TRUE(runner.Start(job));
  EXPECT_EQ(finished.count(), 0); // ended from the event loop, like every job
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, 5000));
  EXPECT_EQ(finished.at(0).at(0).toString(), "No such port.");
  EXPECT_FALSE(ran);
  // A job without a link has no exchanges to use.
  ASSERT_TRUE(runner.Start({[](const TJobContext &ctx) { ctx.Comm(); }, {}, {}}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 2; }, 5000));
  EXPECT_FALSE(finished.at(1).at(0).toString().isEmpty());
}

// Posts run on the owner's thread in the order made, all before the end.
TEST(WorkerRunner, PostsAndQuestionsComeBeforeTheEnd) {
  TWorkerRunner runner;
  std::vector<int> order;
  std::atomic<int> answer{0};
  bool ended = false;
  TWorkerRunner::TJob job;
  job.Work = [&](const TJobContext &ctx) {
    for (int i = 1; i <= 50; ++i)
      ctx.Post([&order, i] { order.push_back(i); });
    // A question answered on the owner's thread, the job waiting for it.
    int got = 0;
    ctx.Call([&got, &order] { got = static_cast<int>(order.size()); });
    answer = got;
  };
  job.Done = [&](const std::exception_ptr &error) {
    EXPECT_FALSE(error);
    ended = true;
    EXPECT_EQ(order.size(), 50U);
  };
  ASSERT_TRUE(runner.Start(job));
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 5000));
  EXPECT_EQ(answer, 50); // the call ran after the posts before it
  for (std::size_t i = 0; i < order.size(); ++i)
    EXPECT_EQ(order[i], static_cast<int>(i) + 1);
}

// The owner's close while a job runs: the job is asked to stop, the close
// returns at once, and the owner finishes after the job's end was delivered.
TEST(WorkerRunner, CloseWhileRunningFinishesAfterTheEnd) {
  TWorkerRunner runner;
  std::vector<std::string> steps;
  EXPECT_TRUE(runner.FinishWhenIdle([&] { steps.emplace_back("finish"); }));
  EXPECT_EQ(steps, std::vector<std::string>{"finish"}); // idle: at once
  steps.clear();

  std::atomic<bool> release{false};
  std::atomic<bool> sawCancel{false};
  TWorkerRunner::TJob job;
  job.Work = [&](const TJobContext &ctx) {
    WaitFor(release);
    sawCancel = ctx.CancelRequested();
  };
  job.Done = [&](const std::exception_ptr &) { steps.emplace_back("done"); };
  ASSERT_TRUE(runner.Start(job));
  EXPECT_FALSE(runner.FinishWhenIdle([&] { steps.emplace_back("finish"); }));
  EXPECT_TRUE(runner.Finishing());
  EXPECT_TRUE(runner.CancelRequested());
  EXPECT_TRUE(steps.empty()); // the job is still on its way
  QCoreApplication::processEvents();
  EXPECT_TRUE(steps.empty());
  release = true;
  ASSERT_TRUE(QTest::qWaitFor([&] { return steps.size() == 2; }, 5000));
  EXPECT_EQ(steps, (std::vector<std::string>{"done", "finish"}));
  EXPECT_TRUE(sawCancel);
  EXPECT_FALSE(runner.Finishing());
}

// Destroying the runner never waits for the worker: the job is asked to
// stop and ends alone; nothing it posts afterwards runs, and a question it
// asks is answered with a cancel instead of hanging the worker.
TEST(WorkerRunner, DestroyedWhileRunningDoesNotWait) {
  std::atomic<bool> release{false};
  std::atomic<bool> ended{false};
  std::atomic<bool> sawCancel{false};
  std::atomic<bool> callCancelled{false};
  bool posted = false;
  bool done = false;
  auto runner = std::make_unique<TWorkerRunner>();
  TWorkerRunner::TJob job;
  job.Work = [&](const TJobContext &ctx) {
    WaitFor(release);
    sawCancel = ctx.CancelRequested();
    ctx.Post([&posted] { posted = true; });
    try {
      ctx.Call([] {});
    } catch (const EmoxIOCancelled &) {
      callCancelled = true;
    }
    ended = true;
  };
  job.Done = [&done](const std::exception_ptr &) { done = true; };
  ASSERT_TRUE(runner->Start(job));
  runner.reset(); // returns although the job is blocked
  EXPECT_FALSE(ended);
  release = true;
  ASSERT_TRUE(QTest::qWaitFor([&] { return ended.load(); }, 5000));
  EXPECT_TRUE(sawCancel);
  EXPECT_TRUE(callCancelled);
  QCoreApplication::processEvents();
  EXPECT_FALSE(posted);
  EXPECT_FALSE(done);
}
