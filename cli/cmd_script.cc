// folian-cli script MODE [FILE]: simplified/traditional conversion of GBK text
// (OpenCC's s2t and t2s results, from OpenCC's installed dictionaries).
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "charset/script.h"
#include "command.h"
#include "text/atomic_write.h"

namespace folian::cli {
namespace {

int RunScript(const std::string& mode_name, const std::string& path) {
  static const std::map<std::string, charset::ScriptMode> kModes = {
      {"gb2gbk", charset::ScriptMode::kGbToGbk},
      {"gb2big5", charset::ScriptMode::kGbToBig5},
      {"big52gb", charset::ScriptMode::kBig5ToGb},
      {"gbk2gb", charset::ScriptMode::kGbkToGb},
  };
  // A regular file is read straight into a string of its size (a 20 MB
  // novel grown by appends is copied and faulted in several times over).
  std::string text, error;
  const bool from_stdin = path.empty() || path == "-";
  if (!(from_stdin ? text::ReadWholeStream(STDIN_FILENO, "-", &text, &error)
                   : text::ReadWholeFile(path, &text, &error))) {
    std::fprintf(stderr, "folian-cli script: %s\n", error.c_str());
    return kExitFailed;
  }
  const charset::ScriptMode mode = kModes.at(mode_name);
  if (!text.empty() && !charset::LoadScriptTable(charset::DirectionOf(mode), &error)) {
    std::fprintf(stderr, "folian-cli script: cannot read OpenCC's dictionary %s\n", error.c_str());
    return kExitFailed;
  }
  if (!charset::ConvertScript(text, mode)) {
    std::fprintf(stderr, "folian-cli script: the script conversion failed\n");
    return kExitFailed;
  }
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
    std::fprintf(stderr, "folian-cli script: cannot write standard output: %s\n", std::strerror(errno));
    return kExitFailed;
  }
  return kExitOk;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand(
      "script", "Convert GBK text between simplified and traditional Chinese (and to/from Big5); GBK bytes "
                "from FILE or standard input to standard output");
  auto mode = std::make_shared<std::string>();
  auto path = std::make_shared<std::string>();
  cmd->add_option("mode", *mode,
                  "gb2gbk: simplified -> traditional (GBK); gb2big5: simplified -> traditional Big5; "
                  "big52gb: Big5 -> simplified GBK; gbk2gb: traditional -> simplified (GBK)")
      ->required()
      ->check(CLI::IsMember({"gb2gbk", "gb2big5", "big52gb", "gbk2gb"}));
  cmd->add_option("file", *path, "input file (standard input when absent or \"-\")");
  cmd->callback([mode, path, exit_code] { *exit_code = RunScript(*mode, *path); });
}};

}  // namespace
}  // namespace folian::cli
