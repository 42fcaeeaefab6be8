// Behaviour of the code-page layer beyond the raw tables: bad input, the
// program's UTF-8 encoder, the direct GBK <-> UTF-8 paths, names and lead bytes.
#include "charset/codepage.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "icu_oracle.h"
#include "test_data.h"

namespace folian::charset {
namespace {

using testing::Bytes;

TEST(GbkDecode, InvalidBytesBecomeReplacementWithoutSwallowingTheNextByte) {
  EXPECT_EQ(ToWide(kGbk, Bytes({0x81})), u"\uFFFD");                  // lone lead byte at the end
  EXPECT_EQ(ToWide(kGbk, "a" + Bytes({0xD6})), u"a\uFFFD");
  EXPECT_EQ(ToWide(kGbk, Bytes({0xD6, 0x0A})), u"\uFFFD\n");          // line break survives
  EXPECT_EQ(ToWide(kGbk, Bytes({0xD6, 0x7F, 0x41})), u"\uFFFD\x7F" u"A");
  EXPECT_EQ(ToWide(kGbk, Bytes({0xD6, 0xFF})), u"\uFFFD\uF8F5");      // 0xFF is a character of its own
  EXPECT_EQ(ToWide(kGbk, Bytes({0xD6, 0xD6, 0xD0})), ToWide(kGbk, Bytes({0xD6, 0xD6})) + u"\uFFFD");  // greedy pairs
  EXPECT_EQ(ToWide(kGbk, Bytes({0x80})), u"\u20AC");
  EXPECT_EQ(ToWide(kGbk, Bytes({0xD6, 0xD0, 0xCE, 0xC4})), u"中文");
}

TEST(Big5Decode, UndefinedPairIsOneReplacement) {
  EXPECT_EQ(ToWide(kBig5, Bytes({0xA3, 0xC1, 0x7A})), u"\uFFFD" u"z");
  EXPECT_EQ(ToWide(kBig5, Bytes({0xA4, 0xA4, 0xA4, 0xE5})), u"中文");
  EXPECT_EQ(ToWide(kBig5, Bytes({0xA4, 0x80})), u"\uFFFD");  // a trail byte by form, no character
  EXPECT_EQ(ToWide(kBig5, Bytes({0xA4, 0x3F})), u"\uFFFD?");
  EXPECT_EQ(ToWide(kBig5, Bytes({0xA3, 0xE1})), u"\u20AC");
}

TEST(FromWide, DefaultCharacterIsCountedOncePerCharacter) {
  std::size_t defaulted = 99;
  EXPECT_EQ(FromWide(kGbk, u"a\U0001F600b", '?', &defaulted), "a?b");  // a surrogate pair is one character
  EXPECT_EQ(defaulted, 1u);
  EXPECT_EQ(FromWide(kGbk, u"\xD800\xD800z\xDC00", '#', &defaulted), "##z#");  // unpaired halves
  EXPECT_EQ(defaulted, 3u);
  EXPECT_EQ(FromWide(kGbk, u"中文\u20AC", '?', &defaulted), Bytes({0xD6, 0xD0, 0xCE, 0xC4, 0x80}));
  EXPECT_EQ(defaulted, 0u);
  EXPECT_EQ(FromWide(kBig5, u"\u00B5\u00C0", '?', &defaulted), Bytes({0xA3, 0x67, 0x41}));  // best fit
  EXPECT_EQ(defaulted, 0u);
  EXPECT_EQ(FromWide(kGbk, u"", '?', &defaulted), "");
  EXPECT_EQ(defaulted, 0u);
}

TEST(FromWide, InexactCountSeesBestFitAndDefaults) {
  EXPECT_EQ(InexactCount(kGbk, u"中文，abc\u20AC"), 0u);
  EXPECT_EQ(InexactCount(kGbk, u"caf\u00E9 \u00AA"), 1u);  // é is held, ª becomes "a"
  EXPECT_EQ(InexactCount(kGbk, u"\U0001F600\xD800x"), 2u);
  EXPECT_EQ(InexactCount(kBig5, u"简體"), 1u);
  EXPECT_EQ(InexactCount(kUtf8, u"\U0001F600\xD800x\xDC00"), 2u);
  EXPECT_EQ(InexactCount(kGbk, u""), 0u);
}

TEST(Utf8, EncoderWritesEachUnitOnItsOwn) {
  EXPECT_EQ(EncodeUtf8(u"A\u007F\u0080\u07FF\u0800\uFFFF"),
            "A\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF");
  // A surrogate pair is not combined: three bytes per half.
  EXPECT_EQ(EncodeUtf8(u"\U0001F600"), "\xED\xA0\xBD\xED\xB8\x80");
  EXPECT_EQ(EncodeUtf8(u"\xDC00x"), "\xED\xB0\x80x");
  EXPECT_EQ(EncodedUtf8Size(u"\U0001F600中a"), 10u);
  EXPECT_EQ(EncodedUtf8Size(u""), 0u);
  EXPECT_EQ(EncodeUtf8(std::u16string(1, u'\0')), std::string(1, '\0'));
}

TEST(Utf8, DecoderMakesSurrogatePairsAndReplacesBadSequences) {
  EXPECT_EQ(ToWide(kUtf8, "\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(ToWide(kUtf8, "\xED\xA0\xBD\xED\xB8\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(ToWide(kUtf8, "\xE4\xB8"), u"\uFFFD");     // truncated: one replacement
  EXPECT_EQ(ToWide(kUtf8, "\xE4\xB8z"), u"\uFFFDz");
  EXPECT_EQ(ToWide(kUtf8, "\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(ToWide(kUtf8, "\xEF\xBB\xBF"), u"\uFEFF");  // the mark is a character like any other
  EXPECT_EQ(FromWide(kUtf8, u"\U0001F600"), "\xF0\x9F\x98\x80");
}

// The direct GBK <-> UTF-8 paths must agree with going through UTF-16, at
// every alignment of the 8-byte ASCII runs and with bad bytes mixed in.
TEST(DirectPaths, AgreeWithTheWideRoute) {
  std::mt19937 rng(20);
  const unsigned char gbk_pool[] = {'a', ' ', '\n', 0x00, 0x80, 0xFF, 0xD6, 0xD0, 0xA1, 0xA3, 0x40, 0x7F, 0x81, 0xFE};
  const char* utf8_pool[] = {"a", "\n", "中", "\xC2\xB7", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xE4\xB8", "\x80",
                             "\xC0", "\xED\xA0\x80", "\xEF\xBF\xBD", "\xC3\xA9", "abcdefghi"};
  for (int iter = 0; iter < 20000; ++iter) {
    std::string gbk(rng() % 40, '\0');
    const bool mostly_ascii = rng() % 2;
    for (char& c : gbk)
      c = static_cast<char>(mostly_ascii && rng() % 8 ? 'a' + rng() % 26 : gbk_pool[rng() % sizeof gbk_pool]);
    ASSERT_EQ(GbkToUtf8(gbk), EncodeUtf8(ToWide(kGbk, gbk))) << iter;

    std::string utf8;
    for (int k = rng() % 12; k > 0; --k) utf8 += utf8_pool[rng() % std::size(utf8_pool)];
    std::size_t direct_missed = 99, wide_missed = 98;
    ASSERT_EQ(Utf8ToGbk(utf8, &direct_missed), FromWide(kGbk, ToWide(kUtf8, utf8), '?', &wide_missed)) << iter;
    ASSERT_EQ(direct_missed, wide_missed) << iter;
  }
}

TEST(DirectPaths, LongAsciiRunsAroundMultiByteCharacters) {
  for (std::size_t before = 0; before < 20; ++before) {
    for (std::size_t after = 0; after < 20; ++after) {
      const std::string gbk = std::string(before, 'x') + Bytes({0xD6, 0xD0}) + std::string(after, 'y');
      const std::string utf8 = std::string(before, 'x') + "中" + std::string(after, 'y');
      ASSERT_EQ(GbkToUtf8(gbk), utf8);
      ASSERT_EQ(Utf8ToGbk(utf8), gbk);
      ASSERT_EQ(ToWide(kGbk, gbk), std::u16string(before, u'x') + u"中" + std::u16string(after, u'y'));
      ASSERT_EQ(FromWide(kGbk, ToWide(kGbk, gbk)), gbk);
    }
  }
}

TEST(RoundTrip, SharedNovelsSurviveEveryRoute) {
  const auto novels = testing::SharedGbkNovels();
  if (novels.empty()) GTEST_SKIP() << "shared test material not found under " FOLIAN_SHARED_DIR;
  testing::IcuConverter icu("windows-936-2000");
  for (const auto& path : novels) {
    const std::string gbk = testing::ReadFile(path);
    const std::u16string wide = ToWide(kGbk, gbk);
    // (Whole novels: compare with == so a failure does not print megabytes.)
    EXPECT_TRUE(wide == icu.Decode(gbk)) << path;
    std::size_t defaulted = 99;
    EXPECT_TRUE(FromWide(kGbk, wide, '?', &defaulted) == gbk) << path;
    EXPECT_EQ(defaulted, 0u);
    const std::string utf8 = GbkToUtf8(gbk);
    EXPECT_TRUE(utf8 == FromWide(kUtf8, wide)) << path;
    EXPECT_TRUE(Utf8ToGbk(utf8) == gbk) << path;
    // Through Big5 and back: one character for one, "?" exactly where counted.
    const std::string big5 = FromWide(kBig5, wide, '?', &defaulted);
    const std::u16string back = ToWide(kBig5, big5);
    ASSERT_EQ(back.size(), wide.size()) << path;
    std::size_t questions = 0;
    for (std::size_t i = 0; i < wide.size(); ++i) questions += back[i] != wide[i] && back[i] == u'?';
    EXPECT_EQ(questions, defaulted) << path;
    EXPECT_GT(defaulted, 0u) << "simplified text has characters Big5 lacks";
  }
}

TEST(CodePageInfo, LeadBytesSizesAndNames) {
  for (int cp : {kGbk, kBig5}) {
    EXPECT_FALSE(IsLeadByte(cp, 0x7F));
    EXPECT_FALSE(IsLeadByte(cp, 0x80));
    EXPECT_TRUE(IsLeadByte(cp, 0x81));
    EXPECT_TRUE(IsLeadByte(cp, 0xD6));
    EXPECT_TRUE(IsLeadByte(cp, 0xFE));
    EXPECT_FALSE(IsLeadByte(cp, 0xFF));
    EXPECT_EQ(MaxCharSize(cp), 2);
  }
  EXPECT_FALSE(IsLeadByte(kUtf8, 0xE4));
  EXPECT_EQ(MaxCharSize(kUtf8), 4);
  EXPECT_EQ(MaxCharSize(1252), 0);
  EXPECT_EQ(CodePageName(936), "936   (ANSI/OEM - Simplified Chinese GBK)");
  EXPECT_EQ(CodePageName(950), "950   (ANSI/OEM - Traditional Chinese Big5)");
  EXPECT_EQ(CodePageName(65001), "65001 (UTF-8)");
  EXPECT_EQ(CodePageName(65000), "65000 (UTF-7)");
  EXPECT_EQ(CodePageName(12345), std::nullopt);
  EXPECT_EQ(CodePageName(0), std::nullopt);
}

TEST(CodePageInfo, UnsupportedCodePageIsAnErrorNotEmptyText) {
  EXPECT_THROW(ToWide(1252, "abc"), std::invalid_argument);
  EXPECT_THROW(FromWide(437, u"abc"), std::invalid_argument);
  EXPECT_EQ(ToWide(kGbk, ""), u"");
  EXPECT_EQ(GbkToUtf8(""), "");
  EXPECT_EQ(Utf8ToGbk(""), "");
}

}  // namespace
}  // namespace folian::charset
