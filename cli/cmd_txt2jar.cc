// folian-cli txt2jar [--template JAR] FILE: FILE packed as a phone e-book
// NAME.jar beside it; its path on stdout, notes and errors on stderr. The
// reader template defaults to the JARTEMPLATE option of the settings store.
#include <fmt/core.h>

#include <memory>
#include <optional>
#include <string>

#include "app/book_export.h"
#include "app/options_store.h"
#include "app/settings_store.h"
#include "command.h"

namespace folian::cli {
namespace {

struct Txt2JarArgs {
  std::optional<std::string> template_jar;
  std::string file;
};

int Txt2Jar(const Txt2JarArgs& args) {
  std::filesystem::path template_jar;
  if (args.template_jar) {
    template_jar = *args.template_jar;
  } else {
    std::string error;
    if (!app::LoadJarTemplate(app::SettingsPath(), &template_jar, &error)) {
      fmt::print(stderr, "folian-cli txt2jar: {}\n", error);
      return kExitFailed;
    }
  }
  const app::ExportResult r = app::ExportJar(args.file, template_jar);
  if (!r.ok) {
    fmt::print(stderr, "folian-cli txt2jar: {}: {}\n", args.file, r.message);
    return kExitFailed;
  }
  for (const std::string& note : r.notes) fmt::print(stderr, "folian-cli txt2jar: {}\n", note);
  fmt::print("{}\n", r.output.string());
  std::fflush(stdout);
  return kExitOk;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand("txt2jar", "Pack a text file as a phone e-book NAME.jar beside it");
  auto args = std::make_shared<Txt2JarArgs>();
  cmd->add_option("--template", args->template_jar,
                  "Reader template jar whose entries are copied in first (default: the "
                  "JARTEMPLATE option; \"\" for none). Folian ships no reader program.");
  cmd->add_option("FILE", args->file, "Text file (GBK, UTF-8 or UTF-16)")->required();
  cmd->callback([args, exit_code] { *exit_code = Txt2Jar(*args); });
}};

}  // namespace
}  // namespace folian::cli
