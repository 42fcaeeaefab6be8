// Workers' progress sinks: everything is posted to the window's thread,
// which alone touches the view.
#pragma once

#include <cstdint>
#include <string_view>

#include "app/shell_view.h"
#include "app/task_runner.h"
#include "charset/codepage.h"
#include "common/progress.h"

namespace folian::app {

class PostingProgress final : public ProgressSink {
 public:
  PostingProgress(TaskRunner& runner, ShellView& view) : runner_(runner), view_(view) {}
  void SetStatus(std::string_view gbk) override {
    runner_.Post([&view = view_, text = charset::GbkToUtf8(gbk)] {
      view.SetStatus(kStatusMessage, text);
    });
  }
  void SetPosition(std::int64_t pos) override {
    runner_.Post([&view = view_, pos] { view.SetProgress(static_cast<int>(pos)); });
  }

 private:
  TaskRunner& runner_;
  ShellView& view_;
};

// Scales the worker's range to the bar's 0..100 and posts only changes.
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
