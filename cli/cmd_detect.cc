// folian-cli detect FILE...: how each file is stored, as the window's status
// bar would show it.
#include <fmt/core.h>

#include <string>
#include <vector>

#include "command.h"
#include "text/decode.h"
#include "text/encoding_detector.h"
#include "text/encoding_text.h"
#include "text/text_file.h"

namespace folian::cli {
namespace {

const char* ReadAs(text::StoredEncoding enc) {
  switch (enc.bom_class) {
    case text::kBomUtf8:
      return enc.mark ? "read as UTF-8" : "read as UTF-8 (no mark)";
    case text::kBomUtf16LE:
      return enc.mark ? "read as UTF-16LE" : "read as UTF-16LE (no mark)";
    case text::kBomUtf16BE:
      return enc.mark ? "read as UTF-16BE" : "read as UTF-16BE (no mark)";
    default:
      return "read as ANSI";
  }
}

int Detect(const std::vector<std::string>& files) {
  int rc = kExitOk;
  for (const auto& file : files) {
    int codepage = 0, bom_flag = 0;
    int status = text::DetectEncoding(file, text::kDetectSampleSize,
                                      text::kDetectCodePage | text::kDetectBomFlag, &codepage,
                                      &bom_flag);
    int bom_class = text::probe_bom_class(file);
    text::LoadedText loaded;
    std::string error;
    if (status != text::kDetectOk || bom_class == text::kBomCannotOpen ||
        !text::LoadTextFile(file, &loaded, &error)) {
      if (error.empty()) error = fmt::format("\"{}\": cannot read (status {})", file, status);
      fmt::print(stderr, "folian-cli detect: {}\n", error);
      rc = kExitFailed;
      continue;
    }
    fmt::print("{}\tclass {}\tcp {}\tbom {}\t{}\t{}\n", file, bom_class, codepage, bom_flag,
               text::EncodingText(codepage, bom_flag), ReadAs(loaded.encoding));
  }
  std::fflush(stdout);
  return rc;
}

RegisterCommand reg{[](CLI::App& app, int* exit_code) {
  auto* cmd = app.add_subcommand(
      "detect",
      "Show each file's byte-order-mark class, detected code page, BOM flag and encoding text");
  auto files = std::make_shared<std::vector<std::string>>();
  cmd->add_option("FILE", *files, "Text files")->required();
  cmd->callback([files, exit_code] { *exit_code = Detect(*files); });
}};

}  // namespace
}  // namespace folian::cli
