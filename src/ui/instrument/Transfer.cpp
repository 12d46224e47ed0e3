#include "ui/instrument/Transfer.h"

#include <QThread>

namespace korv {

TTransfer::TTransfer(QObject *parent) : QObject(parent) {}

TTransfer::~TTransfer() {
  if (m_thread != nullptr) {
    m_cancel = true;
    m_thread->wait();
    delete m_thread;
  }
}

bool TTransfer::Start(std::function<void()> job, std::function<void(std::exception_ptr)> done) {
  if (m_thread != nullptr) return false;
  m_cancel = false;
  m_error = nullptr;
  m_thread = QThread::create([this, job = std::move(job)] {
    try {
      job();
    } catch (...) {
      m_error = std::current_exception();
    }
  });
  connect(m_thread, &QThread::finished, this, [this, done = std::move(done)] {
    QThread *t = m_thread;
    m_thread = nullptr;
    t->wait();
    t->deleteLater();
    const std::exception_ptr error = m_error;
    m_error = nullptr;
    if (done) done(error);
  });
  m_thread->start();
  return true;
}

void TTransfer::Post(std::function<void()> fn) { QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection); }

} // namespace korv
