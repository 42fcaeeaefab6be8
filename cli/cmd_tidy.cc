// folian-cli tidy [options] (FILE|DIR|-)...: the tidy run on files, in place
// or into -o OUT; "-" tidies standard input to standard output (GBK); a DIR
// means its .txt files. Options start from the settings store.
#include <fmt/core.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <mutex>
#include <optional>
#include <thread>

#include "app/ad_report.h"
#include "app/options_store.h"
#include "charset/codepage.h"
#include "text/text_file.h"
#include "command.h"
#include "tidy/ad_removal.h"
#include "tidy/rule_table.h"
#include "text/atomic_write.h"
#include "text/stale_temporaries.h"
#include "tidy/tidy_file.h"

namespace folian::cli {
namespace {

namespace fs = std::filesystem;

struct TidyArgs {
  std::vector<std::string> inputs;
  std::optional<int> num, chr, punc, paragraph, indent, indent_count, short_line;
  bool ads = false, no_ads = false, split = false, no_detector = false, explain = false;
  std::vector<std::string> remove_files;
  std::string output;
  std::string rules_dir;
  std::string layout = "follow";
  int jobs = 0;
};

// A progress bar over every file's 0..100 positions, redrawn on stderr.
class ConsoleBar {
 public:
  explicit ConsoleBar(std::size_t files) : slots_(files), enabled_(isatty(2) != 0) {}

  class Slot : public ProgressSink {
   public:
    Slot(ConsoleBar* bar, std::size_t i) : bar_(bar), i_(i) {}
    void SetPosition(std::int64_t pos) override { bar_->Set(i_, pos); }

   private:
    ConsoleBar* bar_;
    std::size_t i_;
  };

  void Set(std::size_t i, std::int64_t pos) {
    if (!enabled_) return;
    slots_[i].store(static_cast<int>(std::clamp<std::int64_t>(pos, 0, 100)));
    std::int64_t sum = 0;
    for (const auto& s : slots_) sum += s.load();
    const int percent = static_cast<int>(sum / static_cast<std::int64_t>(slots_.size()));
    std::lock_guard<std::mutex> lock(mu_);
    if (percent == shown_) return;
    shown_ = percent;
    const int width = 40, full = percent * width / 100;
    fmt::print(stderr, "\r[{}{}] {:3d}%", std::string(full, '#'), std::string(width - full, ' '),
               percent);
    std::fflush(stderr);
  }

  void Clear() {
    std::lock_guard<std::mutex> lock(mu_);
    if (enabled_ && shown_ >= 0) fmt::print(stderr, "\r{}\r", std::string(48, ' '));
    shown_ = -1;
  }
  // Prints a line without tearing the bar.
  void Line(std::FILE* to, const std::string& text) {
    std::lock_guard<std::mutex> lock(mu_);
    if (enabled_ && shown_ >= 0) fmt::print(stderr, "\r{}\r", std::string(48, ' '));
    shown_ = -1;
    fmt::print(to, "{}\n", text);
    std::fflush(to);
  }

