// The RTF reader end to end: RTF in, the text (as UTF-8) and its encoding
// out. Fonts, code pages, Unicode fallbacks, destinations, notes, tables,
// caps and the two real Chinese files against their expected text.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "charset/codepage.h"
#include "convert/limits.h"
#include "convert/messages.h"
#include "convert/rtf/rtf_format.h"
#include "convert/text_sink.h"
#include "text_read.h"
#include "support/temp_dir.h"

namespace folian::convert {
namespace {

using Result = folian::testing::TextRead;

Result Read(std::string_view rtf, const ReadContext& ctx = ReadContext()) { return testing::ReadText(ReadRtf, rtf, ctx); }

std::string Text(std::string_view rtf) {
  Result r = Read(rtf);
  EXPECT_TRUE(r.status.ok()) << r.status.message();
  return r.utf8;
}

TEST(RtfReader, LinesTabsSymbolsAndEscapes) {
  EXPECT_EQ(Text("{\\rtf1\\ansi Hello\\par World\\line x\\tab y\\page z\\sect w}"),
            "Hello\r\nWorld\r\nx\ty\r\nz\r\nw");
  EXPECT_EQ(Text("{\\rtf1 \\lquote a\\rquote  \\ldblquote b\\rdblquote \\emdash\\endash\\bullet}"),
            "\u2018a\u2019 \u201Cb\u201D\u2014\u2013\u2022");
  // Escaped braces and backslash are text; the file's own line breaks are not.
  EXPECT_EQ(Text("{\\rtf1 a\\{b\\}c\\\\d\r\ne\nf}"), "a{b}c\\def");
  // A backslash before a line break is a paragraph; \~ and \_ are a space and a hyphen.
  EXPECT_EQ(Text("{\\rtf1 a\\\nb\\~c\\_d\\-e}"), "a\r\nb c-de");
  // Words this reader does not know are formatting; their parameters are not text.
  EXPECT_EQ(Text("{\\rtf1\\b\\fs24\\cf2\\qc bold\\b0  plain}"), "bold plain");
  // Text after the document's group is not the document.
  EXPECT_EQ(Text("{\\rtf1 in}out{more}"), "in");
}

TEST(RtfReader, BytesOfTheFontsCodePageMakeWholeCharacters) {
  // The document's code page.
  EXPECT_EQ(Text("{\\rtf1\\ansi\\ansicpg936 \\'b5\\'da\\'d2\\'bb\\'bb\\'d8}"), "第一回");
  // A pair split across neighbouring groups of the same font is one character.
  EXPECT_EQ(Text("{\\rtf1\\ansicpg936 {\\'b5}{\\'da}x}"), "第x");
  // A pair written as an escape and a plain letter (GBK trail bytes may be ASCII).
  EXPECT_EQ(Text("{\\rtf1\\ansicpg936 \\'b0@}"), "癅");
  // A font's \fcharset decides over the document's code page: 134 GBK, 136 Big5, 0 cp1252.
  const char* table = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
                      "{\\f1\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f2\\fcharset136 MingLiU;}}";
  EXPECT_EQ(Text(std::string(table) + "\\f1 \\'b5\\'da\\f2 \\'a4\\'40\\f0 caf\\'e9\\'93}"), "第一café“");
  // \cpg of a font, and the default font (\deff) for text before any \f.
  EXPECT_EQ(Text("{\\rtf1\\deff3{\\fonttbl{\\f3\\cpg936 SimSun;}}\\'b5\\'da}"), "第");
  // A font change between the two bytes ends the first: no mixed character.
  EXPECT_EQ(Text(std::string(table) + "\\f1\\'b5\\f0\\'e9}").find("é"), 3u) << "a lone lead byte, then é";
  // A long run of pairs crosses the reader's decoding batches without splitting one.
  std::string many = "{\\rtf1\\ansicpg936 x";
  std::string expected = "x";
  for (int i = 0; i < 5000; ++i) {
    many += "\\'b5\\'da";
    expected += "第";
  }
  EXPECT_EQ(Text(many + "}"), expected);
  // The font name in the table is not text.
  EXPECT_EQ(Text(std::string(table) + "}"), "");
}

TEST(RtfReader, UnicodeAndItsFallbacks) {
  // \uN with the default one fallback character, negative numbers above 32767.
  EXPECT_EQ(Text("{\\rtf1 \\u31532?\\u19968?x}"), "第一x");
  EXPECT_EQ(Text("{\\rtf1 \\u-255?x}"), "\uFF01x");
  // \uc2 with \'hh fallbacks (each escape counts as one); \uc0: no fallback.
  EXPECT_EQ(Text("{\\rtf1\\ansicpg936\\uc2 \\u31532\\'b5\\'da\\uc0 \\u19968 x}"), "第一x");
  // \ucN is scoped to its group.
  EXPECT_EQ(Text("{\\rtf1 {\\uc3 \\u31532abc}\\u19968?d}"), "第一d");
  // A control word inside the fallback counts as one character; a group end ends the fallback.
  EXPECT_EQ(Text("{\\rtf1\\uc2 \\u31532\\b x y}"), "第 y");
  EXPECT_EQ(Text("{\\rtf1\\uc5 {\\u31532}abc}"), "第abc");
  // A fallback that is never written does not eat the paragraph mark.
  EXPECT_EQ(Text("{\\rtf1 \\u31532\\par x}"), "第\r\nx");
  // A surrogate pair; the book then needs UTF-8 (GBK holds no emoji).
  Result r = Read("{\\rtf1 \\u-10179?\\u-8704?\\u31532?}");
  EXPECT_EQ(r.encoding, TextEncoding::kUtf8Mark);
  EXPECT_EQ(r.utf8, "😀第");
  r = Read("{\\rtf1 \\u31532?}");
  EXPECT_EQ(r.encoding, TextEncoding::kGbk);
}

TEST(RtfReader, DestinationsAreNotText) {
  EXPECT_EQ(Text("{\\rtf1{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}"
                 "{\\info{\\title T}{\\author A}}{\\header H}{\\footer F}body}"),
            "body");
  // Unknown optional destinations, and \* before known words.
  EXPECT_EQ(Text("{\\rtf1 a{\\*\\unknownthing x{y}z}b{\\*\\bkmkstart m}c}"), "abc");
  // A field: the instruction goes, the result stays.
  EXPECT_EQ(Text("{\\rtf1 see {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt here}}.}"), "see here.");
  // Pictures, with hex and with \bin data holding braces and backslashes.
  EXPECT_EQ(Text("{\\rtf1 a{\\pict\\pngblip 89504e47}b{\\pict\\bin6 {}\\'zz}c}"), "abc");
  // Objects keep their \result.
  EXPECT_EQ(Text("{\\rtf1 {\\object\\objemb{\\*\\objdata 0102}{\\result shown}}}"), "shown");
  // Hidden text (\v) is not text; \v0 and \plain end it.
  EXPECT_EQ(Text("{\\rtf1 a\\v b\\v0 c\\v d\\plain e}"), "ace");
  // \upr holds an ANSI and a Unicode copy: only the \ud one is read.
  EXPECT_EQ(Text("{\\rtf1 {\\upr{ansi}{\\*\\ud{uni}}}}"), "uni");
}

TEST(RtfReader, FootnotesFollowTheTextAndTablesAreTabs) {
  EXPECT_EQ(Text("{\\rtf1 Body{\\footnote\\pard note one}.\\par More{\\footnote two}\\par}"),
            "Body.\r\nMore\r\n\r\nnote one\r\ntwo\r\n");
  EXPECT_EQ(Text("{\\rtf1 \\trowd A\\cell B\\cell\\row \\trowd C\\cell\\cell\\row after\\par}"),
            "A\tB\r\nC\r\nafter\r\n");
}

TEST(RtfReader, HostileNestingAndSizes) {
  // Depth: up to the cap is read; one more is refused with its message.
  const std::size_t depth = rtf::kMaxDepth;
  std::string ok = "{\\rtf1" + std::string(depth - 1, '{') + "x" + std::string(depth, '}');
  EXPECT_EQ(Text(ok), "x");
  std::string deep = "{\\rtf1" + std::string(depth, '{') + "x" + std::string(depth + 1, '}');
  EXPECT_EQ(Read(deep).status.message(), msg::kRtfTooDeep);
  // A million open braces: a message, not a stack overflow.
  EXPECT_EQ(Read("{\\rtf1" + std::string(1 << 20, '{')).status.message(), msg::kRtfTooDeep);
  // More groups than the cap, each closed at once.
  std::string groups = "{\\rtf1 ";
  groups.reserve(2 * rtf::kMaxGroups + 16);
  for (std::size_t i = 0; i < rtf::kMaxGroups; ++i) groups += "{}";
  EXPECT_EQ(Read(groups + "}").status.message(), msg::kRtfTooManyGroups);
  // \binN longer than the file: the rest is data, not text, and no read past the end.
  EXPECT_EQ(Text("{\\rtf1 a{\\pict\\bin2147483647 xyz"), "a");
  EXPECT_EQ(Text("{\\rtf1 a{\\pict\\bin99999999999999 xyz"), "a");
  // An unclosed document keeps what it had.
  EXPECT_EQ(Text("{\\rtf1 cut off\\par here"), "cut off\r\nhere");
}

TEST(RtfReader, RefusesWhatIsNotRtfAndHonoursCancel) {
  EXPECT_EQ(Read("plain text").status.message(), msg::kRtfNotRtf);
  EXPECT_EQ(Read("").status.message(), msg::kRtfNotRtf);
  EXPECT_EQ(Text("\xEF\xBB\xBF \r\n{\\rtf1 marked}"), "marked");
  std::string big = "{\\rtf1 ";
  while (big.size() < (std::size_t{3} << 20)) big += "some text\\par ";
  CancelFlag cancel{true};
  ReadContext ctx;
  ctx.cancel = &cancel;
  EXPECT_EQ(Read(big + "}", ctx).status.message(), msg::kCancelled);
}

// The two real \ansicpg936 files against the independent stripper's text,
// compared with all white space removed (the stripper keeps the file's own
// spacing and line breaks differently).
std::string WithoutSpace(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out += c;
  }
  return out;
}

TEST(RtfReader, RealChineseFilesMatchTheExpectedText) {
  const std::string dir = std::string(FOLIAN_SHARED_DIR) + "/formats/third_party/rtf/";
  int read = 0;
  for (const char* name : {"striprtf-issue_11.msword-zh-CN.rtf", "striprtf-issue_28.textedit-zh.rtf"}) {
    const std::string rtf = testing::ReadBytes(dir + name);
    const std::string expected = testing::ReadBytes(dir + name + ".striprtf-expected.txt");
    if (rtf.empty() || expected.empty()) continue;
    ++read;
    Result r = Read(rtf);
    ASSERT_TRUE(r.status.ok()) << name;
    EXPECT_EQ(r.encoding, TextEncoding::kGbk) << name;
    EXPECT_EQ(WithoutSpace(r.utf8), WithoutSpace(expected)) << name;
  }
  if (read == 0) GTEST_SKIP() << "../shared/formats/third_party/rtf is not here";
}

}  // namespace
}  // namespace folian::convert
