// Splitting: piece names and contents by chapter and by size, the edge cases
// of line ends and long lines in every encoding, and the write checks.
#include "files/split.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "charset/codepage.h"
#include "support/bytes.h"
#include "support/temp_dir.h"
#include "text/text_file.h"

namespace folian::files {
namespace {

namespace fs = std::filesystem;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::Utf16;
using folian::testing::WriteBytes;

std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

std::vector<std::string> Names(const SplitPlan& plan) {
  std::vector<std::string> out;
  for (const SplitPiece& p : plan.pieces) out.push_back(p.path.filename().string());
  return out;
}

std::string Joined(const SplitPlan& plan) {
  std::string out;
  for (const SplitPiece& p : plan.pieces) out += p.bytes;
  return out;
}

// --- by chapter ---

TEST(ChapterSplitTest, TextBeforeTheFirstChapterIsPieceZero) {
  const std::string text = G("序言\r\n第一章\r\n甲\r\n第二章\r\n乙\r\n");
  const std::size_t c1 = G("序言\r\n").size(), c2 = c1 + G("第一章\r\n甲\r\n").size();
  const SplitPlan plan = PlanChapterSplit(text, std::vector<Chapter>{{c1, ""}, {c2, ""}},
                                          {text::kBomAnsi, false}, "/out", "book");
  EXPECT_EQ(Names(plan), (std::vector<std::string>{"book0000.txt", "book0001.txt", "book0002.txt"}));
  EXPECT_EQ(plan.pieces[0].path, fs::path("/out/book0000.txt"));
  EXPECT_EQ(plan.pieces[0].bytes, G("序言\r\n"));
  EXPECT_EQ(plan.pieces[2].bytes, G("第二章\r\n乙\r\n"));
  EXPECT_EQ(Joined(plan), text);
  EXPECT_EQ(plan.unmappable, 0u);
}

TEST(ChapterSplitTest, AFirstChapterAtOffsetZeroGivesNoPieceZero) {
  const std::string text = G("第一章\n甲\n第二章\n乙\n");
  const std::vector<Chapter> chapters{{0, ""}, {G("第一章\n甲\n").size(), ""}};
  const SplitPlan plan = PlanChapterSplit(text, chapters, {text::kBomAnsi, false}, ".", "p");
  EXPECT_EQ(Names(plan), (std::vector<std::string>{"p0001.txt", "p0002.txt"}));
  EXPECT_EQ(Joined(plan), text);
  // Without any chapter the whole text is the text before the first one.
  EXPECT_EQ(Names(PlanChapterSplit(text, {}, {text::kBomAnsi, false}, ".", "p")),
            std::vector<std::string>{"p0000.txt"});
  EXPECT_TRUE(PlanChapterSplit("", chapters, {text::kBomAnsi, false}, ".", "p").pieces.empty());
}

TEST(ChapterSplitTest, DroppingAChapterJoinsItToTheOneBefore) {
  const std::string a = G("第一章\n甲\n"), b = G("第二章\n乙\n"), c = G("第三章\n丙\n");
  std::vector<Chapter> chapters{{0, ""}, {a.size(), ""}, {a.size() + b.size(), ""}};
  ASSERT_TRUE(DropChapter(&chapters, 1));
  const SplitPlan plan = PlanChapterSplit(a + b + c, chapters, {text::kBomAnsi, false}, ".", "p");
  ASSERT_EQ(plan.pieces.size(), 2u);
  EXPECT_EQ(plan.pieces[0].bytes, a + b);
  EXPECT_EQ(plan.pieces[1].bytes, c);
  // The first chapter dropped joins the text before it.
  std::vector<Chapter> two{{3, ""}, {a.size(), ""}};
  ASSERT_TRUE(DropChapter(&two, 0));
  const SplitPlan joined = PlanChapterSplit(a + b, two, {text::kBomAnsi, false}, ".", "p");
  EXPECT_EQ(Names(joined), (std::vector<std::string>{"p0000.txt", "p0001.txt"}));
  EXPECT_EQ(joined.pieces[0].bytes, a);
}

TEST(ChapterSplitTest, PiecesTakeTheSourceEncodingAndMark) {
  const std::string text = G("第一章\n中文\n");
  const std::vector<Chapter> chapters{{0, ""}, {G("第一章\n").size(), ""}};
  const SplitPlan utf8 = PlanChapterSplit(text, chapters, {text::kBomUtf8, true}, ".", "p");
  ASSERT_EQ(utf8.pieces.size(), 2u);
  EXPECT_EQ(utf8.pieces[0].bytes, "\xEF\xBB\xBF" "\xE7\xAC\xAC\xE4\xB8\x80\xE7\xAB\xA0\n");
  EXPECT_EQ(utf8.pieces[1].bytes, "\xEF\xBB\xBF" "\xE4\xB8\xAD\xE6\x96\x87\n");
  const SplitPlan bare = PlanChapterSplit(text, chapters, {text::kBomUtf8, false}, ".", "p");
  EXPECT_EQ(bare.pieces[1].bytes, "\xE4\xB8\xAD\xE6\x96\x87\n");
  const SplitPlan le = PlanChapterSplit(text, chapters, {text::kBomUtf16LE, true}, ".", "p");
  EXPECT_EQ(le.pieces[1].bytes, "\xFF\xFE" + Utf16(u"中文\n"));
  const SplitPlan be = PlanChapterSplit(text, chapters, {text::kBomUtf16BE, true}, ".", "p");
  EXPECT_EQ(be.pieces[1].bytes, "\xFE\xFF" + Utf16(u"中文\n", true));
  // A byte that is no GBK character cannot be written as UTF-8: counted.
  const SplitPlan lossy =
      PlanChapterSplit(std::string("ab\x81", 3), {}, {text::kBomUtf8, false}, ".", "p");
  EXPECT_EQ(lossy.unmappable, 1u);
}

// --- by size ---

SplitPlan BySize(std::string_view bytes, std::uint64_t size) {
  SplitPlan plan;
  EXPECT_TRUE(PlanSizeSplit(bytes, size, "/d", "n", &plan));
  return plan;
}

TEST(SizeSplitTest, WholeLinesUntilThePieceHoldsTheSize) {
  // Lines of 4 characters read (3 + LF); a piece closes once it holds >= 8.
  const SplitPlan plan = BySize("aaa\nbbb\nccc\nddd\neee", 8);
  EXPECT_EQ(Names(plan), (std::vector<std::string>{"n_001.txt", "n_002.txt", "n_003.txt"}));
  EXPECT_EQ(plan.pieces[0].path, fs::path("/d/n_001.txt"));
  EXPECT_EQ(plan.pieces[0].bytes, "aaa\r\nbbb\r\n");
  EXPECT_EQ(plan.pieces[1].bytes, "ccc\r\nddd\r\n");
  // A last line without a line feed ends with CR LF.
  EXPECT_EQ(plan.pieces[2].bytes, "eee\r\n");
}

TEST(SizeSplitTest, AFileEndingInALineFeedGetsOneExtraLine) {
  const SplitPlan plan = BySize("aaa\nbbb\nccc\n", 8);
  ASSERT_EQ(plan.pieces.size(), 2u);
  EXPECT_EQ(plan.pieces[1].bytes, "ccc\r\n\r\n");
  // Also when the last piece closes exactly at the end.
  const SplitPlan even = BySize("aaa\nbbb\n", 4);
  ASSERT_EQ(even.pieces.size(), 2u);
  EXPECT_EQ(even.pieces[1].bytes, "bbb\r\n\r\n");
}

TEST(SizeSplitTest, CrLfIsReadAsOneLineFeed) {
  // "aaa\r\n" counts 4, as a text stream reads it: two lines fill a piece of 8.
  const SplitPlan plan = BySize("aaa\r\nbbb\r\nccc\r\n", 8);
  ASSERT_EQ(plan.pieces.size(), 2u);
  EXPECT_EQ(plan.pieces[0].bytes, "aaa\r\nbbb\r\n");
  EXPECT_EQ(plan.pieces[1].bytes, "ccc\r\n\r\n");
  // A lone CR stays part of its line.
  EXPECT_EQ(BySize("a\rb\nccccccccc", 4).pieces[0].bytes, "a\rb\r\n");
}

TEST(SizeSplitTest, ALineLongerThanThePieceIsCutWithoutLoss) {
  const SplitPlan plan = BySize("abcdefghij\nxy\n", 4);
  ASSERT_EQ(plan.pieces.size(), 3u);
  EXPECT_EQ(plan.pieces[0].bytes, "abcd\r\n");
  EXPECT_EQ(plan.pieces[1].bytes, "efgh\r\n");
  EXPECT_EQ(plan.pieces[2].bytes, "ij\r\nxy\r\n\r\n");
  // A line exactly as long as the piece stays whole, its line feed with it.
  EXPECT_EQ(BySize("abcd\nef\n", 4).pieces[0].bytes, "abcd\r\n");
}

TEST(SizeSplitTest, GbkLinesAreCutBetweenCharacters) {
  // "a" + 5 Chinese characters: a cut at 4 bytes would split the second one.
  const std::string line = "a" + G("一二三四五");
  const SplitPlan plan = BySize(line + "\n" + line + "\n", 4);
  ASSERT_EQ(plan.pieces.size(), 4u);
  EXPECT_EQ(plan.pieces[0].bytes, "a" + G("一") + "\r\n" + G("二三") + "\r\n");
  EXPECT_EQ(plan.pieces[1].bytes, G("四五") + "\r\n");
  std::string rebuilt;
  for (const SplitPiece& p : plan.pieces) {
    std::string b = p.bytes;
    for (std::size_t at; (at = b.find("\r\n")) != std::string::npos;) b.erase(at, 2);
    rebuilt += b;
  }
  EXPECT_EQ(rebuilt, line + line);
}

TEST(SizeSplitTest, Utf8PiecesKeepTheMarkAndWholeCharacters) {
  const std::string mark = "\xEF\xBB\xBF";
  const std::string zh = "\xE4\xB8\xAD";  // 中
  const std::string file = mark + zh + zh + zh + "\n" + zh + "\n" + zh + "\n" + "tail";
  const SplitPlan plan = BySize(file, 5);
  ASSERT_EQ(plan.pieces.size(), 3u);
  // A cut at 5 bytes would fall inside the second character.
  EXPECT_EQ(plan.pieces[0].bytes, mark + zh + "\r\n" + zh + "\r\n");
  EXPECT_EQ(plan.pieces[1].bytes, mark + zh + "\r\n" + zh + "\r\n");
  EXPECT_EQ(plan.pieces[2].bytes, mark + zh + "\r\ntail\r\n");
}

TEST(SizeSplitTest, Utf16PiecesAreCutOnUnitsNeverBetweenCharacters) {
  const std::u16string text = u"\u4E2D\u6587\r\n\u5B57\u5B57\U0001F600\u5B57\r\nend\n";
  for (bool be : {false, true}) {
    const std::string mark = be ? "\xFE\xFF" : "\xFF\xFE";
    const auto enc = [&](std::u16string_view s) { return Utf16(s, be); };
    const SplitPlan plan = BySize(mark + enc(text), 6);
    ASSERT_EQ(plan.pieces.size(), 3u) << be;
    EXPECT_EQ(plan.pieces[0].bytes, mark + enc(u"\u4E2D\u6587\r\n")) << be;
    // Three units fit 6 bytes, but the third is half a surrogate pair.
    EXPECT_EQ(plan.pieces[1].bytes, mark + enc(u"\u5B57\u5B57\r\n\U0001F600\u5B57\r\n")) << be;
    EXPECT_EQ(plan.pieces[2].bytes, mark + enc(u"end\r\n\r\n")) << be;
  }
  // A dangling last byte is kept.
  const SplitPlan odd = BySize("\xFF\xFE" + Utf16(u"ab\ncd") + "x", 8);
  ASSERT_EQ(odd.pieces.size(), 1u);
  EXPECT_EQ(odd.pieces[0].bytes, "\xFF\xFE" + Utf16(u"ab\r\ncd") + "x" + Utf16(u"\r\n"));
}

TEST(SizeSplitTest, APieceMustBeSmallerThanTheFile) {
  SplitPlan plan;
  EXPECT_FALSE(PlanSizeSplit("abc\n", 4, ".", "n", &plan));
  EXPECT_FALSE(PlanSizeSplit("abc\n", 100, ".", "n", &plan));
  EXPECT_FALSE(PlanSizeSplit("abc\n", 0, ".", "n", &plan));
  EXPECT_TRUE(plan.pieces.empty());
  EXPECT_TRUE(PlanSizeSplit("abc\n", 3, ".", "n", &plan));
}

std::string ReadShared(const std::string& name) {
  return testing::ReadBytes(std::string(FOLIAN_SHARED_DIR) + "/text/clean/" + name);
}

// A real novel (LF lines, shorter than the piece): the pieces hold every
// line in order with CR LF, plus the extra line at the very end.
TEST(SizeSplitTest, ANovelComesBackWhole) {
  const std::string novel = ReadShared("laocan.utf8.txt");
  if (novel.empty()) GTEST_SKIP() << "shared novels not found";
  const SplitPlan plan = BySize(novel, 20 << 10);
  EXPECT_LE(plan.pieces.size(), novel.size() / (20 << 10) + 1);
  EXPECT_GE(plan.pieces.size(), novel.size() / (22 << 10));
  std::string expected;
  for (char c : novel) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(Joined(plan), expected + "\r\n");
  for (std::size_t i = 0; i + 1 < plan.pieces.size(); ++i) {
    EXPECT_GE(plan.pieces[i].bytes.size(), 20u << 10);
  }
}

// --- checks and writing ---

TEST(SplitWriteTest, TakenNamesAndTheSourceItself) {
  TempDir dir;
  WriteBytes(dir / "book.txt", "x");
  WriteBytes(dir / "p0001.txt", "mine");
  const std::string text = G("第一章\n甲\n第二章\n乙\n");
  const SplitPlan plan = PlanChapterSplit(text, std::vector<Chapter>{{0, ""}, {G("第一章\n甲\n").size(), ""}},
                                          {text::kBomAnsi, false}, dir.path(), "p");
  EXPECT_EQ(ExistingPieces(plan), std::vector<fs::path>{dir / "p0001.txt"});
  EXPECT_FALSE(PlanOverwrites(plan, dir / "book.txt"));
  EXPECT_TRUE(PlanOverwrites(plan, dir / "p0001.txt"));
  fs::create_hard_link(dir / "p0001.txt", dir / "alias.txt");
  EXPECT_TRUE(PlanOverwrites(plan, dir / "alias.txt")) << "the same file under another name";

  SplitResult kept = WritePieces(plan, /*replace_existing=*/false);
  EXPECT_FALSE(kept.ok());
  EXPECT_EQ(kept.written, 0u);
  EXPECT_EQ(kept.failed, dir / "p0001.txt");
  EXPECT_NE(kept.error.find("p0001.txt"), std::string::npos) << kept.error;
  EXPECT_EQ(ReadBytes(dir / "p0001.txt"), "mine");
  EXPECT_FALSE(fs::exists(dir / "p0002.txt")) << "the split stops at the failed piece";

  SplitResult done = WritePieces(plan, /*replace_existing=*/true);
  EXPECT_TRUE(done.ok()) << done.error;
  EXPECT_EQ(done.written, 2u);
  EXPECT_EQ(ReadBytes(dir / "p0001.txt"), G("第一章\n甲\n"));
  EXPECT_EQ(ReadBytes(dir / "p0002.txt"), G("第二章\n乙\n"));

  CancelFlag stop{true};
  EXPECT_TRUE(WritePieces(plan, true, nullptr, &stop).cancelled);
}

TEST(SplitWriteTest, PrefixesAreBareNames) {
  EXPECT_TRUE(ValidPrefix(""));
  EXPECT_TRUE(ValidPrefix("第一卷 "));
  EXPECT_FALSE(ValidPrefix("../x"));
  EXPECT_FALSE(ValidPrefix(std::string("a\0b", 3)));
  EXPECT_EQ(SizePieceName("/d", "n", 1234), fs::path("/d/n_1234.txt"));
  EXPECT_EQ(ChapterPieceName("/d", "n", 12345), fs::path("/d/n12345.txt"));
}

}  // namespace
}  // namespace folian::files
