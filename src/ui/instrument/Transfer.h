#pragma once
// Runs a blocking instrument operation on a worker thread so the window
// keeps painting: the job reports progress through Post (run on the window's
// thread), a cancel flag is offered to it, and done() gets the job's
// exception, if any, back on the window's thread.
#include <QObject>
#include <atomic>
#include <exception>
#include <functional>

class QThread;

namespace korv {

class TTransfer : public QObject {
  Q_OBJECT
public:
  explicit TTransfer(QObject *parent = nullptr);
  // Waits for a running job: the objects it uses belong to the owner.
  ~TTransfer() override;
  TTransfer(const TTransfer &) = delete;
  TTransfer &operator=(const TTransfer &) = delete;

  bool Busy() const { return m_thread != nullptr; }
  // Starts job unless one runs (then returns false). The cancel flag is
  // cleared first.
  bool Start(std::function<void()> job, std::function<void(std::exception_ptr)> done);
  void RequestCancel() { m_cancel = true; }
  const std::atomic<bool> &CancelFlag() const { return m_cancel; }
  bool CancelRequested() const { return m_cancel.load(); }
  // Runs fn on this object's thread, later; callable from the job. Dropped
  // when this object is gone by then.
  void Post(std::function<void()> fn);

private:
  QThread *m_thread = nullptr;
  std::atomic<bool> m_cancel{false};
  std::exception_ptr m_error;
};

} // namespace korv
