// A worker's progress delivered to the window's progress bar (0..100) on the
// window's thread, posted only when the percentage changes.
#pragma once

#include <cstdint>

#include "app/shell_view.h"
#include "app/task_runner.h"
#include "common/progress.h"

namespace folian::app {

class PercentProgress final : public ProgressSink {
 public:
  PercentProgress(TaskRunner& runner, ShellView& view) : runner_(runner), view_(view) {}

  void SetRange(std::int64_t lo, std::int64_t hi) override {
    lo_ = lo;
    hi_ = hi;
  }
  void SetPosition(std::int64_t pos) override {
    const std::int64_t span = hi_ - lo_;
    int percent = span <= 0 ? 100 : static_cast<int>((pos - lo_) * 100 / span);
    percent = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    if (percent == shown_) return;
    shown_ = percent;
    runner_.Post([&view = view_, percent] { view.SetProgress(percent); });
  }

 private:
  TaskRunner& runner_;
  ShellView& view_;
  std::int64_t lo_ = 0, hi_ = 100;
  int shown_ = -1;
};

}  // namespace folian::app
