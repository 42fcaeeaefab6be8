// WinHelp files: the real Chinese sample, round trips through our own
// compressors and phrase coders (text in → help file → the same text out),
// code pages, the directory tree, and damaged files.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "convert/hlp/hlp_format.h"
#include "convert/hlp/internal_files.h"
#include "convert/hlp/lz77.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/registry.h"
#include "convert/text_sink.h"
#include "hlp_fixture.h"
#include "text_read.h"
#include "support/temp_dir.h"

namespace folian::convert {
namespace {

using testing::BuildHlp;
using testing::HlpCompression;
using testing::HlpDisplay;
using testing::HlpFile;
using testing::HlpLink;
using testing::HlpOptions;
using testing::HlpParagraphs;
using testing::HlpPhraseKind;
using testing::PutLe;
using testing::HlpTableRow;
using testing::HlpTopicHeader;
using testing::MakeHlp;

std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

using Read = folian::testing::TextRead;

Read Convert(std::string_view hlp, const ReadContext& ctx = {}) { return testing::ReadText(ReadHlp, hlp, ctx); }

HlpOptions Chinese(std::string_view title_utf8) {
  HlpOptions o;
  o.title = G(title_utf8);
  return o;
}

// A book of topics whose text runs over many blocks.
std::vector<HlpLink> LongBook(std::string* expected, int topics, int paragraphs) {
  std::vector<HlpLink> links;
  for (int t = 0; t < topics; ++t) {
    const std::string title = G("第") + std::to_string(t + 1) + G("回");
    links.push_back(HlpTopicHeader(title));
    std::vector<std::string> ps;
    *expected += "\r\n" + title + "\r\n";
    for (int p = 0; p < paragraphs; ++p) {
      std::string para = G("话说天下大势，分久必合，合久必分。") + std::to_string(t * 1000 + p) +
                         G("周末七国分争，并入于秦。");
      ps.push_back(para);
      *expected += para + "\r\n";
    }
    links.push_back(HlpParagraphs(ps));
  }
  return links;
}

// ---------------------------------------------------------------- sample

std::string SampleBytes() {
  return testing::ReadBytes(std::filesystem::path(FOLIAN_SHARED_DIR) /
                            "formats/third_party/hlp/reversi_86_64-REVERSI.zh-CN.hcw4-gbk.hlp");
}

// GB2312 characters of `bytes`, as a scan finds them without knowing the
// format: the reference for the sample, whose topic text is stored as is.
std::vector<std::string> Gb2312Characters(std::string_view bytes) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i + 1 < bytes.size();) {
    const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    if (a >= 0xA1 && a <= 0xF7 && b >= 0xA1 && b <= 0xFE) {
      out.emplace_back(bytes.substr(i, 2));
      i += 2;
    } else {
      ++i;
    }
  }
  return out;
}

std::size_t CommonInOrder(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<std::size_t> row(b.size() + 1, 0), next(b.size() + 1, 0);
  for (std::size_t i = 1; i <= a.size(); ++i) {
    for (std::size_t j = 1; j <= b.size(); ++j) {
      next[j] = a[i - 1] == b[j - 1] ? row[j - 1] + 1 : std::max(row[j], next[j - 1]);
    }
    std::swap(row, next);
  }
  return row[b.size()];
}

TEST(HlpSample, ChineseHelpFileGivesTitleTopicsAndAllItsText) {
  const std::string hlp = SampleBytes();
  if (hlp.empty()) GTEST_SKIP() << "../shared/formats/third_party/hlp is absent";
  const Read r = Convert(hlp);
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  EXPECT_EQ(r.text.substr(0, r.text.find("\r\n")), G("“翻转棋”帮助"));
  EXPECT_NE(r.text.find(G("\r\n\r\n玩翻转棋\r\n")), std::string::npos);
  EXPECT_NE(r.text.find(G("1\t选择难度：设置计算机的走棋水平。\r\n")), std::string::npos);
  EXPECT_NE(r.text.find(G("方向键\t移动指针。\r\n")), std::string::npos);  // a table row

  // The topic file's bytes, scanned for Chinese characters: every character
  // of the output (after the title line) comes from there in order, and at
  // least 98% of what the scan finds is in the output (the scan also picks
  // up a few byte pairs of jump hashes, which are not text).
  hlp::InternalFiles files;
  ASSERT_EQ(hlp::ReadInternalFiles(hlp, &files), hlp::DirectoryError::kNone);
  std::string_view topic;
  ASSERT_TRUE(files.Find("|TOPIC", &topic));
  const std::vector<std::string> reference = Gb2312Characters(topic);
  const std::vector<std::string> ours = Gb2312Characters(std::string_view(r.text).substr(r.text.find("\r\n")));
  const std::size_t common = CommonInOrder(reference, ours);
  EXPECT_EQ(common, ours.size());
  EXPECT_GE(common * 100, reference.size() * 98) << common << " of " << reference.size();
}

