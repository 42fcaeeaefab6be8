// Every path by which the window writes a file, driven through the shell
// and its commands with a recording window, under the four write faults
// (support/write_faults.h). Each command runs in a forked child that takes
// the fault on (a file size limit, or "nobody" when root, for whom the
// read-only folder and file hold); the child prints what the window was
// told. Under a fault the command must name the file in a warning or an
// error, show no message of success, and leave every file with its old bytes,
// with nothing new or temporary beside them. A rename needs no room on disk
// and does not write the file it moves, so under those faults it must do
// exactly what the control run did. The control run must change the target.
#include <gtest/gtest.h>
#include <pwd.h>

#include <functional>
#include <string>
#include <vector>

#include "app/batch_runner.h"
#include "app/book_commands.h"
#include "app/convert_commands.h"
#include "app/merge_command.h"
#include "app/options_form.h"
#include "app/shell.h"
#include "app/split_command.h"
#include "app/tool_commands.h"
#include "app/merge_split_fakes.h"
#include "charset/codepage.h"
#include "convert/pdf_fixture.h"
#include "fakes.h"
#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/write_faults.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;
using folian::testing::ChildSetup;
using folian::testing::Differences;
using folian::testing::Fault;
using folian::testing::GbkText;
using folian::testing::ReadBytes;
using folian::testing::Snapshot;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

// The window with the answers these commands ask for.
class AnsweringWindow : public FakeWindow {
 public:
  std::optional<fs::path> save_answer;
  std::optional<std::string> name_answer;
  std::optional<fs::path> AskSaveFileName(std::string_view, const fs::path&) override { return save_answer; }
  std::optional<std::string> AskNewName(std::string_view) override { return name_answer; }
};

// The window and every command object over one Working folder, as the
// desktop window holds them.
struct Window {
  explicit Window(const fs::path& store)
      : shell(view, runner, tidy::TidyOptions::AtStart(), store), batch(shell, view), tools(shell, view) {
    batch.SetTidyThreads(1);
  }
  int Row(std::string_view name) const {
    for (int i = 0; i < shell.file_list().size(); ++i) {
      if (shell.file_list().row(i).name == name) return i;
    }
    return -1;
  }
  void Batch(BatchCommand command) {
    shell.SetBatchMode(true);
    batch.Run(command);
  }
  void Find(std::string_view find, std::string_view replace) {
    view.fields[kFindField] = std::string(find);
    view.fields[kReplaceField] = std::string(replace);
  }

  AnsweringWindow view;
  InlineTaskRunner runner;
  Shell shell;
  BatchRunner batch;
  ToolCommands tools;
  FakeMergeSplitDialogs dialogs;
  MergeCommand merge{shell, dialogs};
  SplitCommand split{shell, dialogs};
  ConvertCommands convert{shell};
  BookCommands books{shell};
};

// One write path: the files it starts from (in `dir`), what the user does,
// and the file it writes (which exists beforehand).
struct WritePath {
  const char* name;
  std::function<void(const fs::path& dir)> prepare;
  std::function<void(Window& w, const fs::path& dir)> act;
  const char* target;
  bool moves_only = false;  // renames: no data written, the file itself not opened
  // A new file written before the target: in a read-only folder the failure
  // is there, and it is that file the failure names.
  const char* written_first = nullptr;
};

const std::string kBlade = charset::Utf8ToGbk("宝剑");

// A short preamble, then two chapters each bigger than the file size limit.
std::string Novel(unsigned seed) {
  return "Title\r\n" + charset::Utf8ToGbk("第一章\r\n") + GbkText(seed, 100) + charset::Utf8ToGbk("第二章\r\n") +
         GbkText(seed + 1, 100);
}

// Opens book.txt and splits it through the dialog, replacing what exists.
void SplitBook(Window& w, SplitMode mode, std::string_view size_kb) {
  w.shell.ClickRow(w.Row("book.txt"));
  w.dialogs.split_script = [&w, mode, size_kb](SplitSession& s) {
    s.Analyse(s.patternText());
    w.view.answers.assign(2, Answer::kYes);
    return s.Accept(mode, "book", size_kb);
  };
  w.split.Split();
}

std::string Html(unsigned seed) {
  std::string html = "<html><body>";
  for (unsigned i = 0; i < 100; ++i) html += "<p>" + GbkText(seed + i, 2) + "</p>";
  return html + "</body></html>";
}

