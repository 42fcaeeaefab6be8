// The merge and split dialogs answered by the test: a merge choice, and a
// script that drives the split dialog's session.
#pragma once

#include <functional>
#include <optional>

#include "app/merge_split_view.h"
#include "app/split_session.h"

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

}  // namespace folian::app