// ---------------------------------------------------------------- round trips

TEST(HlpRoundTrip, StoredTopicsParagraphsTablesAndCommands) {
  HlpOptions o = Chinese("测试帮助");
  const std::vector<HlpLink> links = {
      HlpTopicHeader(G("第一回")),
      HlpParagraphs({G("正文一"), G("正文二")}),
      HlpDisplay({{G("甲"), "\x83"},                                  // tab
                  {G("乙"), std::string("\x80\x01\x00", 3)},          // font
                  {G("丙"), "\x81"},                                  // line break
                  {"", std::string("\xE3\x01\x02\x03\x04", 5)},       // jump
                  {G("链接"), "\x89"},                                // hotspot end
                  {"", std::string("\xCC\x05\x00JI(1)", 8)},          // macro
                  {G("丁"), "\x8B"},                                  // no-break space
                  {G("戊"), std::string("\x86\x03\x0A\x80" "ABCDE", 9)},  // picture of 5 bytes
                  {G("己"), "\x82"},
                  {"", "\xFF"}}),
      HlpDisplay({{G("未知"), "\x99"}, {G("命令"), "\x82"}, {G("之后"), "\xFF"}}),  // an unknown command
      HlpTopicHeader(""),
      HlpTableRow({G("按键"), G("功能")}),
      HlpTableRow({G("方向键"), G("移动")}),
  };
  const Read r = Convert(MakeHlp(o, links));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  EXPECT_EQ(r.text, G("测试帮助\r\n\r\n第一回\r\n正文一\r\n正文二\r\n甲\t乙丙\r\n链接丁 戊己\r\n未知命令之后\r\n\r\n按键\t功能\r\n方向键\t移动\r\n"));
}

TEST(HlpRoundTrip, Lz77BlocksOfBothSizesAcrossBlockEnds) {
  for (const HlpCompression c : {HlpCompression::kNone, HlpCompression::kLz77Blocks4k, HlpCompression::kLz77Blocks2k}) {
    HlpOptions o = Chinese("三国演义");
    o.compression = c;
    std::string expected = G("三国演义") + "\r\n";
    const std::vector<HlpLink> links = LongBook(&expected, 12, 30);
    const std::string hlp = MakeHlp(o, links);
    const Read r = Convert(hlp);
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    EXPECT_EQ(r.text, expected) << static_cast<int>(c);
    if (c != HlpCompression::kNone) {
      EXPECT_LT(hlp.size(), expected.size());
    }
  }
}

TEST(HlpRoundTrip, CompressedBlocksUseTheirWholeSixteenKilobytes) {
  HlpOptions o = Chinese("长");
  o.compression = HlpCompression::kLz77Blocks4k;
  std::string expected = G("长") + "\r\n";
  std::vector<HlpLink> links;
  for (int t = 0; t < 3; ++t) {
    links.push_back(HlpTopicHeader(G("回")));
    expected += "\r\n" + G("回") + "\r\n";
    std::vector<std::string> ps(700, G("话说天下大势，分久必合，合久必分。"));
    for (const std::string& p : ps) expected += p + "\r\n";
    links.push_back(HlpParagraphs(ps));
  }
  const std::string hlp = MakeHlp(o, links);
  // Three topics of 24 KB each in 4 KB blocks: only blocks that expand to
  // 16 KB hold them.
  ASSERT_LT(hlp.size(), 40000u);
  const Read r = Convert(hlp);
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, expected);
}

