#include "app/gbk_display.h"

#include <gtest/gtest.h>

#include <random>

#include "app/text_search.h"
#include "charset/codepage.h"

namespace folian::app {
namespace {

std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

TEST(EditorGbkDisplay, ValidTextShowsAsItsCharacters) {
  const std::string gbk = G("第一章 风起\r\n正文");
  EXPECT_EQ(GbkToDisplay(gbk, LineBreaks::kCrLf), u"第一章 风起\n正文");
  EXPECT_EQ(DisplayToGbk(u"第一章 风起\n正文", LineBreaks::kCrLf), gbk);
}

TEST(EditorGbkDisplay, EveryByteAndPairRoundTrips) {
  std::string all;
  for (int lead = 0; lead < 256; ++lead) {
    for (int trail = 0; trail < 256; trail += 1) {
      all += static_cast<char>(lead);
      all += static_cast<char>(trail);
    }
  }
  for (LineBreaks b : {LineBreaks::kCrLf, LineBreaks::kLf}) {
    EXPECT_EQ(DisplayToGbk(GbkToDisplay(all, b), b), all);
  }
}

TEST(EditorGbkDisplay, RandomBytesRoundTripWithOffsets) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(static_cast<std::size_t>(rng() % 64), '\0');
    for (char& c : bytes) c = static_cast<char>(rng() % 4 == 0 ? "\r\n\x81\xA1"[rng() % 4] : rng());
    const LineBreaks b = LineBreaksOf(bytes);
    const std::u16string shown = GbkToDisplay(bytes, b);
    ASSERT_EQ(DisplayToGbk(shown, b), bytes);
    EXPECT_EQ(ByteOffsetOf(shown, shown.size(), b), bytes.size());
    for (std::size_t pos = 0; pos <= shown.size(); ++pos) {
      EXPECT_EQ(DisplayOffsetOf(shown, ByteOffsetOf(shown, pos, b), b), pos);
    }
  }
}

TEST(EditorGbkDisplay, BytesThatAreNotGbkShowAsMarkers) {
  // 0x81 0x7F is no pair: the lead byte shows as a marker, 0x7F as itself.
  const std::u16string shown = GbkToDisplay("a\x81\x7F" "b\x81", LineBreaks::kCrLf);
  EXPECT_EQ(shown, (std::u16string{u'a', kByteMarkerBase + 0x81, 0x7F, u'b', kByteMarkerBase + 0x81}));
}

TEST(EditorGbkDisplay, LineBreakStyleFollowsTheDocument) {
  EXPECT_EQ(LineBreaksOf("a\nb"), LineBreaks::kLf);
  EXPECT_EQ(LineBreaksOf("a\r\nb\n"), LineBreaks::kCrLf);
  EXPECT_EQ(GbkToDisplay("a\nb\r", LineBreaks::kLf), (std::u16string{u'a', u'\n', u'b', kByteMarkerBase + '\r'}));
  EXPECT_EQ(GbkToDisplay("a\r\nb\n", LineBreaks::kCrLf), (std::u16string{u'a', u'\n', u'b', kByteMarkerBase + '\n'}));
  EXPECT_EQ(DisplayToGbk(u"x\ny", LineBreaks::kLf), "x\ny");
}

TEST(EditorGbkDisplay, CharactersGbkLacksBecomeQuestionMarks) {
  std::size_t lost = 0;
  EXPECT_EQ(DisplayToGbk(u"a\u0E01b", LineBreaks::kCrLf, &lost), "a?b");
  EXPECT_EQ(lost, 1u);
}

TEST(EditorGbkDisplay, OffsetsCountBytes) {
  const std::u16string shown = u"中a\n文";
  EXPECT_EQ(ByteOffsetOf(shown, 3, LineBreaks::kCrLf), 5u);
  EXPECT_EQ(DisplayOffsetOf(shown, 5, LineBreaks::kCrLf), 3u);
  EXPECT_EQ(DisplayOffsetOf(shown, 1, LineBreaks::kCrLf), 1u) << "inside a character rounds up";
}

TEST(EditorTextSearch, EscapesAndBoundaries) {
  EXPECT_EQ(ProcessEscapes("a\\r\\n\\tb\\x\\"), "a\r\n\tb\\x\\");
  // "\" (0x5C) as a GBK trail byte is not an escape: 0x95 0x5C is one character.
  EXPECT_EQ(ProcessEscapes("\x95\x5Cn"), "\x95\x5Cn");
  const std::string text = G("贡贡惫");
  EXPECT_EQ(FindGbk(text, G("惫")), 4u);
  EXPECT_EQ(FindGbk(text, G("惫"), 5), std::string::npos);
  EXPECT_EQ(FindGbk("abc", ""), std::string::npos);
  std::string t = G("贡贡惫惫");
  EXPECT_EQ(ReplaceAllGbk(t, G("惫"), "x"), 2u);
  EXPECT_EQ(t, G("贡贡") + "xx");
}

}  // namespace
}  // namespace folian::app
