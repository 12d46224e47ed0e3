#include "ui/instrument/InstrumentRunner.h"

#include <exception>

#include "core/Excption.h"

namespace korv {

TInstrumentRunner::TInstrumentRunner(TLinkFactory factory, QObject *parent)
    : QObject(parent), m_factory(std::move(factory)) {}

TInstrumentRunner::~TInstrumentRunner() {
  Cancel();
  Wait();
  delete m_thread;
}

bool TInstrumentRunner::Start(TJob job) {
  if (Busy()) return false;
  m_cancel.store(false);
  std::shared_ptr<SerialLink> link;
  QString early;
  try {
    if (!m_factory) throw EmoxIODeviceErr("No serial device is named.");
    link = m_factory();
    if (!link) throw EmoxIODeviceErr("No serial device is named.");
  } catch (const std::exception &e) {
    early = QString::fromStdString(e.what());
  }
  // Calls queued to this object are dropped once it is gone; it waits for
  // the thread before it goes, so the worker may use it until then.
  auto work = [this, link = std::move(link), job = std::move(job), early]() mutable {
    QString error = early;
    if (error.isEmpty() && link) {
      try {
        TSAComm comm(*link);
        comm.SetCancelFlag(&m_cancel);
        const TProgress report = [this](int done, int total) {
          QMetaObject::invokeMethod(this, [this, done, total] { emit progress(done, total); }, Qt::QueuedConnection);
        };
        job(comm, report);
      } catch (const std::exception &e) {
        error = QString::fromStdString(e.what());
      }
      // The port was made on this thread and is closed and freed here too.
      link->Close();
      link.reset();
    }
    QMetaObject::invokeMethod(this, [this, error] { Done(error); }, Qt::QueuedConnection);
  };
  m_thread = QThread::create(std::move(work));
  m_thread->setObjectName(QStringLiteral("instrument"));
  m_thread->start();
  return true;
}

void TInstrumentRunner::Wait() {
  if (m_thread != nullptr) m_thread->wait();
}

void TInstrumentRunner::Done(const QString &error) {
  if (m_thread != nullptr) {
    m_thread->wait();
    delete m_thread;
    m_thread = nullptr;
  }
  emit finished(error);
}

} // namespace korv