TEST(HlpRoundTrip, OldPhraseTableStoredAndCompressed) {
  for (const HlpCompression c : {HlpCompression::kNone, HlpCompression::kLz77Blocks4k}) {
    HlpOptions o = Chinese("短语");
    o.compression = c;
    o.phrase_kind = HlpPhraseKind::kOld;
    o.phrases = {G("话说天下大势"), G("分久必合"), "help", G("周末七国分争")};
    std::string expected = G("短语") + "\r\n";
    std::vector<HlpLink> links = LongBook(&expected, 4, 20);
    links.push_back(HlpParagraphs({"help me, help you"}));  // a phrase followed by a space
    expected += "help me, help you\r\n";
    const Read r = Convert(MakeHlp(o, links));
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    EXPECT_EQ(r.text, expected);
  }
}

TEST(HlpRoundTrip, HallPhrasesWithTwoByteNumbersAndRuns) {
  for (const bool compressed_image : {false, true}) {
    HlpOptions o = Chinese("霍尔");
    o.phrase_kind = HlpPhraseKind::kHall;
    o.compress_phrase_image = compressed_image;
    o.compression = HlpCompression::kLz77Blocks2k;
    // 300 phrases: numbers past 127 take two bytes; lengths up to 40 make
    // the length code use its unary part.
    for (int k = 0; k < 300; ++k) o.phrases.push_back("p" + std::to_string(k) + std::string(k % 40, 'x') + "q");
    std::string para;
    for (int k = 299; k >= 0; k -= 7) para += o.phrases[k] + "    " + G("中文") + " ";
    const std::vector<HlpLink> links = {HlpTopicHeader(o.phrases[200]), HlpParagraphs({para, para})};
    const Read r = Convert(MakeHlp(o, links));
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    EXPECT_EQ(r.text, G("霍尔") + "\r\n\r\n" + o.phrases[200] + "\r\n" + para + "\r\n" + para + "\r\n");
  }
}

TEST(HlpRoundTrip, DirectoryWithAnIndexPageOverSeveralLeaves) {
  HlpOptions o = Chinese("目录");
  o.entries_per_leaf = 2;
  for (int k = 0; k < 7; ++k) o.extra_files.push_back({"|bm" + std::to_string(k), "picture"});
  const HlpFile f = BuildHlp(o, {HlpTopicHeader(G("甲")), HlpParagraphs({G("乙")})});
  ASSERT_GT(f.leaf_pages, 3u);
  const Read r = Convert(f.bytes);
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.text, G("目录\r\n\r\n甲\r\n乙\r\n"));
}

// ---------------------------------------------------------------- code pages

