// folian-cli cat [--utf8] FILE: the text as it is loaded into the editor.
#include <fmt/core.h>

#include <cstdio>
#include <string>

#include "charset/codepage.h"
#include "command.h"
#include "text/text_file.h"

namespace folian::cli {
namespace {

struct CatArgs {
  std::string file;
  bool utf8 = false;
};

int Cat(const CatArgs& args) {
  text::LoadedText loaded;
  std::string error;
  if (!text::LoadTextFile(args.file, &loaded, &error)) {
    fmt::print(stderr, "folian-cli cat: {}\n", error);
    return kExitFailed;
  }
  if (loaded.unmappable > 0)
    fmt::print(stderr, "folian-cli cat: \"{}\": {} character(s) cannot be held in GBK and show as \"?\"\n",
               args.file, loaded.unmappable);
  std::string out = args.utf8 ? charset::GbkToUtf8(loaded.text) : std::move(loaded.text);
  if (std::fwrite(out.data(), 1, out.size(), stdout) != out.size() || std::fflush(stdout) != 0) {
    fmt::print(stderr, "folian-cli cat: cannot write to standard output\n");
    return kExitFailed;
  }
  return kExitOk;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand("cat", "Print a file's text as loaded (GBK bytes, or UTF-8)");
  auto args = std::make_shared<CatArgs>();
  cmd->add_option("FILE", args->file, "Text file")->required();
  cmd->add_flag("--utf8", args->utf8, "Print UTF-8 instead of GBK bytes");
  cmd->callback([args, exit_code] { *exit_code = Cat(*args); });
}};

}  // namespace
}  // namespace folian::cli
