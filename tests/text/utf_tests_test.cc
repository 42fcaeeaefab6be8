#include "text/utf_tests.h"
#include "support/bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace folian::text {
namespace {

using folian::testing::Utf16;
TEST(LooksLikeUtf8Test, NeedsAHighByteAndWholeSequences) {
  EXPECT_FALSE(LooksLikeUtf8(""));
  EXPECT_FALSE(LooksLikeUtf8("pure ascii\r\n")) << "pure ASCII is not UTF-8";
  EXPECT_TRUE(LooksLikeUtf8("\xE4\xB8\xAD\xE6\x96\x87 text"));
  EXPECT_TRUE(LooksLikeUtf8("\xC3\xA9"));
  EXPECT_TRUE(LooksLikeUtf8("\xF0\x9F\x98\x80"));
  EXPECT_FALSE(LooksLikeUtf8("\xE4\xB8")) << "sequence cut off at the end";
  EXPECT_FALSE(LooksLikeUtf8("\xE4\xB8" "a")) << "ASCII where a continuation byte belongs";
  EXPECT_FALSE(LooksLikeUtf8("a\x80")) << "continuation byte without a lead";
  // GBK "中文" is not UTF-8.
  EXPECT_FALSE(LooksLikeUtf8("\xD6\xD0\xCE\xC4"));
  // The test is structural: the 1 bits after the top bit give the length.
  EXPECT_TRUE(LooksLikeUtf8("\xC0\x80"));
  EXPECT_TRUE(LooksLikeUtf8("\xFE\x80\x80\x80\x80\x80\x80"));
  EXPECT_FALSE(LooksLikeUtf8("\xFE\x80\x80\x80\x80\x80"));
  EXPECT_TRUE(LooksLikeUtf8(std::string("\xE4\xB8\xAD\0", 4))) << "a zero byte is plain ASCII";
}

TEST(LooksLikeUtf8Test, LongAsciiRunsAroundSequences) {
  for (std::size_t run = 0; run < 20; ++run) {
    SCOPED_TRACE(run);
    const std::string ascii(run, 'a');
    EXPECT_TRUE(LooksLikeUtf8(ascii + "\xC3\xA9" + ascii));
    EXPECT_FALSE(LooksLikeUtf8(ascii + "\xE4\xB8"));
    EXPECT_FALSE(LooksLikeUtf8(ascii + "\x80" + ascii));
    EXPECT_FALSE(LooksLikeUtf8(std::string("\xE4") + ascii)) << "ASCII cannot continue a sequence";
    EXPECT_FALSE(LooksLikeUtf8(ascii));
  }
}

TEST(LooksLikeUtf16Test, TellsUtf16FromGbk) {
  EXPECT_TRUE(LooksLikeUtf16(Utf16(u"The rain kept falling on the old temple roof.\r\n")));
  // GBK prose: lead bytes everywhere, not UTF-16.
  std::string gbk;
  for (int i = 0; i < 20; ++i) gbk += "\xD5\xE2\xCA\xC7\xD6\xD0\xCE\xC4\xD0\xA1\xCB\xB5";
  EXPECT_FALSE(LooksLikeUtf16(gbk));
  EXPECT_FALSE(LooksLikeUtf16("plain ascii text, one byte a character\r\n"));
}

}  // namespace
}  // namespace folian::text
