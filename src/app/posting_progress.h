// A worker's progress sink: status texts and bar positions are posted to
// the window's thread, which alone touches the view.
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

}  // namespace folian::app
