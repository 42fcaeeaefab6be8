// Huge and hostile inputs through the window's commands: a text file over
// the text cap is refused when opened and by the batch commands, naming the
// file, and a catastrophic pattern in batch find/replace stops with its
// message and leaves the file alone. Each runs in a forked child whose peak
// memory is measured; the files are sparse, so the tests stay fast.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "app/batch_runner.h"
#include "app/messages.h"
#include "app/shell.h"
#include "app/split_command.h"
#include "app/merge_split_fakes.h"
#include "app/tool_commands.h"
#include "fakes.h"
#include "regex/regex.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "text/text_limits.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;
using folian::testing::MeasureInChild;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

constexpr long kMaxRssKb = 512L * 1024;

struct Window {
  explicit Window(const fs::path& store)
      : shell(view, runner, tidy::TidyOptions::AtStart(), store), batch(shell, view) {
    batch.SetTidyThreads(1);
  }
  int Row(std::string_view name) const {
    for (int i = 0; i < shell.file_list().size(); ++i) {
      if (shell.file_list().row(i).name == name) return i;
    }
    return -1;
  }
  FakeWindow view;
  InlineTaskRunner runner;
  Shell shell;
  BatchRunner batch;
};

class BoundsApp : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = dir_ / "novels";
    fs::create_directory(folder_);
  }
  // Runs `act` in a measured child; returns what the window was told.
  std::string Measured(const std::function<void(Window&)>& act) {
    const fs::path told = dir_ / "told.txt";
    const auto usage = MeasureInChild([&] {
      Window w(dir_ / "store.ini");
      w.shell.Start(folder_);
      act(w);
      std::string all;
      for (const Shown& m : w.view.messages) all += m.text + "\n";
      WriteBytes(told, all);
      return 0;
    });
    EXPECT_EQ(usage.code, 0);
    EXPECT_LT(usage.max_rss_kb, kMaxRssKb);
    return ReadBytes(told);
  }
  TempDir dir_;
  fs::path folder_;
};

TEST_F(BoundsApp, ATextFileOverTheCapIsRefusedByNameWhenOpenedAndInBatches) {
  const fs::path big = folder_ / "big.txt";
  WriteBytes(big, "abc");
  ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(text::kMaxTextFileBytes + 1)), 0);
  const std::string opened = Measured([](Window& w) { w.shell.ClickRow(w.Row("big.txt")); });
  EXPECT_NE(opened.find(msg::kOpenFailed), std::string::npos) << opened;
  EXPECT_NE(opened.find("big.txt"), std::string::npos) << opened;
  EXPECT_NE(opened.find("1024 MB"), std::string::npos) << opened;

  for (BatchCommand command : {BatchCommand::kTidy, BatchCommand::kToUtf8, BatchCommand::kFind,
                               BatchCommand::kReplaceAll}) {
    SCOPED_TRACE(static_cast<int>(command));
    const std::string told = Measured([command](Window& w) {
      w.view.fields[kFindField] = "abc";
      w.view.fields[kReplaceField] = "xyz";
      w.shell.SetBatchMode(true);
      w.batch.Run(command);
    });
    EXPECT_NE(told.find("big.txt"), std::string::npos) << told;
    EXPECT_NE(told.find("1024 MB"), std::string::npos) << told;
  }
  EXPECT_EQ(fs::file_size(big), text::kMaxTextFileBytes + 1);
  for (const auto& e : fs::directory_iterator(folder_)) EXPECT_EQ(e.path().filename(), "big.txt");
}

TEST_F(BoundsApp, ACatastrophicPatternStopsBatchFindReplaceAndChapterAnalysisWithItsMessage) {
  // 2 MB (100 MB with FOLIAN_LONG_BOUNDS=1) without the 'b' the pattern needs.
  std::string text(std::getenv("FOLIAN_LONG_BOUNDS") ? std::size_t{100} << 20 : std::size_t{2} << 20, 'a');
  text.back() = 'c';
  WriteBytes(folder_ / "a.txt", text);
  for (BatchCommand command : {BatchCommand::kFind, BatchCommand::kReplaceAll}) {
    SCOPED_TRACE(static_cast<int>(command));
    const std::string told = Measured([command](Window& w) {
      w.shell.SetRegexMode(true);
      w.view.fields[kFindField] = "(a*)*b";
      w.view.fields[kReplaceField] = "x";
      w.shell.SetBatchMode(true);
      w.batch.Run(command);
    });
    EXPECT_NE(told.find(regex::kOverBudgetMessage), std::string::npos) << told;
    EXPECT_NE(told.find("a.txt"), std::string::npos) << told;
  }
  // The same pattern as the split dialog's chapter pattern: the analysis
  // stops with the message and lists nothing.
  const std::string told = Measured([](Window& w) {
    w.shell.ClickRow(w.Row("a.txt"));
    FakeMergeSplitDialogs dialogs;
    SplitCommand split(w.shell, dialogs);
    dialogs.split_script = [&w](SplitSession& s) {
      s.Analyse("(a*)*b");
      if (s.analysing() || !s.chapters().empty()) w.view.ShowMessage("listed", "", MessageIcon::kError);
      return false;
    };
    split.Split();
  });
  EXPECT_NE(told.find(regex::kOverBudgetMessage), std::string::npos) << told;
  EXPECT_EQ(told.find("listed"), std::string::npos) << told;
  EXPECT_EQ(ReadBytes(folder_ / "a.txt"), text);
}

}  // namespace
}  // namespace folian::app
