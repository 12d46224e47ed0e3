#include "ui/common/WorkerRunner.h"

#include <QPointer>
#include <QThread>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "core/Excption.h"

namespace korv {

// What the owner and a job's thread share. The job holds it to its end, so
// the cancel flag stays valid after the runner has gone; calls reach the
// runner only while it is still there.
struct TRunnerShared {
  std::atomic<bool> Cancel{false};
  std::exception_ptr Error; // written by the worker before it ends
  std::mutex Mutex;
  TWorkerRunner *Owner = nullptr; // guarded by Mutex

  // Queues fn to the runner; false (fn dropped here) when it has gone.
  bool Post(std::function<void(TWorkerRunner &)> fn) {
    const std::lock_guard<std::mutex> lock(Mutex);
    if (Owner == nullptr) return false;
    TWorkerRunner *owner = Owner;
    QMetaObject::invokeMethod(
        owner, [owner, fn = std::move(fn)] { fn(*owner); }, Qt::QueuedConnection);
    return true;
  }
  void Detach() {
    const std::lock_guard<std::mutex> lock(Mutex);
    Owner = nullptr;
  }
};

const std::atomic<bool> &TJobContext::CancelFlag() const { return m_shared->Cancel; }

void TJobContext::Post(std::function<void()> fn) const {
  m_shared->Post([fn = std::move(fn)](TWorkerRunner &) { fn(); });
}

void TJobContext::Progress(int done, int total) const {
  m_shared->Post([done, total](TWorkerRunner &runner) { emit runner.progress(done, total); });
}

void TJobContext::Call(const std::function<void()> &fn) const {
  struct TSlot {
    std::mutex Mutex;
    std::condition_variable Over;
    bool Ran = false;
    bool Gone = false;
  };
  // Signals the waiting worker when the queued call is destroyed: after it
  // ran, or unrun with the runner.
  struct TSignal {
    explicit TSignal(std::shared_ptr<TSlot> slot) : Slot(std::move(slot)) {}
    ~TSignal() {
      const std::lock_guard<std::mutex> lock(Slot->Mutex);
      Slot->Gone = true;
      Slot->Over.notify_all();
    }
    TSignal(const TSignal &) = delete;
    TSignal &operator=(const TSignal &) = delete;
    TSignal(TSignal &&) = delete;
    TSignal &operator=(TSignal &&) = delete;
    std::shared_ptr<TSlot> Slot;
  };
  auto slot = std::make_shared<TSlot>();
  {
    auto signal = std::make_shared<TSignal>(slot);
    m_shared->Post([signal = std::move(signal), &fn](TWorkerRunner &) {
      fn();
      const std::lock_guard<std::mutex> lock(signal->Slot->Mutex);
      signal->Slot->Ran = true;
    });
  }
  std::unique_lock<std::mutex> lock(slot->Mutex);
  slot->Over.wait(lock, [&] { return slot->Gone; });
  if (!slot->Ran) throw EmoxIOCancelled(kMsgCancelled);
}

TSAComm &TJobContext::Comm() const {
  if (m_comm == nullptr) throw std::logic_error("The job has no instrument link.");
  return *m_comm;
}

TWorkerRunner::TWorkerRunner(QObject *parent) : QObject(parent) {}

TWorkerRunner::~TWorkerRunner() {
  if (m_shared) {
    m_shared->Cancel = true;
    m_shared->Detach();
  }
  if (m_thread != nullptr) {
    // The job ends alone; its thread object goes once it has.
    disconnect(m_thread, nullptr, this, nullptr);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    if (m_thread->isFinished()) delete m_thread;
  }
}

QString TWorkerRunner::ErrorText(const std::exception_ptr &error) {
  if (!error) return {};
  try {
    std::rethrow_exception(error);
  } catch (const std::exception &e) {
    return QString::fromStdString(e.what());
  } catch (...) {
    return tr("The operation failed.");
  }
}

bool TWorkerRunner::Start(TJob job) {
  if (Busy()) return false;
  auto shared = std::make_shared<TRunnerShared>();
  shared->Owner = this;
  m_shared = shared;
  m_done = std::move(job.Done);
  std::shared_ptr<SerialLink> link;
  if (job.Link) {
    try {
      link = job.Link();
      if (!link) throw EmoxIODeviceErr("No serial device is named.");
    } catch (...) {
      // Ended like any job: later, from the event loop.
      shared->Error = std::current_exception();
      QMetaObject::invokeMethod(
          this, [this, s = shared.get()] { Ended(s); }, Qt::QueuedConnection);
      return true;
    }
  }
  auto work = [shared, link = std::move(link), body = std::move(job.Work)]() mutable {
    try {
      if (link) {
        TSAComm comm(*link);
        comm.SetCancelFlag(&shared->Cancel);
        body(TJobContext(shared, &comm));
      } else {
        body(TJobContext(shared, nullptr));
      }
    } catch (...) {
      shared->Error = std::current_exception();
    }
    if (link) {
      // Made for this job: closed and freed here, on every path.
      try {
        link->Close();
      } catch (...) { // NOLINT(bugprone-empty-catch): the job's own outcome is what counts
      }
      link.reset();
    }
  };
  m_thread = QThread::create(std::move(work));
  m_thread->setObjectName(QStringLiteral("worker"));
  // Queued: delivered after everything the job posted to this object.
  connect(
      m_thread, &QThread::finished, this, [this, s = shared.get()] { Ended(s); }, Qt::QueuedConnection);
  m_thread->start();
  return true;
}

void TWorkerRunner::Cancel() {
  if (m_shared) m_shared->Cancel = true;
}

bool TWorkerRunner::CancelRequested() const { return m_shared && m_shared->Cancel.load(); }

bool TWorkerRunner::FinishWhenIdle(std::function<void()> finish) {
  if (!Busy()) {
    m_finish = nullptr;
    if (finish) finish();
    return true;
  }
  Cancel();
  m_finish = std::move(finish);
  return false;
}

void TWorkerRunner::Ended(const TRunnerShared *job) {
  if (!m_shared || m_shared.get() != job) return;
  if (m_thread != nullptr) {
    // finished has been emitted: the thread is at its very end.
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
  }
  const std::exception_ptr error = m_shared->Error;
  m_shared->Detach();
  m_shared.reset();
  const auto done = std::move(m_done);
  m_done = nullptr;
  // What the end does may close the owner, and the runner with it.
  const QPointer<TWorkerRunner> alive(this);
  if (done) done(error);
  if (!alive) return;
  emit finished(ErrorText(error));
  if (!alive) return;
  if (m_finish && !Busy()) {
    const auto finish = std::move(m_finish);
    m_finish = nullptr;
    finish();
  }
}

} // namespace korv