const std::vector<WritePath>& WritePaths() {
  static const std::vector<WritePath> paths{
      {"save",
       [](const fs::path& d) { WriteBytes(d / "book.txt", GbkText(1, 200)); },
       [](Window& w, const fs::path&) {
         w.shell.ClickRow(w.Row("book.txt"));
         w.view.ReplaceEditorText(w.view.editor + "x");
         w.shell.EditorModifiedChanged(true);
         w.shell.Save();
       },
       "book.txt"},
      {"save as",
       [](const fs::path& d) { WriteBytes(d / "new.txt", "old"); },
       [](Window& w, const fs::path& d) {
         // Typed with no folder open; the dialog chose an existing file.
         w.shell.Start();
         w.view.save_answer = d / "new.txt";
         w.view.ReplaceEditorText(GbkText(2, 200));
         w.shell.EditorModifiedChanged(true);
         w.shell.Save();
       },
       "new.txt"},
      {"tidy write-back",
       [](const fs::path& d) { WriteBytes(d / "book.txt", GbkText(3, 200)); },
       [](Window& w, const fs::path&) {
         w.shell.ClickRow(w.Row("book.txt"));
         w.shell.Tidy();
       },
       "book.txt"},
      {"batch replace",
       [](const fs::path& d) { WriteBytes(d / "book.txt", kBlade + GbkText(4, 200)); },
       [](Window& w, const fs::path&) {
         w.Find("宝剑", "长刀");
         w.Batch(BatchCommand::kReplaceAll);
       },
       "book.txt"},
      {"batch tidy",
       [](const fs::path& d) { WriteBytes(d / "book.txt", GbkText(5, 200)); },
       [](Window& w, const fs::path&) { w.Batch(BatchCommand::kTidy); },
       "book.txt"},
      {"to UTF-8",
       [](const fs::path& d) { WriteBytes(d / "book.txt", GbkText(16, 200)); },
       [](Window& w, const fs::path&) {
         w.shell.ClickRow(w.Row("book.txt"));
         w.shell.ConvertEncoding(text::EncodingCommand::kToUtf8);
       },
       "book.txt"},
      {"batch to ANSI",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", "\xEF\xBB\xBF" + charset::GbkToUtf8(GbkText(17, 200)));
       },
       [](Window& w, const fs::path&) { w.Batch(BatchCommand::kToAnsi); },
       "book.txt"},
      {"batch to UTF-8",
       [](const fs::path& d) { WriteBytes(d / "book.txt", GbkText(6, 200)); },
       [](Window& w, const fs::path&) { w.Batch(BatchCommand::kToUtf8); },
       "book.txt"},
      {"batch to UTF-16",
       [](const fs::path& d) { WriteBytes(d / "book.txt", GbkText(7, 200)); },
       [](Window& w, const fs::path&) { w.Batch(BatchCommand::kToUnicode); },
       "book.txt"},
      {"batch html",
       [](const fs::path& d) {
         WriteBytes(d / "page.htm", Html(8));
         WriteBytes(d / "page.txt", "old");
       },
       [](Window& w, const fs::path&) {
         // Only the page is ticked.
         w.shell.SetBatchMode(true);
         w.shell.SetRowChecked(w.Row("page.txt"), false);
         w.batch.Run(BatchCommand::kHtm2Txt);
       },
       "page.txt"},
      {"htm2txt",
       [](const fs::path& d) {
         WriteBytes(d / "page.htm", Html(9));
         WriteBytes(d / "page.txt", "old");
       },
       [](Window& w, const fs::path&) {
         w.shell.ClickRow(w.Row("page.htm"));
         w.convert.Run(kHtm2Txt);
       },
       "page.txt"},
      {"pdf2txt",
       [](const fs::path& d) {
         std::string words;
         for (int i = 0; i < 600; ++i) words += "word" + std::to_string(i) + " ";
         WriteBytes(d / "book.pdf",
                    folian::testing::OnePage("BT /F1 12 Tf 72 720 Td (" + words + ") Tj ET",
                                             {{"F1", "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}}));
         WriteBytes(d / "book.txt", "old");
       },
       [](Window& w, const fs::path& d) {
         w.view.file_answer = d / "book.pdf";
         w.view.answers.assign(4, Answer::kYes);
         w.view.ok_answers.assign(4, true);
         w.convert.Run(kPdf2Txt);
       },
       "book.txt"},
      {"txt2umd",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", GbkText(10, 200));
         WriteBytes(d / "book.umd", "old");
       },
       [](Window& w, const fs::path&) {
         w.shell.ClickRow(w.Row("book.txt"));
         w.view.answers.push_back(Answer::kYes);
         w.books.Txt2Umd();
       },
       "book.umd"},
      {"merge",
       [](const fs::path& d) {
         WriteBytes(d / "a.txt", GbkText(11, 60));
         WriteBytes(d / "b.txt", GbkText(12, 60));
         WriteBytes(d / "all.txt", "old");
       },
       [](Window& w, const fs::path&) {
         for (int i = 0; i < w.shell.file_list().size(); ++i) w.shell.SetRowSelected(i, false);
         w.shell.SetRowSelected(w.Row("a.txt"), true);
         w.shell.SetRowSelected(w.Row("b.txt"), true);
         w.dialogs.merge_choice = MergeChoice{"all", false, true, {}};
         w.view.answers.assign(4, Answer::kYes);
         w.view.ok_answers.assign(4, true);
         w.merge.Merge();
       },
       "all.txt"},
      {"split by chapter",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", Novel(18));
         WriteBytes(d / "book0001.txt", "old");
       },
       // The preamble's piece fits under every fault and comes first: it must
       // not stay when a later piece fails.
       [](Window& w, const fs::path&) { SplitBook(w, SplitMode::kByChapter, ""); },
       "book0001.txt", false, "book0000.txt"},
      {"split by size",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", GbkText(20, 400));
         WriteBytes(d / "book_001.txt", "old");
       },
       [](Window& w, const fs::path&) { SplitBook(w, SplitMode::kBySize, "8"); },
       "book_001.txt"},
      {"settings",
       [](const fs::path& d) {
         // Another section of the store makes the rewrite bigger than the limit.
         std::string ini = "[Software\\Other]\n";
         for (int i = 0; i < 300; ++i) ini += "key" + std::to_string(i) + "=some value here\n";
         WriteBytes(d / "folian.ini", ini);
       },
       [](Window& w, const fs::path& d) {
         OptionsForm form(&w.shell.options(), d / "folian.ini");
         form.state().num_convert = form.state().num_convert == 1 ? 3 : 1;
         const std::string told = form.Confirm();
         w.view.ShowMessage(told, kCaption, form.saved() ? MessageIcon::kInformation : MessageIcon::kWarning);
       },
       "folian.ini"},
      {"rename",
       [](const fs::path& d) { WriteBytes(d / "book.txt", GbkText(13, 10)); },
       [](Window& w, const fs::path&) {
         w.shell.SetRowSelected(w.Row("book.txt"), true);
         w.view.name_answer = "renamed.txt";
         w.shell.RenameSelectedRow();
       },
       "book.txt", true},
      {"batch rename",
       [](const fs::path& d) { WriteBytes(d / "book.txt", GbkText(14, 10)); },
       [](Window& w, const fs::path&) {
         w.shell.SetBatchMode(true);
         files::RenamePattern pattern;
         pattern.prefix = "vol";
         w.view.rename_pattern = pattern;
         w.tools.BatchRename();
       },
       "book.txt", true},
      {"directory merge",
       [](const fs::path& d) {
         fs::create_directory(d / "sub");
         WriteBytes(d / "sub" / "book.txt", GbkText(15, 10));
       },
       [](Window& w, const fs::path&) { w.tools.MergeDirectories(); },
       "sub/book.txt", true},
  };
  return paths;
}