 private:
  std::vector<std::atomic<int>> slots_;
  bool enabled_;
  std::mutex mu_;
  int shown_ = -1;
};

bool CollectInputs(const std::vector<std::string>& inputs, std::vector<fs::path>* files,
                   bool* has_stdin) {
  for (const std::string& in : inputs) {
    if (in == "-") {
      *has_stdin = true;
      continue;
    }
    std::error_code ec;
    if (fs::is_directory(in, ec)) {
      // A run killed earlier may have left temporaries here; they are not novels.
      text::RemoveStaleTemporaries(in);
      std::vector<fs::path> found;
      for (const auto& e : fs::directory_iterator(in, ec)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ext == ".txt" && e.is_regular_file(ec)) found.push_back(e.path());
      }
      if (ec) {
        fmt::print(stderr, "folian-cli tidy: cannot list \"{}\": {}\n", in, ec.message());
        return false;
      }
      std::sort(found.begin(), found.end());
      files->insert(files->end(), found.begin(), found.end());
    } else {
      files->emplace_back(in);
    }
  }
  return true;
}

int TidyStdin(const tidy::TidyOptions& options, const tidy::RuleTable& rules,
              const tidy::TidyFileParams& params) {
  std::string input, error;
  if (!text::ReadWholeStream(STDIN_FILENO, "-", &input, &error)) {
    fmt::print(stderr, "folian-cli tidy: {}\n", error);
    return kExitFailed;
  }
  tidy::TidyParams p = params.tidy;
  if (params.read_remove_txt && options.has_adver == 1) {
    std::vector<std::string> lines;
    if (tidy::LoadCustomRules("remove.txt", &lines)) {
      lines.insert(lines.end(), p.custom.begin(), p.custom.end());
      p.custom = std::move(lines);
    }
  }
  const auto out = tidy::TidyText(std::move(input), options, rules, p);
  if (!out || std::fwrite(out->data(), 1, out->size(), stdout) != out->size() ||
      std::fflush(stdout) != 0) {
    fmt::print(stderr, "folian-cli tidy: cannot write to standard output\n");
    return kExitFailed;
  }
  return kExitOk;
}

// --explain: what a run would remove from each input and why; nothing is written.
int Explain(const std::vector<fs::path>& files, bool has_stdin, const tidy::TidyOptions& options,
            const tidy::RuleTable& rules, const tidy::TidyFileParams& params) {
  int status = kExitOk;
  auto explain = [&](const std::string& name, const std::string& gbk) {
    tidy::TidyParams p = params.tidy;
    if (params.read_remove_txt && options.has_adver == 1) {
      std::vector<std::string> lines;
      if (tidy::LoadCustomRules("remove.txt", &lines)) {
        lines.insert(lines.end(), p.custom.begin(), p.custom.end());
        p.custom = std::move(lines);
      }
    }
    std::vector<tidy::Removal> removals;
    p.removals = &removals;
    p.remover = nullptr;
    tidy::TidyText(gbk, options, rules, p);
    fmt::print("{}: {} removal{}\n", name, removals.size(), removals.size() == 1 ? "" : "s");
    for (const tidy::Removal& r : removals) {
      fmt::print("  {}\n", charset::GbkToUtf8(app::DescribeRemoval(r)));
    }
  };
  if (has_stdin) {
    std::string input, error;
    if (text::ReadWholeStream(STDIN_FILENO, "-", &input, &error)) {
      explain("-", input);
    } else {
      fmt::print(stderr, "folian-cli tidy: {}\n", error);
      status = kExitFailed;
    }
  }
  for (const fs::path& f : files) {
    text::LoadedText loaded;
    std::string error;
    if (!text::LoadTextFile(f, &loaded, &error)) {
      fmt::print(stderr, "folian-cli tidy: \"{}\": {}\n", f.string(), error.empty() ? "cannot read" : error);
      status = kExitFailed;
      continue;
    }
    explain(f.string(), loaded.text);
  }
  std::fflush(stdout);
  return status;
}

int Tidy(const TidyArgs& args) {
  tidy::TidyOptions options = tidy::TidyOptions::AtStart();
  std::string error;
  if (!app::LoadOptions(&options, &error)) {
    fmt::print(stderr, "folian-cli tidy: settings store unreadable ({}); using the values at start\n",
               error);
  }
  auto check = [](const char* name, const std::optional<int>& v, int lo, int hi, int* into) {
    if (!v) return true;
    if (*v < lo || *v > hi) {
      fmt::print(stderr, "folian-cli tidy: {} must be from {} to {}\n", name, lo, hi);
      return false;
    }
    *into = *v;
    return true;
  };
  if (!check("--num", args.num, 1, 3, &options.num_convert) ||
      !check("--char", args.chr, 1, 3, &options.char_convert) ||
      !check("--punc", args.punc, 1, 3, &options.punc_convert) ||
      !check("--paragraph", args.paragraph, 1, 3, &options.paragraph) ||
      !check("--indent", args.indent, 1, 4, &options.indent)) {
    return kExitUsage;
  }
  if (args.indent_count) {
    int* count = options.indent == 3 ? &options.indent_num2
                 : options.indent == 4 ? &options.indent_num3
                                       : &options.indent_num1;
    *count = *args.indent_count;
  }
  if (args.ads) options.has_adver = 1;
  if (args.no_ads) options.has_adver = 0;
  if (args.split) options.split_at_fullstop = true;

  tidy::TidyFileParams params;
  params.tidy.ad_detector = !args.no_detector;
  if (args.short_line) params.tidy.short_line = *args.short_line;
  params.tidy.follow_layout = args.layout == "follow";
  for (const std::string& f : args.remove_files) {
    if (!tidy::LoadCustomRules(f, &params.tidy.custom)) {
      fmt::print(stderr, "folian-cli tidy: cannot read \"{}\"\n", f);
      return kExitUsage;
    }
  }

  std::vector<fs::path> files;
  bool has_stdin = false;
  if (!CollectInputs(args.inputs, &files, &has_stdin)) return kExitFailed;
  const bool out_is_dir =
      !args.output.empty() && (files.size() > 1 || fs::is_directory(args.output));

  tidy::RuleTable loaded;
  if (!args.rules_dir.empty() && !tidy::LoadRuleTable(args.rules_dir, &loaded, &error)) {
    fmt::print(stderr, "folian-cli tidy: {}\n", error);
    return kExitUsage;
  }
  const tidy::RuleTable& rules = args.rules_dir.empty() ? tidy::BuiltinRules() : loaded;
  const tidy::AdRemover remover(rules);
  params.tidy.remover = &remover;
  if (args.explain) return Explain(files, has_stdin, options, rules, params);

  int status = kExitOk;
  if (has_stdin) status = TidyStdin(options, rules, params);

  ConsoleBar bar(std::max<std::size_t>(files.size(), 1));
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  auto worker = [&] {
    for (std::size_t i = next++; i < files.size(); i = next++) {
      ConsoleBar::Slot slot(&bar, i);
      tidy::TidyFileParams p = params;
      p.tidy.progress = &slot;
      if (!args.output.empty()) {
        p.output = out_is_dir ? fs::path(args.output) / files[i].filename() : fs::path(args.output);
      }
      tidy::TidyOptions o = options;
      const tidy::TidyReport r = tidy::TidyFile(files[i], &o, rules, p);
      if (r.ok) {
        bar.Line(stdout, fmt::format("{}\t{:.2f} KB\t{:.2f} s\t{:.2f} KB/s", files[i].string(),
                                     r.size_kb, r.seconds, r.kb_per_sec));
      } else {
        failed = true;
        bar.Line(stderr, fmt::format("folian-cli tidy: \"{}\": {}", files[i].string(), r.error));
      }
    }
  };
  unsigned jobs = args.jobs > 0 ? static_cast<unsigned>(args.jobs)
                                : std::max(1u, std::thread::hardware_concurrency());
  jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(files.size(), 1)));
  std::vector<std::thread> pool;
  for (unsigned j = 1; j < jobs; ++j) pool.emplace_back(worker);
  worker();
  for (auto& t : pool) t.join();
  bar.Clear();
  if (failed) status = kExitFailed;
  return status;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand("tidy", "Tidy novel text files (paragraphs, characters, advertising)");
  auto args = std::make_shared<TidyArgs>();
  cmd->add_option("INPUT", args->inputs, "Files, folders (their .txt files) or - for stdin")
      ->required();
  cmd->add_option("--num", args->num, "Digits: 1 full-width, 2 half-width, 3 unchanged");
  cmd->add_option("--char", args->chr, "Latin letters: 1 full-width, 2 half-width, 3 unchanged");
  cmd->add_option("--punc", args->punc, "Punctuation: 1 full-width, 2 half-width, 3 unchanged");
  cmd->add_option("--paragraph", args->paragraph, "Between paragraphs: 1 blank line, 2 none, 3 unchanged");
  cmd->add_option("--indent", args->indent, "Indent: 1 none, 2 blanks, 3 full-width blanks, 4 tabs");
  cmd->add_option("--indent-count", args->indent_count, "How many indent units (for the chosen kind)");
  auto* ads = cmd->add_flag("--ads", args->ads, "Remove advertising");
  cmd->add_flag("--no-ads", args->no_ads, "Do not remove advertising")->excludes(ads);
  cmd->add_flag("--no-ad-detector", args->no_detector,
                "Remove advertising by the rule table alone, without the detector of unseen advertising");
  cmd->add_flag("--explain", args->explain,
                "Print what tidying would remove from each input and why; write nothing");
  cmd->add_flag("--split-at-fullstop", args->split, "Break a paragraph after every 。");
  cmd->add_option("--short-line", args->short_line,
                  "Lines shorter than this many bytes end a paragraph (44) where the layout does not decide")
      ->check(CLI::Range(1, 1 << 30));
  cmd->add_option("--layout", args->layout,
                  "Joining lines: follow (the text's wrap width, indentation and blank lines) or rule "
                  "(closing punctuation and the short-line threshold alone)")
      ->check(CLI::IsMember({"follow", "rule"}));
  cmd->add_option("--remove", args->remove_files, "More literal deletions, one per line (like remove.txt)");
  cmd->add_option("--rules", args->rules_dir,
                  "Advertisement rules from this folder (stage1.tsv ... site.tsv, and the detector's words.tsv if "
                  "there) instead of the built-in ones");
  cmd->add_option("-o,--output", args->output, "Write here instead of in place (a folder for several files)");
  cmd->add_option("-j,--jobs", args->jobs, "Files tidied in parallel (default: the number of cores)")
      ->check(CLI::Range(1, 1024));
  cmd->callback([args, exit_code] { *exit_code = Tidy(*args); });
}};

}  // namespace
}  // namespace folian::cli