TEST(HlpCodePage, LanguageAndCharacterSetChooseTheDecoding) {
  // Taiwan: Big5 bytes, stored as GBK.
  HlpOptions big5;
  big5.lcid = 0x0404;
  big5.charset = 136;
  big5.title = charset::FromWide(charset::kBig5, u"說明");
  Read r = Convert(MakeHlp(big5, {HlpTopicHeader(charset::FromWide(charset::kBig5, u"第一章")),
                                  HlpParagraphs({charset::FromWide(charset::kBig5, u"內容")})}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
  EXPECT_EQ(r.text, G("說明\r\n\r\n第一章\r\n內容\r\n"));

  // No language record: the character set decides.
  HlpOptions gb = Chinese("标题");
  gb.lcid = 0;
  r = Convert(MakeHlp(gb, {HlpParagraphs({G("正文")})}));
  EXPECT_EQ(r.text, G("标题\r\n正文\r\n"));

  // English: cp1252; a letter GBK cannot hold makes the text UTF-8 with a mark.
  HlpOptions en;
  en.lcid = 0x0409;
  en.charset = 0;
  en.title = "Caf\xE9 help";
  r = Convert(MakeHlp(en, {HlpTopicHeader("Menu"), HlpParagraphs({"Gar\xE7on stra\xDF\x65"})}));
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8Mark);
  EXPECT_EQ(r.text, "Caf\xC3\xA9 help\r\n\r\nMenu\r\nGar\xC3\xA7on stra\xC3\x9F\x65\r\n");
}

// ---------------------------------------------------------------- damage

void ExpectRefused(const std::string& hlp, const char* message) {
  const Read r = Convert(hlp);
  EXPECT_FALSE(r.status.ok());
  EXPECT_EQ(r.status.message(), message);
  EXPECT_TRUE(r.text.empty());
}

std::string Plain() {
  return MakeHlp(Chinese("书"), {HlpTopicHeader(G("甲")), HlpParagraphs({G("乙")})});
}

TEST(HlpDamage, FileSystemFaults) {
  ExpectRefused("not a help file", msg::kHlpNotHelp);
  const std::string hlp = Plain();
  ExpectRefused(hlp.substr(0, hlp.size() / 2), msg::kHlpTruncated);
  ExpectRefused(hlp.substr(0, 10), msg::kHlpTruncated);

  HlpOptions o = Chinese("书");
  o.entries_per_leaf = 1;
  const HlpFile f = BuildHlp(o, {HlpTopicHeader(G("甲"))});
  ASSERT_GE(f.leaf_pages, 2u);
  std::string loop = f.bytes;
  PutLe(loop, f.PageAt(1) + 6, 0, 2);  // the second leaf's next is the first
  ExpectRefused(loop, msg::kHlpBadDirectory);
  std::string self = f.bytes;
  PutLe(self, f.PageAt(0) + 6, 0, 2);  // a leaf that is its own next
  ExpectRefused(self, msg::kHlpBadDirectory);
  std::string root = f.bytes;
  PutLe(root, f.directory + 9 + 26, 99, 2);  // root page past the pages
  ExpectRefused(root, msg::kHlpBadDirectory);
  std::string child = f.bytes;
  PutLe(child, f.PageAt(f.leaf_pages) + 4, 0x7FFF, 2);  // index page's first child
  ExpectRefused(child, msg::kHlpBadDirectory);
  std::string pages = f.bytes;
  PutLe(pages, f.directory + 9 + 30, 500, 2);  // more pages than the file holds
  ExpectRefused(pages, msg::kHlpTruncated);
  std::string offset = f.bytes;
  PutLe(offset, f.PageAt(0) + 8 + 8, 0x7FFFFFF0, 4);  // "|SYSTEM\0" then its offset
  ExpectRefused(offset, msg::kHlpTruncated);
}

TEST(HlpDamage, MissingSystemOrTopic) {
  HlpOptions o = Chinese("书");
  o.with_system = false;
  ExpectRefused(MakeHlp(o, {HlpParagraphs({G("乙")})}), msg::kHlpNoSystem);
  o = Chinese("书");
  o.with_topic = false;
  ExpectRefused(MakeHlp(o, {}), msg::kHlpNoTopic);
  o = Chinese("书");
  o.minor = 15;
  ExpectRefused(MakeHlp(o, {HlpParagraphs({G("乙")})}), msg::kHlpWin30);
}

TEST(HlpDamage, TopicRecordsThatClaimMoreThanTheyHold) {
  const HlpFile f = BuildHlp(Chinese("书"), {HlpTopicHeader(G("甲")), HlpParagraphs({G("乙")})});
  const std::size_t first = f.DataAt("|TOPIC") + 12;
  std::string big = f.bytes;
  PutLe(big, first, 0x00100000, 4);  // record size past the data
  ExpectRefused(big, msg::kHlpBadTopic);
  std::string small = f.bytes;
  PutLe(small, first + 16, 3, 4);  // formatting part shorter than the header
  ExpectRefused(small, msg::kHlpBadTopic);
  std::string back = f.bytes;
  PutLe(back, first + 12, 12, 4);  // the next record is the record itself
  ExpectRefused(back, msg::kHlpBadTopic);
  std::string inside = f.bytes;
  PutLe(inside, first + 12, 12 + 22, 4);  // the next record starts inside this one
  ExpectRefused(inside, msg::kHlpBadTopic);
  std::string nowhere = f.bytes;
  PutLe(nowhere, f.DataAt("|TOPIC") + 4, 4, 4);  // the first record inside the block header
  ExpectRefused(nowhere, msg::kHlpBadTopic);
  std::string huge = f.bytes;
  PutLe(huge, first + 4, 0x7FFFFFFF, 4);  // expanded text size
  const Read r = Convert(huge);
  EXPECT_FALSE(r.status.ok());
  EXPECT_TRUE(r.text.empty());
}

TEST(HlpDamage, Lz77ReferenceBeforeTheStart) {
  HlpOptions o = Chinese("书");
  o.compression = HlpCompression::kLz77Blocks4k;
  const HlpFile f = BuildHlp(o, {HlpTopicHeader(G("甲")), HlpParagraphs({G("乙")})});
  std::string bad = f.bytes;
  bad[f.DataAt("|TOPIC") + 12] = '\x01';  // the first item becomes a reference
  ExpectRefused(bad, msg::kHlpBadTopic);

  std::string out;
  EXPECT_EQ(hlp::ExpandLz77(std::string("\x01\x00\x00", 3), 100, &out), hlp::Lz77Result::kDamaged);
  out.clear();
  // "ab", then 18 bytes from 2 back, capped at 10.
  EXPECT_EQ(hlp::ExpandLz77(std::string("\x04" "ab\x01\xF0", 5), 10, &out), hlp::Lz77Result::kOverCap);
  EXPECT_EQ(out, "ababababab");
  out.clear();
  EXPECT_EQ(hlp::ExpandLz77(std::string("\x04" "ab\x01\xF0", 5), 100, &out), hlp::Lz77Result::kComplete);
  EXPECT_EQ(out, "ab" + std::string("abababababababababab").substr(0, 18));
}

TEST(HlpDamage, PhraseNumbersOutOfRange) {
  for (const HlpPhraseKind kind : {HlpPhraseKind::kOld, HlpPhraseKind::kHall}) {
    HlpOptions o = Chinese("书");
    o.phrase_kind = kind;
    o.phrases = {"alpha", "beta"};
    HlpLink link = HlpParagraphs({"alpha beta gamma delta"});
    link.has_stored = true;
    // Old: lead 1, code 10 = phrase 5; Hall: byte 0x0A = phrase 5.
    link.stored = kind == HlpPhraseKind::kOld ? std::string("\x01\x0A", 2) : std::string("\x0A", 1);
    ExpectRefused(MakeHlp(o, {HlpTopicHeader("t"), link}), msg::kHlpBadPhrases);

    // A table whose offsets or lengths run past its text.
    std::string table = BuildHlp(o, {HlpParagraphs({"alpha"})}).bytes;
    const HlpFile f = BuildHlp(o, {HlpParagraphs({"alpha"})});
    if (kind == HlpPhraseKind::kOld) {
      PutLe(table, f.DataAt("|Phrases") + 4 + 4, 0xFFF0, 2);  // the last offset
    } else {
      PutLe(table, f.DataAt("|PhrIndex") + 12, 0x7FFFFFFF, 4);  // image size
    }
    ExpectRefused(table, msg::kHlpBadPhrases);
  }
}

TEST(HlpDamage, PhraseExpansionHasAnOverallLimit) {
  // Topic headers show only their title, so their expanded text never
  // reaches the output's cap: 16 MB each, seventy times, is stopped anyway.
  HlpOptions o = Chinese("书");
  o.phrase_kind = HlpPhraseKind::kHall;
  o.compress_phrase_image = false;
  o.hall_bits = 15;  // a short length code for the long phrase
  o.phrases = {std::string(16u << 20, '\0')};  // an empty title, sixteen megabytes long
  HlpLink header = HlpTopicHeader("");
  header.has_stored = true;
  header.stored = std::string(1, '\0');  // phrase 0
  header.claimed_size = 16u << 20;
  const Read r = Convert(MakeHlp(o, std::vector<HlpLink>(70, header)));
  EXPECT_EQ(r.status.message(), msg::kOutputTooLarge);
  EXPECT_TRUE(r.text.empty());
}

TEST(HlpDamage, StopRequestEndsWithoutText) {
  std::atomic<bool> stop{true};
  ReadContext ctx;
  ctx.cancel = &stop;
  const Read r = Convert(Plain(), ctx);
  EXPECT_EQ(r.status.message(), msg::kCancelled);
  EXPECT_TRUE(r.text.empty());
}

TEST(HlpRegistry, FoundByExtensionAndByMagic) {
  const std::string hlp = Plain();
  const Format* by_name = DetectFormat("BOOK.HLP", hlp);
  ASSERT_NE(by_name, nullptr);
  EXPECT_EQ(by_name->name, "hlp");
  const Format* renamed = DetectFormat("book.txt", hlp);
  ASSERT_NE(renamed, nullptr);
  EXPECT_EQ(renamed->name, "hlp");
  EXPECT_FALSE(LooksLikeHlp("\x3F\x5F\x03"));
}

}  // namespace
}  // namespace folian::convert