// What the window was told, one message a line: icon, tab, text.
std::string Messages(const FakeWindow& view) {
  std::string out;
  for (const Shown& m : view.messages) {
    std::string text = m.text;
    for (char& c : text) {
      if (c == '\n' || c == '\r') c = ' ';
    }
    out += std::to_string(static_cast<int>(m.icon)) + "\t" + text + "\n";
  }
  return out;
}

bool Told(const std::string& messages, MessageIcon icon) {
  return messages.find(std::to_string(static_cast<int>(icon)) + "\t") != std::string::npos;
}
bool ToldSuccess(const std::string& messages) {
  return Told(messages, MessageIcon::kInformation) || messages.find(kOptionsSaved) != std::string::npos;
}
bool ToldFailure(const std::string& messages) {
  return Told(messages, MessageIcon::kWarning) || Told(messages, MessageIcon::kError);
}

class WriteFaultAppTest : public ::testing::TestWithParam<Fault> {
 protected:
  void SetUp() override {
    if (::geteuid() == 0 && ::getpwnam("nobody") == nullptr) GTEST_SKIP() << "no user to drop to";
    fs::permissions(root_.path(), fs::perms::all);
  }

  // Runs `path` in a fresh folder under `fault`; the folder's files before
  // and after, and what the window was told.
  struct Run {
    std::map<std::string, std::string> before, after;
    std::string messages;
    int code = 0;
    bool skipped = false;
  };
  Run RunPath(const WritePath& path, Fault fault, const std::string& tag) {
    Run run;
    const fs::path dir = root_ / tag;
    fs::create_directory(dir);
    if (fault == Fault::kNoSpace && !folian::testing::MountSmall(dir)) {
      run.skipped = true;
      return run;
    }
    unmounts_.push_back(dir);
    fs::permissions(dir, fs::perms::all);
    path.prepare(dir);
    if (fault == Fault::kNoSpace) {
      EXPECT_TRUE(folian::testing::FillUp(dir));
    }
    folian::testing::OpenToAll(dir);
    const fs::path target = dir / path.target;
    EXPECT_TRUE(fs::exists(target)) << path.target;
    run.before = Snapshot(dir);

    ChildSetup setup{.as_nobody = true, .stderr_to = root_ / "messages.txt"};
    if (fault == Fault::kFileSize) setup.file_size = folian::testing::kFaultFileSizeLimit;
    if (fault == Fault::kReadOnlyFolder) fs::permissions(dir, folian::testing::kReadOnlyDirPerms);
    if (fault == Fault::kReadOnlyFile) fs::permissions(target, folian::testing::kReadOnlyFilePerms);
    const fs::path store = root_ / "store.ini";
    run.code = folian::testing::RunInChild(
        [&] {
          Window w(store);
          w.shell.Start(dir);
          path.act(w, dir);
          const std::string told = Messages(w.view);
          std::fwrite(told.data(), 1, told.size(), stderr);
          return 0;
        },
        setup);
    fs::permissions(dir, fs::perms::all);
    if (fs::exists(target)) fs::permissions(target, fs::perms::all);
    run.messages = ReadBytes(root_ / "messages.txt");
    run.after = Snapshot(dir);
    return run;
  }

