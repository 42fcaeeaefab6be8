// The merge and split dialogs answered by the test: a merge choice, and a
// script that drives the split dialog's session.
#pragma once

#include <deque>
#include <functional>
#include <optional>

#include "app/merge_split_view.h"
#include "app/split_session.h"
#include "app/task_runner.h"

namespace folian::app {

struct FakeMergeSplitDialogs : MergeSplitView {
  std::optional<MergeChoice> merge_choice;
  int merge_asked = 0;
  std::function<bool(SplitSession&)> split_script;
  int split_opened = 0;

  std::optional<MergeChoice> AskMergeOptions() override {
    ++merge_asked;
    return merge_choice;
  }
  bool RunSplitDialog(SplitSession& session) override {
    ++split_opened;
    return split_script ? split_script(session) : false;
  }
};

// Keeps work until the test runs it, as a worker that has not finished yet.
struct HeldRunner : TaskRunner {
  std::deque<BackgroundWork> held;
  void Run(BackgroundWork work) override { held.push_back(std::move(work)); }
  void Post(Continuation c) override { c(); }
  void PostAndWait(Continuation c) override { c(); }
  void RunAll() {
    while (!held.empty()) {
      BackgroundWork work = std::move(held.front());
      held.pop_front();
      if (Continuation done = work()) done();
    }
  }
};

}  // namespace folian::app
