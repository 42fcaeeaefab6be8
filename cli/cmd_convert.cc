// folian-cli convert [-o DIR] [--format NAME] [--replace] FILE...: e-books to
// text, NAME.txt beside each input (or in DIR); formats that unpack pages
// write them into that folder (.exe books into a folder NAME inside it).
// Each output's path (the text file, or the pages' folder) goes to stdout
// on a line of its own, everything else to stderr.
#include <fmt/core.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/convert_file.h"
#include "command.h"
#include "convert/registry.h"

namespace folian::cli {
namespace {

struct ConvertArgs {
  std::string output_dir;
  std::string format;
  bool replace = false;
  std::vector<std::string> files;
};

int Convert(const ConvertArgs& args) {
  const convert::Format* format = nullptr;
  if (!args.format.empty()) {
    format = convert::FormatByName(args.format);
    if (format == nullptr) {
      fmt::print(stderr, "folian-cli convert: unknown format \"{}\"\n", args.format);
      return kExitUsage;
    }
  }
  if (!args.output_dir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(args.output_dir, ec);
    if (ec) {
      fmt::print(stderr, "folian-cli convert: {}: {}\n", args.output_dir, ec.message());
      return kExitFailed;
    }
  }
  int rc = kExitOk;
  for (const std::string& file : args.files) {
    app::ConvertJob job;
    job.input = file;
    job.output_dir = args.output_dir;
    job.format = format;
    job.replace = args.replace;
    const app::ConvertOutcome outcome = app::ConvertFile(job, convert::ReadContext{});
    if (!outcome.status.ok()) {
      fmt::print(stderr, "folian-cli convert: {}: {}\n", file, outcome.status.message());
      rc = kExitFailed;
      continue;
    }
    if (outcome.appended) {
      fmt::print(stderr, "folian-cli convert: {}: appended to the existing {}\n", file,
                 outcome.output.string());
    }
    if (outcome.encoding == convert::TextEncoding::kUtf8Mark && !outcome.appended) {
      fmt::print(stderr, "folian-cli convert: {}: characters GBK cannot hold: written as UTF-8 with a mark\n",
                 file);
    }
    fmt::print("{}\n", outcome.output.string());
    std::fflush(stdout);
  }
  return rc;
}

std::string FormatNames() {
  std::string names;
  for (const convert::Format& f : convert::Formats()) {
    if (!names.empty()) names += ", ";
    names += f.name;
  }
  return names;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand("convert", "Convert e-books to text (NAME.txt beside each input)");
  auto args = std::make_shared<ConvertArgs>();
  cmd->add_option("-o,--output-dir", args->output_dir,
                  "Write the outputs into this folder (created when missing)");
  cmd->add_option("--format", args->format,
                  "Read every input as this format (" + FormatNames() +
                      "); by default each file's extension and content decide");
  cmd->add_flag("--replace", args->replace,
                "Replace an existing NAME.txt even for formats that append to it (HTML)");
  cmd->add_option("FILE", args->files, "E-book files")->required();
  cmd->callback([args, exit_code] { *exit_code = Convert(*args); });
}};

}  // namespace
}  // namespace folian::cli
