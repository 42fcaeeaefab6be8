// A worker's progress on the window's progress bar: positions within the
// reported range become percents, posted to the window's thread once per
// percent. Used by the converter commands and txt2umd/txt2jar.
#pragma once

#include <algorithm>
#include <cstdint>

#include "app/shell_view.h"
#include "app/task_runner.h"
#include "common/progress.h"

namespace folian::app {

class PostedProgress final : public ProgressSink {
 public:
  PostedProgress(TaskRunner& runner, ShellView& view) : runner_(runner), view_(view) {}
  void SetRange(std::int64_t lo, std::int64_t hi) override {
    lo_ = lo;
    hi_ = hi;
  }
  void SetPosition(std::int64_t pos) override {
    if (hi_ <= lo_) return;
    const int percent = static_cast<int>((std::clamp(pos, lo_, hi_) - lo_) * 100 / (hi_ - lo_));
    if (percent == last_) return;
    last_ = percent;
    runner_.Post([view = &view_, percent] { view->SetProgress(percent); });
  }

 private:
  TaskRunner& runner_;
  ShellView& view_;
  std::int64_t lo_ = 0, hi_ = 0;
  int last_ = -1;
};

}  // namespace folian::app
