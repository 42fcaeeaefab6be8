// folian-cli merge [--heading] [--delete-sources] [--force] -o OUT FILE...:
// the window's merge of selected files, in argument order. OUT is written as
// ANSI (GBK). Without --force an existing OUT is kept and characters GBK
// cannot hold are not turned into "?"; either refuses the merge. Sources are
// deleted only after OUT is completely written, and never OUT itself.
#include <fmt/core.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "command.h"
#include "files/merge.h"

namespace folian::cli {
namespace {

namespace fs = std::filesystem;

struct MergeArgs {
  bool heading = false;
  bool delete_sources = false;
  bool force = false;
  std::string output;
  std::vector<std::string> files;
};

int Merge(const MergeArgs& args) {
  if (args.files.size() < 2) {
    fmt::print(stderr, "folian-cli merge: at least two files are needed\n");
    return kExitUsage;
  }
  const fs::path target = args.output;
  std::vector<fs::path> sources(args.files.begin(), args.files.end());
  const files::MergedText merged = files::BuildMergedText(sources, args.heading);
  int rc = kExitOk;
  for (const files::FileProblem& p : merged.unreadable) {
    fmt::print(stderr, "folian-cli merge: {}; not merged\n", p.reason);
    rc = kExitFailed;
  }
  if (merged.merged.empty()) {
    fmt::print(stderr, "folian-cli merge: no file could be read; \"{}\" not written\n",
               target.string());
    return kExitFailed;
  }
  if (merged.unmappable > 0 && !args.force) {
    fmt::print(stderr,
               "folian-cli merge: {} character(s) cannot be stored in GBK and would become \"?\"; "
               "\"{}\" not written (use --force to merge anyway)\n",
               merged.unmappable, target.string());
    return kExitFailed;
  }
  std::error_code ec;
  if (fs::exists(fs::symlink_status(target, ec)) && !args.force) {
    fmt::print(stderr, "folian-cli merge: \"{}\" exists; not replaced (use --force to replace it)\n",
               target.string());
    return kExitFailed;
  }
  const files::MergeOutcome outcome =
      files::WriteMerged(target, merged, args.force, args.delete_sources);
  if (!outcome.written) {
    fmt::print(stderr, "folian-cli merge: {}; no source was changed\n", outcome.error);
    return kExitFailed;
  }
  fmt::print("{}: {} file(s) merged, {} bytes", target.string(), merged.merged.size(),
             merged.gbk.size());
  if (merged.unmappable > 0) fmt::print(" ({} character(s) became \"?\")", merged.unmappable);
  fmt::print("\n");
  for (const fs::path& p : outcome.deleted) fmt::print("{}: deleted\n", p.string());
  for (const files::FileProblem& p : outcome.not_deleted) {
    fmt::print(stderr, "folian-cli merge: \"{}\": cannot delete: {}\n", p.path.string(), p.reason);
    rc = kExitFailed;
  }
  std::fflush(stdout);
  return rc;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand("merge", "Merge text files, in argument order, into one GBK file");
  auto args = std::make_shared<MergeArgs>();
  cmd->add_flag("--heading", args->heading,
                "Put each file's name (without folder and extension) before its text");
  cmd->add_flag("--delete-sources", args->delete_sources,
                "Delete the merged files once the output is written");
  cmd->add_flag("--force", args->force,
                "Replace an existing output; merge even when characters become \"?\"");
  cmd->add_option("-o,--output", args->output, "The merged file")->required();
  cmd->add_option("FILE", args->files, "Files to merge (at least two)")->required();
  cmd->callback([args, exit_code] { *exit_code = Merge(*args); });
}};

}  // namespace
}  // namespace folian::cli
