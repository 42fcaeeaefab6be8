// folian-cli encode --to ansi|utf8|unicode [--force] FILE...: the three file
// encoding commands of the window, one file after another.
#include <fmt/core.h>

#include <map>
#include <string>
#include <vector>

#include "command.h"
#include "text/file_conversion.h"

namespace folian::cli {
namespace {

struct EncodeArgs {
  text::EncodingCommand to = text::EncodingCommand::kToAnsi;
  bool force = false;
  std::vector<std::string> files;
};

std::string Describe(text::StoredEncoding enc) {
  switch (enc.bom_class) {
    case text::kBomUtf8:
      return enc.mark ? "UTF-8" : "UTF-8 (no mark)";
    case text::kBomUtf16LE:
      return enc.mark ? "UTF-16LE" : "UTF-16LE (no mark)";
    case text::kBomUtf16BE:
      return enc.mark ? "UTF-16BE" : "UTF-16BE (no mark)";
    default:
      return "ANSI";
  }
}

int Encode(const EncodeArgs& args) {
  int rc = kExitOk;
  for (const auto& file : args.files) {
    text::ConversionReport r = text::ConvertFileEncoding(file, args.to, args.force);
    switch (r.outcome) {
      case text::ConversionOutcome::kConverted:
        fmt::print("{}: {} -> {}", file, Describe(r.from), Describe(r.to));
        if (r.unmappable > 0) fmt::print(" ({} character(s) became \"?\")", r.unmappable);
        fmt::print("\n");
        break;
      case text::ConversionOutcome::kNotTxt:
        fmt::print("{}: skipped (not a .txt file)\n", file);
        break;
      case text::ConversionOutcome::kLeftAlone:
        fmt::print("{}: left alone ({})\n", file, Describe(r.from));
        break;
      case text::ConversionOutcome::kRefusedLoss:
        fmt::print(stderr, "folian-cli encode: {}; not converted (use --force to convert anyway)\n",
                   r.error);
        rc = kExitFailed;
        break;
      case text::ConversionOutcome::kFailed:
        fmt::print(stderr, "folian-cli encode: {}\n", r.error);
        rc = kExitFailed;
        break;
    }
  }
  std::fflush(stdout);
  return rc;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand("encode", "Rewrite .txt files in another encoding");
  auto args = std::make_shared<EncodeArgs>();
  std::map<std::string, text::EncodingCommand> targets{
      {"ansi", text::EncodingCommand::kToAnsi},
      {"unicode", text::EncodingCommand::kToUnicode},
      {"utf8", text::EncodingCommand::kToUtf8}};
  cmd->add_option("--to", args->to,
                  "ansi: UTF-16/UTF-8 -> GBK; unicode: GBK/UTF-8 -> UTF-16LE; "
                  "utf8: GBK/UTF-16 -> UTF-8 (UTF-16 of either byte order)")
      ->required()
      ->transform(CLI::CheckedTransformer(targets, CLI::ignore_case));
  cmd->add_flag("--force", args->force,
                "Convert even when characters the new encoding cannot hold become \"?\"");
  cmd->add_option("FILE", args->files, "Text files (.txt only; others are skipped)")->required();
  cmd->callback([args, exit_code] { *exit_code = Encode(*args); });
}};

}  // namespace
}  // namespace folian::cli
