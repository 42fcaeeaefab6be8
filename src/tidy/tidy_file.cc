#include "tidy/tidy_file.h"

#include <chrono>
#include <cstdio>
#include <system_error>

#include "text/text_file.h"

namespace folian::tidy {

namespace {

TidyReport Run(const std::filesystem::path& path, const TidyOptions& options,
               const RuleTable& rules, const TidyFileParams& params) {
  TidyReport report;
  report.file = path.filename().string();
  const auto t0 = std::chrono::steady_clock::now();

  std::error_code ec;
  const std::uintmax_t bytes = std::filesystem::file_size(path, ec);
  report.size_kb = ec ? 0.0 : static_cast<double>(bytes) / 1024.0;

  text::LoadedText loaded;
  std::string error;
  if (!text::LoadTextFile(path, &loaded, &error)) {
    report.error = error.empty() ? "cannot read " + path.string() : error;
    return report;
  }

  TidyParams tidy = params.tidy;
  if (params.read_remove_txt && options.has_adver == 1) {
    std::vector<std::string> lines;
    if (LoadCustomRules("remove.txt", &lines)) {
      lines.insert(lines.end(), tidy.custom.begin(), tidy.custom.end());
      tidy.custom = std::move(lines);
    }
  }
  std::optional<std::string> result = TidyText(std::move(loaded.text), options, rules, tidy);
  if (!result) {
    report.cancelled = true;
    report.error = "cancelled: " + path.string();
    return report;
  }

  text::StoredEncoding encoding = loaded.encoding;
  // An empty UTF-8 result stays the plain empty file the ANSI write leaves.
  if (result->empty() && encoding.bom_class == text::kBomUtf8) encoding = {text::kBomAnsi, false};
  const std::filesystem::path& target = params.output.empty() ? path : params.output;
  // Characters the file holds but GBK cannot were lost on loading; the save
  // refuses rather than write them back as "?".
  text::SaveRequest request;
  request.loaded_loss = loaded.unmappable;
  if (!text::SaveTextFile(target, *result, encoding, request, &error)) {
    report.error = error.empty() ? "cannot write " + target.string() : error;
    return report;
  }

  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - t0)
                      .count();
  report.seconds = static_cast<double>(ms) / 1000.0;
  if (report.seconds == 0.0) report.seconds = 1.0;
  report.kb_per_sec = report.size_kb / report.seconds;
  report.ok = true;
  return report;
}

}  // namespace

TidyReport TidyFile(const std::filesystem::path& path, TidyOptions* options,
                    const RuleTable& rules, const TidyFileParams& params) {
  TidyReport report = Run(path, *options, rules, params);
  options->split_at_fullstop = false;
  return report;
}

std::string FormatReport(const TidyReport& r) {
  // UTF-8, like the file name, which stays as the file system spells it.
  constexpr const char* kFormat =
      "    文件 : %s\r\n"
      "    大小 : %8.2f(Kb)\r\n"
      "    耗时 : %8.2f(Sec)\r\n"
      "整理速度 : %8.2f(Kb/Sec)";
  const int n = std::snprintf(nullptr, 0, kFormat, r.file.c_str(), r.size_kb, r.seconds, r.kb_per_sec);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, kFormat, r.file.c_str(), r.size_kb, r.seconds,
                r.kb_per_sec);
  return out;
}

}  // namespace folian::tidy
