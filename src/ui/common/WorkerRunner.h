#pragma once
// Runs one blocking job at a time on a worker thread, so a window keeps
// painting while an instrument or a device folder answers. The job reports
// progress and posts calls to the owner's thread, reads a cancel flag and may
// ask the owner a question; its end, with its exception, comes back on the
// owner's thread after everything it posted. A job may name a link factory:
// the link is made when the job starts, its exchanges get the cancel flag,
// and it is closed and freed on the worker on every path.
//
// The owner never waits for the worker: destroying the runner while a job
// runs asks the job to stop and lets it end alone (what it still posts is
// dropped), and an owner asked to close while busy calls FinishWhenIdle.
#include <QObject>
#include <QString>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>

#include "instrument/SAComm.h"
#include "instrument/SerialLink.h"

class QThread;

namespace korv {

// Makes the link to the instrument (throws EmoxIODeviceErr when the
// settings name no usable device).
using TLinkFactory = std::function<std::unique_ptr<SerialLink>()>;

struct TRunnerShared;

// What a running job may use; valid on the worker for the job's length.
class TJobContext {
public:
  const std::atomic<bool> &CancelFlag() const;
  bool CancelRequested() const { return CancelFlag().load(); }
  // Runs fn on the owner's thread, later and in order with the job's other
  // posts and its end; dropped when the runner is gone by then.
  void Post(std::function<void()> fn) const;
  // Emits the runner's progress signal on the owner's thread.
  void Progress(int done, int total) const;
  // Runs fn on the owner's thread and waits until it has run (a question
  // to the user in the middle of a job). Throws EmoxIOCancelled when the
  // runner went away before fn could run.
  void Call(const std::function<void()> &fn) const;
  // The exchanges over the job's link; throws std::logic_error for a job
  // started without a link factory.
  TSAComm &Comm() const;

private:
  friend class TWorkerRunner;
  TJobContext(std::shared_ptr<TRunnerShared> shared, TSAComm *comm) : m_shared(std::move(shared)), m_comm(comm) {}
  std::shared_ptr<TRunnerShared> m_shared;
  TSAComm *m_comm;
};

class TWorkerRunner : public QObject {
  Q_OBJECT
public:
  struct TJob {
    std::function<void(const TJobContext &)> Work;
    // Optional: the job's link, made on the owner's thread when it starts.
    TLinkFactory Link;
    // Optional: the job's end on the owner's thread; null when it ended
    // without an exception.
    std::function<void(std::exception_ptr)> Done;
  };

  explicit TWorkerRunner(QObject *parent = nullptr);
  // Never waits: a running job is asked to stop and ends on its own.
  ~TWorkerRunner() override;
  TWorkerRunner(const TWorkerRunner &) = delete;
  TWorkerRunner &operator=(const TWorkerRunner &) = delete;
  TWorkerRunner(TWorkerRunner &&) = delete;
  TWorkerRunner &operator=(TWorkerRunner &&) = delete;

  // False (and nothing started) while another job runs. The cancel flag
  // starts cleared. A link that cannot be made ends the job with that
  // error, without running it.
  bool Start(TJob job);
  bool Busy() const { return m_shared != nullptr; }
  void Cancel();
  bool CancelRequested() const;
  // For an owner asked to close: idle, runs finish at once and returns
  // true; busy, asks the job to stop, runs finish after the job's end has
  // been delivered and returns false. A later call replaces the pending one.
  bool FinishWhenIdle(std::function<void()> finish);
  bool Finishing() const { return static_cast<bool>(m_finish); }

  // The text shown for a job's exception (empty for none).
  static QString ErrorText(const std::exception_ptr &error);

signals:
  void progress(int done, int total);
  // After the job's Done; error is ErrorText of its exception.
  void finished(const QString &error);

private:
  void Ended(const TRunnerShared *job);

  std::shared_ptr<TRunnerShared> m_shared; // the running job's, else null
  QThread *m_thread = nullptr;
  std::function<void(std::exception_ptr)> m_done;
  std::function<void()> m_finish;
};

} // namespace korv