  void TearDown() override {
    for (const fs::path& d : unmounts_) folian::testing::ScopedUnmount{d, true};
  }

  TempDir root_;
  std::vector<fs::path> unmounts_;
};

TEST_P(WriteFaultAppTest, OriginalBytesSurviveAndTheFailureIsNamed) {
  const Fault fault = GetParam();
  int index = 0;
  for (const WritePath& path : WritePaths()) {
    SCOPED_TRACE(std::string(path.name) + " under " + folian::testing::FaultName(fault));
    const std::string tag = "case" + std::to_string(index++);
    const Run control = RunPath(path, Fault::kNone, tag + "c");
    ASSERT_EQ(control.code, 0) << control.messages;
    ASSERT_NE(Differences(control.before, control.after), "") << "the control run wrote nothing: "
                                                             << control.messages;
    // (A merge tells nothing when it went well: its file opens.)
    EXPECT_FALSE(ToldFailure(control.messages)) << control.messages;
    if (fault == Fault::kNone) continue;

    const Run run = RunPath(path, fault, tag);
    if (run.skipped) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    ASSERT_EQ(run.code, 0) << run.messages;
    const bool unaffected =
        path.moves_only && (fault == Fault::kFileSize || fault == Fault::kNoSpace || fault == Fault::kReadOnlyFile);
    if (unaffected) {
      // The same renames as without the fault (the filler aside).
      auto after = run.after;
      after.erase("filler.bin");
      EXPECT_EQ(Differences(control.after, after), "");
      EXPECT_EQ(run.messages, control.messages);
      continue;
    }
    const bool fails_first = fault == Fault::kReadOnlyFolder && path.written_first != nullptr;
    const std::string file = fs::path(fails_first ? path.written_first : path.target).filename().string();
    EXPECT_NE(run.messages.find(file), std::string::npos) << "the window does not name the file:\n"
                                                          << run.messages;
    EXPECT_TRUE(ToldFailure(run.messages)) << run.messages;
    EXPECT_FALSE(ToldSuccess(run.messages)) << run.messages;
    EXPECT_EQ(Differences(run.before, run.after), "") << "files changed, vanished or appeared\n" << run.messages;
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFaultAppTest,
                         ::testing::Values(Fault::kNone, Fault::kFileSize, Fault::kNoSpace, Fault::kReadOnlyFolder,
                                           Fault::kReadOnlyFile),
                         [](const auto& info) { return folian::testing::FaultTestName(info.param); });

}  // namespace
}  // namespace folian::app
