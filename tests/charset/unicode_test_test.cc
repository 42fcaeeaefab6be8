// The UTF-16 text test: flag semantics and the answers the encoding
// detection relies on.
#include "charset/unicode_test.h"

#include <gtest/gtest.h>

#include <string>

#include "charset/codepage.h"
#include "charset/script.h"
#include "support/bytes.h"
#include "test_data.h"

namespace folian::charset {
namespace {

std::string Utf16LE(std::u16string_view text) { return folian::testing::Utf16(text); }
std::string Utf16BE(std::u16string_view text) { return folian::testing::Utf16(text, true); }

struct Verdict {
  bool result;
  int flags;
};

Verdict Check(const std::string& bytes, int tests = kAllTextUnicodeTests) {
  int flags = tests;
  bool result = IsTextUnicode(bytes.data(), bytes.size(), &flags);
  return {result, flags};
}

// The detector's use: true with nothing but the statistics test is vetoed
// when the buffer holds a lead byte of the ANSI code page.
bool DetectorSaysUtf16(const std::string& bytes) {
  Verdict v = Check(bytes);
  if (!v.result || v.flags != IS_TEXT_UNICODE_STATISTICS) return v.result;
  for (unsigned char b : bytes)
    if (IsLeadByte(kAnsiCodePage, b)) return false;
  return true;
}

const char16_t kChinese[] = u"第一回　灵根育孕源流出　心性修持大道生\r\n　　诗曰：混沌未分天地乱，茫茫渺渺无人见。";

TEST(IsTextUnicode, BomLessUtf16LeChineseIsUnicode) {
  const std::string bytes = Utf16LE(kChinese);
  Verdict v = Check(bytes);
  EXPECT_TRUE(v.result);
  EXPECT_TRUE(v.flags & IS_TEXT_UNICODE_CONTROLS);
  EXPECT_FALSE(v.flags & IS_TEXT_UNICODE_NOT_UNICODE_MASK);
  EXPECT_TRUE(DetectorSaysUtf16(bytes));
  EXPECT_FALSE(DetectorSaysUtf16(Utf16BE(kChinese)));
  // Also with the terminating zero the loader's buffer carries after the text.
  EXPECT_TRUE(IsTextUnicode((bytes + std::string(2, '\0')).data(), bytes.size() + 2, nullptr));
}

TEST(IsTextUnicode, AsciiAsUtf16IsUnicodeAndAsciiIsNot) {
  const std::u16string ascii = u"Chapter 1\r\nIt was a bright cold day in April, and the clocks were striking.";
  Verdict le = Check(Utf16LE(ascii));
  EXPECT_TRUE(le.result);
  EXPECT_TRUE(le.flags & IS_TEXT_UNICODE_ASCII16);
  EXPECT_TRUE(le.flags & IS_TEXT_UNICODE_STATISTICS);
  EXPECT_TRUE(le.flags & IS_TEXT_UNICODE_NULL_BYTES);
  EXPECT_TRUE(DetectorSaysUtf16(Utf16LE(ascii)));

  std::string plain(ascii.begin(), ascii.end());
  if (plain.size() % 2) plain += '.';
  EXPECT_FALSE(DetectorSaysUtf16(plain));
  // The classic false positive of statistics alone.
  EXPECT_FALSE(DetectorSaysUtf16("Bush hid the facts"));
  EXPECT_FALSE(DetectorSaysUtf16("this app can break"));
  EXPECT_FALSE(DetectorSaysUtf16("a\r\nb\r\n"));  // CR LF in one unit is illegal
  EXPECT_TRUE(Check("a\r\nb\r\n").flags & IS_TEXT_UNICODE_ILLEGAL_CHARS);
}

TEST(IsTextUnicode, GbkTextIsNotUnicode) {
  const std::string gbk = FromWide(kGbk, kChinese);
  ASSERT_EQ(gbk.size() % 2, 0u);
  EXPECT_FALSE(DetectorSaysUtf16(gbk));
  const std::string gbk_no_breaks = FromWide(kGbk, u"混沌未分天地乱，茫茫渺渺无人见。自从盘古破鸿蒙，开辟从兹清浊辨。");
  EXPECT_FALSE(DetectorSaysUtf16(gbk_no_breaks));
}

TEST(IsTextUnicode, OddLengthAndTinyBuffers) {
  std::string bytes = Utf16LE(kChinese) + "x";
  Verdict v = Check(bytes);
  EXPECT_FALSE(v.result);
  EXPECT_TRUE(v.flags & IS_TEXT_UNICODE_ODD_LENGTH);
  for (std::size_t n : {0u, 1u}) {
    int flags = kAllTextUnicodeTests;
    EXPECT_FALSE(IsTextUnicode("ab", n, &flags));
    EXPECT_EQ(flags, 0);
  }
  EXPECT_FALSE(IsTextUnicode(nullptr, 0, nullptr));
}

TEST(IsTextUnicode, SignaturesAndByteSwappedText) {
  Verdict sig = Check(Utf16LE(u"\uFEFF中文"));
  EXPECT_TRUE(sig.result);
  EXPECT_TRUE(sig.flags & IS_TEXT_UNICODE_SIGNATURE);

  Verdict rev = Check(Utf16LE(u"\uFFFE中文"));
  EXPECT_FALSE(rev.result);
  EXPECT_TRUE(rev.flags & IS_TEXT_UNICODE_REVERSE_SIGNATURE);

  Verdict be = Check(Utf16BE(u"Chapter 1\r\nIt was a bright cold day in April."));
  EXPECT_FALSE(be.result);
  EXPECT_TRUE(be.flags & IS_TEXT_UNICODE_REVERSE_ASCII16);
  EXPECT_TRUE(be.flags & IS_TEXT_UNICODE_REVERSE_CONTROLS);
  EXPECT_TRUE(be.flags & IS_TEXT_UNICODE_REVERSE_STATISTICS);
}

TEST(IsTextUnicode, OnlyRequestedTestsAreReported) {
  const std::string bytes = Utf16LE(u"Hello world\r\n");
  Verdict controls = Check(bytes, IS_TEXT_UNICODE_CONTROLS);
  EXPECT_TRUE(controls.result);
  EXPECT_EQ(controls.flags, IS_TEXT_UNICODE_CONTROLS);

  Verdict none = Check(bytes, IS_TEXT_UNICODE_SIGNATURE);
  EXPECT_FALSE(none.result);
  EXPECT_EQ(none.flags, 0);

  // GBK characters sharing one trail byte look like UTF-16 to the statistics
  // alone; the lead-byte test then speaks against Unicode.
  std::string same_trail;
  for (unsigned lead = 0xB0; lead < 0xD0; ++lead) same_trail += {static_cast<char>(lead), '\xA1'};
  Verdict stats_only = Check(same_trail, kAllTextUnicodeTests & ~IS_TEXT_UNICODE_DBCS_LEADBYTE);
  EXPECT_TRUE(stats_only.result);
  EXPECT_EQ(stats_only.flags, IS_TEXT_UNICODE_STATISTICS);
  EXPECT_FALSE(DetectorSaysUtf16(same_trail));
  Verdict lead = Check(same_trail, 0xFFFF);
  EXPECT_FALSE(lead.result);
  EXPECT_EQ(lead.flags, IS_TEXT_UNICODE_STATISTICS | IS_TEXT_UNICODE_DBCS_LEADBYTE);
  // GBK text with embedded zero bytes has "null bytes" but reads as GBK.
  const std::string with_zeros = std::string("\xD6\xD0\0ab\0", 6);
  EXPECT_FALSE(DetectorSaysUtf16(with_zeros));
  EXPECT_TRUE(Check(with_zeros).flags & IS_TEXT_UNICODE_DBCS_LEADBYTE);
  const std::string zeros_in_text = FromWide(kGbk, u"第一回　灵根育孕源流出") + std::string(1, '\0') +
                                    FromWide(kGbk, u"心性修持大道生，") + std::string(3, '\0');
  EXPECT_FALSE(DetectorSaysUtf16(zeros_in_text));
  // Real UTF-16 is full of lead-byte values, yet reads far better as UTF-16.
  Verdict chinese = Check(Utf16LE(kChinese), 0xFFFF);
  EXPECT_TRUE(chinese.result);
  EXPECT_FALSE(chinese.flags & IS_TEXT_UNICODE_DBCS_LEADBYTE);

  // An embedded NUL unit is illegal; the null-byte test alone says "not ASCII".
  Verdict nul = Check(Utf16LE(std::u16string(u"ab\0cd", 5)));
  EXPECT_TRUE(nul.flags & IS_TEXT_UNICODE_ILLEGAL_CHARS);
  EXPECT_FALSE(nul.result);
}

// Samples of real novels at the size the detector reads: UTF-16LE versions
// are Unicode, the GBK originals are not.
TEST(IsTextUnicode, SharedNovelSamples) {
  const auto novels = testing::SharedGbkNovels();
  if (novels.empty()) GTEST_SKIP() << "shared test material not found under " FOLIAN_SHARED_DIR;
  int samples = 0;
  for (const auto& path : novels) {
    const std::string gbk = testing::ReadFile(path);
    for (std::size_t offset = 0; offset + 4096 < gbk.size(); offset += gbk.size() / 17) {
      std::size_t start = offset;
      // Start on a character boundary: after a line break.
      while (start < gbk.size() && gbk[start] != '\n') ++start;
      const std::string sample = gbk.substr(start + 1, 1024);
      const std::u16string wide = ToWide(kGbk, sample);
      EXPECT_TRUE(DetectorSaysUtf16(Utf16LE(wide))) << path << " @" << start;
      EXPECT_FALSE(DetectorSaysUtf16(Utf16BE(wide))) << path << " @" << start;
      EXPECT_FALSE(DetectorSaysUtf16(sample.substr(0, sample.size() & ~std::size_t{1}))) << path << " @" << start;
      // The same in traditional script, much of it outside GB2312.
      std::string traditional = sample;
      ASSERT_TRUE(ConvertScript(traditional, ScriptMode::kGbToGbk));
      EXPECT_FALSE(DetectorSaysUtf16(traditional.substr(0, traditional.size() & ~std::size_t{1})))
          << path << " @" << start;
      EXPECT_TRUE(DetectorSaysUtf16(Utf16LE(ToWide(kGbk, traditional)))) << path << " @" << start;
      ++samples;
    }
  }
  EXPECT_GT(samples, 40);
}

}  // namespace
}  // namespace folian::charset
