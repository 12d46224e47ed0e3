#pragma once
// Runs one blocking instrument operation at a time on a worker thread, so a
// tool window keeps painting while the analyzer answers. The operation gets
// its own link (made by the factory when it starts), a cancel flag it checks
// between exchanges and a way to report progress; its end, with the error
// text when it failed, comes back on the window's thread.
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

#include "instrument/SAComm.h"
#include "instrument/SerialLink.h"

namespace korv {

// Makes the link to the instrument (throws EmoxIODeviceErr when the
// settings name no usable device).
using TLinkFactory = std::function<std::unique_ptr<SerialLink>()>;

class TInstrumentRunner : public QObject {
  Q_OBJECT
public:
  // progress(done, total) may be called from the worker thread.
  using TProgress = std::function<void(int done, int total)>;
  using TJob = std::function<void(TSAComm &comm, const TProgress &progress)>;

  explicit TInstrumentRunner(TLinkFactory factory, QObject *parent = nullptr);
  // Cancels and waits for the running job: nothing outlives the window.
  ~TInstrumentRunner() override;
  TInstrumentRunner(const TInstrumentRunner &) = delete;
  TInstrumentRunner &operator=(const TInstrumentRunner &) = delete;

  // False (and nothing started) while another job runs.
  bool Start(TJob job);
  bool Busy() const { return m_thread != nullptr; }
  void Cancel() { m_cancel.store(true); }
  bool CancelRequested() const { return m_cancel.load(); }
  // Blocks until the running job has ended (its finished signal follows
  // from the event loop).
  void Wait();

signals:
  void progress(int done, int total);
  // error is empty when the job ended normally (also when cancelled).
  void finished(const QString &error);

private:
  void Done(const QString &error);

  TLinkFactory m_factory;
  QThread *m_thread = nullptr;
  std::atomic<bool> m_cancel{false};
};

} // namespace korv
