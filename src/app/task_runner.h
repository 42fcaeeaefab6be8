// Runs long work off the window's thread. The work returns a continuation
// that the runner then calls on the window's thread, so only the window's
// thread ever touches the shell or the view. Batch runs use the same seam.
#pragma once

#include <functional>

namespace folian::app {

using Continuation = std::function<void()>;
using BackgroundWork = std::function<Continuation()>;

class TaskRunner {
 public:
  virtual ~TaskRunner() = default;
  virtual void Run(BackgroundWork work) = 0;
  // From a worker: run `c` on the window's thread; Post returns at once,
  // PostAndWait returns after `c` ran (for a worker that needs an answer).
  virtual void Post(Continuation c) = 0;
  virtual void PostAndWait(Continuation c) = 0;
};

// Runs the work and its continuation at once, on the calling thread.
class InlineTaskRunner final : public TaskRunner {
 public:
  void Run(BackgroundWork work) override {
    if (Continuation done = work()) done();
  }
  void Post(Continuation c) override { c(); }
  void PostAndWait(Continuation c) override { c(); }
};

}  // namespace folian::app
