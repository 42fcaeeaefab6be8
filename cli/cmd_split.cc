// folian-cli split: the window's split of one file into numbered pieces.
//   split --size KB [--prefix P] [-o DIR] [--force] FILE
//       PREFIX_001.txt, ... of whole lines, each at least KB kilobytes, cut in
//       the file's own encoding.
//   split --chapters [--pattern RE] [--list] [--drop N,...] [--prefix P]
//         [-o DIR] [--force] FILE
//       PREFIX0000.txt (text before the first chapter, when there is any),
//       PREFIX0001.txt, ... one per chapter, in the file's encoding. --drop
//       joins the listed chapters (numbers as --list shows them without
//       --drop) to the chapter before; --list prints "number<TAB>byte
//       offset<TAB>title" (UTF-8; offsets into the GBK text) and writes nothing.
// PREFIX defaults to the file's name, lower-cased, without extension; DIR to
// the file's folder. Without --force no existing piece is replaced and no
// character is turned into "?". A piece is never written over FILE. The
// pieces are written all or none.
#include <fmt/core.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "command.h"
#include "files/chapters.h"
#include "files/split.h"
#include "regex/regex.h"
#include "text/atomic_write.h"

namespace folian::cli {
namespace {

namespace fs = std::filesystem;

// No file holds this many KB; larger numbers are typing mistakes.
constexpr std::uint64_t kMaxPieceKb = std::uint64_t{1} << 40;

struct SplitArgs {
  std::uint64_t size_kb = 0;
  bool chapters = false;
  std::optional<std::string> pattern;
  bool list = false;
  std::vector<int> drop;
  std::optional<std::string> prefix;
  std::optional<std::string> output;
  bool force = false;
  std::string file;
};

std::string DefaultPrefix(const fs::path& file) {
  std::string name = file.stem().string();
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

int Fail(const std::string& message, int code = kExitFailed) {
  fmt::print(stderr, "folian-cli split: {}\n", message);
  return code;
}

// Chapter mode up to the plan; nullopt with `*rc` set when it stops early.
std::optional<files::SplitPlan> PlanChapters(const SplitArgs& args, const fs::path& folder,
                                             const std::string& prefix, int* rc) {
  text::LoadedText loaded;
  std::string error;
  if (!text::LoadTextFile(args.file, &loaded, &error)) {
    *rc = Fail(error);
    return std::nullopt;
  }
  const std::string pattern =
      args.pattern ? charset::Utf8ToGbk(*args.pattern) : files::DefaultChapterPattern();
  files::ChapterList found = files::FindChapters(loaded.text, pattern);
  switch (found.status) {
    case files::ChapterStatus::kOk:
    case files::ChapterStatus::kCancelled:
      break;
    case files::ChapterStatus::kBadPattern:
      *rc = Fail("bad pattern: " + found.error, kExitUsage);
      return std::nullopt;
    case files::ChapterStatus::kTooLong:
      *rc = Fail(fmt::format("the pattern is longer than {} bytes", files::kMaxChapterPatternBytes),
                 kExitUsage);
      return std::nullopt;
    case files::ChapterStatus::kOverBudget:
      *rc = Fail(regex::kOverBudgetMessage);
      return std::nullopt;
    case files::ChapterStatus::kTooMany:
      *rc = Fail(fmt::format("more than {} chapters: the pattern matches ordinary text",
                             files::kMaxChapters));
      return std::nullopt;
  }
  // Dropped from the highest number down, so the numbers keep meaning the
  // chapters as first found.
  std::set<int, std::greater<>> drops(args.drop.begin(), args.drop.end());
  for (int n : drops) {
    if (n < 1 || static_cast<std::size_t>(n) > found.chapters.size()) {
      *rc = Fail(fmt::format("--drop {}: there are chapters 1 to {}", n, found.chapters.size()),
                 kExitUsage);
      return std::nullopt;
    }
    files::DropChapter(&found.chapters, static_cast<std::size_t>(n - 1));
  }
  if (args.list) {
    for (std::size_t i = 0; i < found.chapters.size(); ++i) {
      fmt::print("{}\t{}\t{}\n", i + 1, found.chapters[i].offset,
                 charset::GbkToUtf8(found.chapters[i].title));
    }
    std::fflush(stdout);
    *rc = kExitOk;
    return std::nullopt;
  }
  files::SplitPlan plan =
      files::PlanChapterSplit(loaded.text, found.chapters, loaded.encoding, folder, prefix);
  const std::size_t lost = plan.unmappable + loaded.unmappable;
  if (lost > 0 && !args.force) {
    *rc = Fail(fmt::format("{} character(s) cannot be stored in the file's encoding and would "
                           "become \"?\"; nothing written (use --force to split anyway)",
                           lost));
    return std::nullopt;
  }
  return plan;
}

std::optional<files::SplitPlan> PlanBySize(const SplitArgs& args, const fs::path& folder,
                                           const std::string& prefix, int* rc) {
  std::string bytes, error;
  if (!text::ReadWholeFile(args.file, &bytes, &error)) {
    *rc = Fail(error);
    return std::nullopt;
  }
  files::SplitPlan plan;
  if (!files::PlanSizeSplit(bytes, args.size_kb << 10, folder, prefix, &plan)) {
    *rc = Fail(fmt::format("--size {}: a piece must be smaller than the file ({} bytes)",
                           args.size_kb, bytes.size()));
    return std::nullopt;
  }
  return plan;
}

int Split(const SplitArgs& args) {
  if (!args.chapters && (args.pattern || args.list || !args.drop.empty())) {
    return Fail("--pattern, --list and --drop go with --chapters", kExitUsage);
  }
  const fs::path file = args.file;
  const std::string prefix = args.prefix ? *args.prefix : DefaultPrefix(file);
  if (!files::ValidPrefix(prefix)) return Fail("--prefix may not hold \"/\"", kExitUsage);
  fs::path folder = args.output ? fs::path(*args.output) : file.parent_path();
  if (folder.empty()) folder = ".";

  int rc = kExitOk;
  std::optional<files::SplitPlan> plan =
      args.chapters ? PlanChapters(args, folder, prefix, &rc) : PlanBySize(args, folder, prefix, &rc);
  if (!plan) return rc;
  if (files::PlanOverwrites(*plan, file)) {
    return Fail(fmt::format("a piece would be written over \"{}\" itself; choose another --prefix",
                            file.string()));
  }
  const std::vector<fs::path> taken = files::ExistingPieces(*plan);
  if (!taken.empty() && !args.force) {
    return Fail(fmt::format("{} piece(s) exist, e.g. \"{}\"; nothing written (use --force to "
                            "replace them)",
                            taken.size(), taken.front().string()));
  }
  const files::SplitResult result = files::WritePieces(*plan, args.force);
  if (!result.ok()) {
    std::string kept;
    for (const fs::path& piece : result.replaced) kept += fmt::format(" \"{}\"", piece.string());
    if (!kept.empty()) kept = "; already replaced by new pieces:" + kept;
    return Fail(fmt::format("{}; no piece written, \"{}\" untouched{}", result.error, file.string(), kept));
  }
  fmt::print("{}: {} piece(s) written to {}\n", file.string(), result.written, folder.string());
  std::fflush(stdout);
  return kExitOk;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand("split", "Split a text file by size or by chapter");
  auto args = std::make_shared<SplitArgs>();
  auto* size = cmd->add_option("--size", args->size_kb, "Piece size in KB (whole lines, at least this)")
                   ->check(CLI::Range(std::uint64_t{1}, kMaxPieceKb));
  auto* chapters = cmd->add_flag("--chapters", args->chapters, "One piece per chapter");
  size->excludes(chapters);
  cmd->add_option("--pattern", args->pattern, "Chapter pattern (default: the built-in one)");
  cmd->add_flag("--list", args->list, "Print the chapter table and write nothing");
  cmd->add_option("--drop", args->drop, "Join these chapters (as --list numbers them) to the one before")
      ->delimiter(',');
  cmd->add_option("--prefix", args->prefix, "Piece name prefix (default: the file's name)");
  cmd->add_option("-o,--output", args->output, "Folder for the pieces (default: the file's)");
  cmd->add_flag("--force", args->force,
                "Replace existing pieces; split even when characters become \"?\"");
  cmd->add_option("FILE", args->file, "The file to split")->required();
  cmd->callback([args, exit_code, size, chapters] {
    if (size->count() == 0 && chapters->count() == 0) {
      *exit_code = Fail("one of --size or --chapters is needed", kExitUsage);
      return;
    }
    *exit_code = Split(*args);
  });
}};

}  // namespace
}  // namespace folian::cli
