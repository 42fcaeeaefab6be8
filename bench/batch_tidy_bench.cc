// Batch tidy over a folder of novels, as the window runs it (the batch
// runner on the shell, files in parallel) — the figure to set beside
// `folian-cli tidy -j N` on the same folder. 1,000 files of 100 KB by
// default; FOLIAN_BENCH_BATCH_FILES changes the count.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/batch_runner.h"
#include "app/shell.h"
#include "charset/codepage.h"

namespace {

namespace fs = std::filesystem;
using namespace folian::app;

// A window that shows nothing.
class NullWindow final : public ShellView, public ToolView {
 public:
  Answer AskYesNoCancel(std::string_view, std::string_view) override { return Answer::kNo; }
  bool AskOkCancel(std::string_view, std::string_view) override { return false; }
  void ShowMessage(std::string_view text, std::string_view, MessageIcon) override { last = text; }
  std::optional<fs::path> ChooseFolder(std::string_view) override { return {}; }
  std::optional<fs::path> AskSaveFileName(std::string_view, const fs::path&) override { return {}; }
  std::optional<std::string> AskNewName(std::string_view) override { return {}; }
  void OpenHelpPage() override {}
  void SetEnabled(ControlId, bool) override {}
  void SetChecked(ControlId, bool) override {}
  std::string FieldText(ControlId) override { return {}; }
  void SetFieldText(ControlId, std::string_view) override {}
  void SetCurrentItem(ControlId, int) override {}
  void SetStatus(StatusPart, std::string_view) override {}
  void SetProgressVisible(bool) override {}
  void SetProgress(int) override {}
  void FileListChanged() override {}
  void ScrollToRow(int) override {}
  std::string EditorText() override { return editor; }
  void SetEditorText(std::string_view gbk) override { editor = gbk; }
  void ReplaceEditorText(std::string_view gbk) override { editor = gbk; }
  void SelectBytes(std::size_t, std::size_t) override {}
  std::size_t SelectionStart() override { return 0; }
  std::size_t SelectionLength() override { return 0; }
  void ReplaceSelection(std::string_view) override {}
  bool EditorCanUndo() override { return false; }
  void ClearUndo() override {}
  void SetEditorEnabled(bool) override {}
  bool OpenWithDefaultProgram(const fs::path&) override { return false; }
  void ShowReport(std::string_view, std::string_view) override {}
  void RunAfter(std::chrono::milliseconds, std::function<void()>) override {}
  std::optional<std::string> ClipboardText() override { return {}; }
  bool ConfirmRenames(std::string_view, const std::vector<folian::files::RenameStep>&) override {
    return false;
  }
  std::optional<folian::files::RenamePattern> AskRenamePattern() override { return {}; }

  std::string editor;
  std::string last;
};

// About `bytes` of novel text: chapters of hard-wrapped paragraphs with
// full-width digits and the odd advertising line.
std::string MakeNovel(std::size_t bytes, int seed) {
  const std::string para = folian::charset::Utf8ToGbk(
      "　　他走进客栈，看见一把宝剑挂在墙上，心中暗暗称奇，却不知道这把剑的来历究竟如何\r\n"
      "说来话长。店小二端上一壶酒，笑道：“客官，这剑已经挂了２０年了。”\r\n\r\n");
  const std::string ad = folian::charset::Utf8ToGbk("本书首发 www.example.com 请记住本站\r\n");
  std::string out;
  for (int chapter = 1; out.size() < bytes; ++chapter) {
    out += folian::charset::Utf8ToGbk("第" + std::to_string(chapter + seed % 7) + "章 客栈\r\n");
    for (int k = 0; k < 40 && out.size() < bytes; ++k) out += (k % 17 == 16) ? ad : para;
  }
  return out;
}

void WriteCorpus(const fs::path& dir, int files, std::size_t bytes) {
  for (int i = 0; i < files; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "novel%04d.txt", i);
    std::ofstream(dir / name, std::ios::binary) << MakeNovel(bytes, i);
  }
}

void BM_BatchTidyWindow(benchmark::State& state) {
  const char* env = std::getenv("FOLIAN_BENCH_BATCH_FILES");
  const int files = env ? std::atoi(env) : 1000;
  constexpr std::size_t kBytes = 100 * 1024;
  std::string tmpl = (fs::temp_directory_path() / "folian-batch-bench.XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  const fs::path dir = tmpl;
  const fs::path store = dir / "options.ini";
  const fs::path folder = dir / "novels";
  fs::create_directory(folder);
  for (auto _ : state) {
    state.PauseTiming();
    WriteCorpus(folder, files, kBytes);
    NullWindow window;
    InlineTaskRunner runner;
    Shell shell(window, runner, folian::tidy::TidyOptions::AtStart(), store);
    BatchRunner batch(shell, window);
    shell.Start(folder);
    shell.SetBatchMode(true);
    state.ResumeTiming();
    shell.Tidy();
    if (window.last != "批处理完成") state.SkipWithError(window.last.c_str());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * files * static_cast<int64_t>(kBytes));
  state.counters["files"] = files;
  std::error_code ec;
  fs::current_path(fs::temp_directory_path(), ec);
  fs::remove_all(dir, ec);
}
BENCHMARK(BM_BatchTidyWindow)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
