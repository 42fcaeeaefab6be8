#include "qt_task_runner.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

QtTaskRunner::QtTaskRunner(QObject* context) : context_(context) {}

QtTaskRunner::~QtTaskRunner() { Shutdown(); }

void QtTaskRunner::Run(folian::app::BackgroundWork work) {
  pool_.start([this, work = std::move(work)] {
    folian::app::Continuation done = work();
    if (done) Post(std::move(done));
  });
}

void QtTaskRunner::Post(folian::app::Continuation c) {
  if (stopping_) return;
  QMetaObject::invokeMethod(context_, [this, c = std::move(c)] {
    if (!stopping_) c();
  }, Qt::QueuedConnection);
}

void QtTaskRunner::PostAndWait(folian::app::Continuation c) {
  if (stopping_) return;
  if (QThread::currentThread() == context_->thread()) {
    c();
    return;
  }
  QMetaObject::invokeMethod(context_, [this, &c] {
    if (!stopping_) c();
  }, Qt::BlockingQueuedConnection);
}

void QtTaskRunner::Shutdown() {
  stopping_ = true;
  // A worker may be blocked in PostAndWait: keep the queue moving (the
  // queued calls see stopping_ and return) until every worker is done.
  while (!pool_.waitForDone(20)) {
    if (QThread::currentThread() == context_->thread()) QCoreApplication::processEvents();
  }
}

bool QtTaskRunner::Idle() { return pool_.activeThreadCount() == 0; }
