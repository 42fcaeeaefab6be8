// folian-cli txt2umd [--title T] [--author A] FILE: FILE packed as a UMD book
// NAME.umd beside it; its path on stdout, notes and errors on stderr.
#include <fmt/core.h>

#include <memory>
#include <string>

#include "app/book_export.h"
#include "command.h"

namespace folian::cli {
namespace {

struct Txt2UmdArgs {
  std::string title, author, file;
};

int Txt2Umd(const Txt2UmdArgs& args) {
  const app::ExportResult r = app::ExportUmd(args.file, args.title, args.author);
  if (!r.ok) {
    fmt::print(stderr, "folian-cli txt2umd: {}: {}\n", args.file, r.message);
    return kExitFailed;
  }
  for (const std::string& note : r.notes) fmt::print(stderr, "folian-cli txt2umd: {}\n", note);
  fmt::print("{}\n", r.output.string());
  std::fflush(stdout);
  return kExitOk;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand("txt2umd", "Pack a text file as a UMD e-book NAME.umd beside it");
  auto args = std::make_shared<Txt2UmdArgs>();
  cmd->add_option("--title", args->title, "Book title (default: the file's base name)");
  cmd->add_option("--author", args->author, "Author");
  cmd->add_option("FILE", args->file, "Text file (GBK, UTF-8 or UTF-16)")->required();
  cmd->callback([args, exit_code] { *exit_code = Txt2Umd(*args); });
}};

}  // namespace
}  // namespace folian::cli
