// Chapter analysis: where the chapters of a GBK text start, found with a
// pattern of the engine's dialect, and the short titles the split dialog
// lists. A chapter runs from its start to the next chapter's start (the last
// one to the end of the text); text before the first chapter is a preamble.
//
// Matches are searched with ALLMATCHES|KEEPGROUPS|WHOLECHARS: a chapter never
// starts or ends inside a double-byte character. Empty matches do not start
// chapters: they name nothing and would cut the text at every byte. The
// pattern is the user's, so the search runs under the engine's match budget:
// one that backtracks catastrophically stops instead of running for hours.
//
// Example:
//   ChapterList list = FindChapters(text, DefaultChapterPattern());
//   if (list.status == ChapterStatus::kOk)
//     for (const Chapter& c : list.chapters) Use(c.offset, c.title);
//
// Tested by tests/files/chapters_test.cc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"

namespace folian::files {

// The longest pattern the split dialog takes, in GBK bytes.
inline constexpr std::size_t kMaxChapterPatternBytes = 4096;
// A title in the chapter list holds at most this many bytes of its match.
inline constexpr std::size_t kChapterTitleBytes = 30;
// More chapters than this means the pattern matches ordinary text: a 20 MB
// novel of 1 KB chapters has 20,000; listing or writing millions of pieces
// would only stall the window and flood the folder.
inline constexpr std::size_t kMaxChapters = 100000;

// The initial chapter pattern (GBK bytes, ending in a line feed): "第", one
// to twelve bytes of numerals, a unit word (章 节 節 回 集 部分), the rest of
// the line.
const std::string& DefaultChapterPattern();

struct Chapter {
  std::size_t offset = 0;  // byte offset of the chapter's start in the text
  std::string title;       // GBK: the match without its line end, cut to kChapterTitleBytes
};

enum class ChapterStatus {
  kOk,
  kBadPattern,  // `error` holds the engine's message
  kTooLong,     // the pattern has more than kMaxChapterPatternBytes
  kTooMany,     // more than kMaxChapters (no chapters are kept)
  kOverBudget,  // the pattern passed the match budget (regex::kOverBudgetMessage)
  kCancelled,
};

struct ChapterList {
  ChapterStatus status = ChapterStatus::kOk;
  std::string error;
  std::vector<Chapter> chapters;
};

// Finds the chapters of `gbk_text`. Progress goes 0..100 by the position in
// the text reached; a set cancel flag stops the search (kCancelled, no
// chapters). An empty text or pattern finds nothing.
ChapterList FindChapters(std::string_view gbk_text, std::string_view pattern_gbk,
                         ProgressSink* progress = nullptr, const CancelFlag* cancel = nullptr);

// The list title of a match: line-end bytes (CR, LF) at its end removed, then
// cut to at most `limit` bytes without splitting a double-byte character.
std::string ChapterTitle(std::string_view match, std::size_t limit = kChapterTitleBytes);

// Removes chapter `index` so that its text joins the chapter before it (the
// first chapter joins the preamble). False when there is no such chapter.
bool DropChapter(std::vector<Chapter>* chapters, std::size_t index);

// The length in bytes of the GBK character starting at `i` (1 or 2), by the
// rule the pattern engine uses for WHOLECHARS.
std::size_t GbkCharLength(std::string_view text, std::size_t i);

}  // namespace folian::files
