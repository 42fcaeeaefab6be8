#include "files/chapters.h"

#include "charset/codepage.h"
#include "regex/regex.h"

namespace folian::files {

const std::string& DefaultChapterPattern() {
  static const std::string pattern = charset::Utf8ToGbk(
      "第[一二三四五六七八九十○零百千0-9１２３４５６７８９０]{1,12}(章|节|節|回|集|部分).*?\n");
  return pattern;
}

std::size_t GbkCharLength(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x81 || lead > 0xFE || i + 1 >= text.size()) return 1;
  const auto trail = static_cast<unsigned char>(text[i + 1]);
  return trail >= 0x40 && trail != 0x7F && trail != 0xFF ? 2 : 1;
}

std::string ChapterTitle(std::string_view match, std::size_t limit) {
  while (!match.empty() && (match.back() == '\n' || match.back() == '\r')) match.remove_suffix(1);
  std::size_t end = 0;
  while (end < match.size()) {
    const std::size_t n = GbkCharLength(match, end);
    if (end + n > limit) break;
    end += n;
  }
  return std::string(match.substr(0, end));
}

bool DropChapter(std::vector<Chapter>* chapters, std::size_t index) {
  if (index >= chapters->size()) return false;
  chapters->erase(chapters->begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

ChapterList FindChapters(std::string_view gbk_text, std::string_view pattern_gbk,
                         ProgressSink* progress, const CancelFlag* cancel) {
  ChapterList list;
  if (pattern_gbk.size() > kMaxChapterPatternBytes) {
    list.status = ChapterStatus::kTooLong;
    return list;
  }
  if (gbk_text.empty() || pattern_gbk.empty()) return list;
  regex::Pattern pattern;
  try {
    pattern.Compile(pattern_gbk, regex::ALLMATCHES | regex::KEEPGROUPS | regex::WHOLECHARS);
  } catch (const regex::bad_regexpr& e) {
    list.status = ChapterStatus::kBadPattern;
    list.error = e.what();
    return list;
  }
  if (progress != nullptr) {
    progress->SetRange(0, 100);
    progress->SetPosition(0);
  }
  int shown = 0;
  bool over_budget = false;
  pattern.ForEachMatch(
      gbk_text,
      [&](std::span<const regex::Span> groups) {
        const regex::Span& whole = groups[0];
        const auto start = static_cast<std::size_t>(whole.start);
        if (whole.length == 0) return true;
        if (list.chapters.size() == kMaxChapters) {
          list.status = ChapterStatus::kTooMany;
          return false;
        }
        list.chapters.push_back({start, ChapterTitle(gbk_text.substr(start, whole.length))});
        if (progress != nullptr) {
          const int percent = static_cast<int>((start + whole.length) * 100 / gbk_text.size());
          if (percent != shown) progress->SetPosition(shown = percent);
        }
        return true;
      },
      cancel, &over_budget);
  if (over_budget) list.status = ChapterStatus::kOverBudget;
  if (Cancelled(cancel)) list.status = ChapterStatus::kCancelled;
  if (list.status != ChapterStatus::kOk) {
    list.chapters.clear();
    return list;
  }
  if (progress != nullptr) progress->SetPosition(100);
  return list;
}

}  // namespace folian::files
