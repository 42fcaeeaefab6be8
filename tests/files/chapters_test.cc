// Chapter analysis: which matches start chapters, the list titles, removal,
// progress and the failures the dialog reports.
#include "files/chapters.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "charset/codepage.h"
#include "regex/regex.h"
#include "support/temp_dir.h"

namespace folian::files {
namespace {

std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

std::vector<std::size_t> Offsets(const ChapterList& list) {
  std::vector<std::size_t> out;
  for (const Chapter& c : list.chapters) out.push_back(c.offset);
  return out;
}

class RecordingProgress : public ProgressSink {
 public:
  std::int64_t lo = -1, hi = -1;
  std::vector<std::int64_t> positions;
  void SetRange(std::int64_t a, std::int64_t b) override { lo = a, hi = b; }
  void SetPosition(std::int64_t p) override { positions.push_back(p); }
};

TEST(ChaptersTest, DefaultPatternFindsTitlesAndTheirTexts) {
  const std::string preamble = G("书名：测试\r\n作者：某人\r\n");
  const std::string c1 = G("第一章 开端\r\n正文一。\r\n");
  const std::string c2 = G("第十二回 中段\r\n正文二。\r\n");
  const std::string c3 = G("第3节 收尾\r\n正文三。\r\n");
  const std::string text = preamble + c1 + c2 + c3;
  const ChapterList list = FindChapters(text, DefaultChapterPattern());
  ASSERT_EQ(list.status, ChapterStatus::kOk);
  EXPECT_EQ(Offsets(list), (std::vector<std::size_t>{preamble.size(), preamble.size() + c1.size(),
                                                     preamble.size() + c1.size() + c2.size()}));
  ASSERT_EQ(list.chapters.size(), 3u);
  EXPECT_EQ(list.chapters[0].title, G("第一章 开端"));
  EXPECT_EQ(list.chapters[1].title, G("第十二回 中段"));
  EXPECT_EQ(list.chapters[2].title, G("第3节 收尾"));
  // Full-width digits and the two-character unit word.
  const ChapterList more = FindChapters(G("第１２部分 尾声\n"), DefaultChapterPattern());
  ASSERT_EQ(more.chapters.size(), 1u);
  EXPECT_EQ(more.chapters[0].title, G("第１２部分 尾声"));
  // A title on the last line without a line feed is no match of the pattern.
  EXPECT_TRUE(FindChapters(G("第一章 开端"), DefaultChapterPattern()).chapters.empty());
}

TEST(ChaptersTest, TitlesLoseTheirLineEndAndAreCutOnCharacterBoundaries) {
  EXPECT_EQ(ChapterTitle("abc\r\n"), "abc");
  EXPECT_EQ(ChapterTitle("abc\n"), "abc") << "a file with LF line ends keeps its last character";
  // "x" then 15 Chinese characters: byte 30 would cut the last one in half.
  const std::string title = "x" + G("一二三四五六七八九十一二三四五") + "\r\n";
  const std::string cut = ChapterTitle(title);
  EXPECT_EQ(cut, "x" + G("一二三四五六七八九十一二三四"));
  EXPECT_EQ(cut.size(), 29u);
  EXPECT_EQ(ChapterTitle(G("一二三四五六七八九十一二三四五六")).size(), kChapterTitleBytes);
}

// The byte dialect would see 第 in the trail byte of one character and the
// lead byte of the next; a chapter must not start there.
TEST(ChaptersTest, NoChapterStartsInsideACharacter) {
  // B0B5 DAB0 CBC4: three characters; bytes 1-2 are B5 DA (第), 4-5 are 四.
  const std::string text = std::string("\xB0\xB5\xDA\xB0\xCB\xC4") + G("章 标题\r\n正文\r\n");
  regex::MatchResult bytes_only;
  ASSERT_TRUE(regex::Pattern::Compiled(DefaultChapterPattern(), regex::ALLMATCHES | regex::KEEPGROUPS)
                  .Match(text, &bytes_only));
  EXPECT_EQ(bytes_only[0].start, 1) << "the byte dialect alone finds the straddling match";
  EXPECT_TRUE(FindChapters(text, DefaultChapterPattern()).chapters.empty());
}

TEST(ChaptersTest, EmptyMatchesStartNoChapter) {
  const std::string text = G("第一章 甲\n正文\n第二章 乙\n正文\n");
  EXPECT_TRUE(FindChapters(text, "x*").chapters.empty());
  const ChapterList ahead = FindChapters(text, G("(?=第)|第.章"));
  EXPECT_TRUE(ahead.chapters.empty()) << "look-ahead matches are empty";
  // After an empty match the search takes a non-empty one at the same place.
  EXPECT_EQ(FindChapters(text, G("x*|第.{2}章")).chapters.size(), 2u);
  EXPECT_EQ(Offsets(FindChapters(text, G("第.{2}章"))).size(), 2u);
}

TEST(ChaptersTest, FailuresAreReported) {
  const std::string text = G("第一章 甲\n");
  ChapterList bad = FindChapters(text, "(abc");
  EXPECT_EQ(bad.status, ChapterStatus::kBadPattern);
  EXPECT_EQ(bad.error, "mismatched parenthesis");
  EXPECT_EQ(FindChapters(text, std::string(kMaxChapterPatternBytes + 1, 'a')).status,
            ChapterStatus::kTooLong);
  EXPECT_EQ(FindChapters(text, std::string(kMaxChapterPatternBytes, 'a')).status, ChapterStatus::kOk);

  const std::string many(kMaxChapters + 10, 'a');
  ChapterList flood = FindChapters(many, "a");
  EXPECT_EQ(flood.status, ChapterStatus::kTooMany);
  EXPECT_TRUE(flood.chapters.empty());
  EXPECT_EQ(FindChapters(std::string(kMaxChapters, 'a'), "a").chapters.size(), kMaxChapters);

  CancelFlag stop{true};
  ChapterList cancelled = FindChapters(text, DefaultChapterPattern(), nullptr, &stop);
  EXPECT_EQ(cancelled.status, ChapterStatus::kCancelled);
  EXPECT_TRUE(cancelled.chapters.empty());

  EXPECT_TRUE(FindChapters("", DefaultChapterPattern()).chapters.empty());
  EXPECT_TRUE(FindChapters(text, "").chapters.empty());
}

TEST(ChaptersTest, ProgressRisesToTheEnd) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += G("第" + std::to_string(i) + "章 题\r\n") + std::string(500, 'x') + "\r\n";
  RecordingProgress progress;
  const ChapterList list = FindChapters(text, DefaultChapterPattern(), &progress);
  EXPECT_EQ(list.chapters.size(), 300u);
  EXPECT_EQ(progress.lo, 0);
  EXPECT_EQ(progress.hi, 100);
  ASSERT_GE(progress.positions.size(), 50u);
  for (std::size_t i = 1; i < progress.positions.size(); ++i) {
    EXPECT_LE(progress.positions[i - 1], progress.positions[i]);
  }
  EXPECT_EQ(progress.positions.back(), 100);
}

TEST(ChaptersTest, DroppingJoinsAChapterToTheOneBefore) {
  std::vector<Chapter> chapters{{0, "a"}, {10, "b"}, {20, "c"}};
  EXPECT_FALSE(DropChapter(&chapters, 3));
  EXPECT_TRUE(DropChapter(&chapters, 1));
  ASSERT_EQ(chapters.size(), 2u);
  EXPECT_EQ(chapters[1].offset, 20u);
  EXPECT_TRUE(DropChapter(&chapters, 0));
  EXPECT_EQ(chapters.front().title, "c");
}

std::string ReadShared(const std::string& name) {
  return testing::ReadBytes(std::string(FOLIAN_SHARED_DIR) + "/text/clean/" + name);
}

// Real novels: every line that is a chapter title by the novels' own
// convention ("第…回" or "第…章" at the start of a line) starts a chapter,
// and nothing else does in these texts.
TEST(ChaptersTest, NovelTitlesAreFound) {
  int novels = 0;
  for (const char* name : {"xiyouji.gbk.txt", "sanguo.gbk.txt", "laocan.gbk.txt", "rulin.gbk.txt",
                           "hongloumeng.gbk.txt"}) {
    const std::string text = ReadShared(name);
    if (text.empty()) continue;
    ++novels;
    std::vector<std::size_t> expected;
    const std::string di = G("第"), hui = G("回"), zhang = G("章");
    for (std::size_t pos = 0; pos < text.size();) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) break;
      const std::string_view line(text.data() + pos, end - pos);
      if (line.substr(0, 2) == di) {
        // A unit word within the next twelve bytes, at a character start.
        for (std::size_t i = 2; i <= 2 + 12 && i + 2 <= line.size(); i += GbkCharLength(line, i)) {
          if (line.substr(i, 2) == hui || line.substr(i, 2) == zhang) {
            expected.push_back(pos);
            break;
          }
        }
      }
      pos = end + 1;
    }
    const ChapterList list = FindChapters(text, DefaultChapterPattern());
    std::vector<std::size_t> at_line_start;
    for (const Chapter& c : list.chapters) {
      if (c.offset == 0 || text[c.offset - 1] == '\n') at_line_start.push_back(c.offset);
    }
    EXPECT_GE(expected.size(), 40u) << name;
    EXPECT_EQ(at_line_start, expected) << name;
  }
  if (novels == 0) GTEST_SKIP() << FOLIAN_SHARED_DIR "/text/clean not found";
}

}  // namespace
}  // namespace folian::files
