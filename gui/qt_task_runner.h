// Runs the shell's long work on a thread pool; continuations and posted
// calls run on the thread of `context` (the window's) through queued calls,
// so workers never touch a widget.
#pragma once

#include <QObject>
#include <QThreadPool>
#include <atomic>

#include "app/task_runner.h"

class QtTaskRunner final : public folian::app::TaskRunner {
 public:
  explicit QtTaskRunner(QObject* context);
  ~QtTaskRunner() override;

  void Run(folian::app::BackgroundWork work) override;
  void Post(folian::app::Continuation c) override;
  void PostAndWait(folian::app::Continuation c) override;

  // Stops delivering to the window and waits for the workers to finish.
  void Shutdown();
  bool Idle();

 private:
  QObject* context_;
  QThreadPool pool_;
  std::atomic<bool> stopping_{false};
};
