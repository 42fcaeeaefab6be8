// CMaps (ToUnicode programs and the predefined CJK maps), simple-font
// encodings and glyph names, and the text builder's choice of encoding.
#include <gtest/gtest.h>

#include <string>

#include "convert/pdf/cmap.h"
#include "convert/pdf/encodings.h"
#include "convert/pdf/text_builder.h"

namespace folian::convert::pdf {
namespace {

// Splits `bytes` into codes and looks each up; unmapped codes show as '?'.
std::u16string Decode(const CMap& cmap, std::string_view bytes, std::string* lengths = nullptr) {
  std::u16string out;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    int length = 0;
    const std::uint32_t code = cmap.NextCode(bytes, &pos, &length);
    if (lengths) lengths->push_back(static_cast<char>('0' + length));
    if (!cmap.Lookup(code, length, &out)) out.push_back(u'?');
  }
  return out;
}

TEST(PdfCMap, ToUnicodeCharsRangesAndArrays) {
  CMap cmap;
  cmap.Parse(
      "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
      "1 begincodespacerange <0000> <FFFF> endcodespacerange\n"
      "3 beginbfchar <0001> <4E2D> <0002> <00660069> <0003> <D83DDE00> endbfchar\n"
      "2 beginbfrange <0010> <0012> <6587>\n<0020> <0021> [<0041> <0042>]\nendbfrange\n"
      "1 beginbfrange <1000> <1FFF> <3400> endbfrange\n"
      "endcmap CMapName currentdict /CMap defineresource pop end end\n");
  EXPECT_EQ(Decode(cmap, std::string("\x00\x01\x00\x10\x00\x11\x00\x12", 8)), u"中文斈斉");
  EXPECT_EQ(Decode(cmap, std::string("\x00\x02\x00\x20\x00\x21\x00\x03", 8)), u"fiAB\U0001F600")
      << "a mapping may give several units, or a surrogate pair";
  EXPECT_EQ(Decode(cmap, std::string("\x10\x05\x00\x99", 4)), u"\u3405?") << "a long range, and a gap";
}

TEST(PdfCMap, MixedCodeLengths) {
  CMap cmap;
  cmap.Parse(
      "2 begincodespacerange <00> <80> <8140> <FEFE> endcodespacerange\n"
      "2 beginbfchar <41> <0041> <B0A1> <554A> endbfchar\n");
  std::string lengths;
  EXPECT_EQ(Decode(cmap, "A\xB0\xA1" "A", &lengths), u"A啊A");
  EXPECT_EQ(lengths, "121");
  // A byte no range starts with is taken with the shortest length.
  lengths.clear();
  EXPECT_EQ(Decode(cmap, "\xFF" "A", &lengths), u"?A");
  EXPECT_EQ(lengths, "11");
}

TEST(PdfCMap, PredefinedChineseMaps) {
  CMap gbk;
  ASSERT_TRUE(gbk.LoadPredefined("GBK-EUC-H"));
  EXPECT_EQ(Decode(gbk, "\xD6\xD0\xCE\xC4 PDF"), u"中文 PDF");
  EXPECT_FALSE(gbk.vertical());

  CMap gb;
  ASSERT_TRUE(gb.LoadPredefined("GB-EUC-V"));
  EXPECT_TRUE(gb.vertical());
  EXPECT_EQ(Decode(gb, "\xBA\xC3"), u"好");

  CMap ucs2;
  ASSERT_TRUE(ucs2.LoadPredefined("UniGB-UCS2-H"));
  EXPECT_EQ(Decode(ucs2, std::string("\x4E\x2D\x00\x41", 4)), u"中A");

  CMap utf16;
  ASSERT_TRUE(utf16.LoadPredefined("UniGB-UTF16-H"));
  std::string lengths;
  EXPECT_EQ(Decode(utf16, std::string("\xD8\x40\xDC\x0B\x4E\x00", 6), &lengths), u"\U0002000B一");
  EXPECT_EQ(lengths, "42") << "a surrogate pair is one four-byte code";

  CMap big5;
  ASSERT_TRUE(big5.LoadPredefined("ETen-B5-H"));
  EXPECT_EQ(Decode(big5, "\xA4\xA4\xA4\xE5"), u"中文");

  CMap identity;
  ASSERT_TRUE(identity.LoadPredefined("Identity-H"));
  EXPECT_EQ(Decode(identity, std::string("\x00\x05", 2)), u"?") << "glyph ids mean nothing by themselves";
  EXPECT_FALSE(CMap().LoadPredefined("NoSuch-H"));
}

TEST(PdfCMap, EmbeddedMapUsingAPredefinedOne) {
  CMap cmap;
  cmap.Parse("/GBK-EUC-H usecmap\n1 begincidrange <20> <7E> 1 endcidrange\n");
  EXPECT_EQ(Decode(cmap, "\xC4\xE3" "a"), u"你a");
}

TEST(PdfEncodings, GlyphNames) {
  auto name = [](std::string_view n) {
    std::u16string out;
    return GlyphNameToUnicode(n, &out) ? out : u"<none>";
  };
  EXPECT_EQ(name("quoteright"), u"\u2019");
  EXPECT_EQ(name("Aacute"), u"\u00C1");
  EXPECT_EQ(name("uni4E2D6587"), u"中文");
  EXPECT_EQ(name("u1F600"), u"\U0001F600");
  EXPECT_EQ(name("f_f_i"), u"ffi");
  EXPECT_EQ(name("a.sc"), u"a");
  EXPECT_EQ(name("g123"), u"<none>");
  EXPECT_EQ(name(".notdef"), u"<none>");
  EXPECT_EQ(name("uniD800"), u"<none>") << "a lone surrogate is no character";
}

TEST(PdfEncodings, BaseEncodingsAndStandardFonts) {
  EXPECT_EQ(BaseEncodingUnicode(BaseEncoding::kWinAnsi, 0x93), u'\u201C');
  EXPECT_EQ(BaseEncodingUnicode(BaseEncoding::kWinAnsi, 'A'), u'A');
  EXPECT_EQ(BaseEncodingUnicode(BaseEncoding::kStandard, 0x27), u'\u2019');
  EXPECT_EQ(BaseEncodingUnicode(BaseEncoding::kStandard, 0x60), u'\u2018');
  EXPECT_EQ(BaseEncodingUnicode(BaseEncoding::kMacRoman, 0x8E), u'\u00E9');
  EXPECT_EQ(BaseEncodingUnicode(BaseEncoding::kSymbol, 'a'), u'\u03B1');
  EXPECT_EQ(BaseEncodingUnicode(BaseEncoding::kZapfDingbats, 'n'), u'\u25A0');
  EXPECT_EQ(BaseEncodingByName("MacRomanEncoding"), BaseEncoding::kMacRoman);
  EXPECT_EQ(BaseEncodingByName("Nonsense"), BaseEncoding::kNone);

  EXPECT_EQ(StandardFontByName("ABCDEF+Arial,Bold"), StandardFont::kHelveticaBold);
  EXPECT_EQ(StandardFontByName("TimesNewRomanPS-ItalicMT"), StandardFont::kTimesItalic);
  EXPECT_EQ(StandardFontByName("SimSun"), StandardFont::kNone);
  double w = 0;
  ASSERT_TRUE(StandardFontWidth(StandardFont::kHelvetica, u'i', &w));
  EXPECT_EQ(w, 222);
  ASSERT_TRUE(StandardFontWidth(StandardFont::kTimesRoman, u'W', &w));
  EXPECT_EQ(w, 944);
  ASSERT_TRUE(StandardFontWidth(StandardFont::kCourier, u'i', &w));
  EXPECT_EQ(w, 600);
  EXPECT_FALSE(StandardFontWidth(StandardFont::kHelvetica, u'中', &w));
}

TEST(PdfTextBuilder, StaysGbkUntilACharacterDoesNotFit) {
  TextBuilder gbk(1000);
  gbk.Text(u"中文 “引号” ﬁne\u00A0x");
  gbk.LineEnd();
  gbk.Raw("\xC4\xE3");
  EXPECT_EQ(gbk.encoding(), TextEncoding::kGbk);
  EXPECT_EQ(gbk.Finish(), "\xD6\xD0\xCE\xC4 \xA1\xB0\xD2\xFD\xBA\xC5\xA1\xB1 fine x\r\n\xC4\xE3");

  TextBuilder mixed(1000);
  mixed.Raw("\xC4\xE3");
  mixed.Text(u"\u2ED3\u2F00");  // radicals: the ideographs 长 and 一
  mixed.Text(u"\u0E01");         // Thai: not in GBK
  mixed.Text(u"\tx\x01y");
  EXPECT_EQ(mixed.encoding(), TextEncoding::kUtf8Mark);
  EXPECT_EQ(mixed.Finish(), "\xE4\xBD\xA0\xE9\x95\xBF\xE4\xB8\x80\xE0\xB8\x81 xy");

  TextBuilder small(5);
  small.Ascii("abc");
  small.Ascii("def");
  EXPECT_TRUE(small.overflowed());
  EXPECT_EQ(small.Finish(), "abc");
}

}  // namespace
}  // namespace folian::convert::pdf
