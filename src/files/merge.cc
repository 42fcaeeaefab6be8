#include "files/merge.h"

#include <system_error>

#include "charset/codepage.h"
#include "text/atomic_write.h"
#include "text/text_file.h"

namespace folian::files {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCrLf = "\r\n";

}  // namespace

MergedText BuildMergedText(std::span<const fs::path> sources, bool headings,
                           ProgressSink* progress, const CancelFlag* cancel) {
  MergedText out;
  if (progress != nullptr) {
    progress->SetRange(0, static_cast<std::int64_t>(sources.size()));
    progress->SetPosition(0);
  }
  std::int64_t done = 0;
  for (const fs::path& source : sources) {
    if (Cancelled(cancel)) {
      out.cancelled = true;
      return out;
    }
    text::LoadedText loaded;
    std::string error;
    if (!text::LoadTextFile(source, &loaded, &error)) {
      out.unreadable.push_back({source, error});
    } else {
      if (headings) {
        out.gbk.append(kCrLf).append(kCrLf);
        out.gbk += charset::Utf8ToGbk(source.stem().string());
        out.gbk.append(kCrLf).append(kCrLf);
      }
      if (loaded.encoding.mark) out.gbk += ' ';
      out.gbk += loaded.text;
      for (int i = 0; i < 3; ++i) out.gbk.append(kCrLf);
      out.unmappable += loaded.unmappable;
      out.merged.push_back(source);
    }
    if (progress != nullptr) progress->SetPosition(++done);
  }
  return out;
}

std::string MergedFileName(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  if (out.size() < 4 || out.compare(out.size() - 4, 4, ".txt") != 0) out += ".txt";
  return out;
}

MergeOutcome WriteMerged(const fs::path& target, const MergedText& merged, bool replace_existing,
                         bool delete_sources) {
  MergeOutcome outcome;
  // Which sources are the target must be known before the target is
  // replaced: afterwards that name holds the merged text.
  std::vector<bool> is_target(merged.merged.size(), false);
  for (std::size_t i = 0; i < merged.merged.size(); ++i) {
    std::error_code ec;
    is_target[i] = fs::equivalent(merged.merged[i], target, ec);
  }
  const auto existing = replace_existing ? text::ExistingFile::kReplace : text::ExistingFile::kKeep;
  if (!text::WriteFileAtomic(target, merged.gbk, &outcome.error, existing)) return outcome;
  outcome.written = true;
  if (!delete_sources) return outcome;
  for (std::size_t i = 0; i < merged.merged.size(); ++i) {
    if (is_target[i]) continue;
    std::error_code ec;
    if (fs::remove(merged.merged[i], ec)) {
      outcome.deleted.push_back(merged.merged[i]);
    } else if (ec) {
      outcome.not_deleted.push_back({merged.merged[i], ec.message()});
    }
  }
  return outcome;
}

}  // namespace folian::files
